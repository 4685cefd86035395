#include <gtest/gtest.h>

#include "settings/IniFile.h"

TEST(IniFile, ToleratesBomLineEndsCommentsAndStrayLines) {
    const QByteArray bytes =
        "\xEF\xBB\xBF"
        "top=1\r\n"
        "[Misc]\r\n"
        "; a=comment\r\n"
        "   ;b=also comment\n"
        "no equals sign here\r"
        "\n"
        "  spaced key  =  spaced value  \r"
        "cr=only\n"
        "=no key\n"
        "dup=first\n"
        "Dup=second\n"
        "eq=a=b\n"
        "[ Other \n"
        "x=y";
    const TIniFile ini = TIniFile::Parse(bytes);
    EXPECT_EQ(ini.Value("", "top", {}), "1");
    EXPECT_EQ(ini.Value("Misc", "spaced key", {}), "spaced value");
    EXPECT_EQ(ini.Value("Misc", "cr", {}), "only");
    EXPECT_EQ(ini.Value("Misc", "dup", {}), "first");
    EXPECT_EQ(ini.Value("Misc", "eq", {}), "a=b");
    EXPECT_FALSE(ini.HasValue("Misc", "; a"));
    EXPECT_FALSE(ini.HasValue("Misc", ";b"));
    EXPECT_FALSE(ini.HasValue("Misc", "no equals sign here"));
    EXPECT_FALSE(ini.HasValue("Misc", ""));
    EXPECT_EQ(ini.Value("Misc", "a", "fallback"), "fallback");
    // An unclosed header still opens its section.
    EXPECT_EQ(ini.Value("other", "X", {}), "y");
    EXPECT_EQ(ini.KeyCount(), 6);
}

TEST(IniFile, RepeatedSectionsMergeAndEmptySectionsExist) {
    const TIniFile ini = TIniFile::Parse("[A]\nk=1\n[Empty]\n[a]\nk=2\nj=3\n");
    EXPECT_EQ(ini.SectionCount(), 2);
    EXPECT_TRUE(ini.HasSection("EMPTY"));
    EXPECT_EQ(ini.Value("A", "k", {}), "1");
    EXPECT_EQ(ini.Value("A", "j", {}), "3");
}

TEST(IniFile, DecodesUtf8AndFallsBackToLatin1) {
    EXPECT_EQ(TIniFile::DecodeText(QStringLiteral("Größe").toUtf8()), QStringLiteral("Größe"));
    EXPECT_EQ(TIniFile::DecodeText("Gr\xF6\xDF"
                                   "e"),
              QStringLiteral("Größe"));
    // One bad sequence anywhere makes the whole file Latin-1, so no byte is lost.
    EXPECT_EQ(TIniFile::DecodeText("\xC3\xA9 \xE9"), QStringLiteral("Ã© é"));
    EXPECT_EQ(TIniFile::DecodeText("\xEF\xBB\xBFx"), "x");
}

TEST(IniFile, NulBytesAndHugeLinesAreKept) {
    QByteArray bytes("[S]\nnul=a");
    bytes.append('\0');
    bytes.append("b\nhuge=");
    bytes.append(QByteArray(4 * 1024 * 1024, 'x'));
    bytes.append("\nafter=1\n");
    const TIniFile ini = TIniFile::Parse(bytes);
    EXPECT_EQ(ini.Value("S", "nul", {}), QString::fromUtf8("a\0b", 3));
    EXPECT_EQ(ini.Value("S", "huge", {}).size(), 4 * 1024 * 1024);
    EXPECT_EQ(ini.Value("S", "after", {}), "1");
}
