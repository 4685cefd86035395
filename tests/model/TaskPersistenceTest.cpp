#include <QtEndian>

#include "fixtures/TempHome.h"
#include "model/Task.h"
#include "settings/GlobalSettings.h"
#include "store/SafeRegistry.h"

namespace {

TSourceFolder SF(const QString& folder, bool includeSubfolders) {
    TSourceFolder item;
    item.Folder = folder;
    item.IncludeSubfolders = includeSubfolders;
    return item;
}

const QString kKey = kProgramRoot + QStringLiteral("\\Tasks\\T1");

// Every persisted value differs from both its new-task value and its missing default, so a value that
// is not saved or not loaded shows up in the comparison.
void FillEverything(TTask& t) {
    t.Name = "Docs";
    t.ID = "123456789ABCDE1234567";
    t.AuthUser = "ann";
    t.AuthPassword = "pw1";
    t.TaskAction = TTaskAction::taMove;
    t.CompressUse = true;
    t.CompressType = "7-Zip";
    t.CompressSeparate = true;
    t.CompressFilename = "arc.zip";
    t.CompressPassword = "pw2";
    t.CompressLevel = 3;
    t.CryptUse = true;
    t.CryptType = "GPG";
    t.CryptPassword = "pw3";
    t.BelongToGroup = "Group A";
    t.SourceVolLabel = "SRC";
    t.SourceSerialNum = "1A2B3C4D";
    t.DestinationVolLabel = "DST";
    t.DestinationSerialNum = "5E6F7A8B";
    t.Created = 45123.25;
    t.LastRun = 45124.123456789;
    t.DestType = TDestKind::dkFtp;
    t.DestLocal = "/dst";
    t.DestFTP_Address = "ftp://host";
    t.DestFTP_Folder = "/remote";
    t.DestFTP_Port = 2121;
    t.DestFTP_Login = "bob";
    t.DestFTP_Password = "pw4";
    t.DestFTP_PassiveMode = true;
    t.DestFTP_ProxyUse = true;
    t.DestFTP_ProxyAddress = "proxy";
    t.DestFTP_ProxyPort = 3128;
    t.DestFTP_ProxyAuthUse = true;
    t.DestFTP_ProxyAuthLogin = "px";
    t.DestFTP_ProxyAuthPassword = "pw5";
    t.DestFTP_ReconnectRetries = 3;
    t.DestFTP_PauseBeforeRetry = 4;
    t.DestFTP_TimeOut = 5;
    t.BackupOverwriteNeverDestination = true;
    t.BackupSynchronizeFileDeletions = true;
    t.BackupCopyInUseFiles = true;
    t.BackupCompareAfterCopy = true;
    t.KeepStructureFromRoot = true;
    t.CopyIfSourceLengthIsZero = true;
    t.OptionsDontSkipIfDateEqButSrcBiggerDst = true;  // missing default is false
    t.ClearSourceArchiveBit = true;
    t.DisableIndexFiles = true;
    t.MaxNumberOfRetries = 8;
    t.PauseBeforeRetry = 9;
    t.MaxNumberBeforeStop = 10;
    t.FlagAutoReset = true;
    t.FlagAutoResetValue = 11;
    t.FlagAutoResetUnit = TErrorResetUnit::ertuMinutes;
    t.VersionsKeepType = TVersionsKeepKind::vkSameFolder;
    t.VersionsKeepArcFolder = "/v";
    t.VersionsKeepArcFolderKeepStruct = true;
    t.VersionsKeepFilesNum = 12;
    t.DeleteKind = TDeleteKind::adkDeleteRecycle;
    t.ArchiveFolder = "/d";
    t.DeleteEmptyFolders = true;
    t.ArchiveFolderKeepStruct = true;
    t.KeepDeletedFilesNum = 13;
    t.FolderMonitor_Use = true;
    t.MonitorFileName = true;
    t.MonitorFolderName = true;
    t.MonitorAttributes = true;
    t.MonitorSize = true;
    t.MonitorLastWrite = true;
    t.MonitorSecurity = true;
    t.DoWait = true;
    t.WaitSeconds = 14;
    t.ScheduleSkipMissed = true;
    t.SmartDetectUse = true;
    t.SmartDetectDriveLetter = "/media/usb";
    t.SmartDetectVolumeInfo = "USB";
    t.SmartDetectSerialNumber = "0000ABCD";
    t.SmartDetectNoMediaNoRun = true;
    t.HotKey = 0x1234;
    t.HotKeyBringToFront = true;
    t.RunPrograms_UseDefault = false;
    t.Before = true;
    t.BeforeProgramName = "before.sh";
    t.BeforeWaitProgram = true;
    t.After = true;
    t.AfterProgramName = "after.sh";
    t.AfterWaitProgram = true;
    t.Dial_UseDefault = false;
    t.DialEntry = "vpn";
    t.DisconnectAfter = true;
    t.HardwareProfile_UseDefault = false;
    t.SkipList = "Laptop";
    t.Bandwidth_UseDefault = false;
    t.Bandwidth_Use = true;
    t.Bandwidth_Value = 15;
    t.MeasureKind = TBandwidthMeasure::bmkKBits;
    t.Protection_UseDefault = false;
    t.Protection_Password = "pw6";
    t.Reminder = "rem";
    t.Log_UseDefault = false;
    t.Log_Enabled = true;
    t.Log_FileName = "own.log";
    t.MaxSize = 16;
    t.IncludeSummary = t.IncludeFiles = t.IncludeSkipping = t.IncludeWarnings = true;
    t.IncludeErrors = t.IncludeFtp = t.IncludeConsole = true;
    t.EventAlerts_UseDefault = false;
    int n = 0;
    for (auto& set : t.EventAlerts)
        for (auto& c : set) {
            ++n;
            c.Dialog = !c.Dialog;
            c.Balloon = !c.Balloon;
            c.Sound = true;
            c.SoundFile = QStringLiteral("sound%1.wav").arg(n);
            c.EmailUse = true;
            c.Email = QStringLiteral("a%1@example.org").arg(n);
            c.EmailSendLog = n % 2 == 0;
        }
    // The File event stores no e-mail values and only Finish stores EmailSendLog.
    for (auto& set : t.EventAlerts) {
        set[1].EmailUse = false;
        set[1].Email.clear();
        for (int e = 0; e < 5; ++e)
            set[e].EmailSendLog = true;
    }
    t.Performance_UseDefault = false;
    t.CpuPerformance = 5;
    t.PowerManagement_UseDefault = false;
    t.DontStartOnBatteries = true;
    t.WakeToRun = true;
    t.BatteryMode = "S";
    t.EmailSettings_UseDefault = false;
    t.SmtpServer = "smtp";
    t.SmtpServerPort = 587;
    t.SmtpServerAuthUse = true;
    t.SmtpServerAuthUser = "mailer";
    t.SmtpServerAuthPassword = "pw7";
    t.To = "to@example.org";
    t.From = "from@example.org";
    t.Subject = "subj";

    t.SourceFolders = {SF("/one", false), SF("/two", true), SF("/three/%Date%", false)};
    TTaskFilterItem filter;
    filter.FilterType = TFilterType::fitExclude;
    filter.fnWildcard = "*.tmp";
    t.Filters = {filter, TTaskFilterItem()};
    TTaskScheduleItem daily;
    daily.Kind = TScheduleKind::skDaily;
    daily.DailyDays[6] = false;
    TTaskScheduleItem once;
    once.Kind = TScheduleKind::skOnce;
    once.OnceRunDate = 45200;
    t.Schedule = {daily, once};
}

QStringList SubKeys(const QString& path) {
    TSafeRegistry reg;
    QStringList names;
    if (reg.OpenKeyReadOnly(path))
        reg.GetKeyNames(names);
    return names;
}

class TaskPersistenceTest : public TarnovexTest {
protected:
    void SetUp() override { ResetGlobalSettings(); }
};

}  // namespace

