#include <gtest/gtest.h>

#include <QFile>

#include "fixtures/TempHome.h"
#include "legacy/LegacyTestSupport.h"
#include "legacy/Ombrisave1x.h"
#include "model/Task.h"

namespace {

class Projects1x : public TarnovexTest {
protected:
    void SetUp() override {
        DateTime::SetClock([] { return DateTime::Encode(2026, 3, 15, 10, 0, 0); });
    }

    // Reads bytes with the German locale and the default code page.
    TImportDataOmbrisave1x Read(const QByteArray& bytes, QStringList& errors,
                                TOmbrisave1xOptions options = GermanOptions()) {
        TImportDataOmbrisave1x data(options);
        data.LoadFromBytes(bytes, QStringLiteral("Ombrisave.dat"), errors);
        return data;
    }
    static TOmbrisave1xOptions GermanOptions() {
        TOmbrisave1xOptions options;
        options.locale = Legacy::TLegacyLocale::German();
        return options;
    }
    static const TImportItemOmbrisave1x& Item(const TImportDataOmbrisave1x& data, size_t i) {
        return static_cast<const TImportItemOmbrisave1x&>(*data.Items.at(i));
    }
    static std::unique_ptr<TTask> TaskOf(const TProjectSpec& spec) {
        QStringList errors;
        TImportDataOmbrisave1x data(GermanOptions());
        data.LoadFromBytes(ProjectsFile({spec}), QStringLiteral("x"), errors);
        EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(data.Items.size(), 1u);
        return data.Items.empty() ? nullptr : data.Items[0]->CreateTaskForImport();
    }
};

}  // namespace

TEST_F(Projects1x, FileProblemsAreReportedByNameAndYieldNothing) {
    QStringList errors;
    TImportDataOmbrisave1x missing;
    missing.Load(home.File(QStringLiteral("nothing.dat")), errors);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0], QStringLiteral("Ombrisave projects file \"%1\" not found.")
                             .arg(home.File(QStringLiteral("nothing.dat"))));

    errors.clear();
    QByteArray wrong = ProjectsFile({TProjectSpec()});
    wrong[5] = 'X';
    EXPECT_TRUE(Read(wrong, errors).Items.empty());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0], QStringLiteral("Ombrisave projects file \"Ombrisave.dat\" corrupted or it's not "
                                        "Ombrisave file format."));

    // The signature includes its escape byte.
    errors.clear();
    QByteArray noEscape = ProjectsFile({TProjectSpec()});
    noEscape[kOmbrisave1xSignature.size() - 1] = ' ';
    EXPECT_TRUE(Read(noEscape, errors).Items.empty());
    EXPECT_EQ(errors.size(), 1);

    // A file far larger than any projects file is refused without being read.
    errors.clear();
    const QString big = home.WriteFile(QStringLiteral("big.dat"), ProjectsFile({TProjectSpec()}));
    ASSERT_TRUE(QFile::resize(big, kOmbrisave1xMaxFileSize + 1));
    TImportDataOmbrisave1x huge(GermanOptions());
    huge.Load(big, errors);
    EXPECT_TRUE(huge.Items.empty());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("corrupted"))) << errors[0].toStdString();

    // A real file on disk is read the same as its bytes.
    errors.clear();
    TImportDataOmbrisave1x onDisk(GermanOptions());
    onDisk.Load(
        home.WriteFile(QStringLiteral("Ombrisave.dat"), ProjectsFile({TProjectSpec(), TProjectSpec()})),
        errors);
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(onDisk.Items.size(), 2u);
}

