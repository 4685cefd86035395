#pragma once

#include <QStringList>
#include <QTreeWidget>
#include <functional>

// The groups tree: tasks dragged from the task list are dropped onto a node (only onto a node).
class TGroupsTree : public QTreeWidget {
public:
    explicit TGroupsTree(QWidget* parent = nullptr);

    // Called with the IDs of the dropped tasks and the node they were dropped on.
    std::function<void(const QStringList& ids, QTreeWidgetItem* node)> TasksDropped;

    static QStringList TaskIdsOf(const QMimeData* mime);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};
