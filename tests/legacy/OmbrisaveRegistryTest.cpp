#include <gtest/gtest.h>

#include "fixtures/TempHome.h"
#include "legacy/OmbrisaveRegistry.h"
#include "model/MainData.h"
#include "model/Task.h"
#include "store/RegFile.h"
#include "store/SafeRegistry.h"

namespace {

const QByteArray kTasks2 = "[HKEY_CURRENT_USER\\Software\\Halvorine\\Ombrisave\\Tasks\\";
const QByteArray kTasks3 = "[HKEY_CURRENT_USER\\Software\\Halvorine\\Ombrisave\\3.0\\Tasks\\";

// A settings export of the old computer holding 2.x tasks.
QByteArray Export2x() {
    return "REGEDIT4\r\n\r\n"
           "[HKEY_CURRENT_USER\\Software\\Halvorine\\Ombrisave\\Groups]\r\n"
           "\"Office\"=\"\"\r\n\"Home\"=\"\"\r\n\r\n" +
           kTasks2 +
           "Alpha]\r\n"
           "\"Name\"=\"Move Docs\"\r\n\"ID\"=\"ID-A\"\r\n\"TaskType\"=\"ttMove\"\r\n"
           "\"HotKey\"=hex:41,06\r\n" +
           kTasks2 + "Alpha\\Obsolete]\r\n\"DeleteKind\"=\"adkRecycle\"\r\n" + kTasks2 +
           "Beta]\r\n"
           "\"Name\"=\"Exact\"\r\n\"ID\"=\"ID-B\"\r\n\"TaskType\"=\"ttExactCopy\"\r\n" +
           kTasks2 +
           "Beta\\Source]\r\n"
           "\"Source\"=\"!>C:\\\\A,D:\\\\B,\\\"|E:\\\\My "
           "Files\\\"\"\r\n\"SourceIncludeSubfolders\"=dword:00000001\r\n" +
           kTasks2 + "Beta\\Destination]\r\n\"DestType\"=hex:00\r\n\"DestLocal\"=\"F:\\\\Backup\"\r\n" +
           kTasks2 +
           "Beta\\Compress]\r\n\"CompressUse\"=dword:00000001\r\n\"CompressFilename\"=\"b.zip\"\r\n"
           "\"CompressPassword\"=\"pw\"\r\n\"CompressLevel\"=dword:00000009\r\n" +
           kTasks2 + "Beta\\Filters\\10]\r\n\"fnWildcard\"=\"*.ten\"\r\n" + kTasks2 +
           "Beta\\Filters\\2]\r\n\"fnWildcard\"=\"*.two\"\r\n\"FilterType\"=\"fitInclude\"\r\n" + kTasks2 +
           "Beta\\Filters\\1]\r\n\"fnWildcard\"=\"*.one\"\r\n\"Enabled\"=dword:00000000\r\n" + kTasks2 +
           "Beta\\AutoRun\\FolderMonitor]\r\n\"MonitorSize\"=dword:00000001\r\n\"DoWait\"=dword:00000001\r\n"
           "\"WaitSeconds\"=dword:00000000\r\n" +
           kTasks2 +
           "Beta\\AutoRun\\Schedule\\1]\r\n\"Enabled\"=dword:00000001\r\n\"Kind\"=\"skDaily\"\r\n"
           "\"DailyMondays\"=dword:00000000\r\n" +
           kTasks2 + "Beta\\AutoRun\\Schedule\\2]\r\n\"Kind\"=\"skOnce\"\r\n" + kTasks2 +
           "Beta\\Versions]\r\n\"VersionsKeep\"=dword:00000001\r\n\"VersionsFolder\"=\"F:\\\\V\"\r\n"
           "\"VersionsFilesNum\"=dword:00000003\r\n" +
           kTasks2 +
           "Beta\\Obsolete]\r\n\"ArchiveFolder\"=\"F:\\\\Old\"\r\n\"KeepDeletedFilesNum\"=dword:"
           "00000002\r\n" +
           kTasks2 +
           "Beta\\Options]\r\n\"BackupCopyInUseFiles\"=dword:00000001\r\n"
           "\"OptionsDontSkipIfDateEqButSrcBiggerDst\"=dword:00000001\r\n" +
           kTasks2 + "Gamma]\r\n\"Name\"=\"No type\"\r\n\"ID\"=\"ID-C\"\r\n" + kTasks2 +
           "Gamma\\Obsolete]\r\n\"DeleteKind\"=\"adkRecycle\"\r\n" + kTasks2 +
           "Gamma\\Source]\r\n\"Source\"=\"C:\\\\Single\"\r\n" + kTasks2 +
           "Gamma\\AutoRun\\FolderMonitor]\r\n\"WaitSeconds\"=dword:0000000A\r\n\"DoWait\"=dword:"
           "00000000\r\n" +
           kTasks2 + "Delta]\r\n\"Name\"=\"Exact no kind\"\r\n\"TaskType\"=\"ttExactCopy\"\r\n";
}

QByteArray Export3x() {
    return "REGEDIT4\r\n\r\n" + kTasks3 +
           "{T1}]\r\n\"Name\"=\"Remote\"\r\n\"ID\"=\"ID-3\"\r\n\"TaskAction\"=\"taMove\"\r\n"
           "\"AuthUser\"=\"ann\"\r\n" +
           kTasks3 +
           "{T1}\\Destination]\r\n\"DestType\"=hex:01\r\n\"DestLocal\"=\"G:\\\\Local\"\r\n"
           "\"DestFTP_Address\"=\"ftp.example.org\"\r\n\"DestFTP_Folder\"=\"/backup\"\r\n"
           "\"DestFTP_Port\"=dword:00000015\r\n\"DestFTP_Login\"=\"user\"\r\n\"DestFTP_Password\"="
           "\"secret\"\r\n"
           "\"DestFTP_PassiveMode\"=dword:00000001\r\n\"DestFTP_ProxyUse\"=dword:00000001\r\n"
           "\"DestFTP_ProxyAddress\"=\"proxy\"\r\n\"DestFTP_ProxyPort\"=dword:00000BB8\r\n"
           "\"DestFTP_ReconnectRetries\"=dword:00000007\r\n\"DestFTP_TimeOut\"=dword:0000001E\r\n" +
           kTasks3 +
           "{T1}\\Source\\SourceFolders\\1]\r\n\"Folder\"=\"C:\\\\Work\"\r\n\"IncludeSubfolders\"=dword:"
           "00000000\r\n" +
           kTasks3 + "{T1}\\Source\\SourceFolders\\2]\r\n\"Folder\"=\"D:\\\\More\"\r\n" + kTasks3 +
           "{T1}\\Encrypt]\r\n\"CryptUse\"=dword:00000001\r\n\"CryptType\"=\"Blowfish\"\r\n"
           "\"CryptPassword\"=\"k\"\r\n" +
           kTasks3 +
           "{T1}\\Compress]\r\n\"CompressUse\"=dword:00000001\r\n\"CompressType\"=\"7-Zip\"\r\n"
           "\"CompressSeparate\"=dword:00000001\r\n\"CompressLevel\"=dword:00000005\r\n" +
           kTasks3 + "{T1}\\Filters\\1]\r\n\"fnWildcard\"=\"*.x\"\r\n\"FilterType\"=\"fitInclude\"\r\n" +
           kTasks3 +
           "{T1}\\Versions]\r\n\"VersionsKeepType\"=\"vkSameFolder\"\r\n\"VersionsKeepFilesNum\"=dword:"
           "00000004\r\n" +
           kTasks3 +
           "{T1}\\Obsolete]\r\n\"DeleteKind\"=\"adkMoveArcFolder\"\r\n\"ArchiveFolder\"=\"H:\\\\Arc\"\r\n"
           "\"ArchiveFolderKeepStruct\"=dword:00000001\r\n" +
           kTasks3 +
           "{T1}\\AutoRun\\FolderMonitor]\r\n\"Use\"=dword:00000000\r\n\"MonitorFileName\"=dword:00000001\r\n"
           "\"WaitSeconds\"=dword:00000005\r\n" +
           kTasks3 +
           "{T1}\\AutoRun\\Schedule\\1]\r\n\"Enabled\"=dword:00000001\r\n\"Kind\"=\"skWeekly\"\r\n"
           "\"WeeklyTuesdays\"=dword:00000001\r\n" +
           kTasks3 + "{T1}\\ErrorHandling]\r\n\"MaxNumberOfRetries\"=dword:00000063\r\n" + kTasks3 +
           "{T1}\\ExtendedData]\r\n\"BelongToGroup\"=\"Old group\"\r\n" + kTasks3 +
           "{T2}]\r\n\"Name\"=\"Sync\"\r\n\"TaskAction\"=\"taSynchronize\"\r\n" + kTasks3 +
           "{T2}\\Destination]\r\n\"DestLocal\"=\"E:\\\\Mirror\"\r\n";
}

class LegacyRegistry : public TarnovexTest {
protected:
    static void Import(const QByteArray& text) {
        QString error;
        ASSERT_TRUE(ImportRegText(text, &error)) << error.toStdString();
    }
    template <typename Item>
    static const Item& At(const TLegacyItems& items, size_t i) {
        return static_cast<const Item&>(*items.at(i));
    }
};

}  // namespace