TEST_F(Projects1x, CountsAreCheckedBeforeAnythingIsRead) {
    for (const qint32 count : {1001, 0x7FFFFFFF}) {
        TProjectsFileWriter w;
        w.Ini({}).Int(count);
        TProjectSpec().WriteTo(w);
        QStringList errors;
        EXPECT_TRUE(Read(w.Data(), errors).Items.empty());
        EXPECT_EQ(errors, QStringList{QStringLiteral("Projects file corrupted!")});
    }
    for (const qint32 count : {0, -1, static_cast<qint32>(0x80000000)}) {
        TProjectsFileWriter w;
        w.Ini({}).Int(count);
        QStringList errors;
        EXPECT_TRUE(Read(w.Data(), errors).Items.empty());
        EXPECT_TRUE(errors.isEmpty());
    }
    // A filter or schedule list over the limit stops the file; the projects before it stay.
    for (const bool inSchedule : {false, true}) {
        TProjectsFileWriter w;
        w.Ini({}).Int(2);
        TProjectSpec().WriteTo(w);
        w.Str(QStringLiteral("Second")).Str(QStringLiteral("ID2")).Str(QStringLiteral("btSimpleCopy"));
        w.Str(QStringLiteral("C:\\")).Byte(1).Str(QStringLiteral("D:\\"));
        if (inSchedule)
            w.Int(0).Str(QStringLiteral("shManual"));
        w.Int(1001);
        QStringList errors;
        const auto data = Read(w.Data(), errors);
        ASSERT_EQ(data.Items.size(), 1u);
        EXPECT_EQ(Item(data, 0).Name, QStringLiteral("Documents"));
        EXPECT_EQ(errors,
                  QStringList{QStringLiteral("Projects file corrupted! Please restore it from backup copy "
                                             "(rename \"ombrisave.~dat\" to \"ombrisave.dat\").")});
    }
}

TEST_F(Projects1x, TruncatedFilesKeepTheProjectsReadBeforeTheCut) {
    TProjectSpec second;
    second.name = QStringLiteral("Second");
    second.filters = {{QStringLiteral("[Filter]"), QStringLiteral("fnWildcard=*.txt")}};
    const QByteArray full = ProjectsFile({TProjectSpec(), second}, QStringLiteral("tail line"));
    QStringList errors;
    ASSERT_EQ(Read(full, errors).Items.size(), 2u);
    ASSERT_TRUE(errors.isEmpty());

    // A project is usable once its options block is read; its last two fields (15 bytes here) are not
    // needed. The file without the second project has the same bytes up to where that one starts.
    const qsizetype ignoredTail = 4 + 7 + 4;
    const qsizetype firstUsable = ProjectsFile({TProjectSpec()}).size() - ignoredTail;
    const qsizetype trailing = QByteArray("tail line").size();
    const qsizetype secondUsable = full.size() - trailing - ignoredTail;
    for (qsizetype cut = 0; cut < full.size(); ++cut) {
        QStringList cutErrors;
        const auto data = Read(full.left(cut), cutErrors);
        const size_t expected = cut < firstUsable ? 0u : cut < secondUsable ? 1u : 2u;
        ASSERT_EQ(data.Items.size(), expected) << "cut at " << cut;
        // Every cut before the trailing text is reported; nothing after it is missed.
        EXPECT_EQ(cutErrors.isEmpty(), cut >= full.size() - trailing) << "cut at " << cut;
    }
}

TEST_F(Projects1x, HugeOrNegativeLengthsEndTheReadingWithoutAllocating) {
    for (const qint32 length : {0x7FFFFFFF, 0x40000000, -1, static_cast<qint32>(0x80000000)}) {
        TProjectsFileWriter w;
        w.Ini({}).Int(2);
        TProjectSpec().WriteTo(w);
        w.Int(length).Bytes("short");
        QStringList errors;
        const auto data = Read(w.Data(), errors);
        ASSERT_EQ(data.Items.size(), 1u) << length;
        ASSERT_EQ(errors.size(), 1) << length;
        EXPECT_TRUE(errors[0].contains(QStringLiteral("ends early"))) << errors[0].toStdString();
    }
}

