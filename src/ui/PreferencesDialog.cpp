#include "ui/PreferencesDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSoundEffect>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <mutex>
#include <vector>

#include "logging/Email.h"
#include "packing/PackerSettings.h"
#include "platform/Autostart.h"
#include "platform/DialUp.h"
#include "platform/HotKeys.h"
#include "platform/Paths.h"
#include "settings/FormatText.h"
#include "settings/Language.h"
#include "ui/LogModel.h"
#include "ui/TranslateForm.h"

namespace {

TDialogMessages DefaultMessages() {
    TDialogMessages m;
    m.Error = [](QWidget* parent, const QString& caption, const QString& text) {
        QMessageBox::critical(parent, caption, text);
    };
    m.Warning = [](QWidget* parent, const QString& caption, const QString& text) {
        QMessageBox::warning(parent, caption, text);
    };
    m.Information = [](QWidget* parent, const QString& caption, const QString& text) {
        QMessageBox::information(parent, caption, text);
    };
    m.Confirm = [](QWidget* parent, const QString& caption, const QString& text) {
        return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };
    m.AskText = [](QWidget* parent, const QString& caption, const QString& label, QString& text) {
        bool ok = false;
        const QString typed = QInputDialog::getText(parent, caption, label, QLineEdit::Normal, text, &ok);
        if (ok)
            text = typed;
        return ok;
    };
    m.AskFolder = [](QWidget* parent, const QString& title, const QString& start) {
        return QFileDialog::getExistingDirectory(parent, title, start);
    };
    return m;
}

// Gives a control the stable name the language files know it by.
template <typename TObject>
TObject* Named(TObject* object, const QString& name) {
    object->setObjectName(name);
    return object;
}

QString Tr(const char* text, const char* key) {
    return Translate(QString::fromUtf8(text), QString::fromUtf8(key));
}

// Every page starts the same way: its caption in a larger bold type above a rule, and the page's own
// controls below, aligned with the heading.
QWidget* HeadedPage(const QString& caption, const char* name, QWidget* body) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* heading = Named(new QLabel(caption), QString::fromLatin1(name));
    QFont font = heading->font();
    font.setBold(true);
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * 1.2);
    heading->setFont(font);
    auto* rule = new QFrame;
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    layout->addWidget(heading);
    layout->addWidget(rule);
    if (QLayout* own = body->layout())
        own->setContentsMargins(0, 4, 0, 0);
    layout->addWidget(body, 1);
    return page;
}

// A play (triangle) or stop (square) picture in the given colour. The style's own media pictures are
// black whatever the theme, and vanish on a dark theme's buttons.
QPixmap MediaPixmap(bool play, const QColor& colour) {
    QPixmap pixmap(32, 32);
    pixmap.setDevicePixelRatio(2.0);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    if (play)
        painter.drawPolygon(QPolygonF{QPointF(4, 2.5), QPointF(13, 8), QPointF(4, 13.5)});
    else
        painter.drawRect(QRectF(3.5, 3.5, 9, 9));
    return pixmap;
}

QIcon MediaIcon(bool play, const QPalette& palette) {
    QIcon icon(MediaPixmap(play, palette.color(QPalette::Active, QPalette::ButtonText)));
    icon.addPixmap(MediaPixmap(play, palette.color(QPalette::Disabled, QPalette::ButtonText)),
                   QIcon::Disabled);
    return icon;
}

// Shows the start of a long text (a command, a path) rather than its end, where setText leaves it.
void ShowStart(QLineEdit* edit) {
    edit->setCursorPosition(0);
}

// The record kind and a text of each row of the log sample, in the order of the colour rows. The FTP
// rows carry the marks the FTP log writes, by which the log tells sent commands from replies.
struct TSampleRow {
    int Kind;
    const char* Text;
};
const TSampleRow kSampleRows[8] = {{0, "Task started."},
                                   {4, "Copying file \"/home/ann/Documents/report.odt\"."},
                                   {5, "Skipping file \"/home/ann/Documents/notes.txt\"."},
                                   {6, "File \"/home/ann/Documents/locked.db\" is in use."},
                                   {7, "Can't copy file \"/home/ann/Documents/big.iso\"."},
                                   {8, "\u00BB STOR report.odt"},
                                   {8, "\u00AB 226 Transfer complete."},
                                   {9, "crypt: file encrypted"}};

// The sixteen colours in the order of the page's rows, background then text.
quint32* ColourSlot(TLogDisplaySettings& s, int index) {
    quint32* fields[16] = {
        &s.LogSummaryColorBg,  &s.LogSummaryColorFg,  &s.LogFilesColorBg,    &s.LogFilesColorFg,
        &s.LogSkippingColorBg, &s.LogSkippingColorFg, &s.LogWarningsColorBg, &s.LogWarningsColorFg,
        &s.LogErrorsColorBg,   &s.LogErrorsColorFg,   &s.LogFtpSendColorBg,  &s.LogFtpSendColorFg,
        &s.LogFtpRecvColorBg,  &s.LogFtpRecvColorFg,  &s.LogConsoleColorBg,  &s.LogConsoleColorFg};
    return fields[index];
}

const char* const kColourRows[8] = {"General messages",
                                    "Normally processed files",
                                    "Skipped files",
                                    "Warnings",
                                    "Errors",
                                    "FTP sent commands",
                                    "FTP received responses",
                                    "External programs' console output"};

// A shown colour: a stored system colour takes the palette's matching role.
QColor ShownColour(quint32 value, bool background, const QPalette& palette) {
    const QColor rgb = TLogModel::StoredColor(value);
    if (rgb.isValid())
        return rgb;
    return background ? palette.color(QPalette::Base) : palette.color(QPalette::Text);
}

quint32 StoredFromColour(const QColor& colour) {
    return static_cast<quint32>(colour.red()) | (static_cast<quint32>(colour.green()) << 8) |
           (static_cast<quint32>(colour.blue()) << 16);
}

const char* const kCompressorLabels[11] = {"Extract",
                                           "Extract without paths",
                                           "Test",
                                           "Comment archive",
                                           "Add files",
                                           "Add files and folders",
                                           "'All files' mask",
                                           "Archive file extension",
                                           "Minimum",
                                           "Medium",
                                           "Maximum"};
const TCompressorField kCompressorFieldOrder[11] = {
    TCompressorField::Extract,      TCompressorField::ExtractWithoutPaths,
    TCompressorField::Test,         TCompressorField::CommentArchive,
    TCompressorField::AddFiles,     TCompressorField::AddFilesAndFolders,
    TCompressorField::AllFilesMask, TCompressorField::ArchiveExtension,
    TCompressorField::LevelMin,     TCompressorField::LevelMid,
    TCompressorField::LevelMax};
const TEncryptorField kEncryptorFieldOrder[3] = {TEncryptorField::Crypt, TEncryptorField::Decrypt,
                                                 TEncryptorField::Extension};

const char* const kEventCaptions[kAlertEventCount] = {
    "Task started",   "File processing", "Disk Spanning (Disk Full)",
    "Critical error", "Warning",         "Task completed"};

QString SoundPath(const QString& stored) {
    QString path = stored;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QFileInfo(path).isAbsolute())
        return path;
    return QDir(Paths::ShippedDataFolder()).filePath(path);
}

void ShowTestOutcome(QWidget* parent, const TTestEmailResult& result) {
    if (result.Success)
        DialogMessages().Information(parent, result.Caption(), result.Message());
    else
        DialogMessages().Error(parent, result.Caption(), result.Message());
}

}  // namespace

TDialogMessages& DialogMessages() {
    static TDialogMessages messages = DefaultMessages();
    return messages;
}

void ResetDialogMessages() {
    DialogMessages() = DefaultMessages();
}

// Stored codes follow the other platform's virtual keys, which the saved settings and imported tasks
// carry: letters and digits as their upper-case characters, F1 at 0x70.
quint16 HotKeyFromSequence(const QKeySequence& sequence) {
    if (sequence.isEmpty())
        return 0;
    const QKeyCombination combination = sequence[0];
    const int key = combination.key();
    quint16 code = 0;
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        code = static_cast<quint16>(key);
    else if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        code = static_cast<quint16>(0x70 + (key - Qt::Key_F1));
    else if (key == Qt::Key_Space)
        code = 0x20;
    else if (key == Qt::Key_Insert)
        code = 0x2D;
    else if (key == Qt::Key_Delete)
        code = 0x2E;
    else if (key == Qt::Key_Home)
        code = 0x24;
    else if (key == Qt::Key_End)
        code = 0x23;
    else if (key == Qt::Key_PageUp)
        code = 0x21;
    else if (key == Qt::Key_PageDown)
        code = 0x22;
    else
        return 0;
    const Qt::KeyboardModifiers mods = combination.keyboardModifiers();
    if (mods & Qt::ShiftModifier)
        code |= kHotKeyShift;
    if (mods & Qt::ControlModifier)
        code |= kHotKeyCtrl;
    if (mods & Qt::AltModifier)
        code |= kHotKeyAlt;
    return code;
}

QKeySequence SequenceFromHotKey(quint16 hotKey) {
    const int code = hotKey & kHotKeyCodeMask;
    int key = 0;
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'))
        key = code;
    else if (code >= 0x70 && code <= 0x87)
        key = Qt::Key_F1 + (code - 0x70);
    else if (code == 0x20)
        key = Qt::Key_Space;
    else if (code == 0x2D)
        key = Qt::Key_Insert;
    else if (code == 0x2E)
        key = Qt::Key_Delete;
    else if (code == 0x24)
        key = Qt::Key_Home;
    else if (code == 0x23)
        key = Qt::Key_End;
    else if (code == 0x21)
        key = Qt::Key_PageUp;
    else if (code == 0x22)
        key = Qt::Key_PageDown;
    else
        return {};
    Qt::KeyboardModifiers mods;
    if (hotKey & kHotKeyShift)
        mods |= Qt::ShiftModifier;
    if (hotKey & kHotKeyCtrl)
        mods |= Qt::ControlModifier;
    if (hotKey & kHotKeyAlt)
        mods |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(mods, static_cast<Qt::Key>(key)));
}

