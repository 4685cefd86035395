#include <gtest/gtest.h>

#include <cmath>

#include "fixtures/TempHome.h"
#include "model/Filters.h"
#include "platform/DateTime.h"
#include "platform/LocaleFormats.h"
#include "settings/Language.h"

namespace {

TDirEntry FileEntry(const QString& name, qint64 size = 100) {
    TDirEntry entry;
    entry.name = name;
    entry.size = size;
    return entry;
}

TDirEntry FolderEntry(const QString& name) {
    TDirEntry entry;
    entry.name = name;
    entry.isFolder = true;
    return entry;
}

TTaskFilterItem Wildcard(TFilterType type, const QString& wildcard) {
    TTaskFilterItem item;
    item.FilterType = type;
    item.fnWildcard = wildcard;
    return item;
}

TTaskFilterItem Include(const QString& wildcard) {
    return Wildcard(TFilterType::fitInclude, wildcard);
}
TTaskFilterItem Exclude(const QString& wildcard) {
    return Wildcard(TFilterType::fitExclude, wildcard);
}

bool Passes(const TTaskFiltersList& filters, const TDirEntry& entry, const QString& folder = "/work/",
            const QString& excluded = "Tarnovex.idx", bool skipVersions = false) {
    return PassesFilters(filters, folder, entry, excluded, skipVersions);
}

// A fixed "now" on an even second, so that tests never depend on the machine's clock.
const TDateTime kNow = DateTime::Encode(2024, 6, 15, 12, 0, 0);
constexpr double kHour = 1.0 / 24.0;
constexpr double kSecond = 1.0 / 86400.0;

class FilterClockTest : public TarnovexTest {
protected:
    void SetUp() override {
        DateTime::SetClock([] { return kNow; });
    }

    static TTaskFilterItem DateItem(TFilterType type, TDateTimeSelector selector) {
        TTaskFilterItem item;
        item.FilterType = type;
        item.FilterKind = TFilterKind::fikDateTime;
        item.dtKind = TDateTimeKind::fidtkModified;
        item.dtSelector = selector;
        return item;
    }
    static TDirEntry ModifiedAt(TDateTime when, bool folder = false) {
        TDirEntry entry = folder ? FolderEntry("sub") : FileEntry("f.txt");
        entry.lastWriteTime = when;
        return entry;
    }
    static bool Matches(const TTaskFilterItem& item, const TDirEntry& entry) {
        return ApplyFilterItem(item, false, "/work/", entry);  // an include item turns false into true
    }
};

}  // namespace

TEST(Filters, EmptyListPassesEveryFolderAndNoFile) {
    EXPECT_TRUE(Passes({}, FolderEntry("docs")));
    EXPECT_FALSE(Passes({}, FileEntry("a.txt")));
    EXPECT_FALSE(HasEnabledItem({}));
    EXPECT_FALSE(HasEnabledIncludeItem({}));
}

TEST(Filters, FirstMatchingItemInListOrderDecides) {
    TTaskFiltersList filters{Exclude("*.TMP"), Include("*.*")};
    EXPECT_FALSE(Passes(filters, FileEntry("a.tmp")));
    EXPECT_TRUE(Passes(filters, FileEntry("b.doc")));
    std::swap(filters[0], filters[1]);
    EXPECT_TRUE(Passes(filters, FileEntry("a.tmp")));
}

TEST(Filters, ApplyFilterItemChangesTheVerdictOnlyOnAMatch) {
    const TDirEntry doc = FileEntry("a.doc");
    for (const bool verdict : {false, true}) {
        EXPECT_TRUE(ApplyFilterItem(Include("*.doc"), verdict, "/w", doc));
        EXPECT_FALSE(ApplyFilterItem(Exclude("*.doc"), verdict, "/w", doc));
        EXPECT_EQ(ApplyFilterItem(Include("*.txt"), verdict, "/w", doc), verdict);
        EXPECT_EQ(ApplyFilterItem(Exclude("*.txt"), verdict, "/w", doc), verdict);
    }
}

