#include "platform/LocaleFormats.h"

#include <QLocale>
#include <mutex>
#include <optional>

namespace {
std::mutex formatsMutex;
std::optional<LocaleFormats::TFormats> installed;
}  // namespace

namespace LocaleFormats {

QString WithoutTimeZone(const QString& timeFormat) {
    // The locale's long time format names the time zone ("HH:mm:ss t"); the program's times are local
    // times, and a zone in every log line and schedule caption only gets in the way.
    QString result;
    bool quoted = false;
    for (const QChar c : timeFormat) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        result += c;
    }
    return result.trimmed();
}

TFormats Current() {
    std::lock_guard lock(formatsMutex);
    if (installed) return *installed;
    const QLocale locale = QLocale::system();
    return {locale.dateFormat(QLocale::ShortFormat), WithoutTimeZone(locale.timeFormat(QLocale::LongFormat))};
}

void Set(const TFormats& formats) {
    std::lock_guard lock(formatsMutex);
    installed = formats;
}

void ResetToSystem() {
    std::lock_guard lock(formatsMutex);
    installed.reset();
}

QString FormatShortDate(TDateTime value) {
    return DateTime::ToQDateTime(value).date().toString(Current().shortDate);
}

QString FormatLongTime(TDateTime value) {
    return DateTime::ToQDateTime(value).time().toString(Current().longTime);
}

}  // namespace LocaleFormats
