#include "logging/SmtpClient.h"

#include <curl/curl.h>
#include <sys/socket.h>

#include <QLocale>
#include <QRandomGenerator>
#include <QUrl>
#include <cstring>
#include <mutex>

#include "platform/SystemInfo.h"

namespace {

constexpr int kEncodedWordPayload = 45;  // bytes of UTF-8 per word: 60 base64 characters, 72 in all
constexpr int kQuotedPrintableLine = 76;
constexpr int kMaxPlainLine = 998;

bool IsControl(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

bool IsPlainHeaderText(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    }
    // A literal "=?" could be read back as the start of an encoded word.
    return !text.contains(QStringLiteral("=?")) && text.size() <= kMaxPlainLine - 100;
}

bool IsAtomText(const QString& text) {
    static const QString specials = QStringLiteral("()<>[]:;@\\,.\"");
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E || specials.contains(c))
            return false;
    }
    return true;
}

QString Unquote(const QString& text) {
    if (text.size() < 2 || !text.startsWith(QLatin1Char('"')) || !text.endsWith(QLatin1Char('"')))
        return text;
    QString result;
    const QString inner = text.mid(1, text.size() - 2);
    for (qsizetype i = 0; i < inner.size(); ++i) {
        if (inner.at(i) == QLatin1Char('\\') && i + 1 < inner.size())
            ++i;
        result += inner.at(i);
    }
    return result;
}

bool IsUsableAddress(const QString& address) {
    if (address.isEmpty())
        return false;
    for (QChar c : address) {
        if (c.isSpace() || IsControl(c) || c == QLatin1Char('<') || c == QLatin1Char('>') ||
            c == QLatin1Char(',') || c == QLatin1Char('"'))
            return false;
    }
    return true;
}

// RFC 5322 date in the C locale, with the local offset from UTC.
QByteArray MailDate(TDateTime date) {
    QDateTime local = DateTime::ToQDateTime(date);
    if (!local.isValid())
        local = QDateTime::currentDateTime();
    const int offsetMinutes = local.offsetFromUtc() / 60;
    const int absolute = std::abs(offsetMinutes);
    const QString offset = QStringLiteral("%1%2%3")
                               .arg(offsetMinutes < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                               .arg(absolute / 60, 2, 10, QLatin1Char('0'))
                               .arg(absolute % 60, 2, 10, QLatin1Char('0'));
    return (QLocale::c().toString(local, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss")) + QLatin1Char(' ') +
            offset)
        .toLatin1();
}

// Body lines joined by CR LF, whatever line ends the text used.
QByteArray CrLfBody(const QString& body) {
    QString text = body;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QByteArray result = text.toUtf8();
    result.replace("\n", "\r\n");
    if (!result.endsWith("\r\n"))
        result += "\r\n";
    return result;
}

bool NeedsTransferEncoding(const QByteArray& crlfBody) {
    qsizetype lineLength = 0;
    for (char ch : crlfBody) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte >= 0x80 || byte == 0)
            return true;
        if (ch == '\n') {
            lineLength = 0;
        } else if (++lineLength > kMaxPlainLine) {
            return true;
        }
    }
    return false;
}

QByteArray FoldAddressList(const std::vector<TMailbox>& mailboxes, qsizetype firstLineUsed) {
    QByteArray result;
    qsizetype lineLength = firstLineUsed;
    for (std::size_t i = 0; i < mailboxes.size(); ++i) {
        const QByteArray one = FormatMailboxHeader(mailboxes[i]);
        if (i > 0) {
            if (lineLength + 2 + one.size() > 76) {
                result += ",\r\n ";
                lineLength = 1;
            } else {
                result += ", ";
                lineLength += 2;
            }
        }
        result += one;
        lineLength += one.size();
    }
    return result;
}

QString EhloName() {
    QString name;
    for (QChar c : SystemInfo::ComputerName()) {
        if ((c.unicode() < 0x80 && c.isLetterOrNumber()) || c == QLatin1Char('-') || c == QLatin1Char('.'))
            name += c;
    }
    return name.isEmpty() ? QStringLiteral("localhost") : name;
}

struct TUploadSource {
    const QByteArray* data = nullptr;
    qsizetype offset = 0;
};

