#include "ui/TaskPropertiesDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCommandLinkButton>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <mutex>

#include "logging/Alerts.h"
#include "logging/Email.h"
#include "logging/UserInterface.h"
#include "model/FileMask.h"
#include "model/MainData.h"
#include "packing/PackerSettings.h"
#include "platform/DateTime.h"
#include "platform/LocaleFormats.h"
#include "schedule/MountWatcher.h"
#include "schedule/Scheduler.h"
#include "settings/FormatText.h"
#include "settings/Language.h"
#include "ui/FilterForm.h"
#include "ui/FiltersTestForm.h"
#include "ui/FolderPicker.h"
#include "ui/FtpAdvancedDialog.h"
#include "ui/HotKeyEdit.h"
#include "ui/ScheduleItemEditor.h"
#include "ui/TimerCalendarDialog.h"
#include "ui/TranslateForm.h"
#include "ui/WindowPrompts.h"

namespace {

int rememberedPage = 0;

TSourceFolder MakeSource(const QString& folder, bool includeSubfolders) {
    TSourceFolder source;
    source.Folder = folder;
    source.IncludeSubfolders = includeSubfolders;
    return source;
}

QString Tr(const char* text, const char* key) {
    return Translate(QString::fromUtf8(text), QString::fromUtf8(key));
}

QString BuiltinCaption() {
    return QStringLiteral("Built-in ZIP compressor (WinZIP, PkZIP compatible)");
}

QString ErrorCaption() {
    return Tr("Error", "strError");
}

// A row of widgets laid out side by side.
QWidget* Row(std::initializer_list<QWidget*> widgets, bool stretch = true) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* w : widgets)
        layout->addWidget(w);
    if (stretch)
        layout->addStretch();
    return row;
}

QSpinBox* Spin(int min, int max) {
    auto* spin = new QSpinBox;
    spin->setRange(min, max);
    return spin;
}

QLineEdit* PasswordEdit() {
    auto* edit = new QLineEdit;
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}

// The text after the last point of name, with the point; empty without one.
QString ExtensionWithDot(const QString& name) {
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

// A label with a name, so that a language file can translate it, for the field it describes.
QLabel* NamedLabel(const char* name, const QString& text, QWidget* buddy = nullptr) {
    auto* label = new QLabel(text);
    label->setObjectName(QString::fromLatin1(name));
    if (buddy)
        label->setBuddy(buddy);
    return label;
}

// A labelled row of a form whose label has a name.
void AddRow(QFormLayout* form, const char* labelName, const QString& text, QWidget* field) {
    form->addRow(NamedLabel(labelName, text, field), field);
}

template <typename T>
T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QPushButton* Button(const QString& caption, const char* name) {
    auto* button = Named(new QPushButton(caption), name);
    button->setAutoDefault(false);
    return button;
}

// The program's systemd user timers, asked once whether they are available.
TSystemTimers& ProgramTimers() {
    static TSystemTimers timers;
    return timers;
}

// The criteria of the media trigger as they are stored: a mount point without a trailing '/', the
// serial in upper case, since the trigger compares exactly.
QString MediaDriveCriterion(const QString& typed) {
    const QString trimmed = typed.trimmed();
    return trimmed.isEmpty() ? QString() : QDir::cleanPath(trimmed);
}

QString MediaSerialCriterion(const QString& typed) {
    return typed.trimmed().toUpper();
}

}  // namespace

TPropertiesServices& PropertiesServices() {
    static TPropertiesServices services;
    return services;
}

void ResetPropertiesServices() {
    PropertiesServices() = TPropertiesServices();
}

// ---------------------------------------------------------------------------------------------------
// Prompts

TPropertiesPrompts::TAnswer TWidgetPropertiesPrompts::AskCorrect(const QString& caption,
                                                                 const QString& text) {
    switch (QMessageBox::warning(
        parent_, caption, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
        case QMessageBox::Yes:
            return TAnswer::Yes;
        case QMessageBox::No:
            return TAnswer::No;
        default:
            return TAnswer::Cancel;
    }
}

bool TWidgetPropertiesPrompts::Confirm(const QString& caption, const QString& text) {
    return QMessageBox::question(parent_, caption, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void TWidgetPropertiesPrompts::Error(const QString& caption, const QString& text) {
    QMessageBox::critical(parent_, caption, text);
}

void TWidgetPropertiesPrompts::Information(const QString& caption, const QString& text) {
    QMessageBox::information(parent_, caption, text);
}

// ---------------------------------------------------------------------------------------------------
// The dialog

TTaskPropertiesForm::TTaskPropertiesForm(TTask& task, const TMainData& data, TPropertiesPrompts& prompts,
                                         QWidget* parent)
    : QDialog(parent), original_(task), edited_(task), data_(data), prompts_(prompts) {
    setObjectName(QStringLiteral("TaskPropertiesForm"));
    BuildPages();
    LoadControls();
    UpdateEnabling();
    UpdateTitle();
    resize(840, 600);
    TranslateForm(this);
}

TTaskPropertiesForm::~TTaskPropertiesForm() {
    // The reader hands rows to this dialog: it is stopped before anything of the dialog goes.
    driveReader_.reset();
    driveWatcher_.reset();
    if (mediaTestScheduler_ != nullptr) {
        // A test still lingering would report to a dialog that no longer exists.
        mediaTestScheduler_->MediaTestSucceeded = nullptr;
        if (mediaTestScheduler_->MediaTestMode())
            mediaTestScheduler_->SetMediaTestMode(false);
    }
}

void TTaskPropertiesForm::BuildPages() {
    navigator_ = new QTreeWidget;
    navigator_->setObjectName(QStringLiteral("navigator"));
    navigator_->setHeaderHidden(true);
    navigator_->setIndentation(14);
    pages_ = new QStackedWidget;
    pages_->setObjectName(QStringLiteral("pages"));

    struct TTitle {
        const char* text;
        const char* key;
        const char* name;  // of the page and its heading
    };
    const TTitle titles[] = {
        {"General", "strTaskPropGeneral", "General"},
        {"Source", "strTaskPropSource", "Source"},
        {"Destination", "strTaskPropDestination", "Destination"},
        {"File Filters", "strTaskPropFileFilters", "FileFilters"},
        {"Compression", "strTaskPropCompression", "Compression"},
        {"Encryption", "strTaskPropEncryption", "Encryption"},
        {"Old Versions", "strTaskPropOldVersions", "OldVersions"},
        {"Obsolete Files", "strTaskPropObsoleteFiles", "ObsoleteFiles"},
        {"Options", "strTaskPropOptions", "Options"},
        {"Error Handling", "strTaskPropErrorHandling", "ErrorHandling"},
        {"Autorun and Schedule", "strTaskPropAutorunAndSchedule", "Autorun"},
        {"Internal Schedule", "strTaskPropAutorunInternalSchedule", "Schedule"},
        {"Media SmartDetect", "strTaskPropAutorunMediaSmartDetect", "SmartDetect"},
        {"Folder Monitor", "strTaskPropAutorunFolderMonitor", "FolderMonitor"},
        {"Hot Key", "strTaskPropAutorunHotKey", "HotKey"},
        {"MS Task Scheduler", "strTaskPropAutorunMsTaskScheduler", "MsScheduler"},
        {"Advanced", "strTaskPropAdvanced", "Advanced"},
        {"Run Programs", "strTaskPropAdvancedRunPrograms", "RunPrograms"},
        {"Auto Dial", "strTaskPropAdvancedAutoDial", "AutoDial"},
        {"Hardware Profile", "strTaskPropAdvancedHardwareProfile", "HardwareProfile"},
        {"Limit Bandwith", "strTaskPropAdvancedLimitBandwith", "Bandwidth"},
        {"Task Password", "strTaskPropAdvancedTaskPassword", "TaskPassword"},
        {"Log Settings", "strTaskPropAdvancedLogSettings", "LogSettings"},
        {"Event Alerts", "strTaskPropAdvancedEventAlerts", "EventAlerts"},
        {"CPU Performance", "strTaskPropAdvancedCPUPerformance", "CpuPerformance"},
        {"Power Management", "strTaskPropAdvancedPowerManagement", "PowerManagement"},
        {"Email Settings", "strTaskPropAdvancedEmailSettings", "EmailSettings"},
    };
    QWidget* built[] = {BuildGeneralPage(),        BuildSourcePage(),          BuildDestinationPage(),
                        BuildFiltersPage(),        BuildCompressionPage(),     BuildEncryptionPage(),
                        BuildOldVersionsPage(),    BuildObsoletePage(),        BuildOptionsPage(),
                        BuildErrorHandlingPage(),  BuildAutorunPage(),         BuildSchedulePage(),
                        BuildSmartDetectPage(),    BuildFolderMonitorPage(),   BuildHotKeyPage(),
                        BuildMsSchedulerPage(),    BuildAdvancedPage(),        BuildRunProgramsPage(),
                        BuildAutoDialPage(),       BuildHardwareProfilePage(), BuildBandwidthPage(),
                        BuildTaskPasswordPage(),   BuildLogSettingsPage(),     BuildEventAlertsPage(),
                        BuildCpuPerformancePage(), BuildPowerManagementPage(), BuildEmailSettingsPage()};
    static_assert(sizeof(built) / sizeof(built[0]) == pgCount &&
                  sizeof(titles) / sizeof(titles[0]) == pgCount);
    QTreeWidgetItem* group = nullptr;
    for (int i = 0; i < pgCount; ++i) {
        const QString caption = Tr(titles[i].text, titles[i].key);
        const bool child =
            (i >= pgSchedule && i <= pgMsScheduler) || (i >= pgRunPrograms && i <= pgEmailSettings);
        auto* item = child ? new QTreeWidgetItem(group) : new QTreeWidgetItem(navigator_);
        item->setText(0, caption);
        item->setData(0, Qt::UserRole, i);
        navigatorItems_[static_cast<size_t>(i)] = item;
        if (i == pgAutorun || i == pgAdvanced)
            group = item;
        for (QWidget* overview : {built[pgAutorun], built[pgAdvanced]})
            if (auto* link = overview->findChild<QCommandLinkButton*>(QStringLiteral("link%1").arg(i)))
                link->setText(caption);
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("page") + QString::fromLatin1(titles[i].name));
        auto* layout = new QVBoxLayout(page);
        auto* heading = new QLabel(QStringLiteral("<b>%1</b>").arg(caption.toHtmlEscaped()));
        heading->setObjectName(QStringLiteral("title") + QString::fromLatin1(titles[i].name));
        layout->addWidget(heading);
        layout->addWidget(built[i], 1);
        pages_->addWidget(page);
    }
    navigator_->expandAll();
    // As wide as the longest caption with its indentation, and room for a scroll bar on small screens.
    int widest = 0;
    for (QTreeWidgetItem* item : navigatorItems_) {
        const int depth = item->parent() ? 2 : 1;
        widest = std::max(widest, navigator_->fontMetrics().horizontalAdvance(item->text(0)) +
                                      depth * navigator_->indentation());
    }
    navigator_->setFixedWidth(widest + 2 * navigator_->frameWidth() + 24);
    navigator_->setCurrentItem(navigatorItems_[pgGeneral]);
    connect(navigator_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item)
            OnPageChanged(item->data(0, Qt::UserRole).toInt());
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->setObjectName(QStringLiteral("buttons"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &TTaskPropertiesForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TTaskPropertiesForm::reject);

    auto* body = new QHBoxLayout;
    body->addWidget(navigator_);
    body->addWidget(pages_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(buttons);
}

QWidget* TTaskPropertiesForm::OverviewPage(const QString& text, int firstPage, int lastPage) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* intro = NamedLabel(firstPage == pgSchedule ? "lblAutorunIntro" : "lblAdvancedIntro", text);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    // Two columns of links, so that the ten advanced pages fit without scrolling.
    auto* grid = new QGridLayout;
    const int count = lastPage - firstPage + 1;
    const int rows = (count + 1) / 2;
    static const char* const descriptions[pgCount] = {
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        "At set times, or when the computer or the program starts or shuts down",
        "When a particular removable disk is plugged in",
        "When files in the source folders change",
        "With a key combination, from any program",
        "By the system, even while the program is not running",
        nullptr,
        "Programs run before and after the task",
        "A network connection opened for the task",
        "Scheduled runs skipped under some hardware profiles",
        "A limit of the copy rate",
        "A password that protects these properties",
        "What the log of the task records",
        "Dialogs, balloons, sounds and e-mails on the events of a run",
        "The priority of the task's runs",
        "What the task does on batteries",
        "The server and the sender of the task's e-mails"};
    for (int i = firstPage; i <= lastPage; ++i) {
        auto* link = new QCommandLinkButton;
        if (descriptions[i])
            link->setDescription(QString::fromUtf8(descriptions[i]));
        link->setObjectName(QStringLiteral("link%1").arg(i));
        link->setAutoDefault(false);
        connect(link, &QCommandLinkButton::clicked, this, [this, i] { SetCurrentPage(i); });
        const int n = i - firstPage;
        grid->addWidget(link, count <= 5 ? n : n % rows, count <= 5 ? 0 : n / rows);
    }
    layout->addLayout(grid);
    layout->addStretch();
    return page;
}

QWidget* TTaskPropertiesForm::BuildAutorunPage() {
    return OverviewPage(QStringLiteral("The task can start by itself. Choose how:"), pgSchedule,
                        pgMsScheduler);
}

QWidget* TTaskPropertiesForm::BuildAdvancedPage() {
    return OverviewPage(QStringLiteral("More settings of the task. Most of them can follow the defaults of "
                                       "the program (Preferences, Task Defaults)."),
                        pgRunPrograms, pgEmailSettings);
}

QWidget* TTaskPropertiesForm::BuildGeneralPage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    name_ = new QLineEdit;
    name_->setObjectName(QStringLiteral("name"));
    group_ = new QComboBox;
    group_->setObjectName(QStringLiteral("group"));
    group_->addItem(QStringLiteral("(no group)"), QString());
    for (const QString& g : data_.Groups)
        group_->addItem(g, g);
    action_ = new QComboBox;
    action_->setObjectName(QStringLiteral("action"));
    action_->addItems({QStringLiteral("Backup"), QStringLiteral("Synchronization"), QStringLiteral("Move")});
    authUser_ = new QLineEdit;
    authUser_->setObjectName(QStringLiteral("authUser"));
    authPassword_ = PasswordEdit();
    authPassword_->setObjectName(QStringLiteral("authPassword"));
    AddRow(form, "lblName", QStringLiteral("Task &name:"), name_);
    AddRow(form, "lblGroup", QStringLiteral("&Group:"), group_);
    AddRow(form, "lblAction", QStringLiteral("&Action:"), action_);
    AddRow(form, "lblAuthUser", QStringLiteral("Run as &user:"), authUser_);
    AddRow(form, "lblAuthPassword", QStringLiteral("User's pass&word:"), authPassword_);
    // The fields stay, so that a task brought from another computer can be cleared here.
    auto* authNote =
        NamedLabel("lblAuthNote", QStringLiteral("Running a task as another user is not supported "
                                                 "on this system: a task with a user set does not "
                                                 "run. Leave the user empty."));
    authNote->setWordWrap(true);
    form->addRow(QString(), authNote);
    connect(name_, &QLineEdit::textChanged, this, &TTaskPropertiesForm::UpdateTitle);
    connect(action_, &QComboBox::activated, this, &TTaskPropertiesForm::OnActionChosen);
    return page;
}

QWidget* TTaskPropertiesForm::BuildSourcePage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    sourceFolder_ = new QLineEdit;
    sourceFolder_->setObjectName(QStringLiteral("sourceFolder"));
    auto* browse = new QPushButton(QStringLiteral("..."));
    browse->setAutoDefault(false);
    browse->setFixedWidth(32);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString dir = QFileDialog::getExistingDirectory(this, QString(), sourceFolder_->text());
        if (!dir.isEmpty())
            sourceFolder_->setText(dir);
    });
    includeSubfolders_ = new QCheckBox(QStringLiteral("Include &Subfolders"));
    includeSubfolders_->setObjectName(QStringLiteral("includeSubfolders"));
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(new QLabel(QStringLiteral("&Folder:")));
    folderRow->addWidget(sourceFolder_, 1);
    folderRow->addWidget(browse);
    static_cast<QLabel*>(folderRow->itemAt(0)->widget())->setBuddy(sourceFolder_);
    layout->addLayout(folderRow);
    layout->addWidget(includeSubfolders_);

    toggleView_ = new QPushButton;
    toggleView_->setObjectName(QStringLiteral("toggleView"));
    toggleView_->setAutoDefault(false);
    connect(toggleView_, &QPushButton::clicked, this, [this] { SetMultipleView(!multipleView_); });
    layout->addWidget(Row({toggleView_}));

    multipleBox_ = new QWidget;
    auto* multiple = new QHBoxLayout(multipleBox_);
    multiple->setContentsMargins(0, 0, 0, 0);
    sourceList_ = new QTreeWidget;
    sourceList_->setObjectName(QStringLiteral("sourceList"));
    sourceList_->setRootIsDecorated(false);
    sourceList_->setHeaderLabels({QStringLiteral("Folder"), QStringLiteral("Include Subfolders")});
    sourceList_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    sourceList_->header()->setStretchLastSection(false);
    sourceList_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    multiple->addWidget(sourceList_, 1);
    auto* side = new QVBoxLayout;
    auto addButton = [this, side](const QString& caption, const char* name, auto slot) {
        auto* button = new QPushButton(caption);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, slot);
        side->addWidget(button);
    };
    addButton(QStringLiteral("&Add"), "sourceAdd", [this] { AddSourceRow(); });
    addButton(QStringLiteral("&Edit"), "sourceEdit", [this] { EditSourceRow(); });
    addButton(QStringLiteral("&Remove"), "sourceRemove", [this] { RemoveSourceRow(); });
    addButton(QStringLiteral("Select M&ultiple Folders..."), "sourceSelectMultiple", [this] {
        QStringList folders;
        for (const TSourceFolder& source : edited_.SourceFolders)
            folders.append(source.Folder);
        if (!TFoldersCheckSelectForm::Picker || !TFoldersCheckSelectForm::Picker(this, folders))
            return;
        edited_.SourceFolders =
            MergeChosenFolders(edited_.SourceFolders, folders, includeSubfolders_->isChecked());
        RefreshSourceList();
        // One folder needs no list.
        if (edited_.SourceFolders.size() == 1)
            SetMultipleView(false);
    });
    side->addStretch();
    multiple->addLayout(side);
    layout->addWidget(multipleBox_, 1);
    layout->addStretch();
    connect(sourceList_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        const int row = item ? sourceList_->indexOfTopLevelItem(item) : -1;
        if (row >= 0 && row < edited_.SourceFolderCount()) {
            sourceFolder_->setText(edited_.SourceFolders[static_cast<size_t>(row)].Folder);
            includeSubfolders_->setChecked(edited_.SourceFolders[static_cast<size_t>(row)].IncludeSubfolders);
        }
    });
    return page;
}

