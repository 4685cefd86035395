#include "logging/Email.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "logging/TaskLogger.h"
#include "logging/UserInterface.h"
#include "model/Task.h"
#include "platform/LocaleFormats.h"
#include "settings/GlobalSettings.h"
#include "settings/Language.h"

namespace {

// The task whose failure record this thread is logging: that record must not ask for another e-mail,
// or an unreachable server would be asked again and again.
thread_local const TTask* loggingFailureFor = nullptr;

bool OnMainThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}

void LogNotificationFailure(const TTask* task, const QString& taskId) {
    // The task may have been deleted while its notification was on its way; a deleted task has no
    // logger any more, and a new task that happens to sit at the same address has another ID.
    TTaskLogger* logger = FindLogger(*task);
    if (logger == nullptr || logger->Task() != task || task->ID != taskId)
        return;
    loggingFailureFor = task;
    logger->Log(TLogKind::lkError, EmailFailureRecordText());
    loggingFailureFor = nullptr;
}

}  // namespace

// --- settings and texts -------------------------------------------------------------------------------

TSmtpServer TEmailSettings::Server() const {
    return {SmtpServer, SmtpServerPort, SmtpServerAuthUse, SmtpServerAuthUser, SmtpServerAuthPassword};
}

TEmailSettings TaskEmailSettings(const TTask& task) {
    const TEffectiveEmailSettings e = task.EffectiveEmailSettings();
    return {e.SmtpServer,
            e.SmtpServerPort,
            e.SmtpServerAuthUse,
            e.SmtpServerAuthUser,
            e.SmtpServerAuthPassword,
            e.To,
            e.From,
            e.Subject};
}

TEmailSettings DefaultEmailSettings() {
    return EmailSettingsOf(GlobalSettings().TasksDefaults);
}

TEmailSettings EmailSettingsOf(const TTasksDefaults& d) {
    return {d.EmailSmtpServer,
            d.EmailSmtpServerPort,
            d.EmailSmtpServerAuthUse,
            d.EmailSmtpServerAuthUser,
            d.EmailSmtpServerAuthPassword,
            d.EmailTo,
            d.EmailFrom,
            d.EmailSubject};
}

void SetEmailSettings(TTasksDefaults& d, const TEmailSettings& settings) {
    d.EmailSmtpServer = settings.SmtpServer;
    d.EmailSmtpServerPort = settings.SmtpServerPort;
    d.EmailSmtpServerAuthUse = settings.SmtpServerAuthUse;
    d.EmailSmtpServerAuthUser = settings.SmtpServerAuthUser;
    d.EmailSmtpServerAuthPassword = settings.SmtpServerAuthPassword;
    d.EmailTo = settings.To;
    d.EmailFrom = settings.From;
    d.EmailSubject = settings.Subject;
}

QString AlertEmailCaption(TLogKind kind) {
    switch (kind) {
        case TLogKind::lkTaskStarted:
            return Translate(QStringLiteral("Task Startup"), QStringLiteral("strAlerterStartup"));
        case TLogKind::lkTaskFinished:
            return Translate(QStringLiteral("Task Finished"), QStringLiteral("strAlerterFinish"));
        case TLogKind::lkTaskAborted:
            return Translate(QStringLiteral("Task Aborted"), QStringLiteral("strAlerterAbort"));
        case TLogKind::lkFile:
            return Translate(QStringLiteral("File/Folder Operation"),
                             QStringLiteral("strAlerterFileOrFolder"));
        case TLogKind::lkWarning:
            return Translate(QStringLiteral("Warning"), QStringLiteral("strAlerterWarning"));
        case TLogKind::lkError:
            return Translate(QStringLiteral("Error"), QStringLiteral("strAlerterError"));
        default:
            return QString();
    }
}

QString AlertEmailSubject(const QString& subject, TLogKind kind) {
    return subject + QStringLiteral(" (") + AlertEmailCaption(kind) + QLatin1Char(')');
}

QString AlertEmailBody(const TTask& task, TLogKind kind, const QString& recordText, bool sendLog) {
    const TDateTime now = DateTime::Now();
    // The name is one line of the body, whatever line breaks it holds.
    QString body = QStringLiteral("Task name: ") + StripLineBreaks(task.Name) + QLatin1Char('\n');
    body += LocaleFormats::FormatShortDate(now) + QLatin1Char(' ') + LocaleFormats::FormatLongTime(now) +
            QStringLiteral(": ") + recordText + QLatin1Char('\n');
    if (kind == TLogKind::lkTaskStarted) {
        if (UserInterface().IsSilentMode())
            body += QStringLiteral("The Task started in Silent mode.\n");
        else if (task.StartedManually)
            body += QStringLiteral("The Task started Manually.\n");
        else
            body += QStringLiteral("The Task started by Schedule.\n");
    }
    if (sendLog && (kind == TLogKind::lkTaskFinished || kind == TLogKind::lkTaskAborted)) {
        body += QStringLiteral("\n\nDetailed backup log: \n");
        if (const TTaskLogger* logger = FindLogger(task)) {
            for (const QString& line : logger->CurrentRunItemTexts())
                body += line + QLatin1Char('\n');
        }
    }
    return body;
}

