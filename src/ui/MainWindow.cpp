#include "ui/MainWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QToolBar>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <QtEndian>

#include "engine/TaskThread.h"
#include "logging/TaskLogger.h"
#include "model/Task.h"
#include "platform/DateTime.h"
#include "platform/LocaleFormats.h"
#include "platform/Paths.h"
#include "schedule/ScheduleCaptions.h"
#include "schedule/Scheduler.h"
#include "settings/FormatText.h"
#include "settings/GlobalSettings.h"
#include "settings/Language.h"
#include "store/SafeRegistry.h"
#include "ui/AboutDialog.h"
#include "ui/GroupsTree.h"
#include "ui/Icons.h"
#include "ui/LogModel.h"
#include "ui/TaskListModel.h"
#include "ui/Tips.h"
#include "ui/TranslateForm.h"
#include "ui/WindowPrompts.h"

namespace {

QString MainKey() {
    return kProgramRoot + QStringLiteral("\\Main");
}

QString Tr(const char* text, const char* key) {
    return Translate(QString::fromUtf8(text), QString::fromLatin1(key));
}

// Where the window asks for its sizes; the stored column widths of the task list in column order.
int* ViewSizeOf(TMainSettings& main, int column) {
    switch (column) {
        case TTaskListModel::colName:
            return &main.ViewSizeName;
        case TTaskListModel::colType:
            return &main.ViewSizeType;
        case TTaskListModel::colLastRun:
            return &main.ViewSizeLastRun;
        case TTaskListModel::colNextRun:
            return &main.ViewSizeNextRun;
        case TTaskListModel::colSource:
            return &main.ViewSizeSource;
        case TTaskListModel::colDestination:
            return &main.ViewSizeDestination;
        default:
            return nullptr;
    }
}

int* LogViewSizeOf(TLogDisplaySettings& log, int column) {
    switch (column) {
        case TLogModel::colNumber:
            return &log.LogViewSizeNum;
        case TLogModel::colDate:
            return &log.LogViewSizeDate;
        case TLogModel::colTime:
            return &log.LogViewSizeTime;
        case TLogModel::colText:
            return &log.LogViewSizeEvent;
        default:
            return nullptr;
    }
}

// The hint of a command that has just become available: the language file's, else its caption.
QString AvailableHint(const QAction* action) {
    const QString hint = action->property("hint").toString();
    return hint.trimmed().isEmpty() ? action->text().remove(QLatin1Char('&')) : hint;
}

const char* const kPanelValues[] = {"GroupsPanelVisible", "ToolbarVisible", "LogPanelVisible",
                                    "TipsPanelVisible", "StatusBarVisible"};
const char* const kPanelActions[] = {"actViewGroups", "actViewToolBar", "actViewLog", "actViewTips",
                                     "actViewStatusBar"};

}  // namespace

QString TMainWindow::NotAvailableText() {
    return QStringLiteral("Not available yet");
}

TMainWindow::TMainWindow(TMainData& data, TScheduler* scheduler, QWidget* parent)
    : QMainWindow(parent), data_(data), scheduler_(scheduler) {
    setObjectName(QStringLiteral("TarnovexMainForm"));
    setWindowTitle(QStringLiteral("Tarnovex"));
    setWindowIcon(Icons::Application());
    ownPrompts_ = std::make_unique<TWidgetPrompts>(this);
    prompts_ = ownPrompts_.get();
    // The chosen language comes first: every caption below is built through it.
    if (!GlobalSettings().Language.isEmpty() && !LanguageFileLoaded())
        LoadLanguageFile(GlobalSettings().Language);

    taskModel_ = new TTaskListModel(data_, this);
    if (scheduler_ != nullptr) {
        taskModel_->SetNextRunText([this](const TTask& task) { return NextRunText(*scheduler_, task); });
    }
    logModel_ = new TLogModel(this);

    CreateActions();
    CreateWidgets();
    CreateMenus();
    CreateTray();
    resize(960, 640);
    TranslateWindow();

    data_.RegisterHotKeys();
    ApplyWindowSettings();
    UpdateTreeView();
    UpdateListView();
    UpdateTips();
    CheckState();

    logTimer_.setInterval(kLogRefreshMs);
    connect(&logTimer_, &QTimer::timeout, this, [this] {
        RefreshLog();
        RefreshTaskStates();
    });
    logTimer_.start();
}

TMainWindow::~TMainWindow() {
    logTimer_.stop();
    if (data_.Host == this)
        data_.Host = nullptr;
}

void TMainWindow::SetPrompts(TWindowPrompts* prompts) {
    prompts_ = prompts != nullptr ? prompts : ownPrompts_.get();
}

TWindowPrompts& TMainWindow::Prompts() const {
    return *prompts_;
}

void TMainWindow::SetTaskPropertiesEditor(std::function<bool(TTask&, bool)> editor) {
    editTask_ = std::move(editor);
    for (const char* name : {"actTaskNew", "actTaskProperties"}) {
        QAction* action = Action(QString::fromLatin1(name));
        action->setProperty("available", static_cast<bool>(editTask_));
        action->setToolTip(editTask_ ? AvailableHint(action) : NotAvailableText());
    }
    CheckState();
}

bool TMainWindow::SetCommand(const QString& name, std::function<void()> handler) {
    QAction* action = Action(name);
    if (action == nullptr || !handler)
        return false;
    action->disconnect(this);
    connect(action, &QAction::triggered, this, [this, handler = std::move(handler)] {
        handler();
        UpdateAll();
    });
    action->setProperty("available", true);
    const QString text = AvailableHint(action);
    action->setToolTip(text);
    action->setStatusTip(text);
    action->setEnabled(true);
    CheckState();
    return true;
}

// --- actions ---------------------------------------------------------------------------------------

QAction* TMainWindow::NewAction(const QString& name, const QString& text, std::function<void()> handler,
                                bool available) {
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    action->setProperty("available", available);
    if (!available) {
        action->setEnabled(false);
        action->setToolTip(NotAvailableText());
        action->setStatusTip(NotAvailableText());
    }
    if (handler)
        connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    actions_[name] = action;
    return action;
}

QAction* TMainWindow::Action(const QString& name) const {
    const auto it = actions_.find(name);
    return it != actions_.end() ? it->second : nullptr;
}

void TMainWindow::AddActions(QWidget* target, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        if (name == nullptr) {
            auto* separator = new QAction(target);
            separator->setSeparator(true);
            target->addAction(separator);
        } else {
            target->addAction(Action(QString::fromLatin1(name)));
        }
    }
}

void TMainWindow::SetActionEnabled(const QString& name, bool enabled) {
    QAction* action = Action(name);
    if (action != nullptr)
        action->setEnabled(enabled && action->property("available").toBool());
}

void TMainWindow::SetActionChecked(const QString& name, bool checked) {
    QAction* action = Action(name);
    if (action != nullptr && action->isChecked() != checked) {
        const QSignalBlocker block(action);
        action->setChecked(checked);
    }
}

