#pragma once

#include <QDialog>
#include <QStringList>
#include <array>
#include <functional>

#include "settings/AlertTypes.h"
#include "settings/GlobalSettings.h"
#include "ui/SettingsControls.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QKeySequenceEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSoundEffect;
class QSpinBox;
class QStackedWidget;
class QTreeWidget;

// How the preferences and the decrypt wizard tell and ask the user. The defaults show modal message
// boxes; tests replace them with recorders so that nothing blocks.
struct TDialogMessages {
    std::function<void(QWidget*, const QString& caption, const QString& text)> Error;
    std::function<void(QWidget*, const QString& caption, const QString& text)> Warning;
    std::function<void(QWidget*, const QString& caption, const QString& text)> Information;
    // Yes / No question; true for Yes.
    std::function<bool(QWidget*, const QString& caption, const QString& text)> Confirm;
    // One line of text; false when the user cancelled.
    std::function<bool(QWidget*, const QString& caption, const QString& label, QString& text)> AskText;
    // Folder browser; empty when cancelled.
    std::function<QString(QWidget*, const QString& title, const QString& start)> AskFolder;
};
TDialogMessages& DialogMessages();
// Back to the message boxes (tests restore it).
void ResetDialogMessages();

// Hot keys in the stored 16-bit form (see platform/HotKeys.h) and back to a key sequence.
quint16 HotKeyFromSequence(const QKeySequence& sequence);
QKeySequence SequenceFromHotKey(quint16 hotKey);

// The preferences dialog: every program-wide setting and the archiver and encryptor definitions.
// The controls are copied into the settings only after the dialog ended with OK (Apply); the alert set
// left by choosing another set, typed sound files and the definition lists change in memory at once.
class TPrefsForm : public QDialog {
    Q_OBJECT
public:
    enum Page {
        pgStartup = 0,
        pgPerformance,
        pgLogDisplay,
        pgLanguage,
        pgCompressors,
        pgEncryptors,
        pgTaskDefaults,
        kPageCount
    };
    enum Node {
        ndRunPrograms = 0,
        ndAutoDial,
        ndHardwareProfile,
        ndBandwidth,
        ndPassword,
        ndLogSettings,
        ndEventAlerts,
        ndCpuPerformance,
        ndPowerManagement,
        ndEmailSettings,
        kNodeCount
    };

    // page -1 opens the page that was active when the dialog last closed with OK; entry selects that
    // definition on the archiver or encryptor page (ignored when out of range).
    explicit TPrefsForm(QWidget* parent = nullptr, int page = -1, int entry = -1);
    ~TPrefsForm() override;

    // Copies the controls into the settings and carries out what follows an OK: the autostart entry,
    // the language, the default task password, the remembered page and node.
    void Apply();

    int CurrentPage() const;
    void SetCurrentPage(int page);
    int CurrentNode() const;
    void SetCurrentNode(int node);

    // Where the dial-up entries and the hardware profile names come from (tests give fixed lists).
    static std::function<QStringList()> DialEntriesSource;
    static std::function<QStringList()> HardwareProfilesSource;
    // The page and node remembered for the next opening.
    static int RememberedPage;
    static int RememberedNode;

public slots:
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildStartupPage();
    QWidget* BuildPerformancePage();
    QWidget* BuildLogDisplayPage();
    QWidget* BuildLanguagePage();
    QWidget* BuildCompressorsPage();
    QWidget* BuildEncryptorsPage();
    QWidget* BuildTaskDefaultsPage();
    QWidget* BuildRunProgramsPanel();
    QWidget* BuildAutoDialPanel();
    QWidget* BuildHardwarePanel();
    QWidget* BuildBandwidthPanel();
    QWidget* BuildPasswordPanel();
    QWidget* BuildLogSettingsPanel();
    QWidget* BuildEventAlertsPanel();
    QWidget* BuildCpuPanel();
    QWidget* BuildPowerPanel();
    QWidget* BuildEmailPanel();

    // Gives the controls without a name the stable names the language files know them by.
    void NameControls();
    void LoadControls();
    void UpdateEnabling();
    void UpdatePasswordEnabling();
    void RepaintSample();
    // The play and stop pictures in the colours of the current palette.
    void PaintMediaButtons();
    void PaintColourButton(int index);
    void ChooseColour(int index);

    void ShowAlertSet(int set);
    void WriteAlertSet(int set);
    void SendEventTest(int event);

    void FillCompressorList(int select);
    void ShowCompressor(int row);
    void WriteCompressor();
    void AddCompressor();
    void DeleteCompressor();
    void RestoreCompressors();
    void FillEncryptorList(int select);
    void ShowEncryptor(int row);
    void WriteEncryptor();
    void AddEncryptor();
    void DeleteEncryptor();
    void RestoreEncryptors();

    QListWidget* pageList_ = nullptr;
    QStackedWidget* pages_ = nullptr;

