#include <gmock/gmock.h>

#include <ostream>

#include "PackingSupport.h"
#include "fixtures/TempHome.h"
#include "packing/CommandLine.h"
#include "packing/CommandTemplate.h"
#include "packing/ExternalPackers.h"
#include "packing/PackerSettings.h"

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

using ::testing::ElementsAre;

class CommandTemplateTest : public TarnovexTest {
protected:
    TArchiverTemplateValues Values() {
        TArchiverTemplateValues v;
        v.ArchivePath = home.Path() + QStringLiteral("run/arc.rar");
        v.TempFolder = home.Path() + QStringLiteral("run/");
        v.ListFilePath = home.Path() + QStringLiteral("filelist.lst");
        v.Files = {QStringLiteral("/data/a.txt")};
        return v;
    }
    QString List() const { return home.Path() + QStringLiteral("filelist.lst"); }
};

TEST_F(CommandTemplateTest, DefaultRarTemplateWithoutPasswordAtMediumLevel) {
    TArchiverTemplateValues v = Values();
    const TExternalCompressorCommands rar = DefaultCompressors()[9];
    v.LevelSwitch = LevelSwitchFor(rar, 5);
    const TArchiverExpansion e = ExpandArchiverTemplate(rar.AddFiles, v);
    ASSERT_TRUE(e.Ok);
    // The removed words leave their blanks behind.
    EXPECT_EQ(e.Command.Command, "rar a -y   -w" + v.TempFolder + " -m3 -- \"arc.rar\" @" + List());
    EXPECT_FALSE(e.SecondCommand.has_value());
    EXPECT_TRUE(e.NoFilePlaceholder);
    EXPECT_FALSE(e.MaxSuccessExitCode.has_value());
    EXPECT_EQ(ReadWhole(List()), "/data/a.txt\r\n");
}

TEST_F(CommandTemplateTest, LevelSwitchesFollowTheCompressionLevel) {
    const TExternalCompressorCommands rar = DefaultCompressors()[9];
    EXPECT_EQ(LevelSwitchFor(rar, 0), "-m1");
    EXPECT_EQ(LevelSwitchFor(rar, 1), "-m1");
    EXPECT_EQ(LevelSwitchFor(rar, 2), "-m3");
    EXPECT_EQ(LevelSwitchFor(rar, 7), "-m3");
    EXPECT_EQ(LevelSwitchFor(rar, 8), "-m5");
    EXPECT_EQ(LevelSwitchFor(rar, 9), "-m5");
    EXPECT_EQ(LevelSwitchFor(rar, 10), "");
    EXPECT_EQ(LevelSwitchFor(rar, -1), "");
    // A definition without switches: the {%%S} word disappears.
    TArchiverTemplateValues v = Values();
    v.LevelSwitch = LevelSwitchFor(DefaultCompressors()[0], 9);
    const TArchiverExpansion e = ExpandArchiverTemplate(QStringLiteral("ace32 a {%%S} %%A"), v);
    EXPECT_EQ(e.Command.Command, "ace32 a  \"arc.rar\"");
}

TEST_F(CommandTemplateTest, OnlyTheFirstOccurrenceIsExpandedAndLowerCaseFormsStay) {
    const TArchiverExpansion e =
        ExpandArchiverTemplate(QStringLiteral("x %%A %%A %%fq %COMSPEC% -t%%W"), Values());
    EXPECT_EQ(e.Command.Command, "x \"arc.rar\" %%A %%fq %COMSPEC% -t" + Values().TempFolder);
}

TEST_F(CommandTemplateTest, SwitchPrefixAndPasswordAreJoinedAndTheLogHidesThePassword) {
    TArchiverTemplateValues v = Values();
    v.Password = QStringLiteral("a");  // also a letter of the command itself
    const TArchiverExpansion e = ExpandArchiverTemplate(QStringLiteral("rar a {-p%%P} {-ap%%R} %%A"), v);
    EXPECT_EQ(e.Command.Command, "rar a -pa  \"arc.rar\"");
    // Masked where the password was inserted, not at the first "a" of the command.
    EXPECT_EQ(e.Command.LogText, "rar a -p************  \"arc.rar\"");
}

TEST_F(CommandTemplateTest, InsertedValuesReachTheProgramAsSingleLiteralArguments) {
    TArchiverTemplateValues v = Values();
    v.ArchivePath = home.Path() + QStringLiteral("run/it's \"$(rm -rf ~)\"; `id`.zip");
    v.Password = QStringLiteral("p w\"d\\");
    const TArchiverExpansion e = ExpandArchiverTemplate(QStringLiteral("prog {-p%%P} %%A"), v);
    EXPECT_THAT(SplitCommandLine(e.Command.Command),
                ElementsAre("prog", "-pp w\"d\\", "it's \"$(rm -rf ~)\"; `id`.zip"));
}

TEST_F(CommandTemplateTest, PlaceholdersInsideInsertedValuesAreNotExpanded) {
    TArchiverTemplateValues v = Values();
    v.ArchivePath = home.Path() + QStringLiteral("run/x%%P%%L.zip");
    v.Password = QStringLiteral("secret");
    const TArchiverExpansion e = ExpandArchiverTemplate(QStringLiteral("prog %%A"), v);
    EXPECT_EQ(e.Command.Command, "prog \"x%%P%%L.zip\"");
    EXPECT_FALSE(e.ListFileWritten);
}

