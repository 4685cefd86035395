#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include <QJsonArray>
#include <memory>

#include "EmailTestServer.h"
#include "LoggingFixture.h"
#include "logging/Email.h"

namespace {

using namespace std::chrono_literals;

QString Unix(QString text) {
    return text.remove(QLatin1Char('\r'));
}

QStringList Recipients(const QJsonObject& message) {
    QStringList result;
    for (const QJsonValue& value : message[QStringLiteral("rcpt_tos")].toArray())
        result << value.toString();
    return result;
}

QByteArray Raw(const QJsonObject& message) {
    return QByteArray::fromBase64(message[QStringLiteral("raw")].toString().toLatin1());
}

// A self-signed certificate for 127.0.0.1, made once per test program.
class TTestCertificate {
public:
    TTestCertificate() {
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                       QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                       QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                       QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1"),
                       QStringLiteral("-keyout"), Key(), QStringLiteral("-out"), Cert()});
        ok_ = openssl.waitForFinished(60000) && openssl.exitCode() == 0;
    }
    bool Ok() const { return ok_; }
    QString Cert() const { return dir_.filePath(QStringLiteral("cert.pem")); }
    QString Key() const { return dir_.filePath(QStringLiteral("key.pem")); }

private:
    QTemporaryDir dir_;
    bool ok_ = false;
};

const TTestCertificate& Certificate() {
    static TTestCertificate certificate;
    return certificate;
}

// A port on 127.0.0.1 that refuses connections: bound for the lifetime of the object, never listening.
class TRefusingPort {
public:
    TRefusingPort() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port_ = ntohs(address.sin_port);
    }
    ~TRefusingPort() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

class Email : public LoggingTest {
protected:
    void SetUp() override {
        LoggingTest::SetUp();
        task.Name = QStringLiteral("Documents");
        TSmtpOptions options;
        options.ConnectTimeoutMs = 10000;
        options.TotalTimeoutMs = 30000;
        EmailOutbox().SetOptions(options);
        InstallEmailNotifier();
    }
    void TearDown() override {
        UninstallEmailNotifier(30s);
        EmailOutbox().SetOptions({});
        server.reset();
        LoggingTest::TearDown();
    }

    void StartServer(const TSmtpTestServer::TOptions& options = {}) {
        server = std::make_unique<TSmtpTestServer>();
        QString error;
        ASSERT_TRUE(server->Start(options, error)) << error.toStdString();
        UsePort(server->Port());
    }
    void UsePort(int port) {
        TTasksDefaults& d = GlobalSettings().TasksDefaults;
        d.EmailSmtpServer = QStringLiteral("127.0.0.1");
        d.EmailSmtpServerPort = port;
        d.EmailFrom = QStringLiteral("Tarnovex <backup@example.org>");
    }
    TAlertChannels& Default(TAlertSet set, TAlertEventKind event) {
        return AlertOf(GlobalSettings().TasksDefaults.Events, set, event);
    }
    void MailOn(TAlertEventKind event, const QString& address, bool sendLog = false) {
        TAlertChannels& channels = Default(TAlertSet::Scheduled, event);
        channels.EmailUse = true;
        channels.Email = address;
        channels.EmailSendLog = sendLog;
    }
    void Drain() { ASSERT_TRUE(WaitForEmails(60s)); }
    int FailureRecords() const {
        int count = 0;
        for (const TLogItem& item : LoggerOf(task).Items())
            count += item.Kind == TLogKind::lkError &&
                     item.Text == QStringLiteral("ERROR: Can't send email notification.");
        return count;
    }
    TEmailSettings TestSettings() const {
        TEmailSettings settings = DefaultEmailSettings();
        settings.To = QStringLiteral("ann@example.org");
        settings.Subject = QStringLiteral("Tarnovex test");
        return settings;
    }

    TTask task;
    std::unique_ptr<TSmtpTestServer> server;
};

// --- texts and encodings --------------------------------------------------------------------------------