std::function<QStringList()> TPrefsForm::DialEntriesSource = [] { return DefaultDialUpService().Entries(); };
// This system has no hardware profiles.
std::function<QStringList()> TPrefsForm::HardwareProfilesSource = [] { return QStringList(); };
int TPrefsForm::RememberedPage = 0;
int TPrefsForm::RememberedNode = 0;

TPrefsForm::TPrefsForm(QWidget* parent, int page, int entry) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Tarnovex Preferences"));
    setObjectName(QStringLiteral("PrefsForm"));
    sound_ = new QSoundEffect(this);

    pageList_ = new QListWidget(this);
    pageList_->setObjectName(QStringLiteral("pages"));
    pages_ = new QStackedWidget(this);
    const char* const captions[kPageCount] = {
        "&Startup and Shutdown", "Global Performance",  "&Log Display", "&Interface Language",
        "External Compressors",  "External Encryptors", "Task Defaults"};
    for (const char* caption : captions)
        pageList_->addItem(QString::fromUtf8(caption).remove(QLatin1Char('&')));
    pageList_->setFixedWidth(pageList_->sizeHintForColumn(0) + 24);
    const char* const headings[kPageCount] = {"StartupHeadingLabel",     "PerformanceHeadingLabel",
                                              "LogDisplayHeadingLabel",  "LanguageHeadingLabel",
                                              "CompressorsHeadingLabel", "EncryptorsHeadingLabel",
                                              "TaskDefaultsHeadingLabel"};
    QWidget* const bodies[kPageCount] = {
        BuildStartupPage(),     BuildPerformancePage(), BuildLogDisplayPage(),  BuildLanguagePage(),
        BuildCompressorsPage(), BuildEncryptorsPage(),  BuildTaskDefaultsPage()};
    for (int i = 0; i < kPageCount; ++i)
        pages_->addWidget(
            HeadedPage(QString::fromUtf8(captions[i]).remove(QLatin1Char('&')), headings[i], bodies[i]));
    connect(pageList_, &QListWidget::currentRowChanged, pages_, &QStackedWidget::setCurrentIndex);

    auto* buttons = Named(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this),
                          QStringLiteral("buttons"));
    Named(buttons->button(QDialogButtonBox::Ok), QStringLiteral("OkButton"));
    Named(buttons->button(QDialogButtonBox::Cancel), QStringLiteral("CancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TPrefsForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TPrefsForm::reject);

    auto* body = new QHBoxLayout;
    body->addWidget(pageList_);
    body->addWidget(pages_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(buttons);

    NameControls();

    // Opening: the first alert set, the first definitions, the first node; then the values.
    {
        std::lock_guard lock(PackerSettingsMutex());
        FillCompressorList(0);
        FillEncryptorList(0);
    }
    LoadControls();
    PaintMediaButtons();
    int compressorCount = 0, encryptorCount = 0;
    {
        std::lock_guard lock(PackerSettingsMutex());
        compressorCount = ExternalCompressors().Count();
        encryptorCount = ExternalEncryptors().Count();
    }
    // Selecting runs the list's handler, which takes the lock itself.
    if (page == pgCompressors && entry >= 0 && entry < compressorCount)
        compressors_->setCurrentRow(entry);
    if (page == pgEncryptors && entry >= 0 && entry < encryptorCount)
        encryptors_->setCurrentRow(entry);
    const int shownPage = page < 0 || page >= kPageCount ? RememberedPage : page;
    SetCurrentPage(shownPage);
    SetCurrentNode(RememberedNode);
    TranslateForm(this);
    resize(860, 600);
}

void TPrefsForm::NameControls() {
    const std::pair<QObject*, const char*> members[] = {
        {autorun_, "AutorunCheck"},
        {runMinimized_, "RunMinimizedCheck"},
        {hideTray_, "HideTrayIconCheck"},
        {showSplash_, "ShowSplashCheck"},
        {shutDownAtClose_, "ShutDownAtCloseCheck"},
        {confirmShutdown_, "ConfirmShutdownCheck"},
        {hotKeyUse_, "HotKeyUseCheck"},
        {hotKeyReset_, "HotKeyResetButton"},
        {simultaneous_, "SimultaneousRadio"},
        {oneAtATime_, "OneAtATimeRadio"},
        {pauseUse_, "PauseUseCheck"},
        {tempDefault_, "TempDefaultRadio"},
        {tempCustom_, "TempCustomRadio"},
        {tempBrowse_, "TempBrowseButton"},
        {grid_, "ShowGridCheck"},
        {runBefore_, "RunBeforeCheck"},
        {runBeforeBrowse_, "RunBeforeBrowseButton"},
        {runBeforeWait_, "RunBeforeWaitCheck"},
        {runAfter_, "RunAfterCheck"},
        {runAfterProgram_, "runAfterProgram"},
        {runAfterBrowse_, "RunAfterBrowseButton"},
        {runAfterWait_, "RunAfterWaitCheck"},
        {dialDisconnect_, "DialDisconnectCheck"},
        {hardwareProfiles_, "hardwareProfiles"},
        {bandwidthUse_, "BandwidthUseCheck"},
        {bandwidthValue_, "bandwidthValue"},
        {bandwidthMeasure_, "BandwidthMeasureCombo"},
        {logEnabled_, "LogEnabledCheck"},
        {logFileName_, "logFileName"},
        {logMaxSize_, "logMaxSize"},
        {powerNoBatteries_, "PowerNoBatteriesCheck"},
        {powerWake_, "PowerWakeCheck"},
        {smtpServer_, "smtpServer"},
        {smtpPort_, "smtpPort"},
        {smtpAuth_, "SmtpAuthCheck"},
        {smtpUser_, "smtpUser"},
        {smtpPassword_, "smtpPassword"},
        {emailFrom_, "emailFrom"},
        {emailSubject_, "emailSubject"},
    };
    // Names the tests already use stay as they are.
    const auto name = [](QObject* object, const QString& text) {
        if (object != nullptr && object->objectName().isEmpty())
            object->setObjectName(text);
    };
    for (const auto& [object, text] : members)
        name(object, QString::fromLatin1(text));
    for (size_t i = 0; i < logIncludes_.size(); ++i)
        name(logIncludes_[i], QStringLiteral("LogInclude%1Check").arg(i));
    for (size_t e = 0; e < events_.size(); ++e) {
        const TAlertControls& c = events_[e];
        name(c.dialog, QStringLiteral("Event%1DialogCheck").arg(e));
        name(c.balloon, QStringLiteral("Event%1BalloonCheck").arg(e));
        name(c.sound, QStringLiteral("Event%1SoundCheck").arg(e));
        name(c.soundBrowse, QStringLiteral("Event%1SoundBrowseButton").arg(e));
        name(c.soundPlay, QStringLiteral("Event%1PlayButton").arg(e));
        name(c.soundStop, QStringLiteral("Event%1StopButton").arg(e));
        name(c.emailUse, QStringLiteral("Event%1EmailCheck").arg(e));
        name(c.emailTest, QStringLiteral("Event%1SendTestButton").arg(e));
        name(c.sendLog, QStringLiteral("Event%1SendLogCheck").arg(e));
    }
    // The row labels of the forms are known by the field they stand for.
    for (QLabel* label : findChildren<QLabel*>()) {
        if (label->objectName().isEmpty() && label->buddy() != nullptr &&
            !label->buddy()->objectName().isEmpty())
            label->setObjectName(label->buddy()->objectName() + QStringLiteral("Label"));
    }
}

TPrefsForm::~TPrefsForm() = default;

int TPrefsForm::CurrentPage() const {
    return pages_->currentIndex();
}
void TPrefsForm::SetCurrentPage(int page) {
    pageList_->setCurrentRow(qBound(0, page, kPageCount - 1));
}
int TPrefsForm::CurrentNode() const {
    return panels_->currentIndex();
}
void TPrefsForm::SetCurrentNode(int node) {
    nodes_->setCurrentItem(nodes_->topLevelItem(qBound(0, node, kNodeCount - 1)));
}

// ---- pages -------------------------------------------------------------------------------------------

QWidget* TPrefsForm::BuildStartupPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    autorun_ = new QCheckBox(QStringLiteral("Run at system &startup"));
    runMinimized_ = new QCheckBox(QStringLiteral("Run &minimized"));
    hideTray_ = new QCheckBox(QStringLiteral("&Hide icon from system tray"));
    showSplash_ = new QCheckBox(QStringLiteral("Show splash scr&een at startup"));
    shutDownAtClose_ = new QCheckBox(QStringLiteral("Sh&ut down when main window is closed"));
    confirmShutdown_ = new QCheckBox(QStringLiteral("Show shutdown confirmation dialog"));
    hotKeyUse_ = new QCheckBox(QStringLiteral("Show main window on Hot Key:"));
    hotKey_ = new QKeySequenceEdit;
    hotKey_->setObjectName(QStringLiteral("hotKey"));
    hotKeyReset_ = new QPushButton(QStringLiteral("Reset to 'None'"));
    for (QCheckBox* box :
         {autorun_, runMinimized_, hideTray_, showSplash_, shutDownAtClose_, confirmShutdown_})
        layout->addWidget(box);
    auto* hotRow = new QHBoxLayout;
    hotRow->addWidget(hotKeyUse_);
    hotRow->addWidget(hotKey_, 1);
    hotRow->addWidget(hotKeyReset_);
    layout->addLayout(hotRow);
    layout->addStretch(1);
    connect(hotKeyUse_, &QCheckBox::toggled, this, &TPrefsForm::UpdateEnabling);
    connect(hotKeyReset_, &QPushButton::clicked, hotKey_, &QKeySequenceEdit::clear);
    // One combination only: the stored hot key holds a single key.
    connect(hotKey_, &QKeySequenceEdit::editingFinished, this, [this] {
        const QKeySequence shown = SequenceFromHotKey(HotKeyFromSequence(hotKey_->keySequence()));
        if (shown != hotKey_->keySequence())
            hotKey_->setKeySequence(shown);
    });
    return page;
}

QWidget* TPrefsForm::BuildPerformancePage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* runs =
        Named(new QGroupBox(QStringLiteral("Simultaneous Tasks")), QStringLiteral("SimultaneousBox"));
    auto* runsLayout = new QVBoxLayout(runs);
    simultaneous_ = new QRadioButton(QStringLiteral("Enable - several Tasks can run simultaneously"));
    oneAtATime_ = new QRadioButton(QStringLiteral("Disable - only one Task can run at a time"));
    runsLayout->addWidget(simultaneous_);
    runsLayout->addWidget(oneAtATime_);
    layout->addWidget(runs);

    auto* pause = Named(new QGroupBox(QStringLiteral("Scheduler")), QStringLiteral("SchedulerBox"));
    auto* pauseLayout = new QVBoxLayout(pause);
    pauseUse_ = new QCheckBox(QStringLiteral("Delay scheduled Tasks when the system starts"));
    pauseMin_ = new QSpinBox;
    pauseMin_->setObjectName(QStringLiteral("pauseMin"));
    pauseMin_->setRange(0, 32767);
    auto* pauseRow = new QHBoxLayout;
    pauseRow->addSpacing(20);
    pauseRow->addWidget(Named(new QLabel(QStringLiteral("Pause for")), QStringLiteral("PauseForLabel")));
    pauseRow->addWidget(pauseMin_);
    pauseRow->addWidget(Named(new QLabel(QStringLiteral("minute(s)")), QStringLiteral("PauseMinutesLabel")));
    pauseRow->addStretch(1);
    pauseLayout->addWidget(pauseUse_);
    pauseLayout->addLayout(pauseRow);
    layout->addWidget(pause);

    auto* temp = Named(new QGroupBox(QStringLiteral("Temporary Folder")), QStringLiteral("TempFolderBox"));
    auto* tempLayout = new QVBoxLayout(temp);
    auto* tempChoice = Named(new QButtonGroup(page), QStringLiteral("TempFolderGroup"));
    tempDefault_ = new QRadioButton(QStringLiteral("System default temporary folder"));
    tempCustom_ = new QRadioButton(QStringLiteral("Custom temporary folder:"));
    tempChoice->addButton(tempDefault_);
    tempChoice->addButton(tempCustom_);
    tempFolder_ = new QLineEdit;
    tempFolder_->setObjectName(QStringLiteral("tempFolder"));
    tempBrowse_ = new QPushButton(QStringLiteral("Browse..."));
    auto* tempRow = new QHBoxLayout;
    tempRow->addSpacing(20);
    tempRow->addWidget(tempFolder_, 1);
    tempRow->addWidget(tempBrowse_);
    tempLayout->addWidget(tempDefault_);
    tempLayout->addWidget(tempCustom_);
    tempLayout->addLayout(tempRow);
    layout->addWidget(temp);

    auto* link = Named(
        new QLabel(QStringLiteral("<a href=\"cpu\">Click here to change the default Task CPU Performance, "
                                  "this will also influence the performance of Tarnovex.</a>")),
        QStringLiteral("CpuLinkLabel"));
    link->setWordWrap(true);
    layout->addWidget(link);
    layout->addStretch(1);

    connect(pauseUse_, &QCheckBox::toggled, this, &TPrefsForm::UpdateEnabling);
    connect(tempCustom_, &QRadioButton::toggled, this, &TPrefsForm::UpdateEnabling);
    connect(tempBrowse_, &QPushButton::clicked, this, [this] {
        const QString folder =
            DialogMessages().AskFolder(this, QStringLiteral("Browse for folder"), tempFolder_->text());
        if (!folder.isEmpty())
            tempFolder_->setText(folder);
    });
    connect(link, &QLabel::linkActivated, this, [this] {
        SetCurrentPage(pgTaskDefaults);
        SetCurrentNode(ndCpuPerformance);
    });
    return page;
}