TEST_F(Projects1x, SourceFormsGiveFoldersWithSeparators) {
    TProjectSpec spec;
    spec.source =
        QStringLiteral("!") + Legacy::MakeCommaText({QStringLiteral(">C:\\A"), QStringLiteral("|D:\\B")});
    auto task = TaskOf(spec);
    ASSERT_TRUE(task);
    ASSERT_EQ(task->SourceFolders.size(), 2u);
    EXPECT_EQ(task->SourceFolders[0].Folder, QStringLiteral("C:\\A\\"));
    EXPECT_TRUE(task->SourceFolders[0].IncludeSubfolders);
    EXPECT_EQ(task->SourceFolders[1].Folder, QStringLiteral("D:\\B\\"));
    EXPECT_FALSE(task->SourceFolders[1].IncludeSubfolders);

    // Quoted elements keep blanks and commas; an element without a prefix has no sub-folders.
    spec.source = QStringLiteral("!") +
                  Legacy::MakeCommaText({QStringLiteral(">C:\\My Docs, old\\"), QStringLiteral("E:\\Plain")});
    task = TaskOf(spec);
    ASSERT_EQ(task->SourceFolders.size(), 2u);
    EXPECT_EQ(task->SourceFolders[0].Folder, QStringLiteral("C:\\My Docs, old\\"));
    EXPECT_EQ(task->SourceFolders[1].Folder, QStringLiteral("E:\\Plain\\"));
    EXPECT_FALSE(task->SourceFolders[1].IncludeSubfolders);

    // One folder takes its switch from the byte after it; an empty Source is no folder.
    spec.source = QStringLiteral("C:\\Only");
    spec.subfolders = 0;
    task = TaskOf(spec);
    ASSERT_EQ(task->SourceFolders.size(), 1u);
    EXPECT_EQ(task->SourceFolders[0].Folder, QStringLiteral("C:\\Only\\"));
    EXPECT_FALSE(task->SourceFolders[0].IncludeSubfolders);
    spec.source.clear();
    EXPECT_TRUE(TaskOf(spec)->SourceFolders.empty());
}

