#include "schedule/ScheduleCaptions.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <mutex>
#include <optional>

#include "model/Task.h"
#include "platform/LocaleFormats.h"
#include "schedule/Scheduler.h"
#include "settings/FormatText.h"
#include "settings/Language.h"

namespace {

std::mutex namesMutex;
std::optional<CaptionNames::TNames> installedNames;

QString Tr(const char* text, const char* key) {
    return Translate(QString::fromLatin1(text), QString::fromLatin1(key));
}

QString Number(int value) {
    return QString::number(value);
}

QString NoItems() {
    return Tr("[no items]", "strTaskTypesScheduleNoItems");
}

template <std::size_t N>
QString NameList(const std::array<bool, N>& flags, const std::array<QString, N>& names) {
    QStringList chosen;
    for (std::size_t i = 0; i < N; ++i)
        if (flags[i])
            chosen << names[i];
    return chosen.isEmpty() ? NoItems() : chosen.join(QStringLiteral(", "));
}

QString TimeSuffix(bool useStartTime, TDateTime startTime) {
    if (!useStartTime)
        return QStringLiteral(".");
    return QStringLiteral("; ") + FormatText(Tr("starting at %s.", "strTaskTypesScheduleStartingAt"),
                                             {LocaleFormats::FormatLongTime(startTime)});
}

// "1-st", "2-nd", "3-rd", then "4-th" ... "31-th", each under its own key.
QString Ordinal(int k) {
    switch (k) {
        case 1:
            return Tr("1-st", "strTaskTypesSchedule1st");
        case 2:
            return Tr("2-nd", "strTaskTypesSchedule2nd");
        case 3:
            return Tr("3-rd", "strTaskTypesSchedule3rd");
        default:
            return Translate(Number(k) + QStringLiteral("-th"),
                             QStringLiteral("strTaskTypesSchedule") + Number(k) + QStringLiteral("th"));
    }
}

QString OccurrenceWord(TWhichWeek which) {
    switch (which) {
        case TWhichWeek::wwFirst:
            return Tr("first", "strTaskTypesScheduleMonthlyFirst");
        case TWhichWeek::wwSecond:
            return Tr("second", "strTaskTypesScheduleMonthlySecond");
        case TWhichWeek::wwThird:
            return Tr("third", "strTaskTypesScheduleMonthlyThird");
        case TWhichWeek::wwFourth:
            return Tr("fouth", "strTaskTypesScheduleMonthlyFourth");
        case TWhichWeek::wwLast:
            break;
    }
    return Tr("last", "strTaskTypesScheduleMonthlyLast");
}

QString StartupWait(bool wait, int seconds) {
    if (!wait)
        return QStringLiteral(".");
    return QStringLiteral(" ") +
           FormatText(Tr("(wait %d seconds).", "strTaskTypesScheduleStartupWait"), {Number(seconds)});
}

QString DateAndTime(TDateTime value) {
    return LocaleFormats::FormatShortDate(value) + QLatin1Char(' ') + LocaleFormats::FormatLongTime(value);
}

}  // namespace

namespace CaptionNames {

TNames Current() {
    {
        std::lock_guard lock(namesMutex);
        if (installedNames)
            return *installedNames;
    }
    const QLocale locale = QLocale::system();
    TNames names;
    for (int i = 0; i < 7; ++i) {
        names.shortDays[static_cast<std::size_t>(i)] = locale.dayName(i + 1, QLocale::ShortFormat);
        names.longDays[static_cast<std::size_t>(i)] = locale.dayName(i + 1, QLocale::LongFormat);
    }
    for (int i = 0; i < 12; ++i)
        names.shortMonths[static_cast<std::size_t>(i)] = locale.monthName(i + 1, QLocale::ShortFormat);
    return names;
}

void Set(const TNames& names) {
    std::lock_guard lock(namesMutex);
    installedNames = names;
}

void ResetToSystem() {
    std::lock_guard lock(namesMutex);
    installedNames.reset();
}

}  // namespace CaptionNames

