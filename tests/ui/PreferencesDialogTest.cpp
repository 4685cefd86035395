#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <mutex>

#include "UiFixtures.h"
#include "packing/PackerSettings.h"
#include "packing/Packers.h"
#include "platform/Autostart.h"
#include "platform/HotKeys.h"
#include "settings/Language.h"
#include "ui/LogModel.h"
#include "ui/PreferencesDialog.h"

namespace {

template <typename T>
T* ByText(QWidget* root, const QString& text) {
    for (T* widget : root->findChildren<T*>())
        if (widget->text() == text)
            return widget;
    ADD_FAILURE() << "no control captioned " << text.toStdString();
    return nullptr;
}

template <typename T>
T* Named(QWidget* root, const char* name) {
    T* widget = root->findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

// Records what the dialog tells and answers its questions without blocking.
struct TRecordedMessages {
    QStringList errors;
    QStringList confirmations;
    bool confirmAnswer = true;
    QString typedName;

    void Install() {
        TDialogMessages& m = DialogMessages();
        m.Error = [this](QWidget*, const QString& caption, const QString& text) {
            errors.append(caption + " | " + text);
        };
        m.Warning = m.Error;
        m.Information = [](QWidget*, const QString&, const QString&) {};
        m.Confirm = [this](QWidget*, const QString& caption, const QString& text) {
            confirmations.append(caption + " | " + text);
            return confirmAnswer;
        };
        m.AskText = [this](QWidget*, const QString&, const QString&, QString& text) {
            text = typedName;
            return !typedName.isEmpty();
        };
        m.AskFolder = [](QWidget*, const QString&, const QString&) { return QString(); };
    }
};

class PreferencesDialogTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        static const bool registered = [] {
            RegisterPackers();
            return true;
        }();
        (void)registered;
        previousConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", home.File(QStringLiteral("config")).toUtf8());
        TPrefsForm::DialEntriesSource = [] {
            return QStringList{QStringLiteral("Office VPN"), QStringLiteral("Modem")};
        };
        TPrefsForm::RememberedPage = 0;
        TPrefsForm::RememberedNode = 0;
        LoadGlobalSettings();
        messages.Install();
    }
    void TearDown() override {
        TPrefsForm::HardwareProfilesSource = [] { return QStringList(); };
        ResetDialogMessages();
        UnloadLanguageFile();
        qputenv("XDG_CONFIG_HOME", previousConfig);
        UiTest::TearDown();
    }

    QByteArray previousConfig;
    TRecordedMessages messages;
};

