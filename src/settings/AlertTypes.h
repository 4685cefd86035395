#pragma once

#include <QString>
#include <array>

// Alert configuration shared by the tasks (group EventAlerts) and the program-wide task defaults.
// A block of channels exists for every alert set × event; stored names are set + event + channel
// (task side, e.g. "ScheduledStartDialog") or "Events" + that (defaults, "EventsScheduledStartDialog").

enum class TAlertSet { Scheduled = 0, Manual = 1, Silent = 2 };
enum class TAlertEventKind { Start = 0, File = 1, DiskSpan = 2, Error = 3, Warning = 4, Finish = 5 };

inline constexpr int kAlertSetCount = 3;
inline constexpr int kAlertEventCount = 6;
inline constexpr std::array<const char*, kAlertSetCount> kAlertSetNames = {"Scheduled", "Manual", "Silent"};
inline constexpr std::array<const char*, kAlertEventCount> kAlertEventNames = {"Start",   "File",    "DiskSpan",
                                                                               "Error",   "Warning", "Finish"};

struct TAlertChannels {
    bool Dialog = false;
    bool Balloon = false;
    bool Sound = false;
    QString SoundFile;
    bool EmailUse = false;     // not stored for the File event
    QString Email;             // not stored for the File event
    bool EmailSendLog = true;  // stored for the Finish event only

    bool operator==(const TAlertChannels&) const = default;
};

// [set][event]
using TEventAlerts = std::array<std::array<TAlertChannels, kAlertEventCount>, kAlertSetCount>;

inline TAlertChannels& AlertOf(TEventAlerts& alerts, TAlertSet set, TAlertEventKind event) {
    return alerts[static_cast<int>(set)][static_cast<int>(event)];
}
inline const TAlertChannels& AlertOf(const TEventAlerts& alerts, TAlertSet set, TAlertEventKind event) {
    return alerts[static_cast<int>(set)][static_cast<int>(event)];
}