TEST(EmailAddresses, ListsSplitAtCommasOutsideQuotesAndBrackets) {
    const auto list = ParseMailboxList(
        QStringLiteral(" ann@example.org, \"Doe, John\" <john@example.org>,, Bob <bob@x.org> "));
    ASSERT_TRUE(list.has_value());
    ASSERT_EQ(list->size(), 3u);
    EXPECT_EQ((*list)[0].Address, QStringLiteral("ann@example.org"));
    EXPECT_EQ((*list)[1].DisplayName, QStringLiteral("Doe, John"));
    EXPECT_EQ((*list)[1].Address, QStringLiteral("john@example.org"));
    EXPECT_EQ((*list)[2].DisplayName, QStringLiteral("Bob"));

    EXPECT_FALSE(ParseMailboxList(QStringLiteral("ann@example.org, not an address")).has_value());
    EXPECT_FALSE(ParseMailbox(QStringLiteral("Ann <ann@example.org> trailing")).has_value());
    EXPECT_FALSE(ParseMailbox(QString()).has_value());
    // Line breaks are removed before parsing, so an attempt to add a header line leaves blanks in the
    // address, which is then refused.
    EXPECT_FALSE(ParseMailbox(QStringLiteral("ann@example.org\r\nBcc: eve@example.org")).has_value());
    EXPECT_EQ(ParseMailbox(QStringLiteral("ann@example.org\r\n"))->Address,
              QStringLiteral("ann@example.org"));
}

TEST(EmailHeaders, NonAsciiTextBecomesShortEncodedWordsThatDecodeBack) {
    EXPECT_EQ(EncodeHeaderText(QStringLiteral("Backup Notification")), QByteArray("Backup Notification"));
    EXPECT_EQ(EncodeHeaderText(QStringLiteral("a\r\nBcc: x")), QByteArray("aBcc: x"));

    QString text;
    for (int i = 0; i < 40; ++i)
        text += QStringLiteral("Größe ✓ 😀 ");
    const QByteArray encoded = EncodeHeaderText(text);
    QByteArray decoded;
    for (const QByteArray& line : encoded.split('\n')) {
        const QByteArray word = line.trimmed();
        EXPECT_LE(word.size(), 75);
        ASSERT_TRUE(word.startsWith("=?UTF-8?B?") && word.endsWith("?=")) << word.constData();
        const QByteArray payload = QByteArray::fromBase64(word.mid(10, word.size() - 12));
        // Every word holds whole characters: it decodes on its own.
        EXPECT_EQ(QString::fromUtf8(payload).toUtf8(), payload);
        decoded += payload;
    }
    EXPECT_EQ(QString::fromUtf8(decoded), text);
    // A literal "=?" is encoded too, so that no reader takes it for an encoded word.
    EXPECT_TRUE(EncodeHeaderText(QStringLiteral("=?x?=")).startsWith("=?UTF-8?B?"));
}

TEST(EmailHeaders, UrlChoosesImplicitTlsOnItsPortAndRefusesOddHosts) {
    const TSmtpOptions options;
    EXPECT_TRUE(SmtpUrl(QStringLiteral("mail.example.org"), 465, options)
                    .startsWith("smtps://mail.example.org:465/"));
    EXPECT_TRUE(
        SmtpUrl(QStringLiteral("mail.example.org"), 587, options).startsWith("smtp://mail.example.org:587/"));
    EXPECT_TRUE(SmtpUrl(QStringLiteral("::1"), 25, options).startsWith("smtp://[::1]:25/"));
    EXPECT_TRUE(SmtpUrl(QStringLiteral("mail.example.org/evil"), 25, options).isEmpty());
    EXPECT_TRUE(SmtpUrl(QStringLiteral("user@mail.example.org"), 25, options).isEmpty());
    EXPECT_TRUE(SmtpUrl(QStringLiteral("mail.example.org"), 0, options).isEmpty());
    EXPECT_TRUE(SmtpUrl(QStringLiteral("  "), 25, options).isEmpty());
}

