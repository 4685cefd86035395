#include "engine/TaskThread.h"

#include <QDateTime>
#include <QDir>
#include <chrono>
#include <exception>

#include "logging/Alerts.h"
#include "logging/TaskLogger.h"
#include "logging/UserInterface.h"
#include "model/Task.h"
#include "platform/FileSystem.h"
#include "platform/ThreadPriority.h"
#include "settings/FormatText.h"
#include "settings/GlobalSettings.h"
#include "settings/Language.h"

#include <unistd.h>

namespace {

constexpr qint64 kRefreshIntervalMs = 100;

QString Text(const char* english, const char* key, std::initializer_list<QString> args = {}) {
    return FormatText(Translate(QString::fromUtf8(english), QString::fromUtf8(key)), args);
}

}  // namespace

QString ImpersonationUnsupportedText() {
    return Translate(QStringLiteral("running a task as another user is not supported on this system"),
                     QStringLiteral("strLogonUserUnsupported"));
}

TTaskThread::TTaskThread(TTask& task)
    : task_(task), job_(*this), cpuPerformance_(GlobalSettings().TasksDefaults.CpuPerformance) {
    job_.Storage = CreateStorage(task, *this);
    if (task.CompressionActive())
        job_.Compressor = CreateCompressor(task, *this);
    if (task.EncryptionActive())
        job_.Encryptor = CreateEncryptor(task, *this);
    setObjectName(QStringLiteral("Run of ") + task.Name);
}

TTaskThread::~TTaskThread() {
    // Only a thread that has ended is destroyed; the wait covers one that never started as well.
    wait();
    {
        // Pairs with the lock at the end of run(): what the worker wrote is seen here (and by checkers).
        std::lock_guard lock(mutex_);
    }
    // The packers and the storage may keep files open in the temporary folder: free them first.
    job_.Compressor.reset();
    job_.Encryptor.reset();
    job_.Storage.reset();
    const QString folder = TempFolder();
    if (!folder.isEmpty()) {
        // rmdir removes only an empty folder: what a run left behind stays for the user to see.
        const QByteArray native = EncodeFileName(QDir::cleanPath(folder));
        ::rmdir(native.constData());
    }
}

bool TTaskThread::SetSuspended(bool suspended) {
    {
        std::lock_guard lock(mutex_);
        if (suspended_ == suspended)
            return false;
        suspended_ = suspended;
    }
    wake_.notify_all();
    return true;
}

bool TTaskThread::IsSuspended() const {
    std::lock_guard lock(mutex_);
    return suspended_;
}

QString TTaskThread::StatusText() const {
    std::lock_guard lock(mutex_);
    return status_;
}

QString TTaskThread::TempFolder() const {
    std::lock_guard lock(mutex_);
    return tempFolder_;
}

void TTaskThread::LogMessage(TLogKind kind, const QString& text) {
    if (kind == TLogKind::lkWarning)
        warnings_.fetch_add(1);
    if (kind == TLogKind::lkError) {
        errors_.fetch_add(1);
        errorsSinceRetryReset_.fetch_add(1);
    }
    // The logger is safe from any thread and the user interface hands its own work (balloons, sounds)
    // over to the main thread, so the record is written here: when this returns it is in the log file,
    // in the kept records and on its way to the alerts, in order, as a hand-over would have it, without
    // a round trip through the main thread for every file of a large run.
    LoggerOf(task_).Log(kind, text);
}

int TTaskThread::RaiseAlert(TAlertEvent event, const QString& buttons, const QString& text) {
    int answer = AlertAnswer::NotShown;
    const TTask& task = task_;
    UserInterface().RunOnMainThread([&] { answer = ShowAlert(task, event, text, buttons); });
    if (answer == AlertAnswer::Stop)
        RequestStop();
    return answer;
}

void TTaskThread::SetProgress(const QString& status, qint64 total) {
    {
        std::lock_guard lock(mutex_);
        if (status == status_ && total == progressTotal_.load() && progressDone_.load() == 0)
            return;
        status_ = status;
        progressTotal_.store(total);
        progressDone_.store(0);
    }
    RefreshWindow(false);
}

void TTaskThread::AddProgressBytes(qint64 bytes) {
    if (bytes == 0)
        return;
    progressDone_.fetch_add(bytes);
    RefreshWindow(true);
}

void TTaskThread::SetProgressDone(qint64 done) {
    if (progressDone_.exchange(done) != done)
        RefreshWindow(true);
}

void TTaskThread::RefreshWindow(bool throttled) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (throttled && now - lastRefreshMs_ < kRefreshIntervalMs && now >= lastRefreshMs_)
        return;
    lastRefreshMs_ = now;
    UserInterface().RefreshTasks();
}

int TTaskThread::RetriesLeft() const {
    const int left = std::min(task_.MaxNumberOfRetries - errorsSinceRetryReset_.load(),
                              task_.MaxNumberBeforeStop - errors_.load());
    return std::max(0, left);
}

bool TTaskThread::StopRequested() {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return !suspended_ || stop_.load(); });
    return stop_.load();
}

void TTaskThread::RequestStop() {
    {
        // Under the lock, so a waiter between its test and its wait cannot miss the wake-up.
        std::lock_guard lock(mutex_);
        stop_.store(true);
    }
    wake_.notify_all();
}

bool TTaskThread::SleepUnlessStopped(int ms) {
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, std::chrono::milliseconds(std::max(ms, 0)), [this] { return stop_.load(); });
    // A suspended run stays in the wait after its time is up, until it is resumed or stopped.
    wake_.wait(lock, [this] { return !suspended_ || stop_.load(); });
    return !stop_.load();
}

void TTaskThread::run() {
    SetCurrentThreadPriority(cpuPerformance_);
    try {
        if (!task_.AuthUser.isEmpty()) {
            // No way to act as another account exists here: the run says so and ends as aborted, after
            // the before-steps (they run whatever the login gave) and without a temporary folder.
            LogMessage(TLogKind::lkError, Text("Login failed! %s.", "strLogonUserLoginFailed",
                                               {ImpersonationUnsupportedText()}));
            RequestStop();
        } else {
            const QString folder = MakeRunTempFolder();
            std::lock_guard lock(mutex_);
            tempFolder_ = folder;
        }
        if (task_.TaskAction == TTaskAction::taSynchronize)
            SynchronizeProcedure(job_);
        else
            BackupProcedure(job_);
    } catch (const std::exception& e) {
        LogMessage(TLogKind::lkError, Text("The Task is stopped by an unexpected failure: %s.",
                                           "strTaskUnexpectedFailure", {QString::fromUtf8(e.what())}));
        RequestStop();
    } catch (...) {
        LogMessage(TLogKind::lkError, Text("The Task is stopped by an unexpected failure: %s.",
                                           "strTaskUnexpectedFailure", {QStringLiteral("unknown")}));
        RequestStop();
    }
    std::lock_guard lock(mutex_);  // see the destructor
}