TEST_F(PreferencesDialogTest, ChangedPreferencesAreSavedAndLoadedAgainValueForValue) {
    {
        TPrefsForm form(nullptr, TPrefsForm::pgStartup);
        ByText<QCheckBox>(&form, "Run &minimized")->setChecked(true);
        ByText<QCheckBox>(&form, "Show splash scr&een at startup")->setChecked(false);
        ByText<QCheckBox>(&form, "Run at system &startup")->setChecked(true);
        ByText<QCheckBox>(&form, "Show main window on Hot Key:")->setChecked(true);
        Named<QKeySequenceEdit>(&form, "hotKey")
            ->setKeySequence(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_B));
        ByText<QRadioButton>(&form, "Disable - only one Task can run at a time")->setChecked(true);
        Named<QSpinBox>(&form, "pauseMin")->setValue(17);
        ByText<QRadioButton>(&form, "Custom temporary folder:")->setChecked(true);
        Named<QLineEdit>(&form, "tempFolder")->setText(QStringLiteral("/var/tmp/tarnovex"));
        ByText<QCheckBox>(&form, "Show grid")->setChecked(true);
        ByText<QRadioButton>(&form, "Realtime")->setChecked(true);
        ByText<QRadioButton>(&form, "Abort/Stop")->setChecked(true);
        Named<QLineEdit>(&form, "emailTo")->setText(QStringLiteral("ann@example.org"));
        Named<QListWidget>(&form, "dialEntries")->setCurrentRow(2);
        ByText<QCheckBox>(&form, "Enable activity logging")->setChecked(false);
        GlobalSettings().TasksDefaults.HardwareSkipList = QStringLiteral("Docked,Undocked");
        form.accept();
        ASSERT_EQ(form.result(), QDialog::Accepted);
        form.Apply();
        SaveGlobalSettings();
    }
    ResetGlobalSettings();
    LoadGlobalSettings();
    const TGlobalSettings& g = GlobalSettings();
    EXPECT_TRUE(g.Startup.StartupRunMinimized);
    EXPECT_FALSE(g.Startup.StartupShowSplash);
    EXPECT_TRUE(g.Startup.StartupHotKeyUse);
    EXPECT_EQ(g.Startup.StartupHotKey, quint16('B' | kHotKeyCtrl | kHotKeyAlt));
    EXPECT_TRUE(g.Performance.DisallowSimultaneousBackup);
    EXPECT_EQ(g.Performance.SchedulePauseMin, 17);
    EXPECT_FALSE(g.Performance.TempDirDefault);
    EXPECT_EQ(g.Performance.TempDirCustom, QStringLiteral("/var/tmp/tarnovex"));
    EXPECT_TRUE(g.LogDisplay.LogGrid);
    EXPECT_EQ(g.TasksDefaults.CpuPerformance, 6);
    EXPECT_EQ(g.TasksDefaults.PowerBatteryMode, QStringLiteral("A"));
    EXPECT_EQ(g.TasksDefaults.EmailTo, QStringLiteral("ann@example.org"));
    EXPECT_EQ(g.TasksDefaults.DialEntry, QStringLiteral("Modem"));
    EXPECT_FALSE(g.TasksDefaults.LogEnabled);
    // No hardware profiles exist here; names from elsewhere are kept rather than dropped.
    EXPECT_EQ(g.TasksDefaults.HardwareSkipList, QStringLiteral("Docked,Undocked"));
    EXPECT_TRUE(Autostart::Exists());

    // The reopened dialog shows the stored values again.
    TPrefsForm again(nullptr, TPrefsForm::pgStartup);
    EXPECT_EQ(Named<QSpinBox>(&again, "pauseMin")->value(), 17);
    EXPECT_EQ(Named<QKeySequenceEdit>(&again, "hotKey")->keySequence(),
              QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_B));
    EXPECT_EQ(Named<QListWidget>(&again, "dialEntries")->currentItem()->text(), QStringLiteral("Modem"));
    EXPECT_TRUE(ByText<QCheckBox>(&again, "Run at system &startup")->isChecked());
}

TEST_F(PreferencesDialogTest, CancelLeavesEverySettingAsItWas) {
    const TGlobalSettings before = GlobalSettings();
    TPrefsForm form(nullptr, TPrefsForm::pgPerformance);
    ByText<QCheckBox>(&form, "Run &minimized")->setChecked(true);
    Named<QSpinBox>(&form, "pauseMin")->setValue(99);
    ByText<QCheckBox>(&form, "Show grid")->setChecked(true);
    Named<QLineEdit>(&form, "emailTo")->setText(QStringLiteral("bob@example.org"));
    ByText<QCheckBox>(&form, "Run at system &startup")->setChecked(true);
    form.reject();
    EXPECT_EQ(form.result(), QDialog::Rejected);
    const TGlobalSettings& g = GlobalSettings();
    EXPECT_EQ(g.Startup.StartupRunMinimized, before.Startup.StartupRunMinimized);
    EXPECT_EQ(g.Performance.SchedulePauseMin, before.Performance.SchedulePauseMin);
    EXPECT_EQ(g.LogDisplay.LogGrid, before.LogDisplay.LogGrid);
    EXPECT_EQ(g.LogDisplay.LogSummaryColorBg, before.LogDisplay.LogSummaryColorBg);
    EXPECT_EQ(g.TasksDefaults.EmailTo, before.TasksDefaults.EmailTo);
    EXPECT_FALSE(Autostart::Exists());
}

