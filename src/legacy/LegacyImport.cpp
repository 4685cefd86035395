#include "legacy/LegacyImport.h"

#include <QFileInfo>

#include "model/MainData.h"
#include "model/Task.h"

std::vector<std::pair<QString, QString>> TLegacyImportItem::PreviewRows() const {
    return {{QStringLiteral("Name:"), ItemName()},
            {QStringLiteral("Type:"), GetStrType()},
            {QStringLiteral("Source:"), PreviewSource()},
            {QStringLiteral("Destination:"), PreviewDestination()},
            {QStringLiteral("Use Compression?:"), GetStrCompress()},
            {QStringLiteral("Use Encryption?:"), PreviewEncrypt()},
            {QStringLiteral("Additional Settings:"), QStringLiteral("n/a")}};
}

namespace {

QString WithBackslash(QString root) {
    root.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (!root.endsWith(QLatin1Char('\\')))
        root += QLatin1Char('\\');
    return root;
}

}  // namespace

bool TDriveMap::Add(const QString& spec, QString* error) {
    // The root is the part before the first '=' (a drive root cannot hold one; a folder may).
    const qsizetype eq = spec.indexOf(QLatin1Char('='));
    if (eq <= 0 || eq == spec.size() - 1) {
        if (error)
            *error = QStringLiteral("a drive mapping has the form ROOT=FOLDER, e.g. 'C:\\=/mnt/old-c/'");
        return false;
    }
    const QString from = spec.left(eq).trimmed();
    const QString to = spec.mid(eq + 1).trimmed();
    if (from.isEmpty() || to.isEmpty() || !to.startsWith(QLatin1Char('/'))) {
        if (error)
            *error = QStringLiteral("the folder of \"%1\" must be an absolute path").arg(spec);
        return false;
    }
    Add(from, to);
    return true;
}

void TDriveMap::Add(const QString& from, const QString& to) {
    QString folder = to;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    entries_.emplace_back(WithBackslash(from), folder);
}

QString TDriveMap::Map(const QString& path) const {
    for (const auto& [root, folder] : entries_) {
        const QString rootWithout = root.chopped(1);
        QString rest;
        if (path.startsWith(root, Qt::CaseInsensitive))
            rest = path.mid(root.size());
        else if (path.compare(rootWithout, Qt::CaseInsensitive) == 0)
            rest.clear();
        else
            continue;
        rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
        return folder + rest;
    }
    return path;
}

TSourceFolder SourceFolderOf(const QString& folder, bool includeSubfolders) {
    TSourceFolder result;
    result.Folder = folder;
    result.IncludeSubfolders = includeSubfolders;
    return result;
}

void ApplyDriveMap(TTask& task, const TDriveMap& map) {
    if (map.IsEmpty())
        return;
    for (TSourceFolder& folder : task.SourceFolders)
        folder.Folder = map.Map(folder.Folder);
    task.DestLocal = map.Map(task.DestLocal);
    task.VersionsKeepArcFolder = map.Map(task.VersionsKeepArcFolder);
    task.ArchiveFolder = map.Map(task.ArchiveFolder);
    task.ClearPathCaches();
}

namespace {

bool Exists(const QString& path) {
    // Path variables are only known when the task runs.
    // An empty path is not set at all rather than missing.
    if (path.isEmpty() || path.contains(QLatin1Char('%')))
        return true;
    return QFileInfo::exists(path);
}

}  // namespace

QStringList MissingPaths(const TTask& task) {
    QStringList missing;
    for (const TSourceFolder& folder : task.SourceFolders)
        if (!Exists(folder.Folder))
            missing.append(folder.Folder);
    if (task.DestType == TDestKind::dkLocal && !Exists(task.DestLocal))
        missing.append(task.DestLocal);
    if (task.VersionsKeepType == TVersionsKeepKind::vkArcFolder && !Exists(task.VersionsKeepArcFolder))
        missing.append(task.VersionsKeepArcFolder);
    if (task.DeleteKind == TDeleteKind::adkMoveArcFolder && !Exists(task.ArchiveFolder))
        missing.append(task.ArchiveFolder);
    return missing;
}

bool EnsureUniqueId(TTask& task, const TTasksList& existing, QSet<QString>& taken) {
    bool replaced = false;
    while (task.ID.isEmpty() || existing.ContainsId(task.ID) || taken.contains(task.ID)) {
        task.GenerateId();
        replaced = true;
    }
    taken.insert(task.ID);
    return replaced;
}
