#include <QRegularExpression>
#include <set>

#include "fixtures/TempHome.h"
#include "model/Task.h"
#include "model/TaskPaths.h"
#include "settings/GlobalSettings.h"

namespace {

TSourceFolder SF(const QString& folder, bool includeSubfolders) {
    TSourceFolder item;
    item.Folder = folder;
    item.IncludeSubfolders = includeSubfolders;
    return item;
}

class TaskTest : public TarnovexTest {
protected:
    void SetUp() override { ResetGlobalSettings(); }
    void TearDown() override {
        ResetGlobalSettings();
        SetCompressorExtensionLookup({});
        SetEncryptorExtensionLookup({});
        TarnovexTest::TearDown();
    }

    static TTask LocalTask(const QStringList& sources, const QString& destination) {
        TTask task;
        for (const QString& source : sources)
            task.SourceFolders.push_back(SF(source, true));
        task.DestLocal = destination;
        return task;
    }
};

class TFakePrompt : public TPasswordPrompt {
public:
    bool confirm = true;
    QString answer;
    int asked = 0;
    QString askedTitle, askedReminder, errorTitle, errorText;
    bool Ask(const QString& title, const QString& reminder, QString& typed) override {
        ++asked;
        askedTitle = title;
        askedReminder = reminder;
        typed = answer;
        return confirm;
    }
    void ShowInformation(const QString&, const QString&) override {}
    void ShowError(const QString& title, const QString& text) override {
        errorTitle = title;
        errorText = text;
    }
};

}  // namespace

TEST_F(TaskTest, NewTaskHasNewTaskValues) {
    const TDateTime now = DateTime::Encode(2024, 5, 6, 7, 8, 9);
    DateTime::SetClock([now] { return now; });
    const TTask task;
    EXPECT_EQ(task.Name, "Untitled");
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-E]{21}$")).match(task.ID).hasMatch())
        << task.ID.toStdString();
    EXPECT_EQ(task.TaskAction, TTaskAction::taBackup);
    EXPECT_EQ(task.DestType, TDestKind::dkLocal);
    EXPECT_EQ(task.CompressType, "BUILTIN");
    EXPECT_EQ(task.CryptType, "RC4 (128 Bit)");
    EXPECT_EQ(task.CompressLevel, 7);
    EXPECT_EQ(task.Subject, "Automatic Backup Notification");
    EXPECT_EQ(task.VersionsKeepArcFolder, "%destination%File Versions Archive");
    EXPECT_EQ(task.ArchiveFolder, "%destination%Deleted Files Archive");
    EXPECT_EQ(task.DeleteKind, TDeleteKind::adkLeave);
    EXPECT_EQ(task.FlagAutoResetUnit, TErrorResetUnit::ertuHours);
    EXPECT_EQ(task.DestFTP_ReconnectRetries, 1000);
    EXPECT_EQ(task.Created, now);
    EXPECT_EQ(task.LastRun, 0);
    EXPECT_EQ(task.HotKey, 0);
    EXPECT_EQ(task.BatteryMode, "C");
    EXPECT_EQ(task.CpuPerformance, 2);
    EXPECT_TRUE(task.RunPrograms_UseDefault && task.Dial_UseDefault && task.HardwareProfile_UseDefault &&
                task.Bandwidth_UseDefault && task.Protection_UseDefault && task.Log_UseDefault &&
                task.EventAlerts_UseDefault && task.Performance_UseDefault &&
                task.PowerManagement_UseDefault && task.EmailSettings_UseDefault);
    EXPECT_TRUE(task.SourceFolders.empty() && task.Filters.empty() && task.Schedule.empty());
    EXPECT_FALSE(task.IsRunning || task.ErrorFlag || task.EditLock || task.StartedManually);

    // The dialog/balloon table of a new task, and the channels every event shares.
    const auto& a = task.EventAlerts;
    using S = TAlertSet;
    using E = TAlertEventKind;
    EXPECT_TRUE(AlertOf(a, S::Scheduled, E::Start).Balloon);
    EXPECT_FALSE(AlertOf(a, S::Scheduled, E::Start).Dialog);
    EXPECT_FALSE(AlertOf(a, S::Manual, E::Start).Balloon);
    EXPECT_TRUE(AlertOf(a, S::Silent, E::File).Balloon);
    EXPECT_TRUE(AlertOf(a, S::Silent, E::DiskSpan).Balloon);
    EXPECT_FALSE(AlertOf(a, S::Silent, E::DiskSpan).Dialog);
    EXPECT_TRUE(AlertOf(a, S::Manual, E::DiskSpan).Dialog);
    EXPECT_FALSE(AlertOf(a, S::Silent, E::Finish).Balloon);
    int dialogs = 0, balloons = 0;
    for (const auto& set : a)
        for (const auto& c : set) {
            dialogs += c.Dialog;
            balloons += c.Balloon;
            EXPECT_FALSE(c.Sound || c.EmailUse);
            EXPECT_TRUE(c.EmailSendLog);
            EXPECT_TRUE(c.SoundFile.isEmpty() && c.Email.isEmpty());
        }
    EXPECT_EQ(dialogs, 2);
    EXPECT_EQ(balloons, 11);
}