QWidget* TPrefsForm::BuildLogDisplayPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* colours = Named(new QGroupBox(QStringLiteral("Colors")), QStringLiteral("ColorsBox"));
    auto* grid = new QGridLayout(colours);
    grid->addWidget(Named(new QLabel(QStringLiteral("Background")), QStringLiteral("BackgroundLabel")), 0, 1);
    grid->addWidget(Named(new QLabel(QStringLiteral("Text")), QStringLiteral("TextLabel")), 0, 2);
    for (int row = 0; row < 8; ++row) {
        grid->addWidget(Named(new QLabel(QString::fromUtf8(kColourRows[row])),
                              QStringLiteral("ColorRow%1Label").arg(row)),
                        row + 1, 0);
        for (int side = 0; side < 2; ++side) {
            const int index = row * 2 + side;
            auto* button = new QPushButton;
            button->setObjectName(QStringLiteral("colour%1").arg(index));
            button->setFixedSize(56, 22);
            colourButtons_[static_cast<size_t>(index)] = button;
            grid->addWidget(button, row + 1, side + 1);
            connect(button, &QPushButton::clicked, this, [this, index] { ChooseColour(index); });
        }
    }
    grid->setColumnStretch(3, 1);
    layout->addWidget(colours);

    auto* fontRow = new QHBoxLayout;
    auto* fontButton =
        Named(new QPushButton(QStringLiteral("Change Font...")), QStringLiteral("ChangeFontButton"));
    fontNameLabel_ = new QLabel;
    fontNameLabel_->setObjectName(QStringLiteral("fontName"));
    fontSizeLabel_ = new QLabel;
    fontSizeLabel_->setObjectName(QStringLiteral("fontSize"));
    grid_ = new QCheckBox(QStringLiteral("Show grid"));
    fontRow->addWidget(fontButton);
    fontRow->addWidget(fontNameLabel_);
    fontRow->addWidget(fontSizeLabel_);
    fontRow->addStretch(1);
    fontRow->addWidget(grid_);
    layout->addLayout(fontRow);

    sample_ = Named(new QTreeWidget, QStringLiteral("SampleList"));
    sample_->setRootIsDecorated(false);
    sample_->setHeaderLabels(
        {QStringLiteral("N"), QStringLiteral("Date"), QStringLiteral("Time"), QStringLiteral("Event")});
    sample_->setSelectionMode(QAbstractItemView::NoSelection);
    sample_->setColumnWidth(0, 40);
    sample_->setColumnWidth(1, 80);
    sample_->setColumnWidth(2, 70);
    for (int row = 0; row < 8; ++row) {
        auto* item = new QTreeWidgetItem(sample_);
        item->setText(0, QString::number(row + 1));
        item->setText(1, QStringLiteral("10.12.2026"));
        item->setText(2, QStringLiteral("22:00:%1").arg(row, 2, 10, QLatin1Char('0')));
        item->setText(3, QString::fromUtf8(kSampleRows[row].Text));
    }
    layout->addWidget(sample_, 1);
    // A change of the desktop's colours repaints the sample with the view's new ones.
    sample_->installEventFilter(this);

    connect(fontButton, &QPushButton::clicked, this, [this] {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, LogDisplayFont(fontName_, fontSize_), this);
        if (!ok)
            return;
        fontName_ = chosen.family();
        fontSize_ = chosen.pointSize() > 0 ? chosen.pointSize() : fontSize_;
        RepaintSample();
    });
    connect(grid_, &QCheckBox::toggled, this, &TPrefsForm::RepaintSample);
    return page;
}

QWidget* TPrefsForm::BuildLanguagePage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(
        Named(new QLabel(QStringLiteral("Interface language:")), QStringLiteral("LanguageLabel")));
    languages_ = new QListWidget;
    languages_->setObjectName(QStringLiteral("languages"));
    languages_->addItem(QStringLiteral("English (Default)"));
    languages_->addItems(AvailableLanguageFiles());
    layout->addWidget(languages_, 1);
    auto* note = Named(new QLabel(QStringLiteral(
                           "NOTE: After changing the interface language the program must be restarted.")),
                       QStringLiteral("LanguageNoteLabel"));
    note->setWordWrap(true);
    layout->addWidget(note);
    return page;
}

QWidget* TPrefsForm::BuildCompressorsPage() {
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);
    auto* left = new QVBoxLayout;
    compressors_ = new QListWidget;
    compressors_->setObjectName(QStringLiteral("compressors"));
    compressors_->setFixedWidth(150);
    left->addWidget(compressors_, 1);
    auto* add = new QPushButton(QStringLiteral("Add..."));
    compressorDelete_ = new QPushButton(QStringLiteral("Delete..."));
    auto* restore = new QPushButton(QStringLiteral("Restore Defaults"));
    add->setObjectName(QStringLiteral("compressorAdd"));
    compressorDelete_->setObjectName(QStringLiteral("compressorDelete"));
    restore->setObjectName(QStringLiteral("compressorRestore"));
    for (QPushButton* b : {add, compressorDelete_, restore})
        left->addWidget(b);
    layout->addLayout(left);

    auto* form = new QFormLayout;
    for (int i = 0; i < 8; ++i) {
        auto* edit = new QLineEdit;
        edit->setObjectName(QStringLiteral("compressorField%1").arg(i));
        compressorFields_[static_cast<size_t>(i)] = edit;
        form->addRow(QString::fromUtf8(kCompressorLabels[i]), edit);
    }
    auto* levels = new QHBoxLayout;
    for (int i = 8; i < 11; ++i) {
        auto* edit = new QLineEdit;
        edit->setObjectName(QStringLiteral("compressorField%1").arg(i));
        compressorFields_[static_cast<size_t>(i)] = edit;
        levels->addWidget(Named(new QLabel(QString::fromUtf8(kCompressorLabels[i])),
                                QStringLiteral("compressorField%1Label").arg(i)));
        levels->addWidget(edit);
    }
    form->addRow(
        Named(new QLabel(QStringLiteral("Compression level:")), QStringLiteral("CompressionLevelLabel")),
        levels);
    auto* right = new QVBoxLayout;
    right->addLayout(form);
    right->addStretch(1);
    layout->addLayout(right, 1);

    connect(compressors_, &QListWidget::currentRowChanged, this, [this](int row) {
        std::lock_guard lock(PackerSettingsMutex());
        WriteCompressor();
        ShowCompressor(row);
    });
    connect(add, &QPushButton::clicked, this, &TPrefsForm::AddCompressor);
    connect(compressorDelete_, &QPushButton::clicked, this, &TPrefsForm::DeleteCompressor);
    connect(restore, &QPushButton::clicked, this, &TPrefsForm::RestoreCompressors);
    return page;
}

