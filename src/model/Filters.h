#pragma once

#include <QString>
#include <QStringView>
#include <span>
#include <stdexcept>
#include <vector>

#include "model/FileMask.h"
#include "platform/DateTime.h"
#include "platform/DirEntry.h"

class TSafeRegistry;

enum class TFilterType { fitInclude, fitExclude };
enum class TFilterKind { fikFileName, fikFolderName, fikDateTime, fikAttributes, fikSize };
enum class TFileNameKind { fnkWildcard, fnkSingleFile };
enum class TFolderKind { frkContains, frkEmpty };
enum class TDateTimeKind { fidtkModified, fidtkCreated, fidtkLastAccessed };
enum class TDateTimeSelector {
    fidtsMonths,
    fidtsDays,
    fidtsHours,
    fidtsMinutes,
    fidtsDateBetween,
    fidtsTimeBetween
};
enum class TSizeKind { fiskLessThan, fiskEqual, fiskGreaterThan };
enum class TSizeMeasure { szmBytes, szmKilobytes, szmMegabytes };

// One include/exclude filter item of a task. Every field is persisted under its own name; a new item
// has the values below (the date fields are set by the constructor from the clock).
struct TTaskFilterItem {
    TTaskFilterItem();  // new-item values

    bool Enabled = true;
    TFilterType FilterType = TFilterType::fitInclude;
    TFilterKind FilterKind = TFilterKind::fikFileName;
    TFileNameKind fnKind = TFileNameKind::fnkWildcard;
    QString fnWildcard = QStringLiteral("*.*");
    QString fnSingleFile;
    TFolderKind frKind = TFolderKind::frkContains;
    QString frContains;
    TDateTimeKind dtKind = TDateTimeKind::fidtkModified;
    TDateTimeSelector dtSelector = TDateTimeSelector::fidtsMonths;
    int dtMonths = 1;
    int dtDays = 1;
    int dtHours = 1;
    int dtMinutes = 1;
    TDateTime dtDateBetweenStart = 0;
    TDateTime dtDateBetweenEnd = 0;
    TDateTime dtTimeBetweenStart = 0;
    TDateTime dtTimeBetweenEnd = 0;
    bool atReadOnly = false;
    bool atArchive = false;
    bool atHidden = false;
    bool atSystem = false;
    bool atCompressed = false;
    bool atEncrypted = false;
    TSizeKind szKind = TSizeKind::fiskLessThan;
    int szValue = 0;
    TSizeMeasure szMeasure = TSizeMeasure::szmBytes;

    // Reads every value from the current key of reg; a missing value (or an unknown enumeration text)
    // gives the "missing" default, which differs from the new-item value for several fields.
    void LoadFromRegistry(const TSafeRegistry& reg);
    // Writes every value into the current key of reg, in the documented order.
    void SaveToRegistry(TSafeRegistry& reg) const;

    // The compiled masks of fnWildcard (rebuilt when the text changes); safe for concurrent readers.
    const TMaskList& Masks() const { return maskCache_.Get(fnWildcard); }

    bool operator==(const TTaskFilterItem&) const = default;

    // Not persisted; compares equal and starts empty in copies.
    TFilterMaskCache maskCache_;
};

using TTaskFiltersList = std::vector<TTaskFilterItem>;

// The filter decision for one entry found in folderPath. The first enabled item in list order that
// matches the entry decides (include: passes, exclude: fails); without one, folders pass and files do
// not. excludedName (the task's index file) never passes, nor, with skipVersionCopies, the copies the
// versions archive makes. Throws EFilterMaskError when an enabled wildcard item evaluated for a file
// holds a mask that is not well formed.
bool PassesFilters(const TTaskFiltersList& filters, const QString& folderPath, const TDirEntry& entry,
                   const QString& excludedName, bool skipVersionCopies);

// The verdict after item: a matching include item gives true, a matching exclude item false, an item
// that does not match returns verdict unchanged. The Enabled flag is not looked at here.
bool ApplyFilterItem(const TTaskFilterItem& item, bool verdict, const QString& folderPath,
                     const TDirEntry& entry);

// Whether the scan must record every folder it enters (the first enabled "empty folders" item decides).
bool IncludesEmptyFolders(const TTaskFiltersList& filters);
bool HasEnabledItem(const TTaskFiltersList& filters);
bool HasEnabledIncludeItem(const TTaskFiltersList& filters);

// The item as one line of text for the filter list and the filter test.
QString FilterCaption(const TTaskFilterItem& item);

// The name mask of the copies made by the versions and deleted-files archives:
// "name (version yyyy-mm-dd hh-mm-ss).ext".
QString VersionCopyMask();
bool IsVersionCopyName(QStringView name);

// The preset items the task properties offer, in menu order (includes first, then excludes).
struct TFilterPreset {
    const char* caption;
    TFilterType type;
    const char* wildcard;
};
std::span<const TFilterPreset> FilterPresets();
// A new file-name wildcard item with the preset's type and wildcard, every other field new.
TTaskFilterItem MakePresetFilter(const TFilterPreset& preset);
// The one item a task created from the main window starts with: include files matching "*.*".
TTaskFilterItem MakeIncludeAllFilter();