TEST_F(TaskPersistenceTest, SaveThenLoadKeepsEveryPersistedValue) {
    TTask saved;
    FillEverything(saved);
    saved.SaveToRegistry(kKey);
    TTask loaded;
    loaded.LoadFromRegistry(kKey);
    EXPECT_TRUE(SamePersistedValues(saved, loaded));
    EXPECT_EQ(static_cast<const TTaskOptions&>(saved), static_cast<const TTaskOptions&>(loaded));
    ASSERT_EQ(loaded.SourceFolders.size(), 3u);
    EXPECT_EQ(loaded.SourceFolders[2].Folder, "/three/%Date%");
    EXPECT_FALSE(loaded.SourceFolders[2].IncludeSubfolders);
    EXPECT_EQ(loaded.Filters, saved.Filters);
    EXPECT_EQ(loaded.Schedule, saved.Schedule);

    // A new task survives as well (its values differ from the missing defaults in many places).
    TTask fresh;
    fresh.SaveToRegistry(kKey);
    TTask again;
    FillEverything(again);
    again.LoadFromRegistry(kKey);
    EXPECT_TRUE(SamePersistedValues(fresh, again));
}

TEST_F(TaskPersistenceTest, SamePersistedValuesSeesEveryKindOfDifference) {
    TTask a;
    FillEverything(a);
    TTask b = a;
    EXPECT_TRUE(SamePersistedValues(a, b));
    b.IsRunning = true;
    b.ErrorFlag = true;
    EXPECT_TRUE(SamePersistedValues(a, b));
    const auto differs = [&a](const std::function<void(TTask&)>& change) {
        TTask c = a;
        change(c);
        return !SamePersistedValues(a, c);
    };
    EXPECT_TRUE(differs([](TTask& t) { t.Subject += "x"; }));
    EXPECT_TRUE(differs([](TTask& t) { t.LastRun += 1e-9; }));
    EXPECT_TRUE(differs([](TTask& t) { t.EventAlerts[2][5].EmailSendLog ^= true; }));
    EXPECT_TRUE(differs([](TTask& t) { t.SourceFolders[1].IncludeSubfolders = false; }));
    EXPECT_TRUE(differs([](TTask& t) { t.SourceFolders.pop_back(); }));
    EXPECT_TRUE(differs([](TTask& t) { t.Filters[1].szValue = 3; }));
    EXPECT_TRUE(differs([](TTask& t) { t.Schedule[0].MonthlyMonths[11] = false; }));
}

