#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include "model/Task.h"

class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

// The questions and messages the main window puts to the user. The window asks them through this
// interface so that they can be answered without a person (the tests answer them).
class TWindowPrompts {
public:
    virtual ~TWindowPrompts() = default;
    // A Yes/No question; true for Yes.
    virtual bool Confirm(const QString& caption, const QString& text) = 0;
    virtual void Information(const QString& caption, const QString& text) = 0;
    virtual void Error(const QString& caption, const QString& text) = 0;
    // The group name dialog: true on OK with the edited name.
    virtual bool EditGroupName(QString& name) = 0;
    // The group order dialog: true on OK with the names in their new order.
    virtual bool EditGroupOrder(QStringList& names) = 0;
    // The password dialog of a protected task.
    virtual TPasswordPrompt& PasswordPrompt() = 0;
    // The exit confirmation: true for Yes; dontAskAgain tells whether its check box was ticked.
    virtual bool ConfirmShutdown(bool& dontAskAgain) = 0;
    // The log search: false when cancelled.
    virtual bool AskSearch(QString& text, bool& matchCase, bool& down) = 0;
    // The file the log is saved to; empty when cancelled.
    virtual QString AskLogFileName(const QString& folder) = 0;
};

// The prompts as modal dialogs over parent.
class TWidgetPrompts : public TWindowPrompts, public TPasswordPrompt {
public:
    explicit TWidgetPrompts(QWidget* parent) : parent_(parent) {}

    bool Confirm(const QString& caption, const QString& text) override;
    void Information(const QString& caption, const QString& text) override;
    void Error(const QString& caption, const QString& text) override;
    bool EditGroupName(QString& name) override;
    bool EditGroupOrder(QStringList& names) override;
    TPasswordPrompt& PasswordPrompt() override { return *this; }
    bool ConfirmShutdown(bool& dontAskAgain) override;
    bool AskSearch(QString& text, bool& matchCase, bool& down) override;
    QString AskLogFileName(const QString& folder) override;

    // TPasswordPrompt
    bool Ask(const QString& title, const QString& reminder, QString& typed) override;
    void ShowInformation(const QString& title, const QString& text) override;
    void ShowError(const QString& title, const QString& text) override;

private:
    QWidget* parent_;
};

// The group name dialog: the name in one field, returned on OK (the window checks for duplicates).
class TGroupPropForm : public QDialog {
    Q_OBJECT
public:
    explicit TGroupPropForm(const QString& name, QWidget* parent = nullptr);
    QString Name() const;

private:
    QLineEdit* name_;
};

// The group order dialog: the names one per line; "Move Up" and "Move Down" exchange the selected entry
// with its neighbour and are enabled only where that neighbour exists.
class TGroupsOrderForm : public QDialog {
public:
    TGroupsOrderForm(const QStringList& names, QWidget* parent = nullptr);

    void Select(int row);
    // Moves the selected entry by step (-1 up, 1 down) when it can go there.
    void Move(int step);
    bool CanMoveUp() const;
    bool CanMoveDown() const;
    QStringList Names() const;

private:
    void UpdateButtons();

    QListWidget* list_;
    QPushButton* up_;
    QPushButton* down_;
};
