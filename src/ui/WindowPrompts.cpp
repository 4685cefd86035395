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

bool TWidgetPrompts::EditGroupName(QString& name) {
    QDialog dialog(parent_);
    dialog.setWindowTitle(QStringLiteral("Group Properties"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Group name:")));
    auto* edit = new QLineEdit(name);
    edit->selectAll();
    layout->addWidget(edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(320, dialog.sizeHint().height());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    name = edit->text();
    return true;
}

TGroupsOrderForm::TGroupsOrderForm(const QStringList& names, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("GroupsOrderForm"));
    setWindowTitle(QStringLiteral("Change order of groups in list"));
    auto* layout = new QHBoxLayout(this);
    list_ = new QListWidget;
    list_->addItems(names);
    layout->addWidget(list_);
    auto* side = new QVBoxLayout;
    up_ = new QPushButton(QStringLiteral("Move Up"));
    down_ = new QPushButton(QStringLiteral("Move Down"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Vertical);
    side->addWidget(up_);
    side->addWidget(down_);
    side->addStretch();
    side->addWidget(buttons);
    layout->addLayout(side);
    connect(list_, &QListWidget::currentRowChanged, this, [this] { UpdateButtons(); });
    connect(up_, &QPushButton::clicked, this, [this] { Move(-1); });
    connect(down_, &QPushButton::clicked, this, [this] { Move(1); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    UpdateButtons();
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
    dialog.setWindowTitle(QStringLiteral("Tarnovex Shutdown"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QLabel(
        QStringLiteral("If you exit Tarnovex it will not run any scheduled backups, except backups scheduled "
                       "using Microsoft Task Scheduler (if it's running)."));
    text->setWordWrap(true);
    layout->addWidget(text);
    layout->addWidget(new QLabel(QStringLiteral("Are you sure you want to exit?")));
    auto* check = new QCheckBox(QStringLiteral("Don't show this message again"));
    layout->addWidget(check);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Yes | QDialogButtonBox::No);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
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
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Password:")));
    auto* edit = new QLineEdit;
    edit->setEchoMode(QLineEdit::Password);
    layout->addWidget(edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QPushButton* reminderButton = buttons->addButton(QStringLiteral("Reminder"), QDialogButtonBox::HelpRole);
    reminderButton->setEnabled(!reminder.isEmpty());
    QObject::connect(reminderButton, &QPushButton::clicked, &dialog,
                     [this, reminder] { ShowInformation(TTask::ReminderTitle(), reminder); });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
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
