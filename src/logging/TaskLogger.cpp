#include "logging/TaskLogger.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTime>
#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "logging/Alerts.h"
#include "model/Task.h"
#include "platform/LocaleFormats.h"
#include "platform/Paths.h"
#include "settings/GlobalSettings.h"

namespace {

constexpr int kBusyPolls = 1000;
constexpr auto kBusyPollInterval = std::chrono::milliseconds(5);
constexpr int kWritesBetweenChecks = 100;

std::mutex busyFlag;

// Waits for the busy flag as every log-file access does; false when it stayed set for all polls.
bool AcquireBusyFlag() {
    for (int poll = 0;; ++poll) {
        if (busyFlag.try_lock())
            return true;
        if (poll == kBusyPolls)
            return false;
        std::this_thread::sleep_for(kBusyPollInterval);
    }
}

std::mutex observerMutex;
TLogObserver observer;

// Log files whose start-of-session check has run.
std::mutex startChecksMutex;
std::set<QString> startCheckedFiles;

std::mutex registryMutex;
std::map<const TTask*, std::unique_ptr<TTaskLogger>> registry;

void CheckFileSize(const QString& path, int maxSizeKb, bool atCreation) {
    if (!QFileInfo::exists(path))
        return;
    if (!AcquireBusyFlag())
        return;
    std::lock_guard flag(busyFlag, std::adopt_lock);
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return;
    const qint64 size = file.size();
    const bool reset = (maxSizeKb == 0 && atCreation) || (maxSizeKb > 0 && size >= qint64(maxSizeKb) * 1024);
    if (reset)
        file.resize(0);
}

}  // namespace

QString DoublePercentSigns(const QString& message) {
    QString result = message;
    result.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return result;
}

QString LogRecordText(TLogKind kind, const QString& message, const TEffectiveLog& log) {
    switch (kind) {
        case TLogKind::lkTaskStarted:
            return log.IncludeSummary ? QStringLiteral("Task started.") : QString();
        case TLogKind::lkTaskFinished:
            return log.IncludeSummary ? QStringLiteral("Task finished.") : QString();
        case TLogKind::lkTaskAborted:
            return log.IncludeSummary ? QStringLiteral("Task ABORTED!") : QString();
        case TLogKind::lkSummary:
            return log.IncludeSummary ? message : QString();
        case TLogKind::lkFile:
            return log.IncludeFiles ? message : QString();
        case TLogKind::lkSkipped:
            return log.IncludeSkipping ? message : QString();
        case TLogKind::lkWarning:
            return log.IncludeWarnings ? QStringLiteral("WARNING: ") + message : QString();
        case TLogKind::lkError:
            return log.IncludeErrors ? QStringLiteral("ERROR: ") + message : QString();
        case TLogKind::lkFtp:
            return log.IncludeFtp ? message : QString();
        case TLogKind::lkConsole:
            return log.IncludeConsole ? QStringLiteral("Console: ") + message : QString();
    }
    return QString();
}

QString LogLineTimestamp(TDateTime time) {
    const QString date = LocaleFormats::FormatShortDate(time);
    if (DateTime::ToQDateTime(time).time() == QTime(0, 0))
        return date;
    return date + QLatin1Char(' ') + LocaleFormats::FormatLongTime(time);
}

QString LogFilePath(const QString& fileName) {
    if (QFileInfo(fileName).fileName() == fileName)
        return Paths::UserDataFolder() + fileName;
    return QDir::cleanPath(QDir::current().absoluteFilePath(fileName));
}

std::mutex& LogFileBusyFlag() {
    return busyFlag;
}

void SetLogObserver(TLogObserver newObserver) {
    std::lock_guard lock(observerMutex);
    observer = std::move(newObserver);
}

TTaskLogger::TTaskLogger(const TTask* task) : task_(task) {
    if (task_ != nullptr)
        CheckLogSize(true);
}

void TTaskLogger::Log(TLogKind kind, const QString& message) {
    if (task_ == nullptr)
        return;
    const TEffectiveLog log = task_->EffectiveLog();
    const QString text = LogRecordText(kind, DoublePercentSigns(message), log);
    if (text.isEmpty())
        return;
    // The alerts come first and do not depend on whether the log is written.
    DispatchAlerts(*task_, kind, text);
    const TDateTime now = DateTime::Now();
    WriteLogLine(task_->Name + QStringLiteral(" - ") + LogLineTimestamp(now) + QStringLiteral(": ") + text,
                 log);
    AddLogItem(kind, text, now, log.Enabled);

    TLogObserver current;
    {
        std::lock_guard lock(observerMutex);
        current = observer;
    }
    if (current)
        current(*task_, kind, text, now);
}

QString TTaskLogger::LogFileName() const {
    return LogFilePath(task_ != nullptr ? task_->EffectiveLog().FileName : QStringLiteral("Tarnovex.log"));
}

