#include <gtest/gtest.h>

#include <QDir>
#include <atomic>
#include <thread>
#include <vector>

#include "fixtures/TempHome.h"
#include "platform/Paths.h"
#include "settings/Language.h"

namespace {

class LanguageTest : public TarnovexTest {
protected:
    void SetUp() override { UnloadLanguageFile(); }
    void TearDown() override {
        UnloadLanguageFile();
        TarnovexTest::TearDown();
    }
};

}  // namespace

TEST_F(LanguageTest, WithoutAFileTheEnglishDefaultIsUsed) {
    EXPECT_FALSE(LanguageFileLoaded());
    EXPECT_EQ(Translate("Task finished.", "strTaskFinish"), "Task finished.");
    EXPECT_EQ(LanguageValue("Misc", "strTaskFinish", "fsdef"), "fsdef");
}

TEST_F(LanguageTest, MissingKeyKeepsTheDefaultButAnEmptyValueIsEmpty) {
    home.WriteFile("Test.lng", "[Misc]\nstrYes=Ja\nstrNo=\n");
    ASSERT_TRUE(LoadLanguageFile("Test.lng"));
    EXPECT_TRUE(LanguageFileLoaded());
    EXPECT_EQ(Translate("Yes", "strYes"), "Ja");
    EXPECT_EQ(Translate("Task finished.", "strTaskFinish"), "Task finished.");
    EXPECT_EQ(Translate("No", "strNo"), "");
    // Another section's key is not a message text.
    home.WriteFile("Other.lng", "[PrefsForm]\nstrYes=Ja\n");
    ASSERT_TRUE(LoadLanguageFile("Other.lng"));
    EXPECT_EQ(Translate("Yes", "strYes"), "Yes");
}

TEST_F(LanguageTest, SeparatorBecomesCrLfInMessagesOnly) {
    home.WriteFile("Test.lng",
                   "[Misc]\nstrInformation=Eins*|*Zwei*|**|*Drei\n[Form]\nForm.L.Caption=a*|*b\n");
    ASSERT_TRUE(LoadLanguageFile("Test.lng"));
    EXPECT_EQ(Translate("Information", "strInformation"), "Eins\r\nZwei\r\n\r\nDrei");
    EXPECT_EQ(LanguageValue("Form", "Form.L.Caption", {}), "a*|*b");
}

TEST_F(LanguageTest, SectionsAndKeysMatchWithoutCase) {
    home.WriteFile("Test.lng", QStringLiteral("[misc]\nSTRYES=Ja\n[ÜBERSICHT]\nÄnderung=x\n").toUtf8());
    ASSERT_TRUE(LoadLanguageFile("Test.lng"));
    EXPECT_EQ(Translate("Yes", "strYes"), "Ja");
    EXPECT_EQ(LanguageValue(QStringLiteral("übersicht"), QStringLiteral("äNDERUNG"), {}), "x");
}

TEST_F(LanguageTest, Latin1FileIsReadAsLatin1) {
    home.WriteFile("Fr.lng", QByteArray("[Misc]\nstrYes=Oui d\xE9j\xE0\n"));
    ASSERT_TRUE(LoadLanguageFile("Fr.lng"));
    EXPECT_EQ(Translate("Yes", "strYes"), QStringLiteral("Oui déjà"));
}

TEST_F(LanguageTest, MissingFileLeavesNoLanguageActive) {
    home.WriteFile("Test.lng", "[Misc]\nstrYes=Ja\n");
    ASSERT_TRUE(LoadLanguageFile("Test.lng"));
    EXPECT_FALSE(LoadLanguageFile("Absent.lng"));
    EXPECT_FALSE(LanguageFileLoaded());
    EXPECT_EQ(Translate("Yes", "strYes"), "Yes");
    // Only names inside the language folders are accepted.
    home.WriteFile("sub/Inner.lng", "[Misc]\nstrYes=Ja\n");
    EXPECT_FALSE(LoadLanguageFile("sub/Inner.lng"));
    EXPECT_FALSE(LoadLanguageFile(""));
    EXPECT_FALSE(LanguageFileLoaded());
}

TEST_F(LanguageTest, StoredNameFindsAFileOfOtherLetterCase) {
    home.WriteFile("DUTCH.LNG", "[Misc]\nstrYes=Ja\n");
    ASSERT_TRUE(LoadLanguageFile("Dutch.lng"));
    EXPECT_EQ(Translate("Yes", "strYes"), "Ja");
}

TEST_F(LanguageTest, AvailableFilesAreCaptionedOncePerName) {
    home.WriteFile("DUTCH.LNG", "");
    home.WriteFile("german.lng", "");
    home.WriteFile("notes.txt", "");
    home.WriteFile("folder.lng/x", "");
    const QStringList captions = AvailableLanguageFiles();
    const qsizetype dutch = captions.indexOf("Dutch");
    ASSERT_GE(dutch, 0) << captions.join(',').toStdString();
    ASSERT_GE(captions.indexOf("German"), 0);
    EXPECT_LT(dutch, captions.indexOf("German"));
    EXPECT_FALSE(captions.contains("Notes"));
    EXPECT_FALSE(captions.contains("Folder"));
    EXPECT_EQ(captions.count("Dutch"), 1);
    // The user's own file comes first even when a shipped file has the same caption.
    home.WriteFile("dutch.lng", "");
    EXPECT_EQ(AvailableLanguageFiles().count("Dutch"), 1);
}

TEST_F(LanguageTest, TranslateIsSafeWhileAnotherThreadSwapsFiles) {
    home.WriteFile("A.lng", "[Misc]\nstrYes=Ja\n");
    home.WriteFile("B.lng", "[Misc]\nstrYes=Oui\n");
    std::atomic<bool> stop{false};
    std::atomic<int> odd{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 3; ++i) {
        readers.emplace_back([&] {
            while (!stop) {
                const QString text = Translate("Yes", "strYes");
                if (text != "Ja" && text != "Oui" && text != "Yes")
                    ++odd;
            }
        });
    }
    for (int i = 0; i < 200; ++i) {
        LoadLanguageFile(i % 2 ? "A.lng" : "B.lng");
        if (i % 7 == 0)
            UnloadLanguageFile();
    }
    stop = true;
    for (auto& t : readers)
        t.join();
    EXPECT_EQ(odd, 0);
}
