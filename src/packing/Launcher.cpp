#include "packing/Launcher.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QRegularExpression>
#include <cerrno>
#include <system_error>
#include <thread>
#include <vector>

#include "logging/RunContext.h"
#include "model/Task.h"
#include "packing/CommandLine.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "settings/FormatText.h"
#include "settings/Language.h"

extern char** environ;

namespace {

// How long one pass of the wait loop waits for output before it looks at the process and the stop
// request again.
constexpr int kPollMs = 100;
// Pause between looks at a process whose output has already ended.
constexpr int kExitPollMs = 10;
constexpr qsizetype kReadSize = 4096;

// 0 when path is a file that may be executed, else ENOENT or EACCES.
int CheckExecutable(const QByteArray& path) {
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? ENOENT : errno;
    if (!S_ISREG(st.st_mode) || ::access(path.constData(), X_OK) != 0)
        return EACCES;
    return 0;
}

// Finds the file to execute for the program name of a command line.
int LocateProgram(const QString& name, const QString& workFolder, QByteArray& out) {
    if (name.isEmpty())
        return ENOENT;
    if (name.contains(QLatin1Char('/'))) {
        QString path = name;
        if (!name.startsWith(QLatin1Char('/')) && !workFolder.isEmpty())
            path =
                (workFolder.endsWith(QLatin1Char('/')) ? workFolder : workFolder + QLatin1Char('/')) + name;
        out = EncodeFileName(path);
        return CheckExecutable(out);
    }
    QStringList folders{Paths::ExecutableFolder()};
    for (const QString& folder : qEnvironmentVariable("PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        folders << folder;
    int result = ENOENT;
    for (QString folder : folders) {
        if (!folder.startsWith(QLatin1Char('/')))
            continue;  // a relative PATH entry depends on the cwd
        if (!folder.endsWith(QLatin1Char('/')))
            folder += QLatin1Char('/');
        const QByteArray candidate = EncodeFileName(folder + name);
        const int check = CheckExecutable(candidate);
        if (check == 0) {
            out = candidate;
            return 0;
        }
        if (check == EACCES)
            result = EACCES;  // remembered, as execvp does, when nothing better follows
    }
    return result;
}

// Ends the process group of a captured program: SIGTERM, and SIGKILL for whatever of the group is still
// there after the grace period (a program may ignore SIGTERM, or end while what it started lives on).
// The program itself is always reaped.
void TerminateAndReap(pid_t pid, int graceMs) {
    ::kill(-pid, SIGTERM);
    bool reaped = false;
    int status = 0;
    for (int waited = 0; waited < graceMs; waited += kExitPollMs) {
        if (!reaped) {
            const pid_t w = ::waitpid(pid, &status, WNOHANG);
            reaped = w == pid || (w < 0 && errno != EINTR);
        }
        if (reaped && ::kill(-pid, 0) != 0)
            return;  // nobody of the group is left
        ::poll(nullptr, 0, kExitPollMs);
    }
    ::kill(-pid, SIGKILL);
    if (!reaped) {
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

quint32 ExitCodeOf(int status) {
    if (WIFEXITED(status))
        return static_cast<quint32>(WEXITSTATUS(status));
    // Ended by a signal: the shell's convention, so that it never looks like success.
    if (WIFSIGNALED(status))
        return 128u + static_cast<quint32>(WTERMSIG(status));
    return 255u;
}

// Owns the pieces of one posix_spawn call.
class TSpawnSetup {
public:
    TSpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~TSpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    TSpawnSetup(const TSpawnSetup&) = delete;
    TSpawnSetup& operator=(const TSpawnSetup&) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

}  // namespace

TCustomExternalLauncher::TCustomExternalLauncher(const TTask& task, TRunContext* context)
    : Task(task), context_(context) {}

TLaunchResult TCustomExternalLauncher::LaunchProgram(const QString& workFolder, const QString& program,
                                                     const QString& parameters, bool capture) {
    TLaunchResult result;
    const QStringList arguments = SplitCommandLine(program + QLatin1Char(' ') + parameters);
    if (arguments.isEmpty()) {
        result.LastError = ENOENT;
        return result;
    }
    QByteArray executable;
    if (const int located = LocateProgram(arguments.first(), workFolder, executable); located != 0) {
        result.LastError = located;
        return result;
    }

    std::vector<QByteArray> argumentBytes;
    argumentBytes.reserve(arguments.size());
    for (const QString& argument : arguments) {
        if (argument.contains(QChar(0))) {
            result.LastError = EINVAL;
            return result;
        }
        // File names travel byte for byte, also those that are not valid UTF-8.
        argumentBytes.push_back(EncodeFileName(argument));
    }
    std::vector<char*> argv;
    for (QByteArray& bytes : argumentBytes)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);

    TSpawnSetup setup;
    posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    const QByteArray folderBytes = EncodeFileName(workFolder);
    if (!workFolder.isEmpty())
        posix_spawn_file_actions_addchdir_np(&setup.actions, folderBytes.constData());

    // The program starts with default signal handling and no blocked signals, whatever this process set
    // for itself (an ignored SIGPIPE, for example, would otherwise be inherited).
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&setup.attributes, &all);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;

    int pipeFds[2] = {-1, -1};
    if (capture) {
        if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
            result.LastError = errno;
            return result;
        }
        posix_spawn_file_actions_adddup2(&setup.actions, pipeFds[1], STDOUT_FILENO);
        // A process group of its own, so that a stop ends the program together with what it started.
        flags |= POSIX_SPAWN_SETPGROUP;
        posix_spawnattr_setpgroup(&setup.attributes, 0);
    } else {
        flags |= POSIX_SPAWN_SETSID;
    }
    posix_spawnattr_setflags(&setup.attributes, flags);
    // Descriptors this process opened without close-on-exec (by a library, say) do not reach the program.
    // Last of the actions: the pipe must have been put on standard output before.
    posix_spawn_file_actions_addclosefrom_np(&setup.actions, STDERR_FILENO + 1);

    pid_t pid = 0;
    const int spawned =
        ::posix_spawn(&pid, executable.constData(), &setup.actions, &setup.attributes, argv.data(), environ);
    if (capture)
        ::close(pipeFds[1]);
    if (spawned != 0) {
        if (capture)
            ::close(pipeFds[0]);
        result.LastError = spawned;
        return result;
    }

    if (!capture) {
        // Nobody waits for the program, but its exit status must still be collected.
        try {
            std::thread([pid] {
                int status = 0;
                while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
                }
            }).detach();
        } catch (const std::system_error&) {
            // No thread to spare: the program still runs; it stays a zombie after its end.
        }
        result.Success = true;
        return result;
    }

    const int fd = pipeFds[0];
    QByteArray line;
    char buffer[kReadSize];
    bool outputEnded = false;
    bool exited = false;
    for (;;) {
        bool readData = false;
        if (!outputEnded) {
            pollfd p{fd, POLLIN, 0};
            // Once the program has ended only what is already in the pipe is read.
            const int ready = ::poll(&p, 1, exited ? 0 : kPollMs);
            if (ready > 0) {
                const ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n > 0) {
                    readData = true;
                    for (ssize_t i = 0; i < n; ++i) {
                        const char c = buffer[i];
                        if (c == '\r' || c == '\n') {
                            if (!line.isEmpty() && context_)
                                context_->LogMessage(TLogKind::lkConsole,
                                                     program + QStringLiteral(": ") +
                                                         ConvertOemToAnsi(QString::fromUtf8(line)));
                            line.clear();
                        } else {
                            line += c;
                        }
                    }
                } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                    outputEnded = true;
                }
            }
        } else if (!exited) {
            ::poll(nullptr, 0, kExitPollMs);
        }

