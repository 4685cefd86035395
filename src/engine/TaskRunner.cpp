#include "engine/TaskRunner.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

#include "engine/TaskThread.h"
#include "logging/Alerts.h"
#include "logging/TaskLogger.h"
#include "logging/UserInterface.h"
#include "model/Task.h"
#include "platform/DateTime.h"
#include "platform/Drives.h"
#include "platform/Volumes.h"
#include "settings/FormatText.h"
#include "settings/GlobalSettings.h"
#include "settings/Language.h"

namespace {

QString Text(const char* english, const char* key, std::initializer_list<QString> args = {}) {
    return FormatText(Translate(QString::fromUtf8(english), QString::fromUtf8(key)), args);
}

QString WithoutTrailingSlash(const QString& path) {
    QString result = path;
    while (result.size() > 1 && result.endsWith(QLatin1Char('/')))
        result.chop(1);
    return result;
}

bool InCommaList(const QString& list, const QString& entry) {
    const QStringList entries = list.split(QLatin1Char(','));
    return std::any_of(entries.begin(), entries.end(),
                       [&entry](const QString& e) { return e.trimmed() == entry; });
}

}  // namespace

bool MediaCriteriaMatch(const QString& wantDrive, const QString& wantLabel, const QString& wantSerial,
                        const QString& drive, const QString& label, const QString& serial) {
    bool match = wantDrive.isEmpty() || WithoutTrailingSlash(wantDrive) == WithoutTrailingSlash(drive);
    if (!wantLabel.isEmpty())
        match = wantLabel == label;
    if (!wantSerial.isEmpty())
        match = wantSerial == serial;
    return match;
}

bool SmartDetectMatch(const TTask& task, const QString& drive, const QString& label, const QString& serial) {
    return MediaCriteriaMatch(task.SmartDetectDriveLetter, task.SmartDetectVolumeInfo,
                              task.SmartDetectSerialNumber, drive, label, serial);
}

bool RequiredDiskPresent(const TTask& task) {
    TSystemVolumeInfo volumes;
    const QStringList drives = Drives::DriveList();
    return std::any_of(drives.begin(), drives.end(), [&](const QString& drive) {
        TVolumeInfo info;
        volumes.Read(drive, info);
        return SmartDetectMatch(task, drive, info.label, info.serial);
    });
}

TTaskRunner::TTaskRunner(QObject* parent)
    : QObject(parent), HardwareProfile([] { return QString(); }), DiskPresent(RequiredDiskPresent) {}

TTaskRunner::~TTaskRunner() {
    StopAll();
    WaitUntilIdle();
}

void TTaskRunner::Log(TTask& task, TLogKind kind, const QString& text) {
    LoggerOf(task).Log(kind, text);
}

TRunRequestResult TTaskRunner::Request(TTask& task, bool manual) {
    if (task.IsRunning || task.Worker != nullptr) {
        Log(task, TLogKind::lkWarning, Text("Already running.", "strTaskAlreadyRunning"));
        return TRunRequestResult::Refused;
    }
    if (task.SmartDetectUse && task.SmartDetectNoMediaNoRun && !(DiskPresent && DiskPresent(task))) {
        Log(task, TLogKind::lkWarning,
            Text("Task not started - required disk not present (as per settings in \"Task Properties -> "
                 "Media SmartDetect\")",
                 "strTaskRequiredDiskAbsent"));
        return TRunRequestResult::Refused;
    }
    task.StartedManually = manual;
    task.Worker = nullptr;
    if (manual)
        task.ClearErrorFlag();
    if (task.ErrorFlag)
        return TRunRequestResult::Refused;
    if (!manual) {
        const QString profile = HardwareProfile ? HardwareProfile() : QString();
        if (!profile.isEmpty() && InCommaList(task.EffectiveHardwareSkipList(), profile)) {
            task.LastRun = DateTime::Now();
            Log(task, TLogKind::lkWarning,
                Text("Skipping scheduled Task run because current hardware profile is \"%s\"!",
                     "strBackupHardwareSkip", {profile}));
            UserInterface().RefreshTasks();
            return TRunRequestResult::Refused;
        }
    }
    task.ClearPathCaches();
    const QString error = task.Validate();
    if (task.EditLock)
        return TRunRequestResult::Refused;

    task.IsRunning = true;
    Log(task, TLogKind::lkTaskStarted, QString());
    const int answer =
        ShowAlert(task, TAlertEvent::aeStart, Text("Task started.", "strTaskStartup"), QStringLiteral("CS"));
    if (answer == AlertAnswer::Stop) {
        task.IsRunning = false;
        task.LastRun = DateTime::Now();
        Log(task, TLogKind::lkTaskAborted, QString());
        UserInterface().RefreshTasks();
        return TRunRequestResult::Refused;
    }
    if (!error.isEmpty()) {
        task.IsRunning = false;
        task.RaiseErrorFlag(DateTime::Now());
        Log(task, TLogKind::lkError, error);
        Log(task, TLogKind::lkTaskAborted, QString());
        ShowAlert(task, TAlertEvent::aeError, error, QStringLiteral("S"));
        UserInterface().RefreshTasks();
        return TRunRequestResult::Refused;
    }

    task.LastRun = DateTime::Now();
    UserInterface().RefreshTasks();
    auto* thread = new TTaskThread(task);
    task.Worker = thread;
    active_.push_back(thread);
    // The end handler runs on this (the main) thread once the worker's body has returned.
    connect(
        thread, &QThread::finished, this, [this, thread] { OnThreadFinished(thread); }, Qt::QueuedConnection);
    if (GlobalSettings().Main.Suspend) {
        thread->SetSuspended(true);
        task.Suspended = true;
        Log(task, TLogKind::lkWarning,
            Text("Starting Task in Suspended Mode! Click \"Global Suspend\" on the toolbar to resume "
                 "suspended "
                 "operations.",
                 "strTaskStartSuspended"));
    }

    TRunRequestResult result = TRunRequestResult::Started;
    if (GlobalSettings().Performance.DisallowSimultaneousBackup && running_ > 0) {
        Log(task, TLogKind::lkSummary, Text("Waiting for the queue.", "strBackupQueueWaiting"));
        waiting_.push_back(thread);
        result = TRunRequestResult::Queued;
    } else {
        Start(thread);
    }
    UserInterface().RefreshTasks();
    return result;
}