TEST_F(PreferencesDialogTest, DefaultPasswordChangesOnlyWithMatchingEntries) {
    {
        TPrefsForm form(nullptr, TPrefsForm::pgStartup);
        auto* change = Named<QCheckBox>(&form, "changePassword");
        EXPECT_TRUE(change->isEnabled());  // an empty password matches the empty field
        change->setChecked(true);
        Named<QLineEdit>(&form, "newPassword")->setText(QStringLiteral("one"));
        Named<QLineEdit>(&form, "confirmPassword")->setText(QStringLiteral("two"));
        form.accept();
        EXPECT_NE(form.result(), QDialog::Accepted);
        ASSERT_EQ(messages.errors.size(), 1);
        EXPECT_TRUE(messages.errors[0].contains(QStringLiteral("do not match")))
            << messages.errors[0].toStdString();
        EXPECT_EQ(form.CurrentPage(), TPrefsForm::pgTaskDefaults);
        EXPECT_EQ(form.CurrentNode(), TPrefsForm::ndPassword);

        Named<QLineEdit>(&form, "confirmPassword")->setText(QStringLiteral("one"));
        Named<QLineEdit>(&form, "reminder")->setText(QStringLiteral("the number"));
        form.accept();
        ASSERT_EQ(form.result(), QDialog::Accepted);
        form.Apply();
    }
    EXPECT_EQ(GlobalSettings().TasksDefaults.Password, QStringLiteral("one"));
    EXPECT_EQ(GlobalSettings().TasksDefaults.PasswordReminder, QStringLiteral("the number"));
    EXPECT_EQ(TPrefsForm::RememberedNode, TPrefsForm::ndPassword);

    // A wrong current password keeps the change box disabled and the password as it was.
    TPrefsForm form(nullptr);
    EXPECT_EQ(form.CurrentPage(), TPrefsForm::pgTaskDefaults);  // the remembered page
    Named<QLineEdit>(&form, "currentPassword")->setText(QStringLiteral("wrong"));
    auto* change = Named<QCheckBox>(&form, "changePassword");
    EXPECT_FALSE(change->isEnabled());
    change->setChecked(true);
    Named<QLineEdit>(&form, "newPassword")->setText(QStringLiteral("x"));
    form.accept();
    ASSERT_EQ(form.result(), QDialog::Accepted);
    form.Apply();
    EXPECT_EQ(GlobalSettings().TasksDefaults.Password, QStringLiteral("one"));
}

TEST_F(PreferencesDialogTest, OpensTheAskedDefinitionAndIgnoresAnEntryBeyondTheList) {
    TPrefsForm third(nullptr, TPrefsForm::pgEncryptors, 2);
    EXPECT_EQ(third.CurrentPage(), TPrefsForm::pgEncryptors);
    EXPECT_EQ(Named<QListWidget>(&third, "encryptors")->currentRow(), 2);
    EXPECT_EQ(Named<QLineEdit>(&third, "encryptorField1")->text(), DefaultEncryptors()[2].Decrypt);
    // Long commands show their start, where the program and its switches are.
    EXPECT_EQ(Named<QLineEdit>(&third, "encryptorField1")->cursorPosition(), 0);

    TPrefsForm beyond(nullptr, TPrefsForm::pgCompressors, 500);
    EXPECT_EQ(Named<QListWidget>(&beyond, "compressors")->currentRow(), 0);
    EXPECT_EQ(Named<QLineEdit>(&beyond, "compressorField4")->text(), DefaultCompressors()[0].AddFiles);
    Named<QListWidget>(&beyond, "compressors")->setCurrentRow(3);
    EXPECT_EQ(Named<QLineEdit>(&beyond, "compressorField4")->cursorPosition(), 0);
}

