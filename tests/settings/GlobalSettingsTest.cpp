#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QtEndian>

#include "fixtures/TempHome.h"
#include "settings/GlobalSettings.h"
#include "store/SafeRegistry.h"

namespace {

class GlobalSettingsTest : public TarnovexTest {
protected:
    void SetUp() override { ResetGlobalSettings(); }
    void TearDown() override {
        ResetGlobalSettings();
        TarnovexTest::TearDown();
    }
    static QString KeyPath(const QString& name) { return kProgramRoot + QLatin1Char('\\') + name; }
    static QStringList ValueNames(const QString& key) {
        TSafeRegistry reg;
        QStringList names;
        if (reg.OpenKeyReadOnly(KeyPath(key)))
            reg.GetValueNames(names);
        return names;
    }
};

// Every stored value changed away from its default, so that a round trip proves each one is written
// and read back under the same name.
void ChangeEverything(TGlobalSettings& s) {
    s.Main.ViewStyle = 1;
    s.Main.SortColumn = 4;
    s.Main.SortOrderAZ = false;
    s.Main.CurrentGroup = QStringLiteral("Photos");
    s.Main.CurrentProject = QStringLiteral("{ID-1}");
    s.Main.Suspend = true;
    s.Main.DisableScheduler = true;
    s.Main.LastTip = 7;
    s.Main.FirstStart = false;
    s.Main.ViewSizeName = 1;
    s.Main.ViewSizeType = 2;
    s.Main.ViewSizeLastRun = 3;
    s.Main.ViewSizeNextRun = 4;
    s.Main.ViewSizeSource = 5;
    s.Main.ViewSizeDestination = 6;
    s.Startup = {true, true, false, false, true, 0xC153, false};
    s.Performance = {true, false, 17, false, QStringLiteral("/var/tmp/x")};
    auto& l = s.LogDisplay;
    quint32 colour = 0x00010203;
    for (quint32* c :
         {&l.LogSummaryColorBg, &l.LogSummaryColorFg, &l.LogFilesColorBg, &l.LogFilesColorFg,
          &l.LogSkippingColorBg, &l.LogSkippingColorFg, &l.LogWarningsColorBg, &l.LogWarningsColorFg,
          &l.LogErrorsColorBg, &l.LogErrorsColorFg, &l.LogFtpSendColorBg, &l.LogFtpSendColorFg,
          &l.LogFtpRecvColorBg, &l.LogFtpRecvColorFg, &l.LogConsoleColorBg, &l.LogConsoleColorFg})
        *c = colour++;
    l.LogFontSize = 11;
    l.LogFontName = QStringLiteral("DejaVu Sans");
    l.LogGrid = true;
    l.LogViewSizeNum = 1;
    l.LogViewSizeDate = 2;
    l.LogViewSizeTime = 3;
    l.LogViewSizeEvent = 4;
    s.Language = QStringLiteral("Dutch.lng");
    auto& t = s.TasksDefaults;
    t.RunBefore = t.RunBeforeWaitProgram = t.RunAfter = t.RunAfterWaitProgram = true;
    t.RunBeforeProgramName = QStringLiteral("before.sh");
    t.RunAfterProgramName = QStringLiteral("after.sh");
    t.DialEntry = QStringLiteral("vpn");
    t.DialDisconnectAfter = true;
    t.HardwareSkipList = QStringLiteral("Docked,Undocked");
    t.BandwidthUse = true;
    t.BandwidthValue = 300;
    t.BandwidthMeasure = QStringLiteral("KBits");
    t.Password = QStringLiteral("pw");
    t.PasswordReminder = QStringLiteral("hint");
    t.LogEnabled = false;
    t.LogFileName = QStringLiteral("other.log");
    t.LogMaxSize = 1024;
    t.LogIncludeSummary = t.LogIncludeFiles = t.LogIncludeSkipping = t.LogIncludeWarnings = false;
    t.LogIncludeErrors = t.LogIncludeFtp = t.LogIncludeConsole = false;
    t.CpuPerformance = 6;
    t.PowerDontStartOnBatteries = t.PowerWakeToRun = true;
    t.PowerBatteryMode = QStringLiteral("A");
    t.EmailSmtpServer = QStringLiteral("mail.example.org");
    t.EmailSmtpServerPort = 587;
    t.EmailSmtpServerAuthUse = true;
    t.EmailSmtpServerAuthUser = QStringLiteral("ann");
    t.EmailSmtpServerAuthPassword = QStringLiteral("secret");
    t.EmailTo = QStringLiteral("to@example.org");
    t.EmailFrom = QStringLiteral("from@example.org");
    t.EmailSubject = QStringLiteral("Report");
    int n = 0;
    for (auto& set : t.Events) {
        for (auto& a : set) {
            a.Dialog = !a.Dialog;
            a.Balloon = !a.Balloon;
            a.Sound = !a.Sound;
            a.SoundFile = QStringLiteral("Media\\x%1.wav").arg(n++);
        }
    }
    // Only the channels that are stored can survive a round trip.
    for (auto& set : t.Events) {
        for (int e = 0; e < kAlertEventCount; ++e) {
            if (e == int(TAlertEventKind::File))
                continue;
            set[e].EmailUse = true;
            set[e].Email = QStringLiteral("alert%1@example.org").arg(n++);
        }
        set[int(TAlertEventKind::Finish)].EmailSendLog = false;
    }
}

}  // namespace