TEST_F(Projects1x, BackupTypesMapOntoActionsCompressionAndDeletion) {
    TProjectSpec spec;
    spec.type = QStringLiteral("btCompress");
    spec.destination = QStringLiteral("D:\\Save\\data.zip");
    spec.additional = {QStringLiteral("[Options]"), QStringLiteral("AdvOptionsZipPsw=se cret"),
                       QStringLiteral("AdvOptionsZipCompression=3")};
    auto task = TaskOf(spec);
    EXPECT_TRUE(task->CompressUse);
    EXPECT_FALSE(task->CompressSeparate);
    EXPECT_EQ(task->DestLocal, QStringLiteral("D:\\Save"));
    EXPECT_EQ(task->CompressFilename, QStringLiteral("data.zip"));
    // The archive lands where the old program put it, not in a folder named like it.
    spec.destination = QStringLiteral("/srv/save/data.zip");
    EXPECT_EQ(TaskOf(spec)->ArchiveFileName(), QStringLiteral("/srv/save/data.zip"));
    spec.destination = QStringLiteral("D:\\data.zip");
    EXPECT_EQ(TaskOf(spec)->DestLocal, QStringLiteral("D:\\"));
    spec.destination = QStringLiteral("data.zip");
    EXPECT_EQ(TaskOf(spec)->CompressFilename, QStringLiteral("data.zip"));
    // Only packing projects name a file: a copying project's destination is its folder.
    spec.type = QStringLiteral("btSimpleCopy");
    spec.destination = QStringLiteral("D:\\Save\\data.zip");
    EXPECT_EQ(TaskOf(spec)->DestLocal, QStringLiteral("D:\\Save\\data.zip"));
    EXPECT_EQ(task->CompressPassword, QStringLiteral("se cret"));
    EXPECT_EQ(task->CompressLevel, 3);
    EXPECT_EQ(task->TaskAction, TTaskAction::taBackup);
    EXPECT_EQ(task->DeleteKind, TDeleteKind::adkLeave);

    struct Case {
        const char* type;
        const char* deleteKind;  // nullptr: entry missing
        TTaskAction action;
        TDeleteKind expected;
        const char* caption;
    };
    const Case cases[] = {
        {"btMove", "adkNormal", TTaskAction::taBackup, TDeleteKind::adkLeave, "Move"},
        {"btSynchronize", nullptr, TTaskAction::taSynchronize, TDeleteKind::adkLeave, "Synchronize"},
        {"btExactCopy", "adkNormal", TTaskAction::taBackup, TDeleteKind::adkDelete, "Exact Copy"},
        {"btExactCopy", nullptr, TTaskAction::taBackup, TDeleteKind::adkDeleteRecycle, "Exact Copy"},
        {"btExactCopy", "adkArchive", TTaskAction::taBackup, TDeleteKind::adkMoveArcFolder, "Exact Copy"},
        {"btExactCompress", "adkNormal", TTaskAction::taBackup, TDeleteKind::adkLeave, "Exact Compress"},
    };
    for (const Case& c : cases) {
        TProjectSpec p;
        p.type = QLatin1String(c.type);
        p.additional = {QStringLiteral("[Options]")};
        if (c.deleteKind)
            p.additional.append(QStringLiteral("AdvOptionsArchiveDeleteKind=") + QLatin1String(c.deleteKind));
        QStringList errors;
        const auto data = Read(ProjectsFile({p}), errors);
        ASSERT_EQ(data.Items.size(), 1u);
        EXPECT_EQ(data.Items[0]->GetStrType(), QLatin1String(c.caption));
        auto t = data.Items[0]->CreateTaskForImport();
        EXPECT_EQ(t->TaskAction, c.action) << c.type;
        EXPECT_EQ(t->DeleteKind, c.expected) << c.type << " " << (c.deleteKind ? c.deleteKind : "-");
        EXPECT_EQ(data.Items[0]->GetStrCompress(),
                  QLatin1String(p.type.contains(QLatin1String("Compress")) ? "Yes" : "No"));
    }

    // An unknown type is reported and leaves the simple copy.
    spec = TProjectSpec();
    spec.type = QStringLiteral("btZip");
    QStringList errors;
    const auto data = Read(ProjectsFile({spec}), errors);
    ASSERT_EQ(data.Items.size(), 1u);
    EXPECT_EQ(Item(data, 0).BType, TOmbrisaveBackupType::btSimpleCopy);
    EXPECT_EQ(errors,
              QStringList{QStringLiteral("TImportItemOmbrisave1x.LoadFromStream - unknown \"BType\" type")});
}