TEST(Filters, DisabledItemsTakeNoPart) {
    TTaskFiltersList filters{Exclude("*.TMP"), Include("*.*")};
    filters[0].Enabled = false;
    EXPECT_TRUE(Passes(filters, FileEntry("a.tmp")));
    filters[1].Enabled = false;
    EXPECT_FALSE(Passes(filters, FileEntry("a.tmp")));
    EXPECT_FALSE(HasEnabledItem(filters));
    filters[0].Enabled = true;
    EXPECT_TRUE(HasEnabledItem(filters));
    EXPECT_FALSE(HasEnabledIncludeItem(filters));
}

TEST(Filters, ExcludeAllFilesStillLetsFoldersThrough) {
    const TTaskFiltersList filters{Exclude("*.*")};
    EXPECT_TRUE(Passes(filters, FolderEntry("docs")));
    EXPECT_FALSE(Passes(filters, FileEntry("a.txt")));
}

TEST(Filters, NameWithoutDotGetsOneBeforeMatching) {
    EXPECT_TRUE(Passes({Include("*.*")}, FileEntry("README")));
    EXPECT_TRUE(Passes({Include("*.")}, FileEntry("README")));
    EXPECT_FALSE(Passes({Include("*.")}, FileEntry("read.me")));
}

TEST(Filters, BlankSeparatesMasksAndQuotesKeepBlanks) {
    EXPECT_TRUE(Passes({Include("*.txt *.doc")}, FileEntry("a.doc")));
    EXPECT_TRUE(Passes({Include("*.txt *.doc")}, FileEntry("a.txt")));
    EXPECT_FALSE(Passes({Include("my file.txt")}, FileEntry("my file.txt")));
    EXPECT_TRUE(Passes({Include("\"my file.txt\"")}, FileEntry("my file.txt")));
    EXPECT_TRUE(Passes({Include("*.jpg;\"my *.txt\"")}, FileEntry("MY notes.TXT")));
}

TEST(Filters, BlankWildcardMatchesNothing) {
    EXPECT_FALSE(Passes({Include("  ")}, FileEntry("a.txt")));
    EXPECT_TRUE(Passes({Exclude(""), Include("*.*")}, FileEntry("a.txt")));
}

TEST(Filters, FileNameItemsNeverMatchFolders) {
    EXPECT_TRUE(Passes({Exclude("*")}, FolderEntry("docs")));
    TTaskFilterItem single;
    single.FilterType = TFilterType::fitExclude;
    single.fnKind = TFileNameKind::fnkSingleFile;
    single.fnSingleFile = "/work/docs";
    EXPECT_TRUE(Passes({single}, FolderEntry("docs")));
}

TEST(Filters, SingleFileComparesTheFullPathExactly) {
    TTaskFilterItem item;
    item.fnKind = TFileNameKind::fnkSingleFile;
    item.fnSingleFile = "/home/ann/Docs/Plan.txt";
    const TTaskFiltersList filters{item};
    EXPECT_TRUE(Passes(filters, FileEntry("Plan.txt"), "/home/ann/Docs"));
    EXPECT_TRUE(Passes(filters, FileEntry("Plan.txt"), "/home/ann/Docs/"));
    // Linux file names differ by case: the other file is not the one named.
    EXPECT_FALSE(Passes(filters, FileEntry("plan.txt"), "/home/ann/Docs/"));
    EXPECT_FALSE(Passes(filters, FileEntry("Plan.txt"), "/home/ann/docs/"));
    EXPECT_FALSE(Passes(filters, FileEntry("Plan.txt"), "/home/ann/Doc"));
    EXPECT_FALSE(Passes(filters, FileEntry("an.txt"), "/home/ann/Docs/Pl"));
}

