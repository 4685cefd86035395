#include "model/Filters.h"

#include "settings/FormatText.h"

#include <QDate>
#include <array>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/LocaleFormats.h"
#include "settings/FormatText.h"
#include "settings/Language.h"
#include "store/SafeRegistry.h"

namespace {

constexpr std::array kFilterTypeNames{"fitInclude", "fitExclude"};
constexpr std::array kFilterKindNames{"fikFileName", "fikFolderName", "fikDateTime", "fikAttributes",
                                      "fikSize"};
constexpr std::array kFileNameKindNames{"fnkWildcard", "fnkSingleFile"};
constexpr std::array kFolderKindNames{"frkContains", "frkEmpty"};
constexpr std::array kDateTimeKindNames{"fidtkModified", "fidtkCreated", "fidtkLastAccessed"};
constexpr std::array kSelectorNames{"fidtsMonths",  "fidtsDays",        "fidtsHours",
                                    "fidtsMinutes", "fidtsDateBetween", "fidtsTimeBetween"};
constexpr std::array kSizeKindNames{"fiskLessThan", "fiskEqual", "fiskGreaterThan"};
constexpr std::array kSizeMeasureNames{"szmBytes", "szmKilobytes", "szmMegabytes"};

template <typename E, size_t N>
void WriteEnum(TSafeRegistry& reg, const QString& name, E value, const std::array<const char*, N>& names) {
    reg.WriteString(name, QString::fromLatin1(names[static_cast<size_t>(value)]));
}

// The stored text must be one of the names exactly, case included; anything else gives missing.
template <typename E, size_t N>
E ReadEnum(const TSafeRegistry& reg, const QString& name, const std::array<const char*, N>& names,
           E missing) {
    const QString text = reg.ReadString(name, QString());
    for (size_t i = 0; i < N; ++i) {
        if (text == QLatin1String(names[i]))
            return static_cast<E>(i);
    }
    return missing;
}

// Twelve calendar months earlier, same time of day (the 29th of February becomes the 28th).
TDateTime MinusTwelveMonths(TDateTime value) {
    if (value < 0 || !std::isfinite(value))
        return value - 365.0;
    const double whole = std::floor(value);
    const QDate epoch(1899, 12, 30);
    const QDate date = epoch.addDays(static_cast<qint64>(whole)).addMonths(-12);
    return static_cast<double>(epoch.daysTo(date)) + (value - whole);
}

// The entry's time at the 2-second precision the comparisons use (truncated to the even second). The
// old 2-second stamp could only hold the years 1980 to 2107; here every time from 1899-12-30 to the
// end of year 9999 keeps its real value, so a file stamped 1975 is compared by its own date. Only a
// time outside that span (or not a number) cannot be converted and counts as -1.0.
TDateTime EvenSecondTime(TDateTime t) {
    constexpr TDateTime kEndOfYear9999 = 2958466.0;
    if (!std::isfinite(t) || t < 0.0 || t >= kEndOfYear9999)
        return -1.0;
    double days = std::floor(t);
    qint64 ms = std::llround((t - days) * DateTime::MsPerDay);
    if (ms >= 86400000) {
        ms -= 86400000;
        days += 1.0;
    }
    ms -= ms % 2000;
    return days + static_cast<double>(ms) / DateTime::MsPerDay;
}

TDateTime TimeOfDay(TDateTime value) {
    return std::fabs(value - std::trunc(value));
}

bool MatchesDateTime(const TTaskFilterItem& item, const TDirEntry& entry, TDateTime now) {
    TDateTime raw = entry.lastWriteTime;
    if (item.dtKind == TDateTimeKind::fidtkCreated)
        raw = entry.creationTime;
    if (item.dtKind == TDateTimeKind::fidtkLastAccessed)
        raw = entry.lastAccessTime;
    const TDateTime t = EvenSecondTime(raw);
    // Whole milliseconds make the unit boundaries exact (one hour is 3600000 ms, not 0.041666... days).
    const qint64 distanceMs = std::llround(std::fabs(t - now) * DateTime::MsPerDay);
    switch (item.dtSelector) {
        case TDateTimeSelector::fidtsMonths:
            return distanceMs / 2629800000LL <= item.dtMonths;  // months of 30.4375 days
        case TDateTimeSelector::fidtsDays:
            return distanceMs / 86400000LL <= item.dtDays;
        case TDateTimeSelector::fidtsHours:
            return distanceMs / 3600000LL <= item.dtHours;
        case TDateTimeSelector::fidtsMinutes:
            return distanceMs / 60000LL <= item.dtMinutes;
        case TDateTimeSelector::fidtsDateBetween: {
            const double date = std::trunc(t);
            return date >= std::trunc(item.dtDateBetweenStart) && date <= std::trunc(item.dtDateBetweenEnd);
        }
        case TDateTimeSelector::fidtsTimeBetween: {
            const TDateTime time = TimeOfDay(t);
            const TDateTime start = TimeOfDay(item.dtTimeBetweenStart);
            const TDateTime end = TimeOfDay(item.dtTimeBetweenEnd);
            const bool notBefore = time > start || DateTime::SameTime(time, start);
            const bool notAfter = time < end || DateTime::SameTime(time, end);
            return notBefore && notAfter;
        }
    }
    return false;
}

bool MatchesAttributes(const TTaskFilterItem& item, const TDirEntry& entry) {
    if (entry.isFolder)
        return false;
    const TFileAttributes& a = entry.attributes;
    const bool anyFlag = item.atReadOnly || item.atArchive || item.atHidden || item.atSystem ||
                         item.atCompressed || item.atEncrypted;
    if (!anyFlag)
        return !a.Any();
    return (item.atReadOnly && a.readOnly) || (item.atArchive && a.archive) || (item.atHidden && a.hidden) ||
           (item.atSystem && a.system) || (item.atCompressed && a.compressed) ||
           (item.atEncrypted && a.encrypted);
}

bool MatchesSize(const TTaskFilterItem& item, const TDirEntry& entry) {
    if (entry.isFolder)
        return false;
    qint64 unit = 1;
    if (item.szMeasure == TSizeMeasure::szmKilobytes)
        unit = 1024;
    if (item.szMeasure == TSizeMeasure::szmMegabytes)
        unit = 1048576;
    const qint64 limit = static_cast<qint64>(item.szValue) * unit;
    switch (item.szKind) {
        case TSizeKind::fiskLessThan:
            return entry.size < limit;
        case TSizeKind::fiskEqual:
            return entry.size == limit;
        case TSizeKind::fiskGreaterThan:
            return entry.size > limit;
    }
    return false;
}

bool NeedsSeparator(const QString& folderPath) {
    return !folderPath.isEmpty() && !folderPath.endsWith(QLatin1Char('/'));
}

// File paths are compared exactly: Linux file names differ by case, and merging two of them would
// select the wrong file.
bool MatchesSingleFile(const TTaskFilterItem& item, const QString& folderPath, const TDirEntry& entry) {
    const QStringView wanted(item.fnSingleFile);
    const qsizetype separator = NeedsSeparator(folderPath) ? 1 : 0;
    if (wanted.size() != folderPath.size() + separator + entry.name.size())
        return false;
    if (!wanted.startsWith(folderPath))
        return false;
    if (separator != 0 && wanted[folderPath.size()] != u'/')
        return false;
    return wanted.sliced(folderPath.size() + separator) == entry.name;
}

// Compares upper-cased texts, as the folder test always has. The text searched is folded into a
// per-thread buffer: the scan asks for every entry, and an allocation each time would dominate.
bool MatchesFolderContains(const TTaskFilterItem& item, const QString& folderPath, const TDirEntry& entry) {
    const qsizetype needleSize = item.frContains.size();
    if (needleSize == 0)
        return false;
    const bool separator = NeedsSeparator(folderPath);
    const size_t textSize = static_cast<size_t>(folderPath.size() + entry.name.size() + (separator ? 2 : 1));
    const size_t total = textSize + static_cast<size_t>(needleSize);
    thread_local std::vector<char16_t> buffer;
    if (buffer.size() < total)
        buffer.resize(total * 2);
    char16_t* out = buffer.data();
    const auto fold = [&out](const QString& part) {
        for (const QChar c : part)
            *out++ = FoldCase(c.unicode());
    };
    // The name is part of the text searched, so a file whose own name holds the text matches too.
    fold(folderPath);
    if (separator)
        *out++ = u'/';
    fold(entry.name);
    *out++ = u'/';
    fold(item.frContains);
    const std::u16string_view text(buffer.data(), textSize);
    const std::u16string_view needle(buffer.data() + textSize, static_cast<size_t>(needleSize));
    return text.find(needle) != std::u16string_view::npos;
}

bool ItemMatches(const TTaskFilterItem& item, const QString& folderPath, const TDirEntry& entry,
                 std::optional<TDateTime>& now) {
    switch (item.FilterKind) {
        case TFilterKind::fikFileName: {
            if (entry.isFolder)
                return false;
            if (item.fnKind == TFileNameKind::fnkSingleFile)
                return MatchesSingleFile(item, folderPath, entry);
            const TMaskList& masks = item.Masks();
            if (masks.blank)
                return false;
            if (!masks.wellFormed)
                throw EFilterMaskError(FilterCaption(item), masks.malformedMask);
            return masks.MatchesAny(entry.name, !entry.name.contains(QLatin1Char('.')));
        }
        case TFilterKind::fikFolderName:
            // An "empty folders" item acts only through IncludesEmptyFolders.
            return item.frKind == TFolderKind::frkContains && MatchesFolderContains(item, folderPath, entry);
        case TFilterKind::fikDateTime:
            if (!now)
                now = DateTime::Now();
            return MatchesDateTime(item, entry, *now);
        case TFilterKind::fikAttributes:
            return MatchesAttributes(item, entry);
        case TFilterKind::fikSize:
            return MatchesSize(item, entry);
    }
    return false;
}

bool Apply(const TTaskFilterItem& item, bool verdict, const QString& folderPath, const TDirEntry& entry,
           std::optional<TDateTime>& now) {
    if (!ItemMatches(item, folderPath, entry, now))
        return verdict;
    return item.FilterType == TFilterType::fitInclude;
}

const TFileMask& VersionCopyCompiled() {
    static const TFileMask mask = [] {
        TFileMask compiled;
        TFileMask::Compile(VersionCopyMask(), compiled);
        return compiled;
    }();
    return mask;
}

constexpr std::array<TFilterPreset, 12> kPresets{{
    {"All Files (*.*)", TFilterType::fitInclude, "*.*"},
    {"MS Office (tm) Documents (XLS, DOC, PPT, PUB, MPP, VSD, WPS)", TFilterType::fitInclude,
     "*.XLS;*.DOC;*.PPT;*.PUB;*.MPP;*.VSD;*.WPS"},
    {"General Documents (TXT, RTF, XML, VCF)", TFilterType::fitInclude, "*.TXT;*.RTF;*.XML;*.VCF"},
    {"Internet Documents (HTML, HTM, ASP, PHP, XML)", TFilterType::fitInclude,
     "*.HTML;*.HTM;*.ASP;*.PHP;*.XML"},
    {"Graphic Files (JPEG, JPG, GIF, BMP, PNG, RAW, CDR, PSD, PSP, FLA)", TFilterType::fitInclude,
     "*.JPEG;*.JPG;*.GIF;*.BMP;*.PNG;*.RAW;*.CDR;*.PSD;*.PSP;*.FLA"},
    {"Audio Files (MP3, M3U, WMA, WAV, OGG, MIDI, MID, RA)", TFilterType::fitInclude,
     "*.MP3;*.M3U;*.WMA;*.WAV;*.OGG;*.MIDI;*.MID;*.RA"},
    {"Video Files (AVI, MOV, ASF, WMV, WM, MPG, MPE, MPEG, MP4, 3GP, RM)", TFilterType::fitInclude,
     "*.AVI;*.MOV;*.ASF;*.WMV;*.WM;*.MPG;*.MPE;*.MPEG;*.MP4;*.3GP;*.RM"},
    {"All Files (*.*)", TFilterType::fitExclude, "*.*"},
    {"Temporary files - General (TMP, BAK)", TFilterType::fitExclude, "*.TMP;*.BAK"},
    {"Temporary files - Visual Studio (APS, IDB, PDB, ILK, PCH, PBI, PBO, PBT, MAP, PLG)",
     TFilterType::fitExclude, "*.APS;*.IDB;*.PDB;*.ILK;*.PCH;*.PBI;*.PBO;*.PBT;*.MAP;*.PLG"},
    {"Temporary files - Delphi (~???, DPP)", TFilterType::fitExclude, "*.~???;*.DPP"},
    {"Executable Files (EXE, CMD, BAT, COM)", TFilterType::fitExclude, "*.EXE;*.CMD;*.BAT;*.COM"},
}};

}  // namespace