void TMainWindow::CreateActions() {
    QStyle* s = style();
    // Task.
    NewAction(
        QStringLiteral("actTaskNew"), QStringLiteral("&New..."), [this] { TaskNew(); }, false)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    Action(QStringLiteral("actTaskNew"))->setIcon(s->standardIcon(QStyle::SP_FileIcon));
    NewAction(
        QStringLiteral("actTaskProperties"), QStringLiteral("&Properties..."), [this] { TaskProperties(); },
        false)
        ->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Return));
    Action(QStringLiteral("actTaskProperties"))->setIcon(s->standardIcon(QStyle::SP_FileDialogDetailedView));
    NewAction(QStringLiteral("actTaskDelete"), QStringLiteral("&Delete..."), [this] {
        TaskDelete();
    })->setIcon(s->standardIcon(QStyle::SP_TrashIcon));
    NewAction(QStringLiteral("actTaskDuplicate"), QStringLiteral("D&uplicate"), [this] {
        TaskDuplicate();
    })->setIcon(s->standardIcon(QStyle::SP_FileDialogNewFolder));
    NewAction(QStringLiteral("actTaskStart"), QStringLiteral("&Start"), [this] {
        TaskStart();
    })->setIcon(s->standardIcon(QStyle::SP_MediaPlay));
    NewAction(QStringLiteral("actTaskPause"), QStringLiteral("&Pause"), [this] {
        TaskPause();
    })->setIcon(s->standardIcon(QStyle::SP_MediaPause));
    Action(QStringLiteral("actTaskPause"))->setCheckable(true);
    NewAction(QStringLiteral("actTaskStop"), QStringLiteral("S&top"), [this] {
        TaskStop();
    })->setIcon(s->standardIcon(QStyle::SP_MediaStop));
    NewAction(QStringLiteral("actViewSource"), QStringLiteral("View Source Folder"), [this] {
        ViewSourceFolder();
    })->setIcon(s->standardIcon(QStyle::SP_DirOpenIcon));
    NewAction(QStringLiteral("actViewDestination"), QStringLiteral("View Destination Folder"), [this] {
        ViewDestinationFolder(0);
    })->setIcon(s->standardIcon(QStyle::SP_DriveHDIcon));
    NewAction(QStringLiteral("actViewVersions"), QStringLiteral("View Destination Versions Folder"),
              [this] { ViewDestinationFolder(1); });
    NewAction(QStringLiteral("actViewDeleted"), QStringLiteral("View Destination Deleted Folder"),
              [this] { ViewDestinationFolder(2); });
    NewAction(QStringLiteral("actExit"), QStringLiteral("E&xit"), [this] {
        close();
    })->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));

    // Groups.
    NewAction(QStringLiteral("actGroupNew"), QStringLiteral("&New Group..."), [this] { GroupNew(); });
    NewAction(QStringLiteral("actGroupRename"), QStringLiteral("Ren&ame Group..."),
              [this] { GroupRename(); });
    NewAction(QStringLiteral("actGroupDelete"), QStringLiteral("&Delete Group..."),
              [this] { GroupDelete(); });
    NewAction(QStringLiteral("actGroupReorder"), QStringLiteral("Re&order..."), [this] { GroupReorder(); });
    NewAction(QStringLiteral("actTaskGroupStart"), QStringLiteral("&Start Group"), [this] { GroupStart(); });
    NewAction(QStringLiteral("actGroupPause"), QStringLiteral("&Pause Group"), [this] { GroupPause(); });
    NewAction(QStringLiteral("actGroupStop"), QStringLiteral("Stop Group"), [this] { GroupStop(); });
    NewAction(QStringLiteral("actGroupHide"), QStringLiteral("Hide"),
              [this] { Action(QStringLiteral("actViewGroups"))->trigger(); });

    // View.
    NewAction(QStringLiteral("actViewMenuBar"), QStringLiteral("&Menu Bar"), [this] {
        menuBar()->setVisible(Action(QStringLiteral("actViewMenuBar"))->isChecked());
    })->setCheckable(true);
    const QString panelTexts[] = {QStringLiteral("Task Groups"), QStringLiteral("&Tool Bar"),
                                  QStringLiteral("Log"), QStringLiteral("&Program Tips"),
                                  QStringLiteral("&Status Bar")};
    for (int i = 0; i < 5; ++i)
        NewAction(QString::fromLatin1(kPanelActions[i]), panelTexts[i], [this] {
            ApplyPanelVisibility();
        })->setCheckable(true);
    auto* styles = new QActionGroup(this);
    const QString styleTexts[] = {QStringLiteral("&Large Icons"), QStringLiteral("Sm&all Icons"),
                                  QStringLiteral("L&ist"), QStringLiteral("&Details")};
    for (int i = 0; i < 4; ++i) {
        QAction* action =
            NewAction(QStringLiteral("actViewStyle%1").arg(i), styleTexts[i], [this, i] { SetViewStyle(i); });
        action->setCheckable(true);
        styles->addAction(action);
    }
    const QString arrangeTexts[] = {QStringLiteral("&Name"),     QStringLiteral("&Type"),
                                    QStringLiteral("&Last Run"), QStringLiteral("&Next Run"),
                                    QStringLiteral("&Source"),   QStringLiteral("&Destination")};
    for (int i = 0; i < TTaskListModel::kColumnCount; ++i)
        NewAction(QStringLiteral("actArrange%1").arg(i), arrangeTexts[i], [this, i] {
            ClickColumn(i);
        })->setCheckable(true);
    NewAction(QStringLiteral("actSortAZ"), QStringLiteral("Sort Order &A..Z"), [this] {
        GlobalSettings().Main.SortOrderAZ = false;
        ClickColumn(GlobalSettings().Main.SortColumn);
    })->setCheckable(true);
    NewAction(QStringLiteral("actSortZA"), QStringLiteral("Sort Order &Z..A"), [this] {
        GlobalSettings().Main.SortOrderAZ = true;
        ClickColumn(GlobalSettings().Main.SortColumn);
    })->setCheckable(true);

    // Options: the preferences dialog, a later part of the program.
    const QString optionTexts[] = {
        QStringLiteral("Program Options..."),     QStringLiteral("Startup and Shutdown..."),
        QStringLiteral("Global Performance..."),  QStringLiteral("Log Display..."),
        QStringLiteral("Interface Language..."),  QStringLiteral("External Compressors..."),
        QStringLiteral("External Encryptors..."), QStringLiteral("Task Defaults...")};
    for (int i = 0; i < 8; ++i)
        NewAction(QStringLiteral("actOptions%1").arg(i), optionTexts[i], {}, false);

    // Tools.
    NewAction(QStringLiteral("actGlobalSuspend"), QStringLiteral("Global S&uspend"), [this] {
        ToggleGlobalSuspend();
    })->setCheckable(true);
    Action(QStringLiteral("actGlobalSuspend"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    NewAction(QStringLiteral("actPauseAll"), QStringLiteral("&Pause all Tasks"), [this] {
        ToggleGlobalSuspend();
    })->setCheckable(true);
    NewAction(QStringLiteral("actDisableScheduler"), QStringLiteral("&Disable Scheduler"), [this] {
        ToggleScheduler();
    })->setCheckable(true);
    NewAction(QStringLiteral("actTaskShortcut"), QStringLiteral("&Create Task Shortcut..."), {}, false);
    NewAction(QStringLiteral("actImportWizard"), QStringLiteral("&Task Import Wizard..."), {}, false);
    NewAction(QStringLiteral("actInitWizard"), QStringLiteral("&Initialization Wizard..."), {}, false);
    NewAction(QStringLiteral("actMaintenanceWizard"), QStringLiteral("&Settings Maintenance Wizard..."), {},
              false);
    NewAction(QStringLiteral("actDecryptWizard"), QStringLiteral("Decrypt Wizard..."), {}, false);

    // Help.
    NewAction(QStringLiteral("actHelpContents"), QStringLiteral("&Contents"), [this] {
        ShowHelpTopic(QStringLiteral("/files/contents.html"));
    })->setShortcut(QKeySequence(Qt::Key_F1));
    NewAction(QStringLiteral("actHelpSearch"), QStringLiteral("&Search for Help on..."),
              [this] { ShowHelpTopic(QStringLiteral("/files/contents.html")); });
    NewAction(QStringLiteral("actHelpGuide"), QStringLiteral("Program &Guide"),
              [this] { ShowHelpTopic(QStringLiteral("/files/quickstart.html")); });
    NewAction(QStringLiteral("actHelpHomepage"), QStringLiteral("Tarnovex &Homepage"), {}, false);
    NewAction(QStringLiteral("actAbout"), QStringLiteral("&About..."), [this] { ShowAboutBox(); });

    // Log panel.
    NewAction(QStringLiteral("actLogSearch"), QStringLiteral("Search..."), [this] { LogSearch(); });
    NewAction(QStringLiteral("actLogSearchAgain"), QStringLiteral("Search Again..."), [this] {
        LogSearchAgain();
    })->setShortcut(QKeySequence(Qt::Key_F3));
    NewAction(QStringLiteral("actLogSaveAs"), QStringLiteral("Save as..."), [this] { LogSaveAs(); });
    NewAction(QStringLiteral("actLogOptions"), QStringLiteral("Options..."), {}, false);
    NewAction(QStringLiteral("actLogSelectAll"), QStringLiteral("Select All"),
              [this] { logView_->selectAll(); });
    NewAction(QStringLiteral("actLogCopy"), QStringLiteral("Copy"), [this] { LogCopy(); });
    NewAction(QStringLiteral("actLogClear"), QStringLiteral("Clear All"), [this] { LogClear(); });
    NewAction(QStringLiteral("actLogHide"), QStringLiteral("Hide"),
              [this] { Action(QStringLiteral("actViewLog"))->trigger(); });

    // Tips panel and notification area.
    NewAction(QStringLiteral("actTipNext"), QStringLiteral("&Next Tip"), [this] { ShowTip(1); });
    NewAction(QStringLiteral("actTipPrevious"), QStringLiteral("&Previous Tip"), [this] { ShowTip(-1); });
    NewAction(QStringLiteral("actTipMoreHelp"), QStringLiteral("&More Help"),
              [this] { ShowHelpTopic(TranslatedTipAt(tipLines_, GlobalSettings().Main.LastTip).Topic); });
    NewAction(QStringLiteral("actTipHide"), QStringLiteral("&Hide"),
              [this] { Action(QStringLiteral("actViewTips"))->trigger(); });
    NewAction(QStringLiteral("actTrayShow"), QStringLiteral("&Show"), [this] { ShowFromTray(); });
    NewAction(QStringLiteral("actTrayHide"), QStringLiteral("&Hide"), [this] { HideToTray(); });
    NewAction(QStringLiteral("actTrayAbout"), QStringLiteral("About Tarnovex..."),
              [this] { ShowAboutBox(); });
    NewAction(QStringLiteral("actTrayExit"), QStringLiteral("Exit"), [this] { ExitFromTray(); });

    for (auto& [name, action] : actions_) {
        if (action->property("available").toBool() && action->statusTip().isEmpty())
            action->setStatusTip(action->text().remove(QLatin1Char('&')));
    }
}

void TMainWindow::CreateMenus() {
    const auto add = [this](QMenu* menu, std::initializer_list<const char*> names) {
        AddActions(menu, names);
    };
    QMenu* task = menuBar()->addMenu(Tr("&Task", "strTopMenuTask"));
    add(task, {"actTaskNew", "actTaskProperties", "actTaskDelete", "actTaskDuplicate", nullptr,
               "actTaskStart", "actTaskPause", "actTaskStop", nullptr, "actViewSource", "actViewDestination",
               "actViewVersions", "actViewDeleted", nullptr, "actExit"});
    QMenu* groups = menuBar()->addMenu(Tr("Task &Groups", "strTopMenuTaskGroups"));
    add(groups, {"actGroupNew", "actGroupRename", "actGroupDelete", nullptr, "actGroupReorder", nullptr,
                 "actTaskGroupStart", "actGroupPause", "actGroupStop"});
    QMenu* view = menuBar()->addMenu(Tr("&View", "strTopMenuView"));
    add(view,
        {"actViewMenuBar", "actViewToolBar", "actViewGroups", "actViewLog", "actViewTips", "actViewStatusBar",
         nullptr, "actViewStyle0", "actViewStyle1", "actViewStyle2", "actViewStyle3", nullptr});
    QMenu* arrange = view->addMenu(Tr("A&rrange Icons by", "strTopMenuArrangeIconsBy"));
    add(arrange, {"actArrange0", "actArrange1", "actArrange2", "actArrange3", "actArrange4", "actArrange5",
                  nullptr, "actSortAZ", "actSortZA"});
    QMenu* options = menuBar()->addMenu(Tr("&Options", "strTopMenuOptions"));
    add(options, {"actOptions0", nullptr, "actOptions1", "actOptions2", "actOptions3", "actOptions4",
                  "actOptions5", "actOptions6", "actOptions7"});
    QMenu* tools = menuBar()->addMenu(Tr("Too&ls", "strTopMenuTools"));
    add(tools, {"actGlobalSuspend", "actDisableScheduler", nullptr, "actTaskShortcut", "actImportWizard",
                "actInitWizard", "actMaintenanceWizard", "actDecryptWizard"});
    QMenu* help = menuBar()->addMenu(Tr("&Help", "strTopMenuHelp"));
    add(help, {"actHelpContents", "actHelpSearch", "actHelpGuide", nullptr, "actHelpHomepage", "actAbout"});
    for (QMenu* menu : {task, groups, view, arrange, options, tools, help})
        menu->setToolTipsVisible(true);

    toolBar_ = addToolBar(QStringLiteral("Tool Bar"));
    toolBar_->setObjectName(QStringLiteral("ToolBar"));
    toolBar_->setMovable(false);
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolBar_->setIconSize(QSize(24, 24));
    AddActions(toolBar_, std::initializer_list<const char*>{
                             "actTaskNew", "actTaskProperties", "actTaskDelete", nullptr, "actTaskStart",
                             "actTaskPause", "actTaskStop", nullptr, "actViewSource", "actViewDestination",
                             nullptr, "actGlobalSuspend"});
    Action(QStringLiteral("actGlobalSuspend"))->setIcon(style()->standardIcon(QStyle::SP_BrowserStop));
    toolBar_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(toolBar_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QMenu menu;
        for (const char* name : {"actViewMenuBar", "actViewToolBar", "actViewGroups", "actViewLog",
                                 "actViewTips", "actViewStatusBar"})
            menu.addAction(Action(QString::fromLatin1(name)));
        menu.exec(toolBar_->mapToGlobal(pos));
    });
}

