#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "model/Task.h"

// The local FTP server of the storage tests (tests/storage/ftp_test_server.py under the system Python,
// which has pyftpdlib), serving one folder on 127.0.0.1 at a port the system chooses. The destructor
// stops it; every wait for it has a time limit.
class TFtpTestServer {
public:
    struct TOptions {
        QString User = QStringLiteral("tester");
        QString Password = QStringLiteral("s3cret-Pw");
        int DropAfter = -1;    // cut the connections once an upload received this many bytes
        int DropCount = 1;     // how many uploads are cut (0: all)
        QStringList ReadOnly;  // folders below the root where nothing may be written
        bool NoMachineListing = false;
        QString CertFile;  // speak explicit TLS with this certificate and key
        QString KeyFile;
    };

    TFtpTestServer() = default;
    TFtpTestServer(const TFtpTestServer&) = delete;
    TFtpTestServer& operator=(const TFtpTestServer&) = delete;
    ~TFtpTestServer() { Stop(); }

    // Starts serving root; false with a reason when the server does not come up.
    bool Start(const QString& root, const TOptions& options, QString& error) {
        options_ = options;
        QStringList args{QStringLiteral("-W"),
                         QStringLiteral("ignore"),
                         QStringLiteral(TARNOVEX_SOURCE_DIR "/tests/storage/ftp_test_server.py"),
                         QStringLiteral("--root"),
                         root,
                         QStringLiteral("--user"),
                         options.User,
                         QStringLiteral("--password"),
                         options.Password};
        if (options.DropAfter >= 0)
            args << QStringLiteral("--drop-after") << QString::number(options.DropAfter)
                 << QStringLiteral("--drop-count") << QString::number(options.DropCount);
        for (const QString& folder : options.ReadOnly)
            args << QStringLiteral("--readonly") << folder;
        if (options.NoMachineListing)
            args << QStringLiteral("--no-mlsd");
        if (!options.CertFile.isEmpty())
            args << QStringLiteral("--cert") << options.CertFile << QStringLiteral("--key")
                 << options.KeyFile;
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start(QStringLiteral("/usr/bin/python3"), args);
        if (!process_.waitForStarted(10000)) {
            error = QStringLiteral("cannot start /usr/bin/python3: ") + process_.errorString();
            return false;
        }
        QByteArray line;
        while (!line.endsWith('\n')) {
            if (!process_.waitForReadyRead(30000)) {
                error = QStringLiteral("the FTP test server did not come up: ") +
                        QString::fromUtf8(process_.readAllStandardError());
                return false;
            }
            line += process_.readAllStandardOutput();
        }
        const QList<QByteArray> words = line.trimmed().split(' ');
        port_ = words.size() == 2 && words[0] == "PORT" ? words[1].toInt() : 0;
        if (port_ <= 0)
            error =
                QStringLiteral("unexpected first line of the FTP test server: ") + QString::fromUtf8(line);
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

    // Points a task at this server, with the remote base folder given.
    void PointTask(TTask& task, const QString& folder = QString()) const {
        task.DestType = TDestKind::dkFtp;
        task.DestFTP_Address = QStringLiteral("127.0.0.1");
        task.DestFTP_Port = port_;
        task.DestFTP_Login = options_.User;
        task.DestFTP_Password = options_.Password;
        task.DestFTP_Folder = folder;
        task.DestFTP_ReconnectRetries = 2;
        task.DestFTP_PauseBeforeRetry = 0;
        task.DestFTP_TimeOut = 20;
        task.DestFTP_Security = options_.CertFile.isEmpty() ? QStringLiteral("None") : QStringLiteral("TLS");
    }

private:
    TOptions options_;
    QProcess process_;
    int port_ = 0;
};