TEST_F(Email, BodyTellsHowTheRunStartedAndQuotesOnlyTheCurrentRun) {
    EXPECT_EQ(AlertEmailBody(task, TLogKind::lkTaskStarted, QStringLiteral("Task started."), false),
              QStringLiteral("Task name: Documents\n08.12.2026 21:30:05: Task started.\n"
                             "The Task started by Schedule.\n"));
    task.StartedManually = true;
    EXPECT_TRUE(AlertEmailBody(task, TLogKind::lkTaskStarted, QString(), false)
                    .endsWith(QStringLiteral("The Task started Manually.\n")));
    ui.SetSilentMode(true);
    EXPECT_TRUE(AlertEmailBody(task, TLogKind::lkTaskStarted, QString(), false)
                    .endsWith(QStringLiteral("The Task started in Silent mode.\n")));
    ui.SetSilentMode(false);

    LoggerOf(task).Log(TLogKind::lkSummary, QStringLiteral("an earlier run"));
    LoggerOf(task).Log(TLogKind::lkTaskStarted, QString());
    LoggerOf(task).Log(TLogKind::lkFile, QStringLiteral("copied 100% of a.txt"));
    const QString expectedLog = QStringLiteral(
        "Task name: Documents\n08.12.2026 21:30:05: Task finished.\n\n\nDetailed backup log: \n"
        "08.12.2026 21:30:05 Task started.\n08.12.2026 21:30:05 copied 100%% of a.txt\n");
    EXPECT_EQ(AlertEmailBody(task, TLogKind::lkTaskFinished, QStringLiteral("Task finished."), true),
              expectedLog);
    // Without the flag, and for other kinds even with it, there is no log section.
    EXPECT_EQ(AlertEmailBody(task, TLogKind::lkTaskFinished, QStringLiteral("Task finished."), false),
              QStringLiteral("Task name: Documents\n08.12.2026 21:30:05: Task finished.\n"));
    EXPECT_FALSE(
        AlertEmailBody(task, TLogKind::lkError, QStringLiteral("ERROR: x"), true).contains("Detailed"));

    EXPECT_EQ(AlertEmailSubject(QStringLiteral("Backup Notification"), TLogKind::lkTaskAborted),
              QStringLiteral("Backup Notification (Task Aborted)"));
    EXPECT_EQ(AlertEmailCaption(TLogKind::lkTaskStarted), QStringLiteral("Task Startup"));
    EXPECT_EQ(AlertEmailCaption(TLogKind::lkWarning), QStringLiteral("Warning"));
    EXPECT_EQ(AlertEmailCaption(TLogKind::lkError), QStringLiteral("Error"));
}

// --- against a local server ------------------------------------------------------------------------------

TEST_F(Email, FinishNotificationArrivesWithHeadersBodyAndTheRunsLog) {
    ASSERT_NO_FATAL_FAILURE(StartServer());
    GlobalSettings().TasksDefaults.EmailSmtpServerAuthUser = QStringLiteral("stored-but-unused");
    MailOn(TAlertEventKind::Finish, QStringLiteral("ann@example.org, Bob <bob@example.org>"), true);
    LoggerOf(task).Log(TLogKind::lkTaskStarted, QString());
    LoggerOf(task).Log(TLogKind::lkFile, QStringLiteral(".hidden copied"));
    LoggerOf(task).Log(TLogKind::lkTaskFinished, QString());
    ASSERT_NO_FATAL_FAILURE(Drain());

    const std::vector<QJsonObject> messages = server->Messages();
    ASSERT_EQ(messages.size(), 1u);
    const QJsonObject& mail = messages[0];
    EXPECT_EQ(mail[QStringLiteral("mail_from")].toString(), QStringLiteral("backup@example.org"));
    EXPECT_EQ(Recipients(mail),
              (QStringList{QStringLiteral("ann@example.org"), QStringLiteral("bob@example.org")}));
    EXPECT_TRUE(mail[QStringLiteral("auth")].isNull());  // no AUTH without the flag, whatever user is stored
    EXPECT_EQ(mail[QStringLiteral("subject")].toString(),
              QStringLiteral("Backup Notification (Task Finished)"));
    EXPECT_EQ(mail[QStringLiteral("from")].toString(), QStringLiteral("Tarnovex <backup@example.org>"));
    EXPECT_EQ(mail[QStringLiteral("to")].toString(),
              QStringLiteral("ann@example.org, Bob <bob@example.org>"));
    EXPECT_EQ(mail[QStringLiteral("content_type")].toString(), QStringLiteral("text/plain"));
    EXPECT_FALSE(mail[QStringLiteral("multipart")].toBool());
    EXPECT_EQ(Unix(mail[QStringLiteral("body")].toString()),
              QStringLiteral(
                  "Task name: Documents\n08.12.2026 21:30:05: Task finished.\n\n\nDetailed backup log: \n"
                  "08.12.2026 21:30:05 Task started.\n08.12.2026 21:30:05 .hidden copied\n"));
    const QByteArray raw = Raw(mail);
    EXPECT_TRUE(raw.contains("\r\nDate: ") || raw.startsWith("Date: "));
    EXPECT_TRUE(raw.contains("\r\nMessage-ID: <"));
    EXPECT_EQ(FailureRecords(), 0);
}

