// libFuzzer target over the settings-file reader: any bytes must parse or be refused with a line
// number, never crash or hang, and every entry the parser keeps names a key below the user tree.
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "store/RegFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TRegFileContent content;
    QString error;
    const bool ok = ParseRegText(bytes, content, &error);
    if (!ok && !error.startsWith(QStringLiteral("line ")))
        std::abort();
    if (ok) {
        for (const TRegFileEntry& entry : content.entries)
            if (!entry.keyPath.startsWith(QLatin1Char('\\')))
                std::abort();
    }
    return 0;
}
