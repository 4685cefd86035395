#include "platform/Mounts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// mountinfo escapes blanks, tabs, newlines and backslashes as a backslash and three octal digits.
QString DecodeMountField(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size()) {
            bool ok = true;
            int value = 0;
            for (int k = 1; k <= 3; ++k) {
                const char d = field[i + k];
                if (d < '0' || d > '7') {
                    ok = false;
                    break;
                }
                value = value * 8 + (d - '0');
            }
            if (ok && value < 256) {
                out.append(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return QString::fromUtf8(out);
}

// The nearest existing folder at or above path, with symbolic links resolved.
QString ExistingCanonical(const QString& path) {
    QString current = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    while (true) {
        const QFileInfo info(current);
        if (info.exists()) {
            const QString canonical = info.canonicalFilePath();
            return canonical.isEmpty() ? current : canonical;
        }
        const qsizetype slash = current.lastIndexOf(QLatin1Char('/'));
        if (slash <= 0)
            return QStringLiteral("/");
        current.truncate(slash);
    }
}

}  // namespace

namespace Mounts {

QStringList ParseMountInfo(const QByteArray& text) {
    QStringList result;
    for (const QByteArray& line : text.split('\n')) {
        // Fields: id, parent id, major:minor, root, mount point, ...
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 5)
            continue;
        const QString mountPoint = DecodeMountField(fields[4]);
        if (mountPoint.startsWith(QLatin1Char('/')))
            result.append(mountPoint);
    }
    return result;
}

QStringList MountPoints() {
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("/")};
    return ParseMountInfo(file.readAll());
}

QString MountPointOf(const QString& path, const QStringList& mountPoints) {
    if (path.isEmpty())
        return {};
    const QString target = ExistingCanonical(path);
    QString best = QStringLiteral("/");
    for (const QString& mountPoint : mountPoints) {
        QString prefix = mountPoint;
        if (!prefix.endsWith(QLatin1Char('/')))
            prefix += QLatin1Char('/');
        // Mount points are compared exactly: Linux paths are case-sensitive.
        if (QString(target + QLatin1Char('/')).startsWith(prefix) && prefix.size() > best.size())
            best = prefix;
    }
    return best;
}

QString MountPointOf(const QString& path) {
    return MountPointOf(path, MountPoints());
}

}  // namespace Mounts
