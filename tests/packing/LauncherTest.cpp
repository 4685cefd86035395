#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>

#include <QDir>
#include <QFile>
#include <QThread>
#include <cerrno>
#include <ostream>

#include "RecordingRun.h"
#include "fixtures/TempHome.h"
#include "packing/CommandLine.h"
#include "packing/Launcher.h"
#include "platform/FileSystem.h"

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class LauncherTest : public TarnovexTest {
protected:
    void SetUp() override {
        bin = home.Path() + QStringLiteral("bin/");
        QDir().mkpath(bin);
        run.Temp = home.Path() + QStringLiteral("run/");
        QDir().mkpath(run.Temp);
        previousPath = qgetenv("PATH");
        // Bare program names of the tests are found in bin/ through PATH.
        qputenv("PATH", bin.toUtf8() + ':' + previousPath);
    }
    void TearDown() override {
        qputenv("PATH", previousPath);
        TarnovexTest::TearDown();
    }

    // A shell script in bin/ (the script itself runs under /bin/sh through its first line; the launcher
    // never involves a shell).
    QString Script(const QString& name, const QByteArray& body, bool executable = true) {
        const QString path = bin + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("#!/bin/sh\n" + body + "\n");
        file.close();
        ::chmod(path.toUtf8().constData(), executable ? 0755 : 0644);
        return path;
    }

    static QByteArray ReadFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Waits (bounded) until a file appears; programs started without waiting report nothing back.
    static bool WaitForFile(const QString& path) {
        for (int i = 0; i < 1000; ++i) {
            if (QFile::exists(path))
                return true;
            QThread::msleep(10);
        }
        return false;
    }

    // Waits (bounded) until the process no longer runs: a killed process ends when it is next scheduled.
    static bool WaitForEnd(const QByteArray& pid) {
        for (int i = 0; i < 1000; ++i) {
            if (ProcessEnded(pid))
                return true;
            QThread::msleep(10);
        }
        return false;
    }

    // True when the process no longer runs (gone, or a zombie nobody has reaped yet).
    static bool ProcessEnded(const QByteArray& pid) {
        QFile stat(QStringLiteral("/proc/") + QString::fromLatin1(pid.trimmed()) + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            return true;
        const QByteArray text = stat.readAll();
        const qsizetype close = text.lastIndexOf(')');
        return close >= 0 && close + 2 < text.size() && (text[close + 2] == 'Z' || text[close + 2] == 'X');
    }

    TLaunchResult Launch(const QString& commandLine, bool capture = true) {
        TCustomExternalLauncher launcher(task, &run);
        const qsizetype blank = commandLine.indexOf(QLatin1Char(' '));
        return launcher.LaunchProgram(run.Temp, commandLine.left(blank < 0 ? commandLine.size() : blank),
                                      blank < 0 ? QString() : commandLine.mid(blank + 1), capture);
    }

    TTask task;
    TRecordingRun run{task};
    QString bin;
    QByteArray previousPath;
};

TEST_F(LauncherTest, CrLfEndsOneConsoleLineAndTheEmptyLineBetweenIsNotLogged) {
    Script(QStringLiteral("prog"), "printf 'Done\\r\\n'");
    const TLaunchResult result = Launch(QStringLiteral("prog"));
    EXPECT_TRUE(result.Success);
    EXPECT_EQ(result.ExitCode, 0u);
    EXPECT_EQ(result.LastError, -1);
    EXPECT_THAT(run.Texts(TLogKind::lkConsole), ElementsAre(QStringLiteral("prog: Done")));
}

TEST_F(LauncherTest, LastLineWithoutLineEndIsNotLogged) {
    Script(QStringLiteral("prog"), "printf 'one\\ntwo\\r50%%'");
    EXPECT_TRUE(Launch(QStringLiteral("prog")).Success);
    EXPECT_THAT(run.Texts(TLogKind::lkConsole),
                ElementsAre(QStringLiteral("prog: one"), QStringLiteral("prog: two")));
}

TEST_F(LauncherTest, LineLongerThanOneReadIsLoggedOnceWhole) {
    // 20000 characters cannot arrive in one read of the pipe.
    Script(QStringLiteral("prog"), "head -c 20000 /dev/zero | tr '\\0' x; printf '\\nend\\n'");
    EXPECT_TRUE(Launch(QStringLiteral("prog")).Success);
    EXPECT_THAT(run.Texts(TLogKind::lkConsole),
                ElementsAre(QStringLiteral("prog: ") + QString(20000, QLatin1Char('x')),
                            QStringLiteral("prog: end")));
}

TEST_F(LauncherTest, LineSplitAcrossPausesIsLoggedOnce) {
    Script(QStringLiteral("prog"), "printf 'hal'; sleep 0.3; printf 'f\\n'");
    EXPECT_TRUE(Launch(QStringLiteral("prog")).Success);
    EXPECT_THAT(run.Texts(TLogKind::lkConsole), ElementsAre(QStringLiteral("prog: half")));
}

TEST_F(LauncherTest, OutputWrittenJustBeforeTheEndIsAllLogged) {
    // Much more than one read's worth waits in the pipe when the program has already ended.
    Script(QStringLiteral("prog"), "i=0; while [ $i -lt 2000 ]; do echo line$i; i=$((i+1)); done");
    EXPECT_TRUE(Launch(QStringLiteral("prog")).Success);
    const auto lines = run.Texts(TLogKind::lkConsole);
    ASSERT_EQ(lines.size(), 2000u);
    EXPECT_EQ(lines.back(), QStringLiteral("prog: line1999"));
}

TEST_F(LauncherTest, ErrorOutputIsNotLogged) {
    Script(QStringLiteral("prog"), "echo 'only an error' >&2");
    EXPECT_TRUE(Launch(QStringLiteral("prog")).Success);
    EXPECT_THAT(run.Records, IsEmpty());
}

TEST_F(LauncherTest, ExitCodeIsJudgedAgainstMaxSuccessExitCode) {
    Script(QStringLiteral("exit0"), "exit 0");
    Script(QStringLiteral("exit1"), "exit 1");
    Script(QStringLiteral("exit2"), "exit 2");
    Script(QStringLiteral("killed"), "kill -9 $$");
    TCustomExternalLauncher launcher(task, &run);
    EXPECT_TRUE(launcher.LaunchProgram(run.Temp, QStringLiteral("exit0"), QString(), true).Success);
    TLaunchResult r = launcher.LaunchProgram(run.Temp, QStringLiteral("exit1"), QString(), true);
    EXPECT_FALSE(r.Success);
    EXPECT_EQ(r.ExitCode, 1u);

    launcher.MaxSuccessExitCode = 1;
    r = launcher.LaunchProgram(run.Temp, QStringLiteral("exit1"), QString(), true);
    EXPECT_TRUE(r.Success);
    EXPECT_EQ(r.ExitCode, 1u);
    r = launcher.LaunchProgram(run.Temp, QStringLiteral("exit2"), QString(), true);
    EXPECT_FALSE(r.Success);
    EXPECT_EQ(r.ExitCode, 2u);

    // A negative limit lets nothing succeed.
    launcher.MaxSuccessExitCode = -1;
    EXPECT_FALSE(launcher.LaunchProgram(run.Temp, QStringLiteral("exit0"), QString(), true).Success);

    // A program killed by a signal never counts as a success.
    launcher.MaxSuccessExitCode = 100;
    r = launcher.LaunchProgram(run.Temp, QStringLiteral("killed"), QString(), true);
    EXPECT_FALSE(r.Success);
    EXPECT_EQ(r.ExitCode, 128u + SIGKILL);
}

TEST_F(LauncherTest, ProgramThatCannotStartReportsTheSystemErrorCode) {
    Script(QStringLiteral("notexec"), "exit 0", false);
    QDir().mkpath(bin + QStringLiteral("afolder"));
    TCustomExternalLauncher launcher(task, &run);
    TLaunchResult r =
        launcher.LaunchProgram(run.Temp, QStringLiteral("no-such-program-xyz"), QString(), true);
    EXPECT_FALSE(r.Success);
    EXPECT_EQ(r.ExitCode, 0u);
    EXPECT_EQ(r.LastError, ENOENT);
    r = launcher.LaunchProgram(run.Temp, bin + QStringLiteral("notexec"), QString(), true);
    EXPECT_EQ(r.LastError, EACCES);
    r = launcher.LaunchProgram(run.Temp, bin + QStringLiteral("afolder"), QString(), false);
    EXPECT_FALSE(r.Success);
    EXPECT_EQ(r.LastError, EACCES);
    r = launcher.LaunchProgram(run.Temp, QString(), QString(), true);
    EXPECT_EQ(r.LastError, ENOENT);
    EXPECT_THAT(run.Records, IsEmpty());  // the caller decides what to log
}

TEST_F(LauncherTest, ArgumentsReachTheProgramLiterallyWithoutAShell) {
    Script(QStringLiteral("args"), "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done");
    const QString marker = home.Path() + QStringLiteral("created-by-shell");
    const QString line =
        QStringLiteral("args \"$(touch ") + marker + QStringLiteral(")\" `touch ") + marker +
        QStringLiteral("` a;touch$IFS") + marker +
        QStringLiteral(" \"two  words\" 'single' *.txt ~ \"\" say\\\"hi\\\" \"a\"\"b\" x|y>z");
    ASSERT_TRUE(Launch(line).Success);
    EXPECT_FALSE(QFile::exists(marker));
    EXPECT_THAT(run.Texts(TLogKind::lkConsole),
                ElementsAre(QStringLiteral("args: [$(touch ") + marker + QStringLiteral(")]"),
                            QStringLiteral("args: [`touch]"),
                            QStringLiteral("args: [") + marker + QStringLiteral("`]"),
                            QStringLiteral("args: [a;touch$IFS") + marker + QStringLiteral("]"),
                            QStringLiteral("args: [two  words]"), QStringLiteral("args: ['single']"),
                            QStringLiteral("args: [*.txt]"), QStringLiteral("args: [~]"),
                            QStringLiteral("args: []"), QStringLiteral("args: [say\"hi\"]"),
                            QStringLiteral("args: [a\"b]"), QStringLiteral("args: [x|y>z]")));
}

TEST_F(LauncherTest, FileNameBytesThatAreNotUtf8ReachTheProgramUnchanged) {
    Script(QStringLiteral("echo1"), "printf '%s' \"$1\" > out.bin");
    const QByteArray name("caf\xE9 \xFF.txt", 10);
    const QString decoded = DecodeFileName(name);
    ASSERT_TRUE(Launch(QStringLiteral("echo1 ") + QuoteArgument(decoded)).Success);
    EXPECT_EQ(ReadFile(run.Temp + QStringLiteral("out.bin")), name);
}

TEST_F(LauncherTest, ProgramGetsOnlyTheStandardDescriptors) {
    Script(QStringLiteral("fds"),
           "[ -e /proc/$$/fd/77 ] && echo leaked || echo clean; if read x; then echo input; fi");
    const int fd = ::open("/dev/null", O_RDONLY);  // deliberately without close-on-exec
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::dup2(fd, 77), 77);
    ::close(fd);
    const bool ok = Launch(QStringLiteral("fds")).Success;
    ::close(77);
    EXPECT_TRUE(ok);
    // Standard input gives nothing to read.
    EXPECT_THAT(run.Texts(TLogKind::lkConsole), ElementsAre(QStringLiteral("fds: clean")));
}

