#include "logging/Alerts.h"

#include <atomic>
#include <cmath>
#include <mutex>
#include <set>

#include "model/Task.h"
#include "platform/Paths.h"
#include "settings/Language.h"

namespace {

std::atomic<TEmailNotifier*> installedNotifier{nullptr};

// Tasks whose notification is being sent: a record the sender logs for the task meanwhile (its failure
// record) must not request another e-mail for the same failure, which would repeat forever. Kept per task
// rather than per thread, since the sender may log through the main thread.
std::mutex sendingMutex;
std::set<const TTask*> sendingFor;

class TSendingGuard {
public:
    explicit TSendingGuard(const TTask& task) : task_(&task) {
        std::lock_guard lock(sendingMutex);
        entered_ = sendingFor.insert(task_).second;
    }
    ~TSendingGuard() {
        if (!entered_)
            return;
        std::lock_guard lock(sendingMutex);
        sendingFor.erase(task_);
    }
    TSendingGuard(const TSendingGuard&) = delete;
    TSendingGuard& operator=(const TSendingGuard&) = delete;
    // False when a notification of the task is already being sent.
    bool Entered() const { return entered_; }

private:
    const TTask* task_;
    bool entered_ = false;
};

std::optional<TAlertEventKind> DialogOptionEvent(TAlertEvent event) {
    switch (event) {
        case TAlertEvent::aeStart:
            return TAlertEventKind::Start;
        case TAlertEvent::aeFile:
        case TAlertEvent::aeFolder:
            return TAlertEventKind::File;
        case TAlertEvent::aeDiskSpan:
            return TAlertEventKind::DiskSpan;
        case TAlertEvent::aeFinish:
            return TAlertEventKind::Finish;
        case TAlertEvent::aeError:
            return TAlertEventKind::Error;
        case TAlertEvent::aeWarning:
            return TAlertEventKind::Warning;
    }
    return std::nullopt;
}

}  // namespace

void SetEmailNotifier(TEmailNotifier* notifier) {
    installedNotifier.store(notifier);
}

TEmailNotifier* EmailNotifier() {
    return installedNotifier.load();
}

TAlertSet CurrentAlertSet(const TTask& task) {
    return task.AlertSet(UserInterface().IsSilentMode());
}

std::optional<TAlertEventKind> RecordAlertEvent(TLogKind kind) {
    switch (kind) {
        case TLogKind::lkTaskStarted:
            return TAlertEventKind::Start;
        case TLogKind::lkTaskFinished:
        case TLogKind::lkTaskAborted:
            return TAlertEventKind::Finish;
        case TLogKind::lkFile:
            return TAlertEventKind::File;
        case TLogKind::lkWarning:
            return TAlertEventKind::Warning;
        case TLogKind::lkError:
            return TAlertEventKind::Error;
        default:
            return std::nullopt;
    }
}

TBalloonIcon BalloonIconOf(TLogKind kind) {
    switch (kind) {
        case TLogKind::lkTaskStarted:
        case TLogKind::lkTaskFinished:
            return TBalloonIcon::biInformation;
        case TLogKind::lkTaskAborted:
        case TLogKind::lkError:
            return TBalloonIcon::biError;
        case TLogKind::lkWarning:
            return TBalloonIcon::biWarning;
        default:
            return TBalloonIcon::biNone;
    }
}

TRecordAlertChannels GetAlertChannels(const TTask& task, TLogKind kind) {
    TRecordAlertChannels channels;
    const std::optional<TAlertEventKind> event = RecordAlertEvent(kind);
    if (!event)
        return channels;
    const TAlertChannels& options = task.EffectiveAlert(CurrentAlertSet(task), *event);
    channels.Balloon = options.Balloon;
    channels.Sound = options.Sound;
    channels.SoundFile = options.SoundFile;
    if (*event != TAlertEventKind::File) {
        channels.EmailUse = options.EmailUse;
        channels.Email = options.Email;
    }
    if (*event == TAlertEventKind::Finish)
        channels.EmailSendLog = options.EmailSendLog;
    return channels;
}

QString SoundFilePath(const QString& soundFile) {
    QString path = soundFile.trimmed();
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')))
        return path;
    // Stored theme paths such as "Media\Male Voice\MaleError.wav" name shipped files; their backslashes
    // are folder separators.
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return Paths::ShippedDataFolder() + path;
}