size_t ReadUpload(char* buffer, size_t size, size_t count, void* user) {
    auto* source = static_cast<TUploadSource*>(user);
    const qsizetype room = static_cast<qsizetype>(size * count);
    const qsizetype left = source->data->size() - source->offset;
    const qsizetype chunk = std::min(room, left);
    if (chunk > 0) {
        std::memcpy(buffer, source->data->constData() + source->offset, static_cast<size_t>(chunk));
        source->offset += chunk;
    }
    return static_cast<size_t>(chunk);
}

class TCurlEasy {
public:
    TCurlEasy() : handle_(curl_easy_init()) {}
    ~TCurlEasy() {
        if (recipients_ != nullptr)
            curl_slist_free_all(recipients_);
        if (handle_ != nullptr)
            curl_easy_cleanup(handle_);
    }
    TCurlEasy(const TCurlEasy&) = delete;
    TCurlEasy& operator=(const TCurlEasy&) = delete;

    CURL* Handle() const { return handle_; }
    void AddRecipient(const QByteArray& address) {
        recipients_ = curl_slist_append(recipients_, address.constData());
    }
    curl_slist* Recipients() const { return recipients_; }

private:
    CURL* handle_;
    curl_slist* recipients_ = nullptr;
};

// Runs the transfer on a multi handle so that a cancel request is seen within a fifth of a second, not
// only when libcurl's own timeouts expire.
CURLcode Perform(CURL* easy, const std::atomic<bool>* cancel) {
    if (cancel == nullptr)
        return curl_easy_perform(easy);
    CURLM* multi = curl_multi_init();
    if (multi == nullptr)
        return CURLE_OUT_OF_MEMORY;
    CURLcode result = CURLE_OK;
    if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
        curl_multi_cleanup(multi);
        return CURLE_FAILED_INIT;
    }
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        int queued = 0;
        bool finished = false;
        while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
            if (message->msg == CURLMSG_DONE) {
                result = message->data.result;
                finished = true;
            }
        }
        if (finished || running == 0)
            break;
        if (cancel->load()) {
            // Removing a handle in the middle of an exchange makes libcurl say QUIT and wait for the
            // answer, which a silent server never gives: close the connection under it first.
            curl_socket_t socket = CURL_SOCKET_BAD;
            if (curl_easy_getinfo(easy, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK &&
                socket != CURL_SOCKET_BAD)
                ::shutdown(socket, SHUT_RDWR);
            curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, 1L);
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        curl_multi_poll(multi, nullptr, 0, 200, nullptr);
    }
    curl_multi_remove_handle(multi, easy);
    curl_multi_cleanup(multi);
    return result;
}

TSmtpResult Failure(const QString& text) {
    return {false, text};
}

}  // namespace

void InitCurlOnce() {
    // libcurl (and the TLS library below it) must be set up once, before threads use it; the programs call
    // this on their main thread at start, and every user calls it again to be safe.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

QString StripLineBreaks(const QString& text) {
    QString result = text;
    result.remove(QLatin1Char('\r'));
    result.remove(QLatin1Char('\n'));
    result.remove(QChar(0));
    return result;
}

std::optional<TMailbox> ParseMailbox(const QString& text) {
    const QString cleaned = StripLineBreaks(text).trimmed();
    TMailbox mailbox;
    const qsizetype open = cleaned.lastIndexOf(QLatin1Char('<'));
    if (open >= 0) {
        const qsizetype close = cleaned.indexOf(QLatin1Char('>'), open);
        if (close < 0 || !cleaned.mid(close + 1).trimmed().isEmpty())
            return std::nullopt;
        mailbox.Address = cleaned.mid(open + 1, close - open - 1).trimmed();
        mailbox.DisplayName = Unquote(cleaned.left(open).trimmed());
    } else {
        mailbox.Address = cleaned;
    }
    if (!IsUsableAddress(mailbox.Address))
        return std::nullopt;
    return mailbox;
}

std::optional<std::vector<TMailbox>> ParseMailboxList(const QString& text) {
    std::vector<TMailbox> result;
    QString current;
    bool inQuotes = false;
    bool inAngle = false;
    auto flush = [&]() -> bool {
        if (!current.trimmed().isEmpty()) {
            std::optional<TMailbox> one = ParseMailbox(current);
            if (!one)
                return false;
            result.push_back(*one);
        }
        current.clear();
        return true;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inQuotes && c == QLatin1Char('\\') && i + 1 < text.size()) {
            current += c;
            current += text.at(++i);
            continue;
        }
        if (c == QLatin1Char('"') && !inAngle)
            inQuotes = !inQuotes;
        else if (c == QLatin1Char('<') && !inQuotes)
            inAngle = true;
        else if (c == QLatin1Char('>') && !inQuotes)
            inAngle = false;
        if (c == QLatin1Char(',') && !inQuotes && !inAngle) {
            if (!flush())
                return std::nullopt;
            continue;
        }
        current += c;
    }
    if (!flush())
        return std::nullopt;
    return result;
}

