#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <cstdlib>
#include <memory>

#include "../ui/UiFixtures.h"
#include "model/MainData.h"
#include "ui/X11HotKeys.h"

// These tests need a real X server: the program starts its own Xvfb on a free display and talks to it
// through the xcb platform, as the window program does on an X11 desktop.

namespace {

bool gHaveDisplay = false;

constexpr std::uint32_t kControlL = 0xffe3;
constexpr std::uint32_t kAltL = 0xffe9;
constexpr std::uint32_t kShiftL = 0xffe1;
constexpr std::uint32_t kCapsLock = 0xffe5;

// F1 .. F24 as stored hot key codes.
constexpr quint16 KeyF(int n) {
    return static_cast<quint16>(0x70 + n - 1);
}

xcb_connection_t* AppConnection() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// Presses and releases a combination through the XTEST extension, as a person at the keyboard would.
void Type(TX11HotKeyService& service, std::initializer_list<std::uint32_t> modifiers, std::uint32_t keySym) {
    xcb_connection_t* c = AppConnection();
    std::vector<std::uint8_t> codes;
    for (std::uint32_t m : modifiers)
        codes.push_back(service.KeyCodeOf(m));
    codes.push_back(service.KeyCodeOf(keySym));
    for (std::uint8_t code : codes)
        xcb_test_fake_input(c, XCB_KEY_PRESS, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    for (auto it = codes.rbegin(); it != codes.rend(); ++it)
        xcb_test_fake_input(c, XCB_KEY_RELEASE, *it, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(c);
}

// Runs the event loop until the service reports a press or the time is up; the numbers pressed.
std::vector<int> WaitForPresses(std::vector<int>& pressed, int ms = 1500) {
    QDeadlineTimer deadline(ms);
    while (pressed.empty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    // A few more rounds, so that a second report of the same press would be seen too.
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return pressed;
}

class X11HotKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!gHaveDisplay)
            GTEST_SKIP() << "no X server (Xvfb) available";
        service = TX11HotKeyService::Create();
        ASSERT_NE(service, nullptr);
        service->Pressed = [this](int number) { pressed.push_back(number); };
    }
    void TearDown() override { service.reset(); }

    std::unique_ptr<TX11HotKeyService> service;
    std::vector<int> pressed;
};

TEST_F(X11HotKeysTest, ARegisteredCombinationReportsItsNumberUntilReleased) {
    // (Ctrl+Alt with a function key is the server's own screen switch and never reaches a program.)
    const quint16 ctrlAltJ = static_cast<quint16>('J') | kHotKeyCtrl | kHotKeyAlt;
    ASSERT_TRUE(service->Register(3, ctrlAltJ));

    // The key with fewer or other modifiers is not the hot key.
    Type(*service, {kControlL}, 'j');
    Type(*service, {kControlL, kAltL, kShiftL}, 'j');
    EXPECT_THAT(WaitForPresses(pressed, 300), ::testing::IsEmpty());

    Type(*service, {kControlL, kAltL}, 'j');
    EXPECT_THAT(WaitForPresses(pressed), ::testing::ElementsAre(3));

    pressed.clear();
    service->Release(3);
    Type(*service, {kControlL, kAltL}, 'j');
    EXPECT_THAT(WaitForPresses(pressed, 300), ::testing::IsEmpty());
}

TEST_F(X11HotKeysTest, CapsLockDoesNotHideTheHotKey) {
    ASSERT_TRUE(service->Register(7, static_cast<quint16>('K') | kHotKeyCtrl | kHotKeyShift));
    Type(*service, {}, kCapsLock);  // Caps Lock on
    Type(*service, {kControlL, kShiftL}, 'k');
    EXPECT_THAT(WaitForPresses(pressed), ::testing::ElementsAre(7));
    Type(*service, {}, kCapsLock);  // and off again
}

TEST_F(X11HotKeysTest, ACombinationHeldByAnotherProgramOrAnotherNumberCannotBeHad) {
    // Another client of the same server grabs Ctrl+Shift+F6 first.
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    ASSERT_EQ(xcb_connection_has_error(other), 0);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    const quint16 ctrlShiftF6 = KeyF(6) | kHotKeyCtrl | kHotKeyShift;
    const std::uint8_t f6 = service->KeyCodeOf(0xffc3);
    xcb_generic_error_t* error = xcb_request_check(
        other, xcb_grab_key_checked(other, 1, root, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT, f6,
                                    XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    ASSERT_EQ(error, nullptr);

    EXPECT_FALSE(service->Register(1, ctrlShiftF6));
    xcb_disconnect(other);  // its grabs end with it
    EXPECT_TRUE(service->Register(1, ctrlShiftF6));

    // The server would let this program grab the combination twice; the service does not.
    EXPECT_FALSE(service->Register(2, ctrlShiftF6));
    // Registering a number again replaces its combination.
    EXPECT_TRUE(service->Register(1, KeyF(7) | kHotKeyCtrl));
    EXPECT_TRUE(service->Register(2, ctrlShiftF6));
}

TEST_F(X11HotKeysTest, TypingKeysWithoutCtrlOrAltAndUnknownKeysAreRefused) {
    EXPECT_FALSE(service->Register(1, static_cast<quint16>('A')));
    EXPECT_FALSE(service->Register(1, static_cast<quint16>('A') | kHotKeyShift));
    EXPECT_FALSE(service->Register(1, 0x20));                // space
    EXPECT_FALSE(service->Register(1, 0x0D | kHotKeyCtrl));  // a code without a key here
    EXPECT_FALSE(service->Register(1, 0));
    EXPECT_TRUE(service->Register(1, KeyF(9)));  // a function key alone takes no typing away
    EXPECT_TRUE(service->Register(2, static_cast<quint16>('A') | kHotKeyAlt));
}

// The main data on top of the real service: the first of two tasks with the same hot key gets it, the
// second is reported, and a press starts the task as a manual run.
TEST_F(X11HotKeysTest, TaskHotKeysStartTheirTasks) {
    TTempHome home;
    TFakeRunControl runs;
    TMainData data;
    data.RunControl = &runs;
    data.HotKeyService = service.get();
    struct THost : TMainDataHost {
        void ShowError(const QString& text) override { errors.append(text); }
        bool Confirm(const QString&) override { return true; }
        void BringMainWindowToFront() override { ++raised; }
        QStringList errors;
        int raised = 0;
    } host;
    data.Host = &host;
    const quint16 ctrlAltT = static_cast<quint16>('T') | kHotKeyCtrl | kHotKeyAlt;
    for (const char* id : {"first", "second"}) {
        auto task = std::make_unique<TTask>();
        task->ID = QString::fromLatin1(id);
        task->Name = QString::fromLatin1(id);
        task->HotKey = ctrlAltT;
        data.Tasks.Add(std::move(task));
    }
    data.RegisterHotKeys();
    EXPECT_EQ(host.errors, QStringList{QStringLiteral("Hoy key registering failed!")});
    // The probe of the properties dialog finds the combination taken, and a free one free.
    EXPECT_FALSE(data.CanRegisterHotKey(ctrlAltT));
    EXPECT_TRUE(data.CanRegisterHotKey(KeyF(10) | kHotKeyCtrl | kHotKeyAlt));

    service->Pressed = [&data](int number) { data.OnHotKey(number); };
    Type(*service, {kControlL, kAltL}, 't');
    QDeadlineTimer deadline(1500);
    while (runs.started.isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(runs.started, QStringList{QStringLiteral("first")});
    data.HotKeyService = nullptr;
    data.Host = nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleMock(&argc, argv);
    QProcess xvfb;
    const QString program = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (!program.isEmpty()) {
        // -displayfd: the server picks a free display and writes its number to standard output.
        xvfb.start(program, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                             QStringLiteral("0"), QStringLiteral("640x480x24"), QStringLiteral("-nolisten"),
                             QStringLiteral("tcp")});
        if (xvfb.waitForStarted(5000) && xvfb.waitForReadyRead(10000)) {
            const QByteArray number = xvfb.readAllStandardOutput().trimmed();
            if (!number.isEmpty()) {
                qputenv("DISPLAY", ":" + number);
                gHaveDisplay = true;
            }
        }
    }
    int result = 0;
    {
        qputenv("QT_QPA_PLATFORM", gHaveDisplay ? "xcb" : "offscreen");
        QGuiApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    if (xvfb.state() != QProcess::NotRunning) {
        xvfb.terminate();
        xvfb.waitForFinished(5000);
    }
    return result;
}
