#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "logging/LogTypes.h"
#include "logging/UserInterface.h"
#include "settings/AlertTypes.h"

class TTask;

// Alerts of a task's run. Two independent paths:
// - record alerts (balloon, sound, e-mail) raised by the task's logger for the records it keeps; they
//   only inform;
// - dialog alerts raised by the run where the user decides (continue, retry, skip, stop).
// What fires depends on the run mode (TTask::AlertSet with the interface's silent mode) and the task's
// effective EventAlerts.

// Sends the notification e-mail of one record. The e-mail layer installs its implementation; without one
// no e-mail is sent.
class TEmailNotifier {
public:
    virtual ~TEmailNotifier() = default;
    // sendLog is set only for the Finish event when its FinishEmailSendLog option is on; address may
    // hold several recipients separated by commas.
    virtual void SendNotification(const TTask& task, TLogKind kind, const QString& recordText, bool sendLog,
                                  const QString& address) = 0;
};
// Not owned; nullptr (the default) disables the e-mail channel.
void SetEmailNotifier(TEmailNotifier* notifier);
TEmailNotifier* EmailNotifier();

// The alert set of the task's current run: Silent in silent mode, else Manual after a start by hand, else
// Scheduled.
TAlertSet CurrentAlertSet(const TTask& task);

// The event whose record alerts a log kind raises: 0 Start, 1 and 2 Finish, 4 File, 6 Warning, 7 Error;
// none for the other kinds.
std::optional<TAlertEventKind> RecordAlertEvent(TLogKind kind);

// The balloon icon of a record: 0 and 1 information, 2 error, 6 warning, 7 error, none otherwise.
TBalloonIcon BalloonIconOf(TLogKind kind);

// The record-alert channels of a kind in the task's current run mode. The File event has no e-mail; only
// the Finish event carries the send-log flag. A kind without an event gives every channel off.
struct TRecordAlertChannels {
    bool Balloon = false;
    bool Sound = false;
    QString SoundFile;
    bool EmailUse = false;
    QString Email;
    bool EmailSendLog = false;
};
TRecordAlertChannels GetAlertChannels(const TTask& task, TLogKind kind);

// The file to play for a stored sound option: blanks trimmed; a relative name lies below the shipped data
// folder (where the Media sound themes are), its stored backslashes read as folder separators. Empty
// when the option is blank.
QString SoundFilePath(const QString& soundFile);

// Raises the record alerts of one kept record: sound, balloon (title = task name), e-mail. A record that a
// notification e-mail logs while it is being sent (its failure record) never starts another e-mail.
void DispatchAlerts(const TTask& task, TLogKind kind, const QString& recordText);

// Whether the dialog of an event is wanted in the task's current run mode (aeFolder uses the File
// options); events beyond aeWarning never show a dialog.
bool AlertDialogWanted(const TTask& task, TAlertEvent event);
// The translated action line of an event's dialog; empty for aeFolder.
QString AlertActionText(TAlertEvent event);
// The dialog alert: 0 when no dialog is wanted, otherwise the answer of the user interface's dialog
// (AlertAnswer: 3 stop, 4 retry, 5 ignore, 6 go on, 7 skip, 2 closed).
int ShowAlert(const TTask& task, TAlertEvent event, const QString& message, const QString& buttons);

// Buttons of the alert dialog, one per letter of the button set, in order. A letter outside the table
// keeps its slot but shows nothing (Visible false).
struct TAlertButton {
    QChar Letter;
    QString Caption;  // "&Continue", ...
    int Result = 0;   // AlertAnswer
    bool Visible = false;
    bool Cancels = false;  // "&OK" and "&Stop" answer the Escape key
    int Left = 0;          // left position in the button panel
};
inline constexpr int kAlertButtonPanelWidth = 450;
inline constexpr int kAlertButtonSlotWidth = 87;
inline constexpr int kAlertButtonWidth = 81;
std::vector<TAlertButton> AlertButtons(const QString& buttons, int panelWidth = kAlertButtonPanelWidth);