TEST_F(Projects1x, OptionsAndDefaultsOfTheAdditionalBlock) {
    TProjectSpec spec;
    auto task = TaskOf(spec);  // empty block: every default
    EXPECT_EQ(task->VersionsKeepType, TVersionsKeepKind::vkNone);
    EXPECT_EQ(task->VersionsKeepArcFolder, QStringLiteral("%destination%File Versions Archive"));
    EXPECT_EQ(task->ArchiveFolder, QStringLiteral("%destination%Deleted Files Archive"));
    EXPECT_TRUE(task->VersionsKeepArcFolderKeepStruct);
    EXPECT_TRUE(task->ArchiveFolderKeepStruct);
    EXPECT_EQ(task->CompressLevel, 7);
    EXPECT_TRUE(task->DoWait);
    EXPECT_EQ(task->WaitSeconds, 30);
    EXPECT_TRUE(task->MonitorFileName);
    EXPECT_TRUE(task->MonitorFolderName);
    EXPECT_FALSE(task->MonitorAttributes);
    EXPECT_TRUE(task->MonitorSize);
    EXPECT_TRUE(task->MonitorLastWrite);
    EXPECT_FALSE(task->MonitorSecurity);
    EXPECT_EQ(task->Name, QStringLiteral("Documents"));
    EXPECT_EQ(task->ID, QStringLiteral("ABC123"));
    EXPECT_EQ(task->DestType, TDestKind::dkLocal);

    spec.additional = {QStringLiteral("[Options]"),
                       QStringLiteral("AdvOptionsVersionsKeep=1"),
                       QStringLiteral("AdvOptionsVersionsFolder=E:\\Versions"),
                       QStringLiteral("AdvOptionsVersionsFilesNum=4"),
                       QStringLiteral("AdvOptionsArchiveKeepDeletedFilesNum=9"),
                       QStringLiteral("AdvOptionsBackupCopyInUseFiles=1"),
                       QStringLiteral("AdvOptionsClearSourceArchiveBit=-1"),
                       QStringLiteral("AdvOptionsKeepStructureFromRoot=yes"),  // not an integer: default
                       QStringLiteral("AdvOptionsRunBefore=1"),
                       QStringLiteral("AdvOptionsRunBeforeProgramName=C:\\pre.bat"),
                       QStringLiteral("[FoldersMonitorOptions]"),
                       QStringLiteral("WaitSeconds=x"),
                       QStringLiteral("DoWait=0"),
                       QStringLiteral("MonitorSecurity=1"),
                       QStringLiteral("[Data]"),
                       QStringLiteral("AdvDataBelongToGroup=Office"),
                       QStringLiteral("AdvDataLastRun=01.02.2005 13:14:15")};
    QStringList errors;
    const auto data = Read(ProjectsFile({spec}), errors);
    const auto& item = Item(data, 0);
    EXPECT_EQ(item.AdvDataLastRun, DateTime::Encode(2005, 2, 1, 13, 14, 15));
    EXPECT_EQ(item.AdvDataCreated, DateTime::Now());
    task = item.CreateTaskForImport();
    EXPECT_EQ(task->VersionsKeepType, TVersionsKeepKind::vkArcFolder);
    EXPECT_EQ(task->VersionsKeepArcFolder, QStringLiteral("E:\\Versions"));
    EXPECT_EQ(task->VersionsKeepFilesNum, 4);
    EXPECT_EQ(task->KeepDeletedFilesNum, 9);
    EXPECT_TRUE(task->BackupCopyInUseFiles);
    EXPECT_TRUE(task->ClearSourceArchiveBit);
    EXPECT_FALSE(task->KeepStructureFromRoot);
    EXPECT_EQ(task->WaitSeconds, 30);
    EXPECT_FALSE(task->DoWait);
    EXPECT_TRUE(task->MonitorSecurity);
    // Group, run programs and last run stay those of a new task.
    EXPECT_TRUE(task->BelongToGroup.isEmpty());
    EXPECT_FALSE(task->Before);
    EXPECT_TRUE(task->BeforeProgramName.isEmpty());
    EXPECT_EQ(task->LastRun, 0);
}

