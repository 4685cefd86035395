#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <condition_variable>
#include <thread>

#include "LoggingFixture.h"

namespace {

class TaskLogger : public LoggingTest {
protected:
    void SetUp() override {
        LoggingTest::SetUp();
        task.Name = QStringLiteral("Nightly documents");
    }
    // A task with its own log settings writing to the bare file name.
    void UseOwnLog(const QString& fileName, int maxSize) {
        task.Log_UseDefault = false;
        task.Log_FileName = fileName;
        task.MaxSize = maxSize;
    }
    QList<QByteArray> Lines(const QString& path) const {
        QList<QByteArray> lines = ReadFile(path).split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

    TTask task;
};

TEST_F(TaskLogger, LineHoldsNameTimestampAndRecordTextEndingInCrLf) {
    LoggerOf(task).Log(TLogKind::lkTaskStarted, QStringLiteral("anything"));
    EXPECT_EQ(ReadFile(DefaultLogPath()),
              QByteArray("Nightly documents - 08.12.2026 21:30:05: Task started.\r\n"));

    TTaskLogger& logger = LoggerOf(task);
    ASSERT_EQ(logger.Count(), 1);
    EXPECT_EQ(logger.Item(0).Kind, TLogKind::lkTaskStarted);
    EXPECT_EQ(logger.Item(0).Text, QStringLiteral("Task started."));
    EXPECT_TRUE(DateTime::SameTime(logger.Item(0).Time, now));
    EXPECT_EQ(logger.LogItemText(0), QStringLiteral("08.12.2026 21:30:05 Task started."));
}

TEST_F(TaskLogger, RecordTextFollowsKindAndIgnoresMessageOfRunRecords) {
    TTaskLogger& logger = LoggerOf(task);
    logger.Log(TLogKind::lkTaskFinished, QStringLiteral("ignored"));
    logger.Log(TLogKind::lkTaskAborted, QString());
    logger.Log(TLogKind::lkSummary, QStringLiteral("3 files copied"));
    logger.Log(TLogKind::lkFile, QStringLiteral("/home/ann/a.txt"));
    logger.Log(TLogKind::lkSkipped, QStringLiteral("b.txt"));
    logger.Log(TLogKind::lkWarning, QStringLiteral("in use"));
    logger.Log(TLogKind::lkError, QStringLiteral("cannot read"));
    logger.Log(TLogKind::lkFtp, QStringLiteral("» NOOP"));
    logger.Log(TLogKind::lkConsole, QStringLiteral("done"));
    const QStringList expected = {QStringLiteral("Task finished."),
                                  QStringLiteral("Task ABORTED!"),
                                  QStringLiteral("3 files copied"),
                                  QStringLiteral("/home/ann/a.txt"),
                                  QStringLiteral("b.txt"),
                                  QStringLiteral("WARNING: in use"),
                                  QStringLiteral("ERROR: cannot read"),
                                  QStringLiteral("» NOOP"),
                                  QStringLiteral("Console: done")};
    ASSERT_EQ(logger.Count(), expected.size());
    for (int i = 0; i < logger.Count(); ++i)
        EXPECT_EQ(logger.Item(i).Text, expected[i]) << i;
    const QList<QByteArray> lines = Lines(DefaultLogPath());
    ASSERT_EQ(lines.size(), expected.size());
    EXPECT_EQ(lines[7], QStringLiteral("Nightly documents - 08.12.2026 21:30:05: » NOOP\r").toUtf8());
}

TEST_F(TaskLogger, EmptyRecordTextProducesNothing) {
    TTaskLogger& logger = LoggerOf(task);
    logger.Log(TLogKind::lkSummary, QString());
    logger.Log(TLogKind::lkFile, QString());
    logger.Log(static_cast<TLogKind>(10), QStringLiteral("unknown kind"));
    EXPECT_EQ(logger.Count(), 0);
    EXPECT_FALSE(QFileInfo::exists(DefaultLogPath()));
    // A warning's prefix alone is a record.
    logger.Log(TLogKind::lkWarning, QString());
    ASSERT_EQ(logger.Count(), 1);
    EXPECT_EQ(logger.Item(0).Text, QStringLiteral("WARNING: "));
}

TEST_F(TaskLogger, PercentSignsAreDoubledInFileRecordBalloonAndObserver) {
    QStringList observed;
    SetLogObserver([&](const TTask&, TLogKind, const QString& text, TDateTime) { observed << text; });
    LoggerOf(task).Log(TLogKind::lkError, QStringLiteral("100% of %d"));
    EXPECT_EQ(LoggerOf(task).Item(0).Text, QStringLiteral("ERROR: 100%% of %%d"));
    EXPECT_EQ(ReadFile(DefaultLogPath()),
              QByteArray("Nightly documents - 08.12.2026 21:30:05: ERROR: 100%% of %%d\r\n"));
    ASSERT_EQ(ui.Balloons.size(), 1u);
    EXPECT_EQ(ui.Balloons[0].Text, QStringLiteral("ERROR: 100%% of %%d"));
    EXPECT_EQ(observed, QStringList{QStringLiteral("ERROR: 100%% of %%d")});
}

TEST_F(TaskLogger, MidnightLineCarriesOnlyTheDate) {
    now = DateTime::Encode(2026, 12, 8);
    LoggerOf(task).Log(TLogKind::lkSummary, QStringLiteral("tick"));
    now = DateTime::Encode(2026, 12, 8, 0, 0, 1);
    LoggerOf(task).Log(TLogKind::lkSummary, QStringLiteral("tock"));
    EXPECT_EQ(ReadFile(DefaultLogPath()), QByteArray("Nightly documents - 08.12.2026: tick\r\n"
                                                     "Nightly documents - 08.12.2026 00:00:01: tock\r\n"));
    // The exported item text always shows the time.
    EXPECT_EQ(LoggerOf(task).LogItemText(0), QStringLiteral("08.12.2026 00:00:00 tick"));
}

TEST_F(TaskLogger, ExcludedWarningGivesNoLineNoRecordAndNoAlert) {
    TRecordingEmailNotifier mail;
    SetEmailNotifier(&mail);
    GlobalSettings().TasksDefaults.LogIncludeWarnings = false;
    AlertOf(GlobalSettings().TasksDefaults.Events, TAlertSet::Scheduled, TAlertEventKind::Warning).EmailUse =
        true;
    QStringList observed;
    SetLogObserver([&](const TTask&, TLogKind, const QString& text, TDateTime) { observed << text; });

    LoggerOf(task).Log(TLogKind::lkWarning, QStringLiteral("in use"));
    EXPECT_EQ(LoggerOf(task).Count(), 0);
    EXPECT_FALSE(QFileInfo::exists(DefaultLogPath()));
    EXPECT_TRUE(ui.Silent());
    EXPECT_TRUE(mail.Mails.empty());
    EXPECT_TRUE(observed.isEmpty());

    // Errors are still included.
    LoggerOf(task).Log(TLogKind::lkError, QStringLiteral("broken"));
    EXPECT_EQ(LoggerOf(task).Count(), 1);
}

TEST_F(TaskLogger, DisabledLogStillRaisesAlertsButWritesAndKeepsNothing) {
    UseOwnLog(QStringLiteral("Tarnovex.log"), 0);
    task.Log_Enabled = false;
    LoggerOf(task).Log(TLogKind::lkError, QStringLiteral("broken"));
    EXPECT_EQ(LoggerOf(task).Count(), 0);
    EXPECT_FALSE(QFileInfo::exists(DefaultLogPath()));
    ASSERT_EQ(ui.Balloons.size(), 1u);
    EXPECT_EQ(ui.Balloons[0].Icon, TBalloonIcon::biError);
    EXPECT_EQ(ui.Sounds.size(), 1);
    // The start of a run is remembered even though no record was kept.
    LoggerOf(task).Log(TLogKind::lkTaskStarted, QString());
    EXPECT_EQ(LoggerOf(task).RunStartIndex(), -1);
    EXPECT_TRUE(LoggerOf(task).CurrentRunItemTexts().isEmpty());
}

TEST_F(TaskLogger, FileNameBareInDataFolderRelativeAgainstCurrentFolder) {
    UseOwnLog(QStringLiteral("own.log"), 0);
    EXPECT_EQ(LoggerOf(task).LogFileName(), home.File(QStringLiteral("own.log")));

    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir().mkpath(home.File(QStringLiteral("cwd"))));
    ASSERT_TRUE(QDir::setCurrent(home.File(QStringLiteral("cwd"))));
    task.Log_FileName = QStringLiteral("logs/../logs/nested/run.log");
    const QString expected = home.File(QStringLiteral("cwd/logs/nested/run.log"));
    EXPECT_EQ(QFileInfo(LoggerOf(task).LogFileName()).absoluteFilePath(),
              QFileInfo(expected).absoluteFilePath());
    // Missing parent folders are created.
    LoggerOf(task).Log(TLogKind::lkSummary, QStringLiteral("here"));
    QDir::setCurrent(previous);
    EXPECT_EQ(ReadFile(expected), QByteArray("Nightly documents - 08.12.2026 21:30:05: here\r\n"));