TEST_F(LauncherTest, RunsInTheWorkFolderAndFindsRelativeProgramsThere) {
    Script(QStringLiteral("where"), "pwd");
    QFile::copy(bin + QStringLiteral("where"), run.Temp + QStringLiteral("local"));
    ::chmod((run.Temp + QStringLiteral("local")).toUtf8().constData(), 0755);
    ASSERT_TRUE(Launch(QStringLiteral("where")).Success);
    ASSERT_TRUE(Launch(QStringLiteral("./local")).Success);
    const QString folder = QDir(run.Temp).canonicalPath();
    EXPECT_THAT(run.Texts(TLogKind::lkConsole),
                ElementsAre(QStringLiteral("where: ") + folder, QStringLiteral("./local: ") + folder));
}

TEST_F(LauncherTest, StopTerminatesTheProgramAndEverythingItStarted) {
    Script(QStringLiteral("long"), "echo $$ > \"$1\"; sleep 1000 & echo $! > \"$2\"; echo started; wait");
    const QString pidFile = run.Temp + QStringLiteral("pid");
    const QString childPidFile = run.Temp + QStringLiteral("child");
    run.OnLog = [this](TLogKind kind, const QString& text) {
        if (kind == TLogKind::lkConsole && text == QStringLiteral("long: started"))
            run.Stop = true;
    };
    const TLaunchResult r = Launch(QStringLiteral("long ") + pidFile + QLatin1Char(' ') + childPidFile);
    EXPECT_FALSE(r.Success);
    EXPECT_TRUE(r.Stopped);
    EXPECT_TRUE(ProcessEnded(ReadFile(pidFile)));
    EXPECT_TRUE(WaitForEnd(ReadFile(childPidFile)));
}

