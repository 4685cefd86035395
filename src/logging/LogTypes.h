#pragma once

#include <QtGlobal>

// Kind of a log record. Producers pass these codes and no others; the numbers are part of the log
// panel's colours and of the alert mapping.
enum class TLogKind : quint8 {
    lkTaskStarted = 0,
    lkTaskFinished = 1,
    lkTaskAborted = 2,
    lkSummary = 3,
    lkFile = 4,
    lkSkipped = 5,
    lkWarning = 6,  // counted as a warning of the run
    lkError = 7,    // counted as an error of the run
    lkFtp = 8,
    lkConsole = 9,
};

// Event of an alert dialog (not a log kind).
enum class TAlertEvent : quint8 {
    aeStart = 0,
    aeFile = 1,
    aeFolder = 2,
    aeDiskSpan = 3,
    aeFinish = 4,
    aeError = 5,
    aeWarning = 6,
};

// Answers of an alert dialog. Buttons are given as letters: C Continue, I Ignore, K Skip, O OK, R Retry,
// S Stop, Y Yes (for example "CS", "RS", "S", "O").
namespace AlertAnswer {
constexpr int NotShown = 0;
constexpr int Cancel = 2;  // closed without a button; callers treat it as "go on"
constexpr int Stop = 3;
constexpr int Retry = 4;
constexpr int Ignore = 5;
constexpr int Ok = 6;  // OK, Yes and Continue
constexpr int Skip = 7;
}  // namespace AlertAnswer
