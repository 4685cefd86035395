#include "storage/FtpClient.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QTimeZone>
#include <QUrl>
#include <cstring>
#include <mutex>

#include "logging/SmtpClient.h"
#include "platform/FileSystem.h"

QString FtpSecurityName(TFtpSecurity security) {
    switch (security) {
        case TFtpSecurity::Tls:
            return QStringLiteral("TLS");
        case TFtpSecurity::Sftp:
            return QStringLiteral("SFTP");
        case TFtpSecurity::None:
            break;
    }
    return QStringLiteral("None");
}

TFtpSecurity FtpSecurityFromName(const QString& name) {
    const QString text = name.trimmed();
    if (text.compare(QLatin1String("TLS"), Qt::CaseInsensitive) == 0)
        return TFtpSecurity::Tls;
    if (text.compare(QLatin1String("SFTP"), Qt::CaseInsensitive) == 0)
        return TFtpSecurity::Sftp;
    return TFtpSecurity::None;
}

namespace {

CURL* Handle(void* p) {
    return static_cast<CURL*>(p);
}

// A remote path component by component, percent-encoded, so that spaces, '#', '%', non-ASCII
// characters and the like reach the server as they are.
QString EncodePath(const QString& path) {
    const QStringList parts = path.split(QLatin1Char('/'));
    QStringList encoded;
    for (const QString& part : parts)
        encoded.push_back(QString::fromLatin1(QUrl::toPercentEncoding(part)));
    return encoded.join(QLatin1Char('/'));
}

bool Carriable(const QString& path) {
    return !path.contains(QLatin1Char('\r')) && !path.contains(QLatin1Char('\n')) && !path.contains(QChar(0));
}

// Failures after which the connection cannot be trusted any more: the next operation connects anew.
bool ConnectionFailure(CURLcode code) {
    switch (code) {
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_CONNECT:
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_FTP_ACCEPT_FAILED:
        case CURLE_FTP_WEIRD_PASS_REPLY:
        case CURLE_FTP_ACCEPT_TIMEOUT:
        case CURLE_FTP_WEIRD_PASV_REPLY:
        case CURLE_FTP_WEIRD_227_FORMAT:
        case CURLE_FTP_CANT_GET_HOST:
        case CURLE_PARTIAL_FILE:
        case CURLE_OPERATION_TIMEDOUT:
        case CURLE_FTP_PORT_FAILED:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_LOGIN_DENIED:
        case CURLE_GOT_NOTHING:
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_USE_SSL_FAILED:
        case CURLE_SSH:
        case CURLE_AGAIN:
        case CURLE_NO_CONNECTION_AVAILABLE:
        case CURLE_FTP_PRET_FAILED:
        case CURLE_PROXY:
            return true;
        default:
            return false;
    }
}

size_t AppendToBuffer(char* data, size_t size, size_t count, void* target) {
    static_cast<QByteArray*>(target)->append(data, static_cast<qsizetype>(size * count));
    return size * count;
}

size_t WriteToFd(char* data, size_t size, size_t count, void* target) {
    const int fd = *static_cast<int*>(target);
    size_t total = size * count;
    size_t done = 0;
    while (done < total) {
        const ssize_t n = ::write(fd, data + done, total - done);
        if (n <= 0)
            return done;
        done += static_cast<size_t>(n);
    }
    return total;
}

size_t ReadFromFd(char* buffer, size_t size, size_t count, void* source) {
    const int fd = *static_cast<int*>(source);
    const ssize_t n = ::read(fd, buffer, size * count);
    return n < 0 ? CURL_READFUNC_ABORT : static_cast<size_t>(n);
}

QString SftpQuoted(const QString& path) {
    QString escaped = path;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

}  // namespace

// The C callbacks of libcurl, with libcurl's own types, handing over to the client.
struct TFtpClientCallbacks {
    static int Debug(CURL*, curl_infotype type, char* data, size_t size, void* self) {
        if (type == CURLINFO_HEADER_OUT)
            static_cast<TFtpClient*>(self)->OnLine(true, data, size);
        else if (type == CURLINFO_HEADER_IN)
            static_cast<TFtpClient*>(self)->OnLine(false, data, size);
        return 0;
    }
    static int Progress(void* self, curl_off_t downTotal, curl_off_t downNow, curl_off_t upTotal,
                        curl_off_t upNow) {
        TFtpClient& client = *static_cast<TFtpClient*>(self);
        if (!client.progressHook_)
            return 0;
        const qint64 done = upNow > 0 ? upNow : downNow;
        qint64 total = upTotal > 0 ? upTotal : downTotal;
        if (total <= 0)
            total = client.expected_;
        return client.progressHook_(done, total) ? 0 : 1;
    }
    static int HostKey(CURL*, const curl_khkey*, const curl_khkey*, curl_khmatch match, void* self) {
        const TFtpClient& client = *static_cast<TFtpClient*>(self);
        if (match == CURLKHMATCH_OK)
            return CURLKHSTAT_FINE;
        // A key that differs from the one on record may be an attacker's: never accepted.
        if (match == CURLKHMATCH_MISSING && client.settings_.AcceptSelfSigned)
            return CURLKHSTAT_FINE;
        return CURLKHSTAT_REJECT;
    }
};

struct TFtpClient::TRequest {
    QString url;
    bool nobody = false;
    bool upload = false;
    int fd = -1;
    qint64 size = -1;
    QByteArray* buffer = nullptr;
    QByteArray customRequest;
    QList<QByteArray> quote;
    QList<QByteArray> postQuote;
};

TFtpClient::TFtpClient() {
    InitCurlOnce();
}

TFtpClient::~TFtpClient() {
    Drop();
}

void TFtpClient::Configure(const TFtpSettings& settings) {
    settings_ = settings;
    Drop();
}

void TFtpClient::Drop() {
    // Freeing the handle closes its connection; the next operation makes a new handle and logs in.
    // The connection lives in the cache of the multi handle; freeing both closes it.
    if (curl_)
        curl_easy_cleanup(Handle(curl_));
    if (multi_)
        curl_multi_cleanup(static_cast<CURLM*>(multi_));
    curl_ = nullptr;
    multi_ = nullptr;
    connected_ = false;
}

QString TFtpClient::Url(const QString& path) const {
    const bool sftp = settings_.Security == TFtpSecurity::Sftp;
    QString host = settings_.Host;
    if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('[')))
        host = QLatin1Char('[') + host + QLatin1Char(']');
    QString url = (sftp ? QStringLiteral("sftp://") : QStringLiteral("ftp://")) + host;
    if (settings_.Port > 0)
        url += QLatin1Char(':') + QString::number(settings_.Port);
    url += QLatin1Char('/');
    if (path.isEmpty())
        return url;
    QString rest = path;
    if (rest.startsWith(QLatin1Char('/'))) {
        rest = rest.mid(1);
        // FTP URL paths are relative to the login folder; an encoded first slash makes them absolute.
        if (!sftp)
            url += QStringLiteral("%2F");
    }
    return url + EncodePath(rest);
}

