#include "platform/Volumes.h"

#include "platform/Drives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace {

// The device of the file system mounted at mountPoint ("" when none). A later mount over the same
// point hides the earlier one.
QString DeviceOfMount(const QString& mountPoint) {
    const QString wanted = QDir::cleanPath(mountPoint);
    QString device;
    for (const TMountEntry& entry : Drives::MountTable())
        if (entry.mountPoint == wanted)
            device = entry.source;
    return device;
}

// The name of the /dev/disk/by-* link that resolves to device.
QString LinkNameFor(const QString& folder, const QString& device) {
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return {};
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
        if (c.isDigit() || (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')))
            hex += c.toUpper();
        if (hex.size() == 8)
            break;
    }
    return hex;
}

bool TSystemVolumeInfo::Read(const QString& mountPoint, TVolumeInfo& info) {
    info = {};
    const QString device = DeviceOfMount(mountPoint);
    if (device.isEmpty())
        return false;
    info.label = LinkNameFor(QStringLiteral("/dev/disk/by-label"), device);
    info.serial = SerialFromUuid(LinkNameFor(QStringLiteral("/dev/disk/by-uuid"), device));
    return true;
}
