// Runs through the worker thread and the runner: the run request's checks, the end handler, the queue,
// stop and suspension, and whole backup runs against real folders.
#include <gmock/gmock.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <memory>
#include <thread>

#include "engine/TaskRunner.h"
#include "engine/TaskThread.h"
#include "fixtures/TempHome.h"
#include "logging/TaskLogger.h"
#include "logging/UserInterface.h"
#include "model/Filters.h"
#include "model/Task.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "platform/ThreadPriority.h"
#include "settings/GlobalSettings.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// Answers alert dialogs from a script (per event) and counts what the engine asked of the window.
class TScriptedUserInterface : public THeadlessUserInterface {
public:
    int ShowAlertDialog(const TTask&, TAlertEvent event, const QString&, const QString& message,
                        const QString& buttons) override {
        dialogs.push_back({event, message, buttons});
        const auto it = answers.find(event);
        return it == answers.end() ? AlertAnswer::NotShown : it->second;
    }
    void RefreshTasks() override { refreshes.fetch_add(1); }

    struct TDialog {
        TAlertEvent event;
        QString message;
        QString buttons;
    };
    std::vector<TDialog> dialogs;
    std::map<TAlertEvent, int> answers;
    std::atomic<int> refreshes{0};
};

struct TEnded {
    QString name;
    TRunOutcome outcome;
};

class TaskRunnerTest : public TarnovexTest {
protected:
    void SetUp() override {
        ResetGlobalSettings();
        GlobalSettings().Performance.TempDirDefault = false;
        GlobalSettings().Performance.TempDirCustom = home.Path() + QStringLiteral("runtmp/");
        SetUserInterface(&ui);
        runner = std::make_unique<TTaskRunner>();
        runner->DiskPresent = [this](const TTask&) { return diskPresent; };
        runner->RunEnded = [this](TTask& task, const TRunOutcome& outcome) {
            ended.push_back({task.Name, outcome});
        };
        DateTime::SetClock([] { return DateTime::Encode(2024, 5, 6, 12, 0, 0); });
    }
    void TearDown() override {
        runner.reset();  // stops and waits for what is left
        for (auto& task : tasks)
            ForgetLogger(*task);
        SetUserInterface(nullptr);
        ResetGlobalSettings();
        TarnovexTest::TearDown();
    }

    TTask& NewTask(const QString& name) {
        auto task = std::make_unique<TTask>();
        task->Name = name;
        const QString base = home.Path() + name + QLatin1Char('/');
        FileSystem::MakePath(base + QStringLiteral("src"));
        TSourceFolder folder;
        folder.Folder = base + QStringLiteral("src/");
        folder.IncludeSubfolders = true;
        task->SourceFolders.push_back(folder);
        task->DestType = TDestKind::dkLocal;
        task->DestLocal = base + QStringLiteral("dst/");
        task->Filters = {MakeIncludeAllFilter()};
        task->Dial_UseDefault = false;
        task->RunPrograms_UseDefault = false;
        task->Log_UseDefault = false;
        task->Log_Enabled = true;
        task->Log_FileName = base + QStringLiteral("task.log");
        tasks.push_back(std::move(task));
        return *tasks.back();
    }
    static QString Source(const TTask& task) { return task.SourceFolders[0].Folder; }
    static void WriteFile(const QString& path, const QByteArray& data) {
        FileSystem::MakePath(FileSystem::ParentFolder(path));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    }