TEST_F(GlobalSettingsTest, EmptyStoreGivesEveryDefault) {
    GlobalSettings().Main.ViewStyle = 0;
    GlobalSettings().TasksDefaults.Events[0][0].SoundFile.clear();
    LoadGlobalSettings();
    const TGlobalSettings& s = GlobalSettings();
    EXPECT_EQ(s.Main.ViewStyle, 3);
    EXPECT_EQ(s.Main.CurrentGroup, "All Tasks");
    EXPECT_TRUE(s.Main.FirstStart);
    EXPECT_EQ(s.LogDisplay.LogSummaryColorBg, 0x00E6CCCCu);
    EXPECT_EQ(s.LogDisplay.LogFilesColorBg, 0xFF000005u);
    EXPECT_EQ(s.LogDisplay.LogFontName, "Tahoma");
    EXPECT_TRUE(s.Performance.TempDirDefault);
    EXPECT_EQ(s.Performance.SchedulePauseMin, 5);
    EXPECT_EQ(s.TasksDefaults.CpuPerformance, 2);
    EXPECT_EQ(s.TasksDefaults.BandwidthMeasure, "MBits");
    EXPECT_EQ(s.TasksDefaults.PowerBatteryMode, "C");
    EXPECT_EQ(s.TasksDefaults.EmailSmtpServerPort, 25);
    EXPECT_EQ(s.TasksDefaults.EmailSubject, "Backup Notification");
    EXPECT_TRUE(s.Language.isEmpty());
}

TEST_F(GlobalSettingsTest, EventAlertDefaultsFollowTheTable) {
    const TEventAlerts ev = TTasksDefaults::DefaultEventAlerts();
    const auto& schedStart = AlertOf(ev, TAlertSet::Scheduled, TAlertEventKind::Start);
    EXPECT_FALSE(schedStart.Dialog);
    EXPECT_TRUE(schedStart.Balloon);
    EXPECT_TRUE(schedStart.Sound);
    EXPECT_EQ(schedStart.SoundFile, QStringLiteral("Media\\Male Voice\\MaleTaskStarted.wav"));
    const auto& manualStart = AlertOf(ev, TAlertSet::Manual, TAlertEventKind::Start);
    EXPECT_FALSE(manualStart.Balloon);
    EXPECT_TRUE(manualStart.Sound);
    EXPECT_EQ(AlertOf(ev, TAlertSet::Manual, TAlertEventKind::Finish).SoundFile,
              QStringLiteral("Media\\Male Voice\\MaleTaskFinished.wav"));
    const auto& silentSpan = AlertOf(ev, TAlertSet::Silent, TAlertEventKind::DiskSpan);
    EXPECT_TRUE(silentSpan.Dialog);
    EXPECT_TRUE(silentSpan.Balloon);
    EXPECT_FALSE(silentSpan.Sound);
    EXPECT_TRUE(silentSpan.SoundFile.isEmpty());
    int dialogs = 0;
    for (const auto& set : ev) {
        EXPECT_EQ(set[int(TAlertEventKind::File)], TAlertChannels{});
        for (const auto& a : set) {
            dialogs += a.Dialog;
            EXPECT_FALSE(a.EmailUse);
            EXPECT_TRUE(a.Email.isEmpty());
            EXPECT_TRUE(a.EmailSendLog);
        }
    }
    EXPECT_EQ(dialogs, 3);  // only the disk-span dialogs
    EXPECT_EQ(GlobalSettings().TasksDefaults.Events, ev);
}

