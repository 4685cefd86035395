#include <gtest/gtest.h>

#include "settings/FormatText.h"

TEST(FormatText, PlaceholdersTakeTheArgumentsInOrder) {
    EXPECT_EQ(FormatText(QStringLiteral("Can't copy \"%s\" to \"%s\"! (code %d)"),
                         {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("5")}),
              QStringLiteral("Can't copy \"a\" to \"b\"! (code 5)"));
}

TEST(FormatText, PercentSignsInArgumentsAndDoubledPercentsStayLiteral) {
    // An argument holding "%s" is never expanded again.
    EXPECT_EQ(FormatText(QStringLiteral("%s is 100%%"), {QStringLiteral("50%s")}),
              QStringLiteral("50%s is 100%"));
}

TEST(FormatText, AFormatFromALanguageFileWithTooManyOrTooFewPlaceholdersIsSafe) {
    EXPECT_EQ(FormatText(QStringLiteral("%s and %s"), {QStringLiteral("x")}), QStringLiteral("x and "));
    EXPECT_EQ(FormatText(QStringLiteral("none"), {QStringLiteral("x")}), QStringLiteral("none"));
    EXPECT_EQ(FormatText(QStringLiteral("trailing %"), {}), QStringLiteral("trailing %"));
}