TEST_F(PreferencesDialogTest, DefinitionEditsReachTheListsEvenWhenCancelled) {
    messages.typedName = QStringLiteral("My Crypt");
    {
        TPrefsForm form(nullptr, TPrefsForm::pgEncryptors);
        auto* list = Named<QListWidget>(&form, "encryptors");
        const int before = list->count();
        Named<QPushButton>(&form, "encryptorAdd")->click();
        ASSERT_EQ(list->count(), before + 1);
        EXPECT_EQ(list->currentRow(), 0);  // the list is refilled and its first definition shown
        list->setCurrentRow(before);
        EXPECT_TRUE(Named<QLineEdit>(&form, "encryptorField1")->text().isEmpty());
        Named<QLineEdit>(&form, "encryptorField1")->setText(QStringLiteral("mycrypt -d %%S %%D %%P"));
        list->setCurrentRow(0);

        // Delete asks first and removes the shown definition by name.
        Named<QPushButton>(&form, "encryptorDelete")->click();
        ASSERT_EQ(messages.confirmations.size(), 1);
        EXPECT_TRUE(
            messages.confirmations[0].contains(QStringLiteral("\"RC4 (128 Bit)\" encryptors from list")))
            << messages.confirmations[0].toStdString();
        EXPECT_TRUE(Named<QLineEdit>(&form, "encryptorField0")->text().isEmpty());
        EXPECT_FALSE(Named<QPushButton>(&form, "encryptorDelete")->isEnabled());
        form.reject();
    }
    {
        std::lock_guard lock(PackerSettingsMutex());
        TExternalEncryptorSettings* mine = ExternalEncryptors().FindEncryptor(QStringLiteral("My Crypt"));
        ASSERT_NE(mine, nullptr);
        EXPECT_EQ(mine->Value(TEncryptorField::Decrypt), QStringLiteral("mycrypt -d %%S %%D %%P"));
        EXPECT_TRUE(mine->Modified);
        EXPECT_EQ(ExternalEncryptors().FindEncryptor(QStringLiteral("RC4 (128 Bit)")), nullptr);
    }
    // Restore brings the shipped definition back and keeps the user's own.
    TPrefsForm form(nullptr, TPrefsForm::pgEncryptors);
    Named<QPushButton>(&form, "encryptorRestore")->click();
    std::lock_guard lock(PackerSettingsMutex());
    EXPECT_NE(ExternalEncryptors().FindEncryptor(QStringLiteral("RC4 (128 Bit)")), nullptr);
    EXPECT_NE(ExternalEncryptors().FindEncryptor(QStringLiteral("My Crypt")), nullptr);
}

TEST_F(PreferencesDialogTest, AlertSetIsWrittenWhenAnotherSetIsChosen) {
    TPrefsForm form(nullptr, TPrefsForm::pgTaskDefaults);
    const QList<QCheckBox*> dialogs = form.findChildren<QCheckBox*>();
    QCheckBox* firstDialog = nullptr;
    for (QCheckBox* box : dialogs)
        if (box->text() == QStringLiteral("Show message dialog")) {
            firstDialog = box;  // the first belongs to "Task started"
            break;
        }
    ASSERT_NE(firstDialog, nullptr);
    const bool was =
        AlertOf(GlobalSettings().TasksDefaults.Events, TAlertSet::Scheduled, TAlertEventKind::Start).Dialog;
    firstDialog->setChecked(!was);
    Named<QLineEdit>(&form, "soundFile0")->setText(QStringLiteral("Media/bell.wav"));
    Named<QComboBox>(&form, "alertSet")->setCurrentIndex(1);
    const TAlertChannels& scheduled =
        AlertOf(GlobalSettings().TasksDefaults.Events, TAlertSet::Scheduled, TAlertEventKind::Start);
    EXPECT_EQ(scheduled.Dialog, !was);
    EXPECT_EQ(scheduled.SoundFile, QStringLiteral("Media/bell.wav"));
    // The manual set is shown now.
    EXPECT_EQ(
        firstDialog->isChecked(),
        AlertOf(GlobalSettings().TasksDefaults.Events, TAlertSet::Manual, TAlertEventKind::Start).Dialog);
    EXPECT_EQ(
        Named<QLineEdit>(&form, "soundFile0")->text(),
        AlertOf(GlobalSettings().TasksDefaults.Events, TAlertSet::Manual, TAlertEventKind::Start).SoundFile);
    EXPECT_EQ(Named<QLineEdit>(&form, "soundFile0")->cursorPosition(), 0);  // the start of the name shows
}