TEST_F(TaskPersistenceTest, EmptyKeyLoadsMissingDefaults) {
    {
        TSafeRegistry reg;
        reg.OpenKey(kKey, true);
    }
    TTask task;
    task.TaskAction = TTaskAction::taMove;
    task.HotKey = 0x0203;
    task.DestFTP_Port = 99;
    task.CpuPerformance = 4;
    task.FlagAutoResetUnit = TErrorResetUnit::ertuDays;
    task.DestType = TDestKind::dkEmail;
    task.SourceFolders.push_back(SF("/x", true));
    task.Schedule.emplace_back();
    // Channels that are not stored for an event do not survive a load either.
    task.EventAlerts[0][1].Email = "left@over";
    task.EventAlerts[0][1].EmailUse = true;
    task.EventAlerts[1][0].EmailSendLog = false;
    task.LoadFromRegistry(kKey);
    EXPECT_TRUE(task.EventAlerts[0][1].Email.isEmpty());
    EXPECT_FALSE(task.EventAlerts[0][1].EmailUse);
    EXPECT_TRUE(task.EventAlerts[1][0].EmailSendLog);

    EXPECT_TRUE(task.Name.isEmpty());
    EXPECT_TRUE(task.ID.isEmpty());
    EXPECT_TRUE(task.CompressType.isEmpty());
    EXPECT_EQ(task.CompressLevel, 0);
    EXPECT_EQ(task.DeleteKind, TDeleteKind::adkMoveArcFolder);
    EXPECT_EQ(task.VersionsKeepType, TVersionsKeepKind::vkNone);
    EXPECT_EQ(task.MeasureKind, TBandwidthMeasure::bmkMBits);
    EXPECT_TRUE(task.RunPrograms_UseDefault && task.Dial_UseDefault && task.HardwareProfile_UseDefault &&
                task.Bandwidth_UseDefault && task.Protection_UseDefault && task.Log_UseDefault &&
                task.EventAlerts_UseDefault && task.Performance_UseDefault &&
                task.PowerManagement_UseDefault && task.EmailSettings_UseDefault);
    EXPECT_FALSE(task.OptionsDontSkipIfDateEqButSrcBiggerDst);
    EXPECT_FALSE(task.DeleteEmptyFolders);
    EXPECT_FALSE(task.DoWait);
    EXPECT_FALSE(task.ScheduleSkipMissed);
    EXPECT_FALSE(task.BeforeWaitProgram);
    EXPECT_FALSE(task.Log_Enabled);
    EXPECT_TRUE(task.Log_FileName.isEmpty());
    EXPECT_EQ(task.SmtpServerPort, 0);
    EXPECT_TRUE(task.Subject.isEmpty());
    EXPECT_TRUE(task.BatteryMode.isEmpty());
    EXPECT_EQ(task.Created, 0);
    EXPECT_EQ(task.MaxNumberBeforeStop, 0);
    EXPECT_FALSE(task.FlagAutoReset);
    for (int s = 0; s < kAlertSetCount; ++s)
        for (int e = 0; e < kAlertEventCount; ++e) {
            const TAlertChannels& c = task.EventAlerts[s][e];
            EXPECT_EQ(c.Dialog, e == static_cast<int>(TAlertEventKind::DiskSpan)) << s << e;
            EXPECT_FALSE(c.Balloon);
            if (e == static_cast<int>(TAlertEventKind::Finish)) {
                EXPECT_FALSE(c.EmailSendLog);
            }
        }
    EXPECT_TRUE(task.SourceFolders.empty());
    EXPECT_TRUE(task.Filters.empty());
    EXPECT_TRUE(task.Schedule.empty());

    // Values whose missing default is "unchanged".
    EXPECT_EQ(task.TaskAction, TTaskAction::taMove);
    EXPECT_EQ(task.HotKey, 0x0203);
    EXPECT_EQ(task.DestFTP_Port, 99);
    EXPECT_EQ(task.DestFTP_ProxyPort, 21);
    EXPECT_EQ(task.DestFTP_ReconnectRetries, 1000);
    EXPECT_EQ(task.CpuPerformance, 4);
    EXPECT_EQ(task.FlagAutoResetUnit, TErrorResetUnit::ertuDays);
    EXPECT_EQ(task.DestType, TDestKind::dkEmail);
}

