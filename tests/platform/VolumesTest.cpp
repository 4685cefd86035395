#include <gtest/gtest.h>

#include "platform/Volumes.h"

TEST(Volumes, SerialOfFatStyleUuidDropsTheDash) {
    EXPECT_EQ(SerialFromUuid(QStringLiteral("1A2B-3C4D")), QStringLiteral("1A2B3C4D"));
}

TEST(Volumes, SerialOfLongUuidIsItsFirstEightHexDigitsUpperCased) {
    EXPECT_EQ(SerialFromUuid(QStringLiteral("f0e1d2c3-b4a5-4697-8887-766554433221")), QStringLiteral("F0E1D2C3"));
    EXPECT_EQ(SerialFromUuid(QStringLiteral("")), QString());
}

TEST(Volumes, TheRootMountIsFoundAndAnUnmountedFolderIsNot) {
    TSystemVolumeInfo source;
    TVolumeInfo info;
    EXPECT_TRUE(source.Read(QStringLiteral("/"), info));
    EXPECT_FALSE(source.Read(QStringLiteral("/no/such/mount/point"), info));
    EXPECT_TRUE(info.label.isEmpty());
}