TEST_F(PreferencesDialogTest, EnglishDefaultEmptiesTheLanguageAndTheSameChoiceChangesNothing) {
    home.WriteFile(QStringLiteral("DUTCH.lng"), "[Misc]\nstrError=Fout\n");
    GlobalSettings().Language = QStringLiteral("dutch.LNG");
    {
        TPrefsForm form(nullptr, TPrefsForm::pgLanguage);
        auto* list = Named<QListWidget>(&form, "languages");
        ASSERT_EQ(list->currentItem()->text(), QStringLiteral("Dutch"));
        form.accept();
        form.Apply();
    }
    EXPECT_EQ(GlobalSettings().Language, QStringLiteral("dutch.LNG"));  // unchanged, not rewritten
    {
        TPrefsForm form(nullptr, TPrefsForm::pgLanguage);
        Named<QListWidget>(&form, "languages")->setCurrentRow(0);
        form.accept();
        form.Apply();
    }
    EXPECT_TRUE(GlobalSettings().Language.isEmpty());
    EXPECT_FALSE(LanguageFileLoaded());
}

TEST_F(PreferencesDialogTest, DependentControlsFollowTheirSwitches) {
    GlobalSettings().TasksDefaults.EmailTo = QStringLiteral("ops@example.org");
    TPrefsForm form(nullptr, TPrefsForm::pgStartup);
    auto* hotKeyUse = ByText<QCheckBox>(&form, "Show main window on Hot Key:");
    auto* hotKey = Named<QKeySequenceEdit>(&form, "hotKey");
    EXPECT_FALSE(hotKey->isEnabled());
    hotKeyUse->setChecked(true);
    EXPECT_TRUE(hotKey->isEnabled());
    hotKey->setKeySequence(QKeySequence(Qt::CTRL | Qt::Key_K));
    ByText<QPushButton>(&form, "Reset to 'None'")->click();
    EXPECT_TRUE(hotKey->keySequence().isEmpty());

    auto* pause = ByText<QCheckBox>(&form, "Delay scheduled Tasks when the system starts");
    pause->setChecked(false);
    EXPECT_FALSE(Named<QSpinBox>(&form, "pauseMin")->isEnabled());
    EXPECT_FALSE(Named<QLineEdit>(&form, "tempFolder")->isEnabled());
    ByText<QRadioButton>(&form, "Custom temporary folder:")->setChecked(true);
    EXPECT_TRUE(Named<QLineEdit>(&form, "tempFolder")->isEnabled());

    auto* before = ByText<QCheckBox>(&form, "Run program before the Task starts:");
    EXPECT_FALSE(Named<QLineEdit>(&form, "runBeforeProgram")->isEnabled());
    before->setChecked(true);
    EXPECT_TRUE(Named<QLineEdit>(&form, "runBeforeProgram")->isEnabled());

    // Checking "Send email to" with a blank address takes the default recipient; a typed one stays.
    QList<QCheckBox*> sendBoxes;
    for (QCheckBox* box : form.findChildren<QCheckBox*>())
        if (box->text() == QStringLiteral("Send email to"))
            sendBoxes.append(box);
    ASSERT_EQ(sendBoxes.size(), 5);  // every event except file processing
    sendBoxes[0]->setChecked(true);
    EXPECT_EQ(Named<QLineEdit>(&form, "email0")->text(), QStringLiteral("ops@example.org"));
    Named<QLineEdit>(&form, "email3")->setText(QStringLiteral("boss@example.org"));
    sendBoxes[2]->setChecked(true);
    EXPECT_EQ(Named<QLineEdit>(&form, "email3")->text(), QStringLiteral("boss@example.org"));
}

