#include "ui/WindowUserInterface.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <thread>

#include "UiFixtures.h"
#include "logging/Alerts.h"
#include "model/Task.h"
#include "ui/MainWindow.h"

namespace {

class WindowUserInterface : public UiTest {};

TEST_F(WindowUserInterface, ButtonsAreCentredInTheirPanel) {
    const auto rs = AlertButtons(QStringLiteral("RS"));
    ASSERT_EQ(rs.size(), 2u);
    EXPECT_EQ(rs[0].Caption, QStringLiteral("&Retry"));
    EXPECT_EQ(rs[0].Left, 138);
    EXPECT_EQ(rs[0].Result, AlertAnswer::Retry);
    EXPECT_EQ(rs[1].Caption, QStringLiteral("&Stop"));
    EXPECT_EQ(rs[1].Left, 225);
    EXPECT_EQ(rs[1].Result, AlertAnswer::Stop);

    const auto one = AlertButtons(QStringLiteral("O"));
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].Left, 182);  // round((450 - 87) / 2)
    EXPECT_EQ(one[0].Result, AlertAnswer::Ok);
}

TEST_F(WindowUserInterface, EveryLetterHasItsAnswerAndAnUnknownOneKeepsItsSlot) {
    const auto all = AlertButtons(QStringLiteral("CIKXY"));
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0].Result, AlertAnswer::Ok);
    EXPECT_EQ(all[1].Result, AlertAnswer::Ignore);
    EXPECT_EQ(all[2].Result, AlertAnswer::Skip);
    EXPECT_FALSE(all[3].Visible);
    EXPECT_EQ(all[4].Caption, QStringLiteral("&Yes"));
    EXPECT_EQ(all[4].Left - all[2].Left, 2 * 87);
}

TEST_F(WindowUserInterface, AWorkersAlertIsAnsweredOnTheMainThread) {
    TWindowUserInterface ui(nullptr);
    Qt::HANDLE dialogThread = nullptr;
    QString shownName;
    ui.AlertDialog = [&](const QString& name, TAlertEvent event, const QString&, const QString& message,
                         const QString& buttons) {
        dialogThread = QThread::currentThreadId();
        shownName = name;
        EXPECT_EQ(event, TAlertEvent::aeError);
        EXPECT_EQ(message, QStringLiteral("disk full"));
        EXPECT_EQ(buttons, QStringLiteral("RS"));
        return AlertAnswer::Retry;
    };
    TTask task;
    task.Name = QStringLiteral("Nightly");
    std::atomic<int> answer{-1};
    std::thread worker([&] {
        answer = ui.ShowAlertDialog(task, TAlertEvent::aeError, QStringLiteral("Error"),
                                    QStringLiteral("disk full"), QStringLiteral("RS"));
    });
    // The main thread serves its events until the worker has its answer.
    QElapsedTimer waited;
    waited.start();
    while (answer.load() < 0 && waited.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
    EXPECT_EQ(answer.load(), AlertAnswer::Retry);
    EXPECT_EQ(dialogThread, QThread::currentThreadId());
    EXPECT_EQ(shownName, QStringLiteral("Nightly"));
}

TEST_F(WindowUserInterface, RefreshesFromWorkersReachTheWindowOnce) {
    TMainData data;
    TTask& task = data.Tasks.Add(std::make_unique<TTask>());
    task.Name = QStringLiteral("Busy");
    TMainWindow window(data, nullptr);
    TWindowUserInterface ui(&window);
    window.SelectTask(task.ID);
    ASSERT_NE(window.SelectedTask(), nullptr);
    task.IsRunning = true;  // as a run request would
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i)
            ui.RefreshTasks();
    });
    worker.join();
    EXPECT_EQ(window.StatusPanelText(1), QStringLiteral("0 Task(s) Running"));
    QCoreApplication::processEvents();
    EXPECT_EQ(window.StatusPanelText(1), QStringLiteral("1 Task(s) Running"));
    task.IsRunning = false;
}

}  // namespace
