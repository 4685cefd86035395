#include <gtest/gtest.h>

#include "fixtures/TempHome.h"
#include "model/SourceFolders.h"
#include "store/SafeRegistry.h"

namespace {
const QString kKey = kProgramRoot + QStringLiteral("\\Tasks\\T1\\Source\\SourceFolders\\1");
}

using SourceFolderTest = TarnovexTest;

TEST_F(SourceFolderTest, MissingValuesGiveEmptyFolderWithSubfolders) {
    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, true));
    TSourceFolder folder;
    folder.Folder = "/stale";
    folder.IncludeSubfolders = false;
    folder.ExpandedCache = "/stale/";
    folder.ExpandedValid = true;
    folder.LoadFromRegistry(reg);
    EXPECT_EQ(folder.Folder, QString());
    EXPECT_TRUE(folder.IncludeSubfolders);
    EXPECT_FALSE(folder.ExpandedValid);  // a loaded folder is expanded afresh
}

TEST_F(SourceFolderTest, SaveAndLoadRoundTrip) {
    {
        TSafeRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kKey, true));
        TSourceFolder folder;
        folder.Folder = "%Documents%/Projects 2024";
        folder.IncludeSubfolders = false;
        folder.SaveToRegistry(reg);
    }
    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(kKey));
    QStringList names;
    reg.GetValueNames(names);
    EXPECT_EQ(names, (QStringList{"Folder", "IncludeSubfolders"}));
    EXPECT_EQ(reg.GetDataType("IncludeSubfolders"), TRegDataType::rdInteger);
    TSourceFolder loaded;
    loaded.LoadFromRegistry(reg);
    EXPECT_EQ(loaded.Folder, QStringLiteral("%Documents%/Projects 2024"));
    EXPECT_FALSE(loaded.IncludeSubfolders);
}