    task.Log_FileName = home.File(QStringLiteral("abs/x.log"));
    EXPECT_EQ(LoggerOf(task).LogFileName(), home.File(QStringLiteral("abs/x.log")));
}

TEST_F(TaskLogger, UnwritableFileLosesLineButKeepsRecord) {
    UseOwnLog(QString(), 0);  // the path is the data folder itself
    LoggerOf(task).Log(TLogKind::lkSummary, QStringLiteral("lost"));
    EXPECT_EQ(LoggerOf(task).Count(), 1);
    EXPECT_TRUE(QFileInfo(LoggerOf(task).LogFileName()).isDir());
}

TEST_F(TaskLogger, FirstLoggerEmptiesDefaultLogOncePerSession) {
    home.WriteFile(QStringLiteral("Tarnovex.log"), QByteArray("yesterday\r\n"));
    LoggerOf(task).Log(TLogKind::lkSummary, QStringLiteral("today"));
    const QByteArray today("Nightly documents - 08.12.2026 21:30:05: today\r\n");
    EXPECT_EQ(ReadFile(DefaultLogPath()), today);

    // Building another task object (a duplicate) must not wipe what this session wrote.
    TTask duplicate;
    duplicate.Name = QStringLiteral("Copy");
    LoggerOf(duplicate);
    TTaskLogger standalone(&task);
    EXPECT_EQ(ReadFile(DefaultLogPath()), today);

    // The next program session starts with an empty log.
    ForgetLogStartChecks();
    TTaskLogger nextSession(&task);
    EXPECT_EQ(ReadFile(DefaultLogPath()), QByteArray());
}

TEST_F(TaskLogger, StartCheckUsesDefaultsNotTheTasksOwnSettings) {
    const QString own = home.WriteFile(QStringLiteral("own.log"), QByteArray(2048, 'x'));
    home.WriteFile(QStringLiteral("Tarnovex.log"), QByteArray("old\r\n"));
    UseOwnLog(QStringLiteral("own.log"), 1);
    TTaskLogger logger(&task);
    EXPECT_EQ(QFileInfo(own).size(), 2048);
    EXPECT_EQ(QFileInfo(DefaultLogPath()).size(), 0);
}

TEST_F(TaskLogger, StartCheckWithMaxSizeEmptiesFromExactlyTheLimit) {
    GlobalSettings().TasksDefaults.LogMaxSize = 10;
    home.WriteFile(QStringLiteral("Tarnovex.log"), QByteArray(10239, 'x'));
    TTaskLogger below(&task);
    EXPECT_EQ(QFileInfo(DefaultLogPath()).size(), 10239);

    ForgetLogStartChecks();
    home.WriteFile(QStringLiteral("Tarnovex.log"), QByteArray(10240, 'x'));
    TTaskLogger atLimit(&task);
    EXPECT_EQ(QFileInfo(DefaultLogPath()).size(), 0);
}

TEST_F(TaskLogger, PeriodicCheckRunsAfterThe101stLine) {
    const QString own = home.WriteFile(QStringLiteral("own.log"), QByteArray(50 * 1024, 'x'));
    UseOwnLog(QStringLiteral("own.log"), 10);
    TTaskLogger& logger = LoggerOf(task);
    for (int i = 0; i < 100; ++i)
        logger.Log(TLogKind::lkFile, QStringLiteral("f"));
    EXPECT_EQ(logger.WritesSinceCheck(), 100);
    EXPECT_GT(QFileInfo(own).size(), 50 * 1024);

    logger.Log(TLogKind::lkFile, QStringLiteral("f"));
    EXPECT_EQ(logger.WritesSinceCheck(), 0);
    EXPECT_EQ(QFileInfo(own).size(), 0);
    logger.Log(TLogKind::lkFile, QStringLiteral("g"));
    EXPECT_EQ(ReadFile(own), QByteArray("Nightly documents - 08.12.2026 21:30:05: g\r\n"));
}

TEST_F(TaskLogger, OwnMaxSizeZeroNeverEmptiesTheFile) {
    const QString own = home.WriteFile(QStringLiteral("own.log"), QByteArray(50 * 1024, 'x'));
    UseOwnLog(QStringLiteral("own.log"), 0);
    for (int i = 0; i < 101; ++i)
        LoggerOf(task).Log(TLogKind::lkFile, QStringLiteral("f"));
    EXPECT_EQ(LoggerOf(task).WritesSinceCheck(), 0);
    EXPECT_GT(QFileInfo(own).size(), 50 * 1024);
}

TEST_F(TaskLogger, BusyLogFileDropsTheLineAfterWaiting) {
    std::mutex m;
    std::condition_variable cv;
    bool held = false;
    bool release = false;
    std::thread holder([&] {
        std::lock_guard flag(LogFileBusyFlag());
        std::unique_lock lock(m);
        held = true;
        cv.notify_all();
        cv.wait(lock, [&] { return release; });
    });
    {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return held; });
    }
    LoggerOf(task).Log(TLogKind::lkSummary, QStringLiteral("dropped"));
    {
        std::lock_guard lock(m);
        release = true;
    }
    cv.notify_all();
    holder.join();

    EXPECT_FALSE(QFileInfo::exists(DefaultLogPath()));
    EXPECT_EQ(LoggerOf(task).WritesSinceCheck(), 0);
    EXPECT_EQ(LoggerOf(task).Count(), 1);  // only the line is lost
    LoggerOf(task).Log(TLogKind::lkSummary, QStringLiteral("written"));
    EXPECT_EQ(LoggerOf(task).WritesSinceCheck(), 1);
}