TEST_F(Projects1x, FilterItemsTakeTheOldDefaultsAndCopyEveryField) {
    TProjectSpec spec;
    spec.filters = {
        {QStringLiteral("[Filter]")},
        {QStringLiteral("[Filter]"),
         QStringLiteral("Enabled=0"),
         QStringLiteral("FilterType=fitInclude"),
         QStringLiteral("FilterKind=fikDateTime"),
         QStringLiteral("fnKind=fnkSingleFile"),
         QStringLiteral("fnWildcard=*.doc;*.xls"),
         QStringLiteral("fnSingleFile=C:\\a b.txt"),
         QStringLiteral("frKind=frkEmpty"),
         QStringLiteral("frContains=Temp"),
         QStringLiteral("dtKind=fidtkCreated"),
         QStringLiteral("dtSelector=fidtsDateBetween"),
         QStringLiteral("dtMonths=5"),
         QStringLiteral("dtDays=6"),
         QStringLiteral("dtHours=7"),
         QStringLiteral("dtMinutes=8"),
         QStringLiteral("dtDateBetweenStart=01.02.2004"),
         QStringLiteral("dtDateBetweenEnd=31.12.2004"),
         QStringLiteral("dtTimeBetweenStart=08:30:00"),
         QStringLiteral("dtTimeBetweenEnd=17:45"),
         QStringLiteral("atReadOnly=1"),
         QStringLiteral("atSystem=1"),
         QStringLiteral("szKind=fiskEqual"),
         QStringLiteral("szValue=12"),
         QStringLiteral("szMeasure=szmKilobytes")},
        {QStringLiteral("[Filter]"), QStringLiteral("FilterType=Include"), QStringLiteral("szKind=fiskBogus"),
         QStringLiteral("dtMonths=many"), QStringLiteral("dtDateBetweenStart=not a date")},
    };
    const auto task = TaskOf(spec);
    ASSERT_EQ(task->Filters.size(), 3u);

    const TTaskFilterItem& d = task->Filters[0];
    const TTaskFilterItem fresh;
    EXPECT_TRUE(d.Enabled);
    EXPECT_EQ(d.FilterType, TFilterType::fitExclude);
    EXPECT_EQ(d.FilterKind, TFilterKind::fikFileName);
    EXPECT_EQ(d.fnKind, TFileNameKind::fnkWildcard);
    EXPECT_TRUE(d.fnWildcard.isEmpty());
    EXPECT_EQ(d.frKind, TFolderKind::frkContains);
    EXPECT_EQ(d.dtKind, TDateTimeKind::fidtkModified);
    EXPECT_EQ(d.dtSelector, TDateTimeSelector::fidtsMonths);
    EXPECT_EQ(d.dtMonths, 1);
    EXPECT_EQ(d.dtMinutes, 1);
    EXPECT_EQ(d.dtDateBetweenStart, fresh.dtDateBetweenStart);
    EXPECT_LT(d.dtDateBetweenStart, DateTime::Now() - 360);
    EXPECT_EQ(d.dtDateBetweenEnd, DateTime::Now());
    EXPECT_EQ(d.szKind, TSizeKind::fiskGreaterThan);
    EXPECT_EQ(d.szMeasure, TSizeMeasure::szmMegabytes);
    EXPECT_EQ(d.szValue, 0);

    const TTaskFilterItem& f = task->Filters[1];
    EXPECT_FALSE(f.Enabled);
    EXPECT_EQ(f.FilterType, TFilterType::fitInclude);
    EXPECT_EQ(f.FilterKind, TFilterKind::fikDateTime);
    EXPECT_EQ(f.fnKind, TFileNameKind::fnkSingleFile);
    EXPECT_EQ(f.fnWildcard, QStringLiteral("*.doc;*.xls"));
    EXPECT_EQ(f.fnSingleFile, QStringLiteral("C:\\a b.txt"));
    EXPECT_EQ(f.frKind, TFolderKind::frkEmpty);
    EXPECT_EQ(f.frContains, QStringLiteral("Temp"));
    EXPECT_EQ(f.dtKind, TDateTimeKind::fidtkCreated);
    EXPECT_EQ(f.dtSelector, TDateTimeSelector::fidtsDateBetween);
    EXPECT_EQ(f.dtMonths, 5);
    EXPECT_EQ(f.dtDays, 6);
    EXPECT_EQ(f.dtHours, 7);
    EXPECT_EQ(f.dtMinutes, 8);
    EXPECT_EQ(f.dtDateBetweenStart, DateTime::Encode(2004, 2, 1));
    EXPECT_EQ(f.dtDateBetweenEnd, DateTime::Encode(2004, 12, 31));
    EXPECT_DOUBLE_EQ(f.dtTimeBetweenStart, 8.5 / 24);
    EXPECT_DOUBLE_EQ(f.dtTimeBetweenEnd, 17.75 / 24);
    EXPECT_TRUE(f.atReadOnly);
    EXPECT_FALSE(f.atArchive);
    EXPECT_TRUE(f.atSystem);
    EXPECT_EQ(f.szKind, TSizeKind::fiskEqual);
    EXPECT_EQ(f.szValue, 12);
    EXPECT_EQ(f.szMeasure, TSizeMeasure::szmKilobytes);

    // Unknown texts: only "fitInclude" includes; other enumerations take their last value.
    const TTaskFilterItem& odd = task->Filters[2];
    EXPECT_EQ(odd.FilterType, TFilterType::fitExclude);
    EXPECT_EQ(odd.szKind, TSizeKind::fiskGreaterThan);
    EXPECT_EQ(odd.dtMonths, 1);
    EXPECT_EQ(odd.dtDateBetweenStart, fresh.dtDateBetweenStart);
}