TTaskFilterItem::TTaskFilterItem() {
    const TDateTime now = DateTime::Now();
    dtDateBetweenStart = MinusTwelveMonths(now);
    dtDateBetweenEnd = now;
    dtTimeBetweenStart = now - 0.5;
    dtTimeBetweenEnd = now;
}

void TTaskFilterItem::LoadFromRegistry(const TSafeRegistry& reg) {
    Enabled = reg.ReadBool(QStringLiteral("Enabled"), true);
    FilterType = ReadEnum(reg, QStringLiteral("FilterType"), kFilterTypeNames, TFilterType::fitExclude);
    FilterKind = ReadEnum(reg, QStringLiteral("FilterKind"), kFilterKindNames, TFilterKind::fikSize);
    fnKind = ReadEnum(reg, QStringLiteral("fnKind"), kFileNameKindNames, TFileNameKind::fnkSingleFile);
    fnWildcard = reg.ReadString(QStringLiteral("fnWildcard"), QString());
    fnSingleFile = reg.ReadString(QStringLiteral("fnSingleFile"), QString());
    frKind = ReadEnum(reg, QStringLiteral("frKind"), kFolderKindNames, TFolderKind::frkEmpty);
    frContains = reg.ReadString(QStringLiteral("frContains"), QString());
    dtKind = ReadEnum(reg, QStringLiteral("dtKind"), kDateTimeKindNames, TDateTimeKind::fidtkLastAccessed);
    dtSelector =
        ReadEnum(reg, QStringLiteral("dtSelector"), kSelectorNames, TDateTimeSelector::fidtsTimeBetween);
    dtMonths = reg.ReadInteger(QStringLiteral("dtMonths"), 0);
    dtDays = reg.ReadInteger(QStringLiteral("dtDays"), 0);
    dtHours = reg.ReadInteger(QStringLiteral("dtHours"), 0);
    dtMinutes = reg.ReadInteger(QStringLiteral("dtMinutes"), 0);
    dtDateBetweenStart = reg.ReadDate(QStringLiteral("dtDateBetweenStart"), 0);
    dtDateBetweenEnd = reg.ReadDate(QStringLiteral("dtDateBetweenEnd"), 0);
    dtTimeBetweenStart = reg.ReadTime(QStringLiteral("dtTimeBetweenStart"), 0);
    dtTimeBetweenEnd = reg.ReadTime(QStringLiteral("dtTimeBetweenEnd"), 0);
    atReadOnly = reg.ReadBool(QStringLiteral("atReadOnly"), false);
    atArchive = reg.ReadBool(QStringLiteral("atArchive"), false);
    atHidden = reg.ReadBool(QStringLiteral("atHidden"), false);
    atSystem = reg.ReadBool(QStringLiteral("atSystem"), false);
    atCompressed = reg.ReadBool(QStringLiteral("atCompressed"), false);
    atEncrypted = reg.ReadBool(QStringLiteral("atEncrypted"), false);
    szKind = ReadEnum(reg, QStringLiteral("szKind"), kSizeKindNames, TSizeKind::fiskGreaterThan);
    szValue = reg.ReadInteger(QStringLiteral("szValue"), 0);
    szMeasure = ReadEnum(reg, QStringLiteral("szMeasure"), kSizeMeasureNames, TSizeMeasure::szmMegabytes);
}

