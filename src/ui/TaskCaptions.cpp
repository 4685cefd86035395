#include "ui/TaskCaptions.h"

#include "model/ScheduleItem.h"
#include "model/Task.h"
#include "platform/LocaleFormats.h"
#include "settings/Language.h"

namespace {

QString DateTimeCaption(TDateTime value) {
    return LocaleFormats::FormatShortDate(value) + QLatin1Char(' ') + LocaleFormats::FormatLongTime(value);
}

}  // namespace

QString LastRunCaption(const TTask& task) {
    if (task.LastRun == 0)
        return QStringLiteral("Never");
    return DateTimeCaption(task.LastRun);
}

QString NextRunCaption(const TTask& task, const TNextRunFunction& nextRun) {
    if (task.Schedule.empty())
        return QStringLiteral("?");
    QString suffix;
    bool haveEarliest = false;
    TDateTime earliest = 0;
    for (const TTaskScheduleItem& item : task.Schedule) {
        if (!item.Enabled)
            continue;
        switch (item.Kind) {
            case TScheduleKind::skAtSystemStartup:
                suffix += QStringLiteral(", ") +
                          Translate(QStringLiteral("at system startup"),
                                    QStringLiteral("strTaskTypesNextRunInternalSystemStartup"));
                break;
            case TScheduleKind::skAtProgramStartup:
                suffix += QStringLiteral(", ") +
                          Translate(QStringLiteral("at program startup"),
                                    QStringLiteral("strTaskTypesNextRunInternalProgramStartup"));
                break;
            case TScheduleKind::skAtSystemShutdown:
                suffix += QStringLiteral(", ") +
                          Translate(QStringLiteral("at system shutdown"),
                                    QStringLiteral("strTaskTypesNextRunInternalSystemShutdown"));
                break;
            default: {
                const TDateTime next = nextRun ? nextRun(task, item) : DateTime::NoTimeValue;
                if (DateTime::SameTime(next, DateTime::NoTimeValue))
                    break;
                if (!haveEarliest || next < earliest) {
                    earliest = next;
                    haveEarliest = true;
                }
                break;
            }
        }
    }
    QString result;
    if (haveEarliest) {
        result = DateTimeCaption(earliest) + suffix;
    } else {
        result = suffix;
        if (result.size() > 2)
            result = result.mid(2);
        if (!result.isEmpty())
            result[0] = result[0].toUpper();
    }
    if (result.isEmpty())
        result =
            Translate(QStringLiteral("undefined"), QStringLiteral("strTaskTypesNextRunInternalUndefined"));
    return result;
}

QString NextRunText(const TTask& task, const TNextRunFunction& nextRun) {
    QString text = NextRunCaption(task, nextRun);
    const auto addTrigger = [&text](const QString& trigger) {
        if (text == QStringLiteral("?"))
            text = trigger;
        else
            text += QStringLiteral(", ") + trigger;
    };
    if (task.FolderMonitor_Use)
        addTrigger(Translate(QStringLiteral("On folder contents change"),
                             QStringLiteral("strTaskTypesNextRunFolderContentsChange")));
    if (task.SmartDetectUse)
        addTrigger(Translate(QStringLiteral("On media detection"),
                             QStringLiteral("strTaskTypesNextRunSmartDetect")));
    if (task.HotKey != 0)
        addTrigger(Translate(QStringLiteral("On Hot Key"), QStringLiteral("strTaskTypesNextRunHotKey")));
    if (text == QStringLiteral("?"))
        text = Translate(QStringLiteral("Manually"), QStringLiteral("strTaskTypesNextRunManually"));
    return text;
}
