#include "ui/TaskSelectForm.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "model/MainData.h"
#include "ui/TranslateForm.h"

namespace {

constexpr int kIndexRole = Qt::UserRole;

}  // namespace

TTaskSelectForm::TTaskSelectForm(const TMainData& data, QWidget* parent) : QDialog(parent), data_(data) {
    setObjectName(QStringLiteral("TaskSelectForm"));
    setWindowTitle(QStringLiteral("Select a Task"));
    auto* layout = new QVBoxLayout(this);
    list_ = new QTreeWidget;
    list_->setObjectName(QStringLiteral("ListViewTasks"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setHeaderLabels({QStringLiteral("Task"), QStringLiteral("Group")});
    list_->header()->setStretchLastSection(true);
    list_->setColumnWidth(0, 240);
    for (int i = 0; i < data_.Tasks.Count(); ++i) {
        const TTask& task = data_.Tasks[i];
        auto* item = new QTreeWidgetItem(list_, {task.Name, task.BelongToGroup});
        item->setData(0, kIndexRole, i);
    }
    layout->addWidget(list_, 1);

    auto* buttons = new QDialogButtonBox;
    buttons->setObjectName(QStringLiteral("buttons"));
    ok_ = buttons->addButton(QStringLiteral("O&K"), QDialogButtonBox::AcceptRole);
    ok_->setObjectName(QStringLiteral("OkButton"));
    ok_->setDefault(true);
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(list_, &QTreeWidget::itemSelectionChanged, this, &TTaskSelectForm::UpdateButtons);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (SelectedTask() != nullptr)
            accept();
    });
    UpdateButtons();
    TranslateForm(this);
    resize(460, 360);
}

const TTask* TTaskSelectForm::SelectedTask() const {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty())
        return nullptr;
    const int index = selected.first()->data(0, kIndexRole).toInt();
    return index >= 0 && index < data_.Tasks.Count() ? &data_.Tasks[index] : nullptr;
}

void TTaskSelectForm::UpdateButtons() {
    ok_->setEnabled(SelectedTask() != nullptr);
}

const TTask* SelectTask(const TMainData& data, QWidget* parent) {
    TTaskSelectForm form(data, parent);
    if (form.exec() != QDialog::Accepted)
        return nullptr;
    return form.SelectedTask();
}