    static std::vector<TLogKind> Kinds(const TTask& task) {
        std::vector<TLogKind> kinds;
        for (const TLogItem& item : LoggerOf(task).Items())
            kinds.push_back(item.Kind);
        return kinds;
    }
    // The messages of one kind, without the "WARNING: " or "ERROR: " the log puts before them.
    static QStringList Texts(const TTask& task, TLogKind kind) {
        QStringList texts;
        for (const TLogItem& item : LoggerOf(task).Items()) {
            if (item.Kind != kind)
                continue;
            QString text = item.Text;
            for (const char* prefix : {"WARNING: ", "ERROR: "})
                if (text.startsWith(QLatin1String(prefix)))
                    text.remove(0, static_cast<int>(qstrlen(prefix)));
            texts << text;
        }
        return texts;
    }
    // Serves events until pred holds (the workers need the main thread for every record).
    static bool ServeUntil(const std::function<bool()>& pred, int timeoutMs = 20000) {
        QElapsedTimer timer;
        timer.start();
        while (!pred()) {
            if (timer.elapsed() > timeoutMs)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }
    // A started run that is held suspended until the test lets it go.
    TTask& HeldRun(const QString& name) {
        TTask& task = NewTask(name);
        WriteFile(Source(task) + QStringLiteral("a.txt"), "a");
        GlobalSettings().Main.Suspend = true;
        EXPECT_EQ(runner->Request(task, true), TRunRequestResult::Started);
        GlobalSettings().Main.Suspend = false;
        return task;
    }

    TScriptedUserInterface ui;
    std::unique_ptr<TTaskRunner> runner;
    std::vector<std::unique_ptr<TTask>> tasks;
    std::vector<TEnded> ended;
    bool diskPresent = true;
};

TEST_F(TaskRunnerTest, BackupRunCopiesFilesAndEndsAsFinished) {
    TTask& task = NewTask(QStringLiteral("Docs"));
    WriteFile(Source(task) + QStringLiteral("a.txt"), "alpha");
    WriteFile(Source(task) + QStringLiteral("sub/b.txt"), "beta");

    EXPECT_EQ(runner->Request(task, true), TRunRequestResult::Started);
    EXPECT_TRUE(task.IsRunning);
    EXPECT_NE(task.Worker, nullptr);
    EXPECT_DOUBLE_EQ(task.LastRun, DateTime::Encode(2024, 5, 6, 12, 0, 0));
    ASSERT_TRUE(runner->WaitUntilIdle(30000));

    QFile copy(task.DestLocal + QStringLiteral("sub/b.txt"));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), "beta");
    EXPECT_FALSE(task.IsRunning);
    EXPECT_EQ(task.Worker, nullptr);
    const std::vector<TLogKind> kinds = Kinds(task);
    ASSERT_FALSE(kinds.empty());
    EXPECT_EQ(kinds.front(), TLogKind::lkTaskStarted);
    EXPECT_EQ(kinds.back(), TLogKind::lkTaskFinished);
    const QStringList fileRecords = Texts(task, TLogKind::lkFile);
    EXPECT_EQ(fileRecords.filter(QStringLiteral("a.txt")).size(), 1) << fileRecords.join('\n').toStdString();
    EXPECT_EQ(fileRecords.filter(QStringLiteral("b.txt")).size(), 1) << fileRecords.join('\n').toStdString();
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_FALSE(ended[0].outcome.Aborted);
    EXPECT_EQ(ended[0].outcome.Errors, 0);
    // The run's private temporary folder is gone once it is empty.
    EXPECT_TRUE(QDir(GlobalSettings().Performance.TempDirCustom)
                    .entryList(QDir::NoDotAndDotDot | QDir::AllEntries)
                    .isEmpty());
    EXPECT_GT(ui.refreshes.load(), 0);

    // A second run of an unchanged source copies nothing and still finishes.
    EXPECT_EQ(runner->Request(task, false), TRunRequestResult::Started);
    ASSERT_TRUE(runner->WaitUntilIdle(30000));
    EXPECT_EQ(LoggerOf(task).Items().back().Kind, TLogKind::lkTaskFinished);
    EXPECT_EQ(ended.size(), 2u);
}

TEST_F(TaskRunnerTest, SynchronizationRunsInBothDirections) {
    TTask& task = NewTask(QStringLiteral("Sync"));
    task.TaskAction = TTaskAction::taSynchronize;
    WriteFile(Source(task) + QStringLiteral("left.txt"), "L");
    WriteFile(task.DestLocal + QStringLiteral("right.txt"), "R");
    ASSERT_EQ(runner->Request(task, true), TRunRequestResult::Started);
    ASSERT_TRUE(runner->WaitUntilIdle(30000));
    EXPECT_TRUE(QFile::exists(task.DestLocal + QStringLiteral("left.txt")));
    EXPECT_TRUE(QFile::exists(Source(task) + QStringLiteral("right.txt")));
    EXPECT_EQ(LoggerOf(task).Items().back().Kind, TLogKind::lkTaskFinished);
}

