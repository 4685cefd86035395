#include "legacy/OmbrisaveRegistry.h"

#include <QtEndian>
#include <algorithm>

#include "legacy/LegacyText.h"
#include "model/Task.h"
#include "settings/Language.h"
#include "store/SafeRegistry.h"

namespace {

// Reads values below one task key; a key that does not exist gives every default (never the values of
// whatever key was open before).
class TKeyReader {
public:
    explicit TKeyReader(QString taskKey) : taskKey_(std::move(taskKey)) {}

    void Open(const QString& sub) { OpenPath(sub.isEmpty() ? taskKey_ : taskKey_ + QLatin1Char('\\') + sub); }
    void OpenPath(const QString& path) { open_ = reg_.OpenKeyReadOnly(path); }
    bool IsOpen() const { return open_; }

    QString Str(const char* name) const {
        return open_ ? reg_.ReadString(QLatin1String(name), QString()) : QString();
    }
    bool Bool(const char* name) const { return open_ && reg_.ReadBool(QLatin1String(name), false); }
    int Int(const char* name) const { return open_ ? reg_.ReadInteger(QLatin1String(name), 0) : 0; }
    TDateTime Float(const char* name) const { return open_ ? reg_.ReadFloat(QLatin1String(name), 0) : 0; }
    void Binary(const char* name, void* buffer, int size) const {
        if (open_)
            reg_.ReadBinary(QLatin1String(name), buffer, size);
    }
    const TSafeRegistry& Reg() const { return reg_; }

    // Sub-key names of path: names made of digits in numeric order (so "10" follows "9", as the items
    // were numbered), then the others in the store's order.
    QStringList ItemNames(const QString& sub) {
        OpenPath(taskKey_ + QLatin1Char('\\') + sub);
        QStringList names;
        if (open_)
            reg_.GetKeyNames(names);
        QStringList digits, others;
        for (const QString& name : names) {
            bool allDigits = !name.isEmpty() && name.size() <= 18;
            for (const QChar c : name)
                allDigits = allDigits && c.isDigit() && c.unicode() < 128;
            (allDigits ? digits : others).append(name);
        }
        std::stable_sort(digits.begin(), digits.end(), [](const QString& a, const QString& b) {
            return a.toULongLong() < b.toULongLong();
        });
        return digits + others;
    }
    QString Path(const QString& sub) const { return taskKey_ + QLatin1Char('\\') + sub; }

private:
    QString taskKey_;
    TSafeRegistry reg_;
    bool open_ = false;
};

struct TListedFolder {
    QString folder;
    bool subfolders = false;
};

std::vector<TListedFolder> ListedFolders(const QString& source, bool includeSubfolders) {
    std::vector<TListedFolder> folders;
    if (source.isEmpty())
        return folders;
    if (!source.startsWith(QLatin1Char('!'))) {
        folders.push_back({source, includeSubfolders});
        return folders;
    }
    for (QString element : Legacy::SplitCommaText(source.mid(1))) {
        bool subfolders = false;
        if (element.startsWith(QLatin1Char('>'))) {
            subfolders = true;
            element.remove(0, 1);
        } else if (element.startsWith(QLatin1Char('|'))) {
            element.remove(0, 1);
        }
        folders.push_back({element, subfolders});
    }
    return folders;
}

// The monitor and schedule rules both legacy versions share.
void CopyMonitorAndSchedule(TTask& task, const TTaskScheduleList& schedule, int waitSeconds,
                            const std::array<bool, 6>& monitor) {
    for (TTaskScheduleItem item : schedule) {
        item.DailyDays = TTaskScheduleItem().DailyDays;
        task.Schedule.push_back(item);
    }
    task.FolderMonitor_Use = std::any_of(monitor.begin(), monitor.end(), [](bool on) { return on; });
    task.DoWait = waitSeconds > 0;
    task.WaitSeconds = waitSeconds;
    task.MonitorFileName = monitor[0];
    task.MonitorFolderName = monitor[1];
    task.MonitorAttributes = monitor[2];
    task.MonitorSize = monitor[3];
    task.MonitorLastWrite = monitor[4];
    task.MonitorSecurity = monitor[5];
}

QStringList TaskKeyNames(const QString& root) {
    TSafeRegistry reg;
    QStringList names;
    if (reg.OpenKeyReadOnly(root + QStringLiteral("\\Tasks")))
        reg.GetKeyNames(names);
    return names;
}

QStringList GroupNames(const QString& root) {
    TSafeRegistry reg;
    QStringList names;
    if (reg.OpenKeyReadOnly(root + QStringLiteral("\\Groups")))
        reg.GetValueNames(names);
    return names;
}

}  // namespace