QString EmailFailureRecordText() {
    return QStringLiteral("Can't send email notification.");
}

TSmtpResult SendEmail(const QString& to, const QString& from, const QString& subject, const QString& password,
                      const QString& user, bool authenticate, const QString& server, int port,
                      const QString& body) {
    return SendSmtpMessage({server, port, authenticate, user, password}, {from, to, subject, body},
                           EmailOutbox().Options());
}

// --- outbox -------------------------------------------------------------------------------------------

struct TEmailOutbox::TImpl {
    struct TJob {
        TSmtpServer Server;
        TMailMessage Message;
        TDone Done;
    };

    mutable std::mutex mutex;
    std::condition_variable wake;  // the sending thread waits for work
    std::condition_variable idle;  // WaitUntilIdle waits for an empty queue
    std::deque<TJob> jobs;
    bool sending = false;
    bool stopping = false;
    std::thread thread;
    std::atomic<bool> cancel{false};
    TSmtpOptions options;
    int maxQueued = kDefaultMaxQueued;
    std::vector<std::pair<TDone, TSmtpResult>> outcomes;  // waiting for the main thread
    std::unique_ptr<QObject> mainContext;                 // lives in the main thread

    void Run(TEmailOutbox* owner);
    void Deliver(TEmailOutbox* owner, TDone done, const TSmtpResult& result);
};

void TEmailOutbox::TImpl::Run(TEmailOutbox* owner) {
    for (;;) {
        TJob job;
        TSmtpOptions current;
        {
            std::unique_lock lock(mutex);
            wake.wait(lock, [this] { return stopping || !jobs.empty(); });
            if (stopping)
                return;
            job = std::move(jobs.front());
            jobs.pop_front();
            sending = true;
            current = options;
        }
        current.Cancel = &cancel;
        const TSmtpResult result = SendSmtpMessage(job.Server, job.Message, current);
        Deliver(owner, std::move(job.Done), result);
        {
            std::lock_guard lock(mutex);
            sending = false;
        }
        idle.notify_all();
    }
}

void TEmailOutbox::TImpl::Deliver(TEmailOutbox* owner, TDone done, const TSmtpResult& result) {
    if (!done)
        return;
    QObject* context = nullptr;
    {
        std::lock_guard lock(mutex);
        context = mainContext.get();
        if (context != nullptr)
            outcomes.emplace_back(std::move(done), result);
    }
    if (context == nullptr) {
        // No application object: nothing to hand over to, the outcome is handled here.
        done(result);
        return;
    }
    // Never a blocking hand-over: the main thread may itself be waiting for this outbox at exit.
    QMetaObject::invokeMethod(
        context, [owner] { owner->DeliverOutcomes(); }, Qt::QueuedConnection);
}

TEmailOutbox::TEmailOutbox() : impl_(new TImpl) {}

TEmailOutbox::~TEmailOutbox() {
    {
        std::lock_guard lock(impl_->mutex);
        impl_->stopping = true;
        impl_->jobs.clear();
    }
    impl_->cancel.store(true);
    impl_->wake.notify_all();
    if (impl_->thread.joinable())
        impl_->thread.join();
    delete impl_;
}

void TEmailOutbox::Post(const TSmtpServer& server, const TMailMessage& message, TDone done) {
    // Set up on the caller's thread, not on the sending thread: a library set up from a worker keeps
    // that worker's state, and its set-up is not safe beside other threads.
    InitCurlOnce();
    bool full = false;
    {
        std::lock_guard lock(impl_->mutex);
        if (impl_->mainContext == nullptr) {
            if (QCoreApplication* app = QCoreApplication::instance()) {
                impl_->mainContext = std::make_unique<QObject>();
                if (impl_->mainContext->thread() != app->thread())
                    impl_->mainContext->moveToThread(app->thread());
            }
        }
        if (static_cast<int>(impl_->jobs.size()) >= impl_->maxQueued) {
            full = true;
        } else {
            if (!impl_->thread.joinable()) {
                impl_->stopping = false;
                impl_->cancel.store(false);
                impl_->thread = std::thread([this] { impl_->Run(this); });
            }
            impl_->jobs.push_back({server, message, std::move(done)});
        }
    }
    if (full) {
        // A server that cannot keep up must not make the queue grow without bound; the message is lost
        // like one the server refused.
        if (done)
            done({false, QStringLiteral("too many e-mails are waiting to be sent")});
        return;
    }
    impl_->wake.notify_one();
}