QByteArray EncodeHeaderText(const QString& text) {
    const QString cleaned = StripLineBreaks(text);
    if (IsPlainHeaderText(cleaned))
        return cleaned.toLatin1();
    QByteArray result;
    QByteArray chunk;
    auto flush = [&] {
        if (chunk.isEmpty())
            return;
        if (!result.isEmpty())
            result += "\r\n ";
        result += "=?UTF-8?B?" + chunk.toBase64() + "?=";
        chunk.clear();
    };
    for (qsizetype i = 0; i < cleaned.size(); ++i) {
        // Whole code points only: a surrogate pair stays in one word.
        qsizetype length = 1;
        if (cleaned.at(i).isHighSurrogate() && i + 1 < cleaned.size() && cleaned.at(i + 1).isLowSurrogate())
            length = 2;
        const QByteArray bytes = cleaned.mid(i, length).toUtf8();
        if (chunk.size() + bytes.size() > kEncodedWordPayload)
            flush();
        chunk += bytes;
        i += length - 1;
    }
    flush();
    return result;
}

QByteArray FormatMailboxHeader(const TMailbox& mailbox) {
    const QByteArray address = mailbox.Address.toUtf8();
    const QString name = StripLineBreaks(mailbox.DisplayName).trimmed();
    if (name.isEmpty())
        return address;
    QByteArray phrase;
    if (IsAtomText(name) && IsPlainHeaderText(name)) {
        phrase = name.toLatin1();
    } else if (IsPlainHeaderText(name)) {
        QByteArray quoted = name.toLatin1();
        quoted.replace("\\", "\\\\");
        quoted.replace("\"", "\\\"");
        phrase = '"' + quoted + '"';
    } else {
        phrase = EncodeHeaderText(name);
    }
    return phrase + " <" + address + '>';
}

QByteArray EncodeQuotedPrintable(const QByteArray& crlfText) {
    static const char hex[] = "0123456789ABCDEF";
    QByteArray result;
    const QList<QByteArray> lines = crlfText.split('\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QByteArray line = lines[n];
        if (line.endsWith('\r'))
            line.chop(1);
        if (n == lines.size() - 1 && line.isEmpty())
            break;  // the text ended with its line break
        QByteArray out;
        qsizetype used = 0;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const auto byte = static_cast<unsigned char>(line[i]);
            const bool last = i == line.size() - 1;
            QByteArray token;
            if ((byte >= 33 && byte <= 126 && byte != '=') || ((byte == ' ' || byte == '\t') && !last)) {
                token = QByteArray(1, static_cast<char>(byte));
            } else {
                token = QByteArray("=") + hex[byte >> 4] + hex[byte & 15];
            }
            // A soft break ("=") must fit on the line, too.
            if (used + token.size() > kQuotedPrintableLine - 1) {
                out += "=\r\n";
                used = 0;
            }
            out += token;
            used += token.size();
        }
        result += out + "\r\n";
    }
    return result;
}

bool BuildMailMessage(const TMailMessage& message, TDateTime date, const QString& messageId,
                      QByteArray& result, QString& errorText) {
    const std::optional<TMailbox> from = ParseMailbox(message.From);
    if (!from) {
        errorText = QStringLiteral("no usable sender address");
        return false;
    }
    const std::optional<std::vector<TMailbox>> to = ParseMailboxList(message.To);
    if (!to || to->empty()) {
        errorText = QStringLiteral("no usable recipient address");
        return false;
    }
    const QByteArray body = CrLfBody(message.Body);
    const bool encode = NeedsTransferEncoding(body);

    result.clear();
    result += "Date: " + MailDate(date) + "\r\n";
    result += "From: " + FormatMailboxHeader(*from) + "\r\n";
    result += "To: " + FoldAddressList(*to, 4) + "\r\n";
    result += "Subject: " + EncodeHeaderText(message.Subject) + "\r\n";
    result += "Message-ID: <" + StripLineBreaks(messageId).toUtf8() + ">\r\n";
    result += "MIME-Version: 1.0\r\n";
    result += "Content-Type: text/plain; charset=UTF-8\r\n";
    result += QByteArray("Content-Transfer-Encoding: ") + (encode ? "quoted-printable" : "7bit") + "\r\n";
    result += "\r\n";
    result += encode ? EncodeQuotedPrintable(body) : body;
    return true;
}

