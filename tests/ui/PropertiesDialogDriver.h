#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTest>

#include "ui/TaskPropertiesDialog.h"

// Drives the task properties dialog as a user does: finds a control by name, shows the page that
// holds it as a click in the navigator would, and types, clicks or chooses there.
namespace PropertiesDriver {

template <typename T>
T* Child(QWidget* form, const char* name) {
    T* widget = form->findChild<T*>(QString::fromLatin1(name));
    if (!widget)
        ADD_FAILURE() << "no control " << name;
    return widget;
}

// Chooses an entry of a list as the user does (the activated signal is what a click or key gives).
inline void Choose(QComboBox* combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

// Shows the dialog page that holds widget (pages may hold stacks of their own).
inline void Reveal(QWidget* form, QWidget* widget) {
    auto* dialog = qobject_cast<TTaskPropertiesForm*>(form);
    if (!dialog || !widget)
        return;
    for (QWidget* w = widget; w && w->parentWidget(); w = w->parentWidget()) {
        if (auto* stack = qobject_cast<QStackedWidget*>(w->parentWidget());
            stack && stack->objectName() == QLatin1String("pages")) {
            dialog->SetCurrentPage(stack->indexOf(w));
            return;
        }
    }
}

inline void Type(QWidget* form, const char* name, const QString& text) {
    auto* edit = Child<QLineEdit>(form, name);
    Reveal(form, edit);
    edit->clear();
    QTest::keyClicks(edit, text);
}

inline void Click(QWidget* form, const char* name) {
    auto* widget = Child<QAbstractButton>(form, name);
    Reveal(form, widget);
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(4, 4));
}

}  // namespace PropertiesDriver
