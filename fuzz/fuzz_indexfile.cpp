// libFuzzer target over the index-file reader: any bytes must parse without a crash or a large
// allocation; what parses must serialize back to the same bytes, and the list's look-ups and removals
// must stay consistent with its order.
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "storage/IndexFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TIndexList list;
    const bool ok = ParseIndex(bytes, list);
    if (ok != list.Loaded)
        std::abort();
    if (ok) {
        // The reader ignores bytes after the end marker; everything before it comes back unchanged.
        if (!bytes.startsWith(SerializeIndex(list)))
            std::abort();
    }
    // Every item is found (the first of its path), then removing every second one keeps the rest found.
    int index = 0;
    for (auto it = list.begin(); it != list.end();) {
        if (!list.Find(it->Path))
            std::abort();
        if (index++ % 2 == 0)
            it = list.Remove(it);
        else
            ++it;
    }
    const int left = list.Count();
    int seen = 0;
    list.ForEach([&](const TIndexFileItem& item) {
        ++seen;
        if (!list.Find(item.Path))
            std::abort();
    });
    if (seen != left)
        std::abort();
    return 0;
}
