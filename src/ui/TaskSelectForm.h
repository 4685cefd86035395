#pragma once

#include <QDialog>

class QPushButton;
class QTreeWidget;
class TMainData;
class TTask;

// The task picker: every task with its group, one row each. "O&K" is enabled only while a row is
// selected; a double click or Enter on a row takes it.
class TTaskSelectForm : public QDialog {
    Q_OBJECT
public:
    explicit TTaskSelectForm(const TMainData& data, QWidget* parent = nullptr);

    // The task of the selected row; nullptr without one.
    const TTask* SelectedTask() const;
    QTreeWidget* List() const { return list_; }
    QPushButton* OkButton() const { return ok_; }

private:
    void UpdateButtons();

    const TMainData& data_;
    QTreeWidget* list_ = nullptr;
    QPushButton* ok_ = nullptr;
};

// Shows the picker modally; the chosen task, or nullptr on Cancel.
const TTask* SelectTask(const TMainData& data, QWidget* parent = nullptr);