QWidget* TTaskPropertiesForm::BuildDestinationPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    destType_ = new QComboBox;
    destType_->setObjectName(QStringLiteral("destType"));
    destType_->addItems({QStringLiteral("Backup to Local/LAN"), QStringLiteral("Backup to FTP location")});
    layout->addWidget(destType_);
    connect(destType_, &QComboBox::activated, this, &TTaskPropertiesForm::OnDestinationChosen);

    localBox_ = Named(new QGroupBox(QStringLiteral("Local or network folder")), "localBox");
    auto* local = new QFormLayout(localBox_);
    destLocal_ = new QLineEdit;
    destLocal_->setObjectName(QStringLiteral("destLocal"));
    auto* browse = Button(QStringLiteral("..."), "destLocalBrowse");
    browse->setFixedWidth(32);
    browse->setToolTip(QStringLiteral("Browse for the folder"));
    connect(browse, &QPushButton::clicked, this, [this] {
        const auto& ask = PropertiesServices().AskFolder;
        const QString dir = ask ? ask(this, destLocal_->text())
                                : QFileDialog::getExistingDirectory(this, QString(), destLocal_->text());
        if (!dir.isEmpty())
            destLocal_->setText(dir);
    });
    auto* localRow = new QWidget;
    auto* localRowLayout = new QHBoxLayout(localRow);
    localRowLayout->setContentsMargins(0, 0, 0, 0);
    localRowLayout->addWidget(destLocal_, 1);
    localRowLayout->addWidget(browse);
    local->addRow(NamedLabel("lblDestLocal", QStringLiteral("&Folder:"), destLocal_), localRow);
    destLocalExpanded_ = new QLabel;
    destLocalExpanded_->setObjectName(QStringLiteral("destLocalExpanded"));
    destLocalExpanded_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    local->addRow(QString(), destLocalExpanded_);
    connect(destLocal_, &QLineEdit::textChanged, this, [this] {
        TTask probe;
        probe.DestLocal = destLocal_->text();
        destLocalExpanded_->setText(destLocal_->text().trimmed().isEmpty() ? QString()
                                                                           : probe.DestinationFolder(-1));
    });
    layout->addWidget(localBox_);

    ftpBox_ = Named(new QGroupBox(QStringLiteral("FTP server")), "ftpBox");
    auto* ftp = new QFormLayout(ftpBox_);
    ftpAddress_ = new QLineEdit;
    ftpAddress_->setObjectName(QStringLiteral("ftpAddress"));
    ftpFolder_ = new QLineEdit;
    ftpFolder_->setObjectName(QStringLiteral("ftpFolder"));
    ftpPort_ = Spin(0, 65535);
    ftpPort_->setObjectName(QStringLiteral("ftpPort"));
    ftpPort_->setMaximumWidth(100);
    ftpLogin_ = new QLineEdit;
    ftpLogin_->setObjectName(QStringLiteral("ftpLogin"));
    ftpPassword_ = PasswordEdit();
    ftpPassword_->setObjectName(QStringLiteral("ftpPassword"));
    ftpPassive_ = new QCheckBox(QStringLiteral("&Passive mode"));
    ftpPassive_->setObjectName(QStringLiteral("ftpPassive"));
    ftpSecurity_ = new QComboBox;
    ftpSecurity_->setObjectName(QStringLiteral("ftpSecurity"));
    ftpSecurity_->addItem(QStringLiteral("Plain FTP"), QStringLiteral("None"));
    ftpSecurity_->addItem(QStringLiteral("FTP with explicit TLS"), QStringLiteral("TLS"));
    ftpSecurity_->addItem(QStringLiteral("SFTP"), QStringLiteral("SFTP"));
    ftpAcceptSelfSigned_ =
        new QCheckBox(QStringLiteral("Accept a self-signed certificate or an unknown host key"));
    ftpAcceptSelfSigned_->setObjectName(QStringLiteral("ftpAcceptSelfSigned"));
    AddRow(ftp, "lblFtpAddress", QStringLiteral("&Address:"), ftpAddress_);
    AddRow(ftp, "lblFtpFolder", QStringLiteral("Fol&der:"), ftpFolder_);
    AddRow(ftp, "lblFtpPort", QStringLiteral("P&ort (0 = from address):"), ftpPort_);
    AddRow(ftp, "lblFtpLogin", QStringLiteral("&Login:"), ftpLogin_);
    AddRow(ftp, "lblFtpPassword", QStringLiteral("Pass&word:"), ftpPassword_);
    ftp->addRow(QString(), ftpPassive_);
    AddRow(ftp, "lblFtpSecurity", QStringLiteral("&Security:"), ftpSecurity_);
    ftp->addRow(QString(), ftpAcceptSelfSigned_);
    // Proxy, reconnection and time-out live in their own dialog; its values reach the task on OK there
    // and, with everything else, only when this dialog ends with OK.
    ftpAdvanced_ = Button(QStringLiteral("Ad&vanced..."), "ftpAdvanced");
    connect(ftpAdvanced_, &QPushButton::clicked, this, [this] { EditFtpAdvanced(this, edited_); });
    ftp->addRow(QString(), Row({ftpAdvanced_}));
    connect(ftpSecurity_, &QComboBox::currentIndexChanged, this, &TTaskPropertiesForm::UpdateEnabling);
    layout->addWidget(ftpBox_);
    layout->addStretch();
    return page;
}

QWidget* TTaskPropertiesForm::BuildFiltersPage() {
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);
    filterList_ = new QListWidget;
    filterList_->setObjectName(QStringLiteral("filterList"));
    layout->addWidget(filterList_, 1);
    auto* side = new QVBoxLayout;
    auto addButton = [this, side](const QString& caption, const char* name, auto slot) {
        auto* button = new QPushButton(caption);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, slot);
        side->addWidget(button);
        return button;
    };
    addButton(QStringLiteral("&Add..."), "filterAdd", [this] {
        TTaskFilterItem item;
        if (EditFilterItem(edited_, item, this))
            AddFilter(item, false);
    });
    auto* presets = addButton(QStringLiteral("Add &Preset"), "filterPresets", [] {});
    auto* menu = new QMenu(presets);
    menu->setObjectName(QStringLiteral("presetMenu"));
    QMenu* include = menu->addMenu(QStringLiteral("Add Preset - Include"));
    QMenu* exclude = menu->addMenu(QStringLiteral("Add preset - Exclude"));
    for (const TFilterPreset& preset : FilterPresets()) {
        QMenu* target = preset.type == TFilterType::fitInclude ? include : exclude;
        QAction* action = target->addAction(QString::fromUtf8(preset.caption));
        connect(action, &QAction::triggered, this,
                [this, &preset] { AddFilter(MakePresetFilter(preset), true); });
    }
    presets->setMenu(menu);
    addButton(QStringLiteral("&Modify..."), "filterModify", [this] { EditFilter(); });
    addButton(QStringLiteral("&Remove"), "filterRemove", [this] { RemoveFilter(); });
    addButton(QStringLiteral("Move &Up"), "filterUp", [this] { MoveFilter(-1); });
    addButton(QStringLiteral("Move Do&wn"), "filterDown", [this] { MoveFilter(1); });
    side->addSpacing(12);
    addButton(QStringLiteral("&Test Current Filters..."), "filterTest", [this] {
        // The test walks what the dialog shows now: the action, the source folders and the archive
        // choices are taken from the controls first (Cancel still leaves the task as it was).
        StoreControls();
        ShowFiltersTest(edited_, this);
    });
    side->addStretch();
    layout->addLayout(side);
    connect(filterList_, &QListWidget::itemDoubleClicked, this, [this] { EditFilter(); });
    return page;
}