TEST_F(TaskTest, GeneratedIdsUseFifteenSymbolsAndNeverF) {
    std::set<QChar> seen;
    std::set<QString> ids;
    TTask task;
    for (int i = 0; i < 300; ++i) {
        task.GenerateId();
        ASSERT_EQ(task.ID.size(), 21);
        ids.insert(task.ID);
        for (const QChar c : task.ID)
            seen.insert(c);
    }
    EXPECT_EQ(ids.size(), 300u);
    EXPECT_EQ(seen.size(), 15u);
    EXPECT_EQ(seen.count(QLatin1Char('F')), 0u);
}

TEST_F(TaskTest, EffectiveValuesFollowUseDefaultPerGroup) {
    TTasksDefaults& d = GlobalSettings().TasksDefaults;
    d.RunBefore = true;
    d.RunBeforeProgramName = "global-before";
    d.DialEntry = "global-dial";
    d.HardwareSkipList = "global-hw";
    d.BandwidthUse = true;
    d.BandwidthValue = 77;
    d.BandwidthMeasure = "KBits";
    d.Password = "global-pw";
    d.PasswordReminder = "global-rem";
    d.LogFileName = "global.log";
    d.LogIncludeFtp = false;
    d.LogMaxSize = 12;
    d.EmailSmtpServer = "smtp.global";
    d.EmailSubject = "global subject";
    d.EmailTo = "global-to";
    AlertOf(d.Events, TAlertSet::Manual, TAlertEventKind::Start).Balloon = true;

    TTask task;
    task.BeforeProgramName = "own-before";
    task.DialEntry = "own-dial";
    task.SkipList = "own-hw";
    task.Bandwidth_Value = 5;
    task.Protection_Password = "own-pw";
    task.Log_FileName = "own.log";
    task.SmtpServer = "smtp.own";
    task.To = "own-to";

    EXPECT_EQ(task.EffectiveRunPrograms().BeforeProgramName, "global-before");
    EXPECT_TRUE(task.EffectiveRunPrograms().Before);
    EXPECT_EQ(task.EffectiveDialEntry(), "global-dial");
    EXPECT_EQ(task.EffectiveHardwareSkipList(), "global-hw");
    EXPECT_EQ(task.EffectiveBandwidth().Value, 77);
    EXPECT_EQ(task.EffectiveBandwidth().MeasureKind, TBandwidthMeasure::bmkKBits);
    EXPECT_EQ(task.EffectiveProtection().Password, "global-pw");
    EXPECT_EQ(task.EffectiveProtection().Reminder, "global-rem");
    EXPECT_EQ(task.EffectiveLog().FileName, "global.log");
    EXPECT_FALSE(task.EffectiveLog().IncludeFtp);
    EXPECT_EQ(task.EffectiveLog().MaxSize, 12);
    EXPECT_EQ(task.EffectiveEmailSettings().SmtpServer, "smtp.global");
    EXPECT_EQ(task.EffectiveEmailSettings().Subject, "global subject");
    EXPECT_EQ(task.EffectiveEmailSettings().To, "own-to");  // never from the defaults
    EXPECT_TRUE(task.EffectiveAlert(TAlertSet::Manual, TAlertEventKind::Start).Balloon);

    task.RunPrograms_UseDefault = task.Dial_UseDefault = task.HardwareProfile_UseDefault = false;
    task.Bandwidth_UseDefault = task.Protection_UseDefault = task.Log_UseDefault = false;
    task.EmailSettings_UseDefault = task.EventAlerts_UseDefault = false;
    EXPECT_EQ(task.EffectiveRunPrograms().BeforeProgramName, "own-before");
    EXPECT_FALSE(task.EffectiveRunPrograms().Before);
    EXPECT_TRUE(task.EffectiveRunPrograms().AfterWaitProgram);
    EXPECT_EQ(task.EffectiveDialEntry(), "own-dial");
    EXPECT_EQ(task.EffectiveHardwareSkipList(), "own-hw");
    EXPECT_EQ(task.EffectiveBandwidth().Value, 5);
    EXPECT_EQ(task.EffectiveBandwidth().MeasureKind, TBandwidthMeasure::bmkMBits);
    EXPECT_EQ(task.EffectiveProtection().Password, "own-pw");
    EXPECT_EQ(task.EffectiveLog().FileName, "own.log");
    EXPECT_TRUE(task.EffectiveLog().IncludeFtp);
    EXPECT_EQ(task.EffectiveEmailSettings().SmtpServer, "smtp.own");
    EXPECT_EQ(task.EffectiveEmailSettings().Subject, "Automatic Backup Notification");
    // Each set's start balloon follows the task's own field of that set, independent of its dialog.
    EXPECT_FALSE(task.EffectiveAlert(TAlertSet::Manual, TAlertEventKind::Start).Balloon);
    task.EventAlerts[1][0].Balloon = true;
    task.EventAlerts[0][0].Balloon = false;
    EXPECT_TRUE(task.EffectiveAlert(TAlertSet::Manual, TAlertEventKind::Start).Balloon);
    EXPECT_FALSE(task.EffectiveAlert(TAlertSet::Scheduled, TAlertEventKind::Start).Balloon);
    EXPECT_FALSE(task.EffectiveAlert(TAlertSet::Manual, TAlertEventKind::Start).Dialog);
}

