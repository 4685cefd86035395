#include "ui/TaskPropertiesDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <mutex>

#include "model/FileMask.h"
#include "model/MainData.h"
#include "packing/PackerSettings.h"
#include "platform/DateTime.h"
#include "platform/LocaleFormats.h"
#include "settings/FormatText.h"
#include "settings/Language.h"
#include "ui/FilterForm.h"
#include "ui/FiltersTestForm.h"
#include "ui/FolderPicker.h"
#include "ui/ScheduleItemEditor.h"
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

}  // namespace

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
    resize(760, 520);
}

void TTaskPropertiesForm::BuildPages() {
    navigator_ = new QListWidget;
    navigator_->setObjectName(QStringLiteral("navigator"));
    pages_ = new QStackedWidget;

    const std::pair<const char*, const char*> titles[] = {
        {"General", "strTaskPropGeneral"},
        {"Source", "strTaskPropSource"},
        {"Destination", "strTaskPropDestination"},
        {"File Filters", "strTaskPropFileFilters"},
        {"Compression", "strTaskPropCompression"},
        {"Encryption", "strTaskPropEncryption"},
        {"Old Versions", "strTaskPropOldVersions"},
        {"Obsolete Files", "strTaskPropObsoleteFiles"},
        {"Options", "strTaskPropOptions"},
        {"Error Handling", "strTaskPropErrorHandling"},
        {"Internal Schedule", "strTaskPropAutorunInternalSchedule"},
        {"Folder Monitor", "strTaskPropAutorunFolderMonitor"},
        {"Run Programs", "strTaskPropAdvancedRunPrograms"},
        {"Auto Dial", "strTaskPropAdvancedAutoDial"},
        {"Hardware Profile", "strTaskPropAdvancedHardwareProfile"},
        {"Limit Bandwith", "strTaskPropAdvancedLimitBandwith"},
        {"Task Password", "strTaskPropAdvancedTaskPassword"},
        {"Log Settings", "strTaskPropAdvancedLogSettings"},
        {"CPU Performance", "strTaskPropAdvancedCPUPerformance"},
        {"Power Management", "strTaskPropAdvancedPowerManagement"},
        {"Email Settings", "strTaskPropAdvancedEmailSettings"},
    };
    QWidget* built[] = {BuildGeneralPage(),        BuildSourcePage(),          BuildDestinationPage(),
                        BuildFiltersPage(),        BuildCompressionPage(),     BuildEncryptionPage(),
                        BuildOldVersionsPage(),    BuildObsoletePage(),        BuildOptionsPage(),
                        BuildErrorHandlingPage(),  BuildSchedulePage(),        BuildFolderMonitorPage(),
                        BuildRunProgramsPage(),    BuildAutoDialPage(),        BuildHardwareProfilePage(),
                        BuildBandwidthPage(),      BuildTaskPasswordPage(),    BuildLogSettingsPage(),
                        BuildCpuPerformancePage(), BuildPowerManagementPage(), BuildEmailSettingsPage()};
    static_assert(sizeof(built) / sizeof(built[0]) == pgCount &&
                  sizeof(titles) / sizeof(titles[0]) == pgCount);
    for (int i = 0; i < pgCount; ++i) {
        navigator_->addItem(Tr(titles[i].first, titles[i].second));
        auto* page = new QWidget;
        auto* layout = new QVBoxLayout(page);
        auto* heading = new QLabel(QStringLiteral("<b>%1</b>").arg(Tr(titles[i].first, titles[i].second)));
        layout->addWidget(heading);
        layout->addWidget(built[i], 1);
        pages_->addWidget(page);
    }
    navigator_->setSpacing(2);
    navigator_->setFixedWidth(navigator_->sizeHintForColumn(0) + 28);
    navigator_->setCurrentRow(0);
    connect(navigator_, &QListWidget::currentRowChanged, this, &TTaskPropertiesForm::OnPageChanged);

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
    form->addRow(QStringLiteral("Task &name:"), name_);
    form->addRow(QStringLiteral("&Group:"), group_);
    form->addRow(QStringLiteral("&Action:"), action_);
    form->addRow(QStringLiteral("Run as &user:"), authUser_);
    form->addRow(QStringLiteral("User's pass&word:"), authPassword_);
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

    localBox_ = new QGroupBox(QStringLiteral("Local or network folder"));
    auto* local = new QFormLayout(localBox_);
    destLocal_ = new QLineEdit;
    destLocal_->setObjectName(QStringLiteral("destLocal"));
    auto* browse = new QPushButton(QStringLiteral("..."));
    browse->setAutoDefault(false);
    browse->setFixedWidth(32);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString dir = QFileDialog::getExistingDirectory(this, QString(), destLocal_->text());
        if (!dir.isEmpty())
            destLocal_->setText(dir);
    });
    auto* localRow = new QWidget;
    auto* localRowLayout = new QHBoxLayout(localRow);
    localRowLayout->setContentsMargins(0, 0, 0, 0);
    localRowLayout->addWidget(destLocal_, 1);
    localRowLayout->addWidget(browse);
    local->addRow(QStringLiteral("&Folder:"), localRow);
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

    ftpBox_ = new QGroupBox(QStringLiteral("FTP server"));
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
    ftp->addRow(QStringLiteral("&Address:"), ftpAddress_);
    ftp->addRow(QStringLiteral("Fol&der:"), ftpFolder_);
    ftp->addRow(QStringLiteral("P&ort (0 = from address):"), ftpPort_);
    ftp->addRow(QStringLiteral("&Login:"), ftpLogin_);
    ftp->addRow(QStringLiteral("Pass&word:"), ftpPassword_);
    ftp->addRow(QString(), ftpPassive_);
    ftp->addRow(QStringLiteral("&Security:"), ftpSecurity_);
    ftp->addRow(QString(), ftpAcceptSelfSigned_);
    connect(ftpSecurity_, &QComboBox::currentIndexChanged, this, &TTaskPropertiesForm::UpdateEnabling);
    layout->addWidget(ftpBox_);

    // Proxy and connection of the FTP destination.
    ftpAdvanced_ = new QGroupBox(QStringLiteral("Proxy and connection"));
    auto* advanced = new QFormLayout(ftpAdvanced_);
    advanced->addRow(
        BoundCheck(QStringLiteral("Use a proxy:"), "ftpProxyUse", &TTaskOptions::DestFTP_ProxyUse),
        Row({BoundText("ftpProxyAddress", &TTaskOptions::DestFTP_ProxyAddress),
             new QLabel(QStringLiteral("Port:")),
             BoundSpin("ftpProxyPort", &TTaskOptions::DestFTP_ProxyPort, 0, 65535)},
            false));
    advanced->addRow(
        BoundCheck(QStringLiteral("Proxy login:"), "ftpProxyAuthUse", &TTaskOptions::DestFTP_ProxyAuthUse),
        Row({BoundText("ftpProxyLogin", &TTaskOptions::DestFTP_ProxyAuthLogin),
             new QLabel(QStringLiteral("Password:")),
             BoundText("ftpProxyPassword", &TTaskOptions::DestFTP_ProxyAuthPassword, true)},
            false));
    advanced->addRow(
        QStringLiteral("Reconnection attempts:"),
        Row({BoundSpin("ftpReconnectRetries", &TTaskOptions::DestFTP_ReconnectRetries, 0, 1000000),
             new QLabel(QStringLiteral("pause (seconds):")),
             BoundSpin("ftpPauseBeforeRetry", &TTaskOptions::DestFTP_PauseBeforeRetry, 0, 32767),
             new QLabel(QStringLiteral("time-out (seconds):")),
             BoundSpin("ftpTimeOut", &TTaskOptions::DestFTP_TimeOut, 1, 32767)}));
    layout->addWidget(ftpAdvanced_);
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
    form->addRow(QStringLiteral("Compressor:"), compressType_);
    compressSingle_ = new QRadioButton(QStringLiteral("Compress all files into a single archive:"));
    compressSingle_->setObjectName(QStringLiteral("compressSingle"));
    compressSeparate_ = new QRadioButton(QStringLiteral("Compress each file into its own archive"));
    compressSeparate_->setObjectName(QStringLiteral("compressSeparate"));
    compressFilename_ = new QLineEdit;
    compressFilename_->setObjectName(QStringLiteral("compressFilename"));
    form->addRow(compressSingle_);
    form->addRow(QStringLiteral("    Archive name:"), compressFilename_);
    form->addRow(compressSeparate_);
    compressPassword_ = PasswordEdit();
    compressPassword_->setObjectName(QStringLiteral("compressPassword"));
    compressPassword2_ = PasswordEdit();
    compressPassword2_->setObjectName(QStringLiteral("compressPassword2"));
    form->addRow(QStringLiteral("Archive password:"), compressPassword_);
    form->addRow(QStringLiteral("Confirm password:"), compressPassword2_);
    compressEncryption_ = new QComboBox;
    compressEncryption_->setObjectName(QStringLiteral("compressEncryption"));
    compressEncryption_->addItem(QStringLiteral("PKWARE (readable everywhere, weak)"),
                                 QStringLiteral("PKWARE"));
    compressEncryption_->addItem(QStringLiteral("AES-256"), QStringLiteral("AES256"));
    form->addRow(QStringLiteral("Zip encryption:"), compressEncryption_);
    compressLevel_ = Spin(0, 9);
    compressLevel_->setObjectName(QStringLiteral("compressLevel"));
    form->addRow(QStringLiteral("Level:"),
                 Row({compressLevel_, new QLabel(QStringLiteral("(0=store, 9=maximum compression)"))}));
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
    form->addRow(QStringLiteral("Encryptor:"), cryptType_);
    form->addRow(QStringLiteral("Password:"), cryptPassword_);
    form->addRow(QStringLiteral("Confirm password:"), cryptPassword2_);
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
    versionsKeepStruct_ = new QCheckBox(QStringLiteral("Keep the folder structure in the archive folder"));
    versionsNum_ = Spin(0, 32767);
    versionsNum_->setObjectName(QStringLiteral("versionsNum"));
    versionsNum_->setSpecialValueText(QStringLiteral("unlimited"));
    form->addRow(QStringLiteral("Old versions:"), versionsKind_);
    form->addRow(QStringLiteral("Archive folder:"), versionsFolder_);
    form->addRow(QString(), versionsKeepStruct_);
    form->addRow(QStringLiteral("Save the last:"), versionsNum_);
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
    deletedKeepStruct_ = new QCheckBox(QStringLiteral("Keep the folder structure in the archive folder"));
    deleteEmptyFolders_ = new QCheckBox(QStringLiteral("Delete empty folders"));
    deletedNum_ = Spin(0, 32767);
    deletedNum_->setObjectName(QStringLiteral("deletedNum"));
    deletedNum_->setSpecialValueText(QStringLiteral("unlimited"));
    form->addRow(QStringLiteral("Files deleted at the source:"), deleteKind_);
    form->addRow(QStringLiteral("Archive folder:"), deletedFolder_);
    form->addRow(QString(), deletedKeepStruct_);
    form->addRow(QString(), deleteEmptyFolders_);
    form->addRow(QStringLiteral("Keep the last:"), deletedNum_);
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
    pauseBeforeRetry_ = Spin(0, 32767);
    maxErrors_ = Spin(0, 32767);
    flagAutoReset_ = new QCheckBox(QStringLiteral("Reset the error flag automatically after"));
    flagAutoResetValue_ = Spin(1, 32767);
    flagAutoResetUnit_ = new QComboBox;
    flagAutoResetUnit_->addItems({QStringLiteral("seconds"), QStringLiteral("minutes"),
                                  QStringLiteral("hours"), QStringLiteral("days")});
    form->addRow(QStringLiteral("Retries on an error:"), retries_);
    form->addRow(QStringLiteral("Pause before a retry (seconds):"), pauseBeforeRetry_);
    form->addRow(QStringLiteral("Stop the run after this many errors:"), maxErrors_);
    form->addRow(flagAutoReset_, Row({flagAutoResetValue_, flagAutoResetUnit_}));
    errorState_ = new QLabel;
    errorState_->setObjectName(QStringLiteral("errorState"));
    resetNow_ = new QPushButton(QStringLiteral("Reset Now"));
    resetNow_->setObjectName(QStringLiteral("resetNow"));
    resetNow_->setAutoDefault(false);
    form->addRow(QStringLiteral("Error flag:"), Row({errorState_, resetNow_}));
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
    auto* group = new QGroupBox(QStringLiteral("Changes to watch"));
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
    layout->addWidget(Row({BoundCheck(QStringLiteral("Wait"), "monitorDoWait", &TTaskOptions::DoWait),
                           BoundSpin("monitorWaitSeconds", &TTaskOptions::WaitSeconds, 0, 32767),
                           new QLabel(QStringLiteral("seconds after the last change before starting"))}));
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
    form->addRow(QStringLiteral("Password:"), protectionPassword_);
    form->addRow(QStringLiteral("Confirm password:"), protectionPassword2_);
    form->addRow(QStringLiteral("Reminder:"), BoundText("protectionReminder", &TTaskOptions::Reminder));
    layout->addWidget(
        new QLabel(QStringLiteral("The password is asked before the properties of the task open.")));
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
    form->addRow(QStringLiteral("Log file:"), BoundText("logFileName", &TTaskOptions::Log_FileName));
    QSpinBox* maxSize = BoundSpin("logMaxSize", &TTaskOptions::MaxSize, 0, 2000000000);
    maxSize->setSpecialValueText(QStringLiteral("restart at every program start"));
    form->addRow(QStringLiteral("Largest size (KB):"), maxSize);
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
    form->addRow(QStringLiteral("Connection:"), BoundText("dialEntry", &TTaskOptions::DialEntry));
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
    form->addWidget(new QLabel(QStringLiteral("Skip scheduled runs under the profiles (comma-separated):")));
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
    form->addRow(QStringLiteral("Priority of the run:"), priority);
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
    form->addRow(QStringLiteral("When the computer switches to batteries:"), battery);
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
    form->addRow(QStringLiteral("SMTP server:"), BoundText("smtpServer", &TTaskOptions::SmtpServer));
    QSpinBox* port = BoundSpin("smtpPort", &TTaskOptions::SmtpServerPort, 1, 65535);
    port->setMaximumWidth(100);
    form->addRow(QStringLiteral("Port:"), port);
    form->addRow(BoundCheck(QStringLiteral("The server needs a login"), "smtpAuthUse",
                            &TTaskOptions::SmtpServerAuthUse));
    form->addRow(QStringLiteral("User:"), BoundText("smtpUser", &TTaskOptions::SmtpServerAuthUser));
    form->addRow(QStringLiteral("Password:"),
                 BoundText("smtpPassword", &TTaskOptions::SmtpServerAuthPassword, true));
    form->addRow(QStringLiteral("From:"), BoundText("emailFrom", &TTaskOptions::From));
    form->addRow(QStringLiteral("Subject:"), BoundText("emailSubject", &TTaskOptions::Subject));
    layout->addWidget(new QLabel(QStringLiteral("To:")));
    layout->addWidget(BoundText("emailTo", &TTaskOptions::To));
    layout->addStretch();
    return page;
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
    for (const auto& load : loaders_)
        load();
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
    for (const auto& store : storers_)
        store();
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
    ftpAdvanced_->setVisible(ftp);
    ftpAcceptSelfSigned_->setEnabled(ftpSecurity_->currentData().toString() != QStringLiteral("None"));

    flagAutoResetValue_->setEnabled(flagAutoReset_->isChecked());
    flagAutoResetUnit_->setEnabled(flagAutoReset_->isChecked());
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
}

int TTaskPropertiesForm::CurrentPage() const {
    return navigator_->currentRow();
}

void TTaskPropertiesForm::SetCurrentPage(int page) {
    if (page >= 0 && page < pgCount)
        navigator_->setCurrentRow(page);
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