TEST_F(TaskPersistenceTest, LoadingAMissingKeyCreatesNothing) {
    TTask task;
    task.LoadFromRegistry(kKey);
    EXPECT_TRUE(task.Name.isEmpty());
    TSafeRegistry reg;
    EXPECT_FALSE(reg.KeyExists(kKey));
    EXPECT_FALSE(reg.KeyExists(kKey + "\\EmailSettings"));
}

TEST_F(TaskPersistenceTest, MissingGroupKeyNeverReadsAnotherGroupsValues) {
    TTask task;
    task.Protection_UseDefault = false;
    task.Log_UseDefault = false;
    task.SaveToRegistry(kKey);
    {
        TSafeRegistry reg;
        reg.DeleteKey(kKey + "\\Log");
    }
    TTask loaded;
    loaded.LoadFromRegistry(kKey);
    EXPECT_FALSE(loaded.Protection_UseDefault);
    EXPECT_TRUE(loaded.Log_UseDefault);
}

TEST_F(TaskPersistenceTest, EnumerationTextsAndFallbacks) {
    const auto loadWith = [](const QString& group, const QString& name, const QString& text, TTask& task) {
        {
            TSafeRegistry reg;
            reg.DeleteKey(kKey);
            reg.OpenKey(group.isEmpty() ? kKey : kKey + "\\" + group, true);
            reg.WriteString(name, text);
        }
        task.LoadFromRegistry(kKey);
    };
    TTask task;
    task.TaskAction = TTaskAction::taMove;
    loadWith({}, "TaskAction", "ttCopy", task);
    EXPECT_EQ(task.TaskAction, TTaskAction::taBackup);
    loadWith({}, "TaskAction", "taSynchronize", task);
    EXPECT_EQ(task.TaskAction, TTaskAction::taSynchronize);
    loadWith({}, "TaskAction", "TaBackup", task);
    EXPECT_EQ(task.TaskAction, TTaskAction::taSynchronize);

    task.FlagAutoResetUnit = TErrorResetUnit::ertuMinutes;
    loadWith("ErrorHandling", "FlagAutoResetUnit", "ertudays", task);
    EXPECT_EQ(task.FlagAutoResetUnit, TErrorResetUnit::ertuMinutes);
    loadWith("ErrorHandling", "FlagAutoResetUnit", "ertuSeconds", task);
    EXPECT_EQ(task.FlagAutoResetUnit, TErrorResetUnit::ertuSeconds);

    loadWith("Versions", "VersionsKeepType", "vkArcFolder", task);
    EXPECT_EQ(task.VersionsKeepType, TVersionsKeepKind::vkArcFolder);
    loadWith("Versions", "VersionsKeepType", "vkarcfolder", task);
    EXPECT_EQ(task.VersionsKeepType, TVersionsKeepKind::vkNone);

    loadWith("Obsolete", "DeleteKind", "adkLeave", task);
    EXPECT_EQ(task.DeleteKind, TDeleteKind::adkLeave);
    loadWith("Obsolete", "DeleteKind", "junk", task);
    EXPECT_EQ(task.DeleteKind, TDeleteKind::adkMoveArcFolder);

    loadWith("Bandwidth", "MeasureKind", "bmkKBits", task);
    EXPECT_EQ(task.MeasureKind, TBandwidthMeasure::bmkKBits);
    loadWith("Bandwidth", "MeasureKind", "KBits", task);
    EXPECT_EQ(task.MeasureKind, TBandwidthMeasure::bmkMBits);
}