TEST(Filters, FolderContainsSearchesPathAndNameIgnoringCase) {
    TTaskFilterItem temp;
    temp.FilterType = TFilterType::fitExclude;
    temp.FilterKind = TFilterKind::fikFolderName;
    temp.frKind = TFolderKind::frkContains;
    temp.frContains = "TEMP";
    const TTaskFiltersList filters{temp, Include("*.*")};
    EXPECT_FALSE(Passes(filters, FolderEntry("Temp"), "/srv/Work/"));
    EXPECT_FALSE(Passes(filters, FileEntry("a.doc"), "/srv/Work/Temp"));
    EXPECT_FALSE(Passes(filters, FileEntry("temp.txt"), "/srv/Work/"));
    EXPECT_TRUE(Passes(filters, FileEntry("a.doc"), "/srv/Work/"));
    EXPECT_TRUE(Passes(filters, FolderEntry("Docs"), "/srv/Work"));

    // The separator after the name lets "/temp/" match the folder itself but not "temporary".
    TTaskFilterItem exact = temp;
    exact.frContains = "/temp/";
    EXPECT_FALSE(Passes({exact}, FolderEntry("Temp"), "/srv/Work"));
    EXPECT_TRUE(Passes({exact}, FolderEntry("Temporary"), "/srv/Work"));

    TTaskFilterItem empty = temp;
    empty.frContains.clear();
    EXPECT_TRUE(Passes({empty}, FolderEntry("Temp"), "/srv/Work"));
}

TEST(Filters, EmptyFolderItemActsOnlyThroughIncludesEmptyFolders) {
    TTaskFilterItem empty;
    empty.FilterType = TFilterType::fitExclude;
    empty.FilterKind = TFilterKind::fikFolderName;
    empty.frKind = TFolderKind::frkEmpty;
    EXPECT_TRUE(Passes({empty}, FolderEntry("x")));
    EXPECT_FALSE(Passes({empty}, FileEntry("x.txt")));
}

TEST(Filters, IncludesEmptyFoldersFollowsTheFirstEnabledEmptyFolderItem) {
    TTaskFilterItem include;
    include.FilterKind = TFilterKind::fikFolderName;
    include.frKind = TFolderKind::frkEmpty;
    TTaskFilterItem exclude = include;
    exclude.FilterType = TFilterType::fitExclude;
    TTaskFilterItem containsItem = include;
    containsItem.frKind = TFolderKind::frkContains;

    EXPECT_FALSE(IncludesEmptyFolders({}));
    EXPECT_FALSE(IncludesEmptyFolders({containsItem, Include("*.*")}));
    EXPECT_TRUE(IncludesEmptyFolders({containsItem, include, exclude}));
    EXPECT_FALSE(IncludesEmptyFolders({exclude, include}));
    exclude.Enabled = false;
    EXPECT_TRUE(IncludesEmptyFolders({exclude, include}));
}

TEST(Filters, SizeLimitsUse64BitsAndTheUnit) {
    TTaskFilterItem item;
    item.FilterKind = TFilterKind::fikSize;
    item.szKind = TSizeKind::fiskGreaterThan;
    item.szValue = 4;
    item.szMeasure = TSizeMeasure::szmMegabytes;
    EXPECT_TRUE(Passes({item}, FileEntry("big.iso", 6LL * 1024 * 1024 * 1024)));
    EXPECT_FALSE(Passes({item}, FileEntry("small", 4LL * 1048576)));
    EXPECT_TRUE(Passes({item}, FileEntry("just", 4LL * 1048576 + 1)));

    item.szKind = TSizeKind::fiskEqual;
    item.szValue = 2;
    item.szMeasure = TSizeMeasure::szmKilobytes;
    EXPECT_TRUE(Passes({item}, FileEntry("k", 2048)));
    EXPECT_FALSE(Passes({item}, FileEntry("k", 2047)));

    item.szKind = TSizeKind::fiskLessThan;
    item.szValue = 3000000;  // 3000000 MB overflows 32 bits
    item.szMeasure = TSizeMeasure::szmMegabytes;
    EXPECT_TRUE(Passes({item}, FileEntry("k", 6LL * 1024 * 1024 * 1024)));
    item.szValue = 10;
    item.szMeasure = TSizeMeasure::szmBytes;
    EXPECT_TRUE(Passes({item}, FileEntry("k", 9)));
    EXPECT_FALSE(Passes({item}, FileEntry("k", 10)));
    // Size items never match folders: an exclude cannot stop the scan descending.
    item.FilterType = TFilterType::fitExclude;
    EXPECT_TRUE(Passes({item}, FolderEntry("d")));
}

