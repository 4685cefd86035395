#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QString>
#include <vector>

#include <functional>

class TMainData;
class TTask;

// The tasks of the selected group as rows of the task list: name, type, last run, next run, source and
// destination. Rows point into the main data's task list, so the window refreshes the model after every
// change of that list. The list is kept sorted by the text of one column, compared without case.
class TTaskListModel : public QAbstractTableModel {
public:
    enum TColumn { colName, colType, colLastRun, colNextRun, colSource, colDestination, kColumnCount };
    // The drag data of task rows: their IDs, one per line.
    static constexpr const char* kTaskIdsMimeType = "application/x-tarnovex-task-ids";

    explicit TTaskListModel(TMainData& data, QObject* parent = nullptr);

    // The text of the next-run column; the window passes the scheduler's own, so that the list shows
    // what the scheduler will do. Unset: the next runs as read with the system's clock and zone.
    using TNextRunText = std::function<QString(const TTask& task)>;
    void SetNextRunText(TNextRunText nextRun) { nextRun_ = std::move(nextRun); }

    // Which tasks are listed: every task (the all-tasks node), or those whose group is exactly group.
    // An empty selection (no node) lists nothing.
    void SetGroup(const QString& group, bool allTasks);
    void ClearGroup();
    QString Group() const { return group_; }
    bool AllTasks() const { return allTasks_; }

    // Rebuilds the rows from the task list, sorted.
    void Refresh();
    // Whether the rows are still the tasks of the group (none was added, removed or moved to another
    // group since the last refresh).
    bool RowsMatchData() const;
    // The texts and images of the rows may have changed (runs started or ended, progress, last run).
    void TextsChanged();

    void SetSort(int column, bool ascending);
    int SortColumn() const { return sortColumn_; }
    bool SortAscending() const { return ascending_; }

    TTask* TaskAt(int row) const;
    int RowOf(const QString& id) const;
    QString Text(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // A header caption replaced by the language file.
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }

    // The picture of a task's state (running, paused, error flag), or of its action when idle.
    static QIcon StateIcon(const TTask& task);

private:
    static QString TextOf(const TTask& task, int column, const TNextRunText& nextRun);
    void Sort();

    TMainData& data_;
    TNextRunText nextRun_;
    QString group_;
    bool allTasks_ = false;
    bool hasGroup_ = false;
    int sortColumn_ = 0;
    bool ascending_ = true;
    std::vector<TTask*> rows_;
    QString headers_[kColumnCount];
};