void TTaskRunner::Start(TTaskThread* thread) {
    ++running_;
    thread->start();
}

void TTaskRunner::StartFromQueue() {
    // With the setting switched off meanwhile, every waiting run may go; otherwise the one requested
    // last goes once nothing runs.
    while (!waiting_.empty() && (running_ == 0 || !GlobalSettings().Performance.DisallowSimultaneousBackup)) {
        TTaskThread* thread = waiting_.back();
        waiting_.pop_back();
        Log(const_cast<TTask&>(thread->Task()), TLogKind::lkSummary, Text("Queue OK.", "strBackupQueueOK"));
        Start(thread);
    }
}

void TTaskRunner::OnThreadFinished(TTaskThread* thread) {
    --running_;
    EndRun(thread);
    StartFromQueue();
}

void TTaskRunner::EndRun(TTaskThread* thread) {
    auto& task = const_cast<TTask&>(thread->Task());
    const bool aborted = thread->StopFlag();
    TRunOutcome outcome{aborted, thread->ErrorCount(), thread->WarningCount()};
    if (aborted) {
        Log(task, TLogKind::lkTaskAborted, QString());
    } else {
        Log(task, TLogKind::lkTaskFinished, QString());
        ShowAlert(task, TAlertEvent::aeFinish, Text("Task finished.", "strTaskFinish"), QStringLiteral("O"));
    }
    task.IsRunning = false;
    task.Suspended = false;
    task.Worker = nullptr;
    active_.erase(std::remove(active_.begin(), active_.end(), thread), active_.end());
    delete thread;
    UserInterface().RefreshTasks();
    if (RunEnded)
        RunEnded(task, outcome);
}

void TTaskRunner::RequestStop(TTask& task) {
    auto* thread = task.Worker;
    if (!task.IsRunning || thread == nullptr)
        return;
    thread->RequestStop();
    // A run still waiting in the queue has done nothing yet: it ends here instead of starting later
    // only to stop at once (it would still dial and run its before-program).
    const auto queued = std::find(waiting_.begin(), waiting_.end(), thread);
    if (queued != waiting_.end()) {
        waiting_.erase(queued);
        EndRun(thread);
    }
}

void TTaskRunner::SetSuspended(TTask& task, bool suspended) {
    auto* thread = task.Worker;
    if (!task.IsRunning || thread == nullptr)
        return;
    if (!thread->SetSuspended(suspended))
        return;
    task.Suspended = suspended;
    if (suspended)
        Log(task, TLogKind::lkWarning,
            Text("The Task is suspended! Click \"Suspend/Resume\" on the toolbar to resume Task.",
                 "strTaskSuspended"));
    else
        Log(task, TLogKind::lkWarning, Text("The Task is unsuspended!", "strTaskUnsuspended"));
    UserInterface().RefreshTasks();
}

bool TTaskRunner::IsSuspended(const TTask& task) const {
    return task.Worker != nullptr && task.Worker->IsSuspended();
}

void TTaskRunner::ApplyGlobalSuspend(TTask& task, bool suspended) {
    auto* thread = task.Worker;
    if (!task.IsRunning || thread == nullptr)
        return;
    thread->SetSuspended(suspended);
    task.Suspended = suspended;
}

void TTaskRunner::StopAll() {
    const std::vector<TTaskThread*> threads = active_;
    for (TTaskThread* thread : threads)
        RequestStop(const_cast<TTask&>(thread->Task()));
}

bool TTaskRunner::WaitUntilIdle(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs < 0 ? QDeadlineTimer::Forever : QDeadlineTimer(timeoutMs));
    // The workers' hand-overs and the end handlers arrive as events of this thread; the timer wakes the
    // wait now and then so that the deadline is seen.
    QTimer tick;
    tick.start(50);
    while (!Idle()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}
