// libFuzzer target over the reader of the predecessor's 1.x projects file: any bytes must give at most
// the projects the file can hold, never crash, hang or allocate beyond the input, and every project read
// must turn into a task with a full preview.
#include <QByteArray>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "legacy/Ombrisave1x.h"
#include "model/Task.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TOmbrisave1xOptions options;
    options.locale = Legacy::TLegacyLocale::German();  // independent of the machine's locale
    TImportDataOmbrisave1x reader(options);
    QStringList errors;
    reader.LoadFromBytes(bytes, QStringLiteral("fuzz.dat"), errors);
    // A project takes at least 37 bytes (eight lengths, a count, a byte); more would mean lengths were
    // trusted.
    if (reader.Items.size() > static_cast<size_t>(kOmbrisave1xMaxCount) ||
        static_cast<qsizetype>(reader.Items.size()) * 37 > bytes.size())
        std::abort();
    for (const auto& item : reader.Items) {
        const auto task = item->CreateTaskForImport();
        if (!task || item->PreviewRows().size() != 7)
            std::abort();
    }
    return 0;
}