TEST_F(TaskRunnerTest, RequestsThatMayNotRunChangeNothing) {
    // Properties dialog open: nothing happens and nothing is written.
    TTask& locked = NewTask(QStringLiteral("Locked"));
    locked.EditLock = true;
    EXPECT_EQ(runner->Request(locked, true), TRunRequestResult::Refused);
    EXPECT_EQ(LoggerOf(locked).Count(), 0);
    EXPECT_FALSE(locked.IsRunning);

    // A scheduled run of a flagged task is ignored silently; a manual run clears the flag and runs.
    TTask& flagged = NewTask(QStringLiteral("Flagged"));
    flagged.RaiseErrorFlag(DateTime::Encode(2024, 5, 6, 11, 0, 0));
    EXPECT_EQ(runner->Request(flagged, false), TRunRequestResult::Refused);
    EXPECT_EQ(LoggerOf(flagged).Count(), 0);
    EXPECT_TRUE(flagged.ErrorFlag);
    EXPECT_EQ(runner->Request(flagged, true), TRunRequestResult::Started);
    EXPECT_FALSE(flagged.ErrorFlag);
    ASSERT_TRUE(runner->WaitUntilIdle(30000));

    // The required removable disk is absent.
    TTask& media = NewTask(QStringLiteral("Media"));
    media.SmartDetectUse = true;
    media.SmartDetectNoMediaNoRun = true;
    diskPresent = false;
    EXPECT_EQ(runner->Request(media, false), TRunRequestResult::Refused);
    EXPECT_THAT(Texts(media, TLogKind::lkWarning),
                ElementsAre(QStringLiteral("Task not started - required disk not present (as per settings in "
                                           "\"Task Properties -> Media SmartDetect\")")));
    EXPECT_FALSE(media.IsRunning);
}

TEST_F(TaskRunnerTest, InvalidTaskRaisesTheErrorFlagAndAborts) {
    TTask& task = NewTask(QStringLiteral("Broken"));
    task.DestLocal.clear();
    const QString error = task.Validate();
    ASSERT_FALSE(error.isEmpty());
    EXPECT_EQ(runner->Request(task, true), TRunRequestResult::Refused);
    EXPECT_TRUE(task.ErrorFlag);
    EXPECT_FALSE(task.IsRunning);
    EXPECT_THAT(Kinds(task),
                ElementsAre(TLogKind::lkTaskStarted, TLogKind::lkError, TLogKind::lkTaskAborted));
    EXPECT_EQ(Texts(task, TLogKind::lkError).value(0), error);
    // A later scheduled run does nothing at all.
    const int records = LoggerOf(task).Count();
    EXPECT_EQ(runner->Request(task, false), TRunRequestResult::Refused);
    EXPECT_EQ(LoggerOf(task).Count(), records);
}

TEST_F(TaskRunnerTest, StartAlertAnsweredStopEndsBeforeAnyWork) {
    TTask& task = NewTask(QStringLiteral("Asked"));
    WriteFile(Source(task) + QStringLiteral("a.txt"), "a");
    task.EventAlerts_UseDefault = false;
    AlertOf(task.EventAlerts, TAlertSet::Manual, TAlertEventKind::Start).Dialog = true;
    ui.answers[TAlertEvent::aeStart] = AlertAnswer::Stop;
    task.LastRun = 0;

    EXPECT_EQ(runner->Request(task, true), TRunRequestResult::Refused);
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].buttons, QStringLiteral("CS"));
    EXPECT_EQ(ui.dialogs[0].message, QStringLiteral("Task started."));
    EXPECT_THAT(Kinds(task), ElementsAre(TLogKind::lkTaskStarted, TLogKind::lkTaskAborted));
    EXPECT_DOUBLE_EQ(task.LastRun, DateTime::Encode(2024, 5, 6, 12, 0, 0));
    EXPECT_FALSE(task.IsRunning);
    EXPECT_FALSE(QFile::exists(task.DestLocal + QStringLiteral("a.txt")));
}

TEST_F(TaskRunnerTest, FinishAlertAndAnsweringStopInsideTheRun) {
    TTask& task = NewTask(QStringLiteral("Alerts"));
    WriteFile(Source(task) + QStringLiteral("a.txt"), "a");
    task.EventAlerts_UseDefault = false;
    AlertOf(task.EventAlerts, TAlertSet::Manual, TAlertEventKind::Finish).Dialog = true;
    ASSERT_EQ(runner->Request(task, true), TRunRequestResult::Started);
    ASSERT_TRUE(runner->WaitUntilIdle(30000));
    ASSERT_FALSE(ui.dialogs.empty());
    EXPECT_EQ(ui.dialogs.back().event, TAlertEvent::aeFinish);
    EXPECT_EQ(ui.dialogs.back().buttons, QStringLiteral("O"));
    EXPECT_EQ(ui.dialogs.back().message, QStringLiteral("Task finished."));
}