bool TEmailOutbox::WaitUntilIdle(std::chrono::milliseconds limit) {
    bool done = false;
    {
        std::unique_lock lock(impl_->mutex);
        done = impl_->idle.wait_for(lock, limit, [this] { return impl_->jobs.empty() && !impl_->sending; });
    }
    if (OnMainThread())
        DeliverOutcomes();
    return done;
}

bool TEmailOutbox::Stop(std::chrono::milliseconds limit) {
    const bool drained = WaitUntilIdle(limit);
    {
        std::lock_guard lock(impl_->mutex);
        impl_->stopping = true;
        impl_->jobs.clear();
    }
    impl_->cancel.store(true);
    impl_->wake.notify_all();
    if (impl_->thread.joinable())
        impl_->thread.join();
    if (OnMainThread())
        DeliverOutcomes();
    return drained;
}

void TEmailOutbox::SetOptions(const TSmtpOptions& options) {
    std::lock_guard lock(impl_->mutex);
    impl_->options = options;
}

TSmtpOptions TEmailOutbox::Options() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->options;
}

void TEmailOutbox::SetMaxQueued(int count) {
    std::lock_guard lock(impl_->mutex);
    impl_->maxQueued = std::max(1, count);
}

void TEmailOutbox::DeliverOutcomes() {
    std::vector<std::pair<TDone, TSmtpResult>> ready;
    {
        std::lock_guard lock(impl_->mutex);
        ready.swap(impl_->outcomes);
    }
    for (auto& [done, result] : ready)
        done(result);
}

TEmailOutbox& EmailOutbox() {
    static TEmailOutbox outbox;
    return outbox;
}

// --- notifier -----------------------------------------------------------------------------------------

void TQueuedEmailNotifier::SendNotification(const TTask& task, TLogKind kind, const QString& recordText,
                                            bool sendLog, const QString& address) {
    if (loggingFailureFor == &task)
        return;
    const TEmailSettings settings = TaskEmailSettings(task);
    const TMailMessage message{settings.From, address, AlertEmailSubject(settings.Subject, kind),
                               AlertEmailBody(task, kind, recordText, sendLog)};
    const TTask* taskPointer = &task;
    const QString taskId = task.ID;
    EmailOutbox().Post(settings.Server(), message, [taskPointer, taskId](const TSmtpResult& result) {
        if (!result.Success)
            LogNotificationFailure(taskPointer, taskId);
    });
}

namespace {
TQueuedEmailNotifier programNotifier;
}

void InstallEmailNotifier() {
    SetEmailNotifier(&programNotifier);
}

bool UninstallEmailNotifier(std::chrono::milliseconds limit) {
    if (EmailNotifier() == &programNotifier)
        SetEmailNotifier(nullptr);
    return EmailOutbox().Stop(limit);
}

bool WaitForEmails(std::chrono::milliseconds limit) {
    return EmailOutbox().WaitUntilIdle(limit);
}

// --- test e-mail --------------------------------------------------------------------------------------

QString TTestEmailResult::Caption() const {
    return Success ? Translate(QStringLiteral("Information"), QStringLiteral("strInformation"))
                   : Translate(QStringLiteral("Error"), QStringLiteral("strError"));
}

QString TTestEmailResult::Message() const {
    return Success ? Translate(QStringLiteral("It seems that email was successfully sent. Please check your "
                                              "mailbox using your foworite email client to !"),
                               QStringLiteral("strEmailCheckMailbox"))
                   : Translate(QStringLiteral("Email can't be sent!"), QStringLiteral("strEmailCantSend"));
}

QString TestEmailBody() {
    return Translate(QStringLiteral("If you see this text in your email client - \nthe test message from "
                                    "Tarnovex delivered successfully!"),
                     QStringLiteral("strEmailTest"));
}

TTestEmailResult SendTestEmail(const TEmailSettings& settings) {
    const TSmtpResult result =
        SendEmail(settings.To, settings.From, settings.Subject, settings.SmtpServerAuthPassword,
                  settings.SmtpServerAuthUser, settings.SmtpServerAuthUse, settings.SmtpServer,
                  settings.SmtpServerPort, TestEmailBody());
    return {result.Success, result.ErrorText};
}

void SendTestEmailAsync(const TEmailSettings& settings, std::function<void(const TTestEmailResult&)> done) {
    EmailOutbox().Post(settings.Server(), {settings.From, settings.To, settings.Subject, TestEmailBody()},
                       [done = std::move(done)](const TSmtpResult& result) {
                           if (done)
                               done({result.Success, result.ErrorText});
                       });
}
