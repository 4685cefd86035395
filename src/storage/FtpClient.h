#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

// How the server is reached: plain FTP, FTP with explicit TLS on the control and data connections, or
// SFTP (the file transfer of SSH).
enum class TFtpSecurity { None, Tls, Sftp };

// The stored text of a security kind ("None", "TLS", "SFTP") and back; an unknown or empty text is
// plain FTP.
QString FtpSecurityName(TFtpSecurity security);
TFtpSecurity FtpSecurityFromName(const QString& name);

struct TFtpSettings {
    QString Host;
    int Port = 21;
    QString User;
    QString Password;
    bool Passive = false;
    TFtpSecurity Security = TFtpSecurity::None;
    // TLS: accept a certificate that no known authority signed (or that names another host). SFTP:
    // accept a host key that is not in the user's known_hosts. A host key that contradicts known_hosts
    // is refused always.
    bool AcceptSelfSigned = false;
    bool ProxyUse = false;  // an HTTP CONNECT tunnel through ProxyHost:ProxyPort
    QString ProxyHost;
    int ProxyPort = 0;
    QString ProxyUser;
    QString ProxyPassword;
    int TimeoutSeconds = 60;            // connect, server reply and stalled transfers
    qint64 MaxSendBytesPerSecond = -1;  // -1: no limit
    QString KnownHostsFile;             // SFTP; empty: ~/.ssh/known_hosts
};

struct TFtpEntry {
    QString Name;
    bool Folder = false;
    qint64 Size = -1;  // -1: unknown
};

// The outcome of one client operation.
enum class TFtpStatus {
    Ok,
    Refused,         // the server answered with an error (missing file, no permission, ...)
    ConnectionLost,  // the connection failed or broke; the next operation connects anew
    Aborted,         // the progress hook asked to stop
    Invalid,         // a path the protocol cannot carry (CR, LF or NUL in it)
};

// A small client for FTP, FTPS and SFTP on one libcurl easy handle: the handle keeps its connection
// between operations, so a run logs in once and reconnects only when the connection broke. Paths are
// absolute remote paths with '/' as separator. Not thread-safe; one run uses it from its own thread.
class TFtpClient {
public:
    // sent: a line to the server (true) or from it (false). The line has no line end.
    using TLineHook = std::function<void(bool sent, const QString& line)>;
    // Bytes done and expected (0 when unknown); false aborts the transfer.
    using TProgressHook = std::function<bool(qint64 done, qint64 total)>;

    TFtpClient();
    ~TFtpClient();
    TFtpClient(const TFtpClient&) = delete;
    TFtpClient& operator=(const TFtpClient&) = delete;

    void Configure(const TFtpSettings& settings);
    const TFtpSettings& Settings() const { return settings_; }
    void SetLineHook(TLineHook hook) { lineHook_ = std::move(hook); }
    void SetProgressHook(TProgressHook hook) { progressHook_ = std::move(hook); }

    // Logs in unless a connection is open. False when the server cannot be reached or refuses the login.
    bool Connect();
    bool Connected() const { return connected_; }
    // Closes the connection (the next operation connects anew).
    void Drop();
    // The lines of the server's reply to the login of the last new connection.
    QStringList LoginMessage() const { return loginMessage_; }

    // The entries of a folder (without "." and ".."); Refused when it does not exist.
    TFtpStatus List(const QString& folder, std::vector<TFtpEntry>& entries);
    // Whether the folder exists, by changing into it.
    TFtpStatus ChangeFolder(const QString& folder);
    TFtpStatus MakeFolder(const QString& folder);
    TFtpStatus RemoveFolder(const QString& folder);
    TFtpStatus DeleteFile(const QString& path);
    TFtpStatus Rename(const QString& from, const QString& to);
    // Sets a file's modification time (seconds since the epoch, UTC); servers without the command refuse.
    TFtpStatus SetModificationTime(const QString& path, qint64 epochSeconds);
    // The server's current folder (empty when it does not say).
    QString CurrentFolder();

    // Stores the local file under remotePath; the remote file is written directly (callers upload to a
    // temporary name and rename).
    TFtpStatus Upload(const QString& localPath, const QString& remotePath);
    // Stores the local file under tempPath, gives it the modification time (when the server can) and
    // renames it to finalPath, in one exchange. On Refused the caller cannot tell which step failed: the
    // temporary file may or may not be there.
    TFtpStatus UploadAndRename(const QString& localPath, const QString& tempPath, const QString& finalPath,
                               qint64 epochSeconds);
    // Fetches remotePath into the local file (created or truncated).
    TFtpStatus Download(const QString& remotePath, const QString& localPath);

    // The text of the last failure (libcurl's message and the server's last reply).
    QString LastError() const { return lastError_; }
    // The numeric reply of the server to the last command (0 when none).
    long LastReplyCode() const { return lastReply_; }

private:
    struct TRequest;
    TFtpStatus Perform(TRequest& request);
    int Run(void* handle);  // a CURLcode
    TFtpStatus Command(const QString& command);
    TFtpStatus UploadWith(const QString& localPath, const QString& remotePath,
                          const QList<QByteArray>& after);
    QByteArray RenameCommand(const QString& from, const QString& to, bool second) const;
    QByteArray TimeCommand(const QString& path, qint64 epochSeconds, bool optional) const;
    QString Url(const QString& path) const;
    QString QuotePath(const QString& path) const;
    void OnLine(bool sent, const char* data, size_t size);
    friend struct TFtpClientCallbacks;

    void* curl_ = nullptr;
    void* multi_ = nullptr;
    TFtpSettings settings_;
    TLineHook lineHook_;
    TProgressHook progressHook_;
    bool connected_ = false;
    bool collectingLogin_ = false;
    QStringList loginMessage_;
    QString lastError_;
    long lastReply_ = 0;
    qint64 expected_ = 0;
};

// Parses one line of a directory listing: the facts-and-name lines of MLSD ("type=file;size=12; name")
// or a Unix "ls -l" line. False for lines that name no entry ("." and "..", totals, junk).
bool ParseFtpListLine(const QString& line, bool machineListing, TFtpEntry& entry);