TEST(Filters, AttributeItemWithoutFlagsMatchesPlainFilesOnly) {
    TTaskFilterItem none;
    none.FilterKind = TFilterKind::fikAttributes;
    TDirEntry hidden = FileEntry(".hidden");
    hidden.attributes.hidden = true;
    EXPECT_TRUE(Passes({none}, FileEntry("plain.txt")));
    EXPECT_FALSE(Passes({none}, hidden));
    // The hidden file does not match and keeps the verdict of the items below.
    EXPECT_TRUE(Passes({none, Include("*")}, hidden));
    none.FilterType = TFilterType::fitExclude;
    EXPECT_TRUE(Passes({none}, FolderEntry("d")));  // folders never match attribute items
}

TEST(Filters, AttributeFlagsMatchWhenAnySetFlagIsPresent) {
    TTaskFilterItem item;
    item.FilterType = TFilterType::fitExclude;
    item.FilterKind = TFilterKind::fikAttributes;
    item.atHidden = true;
    item.atCompressed = true;
    const TTaskFiltersList filters{item, Include("*")};
    TDirEntry entry = FileEntry("f");
    EXPECT_TRUE(Passes(filters, entry));
    entry.attributes.readOnly = true;
    EXPECT_TRUE(Passes(filters, entry));
    entry.attributes.compressed = true;
    EXPECT_FALSE(Passes(filters, entry));
    entry.attributes = {};
    entry.attributes.encrypted = true;
    EXPECT_TRUE(Passes(filters, entry));
    item.atEncrypted = true;
    EXPECT_FALSE(Passes({item, Include("*")}, entry));
    TDirEntry folder = FolderEntry(".git");
    folder.attributes.hidden = true;
    EXPECT_TRUE(Passes(filters, folder));
}

TEST(Filters, IndexFileAndVersionCopiesNeverPass) {
    const TTaskFiltersList filters{Include("*")};
    EXPECT_FALSE(Passes(filters, FileEntry("Tarnovex.idx")));
    EXPECT_TRUE(Passes(filters, FileEntry("tarnovex.IDX")));  // another file on Linux
    EXPECT_FALSE(Passes(filters, FolderEntry("Tarnovex.idx")));

    const TDirEntry copy = FileEntry("report (1 2006-05-01 10-20-30).doc");
    EXPECT_FALSE(Passes(filters, copy, "/work/", "Tarnovex.idx", true));
    EXPECT_TRUE(Passes(filters, copy, "/work/", "Tarnovex.idx", false));
    EXPECT_TRUE(Passes(filters, FileEntry("report (draft).doc"), "/work/", "Tarnovex.idx", true));
    EXPECT_TRUE(IsVersionCopyName(u"a (b c 2020-01-02 03-04-05).txt"));
    EXPECT_FALSE(IsVersionCopyName(u"a (2020-01-02 03-04-05).txt"));
    EXPECT_EQ(VersionCopyMask(), QStringLiteral("* (* \?\?\?\?-\?\?-\?\? \?\?-\?\?-\?\?).*"));
}

TEST(Filters, MalformedMaskThrowsWithTheCaptionOfItsItem) {
    const TTaskFilterItem bad = Include("*.txt;[abc");
    const TTaskFiltersList filters{Include("*.doc"), bad};
    try {
        Passes(filters, FileEntry("a.doc"));
        FAIL() << "no exception";
    } catch (const EFilterMaskError& e) {
        EXPECT_EQ(e.Caption(), FilterCaption(bad));
        EXPECT_EQ(e.Caption(), QStringLiteral("Include files matching the wildcard: \"*.txt;[abc\"."));
        EXPECT_EQ(e.Mask(), QStringLiteral("[abc"));
    }
    // Folders never reach the masks, and a disabled item is never looked at.
    EXPECT_NO_THROW(Passes(filters, FolderEntry("sub")));
    TTaskFiltersList disabled = filters;
    disabled[1].Enabled = false;
    EXPECT_NO_THROW(Passes(disabled, FileEntry("a.doc")));
}

