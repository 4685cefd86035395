#include "model/TaskVariables.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include "model/Task.h"
#include "model/TaskPaths.h"
#include "platform/DateTime.h"
#include "platform/Drives.h"
#include "platform/SystemInfo.h"

const std::array<TFolderVariableDef, 43> kTaskVariables = {{
    {"Source", 0},
    {"SourceTop", 1},
    {"SourceExcludeRoot", 2},
    {"SourceRoot", 3},
    {"Destination", 4},
    {"DestinationTop", 5},
    {"DestinationExcludeRoot", 6},
    {"DestinationRoot", 7},
    {"DeletedArchive", 8},
    {"VersionsArchive", 9},
    {"ComputerName", 10},
    {"UserName", 11},
    {"ProjectName", 12},
    {"ProjectId", 13},
    {"DateTime", 20},
    {"Date", 21},
    {"Year", 22},
    {"Month", 23},
    {"Day", 24},
    {"Time", 25},
    {"Hour", 26},
    {"Min", 27},
    {"Sec", 28},
    {"MonthOfYearStr", 29},
    {"MonthOfYearString", 30},
    {"WeekOfYear", 31},
    {"WeekOfMonth", 32},
    {"WeekDayStr", 33},
    {"WeekDayString", 34},
    {"WeekDayNum", 35},
    {"DayOfYear", 36},
    {"DayOfWeek", 37},
    {"HourOfYear", 38},
    {"HourOfWeek", 39},
    {"HourOfMonth", 40},
    {"MinuteOfYear", 41},
    {"MinuteOfMonth", 42},
    {"MinuteOfWeek", 43},
    {"MinuteOfDay", 44},
    {"SecondOfYear", 45},
    {"SecondOfMonth", 46},
    {"SecondOfWeek", 47},
    {"SecondOfDay", 48},
}};

const std::array<TFolderVariableDef, 30> kSpecialFolderVariables = {{
    {"WindowsDesktop", 0},
    {"WindowsInternet", 1},
    {"WindowsPrograms", 2},
    {"WindowsControls", 3},
    {"WindowsPrinters", 4},
    {"WindowsPersonal", 5},
    {"WindowsFavorites", 6},
    {"WindowsStartup", 7},
    {"WindowsRecent", 8},
    {"WindowsSendto", 9},
    {"WindowsBitbucket", 10},
    {"WindowsStartMenu", 11},
    {"WindowsDesktopDirectory", 16},
    {"WindowsDrives", 17},
    {"WindowsNetwork", 18},
    {"WindowsNethood", 19},
    {"WindowsFonts", 20},
    {"WindowsTemplates", 21},
    {"WindowsCommonStartMenu", 22},
    {"WindowsCommonPrograms", 23},
    {"WindowsCommonStartup", 24},
    {"WindowsCommonDesktopDirectory", 25},
    {"WindowsAppData", 26},
    {"WindowsPrinthood", 27},
    {"WindowsAltStartup", 29},
    {"WindowsCommonAltStartup", 30},
    {"WindowsCommonFavorites", 31},
    {"WindowsInternetCache", 32},
    {"WindowsCookies", 33},
    {"WindowsHistory", 34},
}};

namespace {

constexpr std::array<const char*, 12> kShortMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char*, 12> kLongMonths = {"January",   "February", "March",    "April",
                                                     "May",       "June",     "July",     "August",
                                                     "September", "October",  "November", "December"};
constexpr std::array<const char*, 7> kShortDays = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr std::array<const char*, 7> kLongDays = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                  "Friday", "Saturday", "Sunday"};

// Nested evaluations of one thread: a path that refers to itself stops at this depth.
constexpr int kMaxNesting = 16;
thread_local int nestingLevel = 0;

struct TNestingGuard {
    TNestingGuard() { ++nestingLevel; }
    ~TNestingGuard() { --nestingLevel; }
    TNestingGuard(const TNestingGuard&) = delete;
    TNestingGuard& operator=(const TNestingGuard&) = delete;
};

void ReplaceFirst(QString& text, const QString& token, const QString& value) {
    const qsizetype at = text.indexOf(token, 0, Qt::CaseInsensitive);
    if (at >= 0)
        text.replace(at, token.size(), value);
}

QString Percent(const QString& name) {
    return QLatin1Char('%') + name + QLatin1Char('%');
}

