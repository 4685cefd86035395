#include "platform/SystemInfo.h"

#include <pwd.h>
#include <unistd.h>

#include <QDir>
#include <QStandardPaths>
#include <QSysInfo>

extern char** environ;

namespace {

QString StandardFolder(QStandardPaths::StandardLocation location) {
    return QDir::cleanPath(QStandardPaths::writableLocation(location));
}

QString HomeRelative(const QString& relative) {
    return QDir::cleanPath(QDir::homePath() + relative);
}

QString DataHome() {
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    return xdg.isEmpty() ? HomeRelative(QStringLiteral("/.local/share")) : QDir::cleanPath(xdg);
}

QString ConfigHome() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    return xdg.isEmpty() ? HomeRelative(QStringLiteral("/.config")) : QDir::cleanPath(xdg);
}

}  // namespace

namespace SystemInfo {

QString ComputerName() {
    return QSysInfo::machineHostName();
}

QString UserName() {
    if (const passwd* entry = getpwuid(geteuid()); entry != nullptr && entry->pw_name != nullptr)
        return QString::fromLocal8Bit(entry->pw_name);
    return qEnvironmentVariable("USER");
}

QStringList EnvironmentEntries() {
    QStringList entries;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry)
        entries.append(QString::fromLocal8Bit(*entry));
    return entries;
}

QString SpecialFolderPath(int id) {
    switch (id) {
        case 0:   // desktop
        case 16:  // desktop directory
            return StandardFolder(QStandardPaths::DesktopLocation);
        case 2:   // programs
        case 11:  // start menu
            return DataHome() + QStringLiteral("/applications");
        case 5:  // personal
            return StandardFolder(QStandardPaths::DocumentsLocation);
        case 7:  // startup
            return ConfigHome() + QStringLiteral("/autostart");
        case 10:  // recycle bin
            return DataHome() + QStringLiteral("/Trash/files");
        case 20:
            return StandardFolder(QStandardPaths::FontsLocation);
        case 21:
            return StandardFolder(QStandardPaths::TemplatesLocation);
        case 26:  // application data
            return ConfigHome();
        default:
            return {};
    }
}

}  // namespace SystemInfo
