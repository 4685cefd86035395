#include "legacy/Ombrisave1x.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <array>

#include "model/Task.h"
#include "settings/FormatText.h"
#include "settings/IniFile.h"
#include "settings/Language.h"

using Legacy::TLegacyLocale;

namespace {

// --- reading the primitives, never past the data that is there ---------------------------------------

class TStreamReader {
public:
    TStreamReader(const QByteArray& data, const QString& codePage) : data_(data), codePage_(codePage) {}

    qsizetype Left() const { return data_.size() - pos_; }

    bool Bytes(qsizetype n, QByteArray& out) {
        if (n < 0 || n > Left())
            return false;
        out = data_.mid(pos_, n);
        pos_ += n;
        return true;
    }
    bool Byte(quint8& out) {
        if (Left() < 1)
            return false;
        out = static_cast<quint8>(data_[pos_++]);
        return true;
    }
    bool Int32(qint32& out) {
        if (Left() < 4)
            return false;
        out = qFromLittleEndian<qint32>(data_.constData() + pos_);
        pos_ += 4;
        return true;
    }
    // A length beyond the rest of the file (or a negative one) ends the reading: the file is cut short
    // or damaged, and nothing is allocated for it.
    bool String(QString& out) {
        qint32 length = 0;
        QByteArray bytes;
        if (!Int32(length) || !Bytes(length, bytes))
            return false;
        Legacy::DecodeCodePage(bytes, codePage_, out);
        return true;
    }
    QByteArray Rest() {
        QByteArray rest = data_.mid(pos_);
        pos_ = data_.size();
        return rest;
    }

private:
    const QByteArray& data_;
    QString codePage_;
    qsizetype pos_ = 0;
};

// --- reading INI entries with the defaults of the old program ------------------------------------------

class TIniReader {
public:
    TIniReader(const TIniFile& ini, QString section, const TLegacyLocale& locale)
        : ini_(ini), section_(std::move(section)), locale_(locale) {}

