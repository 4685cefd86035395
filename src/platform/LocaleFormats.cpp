#include "platform/LocaleFormats.h"

#include <QLocale>
#include <mutex>
#include <optional>

namespace {
std::mutex formatsMutex;
std::optional<LocaleFormats::TFormats> installed;
}  // namespace

namespace LocaleFormats {

TFormats Current() {
    std::lock_guard lock(formatsMutex);
    if (installed) return *installed;
    const QLocale locale = QLocale::system();
    return {locale.dateFormat(QLocale::ShortFormat), locale.timeFormat(QLocale::LongFormat)};
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
