#pragma once

#include <QPoint>
#include <QPointer>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>
#include <vector>

#include "logging/UserInterface.h"

class QSoundEffect;
class TMainWindow;

// The user interface of the program with a window: alert dialogs, balloons at the notification-area
// icon, sounds and task-list refreshes, each handed to the main thread when called from a worker. Only
// the alert dialog makes its caller wait; balloons, sounds and refreshes are queued.
class TWindowUserInterface : public TUserInterface {
public:
    explicit TWindowUserInterface(TMainWindow* window);
    ~TWindowUserInterface() override;

    int ShowAlertDialog(const TTask& task, TAlertEvent event, const QString& actionText,
                        const QString& message, const QString& buttons) override;
    void ShowBalloon(const QString& title, const QString& text, TBalloonIcon icon) override;
    void PlaySound(const QString& path) override;
    void StopSound() override;
    void RefreshTasks() override;

    // The main-thread part of an alert: the modal dialog. Tests replace it to answer without a person.
    std::function<int(const QString& taskName, TAlertEvent event, const QString& actionText,
                      const QString& message, const QString& buttons)>
        AlertDialog;

    // The modal alert dialog itself; remembers its position for the next one.
    int RunAlertDialog(const QString& taskName, TAlertEvent event, const QString& actionText,
                       const QString& message, const QString& buttons);

private:
    // Queued work runs in the context of this object: once the interface is gone, nothing runs.
    std::unique_ptr<QObject> context_;
    QSoundEffect* sound_ = nullptr;  // made at the first sound, on the main thread
    QPointer<TMainWindow> window_;
    std::atomic<bool> refreshPending_{false};
    std::optional<QPoint> lastPosition_;
};