void TTaskLogger::WriteLogLine(const QString& line, const TEffectiveLog& log) {
    if (!log.Enabled)
        return;
    const QString path = LogFilePath(log.FileName);
    if (!AcquireBusyFlag())
        return;
    {
        std::lock_guard flag(busyFlag, std::adopt_lock);
        // Opened, appended, flushed and closed per line: the file is complete at every moment and
        // other programs may read it between lines. A failure loses the line silently. The folder is
        // made only when the file cannot be opened: making it for every line cost a dozen system
        // calls per record.
        QFile file(path);
        bool open = file.open(QIODevice::WriteOnly | QIODevice::Append);
        if (!open && QDir().mkpath(QFileInfo(path).absolutePath()))
            open = file.open(QIODevice::WriteOnly | QIODevice::Append);
        if (open) {
            file.write(line.toUtf8() + "\r\n");
            file.flush();
            file.close();
        }
    }
    bool check = false;
    {
        std::lock_guard lock(mutex_);
        if (++writesSinceCheck_ > kWritesBetweenChecks) {
            writesSinceCheck_ = 0;
            check = true;
        }
    }
    if (check)
        CheckLogSize(false);
}

void TTaskLogger::CheckLogSize(bool atCreation) {
    if (task_ == nullptr)
        return;
    if (!atCreation) {
        const TEffectiveLog log = task_->EffectiveLog();
        CheckFileSize(LogFilePath(log.FileName), log.MaxSize, false);
        return;
    }
    const TTasksDefaults& defaults = GlobalSettings().TasksDefaults;
    const QString path = LogFilePath(defaults.LogFileName);
    {
        std::lock_guard lock(startChecksMutex);
        if (!startCheckedFiles.insert(path).second)
            return;
    }
    CheckFileSize(path, defaults.LogMaxSize, true);
}

void TTaskLogger::AddLogItem(TLogKind kind, const QString& text, TDateTime time, bool enabled) {
    std::lock_guard lock(mutex_);
    if (enabled) {
        items_.push_back({kind, time, text});
        if (static_cast<int>(items_.size()) > maxItems_) {
            const int dropped = static_cast<int>(items_.size()) - maxItems_;
            items_.erase(items_.begin(), items_.begin() + dropped);
            // Keep pointing at the same record while it is kept, at the oldest kept one after that.
            if (runStartIndex_ >= 0)
                runStartIndex_ = std::max(0, runStartIndex_ - dropped);
        }
    }
    if (kind == TLogKind::lkTaskStarted)
        runStartIndex_ = static_cast<int>(items_.size()) - 1;
}

QString TTaskLogger::ItemText(const TLogItem& item) {
    return LocaleFormats::FormatShortDate(item.Time) + QLatin1Char(' ') +
           LocaleFormats::FormatLongTime(item.Time) + QLatin1Char(' ') + item.Text;
}

int TTaskLogger::Count() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(items_.size());
}

TLogItem TTaskLogger::Item(int index) const {
    std::lock_guard lock(mutex_);
    if (index < 0 || index >= static_cast<int>(items_.size()))
        return {};
    return items_[index];
}

std::vector<TLogItem> TTaskLogger::Items() const {
    std::lock_guard lock(mutex_);
    return {items_.begin(), items_.end()};
}

QString TTaskLogger::LogItemText(int index) const {
    std::lock_guard lock(mutex_);
    if (index < 0 || index >= static_cast<int>(items_.size()))
        return QString();
    return ItemText(items_[index]);
}

QStringList TTaskLogger::CurrentRunItemTexts() const {
    std::lock_guard lock(mutex_);
    QStringList texts;
    const int count = static_cast<int>(items_.size());
    if (runStartIndex_ < 0 || runStartIndex_ >= count)
        return texts;
    for (int i = runStartIndex_; i < count; ++i)
        texts << ItemText(items_[i]);
    return texts;
}

void TTaskLogger::Clear() {
    std::lock_guard lock(mutex_);
    items_.clear();
    runStartIndex_ = 0;
}

int TTaskLogger::RunStartIndex() const {
    std::lock_guard lock(mutex_);
    return runStartIndex_;
}

int TTaskLogger::WritesSinceCheck() const {
    std::lock_guard lock(mutex_);
    return writesSinceCheck_;
}

int TTaskLogger::MaxItems() const {
    std::lock_guard lock(mutex_);
    return maxItems_;
}

void TTaskLogger::SetMaxItems(int maxItems) {
    std::lock_guard lock(mutex_);
    maxItems_ = std::max(1, maxItems);
}

TTaskLogger& LoggerOf(const TTask& task) {
    std::lock_guard lock(registryMutex);
    std::unique_ptr<TTaskLogger>& logger = registry[&task];
    if (!logger)
        logger = std::make_unique<TTaskLogger>(&task);
    return *logger;
}

TTaskLogger* FindLogger(const TTask& task) {
    std::lock_guard lock(registryMutex);
    const auto found = registry.find(&task);
    return found != registry.end() ? found->second.get() : nullptr;
}

void ForgetLogger(const TTask& task) {
    std::unique_ptr<TTaskLogger> gone;
    std::lock_guard lock(registryMutex);
    const auto found = registry.find(&task);
    if (found != registry.end()) {
        gone = std::move(found->second);
        registry.erase(found);
    }
}

void ForgetAllLoggers() {
    std::lock_guard lock(registryMutex);
    registry.clear();
}

void ForgetLogStartChecks() {
    std::lock_guard lock(startChecksMutex);
    startCheckedFiles.clear();
}