// --- 2.x -----------------------------------------------------------------------------------------------

void TImportItemOmbrisave2x::Load(const QString& keyPath) {
    TKeyReader r(keyPath);
    r.Open({});
    Name = r.Str("Name");
    {
        uchar bytes[2] = {0, 0};
        r.Binary("HotKey", bytes, 2);
        HotKey = qFromLittleEndian<quint16>(bytes);
    }
    HotKeyBringToFront = r.Bool("HotKeyBringToFront");
    ID = r.Str("ID");
    {
        const QString type = r.Str("TaskType");
        TaskType = type == QLatin1String("ttExactCopy")     ? TOmbrisave2xTaskType::ttExactCopy
                   : type == QLatin1String("ttMove")        ? TOmbrisave2xTaskType::ttMove
                   : type == QLatin1String("ttSynchronize") ? TOmbrisave2xTaskType::ttSynchronize
                                                            : TOmbrisave2xTaskType::ttSimpleCopy;
    }
    r.Open(QStringLiteral("Compress"));
    CompressUse = r.Bool("CompressUse");
    CompressFilename = r.Str("CompressFilename");
    CompressPassword = r.Str("CompressPassword");
    CompressLevel = r.Int("CompressLevel");

    r.Open(QStringLiteral("ExtendedData"));
    BelongToGroup = r.Str("BelongToGroup");
    SourceVolLabel = r.Str("SourceVolLabel");
    SourceSerialNum = r.Str("SourceSerialNum");
    DestinationVolLabel = r.Str("DestinationVolLabel");
    DestinationSerialNum = r.Str("DestinationSerialNum");
    Created = r.Float("Created");
    LastRun = r.Float("LastRun");

    r.Open(QStringLiteral("Source"));
    Source = r.Str("Source");
    SourceIncludeSubfolders = r.Bool("SourceIncludeSubfolders");

    r.Open(QStringLiteral("Destination"));
    DestType = 0;
    r.Binary("DestType", &DestType, 1);
    DestLocal = r.Str("DestLocal");

    Filters.clear();
    for (const QString& name : r.ItemNames(QStringLiteral("Filters"))) {
        r.OpenPath(r.Path(QStringLiteral("Filters\\") + name));
        TTaskFilterItem item;
        item.LoadFromRegistry(r.Reg());
        Filters.push_back(std::move(item));
    }

    r.Open(QStringLiteral("AutoRun\\FolderMonitor"));
    DoWait = r.Bool("DoWait");
    WaitSeconds = r.Int("WaitSeconds");
    MonitorFileName = r.Bool("MonitorFileName");
    MonitorFolderName = r.Bool("MonitorFolderName");
    MonitorAttributes = r.Bool("MonitorAttributes");
    MonitorSize = r.Bool("MonitorSize");
    MonitorLastWrite = r.Bool("MonitorLastWrite");
    MonitorSecurity = r.Bool("MonitorSecurity");

    Schedule.clear();
    for (const QString& name : r.ItemNames(QStringLiteral("AutoRun\\Schedule"))) {
        r.OpenPath(r.Path(QStringLiteral("AutoRun\\Schedule\\") + name));
        TTaskScheduleItem item;
        item.LoadFromRegistry(r.Reg());
        Schedule.push_back(item);
    }

    r.Open(QStringLiteral("Versions"));
    VersionsKeep = r.Bool("VersionsKeep");
    VersionsFolder = r.Str("VersionsFolder");
    VersionsFilesNum = r.Int("VersionsFilesNum");

    r.Open(QStringLiteral("Obsolete"));
    {
        const QString kind = r.Str("DeleteKind");
        DeleteKind = kind == QLatin1String("adkNormal") ? 0 : kind == QLatin1String("adkRecycle") ? 1 : 2;
    }
    ArchiveFolder = r.Str("ArchiveFolder");
    KeepDeletedFilesNum = r.Int("KeepDeletedFilesNum");

    r.Open(QStringLiteral("Options"));
    BackupOverwriteNeverDestination = r.Bool("BackupOverwriteNeverDestination");
    BackupSynchronizeFileDeletions = r.Bool("BackupSynchronizeFileDeletions");
    BackupCopyInUseFiles = r.Bool("BackupCopyInUseFiles");
    BackupCompareAfterCopy = r.Bool("BackupCompareAfterCopy");
    KeepStructureFromRoot = r.Bool("KeepStructureFromRoot");
    CopyIfSourceLengthIsZero = r.Bool("CopyIfSourceLengthIsZero");
    OptionsDontSkipIfDateEqButSrcBiggerDst = r.Bool("OptionsDontSkipIfDateEqButSrcBiggerDst");
    ClearSourceArchiveBit = r.Bool("ClearSourceArchiveBit");
}