QWidget* TTaskPropertiesForm::BuildCompressionPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    compressUse_ = new QCheckBox(QStringLiteral("Use &compression"));
    compressUse_->setObjectName(QStringLiteral("compressUse"));
    layout->addWidget(compressUse_);
    auto* form = new QFormLayout;
    compressType_ = new QComboBox;
    compressType_->setObjectName(QStringLiteral("compressType"));
    compressType_->addItem(BuiltinCaption(), TExternalCompressorsSettings::BuiltinName);
    {
        std::lock_guard lock(PackerSettingsMutex());
        const TExternalCompressorsSettings& table = ExternalCompressors();
        for (int i = 0; i < table.Count(); ++i)
            compressType_->addItem(table[i].Name(), table[i].Name());
    }
    AddRow(form, "lblCompressor", QStringLiteral("Compressor:"), compressType_);
    compressSingle_ = new QRadioButton(QStringLiteral("Compress all files into a single archive:"));
    compressSingle_->setObjectName(QStringLiteral("compressSingle"));
    compressSeparate_ = new QRadioButton(QStringLiteral("Compress each file into its own archive"));
    compressSeparate_->setObjectName(QStringLiteral("compressSeparate"));
    compressFilename_ = new QLineEdit;
    compressFilename_->setObjectName(QStringLiteral("compressFilename"));
    form->addRow(compressSingle_);
    AddRow(form, "lblArchiveName", QStringLiteral("    Archive name:"), compressFilename_);
    form->addRow(compressSeparate_);
    compressPassword_ = PasswordEdit();
    compressPassword_->setObjectName(QStringLiteral("compressPassword"));
    compressPassword2_ = PasswordEdit();
    compressPassword2_->setObjectName(QStringLiteral("compressPassword2"));
    AddRow(form, "lblArchivePassword", QStringLiteral("Archive password:"), compressPassword_);
    AddRow(form, "lblConfirmPassword", QStringLiteral("Confirm password:"), compressPassword2_);
    compressEncryption_ = new QComboBox;
    compressEncryption_->setObjectName(QStringLiteral("compressEncryption"));
    compressEncryption_->addItem(QStringLiteral("PKWARE (readable everywhere, weak)"),
                                 QStringLiteral("PKWARE"));
    compressEncryption_->addItem(QStringLiteral("AES-256"), QStringLiteral("AES256"));
    AddRow(form, "lblZipEncryption", QStringLiteral("Zip encryption:"), compressEncryption_);
    compressLevel_ = Spin(0, 9);
    compressLevel_->setObjectName(QStringLiteral("compressLevel"));
    AddRow(form, "lblLevel", QStringLiteral("Level:"),
           Row({compressLevel_,
                NamedLabel("lblLevelHint", QStringLiteral("(0=store, 9=maximum compression)"))}));
    layout->addLayout(form);
    layout->addStretch();
    connect(compressUse_, &QCheckBox::toggled, this, [this] {
        UpdateEnabling();
        UpdateArchiveName();
    });
    connect(compressType_, &QComboBox::currentIndexChanged, this, [this] {
        UpdateEnabling();
        UpdateArchiveName();
    });
    connect(compressSingle_, &QRadioButton::toggled, this, [this] {
        UpdateEnabling();
        UpdateArchiveName();
    });
    return page;
}

QWidget* TTaskPropertiesForm::BuildEncryptionPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    cryptUse_ = new QCheckBox(QStringLiteral("Use &encryption"));
    cryptUse_->setObjectName(QStringLiteral("cryptUse"));
    layout->addWidget(cryptUse_);
    auto* form = new QFormLayout;
    cryptType_ = new QComboBox;
    cryptType_->setObjectName(QStringLiteral("cryptType"));
    {
        std::lock_guard lock(PackerSettingsMutex());
        const TExternalEncryptorsSettings& table = ExternalEncryptors();
        for (int i = 0; i < table.Count(); ++i)
            cryptType_->addItem(table[i].Name(), table[i].Name());
    }
    cryptPassword_ = PasswordEdit();
    cryptPassword_->setObjectName(QStringLiteral("cryptPassword"));
    cryptPassword2_ = PasswordEdit();
    cryptPassword2_->setObjectName(QStringLiteral("cryptPassword2"));
    AddRow(form, "lblEncryptor", QStringLiteral("Encryptor:"), cryptType_);
    AddRow(form, "lblPassword", QStringLiteral("Password:"), cryptPassword_);
    AddRow(form, "lblConfirmPasswordEncryption", QStringLiteral("Confirm password:"), cryptPassword2_);
    layout->addLayout(form);
    layout->addStretch();
    connect(cryptUse_, &QCheckBox::toggled, this, &TTaskPropertiesForm::UpdateEnabling);
    return page;
}

QWidget* TTaskPropertiesForm::BuildOldVersionsPage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    versionsKind_ = new QComboBox;
    versionsKind_->setObjectName(QStringLiteral("versionsKind"));
    versionsKind_->addItems({QStringLiteral("Don't keep old versions (overwrite)"),
                             QStringLiteral("Keep old versions in the destination folder"),
                             QStringLiteral("Keep old versions in the archive folder")});
    versionsFolder_ = new QLineEdit;
    versionsFolder_->setObjectName(QStringLiteral("versionsFolder"));
    versionsKeepStruct_ =
        Named(new QCheckBox(QStringLiteral("Keep the folder structure in the archive folder")),
              "versionsKeepStruct");
    versionsNum_ = Spin(0, 32767);
    versionsNum_->setObjectName(QStringLiteral("versionsNum"));
    versionsNum_->setSpecialValueText(QStringLiteral("unlimited"));
    AddRow(form, "lblOldVersions", QStringLiteral("Old versions:"), versionsKind_);
    AddRow(form, "lblArchiveFolder", QStringLiteral("Archive folder:"), versionsFolder_);
    form->addRow(QString(), versionsKeepStruct_);
    AddRow(form, "lblSaveTheLast", QStringLiteral("Save the last:"), versionsNum_);
    connect(versionsKind_, &QComboBox::currentIndexChanged, this, &TTaskPropertiesForm::UpdateEnabling);
    return page;
}

QWidget* TTaskPropertiesForm::BuildObsoletePage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    deleteKind_ = new QComboBox;
    deleteKind_->setObjectName(QStringLiteral("deleteKind"));
    deleteKind_->addItems({QStringLiteral("Leave them in the destination"), QStringLiteral("Delete them"),
                           QStringLiteral("Delete them to the trash"),
                           QStringLiteral("Keep them in the destination folder, renamed"),
                           QStringLiteral("Move them to the archive folder")});
    deletedFolder_ = new QLineEdit;
    deletedFolder_->setObjectName(QStringLiteral("deletedFolder"));
    deletedKeepStruct_ =
        Named(new QCheckBox(QStringLiteral("Keep the folder structure in the archive folder")),
              "deletedKeepStruct");
    deleteEmptyFolders_ = Named(new QCheckBox(QStringLiteral("Delete empty folders")), "deleteEmptyFolders");
    deletedNum_ = Spin(0, 32767);
    deletedNum_->setObjectName(QStringLiteral("deletedNum"));
    deletedNum_->setSpecialValueText(QStringLiteral("unlimited"));
    AddRow(form, "lblFilesDeletedAtThe", QStringLiteral("Files deleted at the source:"), deleteKind_);
    AddRow(form, "lblArchiveFolderObsolete", QStringLiteral("Archive folder:"), deletedFolder_);
    form->addRow(QString(), deletedKeepStruct_);
    form->addRow(QString(), deleteEmptyFolders_);
    AddRow(form, "lblKeepTheLast", QStringLiteral("Keep the last:"), deletedNum_);
    connect(deleteKind_, &QComboBox::currentIndexChanged, this, &TTaskPropertiesForm::UpdateEnabling);
    return page;
}

QWidget* TTaskPropertiesForm::BuildOptionsPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto add = [layout](const char* caption, const char* name) {
        auto* box = new QCheckBox(QString::fromUtf8(caption));
        box->setObjectName(QString::fromLatin1(name));
        layout->addWidget(box);
        return box;
    };
    optOverwriteNewer_ =
        add("Overwrite destination files even if they are newer than source files", "optOverwriteNewer");
    optSyncDeletions_ = add("Synchronize file deletions", "optSyncDeletions");
    optCopyInUse_ = add("Try to process files in use", "optCopyInUse");
    optCompare_ = add("Compare each copy with its source after copying (CRC32)", "optCompare");
    optKeepStructure_ = add("Keep the folder structure from the root of the source", "optKeepStructure");
    optCopyIfZero_ =
        add("Copy a source file of zero length over a non-empty destination file", "optCopyIfZero");
    optDontSkipBigger_ =
        add("Copy when the dates are equal but the source file is bigger", "optDontSkipBigger");
    optClearArchiveBit_ = add("Clear the source archive bit after copying", "optClearArchiveBit");
    optDisableIndex_ = add("Don't use index files", "optDisableIndex");
    layout->addStretch();
    return page;
}

QWidget* TTaskPropertiesForm::BuildErrorHandlingPage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    retries_ = Spin(0, 32767);
    retries_->setObjectName(QStringLiteral("retries"));
    pauseBeforeRetry_ = Named(Spin(0, 32767), "pauseBeforeRetry");
    maxErrors_ = Named(Spin(0, 32767), "maxErrors");
    flagAutoReset_ =
        Named(new QCheckBox(QStringLiteral("Reset the error flag automatically after")), "flagAutoReset");
    flagAutoResetValue_ = Named(Spin(1, 32767), "flagAutoResetValue");
    flagAutoResetUnit_ = Named(new QComboBox, "flagAutoResetUnit");
    flagAutoResetUnit_->addItems({QStringLiteral("seconds"), QStringLiteral("minutes"),
                                  QStringLiteral("hours"), QStringLiteral("days")});
    AddRow(form, "lblRetriesOnAnError", QStringLiteral("Retries on an error:"), retries_);
    AddRow(form, "lblPauseBeforeARetry", QStringLiteral("Pause before a retry (seconds):"),
           pauseBeforeRetry_);
    AddRow(form, "lblStopTheRunAfter", QStringLiteral("Stop the run after this many errors:"), maxErrors_);
    form->addRow(flagAutoReset_, Row({flagAutoResetValue_, flagAutoResetUnit_}));
    errorState_ = new QLabel;
    errorState_->setObjectName(QStringLiteral("errorState"));
    resetNow_ = new QPushButton(QStringLiteral("Reset Now"));
    resetNow_->setObjectName(QStringLiteral("resetNow"));
    resetNow_->setAutoDefault(false);
    AddRow(form, "lblErrorFlag", QStringLiteral("Error flag:"), Row({errorState_, resetNow_}));
    connect(flagAutoReset_, &QCheckBox::toggled, this, &TTaskPropertiesForm::UpdateEnabling);
    connect(resetNow_, &QPushButton::clicked, this, [this] {
        // The flag is run-time state: cleared at once, whatever the dialog ends with.
        original_.ClearErrorFlag();
        LoadErrorState();
    });
    return page;
}

QWidget* TTaskPropertiesForm::BuildSchedulePage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    scheduleList_ = new QListWidget;
    scheduleList_->setObjectName(QStringLiteral("scheduleList"));
    row->addWidget(scheduleList_, 1);
    auto* side = new QVBoxLayout;
    auto* add = new QPushButton(QStringLiteral("&Add..."));
    add->setObjectName(QStringLiteral("scheduleAdd"));
    add->setAutoDefault(false);
    connect(add, &QPushButton::clicked, this, [this] {
        TTaskScheduleItem item;
        if (!EditScheduleItem(this, item))
            return;
        edited_.Schedule.push_back(item);
        RefreshScheduleList();
        scheduleList_->setCurrentRow(scheduleList_->count() - 1);
    });
    side->addWidget(add);
    auto* modify = new QPushButton(QStringLiteral("&Modify..."));
    modify->setObjectName(QStringLiteral("scheduleModify"));
    modify->setAutoDefault(false);
    connect(modify, &QPushButton::clicked, this, [this] {
        const int row = scheduleList_->currentRow();
        if (row < 0 || row >= static_cast<int>(edited_.Schedule.size()))
            return;
        TTaskScheduleItem item = edited_.Schedule[static_cast<size_t>(row)];
        if (!EditScheduleItem(this, item))
            return;
        edited_.Schedule[static_cast<size_t>(row)] = item;
        RefreshScheduleList();
        scheduleList_->setCurrentRow(row);
    });
    side->addWidget(modify);
    auto* remove = new QPushButton(QStringLiteral("&Remove"));
    remove->setObjectName(QStringLiteral("scheduleRemove"));
    remove->setAutoDefault(false);
    connect(remove, &QPushButton::clicked, this, &TTaskPropertiesForm::RemoveSchedule);
    side->addWidget(remove);
    side->addStretch();
    row->addLayout(side);
    layout->addLayout(row, 1);
    skipMissed_ = new QCheckBox(QStringLiteral("Skip the runs missed while the program was not running"));
    skipMissed_->setObjectName(QStringLiteral("skipMissed"));
    layout->addWidget(skipMissed_);
    connect(scheduleList_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        const int row = scheduleList_->row(item);
        if (row >= 0 && row < static_cast<int>(edited_.Schedule.size()))
            edited_.Schedule[static_cast<size_t>(row)].Enabled = item->checkState() == Qt::Checked;
    });
    return page;
}

// ---------------------------------------------------------------------------------------------------
// Bound controls and the advanced pages

QCheckBox* TTaskPropertiesForm::BoundCheck(const QString& caption, const char* name,
                                           bool TTaskOptions::*field) {
    auto* box = new QCheckBox(caption);
    box->setObjectName(QString::fromLatin1(name));
    loaders_.push_back([this, box, field] { box->setChecked(edited_.*field); });
    storers_.push_back([this, box, field] { edited_.*field = box->isChecked(); });
    return box;
}

QLineEdit* TTaskPropertiesForm::BoundText(const char* name, QString TTaskOptions::*field, bool password) {
    auto* edit = password ? PasswordEdit() : new QLineEdit;
    edit->setObjectName(QString::fromLatin1(name));
    loaders_.push_back([this, edit, field] { edit->setText(edited_.*field); });
    storers_.push_back([this, edit, field] { edited_.*field = edit->text(); });
    return edit;
}

QSpinBox* TTaskPropertiesForm::BoundSpin(const char* name, int TTaskOptions::*field, int min, int max) {
    auto* spin = Spin(min, max);
    spin->setObjectName(QString::fromLatin1(name));
    loaders_.push_back([this, spin, field] { spin->setValue(edited_.*field); });
    storers_.push_back([this, spin, field] { edited_.*field = spin->value(); });
    return spin;
}

QWidget* TTaskPropertiesForm::DefaultGroup(QVBoxLayout* layout, const QString& caption, const char* name,
                                           bool TTaskOptions::*field) {
    QCheckBox* useDefault = BoundCheck(caption, name, field);
    layout->addWidget(useDefault);
    auto* body = new QWidget;
    layout->addWidget(body);
    connect(useDefault, &QCheckBox::toggled, body, [body](bool on) { body->setEnabled(!on); });
    loaders_.push_back([useDefault, body] { body->setEnabled(!useDefault->isChecked()); });
    return body;
}

