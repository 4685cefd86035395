#include "ui/MainWindow.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QListView>
#include <QMenuBar>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include "UiFixtures.h"
#include "model/Task.h"
#include "settings/Language.h"
#include "store/SafeRegistry.h"
#include "ui/LogModel.h"
#include "ui/TaskListModel.h"

namespace {

class MainWindow : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        data.Groups = {QStringLiteral("Office"), QStringLiteral("Home")};
        office1 = &AddTask(data, QStringLiteral("Reports"), QStringLiteral("Office"));
        office2 = &AddTask(data, QStringLiteral("mail"), QStringLiteral("Office"));
        home = &AddTask(data, QStringLiteral("Photos"), QStringLiteral("Home"));
        loose = &AddTask(data, QStringLiteral("Archive"));
        data.RunControl = &runs;
    }
    std::unique_ptr<TMainWindow> MakeWindow() {
        auto window = std::make_unique<TMainWindow>(data, nullptr);
        window->SetPrompts(&prompts);
        return window;
    }
    bool Enabled(const TMainWindow& window, const char* action) const {
        return window.Action(QString::fromLatin1(action))->isEnabled();
    }
    QStringList ListedNames(const TMainWindow& window) const {
        QStringList names;
        for (int row = 0; row < window.TaskModel().rowCount(); ++row)
            names.append(window.TaskModel().Text(row, TTaskListModel::colName));
        return names;
    }

    TMainData data;
    TFakeRunControl runs;
    TFakePrompts prompts;
    TTask* office1 = nullptr;
    TTask* office2 = nullptr;
    TTask* home = nullptr;
    TTask* loose = nullptr;
};

TEST_F(MainWindow, TheRootListsEveryTaskAndAGroupOnlyItsOwn) {
    auto window = MakeWindow();
    ASSERT_EQ(window->SelectedGroupText(), TMainData::AllTasksName());
    EXPECT_EQ(ListedNames(*window), (QStringList{QStringLiteral("Archive"), QStringLiteral("mail"),
                                                 QStringLiteral("Photos"), QStringLiteral("Reports")}));
    EXPECT_EQ(window->StatusPanelText(0), QStringLiteral("4 Task(s)"));

    ASSERT_TRUE(window->SelectGroup(QStringLiteral("Office")));
    EXPECT_EQ(ListedNames(*window), (QStringList{QStringLiteral("mail"), QStringLiteral("Reports")}));
    EXPECT_EQ(window->StatusPanelText(0), QStringLiteral("2 Task(s)"));
    EXPECT_EQ(window->StatusPanelText(1), QStringLiteral("0 Task(s) Running"));

    // The tree holds the root and the groups in list order.
    const QTreeWidgetItem* root = window->GroupsTree()->topLevelItem(0);
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_EQ(root->child(0)->text(0), QStringLiteral("Office"));
    EXPECT_EQ(root->child(1)->text(0), QStringLiteral("Home"));
}

TEST_F(MainWindow, DeletingAGroupLeavesItsTasksUnderTheRootOnly) {
    auto window = MakeWindow();
    ASSERT_TRUE(window->SelectGroup(QStringLiteral("Home")));
    window->Action(QStringLiteral("actGroupDelete"))->trigger();
    ASSERT_EQ(prompts.asked.size(), 1);
    EXPECT_TRUE(prompts.asked[0].contains(QStringLiteral("Do you really want to delete group \"Home\"?")));
    EXPECT_EQ(data.Groups, QStringList{QStringLiteral("Office")});
    EXPECT_EQ(home->BelongToGroup, QStringLiteral("Home"));
    // The group before it became current.
    EXPECT_EQ(window->SelectedGroupText(), QStringLiteral("Office"));
    EXPECT_FALSE(ListedNames(*window).contains(QStringLiteral("Photos")));
    window->SelectGroup(TMainData::AllTasksName());
    EXPECT_TRUE(ListedNames(*window).contains(QStringLiteral("Photos")));
}

