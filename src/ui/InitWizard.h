#pragma once

#include <QWizard>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class TMainWindow;
struct TEmailSettings;
struct TTestEmailResult;

// What the initialization wizard ended with: Result 1 after Finish, 2 after Close, 5 when the welcome
// page's "Settings Maintenance" was chosen; after Finish also the finish page's two follow-ups.
struct TInitWizardResult {
    static constexpr int kOk = 1;
    static constexpr int kCancel = 2;
    static constexpr int kMaintenance = 5;

    int Result = kCancel;
    bool ImportTasks = false;
    bool NewTask = false;
};

// The initialization wizard: how the program starts, how fast its runs may go, how they alert (balloons,
// a sound theme, e-mail), and what to do next. It opens with the program's current values; nothing is
// changed until Finish, which writes the choices into the global settings (Apply).
class TSettingsInitWizardForm : public QWizard {
    Q_OBJECT
public:
    enum PageId { pgWelcome = 0, pgLaunch, pgPerformance, pgAlerts, pgEmail, pgFinish };

    explicit TSettingsInitWizardForm(QWidget* parent = nullptr);

    // The e-mail page only while "Send email notifications" is checked.
    int nextId() const override;
    // Finish with e-mail notifications needs a server and a "To" address: without one the wizard says
    // so, goes back to the e-mail page, puts the focus on the field and stays open.
    bool validateCurrentPage() override;

    // The Finish steps, in order: the launch choice (autostart entry and start-up options), the
    // performance values, the balloons, the sounds of the chosen theme, the e-mail settings and alerts.
    // Writes the in-memory settings only; the caller saves them.
    void Apply() const;
    bool ImportTasksChosen() const;
    bool NewTaskChosen() const;
    // The e-mail page as it stands (what "Send Test Email" sends).
    TEmailSettings EnteredEmailSettings() const;

    // Sends the test e-mail and reports its outcome on the main thread; tests replace it.
    static std::function<void(const TEmailSettings&, std::function<void(const TTestEmailResult&)>)>
        TestEmailSender;
    // What "Play" opens for a theme (an index into SoundThemes()); tests replace it.
    static std::function<void(QWidget* parent, int theme)> ThemePreview;

protected:
    // "&Close" is disabled on the last page, and so is its key.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWizardPage* BuildWelcomePage();
    QWizardPage* BuildLaunchPage();
    QWizardPage* BuildPerformancePage();
    QWizardPage* BuildAlertsPage();
    QWizardPage* BuildEmailPage();
    QWizardPage* BuildFinishPage();
    void LoadControls();
    void UpdateEnabling();
    void SendTestEmail();
    // Back to the e-mail page with the focus in field.
    void ReturnToEmailField(QLineEdit* field);

    QRadioButton* autorunYes_ = nullptr;
    QRadioButton* autorunNo_ = nullptr;
    QCheckBox* oneAtATime_ = nullptr;
    QComboBox* cpuPerformance_ = nullptr;
    QCheckBox* bandwidthUse_ = nullptr;
    QSpinBox* bandwidthValue_ = nullptr;
    QComboBox* bandwidthMeasure_ = nullptr;
    QCheckBox* balloons_ = nullptr;
    QCheckBox* sounds_ = nullptr;
    QComboBox* soundTheme_ = nullptr;
    QPushButton* play_ = nullptr;
    QCheckBox* emailUse_ = nullptr;
    QLineEdit* smtpServer_ = nullptr;
    QSpinBox* smtpPort_ = nullptr;
    QCheckBox* smtpAuth_ = nullptr;
    QLineEdit* smtpUser_ = nullptr;
    QLineEdit* smtpPassword_ = nullptr;
    QLineEdit* emailTo_ = nullptr;
    QLineEdit* emailFrom_ = nullptr;
    QLineEdit* emailSubject_ = nullptr;
    QPushButton* sendTest_ = nullptr;
    QCheckBox* importTasks_ = nullptr;
    QCheckBox* newTask_ = nullptr;
};

// Shows the wizard modally over parent; after Finish its choices are applied and the global settings
// saved.
TInitWizardResult RunInitWizard(QWidget* parent);

// Gives the window's "&Initialization Wizard..." command the wizard and its follow-ups: the settings
// maintenance wizard for result 5; after Finish the task import wizard and then "New..." as chosen
// (each as the window's own command, so a command without its dialog does nothing). The first time the
// window becomes active while FirstStart is set, the command runs by itself and FirstStart is cleared.
// run shows the wizard (tests replace it).
void InstallInitWizard(TMainWindow& window,
                       std::function<TInitWizardResult(QWidget* parent)> run = RunInitWizard);
