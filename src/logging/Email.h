#pragma once

#include <QString>
#include <chrono>
#include <functional>

#include "logging/Alerts.h"
#include "logging/LogTypes.h"
#include "logging/SmtpClient.h"

struct TTasksDefaults;

class TTask;

// Notification e-mails of the tasks and the test e-mail of the preferences.
//
// Sending never holds up the caller: a notification is composed at once on the caller's thread (the
// task, its log and the clock are read there) and handed to the outbox, whose own thread talks to the
// SMTP server within the connect and overall timeouts. A failed notification is lost (there is no
// retry) and its task logs the error record "Can't send email notification.", which never asks for
// another e-mail.

// The server and message settings of one sending: a task's effective e-mail settings, the global
// defaults, or what a dialog currently holds.
struct TEmailSettings {
    QString SmtpServer;
    int SmtpServerPort = 25;
    bool SmtpServerAuthUse = false;
    QString SmtpServerAuthUser;
    QString SmtpServerAuthPassword;
    QString To;
    QString From;
    QString Subject;

    TSmtpServer Server() const;
};
TEmailSettings TaskEmailSettings(const TTask& task);  // the task's effective settings
TEmailSettings DefaultEmailSettings();                // the "Tasks Defaults" e-mail values
TEmailSettings EmailSettingsOf(const TTasksDefaults& defaults);
void SetEmailSettings(TTasksDefaults& defaults, const TEmailSettings& settings);

// Caption of a record kind in the subject: "Task Startup", "Task Finished", "Task Aborted",
// "File/Folder Operation", "Warning", "Error" (translated); empty for the other kinds.
QString AlertEmailCaption(TLogKind kind);
// Subject of a notification: the subject setting, " (", the caption, ")".
QString AlertEmailSubject(const QString& subject, TLogKind kind);
// Body of a notification, lines separated by LF: the task name, the record with the current date and
// time, for a start how the run was started, and with sendLog (finish and abort only) the records of the
// current run from the task's log.
QString AlertEmailBody(const TTask& task, TLogKind kind, const QString& recordText, bool sendLog);
// Text of the error record of a failed notification.
QString EmailFailureRecordText();

// Sends one message and waits for the outcome (at most the overall timeout): for the command-line
// tool and for code already off the user-interface thread. Never throws.
TSmtpResult SendEmail(const QString& to, const QString& from, const QString& subject, const QString& password,
                      const QString& user, bool authenticate, const QString& server, int port,
                      const QString& body);

// The outbox: a queue of messages and the thread that sends them one after another.
class TEmailOutbox {
public:
    using TDone = std::function<void(const TSmtpResult&)>;
    static constexpr int kDefaultMaxQueued = 200;

    TEmailOutbox();
    ~TEmailOutbox();  // stops the thread; messages still queued are dropped without a word
    TEmailOutbox(const TEmailOutbox&) = delete;
    TEmailOutbox& operator=(const TEmailOutbox&) = delete;

    // Queues one message; returns at once. done (may be empty) runs on the main thread (the thread of
    // the QCoreApplication; directly on the sending thread when there is none) after the attempt. A
    // full queue refuses the message: done then reports failure. The thread starts at first use.
    void Post(const TSmtpServer& server, const TMailMessage& message, TDone done);
    // Waits until nothing is queued or being sent, at most limit, and on the main thread delivers the
    // outcomes still waiting there. False when the limit passed first.
    bool WaitUntilIdle(std::chrono::milliseconds limit);
    // Waits like WaitUntilIdle, then stops the thread; what is still queued is dropped. Posting later
    // starts a new thread.
    bool Stop(std::chrono::milliseconds limit);

    void SetOptions(const TSmtpOptions& options);  // for the next messages
    TSmtpOptions Options() const;
    void SetMaxQueued(int count);

    // Runs the outcomes that wait for the main thread (called there).
    void DeliverOutcomes();

private:
    struct TImpl;
    TImpl* impl_;
};

// The program's outbox.
TEmailOutbox& EmailOutbox();

// The notifier that the alerts call: composes each notification and posts it to the program's outbox.
class TQueuedEmailNotifier : public TEmailNotifier {
public:
    void SendNotification(const TTask& task, TLogKind kind, const QString& recordText, bool sendLog,
                          const QString& address) override;
};

// Installs the program's notifier at start-up; the counterpart waits at most limit for the queued
// notifications, then uninstalls it and stops the outbox (at exit).
void InstallEmailNotifier();
bool UninstallEmailNotifier(std::chrono::milliseconds limit = std::chrono::milliseconds(125000));
// Waits at most limit for every queued e-mail to be sent or given up.
bool WaitForEmails(std::chrono::milliseconds limit);

// The test e-mail: the given settings as they are, the subject without an event suffix, sent to
// settings.To. Caption and Message are the texts of the box that reports the outcome.
struct TTestEmailResult {
    bool Success = false;
    QString ErrorText;  // the reason of a failure
    QString Caption() const;
    QString Message() const;
};
QString TestEmailBody();
// Waits for the outcome (at most the overall timeout); for the command-line tool.
TTestEmailResult SendTestEmail(const TEmailSettings& settings);
// Returns at once; done runs on the main thread with the outcome (for the dialogs).
void SendTestEmailAsync(const TEmailSettings& settings, std::function<void(const TTestEmailResult&)> done);