QString TFtpClient::QuotePath(const QString& path) const {
    return settings_.Security == TFtpSecurity::Sftp ? SftpQuoted(path) : path;
}

void TFtpClient::OnLine(bool sent, const char* data, size_t size) {
    QByteArray bytes(data, static_cast<qsizetype>(size));
    while (bytes.endsWith('\n') || bytes.endsWith('\r'))
        bytes.chop(1);
    const QString line = QString::fromUtf8(bytes);
    if (!sent) {
        static const QRegularExpression code(QStringLiteral("^(\\d{3})([ -])"));
        const QRegularExpressionMatch m = code.match(line);
        if (m.hasMatch()) {
            lastReply_ = m.captured(1).toLong();
            if (m.captured(1) == QLatin1String("230")) {
                if (!collectingLogin_)
                    loginMessage_.clear();
                collectingLogin_ = m.captured(2) == QLatin1String("-");
                loginMessage_.push_back(line);
            } else {
                collectingLogin_ = false;
            }
        } else if (collectingLogin_) {
            loginMessage_.push_back(line);
        }
    }
    if (lineHook_)
        lineHook_(sent, line);
}

TFtpStatus TFtpClient::Perform(TRequest& request) {
    if (!curl_) {
        curl_ = curl_easy_init();
        if (!curl_) {
            lastError_ = QStringLiteral("out of memory");
            return TFtpStatus::ConnectionLost;
        }
        CURL* c = Handle(curl_);
        curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
        curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &TFtpClientCallbacks::Debug);
        curl_easy_setopt(c, CURLOPT_DEBUGDATA, this);
        curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &TFtpClientCallbacks::Progress);
        curl_easy_setopt(c, CURLOPT_XFERINFODATA, this);
        const QByteArray user = settings_.User.toUtf8();
        const QByteArray password = settings_.Password.toUtf8();
        curl_easy_setopt(c, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, password.constData());
        curl_easy_setopt(c, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
        curl_easy_setopt(c, CURLOPT_FTPPORT, settings_.Passive ? nullptr : "-");
        curl_easy_setopt(c, CURLOPT_FTP_USE_EPSV, settings_.Passive ? 1L : 0L);
        const long timeout = settings_.TimeoutSeconds > 0 ? settings_.TimeoutSeconds : 60;
        curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, timeout);
        curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, timeout);
        curl_easy_setopt(c, CURLOPT_ACCEPTTIMEOUT_MS, timeout * 1000);
        // A transfer that moves nothing for the timeout is a dead connection, not a slow one.
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, timeout);
        if (settings_.MaxSendBytesPerSecond > 0)
            curl_easy_setopt(c, CURLOPT_MAX_SEND_SPEED_LARGE,
                             static_cast<curl_off_t>(settings_.MaxSendBytesPerSecond));
        if (settings_.Security == TFtpSecurity::Tls) {
            curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
            curl_easy_setopt(c, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
        }
        const long verify = settings_.AcceptSelfSigned ? 0L : 1L;
        curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, verify);
        curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, verify ? 2L : 0L);
        if (settings_.Security == TFtpSecurity::Sftp) {
            QString knownHosts = settings_.KnownHostsFile;
            if (knownHosts.isEmpty())
                knownHosts = QDir::homePath() + QStringLiteral("/.ssh/known_hosts");
            const QByteArray known = EncodeFileName(knownHosts);
            curl_easy_setopt(c, CURLOPT_SSH_KNOWNHOSTS, known.constData());
            curl_easy_setopt(c, CURLOPT_SSH_KEYFUNCTION, &TFtpClientCallbacks::HostKey);
            curl_easy_setopt(c, CURLOPT_SSH_KEYDATA, this);
            // The password serves the password login, or unlocks the user's key.
            curl_easy_setopt(
                c, CURLOPT_SSH_AUTH_TYPES,
                static_cast<long>(CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_PUBLICKEY | CURLSSH_AUTH_KEYBOARD));
            if (!password.isEmpty())
                curl_easy_setopt(c, CURLOPT_KEYPASSWD, password.constData());
        }
        if (settings_.ProxyUse && !settings_.ProxyHost.isEmpty()) {
            const QByteArray proxy = settings_.ProxyHost.toUtf8();
            curl_easy_setopt(c, CURLOPT_PROXY, proxy.constData());
            curl_easy_setopt(c, CURLOPT_PROXYPORT, static_cast<long>(settings_.ProxyPort));
            curl_easy_setopt(c, CURLOPT_HTTPPROXYTUNNEL, 1L);
            const QByteArray proxyUser = settings_.ProxyUser.toUtf8();
            const QByteArray proxyPassword = settings_.ProxyPassword.toUtf8();
            if (!proxyUser.isEmpty()) {
                curl_easy_setopt(c, CURLOPT_PROXYUSERNAME, proxyUser.constData());
                curl_easy_setopt(c, CURLOPT_PROXYPASSWORD, proxyPassword.constData());
            }
        }
    }
    CURL* c = Handle(curl_);
    const QByteArray url = request.url.toUtf8();
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_NOBODY, request.nobody ? 1L : 0L);
    curl_easy_setopt(c, CURLOPT_UPLOAD, request.upload ? 1L : 0L);
    curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST,
                     request.customRequest.isEmpty() ? nullptr : request.customRequest.constData());
    curl_easy_setopt(c, CURLOPT_DIRLISTONLY, 0L);
    if (request.upload) {
        curl_easy_setopt(c, CURLOPT_READFUNCTION, &ReadFromFd);
        curl_easy_setopt(c, CURLOPT_READDATA, &request.fd);
        curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(request.size));
    } else {
        curl_easy_setopt(c, CURLOPT_READFUNCTION, nullptr);
        curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(-1));
    }
    if (request.buffer) {
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &AppendToBuffer);
        curl_easy_setopt(c, CURLOPT_WRITEDATA, request.buffer);
    } else if (!request.upload && request.fd >= 0) {
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &WriteToFd);
        curl_easy_setopt(c, CURLOPT_WRITEDATA, &request.fd);
    } else {
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &AppendToBuffer);
        static thread_local QByteArray discard;
        discard.clear();
        curl_easy_setopt(c, CURLOPT_WRITEDATA, &discard);
    }
    // A refused FTP command would make libcurl close the connection (it takes the control connection
    // for wedged); marked with '*' it goes on, and the reply code tells the outcome instead.
    const bool ftp = settings_.Security != TFtpSecurity::Sftp;
    const auto listOf = [ftp](const QList<QByteArray>& lines) {
        curl_slist* list = nullptr;
        for (const QByteArray& line : lines) {
            const QByteArray text = ftp && !line.startsWith('*') ? "*" + line : line;
            list = curl_slist_append(list, text.constData());
        }
        return list;
    };
    curl_slist* quote = listOf(request.quote);
    curl_slist* postQuote = listOf(request.postQuote);
    curl_easy_setopt(c, CURLOPT_QUOTE, quote);
    curl_easy_setopt(c, CURLOPT_POSTQUOTE, postQuote);
    char errorBuffer[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);

    lastReply_ = 0;
    expected_ = request.size > 0 ? request.size : 0;
    const CURLcode code = static_cast<CURLcode>(Run(c));

    curl_easy_setopt(c, CURLOPT_QUOTE, nullptr);
    curl_easy_setopt(c, CURLOPT_POSTQUOTE, nullptr);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, nullptr);
    curl_slist_free_all(quote);
    curl_slist_free_all(postQuote);

    if (code == CURLE_OK) {
        connected_ = true;
        lastError_.clear();
        if (ftp && (!request.quote.isEmpty() || !request.postQuote.isEmpty()) && lastReply_ >= 400) {
            lastError_ = QStringLiteral("the server refused the command (reply %1)").arg(lastReply_);
            return TFtpStatus::Refused;
        }
        return TFtpStatus::Ok;
    }
    lastError_ = QString::fromUtf8(errorBuffer[0] ? errorBuffer : curl_easy_strerror(code));
    if (code == CURLE_ABORTED_BY_CALLBACK) {
        // The transfer was cut off in the middle: the connection is closed rather than trusted.
        Drop();
        return TFtpStatus::Aborted;
    }
    if (ConnectionFailure(code)) {
        Drop();
        return TFtpStatus::ConnectionLost;
    }
    connected_ = true;
    return TFtpStatus::Refused;
}

