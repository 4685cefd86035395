#include <algorithm>
#include <cerrno>
#include <initializer_list>
#include <vector>

#include "model/Task.h"
#include "packing/Launcher.h"
#include "platform/FileSystem.h"
#include "settings/FormatText.h"
#include "settings/Language.h"
#include "storage/FileUtils.h"
#include "storage/Storage.h"

// Versions (the previous content of a destination file about to be overwritten) and obsolete copies
// (stored files whose source is gone) are kept under a copy name with a time stamp, either beside the
// file or in an archive folder, with an optional quota of copies per file.

namespace {

// While a copy name is taken, the clock is read again after this pause until the stamp moves on.
constexpr int kNameWaitMs = 100;

const QString kVersionTag = QStringLiteral("Version");
const QString kObsoleteTag = QStringLiteral("Obsolete");

QString Text(const char* english, const char* key, std::initializer_list<QString> args) {
    return FormatText(Translate(QString::fromUtf8(english), QString::fromUtf8(key)), args);
}

QString WithSlash(const QString& folder) {
    return folder.isEmpty() || folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString WithoutSlash(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// Whether path lies strictly below root and reaches its place plainly: no empty, "." or ".." component
// below the root. Paths come from index files, which another program or a damaged disk may have
// written; such a path must never lead the deletes and moves outside the side's tree.
bool LiesBelow(const QString& path, const QString& root) {
    if (root.isEmpty())
        return false;
    const QString prefix = WithSlash(root);
    const QString plain = WithoutSlash(path);
    if (plain.size() <= prefix.size() || !plain.startsWith(prefix))
        return false;
    const QString rest = plain.mid(prefix.size());
    const QList<QStringView> parts = QStringView(rest).split(QLatin1Char('/'));
    return std::none_of(parts.begin(), parts.end(), [](QStringView part) {
        return part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..");
    });
}

QString FolderOf(const QString& path) {
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// Where and how the copies of one kind are kept.
struct TCopyRule {
    QString tag;  // kVersionTag or kObsoleteTag
    bool sameFolder = true;
    QString archiveFolder;
    bool keepStructure = false;
    int quota = 0;  // 0 or less: no quota
};

// The file's own folder; or the archive folder, with the file's folder below the side's root appended
// when the structure is kept.
QString TargetFolder(const QString& path, const QString& root, const TCopyRule& rule) {
    const QString own = FolderOf(path);
    if (rule.sameFolder)
        return own;
    const QString archive = WithSlash(rule.archiveFolder);
    if (!rule.keepStructure || !LiesBelow(path, root))
        return archive;
    return archive + own.mid(WithSlash(root).size());
}

// The copies of fileName with the rule's tag in folder, oldest first. The name is compared exactly: on
// Linux "Report.doc" and "report.doc" are two files, and one file's quota must not delete the other's
// copies. The file itself (and any name that is not a copy) never belongs to the group.
std::vector<QString> QuotaGroup(const QString& folder, const QString& fileName, const QString& tag) {
    std::vector<FileSystem::TFolderEntry> entries;
    std::vector<QString> group;
    if (FileSystem::ListFolder(folder, entries) != 0)
        return group;
    for (const FileSystem::TFolderEntry& entry : entries) {
        if (entry.type != FileSystem::TEntryType::File && entry.type != FileSystem::TEntryType::SymLink)
            continue;
        const QString original = StripVersionStamp(entry.name, tag);
        if (original != entry.name && original == fileName)
            group.push_back(entry.name);
    }
    // The stamps sort chronologically; letter case of the tag (copies made elsewhere) is not an age.
    std::sort(group.begin(), group.end(), [](const QString& a, const QString& b) {
        const int folded = QString::compare(a, b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    return group;
}

// Makes room for one more copy: deletes the oldest copies while the group holds quota or more.
void ApplyQuota(TRunContext& context, const QString& folder, const QString& fileName, const TCopyRule& rule) {
    if (rule.quota <= 0)
        return;
    const std::vector<QString> group = QuotaGroup(folder, fileName, rule.tag);
    const std::size_t quota = static_cast<std::size_t>(rule.quota);
    for (std::size_t first = 0; group.size() - first >= quota; ++first) {
        if (context.StopRequested())
            return;
        const QString victim = folder + group[first];
        const QString text =
            rule.tag == kVersionTag
                ? FormatText(QStringLiteral("Deleting old file version stored over quota \"%s\"."), {victim})
                : Text("Deleting obsolete file stored over quota \"%s\".",
                       "strBackupObsoleteFileDeleteOverQuota", {victim});
        context.LogMessage(TLogKind::lkWarning, text);
        if (!SafeDeleteFile(victim))
            context.LogMessage(TLogKind::lkError,
                               Text("Cannot delete file \"%s\"!", "strBackupFileDeleteError", {victim}));
    }
}

// The first copy name in folder that is free, by the current time. A name that is taken (two copies in
// one second) waits for the clock to move on; empty when the run is stopped meanwhile.
QString FreeCopyName(TRunContext& context, const QString& folder, const QString& fileName,
                     const QString& tag) {
    for (;;) {
        const QString name = VersionCopyName(fileName, tag, DateTime::ToQDateTime(DateTime::Now()));
        if (!FileSystem::Exists(folder + name))
            return name;
        if (!context.SleepUnlessStopped(kNameWaitMs))
            return QString();
    }
}

// The full path of a new copy of path, its folder made and the quota applied; empty (and the run asked
// to stop) when the folder cannot be made.
QString MakeCopyPath(TRunContext& context, const QString& path, const QString& root, const TCopyRule& rule) {
    if (context.StopRequested())
        return QString();
    const QString folder = TargetFolder(path, root, rule);
    int error = 0;
    if (!CheckFolder(folder, true, &error)) {
        const QString text =
            rule.tag == kVersionTag
                ? Text("Invalid versions folder \"%s\"!", "strBackupVersionsFolderInvalid", {folder})
                : Text("Invalid obsolete files archive folder \"%s\" (Description: %s, Code: %d).",
                       "strBackupObsoleteFolderInvalid",
                       {folder, FileSystem::ErrorText(error), QString::number(error)});
        context.LogMessage(TLogKind::lkError, text);
        context.RaiseAlert(TAlertEvent::aeError, QStringLiteral("S"), text);
        context.RequestStop();
        return QString();
    }
    const QString fileName = FileSystem::FileNameOf(path);
    const QString name = FreeCopyName(context, folder, fileName, rule.tag);
    if (name.isEmpty())
        return QString();
    // Before the new copy exists: afterwards the group holds quota - 1 copies and the new one.
    ApplyQuota(context, folder, fileName, rule);
    if (context.StopRequested())
        return QString();
    return folder + name;
}

// An index item names an obsolete file only when a file (not a folder: a synchronisation may just have
// put a new folder there) stands at its path inside the side's tree.
bool ObsoleteFileExists(const QString& path, const QString& root) {
    FileSystem::TFileStatus status;
    return LiesBelow(path, root) && FileSystem::Status(path, status) == 0 && !status.IsFolder();
}

void LogAndAlert(TRunContext& context, TLogKind kind, TAlertEvent event, const QString& text) {
    context.LogMessage(kind, text);
    context.RaiseAlert(event, QStringLiteral("CS"), text);
}

}  // namespace

QString VersionCopyName(const QString& fileName, const QString& tag, const QDateTime& stamp) {
    // Only a full stop in the name itself starts an extension, not one in a folder above it.
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const bool hasExtension = dot > slash;
    const QString base = hasExtension ? fileName.left(dot) : fileName;
    const QString extension = hasExtension ? fileName.mid(dot) : QString();
    return base + QStringLiteral(" (") + tag + QLatin1Char(' ') +
           stamp.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")) + QLatin1Char(')') + extension;
}

QString TLocalStorage::MakeVersionPath(const QString& path) {
    const TTask& task = Task();
    if (task.VersionsKeepType == TVersionsKeepKind::vkNone)
        return QString();
    // A version is taken of a destination file, or of a source file a synchronisation overwrites.
    const QString destinationRoot = SideRoot(TStorageSide::Destination);
    const QString root = LiesBelow(path, destinationRoot) ? destinationRoot : SideRoot(TStorageSide::Source);
    TCopyRule rule;
    rule.tag = kVersionTag;
    rule.sameFolder = task.VersionsKeepType == TVersionsKeepKind::vkSameFolder;
    if (!rule.sameFolder)
        rule.archiveFolder = task.VersionsArchiveFolder();
    rule.keepStructure = task.VersionsKeepArcFolderKeepStruct;
    rule.quota = task.VersionsKeepFilesNum;
    return MakeCopyPath(Context(), path, root, rule);
}

QString TLocalStorage::MakeObsoleteArchivePath(const QString& path, const QString& sideRoot) {
    const TTask& task = Task();
    if (task.DeleteKind != TDeleteKind::adkMoveSameFolder && task.DeleteKind != TDeleteKind::adkMoveArcFolder)
        return QString();
    TCopyRule rule;
    rule.tag = kObsoleteTag;
    rule.sameFolder = task.DeleteKind == TDeleteKind::adkMoveSameFolder;
    if (!rule.sameFolder)
        rule.archiveFolder = task.DeletedArchiveFolder();
    rule.keepStructure = task.ArchiveFolderKeepStruct;
    rule.quota = task.KeepDeletedFilesNum;
    return MakeCopyPath(Context(), path, sideRoot, rule);
}

void TLocalStorage::SaveFileVersion(const QString& path) {
    try {
        TRunContext& context = Context();
        const TTask& task = Task();
        if (context.StopRequested())
            return;
        if (!task.ArchivesApplicable() || task.VersionsKeepType == TVersionsKeepKind::vkNone ||
            !FileSystem::Exists(path))
            return;
        const QString version = MakeVersionPath(path);
        if (version.isEmpty() || context.StopRequested())
            return;
        const QString text =
            Text("Saving \"%s\" file version to \"%s\".", "strBackupVersionsFileSave", {path, version});
        // The alert comes first: a Stop leaves the file where it is and nothing in the log.
        if (context.RaiseAlert(TAlertEvent::aeFile, QStringLiteral("CS"), text) == AlertAnswer::Stop) {
            context.RequestStop();
            return;
        }
        context.LogMessage(TLogKind::lkFile, text);
        int error = 0;
        if (transfer_.MoveFileData(path, version, error))
            return;
        LogAndAlert(context, TLogKind::lkError, TAlertEvent::aeError,
                    Text("Cannot save \"%s\" file version!", "strBackupVersionsFileSaveError", {path}));
    } catch (...) {
        // An unexpected failure ends the operation; the copy that follows replaces the file as usual.
    }
}

void TLocalStorage::ProcessObsoleteFiles(TStorageSide side) {
    try {
        TRunContext& context = Context();
        const TTask& task = Task();
        if (context.StopRequested())
            return;
        // Without an index read in this run nothing is known to be obsolete.
        if (!IndexLoaded(side) || task.DeleteKind == TDeleteKind::adkLeave)
            return;
        // After a medium exchange the index no longer describes one medium.
        if (context.SpanningHappened()) {
            context.LogMessage(TLogKind::lkWarning,
                               Text("Obsolete files deletion is skipped due to Disk Spanning!",
                                    "strBackupObsoleteDeleteImpossible", {}));
            return;
        }
        if (!task.ArchivesApplicable())
            return;
        const QString root = SideRoot(side);
        TIndexList& list = Index(side);
        for (TIndexList::iterator it = list.begin(); it != list.end();) {
            if (it->Seen) {
                ++it;
                continue;
            }
            // Items not handled when the run stops stay in the index, so that the next run still knows
            // their files for obsolete.
            if (context.StopRequested())
                return;
            // The item goes whatever happens to its file. A path with no file there (a copy stored
            // encrypted under another name, a file the user removed) just leaves the index.
            const QString path = it->Path;
            if (ObsoleteFileExists(path, root) && !ApplyObsoleteAction(path, side) && context.StopRequested())
                return;
            it = list.Remove(it);
        }
    } catch (...) {
        // The remaining items stay; the index is saved as it is.
    }
}

bool TLocalStorage::ApplyObsoleteAction(const QString& path, TStorageSide side) {
    try {
        TRunContext& context = Context();
        const TTask& task = Task();
        if (context.StopRequested())
            return false;
        const QString root = SideRoot(side);
        switch (task.DeleteKind) {
            case TDeleteKind::adkLeave:
                return false;
            case TDeleteKind::adkDelete: {
                LogAndAlert(context, TLogKind::lkWarning, TAlertEvent::aeWarning,
                            Text("Deleting obsolete file \"%s\".", "strBackupObsoleteFileDelete", {path}));
                if (context.StopRequested())
                    return false;
                if (!SafeDeleteFile(path)) {
                    LogAndAlert(context, TLogKind::lkError, TAlertEvent::aeError,
                                Text("Cannot delete file \"%s\"!", "strBackupFileDeleteError", {path}));
                    LogAndAlert(context, TLogKind::lkError, TAlertEvent::aeError,
                                Text("Cannot delete obsolete file \"%s\"!",
                                     "strBackupObsoleteFileDeleteError", {path}));
                    return false;
                }
                if (task.DeleteEmptyFolders)
                    DeleteEmptyFoldersUpward(FileSystem::ParentFolder(path), root);
                return true;
            }
            case TDeleteKind::adkDeleteRecycle: {
                LogAndAlert(context, TLogKind::lkWarning, TAlertEvent::aeWarning,
                            Text("Deleting obsolete file \"%s\" to Recycle Bin.",
                                 "strBackupObsoleteFileDeleteRecycle", {path}));
                if (context.StopRequested())
                    return false;
                if (!RecycleFile(path)) {
                    LogAndAlert(context, TLogKind::lkError, TAlertEvent::aeError,
                                Text("Cannot delete obsolete file \"%s\" to Recycle Bin!",
                                     "strBackupObsoleteFileDeleteToRecycleError", {path}));
                    return false;
                }
                if (task.DeleteEmptyFolders)
                    DeleteEmptyFoldersUpward(FileSystem::ParentFolder(path), root);
                return true;
            }
            case TDeleteKind::adkMoveSameFolder:
            case TDeleteKind::adkMoveArcFolder: {
                const QString archived = MakeObsoleteArchivePath(path, root);
                if (archived.isEmpty())
                    return false;
                LogAndAlert(context, TLogKind::lkFile, TAlertEvent::aeFile,
                            Text("Saving obsolete file \"%s\" to \"%s\".", "strBackupObsoleteFileRename",
                                 {path, archived}));
                if (context.StopRequested())
                    return false;
                int error = 0;
                if (transfer_.MoveFileData(path, archived, error))
                    return true;
                LogAndAlert(context, TLogKind::lkError, TAlertEvent::aeError,
                            Text("Cannot move obsolete file \"%s\" to an archive folder \"%s\"!",
                                 "strBackupObsoleteFileMoveToArchiveError", {path, archived}));
                return false;
            }
        }
        return false;
    } catch (...) {
        return false;
    }
}

bool TLocalStorage::DeleteEmptyFoldersUpward(const QString& folder, const QString& stopAt) {
    try {
        TRunContext& context = Context();
        if (context.StopRequested())
            return false;
        // The walk stays strictly below stopAt (the side's root): the root and everything above it (a
        // mount point, the user's home) are kept even when empty.
        for (QString current = WithoutSlash(folder); LiesBelow(current, stopAt);
             current = FileSystem::ParentFolder(current)) {
            std::vector<FileSystem::TFolderEntry> entries;
            if (FileSystem::ListFolder(current, entries) != 0 || !entries.empty())
                return true;
            context.LogMessage(TLogKind::lkFile,
                               QStringLiteral("Deleting empty obsolete folder: ") + current);
            // rmdir removes only an empty folder, so a file that arrived meanwhile is never lost.
            const int error = FileSystem::RemoveFolder(current);
            if (error == ENOTEMPTY || error == EEXIST) {
                LogAndAlert(context, TLogKind::lkError, TAlertEvent::aeError,
                            Text("Can't delete non-empty folder \"%s\"!",
                                 "strBackupFolderDeleteNotEmptyError", {current}));
                return false;
            }
            if (error != 0)
                return false;
        }
        return true;
    } catch (...) {
        return false;
    }
}