TEST_F(LauncherTest, StopKillsAProgramThatIgnoresTheTerminationRequest) {
    Script(QStringLiteral("stubborn"),
           "trap '' TERM; echo $$ > \"$1\"; echo started; while :; do sleep 0.05; done");
    const QString pidFile = run.Temp + QStringLiteral("pid");
    run.OnLog = [this](TLogKind kind, const QString&) {
        if (kind == TLogKind::lkConsole)
            run.Stop = true;
    };
    TCustomExternalLauncher launcher(task, &run);
    launcher.TerminateGraceMs = 100;
    const TLaunchResult r = launcher.LaunchProgram(run.Temp, QStringLiteral("stubborn"), pidFile, true);
    EXPECT_TRUE(r.Stopped);
    EXPECT_TRUE(ProcessEnded(ReadFile(pidFile)));
}

TEST_F(LauncherTest, StopKillsWhatTheProgramStartedWhenItOutlivesTheProgram) {
    Script(QStringLiteral("parent"),
           "sh -c 'trap \"\" TERM; echo $$ > \"$1\"; exec sleep 1000' child \"$1\" &\n"
           "while [ ! -s \"$1\" ]; do sleep 0.02; done; echo started; wait");
    const QString childPidFile = run.Temp + QStringLiteral("child");
    run.OnLog = [this](TLogKind kind, const QString&) {
        if (kind == TLogKind::lkConsole)
            run.Stop = true;
    };
    TCustomExternalLauncher launcher(task, &run);
    launcher.TerminateGraceMs = 200;
    const TLaunchResult r = launcher.LaunchProgram(run.Temp, QStringLiteral("parent"), childPidFile, true);
    EXPECT_TRUE(r.Stopped);
    EXPECT_TRUE(WaitForEnd(ReadFile(childPidFile)));
}

