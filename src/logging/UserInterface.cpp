#include "logging/UserInterface.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace {

std::atomic<TUserInterface*> installedInterface{nullptr};

THeadlessUserInterface& FallbackInterface() {
    static THeadlessUserInterface fallback;
    return fallback;
}

}  // namespace

bool TUserInterface::RunOnMainThread(const std::function<void()>& fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread()) {
        fn();
        return true;
    }
    // The application object lives in the main thread, so a blocking queued call onto it runs fn there
    // as soon as the main event loop serves it, under QCoreApplication and QApplication alike.
    return QMetaObject::invokeMethod(
        app, [&fn] { fn(); }, Qt::BlockingQueuedConnection);
}

int THeadlessUserInterface::ShowAlertDialog(const TTask&, TAlertEvent, const QString&, const QString&,
                                            const QString&) {
    return AlertAnswer::NotShown;
}

void THeadlessUserInterface::ShowBalloon(const QString&, const QString&, TBalloonIcon) {}

void THeadlessUserInterface::PlaySound(const QString&) {}

void THeadlessUserInterface::StopSound() {}

void THeadlessUserInterface::RefreshTasks() {}

void SetUserInterface(TUserInterface* ui) {
    installedInterface.store(ui);
}

TUserInterface& UserInterface() {
    TUserInterface* ui = installedInterface.load();
    return ui != nullptr ? *ui : FallbackInterface();
}