TEST_F(TaskTest, GlobalBandwidthMeasureOnlyExactKBitsIsKilobits) {
    TTask task;
    for (const char* text : {"kbits", "KBit", "", "MBits", "bmkKBits"}) {
        GlobalSettings().TasksDefaults.BandwidthMeasure = QString::fromLatin1(text);
        EXPECT_EQ(task.EffectiveBandwidth().MeasureKind, TBandwidthMeasure::bmkMBits) << text;
    }
}

TEST_F(TaskTest, AlertSetChoice) {
    TTask task;
    EXPECT_EQ(task.AlertSet(false), TAlertSet::Scheduled);
    task.StartedManually = true;
    EXPECT_EQ(task.AlertSet(false), TAlertSet::Manual);
    EXPECT_EQ(task.AlertSet(true), TAlertSet::Silent);
}

TEST(TaskPaths, StripRootForLinuxDriveAndUncForms) {
    EXPECT_EQ(StripRoot("/home/ann/Docs/"), "home/ann/Docs/");
    EXPECT_EQ(StripRoot("/"), "");
    EXPECT_EQ(StripRoot("/a"), "");
    EXPECT_EQ(StripRoot("/ab"), "ab");
    EXPECT_EQ(StripRoot("C:\\Data\\Docs\\"), "Data\\Docs\\");
    EXPECT_EQ(StripRoot("D:\\A\\"), "A\\");
    EXPECT_EQ(StripRoot("C:\\"), "");
    EXPECT_EQ(StripRoot("\\\\srv\\share\\rest\\x"), "rest\\x");
    EXPECT_EQ(StripRoot("\\\\srv\\share"), "");
    EXPECT_EQ(StripRoot("relative/path"), "");
    EXPECT_EQ(StripRoot(""), "");
}

TEST(TaskPaths, FtpAddressParsing) {
    TFtpAddress a = ParseFtpAddress(" ftp://ann:se:cr@t@files.example.org:2121/pub/x ");
    EXPECT_EQ(a.Host, "files.example.org");
    EXPECT_EQ(a.User, "ann");
    EXPECT_EQ(a.Password, "se:cr@t");
    EXPECT_EQ(a.Port, 2121);
    EXPECT_EQ(a.Folder, "/pub/x");

    a = ParseFtpAddress("FTP://host");
    EXPECT_EQ(a.Host, "host");
    EXPECT_EQ(a.Port, 0);
    EXPECT_TRUE(a.User.isEmpty() && a.Password.isEmpty() && a.Folder.isEmpty());

    a = ParseFtpAddress("[::1]:990/f");
    EXPECT_EQ(a.Host, "::1");
    EXPECT_EQ(a.Port, 990);

    // Junk never crashes and gives no port.
    for (const char* junk :
         {"", "ftp://", ":", "@", "@:", "host:99999", "host:-5", "host:abc", "[::1", "///"}) {
        const TFtpAddress j = ParseFtpAddress(QString::fromLatin1(junk));
        EXPECT_EQ(j.Port, 0) << junk;
    }
    EXPECT_EQ(NormalizeFtpPath("  a\\b\\c "), "/a/b/c");
    EXPECT_EQ(NormalizeFtpPath("/x/"), "/x/");
}