QWidget* TPrefsForm::BuildEncryptorsPage() {
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);
    auto* left = new QVBoxLayout;
    encryptors_ = new QListWidget;
    encryptors_->setObjectName(QStringLiteral("encryptors"));
    encryptors_->setFixedWidth(150);
    left->addWidget(encryptors_, 1);
    auto* add = new QPushButton(QStringLiteral("Add..."));
    encryptorDelete_ = new QPushButton(QStringLiteral("Delete..."));
    auto* restore = new QPushButton(QStringLiteral("Restore Defaults"));
    add->setObjectName(QStringLiteral("encryptorAdd"));
    encryptorDelete_->setObjectName(QStringLiteral("encryptorDelete"));
    restore->setObjectName(QStringLiteral("encryptorRestore"));
    for (QPushButton* b : {add, encryptorDelete_, restore})
        left->addWidget(b);
    layout->addLayout(left);

    auto* form = new QFormLayout;
    const char* const labels[3] = {"Encrypt", "Decrypt", "Encrypted file extension"};
    for (int i = 0; i < 3; ++i) {
        auto* edit = new QLineEdit;
        edit->setObjectName(QStringLiteral("encryptorField%1").arg(i));
        encryptorFields_[static_cast<size_t>(i)] = edit;
        form->addRow(QString::fromUtf8(labels[i]), edit);
    }
    encryptorDescription_ = new QPlainTextEdit;
    encryptorDescription_->setObjectName(QStringLiteral("encryptorDescription"));
    form->addRow(QStringLiteral("Description:"), encryptorDescription_);
    layout->addLayout(form, 1);

    connect(encryptors_, &QListWidget::currentRowChanged, this, [this](int row) {
        std::lock_guard lock(PackerSettingsMutex());
        WriteEncryptor();
        ShowEncryptor(row);
    });
    connect(add, &QPushButton::clicked, this, &TPrefsForm::AddEncryptor);
    connect(encryptorDelete_, &QPushButton::clicked, this, &TPrefsForm::DeleteEncryptor);
    connect(restore, &QPushButton::clicked, this, &TPrefsForm::RestoreEncryptors);
    return page;
}

QWidget* TPrefsForm::BuildTaskDefaultsPage() {
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);
    nodes_ = new QTreeWidget;
    nodes_->setObjectName(QStringLiteral("nodes"));
    nodes_->setHeaderHidden(true);
    nodes_->setRootIsDecorated(false);
    panels_ = new QStackedWidget;
    const std::pair<const char*, const char*> captions[kNodeCount] = {
        {"Run Programs", "strTaskPropAdvancedRunPrograms"},
        {"Auto Dial", "strTaskPropAdvancedAutoDial"},
        {"Hardware Profile", "strTaskPropAdvancedHardwareProfile"},
        {"Limit Bandwith", "strTaskPropAdvancedLimitBandwith"},
        {"Task Password", "strTaskPropAdvancedTaskPassword"},
        {"Log Settings", "strTaskPropAdvancedLogSettings"},
        {"Event Alerts", "strTaskPropAdvancedEventAlerts"},
        {"CPU Performance", "strTaskPropAdvancedCPUPerformance"},
        {"Power Management", "strTaskPropAdvancedPowerManagement"},
        {"Email Settings", "strTaskPropAdvancedEmailSettings"}};
    for (const auto& [text, key] : captions)
        new QTreeWidgetItem(nodes_, {Tr(text, key)});
    // As wide as the longest caption (a tree view hides the measure; its base class offers it).
    nodes_->setFixedWidth(static_cast<QAbstractItemView*>(nodes_)->sizeHintForColumn(0) + 24);
    panels_->addWidget(BuildRunProgramsPanel());
    panels_->addWidget(BuildAutoDialPanel());
    panels_->addWidget(BuildHardwarePanel());
    panels_->addWidget(BuildBandwidthPanel());
    panels_->addWidget(BuildPasswordPanel());
    panels_->addWidget(BuildLogSettingsPanel());
    auto* alertsScroll = new QScrollArea;
    alertsScroll->setWidgetResizable(true);
    alertsScroll->setFrameShape(QFrame::NoFrame);
    alertsScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    alertsScroll->setWidget(BuildEventAlertsPanel());
    // In a box titled like the other panels.
    auto* alertsBox = new QGroupBox(Tr("Event Alerts", "strTaskPropAdvancedEventAlerts"));
    auto* alertsLayout = new QVBoxLayout(alertsBox);
    alertsLayout->setContentsMargins(0, 0, 0, 0);
    alertsLayout->addWidget(alertsScroll);
    panels_->addWidget(alertsBox);
    panels_->addWidget(BuildCpuPanel());
    panels_->addWidget(BuildPowerPanel());
    panels_->addWidget(BuildEmailPanel());
    connect(nodes_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item)
            panels_->setCurrentIndex(nodes_->indexOfTopLevelItem(item));
    });
    layout->addWidget(nodes_);
    layout->addWidget(panels_, 1);
    return page;
}

QWidget* TPrefsForm::BuildRunProgramsPanel() {
    auto* panel = new QGroupBox(Tr("Run Programs", "strTaskPropAdvancedRunPrograms"));
    auto* layout = new QVBoxLayout(panel);
    auto makeRow = [&](const QString& caption, QCheckBox*& use, QLineEdit*& program, QPushButton*& browse,
                       QCheckBox*& wait) {
        use = new QCheckBox(caption);
        program = new QLineEdit;
        browse = new QPushButton(QStringLiteral("Browse..."));
        wait = new QCheckBox(QStringLiteral("Wait for the program to finish"));
        auto* row = new QHBoxLayout;
        row->addSpacing(20);
        row->addWidget(program, 1);
        row->addWidget(browse);
        layout->addWidget(use);
        layout->addLayout(row);
        auto* waitRow = new QHBoxLayout;
        waitRow->addSpacing(20);
        waitRow->addWidget(wait);
        layout->addLayout(waitRow);
        connect(use, &QCheckBox::toggled, this, &TPrefsForm::UpdateEnabling);
        connect(browse, &QPushButton::clicked, this, [this, program] {
            const QString file = QFileDialog::getOpenFileName(this, QString(), program->text());
            if (!file.isEmpty())
                program->setText(file);
        });
    };
    makeRow(QStringLiteral("Run program before the Task starts:"), runBefore_, runBeforeProgram_,
            runBeforeBrowse_, runBeforeWait_);
    makeRow(QStringLiteral("Run program after the Task finishes:"), runAfter_, runAfterProgram_,
            runAfterBrowse_, runAfterWait_);
    runBeforeProgram_->setObjectName(QStringLiteral("runBeforeProgram"));
    layout->addStretch(1);
    return panel;
}

QWidget* TPrefsForm::BuildAutoDialPanel() {
    auto* panel = new QGroupBox(Tr("Auto Dial", "strTaskPropAdvancedAutoDial"));
    auto* layout = new QVBoxLayout(panel);
    layout->addWidget(Named(new QLabel(QStringLiteral("Connect before the Task starts:")),
                            QStringLiteral("DialEntriesLabel")));
    dialEntries_ = new QListWidget;
    dialEntries_->setObjectName(QStringLiteral("dialEntries"));
    layout->addWidget(dialEntries_, 1);
    dialDisconnect_ = new QCheckBox(QStringLiteral("Disconnect when the Task is finished"));
    layout->addWidget(dialDisconnect_);
    return panel;
}

QWidget* TPrefsForm::BuildHardwarePanel() {
    auto* panel = new QGroupBox(Tr("Hardware Profile", "strTaskPropAdvancedHardwareProfile"));
    auto* layout = new QVBoxLayout(panel);
    hardwareLabel_ =
        Named(new QLabel(QStringLiteral("Do not run scheduled Tasks on these hardware profiles:")),
              QStringLiteral("HardwareProfilesLabel"));
    layout->addWidget(hardwareLabel_);
    hardwareProfiles_ = new QListWidget;
    layout->addWidget(hardwareProfiles_, 1);
    noHardwareProfiles_ =
        Named(new QLabel(QStringLiteral("This system has no hardware profiles; scheduled Tasks are never "
                                        "skipped because of one.")),
              QStringLiteral("NoHardwareProfilesLabel"));
    noHardwareProfiles_->setWordWrap(true);
    layout->addWidget(noHardwareProfiles_);
    layout->addStretch(1);
    return panel;
}

