#pragma once

#include <QLineEdit>

// The editor of a system-wide hot key in its stored 16-bit form (see platform/HotKeys.h). Pressing a
// combination of a storable key (letters, digits, F1-F24, Space, Insert, Delete, Home, End, Page Up,
// Page Down) and its modifiers takes it; a combination without Ctrl or Alt gets Alt added, since a bare
// key would be taken away from every other program. Backspace clears it. Tab, Enter and Escape keep
// their usual meaning, so that the dialog stays usable from the keyboard.
class THotKeyEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit THotKeyEdit(QWidget* parent = nullptr);

    quint16 HotKey() const { return hotKey_; }
    // Shows value; emits HotKeyChanged when it differs from the shown one.
    void SetHotKey(quint16 value);
    // The text of a value: "None" for 0.
    static QString HotKeyText(quint16 value);
    // The value a key press gives (Alt added as described above); 0 when the key cannot be stored.
    static quint16 HotKeyOfKeyPress(int key, Qt::KeyboardModifiers modifiers);

signals:
    void HotKeyChanged(quint16 value);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    quint16 hotKey_ = 0;
};