TEST_F(Email, NonAsciiTextsAreEncodedAndArriveIntact) {
    ASSERT_NO_FATAL_FAILURE(StartServer());
    task.Name = QStringLiteral("Fotos — Größe ✓");
    GlobalSettings().TasksDefaults.EmailSubject = QStringLiteral("Sicherung für Jürgen 😀");
    GlobalSettings().TasksDefaults.EmailFrom = QStringLiteral("Zoë Backup <backup@example.org>");
    MailOn(TAlertEventKind::Warning, QStringLiteral("\"Dvořák, Antonín\" <ad@example.org>"));
    // Quoted-printable must keep "=", tabs and a blank at the end of a line through soft line breaks.
    const QString longLine = QString(600, QChar(0x00E9)) + QStringLiteral(" a=b\tend ");
    LoggerOf(task).Log(TLogKind::lkWarning, longLine);
    ASSERT_NO_FATAL_FAILURE(Drain());

    const std::vector<QJsonObject> messages = server->Messages();
    ASSERT_EQ(messages.size(), 1u);
    const QJsonObject& mail = messages[0];
    EXPECT_EQ(mail[QStringLiteral("subject")].toString(), QStringLiteral("Sicherung für Jürgen 😀 (Warning)"));
    EXPECT_EQ(mail[QStringLiteral("from")].toString(), QStringLiteral("Zoë Backup <backup@example.org>"));
    EXPECT_EQ(mail[QStringLiteral("to")].toString(), QStringLiteral("\"Dvořák, Antonín\" <ad@example.org>"));
    EXPECT_EQ(mail[QStringLiteral("charset")].toString(), QStringLiteral("utf-8"));
    EXPECT_EQ(Unix(mail[QStringLiteral("body")].toString()),
              QStringLiteral("Task name: Fotos — Größe ✓\n08.12.2026 21:30:05: WARNING: ") + longLine +
                  QLatin1Char('\n'));
    // Everything on the wire is ASCII, in lines a mail server accepts.
    const QByteArray raw = Raw(mail);
    for (char ch : raw)
        ASSERT_LT(static_cast<unsigned char>(ch), 0x80);
    for (const QByteArray& line : raw.split('\n'))
        EXPECT_LE(line.size(), 999);
}

TEST_F(Email, LineBreaksInSettingsAndTaskNameCannotAddHeadersOrRecipients) {
    ASSERT_NO_FATAL_FAILURE(StartServer());
    task.Name = QStringLiteral("Docs\r\nBcc: eve@example.org");
    GlobalSettings().TasksDefaults.EmailSubject =
        QStringLiteral("Hi\r\nBcc: eve@example.org\r\n\r\nfake body");
    GlobalSettings().TasksDefaults.EmailFrom =
        QStringLiteral("Tarnovex\r\nX-Injected: 1 <backup@example.org>");
    MailOn(TAlertEventKind::Error, QStringLiteral("ann@example.org\r\n"));
    LoggerOf(task).Log(TLogKind::lkError, QStringLiteral("disk\r\nfull"));
    ASSERT_NO_FATAL_FAILURE(Drain());

    const std::vector<QJsonObject> messages = server->Messages();
    ASSERT_EQ(messages.size(), 1u);
    const QJsonObject& mail = messages[0];
    EXPECT_EQ(Recipients(mail), QStringList{QStringLiteral("ann@example.org")});
    QStringList headers;
    for (const QJsonValue& name : mail[QStringLiteral("header_names")].toArray())
        headers << name.toString().toLower();
    EXPECT_FALSE(headers.contains(QStringLiteral("bcc")));
    EXPECT_FALSE(headers.contains(QStringLiteral("x-injected")));
    EXPECT_EQ(headers.count(QStringLiteral("subject")), 1);
    EXPECT_EQ(mail[QStringLiteral("subject")].toString(),
              QStringLiteral("HiBcc: eve@example.orgfake body (Error)"));
    EXPECT_EQ(mail[QStringLiteral("from")].toString(),
              QStringLiteral("\"TarnovexX-Injected: 1\" <backup@example.org>"));
    EXPECT_TRUE(Unix(mail[QStringLiteral("body")].toString())
                    .startsWith(QStringLiteral("Task name: DocsBcc: eve@example.org\n")));
}