TEST_F(TaskRunnerTest, SecondStartOfARunningTaskIsRefused) {
    TTask& task = HeldRun(QStringLiteral("Held"));
    EXPECT_THAT(
        Texts(task, TLogKind::lkWarning),
        Contains(QStringLiteral("Starting Task in Suspended Mode! Click \"Global Suspend\" on the toolbar "
                                "to resume suspended operations.")));
    TTaskThread* worker = task.Worker;
    EXPECT_EQ(runner->Request(task, true), TRunRequestResult::Refused);
    EXPECT_EQ(Texts(task, TLogKind::lkWarning).count(QStringLiteral("Already running.")), 1);
    EXPECT_EQ(task.Worker, worker);
    EXPECT_TRUE(task.IsRunning);

    runner->SetSuspended(task, false);
    EXPECT_THAT(Texts(task, TLogKind::lkWarning), Contains(QStringLiteral("The Task is unsuspended!")));
    ASSERT_TRUE(runner->WaitUntilIdle(30000));
    EXPECT_EQ(LoggerOf(task).Items().back().Kind, TLogKind::lkTaskFinished);
}

TEST_F(TaskRunnerTest, SuspendedRunDoesNotProceedUntilResumedAndStopEndsIt) {
    TTask& task = HeldRun(QStringLiteral("Paused"));
    EXPECT_TRUE(runner->IsSuspended(task));
    // However long the main thread serves events, a suspended run copies nothing and does not end.
    EXPECT_FALSE(runner->WaitUntilIdle(300));
    EXPECT_FALSE(QFile::exists(task.DestLocal + QStringLiteral("a.txt")));
    EXPECT_TRUE(task.IsRunning);

    runner->RequestStop(task);  // wakes the suspended worker
    ASSERT_TRUE(runner->WaitUntilIdle(30000));
    EXPECT_EQ(LoggerOf(task).Items().back().Kind, TLogKind::lkTaskAborted);
    EXPECT_THAT(Kinds(task), Not(Contains(TLogKind::lkTaskFinished)));
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_TRUE(ended[0].outcome.Aborted);
    EXPECT_FALSE(task.IsRunning);
}

TEST_F(TaskRunnerTest, PerTaskSuspendWritesItsWarningsOnce) {
    TTask& task = HeldRun(QStringLiteral("Toggle"));
    runner->SetSuspended(task, false);
    runner->SetSuspended(task, true);
    runner->SetSuspended(task, true);  // already suspended: nothing
    EXPECT_THAT(
        Texts(task, TLogKind::lkWarning).filter(QStringLiteral("The Task is")),
        ElementsAre(QStringLiteral("The Task is unsuspended!"),
                    QStringLiteral("The Task is suspended! Click \"Suspend/Resume\" on the toolbar to "
                                   "resume Task.")));
    runner->ApplyGlobalSuspend(task, false);  // the global switch writes no record
    EXPECT_EQ(Texts(task, TLogKind::lkWarning).filter(QStringLiteral("The Task is")).size(), 2);
    ASSERT_TRUE(runner->WaitUntilIdle(30000));
}

TEST_F(TaskRunnerTest, QueueStartsTheLastRequestFirstWhenOneRunAtATime) {
    GlobalSettings().Performance.DisallowSimultaneousBackup = true;
    TTask& first = HeldRun(QStringLiteral("First"));
    TTask& second = NewTask(QStringLiteral("Second"));
    TTask& third = NewTask(QStringLiteral("Third"));
    EXPECT_EQ(runner->Request(second, false), TRunRequestResult::Queued);
    EXPECT_EQ(runner->Request(third, false), TRunRequestResult::Queued);
    EXPECT_EQ(runner->RunningCount(), 1);
    EXPECT_EQ(runner->WaitingCount(), 2);
    EXPECT_THAT(Texts(second, TLogKind::lkSummary), ElementsAre(QStringLiteral("Waiting for the queue.")));
    EXPECT_TRUE(second.IsRunning);

    runner->SetSuspended(first, false);
    ASSERT_TRUE(runner->WaitUntilIdle(30000));
    ASSERT_EQ(ended.size(), 3u);
    EXPECT_EQ(ended[0].name, QStringLiteral("First"));
    EXPECT_EQ(ended[1].name, QStringLiteral("Third"));
    EXPECT_EQ(ended[2].name, QStringLiteral("Second"));
    EXPECT_THAT(Texts(third, TLogKind::lkSummary), Contains(QStringLiteral("Queue OK.")));
    EXPECT_EQ(LoggerOf(second).Items().back().Kind, TLogKind::lkTaskFinished);
}