TEST(Filters, ChangedWildcardOfTheSameItemIsCompiledAgain) {
    TTaskFiltersList filters{Include("*.txt")};
    EXPECT_TRUE(Passes(filters, FileEntry("a.txt")));
    filters[0].fnWildcard = "*.doc";
    EXPECT_FALSE(Passes(filters, FileEntry("a.txt")));
    const TTaskFiltersList copy = filters;
    EXPECT_TRUE(copy == filters);
    EXPECT_TRUE(Passes(copy, FileEntry("a.doc")));
}

TEST(Filters, PresetsInMenuOrderCreateFileNameItems) {
    const auto presets = FilterPresets();
    ASSERT_EQ(presets.size(), 12u);
    EXPECT_STREQ(presets[0].caption, "All Files (*.*)");
    EXPECT_EQ(presets[0].type, TFilterType::fitInclude);
    EXPECT_STREQ(presets[7].caption, "All Files (*.*)");
    EXPECT_EQ(presets[7].type, TFilterType::fitExclude);
    EXPECT_STREQ(presets[10].wildcard, "*.~???;*.DPP");
    for (size_t i = 0; i < presets.size(); ++i)
        EXPECT_EQ(presets[i].type, i < 7 ? TFilterType::fitInclude : TFilterType::fitExclude) << i;

    TTaskFilterItem graphics = MakePresetFilter(presets[4]);
    graphics.FilterKind = TFilterKind::fikFileName;
    EXPECT_TRUE(Passes({graphics}, FileEntry("photo.jpg")));
    EXPECT_FALSE(Passes({graphics}, FileEntry("photo.jpg.txt")));
    EXPECT_FALSE(Passes({MakePresetFilter(presets[10]), Include("*")}, FileEntry("Unit1.~pas")));

    const TTaskFilterItem all = MakeIncludeAllFilter();
    EXPECT_EQ(all.FilterType, TFilterType::fitInclude);
    EXPECT_EQ(all.FilterKind, TFilterKind::fikFileName);
    EXPECT_EQ(all.fnKind, TFileNameKind::fnkWildcard);
    EXPECT_EQ(all.fnWildcard, QStringLiteral("*.*"));
    EXPECT_TRUE(all.Enabled);
}

TEST_F(FilterClockTest, NewItemDatesComeFromTheClock) {
    DateTime::SetClock([] { return DateTime::Encode(2024, 2, 29, 10, 30, 0); });
    const TTaskFilterItem item;
    EXPECT_TRUE(DateTime::SameTime(item.dtDateBetweenStart, DateTime::Encode(2023, 2, 28, 10, 30, 0)));
    EXPECT_TRUE(DateTime::SameTime(item.dtDateBetweenEnd, DateTime::Encode(2024, 2, 29, 10, 30, 0)));
    EXPECT_TRUE(DateTime::SameTime(item.dtTimeBetweenStart, DateTime::Encode(2024, 2, 28, 22, 30, 0)));
    EXPECT_TRUE(DateTime::SameTime(item.dtTimeBetweenEnd, DateTime::Encode(2024, 2, 29, 10, 30, 0)));
    EXPECT_EQ(item.dtMonths, 1);
    EXPECT_EQ(item.szMeasure, TSizeMeasure::szmBytes);
}

TEST_F(FilterClockTest, DaysZeroMeansWithin24HoursEitherSide) {
    TTaskFilterItem item = DateItem(TFilterType::fitInclude, TDateTimeSelector::fidtsDays);
    item.dtDays = 0;
    EXPECT_TRUE(Matches(item, ModifiedAt(kNow - 23 * kHour)));
    EXPECT_TRUE(Matches(item, ModifiedAt(kNow + 23 * kHour)));
    EXPECT_FALSE(Matches(item, ModifiedAt(kNow - 25 * kHour)));
    EXPECT_FALSE(Matches(item, ModifiedAt(kNow + 25 * kHour)));
}

TEST_F(FilterClockTest, DateItemsApplyToFolders) {
    TTaskFilterItem item = DateItem(TFilterType::fitExclude, TDateTimeSelector::fidtsDays);
    item.dtDays = 7;
    const TTaskFiltersList filters{item, Include("*")};
    EXPECT_FALSE(Passes(filters, ModifiedAt(kNow - 1.0, true)));
    EXPECT_TRUE(Passes(filters, ModifiedAt(kNow - 30.0, true)));
    EXPECT_FALSE(Passes(filters, ModifiedAt(kNow - 1.0)));
}