void TMainWindow::CreateWidgets() {
    groupsTree_ = new TGroupsTree;
    groupsTree_->setObjectName(QStringLiteral("TreeViewGroups"));
    groupsTree_->setHeaderHidden(true);
    groupsTree_->setRootIsDecorated(false);
    groupsTree_->setItemsExpandable(false);
    groupsTree_->setIconSize(QSize(16, 16));
    groupsTree_->setContextMenuPolicy(Qt::CustomContextMenu);
    groupsTree_->TasksDropped = [this](const QStringList& ids, QTreeWidgetItem* node) {
        MoveTasksToGroup(ids, node);
    };
    connect(groupsTree_, &QTreeWidget::currentItemChanged, this, [this] {
        if (!updatingTree_)
            SelectedGroupChanged();
    });
    connect(groupsTree_, &QTreeWidget::itemDoubleClicked, this, [this] { GroupStart(); });
    connect(groupsTree_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QMenu menu;
        menu.setToolTipsVisible(true);
        AddActions(&menu, std::initializer_list<const char*>{"actTaskGroupStart", "actGroupPause",
                                                             "actGroupStop", nullptr, "actGroupNew",
                                                             "actGroupRename", "actGroupDelete", nullptr,
                                                             "actGroupReorder", nullptr, "actGroupHide"});
        menu.exec(groupsTree_->viewport()->mapToGlobal(pos));
    });

    detailsView_ = new QTreeView;
    detailsView_->setObjectName(QStringLiteral("ListViewTasks"));
    detailsView_->setModel(taskModel_);
    detailsView_->setRootIsDecorated(false);
    detailsView_->setUniformRowHeights(true);
    detailsView_->setAllColumnsShowFocus(true);
    detailsView_->setSelectionMode(QAbstractItemView::SingleSelection);
    detailsView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    detailsView_->setDragEnabled(true);
    detailsView_->setDragDropMode(QAbstractItemView::DragOnly);
    detailsView_->header()->setSectionsClickable(true);
    detailsView_->header()->setSortIndicatorShown(true);
    detailsView_->header()->setStretchLastSection(false);
    connect(detailsView_->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { ClickColumn(column); });
    connect(detailsView_->header(), &QHeaderView::sectionResized, this, [](int column, int, int size) {
        if (int* width = ViewSizeOf(GlobalSettings().Main, column))
            *width = size;
    });

    iconView_ = new QListView;
    iconView_->setObjectName(QStringLiteral("ListViewTasksIcons"));
    iconView_->setModel(taskModel_);
    iconView_->setSelectionModel(detailsView_->selectionModel());
    iconView_->setSelectionMode(QAbstractItemView::SingleSelection);
    iconView_->setResizeMode(QListView::Adjust);
    iconView_->setWordWrap(true);
    iconView_->setDragEnabled(true);
    iconView_->setDragDropMode(QAbstractItemView::DragOnly);

    taskViews_ = new QStackedWidget;
    taskViews_->addWidget(detailsView_);
    taskViews_->addWidget(iconView_);
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(detailsView_), static_cast<QAbstractItemView*>(iconView_)}) {
        view->installEventFilter(this);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint& pos) { ShowTaskMenu(view->viewport()->mapToGlobal(pos)); });
        connect(view, &QAbstractItemView::doubleClicked, this, [this] { TaskStart(); });
    }
    connect(detailsView_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { SelectedTaskChanged(); });
    connect(detailsView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { SelectedTaskChanged(); });

    logView_ = new QTableView;
    logView_->setObjectName(QStringLiteral("ListViewLog"));
    logView_->setModel(logModel_);
    logView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    logView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    logView_->verticalHeader()->hide();
    logView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    logView_->horizontalHeader()->setStretchLastSection(true);
    logView_->horizontalHeader()->setHighlightSections(false);
    logView_->setWordWrap(false);
    logView_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(logView_->horizontalHeader(), &QHeaderView::sectionResized, this, [](int column, int, int size) {
        if (int* width = LogViewSizeOf(GlobalSettings().LogDisplay, column))
            *width = size;
    });
    connect(logView_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QMenu menu;
        menu.setToolTipsVisible(true);
        AddActions(&menu, std::initializer_list<const char*>{"actLogSearch", "actLogSearchAgain", nullptr,
                                                             "actLogSaveAs", "actLogOptions", nullptr,
                                                             "actLogSelectAll", "actLogCopy", nullptr,
                                                             "actLogClear", nullptr, "actLogHide"});
        menu.exec(logView_->viewport()->mapToGlobal(pos));
    });
    addAction(Action(QStringLiteral("actLogSearchAgain")));

    rightSplitter_ = new QSplitter(Qt::Vertical);
    rightSplitter_->addWidget(taskViews_);
    rightSplitter_->addWidget(logView_);
    rightSplitter_->setStretchFactor(0, 3);
    rightSplitter_->setStretchFactor(1, 2);
    rightSplitter_->setChildrenCollapsible(false);
    mainSplitter_ = new QSplitter(Qt::Horizontal);
    mainSplitter_->addWidget(groupsTree_);
    mainSplitter_->addWidget(rightSplitter_);
    mainSplitter_->setStretchFactor(1, 1);
    mainSplitter_->setChildrenCollapsible(false);
    mainSplitter_->setSizes({180, 780});

    tipsPanel_ = new QFrame;
    tipsPanel_->setObjectName(QStringLiteral("PanelTips"));
    auto* tipsLayout = new QHBoxLayout(tipsPanel_);
    tipsLayout->setContentsMargins(6, 4, 6, 4);
    auto* tipIcon = new QLabel;
    tipIcon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(24, 24));
    tipIcon->setAlignment(Qt::AlignTop);
    tipsLayout->addWidget(tipIcon);
    tipLabel_ = new QLabel;
    tipLabel_->setObjectName(QStringLiteral("LabelTip"));
    tipLabel_->setWordWrap(true);
    tipLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    tipsLayout->addWidget(tipLabel_, 1);
    auto* tipButtons = new QVBoxLayout;
    auto* previous = new QPushButton(QStringLiteral("< Previous"));
    previous->setObjectName(QStringLiteral("ButtonPreviousTip"));
    auto* next = new QPushButton(QStringLiteral("Next >"));
    next->setObjectName(QStringLiteral("ButtonNextTip"));
    moreHelpButton_ = new QPushButton(QStringLiteral("More Help"));
    moreHelpButton_->setObjectName(QStringLiteral("ButtonMoreHelp"));
    // The tips as the lines of a text that is never shown: the language file translates them line by
    // line, as it does every multi-line text of a window.
    tipsMemo_ = new QPlainTextEdit(this);
    tipsMemo_->setObjectName(QStringLiteral("TipsMemo"));
    tipsMemo_->hide();
    tipsMemo_->setPlainText(TipLines().join(QLatin1Char('\n')));
    connect(previous, &QPushButton::clicked, this, [this] { ShowTip(-1); });
    connect(next, &QPushButton::clicked, this, [this] { ShowTip(1); });
    connect(moreHelpButton_, &QPushButton::clicked, Action(QStringLiteral("actTipMoreHelp")),
            &QAction::trigger);
    auto* navigation = new QHBoxLayout;
    navigation->addWidget(previous);
    navigation->addWidget(next);
    tipButtons->addLayout(navigation);
    tipButtons->addWidget(moreHelpButton_);
    tipsLayout->addLayout(tipButtons);
    tipsPanel_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tipsPanel_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QMenu menu;
        AddActions(&menu, std::initializer_list<const char*>{"actTipNext", "actTipPrevious", nullptr,
                                                             "actTipMoreHelp", "actHelpContents", nullptr,
                                                             "actTipHide"});
        menu.exec(tipsPanel_->mapToGlobal(pos));
    });

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(mainSplitter_, 1);
    layout->addWidget(tipsPanel_);
    setCentralWidget(central);

    for (int i = 0; i < 3; ++i) {
        statusPanels_[i] = new QLabel;
        statusPanels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        statusPanels_[i]->setContentsMargins(4, 0, 4, 0);
        statusBar()->addWidget(statusPanels_[i], i == 2 ? 1 : 0);
    }
}