QWidget* TTaskPropertiesForm::BuildFolderMonitorPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(BoundCheck(QStringLiteral("Start the task when its source folders change"),
                                 "monitorUse", &TTaskOptions::FolderMonitor_Use));
    auto* group = Named(new QGroupBox(QStringLiteral("Changes to watch")), "monitorChanges");
    auto* watch = new QVBoxLayout(group);
    watch->addWidget(
        BoundCheck(QStringLiteral("File names"), "monitorFileName", &TTaskOptions::MonitorFileName));
    watch->addWidget(
        BoundCheck(QStringLiteral("Folder names"), "monitorFolderName", &TTaskOptions::MonitorFolderName));
    watch->addWidget(
        BoundCheck(QStringLiteral("Attributes"), "monitorAttributes", &TTaskOptions::MonitorAttributes));
    watch->addWidget(BoundCheck(QStringLiteral("Size"), "monitorSize", &TTaskOptions::MonitorSize));
    watch->addWidget(
        BoundCheck(QStringLiteral("Last write time"), "monitorLastWrite", &TTaskOptions::MonitorLastWrite));
    watch->addWidget(
        BoundCheck(QStringLiteral("Security"), "monitorSecurity", &TTaskOptions::MonitorSecurity));
    layout->addWidget(group);
    auto* use = page->findChild<QCheckBox*>(QStringLiteral("monitorUse"));
    connect(use, &QCheckBox::toggled, group, &QWidget::setEnabled);
    loaders_.push_back([use, group] { group->setEnabled(use->isChecked()); });
    layout->addWidget(
        Row({BoundCheck(QStringLiteral("Wait"), "monitorDoWait", &TTaskOptions::DoWait),
             BoundSpin("monitorWaitSeconds", &TTaskOptions::WaitSeconds, 0, 32767),
             NamedLabel("lblMonitorWait", QStringLiteral("seconds after the last change before starting"))}));
    layout->addStretch();
    return page;
}

QWidget* TTaskPropertiesForm::BuildRunProgramsPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    QWidget* body = DefaultGroup(layout, QStringLiteral("Use the default/common Run Programs settings"),
                                 "runProgramsDefault", &TTaskOptions::RunPrograms_UseDefault);
    auto* form = new QFormLayout(body);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(BoundCheck(QStringLiteral("Run before the task:"), "runBefore", &TTaskOptions::Before),
                 BoundText("runBeforeProgram", &TTaskOptions::BeforeProgramName));
    form->addRow(QString(), BoundCheck(QStringLiteral("Wait until it ends"), "runBeforeWait",
                                       &TTaskOptions::BeforeWaitProgram));
    form->addRow(BoundCheck(QStringLiteral("Run after the task:"), "runAfter", &TTaskOptions::After),
                 BoundText("runAfterProgram", &TTaskOptions::AfterProgramName));
    form->addRow(QString(), BoundCheck(QStringLiteral("Wait until it ends"), "runAfterWait",
                                       &TTaskOptions::AfterWaitProgram));
    layout->addStretch();
    return page;
}

QWidget* TTaskPropertiesForm::BuildBandwidthPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    QWidget* body = DefaultGroup(layout, QStringLiteral("Use the default/common bandwidth settings"),
                                 "bandwidthDefault", &TTaskOptions::Bandwidth_UseDefault);
    measureKind_ = new QComboBox;
    measureKind_->setObjectName(QStringLiteral("measureKind"));
    measureKind_->addItems({QStringLiteral("KBits/s"), QStringLiteral("MBits/s")});
    loaders_.push_back([this] { measureKind_->setCurrentIndex(static_cast<int>(edited_.MeasureKind)); });
    storers_.push_back(
        [this] { edited_.MeasureKind = static_cast<TBandwidthMeasure>(measureKind_->currentIndex()); });
    auto* row = new QHBoxLayout(body);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(
        BoundCheck(QStringLiteral("Limit the copy rate to"), "bandwidthUse", &TTaskOptions::Bandwidth_Use));
    row->addWidget(BoundSpin("bandwidthValue", &TTaskOptions::Bandwidth_Value, 1, 32767));
    row->addWidget(measureKind_);
    row->addStretch();
    layout->addStretch();
    return page;
}

QWidget* TTaskPropertiesForm::BuildTaskPasswordPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    QWidget* body = DefaultGroup(layout, QStringLiteral("Use the default/common task password"),
                                 "protectionDefault", &TTaskOptions::Protection_UseDefault);
    protectionDefault_ = page->findChild<QCheckBox*>(QStringLiteral("protectionDefault"));
    auto* form = new QFormLayout(body);
    form->setContentsMargins(0, 0, 0, 0);
    protectionPassword_ = BoundText("protectionPassword", &TTaskOptions::Protection_Password, true);
    protectionPassword2_ = PasswordEdit();
    protectionPassword2_->setObjectName(QStringLiteral("protectionPassword2"));
    loaders_.push_back([this] { protectionPassword2_->setText(edited_.Protection_Password); });
    AddRow(form, "lblPasswordTaskPassword", QStringLiteral("Password:"), protectionPassword_);
    AddRow(form, "lblConfirmPasswordTaskPassword", QStringLiteral("Confirm password:"), protectionPassword2_);
    AddRow(form, "lblReminder", QStringLiteral("Reminder:"),
           BoundText("protectionReminder", &TTaskOptions::Reminder));
    layout->addWidget(
        NamedLabel("lblProtectionHint",
                   QStringLiteral("The password is asked before the properties of the task open.")));
    layout->addStretch();
    return page;
}

QWidget* TTaskPropertiesForm::BuildLogSettingsPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    QWidget* body = DefaultGroup(layout, QStringLiteral("Use the default/common logging settings"),
                                 "logDefault", &TTaskOptions::Log_UseDefault);
    auto* form = new QFormLayout(body);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(BoundCheck(QStringLiteral("Write a log"), "logEnabled", &TTaskOptions::Log_Enabled));
    AddRow(form, "lblLogFile", QStringLiteral("Log file:"),
           BoundText("logFileName", &TTaskOptions::Log_FileName));
    QSpinBox* maxSize = BoundSpin("logMaxSize", &TTaskOptions::MaxSize, 0, 2000000000);
    maxSize->setSpecialValueText(QStringLiteral("restart at every program start"));
    AddRow(form, "lblLargestSizeKB", QStringLiteral("Largest size (KB):"), maxSize);
    form->addRow(BoundCheck(QStringLiteral("Summary"), "logSummary", &TTaskOptions::IncludeSummary));
    form->addRow(BoundCheck(QStringLiteral("Processed files"), "logFiles", &TTaskOptions::IncludeFiles));
    form->addRow(BoundCheck(QStringLiteral("Skipped files"), "logSkipping", &TTaskOptions::IncludeSkipping));
    form->addRow(BoundCheck(QStringLiteral("Warnings"), "logWarnings", &TTaskOptions::IncludeWarnings));
    form->addRow(BoundCheck(QStringLiteral("Errors"), "logErrors", &TTaskOptions::IncludeErrors));
    form->addRow(BoundCheck(QStringLiteral("FTP commands"), "logFtp", &TTaskOptions::IncludeFtp));
    form->addRow(BoundCheck(QStringLiteral("Output of outside programs"), "logConsole",
                            &TTaskOptions::IncludeConsole));
    layout->addStretch();
    return page;
}

QWidget* TTaskPropertiesForm::BuildAutoDialPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    QWidget* body = DefaultGroup(layout, QStringLiteral("Use the default/common dial-up settings"),
                                 "dialDefault", &TTaskOptions::Dial_UseDefault);
    auto* form = new QFormLayout(body);
    form->setContentsMargins(0, 0, 0, 0);
    AddRow(form, "lblConnection", QStringLiteral("Connection:"),
           BoundText("dialEntry", &TTaskOptions::DialEntry));
    layout->addWidget(BoundCheck(QStringLiteral("Disconnect after the task"), "dialDisconnect",
                                 &TTaskOptions::DisconnectAfter));
    layout->addStretch();
    return page;
}

QWidget* TTaskPropertiesForm::BuildHardwareProfilePage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    QWidget* body = DefaultGroup(layout, QStringLiteral("Use the default/common hardware profile settings"),
                                 "hardwareDefault", &TTaskOptions::HardwareProfile_UseDefault);
    auto* form = new QVBoxLayout(body);
    form->setContentsMargins(0, 0, 0, 0);
    form->addWidget(NamedLabel("lblHardwareSkip",
                               QStringLiteral("Skip scheduled runs under the profiles (comma-separated):")));
    form->addWidget(BoundText("hardwareSkipList", &TTaskOptions::SkipList));
    layout->addStretch();
    return page;
}

QWidget* TTaskPropertiesForm::BuildCpuPerformancePage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    QWidget* body = DefaultGroup(layout, QStringLiteral("Use the default/common CPU performance settings"),
                                 "cpuDefault", &TTaskOptions::Performance_UseDefault);
    auto* priority = new QComboBox;
    priority->setObjectName(QStringLiteral("cpuPriority"));
    priority->addItems({QStringLiteral("Idle"), QStringLiteral("Low"), QStringLiteral("Below Normal"),
                        QStringLiteral("Normal"), QStringLiteral("Above Normal"), QStringLiteral("High"),
                        QStringLiteral("Realtime")});
    loaders_.push_back([this, priority] {
        priority->setCurrentIndex(std::min<int>(edited_.CpuPerformance, priority->count() - 1));
    });
    storers_.push_back(
        [this, priority] { edited_.CpuPerformance = static_cast<quint8>(priority->currentIndex()); });
    auto* form = new QFormLayout(body);
    form->setContentsMargins(0, 0, 0, 0);
    AddRow(form, "lblPriorityOfTheRun", QStringLiteral("Priority of the run:"), priority);
    layout->addStretch();
    return page;
}

QWidget* TTaskPropertiesForm::BuildPowerManagementPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    QWidget* body = DefaultGroup(layout, QStringLiteral("Use the default/common power management settings"),
                                 "powerDefault", &TTaskOptions::PowerManagement_UseDefault);
    auto* form = new QFormLayout(body);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(BoundCheck(QStringLiteral("Don't start the task on batteries"), "powerNoBatteries",
                            &TTaskOptions::DontStartOnBatteries));
    form->addRow(BoundCheck(QStringLiteral("Wake the computer to run the task"), "powerWake",
                            &TTaskOptions::WakeToRun));
    auto* battery = new QComboBox;
    battery->setObjectName(QStringLiteral("powerBatteryMode"));
    battery->addItem(QStringLiteral("Continue"), QStringLiteral("C"));
    battery->addItem(QStringLiteral("Suspend"), QStringLiteral("S"));
    battery->addItem(QStringLiteral("Abort"), QStringLiteral("A"));
    loaders_.push_back([this, battery] {
        const int index = battery->findData(edited_.BatteryMode);
        battery->setCurrentIndex(index < 0 ? 0 : index);
    });
    storers_.push_back([this, battery] { edited_.BatteryMode = battery->currentData().toString(); });
    AddRow(form, "lblWhenTheComputerSwitches", QStringLiteral("When the computer switches to batteries:"),
           battery);
    layout->addStretch();
    return page;
}

QWidget* TTaskPropertiesForm::BuildEmailSettingsPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    QWidget* body = DefaultGroup(layout, QStringLiteral("Use the default/common e-mail settings"),
                                 "emailDefault", &TTaskOptions::EmailSettings_UseDefault);
    auto* form = new QFormLayout(body);
    form->setContentsMargins(0, 0, 0, 0);
    QLineEdit* server = BoundText("smtpServer", &TTaskOptions::SmtpServer);
    AddRow(form, "lblSMTPServer", QStringLiteral("SMTP &server:"), server);
    QSpinBox* port = BoundSpin("smtpPort", &TTaskOptions::SmtpServerPort, 1, 65535);
    port->setMaximumWidth(100);
    AddRow(form, "lblPort", QStringLiteral("P&ort:"), port);
    QCheckBox* auth = BoundCheck(QStringLiteral("The server needs a &login"), "smtpAuthUse",
                                 &TTaskOptions::SmtpServerAuthUse);
    form->addRow(auth);
    QLineEdit* user = BoundText("smtpUser", &TTaskOptions::SmtpServerAuthUser);
    AddRow(form, "lblUser", QStringLiteral("&User:"), user);
    QLineEdit* password = BoundText("smtpPassword", &TTaskOptions::SmtpServerAuthPassword, true);
    AddRow(form, "lblPasswordEmailSettings", QStringLiteral("Pass&word:"), password);
    QLineEdit* from = BoundText("emailFrom", &TTaskOptions::From);
    AddRow(form, "lblFrom", QStringLiteral("&From:"), from);
    QLineEdit* subject = BoundText("emailSubject", &TTaskOptions::Subject);
    AddRow(form, "lblSubject", QStringLiteral("Su&bject:"), subject);
    // The recipient is the task's own in either case: the defaults have no say in it.
    emailTo_ = BoundText("emailTo", &TTaskOptions::To);
    auto* toForm = new QFormLayout;
    QLabel* toLabel = NamedLabel("lblEmailTo", QStringLiteral("&To:"), emailTo_);
    toForm->addRow(toLabel, emailTo_);
    // The test sends what the page shows, without storing it. With the defaults in use it is off: the
    // fields shown would not be the ones the task sends with.
    auto* test = Button(QStringLiteral("Send Test &Email"), "emailTest");
    connect(test, &QPushButton::clicked, this, [=, this] {
        SendTestEmail(TEmailFields{server, port, auth, user, password, emailTo_, from, subject}.Entered());
    });
    toForm->addRow(QString(), Row({test}));
    layout->addLayout(toForm);
    auto* useDefault = page->findChild<QCheckBox*>(QStringLiteral("emailDefault"));
    connect(useDefault, &QCheckBox::toggled, test, [test](bool on) { test->setEnabled(!on); });
    loaders_.push_back([useDefault, test] { test->setEnabled(!useDefault->isChecked()); });
    // Both forms' fields start at the same place.
    int labelWidth = 0;
    for (QLabel* label : body->findChildren<QLabel*>())
        labelWidth = std::max(labelWidth, label->sizeHint().width());
    toLabel->setMinimumWidth(labelWidth);
    connect(auth, &QCheckBox::toggled, this, [user, password](bool on) {
        user->setEnabled(on);
        password->setEnabled(on);
    });
    loaders_.push_back([auth, user, password] {
        user->setEnabled(auth->isChecked());
        password->setEnabled(auth->isChecked());
    });
    layout->addStretch();
    return page;
}