TEST_F(Email, AuthenticationUsesTheAccountAndAWrongPasswordFailsOnce) {
    TSmtpTestServer::TOptions account;
    account.User = QStringLiteral("ann");
    account.Password = QStringLiteral("s3cret");
    account.LoginOnly = true;
    ASSERT_NO_FATAL_FAILURE(StartServer(account));
    TTasksDefaults& d = GlobalSettings().TasksDefaults;
    d.EmailSmtpServerAuthUse = true;
    d.EmailSmtpServerAuthUser = QStringLiteral("ann");
    d.EmailSmtpServerAuthPassword = QStringLiteral("s3cret");
    MailOn(TAlertEventKind::Start, QStringLiteral("ann@example.org"));
    MailOn(TAlertEventKind::Error, QStringLiteral("ann@example.org"));
    LoggerOf(task).Log(TLogKind::lkTaskStarted, QString());
    ASSERT_NO_FATAL_FAILURE(Drain());
    ASSERT_EQ(server->Messages().size(), 1u);
    const QJsonObject auth = server->Messages()[0][QStringLiteral("auth")].toObject();
    EXPECT_EQ(auth[QStringLiteral("mechanism")].toString(), QStringLiteral("LOGIN"));
    EXPECT_EQ(auth[QStringLiteral("login")].toString(), QStringLiteral("ann"));

    // The error record of the failure would ask for an error e-mail; it must not, or every failure
    // would bring the next one.
    d.EmailSmtpServerAuthPassword = QStringLiteral("wrong");
    LoggerOf(task).Log(TLogKind::lkTaskStarted, QString());
    ASSERT_NO_FATAL_FAILURE(Drain());
    ASSERT_NO_FATAL_FAILURE(Drain());
    EXPECT_EQ(server->Messages().size(), 1u);
    EXPECT_EQ(FailureRecords(), 1);
}

TEST_F(Email, RefusedConnectionAndEmptySenderLogTheFailureOncePerRecord) {
    const TRefusingPort refusing;
    ASSERT_GT(refusing.Port(), 0);
    UsePort(refusing.Port());
    MailOn(TAlertEventKind::Error, QStringLiteral("ann@example.org"));
    LoggerOf(task).Log(TLogKind::lkError, QStringLiteral("first"));
    ASSERT_NO_FATAL_FAILURE(Drain());
    EXPECT_EQ(FailureRecords(), 1);

    const TSmtpResult direct = SendEmail(QStringLiteral("ann@example.org"), QStringLiteral("a@example.org"),
                                         QStringLiteral("s"), QString(), QString(), false,
                                         QStringLiteral("127.0.0.1"), refusing.Port(), QStringLiteral("b"));
    EXPECT_FALSE(direct.Success);
    EXPECT_FALSE(direct.ErrorText.isEmpty());

    ASSERT_NO_FATAL_FAILURE(StartServer());
    GlobalSettings().TasksDefaults.EmailFrom = QString();
    LoggerOf(task).Log(TLogKind::lkError, QStringLiteral("second"));
    ASSERT_NO_FATAL_FAILURE(Drain());
    EXPECT_EQ(FailureRecords(), 2);
    EXPECT_TRUE(server->Messages().empty());
}

TEST_F(Email, SilentServerNeitherHoldsUpTheCallerNorWaitsPastTheTimeout) {
    TSmtpTestServer::TOptions silent;
    silent.Silent = true;
    ASSERT_NO_FATAL_FAILURE(StartServer(silent));
    MailOn(TAlertEventKind::Warning, QStringLiteral("ann@example.org"));

    // With long limits the record is logged and the exchange is still going on afterwards.
    TSmtpOptions patient;
    patient.ConnectTimeoutMs = 600000;
    patient.TotalTimeoutMs = 600000;
    EmailOutbox().SetOptions(patient);
    LoggerOf(task).Log(TLogKind::lkWarning, QStringLiteral("slow"));
    EXPECT_EQ(LoggerOf(task).Count(), 1);
    EXPECT_FALSE(WaitForEmails(0ms));
    // Stopping gives the exchange up instead of waiting for the server, and says so.
    EXPECT_FALSE(UninstallEmailNotifier(0ms));
    // A given-up exchange is recorded by the outbox's thread a moment later; a message the thread had
    // not yet taken up when the outbox stopped is dropped without a record. Either way: at most one.
    for (int i = 0; i < 40 && FailureRecords() < 1; ++i)
        std::this_thread::sleep_for(50ms);
    const int givenUp = FailureRecords();
    EXPECT_LE(givenUp, 1);

    TSmtpOptions impatient;
    impatient.ConnectTimeoutMs = 500;
    impatient.TotalTimeoutMs = 1000;
    EmailOutbox().SetOptions(impatient);
    const TSmtpResult result = SendEmail(QStringLiteral("ann@example.org"), QStringLiteral("a@example.org"),
                                         QStringLiteral("s"), QString(), QString(), false,
                                         QStringLiteral("127.0.0.1"), server->Port(), QStringLiteral("b"));
    EXPECT_FALSE(result.Success);
    EXPECT_TRUE(result.ErrorText.contains(QStringLiteral("timed out"), Qt::CaseInsensitive))
        << result.ErrorText.toStdString();

    InstallEmailNotifier();
    LoggerOf(task).Log(TLogKind::lkWarning, QStringLiteral("again"));
    ASSERT_NO_FATAL_FAILURE(Drain());
    EXPECT_EQ(FailureRecords(), givenUp + 1);
}