TEST_F(TaskTest, FtpEffectiveValues) {
    TTask task;
    task.DestType = TDestKind::dkFtp;
    task.DestFTP_Address = "ftp://user:pw@host.example:2121/remote";
    task.DestFTP_Port = 0;
    EXPECT_EQ(task.EffectiveFtpHost(), "host.example");
    EXPECT_EQ(task.EffectiveFtpPort(), 2121);
    EXPECT_EQ(task.EffectiveFtpFolder(), "/remote");
    EXPECT_EQ(task.EffectiveFtpLogin(), "user");
    EXPECT_EQ(task.EffectiveFtpPassword(), "pw");
    EXPECT_EQ(task.DestinationCaption(), "ftp://host.example/remote/:2121");

    task.DestFTP_Port = 21;
    task.DestFTP_Folder = "  own\\dir  ";
    task.DestFTP_Login = " bob ";
    task.DestFTP_Password = "  ";
    EXPECT_EQ(task.EffectiveFtpPort(), 21);
    EXPECT_EQ(task.EffectiveFtpFolder(), "own\\dir");
    EXPECT_EQ(task.EffectiveFtpLogin(), "bob");
    EXPECT_EQ(task.EffectiveFtpPassword(), "pw");
    EXPECT_EQ(task.FtpDestinationFolder(-1), "/own/dir/");

    task.SourceFolders.push_back(SF("/home/ann/Docs", true));
    task.KeepStructureFromRoot = true;
    EXPECT_EQ(task.FtpDestinationFolder(0), "/own/dir/home/ann/Docs/");
    EXPECT_EQ(task.FtpDestinationPathOf("/home/ann/Docs/sub/f.txt"), "/own/dir/home/ann/Docs/sub/f.txt");

    TTask blank;
    blank.DestType = TDestKind::dkFtp;
    EXPECT_EQ(blank.FtpDestinationFolder(-1), "/");
}

TEST_F(TaskTest, SourceAndDestinationPaths) {
    TTask task = LocalTask({"/home/ann/Docs", "/srv/data/"}, "/backup");
    EXPECT_EQ(task.SourceFolderCount(), 2);
    EXPECT_EQ(task.SourceFolderPath(0), "/home/ann/Docs/");
    EXPECT_EQ(task.SourceFolderPath(1), "/srv/data/");
    EXPECT_EQ(task.SourceFolderPath(2), "");
    EXPECT_EQ(task.SourceFolderPath(-1), "");
    EXPECT_FALSE(task.IncludeSubfolders(5));
    EXPECT_EQ(task.DestinationFolder(-1), "/backup/");
    EXPECT_EQ(task.DestinationFolder(1), "/backup/");
    EXPECT_EQ(task.DestinationPathOf("/srv/data/a/b.txt"), "/backup/a/b.txt");
    EXPECT_EQ(task.SourcePathOf("/backup/a/b.txt"), "/home/ann/Docs/a/b.txt");
    EXPECT_EQ(task.IndexFileName(), task.ID + ".idx");

    task.KeepStructureFromRoot = true;
    task.ClearPathCaches();
    EXPECT_EQ(task.DestinationFolder(1), "/backup/srv/data/");
    EXPECT_EQ(task.DestinationPathOf("/srv/data/a/b.txt"), "/backup/srv/data/a/b.txt");
    task.TaskAction = TTaskAction::taSynchronize;
    EXPECT_EQ(task.DestinationFolder(1), "/backup/");

    // Paths of the other platform map both drives into the same sub-folder.
    TTask imported = LocalTask({"C:\\A\\", "D:\\A\\"}, "/backup");
    imported.KeepStructureFromRoot = true;
    EXPECT_EQ(imported.DestinationFolder(0), imported.DestinationFolder(1));
    EXPECT_TRUE(imported.DestinationFolder(0).startsWith("/backup/A\\"));
}