QWidget* TPrefsForm::BuildBandwidthPanel() {
    auto* panel = new QGroupBox(Tr("Limit Bandwith", "strTaskPropAdvancedLimitBandwith"));
    auto* layout = new QVBoxLayout(panel);
    bandwidthUse_ = new QCheckBox(QStringLiteral("Limit the bandwidth used by the Task"));
    bandwidthValue_ = new QSpinBox;
    bandwidthValue_->setRange(1, 32767);
    bandwidthMeasure_ = new QComboBox;
    bandwidthMeasure_->addItems({QStringLiteral("KBits"), QStringLiteral("MBits")});
    auto* row = new QHBoxLayout;
    row->addSpacing(20);
    row->addWidget(bandwidthValue_);
    row->addWidget(bandwidthMeasure_);
    row->addWidget(Named(new QLabel(QStringLiteral("per second")), QStringLiteral("PerSecondLabel")));
    row->addStretch(1);
    layout->addWidget(bandwidthUse_);
    layout->addLayout(row);
    layout->addStretch(1);
    connect(bandwidthUse_, &QCheckBox::toggled, this, &TPrefsForm::UpdateEnabling);
    return panel;
}

QWidget* TPrefsForm::BuildPasswordPanel() {
    auto* panel = new QGroupBox(Tr("Task Password", "strTaskPropAdvancedTaskPassword"));
    auto* form = new QFormLayout(panel);
    currentPassword_ = new QLineEdit;
    currentPassword_->setObjectName(QStringLiteral("currentPassword"));
    changePassword_ = new QCheckBox(QStringLiteral("Change password:"));
    changePassword_->setObjectName(QStringLiteral("changePassword"));
    newPassword_ = new QLineEdit;
    newPassword_->setObjectName(QStringLiteral("newPassword"));
    confirmPassword_ = new QLineEdit;
    confirmPassword_->setObjectName(QStringLiteral("confirmPassword"));
    reminder_ = new QLineEdit;
    reminder_->setObjectName(QStringLiteral("reminder"));
    for (QLineEdit* edit : {currentPassword_, newPassword_, confirmPassword_})
        edit->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("Current password:"), currentPassword_);
    form->addRow(changePassword_);
    form->addRow(QStringLiteral("New password:"), newPassword_);
    form->addRow(QStringLiteral("Confirm password:"), confirmPassword_);
    form->addRow(QStringLiteral("Password reminder:"), reminder_);
    connect(currentPassword_, &QLineEdit::textChanged, this, &TPrefsForm::UpdatePasswordEnabling);
    connect(changePassword_, &QCheckBox::toggled, this, &TPrefsForm::UpdatePasswordEnabling);
    return panel;
}

QWidget* TPrefsForm::BuildLogSettingsPanel() {
    auto* panel = new QGroupBox(Tr("Log Settings", "strTaskPropAdvancedLogSettings"));
    auto* layout = new QVBoxLayout(panel);
    logEnabled_ = new QCheckBox(QStringLiteral("Enable activity logging"));
    logFileName_ = new QLineEdit;
    logMaxSize_ = new QSpinBox;
    logMaxSize_->setRange(0, 32767);
    // 0 does not mean unlimited: the log starts afresh at every program start.
    logMaxSize_->setSpecialValueText(QStringLiteral("restart at every program start"));
    logMaxSize_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Log file name:"), logFileName_);
    form->addRow(QStringLiteral("Maximum log size (KB):"), logMaxSize_);
    layout->addWidget(logEnabled_);
    layout->addLayout(form);
    const char* const includes[7] = {"Include summary",
                                     "Include processed files",
                                     "Include skipped files",
                                     "Include warnings",
                                     "Include errors",
                                     "Include FTP commands",
                                     "Include console output of external programs"};
    for (int i = 0; i < 7; ++i) {
        logIncludes_[static_cast<size_t>(i)] = new QCheckBox(QString::fromUtf8(includes[i]));
        layout->addWidget(logIncludes_[static_cast<size_t>(i)]);
    }
    layout->addStretch(1);
    connect(logEnabled_, &QCheckBox::toggled, this, &TPrefsForm::UpdateEnabling);
    return panel;
}

QWidget* TPrefsForm::BuildEventAlertsPanel() {
    auto* panel = new QWidget;
    auto* layout = new QVBoxLayout(panel);
    auto* top = new QHBoxLayout;
    top->addWidget(
        Named(new QLabel(QStringLiteral("Event alerts settings for:")), QStringLiteral("AlertSetLabel")));
    alertSet_ = new QComboBox;
    alertSet_->setObjectName(QStringLiteral("alertSet"));
    alertSet_->addItems({QStringLiteral("Scheduled Project Run"), QStringLiteral("Manual Project Run"),
                         QStringLiteral("Application Silent Mode (TARNOVEX.EXE /SILENT)")});
    top->addWidget(alertSet_, 1);
    layout->addLayout(top);
    std::vector<QGridLayout*> grids;
    for (int e = 0; e < kAlertEventCount; ++e) {
        TAlertControls& c = events_[static_cast<size_t>(e)];
        auto* box =
            Named(new QGroupBox(QString::fromUtf8(kEventCaptions[e])), QStringLiteral("Event%1Box").arg(e));
        auto* grid = new QGridLayout(box);
        c.dialog = new QCheckBox(QStringLiteral("Show message dialog"));
        c.balloon = new QCheckBox(QStringLiteral("Show balloon message in system tray"));
        c.sound = new QCheckBox(QStringLiteral("Play sound"));
        c.soundFile = new QLineEdit;
        c.soundFile->setObjectName(QStringLiteral("soundFile%1").arg(e));
        c.soundBrowse = new QPushButton(QStringLiteral("..."));
        c.soundBrowse->setToolTip(QStringLiteral("Browse..."));
        c.soundBrowse->setAccessibleName(QStringLiteral("Browse"));
        // Play and stop are small icon buttons, as in the task's own alerts, so that the file name gets
        // the width of the row.
        c.soundPlay = new QPushButton;
        c.soundPlay->setToolTip(QStringLiteral("Play"));
        c.soundPlay->setAccessibleName(QStringLiteral("Play"));
        c.soundStop = new QPushButton;
        c.soundStop->setToolTip(QStringLiteral("Stop"));
        c.soundStop->setAccessibleName(QStringLiteral("Stop"));
        // The two check boxes of the first row share it, so that the first column is only as wide as
        // "Play sound" and "Send email to" and the fields after them get the rest.
        auto* showRow = new QHBoxLayout;
        showRow->addWidget(c.dialog);
        showRow->addSpacing(12);
        showRow->addWidget(c.balloon);
        showRow->addStretch(1);
        grid->addLayout(showRow, 0, 0, 1, 2);
        grid->addWidget(c.sound, 1, 0);
        auto* soundRow = new QHBoxLayout;
        soundRow->addWidget(c.soundFile, 1);
        for (QPushButton* b : {c.soundBrowse, c.soundPlay, c.soundStop}) {
            b->setFixedWidth(32);
            soundRow->addWidget(b);
        }
        c.soundFile->setMinimumWidth(160);
        grid->addLayout(soundRow, 1, 1);
        connect(c.sound, &QCheckBox::toggled, this, &TPrefsForm::UpdateEnabling);
        // The typed name reaches the shown set at once, as the alert set itself does when left.
        connect(c.soundFile, &QLineEdit::textEdited, this, [this, e](const QString& text) {
            AlertOf(GlobalSettings().TasksDefaults.Events, static_cast<TAlertSet>(shownAlertSet_),
                    static_cast<TAlertEventKind>(e))
                .SoundFile = text;
        });
        connect(c.soundBrowse, &QPushButton::clicked, this, [this, e] {
            const QString file = QFileDialog::getOpenFileName(
                this, QString(), SoundPath(events_[static_cast<size_t>(e)].soundFile->text()),
                QStringLiteral("Sound Files (*.wav *.mid);;Any files (*)"));
            if (!file.isEmpty()) {
                events_[static_cast<size_t>(e)].soundFile->setText(file);
                AlertOf(GlobalSettings().TasksDefaults.Events, static_cast<TAlertSet>(shownAlertSet_),
                        static_cast<TAlertEventKind>(e))
                    .SoundFile = file;
            }
        });
        connect(c.soundPlay, &QPushButton::clicked, this, [this, e] {
            sound_->stop();
            sound_->setSource(
                QUrl::fromLocalFile(SoundPath(events_[static_cast<size_t>(e)].soundFile->text())));
            sound_->play();
        });
        connect(c.soundStop, &QPushButton::clicked, this, [this] { sound_->stop(); });
        if (e != static_cast<int>(TAlertEventKind::File)) {
            c.emailUse = new QCheckBox(QStringLiteral("Send email to"));
            c.email = new QLineEdit;
            c.email->setObjectName(QStringLiteral("email%1").arg(e));
            c.emailTest = new QPushButton(QStringLiteral("Send Test"));
            grid->addWidget(c.emailUse, 2, 0);
            auto* emailRow = new QHBoxLayout;
            emailRow->addWidget(c.email, 1);
            c.emailTest->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
            emailRow->addWidget(c.emailTest);
            grid->addLayout(emailRow, 2, 1);
            connect(c.emailUse, &QCheckBox::toggled, this, [this, e](bool on) {
                TAlertControls& controls = events_[static_cast<size_t>(e)];
                if (on && controls.email->text().trimmed().isEmpty())
                    controls.email->setText(emailTo_->text());
                UpdateEnabling();
            });
            connect(c.emailTest, &QPushButton::clicked, this, [this, e] { SendEventTest(e); });
        }
        if (e == static_cast<int>(TAlertEventKind::Finish)) {
            c.sendLog = new QCheckBox(QStringLiteral("Send the full log file contents"));
            grid->addWidget(c.sendLog, 3, 1);
        }
        grid->setColumnStretch(1, 1);
        grids.push_back(grid);
        layout->addWidget(box);
    }
    // The fields of every box start at the same place, also in the box without an e-mail row.
    int firstColumn = 0;
    for (const TAlertControls& c : events_)
        for (QWidget* w : {static_cast<QWidget*>(c.sound), static_cast<QWidget*>(c.emailUse)})
            if (w != nullptr)
                firstColumn = std::max(firstColumn, w->sizeHint().width());
    for (QGridLayout* grid : grids)
        grid->setColumnMinimumWidth(0, firstColumn);
    auto* link = Named(
        new QLabel(QStringLiteral("<a href=\"email\">Click here to customize Email Sending Settings</a>")),
        QStringLiteral("EmailLinkLabel"));
    layout->addWidget(link);
    connect(link, &QLabel::linkActivated, this, [this] { SetCurrentNode(ndEmailSettings); });
    connect(alertSet_, &QComboBox::currentIndexChanged, this, [this](int set) {
        if (set < 0)
            return;
        WriteAlertSet(shownAlertSet_);
        ShowAlertSet(set);
    });
    return panel;
}