// ---------------------------------------------------------------------------------------------------
// Media SmartDetect, hot key and the system task scheduler

QWidget* TTaskPropertiesForm::BuildSmartDetectPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    smartDetectUse_ = Named(new QCheckBox(QStringLiteral("&Start the task when the removable disk below is "
                                                         "plugged in")),
                            "smartDetectUse");
    layout->addWidget(smartDetectUse_);
    auto* criteria = Named(new QGroupBox(QStringLiteral("Disk to detect")), "smartDetectCriteria");
    auto* form = new QFormLayout(criteria);
    smartDetectDrive_ = Named(new QLineEdit, "smartDetectDrive");
    smartDetectDrive_->setPlaceholderText(QStringLiteral("any"));
    smartDetectLabel_ = Named(new QLineEdit, "smartDetectLabel");
    smartDetectLabel_->setPlaceholderText(QStringLiteral("any"));
    smartDetectSerial_ = Named(new QLineEdit, "smartDetectSerial");
    smartDetectSerial_->setPlaceholderText(QStringLiteral("any"));
    smartDetectSerial_->setMaximumWidth(120);
    smartDetectSerial_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9A-Fa-f]{0,8}")), smartDetectSerial_));
    AddRow(form, "lblSmartDetectDrive", QStringLiteral("&Mount point:"), smartDetectDrive_);
    AddRow(form, "lblSmartDetectLabel", QStringLiteral("Volume &label:"), smartDetectLabel_);
    AddRow(form, "lblSmartDetectSerial", QStringLiteral("Serial &number:"), smartDetectSerial_);
    auto* rule =
        NamedLabel("lblSmartDetectRule",
                   QStringLiteral("An empty field matches any disk. Of the filled fields the serial number "
                                  "decides; without one the label, then the mount point."));
    rule->setWordWrap(true);
    form->addRow(rule);
    layout->addWidget(criteria);
    smartDetectNoMediaNoRun_ =
        Named(new QCheckBox(QStringLiteral("&Don't run the task while this disk is not present")),
              "smartDetectNoMediaNoRun");
    layout->addWidget(smartDetectNoMediaNoRun_);

    auto* drivesLabel = NamedLabel("lblDriveList", QStringLiteral("D&isks of this computer:"));
    layout->addWidget(drivesLabel);
    auto* drives = new QHBoxLayout;
    driveList_ = Named(new QTreeWidget, "driveList");
    driveList_->setRootIsDecorated(false);
    driveList_->setHeaderLabels({QStringLiteral("Disk"), QStringLiteral("Type"), QStringLiteral("Size"),
                                 QStringLiteral("S/N"), QStringLiteral("Status")});
    driveList_->header()->setStretchLastSection(false);
    driveList_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < 5; ++column)
        driveList_->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    drivesLabel->setBuddy(driveList_);
    drives->addWidget(driveList_, 1);
    auto* side = new QVBoxLayout;
    smartDetectAdd_ = Button(QStringLiteral("&Add to SmartDetect"), "smartDetectAdd");
    smartDetectTest_ = Button(QStringLiteral("&Test SmartDetect..."), "smartDetectTest");
    side->addWidget(smartDetectAdd_);
    side->addWidget(smartDetectTest_);
    side->addStretch();
    drives->addLayout(side);
    layout->addLayout(drives, 1);

    connect(smartDetectUse_, &QCheckBox::toggled, this, &TTaskPropertiesForm::UpdateEnabling);
    connect(driveList_, &QTreeWidget::currentItemChanged, this, &TTaskPropertiesForm::UpdateEnabling);
    connect(driveList_, &QTreeWidget::itemDoubleClicked, this, &TTaskPropertiesForm::AddToSmartDetect);
    connect(smartDetectAdd_, &QPushButton::clicked, this, &TTaskPropertiesForm::AddToSmartDetect);
    connect(smartDetectTest_, &QPushButton::clicked, this, &TTaskPropertiesForm::TestSmartDetect);
    return page;
}

void TTaskPropertiesForm::StartDriveReader() {
    driveReader_.reset();
    driveList_->clear();
    const TPropertiesServices& services = PropertiesServices();
    driveReader_ = std::make_unique<TDriveListReader>(
        this,
        services.ListDrives ? services.ListDrives : TDriveListReader::TListFunction(SmartDetectDriveList),
        services.ReadDrive ? services.ReadDrive : TDriveListReader::TReadFunction(ReadSmartDetectDrive),
        [this](const TSmartDetectDrive& drive) { AddDriveRow(drive); });
}

void TTaskPropertiesForm::AddDriveRow(const TSmartDetectDrive& drive) {
    auto* item = new QTreeWidgetItem(driveList_);
    item->setText(0, drive.Label.isEmpty()
                         ? drive.Letter
                         : drive.Letter + QStringLiteral(" (") + drive.Label + QLatin1Char(')'));
    item->setText(1, drive.TypeName);
    item->setText(2, drive.Ready && drive.Size >= 0 ? QLocale().toString(drive.Size)
                                                    : Tr("Not Available", "strNotAvailable"));
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    item->setText(3, drive.Serial);
    item->setText(4, drive.Ready ? Tr("Ready", "strReady") : Tr("No media", "strNoMedia"));
    item->setData(0, Qt::UserRole, drive.Letter);
    item->setData(1, Qt::UserRole, drive.Label);
    item->setData(3, Qt::UserRole, drive.Serial);
    if (driveList_->currentItem() == nullptr &&
        drive.Letter == MediaDriveCriterion(smartDetectDrive_->text()))
        driveList_->setCurrentItem(item);
}

void TTaskPropertiesForm::AddToSmartDetect() {
    QTreeWidgetItem* item = driveList_->currentItem();
    if (item == nullptr || !smartDetectUse_->isChecked())
        return;
    smartDetectDrive_->setText(item->data(0, Qt::UserRole).toString());
    smartDetectLabel_->setText(item->data(1, Qt::UserRole).toString());
    smartDetectSerial_->setText(item->data(3, Qt::UserRole).toString());
}

void TTaskPropertiesForm::TestSmartDetect() {
    TScheduler* scheduler = PropertiesServices().Scheduler;
    if (scheduler == nullptr)
        return;
    const QString information = Tr("Information", "strInformation");
    QPointer<TTaskPropertiesForm> self(this);
    mediaTestScheduler_ = scheduler;
    scheduler->MediaTestSucceeded = [self, information] {
        if (self)
            self->prompts_.Information(information,
                                       Tr("SmartDetect: Removable media arrival successfully detected!",
                                          "strTaskPropMediaDetectTestSuccess"));
    };
    scheduler->SetMediaTestMode(true,
                                {MediaDriveCriterion(smartDetectDrive_->text()), smartDetectLabel_->text(),
                                 MediaSerialCriterion(smartDetectSerial_->text())});
    prompts_.Information(information,
                         Tr("SmartDetect: Please don't close this dialog and plug/insert removable "
                            "disk to this computer.",
                            "strTaskPropMediaDetectTest"));
    scheduler->EndMediaTestAfter(TScheduler::kMediaTestLingerMs);
}

QWidget* TTaskPropertiesForm::BuildHotKeyPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* intro = NamedLabel("lblHotKeyIntro",
                             QStringLiteral("Press the key combination in the field. It starts the task from "
                                            "any program while Tarnovex runs."));
    intro->setWordWrap(true);
    layout->addWidget(intro);
    hotKey_ = Named(new THotKeyEdit, "hotKey");
    hotKey_->setMinimumWidth(200);
    auto* reset = Button(QStringLiteral("&Reset to 'None'"), "hotKeyReset");
    auto* row = new QHBoxLayout;
    row->addWidget(NamedLabel("lblHotKey", QStringLiteral("&Hot key:"), hotKey_));
    row->addWidget(hotKey_);
    row->addWidget(reset);
    row->addStretch();
    layout->addLayout(row);
    hotKeyState_ = NamedLabel("hotKeyState", QString());
    layout->addWidget(hotKeyState_);
    hotKeyBringToFront_ =
        Named(new QCheckBox(QStringLiteral("&Bring the main window to the front when the hot key starts the "
                                           "task")),
              "hotKeyBringToFront");
    layout->addWidget(hotKeyBringToFront_);
    layout->addStretch();
    connect(hotKey_, &THotKeyEdit::HotKeyChanged, this, &TTaskPropertiesForm::UpdateHotKeyState);
    connect(reset, &QPushButton::clicked, this, [this] {
        hotKey_->SetHotKey(0);
        hotKey_->setFocus();
    });
    return page;
}

void TTaskPropertiesForm::UpdateHotKeyState() {
    const quint16 value = hotKey_->HotKey();
    if (value == 0) {
        hotKeyState_->clear();
        return;
    }
    // The task's own registered key is held by the task itself, not by another action.
    bool own = false;
    if (value == original_.HotKey)
        for (int i = 0; i < data_.HotKeyCount; ++i)
            own = own || data_.HotKeys[static_cast<size_t>(i)].ID == original_.ID;
    const bool valid = own || data_.CanRegisterHotKey(value);
    hotKeyState_->setText(
        valid ? Tr("Hot key valid!", "strTaskPropHotKeyValid")
              : Tr("Hot key invalid or already used by another action!", "strTaskPropHotKeyInvalid"));
    hotKeyState_->setStyleSheet(valid ? QStringLiteral("color: darkgreen") : QStringLiteral("color: red"));
}

QWidget* TTaskPropertiesForm::BuildMsSchedulerPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* intro =
        NamedLabel("lblMsSchedulerIntro",
                   QStringLiteral("A systemd user timer of your session starts the task at the times "
                                  "of its calendar lines, even while Tarnovex is not running. Changes "
                                  "here take effect at once, whatever this dialog ends with."));
    intro->setWordWrap(true);
    layout->addWidget(intro);
    auto* box = Named(new QGroupBox(QStringLiteral("Timer of the task")), "timerBox");
    auto* boxLayout = new QVBoxLayout(box);
    timerState_ = NamedLabel("timerState", QString());
    timerState_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    timerState_->setWordWrap(true);
    boxLayout->addWidget(timerState_);
    layout->addWidget(box);
    timerAddModify_ = Button(QStringLiteral("&Add/Modify..."), "timerAddModify");
    timerRemove_ = Button(QStringLiteral("&Remove..."), "timerRemove");
    layout->addWidget(Row({timerAddModify_, timerRemove_}));
    layout->addStretch();
    connect(timerAddModify_, &QPushButton::clicked, this, &TTaskPropertiesForm::AddOrModifyTimer);
    connect(timerRemove_, &QPushButton::clicked, this, &TTaskPropertiesForm::RemoveTimer);
    timerAddModify_->setEnabled(false);
    timerRemove_->setEnabled(false);
    return page;
}

TSystemTimers& TTaskPropertiesForm::Timers() const {
    TSystemTimers* timers = PropertiesServices().Timers;
    return timers != nullptr ? *timers : ProgramTimers();
}

void TTaskPropertiesForm::RefreshTimerState() {
    if (!timersAsked_) {
        // Asking systemctl takes a moment: only when the page is first shown.
        timersAsked_ = true;
        timersAvailable_ = Timers().Available();
    }
    // A timer acts at once and outlives the dialog: one made for a new task that is then cancelled
    // would start the program for a task that never existed. A new task gets it once it is saved.
    const bool saved = data_.FindTask(original_.ID) == &original_;
    timerAddModify_->setEnabled(timersAvailable_ && saved);
    timerRemove_->setEnabled(timersAvailable_ && saved);
    if (!timersAvailable_) {
        timerState_->setText(
            QStringLiteral("The system task scheduler (systemd user timers) is not available."));
        return;
    }
    const std::optional<QStringList> lines = Timers().OnCalendarLines(original_.ID);
    QString text;
    if (!lines)
        text = Tr("Not scheduled.", "strMsSchedulerNotScheduled");
    else if (lines->isEmpty())
        text = Tr("No triggers set.", "strMsSchedulerNoTriggersSet");
    else
        text = lines->join(QLatin1Char('\n'));
    if (!saved)
        text += QStringLiteral(
            "\n\nA new task can be given a system timer once it has been saved: open its "
            "properties again after OK.");
    timerState_->setText(text);
}

void TTaskPropertiesForm::AddOrModifyTimer() {
    if (!timerAddModify_->isEnabled())
        return;
    const QStringList current = Timers().OnCalendarLines(original_.ID).value_or(QStringList());
    TTimerCalendarForm editor(current, PropertiesServices().CheckCalendar, prompts_, this);
    if (editor.exec() != QDialog::Accepted)
        return;
    QString error;
    // The description of the units carries the name as it is typed now.
    if (!Timers().AddOrModify(name_->text(), original_.ID, editor.Lines(), &error)) {
        QApplication::beep();
        prompts_.Error(ErrorCaption(),
                       QStringLiteral("The system timer of the task cannot be written: %1.").arg(error));
    }
    RefreshTimerState();
}

void TTaskPropertiesForm::RemoveTimer() {
    if (!timerRemove_->isEnabled() || !Timers().Exists(original_.ID))
        return;
    if (!prompts_.Confirm(
            Tr("Confirmation", "strConfirmation"),
            QStringLiteral("Remove the system timer of this task? The system will no longer start "
                           "it.")))
        return;
    QString error;
    if (!Timers().Remove(original_.ID, &error)) {
        QApplication::beep();
        prompts_.Error(ErrorCaption(),
                       QStringLiteral("The system timer of the task cannot be removed: %1.").arg(error));
    }
    RefreshTimerState();
}

// ---------------------------------------------------------------------------------------------------
// Event alerts and the test e-mails