TEST_F(FilterClockTest, TimesAreTruncatedToTheEvenSecondBelow) {
    TTaskFilterItem item = DateItem(TFilterType::fitInclude, TDateTimeSelector::fidtsHours);
    item.dtHours = 1;
    EXPECT_FALSE(Matches(item, ModifiedAt(kNow - 2 * kHour)));
    EXPECT_TRUE(Matches(item, ModifiedAt(kNow - 2 * kHour + 2 * kSecond)));
    // 10:00:01.900 counts as 10:00:00, exactly two hours before now.
    EXPECT_FALSE(Matches(item, ModifiedAt(kNow - 2 * kHour + 1.9 * kSecond)));

    item.dtSelector = TDateTimeSelector::fidtsMinutes;
    item.dtMinutes = 10;
    EXPECT_TRUE(Matches(item, ModifiedAt(kNow - 10 * 60 * kSecond - 1.5 * kSecond)));
    EXPECT_FALSE(Matches(item, ModifiedAt(kNow - 11 * 60 * kSecond)));
}

TEST_F(FilterClockTest, MonthsAre30Point4375Days) {
    TTaskFilterItem item = DateItem(TFilterType::fitInclude, TDateTimeSelector::fidtsMonths);
    item.dtMonths = 1;
    EXPECT_TRUE(Matches(item, ModifiedAt(kNow - 60.0)));   // 1.97 months
    EXPECT_FALSE(Matches(item, ModifiedAt(kNow - 61.0)));  // 2.004 months
    item.dtMonths = 0;
    EXPECT_TRUE(Matches(item, ModifiedAt(kNow - 30.0)));
    EXPECT_FALSE(Matches(item, ModifiedAt(kNow - 30.5)));
}

TEST_F(FilterClockTest, TimeKindSelectsWhichEntryTimeIsCompared) {
    TTaskFilterItem item = DateItem(TFilterType::fitInclude, TDateTimeSelector::fidtsDays);
    item.dtDays = 1;
    TDirEntry entry = FileEntry("f");
    entry.lastWriteTime = kNow - 100.0;
    entry.creationTime = kNow - 0.5;
    entry.lastAccessTime = kNow - 200.0;
    EXPECT_FALSE(Matches(item, entry));
    item.dtKind = TDateTimeKind::fidtkCreated;
    EXPECT_TRUE(Matches(item, entry));
    item.dtKind = TDateTimeKind::fidtkLastAccessed;
    EXPECT_FALSE(Matches(item, entry));
    entry.lastAccessTime = kNow;
    EXPECT_TRUE(Matches(item, entry));
}

TEST_F(FilterClockTest, DateBetweenIgnoresTheTimeOfDay) {
    TTaskFilterItem item = DateItem(TFilterType::fitInclude, TDateTimeSelector::fidtsDateBetween);
    item.dtDateBetweenStart = DateTime::Encode(2024, 3, 1, 18, 0, 0);
    item.dtDateBetweenEnd = DateTime::Encode(2024, 3, 10, 6, 0, 0);
    EXPECT_TRUE(Matches(item, ModifiedAt(DateTime::Encode(2024, 3, 1, 0, 0, 0))));
    EXPECT_TRUE(Matches(item, ModifiedAt(DateTime::Encode(2024, 3, 10, 23, 59, 58))));
    EXPECT_FALSE(Matches(item, ModifiedAt(DateTime::Encode(2024, 2, 29, 23, 59, 58))));
    EXPECT_FALSE(Matches(item, ModifiedAt(DateTime::Encode(2024, 3, 11, 0, 0, 0))));
}

TEST_F(FilterClockTest, TimesBefore1980KeepTheirDateAndUnusableTimesCountAsMinusOne) {
    TTaskFilterItem item = DateItem(TFilterType::fitInclude, TDateTimeSelector::fidtsDateBetween);
    item.dtDateBetweenStart = DateTime::Encode(1970, 1, 1);
    item.dtDateBetweenEnd = DateTime::Encode(1979, 12, 31);
    EXPECT_TRUE(Matches(item, ModifiedAt(DateTime::Encode(1975, 5, 5, 14, 0, 0))));
    EXPECT_FALSE(Matches(item, ModifiedAt(-1.0)));

    item.dtDateBetweenStart = -1.0;
    item.dtDateBetweenEnd = -1.0;
    EXPECT_TRUE(Matches(item, ModifiedAt(std::nan(""))));
    EXPECT_TRUE(Matches(item, ModifiedAt(-5.25)));
    EXPECT_FALSE(Matches(item, ModifiedAt(0.0)));
}