// The transfer runs in a multi handle of its own rather than through curl_easy_perform: while a passive
// data connection is being opened, the easy interface of this libcurl waits up to a second without
// looking at that socket, which made every file of a passive upload take up to a second. Waits of a few
// milliseconds here keep a run of many small files fast; transfers still wake on their own sockets.
int TFtpClient::Run(void* handle) {
    CURL* c = Handle(handle);
    if (!multi_)
        multi_ = curl_multi_init();
    CURLM* multi = static_cast<CURLM*>(multi_);
    if (!multi || curl_multi_add_handle(multi, c) != CURLM_OK)
        return curl_easy_perform(c);
    CURLcode code = CURLE_RECV_ERROR;
    int running = 1;
    while (running > 0) {
        if (curl_multi_perform(multi, &running) != CURLM_OK)
            break;
        if (running > 0 && curl_multi_poll(multi, nullptr, 0, 5, nullptr) != CURLM_OK)
            break;
    }
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left))
        if (message->msg == CURLMSG_DONE && message->easy_handle == c)
            code = message->data.result;
    curl_multi_remove_handle(multi, c);
    return code;
}

bool TFtpClient::Connect() {
    if (connected_ && curl_)
        return true;
    Drop();
    loginMessage_.clear();
    TRequest request;
    request.url = Url(QString());
    request.nobody = true;
    if (Perform(request) == TFtpStatus::Ok)
        return true;
    // Whatever went wrong, there is no session to go on with.
    Drop();
    return false;
}