TEST_F(GlobalSettingsTest, SaveWritesEveryValueUnderItsName) {
    SaveGlobalSettings();
    QStringList events;
    for (const QString& name : ValueNames(QStringLiteral("Tasks Defaults")))
        if (name.startsWith(QLatin1String("Events")))
            events << name;
    ASSERT_EQ(events.size(), 105);
    EXPECT_EQ(ValueNames(QStringLiteral("Tasks Defaults")).size(), 36 + 105);
    // Mode, event, then channel; the send-log flag closes each mode.
    EXPECT_EQ(events.first(), "EventsScheduledStartDialog");
    EXPECT_EQ(events[4], "EventsScheduledStartEmailUse");
    EXPECT_EQ(events[6], "EventsScheduledFileDialog");
    EXPECT_EQ(events[10], "EventsScheduledDiskSpanDialog");
    EXPECT_EQ(events[34], "EventsScheduledFinishEmailSendLog");
    EXPECT_EQ(events[35], "EventsManualStartDialog");
    EXPECT_EQ(events.last(), "EventsSilentFinishEmailSendLog");
    EXPECT_FALSE(events.contains("EventsManualFileEmail"));
    EXPECT_EQ(ValueNames(QStringLiteral("Main")).size(), 15);
    EXPECT_FALSE(ValueNames(QStringLiteral("Main")).contains("WindowFlags"));
    EXPECT_EQ(ValueNames(QStringLiteral("Startup and Shutdown")).size(), 7);
    EXPECT_EQ(ValueNames(QStringLiteral("Global Performance")).size(), 5);
    EXPECT_EQ(ValueNames(QStringLiteral("Log Display")).size(), 23);
    EXPECT_EQ(ValueNames(QStringLiteral("Interface Language")), QStringList{"Language"});

    const QString tasks = KeyPath(QStringLiteral("Tasks Defaults"));
    EXPECT_EQ(TSafeRegistry::ReadStringAt(tasks, "EventsManualErrorSoundFile", {}),
              QStringLiteral("Media\\Male Voice\\MaleError.wav"));
    EXPECT_TRUE(TSafeRegistry::ReadBoolAt(tasks, "EventsSilentDiskSpanDialog", false));
}

TEST_F(GlobalSettingsTest, BinaryValuesHaveTheirByteCountsAndLittleEndianOrder) {
    GlobalSettings().Startup.StartupHotKey = 0x1234;
    GlobalSettings().LogDisplay.LogErrorsColorBg = 0xA1B2C3D4;
    SaveGlobalSettings();
    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(KeyPath(QStringLiteral("Main"))));
    EXPECT_EQ(reg.GetDataType("ViewStyle"), TRegDataType::rdBinary);
    EXPECT_EQ(reg.GetDataSize("ViewStyle"), 1);
    ASSERT_TRUE(reg.OpenKeyReadOnly(KeyPath(QStringLiteral("Startup and Shutdown"))));
    TRegValue hotKey;
    ASSERT_TRUE(reg.ReadRawValue("StartupHotKey", hotKey));
    EXPECT_EQ(hotKey.bytes, QByteArray("\x34\x12", 2));
    ASSERT_TRUE(reg.OpenKeyReadOnly(KeyPath(QStringLiteral("Log Display"))));
    TRegValue colour;
    ASSERT_TRUE(reg.ReadRawValue("LogErrorsColorBg", colour));
    EXPECT_EQ(colour.bytes, QByteArray("\xD4\xC3\xB2\xA1", 4));
    ASSERT_TRUE(reg.OpenKeyReadOnly(KeyPath(QStringLiteral("Tasks Defaults"))));
    EXPECT_EQ(reg.GetDataSize("CpuPerformance"), 1);
    EXPECT_EQ(reg.GetDataType("EventsScheduledStartDialog"), TRegDataType::rdInteger);
}