TEST_F(Projects1x, ScheduleItemsAndTheStartKindOfTheProject) {
    TProjectSpec spec;
    spec.scheduleKind = QStringLiteral("shInternalScheduleList");
    spec.schedules = {
        {QStringLiteral("[Schedule]")},
        {QStringLiteral("[Schedule]"), QStringLiteral("Enabled=0"), QStringLiteral("Kind=skWeekly"),
         QStringLiteral("WeeklyEveryNumWeek=ew3rd"), QStringLiteral("WeeklySundays=0"),
         QStringLiteral("WeeklyStartTime=22:15:00"), QStringLiteral("DailyMondays=0"),
         QStringLiteral("MonthlyMarch=0"), QStringLiteral("OnceRunDate=24.12.2006"),
         QStringLiteral("MinutellyValue=45")},
    };
    auto task = TaskOf(spec);
    ASSERT_EQ(task->Schedule.size(), 2u);
    const TTaskScheduleItem& d = task->Schedule[0];
    const TTaskScheduleItem fresh;
    EXPECT_TRUE(d.Enabled);
    EXPECT_EQ(d.Kind, TScheduleKind::skHourly);
    EXPECT_EQ(d.MinutellyValue, 30);
    EXPECT_EQ(d.HourlyValue, 2);
    EXPECT_DOUBLE_EQ(d.DailyStartTime, 9.0 / 24);
    EXPECT_TRUE(d.AtSystemStartupWait);
    EXPECT_EQ(d.AtSystemStartupWaitSecValue, 90);
    EXPECT_EQ(d.AtProgramStartupWaitSecValue, 30);
    EXPECT_FALSE(d.SystemShutdownLimitExecTime);
    EXPECT_EQ(d.SystemShutdownMaxSec, 180);
    EXPECT_EQ(d.OnceRunDate, fresh.OnceRunDate);
    EXPECT_EQ(d.MonthlyWhichDayWeek, TWhichWeekDay::wdMonday);

    const TTaskScheduleItem& w = task->Schedule[1];
    EXPECT_FALSE(w.Enabled);
    EXPECT_EQ(w.Kind, TScheduleKind::skWeekly);
    EXPECT_EQ(w.WeeklyEveryNumWeek, TEveryNumWeeks::ew3rd);
    EXPECT_FALSE(w.WeeklyDays[6]);
    EXPECT_TRUE(w.WeeklyDays[0]);
    EXPECT_DOUBLE_EQ(w.WeeklyStartTime, 22.25 / 24);
    EXPECT_FALSE(w.MonthlyMonths[2]);
    EXPECT_EQ(w.OnceRunDate, DateTime::Encode(2006, 12, 24));
    EXPECT_EQ(w.MinutellyValue, 45);
    // The old items had no daily day switches: every day stays on.
    EXPECT_EQ(w.DailyDays, fresh.DailyDays);
    // The old scheduler list also drove the folder monitor.
    EXPECT_TRUE(task->FolderMonitor_Use);

    // Every other start kind comes over with its items switched off and no folder monitor.
    for (const char* kind : {"shManual", "shShellNotify", "shMsSchedule"}) {
        spec.scheduleKind = QLatin1String(kind);
        task = TaskOf(spec);
        EXPECT_FALSE(task->Schedule[0].Enabled) << kind;
        EXPECT_FALSE(task->FolderMonitor_Use) << kind;
    }
}