TFtpStatus TFtpClient::Command(const QString& command) {
    TRequest request;
    request.url = Url(QString());
    request.nobody = true;
    request.quote.push_back(command.toUtf8());
    return Perform(request);
}

TFtpStatus TFtpClient::List(const QString& folder, std::vector<TFtpEntry>& entries) {
    entries.clear();
    if (!Carriable(folder))
        return TFtpStatus::Invalid;
    QString path = folder.isEmpty() ? QStringLiteral("/") : folder;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    const bool sftp = settings_.Security == TFtpSecurity::Sftp;
    QByteArray data;
    TRequest request;
    request.url = Url(path);
    request.buffer = &data;
    bool machine = false;
    if (!sftp) {
        // The folder is changed into first: a missing folder then fails plainly, where a listing of it
        // might come back empty.
        request.quote.push_back("CWD " + path.toUtf8());
        request.customRequest = "MLSD";
        machine = true;
    }
    TFtpStatus status = Perform(request);
    if (status == TFtpStatus::Refused && machine && (lastReply_ == 500 || lastReply_ == 502)) {
        // A server without machine listings: the long listing.
        data.clear();
        request.customRequest = "LIST";
        machine = false;
        status = Perform(request);
    }
    if (status != TFtpStatus::Ok)
        return status;
    for (const QByteArray& raw : data.split('\n')) {
        QByteArray line = raw;
        if (line.endsWith('\r'))
            line.chop(1);
        TFtpEntry entry;
        if (ParseFtpListLine(QString::fromUtf8(line), machine, entry))
            entries.push_back(entry);
    }
    return TFtpStatus::Ok;
}