TEST_F(TaskTest, FindSourceFolderIsExactAndAnchored) {
    TTask task = LocalTask({"/a/", "/backup/a/", "/Data/"}, "/x");
    EXPECT_EQ(task.FindSourceFolder("/backup/a/x.txt"), 1);
    EXPECT_EQ(task.FindSourceFolder("/a/x.txt"), 0);
    EXPECT_EQ(task.FindSourceFolder("/a"), 0);  // the folder itself, with the separator added
    EXPECT_EQ(task.FindSourceFolder("/data/x.txt"), -1);
    EXPECT_EQ(task.FindSourceFolder("/Data/x.txt"), 2);
    EXPECT_EQ(task.FindSourceFolder("/ab/x.txt"), -1);
}

TEST_F(TaskTest, PathCachesHoldUntilCleared) {
    DateTime::SetClock([] { return DateTime::Encode(2024, 1, 2, 3, 4, 5); });
    TTask task = LocalTask({"/src/%Date%"}, "/dst/%Date%");
    EXPECT_EQ(task.SourceFolderPath(0), "/src/20240102/");
    EXPECT_EQ(task.DestinationFolder(-1), "/dst/20240102/");
    DateTime::SetClock([] { return DateTime::Encode(2024, 1, 3, 3, 4, 5); });
    EXPECT_EQ(task.SourceFolderPath(0), "/src/20240102/");
    EXPECT_EQ(task.DestinationFolder(-1), "/dst/20240102/");
    task.ClearPathCaches();
    EXPECT_EQ(task.SourceFolderPath(0), "/src/20240103/");
    EXPECT_EQ(task.DestinationFolder(-1), "/dst/20240103/");
}

TEST_F(TaskTest, ArchiveFoldersAndFileNames) {
    TTask task = LocalTask({"/src"}, "/dst");
    EXPECT_EQ(task.VersionsArchiveFolder(), "n/a");
    EXPECT_EQ(task.DeletedArchiveFolder(), "n/a");
    task.VersionsKeepType = TVersionsKeepKind::vkArcFolder;
    task.DeleteKind = TDeleteKind::adkMoveArcFolder;
    EXPECT_EQ(task.VersionsArchiveFolder(), "/dst/File Versions Archive/");
    EXPECT_EQ(task.DeletedArchiveFolder(), "/dst/Deleted Files Archive/");
    task.DeleteKind = TDeleteKind::adkMoveSameFolder;
    EXPECT_EQ(task.DeletedArchiveFolder(), "n/a");

    TTask ftp;
    ftp.DestType = TDestKind::dkFtp;
    ftp.DestFTP_Address = "host/base";
    ftp.VersionsKeepType = TVersionsKeepKind::vkArcFolder;
    ftp.VersionsKeepArcFolder = "%destination%Versions/";
    EXPECT_EQ(ftp.VersionsArchiveFolder(), "/base/Versions");

    task.CompressFilename = "arc-%Year%.zip";
    DateTime::SetClock([] { return DateTime::Encode(2023, 6, 1); });
    EXPECT_EQ(task.ArchiveFileName(), "/dst/arc-2023.zip");
    SetEncryptorExtensionLookup([](const QString& name) { return name == "RC4 (128 Bit)" ? "rc4" : "?"; });
    EXPECT_EQ(task.EncryptedArchiveFileName(), "/dst/arc-2023.rc4");
    task.CompressFilename = "noext";
    task.ClearPathCaches();
    EXPECT_EQ(task.EncryptedArchiveFileName(), "/dst/noext.rc4");

    EXPECT_EQ(task.WithProcessingExtension("f.txt"), "f.txt");
    task.CompressUse = true;
    EXPECT_EQ(task.WithProcessingExtension("f.txt"), "f.txt.zip");
    task.CryptUse = true;
    EXPECT_EQ(task.WithProcessingExtension("f.txt"), "f.txt.rc4");
    task.TaskAction = TTaskAction::taSynchronize;
    EXPECT_EQ(task.WithProcessingExtension("f.txt"), "f.txt");
    EXPECT_FALSE(task.CompressionActive());
    EXPECT_FALSE(task.EncryptionActive());
    EXPECT_TRUE(task.ArchivesApplicable());
    task.TaskAction = TTaskAction::taMove;
    EXPECT_FALSE(task.ArchivesApplicable());
    SetCompressorExtensionLookup([](const QString&) { return QStringLiteral("7z"); });
    task.CryptUse = false;
    EXPECT_EQ(task.WithProcessingExtension("f"), "f.7z");
}

