#include "settings/FormatText.h"

QString FormatText(const QString& format, std::initializer_list<QString> args) {
    QString out;
    out.reserve(format.size() + 32);
    auto next = args.begin();
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == QLatin1Char('%') && i + 1 < format.size()) {
            const QChar spec = format[i + 1];
            if (spec == QLatin1Char('%')) {
                out += c;
                ++i;
                continue;
            }
            if (spec == QLatin1Char('s') || spec == QLatin1Char('d')) {
                if (next != args.end())
                    out += *next++;
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}
