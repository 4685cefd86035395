#include <gtest/gtest.h>

#include "fixtures/TempHome.h"
#include "legacy/LegacyText.h"
#include "platform/LocaleFormats.h"

using namespace Legacy;

TEST(CommaText, SplitsQuotedAndPlainElements) {
    EXPECT_TRUE(SplitCommaText(QString()).isEmpty());
    EXPECT_EQ(SplitCommaText(QStringLiteral("a,b")), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(SplitCommaText(QStringLiteral("\"a b\",\"c,d\",\"say \"\"hi\"\"\",e")),
              (QStringList{QStringLiteral("a b"), QStringLiteral("c,d"), QStringLiteral("say \"hi\""),
                           QStringLiteral("e")}));
    // Empty elements stay, at either end too.
    EXPECT_EQ(SplitCommaText(QStringLiteral(",x,")),
              (QStringList{QString(), QStringLiteral("x"), QString()}));
    // An unterminated quote runs to the end instead of failing.
    EXPECT_EQ(SplitCommaText(QStringLiteral("\"open,x")), QStringList{QStringLiteral("open,x")});
}

TEST(CommaText, RoundTripsAnyLines) {
    const QStringList lines{QStringLiteral("[Filter]"),     QStringLiteral("fnWildcard=*.doc, *.txt"),
                            QStringLiteral("q=\"quoted\""), QString(),
                            QStringLiteral("tab\there"),    QStringLiteral("plain")};
    const QString text = MakeCommaText(lines);
    EXPECT_TRUE(text.startsWith(QStringLiteral("[Filter],\"fnWildcard=*.doc, *.txt\",")));
    EXPECT_EQ(SplitCommaText(text), lines);
}

TEST(CodePages, DecodeSingleByteTextsOfTheOldComputers) {
    QString text;
    ASSERT_TRUE(
        DecodeCodePage("\x80 Gr\xF6\xDF"
                       "e",
                       kDefaultCodePage, text));
    EXPECT_EQ(text, QStringLiteral("€ Größe"));
    ASSERT_TRUE(DecodeCodePage("\x80", QStringLiteral("cp1252"), text));
    EXPECT_EQ(text, QStringLiteral("€"));
    ASSERT_TRUE(DecodeCodePage("\xCF\xF0\xE8", QStringLiteral("1251"), text));
    EXPECT_EQ(text, QStringLiteral("При"));
    ASSERT_TRUE(DecodeCodePage("\x9A\xE8", QStringLiteral("windows-1250"), text));
    EXPECT_EQ(text, QStringLiteral("šč"));
    ASSERT_TRUE(DecodeCodePage("\x81\xA4", QStringLiteral("cp850"), text));
    EXPECT_EQ(text, QStringLiteral("üñ"));
    ASSERT_TRUE(DecodeCodePage("\xE9", QStringLiteral("ISO-8859-1"), text));
    EXPECT_EQ(text, QStringLiteral("é"));
    // A byte the code page leaves undefined keeps its number instead of being dropped.
    ASSERT_TRUE(DecodeCodePage("a\x81z", kDefaultCodePage, text));
    EXPECT_EQ(text, QStringLiteral("a") + QChar(0x81) + QStringLiteral("z"));

    QString error;
    EXPECT_FALSE(DecodeCodePage("x", QStringLiteral("no-such-page"), text, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("no-such-page")));
    EXPECT_FALSE(IsKnownCodePage(QString()));
    EXPECT_TRUE(IsKnownCodePage(QStringLiteral("866")));
}

TEST(CodePages, SettingsFilesNeedUtf8OrACodePage) {
    QByteArray out;
    QString error;
    const QByteArray ansi = "REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"N\"=\"B\xFCro\"\r\n";
    EXPECT_FALSE(SettingsFileAsUtf8(ansi, QString(), out, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("--codepage windows-1252"))) << error.toStdString();
    ASSERT_TRUE(SettingsFileAsUtf8(ansi, QStringLiteral("windows-1252"), out, &error));
    EXPECT_TRUE(out.contains("B\xC3\xBCro"));
    // UTF-8 needs no code page; a byte-order mark wins over a code page.
    const QByteArray utf8 = QStringLiteral("REGEDIT4\r\n\"N\"=\"Büro\"").toUtf8();
    ASSERT_TRUE(SettingsFileAsUtf8(utf8, QString(), out, &error));
    EXPECT_EQ(out, utf8);
    const QByteArray utf16(
        "\xFF\xFE"
        "R\0",
        4);
    ASSERT_TRUE(SettingsFileAsUtf8(utf16, QStringLiteral("1251"), out, &error));
    EXPECT_EQ(out, utf16);
    EXPECT_FALSE(SettingsFileAsUtf8(ansi, QStringLiteral("bogus"), out, &error));
}

TEST(LegacyDates, EnglishAndGermanForms) {
    const TLegacyLocale english = TLegacyLocale::English();
    const TLegacyLocale german = TLegacyLocale::German();
    TDateTime value = 0;
    ASSERT_TRUE(ParseLegacyDate(QStringLiteral("12/31/2004"), english, value));
    EXPECT_EQ(value, DateTime::Encode(2004, 12, 31));
    ASSERT_TRUE(ParseLegacyDate(QStringLiteral("2/3/04"), english, value));
    EXPECT_EQ(value, DateTime::Encode(2004, 2, 3));
    ASSERT_TRUE(ParseLegacyDate(QStringLiteral("1/2/98"), english, value));
    EXPECT_EQ(value, DateTime::Encode(1998, 1, 2));
    ASSERT_TRUE(ParseLegacyDate(QStringLiteral("31.12.2004"), german, value));
    EXPECT_EQ(value, DateTime::Encode(2004, 12, 31));
    ASSERT_TRUE(ParseLegacyDate(QStringLiteral("01.02.05"), german, value));
    EXPECT_EQ(value, DateTime::Encode(2005, 2, 1));
    EXPECT_FALSE(ParseLegacyDate(QStringLiteral("31.12.2004"), english, value));
    EXPECT_FALSE(ParseLegacyDate(QStringLiteral("30.02.2004"), german, value));
    EXPECT_FALSE(ParseLegacyDate(QString(), german, value));

    ASSERT_TRUE(ParseLegacyTime(QStringLiteral("2:30:15 PM"), english, value));
    EXPECT_DOUBLE_EQ(value, (14 * 3600 + 30 * 60 + 15) / 86400.0);
    ASSERT_TRUE(ParseLegacyTime(QStringLiteral("12:05 am"), english, value));
    EXPECT_DOUBLE_EQ(value, 5 * 60 / 86400.0);
    ASSERT_TRUE(ParseLegacyTime(QStringLiteral("9:00"), german, value));
    EXPECT_DOUBLE_EQ(value, 9.0 / 24);
    EXPECT_FALSE(ParseLegacyTime(QStringLiteral("25:00"), german, value));

    ASSERT_TRUE(ParseLegacyDateTime(QStringLiteral("12/31/2004 11:59:58 PM"), english, value));
    EXPECT_EQ(value, DateTime::Encode(2004, 12, 31, 23, 59, 58));
    ASSERT_TRUE(ParseLegacyDateTime(QStringLiteral("31.12.2004 23:59:58"), german, value));
    EXPECT_EQ(value, DateTime::Encode(2004, 12, 31, 23, 59, 58));
    ASSERT_TRUE(ParseLegacyDateTime(QStringLiteral("31.12.2004"), german, value));
    EXPECT_EQ(value, DateTime::Encode(2004, 12, 31));
    EXPECT_FALSE(ParseLegacyDateTime(QStringLiteral("31.12.2004 noon"), german, value));
}

TEST(LegacyDates, TheCurrentLocaleComesFirst) {
    struct TRestore {
        ~TRestore() { LocaleFormats::ResetToSystem(); }
    } restore;
    LocaleFormats::Set({QStringLiteral("dd/MM/yyyy"), QStringLiteral("HH:mm:ss")});
    TDateTime value = 0;
    // Day first on this machine: 03/02 is the 3rd of February, and month-first texts still parse.
    ASSERT_TRUE(ParseLegacyDate(QStringLiteral("03/02/2004"), TLegacyLocale::Current(), value));
    EXPECT_EQ(value, DateTime::Encode(2004, 2, 3));
    ASSERT_TRUE(ParseLegacyDate(QStringLiteral("12/31/2004"), TLegacyLocale::Current(), value));
    EXPECT_EQ(value, DateTime::Encode(2004, 12, 31));
    ASSERT_TRUE(ParseLegacyDate(QStringLiteral("31.12.2004"), TLegacyLocale::Current(), value));

    LocaleFormats::Set({QStringLiteral("M/d/yyyy"), QStringLiteral("h:mm:ss AP")});
    ASSERT_TRUE(ParseLegacyDate(QStringLiteral("03/02/2004"), TLegacyLocale::Current(), value));
    EXPECT_EQ(value, DateTime::Encode(2004, 3, 2));
}