TEST_F(GlobalSettingsTest, SaveThenLoadKeepsEveryValue) {
    ChangeEverything(GlobalSettings());
    const TGlobalSettings saved = GlobalSettings();
    SaveGlobalSettings();
    ResetGlobalSettings();
    LoadGlobalSettings();
    const TGlobalSettings& s = GlobalSettings();
    EXPECT_EQ(s.Main.ViewStyle, saved.Main.ViewStyle);
    EXPECT_EQ(s.Main.CurrentProject, saved.Main.CurrentProject);
    EXPECT_EQ(s.Main.ViewSizeDestination, saved.Main.ViewSizeDestination);
    EXPECT_EQ(s.Main.FirstStart, saved.Main.FirstStart);
    EXPECT_EQ(s.Startup.StartupHotKey, 0xC153);
    EXPECT_FALSE(s.Startup.StartupShowSplash);
    EXPECT_EQ(s.Performance.SchedulePauseMin, 17);
    EXPECT_EQ(s.Performance.TempDirCustom, "/var/tmp/x");
    EXPECT_EQ(s.LogDisplay.LogSummaryColorBg, 0x00010203u);
    EXPECT_EQ(s.LogDisplay.LogConsoleColorFg, 0x00010212u);
    EXPECT_EQ(s.LogDisplay.LogFontName, "DejaVu Sans");
    EXPECT_EQ(s.LogDisplay.LogViewSizeEvent, 4);
    EXPECT_EQ(s.Language, "Dutch.lng");
    EXPECT_EQ(s.TasksDefaults.CpuPerformance, 6);
    EXPECT_EQ(s.TasksDefaults.HardwareSkipList, "Docked,Undocked");
    EXPECT_EQ(s.TasksDefaults.EmailSmtpServerAuthPassword, "secret");
    EXPECT_FALSE(s.TasksDefaults.LogIncludeConsole);
    EXPECT_EQ(s.TasksDefaults.EmailSubject, "Report");
    EXPECT_EQ(s.TasksDefaults.Events, saved.TasksDefaults.Events);
}

TEST_F(GlobalSettingsTest, LoadReplacesInMemoryChangesWithTheStore) {
    SaveGlobalSettings();
    GlobalSettings().Main.Suspend = true;
    GlobalSettings().TasksDefaults.Events[2][5].Sound = true;
    LoadGlobalSettings();
    EXPECT_FALSE(GlobalSettings().Main.Suspend);
    EXPECT_FALSE(GlobalSettings().TasksDefaults.Events[2][5].Sound);
}

TEST_F(GlobalSettingsTest, ValueOfAnotherTypeOrSizeGivesTheDefault) {
    {
        TSafeRegistry reg;
        ASSERT_TRUE(reg.OpenKey(KeyPath(QStringLiteral("Main")), true));
        reg.WriteString("SortOrderAZ", "no");
        reg.WriteInteger("ViewStyle", 0);  // should be 1-byte binary
        reg.WriteString("SortColumn", "7");
        ASSERT_TRUE(reg.OpenKey(KeyPath(QStringLiteral("Log Display")), true));
        reg.WriteBinary("LogSummaryColorBg", "\x01\x02", 2);  // too short for a colour
        reg.WriteInteger("LogFontName", 3);
        ASSERT_TRUE(reg.OpenKey(KeyPath(QStringLiteral("Tasks Defaults")), true));
        reg.WriteBinary("CpuPerformance", "\x05\x00\x00\x00", 4);
        reg.WriteString("EventsManualDiskSpanDialog", "x");
    }
    LoadGlobalSettings();
    const TGlobalSettings& s = GlobalSettings();
    EXPECT_TRUE(s.Main.SortOrderAZ);
    EXPECT_EQ(s.Main.ViewStyle, 3);
    EXPECT_EQ(s.Main.SortColumn, 0);
    EXPECT_EQ(s.LogDisplay.LogSummaryColorBg, 0x00E6CCCCu);
    EXPECT_EQ(s.LogDisplay.LogFontName, "Tahoma");
    EXPECT_EQ(s.TasksDefaults.CpuPerformance, 2);
    EXPECT_TRUE(AlertOf(s.TasksDefaults.Events, TAlertSet::Manual, TAlertEventKind::DiskSpan).Dialog);
}

TEST_F(GlobalSettingsTest, LoadCreatesNoKeysAndIgnoresValuesAtTheTop) {
    {
        // A missing key must not make the reader fall back to whatever key it was on.
        TSafeRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kProgramRoot, true));
        reg.WriteInteger("SortColumn", 9);
        reg.WriteString("Language", "Top.lng");
    }
    LoadGlobalSettings();
    EXPECT_EQ(GlobalSettings().Main.SortColumn, 0);
    EXPECT_TRUE(GlobalSettings().Language.isEmpty());
    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(kProgramRoot));
    QStringList keys;
    reg.GetKeyNames(keys);
    EXPECT_TRUE(keys.isEmpty()) << keys.join(',').toStdString();
}