TEST_F(TaskLogger, RunStartIndexPointsAtTheLastStartRecord) {
    TTaskLogger& logger = LoggerOf(task);
    EXPECT_EQ(logger.RunStartIndex(), 0);
    logger.Log(TLogKind::lkTaskStarted, QString());
    logger.Log(TLogKind::lkFile, QStringLiteral("a"));
    logger.Log(TLogKind::lkTaskFinished, QString());
    logger.Log(TLogKind::lkTaskStarted, QString());
    logger.Log(TLogKind::lkFile, QStringLiteral("b"));
    EXPECT_EQ(logger.RunStartIndex(), 3);
    EXPECT_EQ(logger.CurrentRunItemTexts(), (QStringList{QStringLiteral("08.12.2026 21:30:05 Task started."),
                                                         QStringLiteral("08.12.2026 21:30:05 b")}));

    // A start record that its Include switch suppresses is no start of the kept records.
    GlobalSettings().TasksDefaults.LogIncludeSummary = false;
    logger.Log(TLogKind::lkTaskStarted, QString());
    EXPECT_EQ(logger.RunStartIndex(), 3);

    logger.Clear();
    EXPECT_EQ(logger.Count(), 0);
    EXPECT_EQ(logger.RunStartIndex(), 0);
    logger.Log(TLogKind::lkFile, QStringLiteral("c"));
    EXPECT_EQ(logger.CurrentRunItemTexts(), QStringList{QStringLiteral("08.12.2026 21:30:05 c")});
    EXPECT_FALSE(ReadFile(DefaultLogPath()).isEmpty());  // clearing leaves the file alone
}