QString SmtpUrl(const QString& host, int port, const TSmtpOptions& options) {
    QString name = host.trimmed();
    if (name.isEmpty() || port < 1 || port > 65535)
        return {};
    for (QChar c : name) {
        if (c.isSpace() || IsControl(c) || QStringLiteral("/?#@\\%").contains(c))
            return {};
    }
    if (name.startsWith(QLatin1Char('[')) || name.contains(QLatin1Char(':'))) {
        if (!name.startsWith(QLatin1Char('[')))
            name = QLatin1Char('[') + name + QLatin1Char(']');
    } else {
        const QByteArray ace = QUrl::toAce(name);
        if (ace.isEmpty())
            return {};
        name = QString::fromLatin1(ace);
    }
    const QString scheme = port == options.ImplicitTlsPort ? QStringLiteral("smtps") : QStringLiteral("smtp");
    return scheme + QStringLiteral("://") + name + QLatin1Char(':') + QString::number(port) +
           QLatin1Char('/') + EhloName();
}

TSmtpResult SendSmtpMessage(const TSmtpServer& server, const TMailMessage& message,
                            const TSmtpOptions& options) {
    const QString url = SmtpUrl(server.Host, server.Port, options);
    if (url.isEmpty())
        return Failure(QStringLiteral("the SMTP server address or port cannot be used"));

    QByteArray data;
    QString errorText;
    const std::optional<TMailbox> from = ParseMailbox(message.From);
    const QString domain = from ? from->Address.section(QLatin1Char('@'), 1) : QString();
    const QString messageId = QString::number(QDateTime::currentMSecsSinceEpoch(), 36) + QLatin1Char('.') +
                              QString::number(QRandomGenerator::global()->generate64(), 36) +
                              QStringLiteral(".tarnovex@") +
                              (domain.isEmpty() ? QStringLiteral("localhost") : domain);
    if (!BuildMailMessage(message, DateTime::Now(), messageId, data, errorText))
        return Failure(errorText);
    const std::optional<std::vector<TMailbox>> to = ParseMailboxList(message.To);

    InitCurlOnce();
    TCurlEasy curl;
    if (curl.Handle() == nullptr)
        return Failure(QStringLiteral("the SMTP client could not be set up"));
    CURL* h = curl.Handle();
    char errorBuffer[CURL_ERROR_SIZE] = {};
    const QByteArray urlBytes = url.toUtf8();
    const QByteArray mailFrom = '<' + from->Address.toUtf8() + '>';
    for (const TMailbox& one : *to)
        curl.AddRecipient('<' + one.Address.toUtf8() + '>');
    const QByteArray user = server.User.toUtf8();
    const QByteArray password = server.Password.toUtf8();
    const QByteArray caFile = options.CaFile.toLocal8Bit();
    TUploadSource source{&data, 0};

    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(h, CURLOPT_URL, urlBytes.constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    // Worker threads must not get signals from name resolution.
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.ConnectTimeoutMs));
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(options.TotalTimeoutMs));
    curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                     static_cast<long>((options.TotalTimeoutMs + 999) / 1000));
    // STARTTLS whenever the server offers it; a server that offers it with a certificate that does not
    // check out is refused rather than used in clear.
    curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile.isEmpty())
        curl_easy_setopt(h, CURLOPT_CAINFO, caFile.constData());
    curl_easy_setopt(h, CURLOPT_MAIL_FROM, mailFrom.constData());
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, curl.Recipients());
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h, CURLOPT_READFUNCTION, &ReadUpload);
    curl_easy_setopt(h, CURLOPT_READDATA, &source);
    // Without the authentication flag no credentials are given, so no AUTH command is ever sent.
    if (server.Authenticate) {
        curl_easy_setopt(h, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(h, CURLOPT_PASSWORD, password.constData());
    }

    const CURLcode code = Perform(h, options.Cancel);
    if (code != CURLE_OK) {
        QString detail = errorBuffer[0] != '\0' ? QString::fromUtf8(errorBuffer).trimmed()
                                                : QString::fromUtf8(curl_easy_strerror(code));
        return Failure(detail);
    }
    return {true, QString()};
}