TEST_F(CommandTemplateTest, ExitLimitComesFromTheDigitsOfItsWord) {
    const auto limit = [&](const QString& word) {
        return ExpandArchiverTemplate(QStringLiteral("prog ") + word + QStringLiteral(" %%A"), Values());
    };
    EXPECT_EQ(limit(QStringLiteral("%%E2")).MaxSuccessExitCode, 2);
    EXPECT_EQ(limit(QStringLiteral("%%E2")).Command.Command, "prog  \"arc.rar\"");
    EXPECT_EQ(limit(QStringLiteral("%%E")).MaxSuccessExitCode, 0);
    EXPECT_EQ(limit(QStringLiteral("%%E99999999999")).MaxSuccessExitCode, 0);  // not a number
}

TEST_F(CommandTemplateTest, ListFileFlagsPrepareFolderEntries) {
    TArchiverTemplateValues v = Values();
    v.Files = {QStringLiteral("/data/"), QStringLiteral("/data/my file.txt"), QStringLiteral("/data/a\\b")};
    ASSERT_TRUE(ExpandArchiverTemplate(QStringLiteral("x @%%LNM"), v).Ok);
    EXPECT_EQ(ReadWhole(List()), "/data\r\n/data/*.*\r\n/data/my file.txt\r\n/data/a\\b\r\n");
    ASSERT_TRUE(ExpandArchiverTemplate(QStringLiteral("x @%%LM"), v).Ok);
    EXPECT_EQ(ReadWhole(List()), "/data/*.*\r\n/data/my file.txt\r\n/data/a\\b\r\n");
    ASSERT_TRUE(ExpandArchiverTemplate(QStringLiteral("x @%%LNQS"), v).Ok);
    EXPECT_EQ(ReadWhole(List()), "/data\r\n\"/data/my file.txt\"\r\n/data/a/b\r\n");
    ASSERT_TRUE(ExpandArchiverTemplate(QStringLiteral("x @%%Lq"), v).Ok);
    EXPECT_EQ(ReadWhole(List()), "\"/data/\"\r\n\"/data/my file.txt\"\r\n\"/data/a\\b\"\r\n");
    const TArchiverExpansion e = ExpandArchiverTemplate(QStringLiteral("x @%%LNMA"), v);
    EXPECT_EQ(e.Command.Command, "x @" + List());
}

TEST_F(CommandTemplateTest, NamesWithLineBreaksAreLeftOutOfTheListFile) {
    TArchiverTemplateValues v = Values();
    v.Files = {QStringLiteral("/data/ok"), QStringLiteral("/data/x\n/etc/passwd")};
    const TArchiverExpansion e = ExpandArchiverTemplate(QStringLiteral("x @%%L"), v);
    ASSERT_TRUE(e.Ok);
    EXPECT_EQ(ReadWhole(List()), "/data/ok\r\n");
    EXPECT_THAT(e.SkippedEntries, ElementsAre("/data/x\n/etc/passwd"));
}

TEST_F(CommandTemplateTest, FilePlaceholderNamesOneEntryAndAFolderMakesASecondCommand) {
    TArchiverTemplateValues v = Values();
    v.Files = {QStringLiteral("/d/a b.txt"), QStringLiteral("/d/sub/")};
    v.LevelSwitch = QStringLiteral("-9");
    v.FileIndex = 0;
    TArchiverExpansion e = ExpandArchiverTemplate(QStringLiteral("tar -rf %%A %%FSq32768 {%%S} %%E3"), v);
    EXPECT_FALSE(e.NoFilePlaceholder);
    EXPECT_EQ(e.Command.Command, "tar -rf \"arc.rar\" \"/d/a b.txt\" -9 ");
    EXPECT_FALSE(e.SecondCommand.has_value());

    v.FileIndex = 1;
    e = ExpandArchiverTemplate(QStringLiteral("tar -rf %%A %%FNM {%%S} %%E3"), v);
    EXPECT_EQ(e.Command.Command, "tar -rf \"arc.rar\" /d/sub -9 ");
    ASSERT_TRUE(e.SecondCommand.has_value());
    // The level switch and the exit limit apply to the second command as well.
    EXPECT_EQ(e.SecondCommand->Command, "tar -rf \"arc.rar\" /d/sub/*.* -9 ");
    EXPECT_EQ(e.MaxSuccessExitCode, 3);

    v.FileIndex = -1;  // no entry: the word stays as written
    e = ExpandArchiverTemplate(QStringLiteral("tar %%FSq32768"), v);
    EXPECT_EQ(e.Command.Command, "tar %%FSq32768");
}

TEST_F(CommandTemplateTest, ListFileThatCannotBeWrittenFailsTheExpansion) {
    TArchiverTemplateValues v = Values();
    v.ListFilePath = home.Path() + QStringLiteral("missing/folder/filelist.lst");
    const TArchiverExpansion e = ExpandArchiverTemplate(QStringLiteral("x @%%L"), v);
    EXPECT_FALSE(e.Ok);
    EXPECT_FALSE(e.Error.isEmpty());
}

TEST_F(CommandTemplateTest, EncryptorTemplateQuotesPathsAndDropsAnEmptyPassword) {
    TEncryptorExpansion e =
        ExpandEncryptorTemplate(QStringLiteral("crypt -c %%S %%D {-k%%P} %%E1"),
                                {QStringLiteral("/a b/x"), QStringLiteral("/t/x.crypt"), {}});
    EXPECT_EQ(e.Command.Command, "crypt -c \"/a b/x\" \"/t/x.crypt\"  ");
    EXPECT_EQ(e.MaxSuccessExitCode, 1);
    e = ExpandEncryptorTemplate(DefaultEncryptors()[0].Crypt,
                                {QStringLiteral("/s"), QStringLiteral("/d\\"), QStringLiteral("pw")});
    EXPECT_EQ(e.Command.LogText, "crypt -c \"/s\" \"/d\\\\\" ************");
    EXPECT_THAT(SplitCommandLine(e.Command.Command), ElementsAre("crypt", "-c", "/s", "/d\\", "pw"));
}

}  // namespace