        if (context_ && context_->StopRequested()) {
            TerminateAndReap(pid, TerminateGraceMs);
            result.Stopped = true;
            result.Success = false;
            break;
        }
        if (readData)
            continue;
        if (exited)
            break;  // the pipe holds nothing more for now
        int status = 0;
        const pid_t w = ::waitpid(pid, &status, WNOHANG);
        if (w == pid) {
            exited = true;
            result.ExitCode = ExitCodeOf(status);
            result.Success =
                MaxSuccessExitCode >= 0 && result.ExitCode <= static_cast<quint32>(MaxSuccessExitCode);
        } else if (w < 0 && errno != EINTR) {
            // The status was collected elsewhere: the program has ended, how is unknown.
            exited = true;
            result.Success = false;
        }
    }
    ::close(fd);
    return result;
}

TLaunchResult TExternalProgramRun::RunCommand(const QString& commandLine, bool wait) {
    TRunContext* run = RunThread();
    if (run)
        run->LogMessage(TLogKind::lkSummary, QStringLiteral("Command executed (%1)!").arg(commandLine));
    if (wait && run)
        run->LogMessage(TLogKind::lkSummary, QStringLiteral("Waiting for execution finish..."));
    const qsizetype blank = commandLine.indexOf(QLatin1Char(' '));
    const QString program = blank < 0 ? commandLine : commandLine.left(blank);
    const QString parameters = blank < 0 ? QString() : commandLine.mid(blank + 1);
    const TLaunchResult result =
        LaunchProgram(run ? run->TempFolder() : QString(), program, parameters, wait);
    if (wait && run)
        run->LogMessage(TLogKind::lkSummary, QStringLiteral("...external program execution done!"));
    return result;
}