TEST_F(TaskLogger, KeptRecordsAreBoundedAndRunStartFollowsItsRecord) {
    TTaskLogger& logger = LoggerOf(task);
    EXPECT_EQ(logger.MaxItems(), TTaskLogger::kDefaultMaxItems);
    logger.SetMaxItems(4);
    logger.Log(TLogKind::lkFile, QStringLiteral("1"));
    logger.Log(TLogKind::lkFile, QStringLiteral("2"));
    logger.Log(TLogKind::lkTaskStarted, QString());
    logger.Log(TLogKind::lkFile, QStringLiteral("3"));
    EXPECT_EQ(logger.RunStartIndex(), 2);

    logger.Log(TLogKind::lkFile, QStringLiteral("4"));
    ASSERT_EQ(logger.Count(), 4);
    EXPECT_EQ(logger.Item(0).Text, QStringLiteral("2"));
    EXPECT_EQ(logger.Item(logger.RunStartIndex()).Text, QStringLiteral("Task started."));

    logger.Log(TLogKind::lkFile, QStringLiteral("5"));
    EXPECT_EQ(logger.Item(logger.RunStartIndex()).Text, QStringLiteral("Task started."));
    EXPECT_EQ(logger.RunStartIndex(), 0);

    // Once the start record itself is dropped the run begins at the oldest kept record.
    logger.Log(TLogKind::lkFile, QStringLiteral("6"));
    EXPECT_EQ(logger.RunStartIndex(), 0);
    EXPECT_EQ(logger.Item(0).Text, QStringLiteral("3"));
    EXPECT_EQ(logger.CurrentRunItemTexts().size(), 4);
}

