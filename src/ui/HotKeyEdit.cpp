#include "ui/HotKeyEdit.h"

#include <QKeyEvent>
#include <QKeySequence>

#include "platform/HotKeys.h"
#include "ui/PreferencesDialog.h"

THotKeyEdit::THotKeyEdit(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    // A read-only line still takes the focus from the keyboard, where the combination is typed.
    setFocusPolicy(Qt::StrongFocus);
    setText(HotKeyText(0));
}

QString THotKeyEdit::HotKeyText(quint16 value) {
    if (value == 0)
        return QStringLiteral("None");
    const QKeySequence sequence = SequenceFromHotKey(value);
    return sequence.isEmpty() ? QStringLiteral("0x%1").arg(value, 4, 16, QLatin1Char('0'))
                              : sequence.toString(QKeySequence::NativeText);
}

quint16 THotKeyEdit::HotKeyOfKeyPress(int key, Qt::KeyboardModifiers modifiers) {
    modifiers &= Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
    if (!(modifiers & (Qt::ControlModifier | Qt::AltModifier)))
        modifiers |= Qt::AltModifier;
    return HotKeyFromSequence(QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(key))));
}

void THotKeyEdit::SetHotKey(quint16 value) {
    setText(HotKeyText(value));
    if (value == hotKey_)
        return;
    hotKey_ = value;
    emit HotKeyChanged(value);
}

bool THotKeyEdit::event(QEvent* event) {
    // A storable combination belongs to the editor, not to a shortcut or mnemonic of the window.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (HotKeyOfKeyPress(key->key(), key->modifiers()) != 0 ||
            (key->key() == Qt::Key_Backspace && key->modifiers() == Qt::NoModifier)) {
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void THotKeyEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Backspace && event->modifiers() == Qt::NoModifier) {
        SetHotKey(0);
        return;
    }
    const quint16 value = HotKeyOfKeyPress(event->key(), event->modifiers());
    if (value == 0) {
        // Modifiers alone, Enter, Escape and keys that cannot be stored go to the window.
        event->ignore();
        return;
    }
    SetHotKey(value);
}
