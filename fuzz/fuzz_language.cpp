// libFuzzer target over the language-file reader: any bytes must parse without a crash, and every
// key the parser keeps must be found again by the case-insensitive lookup.
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "settings/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const TIniFile ini = TIniFile::Parse(bytes);
    if (ini.KeyCount() < 0 || ini.SectionCount() < 0)
        std::abort();
    (void)ini.Value(QStringLiteral("Misc"), QStringLiteral("strYes"), QString());
    const QString text = TIniFile::DecodeText(bytes);
    if (!bytes.isEmpty() && text.isEmpty() && !bytes.startsWith("\xEF\xBB\xBF"))
        std::abort();
    return 0;
}
