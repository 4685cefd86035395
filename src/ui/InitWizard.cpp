#include "ui/InitWizard.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "logging/Email.h"
#include "platform/Autostart.h"
#include "settings/GlobalSettings.h"
#include "settings/Language.h"
#include "ui/MainWindow.h"
#include "ui/PreferencesDialog.h"
#include "ui/SettingsControls.h"
#include "ui/SoundThemePreview.h"
#include "ui/TranslateForm.h"

namespace {

QString Tr(const char* text, const char* key) {
    return Translate(QString::fromUtf8(text), QString::fromLatin1(key));
}

QLabel* Text(const char* name, const QString& text) {
    auto* label = new QLabel(text);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    return label;
}

template <typename T>
T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QWizardPage* NewPage(const char* name, const QString& title) {
    auto* page = new QWizardPage;
    page->setObjectName(QString::fromLatin1(name));
    page->setTitle(title);
    return page;
}

// The balloon and e-mail events of the Finish steps for the scheduled and the manual runs.
constexpr TAlertSet kWizardSets[2] = {TAlertSet::Scheduled, TAlertSet::Manual};
constexpr TAlertEventKind kMainEvents[5] = {TAlertEventKind::Start, TAlertEventKind::Finish,
                                            TAlertEventKind::DiskSpan, TAlertEventKind::Warning,
                                            TAlertEventKind::Error};

// The theme a stored sound file comes from: "Media\Ambient\..." is the second theme; anything else the
// first, which the defaults use.
int ThemeOfSoundFile(const QString& soundFile) {
    const std::vector<TSoundTheme>& themes = SoundThemes();
    for (size_t i = 0; i < themes.size(); ++i)
        if (soundFile.startsWith(QStringLiteral("Media\\") + themes[i].Name + QLatin1Char('\\'),
                                 Qt::CaseInsensitive))
            return static_cast<int>(i);
    return 0;
}

}  // namespace

std::function<void(const TEmailSettings&, std::function<void(const TTestEmailResult&)>)>
    TSettingsInitWizardForm::TestEmailSender = SendTestEmailAsync;

std::function<void(QWidget*, int)> TSettingsInitWizardForm::ThemePreview = [](QWidget* parent, int theme) {
    const std::vector<TSoundTheme>& themes = SoundThemes();
    if (theme >= 0 && theme < static_cast<int>(themes.size()))
        PreviewSoundTheme(parent, themes[static_cast<size_t>(theme)]);
};

TSettingsInitWizardForm::TSettingsInitWizardForm(QWidget* parent) : QWizard(parent) {
    setObjectName(QStringLiteral("SettingsInitWizardForm"));
    setWindowTitle(QStringLiteral("Tarnovex Initialization Wizard"));
    setWizardStyle(QWizard::ClassicStyle);
    // Back stays in its place on the first page, disabled.
    setOption(QWizard::NoBackButtonOnStartPage, false);
    setButtonText(QWizard::BackButton, QStringLiteral("< &Back"));
    setButtonText(QWizard::NextButton, QStringLiteral("&Next >"));
    setButtonText(QWizard::FinishButton, QStringLiteral("&Finish"));
    setButtonText(QWizard::CancelButton, QStringLiteral("&Close"));
    const std::pair<QWizard::WizardButton, const char*> buttonNames[] = {
        {QWizard::BackButton, "BackButton"},
        {QWizard::NextButton, "NextButton"},
        {QWizard::FinishButton, "FinishButton"},
        {QWizard::CancelButton, "CloseButton"}};
    for (const auto& [which, name] : buttonNames)
        button(which)->setObjectName(QString::fromLatin1(name));

    setPage(pgWelcome, BuildWelcomePage());
    setPage(pgLaunch, BuildLaunchPage());
    setPage(pgPerformance, BuildPerformancePage());
    setPage(pgAlerts, BuildAlertsPage());
    setPage(pgEmail, BuildEmailPage());
    setPage(pgFinish, BuildFinishPage());
    setStartId(pgWelcome);
    connect(this, &QWizard::currentIdChanged, this,
            [this](int id) { button(QWizard::CancelButton)->setEnabled(id != pgFinish); });

    LoadControls();
    UpdateEnabling();
    resize(560, 440);
    TranslateForm(this);
    // The wizard sets its buttons' texts itself on every page: translated texts must become its own.
    for (const auto& [which, name] : buttonNames)
        setButtonText(which, button(which)->text());
}