QString GetStrCaption(const TTaskScheduleItem& item) {
    const CaptionNames::TNames names = CaptionNames::Current();
    switch (item.Kind) {
        case TScheduleKind::skMinutelly:
            return FormatText(Tr("Run every %d minute(s).", "strTaskTypesScheduleMinutelly"),
                              {Number(item.MinutellyValue)});
        case TScheduleKind::skHourly:
            return FormatText(Tr("Run every %d hour(s).", "strTaskTypesScheduleHourly"),
                              {Number(item.HourlyValue)});
        case TScheduleKind::skDaily: {
            const QString suffix = TimeSuffix(item.DailyUseStartTime, item.DailyStartTime);
            if (item.DailyEveryNumDays == TEveryNumDays::ed1st) {
                const bool everyDay =
                    std::all_of(item.DailyDays.begin(), item.DailyDays.end(), [](bool b) { return b; });
                if (everyDay)
                    return FormatText(Tr("Run every day%s", "strTaskTypesScheduleDailyEveryday"), {suffix});
                return FormatText(Tr("Run every %s%s", "strTaskTypesScheduleDailyOn"),
                                  {NameList(item.DailyDays, names.shortDays), suffix});
            }
            return FormatText(Tr("Run every %s day on %s%s", "strTaskTypesScheduleDailyX"),
                              {Ordinal(static_cast<int>(item.DailyEveryNumDays) + 1),
                               NameList(item.DailyDays, names.shortDays), suffix});
        }
        case TScheduleKind::skWeekly: {
            const QString suffix = TimeSuffix(item.WeeklyUseStartTime, item.WeeklyStartTime);
            const QString days = NameList(item.WeeklyDays, names.shortDays);
            if (item.WeeklyEveryNumWeek == TEveryNumWeeks::ew1st)
                return FormatText(Tr("Run every week on %s%s", "strTaskTypesScheduleWeeklyEveryweek"),
                                  {days, suffix});
            return FormatText(Tr("Run every %s week on %s%s", "strTaskTypesScheduleWeeklyX"),
                              {Ordinal(static_cast<int>(item.WeeklyEveryNumWeek) + 1), days, suffix});
        }
        case TScheduleKind::skMonthly: {
            const QString suffix = TimeSuffix(item.MonthlyUseStartTime, item.MonthlyStartTime);
            const QString months = NameList(item.MonthlyMonths, names.shortMonths);
            if (item.MonthlyKind == TMonthlyKind::mkEveryDay)
                return FormatText(
                    Tr("Run every %s day of month(s): %s%s", "strTaskTypesScheduleMonthlyEveryDay"),
                    {Ordinal(static_cast<int>(item.MonthlyEveryNumDay) + 1), months, suffix});
            const QString which = OccurrenceWord(item.MonthlyWhichDayType) + QLatin1Char(' ') +
                                  names.longDays[static_cast<std::size_t>(item.MonthlyWhichDayWeek)];
            return FormatText(Tr("Run every %s of month(s): %s%s", "strTaskTypesScheduleMonthlyWhichDay"),
                              {which, months, suffix});
        }
        case TScheduleKind::skAtSystemStartup:
            return FormatText(Tr("Run at system startup%s", "strTaskTypesScheduleSystemStartup"),
                              {StartupWait(item.AtSystemStartupWait, item.AtSystemStartupWaitSecValue)});
        case TScheduleKind::skAtProgramStartup:
            return FormatText(Tr("Run at program startup%s", "strTaskTypesScheduleProgramStartup"),
                              {StartupWait(item.AtProgramStartupWait, item.AtProgramStartupWaitSecValue)});
        case TScheduleKind::skAtSystemShutdown: {
            const QString limit =
                item.SystemShutdownLimitExecTime
                    ? QStringLiteral(" ") + FormatText(Tr("(limit Task work time to %d seconds).",
                                                          "strTaskTypesScheduleShutdownLimit"),
                                                       {Number(item.SystemShutdownMaxSec)})
                    : QStringLiteral(".");
            return FormatText(Tr("Run at system shutdown%s", "strTaskTypesScheduleShutdown"), {limit});
        }
        case TScheduleKind::skOnce: {
            const QString time = item.OnceUseStartTime
                                     ? QStringLiteral(" ") +
                                           LocaleFormats::FormatLongTime(item.OnceStartTime) +
                                           QStringLiteral(".")
                                     : QStringLiteral(".");
            return FormatText(Tr("Run once at: %s%s", "strTaskTypesScheduleOnce"),
                              {LocaleFormats::FormatShortDate(item.OnceRunDate), time});
        }
    }
    return QStringLiteral("TTaskScheduleItem.GetStrCaption := ERROR!");
}