TEST_F(TaskTest, Captions) {
    TTask task = LocalTask({"/one", "/two"}, "/dst");
    EXPECT_EQ(task.ActionCaption(), "Backup");
    task.CompressUse = true;
    EXPECT_EQ(task.ActionCaption(), "Backup (Compress)");
    task.CryptUse = true;
    EXPECT_EQ(task.ActionCaption(), "Backup (Compress + Encrypt)");
    task.CompressUse = false;
    task.TaskAction = TTaskAction::taMove;
    EXPECT_EQ(task.ActionCaption(), "Move (Encrypt)");
    task.TaskAction = TTaskAction::taSynchronize;
    task.CompressUse = true;
    EXPECT_EQ(task.ActionCaption(), "Synchronize");

    EXPECT_EQ(task.SourceCaption(), "/one/...");
    task.SourceFolders.pop_back();
    EXPECT_EQ(task.SourceCaption(), "/one/");
    task.SourceFolders.clear();
    EXPECT_EQ(task.SourceCaption(), "");

    task.DestLocal = "/dst/%Year%";
    EXPECT_EQ(task.DestinationCaption(), "/dst/%Year%/");
    task.DestType = TDestKind::dkCdDvd;
    EXPECT_EQ(task.DestinationCaption(), "CD/DVD");
    task.DestType = TDestKind::dkEmail;
    EXPECT_EQ(task.DestinationCaption(), "Email: ");
}

TEST_F(TaskTest, StatusAndProgress) {
    TTask task;
    EXPECT_EQ(task.StatusImageIndex(), -1);
    task.ErrorFlag = true;
    EXPECT_EQ(task.StatusImageIndex(), 7);
    task.IsRunning = true;
    EXPECT_EQ(task.StatusImageIndex(), 3);
    task.Suspended = true;
    EXPECT_EQ(task.StatusImageIndex(), 4);

    EXPECT_EQ(task.ProgressPercent(1, 3), "33");
    EXPECT_EQ(task.ProgressPercent(5, 0), "");
    EXPECT_EQ(task.ProgressPercent(Q_INT64_C(9000000000000000000), Q_INT64_C(9000000000000000000)), "100");
    EXPECT_EQ(task.CurrentFileCaption("/x"), "/x");
    task.IsRunning = false;
    EXPECT_EQ(task.ProgressPercent(1, 3), "");
    EXPECT_EQ(task.CurrentFileCaption("/x"), "");
}

TEST_F(TaskTest, ValidateBlankSourceAndBlankDestination) {
    TTask task = LocalTask({""}, "");
    EXPECT_EQ(task.Validate(), "Invalid source folder (/)!; Invalid destination folder ()!");
}

TEST_F(TaskTest, ValidateFtpWithoutSourcesSkipsDestinationChecks) {
    TTask task;
    task.DestType = TDestKind::dkFtp;
    EXPECT_EQ(task.Validate(), "No source folder(s) defined!");
    task.SourceFolders.push_back(SF("/src", true));
    EXPECT_EQ(task.Validate(), "");
}

TEST_F(TaskTest, ValidateArchiveName) {
    TTask task = LocalTask({"/src"}, "/dst");
    task.CompressUse = true;
    task.CompressFilename = "  ";
    EXPECT_EQ(task.Validate(), "Invalid archive file name \"  \"!");
    task.CompressSeparate = true;
    EXPECT_EQ(task.Validate(), "");
    task.CompressSeparate = false;
    task.TaskAction = TTaskAction::taSynchronize;
    EXPECT_EQ(task.Validate(), "");
}

TEST_F(TaskTest, ValidateDestinationUnderSource) {
    const QString under = "Destination folder can't be placed under Source folder path!";
    EXPECT_EQ(LocalTask({"/data/"}, "/data/Backup").Validate(), under);
    EXPECT_EQ(LocalTask({"/data"}, "/data").Validate(), under);
    EXPECT_EQ(LocalTask({"/data/", "/data/Backup"}, "/data/Backup/x").Validate(), under + "; " + under);
    // Case matters on this system, the separator ends each path, and the source must be a prefix.
    EXPECT_EQ(LocalTask({"/Data/"}, "/data/Backup").Validate(), "");
    EXPECT_EQ(LocalTask({"/dat/"}, "/data/Backup").Validate(), "");
    EXPECT_EQ(LocalTask({"/a/"}, "/backup/a/x").Validate(), "");
    EXPECT_EQ(LocalTask({"/data/Backup/sub"}, "/data/Backup").Validate(), "");
}