TEST_F(MainWindow, ColumnClicksSortAscendingThenDescendingAndANewColumnAscending) {
    office1->LastRun = DateTime::Encode(2026, 3, 1, 10);
    office2->LastRun = DateTime::Encode(2026, 1, 1, 10);
    home->LastRun = DateTime::Encode(2026, 2, 1, 10);
    loose->LastRun = 0;  // "Never"
    auto window = MakeWindow();
    window->ClickColumn(TTaskListModel::colLastRun);
    EXPECT_TRUE(GlobalSettings().Main.SortOrderAZ);
    EXPECT_EQ(ListedNames(*window), (QStringList{QStringLiteral("mail"), QStringLiteral("Photos"),
                                                 QStringLiteral("Reports"), QStringLiteral("Archive")}));
    window->ClickColumn(TTaskListModel::colLastRun);
    EXPECT_FALSE(GlobalSettings().Main.SortOrderAZ);
    EXPECT_EQ(ListedNames(*window), (QStringList{QStringLiteral("Archive"), QStringLiteral("Reports"),
                                                 QStringLiteral("Photos"), QStringLiteral("mail")}));
    window->ClickColumn(TTaskListModel::colName);
    EXPECT_EQ(GlobalSettings().Main.SortColumn, TTaskListModel::colName);
    EXPECT_TRUE(GlobalSettings().Main.SortOrderAZ);
    // Names compare without case.
    EXPECT_EQ(ListedNames(*window), (QStringList{QStringLiteral("Archive"), QStringLiteral("mail"),
                                                 QStringLiteral("Photos"), QStringLiteral("Reports")}));
    // "Sort Order Z..A" turns the current column over.
    window->Action(QStringLiteral("actSortZA"))->trigger();
    EXPECT_EQ(ListedNames(*window).first(), QStringLiteral("Reports"));
    EXPECT_TRUE(window->Action(QStringLiteral("actSortZA"))->isChecked());
}

TEST_F(MainWindow, WithoutASelectedTaskOnlyNewIsEnabled) {
    auto window = MakeWindow();
    window->SetTaskPropertiesEditor([](TTask&, bool) { return false; });
    ASSERT_EQ(window->SelectedTask(), nullptr);
    EXPECT_TRUE(Enabled(*window, "actTaskNew"));
    for (const char* name : {"actTaskProperties", "actTaskDelete", "actTaskDuplicate", "actTaskStart",
                             "actTaskPause", "actTaskStop", "actViewSource", "actViewDestination"})
        EXPECT_FALSE(Enabled(*window, name)) << name;
}

TEST_F(MainWindow, CommandsWithoutTheirDialogsStayDisabledAndSaySo) {
    auto window = MakeWindow();
    ASSERT_TRUE(window->SelectTask(office1->ID));
    for (const char* name : {"actTaskNew", "actTaskProperties", "actOptions0", "actDecryptWizard"}) {
        EXPECT_FALSE(Enabled(*window, name)) << name;
        EXPECT_EQ(window->Action(QString::fromLatin1(name))->toolTip(), TMainWindow::NotAvailableText());
    }
}

TEST_F(MainWindow, ACommandGetsItsDialogLater) {
    auto window = MakeWindow();
    int opened = 0;
    EXPECT_FALSE(window->SetCommand(QStringLiteral("actNoSuchThing"), [] {}));
    ASSERT_TRUE(window->SetCommand(QStringLiteral("actOptions3"), [&opened] { ++opened; }));
    QAction* logDisplay = window->Action(QStringLiteral("actOptions3"));
    EXPECT_TRUE(logDisplay->isEnabled());
    EXPECT_NE(logDisplay->toolTip(), TMainWindow::NotAvailableText());
    logDisplay->trigger();
    EXPECT_EQ(opened, 1);
    // "Create Task Shortcut" keeps its rule: only with a selected task.
    ASSERT_TRUE(window->SetCommand(QStringLiteral("actTaskShortcut"), [] {}));
    EXPECT_FALSE(Enabled(*window, "actTaskShortcut"));
    window->SelectTask(home->ID);
    EXPECT_TRUE(Enabled(*window, "actTaskShortcut"));
}