TEST_F(TaskLogger, RegistryKeepsOneLoggerPerTaskObject) {
    TTask other;
    TTaskLogger& first = LoggerOf(task);
    EXPECT_EQ(&LoggerOf(task), &first);
    EXPECT_NE(&LoggerOf(other), &first);
    EXPECT_EQ(FindLogger(task), &first);
    EXPECT_EQ(first.Task(), &task);
    first.Log(TLogKind::lkFile, QStringLiteral("a"));
    ForgetLogger(task);
    EXPECT_EQ(FindLogger(task), nullptr);
    EXPECT_EQ(LoggerOf(task).Count(), 0);
    EXPECT_NE(FindLogger(other), nullptr);
}

TEST_F(TaskLogger, LinesFromSeveralThreadsStayWhole) {
    TTask other;
    other.Name = QStringLiteral("Other");
    constexpr int kPerThread = 150;
    const auto produce = [](const TTask& t) {
        for (int i = 0; i < kPerThread; ++i)
            LoggerOf(t).Log(TLogKind::lkFile, QStringLiteral("file number %1").arg(i));
    };
    std::thread a(produce, std::cref(task));
    std::thread b(produce, std::cref(other));
    std::thread reader([&] {
        for (int i = 0; i < kPerThread; ++i)
            (void)LoggerOf(task).Items();
    });
    a.join();
    b.join();
    reader.join();
    EXPECT_EQ(LoggerOf(task).Count(), kPerThread);
    EXPECT_EQ(LoggerOf(other).Count(), kPerThread);
    const QList<QByteArray> lines = Lines(DefaultLogPath());
    ASSERT_EQ(lines.size(), 2 * kPerThread);
    for (const QByteArray& line : lines) {
        EXPECT_TRUE(line.endsWith('\r'));
        EXPECT_TRUE(line.startsWith("Nightly documents - ") || line.startsWith("Other - "))
            << line.constData();
    }
}

}  // namespace