int TImportItemOmbrisave2x::SourceCount() const {
    return static_cast<int>(ListedFolders(Source, SourceIncludeSubfolders).size());
}

QString TImportItemOmbrisave2x::SourceFolder(int i) const {
    const auto folders = ListedFolders(Source, SourceIncludeSubfolders);
    return i >= 0 && i < static_cast<int>(folders.size()) ? folders[static_cast<size_t>(i)].folder
                                                          : QString();
}

bool TImportItemOmbrisave2x::SourceIncludeSubfoldersAt(int i) const {
    const auto folders = ListedFolders(Source, SourceIncludeSubfolders);
    return i >= 0 && i < static_cast<int>(folders.size()) && folders[static_cast<size_t>(i)].subfolders;
}

QString TImportItemOmbrisave2x::GetStrType() const {
    switch (TaskType) {
        case TOmbrisave2xTaskType::ttSimpleCopy:
            return Translate(QStringLiteral("Simple Copy"), QStringLiteral("strImportOmbrisave2xSimpleCopy"));
        case TOmbrisave2xTaskType::ttExactCopy:
            return Translate(QStringLiteral("Exact Copy"), QStringLiteral("strImportOmbrisave2xExactCopy"));
        case TOmbrisave2xTaskType::ttMove:
            return Translate(QStringLiteral("Move"), QStringLiteral("strImportOmbrisave2xMove"));
        case TOmbrisave2xTaskType::ttSynchronize:
            return Translate(QStringLiteral("Synchronize"),
                             QStringLiteral("strImportOmbrisave2xSynchronize"));
    }
    return {};
}

QString TImportItemOmbrisave2x::GetStrCompress() const {
    return CompressUse ? QStringLiteral("Yes") : QStringLiteral("No");
}

