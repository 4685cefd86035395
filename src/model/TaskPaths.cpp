#include "model/TaskPaths.h"

QString IncludeTrailingSlash(const QString& path) {
    if (path.endsWith(QLatin1Char('/')))
        return path;
    return path + QLatin1Char('/');
}

QString ExcludeTrailingSlash(const QString& path) {
    if (path.endsWith(QLatin1Char('/')))
        return path.left(path.size() - 1);
    return path;
}

QString StripRoot(const QString& path) {
    if (path.size() <= 2)
        return {};
    if (path.startsWith(QLatin1String("\\\\"))) {
        // \\server\share\rest: everything up to the separator after the share goes.
        const qsizetype afterServer = path.indexOf(QLatin1Char('\\'), 2);
        if (afterServer < 0)
            return {};
        const qsizetype afterShare = path.indexOf(QLatin1Char('\\'), afterServer + 1);
        if (afterShare < 0)
            return {};
        return path.mid(afterShare + 1);
    }
    if (path.at(0).isLetter() && path.at(1) == QLatin1Char(':') &&
        (path.at(2) == QLatin1Char('\\') || path.at(2) == QLatin1Char('/')))
        return path.mid(3);
    if (path.startsWith(QLatin1Char('/')))
        return path.mid(1);
    return {};
}

QString LastFolderName(const QString& path) {
    const QString trimmed = ExcludeTrailingSlash(path);
    const qsizetype slash = trimmed.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? trimmed : trimmed.mid(slash + 1);
}

QString NormalizeFtpPath(const QString& path) {
    QString result = path.trimmed();
    result.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!result.startsWith(QLatin1Char('/')))
        result.prepend(QLatin1Char('/'));
    return result;
}

TFtpAddress ParseFtpAddress(const QString& address) {
    TFtpAddress result;
    QString rest = address.trimmed();
    if (rest.startsWith(QLatin1String("ftp://"), Qt::CaseInsensitive))
        rest = rest.mid(6);

    QString authority = rest;
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    if (slash >= 0) {
        authority = rest.left(slash);
        result.Folder = rest.mid(slash);
    }
    // The last '@' ends the user part, so a password may hold '@'.
    const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
    if (at >= 0) {
        const QString userInfo = authority.left(at);
        authority = authority.mid(at + 1);
        const qsizetype colon = userInfo.indexOf(QLatin1Char(':'));
        if (colon >= 0) {
            result.User = userInfo.left(colon);
            result.Password = userInfo.mid(colon + 1);
        } else {
            result.User = userInfo;
        }
    }
    QString portText;
    if (authority.startsWith(QLatin1Char('['))) {
        // [IPv6]:port
        const qsizetype close = authority.indexOf(QLatin1Char(']'));
        if (close < 0) {
            result.Host = authority;
        } else {
            result.Host = authority.mid(1, close - 1);
            if (authority.mid(close + 1).startsWith(QLatin1Char(':')))
                portText = authority.mid(close + 2);
        }
    } else {
        const qsizetype colon = authority.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0) {
            result.Host = authority.left(colon);
            portText = authority.mid(colon + 1);
        } else {
            result.Host = authority;
        }
    }
    bool ok = false;
    const int port = portText.toInt(&ok);
    result.Port = ok && port > 0 && port <= 65535 ? port : 0;
    result.Host = result.Host.trimmed();
    return result;
}