void TMainWindow::CreateTray() {
    tray_ = new QSystemTrayIcon(Icons::Application(), this);
    tray_->setToolTip(QStringLiteral("Tarnovex"));
    trayMenu_ = new QMenu(this);
    trayMenu_->addAction(Action(QStringLiteral("actTrayShow")));
    trayMenu_->addAction(Action(QStringLiteral("actTrayHide")));
    trayMenu_->addSeparator();
    trayMenu_->addAction(Action(QStringLiteral("actPauseAll")));
    trayMenu_->addSeparator();
    trayMenu_->addAction(Action(QStringLiteral("actHelpContents")));
    trayMenu_->addAction(Action(QStringLiteral("actTrayAbout")));
    trayMenu_->addSeparator();
    trayMenu_->addAction(Action(QStringLiteral("actTrayExit")));
    tray_->setContextMenu(trayMenu_);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
            ShowFromTray();
    });
}

void TMainWindow::ShowTaskMenu(const QPoint& globalPos) {
    QMenu menu;
    menu.setToolTipsVisible(true);
    AddActions(&menu, std::initializer_list<const char*>{
                          "actTaskStart", "actTaskPause", "actTaskStop", nullptr, "actTaskNew",
                          "actTaskProperties", "actTaskDelete", "actTaskDuplicate", nullptr, "actViewSource",
                          "actViewDestination", "actViewVersions", "actViewDeleted"});
    menu.exec(globalPos);
}

void TMainWindow::TranslateWindow() {
    // Every named control, action, list column, tool bar and the tips' lines, as every form does.
    TranslateForm(this);
    tipLines_ = tipsMemo_->toPlainText().split(QLatin1Char('\n'));
    for (auto& [name, action] : actions_) {
        // A command still waiting for its dialog says so; the hint is kept for when it gets one.
        if (!action->property("available").toBool() && action->toolTip() != NotAvailableText()) {
            action->setProperty("hint", action->toolTip());
            action->setToolTip(NotAvailableText());
            action->setStatusTip(NotAvailableText());
        }
    }
}

// --- host ------------------------------------------------------------------------------------------

void TMainWindow::ShowError(const QString& text) {
    prompts_->Error(Tr("Error", "strError"), text);
}

bool TMainWindow::Confirm(const QString& text) {
    return prompts_->Confirm(Tr("Confirmation", "strConfirmation"), text);
}

void TMainWindow::BringMainWindowToFront() {
    ShowFromTray();
}

// --- views -----------------------------------------------------------------------------------------

QTreeWidget* TMainWindow::GroupsTree() const {
    return groupsTree_;
}

QAbstractItemView* TMainWindow::TaskView() const {
    return ViewStyle() == 3 ? static_cast<QAbstractItemView*>(detailsView_)
                            : static_cast<QAbstractItemView*>(iconView_);
}

QTreeWidgetItem* TMainWindow::GroupNode(const QString& text) const {
    QTreeWidgetItem* root = groupsTree_->topLevelItemCount() > 0 ? groupsTree_->topLevelItem(0) : nullptr;
    if (root == nullptr)
        return nullptr;
    if (root->text(0) == text)
        return root;
    for (int i = 0; i < root->childCount(); ++i) {
        if (root->child(i)->text(0) == text)
            return root->child(i);
    }
    return nullptr;
}

void TMainWindow::UpdateTreeView() {
    QString wanted = GlobalSettings().Main.CurrentGroup;
    if (wanted.isEmpty())
        wanted = groupsTree_->currentItem() != nullptr ? groupsTree_->currentItem()->text(0)
                                                       : TMainData::AllTasksName();
    updatingTree_ = true;
    groupsTree_->clear();
    auto* root = new QTreeWidgetItem(groupsTree_, {TMainData::AllTasksName()});
    root->setIcon(0, Icons::AllTasks());
    for (const QString& group : data_.Groups) {
        auto* node = new QTreeWidgetItem(root, {group});
        node->setIcon(0, Icons::Group());
    }
    groupsTree_->expandAll();
    // A remembered group that no longer exists, or the all-tasks name in another language, selects the
    // root: a window that lists nothing would look as if the tasks were gone.
    QTreeWidgetItem* select = GroupNode(wanted);
    groupsTree_->setCurrentItem(select != nullptr ? select : root);
    updatingTree_ = false;
    SelectedGroupChanged();
}

void TMainWindow::SelectedGroupChanged() {
    QTreeWidgetItem* node = groupsTree_->currentItem();
    if (node == nullptr)
        taskModel_->ClearGroup();
    else
        taskModel_->SetGroup(node->text(0), node->parent() == nullptr);
    if (node != nullptr)
        GlobalSettings().Main.CurrentGroup = node->text(0);
    UpdateListView();
}