std::unique_ptr<TTask> TImportItemOmbrisave2x::CreateTaskForImport() const {
    try {
        auto task = std::make_unique<TTask>();
        task->Name = Name;
        task->ID = ID;
        task->TaskAction = TaskType == TOmbrisave2xTaskType::ttSynchronize ? TTaskAction::taSynchronize
                                                                           : TTaskAction::taBackup;
        for (const TListedFolder& folder : ListedFolders(Source, SourceIncludeSubfolders))
            task->SourceFolders.push_back(SourceFolderOf(folder.folder, folder.subfolders));
        task->DestType = TDestKind::dkLocal;
        task->DestLocal = DestLocal;
        task->Filters = Filters;
        task->CompressUse = CompressUse;
        task->CompressFilename = CompressFilename;
        task->CompressPassword = CompressPassword;
        task->CompressLevel = CompressLevel;
        task->CompressSeparate = false;
        task->VersionsKeepType = VersionsKeep ? TVersionsKeepKind::vkArcFolder : TVersionsKeepKind::vkNone;
        task->VersionsKeepArcFolder = VersionsFolder;
        task->VersionsKeepFilesNum = VersionsFilesNum;
        task->VersionsKeepArcFolderKeepStruct = true;
        task->ArchiveFolderKeepStruct = true;
        task->DeleteKind = TDeleteKind::adkLeave;
        if (TaskType == TOmbrisave2xTaskType::ttExactCopy)
            task->DeleteKind = DeleteKind == 0   ? TDeleteKind::adkDelete
                               : DeleteKind == 1 ? TDeleteKind::adkDeleteRecycle
                                                 : TDeleteKind::adkMoveArcFolder;
        task->ArchiveFolder = ArchiveFolder;
        task->KeepDeletedFilesNum = KeepDeletedFilesNum;
        task->BackupOverwriteNeverDestination = BackupOverwriteNeverDestination;
        task->BackupSynchronizeFileDeletions = BackupSynchronizeFileDeletions;
        task->BackupCopyInUseFiles = BackupCopyInUseFiles;
        task->BackupCompareAfterCopy = BackupCompareAfterCopy;
        task->KeepStructureFromRoot = KeepStructureFromRoot;
        task->CopyIfSourceLengthIsZero = CopyIfSourceLengthIsZero;
        task->ClearSourceArchiveBit = ClearSourceArchiveBit;
        CopyMonitorAndSchedule(*task, Schedule, WaitSeconds,
                               {MonitorFileName, MonitorFolderName, MonitorAttributes, MonitorSize,
                                MonitorLastWrite, MonitorSecurity});
        return task;
    } catch (const std::exception&) {
        return nullptr;
    }
}

// --- 3.x -----------------------------------------------------------------------------------------------

TImportItemOmbrisave3x::TImportItemOmbrisave3x() : record_(std::make_unique<TTask>()) {}
TImportItemOmbrisave3x::~TImportItemOmbrisave3x() = default;

void TImportItemOmbrisave3x::Load(const QString& keyPath) {
    record_ = std::make_unique<TTask>();
    if (TSafeRegistry().KeyExists(keyPath))
        record_->LoadFromRegistry(keyPath);
}

int TImportItemOmbrisave3x::SourceCount() const {
    return record_->SourceFolderCount();
}

QString TImportItemOmbrisave3x::SourceFolder(int i) const {
    return i >= 0 && i < SourceCount() ? record_->SourceFolders[static_cast<size_t>(i)].Folder : QString();
}

bool TImportItemOmbrisave3x::SourceIncludeSubfolders(int i) const {
    return i >= 0 && i < SourceCount() && record_->SourceFolders[static_cast<size_t>(i)].IncludeSubfolders;
}

QString TImportItemOmbrisave3x::ItemName() const {
    return record_->Name;
}

QString TImportItemOmbrisave3x::GetStrType() const {
    switch (record_->TaskAction) {
        case TTaskAction::taBackup:
            return QStringLiteral("Backup");
        case TTaskAction::taSynchronize:
            return QStringLiteral("Synchronize");
        case TTaskAction::taMove:
            return QStringLiteral("Move");
    }
    return {};
}

QString TImportItemOmbrisave3x::GetStrDestination() const {
    switch (record_->DestType) {
        case TDestKind::dkLocal: {
            const QString& dest = record_->DestLocal;
            if (dest.endsWith(QLatin1Char('\\')) || dest.endsWith(QLatin1Char('/')))
                return dest;
            const bool slashes = dest.contains(QLatin1Char('/')) && !dest.contains(QLatin1Char('\\'));
            return dest + (slashes ? QLatin1Char('/') : QLatin1Char('\\'));
        }
        case TDestKind::dkFtp:
        case TDestKind::dkCdDvd:
        case TDestKind::dkEmail:
            return record_->DestinationCaption();
    }
    return {};
}

QString TImportItemOmbrisave3x::GetStrCompress() const {
    return record_->CompressUse ? QStringLiteral("Yes") : QStringLiteral("No");
}

QString TImportItemOmbrisave3x::GetStrEncrypt() const {
    return record_->CryptUse ? QStringLiteral("Yes") : QStringLiteral("No");
}

