#include <gtest/gtest.h>

#include <QDir>

#include "fixtures/TempHome.h"
#include "legacy/LegacyImport.h"
#include "model/MainData.h"
#include "model/Task.h"

namespace {

class LegacyImport : public TarnovexTest {};

}  // namespace

TEST_F(LegacyImport, DriveMapReplacesMappedRootsOnly) {
    TDriveMap map;
    QString error;
    ASSERT_TRUE(map.Add(QStringLiteral("C:\\=/mnt/old-c/"), &error));
    ASSERT_TRUE(map.Add(QStringLiteral("d:=/mnt/d"), &error));
    ASSERT_TRUE(map.Add(QStringLiteral("\\\\server\\share=/mnt/share"), &error));
    EXPECT_EQ(map.Map(QStringLiteral("C:\\Data\\Sub Folder\\")),
              QStringLiteral("/mnt/old-c/Data/Sub Folder/"));
    EXPECT_EQ(map.Map(QStringLiteral("c:\\x.zip")), QStringLiteral("/mnt/old-c/x.zip"));
    EXPECT_EQ(map.Map(QStringLiteral("D:\\")), QStringLiteral("/mnt/d/"));
    EXPECT_EQ(map.Map(QStringLiteral("D:")), QStringLiteral("/mnt/d/"));
    EXPECT_EQ(map.Map(QStringLiteral("\\\\SERVER\\share\\docs")), QStringLiteral("/mnt/share/docs"));
    // Unmapped drives, look-alike prefixes and variables keep their form.
    EXPECT_EQ(map.Map(QStringLiteral("E:\\Data")), QStringLiteral("E:\\Data"));
    EXPECT_EQ(map.Map(QStringLiteral("C:Data")), QStringLiteral("C:Data"));
    EXPECT_EQ(map.Map(QStringLiteral("\\\\server\\shared\\x")), QStringLiteral("\\\\server\\shared\\x"));
    EXPECT_EQ(map.Map(QStringLiteral("%destination%Versions")), QStringLiteral("%destination%Versions"));

    for (const char* bad : {"C:\\", "=/mnt/c", "C:\\=", "C:\\=relative/dir"}) {
        TDriveMap other;
        EXPECT_FALSE(other.Add(QLatin1String(bad), &error)) << bad;
        EXPECT_FALSE(error.isEmpty());
        EXPECT_TRUE(other.IsEmpty());
    }
}

TEST_F(LegacyImport, DriveMapAppliesToEveryFolderOfATask) {
    TTask task;
    task.SourceFolders.push_back(SourceFolderOf(QStringLiteral("C:\\A\\"), true));
    task.SourceFolders.push_back(SourceFolderOf(QStringLiteral("E:\\B"), false));
    task.DestLocal = QStringLiteral("C:\\Backup");
    task.VersionsKeepArcFolder = QStringLiteral("C:\\Versions");
    task.ArchiveFolder = QStringLiteral("%destination%Deleted");
    task.CompressFilename = QStringLiteral("C:\\not-a-path.zip");
    TDriveMap map;
    map.Add(QStringLiteral("C:"), QStringLiteral("/srv/c"));
    ApplyDriveMap(task, map);
    EXPECT_EQ(task.SourceFolders[0].Folder, QStringLiteral("/srv/c/A/"));
    EXPECT_TRUE(task.SourceFolders[0].IncludeSubfolders);
    EXPECT_EQ(task.SourceFolders[1].Folder, QStringLiteral("E:\\B"));
    EXPECT_EQ(task.DestLocal, QStringLiteral("/srv/c/Backup"));
    EXPECT_EQ(task.VersionsKeepArcFolder, QStringLiteral("/srv/c/Versions"));
    EXPECT_EQ(task.ArchiveFolder, QStringLiteral("%destination%Deleted"));
    EXPECT_EQ(task.CompressFilename, QStringLiteral("C:\\not-a-path.zip"));
}

TEST_F(LegacyImport, MissingPathsListWhatThisMachineLacks) {
    ASSERT_TRUE(QDir().mkpath(home.File(QStringLiteral("src"))));
    ASSERT_TRUE(QDir().mkpath(home.File(QStringLiteral("dst"))));
    TTask task;
    task.SourceFolders.push_back(SourceFolderOf(home.File(QStringLiteral("src/")), true));
    task.SourceFolders.push_back(SourceFolderOf(QStringLiteral("C:\\Old\\"), true));
    task.SourceFolders.push_back(SourceFolderOf(QStringLiteral("%Documents%"), true));
    task.DestLocal = home.File(QStringLiteral("dst"));
    task.VersionsKeepType = TVersionsKeepKind::vkArcFolder;
    task.VersionsKeepArcFolder = home.File(QStringLiteral("versions"));
    task.DeleteKind = TDeleteKind::adkMoveArcFolder;
    task.ArchiveFolder = QString();
    EXPECT_EQ(MissingPaths(task),
              (QStringList{QStringLiteral("C:\\Old\\"), home.File(QStringLiteral("versions"))}));

    task.DestLocal = home.File(QStringLiteral("gone"));
    task.SourceFolders.resize(1);
    task.VersionsKeepType = TVersionsKeepKind::vkNone;
    EXPECT_EQ(MissingPaths(task), QStringList{home.File(QStringLiteral("gone"))});
}

TEST_F(LegacyImport, TakenOrEmptyIdsAreReplaced) {
    TMainData data;
    auto existing = std::make_unique<TTask>();
    existing->ID = QStringLiteral("OLD1");
    data.AddTask(std::move(existing));

    QSet<QString> taken;
    TTask keeps;
    keeps.ID = QStringLiteral("OTHER");
    EXPECT_FALSE(EnsureUniqueId(keeps, data.Tasks, taken));
    EXPECT_EQ(keeps.ID, QStringLiteral("OTHER"));

    TTask clash;
    clash.ID = QStringLiteral("OLD1");
    EXPECT_TRUE(EnsureUniqueId(clash, data.Tasks, taken));
    EXPECT_NE(clash.ID, QStringLiteral("OLD1"));
    EXPECT_EQ(clash.ID.size(), 21);

    // The same old ID twice in one import: the second gets a fresh one.
    TTask again;
    again.ID = QStringLiteral("OTHER");
    EXPECT_TRUE(EnsureUniqueId(again, data.Tasks, taken));
    EXPECT_NE(again.ID, QStringLiteral("OTHER"));

    TTask none;
    none.ID.clear();
    EXPECT_TRUE(EnsureUniqueId(none, data.Tasks, taken));
    EXPECT_FALSE(none.ID.isEmpty());
    EXPECT_EQ(taken.size(), 4);
}
