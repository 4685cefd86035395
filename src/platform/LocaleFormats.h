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

TFormats Current();
void Set(const TFormats& formats);  // tests
void ResetToSystem();

QString FormatShortDate(TDateTime value);
QString FormatLongTime(TDateTime value);

}  // namespace LocaleFormats
