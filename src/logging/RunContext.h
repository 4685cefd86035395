#pragma once

#include <QString>
#include <QtGlobal>

#include "logging/LogTypes.h"

class TTask;

// What a run offers to the code that works for it (scan, storage, transfer primitives, packers,
// launcher). The worker thread of a run implements it; tests implement it with a recorder. Every call
// is made from the run's own thread.
class TRunContext {
public:
    virtual ~TRunContext() = default;

    virtual const TTask& Task() const = 0;

    // Counts warnings and errors, then hands the record to the task's log (on the main thread) and
    // waits until it is written.
    virtual void LogMessage(TLogKind kind, const QString& text) = 0;
    // Shows an alert dialog (when the run's alert set wants one) and returns the answer
    // (AlertAnswer); an answer Stop also asks the run to stop.
    virtual int RaiseAlert(TAlertEvent event, const QString& buttons, const QString& text) = 0;

    // Progress shown by the window: a status text with a total, and bytes done.
    virtual void SetProgress(const QString& status, qint64 total) = 0;
    virtual void AddProgressBytes(qint64 bytes) = 0;
    virtual void SetProgressDone(qint64 done) = 0;

    // The smaller of (MaxNumberOfRetries - errors since the retry reset) and (MaxNumberBeforeStop -
    // errors), never below 0.
    virtual int RetriesLeft() const = 0;
    // The error and warning records written by this run so far (the run's totals line reports them;
    // the retry reset does not change them).
    virtual int ErrorCount() const = 0;
    virtual int WarningCount() const = 0;
    virtual void ResetRetryErrors() = 0;

    // The stop request. StopRequested also serves suspension: while the run is suspended it waits
    // until it is resumed or stopped, so every place that tests for a stop is a suspension point.
    virtual bool StopRequested() = 0;
    virtual void RequestStop() = 0;
    // Sleeps up to ms milliseconds, waking early when a stop is requested; false when stopped.
    virtual bool SleepUnlessStopped(int ms) = 0;

    // Set when a removable destination medium was exchanged during the run.
    virtual bool SpanningHappened() const = 0;
    virtual void SetSpanningHappened() = 0;

    // The run's private temporary folder, with a trailing '/' (empty when none could be made).
    virtual QString TempFolder() const = 0;
};
