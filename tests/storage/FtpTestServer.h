#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "fixtures/PythonTestServer.h"
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

    // Starts serving root; false with a reason when the server does not come up.
    bool Start(const QString& root, const TOptions& options, QString& error) {
        options_ = options;
        QStringList args{QStringLiteral("--root"),     root,
                         QStringLiteral("--user"),     options.User,
                         QStringLiteral("--password"), options.Password};
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
        return server_.Start(QStringLiteral(TARNOVEX_SOURCE_DIR "/tests/storage/ftp_test_server.py"), args,
                             QStringLiteral("FTP test server"), error);
    }

    void Stop() { server_.Stop(); }

    int Port() const { return server_.Port(); }

    // Points a task at this server, with the remote base folder given.
    void PointTask(TTask& task, const QString& folder = QString()) const {
        task.DestType = TDestKind::dkFtp;
        task.DestFTP_Address = QStringLiteral("127.0.0.1");
        task.DestFTP_Port = server_.Port();
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
    TPythonTestServer server_;
};
