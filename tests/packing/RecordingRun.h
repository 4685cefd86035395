#pragma once

#include <QString>
#include <functional>
#include <utility>
#include <vector>

#include "logging/RunContext.h"
#include "model/Task.h"

// A run that records what is logged into it. A test may ask for a stop from inside LogMessage (when a
// program has reached a known point), which the launcher then sees at its next look at the stop request.
class TRecordingRun : public TRunContext {
public:
    explicit TRecordingRun(const TTask& task) : task_(task) {}

    struct TRecord {
        TLogKind Kind;
        QString Text;
    };

    const TTask& Task() const override { return task_; }
    void LogMessage(TLogKind kind, const QString& text) override {
        Records.push_back({kind, text});
        if (OnLog)
            OnLog(kind, text);
    }
    int RaiseAlert(TAlertEvent, const QString&, const QString&) override { return AlertAnswer::NotShown; }
    void SetProgress(const QString&, qint64) override {}
    void AddProgressBytes(qint64) override {}
    void SetProgressDone(qint64) override {}
    int RetriesLeft() const override { return 0; }
    void ResetRetryErrors() override {}
    int ErrorCount() const override { return static_cast<int>(Texts(TLogKind::lkError).size()); }
    int WarningCount() const override { return static_cast<int>(Texts(TLogKind::lkWarning).size()); }
    bool StopRequested() override {
        ++StopChecks;
        return Stop;
    }
    void RequestStop() override { Stop = true; }
    bool SleepUnlessStopped(int) override { return !Stop; }
    bool SpanningHappened() const override { return false; }
    void SetSpanningHappened() override {}
    QString TempFolder() const override { return Temp; }

    std::vector<QString> Texts(TLogKind kind) const {
        std::vector<QString> out;
        for (const TRecord& r : Records)
            if (r.Kind == kind)
                out.push_back(r.Text);
        return out;
    }

    std::vector<TRecord> Records;
    std::function<void(TLogKind, const QString&)> OnLog;
    bool Stop = false;
    int StopChecks = 0;
    QString Temp;

private:
    const TTask& task_;
};