QWidget* TPrefsForm::BuildCpuPanel() {
    auto* panel = new QGroupBox(Tr("CPU Performance", "strTaskPropAdvancedCPUPerformance"));
    auto* layout = new QVBoxLayout(panel);
    cpu_ = Named(new QButtonGroup(panel), QStringLiteral("CpuGroup"));
    const char* const names[7] = {"Idle",         "Low",  "Below Normal", "Normal",
                                  "Above Normal", "High", "Realtime"};
    // The priority recommended is the one the settings start with, as the initialization wizard says.
    const int recommended = TTasksDefaults().CpuPerformance;
    for (int i = 0; i < 7; ++i) {
        QString caption = QString::fromUtf8(names[i]);
        if (i == recommended)
            caption += QStringLiteral(" (recommended)");
        auto* radio = Named(new QRadioButton(caption), QStringLiteral("Cpu%1Radio").arg(i));
        cpu_->addButton(radio, i);
        layout->addWidget(radio);
    }
    layout->addStretch(1);
    return panel;
}

QWidget* TPrefsForm::BuildPowerPanel() {
    auto* panel = new QGroupBox(Tr("Power Management", "strTaskPropAdvancedPowerManagement"));
    auto* layout = new QVBoxLayout(panel);
    powerNoBatteries_ =
        new QCheckBox(QStringLiteral("Don't start the Task if the computer is running on batteries"));
    powerWake_ = new QCheckBox(QStringLiteral("Wake the computer to run the Task"));
    layout->addWidget(powerNoBatteries_);
    layout->addWidget(powerWake_);
    auto* mode = Named(new QGroupBox(QStringLiteral("When the computer switches to batteries:")),
                       QStringLiteral("BatteryModeBox"));
    auto* modeLayout = new QVBoxLayout(mode);
    batteryMode_ = Named(new QButtonGroup(panel), QStringLiteral("BatteryModeGroup"));
    const char* const names[3] = {"Continue as before", "Suspend", "Abort/Stop"};
    for (int i = 0; i < 3; ++i) {
        auto* radio =
            Named(new QRadioButton(QString::fromUtf8(names[i])), QStringLiteral("BatteryMode%1Radio").arg(i));
        batteryMode_->addButton(radio, i);
        modeLayout->addWidget(radio);
    }
    layout->addWidget(mode);
    layout->addStretch(1);
    return panel;
}

QWidget* TPrefsForm::BuildEmailPanel() {
    auto* panel = new QGroupBox(Tr("Email Settings", "strTaskPropAdvancedEmailSettings"));
    auto* form = new QFormLayout(panel);
    smtpServer_ = new QLineEdit;
    smtpPort_ = new QSpinBox;
    smtpPort_->setRange(0, 32767);
    // A port number and a button keep their own widths; the text fields take the column.
    smtpPort_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    smtpAuth_ = new QCheckBox(QStringLiteral("Perform SMTP Authentication (RFC 2554)"));
    smtpUser_ = new QLineEdit;
    smtpPassword_ = new QLineEdit;
    smtpPassword_->setEchoMode(QLineEdit::Password);
    emailTo_ = new QLineEdit;
    emailTo_->setObjectName(QStringLiteral("emailTo"));
    emailFrom_ = new QLineEdit;
    emailSubject_ = new QLineEdit;
    auto* test =
        Named(new QPushButton(QStringLiteral("Send Test &Email")), QStringLiteral("SendTestEmailButton"));
    test->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    form->addRow(QStringLiteral("SMTP server:"), smtpServer_);
    form->addRow(QStringLiteral("Port:"), smtpPort_);
    form->addRow(smtpAuth_);
    form->addRow(QStringLiteral("User:"), smtpUser_);
    form->addRow(QStringLiteral("Password:"), smtpPassword_);
    form->addRow(QStringLiteral("To:"), emailTo_);
    form->addRow(QStringLiteral("From:"), emailFrom_);
    form->addRow(QStringLiteral("Subject:"), emailSubject_);
    form->addRow(QString(), test);
    connect(smtpAuth_, &QCheckBox::toggled, this, &TPrefsForm::UpdateEnabling);
    connect(test, &QPushButton::clicked, this, [this] {
        const TEmailSettings settings = EmailFields().Entered();
        QPointer<QWidget> self(this);
        SendTestEmailAsync(settings,
                           [self](const TTestEmailResult& result) { ShowTestOutcome(self, result); });
    });
    return panel;
}

// ---- values -------------------------------------------------------------------------------------------

void TPrefsForm::LoadControls() {
    const TGlobalSettings& g = GlobalSettings();
    const TStartupSettings& st = g.Startup;
    autorun_->setChecked(Autostart::Exists());
    runMinimized_->setChecked(st.StartupRunMinimized);
    hideTray_->setChecked(st.StartupHideTrayIcon);
    showSplash_->setChecked(st.StartupShowSplash);
    shutDownAtClose_->setChecked(st.StartupShutDownAtClose);
    confirmShutdown_->setChecked(st.StartupConfirmShutdown);
    hotKeyUse_->setChecked(st.StartupHotKeyUse);
    hotKey_->setKeySequence(SequenceFromHotKey(st.StartupHotKey));

    const TPerformanceSettings& p = g.Performance;
    (p.DisallowSimultaneousBackup ? oneAtATime_ : simultaneous_)->setChecked(true);
    pauseUse_->setChecked(p.SchedulePauseUse);
    pauseMin_->setValue(p.SchedulePauseMin);
    (p.TempDirDefault ? tempDefault_ : tempCustom_)->setChecked(true);
    tempFolder_->setText(p.TempDirCustom);

    TLogDisplaySettings display = g.LogDisplay;
    for (int i = 0; i < 16; ++i)
        colours_[static_cast<size_t>(i)] = *ColourSlot(display, i);
    fontName_ = display.LogFontName;
    fontSize_ = display.LogFontSize;
    grid_->setChecked(display.LogGrid);
    RepaintSample();

    languageAtOpening_ = 0;
    for (int row = 1; row < languages_->count(); ++row) {
        if (QString::compare(languages_->item(row)->text() + QStringLiteral(".lng"), g.Language,
                             Qt::CaseInsensitive) == 0) {
            languageAtOpening_ = row;
            break;
        }
    }
    languages_->setCurrentRow(languageAtOpening_);

    const TTasksDefaults& d = g.TasksDefaults;
    runBefore_->setChecked(d.RunBefore);
    runBeforeProgram_->setText(d.RunBeforeProgramName);
    runBeforeWait_->setChecked(d.RunBeforeWaitProgram);
    runAfter_->setChecked(d.RunAfter);
    runAfterProgram_->setText(d.RunAfterProgramName);
    runAfterWait_->setChecked(d.RunAfterWaitProgram);

    dialEntries_->clear();
    dialEntries_->addItem(Tr("[none]", "strRasNoneSelected"));
    dialEntries_->addItems(DialEntriesSource ? DialEntriesSource() : QStringList());
    dialEntries_->setCurrentRow(0);
    for (int row = 1; row < dialEntries_->count(); ++row)
        if (dialEntries_->item(row)->text() == d.DialEntry)
            dialEntries_->setCurrentRow(row);
    dialDisconnect_->setChecked(d.DialDisconnectAfter);

    hardwareProfiles_->clear();
    hardwareProfiles_->addItems(HardwareProfilesSource ? HardwareProfilesSource() : QStringList());
    const QStringList skipped = d.HardwareSkipList.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (int row = 0; row < hardwareProfiles_->count(); ++row) {
        QListWidgetItem* item = hardwareProfiles_->item(row);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(skipped.contains(item->text()) ? Qt::Checked : Qt::Unchecked);
    }
    // An empty list would look like a fault; the note says why it is empty.
    const bool noProfiles = hardwareProfiles_->count() == 0;
    hardwareProfiles_->setVisible(!noProfiles);
    hardwareLabel_->setVisible(!noProfiles);
    noHardwareProfiles_->setVisible(noProfiles);

    bandwidthUse_->setChecked(d.BandwidthUse);
    bandwidthValue_->setValue(d.BandwidthValue);
    bandwidthMeasure_->setCurrentIndex(d.BandwidthMeasure == QStringLiteral("KBits") ? 0 : 1);

    currentPassword_->clear();
    // Without a password there is nothing to confirm: the field stays empty, which matches.
    currentPassword_->setEnabled(!d.Password.isEmpty());
    currentPassword_->setPlaceholderText(d.Password.isEmpty() ? QStringLiteral("No password is set")
                                                              : QString());
    changePassword_->setChecked(false);
    newPassword_->clear();
    confirmPassword_->clear();
    reminder_->setText(d.PasswordReminder);

    logEnabled_->setChecked(d.LogEnabled);
    logFileName_->setText(d.LogFileName);
    logMaxSize_->setValue(d.LogMaxSize);
    const bool includes[7] = {d.LogIncludeSummary,  d.LogIncludeFiles,  d.LogIncludeSkipping,
                              d.LogIncludeWarnings, d.LogIncludeErrors, d.LogIncludeFtp,
                              d.LogIncludeConsole};
    for (int i = 0; i < 7; ++i)
        logIncludes_[static_cast<size_t>(i)]->setChecked(includes[i]);

    {
        const QSignalBlocker block(alertSet_);
        alertSet_->setCurrentIndex(0);
    }
    ShowAlertSet(0);

    if (QAbstractButton* b = cpu_->button(qBound(0, static_cast<int>(d.CpuPerformance), 6)))
        b->setChecked(true);
    powerNoBatteries_->setChecked(d.PowerDontStartOnBatteries);
    powerWake_->setChecked(d.PowerWakeToRun);
    const int mode = d.PowerBatteryMode == QStringLiteral("S")   ? 1
                     : d.PowerBatteryMode == QStringLiteral("A") ? 2
                                                                 : 0;
    batteryMode_->button(mode)->setChecked(true);

    EmailFields().Show(EmailSettingsOf(d));

    for (QLineEdit* edit : {runBeforeProgram_, runAfterProgram_, tempFolder_, logFileName_, smtpServer_,
                            smtpUser_, emailTo_, emailFrom_, emailSubject_})
        ShowStart(edit);
    UpdateEnabling();
}

