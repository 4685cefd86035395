#include <gtest/gtest.h>

#include <QStringList>

#include "fixtures/TempHome.h"
#include "model/Filters.h"
#include "platform/DateTime.h"
#include "store/SafeRegistry.h"

namespace {

const QString kKey = kProgramRoot + QStringLiteral("\\Temp\\EditFilter");

class FilterStoreTest : public TarnovexTest {
protected:
    void SetUp() override {
        DateTime::SetClock([] { return DateTime::Encode(2024, 6, 15, 12, 0, 0); });
    }
};

}  // namespace

TEST_F(FilterStoreTest, MissingValuesGiveTheMissingDefaultsNotTheNewOnes) {
    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, true));
    TTaskFilterItem item;
    item.LoadFromRegistry(reg);
    EXPECT_TRUE(item.Enabled);
    EXPECT_EQ(item.FilterType, TFilterType::fitExclude);
    EXPECT_EQ(item.FilterKind, TFilterKind::fikSize);
    EXPECT_EQ(item.fnKind, TFileNameKind::fnkSingleFile);
    EXPECT_EQ(item.fnWildcard, QString());
    EXPECT_EQ(item.fnSingleFile, QString());
    EXPECT_EQ(item.frKind, TFolderKind::frkEmpty);
    EXPECT_EQ(item.frContains, QString());
    EXPECT_EQ(item.dtKind, TDateTimeKind::fidtkLastAccessed);
    EXPECT_EQ(item.dtSelector, TDateTimeSelector::fidtsTimeBetween);
    EXPECT_EQ(item.dtMonths, 0);
    EXPECT_EQ(item.dtDays, 0);
    EXPECT_EQ(item.dtHours, 0);
    EXPECT_EQ(item.dtMinutes, 0);
    EXPECT_EQ(item.dtDateBetweenStart, 0.0);
    EXPECT_EQ(item.dtDateBetweenEnd, 0.0);
    EXPECT_EQ(item.dtTimeBetweenStart, 0.0);
    EXPECT_EQ(item.dtTimeBetweenEnd, 0.0);
    EXPECT_FALSE(item.atReadOnly || item.atArchive || item.atHidden || item.atSystem || item.atCompressed ||
                 item.atEncrypted);
    EXPECT_EQ(item.szKind, TSizeKind::fiskGreaterThan);
    EXPECT_EQ(item.szValue, 0);
    EXPECT_EQ(item.szMeasure, TSizeMeasure::szmMegabytes);
}

TEST_F(FilterStoreTest, EnumerationTextsMustMatchExactly) {
    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, true));
    reg.WriteString("FilterType", "fitinclude");
    reg.WriteString("FilterKind", "fikFileName");
    reg.WriteString("szMeasure", "szmBytes ");
    reg.WriteInteger("dtKind", 0);
    TTaskFilterItem item;
    item.LoadFromRegistry(reg);
    EXPECT_EQ(item.FilterType, TFilterType::fitExclude);
    EXPECT_EQ(item.FilterKind, TFilterKind::fikFileName);
    EXPECT_EQ(item.szMeasure, TSizeMeasure::szmMegabytes);
    EXPECT_EQ(item.dtKind, TDateTimeKind::fidtkLastAccessed);
}

TEST_F(FilterStoreTest, SaveWritesEveryValueInOrderAndLoadRestoresIt) {
    TTaskFilterItem item;
    item.Enabled = false;
    item.FilterType = TFilterType::fitExclude;
    item.FilterKind = TFilterKind::fikDateTime;
    item.fnKind = TFileNameKind::fnkSingleFile;
    item.fnWildcard = "\"a b\";*.tmp";
    item.fnSingleFile = "/home/ann/x.txt";
    item.frKind = TFolderKind::frkEmpty;
    item.frContains = "Cache";
    item.dtKind = TDateTimeKind::fidtkCreated;
    item.dtSelector = TDateTimeSelector::fidtsDateBetween;
    item.dtMonths = 2;
    item.dtDays = 3;
    item.dtHours = 4;
    item.dtMinutes = 5;
    item.dtDateBetweenStart = DateTime::Encode(2020, 1, 2, 3, 4, 5, 678);
    item.dtDateBetweenEnd = DateTime::Encode(2021, 2, 3);
    item.dtTimeBetweenStart = DateTime::Encode(2022, 3, 4, 5, 6, 7);
    item.dtTimeBetweenEnd = DateTime::Encode(2023, 4, 5, 23, 59, 59, 999);
    item.atArchive = true;
    item.atSystem = true;
    item.atEncrypted = true;
    item.szKind = TSizeKind::fiskEqual;
    item.szValue = 77;
    item.szMeasure = TSizeMeasure::szmKilobytes;
    {
        TSafeRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kKey, true));
        item.SaveToRegistry(reg);
    }
    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(kKey));
    QStringList names;
    reg.GetValueNames(names);
    EXPECT_EQ(names, (QStringList{"Enabled",
                                  "FilterType",
                                  "FilterKind",
                                  "fnKind",
                                  "fnWildcard",
                                  "fnSingleFile",
                                  "frKind",
                                  "frContains",
                                  "dtKind",
                                  "dtSelector",
                                  "dtMonths",
                                  "dtDays",
                                  "dtHours",
                                  "dtMinutes",
                                  "dtDateBetweenStart",
                                  "dtDateBetweenEnd",
                                  "dtTimeBetweenStart",
                                  "dtTimeBetweenEnd",
                                  "atReadOnly",
                                  "atArchive",
                                  "atHidden",
                                  "atSystem",
                                  "atCompressed",
                                  "atEncrypted",
                                  "szKind",
                                  "szValue",
                                  "szMeasure"}));
    EXPECT_EQ(reg.ReadString("FilterKind", ""), QStringLiteral("fikDateTime"));
    EXPECT_EQ(reg.GetDataType("dtTimeBetweenEnd"), TRegDataType::rdBinary);
    EXPECT_EQ(reg.GetDataSize("dtDateBetweenStart"), 8);

    TTaskFilterItem loaded;
    loaded.LoadFromRegistry(reg);
    EXPECT_TRUE(loaded == item);
    EXPECT_EQ(loaded.dtDateBetweenStart, item.dtDateBetweenStart);  // bit for bit
}

TEST_F(FilterStoreTest, NewItemSurvivesARoundTrip) {
    const TTaskFilterItem item = MakeIncludeAllFilter();
    {
        TSafeRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kKey, true));
        item.SaveToRegistry(reg);
    }
    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(kKey));
    TTaskFilterItem loaded;
    loaded.FilterKind = TFilterKind::fikSize;
    loaded.LoadFromRegistry(reg);
    EXPECT_TRUE(loaded == item);
}
