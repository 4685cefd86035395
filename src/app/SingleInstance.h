#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;

// One running program per user and settings store. The first start holds a lock file and listens on a
// local socket; a second start hands its whole command text over that socket, waits until the running
// instance has processed it, and ends.
class TSingleInstance : public QObject {
public:
    // The largest command text a second start may hand over (in UTF-8 bytes).
    static constexpr int kMaxCommandBytes = 64 * 1024;

    // key names the instance (see InstanceKey); folder holds the lock file and the socket.
    TSingleInstance(const QString& key, const QString& folder);
    ~TSingleInstance() override;

    // True when this process is (now) the running instance: it holds the lock and serves hand-overs.
    bool Claim();

    // Called on this thread for every text a second start hands over; the sender waits until it returns.
    std::function<void(const QString& text)> CommandReceived;

    // A second start: hands text to the running instance and waits for its acknowledgement. False, with
    // the reason in error, when the text is too long or no running instance answered in time.
    static bool SendToRunning(const QString& key, const QString& folder, const QString& text, QString* error,
                              int timeoutMs = 30000);

    static QString SocketPath(const QString& key, const QString& folder);

private:
    void OnConnection();

    QString key_;
    QString folder_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};

// The name of the instance of this user and settings store: a second store (TARNOVEX_HOME) is a second
// program.
QString InstanceKey();
// Where the lock and the socket live: $XDG_RUNTIME_DIR, else the temporary folder.
QString InstanceFolder();