TEST_F(LauncherTest, WithoutCaptureTheProgramRunsOnItsOwn) {
    const QString gate = run.Temp + QStringLiteral("gate");
    const QString done = run.Temp + QStringLiteral("done");
    // The program waits for the test, so the launcher cannot have waited for it.
    Script(QStringLiteral("bg"),
           "echo visible; while [ ! -e \"$1\" ]; do sleep 0.02; done; touch \"$2\"; exit 3");
    TCustomExternalLauncher launcher(task, &run);
    const TLaunchResult r =
        launcher.LaunchProgram(run.Temp, QStringLiteral("bg"), gate + QLatin1Char(' ') + done, false);
    EXPECT_TRUE(r.Success);
    EXPECT_EQ(r.ExitCode, 0u);
    QFile(gate).open(QIODevice::WriteOnly);
    EXPECT_TRUE(WaitForFile(done));
    EXPECT_THAT(run.Texts(TLogKind::lkConsole), IsEmpty());
}

TEST_F(LauncherTest, WithoutARunNothingIsLogged) {
    Script(QStringLiteral("prog"), "echo hello; exit 4");
    TExternalProgramRun launcher(task);
    const TLaunchResult r = launcher.RunCommand(QStringLiteral("prog"), true);
    EXPECT_FALSE(r.Success);
    EXPECT_EQ(r.ExitCode, 4u);
    EXPECT_THAT(run.Records, IsEmpty());
}

