#include "ui/TranslateForm.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QToolBar>
#include <QTreeView>
#include <QWizardPage>
#include <algorithm>

#include "settings/Language.h"

namespace {

// The text property a language file's caption key replaces, when the object has one.
bool SetCaption(QObject* object, const QString& text) {
    if (auto* button = qobject_cast<QAbstractButton*>(object)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(object)) {
        label->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(object)) {
        group->setTitle(text);
    } else if (auto* action = qobject_cast<QAction*>(object)) {
        action->setText(text);
    } else if (auto* menu = qobject_cast<QMenu*>(object)) {
        menu->setTitle(text);
    } else if (auto* page = qobject_cast<QWizardPage*>(object)) {
        page->setTitle(text);
    } else if (auto* bar = qobject_cast<QToolBar*>(object)) {
        // A tool bar's caption is its title, which its entry in the bars' menu shows.
        bar->setWindowTitle(text);
    } else if (auto* widget = qobject_cast<QWidget*>(object)) {
        // A page of a tab widget: its caption is the tab's text.
        auto* stack = qobject_cast<QStackedWidget*>(widget->parentWidget());
        auto* tabs = stack != nullptr ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
        const int index = tabs != nullptr ? tabs->indexOf(widget) : -1;
        if (index < 0)
            return false;
        tabs->setTabText(index, text);
    } else {
        return false;
    }
    return true;
}

void SetHint(QObject* object, const QString& text) {
    if (auto* action = qobject_cast<QAction*>(object)) {
        action->setToolTip(text);
        action->setStatusTip(text);
    } else if (auto* widget = qobject_cast<QWidget*>(object)) {
        widget->setToolTip(text);
    }
}

// Line i of a multi-line text box: any value other than the marker replaces it, an empty one too.
QString TranslatedLines(const QString& text, const QString& prefix, const QString& section) {
    QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString value =
            LanguageValue(section, prefix + QStringLiteral(".lines[%1]").arg(i), QStringLiteral("fsdef"));
        if (value != QLatin1String("fsdef"))
            lines[i] = value;
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

void TranslateForm(QWidget* window) {
    if (window == nullptr || !LanguageFileLoaded())
        return;
    const QString form = window->objectName().section(QLatin1Char('_'), 0, 0);
    if (form.isEmpty())
        return;
    const auto value = [&form](const QString& key) { return LanguageValue(form, key, QString()); };

    const QString title = value(form + QStringLiteral(".Caption"));
    if (!title.trimmed().isEmpty())
        window->setWindowTitle(title);

    // Setting a text may replace objects of the widget's own (a text box's document parts), so the
    // named objects are held by guarded pointers and one that went away is passed over.
    QList<QPointer<QObject>> named;
    for (QObject* object : window->findChildren<QObject*>()) {
        const QString name = object->objectName();
        if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_")))
            named.append(object);
    }
    for (const QPointer<QObject>& guarded : named) {
        QObject* object = guarded.data();
        if (object == nullptr)
            continue;
        const QString name = object->objectName();
        const QString prefix = form + QLatin1Char('.') + name;

        const QString caption = value(prefix + QStringLiteral(".Caption"));
        if (!caption.trimmed().isEmpty())
            SetCaption(object, caption);
        const QString hint = value(prefix + QStringLiteral(".Hint"));
        if (!hint.trimmed().isEmpty())
            SetHint(object, hint);

        if (auto* memo = qobject_cast<QPlainTextEdit*>(object)) {
            const QString lines = TranslatedLines(memo->toPlainText(), prefix, form);
            if (lines != memo->toPlainText())
                memo->setPlainText(lines);
        } else if (auto* rich = qobject_cast<QTextEdit*>(object);
                   rich != nullptr && !rich->acceptRichText()) {
            const QString lines = TranslatedLines(rich->toPlainText(), prefix, form);
            if (lines != rich->toPlainText())
                rich->setPlainText(lines);
        } else if (auto* group = qobject_cast<QButtonGroup*>(object)) {
            QList<QAbstractButton*> buttons = group->buttons();
            std::stable_sort(buttons.begin(), buttons.end(), [group](QAbstractButton* a, QAbstractButton* b) {
                return group->id(a) < group->id(b);
            });
            for (int i = 0; i < buttons.size(); ++i) {
                const QString entry = value(prefix + QStringLiteral(".items[%1]").arg(i));
                if (!entry.isEmpty())
                    buttons[i]->setText(entry);
            }
        } else if (auto* combo = qobject_cast<QComboBox*>(object)) {
            for (int i = 0; i < combo->count(); ++i) {
                const QString entry = value(prefix + QStringLiteral(".Items[%1]").arg(i));
                if (!entry.isEmpty())
                    combo->setItemText(i, entry);
            }
        } else if (qobject_cast<QTreeView*>(object) != nullptr ||
                   qobject_cast<QTableView*>(object) != nullptr) {
            QAbstractItemModel* model = static_cast<QAbstractItemView*>(object)->model();
            if (model == nullptr)
                continue;
            for (int i = 0; i < model->columnCount(); ++i) {
                const QString header = value(prefix + QStringLiteral(".Columns[%1].Caption").arg(i));
                if (!header.isEmpty())
                    model->setHeaderData(i, Qt::Horizontal, header);
            }
        }
    }
}