TLaunchResult RunExternalProgram(TRunContext& context, const QString& commandLine, bool wait) {
    TExternalProgramRun launcher(context.Task(), &context);
    return launcher.RunCommand(commandLine, wait);
}

void RunBeforeAfterProgram(TRunContext& context, bool enabled, const QString& commandLine, bool wait) {
    if (!enabled)
        return;
    const TLaunchResult result = RunExternalProgram(context, commandLine, wait);
    if (result.Success || result.Stopped)
        return;
    if (result.ExitCode != 0) {
        context.LogMessage(TLogKind::lkWarning,
                           FormatText(Translate(QStringLiteral("Command executed, but abnormal exit code "
                                                               "returned: %d."),
                                                QStringLiteral("strExternalLaunchAbnormalExitCode")),
                                      {QString::number(result.ExitCode)}));
    } else {
        context.LogMessage(
            TLogKind::lkError,
            FormatText(
                Translate(QStringLiteral("Unable to execute external program \"%s\". (Description: %s; "
                                         "System error code: %d)."),
                          QStringLiteral("strExecuteProgramError")),
                {commandLine, FileSystem::ErrorText(result.LastError), QString::number(result.LastError)}));
    }
}

void RunBeforeProgram(TRunContext& context) {
    const TEffectiveRunPrograms programs = context.Task().EffectiveRunPrograms();
    RunBeforeAfterProgram(context, programs.Before, programs.BeforeProgramName, programs.BeforeWaitProgram);
}

void RunAfterProgram(TRunContext& context) {
    const TEffectiveRunPrograms programs = context.Task().EffectiveRunPrograms();
    RunBeforeAfterProgram(context, programs.After, programs.AfterProgramName, programs.AfterWaitProgram);
}

QString StripVersionStamp(const QString& fileName, const QString& tag) {
    // "* (<tag> ????-??-?? ??-??-??).*": the stamp stands right before the extension.
    const QRegularExpression pattern(
        QStringLiteral("^.* \\(") + QRegularExpression::escape(tag) +
            QStringLiteral(" .{4}-.{2}-.{2} .{2}-.{2}-.{2}\\)\\..*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    if (!pattern.match(fileName).hasMatch())
        return fileName;
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString extension = fileName.mid(dot);
    const QString base = fileName.left(dot);
    const qsizetype paren = base.lastIndexOf(QLatin1Char('('));
    // The pattern guarantees a blank before that parenthesis.
    return base.left(paren - 1) + extension;
}
