#include "ui/TaskListModel.h"

#include <gtest/gtest.h>

#include <QMimeData>
#include <memory>

#include "UiFixtures.h"
#include "model/Task.h"
#include "platform/DateTime.h"
#include "ui/GroupsTree.h"
#include "ui/Icons.h"
#include "ui/Tips.h"

namespace {

class TaskListModel : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        a = &AddTask(data, QStringLiteral("alpha"), QStringLiteral("G"));
        b = &AddTask(data, QStringLiteral("Beta"), QStringLiteral("G"));
        c = &AddTask(data, QStringLiteral("gamma"));
    }
    TMainData data;
    TTask* a = nullptr;
    TTask* b = nullptr;
    TTask* c = nullptr;
};

TEST_F(TaskListModel, NoNodeListsNothingAndAGroupOnlyItsTasks) {
    TTaskListModel model(data);
    model.Refresh();
    EXPECT_EQ(model.rowCount(), 0);
    model.SetGroup(QStringLiteral("G"), false);
    EXPECT_EQ(model.rowCount(), 2);
    model.SetGroup(QString(), false);  // a group node never has an empty name, but it must not list all
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.TaskAt(0), c);
    model.SetGroup(TMainData::AllTasksName(), true);
    EXPECT_EQ(model.rowCount(), 3);
}

TEST_F(TaskListModel, ARunThatMovesTheLastRunKeepsTheListSortedByIt) {
    a->LastRun = DateTime::Encode(2026, 1, 1);
    b->LastRun = DateTime::Encode(2026, 2, 1);
    c->LastRun = DateTime::Encode(2026, 3, 1);
    TTaskListModel model(data);
    model.SetGroup(TMainData::AllTasksName(), true);
    model.SetSort(TTaskListModel::colLastRun, true);
    ASSERT_EQ(model.TaskAt(0), a);
    const QPersistentModelIndex selected = model.index(0, 0);
    a->LastRun = DateTime::Encode(2026, 4, 1);
    model.TextsChanged();
    EXPECT_EQ(model.TaskAt(2), a);
    EXPECT_EQ(model.TaskAt(0), b);
    // A selection follows its task to the new row.
    EXPECT_EQ(selected.row(), 2);
}

TEST_F(TaskListModel, TheStatePictureShowsRunsPausesAndErrorFlags) {
    EXPECT_EQ(TTaskListModel::StateIcon(*a).cacheKey(), Icons::TaskAction(TTaskAction::taBackup).cacheKey());
    a->IsRunning = true;
    EXPECT_EQ(TTaskListModel::StateIcon(*a).cacheKey(), Icons::Running().cacheKey());
    a->Suspended = true;
    EXPECT_EQ(TTaskListModel::StateIcon(*a).cacheKey(), Icons::Paused().cacheKey());
    a->IsRunning = false;
    a->ErrorFlag = true;
    EXPECT_EQ(TTaskListModel::StateIcon(*a).cacheKey(), Icons::ErrorFlag().cacheKey());
}

TEST_F(TaskListModel, DraggedRowsCarryTheirTaskIdsToTheGroupsTree) {
    TTaskListModel model(data);
    model.SetGroup(TMainData::AllTasksName(), true);
    std::unique_ptr<QMimeData> mime(
        model.mimeData({model.index(0, 0), model.index(0, 3), model.index(2, 0)}));
    EXPECT_EQ(TGroupsTree::TaskIdsOf(mime.get()), (QStringList{model.TaskAt(0)->ID, model.TaskAt(2)->ID}));
    QMimeData other;
    other.setText(QStringLiteral("not tasks"));
    EXPECT_TRUE(TGroupsTree::TaskIdsOf(&other).isEmpty());
}

TEST(Tips, TopicsAreSplitOffAndTheIndexWrapsAround) {
    ASSERT_EQ(TipLines().size(), 40);
    const TTip first = TipAt(0);
    EXPECT_EQ(first.Topic, QStringLiteral("/files/contents.html"));
    EXPECT_TRUE(first.Text.startsWith(QStringLiteral("Tarnovex keeps information")));
    EXPECT_TRUE(TipAt(1).Topic.isEmpty());
    EXPECT_EQ(TipAt(23).Topic, QStringLiteral("/files/task.backuptype.html#exactcopy"));
    EXPECT_EQ(TipAt(99).Text, first.Text);  // out of range: the first tip
    EXPECT_EQ(NextTipIndex(39, 1), 0);
    EXPECT_EQ(NextTipIndex(0, -1), 39);
    EXPECT_EQ(NextTipIndex(-5, 1), 1);
}

}  // namespace