TFtpStatus TFtpClient::ChangeFolder(const QString& folder) {
    if (!Carriable(folder))
        return TFtpStatus::Invalid;
    const QString path = folder.isEmpty() ? QStringLiteral("/") : folder;
    if (settings_.Security == TFtpSecurity::Sftp) {
        std::vector<TFtpEntry> entries;
        return List(path, entries);
    }
    return Command(QStringLiteral("CWD ") + path);
}

TFtpStatus TFtpClient::MakeFolder(const QString& folder) {
    if (!Carriable(folder))
        return TFtpStatus::Invalid;
    return Command(
        (settings_.Security == TFtpSecurity::Sftp ? QStringLiteral("mkdir ") : QStringLiteral("MKD ")) +
        QuotePath(folder));
}

TFtpStatus TFtpClient::RemoveFolder(const QString& folder) {
    if (!Carriable(folder))
        return TFtpStatus::Invalid;
    return Command(
        (settings_.Security == TFtpSecurity::Sftp ? QStringLiteral("rmdir ") : QStringLiteral("RMD ")) +
        QuotePath(folder));
}

TFtpStatus TFtpClient::DeleteFile(const QString& path) {
    if (!Carriable(path))
        return TFtpStatus::Invalid;
    return Command(
        (settings_.Security == TFtpSecurity::Sftp ? QStringLiteral("rm ") : QStringLiteral("DELE ")) +
        QuotePath(path));
}