void DispatchAlerts(const TTask& task, TLogKind kind, const QString& recordText) {
    if (!RecordAlertEvent(kind))
        return;
    const TRecordAlertChannels channels = GetAlertChannels(task, kind);
    TUserInterface& ui = UserInterface();
    if (channels.Sound) {
        const QString path = SoundFilePath(channels.SoundFile);
        if (!path.isEmpty())
            ui.PlaySound(path);
    }
    if (channels.Balloon)
        ui.ShowBalloon(task.Name, recordText, BalloonIconOf(kind));
    if (channels.EmailUse) {
        if (TEmailNotifier* notifier = EmailNotifier()) {
            const TSendingGuard guard(task);
            if (guard.Entered())
                notifier->SendNotification(task, kind, recordText, channels.EmailSendLog, channels.Email);
        }
    }
}

bool AlertDialogWanted(const TTask& task, TAlertEvent event) {
    const std::optional<TAlertEventKind> option = DialogOptionEvent(event);
    if (!option)
        return false;
    return task.EffectiveAlert(CurrentAlertSet(task), *option).Dialog;
}

QString AlertActionText(TAlertEvent event) {
    switch (event) {
        case TAlertEvent::aeStart:
            return Translate(QStringLiteral("Task Startup"), QStringLiteral("strAlerterStartup"));
        case TAlertEvent::aeFile:
            return Translate(QStringLiteral("File/Folder Operation"),
                             QStringLiteral("strAlerterFileOrFolder"));
        case TAlertEvent::aeFolder:
            return QString();
        case TAlertEvent::aeDiskSpan:
            return Translate(QStringLiteral("Destination media is full. Please, insert new disk!"),
                             QStringLiteral("strAlerterDiskSpan"));
        case TAlertEvent::aeFinish:
            return Translate(QStringLiteral("Task Finished"), QStringLiteral("strAlerterFinish"));
        case TAlertEvent::aeError:
            return Translate(QStringLiteral("Error"), QStringLiteral("strAlerterError"));
        case TAlertEvent::aeWarning:
            return Translate(QStringLiteral("Warning"), QStringLiteral("strAlerterWarning"));
    }
    return QString();
}

int ShowAlert(const TTask& task, TAlertEvent event, const QString& message, const QString& buttons) {
    if (!AlertDialogWanted(task, event))
        return AlertAnswer::NotShown;
    return UserInterface().ShowAlertDialog(task, event, AlertActionText(event), message, buttons);
}

std::vector<TAlertButton> AlertButtons(const QString& buttons, int panelWidth) {
    std::vector<TAlertButton> result;
    const int count = static_cast<int>(buttons.size());
    for (int i = 0; i < count; ++i) {
        TAlertButton button;
        button.Letter = buttons.at(i);
        button.Visible = true;
        switch (button.Letter.unicode()) {
            case u'C':
                button.Caption = QStringLiteral("&Continue");
                button.Result = AlertAnswer::Ok;
                break;
            case u'I':
                button.Caption = QStringLiteral("&Ignore");
                button.Result = AlertAnswer::Ignore;
                break;
            case u'K':
                button.Caption = QStringLiteral("&Skip");
                button.Result = AlertAnswer::Skip;
                break;
            case u'O':
                button.Caption = QStringLiteral("&OK");
                button.Result = AlertAnswer::Ok;
                button.Cancels = true;
                break;
            case u'R':
                button.Caption = QStringLiteral("&Retry");
                button.Result = AlertAnswer::Retry;
                break;
            case u'S':
                button.Caption = QStringLiteral("&Stop");
                button.Result = AlertAnswer::Stop;
                button.Cancels = true;
                break;
            case u'Y':
                button.Caption = QStringLiteral("&Yes");
                button.Result = AlertAnswer::Ok;
                break;
            default:
                button.Visible = false;
                break;
        }
        // Halves round to the even neighbour, as the dialog always placed them.
        const double left = (panelWidth - count * kAlertButtonSlotWidth) / 2.0 + i * kAlertButtonSlotWidth;
        button.Left = static_cast<int>(std::lrint(left));
        result.push_back(button);
    }
    return result;
}