TEST_F(Email, TestEmailSendsTheFixedTextWithTheSubjectAsEntered) {
    ASSERT_NO_FATAL_FAILURE(StartServer());
    const TTestEmailResult sent = SendTestEmail(TestSettings());
    EXPECT_TRUE(sent.Success) << sent.ErrorText.toStdString();
    EXPECT_EQ(sent.Caption(), QStringLiteral("Information"));
    EXPECT_EQ(sent.Message(),
              QStringLiteral("It seems that email was successfully sent. Please check your mailbox "
                             "using your foworite email client to !"));

    std::vector<TTestEmailResult> outcomes;
    TEmailSettings refused = TestSettings();
    refused.SmtpServerPort = TRefusingPort().Port();  // closed again at once: nobody listens there
    SendTestEmailAsync(refused, [&outcomes](const TTestEmailResult& r) { outcomes.push_back(r); });
    ASSERT_NO_FATAL_FAILURE(Drain());
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_FALSE(outcomes[0].Success);
    EXPECT_FALSE(outcomes[0].ErrorText.isEmpty());
    EXPECT_EQ(outcomes[0].Caption(), QStringLiteral("Error"));
    EXPECT_EQ(outcomes[0].Message(), QStringLiteral("Email can't be sent!"));

    const std::vector<QJsonObject> messages = server->Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0][QStringLiteral("subject")].toString(), QStringLiteral("Tarnovex test"));
    EXPECT_EQ(Unix(messages[0][QStringLiteral("body")].toString()),
              QStringLiteral("If you see this text in your email client - \nthe test message from Tarnovex "
                             "delivered successfully!\n"));
}

TEST_F(Email, StartTlsIsUsedWhenOfferedAndAnUntrustedCertificateIsRefused) {
    ASSERT_TRUE(Certificate().Ok());
    TSmtpTestServer::TOptions tls;
    tls.CertFile = Certificate().Cert();
    tls.KeyFile = Certificate().Key();
    ASSERT_NO_FATAL_FAILURE(StartServer(tls));
    TSmtpOptions options = EmailOutbox().Options();
    EXPECT_FALSE(SendTestEmail(TestSettings()).Success);  // self-signed, not trusted: nothing sent in clear
    EXPECT_TRUE(server->Messages().empty());

    options.CaFile = Certificate().Cert();
    EmailOutbox().SetOptions(options);
    const TTestEmailResult trusted = SendTestEmail(TestSettings());
    EXPECT_TRUE(trusted.Success) << trusted.ErrorText.toStdString();
    ASSERT_EQ(server->Messages().size(), 1u);
    EXPECT_TRUE(server->Messages()[0][QStringLiteral("tls")].toBool());

    // Implicit TLS on the SMTPS port (moved to the test server's port).
    TSmtpTestServer implicit;
    QString error;
    tls.ImplicitTls = true;
    ASSERT_TRUE(implicit.Start(tls, error)) << error.toStdString();
    options.ImplicitTlsPort = implicit.Port();
    EmailOutbox().SetOptions(options);
    TEmailSettings settings = TestSettings();
    settings.SmtpServerPort = implicit.Port();
    const TTestEmailResult smtps = SendTestEmail(settings);
    EXPECT_TRUE(smtps.Success) << smtps.ErrorText.toStdString();
    ASSERT_EQ(implicit.Messages().size(), 1u);
    EXPECT_TRUE(implicit.Messages()[0][QStringLiteral("tls")].toBool());
}

}  // namespace