TEST_F(TaskPersistenceTest, StoredValueTypes) {
    TTask task;
    FillEverything(task);
    task.SaveToRegistry(kKey);
    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(kKey));
    EXPECT_EQ(reg.ReadString("TaskAction", {}), "taMove");
    ASSERT_TRUE(reg.OpenKeyReadOnly(kKey + "\\Destination"));
    EXPECT_EQ(reg.GetDataType("DestType"), TRegDataType::rdBinary);
    EXPECT_EQ(reg.GetDataSize("DestType"), 1);
    ASSERT_TRUE(reg.OpenKeyReadOnly(kKey + "\\AutoRun\\HotKey"));
    unsigned char hotKey[2] = {0, 0};
    EXPECT_EQ(reg.ReadBinary("HotKey", hotKey, 2), 2);
    EXPECT_EQ(hotKey[0], 0x34);
    EXPECT_EQ(hotKey[1], 0x12);
    ASSERT_TRUE(reg.OpenKeyReadOnly(kKey + "\\Performance"));
    EXPECT_EQ(reg.GetDataSize("CpuPerformance"), 1);
    ASSERT_TRUE(reg.OpenKeyReadOnly(kKey + "\\ExtendedData"));
    EXPECT_EQ(reg.GetDataSize("LastRun"), 8);
    ASSERT_TRUE(reg.OpenKeyReadOnly(kKey + "\\EventAlerts"));
    QStringList values;
    reg.GetValueNames(values);
    // UseDefault, then 3 sets x (5 events x 6 + File x 4 + EmailSendLog).
    ASSERT_EQ(values.size(), 1 + 3 * (5 * 6 + 4 + 1));
    EXPECT_EQ(values.mid(0, 9),
              QStringList({"UseDefault", "ScheduledStartDialog", "ScheduledStartBalloon",
                           "ScheduledStartSound", "ScheduledStartSoundFile", "ScheduledStartEmailUse",
                           "ScheduledStartEmail", "ScheduledFileDialog", "ScheduledFileBalloon"}));
    EXPECT_EQ(values.last(), "SilentFinishEmailSendLog");
    ASSERT_TRUE(reg.OpenKeyReadOnly(kKey + "\\AutoRun\\Schedule"));
    EXPECT_TRUE(reg.ValueExists("ScheduleSkipMissed"));
}

TEST_F(TaskPersistenceTest, ListsWithTwelveItemsKeepTheirOrder) {
    TTask task;
    for (int i = 1; i <= 12; ++i) {
        task.SourceFolders.push_back(SF(QStringLiteral("/src/%1").arg(i), true));
        TTaskScheduleItem item;
        item.MinutellyValue = i;
        task.Schedule.push_back(item);
        TTaskFilterItem filter;
        filter.szValue = i;
        task.Filters.push_back(filter);
    }
    task.SaveToRegistry(kKey);
    EXPECT_EQ(SubKeys(kKey + "\\Source\\SourceFolders").size(), 12);
    TTask loaded;
    loaded.LoadFromRegistry(kKey);
    ASSERT_EQ(loaded.SourceFolders.size(), 12u);
    ASSERT_EQ(loaded.Schedule.size(), 12u);
    ASSERT_EQ(loaded.Filters.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(loaded.SourceFolders[i].Folder, QStringLiteral("/src/%1").arg(i + 1));
        EXPECT_EQ(loaded.Schedule[i].MinutellyValue, i + 1);
        EXPECT_EQ(loaded.Filters[i].szValue, i + 1);
    }
}