TEST_F(FilterClockTest, TimeBetweenComparesTheTimeOfDayWithMillisecondTolerance) {
    TTaskFilterItem item = DateItem(TFilterType::fitInclude, TDateTimeSelector::fidtsTimeBetween);
    item.dtTimeBetweenStart = DateTime::Encode(2001, 1, 1, 9, 0, 0);
    item.dtTimeBetweenEnd = DateTime::Encode(2001, 1, 1, 17, 0, 0) + 0.4 / DateTime::MsPerDay;
    EXPECT_TRUE(Matches(item, ModifiedAt(DateTime::Encode(2024, 6, 1, 9, 0, 0))));
    EXPECT_TRUE(Matches(item, ModifiedAt(DateTime::Encode(2019, 6, 1, 17, 0, 1))));  // counts as 17:00:00
    EXPECT_FALSE(Matches(item, ModifiedAt(DateTime::Encode(2024, 6, 1, 17, 0, 2))));
    EXPECT_FALSE(Matches(item, ModifiedAt(DateTime::Encode(2024, 6, 1, 8, 59, 58))));
    const TDateTime nineOClock = item.dtTimeBetweenStart;
    item.dtTimeBetweenStart = nineOClock + 0.6 / DateTime::MsPerDay;
    EXPECT_TRUE(Matches(item, ModifiedAt(DateTime::Encode(2024, 6, 1, 9, 0, 0))));
    item.dtTimeBetweenStart = nineOClock + 1.5 / DateTime::MsPerDay;
    EXPECT_FALSE(Matches(item, ModifiedAt(DateTime::Encode(2024, 6, 1, 9, 0, 0))));
    item.dtTimeBetweenStart = nineOClock;
    // A start later than the end matches nothing.
    std::swap(item.dtTimeBetweenStart, item.dtTimeBetweenEnd);
    EXPECT_FALSE(Matches(item, ModifiedAt(DateTime::Encode(2024, 6, 1, 20, 0, 0))));
    EXPECT_FALSE(Matches(item, ModifiedAt(DateTime::Encode(2024, 6, 1, 3, 0, 0))));
}

class FilterCaptionTest : public TarnovexTest {
protected:
    void SetUp() override { LocaleFormats::Set({"dd.MM.yyyy", "HH:mm:ss"}); }
};

TEST_F(FilterCaptionTest, FileAndFolderCaptions) {
    TTaskFilterItem item = Include("*.txt;*.doc");
    EXPECT_EQ(FilterCaption(item), "Include files matching the wildcard: \"*.txt;*.doc\".");
    item.FilterType = TFilterType::fitExclude;
    item.fnKind = TFileNameKind::fnkSingleFile;
    item.fnSingleFile = "/a/b 100%.txt";
    EXPECT_EQ(FilterCaption(item), "Exclude file \"/a/b 100%.txt\".");
    item.FilterKind = TFilterKind::fikFolderName;
    item.frKind = TFolderKind::frkContains;
    item.frContains = "cache";
    EXPECT_EQ(FilterCaption(item), "Exclude if folder name/path contains: \"cache\".");
    item.frKind = TFolderKind::frkEmpty;
    EXPECT_EQ(FilterCaption(item), "Exclude empty folders.");
}