QWidget* TTaskPropertiesForm::BuildEventAlertsPage() {
    auto* page = new QWidget;
    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = Named(new QScrollArea, "alertsScroll");
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFocusPolicy(Qt::NoFocus);  // Tab goes to the controls, not to their frame
    outer->addWidget(scroll);
    auto* content = new QWidget;
    scroll->setWidget(content);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 4, 0);
    QWidget* body = DefaultGroup(layout, QStringLiteral("Use the default/common event alerts settings"),
                                 "alertsDefault", &TTaskOptions::EventAlerts_UseDefault);
    auto* bodyLayout = new QVBoxLayout(body);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    alertSet_ = Named(new QComboBox, "alertSet");
    alertSet_->addItems({QStringLiteral("Scheduled Task Run"), QStringLiteral("Manual Task Run"),
                         QStringLiteral("Application Silent Mode (TARNOVEX.EXE /SILENT)")});
    auto* setRow = new QHBoxLayout;
    setRow->addWidget(NamedLabel("lblAlertSet", QStringLiteral("Event alerts &settings for:"), alertSet_));
    setRow->addWidget(alertSet_, 1);
    bodyLayout->addLayout(setRow);

    static const char* const captions[kAlertEventCount] = {
        "Task started:", "File processing:", "Disk full:", "Critical error:", "Warning:", "Task completed:"};
    auto name = [](const char* part, int e, const char* suffix = "") {
        return QStringLiteral("alert%1%2%3")
            .arg(QString::fromLatin1(part), QString::fromLatin1(kAlertEventNames[static_cast<size_t>(e)]),
                 QString::fromLatin1(suffix));
    };
    auto* notifications =
        Named(new QGroupBox(QStringLiteral("Dialog, balloon and sound")), "alertNotifications");
    auto* grid = new QGridLayout(notifications);
    for (int e = 0; e < kAlertEventCount; ++e) {
        TAlertControls& c = alerts_[static_cast<size_t>(e)];
        auto* label = new QLabel(QString::fromUtf8(captions[e]));
        label->setObjectName(name("Label", e));
        c.dialog = new QCheckBox(QStringLiteral("Dialog"));
        c.dialog->setObjectName(name("", e, "Dialog"));
        c.balloon = new QCheckBox(QStringLiteral("Balloon"));
        c.balloon->setObjectName(name("", e, "Balloon"));
        c.sound = new QCheckBox(QStringLiteral("Sound:"));
        c.sound->setObjectName(name("", e, "Sound"));
        c.soundFile = new QLineEdit;
        c.soundFile->setObjectName(name("", e, "SoundFile"));
        c.soundFile->setMinimumWidth(100);
        c.soundBrowse = Button(QStringLiteral("..."), "");
        c.soundBrowse->setObjectName(name("", e, "SoundBrowse"));
        c.soundBrowse->setToolTip(QStringLiteral("Choose the sound file"));
        c.soundBrowse->setFixedWidth(32);
        // Small picture buttons, so that a row fits beside the navigator.
        c.soundPlay = Button(QString(), "");
        c.soundPlay->setObjectName(name("", e, "SoundPlay"));
        c.soundPlay->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
        c.soundPlay->setToolTip(QStringLiteral("Play"));
        c.soundPlay->setAccessibleName(QStringLiteral("Play"));
        c.soundPlay->setFixedWidth(32);
        c.soundStop = Button(QString(), "");
        c.soundStop->setObjectName(name("", e, "SoundStop"));
        c.soundStop->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
        c.soundStop->setToolTip(QStringLiteral("Stop"));
        c.soundStop->setAccessibleName(QStringLiteral("Stop"));
        c.soundStop->setFixedWidth(32);
        grid->addWidget(label, e, 0);
        grid->addWidget(c.dialog, e, 1);
        grid->addWidget(c.balloon, e, 2);
        grid->addWidget(c.sound, e, 3);
        grid->addWidget(c.soundFile, e, 4);
        grid->addWidget(c.soundBrowse, e, 5);
        grid->addWidget(c.soundPlay, e, 6);
        grid->addWidget(c.soundStop, e, 7);
        connect(c.sound, &QCheckBox::toggled, this, &TTaskPropertiesForm::UpdateEnabling);
        connect(c.soundBrowse, &QPushButton::clicked, this, [this, e] {
            QLineEdit* field = alerts_[static_cast<size_t>(e)].soundFile;
            const auto& ask = PropertiesServices().AskSoundFile;
            const QString start = SoundFilePath(field->text());
            const QString file =
                ask ? ask(this, start)
                    : QFileDialog::getOpenFileName(this, QString(), start,
                                                   QStringLiteral("Sound files (*.wav);;Any files (*)"));
            if (!file.isEmpty())
                field->setText(file);
        });
        connect(c.soundPlay, &QPushButton::clicked, this, [this, e] {
            const QString path = SoundFilePath(alerts_[static_cast<size_t>(e)].soundFile->text());
            if (!path.isEmpty())
                UserInterface().PlaySound(path);
        });
        connect(c.soundStop, &QPushButton::clicked, this, [] { UserInterface().StopSound(); });
    }
    grid->setColumnStretch(4, 1);
    bodyLayout->addWidget(notifications);

    auto* mail = Named(new QGroupBox(QStringLiteral("Email")), "alertEmails");
    auto* mailGrid = new QGridLayout(mail);
    int row = 0;
    for (int e = 0; e < kAlertEventCount; ++e) {
        if (e == static_cast<int>(TAlertEventKind::File))
            continue;  // a file has no e-mail of its own
        TAlertControls& c = alerts_[static_cast<size_t>(e)];
        auto* label = new QLabel(QString::fromUtf8(captions[e]));
        label->setObjectName(name("EmailLabel", e));
        c.emailUse = new QCheckBox(QStringLiteral("Send email to:"));
        c.emailUse->setObjectName(name("", e, "EmailUse"));
        c.email = new QLineEdit;
        c.email->setObjectName(name("", e, "Email"));
        c.emailTest = Button(QStringLiteral("Send Test"), "");
        c.emailTest->setObjectName(name("", e, "EmailTest"));
        mailGrid->addWidget(label, row, 0);
        mailGrid->addWidget(c.emailUse, row, 1);
        mailGrid->addWidget(c.email, row, 2);
        mailGrid->addWidget(c.emailTest, row, 3);
        ++row;
        connect(c.emailUse, &QCheckBox::toggled, this, &TTaskPropertiesForm::UpdateEnabling);
        // Switching the e-mail on offers the task's recipient (only as the user's own act, not while a
        // set is shown).
        connect(c.emailUse, &QCheckBox::clicked, this, [this, e](bool on) {
            QLineEdit* field = alerts_[static_cast<size_t>(e)].email;
            if (on && field->text().trimmed().isEmpty())
                field->setText(emailTo_->text());
        });
        connect(c.emailTest, &QPushButton::clicked, this, [this, e] {
            // The task's e-mail settings as stored before this dialog, to the address of the event.
            TEmailSettings settings = TaskEmailSettings(original_);
            settings.To = alerts_[static_cast<size_t>(e)].email->text();
            SendTestEmail(settings);
        });
        if (e == static_cast<int>(TAlertEventKind::Finish)) {
            c.sendLog = new QCheckBox(QStringLiteral("Send the log of the run with it"));
            c.sendLog->setObjectName(name("", e, "SendLog"));
            mailGrid->addWidget(c.sendLog, row, 2, 1, 2);
            ++row;
        }
    }
    mailGrid->setColumnStretch(2, 1);
    bodyLayout->addWidget(mail);
    auto* link = NamedLabel("lblEmailSettingsLink",
                            QStringLiteral("<a href=\"email\">Email sending settings of the task...</a>"));
    link->setTextInteractionFlags(Qt::TextBrowserInteraction);
    connect(link, &QLabel::linkActivated, this, [this] { SetCurrentPage(pgEmailSettings); });
    layout->addWidget(link);
    layout->addStretch();

    connect(alertSet_, &QComboBox::currentIndexChanged, this, [this](int set) {
        if (set < 0 || set == shownAlertSet_)
            return;
        StoreAlertSet(shownAlertSet_);
        ShowAlertSet(set);
    });
    return page;
}

void TTaskPropertiesForm::ShowAlertSet(int set) {
    shownAlertSet_ = set;
    ShowAlertChannels(edited_.EventAlerts[static_cast<size_t>(set)], alerts_);
    UpdateEnabling();
}

void TTaskPropertiesForm::StoreAlertSet(int set) {
    StoreAlertChannels(alerts_, edited_.EventAlerts[static_cast<size_t>(set)]);
}

void TTaskPropertiesForm::SendTestEmail(const TEmailSettings& settings) {
    QPointer<TTaskPropertiesForm> self(this);
    auto done = [self](const TTestEmailResult& result) {
        // The outcome may come after the dialog has closed; then nobody is told.
        if (!self)
            return;
        if (result.Success)
            self->prompts_.Information(result.Caption(), result.Message());
        else
            self->prompts_.Error(result.Caption(), result.Message());
    };
    const auto& send = PropertiesServices().SendTestEmail;
    if (send)
        send(settings, done);
    else
        SendTestEmailAsync(settings, done);
}

// ---------------------------------------------------------------------------------------------------
// Controls <-> record

void TTaskPropertiesForm::LoadControls() {
    const TTask& t = edited_;
    name_->setText(t.Name);
    int groupIndex = group_->findData(t.BelongToGroup);
    if (groupIndex < 0) {
        // A group the list does not know is kept rather than dropped.
        group_->addItem(t.BelongToGroup, t.BelongToGroup);
        groupIndex = group_->count() - 1;
    }
    group_->setCurrentIndex(groupIndex);
    action_->setCurrentIndex(static_cast<int>(t.TaskAction));
    lastActionIndex_ = action_->currentIndex();
    authUser_->setText(t.AuthUser);
    authPassword_->setText(t.AuthPassword);

    includeSubfolders_->setChecked(true);
    if (t.SourceFolders.size() >= 2) {
        multipleView_ = true;
    } else if (t.SourceFolders.size() == 1) {
        sourceFolder_->setText(t.SourceFolders.front().Folder);
        includeSubfolders_->setChecked(t.SourceFolders.front().IncludeSubfolders);
        edited_.SourceFolders.clear();
    }
    SetMultipleView(multipleView_);

    destType_->setCurrentIndex(t.DestType == TDestKind::dkFtp ? 1 : 0);
    lastDestIndex_ = destType_->currentIndex();
    destLocal_->setText(t.DestLocal);
    ftpAddress_->setText(t.DestFTP_Address);
    ftpFolder_->setText(t.DestFTP_Folder);
    ftpPort_->setValue(t.DestFTP_Port);
    ftpLogin_->setText(t.DestFTP_Login);
    ftpPassword_->setText(t.DestFTP_Password);
    ftpPassive_->setChecked(t.DestFTP_PassiveMode);
    const int security = ftpSecurity_->findData(t.DestFTP_Security);
    ftpSecurity_->setCurrentIndex(security < 0 ? 0 : security);
    ftpAcceptSelfSigned_->setChecked(t.DestFTP_AcceptSelfSigned);

    RefreshFilterList();

    compressUse_->setChecked(t.CompressUse);
    int compressor = compressType_->findData(t.CompressType);
    if (compressor < 0) {
        // A definition missing from the table stays chosen instead of falling back silently.
        compressType_->addItem(t.CompressType, t.CompressType);
        compressor = compressType_->count() - 1;
    }
    compressType_->setCurrentIndex(compressor);
    (t.CompressSeparate ? compressSeparate_ : compressSingle_)->setChecked(true);
    compressFilename_->setText(t.CompressFilename);
    compressPassword_->setText(t.CompressPassword);
    compressPassword2_->setText(t.CompressPassword);
    compressLevel_->setValue(t.CompressLevel);
    const int zipCrypt = compressEncryption_->findData(t.CompressEncryption);
    compressEncryption_->setCurrentIndex(zipCrypt < 0 ? 0 : zipCrypt);

    cryptUse_->setChecked(t.CryptUse);
    int encryptor = cryptType_->findData(t.CryptType);
    if (encryptor < 0 && !t.CryptType.isEmpty()) {
        cryptType_->addItem(t.CryptType, t.CryptType);
        encryptor = cryptType_->count() - 1;
    }
    cryptType_->setCurrentIndex(encryptor);
    cryptPassword_->setText(t.CryptPassword);
    cryptPassword2_->setText(t.CryptPassword);

    versionsKind_->setCurrentIndex(static_cast<int>(t.VersionsKeepType));
    versionsFolder_->setText(t.VersionsKeepArcFolder);
    versionsKeepStruct_->setChecked(t.VersionsKeepArcFolderKeepStruct);
    versionsNum_->setValue(t.VersionsKeepFilesNum);
    deleteKind_->setCurrentIndex(static_cast<int>(t.DeleteKind));
    deletedFolder_->setText(t.ArchiveFolder);
    deletedKeepStruct_->setChecked(t.ArchiveFolderKeepStruct);
    deleteEmptyFolders_->setChecked(t.DeleteEmptyFolders);
    deletedNum_->setValue(t.KeepDeletedFilesNum);

    optOverwriteNewer_->setChecked(t.BackupOverwriteNeverDestination);
    optSyncDeletions_->setChecked(t.BackupSynchronizeFileDeletions);
    optCopyInUse_->setChecked(t.BackupCopyInUseFiles);
    optCompare_->setChecked(t.BackupCompareAfterCopy);
    optKeepStructure_->setChecked(t.KeepStructureFromRoot);
    optCopyIfZero_->setChecked(t.CopyIfSourceLengthIsZero);
    optDontSkipBigger_->setChecked(t.OptionsDontSkipIfDateEqButSrcBiggerDst);
    optClearArchiveBit_->setChecked(t.ClearSourceArchiveBit);
    optDisableIndex_->setChecked(t.DisableIndexFiles);

    retries_->setValue(t.MaxNumberOfRetries);
    pauseBeforeRetry_->setValue(t.PauseBeforeRetry);
    maxErrors_->setValue(t.MaxNumberBeforeStop);
    flagAutoReset_->setChecked(t.FlagAutoReset);
    flagAutoResetValue_->setValue(t.FlagAutoResetValue);
    flagAutoResetUnit_->setCurrentIndex(static_cast<int>(t.FlagAutoResetUnit));
    LoadErrorState();

    RefreshScheduleList();
    skipMissed_->setChecked(t.ScheduleSkipMissed);

    smartDetectUse_->setChecked(t.SmartDetectUse);
    smartDetectDrive_->setText(t.SmartDetectDriveLetter);
    smartDetectLabel_->setText(t.SmartDetectVolumeInfo);
    smartDetectSerial_->setText(t.SmartDetectSerialNumber);
    smartDetectNoMediaNoRun_->setChecked(t.SmartDetectNoMediaNoRun);
    {
        // Opening shows the stored key without judging it; the label speaks once it is changed.
        const QSignalBlocker block(hotKey_);
        hotKey_->SetHotKey(t.HotKey);
    }
    hotKeyBringToFront_->setChecked(t.HotKeyBringToFront);

    for (const auto& load : loaders_)
        load();
    {
        const QSignalBlocker block(alertSet_);
        alertSet_->setCurrentIndex(0);
    }
    ShowAlertSet(0);
}

