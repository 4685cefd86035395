#include "model/Task.h"
#include "storage/Storage.h"

QString VersionCopyName(const QString& fileName, const QString& tag, const QDateTime& stamp) {
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString base = dot < 0 ? fileName : fileName.left(dot);
    const QString extension = dot < 0 ? QString() : fileName.mid(dot);
    return base + QStringLiteral(" (") + tag + QLatin1Char(' ') +
           stamp.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")) + QLatin1Char(')') + extension;
}

void TLocalStorage::SaveFileVersion(const QString&) {}

void TLocalStorage::ProcessObsoleteFiles(TStorageSide) {}

QString TLocalStorage::MakeVersionPath(const QString&) {
    return QString();
}

QString TLocalStorage::MakeObsoleteArchivePath(const QString&, const QString&) {
    return QString();
}

bool TLocalStorage::ApplyObsoleteAction(const QString&, TStorageSide) {
    return false;
}

bool TLocalStorage::DeleteEmptyFoldersUpward(const QString&, const QString&) {
    return false;
}