QByteArray TFtpClient::RenameCommand(const QString& from, const QString& to, bool second) const {
    if (settings_.Security == TFtpSecurity::Sftp)
        return second ? QByteArray()
                      : ("rename " + QuotePath(from) + QLatin1Char(' ') + QuotePath(to)).toUtf8();
    return second ? ("RNTO " + to).toUtf8() : ("RNFR " + from).toUtf8();
}

QByteArray TFtpClient::TimeCommand(const QString& path, qint64 epochSeconds, bool optional) const {
    const QDateTime when = QDateTime::fromSecsSinceEpoch(epochSeconds, QTimeZone::utc());
    // A leading '*' lets the exchange go on when the server lacks the command.
    const QByteArray prefix = optional ? "*" : "";
    // libcurl reads the SFTP date in the form of mail and web headers.
    if (settings_.Security == TFtpSecurity::Sftp)
        return prefix + ("mtime \"" + when.toString(QStringLiteral("ddd, dd MMM yyyy HH:mm:ss")) + " GMT\" " +
                         QuotePath(path))
                            .toUtf8();
    return prefix +
           ("MFMT " + when.toString(QStringLiteral("yyyyMMddHHmmss")) + QLatin1Char(' ') + path).toUtf8();
}

TFtpStatus TFtpClient::Rename(const QString& from, const QString& to) {
    if (!Carriable(from) || !Carriable(to))
        return TFtpStatus::Invalid;
    TRequest request;
    request.url = Url(QString());
    request.nobody = true;
    request.quote.push_back(RenameCommand(from, to, false));
    const QByteArray second = RenameCommand(from, to, true);
    if (!second.isEmpty())
        request.quote.push_back(second);
    return Perform(request);
}

TFtpStatus TFtpClient::SetModificationTime(const QString& path, qint64 epochSeconds) {
    if (!Carriable(path))
        return TFtpStatus::Invalid;
    TRequest request;
    request.url = Url(QString());
    request.nobody = true;
    request.quote.push_back(TimeCommand(path, epochSeconds, false));
    return Perform(request);
}

QString TFtpClient::CurrentFolder() {
    if (settings_.Security == TFtpSecurity::Sftp)
        return QString();
    QString reply;
    const TLineHook previous = lineHook_;
    lineHook_ = [&](bool sent, const QString& line) {
        if (!sent && line.startsWith(QLatin1String("257")))
            reply = line;
        if (previous)
            previous(sent, line);
    };
    const TFtpStatus status = Command(QStringLiteral("PWD"));
    lineHook_ = previous;
    if (status != TFtpStatus::Ok)
        return QString();
    // 257 "/the folder" is current; a quote inside the name is doubled.
    const qsizetype open = reply.indexOf(QLatin1Char('"'));
    if (open < 0)
        return QString();
    QString folder;
    for (qsizetype i = open + 1; i < reply.size(); ++i) {
        if (reply[i] == QLatin1Char('"')) {
            if (i + 1 < reply.size() && reply[i + 1] == QLatin1Char('"')) {
                folder += QLatin1Char('"');
                ++i;
                continue;
            }
            return folder;
        }
        folder += reply[i];
    }
    return QString();
}

TFtpStatus TFtpClient::Upload(const QString& localPath, const QString& remotePath) {
    return UploadWith(localPath, remotePath, {});
}