    // Startup and shutdown
    QCheckBox* autorun_ = nullptr;
    QCheckBox* runMinimized_ = nullptr;
    QCheckBox* hideTray_ = nullptr;
    QCheckBox* showSplash_ = nullptr;
    QCheckBox* shutDownAtClose_ = nullptr;
    QCheckBox* confirmShutdown_ = nullptr;
    QCheckBox* hotKeyUse_ = nullptr;
    QKeySequenceEdit* hotKey_ = nullptr;
    QPushButton* hotKeyReset_ = nullptr;

    // Global performance
    QRadioButton* simultaneous_ = nullptr;
    QRadioButton* oneAtATime_ = nullptr;
    QCheckBox* pauseUse_ = nullptr;
    QSpinBox* pauseMin_ = nullptr;
    QRadioButton* tempDefault_ = nullptr;
    QRadioButton* tempCustom_ = nullptr;
    QLineEdit* tempFolder_ = nullptr;
    QPushButton* tempBrowse_ = nullptr;

    // Log display: [row][0 background, 1 text]
    std::array<quint32, 16> colours_{};
    std::array<QPushButton*, 16> colourButtons_{};
    QString fontName_;
    int fontSize_ = 9;
    QLabel* fontNameLabel_ = nullptr;
    QLabel* fontSizeLabel_ = nullptr;
    QCheckBox* grid_ = nullptr;
    QTreeWidget* sample_ = nullptr;
    bool repainting_ = false;

    // Language
    QListWidget* languages_ = nullptr;
    int languageAtOpening_ = 0;

    // Archivers and encryptors
    QListWidget* compressors_ = nullptr;
    std::array<QLineEdit*, 11> compressorFields_{};
    QPushButton* compressorDelete_ = nullptr;
    int shownCompressor_ = -1;
    QListWidget* encryptors_ = nullptr;
    std::array<QLineEdit*, 3> encryptorFields_{};
    QPlainTextEdit* encryptorDescription_ = nullptr;
    QPushButton* encryptorDelete_ = nullptr;
    int shownEncryptor_ = -1;

    // Task defaults
    QTreeWidget* nodes_ = nullptr;
    QStackedWidget* panels_ = nullptr;
    QCheckBox* runBefore_ = nullptr;
    QLineEdit* runBeforeProgram_ = nullptr;
    QPushButton* runBeforeBrowse_ = nullptr;
    QCheckBox* runBeforeWait_ = nullptr;
    QCheckBox* runAfter_ = nullptr;
    QLineEdit* runAfterProgram_ = nullptr;
    QPushButton* runAfterBrowse_ = nullptr;
    QCheckBox* runAfterWait_ = nullptr;
    QListWidget* dialEntries_ = nullptr;
    QCheckBox* dialDisconnect_ = nullptr;
    QListWidget* hardwareProfiles_ = nullptr;
    QLabel* hardwareLabel_ = nullptr;
    QLabel* noHardwareProfiles_ = nullptr;
    QCheckBox* bandwidthUse_ = nullptr;
    QSpinBox* bandwidthValue_ = nullptr;
    QComboBox* bandwidthMeasure_ = nullptr;
    QLineEdit* currentPassword_ = nullptr;
    QCheckBox* changePassword_ = nullptr;
    QLineEdit* newPassword_ = nullptr;
    QLineEdit* confirmPassword_ = nullptr;
    QLineEdit* reminder_ = nullptr;
    QCheckBox* logEnabled_ = nullptr;
    QLineEdit* logFileName_ = nullptr;
    QSpinBox* logMaxSize_ = nullptr;
    std::array<QCheckBox*, 7> logIncludes_{};
    QComboBox* alertSet_ = nullptr;
    int shownAlertSet_ = 0;
    TAlertSetControls events_{};
    QButtonGroup* cpu_ = nullptr;
    QCheckBox* powerNoBatteries_ = nullptr;
    QCheckBox* powerWake_ = nullptr;
    QButtonGroup* batteryMode_ = nullptr;
    QLineEdit* smtpServer_ = nullptr;
    QSpinBox* smtpPort_ = nullptr;
    QCheckBox* smtpAuth_ = nullptr;
    QLineEdit* smtpUser_ = nullptr;
    QLineEdit* smtpPassword_ = nullptr;
    QLineEdit* emailTo_ = nullptr;
    QLineEdit* emailFrom_ = nullptr;
    QLineEdit* emailSubject_ = nullptr;

    QSoundEffect* sound_ = nullptr;

    TEmailFields EmailFields() const {
        return {smtpServer_,   smtpPort_, smtpAuth_,  smtpUser_,
                smtpPassword_, emailTo_,  emailFrom_, emailSubject_};
    }
};

// Opens the preferences modally (page and entry as for TPrefsForm). After OK the settings are applied
// and saved (SaveGlobalSettings, which also writes the definition tables) and true is returned; the
// caller then shows or hides its notification-area icon by StartupHideTrayIcon and registers the main
// window's hot key again.
bool EditPreferences(QWidget* parent, int page = -1, int entry = -1);