void TTaskPropertiesForm::LoadErrorState() {
    if (original_.ErrorFlag) {
        errorState_->setText(
            FormatText(Tr("ERROR! %s.", "strTaskPropErrorHandlingErrorMsg"),
                       {LocaleFormats::FormatShortDate(original_.ErrorFlagTime) + QLatin1Char(' ') +
                        LocaleFormats::FormatLongTime(original_.ErrorFlagTime)}));
        errorState_->setStyleSheet(QStringLiteral("color: red"));
        resetNow_->setEnabled(true);
    } else {
        errorState_->setText(Tr("No error", "strTaskPropErrorHandlingNoErrorMsg"));
        errorState_->setStyleSheet(QString());
        resetNow_->setEnabled(false);
    }
}

void TTaskPropertiesForm::StoreControls() {
    TTask& t = edited_;
    t.Name = name_->text();
    t.BelongToGroup = group_->currentData().toString();
    t.TaskAction = static_cast<TTaskAction>(action_->currentIndex());
    t.AuthUser = authUser_->text();
    t.AuthPassword = authPassword_->text();

    if (!multipleView_) {
        t.SourceFolders.clear();
        if (!sourceFolder_->text().trimmed().isEmpty())
            t.SourceFolders.push_back(MakeSource(sourceFolder_->text(), includeSubfolders_->isChecked()));
    }

    t.DestType = destType_->currentIndex() == 1 ? TDestKind::dkFtp : TDestKind::dkLocal;
    t.DestLocal = destLocal_->text();
    t.DestFTP_Address = ftpAddress_->text();
    t.DestFTP_Folder = ftpFolder_->text();
    t.DestFTP_Port = ftpPort_->value();
    t.DestFTP_Login = ftpLogin_->text();
    t.DestFTP_Password = ftpPassword_->text();
    t.DestFTP_PassiveMode = ftpPassive_->isChecked();
    t.DestFTP_Security = ftpSecurity_->currentData().toString();
    t.DestFTP_AcceptSelfSigned = ftpAcceptSelfSigned_->isChecked();

    t.CompressUse = compressUse_->isChecked();
    t.CompressType = CompressorName();
    t.CompressSeparate = compressSeparate_->isChecked();
    t.CompressFilename = compressFilename_->text();
    t.CompressPassword = compressPassword_->text();
    t.CompressLevel = compressLevel_->value();
    t.CompressEncryption = compressEncryption_->currentData().toString();

    t.CryptUse = cryptUse_->isChecked();
    t.CryptType = cryptType_->currentIndex() < 0 ? QString() : cryptType_->currentData().toString();
    t.CryptPassword = cryptPassword_->text();

    t.VersionsKeepType = static_cast<TVersionsKeepKind>(versionsKind_->currentIndex());
    t.VersionsKeepArcFolder = versionsFolder_->text();
    t.VersionsKeepArcFolderKeepStruct = versionsKeepStruct_->isChecked();
    t.VersionsKeepFilesNum = versionsNum_->value();
    t.DeleteKind = static_cast<TDeleteKind>(deleteKind_->currentIndex());
    t.ArchiveFolder = deletedFolder_->text();
    t.ArchiveFolderKeepStruct = deletedKeepStruct_->isChecked();
    t.DeleteEmptyFolders = deleteEmptyFolders_->isChecked();
    t.KeepDeletedFilesNum = deletedNum_->value();

    t.BackupOverwriteNeverDestination = optOverwriteNewer_->isChecked();
    t.BackupSynchronizeFileDeletions = optSyncDeletions_->isChecked();
    t.BackupCopyInUseFiles = optCopyInUse_->isChecked();
    t.BackupCompareAfterCopy = optCompare_->isChecked();
    t.KeepStructureFromRoot = optKeepStructure_->isChecked();
    t.CopyIfSourceLengthIsZero = optCopyIfZero_->isChecked();
    t.OptionsDontSkipIfDateEqButSrcBiggerDst = optDontSkipBigger_->isChecked();
    t.ClearSourceArchiveBit = optClearArchiveBit_->isChecked();
    t.DisableIndexFiles = optDisableIndex_->isChecked();

    t.MaxNumberOfRetries = retries_->value();
    t.PauseBeforeRetry = pauseBeforeRetry_->value();
    t.MaxNumberBeforeStop = maxErrors_->value();
    t.FlagAutoReset = flagAutoReset_->isChecked();
    t.FlagAutoResetValue = flagAutoResetValue_->value();
    t.FlagAutoResetUnit = static_cast<TErrorResetUnit>(flagAutoResetUnit_->currentIndex());

    t.ScheduleSkipMissed = skipMissed_->isChecked();

    t.SmartDetectUse = smartDetectUse_->isChecked();
    t.SmartDetectDriveLetter = MediaDriveCriterion(smartDetectDrive_->text());
    t.SmartDetectVolumeInfo = smartDetectLabel_->text();
    t.SmartDetectSerialNumber = MediaSerialCriterion(smartDetectSerial_->text());
    t.SmartDetectNoMediaNoRun = smartDetectNoMediaNoRun_->isChecked();
    t.HotKey = hotKey_->HotKey();
    t.HotKeyBringToFront = hotKeyBringToFront_->isChecked();

    for (const auto& store : storers_)
        store();
    StoreAlertSet(shownAlertSet_);
    t.ClearPathCaches();
}

void TTaskPropertiesForm::ApplyTo(TTask& task) const {
    static_cast<TTaskOptions&>(task) = edited_;
    task.SourceFolders = edited_.SourceFolders;
    task.Filters = edited_.Filters;
    task.Schedule = edited_.Schedule;
    task.ClearPathCaches();
}

QString TTaskPropertiesForm::CompressorName() const {
    if (compressType_->currentIndex() <= 0)
        return TExternalCompressorsSettings::BuiltinName;
    return compressType_->currentData().toString();
}

// ---------------------------------------------------------------------------------------------------
// Rules while editing

void TTaskPropertiesForm::UpdateTitle() {
    setWindowTitle(
        FormatText(Tr("Tarnovex Task Properties - [%s]", "strProgectPropFormTitle"), {name_->text()}));
}

void TTaskPropertiesForm::UpdateEnabling() {
    const bool sync = action_->currentIndex() == static_cast<int>(TTaskAction::taSynchronize);
    compressUse_->setEnabled(!sync);
    cryptUse_->setEnabled(!sync);
    optOverwriteNewer_->setEnabled(!sync);
    optClearArchiveBit_->setEnabled(!sync);

    const bool compress = compressUse_->isEnabled() && compressUse_->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{compressType_, compressSingle_, compressSeparate_,
                                                      compressPassword_, compressPassword2_, compressLevel_})
        w->setEnabled(compress);
    compressFilename_->setEnabled(compress && compressSingle_->isChecked());
    compressEncryption_->setEnabled(compress && compressType_->currentIndex() == 0);

    const bool crypt = cryptUse_->isEnabled() && cryptUse_->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{cryptType_, cryptPassword_, cryptPassword2_})
        w->setEnabled(crypt);

    const bool archives = !compress;  // both offered destination kinds have archives
    versionsKind_->setEnabled(archives);
    const auto versions = static_cast<TVersionsKeepKind>(versionsKind_->currentIndex());
    versionsFolder_->setEnabled(archives && versions == TVersionsKeepKind::vkArcFolder);
    versionsKeepStruct_->setEnabled(versionsFolder_->isEnabled());
    versionsNum_->setEnabled(archives && versions != TVersionsKeepKind::vkNone);
    deleteKind_->setEnabled(archives);
    const auto deletion = static_cast<TDeleteKind>(deleteKind_->currentIndex());
    deletedFolder_->setEnabled(archives && deletion == TDeleteKind::adkMoveArcFolder);
    deletedKeepStruct_->setEnabled(deletedFolder_->isEnabled());
    deletedNum_->setEnabled(archives && (deletion == TDeleteKind::adkMoveArcFolder ||
                                         deletion == TDeleteKind::adkMoveSameFolder));

    const bool ftp = destType_->currentIndex() == 1;
    localBox_->setVisible(!ftp);
    ftpBox_->setVisible(ftp);
    ftpAcceptSelfSigned_->setEnabled(ftpSecurity_->currentData().toString() != QStringLiteral("None"));

    flagAutoResetValue_->setEnabled(flagAutoReset_->isChecked());
    flagAutoResetUnit_->setEnabled(flagAutoReset_->isChecked());

    const bool smartDetect = smartDetectUse_->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{smartDetectDrive_, smartDetectLabel_,
                                                      smartDetectSerial_, smartDetectNoMediaNoRun_})
        w->setEnabled(smartDetect);
    smartDetectAdd_->setEnabled(smartDetect && driveList_->currentItem() != nullptr);
    smartDetectTest_->setEnabled(smartDetect && PropertiesServices().Scheduler != nullptr);

    for (const TAlertControls& c : alerts_) {
        for (QWidget* w :
             std::initializer_list<QWidget*>{c.soundFile, c.soundBrowse, c.soundPlay, c.soundStop})
            w->setEnabled(c.sound->isChecked());
        if (c.emailUse) {
            c.email->setEnabled(c.emailUse->isChecked());
            c.emailTest->setEnabled(c.emailUse->isChecked());
        }
        if (c.sendLog)
            c.sendLog->setEnabled(c.emailUse->isChecked());
    }
}

QString TTaskPropertiesForm::CompressorExtensionOf(const QString& compressorName) {
    if (compressorName == TExternalCompressorsSettings::BuiltinName)
        return QStringLiteral("zip");
    std::lock_guard lock(PackerSettingsMutex());
    return ExternalCompressors().CompressorExtension(compressorName);
}

QString TTaskPropertiesForm::ArchiveNameFor(const QString& taskName, const QString& compressorExtension) {
    if (taskName.trimmed().isEmpty())
        return {};
    QString base = taskName;
    const int dot = base.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        base.truncate(dot);
    return base + QLatin1Char('.') + compressorExtension;
}

void TTaskPropertiesForm::UpdateArchiveName() {
    const QString extension = CompressorExtensionOf(CompressorName());
    const QString current = compressFilename_->text();
    if (!current.isEmpty() && ExtensionWithDot(current) == QLatin1Char('.') + extension)
        return;
    const QString proposed = ArchiveNameFor(name_->text(), extension);
    if (!proposed.isEmpty())
        compressFilename_->setText(proposed);
}

void TTaskPropertiesForm::OnPageChanged(int page) {
    if (previousPage_ == pgGeneral)
        UpdateArchiveName();
    previousPage_ = page;
    pages_->setCurrentIndex(page);
    // The pages that ask the system do so when they are first shown, not for every dialog.
    if (page == pgSmartDetect && !driveWatcher_) {
        driveWatcher_ = std::make_unique<TMountWatcher>(nullptr);
        driveWatcher_->SetTableChanged([this] { StartDriveReader(); });
        const QString table = PropertiesServices().MountTable;
        if (!table.isEmpty())
            driveWatcher_->Start(table);
        StartDriveReader();
    }
    if (page == pgMsScheduler && !timersAsked_)
        RefreshTimerState();
}

int TTaskPropertiesForm::CurrentPage() const {
    const QTreeWidgetItem* item = navigator_->currentItem();
    return item ? item->data(0, Qt::UserRole).toInt() : pgGeneral;
}

void TTaskPropertiesForm::SetCurrentPage(int page) {
    if (page >= 0 && page < pgCount)
        navigator_->setCurrentItem(navigatorItems_[static_cast<size_t>(page)]);
}

void TTaskPropertiesForm::OnActionChosen(int index) {
    if (index == static_cast<int>(TTaskAction::taSynchronize)) {
        QString refusal;
        if (multipleView_)
            refusal =
                Tr("Synchronization is possible only with single source folder. Please remove unnecessary "
                   "folders from the list.",
                   "strTaskPropChangeImpossibleMustBeOneSource");
        else if (destType_->currentIndex() == 1)
            refusal = Tr("Synchronization is possible only with local or LAN destination folder.",
                         "strTaskPropChangeImpossibleMustBeLocalOrLan");
        if (!refusal.isEmpty()) {
            prompts_.Error(ErrorCaption(), refusal);
            action_->setCurrentIndex(static_cast<int>(TTaskAction::taBackup));
        }
    }
    lastActionIndex_ = action_->currentIndex();
    UpdateEnabling();
}

void TTaskPropertiesForm::OnDestinationChosen(int index) {
    if (index == 1 && action_->currentIndex() == static_cast<int>(TTaskAction::taSynchronize)) {
        prompts_.Information(Tr("Information", "strInformation"),
                             Tr("Synchronization is possible only with local or LAN destination folder.",
                                "strTaskPropChangeImpossibleMustBeLocalOrLan"));
        destType_->setCurrentIndex(0);
    }
    lastDestIndex_ = destType_->currentIndex();
    UpdateEnabling();
}

// ---------------------------------------------------------------------------------------------------
// Source folders

