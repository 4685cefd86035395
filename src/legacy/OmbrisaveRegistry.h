#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "legacy/LegacyImport.h"
#include "model/Filters.h"
#include "model/ScheduleItem.h"

class TTask;

// Tasks the predecessor's versions 2.x and 3.x kept in the settings store. On this system they arrive
// with the import of a settings file exported on the old computer; their keys are only ever read.
inline const QString kOmbrisave2xRoot = QStringLiteral("\\Software\\Halvorine\\Ombrisave");
inline const QString kOmbrisave3xRoot = QStringLiteral("\\Software\\Halvorine\\Ombrisave\\3.0");

enum class TOmbrisave2xTaskType { ttSimpleCopy, ttExactCopy, ttMove, ttSynchronize };

class TImportItemOmbrisave2x final : public TLegacyImportItem {
public:
    QString Name;
    quint16 HotKey = 0;
    bool HotKeyBringToFront = false;
    QString ID;
    TOmbrisave2xTaskType TaskType = TOmbrisave2xTaskType::ttSimpleCopy;
    bool CompressUse = false;
    QString CompressFilename;
    QString CompressPassword;
    int CompressLevel = 0;
    QString BelongToGroup, SourceVolLabel, SourceSerialNum, DestinationVolLabel, DestinationSerialNum;
    TDateTime Created = 0, LastRun = 0;
    QString Source;
    bool SourceIncludeSubfolders = false;
    quint8 DestType = 0;
    QString DestLocal;
    TTaskFiltersList Filters;
    bool DoWait = false;
    int WaitSeconds = 0;
    bool MonitorFileName = false, MonitorFolderName = false, MonitorAttributes = false, MonitorSize = false,
         MonitorLastWrite = false, MonitorSecurity = false;
    TTaskScheduleList Schedule;
    bool VersionsKeep = false;
    QString VersionsFolder;
    int VersionsFilesNum = 0;
    int DeleteKind = 2;  // 0 delete, 1 recycle bin, 2 archive folder
    QString ArchiveFolder;
    int KeepDeletedFilesNum = 0;
    bool BackupOverwriteNeverDestination = false, BackupSynchronizeFileDeletions = false,
         BackupCopyInUseFiles = false, BackupCompareAfterCopy = false, KeepStructureFromRoot = false,
         CopyIfSourceLengthIsZero = false, OptionsDontSkipIfDateEqButSrcBiggerDst = false,
         ClearSourceArchiveBit = false;

    // Reads the task key at keyPath.
    void Load(const QString& keyPath);

    // Source folders by the single-folder or "!" list form, without added separators.
    int SourceCount() const;
    QString SourceFolder(int i) const;  // empty out of range
    bool SourceIncludeSubfoldersAt(int i) const;

    QString ItemName() const override { return Name; }
    QString GetStrType() const override;
    QString GetStrCompress() const override;
    QString PreviewSource() const override { return Source; }
    QString PreviewDestination() const override { return DestLocal; }
    std::unique_ptr<TTask> CreateTaskForImport() const override;
};

class TImportItemOmbrisave3x final : public TLegacyImportItem {
public:
    TImportItemOmbrisave3x();
    ~TImportItemOmbrisave3x() override;

    // Reads the task key at keyPath, which has the layout of the program's own task keys.
    void Load(const QString& keyPath);

    // What was read, in fields of the same names as a task's.
    const TTask& Record() const { return *record_; }

    int SourceCount() const;
    QString SourceFolder(int i) const;  // empty out of range
    bool SourceIncludeSubfolders(int i) const;

    QString ItemName() const override;
    QString GetStrType() const override;
    QString GetStrDestination() const;
    QString GetStrCompress() const override;
    QString GetStrEncrypt() const;
    QString PreviewSource() const override { return SourceFolder(0); }
    QString PreviewDestination() const override { return GetStrDestination(); }
    QString PreviewEncrypt() const override { return GetStrEncrypt(); }
    std::unique_ptr<TTask> CreateTaskForImport() const override;

private:
    std::unique_ptr<TTask> record_;
};

// The readers: load() fills the group names and the items from the store below their root.
class TImportDataOmbrisave2x {
public:
    explicit TImportDataOmbrisave2x(QString root = kOmbrisave2xRoot) : root_(std::move(root)) {}
    void Load();
    QStringList Groups;
    TLegacyItems Items;

private:
    QString root_;
};

class TImportDataOmbrisave3x {
public:
    explicit TImportDataOmbrisave3x(QString root = kOmbrisave3xRoot) : root_(std::move(root)) {}
    void Load();
    QStringList Groups;
    TLegacyItems Items;

private:
    QString root_;
};
