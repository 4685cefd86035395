#include "ui/WindowPrompts.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "settings/Language.h"
#include "ui/TranslateForm.h"

namespace {

// Gives a control the stable name the language files know it by.
template <typename TWidget>
TWidget* Named(TWidget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// OK and Cancel (or Yes and No) of a dialog, named for the language files.
QDialogButtonBox* DialogButtons(QDialogButtonBox::StandardButtons which, QDialog* dialog,
                                Qt::Orientation orientation = Qt::Horizontal) {
    auto* buttons = Named(new QDialogButtonBox(which, orientation), "buttons");
    const std::pair<QDialogButtonBox::StandardButton, const char*> names[] = {
        {QDialogButtonBox::Ok, "OkButton"},
        {QDialogButtonBox::Cancel, "CancelButton"},
        {QDialogButtonBox::Yes, "YesButton"},
        {QDialogButtonBox::No, "NoButton"}};
    for (const auto& [button, name] : names)
        if (buttons->button(button) != nullptr)
            Named(buttons->button(button), name);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

}  // namespace

bool TWidgetPrompts::Confirm(const QString& caption, const QString& text) {
    return QMessageBox::question(parent_, caption, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void TWidgetPrompts::Information(const QString& caption, const QString& text) {
    QMessageBox::information(parent_, caption, text);
}

void TWidgetPrompts::Error(const QString& caption, const QString& text) {
    QMessageBox::critical(parent_, caption, text);
}

TGroupPropForm::TGroupPropForm(const QString& name, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("GroupPropForm"));
    setWindowTitle(QStringLiteral("Group Properties"));
    auto* layout = new QVBoxLayout(this);
    auto* label = Named(new QLabel(QStringLiteral("Group &name:")), "NameLabel");
    layout->addWidget(label);
    name_ = Named(new QLineEdit(name), "NameEdit");
    name_->selectAll();
    label->setBuddy(name_);
    layout->addWidget(name_);
    layout->addWidget(DialogButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this));
    TranslateForm(this);
    resize(340, sizeHint().height());
}

QString TGroupPropForm::Name() const {
    return name_->text();
}

bool TWidgetPrompts::EditGroupName(QString& name) {
    TGroupPropForm dialog(name, parent_);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    name = dialog.Name();
    return true;
}

TGroupsOrderForm::TGroupsOrderForm(const QStringList& names, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("GroupsOrderForm"));
    setWindowTitle(QStringLiteral("Change order of groups in list"));
    auto* layout = new QHBoxLayout(this);
    list_ = Named(new QListWidget, "GroupsList");
    list_->addItems(names);
    layout->addWidget(list_);
    auto* side = new QVBoxLayout;
    up_ = Named(new QPushButton(QStringLiteral("Move &Up")), "MoveUpButton");
    down_ = Named(new QPushButton(QStringLiteral("Move &Down")), "MoveDownButton");
    up_->setAutoDefault(false);
    down_->setAutoDefault(false);
    auto* buttons = DialogButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this, Qt::Vertical);
    side->addWidget(up_);
    side->addWidget(down_);
    side->addStretch();
    side->addWidget(buttons);
    layout->addLayout(side);
    connect(list_, &QListWidget::currentRowChanged, this, [this] { UpdateButtons(); });
    connect(up_, &QPushButton::clicked, this, [this] { Move(-1); });
    connect(down_, &QPushButton::clicked, this, [this] { Move(1); });
    UpdateButtons();
    TranslateForm(this);
}

void TGroupsOrderForm::Select(int row) {
    list_->setCurrentRow(row);
    UpdateButtons();
}

void TGroupsOrderForm::Move(int step) {
    const int row = list_->currentRow();
    if (row < 0 || row + step < 0 || row + step >= list_->count())
        return;
    QListWidgetItem* item = list_->takeItem(row);
    list_->insertItem(row + step, item);
    list_->setCurrentRow(row + step);
    UpdateButtons();
}

void TGroupsOrderForm::UpdateButtons() {
    const int row = list_->currentRow();
    up_->setEnabled(row > 0);
    down_->setEnabled(row >= 0 && row < list_->count() - 1);
}

bool TGroupsOrderForm::CanMoveUp() const {
    return up_->isEnabled();
}

bool TGroupsOrderForm::CanMoveDown() const {
    return down_->isEnabled();
}