void TPrefsForm::UpdateEnabling() {
    hotKey_->setEnabled(hotKeyUse_->isChecked());
    hotKeyReset_->setEnabled(hotKeyUse_->isChecked());
    pauseMin_->setEnabled(pauseUse_->isChecked());
    tempFolder_->setEnabled(tempCustom_->isChecked());
    tempBrowse_->setEnabled(tempCustom_->isChecked());
    for (QWidget* w : {static_cast<QWidget*>(runBeforeProgram_), static_cast<QWidget*>(runBeforeBrowse_),
                       static_cast<QWidget*>(runBeforeWait_)})
        w->setEnabled(runBefore_->isChecked());
    for (QWidget* w : {static_cast<QWidget*>(runAfterProgram_), static_cast<QWidget*>(runAfterBrowse_),
                       static_cast<QWidget*>(runAfterWait_)})
        w->setEnabled(runAfter_->isChecked());
    bandwidthValue_->setEnabled(bandwidthUse_->isChecked());
    bandwidthMeasure_->setEnabled(bandwidthUse_->isChecked());
    logFileName_->setEnabled(logEnabled_->isChecked());
    logMaxSize_->setEnabled(logEnabled_->isChecked());
    for (QCheckBox* box : logIncludes_)
        box->setEnabled(logEnabled_->isChecked());
    for (TAlertControls& c : events_) {
        for (QWidget* w : {static_cast<QWidget*>(c.soundFile), static_cast<QWidget*>(c.soundBrowse),
                           static_cast<QWidget*>(c.soundPlay), static_cast<QWidget*>(c.soundStop)})
            w->setEnabled(c.sound->isChecked());
    }
    smtpUser_->setEnabled(smtpAuth_->isChecked());
    smtpPassword_->setEnabled(smtpAuth_->isChecked());
    UpdatePasswordEnabling();
}

void TPrefsForm::UpdatePasswordEnabling() {
    const bool matches = currentPassword_->text() == GlobalSettings().TasksDefaults.Password;
    changePassword_->setEnabled(matches);
    const bool editing = matches && changePassword_->isChecked();
    newPassword_->setEnabled(editing);
    confirmPassword_->setEnabled(editing);
    reminder_->setEnabled(editing);
}

void TPrefsForm::PaintColourButton(int index) {
    const bool background = index % 2 == 0;
    const QColor colour = ShownColour(colours_[static_cast<size_t>(index)], background, palette());
    colourButtons_[static_cast<size_t>(index)]->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; border: 1px solid palette(mid); }")
            .arg(colour.name()));
}

void TPrefsForm::ChooseColour(int index) {
    const bool background = index % 2 == 0;
    const QColor chosen = QColorDialog::getColor(
        ShownColour(colours_[static_cast<size_t>(index)], background, palette()), this);
    if (!chosen.isValid())
        return;
    colours_[static_cast<size_t>(index)] = StoredFromColour(chosen);
    RepaintSample();
}

void TPrefsForm::RepaintSample() {
    if (repainting_)
        return;
    repainting_ = true;
    for (int i = 0; i < 16; ++i)
        PaintColourButton(i);
    // The name as stored stays; the labels say what the log is shown in where the family is missing.
    const QFont font = LogDisplayFont(fontName_, fontSize_);
    fontNameLabel_->setText(
        LogFontInstalled(fontName_)
            ? LogFontFamilyName(fontName_)
            : QStringLiteral("%1 (%2 is not installed)").arg(font.family(), LogFontFamilyName(fontName_)));
    fontSizeLabel_->setText(QString::number(fontSize_));
    sample_->setFont(font);
    const QString grid = grid_->isChecked()
                             ? QStringLiteral("QTreeView::item { border: 1px solid palette(mid); }")
                             : QString();
    if (sample_->styleSheet() != grid)
        sample_->setStyleSheet(grid);
    // The rows take the colours by the log panel's own rule, against the sample's palette: a stored
    // colour that would not read on the view's own (black text on a dark theme's window background)
    // gives way, as it does in the log panel.
    TLogDisplaySettings chosen;
    for (int i = 0; i < 16; ++i)
        *ColourSlot(chosen, i) = colours_[static_cast<size_t>(i)];
    const QPalette view = sample_->palette();
    for (int row = 0; row < 8; ++row) {
        QTreeWidgetItem* item = sample_->topLevelItem(row);
        const TSampleRow& sample = kSampleRows[row];
        const QString text = QString::fromUtf8(sample.Text);
        const QColor bg = TLogModel::Background(sample.Kind, text, chosen);
        const QColor fg = TLogModel::Foreground(sample.Kind, text, chosen, view);
        for (int column = 0; column < 4; ++column) {
            // No colour: the view's own, as the log panel leaves it.
            item->setData(column, Qt::BackgroundRole, bg.isValid() ? QVariant(QBrush(bg)) : QVariant());
            item->setData(column, Qt::ForegroundRole, fg.isValid() ? QVariant(QBrush(fg)) : QVariant());
        }
    }
    repainting_ = false;
}

void TPrefsForm::PaintMediaButtons() {
    const QIcon play = MediaIcon(true, palette());
    const QIcon stop = MediaIcon(false, palette());
    for (TAlertControls& c : events_) {
        c.soundPlay->setIcon(play);
        c.soundStop->setIcon(stop);
    }
}

bool TPrefsForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == sample_ && event->type() == QEvent::PaletteChange) {
        RepaintSample();
        PaintMediaButtons();
    }
    return QDialog::eventFilter(watched, event);
}

// ---- alert sets ---------------------------------------------------------------------------------------

void TPrefsForm::ShowAlertSet(int set) {
    shownAlertSet_ = set;
    ShowAlertChannels(GlobalSettings().TasksDefaults.Events[static_cast<size_t>(set)], events_);
    for (TAlertControls& c : events_) {
        ShowStart(c.soundFile);
        if (c.email)
            ShowStart(c.email);
    }
    UpdateEnabling();
}

void TPrefsForm::WriteAlertSet(int set) {
    TAlertSetChannels& channels = GlobalSettings().TasksDefaults.Events[static_cast<size_t>(set)];
    StoreAlertChannels(events_, channels);
    // Every event carries the flag in memory; only the finish event's is stored, one per set.
    const bool sendLog = channels[static_cast<size_t>(TAlertEventKind::Finish)].EmailSendLog;
    for (TAlertChannels& other : channels)
        other.EmailSendLog = sendLog;
}

void TPrefsForm::SendEventTest(int event) {
    TEmailSettings settings = DefaultEmailSettings();
    settings.To = events_[static_cast<size_t>(event)].email->text();
    QPointer<QWidget> self(this);
    SendTestEmailAsync(settings, [self](const TTestEmailResult& result) { ShowTestOutcome(self, result); });
}

// ---- archivers and encryptors (callers hold PackerSettingsMutex) ---------------------------------------

void TPrefsForm::FillCompressorList(int select) {
    {
        const QSignalBlocker block(compressors_);
        compressors_->clear();
        TExternalCompressorsSettings& list = ExternalCompressors();
        for (int i = 0; i < list.Count(); ++i)
            compressors_->addItem(list[i].Name());
        compressors_->setCurrentRow(select < compressors_->count() ? select : -1);
    }
    ShowCompressor(compressors_->currentRow());
}

void TPrefsForm::ShowCompressor(int row) {
    TExternalCompressorsSettings& list = ExternalCompressors();
    shownCompressor_ = row >= 0 && row < list.Count() ? row : -1;
    for (int i = 0; i < 11; ++i) {
        QLineEdit* field = compressorFields_[static_cast<size_t>(i)];
        field->setText(shownCompressor_ < 0 ? QString()
                                            : list[shownCompressor_].Value(kCompressorFieldOrder[i]));
        ShowStart(field);
    }
    compressorDelete_->setEnabled(shownCompressor_ >= 0);
}

void TPrefsForm::WriteCompressor() {
    TExternalCompressorsSettings& list = ExternalCompressors();
    if (shownCompressor_ < 0 || shownCompressor_ >= list.Count())
        return;
    for (int i = 0; i < 11; ++i)
        list[shownCompressor_].SetValue(kCompressorFieldOrder[i],
                                        compressorFields_[static_cast<size_t>(i)]->text());
}

void TPrefsForm::AddCompressor() {
    QString name;
    if (!DialogMessages().AskText(this, QStringLiteral("New Compressor"),
                                  QStringLiteral("Please provide compressor name:"), name))
        return;
    std::lock_guard lock(PackerSettingsMutex());
    TExternalCompressorCommands commands;
    commands.Name = name;
    ExternalCompressors().Add(commands).Modified = true;
    shownCompressor_ = -1;  // the fields shown before are not written back
    FillCompressorList(0);
}

