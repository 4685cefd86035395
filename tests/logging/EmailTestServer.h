#pragma once

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QTemporaryDir>
#include <vector>

#include "fixtures/PythonTestServer.h"

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

    // Starts the server and waits for its port; false with a reason when it does not come up.
    bool Start(const TOptions& options, QString& error) {
        QStringList args{QStringLiteral("--dir"), dir_.path()};
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
        return server_.Start(QStringLiteral(TARNOVEX_SOURCE_DIR "/tests/logging/smtp_test_server.py"), args,
                             QStringLiteral("SMTP test server"), error);
    }

    void Stop() { server_.Stop(); }

    int Port() const { return server_.Port(); }

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
    TPythonTestServer server_;
};
