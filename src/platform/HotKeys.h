#pragma once

#include <QtGlobal>

// System-wide hot keys. A hot key value is a 16-bit code: bits 0-12 the key, 0x2000 Shift, 0x4000 Ctrl,
// 0x8000 Alt; 0 means none. The desktop program registers them through X11 key grabs; without a display
// no service exists and every registration fails, which callers already handle.
class THotKeyService {
public:
    virtual ~THotKeyService() = default;
    // Registers hotKey under number; false when the combination cannot be had.
    virtual bool Register(int number, quint16 hotKey) = 0;
    virtual void Release(int number) = 0;
};

// The service used when no display exists: nothing can be registered.
class TNoHotKeyService final : public THotKeyService {
public:
    bool Register(int, quint16) override { return false; }
    void Release(int) override {}
};

constexpr quint16 kHotKeyShift = 0x2000;
constexpr quint16 kHotKeyCtrl = 0x4000;
constexpr quint16 kHotKeyAlt = 0x8000;
constexpr quint16 kHotKeyCodeMask = 0x1FFF;