void TTaskFilterItem::SaveToRegistry(TSafeRegistry& reg) const {
    reg.WriteBool(QStringLiteral("Enabled"), Enabled);
    WriteEnum(reg, QStringLiteral("FilterType"), FilterType, kFilterTypeNames);
    WriteEnum(reg, QStringLiteral("FilterKind"), FilterKind, kFilterKindNames);
    WriteEnum(reg, QStringLiteral("fnKind"), fnKind, kFileNameKindNames);
    reg.WriteString(QStringLiteral("fnWildcard"), fnWildcard);
    reg.WriteString(QStringLiteral("fnSingleFile"), fnSingleFile);
    WriteEnum(reg, QStringLiteral("frKind"), frKind, kFolderKindNames);
    reg.WriteString(QStringLiteral("frContains"), frContains);
    WriteEnum(reg, QStringLiteral("dtKind"), dtKind, kDateTimeKindNames);
    WriteEnum(reg, QStringLiteral("dtSelector"), dtSelector, kSelectorNames);
    reg.WriteInteger(QStringLiteral("dtMonths"), dtMonths);
    reg.WriteInteger(QStringLiteral("dtDays"), dtDays);
    reg.WriteInteger(QStringLiteral("dtHours"), dtHours);
    reg.WriteInteger(QStringLiteral("dtMinutes"), dtMinutes);
    reg.WriteDate(QStringLiteral("dtDateBetweenStart"), dtDateBetweenStart);
    reg.WriteDate(QStringLiteral("dtDateBetweenEnd"), dtDateBetweenEnd);
    reg.WriteTime(QStringLiteral("dtTimeBetweenStart"), dtTimeBetweenStart);
    reg.WriteTime(QStringLiteral("dtTimeBetweenEnd"), dtTimeBetweenEnd);
    reg.WriteBool(QStringLiteral("atReadOnly"), atReadOnly);
    reg.WriteBool(QStringLiteral("atArchive"), atArchive);
    reg.WriteBool(QStringLiteral("atHidden"), atHidden);
    reg.WriteBool(QStringLiteral("atSystem"), atSystem);
    reg.WriteBool(QStringLiteral("atCompressed"), atCompressed);
    reg.WriteBool(QStringLiteral("atEncrypted"), atEncrypted);
    WriteEnum(reg, QStringLiteral("szKind"), szKind, kSizeKindNames);
    reg.WriteInteger(QStringLiteral("szValue"), szValue);
    WriteEnum(reg, QStringLiteral("szMeasure"), szMeasure, kSizeMeasureNames);
}