QWizardPage* TSettingsInitWizardForm::BuildWelcomePage() {
    QWizardPage* page = NewPage("WelcomePage", QStringLiteral("Welcome to Tarnovex!"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Text(
        "WelcomeLabel", QStringLiteral("This wizard sets up how Tarnovex starts, how fast its Tasks may work "
                                       "and how they tell you what happened. You can change every choice "
                                       "later in the Program Options.")));
    layout->addSpacing(8);
    layout->addWidget(Text("WelcomeNextLabel", QStringLiteral("Click \"Next\" to continue.")));
    layout->addStretch(1);
    layout->addWidget(Text("MaintenanceLabel",
                           QStringLiteral("If you have saved the settings of Tarnovex before, the Settings "
                                          "Maintenance Wizard restores them instead:")));
    auto* maintenance = Named(new QPushButton(QStringLiteral("Settings Maintenance")), "MaintenanceButton");
    maintenance->setAutoDefault(false);
    auto* row = new QHBoxLayout;
    row->addWidget(maintenance);
    row->addStretch(1);
    layout->addLayout(row);
    connect(maintenance, &QPushButton::clicked, this, [this] { done(TInitWizardResult::kMaintenance); });
    return page;
}

QWizardPage* TSettingsInitWizardForm::BuildLaunchPage() {
    QWizardPage* page = NewPage("LaunchPage", QStringLiteral("Launch"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(
        Text("LaunchLabel", QStringLiteral("Tarnovex runs scheduled Tasks only while it is running. Do you "
                                           "want Tarnovex to start when you log on to this computer?")));
    autorunYes_ =
        Named(new QRadioButton(QStringLiteral("Yes, run Tarnovex at system startup")), "AutorunYesRadio");
    autorunNo_ =
        Named(new QRadioButton(QStringLiteral("No, I'll run Tarnovex manually when I want to do a backup")),
              "AutorunNoRadio");
    layout->addWidget(autorunYes_);
    layout->addWidget(autorunNo_);
    layout->addSpacing(8);
    layout->addWidget(
        Text("LaunchNoteLabel",
             QStringLiteral("Started at log on, Tarnovex waits in the system tray, and closing its "
                            "window keeps it there.")));
    layout->addStretch(1);
    return page;
}

QWizardPage* TSettingsInitWizardForm::BuildPerformancePage() {
    QWizardPage* page = NewPage("PerformancePage", QStringLiteral("Performance"));
    auto* layout = new QVBoxLayout(page);
    oneAtATime_ =
        Named(new QCheckBox(QStringLiteral("Allow only one running Task at a time")), "OneTaskCheckBox");
    layout->addWidget(oneAtATime_);
    // The note belongs to the check box: it starts under the box's text, not under its square.
    auto* noteRow = new QHBoxLayout;
    noteRow->addSpacing(20);
    noteRow->addWidget(Text("OneTaskLabel", QStringLiteral("A Task that is due while another one runs then "
                                                           "waits until that one has finished.")),
                       1);
    layout->addLayout(noteRow);
    layout->addSpacing(8);

    auto* form = new QFormLayout;
    // A choice among a few short texts: the box keeps its own width instead of spanning the page.
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    cpuPerformance_ = Named(new QComboBox, "CpuPerformanceComboBox");
    cpuPerformance_->addItems({QStringLiteral("Idle"), QStringLiteral("Low"),
                               QStringLiteral("Below Normal (Recommended)"), QStringLiteral("Normal"),
                               QStringLiteral("Above Normal"), QStringLiteral("High"),
                               QStringLiteral("Realtime")});
    auto* cpuLabel = Text("CpuPerformanceLabel", QStringLiteral("&Task priority:"));
    cpuLabel->setWordWrap(false);
    cpuLabel->setBuddy(cpuPerformance_);
    form->addRow(cpuLabel, cpuPerformance_);
    layout->addLayout(form);
    layout->addSpacing(8);

    bandwidthUse_ = Named(new QCheckBox(QStringLiteral("&Limit the network bandwidth used by each Task to")),
                          "BandwidthCheckBox");
    bandwidthValue_ = Named(new QSpinBox, "BandwidthValueEdit");
    bandwidthValue_->setRange(1, 32767);
    bandwidthMeasure_ = Named(new QComboBox, "BandwidthMeasureComboBox");
    bandwidthMeasure_->addItems({QStringLiteral("KBits"), QStringLiteral("MBits")});
    auto* row = new QHBoxLayout;
    row->addWidget(bandwidthUse_);
    row->addWidget(bandwidthValue_);
    row->addWidget(bandwidthMeasure_);
    row->addStretch(1);
    layout->addLayout(row);
    layout->addStretch(1);
    connect(bandwidthUse_, &QCheckBox::toggled, this, &TSettingsInitWizardForm::UpdateEnabling);
    return page;
}

QWizardPage* TSettingsInitWizardForm::BuildAlertsPage() {
    QWizardPage* page = NewPage("AlertsPage", QStringLiteral("Alerts"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(
        Text("AlertsLabel", QStringLiteral("How should Tasks tell you that they started, finished, "
                                           "or met a warning or an error?")));
    balloons_ =
        Named(new QCheckBox(QStringLiteral("Show &balloon messages in system tray")), "BalloonsCheckBox");
    layout->addWidget(balloons_);

    sounds_ = Named(new QCheckBox(QStringLiteral("Play &audio notifications")), "SoundsCheckBox");
    layout->addWidget(sounds_);
    soundTheme_ = Named(new QComboBox, "SoundThemeComboBox");
    for (const TSoundTheme& theme : SoundThemes())
        soundTheme_->addItem(theme.Name);
    play_ = Named(new QPushButton(QStringLiteral("&Play")), "PlayButton");
    play_->setAutoDefault(false);
    auto* themeLabel = Text("SoundThemeLabel", QStringLiteral("Sound &theme:"));
    themeLabel->setWordWrap(false);
    themeLabel->setBuddy(soundTheme_);
    auto* themeRow = new QHBoxLayout;
    themeRow->addSpacing(20);
    themeRow->addWidget(themeLabel);
    themeRow->addWidget(soundTheme_, 1);
    themeRow->addWidget(play_);
    themeRow->addStretch(1);
    layout->addLayout(themeRow);

    emailUse_ = Named(new QCheckBox(QStringLiteral("Send &email notifications")), "EmailCheckBox");
    layout->addWidget(emailUse_);
    layout->addStretch(1);
    connect(sounds_, &QCheckBox::toggled, this, &TSettingsInitWizardForm::UpdateEnabling);
    connect(play_, &QPushButton::clicked, this, [this] {
        if (!ThemePreview)
            return;
        ThemePreview(this, soundTheme_->currentIndex());
        // The keyboard comes back to the wizard even where the desktop does not hand it back.
        activateWindow();
        play_->setFocus();
    });
    return page;
}

QWizardPage* TSettingsInitWizardForm::BuildEmailPage() {
    QWizardPage* page = NewPage("EmailPage", QStringLiteral("Email Notifications"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Text("EmailLabel", QStringLiteral("Tasks send their notifications through this SMTP "
                                                        "server to the \"To\" address.")));
    auto* form = new QFormLayout;
    smtpServer_ = Named(new QLineEdit, "SmtpServerEdit");
    smtpPort_ = Named(new QSpinBox, "SmtpPortEdit");
    smtpPort_->setRange(0, 65535);
    smtpPort_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    smtpAuth_ =
        Named(new QCheckBox(QStringLiteral("Perform SMTP &Authentication (RFC 2554)")), "SmtpAuthCheckBox");
    smtpUser_ = Named(new QLineEdit, "SmtpUserEdit");
    smtpPassword_ = Named(new QLineEdit, "SmtpPasswordEdit");
    smtpPassword_->setEchoMode(QLineEdit::Password);
    emailTo_ = Named(new QLineEdit, "EmailToEdit");
    emailFrom_ = Named(new QLineEdit, "EmailFromEdit");
    emailSubject_ = Named(new QLineEdit, "EmailSubjectEdit");
    const std::pair<const char*, std::pair<const char*, QWidget*>> rows[] = {
        {"SmtpServerLabel", {"SMTP &server:", smtpServer_}},
        {"SmtpPortLabel", {"P&ort:", smtpPort_}},
        {"SmtpUserLabel", {"&User:", smtpUser_}},
        {"SmtpPasswordLabel", {"Pass&word:", smtpPassword_}},
        {"EmailToLabel", {"&To:", emailTo_}},
        {"EmailFromLabel", {"&From:", emailFrom_}},
        {"EmailSubjectLabel", {"Sub&ject:", emailSubject_}}};
    for (const auto& [name, row] : rows) {
        auto* label = Text(name, QString::fromUtf8(row.first));
        label->setWordWrap(false);
        label->setBuddy(row.second);
        form->addRow(label, row.second);
        if (row.second == smtpPort_)
            form->addRow(QString(), smtpAuth_);
    }
    layout->addLayout(form);
    sendTest_ = Named(new QPushButton(QStringLiteral("Send Test &Email")), "SendTestEmailButton");
    sendTest_->setAutoDefault(false);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(sendTest_);
    layout->addLayout(row);
    layout->addStretch(1);
    connect(smtpAuth_, &QCheckBox::toggled, this, &TSettingsInitWizardForm::UpdateEnabling);
    connect(sendTest_, &QPushButton::clicked, this, &TSettingsInitWizardForm::SendTestEmail);
    return page;
}

QWizardPage* TSettingsInitWizardForm::BuildFinishPage() {
    QWizardPage* page = NewPage("FinishPage", QStringLiteral("Finish"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Text("FinishLabel", QStringLiteral("Tarnovex is ready. Click \"Finish\" to keep these "
                                                         "settings. What would you like to do next?")));
    importTasks_ = Named(new QCheckBox(QStringLiteral(
                             "&Import Tasks from previous Tarnovex versions and other backup software")),
                         "ImportTasksCheckBox");
    newTask_ = Named(new QCheckBox(QStringLiteral("&Create a new Backup Task")), "NewTaskCheckBox");
    layout->addWidget(importTasks_);
    layout->addWidget(newTask_);
    layout->addStretch(1);
    return page;
}

void TSettingsInitWizardForm::LoadControls() {
    const TGlobalSettings& g = GlobalSettings();
    const TTasksDefaults& d = g.TasksDefaults;
    const TEventAlerts& events = d.Events;
    (Autostart::Exists() || g.Main.FirstStart ? autorunYes_ : autorunNo_)->setChecked(true);
    oneAtATime_->setChecked(g.Performance.DisallowSimultaneousBackup);
    cpuPerformance_->setCurrentIndex(qBound(0, static_cast<int>(d.CpuPerformance), 6));
    bandwidthUse_->setChecked(d.BandwidthUse);
    bandwidthValue_->setValue(d.BandwidthValue);
    bandwidthMeasure_->setCurrentIndex(d.BandwidthMeasure == QStringLiteral("KBits") ? 0 : 1);
    balloons_->setChecked(AlertOf(events, TAlertSet::Scheduled, TAlertEventKind::Start).Balloon);
    sounds_->setChecked(AlertOf(events, TAlertSet::Scheduled, TAlertEventKind::Start).Sound &&
                        AlertOf(events, TAlertSet::Scheduled, TAlertEventKind::Finish).Sound);
    soundTheme_->setCurrentIndex(
        ThemeOfSoundFile(AlertOf(events, TAlertSet::Scheduled, TAlertEventKind::Start).SoundFile));
    emailUse_->setChecked(AlertOf(events, TAlertSet::Scheduled, TAlertEventKind::Finish).EmailUse);
    TEmailFields{smtpServer_,   smtpPort_, smtpAuth_,  smtpUser_,
                 smtpPassword_, emailTo_,  emailFrom_, emailSubject_}
        .Show(EmailSettingsOf(d));
}

void TSettingsInitWizardForm::UpdateEnabling() {
    bandwidthValue_->setEnabled(bandwidthUse_->isChecked());
    bandwidthMeasure_->setEnabled(bandwidthUse_->isChecked());
    soundTheme_->setEnabled(sounds_->isChecked());
    play_->setEnabled(sounds_->isChecked());
    smtpUser_->setEnabled(smtpAuth_->isChecked());
    smtpPassword_->setEnabled(smtpAuth_->isChecked());
}

int TSettingsInitWizardForm::nextId() const {
    switch (currentId()) {
        case pgWelcome:
            return pgLaunch;
        case pgLaunch:
            return pgPerformance;
        case pgPerformance:
            return pgAlerts;
        case pgAlerts:
            return emailUse_->isChecked() ? pgEmail : pgFinish;
        case pgEmail:
            return pgFinish;
        default:
            return -1;
    }
}

bool TSettingsInitWizardForm::validateCurrentPage() {
    if (currentId() != pgFinish || !emailUse_->isChecked())
        return true;
    if (smtpServer_->text().trimmed().isEmpty()) {
        DialogMessages().Error(this, Tr("Error", "strError"),
                               QStringLiteral("The SMTP server address should not be empty."));
        ReturnToEmailField(smtpServer_);
        return false;
    }
    if (emailTo_->text().trimmed().isEmpty()) {
        DialogMessages().Error(this, Tr("Error", "strError"),
                               QStringLiteral("The email \"To\" field should not be empty."));
        ReturnToEmailField(emailTo_);
        return false;
    }
    return true;
}

void TSettingsInitWizardForm::ReturnToEmailField(QLineEdit* field) {
    back();
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

void TSettingsInitWizardForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier &&
        !button(QWizard::CancelButton)->isEnabled()) {
        event->accept();
        return;
    }
    QWizard::keyPressEvent(event);
}

TEmailSettings TSettingsInitWizardForm::EnteredEmailSettings() const {
    return TEmailFields{smtpServer_,   smtpPort_, smtpAuth_,  smtpUser_,
                        smtpPassword_, emailTo_,  emailFrom_, emailSubject_}
        .Entered();
}

void TSettingsInitWizardForm::SendTestEmail() {
    if (!TestEmailSender)
        return;
    // The outcome may arrive after the wizard has gone; then nobody is told.
    QPointer<TSettingsInitWizardForm> self(this);
    sendTest_->setEnabled(false);
    TestEmailSender(EnteredEmailSettings(), [self](const TTestEmailResult& result) {
        if (self == nullptr)
            return;
        self->sendTest_->setEnabled(true);
        if (result.Success)
            DialogMessages().Information(self, result.Caption(), result.Message());
        else
            DialogMessages().Error(self, result.Caption(), result.Message());
    });
}

void TSettingsInitWizardForm::Apply() const {
    TGlobalSettings& g = GlobalSettings();
    TTasksDefaults& d = g.TasksDefaults;
    TEventAlerts& events = d.Events;

    // 1. Launch: started at log on, the program waits in the notification area and closing its window
    // only hides it; started by hand, closing the window ends it without a question.
    const bool autorun = autorunYes_->isChecked();
    if (autorun)
        Autostart::Add();
    else
        Autostart::Remove();
    g.Startup.StartupRunMinimized = autorun;
    g.Startup.StartupShutDownAtClose = !autorun;
    g.Startup.StartupConfirmShutdown = autorun;

    // 2. Performance.
    g.Performance.DisallowSimultaneousBackup = oneAtATime_->isChecked();
    d.CpuPerformance = static_cast<quint8>(qMax(0, cpuPerformance_->currentIndex()));
    d.BandwidthUse = bandwidthUse_->isChecked();
    d.BandwidthValue = bandwidthValue_->value();
    d.BandwidthMeasure = bandwidthMeasure_->currentText();

    // 3. Balloons: the start of a run started by hand and every processed file never show one.
    const bool balloons = balloons_->isChecked();
    for (TAlertSet set : kWizardSets)
        for (TAlertEventKind event : kMainEvents)
            AlertOf(events, set, event).Balloon = balloons;
    AlertOf(events, TAlertSet::Scheduled, TAlertEventKind::File).Balloon = false;
    AlertOf(events, TAlertSet::Manual, TAlertEventKind::File).Balloon = false;
    AlertOf(events, TAlertSet::Manual, TAlertEventKind::Start).Balloon = false;

    // 4. Sounds of the chosen theme; the file event keeps its sound switch on without a file.
    const int theme = soundTheme_->currentIndex();
    const bool sounds = sounds_->isChecked() && theme >= 0 && theme < static_cast<int>(SoundThemes().size());
    for (TAlertSet set : kWizardSets) {
        for (int e = 0; e < kAlertEventCount; ++e) {
            const auto event = static_cast<TAlertEventKind>(e);
            TAlertChannels& channels = AlertOf(events, set, event);
            channels.Sound = sounds;
            if (sounds)
                channels.SoundFile = ThemeSoundFile(SoundThemes()[static_cast<size_t>(theme)], event);
        }
    }

    // 5. E-mail.
    if (emailUse_->isChecked()) {
        SetEmailSettings(d, EnteredEmailSettings());
    }
    for (TAlertSet set : kWizardSets) {
        for (TAlertEventKind event : kMainEvents) {
            TAlertChannels& channels = AlertOf(events, set, event);
            channels.EmailUse = emailUse_->isChecked();
            if (emailUse_->isChecked())
                channels.Email = emailTo_->text();
        }
        if (emailUse_->isChecked())
            AlertOf(events, set, TAlertEventKind::Finish).EmailSendLog = true;
    }
}

bool TSettingsInitWizardForm::ImportTasksChosen() const {
    return importTasks_->isChecked();
}

bool TSettingsInitWizardForm::NewTaskChosen() const {
    return newTask_->isChecked();
}

TInitWizardResult RunInitWizard(QWidget* parent) {
    TSettingsInitWizardForm wizard(parent);
    TInitWizardResult result;
    const int code = wizard.exec();
    if (code == TInitWizardResult::kMaintenance) {
        result.Result = TInitWizardResult::kMaintenance;
    } else if (code == QDialog::Accepted) {
        wizard.Apply();
        SaveGlobalSettings();
        result.Result = TInitWizardResult::kOk;
        result.ImportTasks = wizard.ImportTasksChosen();
        result.NewTask = wizard.NewTaskChosen();
    }
    return result;
}

namespace {

// Watches the window's activations for the first one of a new installation.
class TFirstActivation : public QObject {
public:
    explicit TFirstActivation(TMainWindow& window) : QObject(&window), window_(window) {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        // FirstStart stays set while the wizard is open (it shows the first start's choices); the wizard's
        // own activations of the window must not start a second one.
        if (!started_ && watched == &window_ && event->type() == QEvent::ActivationChange &&
            window_.isActiveWindow() && GlobalSettings().Main.FirstStart) {
            started_ = true;
            // The wizard runs after the activation has been handled, not inside it.
            QTimer::singleShot(0, &window_, [this] {
                if (QAction* wizard = window_.Action(QStringLiteral("actInitWizard")))
                    wizard->trigger();
            });
        }
        return false;
    }

private:
    TMainWindow& window_;
    bool started_ = false;
};

void TriggerCommand(TMainWindow& window, const char* name) {
    if (QAction* action = window.Action(QString::fromLatin1(name)); action != nullptr && action->isEnabled())
        action->trigger();
}

}  // namespace

void InstallInitWizard(TMainWindow& window, std::function<TInitWizardResult(QWidget*)> run) {
    window.SetCommand(QStringLiteral("actInitWizard"), [&window, run = std::move(run)] {
        const TInitWizardResult result = run(&window);
        // The first-start handling has run, whatever the wizard ended with; that and the wizard's choices
        // are kept even when a follow-up fails.
        GlobalSettings().Main.FirstStart = false;
        window.SaveAllSettings();
        if (result.Result == TInitWizardResult::kMaintenance) {
            TriggerCommand(window, "actMaintenanceWizard");
        } else if (result.Result == TInitWizardResult::kOk) {
            if (result.ImportTasks)
                TriggerCommand(window, "actImportWizard");
            if (result.NewTask)
                TriggerCommand(window, "actTaskNew");
        }
    });
    new TFirstActivation(window);
}
