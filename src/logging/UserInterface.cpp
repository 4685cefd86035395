#include "logging/UserInterface.h"

#include <future>
#include <mutex>

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
    // The application object lives in the main thread, so a queued call onto it runs fn there as soon
    // as the main event loop serves it, under QCoreApplication and QApplication alike. The wait is a
    // standard promise rather than Qt's blocking connection so that thread checkers see the hand-over.
    std::promise<void> done;
    std::future<void> ran = done.get_future();
    // Held while the call is posted and taken by the main thread before fn runs: what this thread wrote
    // before the hand-over is visibly ordered before fn (Qt's own queue locking is out of a checker's
    // sight).
    std::mutex handOver;
    std::unique_lock posting(handOver);
    if (!QMetaObject::invokeMethod(
            app,
            [&fn, &done, &handOver] {
                {
                    std::lock_guard taken(handOver);
                    try {
                        fn();
                    } catch (...) {
                        // The waiting thread must be released whatever fn does.
                    }
                }
                done.set_value();
            },
            Qt::QueuedConnection))
        return false;
    posting.unlock();
    ran.wait();
    return true;
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