TEST_F(PreferencesDialogTest, PageMinusOneOpensThePageLastClosedWithOk) {
    {
        TPrefsForm form(nullptr, TPrefsForm::pgLogDisplay);
        form.accept();
        form.Apply();
    }
    {
        TPrefsForm form(nullptr, TPrefsForm::pgEncryptors);
        form.reject();  // a cancelled dialog is not remembered
    }
    TPrefsForm form(nullptr, -1);
    EXPECT_EQ(form.CurrentPage(), TPrefsForm::pgLogDisplay);
}

// The colours a sample row is painted with: its own, else the view's.
QColor SampleText(QTreeWidget* sample, int row) {
    const QVariant own = sample->topLevelItem(row)->data(3, Qt::ForegroundRole);
    return own.isValid() ? own.value<QBrush>().color() : sample->palette().color(QPalette::Text);
}
QColor SampleBackground(QTreeWidget* sample, int row) {
    const QVariant own = sample->topLevelItem(row)->data(3, Qt::BackgroundRole);
    return own.isValid() ? own.value<QBrush>().color() : sample->palette().color(QPalette::Base);
}

QPalette DarkPalette() {
    QPalette dark = QApplication::palette();
    dark.setColor(QPalette::Base, QColor(0x24, 0x24, 0x24));
    dark.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::Text, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::WindowText, QColor(0xe8, 0xe8, 0xe8));
    return dark;
}

TEST_F(PreferencesDialogTest, LogSampleFollowsTheViewsColoursAsTheLogPanelDoes) {
    QPalette light = QApplication::palette();
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::Text, Qt::black);
    TPrefsForm form(nullptr, TPrefsForm::pgLogDisplay);
    form.setPalette(light);
    auto* sample = Named<QTreeWidget>(&form, "SampleList");
    constexpr int kFiles = 1, kSummary = 0;
    // Light: the stored black text of processed files on the view's own white.
    EXPECT_EQ(SampleText(sample, kFiles), QColor(Qt::black));
    EXPECT_EQ(SampleBackground(sample, kFiles), QColor(Qt::white));

    // Dark, also when the theme changes while the dialog is open: the stored black gives way on the
    // dark background, and a row with its own stored pair keeps it.
    form.setPalette(DarkPalette());
    EXPECT_EQ(SampleBackground(sample, kFiles), QColor(0x24, 0x24, 0x24));
    EXPECT_GE(TLogModel::Contrast(SampleText(sample, kFiles), SampleBackground(sample, kFiles)),
              TLogModel::kMinContrast);
    EXPECT_EQ(SampleText(sample, kSummary), QColor(Qt::black));
    EXPECT_EQ(SampleBackground(sample, kSummary), QColor(204, 204, 230));

    // The FTP rows tell a reply from a command as the log does: by its mark.
    EXPECT_EQ(SampleText(sample, 5), QColor(191, 191, 191));
    EXPECT_EQ(SampleText(sample, 6), QColor(127, 127, 127));
}

TEST_F(PreferencesDialogTest, AMissingLogFontIsShownAsTheSystemFontAndStaysStored) {
    const QString missing = QStringLiteral("Tarnovex No Such Family");
    ASSERT_FALSE(QFontDatabase::hasFamily(missing));
    GlobalSettings().LogDisplay.LogFontName = missing;
    GlobalSettings().LogDisplay.LogFontSize = 11;
    const QString general = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    {
        TPrefsForm form(nullptr, TPrefsForm::pgLogDisplay);
        const QFont shown = Named<QTreeWidget>(&form, "SampleList")->font();
        EXPECT_EQ(shown.family(), general);
        EXPECT_EQ(shown.pointSize(), 11);
        EXPECT_EQ(Named<QLabel>(&form, "fontName")->text(),
                  general + QStringLiteral(" (") + missing + QStringLiteral(" is not installed)"));
        form.accept();
        form.Apply();
    }
    EXPECT_EQ(GlobalSettings().LogDisplay.LogFontName, missing);
    EXPECT_EQ(GlobalSettings().LogDisplay.LogFontSize, 11);

    // An installed family is used as it is; an empty name stands for "Tahoma", not installed here.
    const QStringList families = QFontDatabase::families();
    ASSERT_FALSE(families.isEmpty());
    const QString installed = families.contains(QStringLiteral("DejaVu Sans Mono"))
                                  ? QStringLiteral("DejaVu Sans Mono")
                                  : families.last();
    GlobalSettings().LogDisplay.LogFontName = installed;
    TPrefsForm form(nullptr, TPrefsForm::pgLogDisplay);
    EXPECT_EQ(Named<QTreeWidget>(&form, "SampleList")->font().family(), installed);
    EXPECT_EQ(Named<QLabel>(&form, "fontName")->text(), installed);
    EXPECT_EQ(LogDisplayFont(QString(), 0).family(),
              QFontDatabase::hasFamily(QStringLiteral("Tahoma")) ? QStringLiteral("Tahoma") : general);
}

