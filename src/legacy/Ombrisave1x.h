#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "legacy/LegacyImport.h"
#include "legacy/LegacyText.h"
#include "model/Filters.h"
#include "model/ScheduleItem.h"

class TIniFile;

// The projects file of the predecessor's version 1.x ("Ombrisave.dat"): a signature, an ini block of
// file-wide settings, the project records and trailing text lines. Integers are 32-bit little-endian;
// a string is a 32-bit length and that many bytes in the old computer's code page; an ini block is a
// string holding the comma text of the lines of an INI file.

enum class TOmbrisaveBackupType {
    btSimpleCopy,
    btExactCopy,
    btMove,
    btCompress,
    btExactCompress,
    btSynchronize
};
enum class TOmbrisaveScheduleKind { shManual, shShellNotify, shInternalScheduleList, shMsSchedule };

inline const QByteArray kOmbrisave1xSignature = QByteArrayLiteral("Parvelo Media Ombrisave v. 1\x1B");
// More projects, filters or schedule items than this in one list mean the file is damaged.
inline constexpr int kOmbrisave1xMaxCount = 1000;
// Larger files are refused as not being projects files.
inline constexpr qint64 kOmbrisave1xMaxFileSize = 64 * 1024 * 1024;

// How the reader takes the texts of a file.
struct TOmbrisave1xOptions {
    QString codePage = Legacy::kDefaultCodePage;
    Legacy::TLegacyLocale locale = Legacy::TLegacyLocale::Current();
};

// One filter item of a project (section "Filter" of its ini block); fields as the task's filter item.
struct TOmbrisaveFilterItem {
    TTaskFilterItem item;  // the values read, over the defaults of the old program
    void Load(const TIniFile& ini, const Legacy::TLegacyLocale& locale);
};

// One schedule item of a project (section "Schedule"); it has no daily day-of-week switches.
struct TOmbrisaveScheduleItem {
    TTaskScheduleItem item;
    void Load(const TIniFile& ini, const Legacy::TLegacyLocale& locale);
};

class TImportItemOmbrisave1x final : public TLegacyImportItem {
public:
    TImportItemOmbrisave1x();  // new-item values

    QString Name;
    QString ID;
    TOmbrisaveBackupType BType = TOmbrisaveBackupType::btSimpleCopy;
    QString Source;
    bool IncludeSubfolders = true;
    QString Destination;
    std::vector<TOmbrisaveFilterItem> Filters;
    TOmbrisaveScheduleKind ScheduleKind = TOmbrisaveScheduleKind::shManual;
    std::vector<TOmbrisaveScheduleItem> Schedule;

    // "Data"
    QString AdvDataBelongToGroup, AdvDataSourceVolLabel, AdvDataSourceSerialNum, AdvDataDestinationVolLabel,
        AdvDataDestinationSerialNum;
    TDateTime AdvDataCreated = 0, AdvDataLastRun = 0;
    // "FoldersMonitorOptions"
    bool DoWait = true;
    int WaitSeconds = 30;
    bool MonitorFileName = true, MonitorFolderName = true, MonitorAttributes = false, MonitorSize = true,
         MonitorLastWrite = true, MonitorSecurity = false;
    // "Options"
    bool AdvOptionsBackupOverwriteNeverDestination = false, AdvOptionsBackupSynchronizeFileDeletions = false,
         AdvOptionsBackupCopyInUseFiles = false, AdvOptionsBackupCompareAfterCopy = false,
         AdvOptionsKeepStructureFromRoot = false, AdvOptionsCopyIfSourceLengthIsZero = false,
         AdvOptionsClearSourceArchiveBit = false, AdvOptionsVersionsKeep = false;
    QString AdvOptionsVersionsFolder = QStringLiteral("%destination%File Versions Archive");
    int AdvOptionsVersionsFilesNum = 0;
    int AdvOptionsArchiveDeleteKind = 1;  // 0 delete, 1 recycle bin, 2 archive folder
    QString AdvOptionsArchiveFolder = QStringLiteral("%destination%Deleted Files Archive");
    int AdvOptionsArchiveKeepDeletedFilesNum = 0;
    int AdvOptionsZipCompression = 7;
    QString AdvOptionsZipPsw;
    bool AdvOptionsRunBefore = false, AdvOptionsRunAfter = false;
    QString AdvOptionsRunBeforeProgramName, AdvOptionsRunAfterProgramName, AdvOptionsDialEntry,
        AdvOptionsHardwareSkipList;
    bool AdvOptionsRunBeforeWaitProgram = true, AdvOptionsRunAfterWaitProgram = true,
         AdvOptionsDialDisconnectAfter = true;
    bool AdvOptionsBandwidthUse = false;
    int AdvOptionsBandwidthValue = 1;
    bool AdvOptionsBandwidthKBits = false;  // kilobits, else megabits

    // Source folders by the single-folder or "!" list form; each with a trailing separator.
    int SourceCount() const;
    QString SourceFolder(int i) const;  // empty out of range
    bool SourceIncludeSubfolders(int i) const;

    QString ItemName() const override { return Name; }
    QString GetStrType() const override;
    QString GetStrCompress() const override;
    QString PreviewSource() const override { return Source; }
    QString PreviewDestination() const override { return Destination; }
    std::unique_ptr<TTask> CreateTaskForImport() const override;

    // Applies the values of the additional ini block (sections "Data", "FoldersMonitorOptions",
    // "Options").
    void LoadAdditional(const TIniFile& ini, const Legacy::TLegacyLocale& locale);

private:
    struct TFolder {
        QString folder;
        bool subfolders = false;
    };
    std::vector<TFolder> Folders() const;
};

class TImportDataOmbrisave1x {
public:
    explicit TImportDataOmbrisave1x(TOmbrisave1xOptions options = {});

    // Reads the file; every problem is appended to errors as a text. Projects read before a problem stay.
    void Load(const QString& fileName, QStringList& errors);
    // The same over the bytes of a file (fileName only names it in the messages).
    void LoadFromBytes(const QByteArray& bytes, const QString& fileName, QStringList& errors);

    TLegacyItems Items;
    QStringList TrailingLines;  // the text after the projects; not used by the import

private:
    TOmbrisave1xOptions options_;
};

// The INI entries of an ini block, from its comma text.
TIniFile ParseIniBlock(const QString& commaText);
