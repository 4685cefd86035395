#include "ui/X11HotKeys.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <cstdlib>

namespace {

// Caps Lock and Num Lock (Mod2 on every common keyboard map) change the modifier state of a key press;
// the grab is made for each of their combinations.
constexpr std::uint16_t kLockMasks[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                        XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
constexpr std::uint16_t kHotKeyMasks = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;

}  // namespace

std::unique_ptr<TX11HotKeyService> TX11HotKeyService::Create() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (app == nullptr)
        return nullptr;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        return nullptr;
    xcb_connection_t* connection = x11->connection();
    const xcb_setup_t* setup = xcb_get_setup(connection);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
    if (screens.rem == 0)
        return nullptr;
    auto service = std::make_unique<TX11HotKeyService>(connection, screens.data->root);
    app->installNativeEventFilter(service.get());
    return service;
}

TX11HotKeyService::TX11HotKeyService(xcb_connection_t* connection, std::uint32_t rootWindow)
    : connection_(connection), root_(rootWindow) {}

TX11HotKeyService::~TX11HotKeyService() {
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeNativeEventFilter(this);
    for (const auto& [number, grab] : grabs_)
        Ungrab(grab.keyCode, grab.modifiers);
    xcb_flush(connection_);
}

std::uint32_t TX11HotKeyService::KeySymOf(quint16 hotKey) {
    const int code = hotKey & kHotKeyCodeMask;
    if (code >= 'A' && code <= 'Z')
        return static_cast<std::uint32_t>(code - 'A' + 'a');  // XK_a ...
    if (code >= '0' && code <= '9')
        return static_cast<std::uint32_t>(code);  // XK_0 ...
    if (code >= 0x70 && code <= 0x87)
        return 0xffbeu + static_cast<std::uint32_t>(code - 0x70);  // XK_F1 ... XK_F24
    switch (code) {
        case 0x20:
            return 0x0020;  // XK_space
        case 0x21:
            return 0xff55;  // XK_Prior
        case 0x22:
            return 0xff56;  // XK_Next
        case 0x23:
            return 0xff57;  // XK_End
        case 0x24:
            return 0xff50;  // XK_Home
        case 0x25:
            return 0xff51;  // XK_Left
        case 0x26:
            return 0xff52;  // XK_Up
        case 0x27:
            return 0xff53;  // XK_Right
        case 0x28:
            return 0xff54;  // XK_Down
        case 0x2D:
            return 0xff63;  // XK_Insert
        case 0x2E:
            return 0xffff;  // XK_Delete
        default:
            return 0;
    }
}

std::uint16_t TX11HotKeyService::ModifierMaskOf(quint16 hotKey) {
    std::uint16_t mask = 0;
    if (hotKey & kHotKeyShift)
        mask |= XCB_MOD_MASK_SHIFT;
    if (hotKey & kHotKeyCtrl)
        mask |= XCB_MOD_MASK_CONTROL;
    if (hotKey & kHotKeyAlt)
        mask |= XCB_MOD_MASK_1;
    return mask;
}

bool TX11HotKeyService::Acceptable(quint16 hotKey) {
    const std::uint32_t keySym = KeySymOf(hotKey);
    if (keySym == 0)
        return false;
    const bool typingKey = keySym < 0x100;  // letters, digits and space
    return !typingKey || (hotKey & (kHotKeyCtrl | kHotKeyAlt)) != 0;
}

std::uint8_t TX11HotKeyService::KeyCodeOf(std::uint32_t keySym) {
    if (keySyms_.empty()) {
        const xcb_setup_t* setup = xcb_get_setup(connection_);
        minKeyCode_ = setup->min_keycode;
        const int count = setup->max_keycode - setup->min_keycode + 1;
        xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
            connection_,
            xcb_get_keyboard_mapping(connection_, setup->min_keycode, static_cast<std::uint8_t>(count)),
            nullptr);
        if (reply == nullptr)
            return 0;
        symsPerCode_ = reply->keysyms_per_keycode;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
        const int length = xcb_get_keyboard_mapping_keysyms_length(reply);
        keySyms_.assign(syms, syms + length);
        std::free(reply);
    }
    if (symsPerCode_ <= 0)
        return 0;
    const int codes = static_cast<int>(keySyms_.size()) / symsPerCode_;
    // The first column (no modifier) decides where it can; a symbol reached only with Shift or another
    // level is still found by its key.
    for (int column = 0; column < symsPerCode_; ++column) {
        for (int i = 0; i < codes; ++i) {
            if (keySyms_[static_cast<size_t>(i * symsPerCode_ + column)] == keySym)
                return static_cast<std::uint8_t>(minKeyCode_ + i);
        }
    }
    return 0;
}

bool TX11HotKeyService::Grab(std::uint8_t keyCode, std::uint16_t modifiers) {
    std::vector<xcb_void_cookie_t> cookies;
    for (std::uint16_t lock : kLockMasks)
        cookies.push_back(xcb_grab_key_checked(connection_, 1, root_, modifiers | lock, keyCode,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    bool ok = true;
    for (const xcb_void_cookie_t& cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
            ok = false;
            std::free(error);
        }
    }
    if (!ok)
        Ungrab(keyCode, modifiers);  // the variants that did succeed
    return ok;
}

void TX11HotKeyService::Ungrab(std::uint8_t keyCode, std::uint16_t modifiers) {
    for (std::uint16_t lock : kLockMasks)
        xcb_ungrab_key(connection_, keyCode, root_, modifiers | lock);
}

bool TX11HotKeyService::Register(int number, quint16 hotKey) {
    Release(number);
    if (!Acceptable(hotKey))
        return false;
    for (const auto& [other, grab] : grabs_) {
        if (grab.hotKey == hotKey)
            return false;
    }
    const std::uint8_t keyCode = KeyCodeOf(KeySymOf(hotKey));
    if (keyCode == 0)
        return false;
    const std::uint16_t modifiers = ModifierMaskOf(hotKey);
    if (!Grab(keyCode, modifiers)) {
        xcb_flush(connection_);
        return false;
    }
    grabs_[number] = TGrab{hotKey, keyCode, modifiers};
    xcb_flush(connection_);
    return true;
}

void TX11HotKeyService::Release(int number) {
    const auto it = grabs_.find(number);
    if (it == grabs_.end())
        return;
    Ungrab(it->second.keyCode, it->second.modifiers);
    grabs_.erase(it);
    xcb_flush(connection_);
}

bool TX11HotKeyService::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || message == nullptr)
        return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) {
        keySyms_.clear();  // read again at the next registration
        return false;
    }
    if (type != XCB_KEY_PRESS)
        return false;
    auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
    const std::uint16_t modifiers = press->state & kHotKeyMasks;
    for (const auto& [number, grab] : grabs_) {
        if (grab.keyCode == press->detail && grab.modifiers == modifiers) {
            // The handler may open dialogs; it runs after this event has been dealt with.
            QTimer::singleShot(0, this, [this, number = number] {
                if (Pressed)
                    Pressed(number);
            });
            return true;
        }
    }
    return false;
}