TEST_F(LauncherTest, RunCommandLogsAroundTheProgramAndKeepsTheCommandLineWhole) {
    QDir().mkpath(bin + QStringLiteral("my tools"));
    const QString program = bin + QStringLiteral("my tools/say");
    Script(QStringLiteral("my tools/say"), "echo \"$1\"");
    const QString line = QLatin1Char('"') + program + QStringLiteral("\" \"hello world\"");
    ASSERT_TRUE(RunExternalProgram(run, line, true).Success);
    // The program part of the line is everything before its first blank.
    const QString part = line.left(line.indexOf(QLatin1Char(' ')));
    ASSERT_EQ(run.Records.size(), 4u);
    EXPECT_EQ(run.Records[0].Kind, TLogKind::lkSummary);
    EXPECT_EQ(run.Records[0].Text, QStringLiteral("Command executed (") + line + QStringLiteral(")!"));
    EXPECT_EQ(run.Records[1].Text, QStringLiteral("Waiting for execution finish..."));
    EXPECT_EQ(run.Records[2].Kind, TLogKind::lkConsole);
    EXPECT_EQ(run.Records[2].Text, part + QStringLiteral(": hello world"));
    EXPECT_EQ(run.Records[3].Kind, TLogKind::lkSummary);
    EXPECT_EQ(run.Records[3].Text, QStringLiteral("...external program execution done!"));

    run.Records.clear();
    Script(QStringLiteral("quiet"), "exit 0");
    ASSERT_TRUE(RunExternalProgram(run, QStringLiteral("quiet"), false).Success);
    ASSERT_EQ(run.Records.size(), 1u);
    EXPECT_EQ(run.Records[0].Text, QStringLiteral("Command executed (quiet)!"));
}

TEST_F(LauncherTest, BeforeAfterProgramLogsAbnormalExitAndStartFailure) {
    Script(QStringLiteral("fails"), "exit 1");
    Script(QStringLiteral("fine"), "exit 0");

    RunBeforeAfterProgram(run, true, QStringLiteral("fine"), true);
    EXPECT_THAT(run.Texts(TLogKind::lkWarning), IsEmpty());
    EXPECT_THAT(run.Texts(TLogKind::lkError), IsEmpty());

    RunBeforeAfterProgram(run, true, QStringLiteral("fails --now"), true);
    EXPECT_THAT(run.Texts(TLogKind::lkWarning),
                ElementsAre(QStringLiteral("Command executed, but abnormal exit code returned: 1.")));

    run.Records.clear();
    RunBeforeAfterProgram(run, true, QStringLiteral("no-such-program-xyz -a"), true);
    EXPECT_THAT(run.Texts(TLogKind::lkError),
                ElementsAre(QStringLiteral("Unable to execute external program \"no-such-program-xyz -a\". "
                                           "(Description: ") +
                            FileSystem::ErrorText(ENOENT) + QStringLiteral("; System error code: 2).")));
    EXPECT_THAT(run.Texts(TLogKind::lkWarning), IsEmpty());

    // Not waiting: a later failure of the program is not seen, only a failed start would be.
    run.Records.clear();
    RunBeforeAfterProgram(run, true, QStringLiteral("fails"), false);
    EXPECT_THAT(run.Texts(TLogKind::lkWarning), IsEmpty());
    EXPECT_THAT(run.Texts(TLogKind::lkError), IsEmpty());

    run.Records.clear();
    RunBeforeAfterProgram(run, false, QStringLiteral("fails"), true);
    EXPECT_THAT(run.Records, IsEmpty());
}

TEST_F(LauncherTest, StoppedBeforeAfterProgramIsNotReportedAsAStartFailure) {
    Script(QStringLiteral("long"), "echo started; sleep 1000");
    run.OnLog = [this](TLogKind kind, const QString&) {
        if (kind == TLogKind::lkConsole)
            run.Stop = true;
    };
    RunBeforeAfterProgram(run, true, QStringLiteral("long"), true);
    EXPECT_THAT(run.Texts(TLogKind::lkError), IsEmpty());
    EXPECT_THAT(run.Texts(TLogKind::lkWarning), IsEmpty());
}

TEST_F(LauncherTest, EffectiveRunProgramsOfTheTaskAreUsed) {
    const QString marker = run.Temp + QStringLiteral("after-ran");
    Script(QStringLiteral("after"), "touch \"$1\"");
    task.RunPrograms_UseDefault = false;
    task.Before = false;
    task.BeforeProgramName = QStringLiteral("after ") + run.Temp + QStringLiteral("before-ran");
    task.After = true;
    task.AfterProgramName = QStringLiteral("after ") + marker;
    task.AfterWaitProgram = true;
    RunBeforeProgram(run);
    EXPECT_THAT(run.Records, IsEmpty());
    RunAfterProgram(run);
    EXPECT_TRUE(QFile::exists(marker));
    EXPECT_FALSE(QFile::exists(run.Temp + QStringLiteral("before-ran")));
}

}  // namespace