TEST_F(PreferencesDialogTest, TaskDefaultPanelsOfferOnlyWhatCanBeUsed) {
    {
        // No password yet: nothing to confirm, the change can be made at once.
        TPrefsForm form(nullptr, TPrefsForm::pgTaskDefaults);
        EXPECT_FALSE(Named<QLineEdit>(&form, "currentPassword")->isEnabled());
        EXPECT_TRUE(Named<QCheckBox>(&form, "changePassword")->isEnabled());
        // This system has no hardware profiles: a note instead of an empty list.
        EXPECT_TRUE(Named<QListWidget>(&form, "hardwareProfiles")->isHidden());
        EXPECT_FALSE(Named<QLabel>(&form, "NoHardwareProfilesLabel")->isHidden());
        // The priority recommended is the one a fresh store starts with.
        QAbstractButton* recommended = nullptr;
        for (QRadioButton* radio : form.findChildren<QRadioButton*>())
            if (radio->text().endsWith(QStringLiteral("(recommended)"))) {
                EXPECT_EQ(recommended, nullptr) << "two recommendations";
                recommended = radio;
            }
        ASSERT_NE(recommended, nullptr);
        EXPECT_TRUE(recommended->isChecked());
    }
    GlobalSettings().TasksDefaults.Password = QStringLiteral("pw");
    GlobalSettings().TasksDefaults.HardwareSkipList = QStringLiteral("Undocked");
    TPrefsForm::HardwareProfilesSource = [] {
        return QStringList{QStringLiteral("Docked"), QStringLiteral("Undocked")};
    };
    TPrefsForm form(nullptr, TPrefsForm::pgTaskDefaults);
    auto* current = Named<QLineEdit>(&form, "currentPassword");
    EXPECT_TRUE(current->isEnabled());
    EXPECT_FALSE(Named<QCheckBox>(&form, "changePassword")->isEnabled());
    current->setText(QStringLiteral("pw"));
    EXPECT_TRUE(Named<QCheckBox>(&form, "changePassword")->isEnabled());

    auto* profiles = Named<QListWidget>(&form, "hardwareProfiles");
    EXPECT_FALSE(profiles->isHidden());
    EXPECT_TRUE(Named<QLabel>(&form, "NoHardwareProfilesLabel")->isHidden());
    ASSERT_EQ(profiles->count(), 2);
    EXPECT_EQ(profiles->item(1)->checkState(), Qt::Checked);
    profiles->item(0)->setCheckState(Qt::Checked);
    form.accept();
    form.Apply();
    EXPECT_EQ(GlobalSettings().TasksDefaults.HardwareSkipList, QStringLiteral("Docked,Undocked"));
}

TEST(HotKeyConversion, StoredCodesRoundTripAndUnknownKeysGiveNone) {
    const QKeySequence f5(Qt::SHIFT | Qt::Key_F5);
    EXPECT_EQ(HotKeyFromSequence(f5), quint16(0x74 | kHotKeyShift));
    EXPECT_EQ(SequenceFromHotKey(HotKeyFromSequence(f5)), f5);
    EXPECT_EQ(HotKeyFromSequence(QKeySequence()), 0);
    EXPECT_EQ(HotKeyFromSequence(QKeySequence(Qt::Key_Eacute)), 0);
    EXPECT_TRUE(SequenceFromHotKey(0).isEmpty());
}

}  // namespace