void TMainWindow::UpdateListView() {
    QString id = GlobalSettings().Main.CurrentProject;
    if (id.isEmpty())
        id = selectedTaskId_;
    taskModel_->SetSort(GlobalSettings().Main.SortColumn, GlobalSettings().Main.SortOrderAZ);
    const int row = taskModel_->RowOf(id);
    if (row >= 0) {
        const QModelIndex index = taskModel_->index(row, 0);
        detailsView_->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        TaskView()->scrollTo(index);
    }
    GlobalSettings().Main.CurrentProject.clear();
    ApplySortIndicator();
    SelectedTaskChanged();
}

void TMainWindow::UpdateAll() {
    UpdateTreeView();
    UpdateListView();
    CheckState();
}

TTask* TMainWindow::SelectedTask() const {
    const QModelIndexList rows = detailsView_->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return nullptr;
    return taskModel_->TaskAt(rows.constFirst().row());
}

bool TMainWindow::SelectTask(const QString& id) {
    const int row = taskModel_->RowOf(id);
    if (row < 0)
        return false;
    detailsView_->selectionModel()->setCurrentIndex(
        taskModel_->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return true;
}

QString TMainWindow::SelectedGroupText() const {
    const QTreeWidgetItem* node = groupsTree_->currentItem();
    return node != nullptr ? node->text(0) : QString();
}

bool TMainWindow::RootSelected() const {
    const QTreeWidgetItem* node = groupsTree_->currentItem();
    return node != nullptr && node->parent() == nullptr;
}

bool TMainWindow::SelectGroup(const QString& text) {
    QTreeWidgetItem* node = GroupNode(text);
    if (node == nullptr)
        return false;
    groupsTree_->setCurrentItem(node);
    return true;
}

void TMainWindow::SelectedTaskChanged() {
    const TTask* task = SelectedTask();
    const QString id = task != nullptr ? task->ID : QString();
    if (id != selectedTaskId_ || (task != nullptr && logModel_->Logger() != FindLogger(*task))) {
        selectedTaskId_ = id;
        logModel_->SetLogger(task != nullptr ? &LoggerOf(*task) : nullptr);
        if (logModel_->rowCount() > 0)
            logView_->scrollToBottom();
    }
    CheckState();
}

void TMainWindow::ApplySortIndicator() {
    const TMainSettings& main = GlobalSettings().Main;
    detailsView_->header()->setSortIndicator(main.SortColumn,
                                             main.SortOrderAZ ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void TMainWindow::ClickColumn(int column) {
    TMainSettings& main = GlobalSettings().Main;
    column = std::clamp(column, 0, TTaskListModel::kColumnCount - 1);
    main.SortOrderAZ = !main.SortOrderAZ;
    if (column != main.SortColumn)
        main.SortOrderAZ = true;
    main.SortColumn = column;
    const QString keep = selectedTaskId_;
    taskModel_->SetSort(main.SortColumn, main.SortOrderAZ);
    SelectTask(keep);
    ApplySortIndicator();
    CheckState();
}

int TMainWindow::ViewStyle() const {
    return std::clamp(static_cast<int>(GlobalSettings().Main.ViewStyle), 0, 3);
}

void TMainWindow::SetViewStyle(int style) {
    style = std::clamp(style, 0, 3);
    GlobalSettings().Main.ViewStyle = static_cast<quint8>(style);
    if (style == 3) {
        taskViews_->setCurrentWidget(detailsView_);
    } else {
        const bool large = style == 0;
        // Large icons carry their name below them; small icons and the list carry it beside them,
        // small icons in rows across the view, the list in columns down it.
        iconView_->setViewMode(large ? QListView::IconMode : QListView::ListMode);
        iconView_->setFlow(style == 2 ? QListView::TopToBottom : QListView::LeftToRight);
        iconView_->setWrapping(true);
        iconView_->setIconSize(large ? QSize(32, 32) : QSize(16, 16));
        iconView_->setWordWrap(large);
        iconView_->setTextElideMode(Qt::ElideRight);
        iconView_->setGridSize(large ? QSize(110, 72) : style == 1 ? QSize(200, 24) : QSize());
        iconView_->setMovement(QListView::Static);
        taskViews_->setCurrentWidget(iconView_);
    }
    CheckState();
}

void TMainWindow::MoveTasksToGroup(const QStringList& ids, QTreeWidgetItem* node) {
    if (node == nullptr)
        return;
    const QString group = node->parent() == nullptr ? QString() : node->text(0);
    bool moved = false;
    for (const QString& id : ids) {
        if (TTask* task = data_.FindTask(id)) {
            task->BelongToGroup = group;
            moved = true;
        }
    }
    if (!moved)
        return;
    UpdateListView();
    SaveAllSettings();
}

void TMainWindow::AdjustLastRun(int days) {
    TTask* task = SelectedTask();
    if (task == nullptr)
        return;
    task->LastRun += days;
    taskModel_->TextsChanged();
    CheckState();
}

QString TMainWindow::StatusPanelText(int panel) const {
    return panel >= 0 && panel < 3 ? statusPanels_[panel]->text() : QString();
}

void TMainWindow::UpdateStatusBar() {
    const QString group = SelectedGroupText();
    statusPanels_[0]->setText(FormatText(Tr("%d Task(s)", "strMainStatusTotalTasks"),
                                         {QString::number(group.isEmpty() ? 0 : data_.CountTasks(group))}));
    statusPanels_[1]->setText(FormatText(Tr("%d Task(s) Running", "strMainStatusRunningTasks"),
                                         {QString::number(group.isEmpty() ? 0 : data_.CountRunning(group))}));
    for (int i = 0; i < 2; ++i)
        statusPanels_[i]->setFixedWidth(
            statusPanels_[i]->fontMetrics().horizontalAdvance(statusPanels_[i]->text()) + 20);
    QString progress;
    const TTask* task = SelectedTask();
    if (task != nullptr && task->IsRunning) {
        QString file;
        QString percent;
        if (task->Worker != nullptr) {
            file = task->CurrentFileCaption(task->Worker->StatusText());
            percent = task->ProgressPercent(task->Worker->ProgressDone(), task->Worker->ProgressTotal());
        }
        const QString head = QStringLiteral("\"%s\" ") + Tr("task progress", "strMainStatusTaskProgress");
        progress = percent.isEmpty()
                       ? FormatText(head + QStringLiteral(": %s..."), {task->Name, file})
                       : FormatText(head + QStringLiteral(": %s: %s%%"), {task->Name, file, percent});
    }
    statusPanels_[2]->setText(progress);
}

void TMainWindow::CheckState() {
    const TTask* task = SelectedTask();
    const bool hasTask = task != nullptr;
    const bool running = hasTask && task->IsRunning;
    const bool suspended = running && data_.RunControl != nullptr && data_.RunControl->IsSuspended(*task);
    SetActionEnabled(QStringLiteral("actTaskNew"), true);
    for (const char* name : {"actTaskProperties", "actTaskDelete", "actTaskDuplicate", "actViewSource"})
        SetActionEnabled(QString::fromLatin1(name), hasTask);
    const bool local = hasTask && task->DestType == TDestKind::dkLocal;
    SetActionEnabled(QStringLiteral("actViewDestination"), local);
    SetActionEnabled(QStringLiteral("actViewVersions"), local);
    SetActionEnabled(QStringLiteral("actViewDeleted"), local);
    SetActionEnabled(QStringLiteral("actTaskShortcut"), hasTask);
    SetActionEnabled(QStringLiteral("actTaskStart"), hasTask && !running);
    SetActionEnabled(QStringLiteral("actTaskPause"), running);
    SetActionChecked(QStringLiteral("actTaskPause"), suspended);
    SetActionEnabled(QStringLiteral("actTaskStop"), running);

    const QString group = SelectedGroupText();
    const bool hasGroup = groupsTree_->currentItem() != nullptr;
    const bool root = RootSelected();
    SetActionEnabled(QStringLiteral("actTaskGroupStart"),
                     hasGroup && data_.CountTasks(group) > 0 && data_.HasIdleTask(group));
    SetActionEnabled(QStringLiteral("actGroupPause"), hasGroup && data_.HasRunning(group));
    SetActionEnabled(QStringLiteral("actGroupStop"), hasGroup && data_.HasRunning(group));
    SetActionEnabled(QStringLiteral("actGroupNew"), hasGroup);
    SetActionEnabled(QStringLiteral("actGroupReorder"), hasGroup);
    SetActionEnabled(QStringLiteral("actGroupRename"), hasGroup && !root);
    SetActionEnabled(QStringLiteral("actGroupDelete"), hasGroup && !root);

    const TMainSettings& main = GlobalSettings().Main;
    SetActionChecked(QStringLiteral("actPauseAll"), main.Suspend);
    SetActionChecked(QStringLiteral("actGlobalSuspend"), main.Suspend);
    SetActionChecked(QStringLiteral("actDisableScheduler"), main.DisableScheduler);
    SetActionChecked(QStringLiteral("actViewMenuBar"), menuBar()->isVisibleTo(this));
    SetActionChecked(QStringLiteral("actViewGroups"), !groupsTree_->isHidden());
    SetActionChecked(QStringLiteral("actViewToolBar"), !toolBar_->isHidden());
    SetActionChecked(QStringLiteral("actViewLog"), !logView_->isHidden());
    SetActionChecked(QStringLiteral("actViewTips"), !tipsPanel_->isHidden());
    SetActionChecked(QStringLiteral("actViewStatusBar"), !statusBar()->isHidden());
    for (int i = 0; i < 4; ++i)
        SetActionChecked(QStringLiteral("actViewStyle%1").arg(i), ViewStyle() == i);
    for (int i = 0; i < TTaskListModel::kColumnCount; ++i)
        SetActionChecked(QStringLiteral("actArrange%1").arg(i), main.SortColumn == i);
    SetActionChecked(QStringLiteral("actSortAZ"), main.SortOrderAZ);
    SetActionChecked(QStringLiteral("actSortZA"), !main.SortOrderAZ);
    SetActionEnabled(QStringLiteral("actLogSearchAgain"), !lastSearch_.isEmpty());
    UpdateStatusBar();
}

void TMainWindow::RefreshLog() {
    if (refreshingLog_)
        return;
    refreshingLog_ = true;
    // The selected task may have been deleted by another part of the program in the meantime.
    if (!selectedTaskId_.isEmpty() && data_.FindTask(selectedTaskId_) == nullptr) {
        logModel_->SetLogger(nullptr);
        selectedTaskId_.clear();
        taskModel_->Refresh();
    }
    if (logModel_->Refresh() && logModel_->rowCount() > 0) {
        const QModelIndex last = logModel_->index(logModel_->rowCount() - 1, TLogModel::colText);
        logView_->selectionModel()->setCurrentIndex(last, QItemSelectionModel::NoUpdate);
        logView_->scrollTo(last);
    }
    refreshingLog_ = false;
}

void TMainWindow::RefreshTaskStates() {
    QString signature;
    for (const auto& task : data_.Tasks) {
        signature += task->ID + QLatin1Char(task->IsRunning ? 'R' : '-') +
                     QLatin1Char(task->Suspended ? 'S' : '-') + QLatin1Char(task->ErrorFlag ? 'E' : '-') +
                     QString::number(task->LastRun, 'g', 17) + task->BelongToGroup + QLatin1Char('\n');
    }
    if (signature != stateSignature_) {
        stateSignature_ = signature;
        const QString keep = selectedTaskId_;
        if (taskModel_->RowsMatchData())
            taskModel_->TextsChanged();
        else
            taskModel_->Refresh();
        SelectTask(keep);
        CheckState();
    } else {
        UpdateStatusBar();
    }
}

// --- tips ------------------------------------------------------------------------------------------

void TMainWindow::UpdateTips() {
    const TTip tip = TranslatedTipAt(tipLines_, GlobalSettings().Main.LastTip);
    tipLabel_->setText(tip.Text);
    moreHelpButton_->setEnabled(!tip.Topic.isEmpty());
    SetActionEnabled(QStringLiteral("actTipMoreHelp"), !tip.Topic.isEmpty());
}

QString TMainWindow::TipText() const {
    return tipLabel_->text();
}

void TMainWindow::ShowTip(int step) {
    GlobalSettings().Main.LastTip = NextTipIndex(GlobalSettings().Main.LastTip, step);
    UpdateTips();
}

// --- settings --------------------------------------------------------------------------------------

void TMainWindow::ApplyWindowSettings() {
    TMainSettings& main = GlobalSettings().Main;
    SetViewStyle(main.ViewStyle);
    const QString keep = selectedTaskId_;
    taskModel_->SetSort(main.SortColumn, main.SortOrderAZ);
    SelectTask(keep);
    ApplySortIndicator();
    for (int column = 0; column < TTaskListModel::kColumnCount; ++column) {
        int width = *ViewSizeOf(main, column);
        if (width < -2)
            continue;
        if (width <= 0) {
            detailsView_->resizeColumnToContents(column);
        } else {
            if (column == TTaskListModel::colLastRun) {
                const TDateTime sample = DateTime::Encode(2026, 12, 28, 23, 58, 58);
                width = std::max(width, detailsView_->fontMetrics().horizontalAdvance(
                                            LocaleFormats::FormatShortDate(sample) + QStringLiteral(" ") +
                                            LocaleFormats::FormatLongTime(sample)) +
                                            16);
            }
            detailsView_->setColumnWidth(column, width);
        }
    }
    TLogDisplaySettings& log = GlobalSettings().LogDisplay;
    const QFont font = LogDisplayFont(log.LogFontName, log.LogFontSize);
    logView_->setFont(font);
    // Dates and times are at least as wide as the locale writes them: the stored widths were chosen
    // for another font, and a cut-off time says nothing.
    const QFontMetrics logMetrics(font);
    const TDateTime sample = DateTime::Encode(2026, 12, 28, 23, 58, 58);
    const int dateWidth = logMetrics.horizontalAdvance(LocaleFormats::FormatShortDate(sample)) + 16;
    const int timeWidth = logMetrics.horizontalAdvance(LocaleFormats::FormatLongTime(sample)) + 16;
    logView_->setColumnWidth(TLogModel::colMark, 8);
    for (int column = TLogModel::colNumber; column <= TLogModel::colText; ++column) {
        int width = *LogViewSizeOf(log, column);
        if (column == TLogModel::colDate)
            width = std::max(width, dateWidth);
        else if (column == TLogModel::colTime)
            width = std::max(width, timeWidth);
        if (width > 0)
            logView_->setColumnWidth(column, width);
    }
    logView_->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 4);
    logView_->setShowGrid(log.LogGrid);
    SetTrayIconVisible(!GlobalSettings().Startup.StartupHideTrayIcon);
}

void TMainWindow::LoadWindowSettings() {
    TSafeRegistry reg;
    if (!reg.OpenKeyReadOnly(MainKey()))
        return;
    const int left = reg.ReadInteger(QStringLiteral("WindowNormalPositionLeft"), 0);
    const int top = reg.ReadInteger(QStringLiteral("WindowNormalPositionTop"), 0);
    const int right = reg.ReadInteger(QStringLiteral("WindowNormalPositionRight"), 0);
    const int bottom = reg.ReadInteger(QStringLiteral("WindowNormalPositionBottom"), 0);
    if (right - left >= 200 && bottom - top >= 150) {
        QRect rect(left, top, right - left, bottom - top);
        // A placement from another screen layout is pulled back onto the screen.
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect available = screen->availableVirtualGeometry();
            if (!available.intersects(rect))
                rect.moveTopLeft(available.topLeft());
        }
        setGeometry(rect);
    }
    quint8 showCmd[4] = {1, 0, 0, 0};
    reg.ReadBinary(QStringLiteral("WindowShowCmd"), showCmd, 4);
    if (qFromLittleEndian<quint32>(showCmd) == 3)
        setWindowState(windowState() | Qt::WindowMaximized);
    const int groupsWidth = reg.ReadInteger(QStringLiteral("GroupsPanelWidth"), 0);
    if (groupsWidth > 3) {
        QList<int> sizes = mainSplitter_->sizes();
        const int total = sizes.value(0) + sizes.value(1);
        mainSplitter_->setSizes({groupsWidth, std::max(10, total - groupsWidth)});
    }
    for (int i = 0; i < 5; ++i) {
        // A panel is shown unless it was hidden on purpose: a store that has never held the window's
        // values must not open a window without its panels.
        const bool visible = reg.ReadBool(QString::fromLatin1(kPanelValues[i]), true);
        SetActionChecked(QString::fromLatin1(kPanelActions[i]), visible);
    }
    ApplyPanelVisibility();
    int logHeight = reg.ReadInteger(QStringLiteral("LogPanelHeight"), 0);
    if (logHeight > 0) {
        const int bottomArea = (tipsPanel_->isHidden() ? 17 : 78) + (statusBar()->isHidden() ? 0 : 22);
        const int limit = centralWidget()->height() - bottomArea - 100;
        logHeight = std::max(10, std::min(logHeight, std::max(limit, 10)));
        const QList<int> sizes = rightSplitter_->sizes();
        const int total = sizes.value(0) + sizes.value(1);
        rightSplitter_->setSizes({std::max(10, total - logHeight), logHeight});
    }
    ApplyWindowSettings();
}

void TMainWindow::SaveWindowSettings() {
    TSafeRegistry reg;
    if (!reg.OpenKey(MainKey(), true))
        return;
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    reg.WriteInteger(QStringLiteral("WindowNormalPositionLeft"), normal.left());
    reg.WriteInteger(QStringLiteral("WindowNormalPositionTop"), normal.top());
    reg.WriteInteger(QStringLiteral("WindowNormalPositionRight"), normal.left() + normal.width());
    reg.WriteInteger(QStringLiteral("WindowNormalPositionBottom"), normal.top() + normal.height());
    reg.WriteInteger(QStringLiteral("WindowMinPositionX"), -1);
    reg.WriteInteger(QStringLiteral("WindowMinPositionY"), -1);
    reg.WriteInteger(QStringLiteral("WindowMaxPositionX"), -1);
    reg.WriteInteger(QStringLiteral("WindowMaxPositionY"), -1);
    quint8 flags[4] = {0, 0, 0, 0};
    reg.WriteBinary(QStringLiteral("WindowFlags"), flags, 4);
    quint8 showCmd[4];
    qToLittleEndian<quint32>(isMaximized() ? 3u : 1u, showCmd);
    reg.WriteBinary(QStringLiteral("WindowShowCmd"), showCmd, 4);
    reg.WriteInteger(QStringLiteral("GroupsPanelWidth"), mainSplitter_->sizes().value(0));
    for (int i = 0; i < 5; ++i)
        reg.WriteBool(QString::fromLatin1(kPanelValues[i]),
                      Action(QString::fromLatin1(kPanelActions[i]))->isChecked());
    reg.WriteInteger(QStringLiteral("LogPanelHeight"), rightSplitter_->sizes().value(1));
}

void TMainWindow::SaveAllSettings() {
    TStoreTransaction transaction;
    SaveWindowSettings();
    if (groupsTree_->currentItem() != nullptr)
        GlobalSettings().Main.CurrentGroup = groupsTree_->currentItem()->text(0);
    if (const TTask* task = SelectedTask())
        GlobalSettings().Main.CurrentProject = task->ID;
    ::SaveAllSettings(data_);
    GlobalSettings().Main.CurrentProject.clear();
}

void TMainWindow::ApplyPanelVisibility() {
    groupsTree_->setVisible(Action(QStringLiteral("actViewGroups"))->isChecked());
    toolBar_->setVisible(Action(QStringLiteral("actViewToolBar"))->isChecked());
    logView_->setVisible(Action(QStringLiteral("actViewLog"))->isChecked());
    tipsPanel_->setVisible(Action(QStringLiteral("actViewTips"))->isChecked());
    statusBar()->setVisible(Action(QStringLiteral("actViewStatusBar"))->isChecked());
    CheckState();
}

// --- task commands ---------------------------------------------------------------------------------

void TMainWindow::TaskNew() {
    if (!editTask_)
        return;
    auto task = std::make_unique<TTask>();
    TTaskFilterItem filter;
    filter.Enabled = true;
    filter.FilterType = TFilterType::fitInclude;
    filter.FilterKind = TFilterKind::fikFileName;
    filter.fnKind = TFileNameKind::fnkWildcard;
    filter.fnWildcard = QStringLiteral("*.*");
    task->Filters.push_back(filter);
    if (!editTask_(*task, true))
        return;
    task->BelongToGroup = SelectedGroupText();
    TTask& added = data_.AddTask(std::move(task));
    UpdateListView();
    data_.RegisterHotKeys();
    if (scheduler_ != nullptr) {
        scheduler_->RebuildFolderWatchers(added);
        scheduler_->ScheduleTimerTimer();
    }
    if (added.LastRun == 0 &&
        prompts_->Confirm(
            Tr("Confirmation", "strConfirmation"),
            Tr("New Task created. Do you want to run it right now?", "strTaskPropNewTaskCreatedRunNow")) &&
        data_.RunControl != nullptr && !added.IsRunning)
        data_.RunControl->RequestRun(added, true);
    SaveAllSettings();
    CheckState();
}

void TMainWindow::TaskProperties() {
    TTask* task = SelectedTask();
    if (task == nullptr || !editTask_)
        return;
    if (!editTask_(*task, false))
        return;
    SelectTask(task->ID);
    UpdateListView();
    data_.RegisterHotKeys();
    if (scheduler_ != nullptr)
        scheduler_->RebuildFolderWatchers(*task);
    SaveAllSettings();
}

void TMainWindow::TaskDelete() {
    TTask* task = SelectedTask();
    if (task == nullptr)
        return;
    if (task->IsRunning) {
        prompts_->Error(
            Tr("Error", "strError"),
            Tr("You can't delete running Task. Please wait while Task done working and then try again.",
               "strMainTaskCantDeleteRunning"));
        return;
    }
    if (!task->VerifyEditPassword(prompts_->PasswordPrompt()))
        return;
    if (!prompts_->Confirm(Tr("Confirmation", "strConfirmation"),
                           FormatText(Tr("Do you really want to delete this task (%s) from the list?",
                                         "strMainTaskDeleteConfirmation"),
                                      {task->Name})))
        return;
    // The dialogs let the event loop run: the task may have started meanwhile.
    if (task->IsRunning || data_.FindTask(selectedTaskId_) != task)
        return;
    const int row = taskModel_->RowOf(task->ID);
    const TTask* neighbour = taskModel_->TaskAt(row > 0 ? row - 1 : row + 1);
    const QString nextId = neighbour != nullptr ? neighbour->ID : QString();
    logModel_->SetLogger(nullptr);
    selectedTaskId_.clear();
    if (scheduler_ != nullptr)
        scheduler_->ForgetTask(*task);
    const TTask* gone = task;
    const QString goneId = task->ID;
    QString error;
    // The model rows point at the task: they go before it does.
    taskModel_->ClearGroup();
    if (!data_.DeleteTask(*task, &error)) {
        SelectedGroupChanged();
        prompts_->Error(Tr("Error", "strError"), error);
        return;
    }
    ForgetLogger(*gone);
    if (TaskDeleted)
        TaskDeleted(goneId);
    GlobalSettings().Main.CurrentProject = nextId;
    SelectedGroupChanged();
    SaveAllSettings();
}

void TMainWindow::TaskDuplicate() {
    const TTask* task = SelectedTask();
    if (task == nullptr)
        return;
    TTask& copy = data_.DuplicateTask(*task);
    GlobalSettings().Main.CurrentProject = copy.ID;
    if (scheduler_ != nullptr)
        scheduler_->RebuildFolderWatchers(copy);
    UpdateListView();
    SaveAllSettings();
}

void TMainWindow::TaskStart() {
    TTask* task = SelectedTask();
    if (task == nullptr || task->IsRunning || data_.RunControl == nullptr)
        return;
    data_.RunControl->RequestRun(*task, true);
    RefreshTaskStates();
    CheckState();
}

void TMainWindow::TaskPause() {
    TTask* task = SelectedTask();
    if (task == nullptr || !task->IsRunning || data_.RunControl == nullptr) {
        CheckState();
        return;
    }
    data_.RunControl->SetSuspended(*task, !data_.RunControl->IsSuspended(*task));
    RefreshTaskStates();
    CheckState();
}

void TMainWindow::TaskStop() {
    TTask* task = SelectedTask();
    if (task == nullptr || !task->IsRunning)
        return;
    const QString id = task->ID;
    if (!prompts_->Confirm(Tr("Warning!", "strWarning"),
                           FormatText(Tr("This may cause some or all of the Source files not be copied to "
                                         "Destination. Do you really want to abort \"%s\" Task work?",
                                         "strMainTaskBackupAbortConfirmation"),
                                      {task->Name})))
        return;
    task = data_.FindTask(id);
    if (task != nullptr && task->IsRunning && data_.RunControl != nullptr)
        data_.RunControl->RequestStop(*task);
    CheckState();
}

void TMainWindow::ViewSourceFolder() {
    const TTask* task = SelectedTask();
    if (task == nullptr)
        return;
    for (int i = 0; i < task->SourceFolderCount(); ++i)
        QDesktopServices::openUrl(QUrl::fromLocalFile(task->SourceFolderPath(i)));
}

void TMainWindow::ViewDestinationFolder(int which) {
    const TTask* task = SelectedTask();
    if (task == nullptr || task->DestType != TDestKind::dkLocal)
        return;
    const QString folder = which == 0   ? task->DestinationFolder(-1)
                           : which == 1 ? task->VersionsArchiveFolder()
                                        : task->DeletedArchiveFolder();
    if (folder.isEmpty() || folder == QStringLiteral("n/a"))
        return;
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

// --- group commands --------------------------------------------------------------------------------

void TMainWindow::GroupNew() {
    QString name = Tr("New Group", "strNewGroup");
    if (!prompts_->EditGroupName(name))
        return;
    QString error;
    if (!data_.CreateGroup(name, &error)) {
        prompts_->Information(Tr("Information", "strInformation"), error);
        return;
    }
    GlobalSettings().Main.CurrentGroup = SelectedGroupText();
    UpdateTreeView();
    SaveAllSettings();
    CheckState();
}

void TMainWindow::GroupRename() {
    if (groupsTree_->currentItem() == nullptr || RootSelected())
        return;
    const QString oldName = SelectedGroupText();
    QString name = oldName;
    if (!prompts_->EditGroupName(name) || name == oldName)
        return;
    QString error;
    if (!data_.RenameGroup(oldName, name, &error)) {
        prompts_->Information(Tr("Information", "strInformation"), error);
        return;
    }
    GlobalSettings().Main.CurrentGroup = name;
    UpdateTreeView();
    SaveAllSettings();
    CheckState();
}

void TMainWindow::GroupDelete() {
    if (groupsTree_->currentItem() == nullptr || RootSelected())
        return;
    const QString name = SelectedGroupText();
    if (!prompts_->Confirm(
            Tr("Confirmation", "strConfirmation"),
            FormatText(Tr("Do you really want to delete group \"%s\"?", "strMainGroupDeleteConfirmation"),
                       {name})))
        return;
    GlobalSettings().Main.CurrentGroup = data_.DeleteGroup(name);
    UpdateTreeView();
    SaveAllSettings();
    CheckState();
}

void TMainWindow::GroupReorder() {
    QStringList names = data_.Groups;
    if (!prompts_->EditGroupOrder(names))
        return;
    GlobalSettings().Main.CurrentGroup = SelectedGroupText();
    data_.ReorderGroups(names);
    UpdateTreeView();
    SaveAllSettings();
}

void TMainWindow::GroupStart() {
    if (groupsTree_->currentItem() == nullptr)
        return;
    data_.RunGroup(SelectedGroupText(), true);
    RefreshTaskStates();
    CheckState();
}

void TMainWindow::GroupPause() {
    if (groupsTree_->currentItem() == nullptr)
        return;
    data_.PauseGroup(SelectedGroupText());
    RefreshTaskStates();
    CheckState();
}

void TMainWindow::GroupStop() {
    if (groupsTree_->currentItem() == nullptr)
        return;
    const QString group = SelectedGroupText();
    if (!prompts_->Confirm(
            Tr("Warning!", "strWarning"),
            FormatText(Tr("This may cause some or all of the Source files not be copied to "
                          "Destination. Do you really want to abort work of the whole \"%s\" Tasks "
                          "Group?",
                          "strMainGroupBackupAbortConfirmation"),
                       {group})))
        return;
    data_.StopGroup(group);
    CheckState();
}

// --- log commands ----------------------------------------------------------------------------------

void TMainWindow::SearchLog(const QString& text, bool matchCase, bool down) {
    lastSearch_ = text;
    lastSearchMatchCase_ = matchCase;
    lastSearchDown_ = down;
    const QModelIndex current = logView_->currentIndex();
    const int from = current.isValid() ? current.row() : (down ? -1 : logModel_->rowCount());
    const int row = logModel_->Find(text, from, down, matchCase);
    if (row < 0) {
        prompts_->Information(Tr("Information", "strInformation"),
                              Tr("Search finished.", "strSearchFinished"));
    } else {
        const QModelIndex hit = logModel_->index(row, TLogModel::colText);
        logView_->selectionModel()->setCurrentIndex(
            hit, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        logView_->scrollTo(hit);
    }
    CheckState();
}

void TMainWindow::LogSearch() {
    QString text = lastSearch_;
    bool matchCase = lastSearchMatchCase_;
    bool down = lastSearchDown_;
    if (prompts_->AskSearch(text, matchCase, down) && !text.isEmpty())
        SearchLog(text, matchCase, down);
}

void TMainWindow::LogSearchAgain() {
    if (!lastSearch_.isEmpty())
        SearchLog(lastSearch_, lastSearchMatchCase_, lastSearchDown_);
}

void TMainWindow::LogSaveAs() {
    const TTaskLogger* logger = logModel_->Logger();
    if (logger == nullptr)
        return;
    const QString fileName = prompts_->AskLogFileName(Paths::UserDataFolder());
    if (fileName.isEmpty())
        return;
    QByteArray text;
    const int count = logger->Count();
    for (int i = 0; i < count; ++i)
        text += logger->LogItemText(i).toUtf8() + "\r\n";
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        prompts_->Error(Tr("Error", "strError"), file.errorString());
}

void TMainWindow::LogCopy() {
    QList<int> rows;
    for (const QModelIndex& index : logView_->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    if (rows.isEmpty())
        return;
    QApplication::clipboard()->setText(logModel_->CopyText(rows));
}

void TMainWindow::LogClear() {
    const TTask* task = SelectedTask();
    if (task == nullptr)
        return;
    LoggerOf(*task).Clear();
    RefreshLog();
}

// --- tools -----------------------------------------------------------------------------------------

void TMainWindow::ToggleGlobalSuspend() {
    GlobalSettings().Main.Suspend = !GlobalSettings().Main.Suspend;
    data_.ApplyGlobalSuspend();
    RefreshTaskStates();
    CheckState();
}

void TMainWindow::ToggleScheduler() {
    GlobalSettings().Main.DisableScheduler = !GlobalSettings().Main.DisableScheduler;
    CheckState();
}

// --- closing and the notification area -------------------------------------------------------------

bool TMainWindow::ConfirmShutdown() {
    TStartupSettings& startup = GlobalSettings().Startup;
    if (!startup.StartupConfirmShutdown)
        return true;
    bool dontAskAgain = false;
    if (!prompts_->ConfirmShutdown(dontAskAgain))
        return false;
    startup.StartupConfirmShutdown = !dontAskAgain;
    return true;
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    if (forceExit_) {
        event->accept();
        if (Exited)
            Exited();
        return;
    }
    const bool canClose = GlobalSettings().Startup.StartupShutDownAtClose || exiting_;
    if (!canClose) {
        event->ignore();
        HideToTray();
        return;
    }
    if (!ConfirmShutdown()) {
        // A refused exit leaves the close button as it was: it hides the window again next time.
        exiting_ = false;
        event->ignore();
        return;
    }
    exiting_ = true;
    event->accept();
    if (Exited)
        Exited();
}

void TMainWindow::ExitNow() {
    forceExit_ = true;
    exiting_ = true;
    close();
}

void TMainWindow::ExitFromTray() {
    exiting_ = true;
    close();
}

void TMainWindow::ShowFromTray() {
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void TMainWindow::HideToTray() {
    hide();
}

void TMainWindow::SetTrayIconVisible(bool visible) {
    if (tray_ != nullptr)
        tray_->setVisible(visible && QSystemTrayIcon::isSystemTrayAvailable());
}

void TMainWindow::StartupShow() {
    if (startupShown_)
        return;
    startupShown_ = true;
    // The stored placement applies before the window first appears, so it does not jump.
    if (!windowSettingsLoaded_) {
        windowSettingsLoaded_ = true;
        LoadWindowSettings();
    }
    if (!GlobalSettings().Startup.StartupRunMinimized)
        ShowFromTray();
}

void TMainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow())
        return;
    // The placement is taken from the store once; later activations keep what the user arranged.
    if (!windowSettingsLoaded_) {
        windowSettingsLoaded_ = true;
        LoadWindowSettings();
    }
    ShowTip(1);
    detailsView_->setEnabled(true);
}

bool TMainWindow::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == detailsView_ || watched == iconView_) && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Plus && (key->modifiers() & Qt::KeypadModifier)) {
            AdjustLastRun(1);
            return true;
        }
        if (key->key() == Qt::Key_Minus && (key->modifiers() & Qt::KeypadModifier)) {
            AdjustLastRun(-1);
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            !(key->modifiers() & Qt::AltModifier)) {
            TaskStart();
            return true;
        }
        if (key->key() == Qt::Key_Delete) {
            TaskDelete();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainWindow::ShowHelpTopic(const QString& topic) {
    if (topic.isEmpty())
        return;
    const QString file = QDir::cleanPath(Paths::ShippedDataFolder() + QStringLiteral("help/") + topic);
    const QString page = file.section(QLatin1Char('#'), 0, 0);
    if (!QFileInfo::exists(page)) {
        prompts_->Error(QStringLiteral("Error"),
                        FormatText(QStringLiteral("Can't open help file (%s)."),
                                   {Paths::ShippedDataFolder() + QStringLiteral("help/")}));
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}

void TMainWindow::ShowAboutBox() {
    TAboutForm form([this](const QString& topic) { ShowHelpTopic(topic); }, this);
    form.exec();
}