TEST_F(MainWindow, RunningTaskEnablesPauseAndStopAndDisablesStart) {
    auto window = MakeWindow();
    ASSERT_TRUE(window->SelectTask(office1->ID));
    EXPECT_TRUE(Enabled(*window, "actTaskStart"));
    EXPECT_FALSE(Enabled(*window, "actTaskPause"));
    EXPECT_FALSE(Enabled(*window, "actTaskStop"));

    window->Action(QStringLiteral("actTaskStart"))->trigger();
    EXPECT_EQ(runs.started, QStringList{office1->ID});
    EXPECT_TRUE(office1->StartedManually);
    EXPECT_FALSE(Enabled(*window, "actTaskStart"));
    EXPECT_TRUE(Enabled(*window, "actTaskPause"));
    EXPECT_TRUE(Enabled(*window, "actTaskStop"));
    EXPECT_FALSE(window->Action(QStringLiteral("actTaskPause"))->isChecked());
    EXPECT_EQ(window->StatusPanelText(1), QStringLiteral("1 Task(s) Running"));

    window->Action(QStringLiteral("actTaskPause"))->trigger();
    EXPECT_TRUE(office1->Suspended);
    EXPECT_TRUE(window->Action(QStringLiteral("actTaskPause"))->isChecked());
    window->Action(QStringLiteral("actTaskPause"))->trigger();
    EXPECT_FALSE(office1->Suspended);

    prompts.confirmAnswer = false;
    window->Action(QStringLiteral("actTaskStop"))->trigger();
    EXPECT_TRUE(runs.stopped.isEmpty());
    prompts.confirmAnswer = true;
    window->Action(QStringLiteral("actTaskStop"))->trigger();
    EXPECT_EQ(runs.stopped, QStringList{office1->ID});

    // The run ends: the next refresh brings the idle state back.
    office1->IsRunning = false;
    window->RefreshTaskStates();
    EXPECT_TRUE(Enabled(*window, "actTaskStart"));
    EXPECT_FALSE(Enabled(*window, "actTaskStop"));
}

TEST_F(MainWindow, StartGroupIsDisabledWhileEveryTaskOfTheGroupRuns) {
    auto window = MakeWindow();
    ASSERT_TRUE(window->SelectGroup(QStringLiteral("Office")));
    EXPECT_TRUE(Enabled(*window, "actTaskGroupStart"));
    EXPECT_FALSE(Enabled(*window, "actGroupStop"));
    EXPECT_TRUE(Enabled(*window, "actGroupRename"));
    window->Action(QStringLiteral("actTaskGroupStart"))->trigger();
    EXPECT_EQ(runs.started.size(), 2);
    EXPECT_FALSE(Enabled(*window, "actTaskGroupStart"));
    EXPECT_TRUE(Enabled(*window, "actGroupPause"));
    EXPECT_TRUE(Enabled(*window, "actGroupStop"));
    // The root still has idle tasks; it cannot be renamed or deleted.
    window->SelectGroup(TMainData::AllTasksName());
    EXPECT_TRUE(Enabled(*window, "actTaskGroupStart"));
    EXPECT_FALSE(Enabled(*window, "actGroupRename"));
    EXPECT_FALSE(Enabled(*window, "actGroupDelete"));
}

TEST_F(MainWindow, ARunningTaskIsNotDeleted) {
    auto window = MakeWindow();
    QStringList deleted;
    window->TaskDeleted = [&deleted](const QString& id) { deleted.append(id); };
    ASSERT_TRUE(window->SelectTask(home->ID));
    home->IsRunning = true;
    window->Action(QStringLiteral("actTaskDelete"))->trigger();
    EXPECT_TRUE(deleted.isEmpty());
    ASSERT_EQ(prompts.errors.size(), 1);
    EXPECT_TRUE(prompts.errors[0].contains(QStringLiteral("You can't delete running Task.")));
    EXPECT_EQ(data.Tasks.Count(), 4);
    home->IsRunning = false;
}

TEST_F(MainWindow, DeletingATaskSelectsTheOneAboveIt) {
    auto window = MakeWindow();
    QStringList deleted;
    window->TaskDeleted = [&deleted](const QString& id) { deleted.append(id); };
    const QString homeId = home->ID;
    data.SaveAll();
    LoggerOf(*home).Log(TLogKind::lkFile, QStringLiteral("something"));
    ASSERT_TRUE(window->SelectTask(home->ID));  // rows: Archive, mail, Photos, Reports
    window->RefreshLog();
    ASSERT_EQ(window->LogModel().rowCount(), 1);

    prompts.confirmAnswer = false;
    window->Action(QStringLiteral("actTaskDelete"))->trigger();
    EXPECT_EQ(data.Tasks.Count(), 4);
    EXPECT_TRUE(deleted.isEmpty());

    prompts.confirmAnswer = true;
    window->Action(QStringLiteral("actTaskDelete"))->trigger();
    EXPECT_EQ(data.Tasks.Count(), 3);
    EXPECT_EQ(deleted, QStringList{homeId});
    EXPECT_FALSE(ListedNames(*window).contains(QStringLiteral("Photos")));
    ASSERT_NE(window->SelectedTask(), nullptr);
    EXPECT_EQ(window->SelectedTask()->Name, QStringLiteral("mail"));
    EXPECT_EQ(window->LogModel().Logger(), &LoggerOf(*office2));
    // The store no longer holds it.
    EXPECT_FALSE(TSafeRegistry().KeyExists(kProgramRoot + QStringLiteral("\\Tasks\\") + homeId));
    TMainData reloaded;
    reloaded.LoadAll();
    EXPECT_EQ(reloaded.Tasks.Count(), 3);
}

