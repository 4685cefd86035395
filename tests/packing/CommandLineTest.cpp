#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>

#include "packing/CommandLine.h"
#include "packing/Launcher.h"

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(CommandLine, BlanksSeparateAndQuotesGroup) {
    EXPECT_THAT(SplitCommandLine(QStringLiteral("  zip\t-r   \"my archive.zip\"  a\"b c\"d ")),
                ElementsAre(QStringLiteral("zip"), QStringLiteral("-r"), QStringLiteral("my archive.zip"),
                            QStringLiteral("ab cd")));
    EXPECT_THAT(SplitCommandLine(QStringLiteral("   ")), IsEmpty());
    EXPECT_THAT(SplitCommandLine(QStringLiteral("x \"\" y")),
                ElementsAre(QStringLiteral("x"), QString(), QStringLiteral("y")));
    // An unclosed quote runs to the end of the line.
    EXPECT_THAT(SplitCommandLine(QStringLiteral("x \"open  end")),
                ElementsAre(QStringLiteral("x"), QStringLiteral("open  end")));
}

TEST(CommandLine, BackslashesEscapeOnlyBeforeAQuote) {
    EXPECT_THAT(SplitCommandLine(QStringLiteral(R"(a\b c\\d)")),
                ElementsAre(QStringLiteral(R"(a\b)"), QStringLiteral(R"(c\\d)")));
    EXPECT_THAT(SplitCommandLine(QStringLiteral(R"(\"x\" "y\\" z)")),
                ElementsAre(QStringLiteral(R"("x")"), QStringLiteral(R"(y\)"), QStringLiteral("z")));
    EXPECT_THAT(SplitCommandLine(QStringLiteral(R"("a\\\"b c")")), ElementsAre(QStringLiteral(R"(a\"b c)")));
}

TEST(CommandLine, QuoteArgumentSplitsBackToTheSameArgument) {
    const QStringList tricky{QStringLiteral("plain"),       QString(),
                             QStringLiteral("two words"),   QStringLiteral("tab\there"),
                             QStringLiteral("say \"hi\""),  QStringLiteral(R"(end\)"),
                             QStringLiteral(R"(end\ x\)"),  QStringLiteral(R"(\\"\)"),
                             QStringLiteral("$(rm -rf ~)"), QStringLiteral("\"\""),
                             QStringLiteral(R"(C:\dir\)")};
    QString line = QStringLiteral("prog");
    for (const QString& arg : tricky)
        line += QLatin1Char(' ') + QuoteArgument(arg);
    QStringList expected{QStringLiteral("prog")};
    expected << tricky;
    EXPECT_EQ(SplitCommandLine(line), expected);
    EXPECT_EQ(QuoteArgument(QStringLiteral("plain")), QStringLiteral("plain"));
}

TEST(CommandLineWords, WordAtFindsTheWordHoldingAPosition) {
    const QString t = QStringLiteral("rar a {-p%%P} %%A");
    EXPECT_EQ(WordAt(t, 1), QStringLiteral("rar"));
    EXPECT_EQ(WordAt(t, 3), QStringLiteral("rar"));
    EXPECT_EQ(WordAt(t, 8), QStringLiteral("{-p%%P}"));
    EXPECT_EQ(WordAt(t, 17), QStringLiteral("%%A"));
    EXPECT_EQ(WordAt(t, 4), QString());  // a blank
    EXPECT_EQ(WordAt(t, 0), QString());
    EXPECT_EQ(WordAt(t, 18), QString());
}

TEST(CommandLineWords, RemoveWordAtKeepsTheBlanksAndGivesTheInsertPosition) {
    const QString t = QStringLiteral("rar a {-p%%P} %%A");
    int pos = t.indexOf(QStringLiteral("%%P")) + 1;
    QString rest = RemoveWordAt(t, pos);
    EXPECT_EQ(rest, QStringLiteral("rar a  %%A"));
    EXPECT_EQ(pos, 6);
    rest.insert(pos, QStringLiteral("-psecret"));
    EXPECT_EQ(rest, QStringLiteral("rar a -psecret %%A"));

    pos = 2;
    EXPECT_EQ(RemoveWordAt(t, pos), QStringLiteral(" a {-p%%P} %%A"));
    EXPECT_EQ(pos, 0);

    pos = 16;
    EXPECT_EQ(RemoveWordAt(t, pos), QStringLiteral("rar a {-p%%P} "));
    EXPECT_EQ(pos, 14);

    pos = 4;  // on a blank: nothing to remove
    EXPECT_EQ(RemoveWordAt(t, pos), t);
    EXPECT_EQ(pos, 4);
}

TEST(CommandLineWords, SwitchPrefixAndDigits) {
    const QString t = QStringLiteral("x {-p%%P} -ap%%A %%F %%E12 {%%Z}");
    EXPECT_EQ(SwitchPrefixAt(t, 5), QStringLiteral("-p"));
    EXPECT_EQ(SwitchPrefixAt(t, 12), QStringLiteral("-ap"));
    EXPECT_EQ(SwitchPrefixAt(t, 18), QString());
    EXPECT_EQ(SwitchPrefixAt(t, 30), QString());
    EXPECT_EQ(DigitsAt(t, 22), QStringLiteral("12"));
    EXPECT_EQ(DigitsAt(t, 12), QString());
    EXPECT_EQ(DigitsAt(QStringLiteral("%%E0"), 1), QStringLiteral("0"));
}

TEST(StripVersionStamp, GivesTheOriginalNameOfAKeptCopy) {
    EXPECT_EQ(StripVersionStamp(QStringLiteral("Report (Version 2009-03-01 10-15-00).doc"),
                                QStringLiteral("Version")),
              QStringLiteral("Report.doc"));
    EXPECT_EQ(StripVersionStamp(QStringLiteral("My (draft) notes.tar (Obsolete 2009-03-01 10-15-00).gz"),
                                QStringLiteral("Obsolete")),
              QStringLiteral("My (draft) notes.tar.gz"));
    EXPECT_EQ(StripVersionStamp(QStringLiteral("report (version 2009-03-01 10-15-00).DOC"),
                                QStringLiteral("Version")),
              QStringLiteral("report.DOC"));
}

TEST(StripVersionStamp, OtherNamesStayUnchanged) {
    for (const char* name :
         {"Report (Version 2009-3-1 10-15-00).doc", "Report (Version 2009-03-01 10-15-00)",
          "Report(Version 2009-03-01 10-15-00).doc", "Report (Obsolete 2009-03-01 10-15-00).doc",
          "Report (Version 2009-03-01 10-15-00)x.doc", "Report.doc", ""})
        EXPECT_EQ(StripVersionStamp(QString::fromUtf8(name), QStringLiteral("Version")),
                  QString::fromUtf8(name));
}

}  // namespace
