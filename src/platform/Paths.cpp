#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString WithSlash(QString path) {
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

QString HomeOverride() {
    const QString home = qEnvironmentVariable("TARNOVEX_HOME");
    if (home.isEmpty())
        return QString();
    // Asked for every log record: an absolute folder needs no look at the working folder.
    return WithSlash(
        QDir::cleanPath(QDir::isAbsolutePath(home) ? home : QDir::current().absoluteFilePath(home)));
}

QString XdgFolder(const char* variable, const QString& fallbackBelowHome) {
    QString base = qEnvironmentVariable(variable);
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + fallbackBelowHome;
    return WithSlash(base) + QStringLiteral("Tarnovex/");
}

}  // namespace

namespace Paths {

QString UserConfigFolder() {
    const QString home = HomeOverride();
    return home.isEmpty() ? XdgFolder("XDG_CONFIG_HOME", QStringLiteral("/.config")) : home;
}

QString UserDataFolder() {
    const QString home = HomeOverride();
    return home.isEmpty() ? XdgFolder("XDG_DATA_HOME", QStringLiteral("/.local/share")) : home;
}

QString ExecutableFolder() {
    const QFileInfo exe(QStringLiteral("/proc/self/exe"));
    return WithSlash(QFileInfo(exe.symLinkTarget()).absolutePath());
}

QString ShippedDataFolder() {
    const QString installed = QDir::cleanPath(ExecutableFolder() + QStringLiteral("../share/tarnovex"));
    if (QFileInfo(installed).isDir())
        return WithSlash(installed);
    return WithSlash(QStringLiteral(TARNOVEX_SOURCE_DIR "/data"));
}

QString SettingsDatabasePath() {
    return UserConfigFolder() + QStringLiteral("settings.db");
}

QString SystemTempFolder() {
    return WithSlash(QDir::tempPath());
}

}  // namespace Paths