void TPrefsForm::DeleteCompressor() {
    if (shownCompressor_ < 0)
        return;
    QString name;
    {
        std::lock_guard lock(PackerSettingsMutex());
        name = ExternalCompressors()[shownCompressor_].Name();
    }
    if (!DialogMessages().Confirm(
            this, Tr("Confirmation", "strConfirmation"),
            FormatText(QStringLiteral("Are you sure you want to delete \"%s\" archivator from list?"),
                       {name})))
        return;
    std::lock_guard lock(PackerSettingsMutex());
    ExternalCompressors().DeleteCompressor(name);
    shownCompressor_ = -1;
    FillCompressorList(-1);
}

void TPrefsForm::RestoreCompressors() {
    if (!DialogMessages().Confirm(
            this, Tr("Confirmation", "strConfirmation"),
            QStringLiteral("Are you sure you want to restore default archivator's settings?")))
        return;
    std::lock_guard lock(PackerSettingsMutex());
    ExternalCompressors().RestoreDefaults();
    shownCompressor_ = -1;
    FillCompressorList(0);
}

void TPrefsForm::FillEncryptorList(int select) {
    {
        const QSignalBlocker block(encryptors_);
        encryptors_->clear();
        TExternalEncryptorsSettings& list = ExternalEncryptors();
        for (int i = 0; i < list.Count(); ++i)
            encryptors_->addItem(list[i].Name());
        encryptors_->setCurrentRow(select < encryptors_->count() ? select : -1);
    }
    ShowEncryptor(encryptors_->currentRow());
}

void TPrefsForm::ShowEncryptor(int row) {
    TExternalEncryptorsSettings& list = ExternalEncryptors();
    shownEncryptor_ = row >= 0 && row < list.Count() ? row : -1;
    for (int i = 0; i < 3; ++i) {
        QLineEdit* field = encryptorFields_[static_cast<size_t>(i)];
        field->setText(shownEncryptor_ < 0 ? QString()
                                           : list[shownEncryptor_].Value(kEncryptorFieldOrder[i]));
        ShowStart(field);
    }
    encryptorDescription_->setPlainText(
        shownEncryptor_ < 0 ? QString() : list[shownEncryptor_].Value(TEncryptorField::Description));
    encryptorDelete_->setEnabled(shownEncryptor_ >= 0);
}

void TPrefsForm::WriteEncryptor() {
    TExternalEncryptorsSettings& list = ExternalEncryptors();
    if (shownEncryptor_ < 0 || shownEncryptor_ >= list.Count())
        return;
    for (int i = 0; i < 3; ++i)
        list[shownEncryptor_].SetValue(kEncryptorFieldOrder[i],
                                       encryptorFields_[static_cast<size_t>(i)]->text());
    list[shownEncryptor_].SetValue(TEncryptorField::Description, encryptorDescription_->toPlainText());
}

void TPrefsForm::AddEncryptor() {
    QString name;
    if (!DialogMessages().AskText(this, QStringLiteral("New Encryptor"),
                                  QStringLiteral("Please provide data encryptor name:"), name))
        return;
    std::lock_guard lock(PackerSettingsMutex());
    TExternalEncryptorCommands commands;
    commands.Name = name;
    ExternalEncryptors().Add(commands).Modified = true;
    shownEncryptor_ = -1;
    FillEncryptorList(0);
}

void TPrefsForm::DeleteEncryptor() {
    if (shownEncryptor_ < 0)
        return;
    QString name;
    {
        std::lock_guard lock(PackerSettingsMutex());
        name = ExternalEncryptors()[shownEncryptor_].Name();
    }
    if (!DialogMessages().Confirm(
            this, Tr("Confirmation", "strConfirmation"),
            FormatText(QStringLiteral("Are you sure you want to delete \"%s\" encryptors from list?"),
                       {name})))
        return;
    std::lock_guard lock(PackerSettingsMutex());
    ExternalEncryptors().DeleteEncryptor(name);
    shownEncryptor_ = -1;
    FillEncryptorList(-1);
}

void TPrefsForm::RestoreEncryptors() {
    if (!DialogMessages().Confirm(
            this, Tr("Confirmation", "strConfirmation"),
            QStringLiteral("Are you sure you want to restore default encryptor's settings?")))
        return;
    std::lock_guard lock(PackerSettingsMutex());
    ExternalEncryptors().RestoreDefaults();
    shownEncryptor_ = -1;
    FillEncryptorList(0);
}

// ---- OK -----------------------------------------------------------------------------------------------

void TPrefsForm::accept() {
    const bool changing =
        currentPassword_->text() == GlobalSettings().TasksDefaults.Password && changePassword_->isChecked();
    if (changing && newPassword_->text() != confirmPassword_->text()) {
        SetCurrentPage(pgTaskDefaults);
        SetCurrentNode(ndPassword);
        newPassword_->setFocus();
        DialogMessages().Error(
            this, Tr("Error", "strError"),
            Tr("The two \"Tasks Protection\" passwords entries do not match. Please reenter "
               "passwords.",
               "strPreferencesPasswordEntriesDoNotMatch"));
        return;
    }
    WriteAlertSet(shownAlertSet_);
    {
        std::lock_guard lock(PackerSettingsMutex());
        WriteCompressor();
        WriteEncryptor();
    }
    QDialog::accept();
}

void TPrefsForm::Apply() {
    TGlobalSettings& g = GlobalSettings();
    TStartupSettings& st = g.Startup;
    st.StartupRunMinimized = runMinimized_->isChecked();
    st.StartupHideTrayIcon = hideTray_->isChecked();
    st.StartupShowSplash = showSplash_->isChecked();
    st.StartupShutDownAtClose = shutDownAtClose_->isChecked();
    st.StartupConfirmShutdown = confirmShutdown_->isChecked();
    st.StartupHotKeyUse = hotKeyUse_->isChecked();
    st.StartupHotKey = HotKeyFromSequence(hotKey_->keySequence());

    TPerformanceSettings& p = g.Performance;
    p.DisallowSimultaneousBackup = oneAtATime_->isChecked();
    p.SchedulePauseUse = pauseUse_->isChecked();
    p.SchedulePauseMin = pauseMin_->value();
    p.TempDirDefault = tempDefault_->isChecked();
    p.TempDirCustom = tempFolder_->text();

    for (int i = 0; i < 16; ++i)
        *ColourSlot(g.LogDisplay, i) = colours_[static_cast<size_t>(i)];
    g.LogDisplay.LogFontName = fontName_;
    g.LogDisplay.LogFontSize = fontSize_;
    g.LogDisplay.LogGrid = grid_->isChecked();

    TTasksDefaults& d = g.TasksDefaults;
    d.RunBefore = runBefore_->isChecked();
    d.RunBeforeProgramName = runBeforeProgram_->text();
    d.RunBeforeWaitProgram = runBeforeWait_->isChecked();
    d.RunAfter = runAfter_->isChecked();
    d.RunAfterProgramName = runAfterProgram_->text();
    d.RunAfterWaitProgram = runAfterWait_->isChecked();
    if (QListWidgetItem* dial = dialEntries_->currentItem())
        d.DialEntry = dial->text();
    d.DialDisconnectAfter = dialDisconnect_->isChecked();
    // Names that this system does not offer stay: they may come from another machine's settings.
    QStringList skip;
    QStringList offered;
    for (int row = 0; row < hardwareProfiles_->count(); ++row) {
        offered.append(hardwareProfiles_->item(row)->text());
        if (hardwareProfiles_->item(row)->checkState() == Qt::Checked)
            skip.append(hardwareProfiles_->item(row)->text());
    }
    for (const QString& name : d.HardwareSkipList.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (!offered.contains(name) && !skip.contains(name))
            skip.append(name);
    d.HardwareSkipList = skip.join(QLatin1Char(','));
    d.BandwidthUse = bandwidthUse_->isChecked();
    d.BandwidthValue = bandwidthValue_->value();
    d.BandwidthMeasure = bandwidthMeasure_->currentText();
    d.LogEnabled = logEnabled_->isChecked();
    d.LogFileName = logFileName_->text();
    d.LogMaxSize = logMaxSize_->value();
    bool* includes[7] = {&d.LogIncludeSummary,  &d.LogIncludeFiles,  &d.LogIncludeSkipping,
                         &d.LogIncludeWarnings, &d.LogIncludeErrors, &d.LogIncludeFtp,
                         &d.LogIncludeConsole};
    for (int i = 0; i < 7; ++i)
        *includes[i] = logIncludes_[static_cast<size_t>(i)]->isChecked();
    if (cpu_->checkedId() >= 0)
        d.CpuPerformance = static_cast<quint8>(cpu_->checkedId());
    d.PowerDontStartOnBatteries = powerNoBatteries_->isChecked();
    d.PowerWakeToRun = powerWake_->isChecked();
    d.PowerBatteryMode = QStringList{QStringLiteral("C"), QStringLiteral("S"), QStringLiteral("A")}.value(
        qMax(0, batteryMode_->checkedId()));
    SetEmailSettings(d, EmailFields().Entered());

    if (autorun_->isChecked())
        Autostart::Add();
    else
        Autostart::Remove();

    const int language = languages_->currentRow();
    if (language >= 0 && language != languageAtOpening_) {
        if (language == 0) {
            g.Language.clear();
            UnloadLanguageFile();
        } else {
            g.Language = languages_->item(language)->text() + QStringLiteral(".lng");
            LoadLanguageFile(g.Language);
        }
    }

    if (currentPassword_->text() == d.Password && changePassword_->isChecked()) {
        d.Password = newPassword_->text();
        d.PasswordReminder = reminder_->text();
    }

    RememberedPage = CurrentPage();
    RememberedNode = CurrentNode();
}

bool EditPreferences(QWidget* parent, int page, int entry) {
    TPrefsForm form(parent, page, entry);
    if (form.exec() != QDialog::Accepted)
        return false;
    form.Apply();
    SaveGlobalSettings();
    return true;
}
