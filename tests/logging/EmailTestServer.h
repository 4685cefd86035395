#pragma once

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <vector>

// The local SMTP server of the e-mail tests (tests/logging/smtp_test_server.py under the system
// Python, which has aiosmtpd). It listens on 127.0.0.1 at a port the system chooses and writes every
// message it receives as one JSON file into a private folder. The destructor stops it.
class TSmtpTestServer {
public:
    struct TOptions {
        bool Silent = false;  // accepts and never answers
        QString User;         // non-empty: AUTH for this account
        QString Password;
        bool LoginOnly = false;  // offer AUTH LOGIN only
        QString CertFile;        // offer STARTTLS with this certificate ...
        QString KeyFile;
        bool ImplicitTls = false;  // ... or speak TLS from the first byte
    };

    TSmtpTestServer() = default;
    TSmtpTestServer(const TSmtpTestServer&) = delete;
    TSmtpTestServer& operator=(const TSmtpTestServer&) = delete;
    ~TSmtpTestServer() { Stop(); }

    // Starts the server and waits for its port; false with a reason when it does not come up.
    bool Start(const TOptions& options, QString& error) {
        QStringList args{QStringLiteral("-W"), QStringLiteral("ignore"),
                         QStringLiteral(TARNOVEX_SOURCE_DIR "/tests/logging/smtp_test_server.py"),
                         QStringLiteral("--dir"), dir_.path()};
        if (options.Silent)
            args << QStringLiteral("--mode") << QStringLiteral("silent");
        if (!options.User.isEmpty())
            args << QStringLiteral("--user") << options.User << QStringLiteral("--password")
                 << options.Password;
        if (options.LoginOnly)
            args << QStringLiteral("--login-only");
        if (!options.CertFile.isEmpty())
            args << QStringLiteral("--cert") << options.CertFile << QStringLiteral("--key")
                 << options.KeyFile;
        if (options.ImplicitTls)
            args << QStringLiteral("--implicit-tls");
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start(QStringLiteral("/usr/bin/python3"), args);
        if (!process_.waitForStarted(10000)) {
            error = QStringLiteral("cannot start /usr/bin/python3: ") + process_.errorString();
            return false;
        }
        QByteArray line;
        while (!line.endsWith('\n')) {
            if (!process_.waitForReadyRead(30000)) {
                error = QStringLiteral("the SMTP test server did not come up: ") +
                        QString::fromUtf8(process_.readAllStandardError());
                return false;
            }
            line += process_.readAllStandardOutput();
        }
        const QList<QByteArray> words = line.trimmed().split(' ');
        port_ = words.size() == 2 && words[0] == "PORT" ? words[1].toInt() : 0;
        if (port_ <= 0)
            error =
                QStringLiteral("unexpected first line of the SMTP test server: ") + QString::fromUtf8(line);
        return port_ > 0;
    }

    void Stop() {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.closeWriteChannel();  // the server ends when its standard input closes
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    int Port() const { return port_; }

    // The received messages, oldest first.
    std::vector<QJsonObject> Messages() const {
        std::vector<QJsonObject> result;
        const QStringList names =
            QDir(dir_.path()).entryList({QStringLiteral("message-*.json")}, QDir::Files, QDir::Name);
        for (const QString& name : names) {
            QFile file(dir_.filePath(name));
            if (file.open(QIODevice::ReadOnly))
                result.push_back(QJsonDocument::fromJson(file.readAll()).object());
        }
        return result;
    }

private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};
