#include <gtest/gtest.h>

#include <QStringList>
#include <atomic>
#include <thread>
#include <vector>

#include "model/FileMask.h"

namespace {

bool Match(const QString& mask, const QString& name, bool appendDot = false) {
    TFileMask compiled;
    EXPECT_TRUE(TFileMask::Compile(mask, compiled)) << mask.toStdString();
    return compiled.Matches(name, appendDot);
}

}  // namespace

TEST(FileMask, StarAndQuestionMarkIgnoringCase) {
    EXPECT_TRUE(Match("*.JPG", "photo.jpg"));
    EXPECT_TRUE(Match("*.jpg", "PHOTO.JPG"));
    EXPECT_FALSE(Match("*.jpg", "photo.jpeg"));
    EXPECT_TRUE(Match("a?c", "abc"));
    EXPECT_FALSE(Match("a?c", "ac"));
    EXPECT_FALSE(Match("a?c", "abbc"));
    EXPECT_TRUE(Match("*", ""));
    EXPECT_TRUE(Match("**", "anything"));
    // The star has to give characters back more than once before the rest fits.
    EXPECT_TRUE(Match("*a*b", "xaybzb"));
    EXPECT_TRUE(Match("*ab*cd", "abxabcabcd"));
    EXPECT_FALSE(Match("*ab*cd", "abxabcabc"));
    EXPECT_TRUE(Match("x*", "x"));
    EXPECT_FALSE(Match("x*", "yx"));
}

TEST(FileMask, EmptyMaskMatchesOnlyTheEmptyName) {
    EXPECT_TRUE(Match("", ""));
    EXPECT_FALSE(Match("", "a"));
}

TEST(FileMask, NonAsciiLettersIgnoreCaseAndSurrogatePairsAreOneCharacter) {
    EXPECT_TRUE(Match(QStringLiteral("ÄRGER*"), QStringLiteral("ärger.txt")));
    EXPECT_TRUE(Match(QStringLiteral("a?b"), QStringLiteral("a\U0001F600b")));
    EXPECT_FALSE(Match(QStringLiteral("a??b"), QStringLiteral("a\U0001F600b")));
}

TEST(FileMask, SetsRangesAndNegatedSets) {
    EXPECT_TRUE(Match("[a-f]*", "Data.txt"));
    EXPECT_TRUE(Match("[a-f]*", "eel"));
    EXPECT_FALSE(Match("[a-f]*", "go"));
    EXPECT_TRUE(Match("file[0-9].txt", "file7.txt"));
    EXPECT_FALSE(Match("file[0-9].txt", "fileX.txt"));
    EXPECT_TRUE(Match("[!a-f]*", "go"));
    EXPECT_FALSE(Match("[!a-f]*", "Big"));
    EXPECT_TRUE(Match("[xyz]", "Y"));
    EXPECT_TRUE(Match("[-x]", "-"));  // a hyphen that closes no range is itself
    EXPECT_FALSE(Match("[]", "a"));
    EXPECT_TRUE(Match("a]b", "a]b"));  // a lone ']' is an ordinary character
}

TEST(FileMask, AppendedDotTakesPartInTheMatch) {
    EXPECT_TRUE(Match("*.", "README", true));
    EXPECT_FALSE(Match("*.", "README", false));
    EXPECT_TRUE(Match("*.*", "README", true));
    EXPECT_TRUE(Match("READ?E.", "readme", true));
}

TEST(FileMask, UnclosedBracketIsNotWellFormed) {
    TFileMask compiled;
    EXPECT_FALSE(TFileMask::Compile(QStringLiteral("*.[ab"), compiled));
    EXPECT_FALSE(TFileMask::Compile(QStringLiteral("[!"), compiled));
    EXPECT_TRUE(TFileMask::Compile(QStringLiteral("ab]"), compiled));
    try {
        MatchesMask(QStringLiteral("x[y"), QStringLiteral("xy"));
        FAIL() << "no exception";
    } catch (const EFilterMaskError& e) {
        EXPECT_EQ(e.Mask(), QStringLiteral("x[y"));
        EXPECT_NE(std::string(e.what()).find("x[y"), std::string::npos);
    }
}

TEST(FileMask, SplitAtSemicolonsAndBlankRuns) {
    EXPECT_EQ(SplitMaskText(u"*.txt;*.doc"), (QStringList{"*.txt", "*.doc"}));
    EXPECT_EQ(SplitMaskText(u"  *.txt \t *.doc\n"), (QStringList{"*.txt", "*.doc"}));
    EXPECT_EQ(SplitMaskText(u"*.txt ; *.doc"), (QStringList{"*.txt", "*.doc"}));
    EXPECT_EQ(SplitMaskText(u"*.txt;;*.doc"), (QStringList{"*.txt", "", "*.doc"}));
    EXPECT_EQ(SplitMaskText(u"*.txt;"), (QStringList{"*.txt", ""}));
    EXPECT_TRUE(SplitMaskText(u"   ").isEmpty());
}

TEST(FileMask, QuotedMaskKeepsBlanksAndSemicolonsAndLosesTheQuotes) {
    EXPECT_EQ(SplitMaskText(u"\"my file*.txt\" *.doc"), (QStringList{"my file*.txt", "*.doc"}));
    EXPECT_EQ(SplitMaskText(u"\"a;b\";c"), (QStringList{"a;b", "c"}));
    EXPECT_EQ(SplitMaskText(u"\"say \"\"hi\"\"\""), (QStringList{"say \"hi\""}));
    // An unterminated quote runs to the end of the text.
    EXPECT_EQ(SplitMaskText(u"\"open end"), (QStringList{"open end"}));
}

TEST(FileMask, MaskListSkipsEmptyMasksAndRemembersTheMalformedOne) {
    auto list = TMaskList::Build(QStringLiteral("*.txt;;[bad;*.doc"));
    EXPECT_FALSE(list->blank);
    EXPECT_FALSE(list->wellFormed);
    EXPECT_EQ(list->malformedMask, QStringLiteral("[bad"));
    EXPECT_EQ(list->masks.size(), 2u);
    EXPECT_TRUE(TMaskList::Build(QStringLiteral(" \t "))->blank);
}

TEST(FileMask, CacheFollowsTheTextAndCopiesCompareEqual) {
    TFilterMaskCache cache;
    EXPECT_TRUE(cache.Get(QStringLiteral("*.txt")).MatchesAny(u"a.txt", false));
    EXPECT_FALSE(cache.Get(QStringLiteral("*.doc")).MatchesAny(u"a.txt", false));
    EXPECT_TRUE(cache.Get(QStringLiteral("*.txt")).MatchesAny(u"a.txt", false));
    TFilterMaskCache copy(cache);
    EXPECT_TRUE(copy == cache);
    EXPECT_TRUE(copy.Get(QStringLiteral("*.doc")).MatchesAny(u"b.doc", false));
}

TEST(FileMask, CacheServesConcurrentReaders) {
    TFilterMaskCache cache;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int n = 0; n < 4; ++n) {
        threads.emplace_back([&cache, &wrong, n] {
            // Two texts alternate so that the cache is rebuilt and switched while others read it.
            for (int i = 0; i < 2000; ++i) {
                const bool useTxt = (i + n) % 2 == 0;
                const TMaskList& list = cache.Get(useTxt ? QStringLiteral("*.txt") : QStringLiteral("*.doc"));
                if (list.MatchesAny(u"a.txt", false) != useTxt)
                    ++wrong;
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(wrong.load(), 0);
}