    bool Has(const char* name) const { return ini_.HasValue(section_, QLatin1String(name)); }
    QString Str(const char* name, const QString& def) const {
        return ini_.Value(section_, QLatin1String(name), def);
    }
    int Int(const char* name, int def) const {
        bool ok = false;
        const int value = Str(name, QString()).toInt(&ok);
        return ok ? value : def;
    }
    bool Bool(const char* name, bool def) const { return Int(name, def ? 1 : 0) != 0; }
    TDateTime Date(const char* name, TDateTime def) const {
        TDateTime value = 0;
        return Legacy::ParseLegacyDate(Str(name, QString()), locale_, value) ? value : def;
    }
    TDateTime Time(const char* name, TDateTime def) const {
        TDateTime value = 0;
        return Legacy::ParseLegacyTime(Str(name, QString()), locale_, value) ? value : def;
    }
    TDateTime DateTimeValue(const char* name, TDateTime def) const {
        TDateTime value = 0;
        return Legacy::ParseLegacyDateTime(Str(name, QString()), locale_, value) ? value : def;
    }
    // An enumeration by its text: the missing text when absent; a text that names no value gives the
    // last value, as the task's own reader does.
    template <typename E, size_t N>
    E Enum(const char* name, const std::array<const char*, N>& names, const char* missing) const {
        const QString text = Str(name, QLatin1String(missing));
        for (size_t i = 0; i < N; ++i)
            if (text == QLatin1String(names[i]))
                return static_cast<E>(i);
        return static_cast<E>(N - 1);
    }

private:
    const TIniFile& ini_;
    QString section_;
    const TLegacyLocale& locale_;
};

constexpr std::array kFilterKindNames{"fikFileName", "fikFolderName", "fikDateTime", "fikAttributes",
                                      "fikSize"};
constexpr std::array kFileNameKindNames{"fnkWildcard", "fnkSingleFile"};
constexpr std::array kFolderKindNames{"frkContains", "frkEmpty"};
constexpr std::array kDateTimeKindNames{"fidtkModified", "fidtkCreated", "fidtkLastAccessed"};
constexpr std::array kSelectorNames{"fidtsMonths",  "fidtsDays",        "fidtsHours",
                                    "fidtsMinutes", "fidtsDateBetween", "fidtsTimeBetween"};
constexpr std::array kSizeKindNames{"fiskLessThan", "fiskEqual", "fiskGreaterThan"};
constexpr std::array kSizeMeasureNames{"szmBytes", "szmKilobytes", "szmMegabytes"};

constexpr std::array kBackupTypeNames{"btSimpleCopy", "btExactCopy",     "btMove",
                                      "btCompress",   "btExactCompress", "btSynchronize"};
constexpr std::array kScheduleKindNames{"shManual", "shShellNotify", "shInternalScheduleList",
                                        "shMsSchedule"};

template <typename E, size_t N>
bool EnumFromText(const QString& text, const std::array<const char*, N>& names, E& out) {
    for (size_t i = 0; i < N; ++i)
        if (text == QLatin1String(names[i])) {
            out = static_cast<E>(i);
            return true;
        }
    return false;
}

QString WithSeparator(const QString& folder) {
    if (folder.endsWith(QLatin1Char('\\')) || folder.endsWith(QLatin1Char('/')))
        return folder;
    // The old program's paths use backslashes; a path typed on this machine keeps its slashes.
    return folder + (folder.contains(QLatin1Char('/')) && !folder.contains(QLatin1Char('\\'))
                         ? QLatin1Char('/')
                         : QLatin1Char('\\'));
}

QString FileNamePart(const QString& path) {
    const qsizetype cut = qMax(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.mid(cut + 1);
}

// The folder that holds an archive path ("D:\\Save\\data.zip" gives "D:\\Save"); a root keeps its separator.
QString FolderPart(const QString& path) {
    const qsizetype cut = qMax(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    if (cut < 0)
        return path;
    const QString folder = path.left(cut);
    return folder.isEmpty() || folder.endsWith(QLatin1Char(':')) ? path.left(cut + 1) : folder;
}

QString UnknownTypeText() {
    return QStringLiteral("TImportItemOmbrisave1x.LoadFromStream - unknown \"BType\" type");
}

QString CorruptListText() {
    return QStringLiteral(
        "Projects file corrupted! Please restore it from backup copy (rename \"ombrisave.~dat\" to "
        "\"ombrisave.dat\").");
}

enum class TReadResult { Ok, Truncated, Corrupt };

// One project record. Fields 1 to 10 make a usable project; the last two are ignored, so a file that
// ends before them still gives the project.
TReadResult ReadProject(TStreamReader& in, TImportItemOmbrisave1x& item, const TLegacyLocale& locale,
                        QStringList& errors, bool& complete) {
    complete = false;
    QString text;
    if (!in.String(item.Name))
        return TReadResult::Truncated;
    if (!in.String(item.ID))
        return TReadResult::Truncated;
    if (!in.String(text))
        return TReadResult::Truncated;
    if (!EnumFromText(text, kBackupTypeNames, item.BType))
        errors.append(UnknownTypeText());
    if (!in.String(item.Source))
        return TReadResult::Truncated;
    quint8 subfolders = 1;
    if (!in.Byte(subfolders))
        return TReadResult::Truncated;
    item.IncludeSubfolders = subfolders != 0;
    if (!in.String(item.Destination))
        return TReadResult::Truncated;

    qint32 count = 0;
    if (!in.Int32(count))
        return TReadResult::Truncated;
    if (count > kOmbrisave1xMaxCount) {
        errors.append(CorruptListText());
        return TReadResult::Corrupt;
    }
    for (qint32 i = 0; i < count; ++i) {
        if (!in.String(text))
            return TReadResult::Truncated;
        TOmbrisaveFilterItem filter;
        filter.Load(ParseIniBlock(text), locale);
        item.Filters.push_back(std::move(filter));
    }

    if (!in.String(text))
        return TReadResult::Truncated;
    if (!EnumFromText(text, kScheduleKindNames, item.ScheduleKind))
        errors.append(UnknownTypeText());
    if (!in.Int32(count))
        return TReadResult::Truncated;
    if (count > kOmbrisave1xMaxCount) {
        errors.append(CorruptListText());
        return TReadResult::Corrupt;
    }
    for (qint32 i = 0; i < count; ++i) {
        if (!in.String(text))
            return TReadResult::Truncated;
        TOmbrisaveScheduleItem schedule;
        schedule.Load(ParseIniBlock(text), locale);
        item.Schedule.push_back(schedule);
    }

    if (!in.String(text))
        return TReadResult::Truncated;
    item.LoadAdditional(ParseIniBlock(text), locale);
    complete = true;

    qint32 ignored = 0;
    if (!in.String(text) || !in.Int32(ignored))
        return TReadResult::Truncated;
    return TReadResult::Ok;
}

}  // namespace

TIniFile ParseIniBlock(const QString& commaText) {
    return TIniFile::Parse(Legacy::SplitCommaText(commaText).join(QLatin1Char('\n')).toUtf8());
}

void TOmbrisaveFilterItem::Load(const TIniFile& ini, const TLegacyLocale& locale) {
    const TIniReader r(ini, QStringLiteral("Filter"), locale);
    TTaskFilterItem& f = item;  // starts with the new-item values, the dates from the clock
    f.Enabled = r.Bool("Enabled", true);
    f.FilterType = r.Str("FilterType", QStringLiteral("fitExclude")) == QLatin1String("fitInclude")
                       ? TFilterType::fitInclude
                       : TFilterType::fitExclude;
    f.FilterKind = r.Enum<TFilterKind>("FilterKind", kFilterKindNames, "fikFileName");
    f.fnKind = r.Enum<TFileNameKind>("fnKind", kFileNameKindNames, "fnkWildcard");
    f.fnWildcard = r.Str("fnWildcard", QString());
    f.fnSingleFile = r.Str("fnSingleFile", QString());
    f.frKind = r.Enum<TFolderKind>("frKind", kFolderKindNames, "frkContains");
    f.frContains = r.Str("frContains", QString());
    f.dtKind = r.Enum<TDateTimeKind>("dtKind", kDateTimeKindNames, "fidtkModified");
    f.dtSelector = r.Enum<TDateTimeSelector>("dtSelector", kSelectorNames, "fidtsMonths");
    f.dtMonths = r.Int("dtMonths", 1);
    f.dtDays = r.Int("dtDays", 1);
    f.dtHours = r.Int("dtHours", 1);
    f.dtMinutes = r.Int("dtMinutes", 1);
    f.dtDateBetweenStart = r.Date("dtDateBetweenStart", f.dtDateBetweenStart);
    f.dtDateBetweenEnd = r.Date("dtDateBetweenEnd", f.dtDateBetweenEnd);
    f.dtTimeBetweenStart = r.Time("dtTimeBetweenStart", f.dtTimeBetweenStart);
    f.dtTimeBetweenEnd = r.Time("dtTimeBetweenEnd", f.dtTimeBetweenEnd);
    f.atReadOnly = r.Bool("atReadOnly", false);
    f.atArchive = r.Bool("atArchive", false);
    f.atHidden = r.Bool("atHidden", false);
    f.atSystem = r.Bool("atSystem", false);
    f.atCompressed = r.Bool("atCompressed", false);
    f.atEncrypted = r.Bool("atEncrypted", false);
    f.szKind = r.Enum<TSizeKind>("szKind", kSizeKindNames, "fiskGreaterThan");
    f.szValue = r.Int("szValue", 0);
    f.szMeasure = r.Enum<TSizeMeasure>("szMeasure", kSizeMeasureNames, "szmMegabytes");
}

void TOmbrisaveScheduleItem::Load(const TIniFile& ini, const TLegacyLocale& locale) {
    const TIniReader r(ini, QStringLiteral("Schedule"), locale);
    TTaskScheduleItem& s = item;  // new-item values are the defaults of every value but the texts
    auto text = [&](const char* name, const char* missing) { return r.Str(name, QLatin1String(missing)); };
    s.Enabled = r.Bool("Enabled", s.Enabled);
    s.Kind = ScheduleKindFromName(text("Kind", "skHourly"));
    s.MinutellyValue = r.Int("MinutellyValue", s.MinutellyValue);
    s.HourlyValue = r.Int("HourlyValue", s.HourlyValue);
    s.DailyEveryNumDays = EveryNumDaysFromName(text("DailyEveryNumDays", "ed1st"));
    s.DailyUseStartTime = r.Bool("DailyUseStartTime", s.DailyUseStartTime);
    s.DailyStartTime = r.Time("DailyStartTime", s.DailyStartTime);
    s.WeeklyEveryNumWeek = EveryNumWeeksFromName(text("WeeklyEveryNumWeek", "ew1st"));
    for (int d = 0; d < 7; ++d)
        s.WeeklyDays[d] =
            r.Bool(QByteArray(QByteArray("Weekly") + kScheduleWeekDayNames[d]).constData(), s.WeeklyDays[d]);
    s.WeeklyUseStartTime = r.Bool("WeeklyUseStartTime", s.WeeklyUseStartTime);
    s.WeeklyStartTime = r.Time("WeeklyStartTime", s.WeeklyStartTime);
    s.MonthlyKind = MonthlyKindFromName(text("MonthlyKind", "mkEveryDay"));
    s.MonthlyEveryNumDay = MonthDayNumFromName(text("MonthlyEveryNumDay", "nd1st"));
    s.MonthlyWhichDayType = WhichWeekFromName(text("MonthlyWhichDayType", "wwFirst"));
    s.MonthlyWhichDayWeek = WhichWeekDayFromName(text("MonthlyWhichDayWeek", "wdMonday"));
    for (int m = 0; m < 12; ++m)
        s.MonthlyMonths[m] = r.Bool(QByteArray(QByteArray("Monthly") + kScheduleMonthNames[m]).constData(),
                                    s.MonthlyMonths[m]);
    s.MonthlyUseStartTime = r.Bool("MonthlyUseStartTime", s.MonthlyUseStartTime);
    s.MonthlyStartTime = r.Time("MonthlyStartTime", s.MonthlyStartTime);
    s.AtSystemStartupWait = r.Bool("AtSystemStartupWait", s.AtSystemStartupWait);
    s.AtSystemStartupWaitSecValue = r.Int("AtSystemStartupWaitSecValue", s.AtSystemStartupWaitSecValue);
    s.AtProgramStartupWait = r.Bool("AtProgramStartupWait", s.AtProgramStartupWait);
    s.AtProgramStartupWaitSecValue = r.Int("AtProgramStartupWaitSecValue", s.AtProgramStartupWaitSecValue);
    s.SystemShutdownLimitExecTime = r.Bool("SystemShutdownLimitExecTime", s.SystemShutdownLimitExecTime);
    s.SystemShutdownMaxSec = r.Int("SystemShutdownMaxSec", s.SystemShutdownMaxSec);
    s.OnceRunDate = r.Date("OnceRunDate", s.OnceRunDate);
    s.OnceUseStartTime = r.Bool("OnceUseStartTime", s.OnceUseStartTime);
    s.OnceStartTime = r.Time("OnceStartTime", s.OnceStartTime);
}

// --- project -------------------------------------------------------------------------------------------

TImportItemOmbrisave1x::TImportItemOmbrisave1x()
    : Name(Translate(QStringLiteral("Untitled"), QStringLiteral("strUntitled"))) {
    TTask fresh;  // the same random rule as a new task's ID
    ID = fresh.ID;
    AdvDataCreated = AdvDataLastRun = DateTime::Now();
}

void TImportItemOmbrisave1x::LoadAdditional(const TIniFile& ini, const TLegacyLocale& locale) {
    const TIniReader data(ini, QStringLiteral("Data"), locale);
    AdvDataBelongToGroup = data.Str("AdvDataBelongToGroup", QString());
    AdvDataSourceVolLabel = data.Str("AdvDataSourceVolLabel", QString());
    AdvDataSourceSerialNum = data.Str("AdvDataSourceSerialNum", QString());
    AdvDataDestinationVolLabel = data.Str("AdvDataDestinationVolLabel", QString());
    AdvDataDestinationSerialNum = data.Str("AdvDataDestinationSerialNum", QString());
    const TDateTime now = DateTime::Now();
    AdvDataCreated = data.DateTimeValue("AdvDataCreated", now);
    AdvDataLastRun = data.DateTimeValue("AdvDataLastRun", now);

    const TIniReader monitor(ini, QStringLiteral("FoldersMonitorOptions"), locale);
    DoWait = monitor.Bool("DoWait", true);
    WaitSeconds = monitor.Int("WaitSeconds", 30);
    MonitorFileName = monitor.Bool("MonitorFileName", true);
    MonitorFolderName = monitor.Bool("MonitorFolderName", true);
    MonitorAttributes = monitor.Bool("MonitorAttributes", false);
    MonitorSize = monitor.Bool("MonitorSize", true);
    MonitorLastWrite = monitor.Bool("MonitorLastWrite", true);
    MonitorSecurity = monitor.Bool("MonitorSecurity", false);

    const TIniReader o(ini, QStringLiteral("Options"), locale);
    AdvOptionsBackupOverwriteNeverDestination = o.Bool("AdvOptionsBackupOverwriteNeverDestination", false);
    AdvOptionsBackupSynchronizeFileDeletions = o.Bool("AdvOptionsBackupSynchronizeFileDeletions", false);
    AdvOptionsBackupCopyInUseFiles = o.Bool("AdvOptionsBackupCopyInUseFiles", false);
    AdvOptionsBackupCompareAfterCopy = o.Bool("AdvOptionsBackupCompareAfterCopy", false);
    AdvOptionsKeepStructureFromRoot = o.Bool("AdvOptionsKeepStructureFromRoot", false);
    AdvOptionsCopyIfSourceLengthIsZero = o.Bool("AdvOptionsCopyIfSourceLengthIsZero", false);
    AdvOptionsClearSourceArchiveBit = o.Bool("AdvOptionsClearSourceArchiveBit", false);
    AdvOptionsVersionsKeep = o.Bool("AdvOptionsVersionsKeep", false);
    AdvOptionsVersionsFolder =
        o.Str("AdvOptionsVersionsFolder", QStringLiteral("%destination%File Versions Archive"));
    AdvOptionsVersionsFilesNum = o.Int("AdvOptionsVersionsFilesNum", 0);
    const QString deleteKind = o.Str("AdvOptionsArchiveDeleteKind", QStringLiteral("adkRecycle"));
    AdvOptionsArchiveDeleteKind = deleteKind == QLatin1String("adkNormal")    ? 0
                                  : deleteKind == QLatin1String("adkRecycle") ? 1
                                                                              : 2;
    AdvOptionsArchiveFolder =
        o.Str("AdvOptionsArchiveFolder", QStringLiteral("%destination%Deleted Files Archive"));
    AdvOptionsArchiveKeepDeletedFilesNum = o.Int("AdvOptionsArchiveKeepDeletedFilesNum", 0);
    AdvOptionsZipCompression = o.Int("AdvOptionsZipCompression", 7);
    AdvOptionsZipPsw = o.Str("AdvOptionsZipPsw", QString());
    AdvOptionsRunBefore = o.Bool("AdvOptionsRunBefore", false);
    AdvOptionsRunAfter = o.Bool("AdvOptionsRunAfter", false);
    AdvOptionsRunBeforeProgramName = o.Str("AdvOptionsRunBeforeProgramName", QString());
    AdvOptionsRunAfterProgramName = o.Str("AdvOptionsRunAfterProgramName", QString());
    AdvOptionsDialEntry = o.Str("AdvOptionsDialEntry", QString());
    AdvOptionsHardwareSkipList = o.Str("AdvOptionsHardwareSkipList", QString());
    AdvOptionsRunBeforeWaitProgram = o.Bool("AdvOptionsRunBeforeWaitProgram", true);
    AdvOptionsRunAfterWaitProgram = o.Bool("AdvOptionsRunAfterWaitProgram", true);
    AdvOptionsDialDisconnectAfter = o.Bool("AdvOptionsDialDisconnectAfter", true);
    AdvOptionsBandwidthUse = o.Bool("AdvOptionsBandwidthUse", false);
    AdvOptionsBandwidthValue = o.Int("AdvOptionsBandwidthValue", 1);
    AdvOptionsBandwidthKBits =
        o.Str("AdvOptionsBandwidthMeasureKind", QStringLiteral("bmkMegaBytes")) == QLatin1String("bmkKBits");
}

std::vector<TImportItemOmbrisave1x::TFolder> TImportItemOmbrisave1x::Folders() const {
    std::vector<TFolder> folders;
    if (Source.isEmpty())
        return folders;
    if (!Source.startsWith(QLatin1Char('!'))) {
        folders.push_back({WithSeparator(Source), IncludeSubfolders});
        return folders;
    }
    for (QString element : Legacy::SplitCommaText(Source.mid(1))) {
        bool subfolders = false;
        if (element.startsWith(QLatin1Char('>'))) {
            subfolders = true;
            element.remove(0, 1);
        } else if (element.startsWith(QLatin1Char('|'))) {
            element.remove(0, 1);
        }
        folders.push_back({WithSeparator(element), subfolders});
    }
    return folders;
}

int TImportItemOmbrisave1x::SourceCount() const {
    return static_cast<int>(Folders().size());
}

QString TImportItemOmbrisave1x::SourceFolder(int i) const {
    const auto folders = Folders();
    return i >= 0 && i < static_cast<int>(folders.size()) ? folders[static_cast<size_t>(i)].folder
                                                          : QString();
}

bool TImportItemOmbrisave1x::SourceIncludeSubfolders(int i) const {
    const auto folders = Folders();
    return i >= 0 && i < static_cast<int>(folders.size()) && folders[static_cast<size_t>(i)].subfolders;
}

QString TImportItemOmbrisave1x::GetStrType() const {
    switch (BType) {
        case TOmbrisaveBackupType::btSimpleCopy:
            return Translate(QStringLiteral("Simple Copy"), QStringLiteral("strImportOmbrisave1xSimpleCopy"));
        case TOmbrisaveBackupType::btExactCopy:
            return Translate(QStringLiteral("Exact Copy"), QStringLiteral("strImportOmbrisave1xExactCopy"));
        case TOmbrisaveBackupType::btMove:
            return Translate(QStringLiteral("Move"), QStringLiteral("strImportOmbrisave1xMove"));
        case TOmbrisaveBackupType::btCompress:
            return Translate(QStringLiteral("Compress"), QStringLiteral("strImportOmbrisave1xCompress"));
        case TOmbrisaveBackupType::btExactCompress:
            return Translate(QStringLiteral("Exact Compress"),
                             QStringLiteral("strImportOmbrisave1xExactCompress"));
        case TOmbrisaveBackupType::btSynchronize:
            return Translate(QStringLiteral("Synchronize"),
                             QStringLiteral("strImportOmbrisave1xSynchronize"));
    }
    return {};
}

QString TImportItemOmbrisave1x::GetStrCompress() const {
    const bool packs =
        BType == TOmbrisaveBackupType::btCompress || BType == TOmbrisaveBackupType::btExactCompress;
    return packs ? QStringLiteral("Yes") : QStringLiteral("No");
}

std::unique_ptr<TTask> TImportItemOmbrisave1x::CreateTaskForImport() const {
    try {
        auto task = std::make_unique<TTask>();
        task->Name = Name;
        task->ID = ID;
        task->TaskAction =
            BType == TOmbrisaveBackupType::btSynchronize ? TTaskAction::taSynchronize : TTaskAction::taBackup;
        for (const TFolder& folder : Folders())
            task->SourceFolders.push_back(SourceFolderOf(folder.folder, folder.subfolders));
        const bool packs =
            BType == TOmbrisaveBackupType::btCompress || BType == TOmbrisaveBackupType::btExactCompress;
        // A packing project named its archive file; the task names the folder and the archive apart, so
        // that the archive lands where it always did instead of inside a folder named like it.
        task->DestType = TDestKind::dkLocal;
        task->DestLocal = packs ? FolderPart(Destination) : Destination;
        for (const TOmbrisaveFilterItem& filter : Filters)
            task->Filters.push_back(filter.item);

        task->CompressUse = packs;
        task->CompressSeparate = false;
        task->CompressFilename = FileNamePart(Destination);
        task->CompressPassword = AdvOptionsZipPsw;
        task->CompressLevel = AdvOptionsZipCompression;

        task->VersionsKeepType =
            AdvOptionsVersionsKeep ? TVersionsKeepKind::vkArcFolder : TVersionsKeepKind::vkNone;
        task->VersionsKeepArcFolder = AdvOptionsVersionsFolder;
        task->VersionsKeepArcFolderKeepStruct = true;
        task->VersionsKeepFilesNum = AdvOptionsVersionsFilesNum;

        task->DeleteKind = TDeleteKind::adkLeave;
        if (BType == TOmbrisaveBackupType::btExactCopy)
            task->DeleteKind = AdvOptionsArchiveDeleteKind == 0   ? TDeleteKind::adkDelete
                               : AdvOptionsArchiveDeleteKind == 1 ? TDeleteKind::adkDeleteRecycle
                                                                  : TDeleteKind::adkMoveArcFolder;
        task->ArchiveFolder = AdvOptionsArchiveFolder;
        task->ArchiveFolderKeepStruct = true;
        task->KeepDeletedFilesNum = AdvOptionsArchiveKeepDeletedFilesNum;

        // Schedule items start the task only when the project ran from its schedule list; any other
        // project keeps them, switched off.
        const bool scheduled = ScheduleKind == TOmbrisaveScheduleKind::shInternalScheduleList;
        for (const TOmbrisaveScheduleItem& schedule : Schedule) {
            TTaskScheduleItem item = schedule.item;
            item.Enabled = schedule.item.Enabled && scheduled;
            item.DailyDays = TTaskScheduleItem().DailyDays;
            task->Schedule.push_back(item);
        }

        task->BackupOverwriteNeverDestination = AdvOptionsBackupOverwriteNeverDestination;
        task->BackupSynchronizeFileDeletions = AdvOptionsBackupSynchronizeFileDeletions;
        task->BackupCopyInUseFiles = AdvOptionsBackupCopyInUseFiles;
        task->BackupCompareAfterCopy = AdvOptionsBackupCompareAfterCopy;
        task->KeepStructureFromRoot = AdvOptionsKeepStructureFromRoot;
        task->CopyIfSourceLengthIsZero = AdvOptionsCopyIfSourceLengthIsZero;
        task->ClearSourceArchiveBit = AdvOptionsClearSourceArchiveBit;

        // The old program's own scheduler list also drove its folder monitor; a project started by shell
        // notifications comes over with both off, to be set up again on this system.
        task->FolderMonitor_Use = ScheduleKind == TOmbrisaveScheduleKind::shInternalScheduleList;
        task->DoWait = DoWait;
        task->WaitSeconds = WaitSeconds;
        task->MonitorFileName = MonitorFileName;
        task->MonitorFolderName = MonitorFolderName;
        task->MonitorAttributes = MonitorAttributes;
        task->MonitorSize = MonitorSize;
        task->MonitorLastWrite = MonitorLastWrite;
        task->MonitorSecurity = MonitorSecurity;
        return task;
    } catch (const std::exception&) {
        return nullptr;
    }
}

// --- the file ------------------------------------------------------------------------------------------

TImportDataOmbrisave1x::TImportDataOmbrisave1x(TOmbrisave1xOptions options) : options_(std::move(options)) {}

void TImportDataOmbrisave1x::Load(const QString& fileName, QStringList& errors) {
    Items.clear();
    TrailingLines.clear();
    QFile file(fileName);
    if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly)) {
        errors.append(FormatText(Translate(QStringLiteral("Ombrisave projects file \"%s\" not found."),
                                           QStringLiteral("strImportOmbrisave1xProjectsNoFoundError")),
                                 {fileName}));
        return;
    }
    // A thousand projects with their filters and schedules fit in a few megabytes; a file far beyond
    // that is not a projects file, and reading it whole would only exhaust memory.
    if (file.size() > kOmbrisave1xMaxFileSize) {
        LoadFromBytes(QByteArray(), fileName, errors);
        return;
    }
    LoadFromBytes(file.readAll(), fileName, errors);
}