bool PassesFilters(const TTaskFiltersList& filters, const QString& folderPath, const TDirEntry& entry,
                   const QString& excludedName, bool skipVersionCopies) {
    if (skipVersionCopies && IsVersionCopyName(entry.name))
        return false;
    if (entry.name == excludedName)
        return false;
    bool verdict = entry.isFolder;
    std::optional<TDateTime> now;
    // Applied from the last item to the first, so the first matching item in list order has the last
    // word. Every enabled item is evaluated, so a malformed mask is reported whatever the items above it say.
    for (auto it = filters.rbegin(); it != filters.rend(); ++it) {
        if (it->Enabled)
            verdict = Apply(*it, verdict, folderPath, entry, now);
    }
    return verdict;
}

bool ApplyFilterItem(const TTaskFilterItem& item, bool verdict, const QString& folderPath,
                     const TDirEntry& entry) {
    std::optional<TDateTime> now;
    return Apply(item, verdict, folderPath, entry, now);
}

bool IncludesEmptyFolders(const TTaskFiltersList& filters) {
    for (const TTaskFilterItem& item : filters) {
        if (item.Enabled && item.FilterKind == TFilterKind::fikFolderName &&
            item.frKind == TFolderKind::frkEmpty)
            return item.FilterType == TFilterType::fitInclude;
    }
    return false;
}