TEST_F(GlobalSettingsTest, RegisteredTablesRunAfterLoadAndSave) {
    int loads = 0;
    int saves = 0;
    bool savedSeesValues = false;
    RegisterGlobalSettingsTable(
        "Test Table", [&] { ++loads; },
        [&] {
            ++saves;
            savedSeesValues =
                TSafeRegistry::ReadIntegerAt(KeyPath(QStringLiteral("Main")), "LastTip", 0) == 42;
        });
    // Registering the same name again replaces the hooks rather than running both.
    RegisterGlobalSettingsTable(
        "Test Table", [&] { loads += 10; },
        [&] {
            ++saves;
            savedSeesValues =
                TSafeRegistry::ReadIntegerAt(KeyPath(QStringLiteral("Main")), "LastTip", 0) == 42;
        });
    GlobalSettings().Main.LastTip = 42;
    SaveGlobalSettings();
    LoadGlobalSettings();
    EXPECT_EQ(loads, 10);
    EXPECT_EQ(saves, 1);
    EXPECT_TRUE(savedSeesValues);
    RegisterGlobalSettingsTable("Test Table", {}, {});
    LoadGlobalSettings();
    EXPECT_EQ(loads, 10);
}

TEST_F(GlobalSettingsTest, RunTempFolderUsesTheCustomFolderWithASlash) {
    GlobalSettings().Performance.TempDirDefault = false;
    GlobalSettings().Performance.TempDirCustom = home.Path() + "custom/deeper";
    const QString folder = MakeRunTempFolder();
    ASSERT_FALSE(folder.isEmpty());
    const QString prefix = home.Path() + "custom/deeper/~Tarnovex-";
    ASSERT_TRUE(folder.startsWith(prefix)) << folder.toStdString();
    ASSERT_TRUE(folder.endsWith('/'));
    bool numeric = false;
    folder.mid(prefix.size()).chopped(1).toLongLong(&numeric);
    EXPECT_TRUE(numeric) << folder.toStdString();
    EXPECT_TRUE(QFileInfo(folder).isDir());
    QDir(folder).removeRecursively();
}

TEST_F(GlobalSettingsTest, RunTempFolderBaseFallsBackToTmp) {
    GlobalSettings().Performance.TempDirDefault = false;
    GlobalSettings().Performance.TempDirCustom.clear();
    const QString folder = MakeRunTempFolder();
    ASSERT_TRUE(folder.startsWith("/tmp/~Tarnovex-")) << folder.toStdString();
    EXPECT_TRUE(QFileInfo(folder).isDir());
    QDir().rmdir(folder);

    GlobalSettings().Performance.TempDirDefault = true;
    GlobalSettings().Performance.TempDirCustom = home.Path() + "unused";
    const QString system = MakeRunTempFolder();
    EXPECT_TRUE(system.startsWith(QDir::tempPath() + "/~Tarnovex-")) << system.toStdString();
    QDir().rmdir(system);
}

TEST_F(GlobalSettingsTest, RunTempFoldersAreDistinctAndSkipTakenNumbers) {
    GlobalSettings().Performance.TempDirDefault = false;
    GlobalSettings().Performance.TempDirCustom = home.Path() + "runs/";
    const QString first = MakeRunTempFolder();
    const QString second = MakeRunTempFolder();
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    EXPECT_NE(first, second);
    // Folders another process may already have made for the next numbers are not reused.
    const QString prefix = home.Path() + "runs/~Tarnovex-";
    const qint64 last = second.mid(prefix.size()).chopped(1).toLongLong();
    for (qint64 n = last + 1; n < last + 1000; ++n)
        QDir().mkdir(prefix + QString::number(n));
    const QString third = MakeRunTempFolder();
    ASSERT_FALSE(third.isEmpty());
    EXPECT_GE(third.mid(prefix.size()).chopped(1).toLongLong(), last + 1000);
}

TEST_F(GlobalSettingsTest, RunTempFolderFailsWhenTheBaseCannotBeMade) {
    home.WriteFile("plain-file", "x");
    GlobalSettings().Performance.TempDirDefault = false;
    GlobalSettings().Performance.TempDirCustom = home.File("plain-file") + "/sub";
    EXPECT_TRUE(MakeRunTempFolder().isEmpty());
}