TEST_F(TaskRunnerTest, StoppingAQueuedRunEndsItWithoutStartingIt) {
    GlobalSettings().Performance.DisallowSimultaneousBackup = true;
    TTask& first = HeldRun(QStringLiteral("Running"));
    TTask& waiting = NewTask(QStringLiteral("Waiting"));
    waiting.RunPrograms_UseDefault = false;
    waiting.Before = true;
    const QString marker = home.Path() + QStringLiteral("before-ran");
    waiting.BeforeProgramName = QStringLiteral("touch \"") + marker + QLatin1Char('"');
    ASSERT_EQ(runner->Request(waiting, false), TRunRequestResult::Queued);
    runner->RequestStop(waiting);
    EXPECT_FALSE(waiting.IsRunning);
    EXPECT_EQ(waiting.Worker, nullptr);
    EXPECT_EQ(LoggerOf(waiting).Items().back().Kind, TLogKind::lkTaskAborted);
    EXPECT_EQ(runner->WaitingCount(), 0);

    runner->SetSuspended(first, false);
    ASSERT_TRUE(runner->WaitUntilIdle(30000));
    EXPECT_FALSE(QFile::exists(marker));
}

TEST_F(TaskRunnerTest, RunAsAnotherUserFailsButTheBeforeStepsRun) {
    TTask& task = NewTask(QStringLiteral("Other"));
    WriteFile(Source(task) + QStringLiteral("a.txt"), "a");
    task.AuthUser = QStringLiteral("someone");
    task.Before = true;
    const QString marker = home.Path() + QStringLiteral("before ran");
    task.BeforeProgramName = QStringLiteral("touch \"") + marker + QLatin1Char('"');
    task.BeforeWaitProgram = true;
    ASSERT_EQ(runner->Request(task, true), TRunRequestResult::Started);
    ASSERT_TRUE(runner->WaitUntilIdle(30000));
    EXPECT_THAT(Texts(task, TLogKind::lkError),
                ElementsAre(QStringLiteral(
                    "Login failed! running a task as another user is not supported on this system.")));
    EXPECT_TRUE(QFile::exists(marker));
    EXPECT_FALSE(QFile::exists(task.DestLocal + QStringLiteral("a.txt")));
    EXPECT_EQ(LoggerOf(task).Items().back().Kind, TLogKind::lkTaskAborted);
    // No temporary folder was made for the failed login.
    EXPECT_FALSE(QDir(GlobalSettings().Performance.TempDirCustom).exists() &&
                 !QDir(GlobalSettings().Performance.TempDirCustom)
                      .entryList(QDir::NoDotAndDotDot | QDir::AllEntries)
                      .isEmpty());
}

TEST_F(TaskRunnerTest, StopAllEndsEveryRun) {
    TTask& a = HeldRun(QStringLiteral("A"));
    TTask& b = HeldRun(QStringLiteral("B"));
    EXPECT_EQ(runner->RunningCount(), 2);
    runner->StopAll();
    ASSERT_TRUE(runner->WaitUntilIdle(30000));
    EXPECT_EQ(LoggerOf(a).Items().back().Kind, TLogKind::lkTaskAborted);
    EXPECT_EQ(LoggerOf(b).Items().back().Kind, TLogKind::lkTaskAborted);
    EXPECT_EQ(runner->RunningCount(), 0);
}

TEST(SmartDetect, TheLastCriterionThatIsSetDecidesAlone) {
    TTask task;
    EXPECT_TRUE(
        SmartDetectMatch(task, QStringLiteral("/media/usb"), QStringLiteral("X"), QStringLiteral("1")));
    task.SmartDetectDriveLetter = QStringLiteral("/media/usb/");
    EXPECT_TRUE(SmartDetectMatch(task, QStringLiteral("/media/usb"), QString(), QString()));
    EXPECT_FALSE(SmartDetectMatch(task, QStringLiteral("/media/other"), QString(), QString()));
    task.SmartDetectVolumeInfo = QStringLiteral("BACKUP");
    // The label decides, whatever the mount point.
    EXPECT_TRUE(SmartDetectMatch(task, QStringLiteral("/media/other"), QStringLiteral("BACKUP"), QString()));
    EXPECT_FALSE(SmartDetectMatch(task, QStringLiteral("/media/usb"), QStringLiteral("backup"), QString()));
    task.SmartDetectSerialNumber = QStringLiteral("1A2B3C4D");
    EXPECT_TRUE(
        SmartDetectMatch(task, QStringLiteral("/x"), QStringLiteral("other"), QStringLiteral("1A2B3C4D")));
    EXPECT_FALSE(
        SmartDetectMatch(task, QStringLiteral("/media/usb"), QStringLiteral("BACKUP"), QStringLiteral("0")));
}

TEST(ThreadPriority, LoweringTheWorkerLeavesOtherThreadsAlone) {
    int workerNice = 100;
    std::thread worker([&workerNice] { workerNice = SetCurrentThreadPriority(1); });
    worker.join();
    EXPECT_EQ(workerNice, 10);
    errno = 0;
    EXPECT_NE(SetCurrentThreadPriority(3), 10);  // this thread was never lowered
}

}  // namespace