QStringList TGroupsOrderForm::Names() const {
    QStringList names;
    for (int i = 0; i < list_->count(); ++i)
        names.append(list_->item(i)->text());
    return names;
}

bool TWidgetPrompts::EditGroupOrder(QStringList& names) {
    TGroupsOrderForm dialog(names, parent_);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    names = dialog.Names();
    return true;
}

bool TWidgetPrompts::ConfirmShutdown(bool& dontAskAgain) {
    QDialog dialog(parent_);
    dialog.setObjectName(QStringLiteral("ShutdownForm"));
    dialog.setWindowTitle(QStringLiteral("Tarnovex Shutdown"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* text =
        Named(new QLabel(QStringLiteral("If you exit Tarnovex it will not run any scheduled backups, "
                                        "except backups scheduled using Microsoft Task Scheduler (if "
                                        "it's running).")),
              "NoteLabel");
    text->setWordWrap(true);
    layout->addWidget(text);
    layout->addWidget(Named(new QLabel(QStringLiteral("Are you sure you want to exit?")), "QuestionLabel"));
    auto* check = Named(new QCheckBox(QStringLiteral("&Don't show this message again")), "DontShowCheck");
    layout->addWidget(check);
    layout->addWidget(DialogButtons(QDialogButtonBox::Yes | QDialogButtonBox::No, &dialog));
    TranslateForm(&dialog);
    dialog.resize(420, dialog.sizeHint().height());
    const bool yes = dialog.exec() == QDialog::Accepted;
    dontAskAgain = check->isChecked();
    return yes;
}

bool TWidgetPrompts::AskSearch(QString& text, bool& matchCase, bool& down) {
    QDialog dialog(parent_);
    dialog.setWindowTitle(QStringLiteral("Find"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Find what:")));
    auto* edit = new QLineEdit(text);
    row->addWidget(edit);
    layout->addLayout(row);
    auto* caseBox = new QCheckBox(QStringLiteral("Match case"));
    caseBox->setChecked(matchCase);
    layout->addWidget(caseBox);
    auto* upButton = new QRadioButton(QStringLiteral("Up"));
    auto* downButton = new QRadioButton(QStringLiteral("Down"));
    (down ? downButton : upButton)->setChecked(true);
    auto* direction = new QHBoxLayout;
    direction->addWidget(upButton);
    direction->addWidget(downButton);
    layout->addLayout(direction);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Find Next"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    text = edit->text();
    matchCase = caseBox->isChecked();
    down = downButton->isChecked();
    return true;
}

QString TWidgetPrompts::AskLogFileName(const QString& folder) {
    QFileDialog dialog(parent_, QStringLiteral("Save Activity Log"), folder,
                       QStringLiteral("Log files (*.log);;Text files (*.txt);;All files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("log"));
    dialog.selectFile(QStringLiteral("Tarnovex.log"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

bool TWidgetPrompts::Ask(const QString& title, const QString& reminder, QString& typed) {
    QDialog dialog(parent_);
    dialog.setObjectName(QStringLiteral("PasswordForm"));
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = Named(new QLabel(QStringLiteral("&Password:")), "PasswordLabel");
    layout->addWidget(label);
    auto* edit = Named(new QLineEdit, "PasswordEdit");
    edit->setEchoMode(QLineEdit::Password);
    label->setBuddy(edit);
    layout->addWidget(edit);
    auto* buttons = DialogButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QPushButton* reminderButton =
        Named(buttons->addButton(QStringLiteral("&Reminder"), QDialogButtonBox::HelpRole), "ReminderButton");
    reminderButton->setAutoDefault(false);
    reminderButton->setEnabled(!reminder.isEmpty());
    QObject::connect(reminderButton, &QPushButton::clicked, &dialog,
                     [this, reminder] { ShowInformation(TTask::ReminderTitle(), reminder); });
    layout->addWidget(buttons);
    TranslateForm(&dialog);
    // The title names the task or the program; it is set by the caller, not by the language file.
    dialog.setWindowTitle(title);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    typed = edit->text();
    return true;
}

void TWidgetPrompts::ShowInformation(const QString& title, const QString& text) {
    QMessageBox::information(parent_, title, text);
}

void TWidgetPrompts::ShowError(const QString& title, const QString& text) {
    QMessageBox::critical(parent_, title, text);
}