TEST_F(FilterCaptionTest, DateTimeCaptions) {
    TTaskFilterItem item;
    item.FilterKind = TFilterKind::fikDateTime;
    item.dtMonths = 3;
    EXPECT_EQ(FilterCaption(item), "Include if file modified in the last 3 months.");
    item.dtKind = TDateTimeKind::fidtkCreated;
    item.dtSelector = TDateTimeSelector::fidtsDays;
    item.dtDays = 7;
    EXPECT_EQ(FilterCaption(item), "Include if file created in the last 7 days.");
    item.dtKind = TDateTimeKind::fidtkLastAccessed;
    item.dtSelector = TDateTimeSelector::fidtsHours;
    item.dtHours = 5;
    EXPECT_EQ(FilterCaption(item), "Include if file last accessed in the last 5 hours.");
    item.dtSelector = TDateTimeSelector::fidtsMinutes;
    item.dtMinutes = 45;
    EXPECT_EQ(FilterCaption(item), "Include if file last accessed in the last 45 minutes.");
    item.FilterType = TFilterType::fitExclude;
    item.dtKind = TDateTimeKind::fidtkModified;
    item.dtSelector = TDateTimeSelector::fidtsDateBetween;
    item.dtDateBetweenStart = DateTime::Encode(2024, 1, 2, 13, 0, 0);
    item.dtDateBetweenEnd = DateTime::Encode(2024, 12, 31);
    EXPECT_EQ(FilterCaption(item), "Exclude if file modified between 02.01.2024 and 31.12.2024.");
    item.dtSelector = TDateTimeSelector::fidtsTimeBetween;
    item.dtTimeBetweenStart = DateTime::Encode(2024, 1, 2, 8, 5, 9);
    item.dtTimeBetweenEnd = DateTime::Encode(2020, 1, 2, 18, 30, 0);
    EXPECT_EQ(FilterCaption(item), "Exclude if file modified between 08:05:09 and 18:30:00.");
}

TEST_F(FilterCaptionTest, AttributeAndSizeCaptions) {
    TTaskFilterItem item;
    item.FilterKind = TFilterKind::fikAttributes;
    EXPECT_EQ(FilterCaption(item), "Include if no file attributes set.");
    item.atHidden = true;
    EXPECT_EQ(FilterCaption(item), "Include if file attribute(s) set: Hidden.");
    item.atReadOnly = item.atArchive = item.atSystem = item.atCompressed = item.atEncrypted = true;
    EXPECT_EQ(FilterCaption(item),
              "Include if file attribute(s) set: Read Only or Archive or Hidden or System or Compressed or "
              "Encrypted.");

    item.FilterKind = TFilterKind::fikSize;
    item.szValue = 4;
    EXPECT_EQ(FilterCaption(item), "Include if file size < 4 Bytes.");
    item.szKind = TSizeKind::fiskEqual;
    item.szMeasure = TSizeMeasure::szmKilobytes;
    EXPECT_EQ(FilterCaption(item), "Include if file size = 4 KBytes.");
    item.FilterType = TFilterType::fitExclude;
    item.szKind = TSizeKind::fiskGreaterThan;
    item.szMeasure = TSizeMeasure::szmMegabytes;
    item.szValue = -1;
    EXPECT_EQ(FilterCaption(item), "Exclude if file size > -1 MBytes.");
}

TEST_F(FilterCaptionTest, CaptionsUseTheLanguageFile) {
    home.WriteFile("Caption.lng", QStringLiteral("[Misc]\n"
                                                 "strTaskTypesFilterInclude=Einschließen\n"
                                                 "strOr=oder\n"
                                                 "strTaskTypesFilterAttributesSet=%s falls Attribut: %s.\n"
                                                 "strTaskTypesFilterFolderEmpty=%s %s leere Ordner %d.\n")
                                      .toUtf8());
    ASSERT_TRUE(LoadLanguageFile("Caption.lng"));
    TTaskFilterItem item;
    item.FilterKind = TFilterKind::fikAttributes;
    item.atHidden = item.atSystem = true;
    EXPECT_EQ(FilterCaption(item), QStringLiteral("Einschließen falls Attribut: Hidden oder System."));
    // A translation with more placeholders than the caption has values gets empty texts for them.
    item.FilterKind = TFilterKind::fikFolderName;
    item.frKind = TFolderKind::frkEmpty;
    EXPECT_EQ(FilterCaption(item), QStringLiteral("Einschließen  leere Ordner ."));
    UnloadLanguageFile();
    EXPECT_EQ(FilterCaption(item), QStringLiteral("Include empty folders."));
}
