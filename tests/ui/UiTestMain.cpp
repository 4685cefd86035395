#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>

// The window tests run a real QApplication on the offscreen platform: no display is needed and nothing
// appears on the screen of the person running them.
int main(int argc, char** argv) {
    ::testing::InitGoogleMock(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
