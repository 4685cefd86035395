#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "logging/Alerts.h"
#include "logging/UserInterface.h"
#include "model/Task.h"

// Records what the program asks of the user interface, and answers dialogs with a chosen result.
class TRecordingUserInterface : public TUserInterface {
public:
    struct TDialog {
        QString TaskName;
        TAlertEvent Event;
        QString ActionText;
        QString Message;
        QString Buttons;
    };
    struct TBalloon {
        QString Title;
        QString Text;
        TBalloonIcon Icon;
    };

    int ShowAlertDialog(const TTask& task, TAlertEvent event, const QString& actionText,
                        const QString& message, const QString& buttons) override {
        Dialogs.push_back({task.Name, event, actionText, message, buttons});
        return Answer;
    }
    void ShowBalloon(const QString& title, const QString& text, TBalloonIcon icon) override {
        Balloons.push_back({title, text, icon});
    }
    void PlaySound(const QString& path) override { Sounds << path; }
    void StopSound() override { ++Stops; }
    void RefreshTasks() override { ++Refreshes; }

    bool Silent() const { return Dialogs.empty() && Balloons.empty() && Sounds.isEmpty(); }

    int Answer = AlertAnswer::Ok;
    std::vector<TDialog> Dialogs;
    std::vector<TBalloon> Balloons;
    QStringList Sounds;
    int Stops = 0;
    int Refreshes = 0;
};

// Records the notifications it is asked to send; optionally fails like an unreachable server does, by
// logging the failure record into the task's log.
class TRecordingEmailNotifier : public TEmailNotifier {
public:
    struct TMail {
        QString TaskName;
        TLogKind Kind;
        QString RecordText;
        bool SendLog;
        QString Address;
    };
    std::function<void(const TTask&)> OnSend;
    std::vector<TMail> Mails;

    void SendNotification(const TTask& task, TLogKind kind, const QString& recordText, bool sendLog,
                          const QString& address) override {
        Mails.push_back({task.Name, kind, recordText, sendLog, address});
        if (OnSend)
            OnSend(task);
    }
};
