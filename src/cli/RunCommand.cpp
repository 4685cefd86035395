#include "cli/RunCommand.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <vector>

#include "engine/Services.h"
#include "engine/TaskRunner.h"
#include "logging/TaskLogger.h"
#include "logging/UserInterface.h"
#include "model/MainData.h"
#include "model/Task.h"
#include "platform/Signals.h"
#include "settings/GlobalSettings.h"

const char* const kRunHelp =
    "Usage: tarnovex-cli run [--silent] [--quiet] TASK [TASK ...]\n\n"
    "Runs the tasks in this process, as scheduled runs, and waits until every run has ended. Each log\n"
    "record is printed as the task's log file gets it (--quiet prints only the outcome of each run).\n"
    "--silent uses the tasks' alerts of the silent mode. Tasks run at the same time unless the\n"
    "preferences allow one run at a time. Ctrl+C (SIGINT) or SIGTERM stops the runs; they end as\n"
    "aborted. The last-run time of every run is stored.\n"
    "Exit status: 0 every run finished without error or warning records, 1 a run was refused, aborted\n"
    "or logged errors, 2 bad arguments or an unknown task, 3 the runs finished but logged warnings\n"
    "(a source folder that could not be read, for example).\n";

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitWarnings = 3;

void Print(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

void Err(const QString& text) {
    Print(stderr, QStringLiteral("tarnovex-cli: ") + text);
}

QString OutcomeText(const TRunOutcome& outcome) {
    return QStringLiteral("%1 (%2 errors, %3 warnings)")
        .arg(outcome.Aborted ? QStringLiteral("aborted") : QStringLiteral("finished"))
        .arg(outcome.Errors)
        .arg(outcome.Warnings);
}

// A task named by its ID or by its name; nullptr (after saying why) when none or several match.
TTask* FindNamedTask(const TMainData& data, const QString& which) {
    if (TTask* task = data.FindTask(which))
        return task;
    const std::vector<TTask*> named = data.FindTasksByName(which);
    if (named.size() == 1)
        return named.front();
    if (named.empty())
        Err(QStringLiteral("no task has the ID or name \"%1\"").arg(which));
    else
        Err(QStringLiteral("%1 tasks are named \"%2\"; name one by its ID").arg(named.size()).arg(which));
    return nullptr;
}

}  // namespace

int CmdRun(const QStringList& args) {
    bool quiet = false;
    bool silent = false;
    QStringList names;
    for (const QString& arg : args) {
        if (arg == QLatin1String("--quiet"))
            quiet = true;
        else if (arg == QLatin1String("--silent"))
            silent = true;
        else if (arg.startsWith(QLatin1String("--"))) {
            Err(QStringLiteral("unknown option %1").arg(arg));
            return kExitUsage;
        } else
            names << arg;
    }
    if (names.isEmpty()) {
        Err(QStringLiteral("name at least one task to run"));
        return kExitUsage;
    }

    RegisterRunServices();
    LoadGlobalSettings();
    TMainData data;
    data.LoadAll();
    std::vector<TTask*> wanted;
    for (const QString& name : names) {
        TTask* task = FindNamedTask(data, name);
        if (task == nullptr)
            return kExitUsage;
        if (std::find(wanted.begin(), wanted.end(), task) == wanted.end())
            wanted.push_back(task);
    }

    UserInterface().SetSilentMode(silent);
    if (!quiet)
        SetLogObserver([](const TTask& task, TLogKind, const QString& recordText, TDateTime time) {
            Print(stdout, task.Name + QStringLiteral(" - ") + LogLineTimestamp(time) + QStringLiteral(": ") +
                              recordText);
        });

    TTaskRunner runner;
    data.RunControl = &runner;
    bool allWell = true;
    bool warned = false;
    runner.RunEnded = [&allWell, &warned](TTask& task, const TRunOutcome& outcome) {
        TMainData::SaveLastRun(task);
        if (outcome.Aborted || outcome.Errors > 0)
            allWell = false;
        if (outcome.Warnings > 0)
            warned = true;
        Print(stdout, task.Name + QStringLiteral(": ") + OutcomeText(outcome));
    };

    bool stopping = false;
    TSignalWatcher signalWatch({SIGINT, SIGTERM}, [&](int) {
        if (stopping)
            return;
        stopping = true;
        Err(QStringLiteral("stopping the runs"));
        runner.StopAll();
    });

    for (TTask* task : wanted) {
        const TRunRequestResult result = runner.Request(*task, false);
        if (result == TRunRequestResult::Refused) {
            allWell = false;
            TMainData::SaveLastRun(*task);  // a refusal may have set it (start alert answered Stop)
            Print(stdout, task->Name + QStringLiteral(": not started"));
        }
    }
    runner.WaitUntilIdle();

    SetLogObserver({});
    data.RunControl = nullptr;
    ShutdownRunServices();
    if (!allWell)
        return kExitFailed;
    return warned ? kExitWarnings : kExitOk;
}