std::unique_ptr<TTask> TImportItemOmbrisave3x::CreateTaskForImport() const {
    try {
        const TTask& r = *record_;
        auto task = std::make_unique<TTask>();
        task->Name = r.Name;
        task->ID = r.ID;
        task->AuthUser = r.AuthUser;
        task->AuthPassword = r.AuthPassword;
        task->TaskAction = r.TaskAction;
        for (const TSourceFolder& folder : r.SourceFolders)
            task->SourceFolders.push_back(SourceFolderOf(folder.Folder, folder.IncludeSubfolders));
        task->DestType = TDestKind::dkLocal;
        task->DestLocal = r.DestLocal;
        task->DestFTP_Address = r.DestFTP_Address;
        task->DestFTP_Folder = r.DestFTP_Folder;
        task->DestFTP_Port = r.DestFTP_Port;
        task->DestFTP_Login = r.DestFTP_Login;
        task->DestFTP_Password = r.DestFTP_Password;
        task->DestFTP_PassiveMode = r.DestFTP_PassiveMode;
        task->DestFTP_ProxyUse = r.DestFTP_ProxyUse;
        task->DestFTP_ProxyAddress = r.DestFTP_ProxyAddress;
        task->DestFTP_ProxyPort = r.DestFTP_ProxyPort;
        task->DestFTP_ProxyAuthUse = r.DestFTP_ProxyAuthUse;
        task->DestFTP_ProxyAuthLogin = r.DestFTP_ProxyAuthLogin;
        task->DestFTP_ProxyAuthPassword = r.DestFTP_ProxyAuthPassword;
        task->DestFTP_ReconnectRetries = r.DestFTP_ReconnectRetries;
        task->DestFTP_PauseBeforeRetry = r.DestFTP_PauseBeforeRetry;
        task->DestFTP_TimeOut = r.DestFTP_TimeOut;
        task->Filters = r.Filters;
        task->CompressUse = r.CompressUse;
        task->CompressFilename = r.CompressFilename;
        task->CompressPassword = r.CompressPassword;
        task->CompressLevel = r.CompressLevel;
        task->CompressSeparate = false;
        task->VersionsKeepType = r.VersionsKeepType;
        task->VersionsKeepArcFolder = r.VersionsKeepArcFolder;
        task->VersionsKeepArcFolderKeepStruct = r.VersionsKeepArcFolderKeepStruct;
        task->VersionsKeepFilesNum = r.VersionsKeepFilesNum;
        task->DeleteKind = r.DeleteKind;
        task->ArchiveFolder = r.ArchiveFolder;
        task->ArchiveFolderKeepStruct = r.ArchiveFolderKeepStruct;
        task->KeepDeletedFilesNum = r.KeepDeletedFilesNum;
        task->BackupOverwriteNeverDestination = r.BackupOverwriteNeverDestination;
        task->BackupSynchronizeFileDeletions = r.BackupSynchronizeFileDeletions;
        task->BackupCopyInUseFiles = r.BackupCopyInUseFiles;
        task->BackupCompareAfterCopy = r.BackupCompareAfterCopy;
        task->KeepStructureFromRoot = r.KeepStructureFromRoot;
        task->CopyIfSourceLengthIsZero = r.CopyIfSourceLengthIsZero;
        task->ClearSourceArchiveBit = r.ClearSourceArchiveBit;
        CopyMonitorAndSchedule(*task, r.Schedule, r.WaitSeconds,
                               {r.MonitorFileName, r.MonitorFolderName, r.MonitorAttributes, r.MonitorSize,
                                r.MonitorLastWrite, r.MonitorSecurity});
        return task;
    } catch (const std::exception&) {
        return nullptr;
    }
}

// --- readers -------------------------------------------------------------------------------------------

void TImportDataOmbrisave2x::Load() {
    Groups = GroupNames(root_);
    Items.clear();
    for (const QString& name : TaskKeyNames(root_)) {
        auto item = std::make_unique<TImportItemOmbrisave2x>();
        item->Load(root_ + QStringLiteral("\\Tasks\\") + name);
        Items.push_back(std::move(item));
    }
}

void TImportDataOmbrisave3x::Load() {
    Groups = GroupNames(root_);
    Items.clear();
    for (const QString& name : TaskKeyNames(root_)) {
        auto item = std::make_unique<TImportItemOmbrisave3x>();
        item->Load(root_ + QStringLiteral("\\Tasks\\") + name);
        Items.push_back(std::move(item));
    }
}