QString Pad(int value, int width) {
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

// Week of the month with weeks starting on Monday, each week counted in the month of its Thursday.
int WeekOfMonth(const QDate& date) {
    const QDate thursday = date.addDays(4 - date.dayOfWeek());
    return (thursday.day() - 1) / 7 + 1;
}

QString DateTimeValue(int code) {
    const QDateTime now = DateTime::ToQDateTime(DateTime::Now());
    const QDate date = now.date();
    const QTime time = now.time();
    // Elapsed periods are counted on the calendar (civil time), not in physical seconds.
    const qint64 dayOfYear0 = date.dayOfYear() - 1;
    const qint64 dayOfMonth0 = date.day() - 1;
    const qint64 dayOfWeek0 = date.dayOfWeek() - 1;
    const qint64 minuteOfDay = time.hour() * 60 + time.minute();
    const qint64 secondOfDay = minuteOfDay * 60 + time.second();
    switch (code) {
        case 20:
            return Pad(date.year(), 4) + Pad(date.month(), 2) + Pad(date.day(), 2) + Pad(time.hour(), 2) +
                   Pad(time.minute(), 2) + Pad(time.second(), 2);
        case 21:
            return Pad(date.year(), 4) + Pad(date.month(), 2) + Pad(date.day(), 2);
        case 22:
            return Pad(date.year(), 4);
        case 23:
            return Pad(date.month(), 2);
        case 24:
            return Pad(date.day(), 2);
        case 25:
            return Pad(time.hour(), 2) + Pad(time.minute(), 2) + Pad(time.second(), 2);
        case 26:
            return Pad(time.hour(), 2);
        case 27:
            return Pad(time.minute(), 2);
        case 28:
            return Pad(time.second(), 2);
        case 29:
            return QLatin1String(kShortMonths[date.month() - 1]);
        case 30:
            return QLatin1String(kLongMonths[date.month() - 1]);
        case 31:
            return QString::number(date.weekNumber());
        case 32:
            return QString::number(WeekOfMonth(date));
        case 33:
            return QLatin1String(kShortDays[date.dayOfWeek() - 1]);
        case 34:
            return QLatin1String(kLongDays[date.dayOfWeek() - 1]);
        case 35:
        case 37:
            return QString::number(date.dayOfWeek());
        case 36:
            return QString::number(date.dayOfYear());
        case 38:
            return QString::number(dayOfYear0 * 24 + time.hour());
        case 39:
            return QString::number(dayOfWeek0 * 24 + time.hour());
        case 40:
            return QString::number(dayOfMonth0 * 24 + time.hour());
        case 41:
            return QString::number(dayOfYear0 * 1440 + minuteOfDay);
        case 42:
            return QString::number(dayOfMonth0 * 1440 + minuteOfDay);
        case 43:
            return QString::number(dayOfWeek0 * 1440 + minuteOfDay);
        case 44:
            return QString::number(minuteOfDay);
        case 45:
            return QString::number(dayOfYear0 * 86400 + secondOfDay);
        case 46:
            return QString::number(dayOfMonth0 * 86400 + secondOfDay);
        case 47:
            return QString::number(dayOfWeek0 * 86400 + secondOfDay);
        case 48:
            return QString::number(secondOfDay);
        default:
            return kVariableErrorMark;
    }
}

}  // namespace

QString EvaluateTaskVariable(const TTask& task, int code, int sourceIndex) {
    if (nestingLevel >= kMaxNesting - 1)
        return kVariableErrorMark;
    const TNestingGuard guard;
    const bool local = task.DestType == TDestKind::dkLocal;
    switch (code) {
        case 0:
            return task.SourceFolderPath(sourceIndex);
        case 1: {
            const QString source = task.SourceFolderPath(sourceIndex);
            return source.isEmpty() ? QString() : IncludeTrailingSlash(LastFolderName(source));
        }
        case 2: {
            const QString source = task.SourceFolderPath(sourceIndex);
            return source.isEmpty() ? QString() : IncludeTrailingSlash(StripRoot(source));
        }
        case 3: {
            const QString source = task.SourceFolderPath(sourceIndex);
            return source.isEmpty() ? QString() : IncludeTrailingSlash(Drives::MountPointOf(source));
        }
        case 4:
            if (local)
                return task.DestinationFolder(-1);
            if (task.DestType == TDestKind::dkFtp)
                return task.FtpDestinationFolder(-1);
            return kVariableErrorMark;
        case 5:
            return local ? IncludeTrailingSlash(LastFolderName(task.DestinationFolder(-1)))
                         : kVariableErrorMark;
        case 6:
            return local ? IncludeTrailingSlash(StripRoot(task.DestinationFolder(-1))) : kVariableErrorMark;
        case 7:
            return local ? IncludeTrailingSlash(Drives::MountPointOf(task.DestinationFolder(-1)))
                         : kVariableErrorMark;
        case 8:
            return task.DeletedArchiveFolder();
        case 9:
            return task.VersionsArchiveFolder();
        case 10:
            return SystemInfo::ComputerName().trimmed();
        case 11:
            return SystemInfo::UserName().trimmed();
        case 12:
            return task.Name;
        case 13:
            return task.ID;
        default:
            return DateTimeValue(code);
    }
}

QString ExpandTaskPath(const TTask& task, const QString& text) {
    if (text.trimmed().isEmpty())
        return text;
    QString result = text;
    // Nothing to replace saves the environment and special-folder look-ups (paths are expanded often).
    if (!result.contains(QLatin1Char('%')))
        return result;

    for (const TFolderVariableDef& def : kTaskVariables) {
        const QString token = Percent(QLatin1String(def.Name));
        if (result.contains(token, Qt::CaseInsensitive))
            ReplaceFirst(result, token, EvaluateTaskVariable(task, def.Code, 0));
    }
    for (int i = 0; i < task.SourceFolderCount(); ++i) {
        for (int k = 0; k < 4; ++k) {
            const QString token = Percent(QLatin1String(kTaskVariables[k].Name) + QString::number(i + 1));
            if (result.contains(token, Qt::CaseInsensitive))
                ReplaceFirst(result, token, EvaluateTaskVariable(task, kTaskVariables[k].Code, i));
        }
    }
    for (const QString& entry : SystemInfo::EnvironmentEntries()) {
        const QString trimmed = entry.trimmed();
        const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
        const QString name = equals < 0 ? trimmed : trimmed.left(equals);
        // An empty name would turn every "%%" into a value.
        if (name.isEmpty())
            continue;
        const QString value = equals < 0 ? QString() : trimmed.mid(equals + 1);
        ReplaceFirst(result, Percent(name), value);
    }
    for (const TFolderVariableDef& def : kSpecialFolderVariables) {
        const QString token = Percent(QLatin1String(def.Name));
        if (result.contains(token, Qt::CaseInsensitive))
            ReplaceFirst(result, token, SystemInfo::SpecialFolderPath(def.Code));
    }
    return result;
}