TEST_F(MainWindow, DuplicateAddsACopyThatBecomesTheSelection) {
    auto window = MakeWindow();
    ASSERT_TRUE(window->SelectTask(office1->ID));
    window->Action(QStringLiteral("actTaskDuplicate"))->trigger();
    ASSERT_EQ(data.Tasks.Count(), 5);
    ASSERT_NE(window->SelectedTask(), nullptr);
    EXPECT_EQ(window->SelectedTask()->Name, QStringLiteral("Reports duplicate"));
    EXPECT_NE(window->SelectedTask()->ID, office1->ID);
}

TEST_F(MainWindow, NewGroupRefusesAnExistingName) {
    auto window = MakeWindow();
    prompts.groupName = QStringLiteral("Office");
    window->Action(QStringLiteral("actGroupNew"))->trigger();
    ASSERT_EQ(prompts.proposedGroupNames, QStringList{QStringLiteral("New Group")});
    ASSERT_EQ(prompts.informed.size(), 1);
    EXPECT_TRUE(prompts.informed[0].contains(QStringLiteral("Cannot create \"Office\"")));
    EXPECT_EQ(data.Groups.size(), 2);

    prompts.groupName = QStringLiteral("Travel");
    window->Action(QStringLiteral("actGroupNew"))->trigger();
    EXPECT_EQ(data.Groups.last(), QStringLiteral("Travel"));
    EXPECT_NE(window->GroupNode(QStringLiteral("Travel")), nullptr);
}

TEST_F(MainWindow, RenamingAGroupMovesItsTasksAlong) {
    auto window = MakeWindow();
    window->SelectGroup(QStringLiteral("Office"));
    prompts.groupName = QStringLiteral("Work");
    window->Action(QStringLiteral("actGroupRename"))->trigger();
    EXPECT_EQ(office1->BelongToGroup, QStringLiteral("Work"));
    EXPECT_EQ(window->SelectedGroupText(), QStringLiteral("Work"));
    EXPECT_EQ(ListedNames(*window).size(), 2);
}

TEST_F(MainWindow, ATaskDroppedOnTheRootLosesItsGroup) {
    auto window = MakeWindow();
    window->MoveTasksToGroup({office1->ID}, window->GroupNode(TMainData::AllTasksName()));
    EXPECT_TRUE(office1->BelongToGroup.isEmpty());
    window->MoveTasksToGroup({loose->ID}, window->GroupNode(QStringLiteral("Home")));
    EXPECT_EQ(loose->BelongToGroup, QStringLiteral("Home"));
}

TEST_F(MainWindow, TasksThatChangeGroupsElsewhereMoveAtTheNextRefresh) {
    auto window = MakeWindow();
    ASSERT_TRUE(window->SelectGroup(QStringLiteral("Office")));
    // One leaves and another arrives: the number of rows stays the same.
    office2->BelongToGroup = QStringLiteral("Home");
    home->BelongToGroup = QStringLiteral("Office");
    window->RefreshTaskStates();
    EXPECT_EQ(ListedNames(*window), (QStringList{QStringLiteral("Photos"), QStringLiteral("Reports")}));
}

TEST_F(MainWindow, ReorderingGroupsTakesTheDialogsOrder) {
    auto window = MakeWindow();
    window->SelectGroup(QStringLiteral("Home"));
    prompts.groupOrder = {QStringLiteral("Home"), QStringLiteral("Office")};
    window->Action(QStringLiteral("actGroupReorder"))->trigger();
    EXPECT_EQ(data.Groups, prompts.groupOrder);
    const QTreeWidgetItem* root = window->GroupsTree()->topLevelItem(0);
    EXPECT_EQ(root->child(0)->text(0), QStringLiteral("Home"));
    EXPECT_EQ(window->SelectedGroupText(), QStringLiteral("Home"));
}

