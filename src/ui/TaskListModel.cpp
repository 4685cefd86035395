#include "ui/TaskListModel.h"

#include <QMimeData>
#include <algorithm>

#include "model/MainData.h"
#include "model/Task.h"
#include "schedule/ScheduleCaptions.h"
#include "schedule/ScheduleTime.h"
#include "ui/Icons.h"

namespace {

QString SystemNextRunText(const TTask& task) {
    static const TScheduleClock clock = TScheduleClock::System();
    return NextRunText(task, LastRunFromWall(task.LastRun, *clock.Zone), *clock.Zone);
}

}  // namespace

TTaskListModel::TTaskListModel(TMainData& data, QObject* parent) : QAbstractTableModel(parent), data_(data) {}

void TTaskListModel::SetGroup(const QString& group, bool allTasks) {
    group_ = group;
    allTasks_ = allTasks;
    hasGroup_ = true;
    Refresh();
}

void TTaskListModel::ClearGroup() {
    group_.clear();
    allTasks_ = false;
    hasGroup_ = false;
    Refresh();
}

void TTaskListModel::Refresh() {
    beginResetModel();
    rows_.clear();
    if (hasGroup_) {
        for (const auto& task : data_.Tasks) {
            if (allTasks_ || task->BelongToGroup == group_)
                rows_.push_back(task.get());
        }
        Sort();
    }
    endResetModel();
}

bool TTaskListModel::RowsMatchData() const {
    size_t expected = 0;
    if (hasGroup_) {
        for (const auto& task : data_.Tasks) {
            if (!allTasks_ && task->BelongToGroup != group_)
                continue;
            if (std::find(rows_.begin(), rows_.end(), task.get()) == rows_.end())
                return false;
            ++expected;
        }
    }
    return expected == rows_.size();
}

void TTaskListModel::TextsChanged() {
    if (rows_.empty())
        return;
    // A changed last run may move a row when the list is sorted by it.
    if (sortColumn_ == colLastRun || sortColumn_ == colNextRun) {
        const std::vector<TTask*> before = rows_;
        emit layoutAboutToBeChanged();
        const QModelIndexList persistent = persistentIndexList();
        Sort();
        QModelIndexList moved;
        for (const QModelIndex& index : persistent) {
            const TTask* task = before[static_cast<size_t>(index.row())];
            const auto it = std::find(rows_.begin(), rows_.end(), task);
            moved.append(this->index(static_cast<int>(it - rows_.begin()), index.column()));
        }
        changePersistentIndexList(persistent, moved);
        emit layoutChanged();
    }
    emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
}

void TTaskListModel::SetSort(int column, bool ascending) {
    sortColumn_ = std::clamp(column, 0, kColumnCount - 1);
    ascending_ = ascending;
    Refresh();
}

void TTaskListModel::Sort() {
    // The texts are computed once per sort: the next-run text walks the schedule items.
    std::vector<std::pair<QString, TTask*>> keyed;
    keyed.reserve(rows_.size());
    for (TTask* task : rows_)
        keyed.emplace_back(TextOf(*task, sortColumn_, nextRun_), task);
    std::stable_sort(keyed.begin(), keyed.end(), [this](const auto& a, const auto& b) {
        const int order = QString::compare(a.first, b.first, Qt::CaseInsensitive);
        return ascending_ ? order < 0 : order > 0;
    });
    for (size_t i = 0; i < keyed.size(); ++i)
        rows_[i] = keyed[i].second;
}

TTask* TTaskListModel::TaskAt(int row) const {
    if (row < 0 || row >= rowCount())
        return nullptr;
    return rows_[static_cast<size_t>(row)];
}

int TTaskListModel::RowOf(const QString& id) const {
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i]->ID == id)
            return static_cast<int>(i);
    }
    return -1;
}

QString TTaskListModel::Text(int row, int column) const {
    const TTask* task = TaskAt(row);
    return task != nullptr ? TextOf(*task, column, nextRun_) : QString();
}

QString TTaskListModel::TextOf(const TTask& task, int column, const TNextRunText& nextRun) {
    switch (column) {
        case colName:
            return task.Name;
        case colType:
            return task.ActionCaption();
        case colLastRun:
            return LastRunCaption(task);
        case colNextRun:
            if (nextRun)
                return nextRun(task);
            return SystemNextRunText(task);
        case colSource:
            return task.SourceCaption();
        case colDestination:
            return task.DestinationCaption();
        default:
            return {};
    }
}

QIcon TTaskListModel::StateIcon(const TTask& task) {
    switch (task.StatusImageIndex()) {
        case 3:
            return Icons::Running();
        case 4:
            return Icons::Paused();
        case 7:
            return Icons::ErrorFlag();
        default:
            return Icons::TaskAction(task.TaskAction);
    }
}

int TTaskListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TTaskListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant TTaskListModel::data(const QModelIndex& index, int role) const {
    const TTask* task = TaskAt(index.row());
    if (task == nullptr)
        return {};
    switch (role) {
        case Qt::DisplayRole:
            return TextOf(*task, index.column(), nextRun_);
        case Qt::ToolTipRole:
            return TextOf(*task, index.column(), nextRun_);
        case Qt::DecorationRole:
            if (index.column() == colName)
                return StateIcon(*task);
            return {};
        default:
            return {};
    }
}

bool TTaskListModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int) {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return false;
    headers_[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

QVariant TTaskListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section >= 0 && section < kColumnCount && !headers_[section].isEmpty())
        return headers_[section];
    switch (section) {
        case colName:
            return QStringLiteral("Name");
        case colType:
            return QStringLiteral("Type");
        case colLastRun:
            return QStringLiteral("Last Run");
        case colNextRun:
            return QStringLiteral("Next Run");
        case colSource:
            return QStringLiteral("Source");
        case colDestination:
            return QStringLiteral("Destination");
        default:
            return {};
    }
}

Qt::ItemFlags TTaskListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList TTaskListModel::mimeTypes() const {
    return {QString::fromLatin1(kTaskIdsMimeType)};
}

QMimeData* TTaskListModel::mimeData(const QModelIndexList& indexes) const {
    QStringList ids;
    for (const QModelIndex& index : indexes) {
        const TTask* task = TaskAt(index.row());
        if (task != nullptr && !ids.contains(task->ID))
            ids.append(task->ID);
    }
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(kTaskIdsMimeType), ids.join(QLatin1Char('\n')).toUtf8());
    return mime;
}