TEST_F(LegacyRegistry, NoOldKeysGiveNoItems) {
    TImportDataOmbrisave2x two;
    two.Load();
    TImportDataOmbrisave3x three;
    three.Load();
    EXPECT_TRUE(two.Items.empty());
    EXPECT_TRUE(two.Groups.isEmpty());
    EXPECT_TRUE(three.Items.empty());
    // Reading created nothing.
    EXPECT_FALSE(TSafeRegistry().KeyExists(QStringLiteral("\\Software\\Halvorine\\Ombrisave")));
}

TEST_F(LegacyRegistry, TasksOf2xMapOntoNewTasks) {
    Import(Export2x());
    const QByteArray before = ExportRegText(kOmbrisave2xRoot);
    TImportDataOmbrisave2x data;
    data.Load();
    EXPECT_EQ(data.Groups, (QStringList{QStringLiteral("Office"), QStringLiteral("Home")}));
    ASSERT_EQ(data.Items.size(), 4u);
    EXPECT_EQ(data.Items[0]->ItemName(), QStringLiteral("Move Docs"));

    const auto& alpha = At<TImportItemOmbrisave2x>(data.Items, 0);
    EXPECT_EQ(alpha.HotKey, 0x0641);
    EXPECT_EQ(alpha.GetStrType(), QStringLiteral("Move"));
    auto task = alpha.CreateTaskForImport();
    EXPECT_EQ(task->TaskAction, TTaskAction::taBackup);
    EXPECT_EQ(task->DeleteKind, TDeleteKind::adkLeave);  // recycle on a non-exact copy is not taken
    EXPECT_EQ(task->HotKey, 0);
    EXPECT_EQ(task->ID, QStringLiteral("ID-A"));

    const auto& beta = At<TImportItemOmbrisave2x>(data.Items, 1);
    EXPECT_EQ(beta.GetStrType(), QStringLiteral("Exact Copy"));
    EXPECT_EQ(beta.GetStrCompress(), QStringLiteral("Yes"));
    ASSERT_EQ(beta.SourceCount(), 3);
    EXPECT_EQ(beta.SourceFolder(0), QStringLiteral("C:\\A"));
    EXPECT_TRUE(beta.SourceIncludeSubfoldersAt(0));
    EXPECT_EQ(beta.SourceFolder(1), QStringLiteral("D:\\B"));
    EXPECT_FALSE(beta.SourceIncludeSubfoldersAt(1));
    EXPECT_EQ(beta.SourceFolder(2), QStringLiteral("E:\\My Files"));
    EXPECT_TRUE(beta.SourceFolder(3).isEmpty());
    task = beta.CreateTaskForImport();
    ASSERT_EQ(task->SourceFolders.size(), 3u);
    EXPECT_EQ(task->SourceFolders[1].Folder, QStringLiteral("D:\\B"));
    EXPECT_EQ(task->DestLocal, QStringLiteral("F:\\Backup"));
    EXPECT_TRUE(task->CompressUse);
    EXPECT_EQ(task->CompressFilename, QStringLiteral("b.zip"));
    EXPECT_EQ(task->CompressPassword, QStringLiteral("pw"));
    EXPECT_EQ(task->CompressLevel, 9);
    // Filter keys numbered past 9 keep their numeric order.
    ASSERT_EQ(task->Filters.size(), 3u);
    EXPECT_EQ(task->Filters[0].fnWildcard, QStringLiteral("*.one"));
    EXPECT_FALSE(task->Filters[0].Enabled);
    EXPECT_EQ(task->Filters[1].FilterType, TFilterType::fitInclude);
    EXPECT_EQ(task->Filters[2].fnWildcard, QStringLiteral("*.ten"));
    EXPECT_EQ(task->Filters[2].FilterType, TFilterType::fitExclude);  // the missing value
    // The monitor is in use because a switch is on; no wait because WaitSeconds is 0.
    EXPECT_TRUE(task->FolderMonitor_Use);
    EXPECT_FALSE(task->DoWait);
    EXPECT_TRUE(task->MonitorSize);
    ASSERT_EQ(task->Schedule.size(), 2u);
    EXPECT_TRUE(task->Schedule[0].Enabled);
    EXPECT_EQ(task->Schedule[0].Kind, TScheduleKind::skDaily);
    EXPECT_EQ(task->Schedule[0].DailyDays, TTaskScheduleItem().DailyDays);
    EXPECT_FALSE(task->Schedule[1].Enabled);
    EXPECT_EQ(task->VersionsKeepType, TVersionsKeepKind::vkArcFolder);
    EXPECT_EQ(task->VersionsKeepArcFolder, QStringLiteral("F:\\V"));
    EXPECT_EQ(task->VersionsKeepFilesNum, 3);
    EXPECT_TRUE(task->VersionsKeepArcFolderKeepStruct);
    EXPECT_TRUE(task->ArchiveFolderKeepStruct);
    EXPECT_EQ(task->DeleteKind, TDeleteKind::adkMoveArcFolder);  // exact copy without a kind
    EXPECT_EQ(task->ArchiveFolder, QStringLiteral("F:\\Old"));
    EXPECT_EQ(task->KeepDeletedFilesNum, 2);
    EXPECT_TRUE(task->BackupCopyInUseFiles);
    EXPECT_EQ(task->OptionsDontSkipIfDateEqButSrcBiggerDst, TTask().OptionsDontSkipIfDateEqButSrcBiggerDst);

    const auto& gamma = At<TImportItemOmbrisave2x>(data.Items, 3);  // listed by key name: Delta comes first
    EXPECT_EQ(gamma.GetStrType(), QStringLiteral("Simple Copy"));
    task = gamma.CreateTaskForImport();
    EXPECT_EQ(task->DeleteKind, TDeleteKind::adkLeave);
    ASSERT_EQ(task->SourceFolders.size(), 1u);
    EXPECT_EQ(task->SourceFolders[0].Folder, QStringLiteral("C:\\Single"));
    EXPECT_FALSE(task->SourceFolders[0].IncludeSubfolders);
    EXPECT_FALSE(task->FolderMonitor_Use);
    EXPECT_TRUE(task->DoWait);  // from WaitSeconds, not the stored DoWait
    EXPECT_EQ(task->WaitSeconds, 10);

    const auto& delta = At<TImportItemOmbrisave2x>(data.Items, 2);
    EXPECT_EQ(delta.CreateTaskForImport()->DeleteKind, TDeleteKind::adkMoveArcFolder);
    EXPECT_TRUE(delta.ID.isEmpty());

    // The old keys are only read.
    EXPECT_EQ(ExportRegText(kOmbrisave2xRoot), before);
}

