#include "ui/SplashForm.h"

#include <gtest/gtest.h>

TEST(SplashForm, TheNewYearPictureShowsFromSixteenthDecemberToFifteenthJanuary) {
    EXPECT_EQ(SplashPictureName(QDate(2026, 12, 15)), QStringLiteral("GFX_SPLASH"));
    EXPECT_EQ(SplashPictureName(QDate(2026, 12, 16)), QStringLiteral("GFX_SPLASH_NY"));
    EXPECT_EQ(SplashPictureName(QDate(2026, 12, 31)), QStringLiteral("GFX_SPLASH_NY"));
    EXPECT_EQ(SplashPictureName(QDate(2027, 1, 1)), QStringLiteral("GFX_SPLASH_NY"));
    EXPECT_EQ(SplashPictureName(QDate(2027, 1, 15)), QStringLiteral("GFX_SPLASH_NY"));
    EXPECT_EQ(SplashPictureName(QDate(2027, 1, 16)), QStringLiteral("GFX_SPLASH"));
    EXPECT_EQ(SplashPictureName(QDate(2026, 7, 1)), QStringLiteral("GFX_SPLASH"));
    // A leap year changes nothing: the count runs to 31 December.
    EXPECT_EQ(SplashPictureName(QDate(2028, 12, 16)), QStringLiteral("GFX_SPLASH_NY"));
}

TEST(SplashForm, TheVersionLineNamesVersionAndBuild) {
    EXPECT_EQ(TSplashForm::VersionText(), QStringLiteral("Version: " TARNOVEX_VERSION " (Build: 0)"));
    TSplashForm splash(QDate(2026, 6, 1));
    EXPECT_EQ(splash.pixmap().size(), QSize(320, 390));
}
