#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>

#include "model/MainData.h"

class QAbstractItemView;
class QAction;
class QLabel;
class QListView;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QSystemTrayIcon;
class QTableView;
class QToolBar;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;
class TGroupsTree;
class TLogModel;
class TScheduler;
class TTaskListModel;
class TWidgetPrompts;
class TWindowPrompts;

// The program's main window: the task groups as a tree, the tasks of the selected group as a list, the
// kept log of the selected task, the program tips and the status bar, with every command as an action
// of the menus, the tool bar, the context menus and the notification-area menu. It works on the main
// data and starts, pauses and stops runs through the main data's run control; it never runs a task
// itself.
class TMainWindow : public QMainWindow, public TMainDataHost {
public:
    // The log panel follows the selected task's log at this interval.
    static constexpr int kLogRefreshMs = 200;
    // Tool tip of the commands whose dialogs this program does not have yet.
    static QString NotAvailableText();

    // scheduler may be nullptr (no next-run times, no scheduler tick after a new task).
    TMainWindow(TMainData& data, TScheduler* scheduler, QWidget* parent = nullptr);
    ~TMainWindow() override;

    // The questions the window asks; nullptr restores its own dialogs. Not owned.
    void SetPrompts(TWindowPrompts* prompts);
    TWindowPrompts& Prompts() const;

    // The task properties dialog (true on OK). Until one is set, "New..." and "Properties..." stay
    // disabled.
    void SetTaskPropertiesEditor(std::function<bool(TTask& task, bool isNew)> editor);
    // Gives a command that waits for its dialog (the options pages "actOptions0" to "actOptions7",
    // "actLogOptions", the wizards, "actTaskShortcut", "actHelpHomepage") its handler: the command becomes
    // available and follows the enabling rules. After the handler the views and command states are
    // refreshed. False for an unknown command name.
    bool SetCommand(const QString& name, std::function<void()> handler);
    // The close of the window was accepted: the program ends.
    std::function<void()> Exited;
    // A task was deleted (the ID it had): what lives outside the store for it, such as a system timer
    // that would start the program for it, goes too.
    std::function<void(const QString& taskId)> TaskDeleted;

    // TMainDataHost
    void ShowError(const QString& text) override;
    bool Confirm(const QString& text) override;
    void BringMainWindowToFront() override;

    // Views and enabling rules.
    void UpdateTreeView();
    void UpdateListView();
    void UpdateStatusBar();
    void UpdateAll();
    void CheckState();
    void UpdateTips();
    // The 200 ms refresh: the log panel catches up with the selected task's log, and the run states,
    // progress and command states follow the runs.
    void RefreshLog();
    void RefreshTaskStates();

    // Settings.
    void ApplyWindowSettings();
    void LoadWindowSettings();
    void SaveWindowSettings();
    void SaveAllSettings();

    // Selection.
    QString SelectedGroupText() const;  // empty when no node is selected
    bool RootSelected() const;
    bool SelectGroup(const QString& text);
    TTask* SelectedTask() const;
    bool SelectTask(const QString& id);

    // Commands that tests and other parts of the program reach directly.
    QAction* Action(const QString& name) const;
    void ClickColumn(int column);
    void SetViewStyle(int style);
    int ViewStyle() const;
    void MoveTasksToGroup(const QStringList& ids, QTreeWidgetItem* node);
    QTreeWidgetItem* GroupNode(const QString& text) const;
    void SearchLog(const QString& text, bool matchCase, bool down);
    void AdjustLastRun(int days);

    TTaskListModel& TaskModel() const { return *taskModel_; }
    TLogModel& LogModel() const { return *logModel_; }
    QAbstractItemView* TaskView() const;
    QTableView* LogView() const { return logView_; }
    QTreeWidget* GroupsTree() const;
    QString StatusPanelText(int panel) const;
    QString TipText() const;

    // Closing and the notification area.
    bool Exiting() const { return exiting_; }
    void SetExiting(bool exiting) { exiting_ = exiting; }
    // Ends the program without the close rules ("/EXITNOW").
    void ExitNow();
    bool ConfirmShutdown();
    void ShowFromTray();
    void HideToTray();
    void ExitFromTray();
    void SetTrayIconVisible(bool visible);
    QSystemTrayIcon* TrayIcon() const { return tray_; }
    // The start-up show: the window appears, unless the program starts minimised to the notification
    // area.
    void StartupShow();
    void ShowHelpTopic(const QString& topic);
    void ShowAboutBox();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateWidgets();
    void CreateTray();
    // The window's own texts from the language file ([TarnovexMainForm] section), when one is loaded.
    void TranslateWindow();
    QAction* NewAction(const QString& name, const QString& text, std::function<void()> handler,
                       bool available = true);
    // Adds the named actions to a menu or tool bar; nullptr adds a separator.
    void AddActions(QWidget* target, std::initializer_list<const char*> names);
    void SetActionEnabled(const QString& name, bool enabled);
    void SetActionChecked(const QString& name, bool checked);
    void SelectedGroupChanged();
    void SelectedTaskChanged();
    void ApplySortIndicator();
    void ApplyPanelVisibility();
    void ShowTaskMenu(const QPoint& pos);

    // Task commands.
    void TaskNew();
    void TaskProperties();
    void TaskDelete();
    void TaskDuplicate();
    void TaskStart();
    void TaskPause();
    void TaskStop();
    void ViewSourceFolder();
    void ViewDestinationFolder(int which);
    // Group commands.
    void GroupNew();
    void GroupRename();
    void GroupDelete();
    void GroupReorder();
    void GroupStart();
    void GroupPause();
    void GroupStop();
    // Log commands.
    void LogSearch();
    void LogSearchAgain();
    void LogSaveAs();
    void LogCopy();
    void LogClear();
    // Tools.
    void ToggleGlobalSuspend();
    void ToggleScheduler();
    void ShowTip(int step);

    TMainData& data_;
    TScheduler* scheduler_;
    std::unique_ptr<TWidgetPrompts> ownPrompts_;
    TWindowPrompts* prompts_ = nullptr;
    std::function<bool(TTask&, bool)> editTask_;

    TTaskListModel* taskModel_ = nullptr;
    TLogModel* logModel_ = nullptr;
    std::map<QString, QAction*> actions_;
    QToolBar* toolBar_ = nullptr;
    TGroupsTree* groupsTree_ = nullptr;
    QStackedWidget* taskViews_ = nullptr;
    QTreeView* detailsView_ = nullptr;
    QListView* iconView_ = nullptr;
    QTableView* logView_ = nullptr;
    QSplitter* mainSplitter_ = nullptr;
    QSplitter* rightSplitter_ = nullptr;
    QWidget* tipsPanel_ = nullptr;
    QLabel* tipLabel_ = nullptr;
    QPushButton* moreHelpButton_ = nullptr;
    QPlainTextEdit* tipsMemo_ = nullptr;  // the tips, one per line, as the language file gives them
    QStringList tipLines_;
    QLabel* statusPanels_[3] = {nullptr, nullptr, nullptr};
    QSystemTrayIcon* tray_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    QTimer logTimer_;

    QString selectedTaskId_;  // the task the log panel and the status show
    QString lastSearch_;      // the log search text
    bool lastSearchMatchCase_ = false;
    bool lastSearchDown_ = true;
    bool refreshingLog_ = false;  // a refresh does not start a second one
    bool exiting_ = false;
    bool forceExit_ = false;
    bool windowSettingsLoaded_ = false;
    bool startupShown_ = false;
    bool updatingTree_ = false;
    QString stateSignature_;  // run states at the last refresh
};
