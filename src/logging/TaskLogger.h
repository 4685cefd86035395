#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "logging/LogTypes.h"
#include "platform/DateTime.h"

class TTask;
struct TEffectiveLog;

// One kept record of a task's log: its kind, the moment it was logged and its record text (prefix
// included; task name and time are not part of it).
struct TLogItem {
    TLogKind Kind = TLogKind::lkSummary;
    TDateTime Time = 0;
    QString Text;
};

// The log of one task. A record (kind, message) is, in this order, handed to the record alerts, appended
// as one line to the task's log file and kept in memory for the log panel and the notification e-mail.
//
// The log file is shared by default between all tasks, so each line begins with the task name:
//   <Name> - <short date> <long time>: <record text> CR LF
// It is bounded by emptying it, not by rotation: at the first use of a log file in a program session when
// the default MaxSize is 0, and whenever a periodic check (every 101 lines of a logger) finds it at or
// above MaxSize KB.
//
// Log is meant for the main thread (workers hand their records over synchronously), but every method is
// safe to call from any thread: the kept records are guarded, and every access to a log file holds the
// process-wide busy flag.
class TTaskLogger {
public:
    static constexpr int kDefaultMaxItems = 100000;

    // A logger without a task does nothing. Creating a logger checks the size of the program-wide default
    // log file (see CheckLogSize), once per file and program session.
    explicit TTaskLogger(const TTask* task);
    TTaskLogger(const TTaskLogger&) = delete;
    TTaskLogger& operator=(const TTaskLogger&) = delete;

    const TTask* Task() const { return task_; }

    // The only entry for producers. A message's "%" signs are doubled; kinds 0-2 ignore the message; a
    // kind whose effective Include switch is off, or an empty record text, produces nothing at all.
    void Log(TLogKind kind, const QString& message);

    // Full path of the task's log file: a bare name lies in the user data folder, a name with a folder
    // part is made absolute against the current folder.
    QString LogFileName() const;

    // atCreation: the check of a new logger. It applies the program-wide defaults (LogFileName,
    // LogMaxSize), since a task's own log settings are not known when its object is built, and it runs only
    // once per log file and program session: building another task object (a duplicate, an import, a new
    // task) must not empty a log that this session has already written. With LogMaxSize 0 the file is
    // emptied; otherwise it is emptied when it holds at least LogMaxSize KB.
    // !atCreation: the periodic check with the task's effective settings; empties the file when its
    // MaxSize is above 0 and the file holds at least MaxSize KB.
    void CheckLogSize(bool atCreation);

    // Kept records, oldest first. At most MaxItems are kept; older ones are dropped (a long-running
    // program must not grow without bound).
    int Count() const;
    TLogItem Item(int index) const;  // a default item for an index out of range
    std::vector<TLogItem> Items() const;
    // Record time in the short date format, " ", long time format, " ", record text ("Save as", e-mail).
    QString LogItemText(int index) const;
    // LogItemText of the records of the current run: from RunStartIndex to the newest; empty when
    // RunStartIndex lies outside the kept records.
    QStringList CurrentRunItemTexts() const;
    // Empties the kept records (the window's "Clear"); the file is not touched. What is logged afterwards
    // belongs to the current run, so RunStartIndex returns to 0.
    void Clear();

    // Index of the newest record when the last task-started record was logged (-1 when none was kept).
    int RunStartIndex() const;
    // Lines written since the last periodic size check.
    int WritesSinceCheck() const;

    int MaxItems() const;
    void SetMaxItems(int maxItems);  // at least 1

private:
    void WriteLogLine(const QString& line, const TEffectiveLog& log);
    void AddLogItem(TLogKind kind, const QString& text, TDateTime time, bool enabled);
    static QString ItemText(const TLogItem& item);

    const TTask* task_;
    mutable std::mutex mutex_;  // guards the members below
    std::deque<TLogItem> items_;
    int runStartIndex_ = 0;
    int writesSinceCheck_ = 0;
    int maxItems_ = kDefaultMaxItems;
};

// The record text of a message (already percent-doubled) by kind, or empty when the kind's effective
// Include switch is off or the kind is unknown.
QString LogRecordText(TLogKind kind, const QString& message, const TEffectiveLog& log);
// "%" → "%%".
QString DoublePercentSigns(const QString& message);
// The timestamp of a log line: short date, blank, long time; only the date at exactly 00:00:00.
QString LogLineTimestamp(TDateTime time);
// Where a log file name leads (see TTaskLogger::LogFileName).
QString LogFilePath(const QString& fileName);

// The process-wide log-file busy flag, held around every access to a log file. Waiters poll it every
// 5 ms, 1000 times at most, and then give up (the line is lost). Never lock it on a thread that may log.
std::mutex& LogFileBusyFlag();

// Sees every record that a logger keeps or writes (after its Include switch), for example to print it in
// the command-line tool. Called on the logging thread; an empty function removes the observer.
using TLogObserver =
    std::function<void(const TTask& task, TLogKind kind, const QString& recordText, TDateTime time)>;
void SetLogObserver(TLogObserver observer);

// The loggers of the tasks, one per task object, created at first use. The model layer cannot own a
// logger (it lies below this layer), so they live here, keyed by the task object. The task list calls
// ForgetLogger when it deletes a task object; a logger must not be in use then (the task is not
// running).
TTaskLogger& LoggerOf(const TTask& task);
TTaskLogger* FindLogger(const TTask& task);  // nullptr when the task has none yet
void ForgetLogger(const TTask& task);
void ForgetAllLoggers();
// Lets the next new logger check each log file again, as at a program start (tests).
void ForgetLogStartChecks();