void TTaskPropertiesForm::SetMultipleView(bool multiple) {
    if (multiple && !multipleView_) {
        if (action_->currentIndex() == static_cast<int>(TTaskAction::taSynchronize)) {
            prompts_.Error(ErrorCaption(),
                           Tr("Synchronization is possible only with single source folder. Please remove "
                              "unnecessary folders from the list.",
                              "strTaskPropChangeImpossibleMustBeOneSource"));
            return;
        }
        edited_.SourceFolders.clear();
        if (!sourceFolder_->text().trimmed().isEmpty())
            edited_.SourceFolders.push_back(
                MakeSource(sourceFolder_->text(), includeSubfolders_->isChecked()));
        sourceFolder_->clear();
    } else if (!multiple && multipleView_) {
        if (edited_.SourceFolders.size() >= 2) {
            prompts_.Error(
                ErrorCaption(),
                Tr("You can't collapse multiple folders list, because there are more than one folder "
                   "in it. Remove unneened folders from the list to continue.",
                   "strTaskPropChangeCantCollapse"));
            return;
        }
        sourceFolder_->clear();
        if (!edited_.SourceFolders.empty()) {
            sourceFolder_->setText(edited_.SourceFolders.front().Folder);
            includeSubfolders_->setChecked(edited_.SourceFolders.front().IncludeSubfolders);
        }
        edited_.SourceFolders.clear();
    }
    multipleView_ = multiple;
    multipleBox_->setVisible(multiple);
    toggleView_->setText(multiple ? QStringLiteral("Multiple Source Folders <<")
                                  : QStringLiteral("Multiple Source Folders >>"));
    RefreshSourceList();
}

void TTaskPropertiesForm::RefreshSourceList() {
    sourceList_->clear();
    for (const TSourceFolder& folder : edited_.SourceFolders) {
        auto* item = new QTreeWidgetItem(sourceList_);
        item->setText(0, folder.Folder);
        item->setText(1, folder.IncludeSubfolders ? Tr("Yes", "strYes") : Tr("No", "strNo"));
    }
}

void TTaskPropertiesForm::AddSourceRow() {
    const QString folder = sourceFolder_->text();
    if (folder.trimmed().isEmpty())
        return;
    edited_.SourceFolders.push_back(MakeSource(folder, includeSubfolders_->isChecked()));
    sourceFolder_->clear();
    RefreshSourceList();
}

void TTaskPropertiesForm::EditSourceRow() {
    const int row =
        sourceList_->currentItem() ? sourceList_->indexOfTopLevelItem(sourceList_->currentItem()) : -1;
    if (row < 0 || row >= edited_.SourceFolderCount() || sourceFolder_->text().trimmed().isEmpty())
        return;
    edited_.SourceFolders[static_cast<size_t>(row)] =
        MakeSource(sourceFolder_->text(), includeSubfolders_->isChecked());
    RefreshSourceList();
    sourceList_->setCurrentItem(sourceList_->topLevelItem(row));
}

void TTaskPropertiesForm::RemoveSourceRow() {
    const int row =
        sourceList_->currentItem() ? sourceList_->indexOfTopLevelItem(sourceList_->currentItem()) : -1;
    if (row < 0 || row >= edited_.SourceFolderCount())
        return;
    edited_.SourceFolders.erase(edited_.SourceFolders.begin() + row);
    RefreshSourceList();
}

// ---------------------------------------------------------------------------------------------------
// Filters and schedule

void TTaskPropertiesForm::RefreshFilterList() {
    const int row = filterList_->currentRow();
    filterList_->clear();
    for (const TTaskFilterItem& item : edited_.Filters) {
        auto* entry = new QListWidgetItem(FilterCaption(item), filterList_);
        if (!item.Enabled)
            entry->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
    }
    if (row >= 0 && row < filterList_->count())
        filterList_->setCurrentRow(row);
}

void TTaskPropertiesForm::AddFilter(const TTaskFilterItem& item, bool atTop) {
    if (atTop)
        edited_.Filters.insert(edited_.Filters.begin(), item);
    else
        edited_.Filters.push_back(item);
    RefreshFilterList();
    filterList_->setCurrentRow(atTop ? 0 : filterList_->count() - 1);
}

void TTaskPropertiesForm::EditFilter() {
    const int row = filterList_->currentRow();
    if (row < 0 || row >= static_cast<int>(edited_.Filters.size()))
        return;
    TTaskFilterItem item = edited_.Filters[static_cast<size_t>(row)];
    if (EditFilterItem(edited_, item, this)) {
        edited_.Filters[static_cast<size_t>(row)] = item;
        RefreshFilterList();
    }
}

void TTaskPropertiesForm::RemoveFilter() {
    const int row = filterList_->currentRow();
    if (row < 0 || row >= static_cast<int>(edited_.Filters.size()))
        return;
    const QString text =
        FormatText(Tr("Remove this filter (%s) from the list?", "strProgectPropFilterRemoveConfirm"),
                   {FilterCaption(edited_.Filters[static_cast<size_t>(row)])});
    if (!prompts_.Confirm(Tr("Confirmation", "strConfirmation"), text))
        return;
    edited_.Filters.erase(edited_.Filters.begin() + row);
    RefreshFilterList();
}

void TTaskPropertiesForm::MoveFilter(int delta) {
    const int row = filterList_->currentRow();
    const int target = row + delta;
    if (row < 0 || target < 0 || target >= static_cast<int>(edited_.Filters.size()))
        return;
    std::swap(edited_.Filters[static_cast<size_t>(row)], edited_.Filters[static_cast<size_t>(target)]);
    RefreshFilterList();
    filterList_->setCurrentRow(target);
}

void TTaskPropertiesForm::RefreshScheduleList() {
    const QSignalBlocker block(scheduleList_);
    scheduleList_->clear();
    for (const TTaskScheduleItem& item : edited_.Schedule) {
        auto* entry = new QListWidgetItem(ScheduleItemCaption(item), scheduleList_);
        entry->setFlags(entry->flags() | Qt::ItemIsUserCheckable);
        entry->setCheckState(item.Enabled ? Qt::Checked : Qt::Unchecked);
    }
}

void TTaskPropertiesForm::RemoveSchedule() {
    const int row = scheduleList_->currentRow();
    if (row < 0 || row >= static_cast<int>(edited_.Schedule.size()))
        return;
    const QString text =
        FormatText(Tr("Remove this Schedule (%s) from the list?", "strProgectPropScheduleRemoveConfirm"),
                   {ScheduleItemCaption(edited_.Schedule[static_cast<size_t>(row)])});
    if (!prompts_.Confirm(Tr("Confirmation", "strConfirmation"), text))
        return;
    edited_.Schedule.erase(edited_.Schedule.begin() + row);
    RefreshScheduleList();
}

// ---------------------------------------------------------------------------------------------------
// OK

bool TTaskPropertiesForm::AskToCorrect(const QString& text, int page, QWidget* focus) {
    switch (prompts_.AskCorrect(Tr("Warning!", "strWarning"), text)) {
        case TPropertiesPrompts::TAnswer::Yes:
            SetCurrentPage(page);
            if (focus)
                focus->setFocus();
            return false;
        case TPropertiesPrompts::TAnswer::No:
            return true;
        case TPropertiesPrompts::TAnswer::Cancel:
            break;
    }
    return false;
}

bool TTaskPropertiesForm::CheckEntries() {
    StoreControls();
    const TTask& t = edited_;

    bool hasSource = false;
    for (const TSourceFolder& folder : t.SourceFolders)
        hasSource = hasSource || !folder.Folder.trimmed().isEmpty();
    if (!hasSource &&
        !AskToCorrect(Tr("No Source folders configured for the Task - nothing will be copied. Do "
                         "you want to correct this setting?",
                         "strTaskPropNoSource"),
                      pgSource, sourceFolder_))
        return false;

    if (t.DestType == TDestKind::dkLocal && t.DestLocal.trimmed().isEmpty() &&
        !AskToCorrect(
            Tr("No Destination folder configured for the Task. Do you want to correct this setting?",
               "strTaskPropNoDestination"),
            pgDestination, destLocal_))
        return false;

    // An FTP destination without a server can never run: the same question as for a missing folder.
    if (t.DestType == TDestKind::dkFtp && t.DestFTP_Address.trimmed().isEmpty() &&
        !AskToCorrect(
            Tr("No FTP server address configured for the Task. Do you want to correct this setting?",
               "strTaskPropNoFtpAddress"),
            pgDestination, ftpAddress_))
        return false;

    if ((!HasEnabledItem(t.Filters) || !HasEnabledIncludeItem(t.Filters)) &&
        !AskToCorrect(
            Tr("No enabling File Filters configured for the Task - nothing will be copied. Please add at "
               "least one filter of the type 'Include files matching the wildcard \"*.*\"'. Do you want "
               "to correct the File Filter settings?",
               "strTaskPropNoEnablingFilters"),
            pgFilters, filterList_))
        return false;

    auto refuse = [this](const QString& text, int page, QWidget* focus) {
        prompts_.Error(ErrorCaption(), text);
        SetCurrentPage(page);
        if (focus)
            focus->setFocus();
        return false;
    };

    if (t.CompressionActive() && compressPassword_->text() != compressPassword2_->text())
        return refuse(Tr("The two archive passwords entries do not match. Please reenter passwords.",
                         "strTaskPropCompressPasswordsMismatch"),
                      pgCompression, compressPassword_);
    if (t.EncryptionActive()) {
        if (cryptPassword_->text() != cryptPassword2_->text())
            return refuse(Tr("The two encryption passwords entries do not match. Please reenter passwords.",
                             "strTaskPropCryptPasswordsMismatch"),
                          pgEncryption, cryptPassword_);
        if (cryptPassword_->text().isEmpty())
            return refuse(Tr("The encryption password is not specified. Please enter password.",
                             "strTaskPropCryptPasswordEmpty"),
                          pgEncryption, cryptPassword_);
    }

    if (!t.Protection_UseDefault && protectionPassword_->text() != protectionPassword2_->text())
        return refuse(Tr("The two Task's passwords entries do not match. Please reenter passwords.",
                         "strTaskPropPasswordsMismatch"),
                      pgTaskPassword, protectionPassword_);

    // Entries a run would refuse are kept from being stored.
    if (t.CompressionActive() && !t.CompressSeparate && t.ExpandedCompressFilename().trimmed().isEmpty())
        return refuse(QStringLiteral("Invalid archive file name \"%1\"!").arg(t.ExpandedCompressFilename()),
                      pgCompression, compressFilename_);

    if (t.DestType == TDestKind::dkLocal && !t.DestLocal.trimmed().isEmpty()) {
        const QString destination = t.DestinationFolder(-1).toUpper();
        for (int i = 0; i < t.SourceFolderCount(); ++i) {
            if (!t.SourceFolders[static_cast<size_t>(i)].Folder.trimmed().isEmpty() &&
                destination.contains(t.SourceFolderPath(i).toUpper()))
                return refuse(Tr("Destination folder can't be placed under Source folder path!",
                                 "strBackupDestinationUnderSource"),
                              pgDestination, destLocal_);
        }
    }

    for (int i = 0; i < static_cast<int>(t.Filters.size()); ++i) {
        const TTaskFilterItem& item = t.Filters[static_cast<size_t>(i)];
        if (!item.Enabled || item.FilterKind != TFilterKind::fikFileName ||
            item.fnKind != TFileNameKind::fnkWildcard)
            continue;
        const TMaskList& masks = item.Masks();
        if (!masks.wellFormed) {
            filterList_->setCurrentRow(i);
            return refuse(QStringLiteral("The file mask \"%1\" of the filter (%2) is not valid.")
                              .arg(masks.malformedMask, FilterCaption(item)),
                          pgFilters, filterList_);
        }
    }
    return true;
}

void TTaskPropertiesForm::accept() {
    if (!CheckEntries())
        return;
    QDialog::accept();
}

// ---------------------------------------------------------------------------------------------------
// Entry points

namespace {

TScheduleCaptionFunction& ScheduleCaptionHook() {
    static TScheduleCaptionFunction hook;
    return hook;
}

}  // namespace

void SetScheduleItemCaption(TScheduleCaptionFunction caption) {
    ScheduleCaptionHook() = std::move(caption);
}

QString ScheduleItemCaption(const TTaskScheduleItem& item) {
    if (ScheduleCaptionHook())
        return ScheduleCaptionHook()(item);
    return ScheduleKindName(item.Kind);
}

int RememberedPropertiesPage() {
    return rememberedPage;
}

void SetRememberedPropertiesPage(int page) {
    rememberedPage = page;
}

namespace {

bool RunForm(QWidget* parent, TTask& task, TMainData& data, TPropertiesPrompts& prompts) {
    TTaskPropertiesForm form(task, data, prompts, parent);
    form.SetCurrentPage(rememberedPage);
    if (form.exec() != QDialog::Accepted)
        return false;
    form.ApplyTo(task);
    rememberedPage = form.CurrentPage();
    return true;
}

}  // namespace

bool EditTaskProperties(QWidget* parent, TTask& task, TMainData& data, TPropertiesPrompts* prompts,
                        TPasswordPrompt* passwordPrompt) {
    TWidgetPropertiesPrompts widgetPrompts(parent);
    TPropertiesPrompts& ask = prompts ? *prompts : widgetPrompts;
    if (task.IsRunning) {
        ask.Error(ErrorCaption(),
                  Tr("You can't modify properties of the running task. Please wait while task's "
                     "work finished and then try again.",
                     "strProgectPropCantModifyRunning"));
        return false;
    }
    struct TLock {
        TTask& task;
        explicit TLock(TTask& t) : task(t) { task.EditLock = true; }
        ~TLock() { task.EditLock = false; }
    } lock(task);
    if (passwordPrompt) {
        if (!task.VerifyEditPassword(*passwordPrompt))
            return false;
    } else {
        TWidgetPrompts widgetPasswordPrompt(parent);
        if (!task.VerifyEditPassword(widgetPasswordPrompt))
            return false;
    }
    return RunForm(parent, task, data, ask);
}

TTask* NewTaskWithProperties(QWidget* parent, TMainData& data, const QString& group,
                             TPropertiesPrompts* prompts) {
    TWidgetPropertiesPrompts widgetPrompts(parent);
    TPropertiesPrompts& ask = prompts ? *prompts : widgetPrompts;
    auto task = std::make_unique<TTask>();
    task->BelongToGroup = group;
    task->Filters.push_back(MakeIncludeAllFilter());
    task->EditLock = true;
    if (!RunForm(parent, *task, data, ask))
        return nullptr;
    task->EditLock = false;
    return &data.AddTask(std::move(task));
}