bool HasEnabledItem(const TTaskFiltersList& filters) {
    for (const TTaskFilterItem& item : filters) {
        if (item.Enabled)
            return true;
    }
    return false;
}

bool HasEnabledIncludeItem(const TTaskFiltersList& filters) {
    for (const TTaskFilterItem& item : filters) {
        if (item.Enabled && item.FilterType == TFilterType::fitInclude)
            return true;
    }
    return false;
}

QString FilterCaption(const TTaskFilterItem& item) {
    const QString ie =
        item.FilterType == TFilterType::fitInclude
            ? Translate(QStringLiteral("Include"), QStringLiteral("strTaskTypesFilterInclude"))
            : Translate(QStringLiteral("Exclude"), QStringLiteral("strTaskTypesFilterExclude"));
    switch (item.FilterKind) {
        case TFilterKind::fikFileName:
            if (item.fnKind == TFileNameKind::fnkWildcard)
                return FormatText(Translate(QStringLiteral("%s files matching the wildcard: \"%s\"."),
                                            QStringLiteral("strTaskTypesFilterWildcard")),
                                  {ie, item.fnWildcard});
            return FormatText(
                Translate(QStringLiteral("%s file \"%s\"."), QStringLiteral("strTaskTypesFilterSingleFile")),
                {ie, item.fnSingleFile});
        case TFilterKind::fikFolderName:
            if (item.frKind == TFolderKind::frkContains)
                return FormatText(Translate(QStringLiteral("%s if folder name/path contains: \"%s\"."),
                                            QStringLiteral("strTaskTypesFilterFolderContains")),
                                  {ie, item.frContains});
            return FormatText(Translate(QStringLiteral("%s empty folders."),
                                        QStringLiteral("strTaskTypesFilterFolderEmpty")),
                              {ie});
        case TFilterKind::fikDateTime: {
            QString phrase;
            switch (item.dtKind) {
                case TDateTimeKind::fidtkModified:
                    phrase = Translate(QStringLiteral("if file modified"),
                                       QStringLiteral("strTaskTypesFilterDateTimeModified"));
                    break;
                case TDateTimeKind::fidtkCreated:
                    phrase = Translate(QStringLiteral("if file created"),
                                       QStringLiteral("strTaskTypesFilterDateTimeCreated"));
                    break;
                case TDateTimeKind::fidtkLastAccessed:
                    phrase = Translate(QStringLiteral("if file last accessed"),
                                       QStringLiteral("strTaskTypesFilterDateTimeAccessed"));
                    break;
            }
            QString detail;
            switch (item.dtSelector) {
                case TDateTimeSelector::fidtsMonths:
                    detail = FormatText(Translate(QStringLiteral("%s in the last %d months"),
                                                  QStringLiteral("strTaskTypesFilterDateTimeLastMonths")),
                                        {phrase, QString::number(item.dtMonths)});
                    break;
                case TDateTimeSelector::fidtsDays:
                    detail = FormatText(Translate(QStringLiteral("%s in the last %d days"),
                                                  QStringLiteral("strTaskTypesFilterDateTimeLastDays")),
                                        {phrase, QString::number(item.dtDays)});
                    break;
                case TDateTimeSelector::fidtsHours:
                    detail = FormatText(Translate(QStringLiteral("%s in the last %d hours"),
                                                  QStringLiteral("strTaskTypesFilterDateTimeLastHours")),
                                        {phrase, QString::number(item.dtHours)});
                    break;
                case TDateTimeSelector::fidtsMinutes:
                    detail = FormatText(Translate(QStringLiteral("%s in the last %d minutes"),
                                                  QStringLiteral("strTaskTypesFilterDateTimeLastMinutes")),
                                        {phrase, QString::number(item.dtMinutes)});
                    break;
                case TDateTimeSelector::fidtsDateBetween:
                    detail = FormatText(Translate(QStringLiteral("%s between %s and %s"),
                                                  QStringLiteral("strTaskTypesFilterDateTimeBetween")),
                                        {phrase, LocaleFormats::FormatShortDate(item.dtDateBetweenStart),
                                         LocaleFormats::FormatShortDate(item.dtDateBetweenEnd)});
                    break;
                case TDateTimeSelector::fidtsTimeBetween:
                    detail = FormatText(Translate(QStringLiteral("%s between %s and %s"),
                                                  QStringLiteral("strTaskTypesFilterDateTimeBetween")),
                                        {phrase, LocaleFormats::FormatLongTime(item.dtTimeBetweenStart),
                                         LocaleFormats::FormatLongTime(item.dtTimeBetweenEnd)});
                    break;
            }
            return FormatText(QStringLiteral("%s %s."), {ie, detail});
        }
        case TFilterKind::fikAttributes: {
            QStringList names;
            if (item.atReadOnly)
                names << Translate(QStringLiteral("Read Only"),
                                   QStringLiteral("strTaskTypesFilterAttributesReadOnly"));
            if (item.atArchive)
                names << Translate(QStringLiteral("Archive"),
                                   QStringLiteral("strTaskTypesFilterAttributesArchive"));
            if (item.atHidden)
                names << Translate(QStringLiteral("Hidden"),
                                   QStringLiteral("strTaskTypesFilterAttributesHidden"));
            if (item.atSystem)
                names << Translate(QStringLiteral("System"),
                                   QStringLiteral("strTaskTypesFilterAttributesSystem"));
            // Linux reports both through the inode flags, so they are named like the others.
            if (item.atCompressed)
                names << Translate(QStringLiteral("Compressed"),
                                   QStringLiteral("strTaskTypesFilterAttributesCompressed"));
            if (item.atEncrypted)
                names << Translate(QStringLiteral("Encrypted"),
                                   QStringLiteral("strTaskTypesFilterAttributesEncrypted"));
            if (names.isEmpty())
                return FormatText(Translate(QStringLiteral("%s if no file attributes set."),
                                            QStringLiteral("strTaskTypesFilterAttributesNoSet")),
                                  {ie});
            const QString separator = QLatin1Char(' ') +
                                      Translate(QStringLiteral("or"), QStringLiteral("strOr")) +
                                      QLatin1Char(' ');
            return FormatText(Translate(QStringLiteral("%s if file attribute(s) set: %s."),
                                        QStringLiteral("strTaskTypesFilterAttributesSet")),
                              {ie, names.join(separator)});
        }
        case TFilterKind::fikSize: {
            QString comparison;
            switch (item.szKind) {
                case TSizeKind::fiskLessThan:
                    comparison = Translate(QStringLiteral("file size <"),
                                           QStringLiteral("strTaskTypesFilterSizeLessThan"));
                    break;
                case TSizeKind::fiskEqual:
                    comparison = Translate(QStringLiteral("file size ="),
                                           QStringLiteral("strTaskTypesFilterSizeEqual"));
                    break;
                case TSizeKind::fiskGreaterThan:
                    comparison = Translate(QStringLiteral("file size >"),
                                           QStringLiteral("strTaskTypesFilterSizeGreaterThan"));
                    break;
            }
            QString unit;
            switch (item.szMeasure) {
                case TSizeMeasure::szmBytes:
                    unit = Translate(QStringLiteral("Bytes"), QStringLiteral("strTaskTypesFilterSizeBytes"));
                    break;
                case TSizeMeasure::szmKilobytes:
                    unit = Translate(QStringLiteral("KBytes"),
                                     QStringLiteral("strTaskTypesFilterSizeKilobytes"));
                    break;
                case TSizeMeasure::szmMegabytes:
                    unit = Translate(QStringLiteral("MBytes"),
                                     QStringLiteral("strTaskTypesFilterSizeMegabytes"));
                    break;
            }
            return FormatText(
                Translate(QStringLiteral("%s if %s %d %s."), QStringLiteral("strTaskTypesFilterSize")),
                {ie, comparison, QString::number(item.szValue), unit});
        }
    }
    return QString();
}

QString VersionCopyMask() {
    // Escaped question marks: "??-" and "??)" would otherwise read as trigraphs.
    return QStringLiteral("* (") + QStringLiteral("*") +
           QStringLiteral(" \?\?\?\?-\?\?-\?\? \?\?-\?\?-\?\?).*");
}

bool IsVersionCopyName(QStringView name) {
    // Every version copy has a ')': most names are ruled out by one fast scan.
    return name.contains(u')') && VersionCopyCompiled().Matches(name);
}

std::span<const TFilterPreset> FilterPresets() {
    return kPresets;
}

TTaskFilterItem MakePresetFilter(const TFilterPreset& preset) {
    TTaskFilterItem item;
    item.FilterType = preset.type;
    item.FilterKind = TFilterKind::fikFileName;
    item.fnKind = TFileNameKind::fnkWildcard;
    item.fnWildcard = QString::fromLatin1(preset.wildcard);
    return item;
}

TTaskFilterItem MakeIncludeAllFilter() {
    return MakePresetFilter(kPresets[0]);
}
