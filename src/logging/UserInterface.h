#pragma once

#include <QString>
#include <atomic>
#include <functional>

#include "logging/LogTypes.h"

class TTask;

// Icon of a notification-area balloon.
enum class TBalloonIcon { biNone, biInformation, biWarning, biError };

// The one way the engine, the logger and the alerts reach the user interface. The Qt window implements
// it; THeadlessUserInterface serves servers, the command-line tool and tests.
//
// Any thread may call these methods: an implementation that needs the main thread for a call (a modal
// dialog, a tray balloon) hands the work over itself, for example through RunOnMainThread.
class TUserInterface {
public:
    virtual ~TUserInterface() = default;

    // Runs fn on the main thread (the thread of the QCoreApplication) and returns once it has run. On the
    // main thread itself, or when no application object exists, fn runs directly. The main thread must
    // keep serving its event loop while another thread waits here. False when fn could not be handed
    // over (it has not run then).
    virtual bool RunOnMainThread(const std::function<void()>& fn);

    // Shows the modal alert dialog of a task and returns the chosen answer (AlertAnswer); 0 when no
    // dialog was shown. actionText is the event's translated action line (empty for aeFolder).
    virtual int ShowAlertDialog(const TTask& task, TAlertEvent event, const QString& actionText,
                                const QString& message, const QString& buttons) = 0;
    // A balloon at the notification-area icon; a new one replaces one still visible. Dropped when no
    // icon exists.
    virtual void ShowBalloon(const QString& title, const QString& text, TBalloonIcon icon) = 0;
    // Plays a wave file asynchronously, stopping one still playing; an unplayable file plays nothing.
    virtual void PlaySound(const QString& path) = 0;
    virtual void StopSound() = 0;
    // Refreshes the task list and the status of the window.
    virtual void RefreshTasks() = 0;

    // Silent mode of the program (command-line switch): runs then use the Silent alert set.
    virtual bool IsSilentMode() const { return silentMode_.load(); }
    virtual void SetSilentMode(bool on) { silentMode_.store(on); }

private:
    std::atomic<bool> silentMode_{false};
};

// No windows: every dialog is "not shown" (0), balloons and sounds are dropped, refreshing does nothing.
class THeadlessUserInterface : public TUserInterface {
public:
    int ShowAlertDialog(const TTask& task, TAlertEvent event, const QString& actionText,
                        const QString& message, const QString& buttons) override;
    void ShowBalloon(const QString& title, const QString& text, TBalloonIcon icon) override;
    void PlaySound(const QString& path) override;
    void StopSound() override;
    void RefreshTasks() override;
};

// The interface of the process. Until one is installed (and after installing nullptr) a process-wide
// THeadlessUserInterface answers. The installed object is not owned and must outlive its use.
void SetUserInterface(TUserInterface* ui);
TUserInterface& UserInterface();