TEST_F(Projects1x, TextsAreReadInTheChosenCodePage) {
    TProjectSpec spec;
    spec.name = QStringLiteral("Größe 5 €");
    spec.source = QStringLiteral("C:\\Büro");
    QStringList errors;
    auto data = Read(ProjectsFile({spec}, QStringLiteral("Ende\r\nzwei")), errors);
    ASSERT_EQ(data.Items.size(), 1u);
    EXPECT_EQ(data.Items[0]->ItemName(), QStringLiteral("Größe 5 €"));
    EXPECT_EQ(data.Items[0]->PreviewSource(), QStringLiteral("C:\\Büro"));
    EXPECT_EQ(data.TrailingLines, (QStringList{QStringLiteral("Ende"), QStringLiteral("zwei")}));

    // The same bytes from a Cyrillic computer.
    TProjectsFileWriter w;
    w.Ini({}).Int(1);
    w.Raw("\xCF\xF0\xEE\xE5\xEA\xF2").Str(QStringLiteral("X")).Str(QStringLiteral("btMove"));
    w.Str(QString()).Byte(1).Str(QString()).Int(0).Str(QStringLiteral("shManual")).Int(0).Ini({});
    TOmbrisave1xOptions cyrillic = GermanOptions();
    cyrillic.codePage = QStringLiteral("1251");
    errors.clear();
    data = Read(w.Data(), errors, cyrillic);
    ASSERT_EQ(data.Items.size(), 1u);
    EXPECT_EQ(data.Items[0]->ItemName(), QStringLiteral("Проект"));
    EXPECT_EQ(errors.size(), 1);  // it ends without its last two fields

    // A code page nobody knows reads nothing rather than empty texts.
    TOmbrisave1xOptions unknown = GermanOptions();
    unknown.codePage = QStringLiteral("cp-none");
    errors.clear();
    EXPECT_TRUE(Read(ProjectsFile({spec}), errors, unknown).Items.empty());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("cp-none")));
}

TEST_F(Projects1x, PreviewRowsOfAProject) {
    TProjectSpec spec;
    spec.type = QStringLiteral("btExactCompress");
    spec.source = QStringLiteral("!>C:\\A");
    QStringList errors;
    const auto data = Read(ProjectsFile({spec}), errors);
    const auto rows = data.Items[0]->PreviewRows();
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0], std::make_pair(QStringLiteral("Name:"), QStringLiteral("Documents")));
    EXPECT_EQ(rows[1].second, QStringLiteral("Exact Compress"));
    EXPECT_EQ(rows[2].second, QStringLiteral("!>C:\\A"));
    EXPECT_EQ(rows[3].second, QStringLiteral("D:\\Save"));
    EXPECT_EQ(rows[4], std::make_pair(QStringLiteral("Use Compression?:"), QStringLiteral("Yes")));
    EXPECT_EQ(rows[5].second, QStringLiteral("No"));
    EXPECT_EQ(rows[6], std::make_pair(QStringLiteral("Additional Settings:"), QStringLiteral("n/a")));
    EXPECT_EQ(Item(data, 0).SourceCount(), 1);
    EXPECT_EQ(Item(data, 0).SourceFolder(0), QStringLiteral("C:\\A\\"));
    EXPECT_TRUE(Item(data, 0).SourceFolder(1).isEmpty());
    EXPECT_FALSE(Item(data, 0).SourceIncludeSubfolders(-1));
}