void TImportDataOmbrisave1x::LoadFromBytes(const QByteArray& bytes, const QString& fileName,
                                           QStringList& errors) {
    Items.clear();
    TrailingLines.clear();
    if (!bytes.startsWith(kOmbrisave1xSignature)) {
        errors.append(FormatText(
            Translate(
                QStringLiteral("Ombrisave projects file \"%s\" corrupted or it's not Ombrisave file format."),
                QStringLiteral("strImportOmbrisave1xProjectsCorruptedError")),
            {fileName}));
        return;
    }
    if (!Legacy::IsKnownCodePage(options_.codePage)) {
        errors.append(QStringLiteral("unknown code page \"%1\"").arg(options_.codePage));
        return;
    }
    TStreamReader in(bytes, options_.codePage);
    QByteArray signature;
    in.Bytes(kOmbrisave1xSignature.size(), signature);

    const QString truncated = FormatText(
        Translate(QStringLiteral("Ombrisave projects file \"%s\" ends early; the projects before the "
                                 "damaged one were read."),
                  QStringLiteral("strImportOmbrisave1xProjectsTruncatedError")),
        {fileName});
    QString settings;
    qint32 count = 0;
    if (!in.String(settings) || !in.Int32(count)) {
        errors.append(truncated);
        return;
    }
    if (count > kOmbrisave1xMaxCount) {
        errors.append(QStringLiteral("Projects file corrupted!"));
        return;
    }
    for (qint32 i = 0; i < count; ++i) {
        auto item = std::make_unique<TImportItemOmbrisave1x>();
        bool complete = false;
        const TReadResult result = ReadProject(in, *item, options_.locale, errors, complete);
        if (complete)
            Items.push_back(std::move(item));
        if (result == TReadResult::Corrupt)
            return;
        if (result == TReadResult::Truncated) {
            errors.append(truncated);
            return;
        }
    }
    QString rest;
    Legacy::DecodeCodePage(in.Rest(), options_.codePage, rest);
    if (!rest.isEmpty()) {
        rest.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        TrailingLines = rest.split(QLatin1Char('\n'));
    }
}
