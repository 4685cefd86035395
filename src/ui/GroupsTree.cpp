#include "ui/GroupsTree.h"

#include <QDragEnterEvent>
#include <QMimeData>

#include "ui/TaskListModel.h"

TGroupsTree::TGroupsTree(QWidget* parent) : QTreeWidget(parent) {
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DropOnly);
}

QStringList TGroupsTree::TaskIdsOf(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasFormat(QString::fromLatin1(TTaskListModel::kTaskIdsMimeType)))
        return {};
    return QString::fromUtf8(mime->data(QString::fromLatin1(TTaskListModel::kTaskIdsMimeType)))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void TGroupsTree::dragEnterEvent(QDragEnterEvent* event) {
    if (TaskIdsOf(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void TGroupsTree::dragMoveEvent(QDragMoveEvent* event) {
    if (itemAt(event->position().toPoint()) == nullptr || TaskIdsOf(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void TGroupsTree::dropEvent(QDropEvent* event) {
    QTreeWidgetItem* node = itemAt(event->position().toPoint());
    const QStringList ids = TaskIdsOf(event->mimeData());
    if (node == nullptr || ids.isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    if (TasksDropped)
        TasksDropped(ids, node);
}
