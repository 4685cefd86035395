#include <gtest/gtest.h>

#include <QLocale>

#include "platform/LocaleFormats.h"

namespace {

TEST(LocaleFormats, TheLongTimeLosesItsTimeZoneField) {
    EXPECT_EQ(LocaleFormats::WithoutTimeZone(QStringLiteral("HH:mm:ss t")), QStringLiteral("HH:mm:ss"));
    EXPECT_EQ(LocaleFormats::WithoutTimeZone(QStringLiteral("h:mm:ss AP t")), QStringLiteral("h:mm:ss AP"));
    EXPECT_EQ(LocaleFormats::WithoutTimeZone(QStringLiteral("t HH:mm")), QStringLiteral("HH:mm"));
    // Quoted text keeps its letters.
    EXPECT_EQ(LocaleFormats::WithoutTimeZone(QStringLiteral("HH 'Uhr' t")), QStringLiteral("HH 'Uhr'"));
    EXPECT_EQ(LocaleFormats::WithoutTimeZone(QStringLiteral("HH:mm:ss")), QStringLiteral("HH:mm:ss"));
}

TEST(LocaleFormats, SystemTimesCarryNoZone) {
    LocaleFormats::ResetToSystem();
    // 0.5 is noon; whatever the system locale, no zone name follows the time.
    const QString noon = LocaleFormats::FormatLongTime(46000.5);
    EXPECT_FALSE(noon.contains(QStringLiteral("UTC"))) << noon.toStdString();
    EXPECT_FALSE(LocaleFormats::Current().longTime.contains(QLatin1Char('t')));
}

}  // namespace
