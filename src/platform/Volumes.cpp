#include "platform/Volumes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace {

// Undoes the octal escapes (\040 for a blank) of /proc/self/mountinfo fields.
QString UnescapeMountField(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (int i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(static_cast<char>(code));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return QString::fromUtf8(out);
}

// The device of the file system mounted at mountPoint ("" when none).
QString DeviceOfMount(const QString& mountPoint) {
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QString wanted = QDir::cleanPath(mountPoint);
    QString device;
    // Later lines win: a mount over the same point hides the earlier one.
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const int dash = fields.indexOf("-");
        if (fields.size() < 5 || dash < 0 || dash + 2 >= fields.size()) continue;
        if (UnescapeMountField(fields[4]) == wanted) device = UnescapeMountField(fields[dash + 2]);
    }
    return device;
}

// The name of the /dev/disk/by-* link that resolves to device.
QString LinkNameFor(const QString& folder, const QString& device) {
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty()) return {};
    const QDir dir(folder);
    for (const QFileInfo& link : dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        if (QFileInfo(link.absoluteFilePath()).canonicalFilePath() == target) {
            // udev escapes blanks and other characters in label links as \x20.
            QString name = link.fileName();
            QString decoded;
            for (int i = 0; i < name.size(); ++i) {
                if (name[i] == QLatin1Char('\\') && i + 3 < name.size() && name[i + 1] == QLatin1Char('x')) {
                    bool ok = false;
                    const int code = name.mid(i + 2, 2).toInt(&ok, 16);
                    if (ok) {
                        decoded += QChar(code);
                        i += 3;
                        continue;
                    }
                }
                decoded += name[i];
            }
            return decoded;
        }
    }
    return {};
}

}  // namespace

QString SerialFromUuid(const QString& uuid) {
    QString hex;
    for (const QChar c : uuid) {
        if (c.isDigit() || (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'))) hex += c.toUpper();
        if (hex.size() == 8) break;
    }
    return hex;
}

bool TSystemVolumeInfo::Read(const QString& mountPoint, TVolumeInfo& info) {
    info = {};
    const QString device = DeviceOfMount(mountPoint);
    if (device.isEmpty()) return false;
    info.label = LinkNameFor(QStringLiteral("/dev/disk/by-label"), device);
    info.serial = SerialFromUuid(LinkNameFor(QStringLiteral("/dev/disk/by-uuid"), device));
    return true;
}
