#pragma once

#include <QString>
#include <functional>

#include "platform/DateTime.h"

// The user's locale formats for dates and times (log lines, filter captions). Tests install fixed
// formats so that results do not depend on the machine's locale.
namespace LocaleFormats {

struct TFormats {
    QString shortDate;  // QDateTime format text, e.g. "dd/MM/yyyy"
    QString longTime;   // e.g. "HH:mm:ss"
};

// The system's formats, the long time without its time-zone field.
TFormats Current();
// A QDateTime time format without its time-zone field ('t' outside quotes), e.g. "HH:mm:ss t" gives
// "HH:mm:ss".
QString WithoutTimeZone(const QString& timeFormat);
void Set(const TFormats& formats);  // tests
void ResetToSystem();

QString FormatShortDate(TDateTime value);
QString FormatLongTime(TDateTime value);

}  // namespace LocaleFormats