TFtpStatus TFtpClient::UploadAndRename(const QString& localPath, const QString& tempPath,
                                       const QString& finalPath, qint64 epochSeconds) {
    if (!Carriable(tempPath) || !Carriable(finalPath))
        return TFtpStatus::Invalid;
    QList<QByteArray> after;
    after.push_back(TimeCommand(tempPath, epochSeconds, true));
    after.push_back(RenameCommand(tempPath, finalPath, false));
    const QByteArray second = RenameCommand(tempPath, finalPath, true);
    if (!second.isEmpty())
        after.push_back(second);
    return UploadWith(localPath, tempPath, after);
}

TFtpStatus TFtpClient::UploadWith(const QString& localPath, const QString& remotePath,
                                  const QList<QByteArray>& after) {
    if (!Carriable(remotePath))
        return TFtpStatus::Invalid;
    int fd = -1;
    if (FileSystem::OpenForReading(localPath, fd) != 0) {
        lastError_ = QStringLiteral("cannot read ") + localPath;
        return TFtpStatus::Refused;
    }
    FileSystem::TFileStatus status;
    FileSystem::Status(localPath, status, true);
    TRequest request;
    request.url = Url(remotePath);
    request.upload = true;
    request.fd = fd;
    request.size = status.size;
    request.postQuote = after;
    const TFtpStatus result = Perform(request);
    ::close(fd);
    return result;
}

TFtpStatus TFtpClient::Download(const QString& remotePath, const QString& localPath) {
    if (!Carriable(remotePath))
        return TFtpStatus::Invalid;
    int fd = -1;
    if (FileSystem::Open(localPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600, fd) != 0) {
        lastError_ = QStringLiteral("cannot write ") + localPath;
        return TFtpStatus::Refused;
    }
    TRequest request;
    request.url = Url(remotePath);
    request.fd = fd;
    const TFtpStatus result = Perform(request);
    ::close(fd);
    return result;
}

bool ParseFtpListLine(const QString& line, bool machineListing, TFtpEntry& entry) {
    entry = TFtpEntry();
    if (line.trimmed().isEmpty())
        return false;
    if (machineListing) {
        // facts, one space, the name (which may itself hold spaces and semicolons).
        const qsizetype space = line.indexOf(QLatin1Char(' '));
        if (space < 0)
            return false;
        entry.Name = line.mid(space + 1);
        bool known = false;
        for (const QString& fact : line.left(space).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const qsizetype eq = fact.indexOf(QLatin1Char('='));
            if (eq < 0)
                continue;
            const QString key = fact.left(eq).toLower();
            const QString value = fact.mid(eq + 1);
            if (key == QLatin1String("type")) {
                const QString type = value.toLower();
                if (type == QLatin1String("cdir") || type == QLatin1String("pdir"))
                    return false;
                entry.Folder = type == QLatin1String("dir");
                known = true;
            } else if (key == QLatin1String("size")) {
                bool ok = false;
                const qint64 size = value.toLongLong(&ok);
                entry.Size = ok && size >= 0 ? size : -1;
            }
        }
        if (entry.Folder)
            entry.Size = -1;
        return known && !entry.Name.isEmpty() && entry.Name != QLatin1String(".") &&
               entry.Name != QLatin1String("..");
    }
    // perms links owner group size month day time-or-year name
    static const QRegularExpression unixLine(QStringLiteral(
        "^([\\-dlbcps])[^ ]*\\s+\\d+\\s+\\S+\\s+\\S+\\s+(\\d+)\\s+\\S+\\s+\\S+\\s+\\S+\\s(.*)$"));
    const QRegularExpressionMatch m = unixLine.match(line);
    if (!m.hasMatch())
        return false;
    const QString type = m.captured(1);
    entry.Name = m.captured(3);
    if (type == QLatin1String("l")) {
        const qsizetype arrow = entry.Name.indexOf(QLatin1String(" -> "));
        if (arrow >= 0)
            entry.Name = entry.Name.left(arrow);
    }
    entry.Folder = type == QLatin1String("d");
    entry.Size = entry.Folder ? -1 : m.captured(2).toLongLong();
    return !entry.Name.isEmpty() && entry.Name != QLatin1String(".") && entry.Name != QLatin1String("..");
}