TEST_F(LegacyRegistry, TasksOf3xMapOntoNewTasks) {
    Import(Export3x());
    TImportDataOmbrisave3x data;
    data.Load();
    ASSERT_EQ(data.Items.size(), 2u);
    const auto& item = At<TImportItemOmbrisave3x>(data.Items, 0);
    EXPECT_EQ(item.GetStrType(), QStringLiteral("Move"));
    EXPECT_EQ(item.GetStrEncrypt(), QStringLiteral("Yes"));
    EXPECT_EQ(item.GetStrCompress(), QStringLiteral("Yes"));
    EXPECT_TRUE(item.GetStrDestination().startsWith(QStringLiteral("ftp://ftp.example.org")))
        << item.GetStrDestination().toStdString();
    EXPECT_EQ(item.SourceCount(), 2);
    EXPECT_EQ(item.PreviewSource(), QStringLiteral("C:\\Work"));
    EXPECT_FALSE(item.SourceIncludeSubfolders(0));
    EXPECT_TRUE(item.SourceIncludeSubfolders(1));
    EXPECT_FALSE(item.SourceIncludeSubfolders(2));
    EXPECT_TRUE(item.SourceFolder(2).isEmpty());

    const auto task = item.CreateTaskForImport();
    const TTask fresh;
    EXPECT_EQ(task->Name, QStringLiteral("Remote"));
    EXPECT_EQ(task->ID, QStringLiteral("ID-3"));
    EXPECT_EQ(task->AuthUser, QStringLiteral("ann"));
    EXPECT_EQ(task->TaskAction, TTaskAction::taMove);
    // An FTP task arrives as a local one with every FTP value kept.
    EXPECT_EQ(task->DestType, TDestKind::dkLocal);
    EXPECT_EQ(task->DestLocal, QStringLiteral("G:\\Local"));
    EXPECT_EQ(task->DestFTP_Address, QStringLiteral("ftp.example.org"));
    EXPECT_EQ(task->DestFTP_Folder, QStringLiteral("/backup"));
    EXPECT_EQ(task->DestFTP_Port, 21);
    EXPECT_EQ(task->DestFTP_Login, QStringLiteral("user"));
    EXPECT_EQ(task->DestFTP_Password, QStringLiteral("secret"));
    EXPECT_TRUE(task->DestFTP_PassiveMode);
    EXPECT_TRUE(task->DestFTP_ProxyUse);
    EXPECT_EQ(task->DestFTP_ProxyAddress, QStringLiteral("proxy"));
    EXPECT_EQ(task->DestFTP_ProxyPort, 3000);
    EXPECT_EQ(task->DestFTP_ReconnectRetries, 7);
    EXPECT_EQ(task->DestFTP_TimeOut, 30);
    // Encryption, the compressor, the group and error handling are those of a new task.
    EXPECT_FALSE(task->CryptUse);
    EXPECT_EQ(task->CryptType, fresh.CryptType);
    EXPECT_TRUE(task->CryptPassword.isEmpty());
    EXPECT_TRUE(task->CompressUse);
    EXPECT_EQ(task->CompressType, fresh.CompressType);
    EXPECT_FALSE(task->CompressSeparate);
    EXPECT_EQ(task->CompressLevel, 5);
    EXPECT_TRUE(task->BelongToGroup.isEmpty());
    EXPECT_EQ(task->MaxNumberOfRetries, fresh.MaxNumberOfRetries);
    ASSERT_EQ(task->SourceFolders.size(), 2u);
    EXPECT_EQ(task->SourceFolders[1].Folder, QStringLiteral("D:\\More"));
    ASSERT_EQ(task->Filters.size(), 1u);
    EXPECT_EQ(task->Filters[0].fnWildcard, QStringLiteral("*.x"));
    EXPECT_EQ(task->VersionsKeepType, TVersionsKeepKind::vkSameFolder);
    EXPECT_EQ(task->VersionsKeepFilesNum, 4);
    EXPECT_EQ(task->DeleteKind, TDeleteKind::adkMoveArcFolder);
    EXPECT_EQ(task->ArchiveFolder, QStringLiteral("H:\\Arc"));
    EXPECT_TRUE(task->ArchiveFolderKeepStruct);
    // The monitor follows its switches, not the stored Use; the wait follows WaitSeconds.
    EXPECT_TRUE(task->FolderMonitor_Use);
    EXPECT_TRUE(task->DoWait);
    EXPECT_EQ(task->WaitSeconds, 5);
    ASSERT_EQ(task->Schedule.size(), 1u);
    EXPECT_EQ(task->Schedule[0].Kind, TScheduleKind::skWeekly);
    EXPECT_TRUE(task->Schedule[0].WeeklyDays[1]);
    EXPECT_EQ(task->Schedule[0].DailyDays, TTaskScheduleItem().DailyDays);
    EXPECT_EQ(task->ScheduleSkipMissed, fresh.ScheduleSkipMissed);

    const auto& sync = At<TImportItemOmbrisave3x>(data.Items, 1);
    EXPECT_EQ(sync.GetStrType(), QStringLiteral("Synchronize"));
    EXPECT_EQ(sync.GetStrDestination(), QStringLiteral("E:\\Mirror\\"));
    EXPECT_EQ(sync.GetStrEncrypt(), QStringLiteral("No"));
    EXPECT_TRUE(sync.CreateTaskForImport()->ID.isEmpty());

    // 2.x and 3.x keys live apart: the 2.x reader does not see the 3.x tasks.
    TImportDataOmbrisave2x two;
    two.Load();
    EXPECT_TRUE(two.Items.empty());
}