QString LastRunCaption(const TTask& task) {
    if (task.LastRun == 0)
        return QStringLiteral("Never");
    return DateAndTime(task.LastRun);
}

QString NextRunCaption(const TTask& task, const TLastRun& last, const TZoneOffsets& zone) {
    if (task.Schedule.empty())
        return QStringLiteral("?");
    QString suffix;
    std::optional<qint64> earliest;
    for (const TTaskScheduleItem& item : task.Schedule) {
        if (!item.Enabled)
            continue;
        switch (item.Kind) {
            case TScheduleKind::skAtSystemStartup:
                suffix += QStringLiteral(", ") +
                          Tr("at system startup", "strTaskTypesNextRunInternalSystemStartup");
                break;
            case TScheduleKind::skAtProgramStartup:
                suffix += QStringLiteral(", ") +
                          Tr("at program startup", "strTaskTypesNextRunInternalProgramStartup");
                break;
            case TScheduleKind::skAtSystemShutdown:
                suffix += QStringLiteral(", ") +
                          Tr("at system shutdown", "strTaskTypesNextRunInternalSystemShutdown");
                break;
            default:
                if (const std::optional<qint64> next = NextRunInstant(item, last, zone))
                    if (!earliest || *next < *earliest)
                        earliest = next;
                break;
        }
    }
    QString result;
    if (earliest) {
        result = DateAndTime(zone.ToWall(*earliest)) + suffix;
    } else {
        result = suffix;
        if (result.size() > 2 && result.startsWith(QStringLiteral(", ")))
            result.remove(0, 2);
        if (!result.isEmpty())
            result[0] = result[0].toUpper();
    }
    if (result.isEmpty())
        result = Tr("undefined", "strTaskTypesNextRunInternalUndefined");
    return result;
}

QString NextRunText(const TTask& task, const TLastRun& last, const TZoneOffsets& zone) {
    QString text = NextRunCaption(task, last, zone);
    const auto append = [&text](const QString& trigger) {
        if (text == QLatin1String("?"))
            text = trigger;
        else
            text += QStringLiteral(", ") + trigger;
    };
    if (task.FolderMonitor_Use)
        append(Tr("On folder contents change", "strTaskTypesNextRunFolderContentsChange"));
    if (task.SmartDetectUse)
        append(Tr("On media detection", "strTaskTypesNextRunSmartDetect"));
    if (task.HotKey != 0)
        append(Tr("On Hot Key", "strTaskTypesNextRunHotKey"));
    if (text == QLatin1String("?"))
        text = Tr("Manually", "strTaskTypesNextRunManually");
    return text;
}

QString NextRunCaption(TScheduler& scheduler, const TTask& task) {
    return NextRunCaption(task, scheduler.LastRunOf(task), *scheduler.Clock().Zone);
}

QString NextRunText(TScheduler& scheduler, const TTask& task) {
    return NextRunText(task, scheduler.LastRunOf(task), *scheduler.Clock().Zone);
}

QString SystemTimerDescription(const std::optional<QStringList>& onCalendarLines) {
    if (!onCalendarLines)
        return Tr("Not scheduled.", "strMsSchedulerNotScheduled");
    if (onCalendarLines->isEmpty())
        return Tr("No triggers set.", "strMsSchedulerNoTriggersSet");
    QString text;
    for (const QString& line : *onCalendarLines)
        text += line + QLatin1Char('\r');
    return text;
}