TEST_F(TaskTest, VerifyEditPassword) {
    TTask task;
    TFakePrompt prompt;
    EXPECT_TRUE(task.VerifyEditPassword(prompt));
    EXPECT_EQ(prompt.asked, 0);

    GlobalSettings().TasksDefaults.Password = "Secret";
    GlobalSettings().TasksDefaults.PasswordReminder = "the usual";
    prompt.answer = "Secret";
    EXPECT_TRUE(task.VerifyEditPassword(prompt));
    EXPECT_EQ(prompt.askedTitle, "Enter password to continue");
    EXPECT_EQ(prompt.askedReminder, "the usual");

    prompt.answer = "secret";
    EXPECT_FALSE(task.VerifyEditPassword(prompt));
    EXPECT_EQ(prompt.errorTitle, "Error");
    EXPECT_EQ(prompt.errorText, "Invalid password.");

    prompt.errorText.clear();
    prompt.answer = "Secret";
    prompt.confirm = false;
    EXPECT_FALSE(task.VerifyEditPassword(prompt));
    EXPECT_TRUE(prompt.errorText.isEmpty());

    // The task's own password applies once its group stops using the defaults.
    task.Protection_UseDefault = false;
    prompt.confirm = true;
    prompt.asked = 0;
    EXPECT_TRUE(task.VerifyEditPassword(prompt));
    EXPECT_EQ(prompt.asked, 0);
}

TEST_F(TaskTest, ErrorFlagAutomaticReset) {
    TTask task;
    const TDateTime monday = DateTime::Encode(2024, 3, 4, 10, 0, 0);
    task.FlagAutoResetUnit = TErrorResetUnit::ertuDays;
    task.FlagAutoResetValue = 2;
    task.RaiseErrorFlag(monday);
    EXPECT_DOUBLE_EQ(task.ErrorFlagResetTime(), monday + 2);
    EXPECT_FALSE(task.ResetErrorFlagIfExpired(DateTime::Encode(2024, 3, 6, 9, 59, 59)));
    EXPECT_TRUE(task.ErrorFlag);
    EXPECT_TRUE(task.ResetErrorFlagIfExpired(DateTime::Encode(2024, 3, 6, 10, 0, 0)));
    EXPECT_FALSE(task.ErrorFlag);
    EXPECT_EQ(task.ErrorFlagTime, 0);
    EXPECT_FALSE(task.ResetErrorFlagIfExpired(DateTime::Encode(2024, 3, 9)));

    // Seconds: exactly at the reset time counts despite the rounding of the sum.
    task.FlagAutoResetUnit = TErrorResetUnit::ertuSeconds;
    task.FlagAutoResetValue = 7;
    task.RaiseErrorFlag(monday);
    EXPECT_FALSE(task.ResetErrorFlagIfExpired(DateTime::Encode(2024, 3, 4, 10, 0, 6)));
    EXPECT_TRUE(task.ResetErrorFlagIfExpired(DateTime::Encode(2024, 3, 4, 10, 0, 7)));

    task.FlagAutoResetUnit = TErrorResetUnit::ertuMinutes;
    task.RaiseErrorFlag(monday);
    EXPECT_TRUE(DateTime::SameTime(task.ErrorFlagResetTime(), DateTime::Encode(2024, 3, 4, 10, 7, 0)));
    task.FlagAutoReset = false;
    EXPECT_FALSE(task.ResetErrorFlagIfExpired(DateTime::Encode(2030, 1, 1)));
    EXPECT_TRUE(task.ErrorFlag);

    task.FlagAutoResetUnit = static_cast<TErrorResetUnit>(9);
    EXPECT_EQ(task.ErrorFlagResetTime(), 0);

    // A new task clears its flag one hour after it was raised.
    TTask fresh;
    fresh.RaiseErrorFlag(monday);
    EXPECT_FALSE(fresh.ResetErrorFlagIfExpired(DateTime::Encode(2024, 3, 4, 10, 59, 59)));
    EXPECT_TRUE(fresh.ResetErrorFlagIfExpired(DateTime::Encode(2024, 3, 4, 11, 0, 0)));
}