TEST_F(MainWindow, EnterStartsAndDeleteDeletesTheSelectedTask) {
    auto window = MakeWindow();
    window->show();
    const QString id = loose->ID;
    ASSERT_TRUE(window->SelectTask(id));
    QTest::keyClick(window->TaskView(), Qt::Key_Return);
    EXPECT_EQ(runs.started, QStringList{loose->ID});
    loose->IsRunning = false;
    QTest::keyClick(window->TaskView(), Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_GT(loose->LastRun, 0.5);
    QTest::keyClick(window->TaskView(), Qt::Key_Delete);
    EXPECT_EQ(data.Tasks.Count(), 3);
    EXPECT_EQ(data.FindTask(id), nullptr);
}

TEST_F(MainWindow, KeypadPlusAndMinusMoveTheLastRunByADay) {
    auto window = MakeWindow();
    office1->LastRun = DateTime::Encode(2026, 5, 5, 12);
    ASSERT_TRUE(window->SelectTask(office1->ID));
    window->AdjustLastRun(1);
    EXPECT_DOUBLE_EQ(office1->LastRun, DateTime::Encode(2026, 5, 6, 12));
    window->AdjustLastRun(-1);
    window->AdjustLastRun(-1);
    EXPECT_DOUBLE_EQ(office1->LastRun, DateTime::Encode(2026, 5, 4, 12));
}

TEST_F(MainWindow, TheLogPanelFollowsTheSelectedTask) {
    auto window = MakeWindow();
    LoggerOf(*home).Log(TLogKind::lkFile, QStringLiteral("a"));
    ASSERT_TRUE(window->SelectTask(home->ID));
    EXPECT_EQ(window->LogModel().rowCount(), 1);
    LoggerOf(*home).Log(TLogKind::lkError, QStringLiteral("b"));
    LoggerOf(*office1).Log(TLogKind::lkError, QStringLiteral("other task"));
    window->RefreshLog();
    EXPECT_EQ(window->LogModel().rowCount(), 2);
    ASSERT_TRUE(window->SelectTask(office1->ID));
    EXPECT_EQ(window->LogModel().rowCount(), 1);

    window->Action(QStringLiteral("actLogClear"))->trigger();
    EXPECT_EQ(window->LogModel().rowCount(), 0);
    EXPECT_EQ(LoggerOf(*office1).Count(), 0);
    EXPECT_EQ(LoggerOf(*home).Count(), 2);
}

TEST_F(MainWindow, SearchSelectsTheHitOrSaysItIsFinished) {
    auto window = MakeWindow();
    for (const char* text : {"copy a", "copy b", "error here"})
        LoggerOf(*home).Log(TLogKind::lkFile, QString::fromLatin1(text));
    ASSERT_TRUE(window->SelectTask(home->ID));
    window->LogView()->setCurrentIndex({});
    EXPECT_FALSE(Enabled(*window, "actLogSearchAgain"));
    window->SearchLog(QStringLiteral("ERROR"), false, true);
    EXPECT_EQ(window->LogView()->currentIndex().row(), 2);
    EXPECT_TRUE(Enabled(*window, "actLogSearchAgain"));
    window->Action(QStringLiteral("actLogSearchAgain"))->trigger();
    ASSERT_EQ(prompts.informed.size(), 1);
    EXPECT_TRUE(prompts.informed[0].endsWith(QStringLiteral("Search finished.")));
}

TEST_F(MainWindow, ClosingHidesToTheNotificationAreaUnlessTheProgramShouldEnd) {
    GlobalSettings().Startup.StartupShutDownAtClose = false;
    auto window = MakeWindow();
    int exits = 0;
    window->Exited = [&exits] { ++exits; };
    window->show();
    EXPECT_FALSE(window->close());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(exits, 0);
    EXPECT_EQ(prompts.shutdownQuestions, 0);

    // "Exit" of the notification-area menu asks, and a No keeps the program.
    prompts.shutdownAnswer = false;
    window->ExitFromTray();
    EXPECT_EQ(prompts.shutdownQuestions, 1);
    EXPECT_EQ(exits, 0);
    EXPECT_FALSE(window->Exiting());

    prompts.shutdownAnswer = true;
    prompts.shutdownDontAskAgain = true;
    window->ExitFromTray();
    EXPECT_EQ(exits, 1);
    EXPECT_TRUE(window->Exiting());
    EXPECT_FALSE(GlobalSettings().Startup.StartupConfirmShutdown);
}

TEST_F(MainWindow, ExitNowSkipsTheConfirmation) {
    auto window = MakeWindow();
    int exits = 0;
    window->Exited = [&exits] { ++exits; };
    window->show();
    window->ExitNow();
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(prompts.shutdownQuestions, 0);
}

TEST_F(MainWindow, PanelsAndViewSettingsSurviveARestart) {
    {
        auto window = MakeWindow();
        window->show();
        window->Action(QStringLiteral("actViewLog"))->trigger();
        window->Action(QStringLiteral("actViewTips"))->trigger();
        window->SetViewStyle(0);
        window->ClickColumn(TTaskListModel::colType);
        window->SelectGroup(QStringLiteral("Home"));
        window->SelectTask(home->ID);
        window->SaveAllSettings();
    }
    ResetGlobalSettings();
    LoadGlobalSettings();
    TMainData reloaded;
    reloaded.LoadAll();
    TMainWindow window(reloaded, nullptr);
    window.SetPrompts(&prompts);
    window.LoadWindowSettings();
    EXPECT_FALSE(window.Action(QStringLiteral("actViewLog"))->isChecked());
    EXPECT_FALSE(window.Action(QStringLiteral("actViewTips"))->isChecked());
    EXPECT_TRUE(window.Action(QStringLiteral("actViewGroups"))->isChecked());
    EXPECT_EQ(window.ViewStyle(), 0);
    EXPECT_EQ(GlobalSettings().Main.SortColumn, TTaskListModel::colType);
    EXPECT_EQ(window.SelectedGroupText(), QStringLiteral("Home"));
    ASSERT_NE(window.SelectedTask(), nullptr);
    EXPECT_EQ(window.SelectedTask()->Name, QStringLiteral("Photos"));
}

TEST_F(MainWindow, AStoreWithoutWindowValuesShowsEveryPanel) {
    GlobalSettings().Main.ViewStyle = 3;
    SaveGlobalSettings();  // the "Main" key exists, the window's own values do not
    auto window = MakeWindow();
    window->LoadWindowSettings();
    for (const char* name :
         {"actViewGroups", "actViewToolBar", "actViewLog", "actViewTips", "actViewStatusBar"})
        EXPECT_TRUE(window->Action(QString::fromLatin1(name))->isChecked()) << name;
}

TEST_F(MainWindow, TheChosenLanguageTranslatesMenusCommandsAndColumns) {
    TarnovexTest::home.WriteFile(QStringLiteral("Test.lng"),
                                 "[Misc]\r\nstrTopMenuTask=&Taak\r\nstrAllTasks=Alle taken\r\n"
                                 "[TarnovexMainForm]\r\nTarnovexMainForm.Caption=Tarnovex NL\r\n"
                                 "TarnovexMainForm.actTaskStart.Caption=&Starten\r\n"
                                 "TarnovexMainForm.actTaskStart.Hint=Start de taak\r\n"
                                 "TarnovexMainForm.actTaskStop.Caption=   \r\n"
                                 "TarnovexMainForm.ListViewTasks.Columns[2].Caption=Laatst\r\n");
    GlobalSettings().Language = QStringLiteral("Test.lng");
    auto window = MakeWindow();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tarnovex NL"));
    EXPECT_EQ(window->menuBar()->actions().first()->text(), QStringLiteral("&Taak"));
    EXPECT_EQ(window->Action(QStringLiteral("actTaskStart"))->text(), QStringLiteral("&Starten"));
    EXPECT_EQ(window->Action(QStringLiteral("actTaskStart"))->statusTip(), QStringLiteral("Start de taak"));
    // A blank value keeps the built-in text.
    EXPECT_EQ(window->Action(QStringLiteral("actTaskStop"))->text(), QStringLiteral("S&top"));
    EXPECT_EQ(window->TaskModel().headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Laatst"));
    EXPECT_EQ(window->TaskModel().headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Type"));
    // The root node is the translated all-tasks name, and it still lists every task.
    EXPECT_EQ(window->SelectedGroupText(), QStringLiteral("Alle taken"));
    EXPECT_EQ(window->TaskModel().rowCount(), 4);
    UnloadLanguageFile();
}

TEST_F(MainWindow, TipsWrapAroundAndOfferTheirHelpTopic) {
    auto window = MakeWindow();
    GlobalSettings().Main.LastTip = 0;
    window->UpdateTips();
    EXPECT_TRUE(window->TipText().startsWith(QStringLiteral("Tarnovex keeps information")));
    EXPECT_TRUE(Enabled(*window, "actTipMoreHelp"));
    window->Action(QStringLiteral("actTipPrevious"))->trigger();
    EXPECT_EQ(GlobalSettings().Main.LastTip, 39);
    EXPECT_TRUE(window->TipText().startsWith(QStringLiteral("Last Tip:")));
    EXPECT_FALSE(Enabled(*window, "actTipMoreHelp"));
    window->Action(QStringLiteral("actTipNext"))->trigger();
    EXPECT_EQ(GlobalSettings().Main.LastTip, 0);
}

TEST_F(MainWindow, TheStatusBarShowsTheProgressOfTheSelectedRun) {
    auto window = MakeWindow();
    ASSERT_TRUE(window->SelectTask(office1->ID));
    EXPECT_TRUE(window->StatusPanelText(2).isEmpty());
    office1->IsRunning = true;  // a run whose worker has not reported yet
    window->RefreshTaskStates();
    EXPECT_EQ(window->StatusPanelText(2), QStringLiteral("\"Reports\" task progress: ..."));
    office1->IsRunning = false;
}

TEST_F(MainWindow, ViewStylesSwitchBetweenIconsAndDetails) {
    auto window = MakeWindow();
    EXPECT_EQ(window->ViewStyle(), 3);
    QAbstractItemView* details = window->TaskView();
    window->Action(QStringLiteral("actViewStyle0"))->trigger();
    EXPECT_EQ(GlobalSettings().Main.ViewStyle, 0);
    auto* icons = qobject_cast<QListView*>(window->TaskView());
    ASSERT_NE(icons, nullptr);
    EXPECT_EQ(icons->viewMode(), QListView::IconMode);
    window->Action(QStringLiteral("actViewStyle2"))->trigger();
    EXPECT_EQ(icons->viewMode(), QListView::ListMode);
    EXPECT_TRUE(window->Action(QStringLiteral("actViewStyle2"))->isChecked());
    EXPECT_FALSE(window->Action(QStringLiteral("actViewStyle0"))->isChecked());
    window->Action(QStringLiteral("actViewStyle3"))->trigger();
    EXPECT_EQ(window->TaskView(), details);
    // Both views share one selection.
    ASSERT_TRUE(window->SelectTask(home->ID));
    window->SetViewStyle(1);
    EXPECT_EQ(window->TaskView()->currentIndex().row(), window->TaskModel().RowOf(home->ID));
}

TEST_F(MainWindow, TheLogIsSavedAndCopiedRecordByRecord) {
    auto window = MakeWindow();
    LoggerOf(*home).Log(TLogKind::lkFile, QStringLiteral("first"));
    LoggerOf(*home).Log(TLogKind::lkError, QStringLiteral("second"));
    ASSERT_TRUE(window->SelectTask(home->ID));
    prompts.logFileName = TarnovexTest::home.File(QStringLiteral("saved.log"));
    window->Action(QStringLiteral("actLogSaveAs"))->trigger();
    QFile saved(prompts.logFileName);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(saved.readAll());
    EXPECT_EQ(text, LoggerOf(*home).LogItemText(0) + QStringLiteral("\r\n") + LoggerOf(*home).LogItemText(1) +
                        QStringLiteral("\r\n"));

    window->Action(QStringLiteral("actLogSelectAll"))->trigger();
    window->Action(QStringLiteral("actLogCopy"))->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), window->LogModel().CopyText({0, 1}));
}

TEST_F(MainWindow, GlobalSuspendTurnsOverAndReachesTheRunningTasks) {
    auto window = MakeWindow();
    office1->IsRunning = true;
    window->Action(QStringLiteral("actGlobalSuspend"))->trigger();
    EXPECT_TRUE(GlobalSettings().Main.Suspend);
    EXPECT_TRUE(office1->Suspended);
    EXPECT_TRUE(window->Action(QStringLiteral("actPauseAll"))->isChecked());
    window->Action(QStringLiteral("actPauseAll"))->trigger();
    EXPECT_FALSE(GlobalSettings().Main.Suspend);
    EXPECT_FALSE(office1->Suspended);
    office1->IsRunning = false;
}

}  // namespace
