#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <optional>
#include <vector>

#include "platform/DateTime.h"

// A small SMTP client on libcurl: one plain-text message per call, to a comma-separated list of
// recipients, with optional user-name and password authentication (libcurl picks the strongest method
// the server offers, LOGIN among them). STARTTLS is used whenever the server offers it; port 465 speaks
// TLS from the first byte (SMTPS). Certificates are always checked.
//
// Every text that ends up in a header is cleaned of CR and LF first, so that a task name or a setting
// can never add a header line or end the header block; headers holding non-ASCII text are written as
// RFC 2047 encoded words.

// The server a message goes to.
struct TSmtpServer {
    QString Host;
    int Port = 25;
    bool Authenticate = false;
    QString User;
    QString Password;
};

// Limits of one exchange and the trust settings. Tests shorten the timeouts and name their own CA.
struct TSmtpOptions {
    int ConnectTimeoutMs = 30000;  // name resolution, TCP connect and the protocol greeting
    int TotalTimeoutMs = 120000;   // the whole exchange
    QString CaFile;                // extra trusted certificates (PEM); empty: the system's store
    // Port of implicit TLS; 465 unless a test moves it to a free port.
    int ImplicitTlsPort = 465;
    // When set and raised, an exchange in progress is given up at once (the outbox stopping at exit).
    const std::atomic<bool>* Cancel = nullptr;
};

struct TSmtpResult {
    bool Success = false;
    QString ErrorText;  // empty on success
};

// One mailbox: "addr", "Name <addr>" or "\"Name, with comma\" <addr>".
struct TMailbox {
    QString DisplayName;
    QString Address;
};

// A plain-text message. Body lines are separated by LF (a CR LF pair or a lone CR counts as one).
struct TMailMessage {
    QString From;
    QString To;  // comma-separated list of mailboxes
    QString Subject;
    QString Body;
};

// Removes CR and LF (and NUL) from a text destined for a header.
QString StripLineBreaks(const QString& text);

// One mailbox out of its text; nullopt when no usable address is found (empty, or holding blanks,
// control characters or angle brackets).
std::optional<TMailbox> ParseMailbox(const QString& text);
// The mailboxes of a comma-separated list; commas inside double quotes or angle brackets do not
// separate. Empty entries are skipped; nullopt when any non-empty entry is unusable.
std::optional<std::vector<TMailbox>> ParseMailboxList(const QString& text);

// A header value as RFC 2047 encoded words ("=?UTF-8?B?...?="), each at most 75 characters, joined by a
// folding line break; a multi-byte character is never split. Plain ASCII text is returned unchanged.
QByteArray EncodeHeaderText(const QString& text);
// A mailbox for a From or To header: the display name quoted or encoded as needed, the address in
// angle brackets.
QByteArray FormatMailboxHeader(const TMailbox& mailbox);
// Quoted-printable (RFC 2045) of UTF-8 text whose lines are separated by CR LF.
QByteArray EncodeQuotedPrintable(const QByteArray& crlfText);

// The whole message as transmitted: headers, a blank line and the body, every line ending in CR LF.
// date gives the Date header (local time with its offset); messageId is the text inside the angle
// brackets of the Message-ID header. False with an error text when From or To hold no usable mailbox.
bool BuildMailMessage(const TMailMessage& message, TDateTime date, const QString& messageId,
                      QByteArray& result, QString& errorText);

// The URL libcurl is given: smtp:// or, on the implicit TLS port, smtps://, the host (IPv6 literals in
// brackets), the port and the name this computer greets the server with. Empty when the host or port
// cannot be used.
QString SmtpUrl(const QString& host, int port, const TSmtpOptions& options);

// Connects, authenticates when asked to, sends the message and disconnects. Never throws; a failure
// (name resolution, connection, a refused command, authentication, a timeout) gives Success false and
// the reason.
// Sets libcurl up for the whole program, once; safe to call from any thread after the first call on
// the main thread.
void InitCurlOnce();

TSmtpResult SendSmtpMessage(const TSmtpServer& server, const TMailMessage& message,
                            const TSmtpOptions& options = {});
