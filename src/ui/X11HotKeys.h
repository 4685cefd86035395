#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/HotKeys.h"

struct xcb_connection_t;

// System-wide hot keys through X11 key grabs on the root window. A combination another program holds
// cannot be grabbed (the server answers BadAccess), so registering it fails; one combination is never
// given to two numbers of this program either, although the server would let the same client grab it
// twice. Each combination is grabbed with and without Caps Lock and Num Lock, so that the hot key works
// whatever state those locks are in.
class TX11HotKeyService final : public QObject, public THotKeyService, public QAbstractNativeEventFilter {
public:
    // The service of this session's X11 display, installed as the application's native event filter;
    // nullptr when the program does not run on X11 (Wayland, offscreen, no display).
    static std::unique_ptr<TX11HotKeyService> Create();

    // For a connection the caller owns (the X11 connection of the application in Create).
    TX11HotKeyService(xcb_connection_t* connection, std::uint32_t rootWindow);
    ~TX11HotKeyService() override;

    bool Register(int number, quint16 hotKey) override;
    void Release(int number) override;

    // Called on the main thread, after the event that carried the key press has been handled, with the
    // number the pressed combination was registered under.
    std::function<void(int number)> Pressed;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    // The X11 key symbol of a hot key's key code (the other platform's virtual keys: letters and digits as
    // their upper-case characters, F1 at 0x70 ...); 0 when the key has no symbol here.
    static std::uint32_t KeySymOf(quint16 hotKey);
    // The X11 modifier mask of a hot key's Shift, Ctrl and Alt bits.
    static std::uint16_t ModifierMaskOf(quint16 hotKey);
    // A combination that would take a plain typing key (a letter, digit or space without Ctrl or Alt)
    // from every program is not grabbed.
    static bool Acceptable(quint16 hotKey);
    // The key code that produces keySym on the server's keyboard map; 0 when none does.
    std::uint8_t KeyCodeOf(std::uint32_t keySym);

private:
    struct TGrab {
        quint16 hotKey;
        std::uint8_t keyCode;
        std::uint16_t modifiers;
    };
    bool Grab(std::uint8_t keyCode, std::uint16_t modifiers);
    void Ungrab(std::uint8_t keyCode, std::uint16_t modifiers);

    xcb_connection_t* connection_;
    std::uint32_t root_;
    std::map<int, TGrab> grabs_;
    // The keyboard mapping, read on first use and again after the server reports a change.
    std::vector<std::uint32_t> keySyms_;
    int minKeyCode_ = 0;
    int symsPerCode_ = 0;
};