TEST_F(LegacyRegistry, OldKeysNeverBecomeTheProgramsOwnTasks) {
    Import(Export2x());
    Import(Export3x());
    TMainData main;
    main.LoadAll();
    EXPECT_EQ(main.Tasks.Count(), 0);
    main.SaveAll();
    // Saving the program's tasks leaves the old keys alone.
    TImportDataOmbrisave2x two;
    two.Load();
    EXPECT_EQ(two.Items.size(), 4u);
    EXPECT_FALSE(ExportRegText(kProgramRoot).contains("Ombrisave"));
}

TEST_F(LegacyRegistry, An3xTaskSurvivesSaveExportAndImport) {
    Import(Export3x());
    TImportDataOmbrisave3x data;
    data.Load();
    auto imported = data.Items[0]->CreateTaskForImport();
    ASSERT_TRUE(imported);
    const TTask copy = *imported;
    {
        TMainData main;
        main.LoadAll();
        main.AddTask(std::move(imported));
        main.SaveAll();
    }
    const QByteArray exported = ExportRegText(kProgramRoot);
    ASSERT_TRUE(TSafeRegistry().DeleteKey(kProgramRoot));
    Import(exported);
    TMainData reloaded;
    reloaded.LoadAll();
    ASSERT_EQ(reloaded.Tasks.Count(), 1);
    EXPECT_TRUE(SamePersistedValues(reloaded.Tasks[0], copy));
    EXPECT_EQ(reloaded.Tasks[0].DestFTP_Address, QStringLiteral("ftp.example.org"));
    EXPECT_EQ(reloaded.Tasks[0].SourceFolders.size(), 2u);
}