TEST_F(TaskPersistenceTest, ItemKeysWithOtherNamesFollowTheNumberedOnes) {
    {
        TSafeRegistry reg;
        for (const char* name : {"b", "10", "2", "A", "1"}) {
            reg.OpenKey(kKey + "\\Source\\SourceFolders\\" + name, true);
            reg.WriteString("Folder", QStringLiteral("/") + QLatin1String(name));
        }
        reg.OpenKey(kKey + "\\AutoRun\\Schedule\\x", true);
        reg.WriteInteger("HourlyValue", 7);
        reg.OpenKey(kKey + "\\AutoRun\\Schedule\\3", true);
        reg.WriteInteger("HourlyValue", 3);
    }
    TTask task;
    task.LoadFromRegistry(kKey);
    QStringList folders;
    for (const TSourceFolder& f : task.SourceFolders)
        folders << f.Folder;
    EXPECT_EQ(folders, QStringList({"/1", "/2", "/10", "/A", "/b"}));
    EXPECT_TRUE(task.SourceFolders[0].IncludeSubfolders);  // missing value
    ASSERT_EQ(task.Schedule.size(), 2u);
    EXPECT_EQ(task.Schedule[0].HourlyValue, 3);
    EXPECT_EQ(task.Schedule[1].HourlyValue, 7);
    EXPECT_EQ(task.Schedule[1].Kind, TScheduleKind::skOnce);
}

// Needs TTaskFilterItem::LoadFromRegistry from the filter unit.
TEST_F(TaskPersistenceTest, FiltersAreReadByNumberUpToTheirCount) {
    TTask task;
    for (int i = 0; i < 3; ++i) {
        TTaskFilterItem filter;
        filter.fnWildcard = QStringLiteral("*.%1").arg(i);
        filter.szValue = 100 + i;
        task.Filters.push_back(filter);
    }
    task.SaveToRegistry(kKey);
    {
        TSafeRegistry reg;
        reg.DeleteKey(kKey + "\\Filters\\3");
        reg.OpenKey(kKey + "\\Filters\\5", true);
        reg.WriteString("fnWildcard", "*.five");
    }
    TTask loaded;
    loaded.LoadFromRegistry(kKey);
    ASSERT_EQ(loaded.Filters.size(), 3u);
    EXPECT_EQ(loaded.Filters[0], task.Filters[0]);
    EXPECT_EQ(loaded.Filters[1], task.Filters[1]);
    TTaskFilterItem missing;
    {
        TSafeRegistry reg;
        reg.OpenKey(kProgramRoot + "\\EmptyItem", true);
        missing.LoadFromRegistry(reg);
    }
    EXPECT_EQ(loaded.Filters[2], missing);
    EXPECT_NE(loaded.Filters[2].fnWildcard, "*.five");
}

TEST_F(TaskPersistenceTest, ShrinkingListsLeaveOnlyTheirItems) {
    TTask task;
    for (int i = 0; i < 5; ++i) {
        task.Filters.emplace_back();
        task.SourceFolders.push_back(SF(QStringLiteral("/s%1").arg(i), true));
        task.Schedule.emplace_back();
    }
    task.SaveToRegistry(kKey);
    EXPECT_EQ(SubKeys(kKey + "\\Filters").size(), 5);
    task.Filters.resize(2);
    task.SourceFolders.resize(2);
    task.Schedule.resize(2);
    task.SaveToRegistry(kKey);
    EXPECT_EQ(SubKeys(kKey + "\\Filters"), QStringList({"1", "2"}));
    EXPECT_EQ(SubKeys(kKey + "\\Source\\SourceFolders"), QStringList({"1", "2"}));
    EXPECT_EQ(SubKeys(kKey + "\\AutoRun\\Schedule"), QStringList({"1", "2"}));
    TTask loaded;
    loaded.LoadFromRegistry(kKey);
    EXPECT_TRUE(SamePersistedValues(task, loaded));
}
