#pragma once

#include <QString>
#include <QtGlobal>

class TTask;
class TRunContext;

// Outcome of starting an outside program.
struct TLaunchResult {
    bool Success = false;
    quint32 ExitCode = 0;
    // errno-style code of a failed start (ENOENT: not found, EACCES: not executable, ENOEXEC: not a
    // program, or what the system reported), -1 when the start did not fail.
    int LastError = -1;
    // The run's stop request ended the wait; the program and the processes it started were terminated.
    bool Stopped = false;
};

// Base of everything that runs an outside program for a run: the before/after programs, the external
// archivers and encryptors.
//
// Programs are started directly, never through a shell: the command line is split by SplitCommandLine
// and its first argument names the program. A bare name is looked up in the program's own folder first,
// then in the folders of PATH; a relative path is taken relative to the work folder. Standard input is
// /dev/null. Standard error is passed through to the program's own standard error.
class TCustomExternalLauncher {
public:
    explicit TCustomExternalLauncher(const TTask& task, TRunContext* context = nullptr);
    virtual ~TCustomExternalLauncher() = default;
    TCustomExternalLauncher(const TCustomExternalLauncher&) = delete;
    TCustomExternalLauncher& operator=(const TCustomExternalLauncher&) = delete;

    const TTask& Task;
    // A finished program succeeded when this is not negative and its exit code, as an unsigned number,
    // is not above it.
    qint32 MaxSuccessExitCode = 0;
    // After a stop request the program gets SIGTERM, and SIGKILL when it has not ended this many
    // milliseconds later.
    int TerminateGraceMs = 5000;

    // The run this launcher works for; none: nothing is logged and no stop request is seen.
    TRunContext* RunThread() const { return context_; }

    // Starts program + " " + parameters in workFolder (empty: the current folder).
    // With capture it waits for the end, logging every non-empty line of the program's standard output
    // as a console record "program: line" (a last line without a line end is not logged), and judges the
    // exit code; a stop request of the run terminates the program and ends the wait with failure.
    // Without capture the program runs on by itself and the result is success once it has started.
    TLaunchResult LaunchProgram(const QString& workFolder, const QString& program, const QString& parameters,
                                bool capture);

private:
    TRunContext* context_;
};

// Runs the before/after programs of a task.
class TExternalProgramRun : public TCustomExternalLauncher {
public:
    using TCustomExternalLauncher::TCustomExternalLauncher;

    // Logs the command line, runs it in the run's temporary folder (waiting and capturing its output when
    // wait is set) and returns the outcome. The line is split at its first blank into program and
    // parameters; the program part leads the console records.
    TLaunchResult RunCommand(const QString& commandLine, bool wait);
};

TLaunchResult RunExternalProgram(TRunContext& context, const QString& commandLine, bool wait);

// A before or after program of a run: runs commandLine when enabled and logs a failure, a warning with the
// exit code when the program ended abnormally, an error when it could not be started. A program ended by
// the run's stop request is not reported as a failure of its own.
void RunBeforeAfterProgram(TRunContext& context, bool enabled, const QString& commandLine, bool wait);
// The same with the task's effective run-before / run-after values.
void RunBeforeProgram(TRunContext& context);
void RunAfterProgram(TRunContext& context);

// Console texts need no code-page conversion on this system: both are the identity.
inline QString ConvertOemToAnsi(const QString& text) {
    return text;
}
inline QString ConvertAnsiToOem(const QString& text) {
    return text;
}

// A bare file name of a kept version or obsolete copy ("Report (Version 2009-03-01 10-15-00).doc" with
// tag "Version") gives the name of the original ("Report.doc"); any other name is returned unchanged.
// The tag is matched without regard to case, like every file-name mask.
QString StripVersionStamp(const QString& fileName, const QString& tag);
