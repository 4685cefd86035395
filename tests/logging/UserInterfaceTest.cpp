#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <atomic>
#include <thread>

#include "LoggingFixture.h"

namespace {

TEST(UserInterface, WorkerRunsFunctionOnMainThreadAndWaitsForIt) {
    THeadlessUserInterface ui;
    QEventLoop loop;
    QThread* ranOn = nullptr;
    bool ranBeforeReturn = false;
    bool handedOver = false;
    std::thread worker([&] {
        bool done = false;
        handedOver = ui.RunOnMainThread([&] {
            ranOn = QThread::currentThread();
            done = true;
        });
        ranBeforeReturn = done;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    EXPECT_TRUE(handedOver);
    EXPECT_TRUE(ranBeforeReturn);
    EXPECT_EQ(ranOn, QCoreApplication::instance()->thread());
}

TEST(UserInterface, MainThreadRunsFunctionDirectly) {
    THeadlessUserInterface ui;
    int calls = 0;
    EXPECT_TRUE(ui.RunOnMainThread([&] { ++calls; }));  // no event loop is running here
    EXPECT_EQ(calls, 1);
}

TEST(UserInterface, HeadlessAnswersNotShownAndIsTheFallback) {
    ResetGlobalSettings();
    SetUserInterface(nullptr);
    EXPECT_NE(dynamic_cast<THeadlessUserInterface*>(&UserInterface()), nullptr);
    TTask task;
    EXPECT_EQ(UserInterface().ShowAlertDialog(task, TAlertEvent::aeDiskSpan, QString(), QString(),
                                              QStringLiteral("RS")),
              AlertAnswer::NotShown);
    // The disk-span dialog is wanted by default but nobody can answer it.
    EXPECT_TRUE(AlertDialogWanted(task, TAlertEvent::aeDiskSpan));
    EXPECT_EQ(ShowAlert(task, TAlertEvent::aeDiskSpan, QString(), QStringLiteral("RS")),
              AlertAnswer::NotShown);

    TRecordingUserInterface recording;
    SetUserInterface(&recording);
    EXPECT_EQ(&UserInterface(), &recording);
    SetUserInterface(nullptr);
}

}  // namespace
