#include "app/SingleInstance.h"

#include <unistd.h>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>

#include "platform/Paths.h"

namespace {

const QByteArray kAcknowledgement = QByteArrayLiteral("OK");

// Reads exactly n bytes, waiting at most until the deadline; false on timeout or a closed socket.
bool ReadExactly(QLocalSocket& socket, qint64 n, QByteArray& out, const QElapsedTimer& timer, int timeoutMs) {
    while (socket.bytesAvailable() < n) {
        const qint64 left = timeoutMs - timer.elapsed();
        if (left <= 0 || !socket.waitForReadyRead(static_cast<int>(left)))
            return false;
    }
    out = socket.read(n);
    return true;
}

}  // namespace

QString InstanceKey() {
    const QByteArray store = QDir::cleanPath(Paths::SettingsDatabasePath()).toUtf8();
    const QByteArray hash = QCryptographicHash::hash(store, QCryptographicHash::Sha1).toHex().left(12);
    return QStringLiteral("tarnovex-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

QString InstanceFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime;
    return QDir::tempPath();
}

TSingleInstance::TSingleInstance(const QString& key, const QString& folder) : key_(key), folder_(folder) {}

TSingleInstance::~TSingleInstance() {
    if (server_ != nullptr)
        server_->close();
}

QString TSingleInstance::SocketPath(const QString& key, const QString& folder) {
    return folder + QLatin1Char('/') + key + QStringLiteral(".socket");
}

bool TSingleInstance::Claim() {
    if (lock_ && lock_->isLocked())
        return true;
    lock_ = std::make_unique<QLockFile>(folder_ + QLatin1Char('/') + key_ + QStringLiteral(".lock"));
    // A lock left by a process that died is taken over (QLockFile checks the process id).
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0))
        return false;
    const QString path = SocketPath(key_, folder_);
    QLocalServer::removeServer(path);  // a socket file left by a killed instance
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &TSingleInstance::OnConnection);
    if (!server_->listen(path)) {
        // Still the only instance (the lock says so), just unreachable for second starts.
        qWarning("tarnovex: cannot listen on %s: %s", qPrintable(path), qPrintable(server_->errorString()));
    }
    return true;
}

void TSingleInstance::OnConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QElapsedTimer timer;
        timer.start();
        QByteArray header;
        QByteArray body;
        if (!ReadExactly(*socket, 4, header, timer, 5000)) {
            socket->abort();
            continue;
        }
        quint32 length = 0;
        QDataStream(header) >> length;
        if (length > static_cast<quint32>(kMaxCommandBytes) ||
            !ReadExactly(*socket, static_cast<qint64>(length), body, timer, 5000)) {
            socket->abort();
            continue;
        }
        if (CommandReceived)
            CommandReceived(QString::fromUtf8(body));
        socket->write(kAcknowledgement);
        socket->flush();
        socket->waitForBytesWritten(1000);
        socket->disconnectFromServer();
    }
}

bool TSingleInstance::SendToRunning(const QString& key, const QString& folder, const QString& text,
                                    QString* error, int timeoutMs) {
    const QByteArray body = text.toUtf8();
    if (body.size() > kMaxCommandBytes) {
        if (error)
            *error = QStringLiteral("the command line is longer than %1 bytes and was not handed over")
                         .arg(kMaxCommandBytes);
        return false;
    }
    QLocalSocket socket;
    socket.connectToServer(SocketPath(key, folder));
    if (!socket.waitForConnected(std::min(timeoutMs, 5000))) {
        if (error)
            *error = QStringLiteral("no running instance answers (%1)").arg(socket.errorString());
        return false;
    }
    QByteArray header;
    QDataStream(&header, QIODevice::WriteOnly) << static_cast<quint32>(body.size());
    socket.write(header + body);
    QElapsedTimer timer;
    timer.start();
    QByteArray answer;
    if (!socket.waitForBytesWritten(timeoutMs) ||
        !ReadExactly(socket, kAcknowledgement.size(), answer, timer, timeoutMs) ||
        answer != kAcknowledgement) {
        if (error)
            *error = QStringLiteral("the running instance did not confirm the command line");
        return false;
    }
    return true;
}
