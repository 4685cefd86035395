#include "ui/InitWizard.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "UiFixtures.h"
#include "logging/Email.h"
#include "logging/EmailTestServer.h"
#include "platform/Autostart.h"
#include "settings/Language.h"
#include "store/SafeRegistry.h"
#include "ui/MainWindow.h"
#include "ui/PreferencesDialog.h"

namespace {

template <typename T>
T* Child(QWidget& form, const char* name) {
    T* widget = form.findChild<T*>(QString::fromLatin1(name));
    if (widget == nullptr)
        ADD_FAILURE() << "no control " << name;
    return widget;
}

class InitWizardTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        previousConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", home.File(QStringLiteral("config")).toUtf8());
        TDialogMessages& m = DialogMessages();
        m.Error = [this](QWidget*, const QString& caption, const QString& text) {
            errors.append(caption + QStringLiteral(" | ") + text);
        };
        m.Information = [this](QWidget*, const QString& caption, const QString& text) {
            informed.append(caption + QStringLiteral(" | ") + text);
        };
        previousSender = TSettingsInitWizardForm::TestEmailSender;
    }
    void TearDown() override {
        TSettingsInitWizardForm::TestEmailSender = previousSender;
        ResetDialogMessages();
        qputenv("XDG_CONFIG_HOME", previousConfig);
        UiTest::TearDown();
    }

    void Click(QAbstractButton* button) {
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->isEnabled()) << button->text().toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // Next until the wizard stands on page, recording the pages passed.
    QList<int> WalkTo(TSettingsInitWizardForm& wizard, int page) {
        QList<int> visited{wizard.currentId()};
        while (wizard.currentId() != page && visited.size() < 10) {
            QTest::mouseClick(wizard.button(QWizard::NextButton), Qt::LeftButton);
            visited.append(wizard.currentId());
        }
        return visited;
    }
    static const TAlertChannels& Alert(TAlertSet set, TAlertEventKind event) {
        return AlertOf(GlobalSettings().TasksDefaults.Events, set, event);
    }

    QByteArray previousConfig;
    std::function<void(const TEmailSettings&, std::function<void(const TTestEmailResult&)>)> previousSender;
    QStringList errors;
    QStringList informed;
};

constexpr TAlertSet kBothModes[] = {TAlertSet::Scheduled, TAlertSet::Manual};
constexpr TAlertEventKind kTenEvents[] = {TAlertEventKind::Start, TAlertEventKind::Finish,
                                          TAlertEventKind::DiskSpan, TAlertEventKind::Warning,
                                          TAlertEventKind::Error};

TEST_F(InitWizardTest, OpensWithTheProgramsValues) {
    TGlobalSettings& g = GlobalSettings();
    g.Main.FirstStart = false;
    g.Performance.DisallowSimultaneousBackup = true;
    g.TasksDefaults.CpuPerformance = 5;
    g.TasksDefaults.BandwidthUse = true;
    g.TasksDefaults.BandwidthValue = 640;
    g.TasksDefaults.BandwidthMeasure = QStringLiteral("KBits");
    AlertOf(g.TasksDefaults.Events, TAlertSet::Scheduled, TAlertEventKind::Start).Balloon = false;
    AlertOf(g.TasksDefaults.Events, TAlertSet::Scheduled, TAlertEventKind::Start).SoundFile =
        QStringLiteral("Media\\Ambient\\TaskStarted.wav");
    AlertOf(g.TasksDefaults.Events, TAlertSet::Scheduled, TAlertEventKind::Finish).Sound = false;
    AlertOf(g.TasksDefaults.Events, TAlertSet::Scheduled, TAlertEventKind::Finish).EmailUse = true;
    g.TasksDefaults.EmailSmtpServer = QStringLiteral("mail.example.org");
    g.TasksDefaults.EmailTo = QStringLiteral("ann@example.org");

    TSettingsInitWizardForm wizard;
    // Not set up to start at log on, and not a first start: "No".
    EXPECT_TRUE(Child<QRadioButton>(wizard, "AutorunNoRadio")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(wizard, "OneTaskCheckBox")->isChecked());
    EXPECT_EQ(Child<QComboBox>(wizard, "CpuPerformanceComboBox")->currentText(), QStringLiteral("High"));
    EXPECT_TRUE(Child<QCheckBox>(wizard, "BandwidthCheckBox")->isChecked());
    EXPECT_EQ(Child<QSpinBox>(wizard, "BandwidthValueEdit")->value(), 640);
    EXPECT_EQ(Child<QComboBox>(wizard, "BandwidthMeasureComboBox")->currentText(), QStringLiteral("KBits"));
    EXPECT_FALSE(Child<QCheckBox>(wizard, "BalloonsCheckBox")->isChecked());
    // Audio needs both the start and the finish sound.
    EXPECT_FALSE(Child<QCheckBox>(wizard, "SoundsCheckBox")->isChecked());
    EXPECT_EQ(Child<QComboBox>(wizard, "SoundThemeComboBox")->currentText(), QStringLiteral("Ambient"));
    EXPECT_TRUE(Child<QCheckBox>(wizard, "EmailCheckBox")->isChecked());
    EXPECT_EQ(Child<QLineEdit>(wizard, "SmtpServerEdit")->text(), QStringLiteral("mail.example.org"));
    EXPECT_EQ(Child<QLineEdit>(wizard, "EmailToEdit")->text(), QStringLiteral("ann@example.org"));
    EXPECT_EQ(Child<QLineEdit>(wizard, "EmailSubjectEdit")->text(), QStringLiteral("Backup Notification"));

    // An existing autostart entry, or a first start, selects "Yes".
    ASSERT_TRUE(Autostart::Add(QStringLiteral("/usr/bin/tarnovex")));
    TSettingsInitWizardForm withEntry;
    EXPECT_TRUE(Child<QRadioButton>(withEntry, "AutorunYesRadio")->isChecked());
    ASSERT_TRUE(Autostart::Remove());
    g.Main.FirstStart = true;
    TSettingsInitWizardForm firstStart;
    EXPECT_TRUE(Child<QRadioButton>(firstStart, "AutorunYesRadio")->isChecked());
}

TEST_F(InitWizardTest, ButtonsFollowThePagesAndTheEmailPageOnlyWhenChosen) {
    TSettingsInitWizardForm wizard;
    wizard.show();
    ASSERT_EQ(wizard.currentId(), TSettingsInitWizardForm::pgWelcome);
    EXPECT_TRUE(wizard.button(QWizard::BackButton)->isVisible());
    EXPECT_FALSE(wizard.button(QWizard::BackButton)->isEnabled());
    EXPECT_TRUE(wizard.button(QWizard::CancelButton)->isEnabled());

    Child<QCheckBox>(wizard, "EmailCheckBox")->setChecked(false);
    EXPECT_EQ(WalkTo(wizard, TSettingsInitWizardForm::pgFinish),
              (QList<int>{TSettingsInitWizardForm::pgWelcome, TSettingsInitWizardForm::pgLaunch,
                          TSettingsInitWizardForm::pgPerformance, TSettingsInitWizardForm::pgAlerts,
                          TSettingsInitWizardForm::pgFinish}));
    EXPECT_FALSE(wizard.button(QWizard::NextButton)->isVisible());
    EXPECT_TRUE(wizard.button(QWizard::FinishButton)->isVisible());
    EXPECT_FALSE(wizard.button(QWizard::CancelButton)->isEnabled());
    // Escape is Close's key: on the last page it does nothing either.
    QTest::keyClick(&wizard, Qt::Key_Escape);
    EXPECT_TRUE(wizard.isVisible());

    wizard.back();
    ASSERT_EQ(wizard.currentId(), TSettingsInitWizardForm::pgAlerts);
    EXPECT_TRUE(wizard.button(QWizard::CancelButton)->isEnabled());
    Child<QCheckBox>(wizard, "EmailCheckBox")->setChecked(true);
    QTest::mouseClick(wizard.button(QWizard::NextButton), Qt::LeftButton);
    EXPECT_EQ(wizard.currentId(), TSettingsInitWizardForm::pgEmail);
    QTest::keyClick(&wizard, Qt::Key_Escape);
    EXPECT_FALSE(wizard.isVisible());
    EXPECT_EQ(wizard.result(), QDialog::Rejected);
}

TEST_F(InitWizardTest, TranslatedButtonTextsStayWhenThePageChanges) {
    home.WriteFile(QStringLiteral("Test.lng"),
                   "[SettingsInitWizardForm]\n"
                   "SettingsInitWizardForm.Caption=Einrichtungsassistent\n"
                   "SettingsInitWizardForm.NextButton.Caption=&Weiter >\n"
                   "SettingsInitWizardForm.LaunchPage.Caption=Programmstart\n");
    ASSERT_TRUE(LoadLanguageFile(QStringLiteral("Test.lng")));
    TSettingsInitWizardForm wizard;
    UnloadLanguageFile();
    wizard.show();
    EXPECT_EQ(wizard.windowTitle(), QStringLiteral("Einrichtungsassistent"));
    wizard.next();
    EXPECT_EQ(wizard.currentPage()->title(), QStringLiteral("Programmstart"));
    EXPECT_EQ(wizard.button(QWizard::NextButton)->text(), QStringLiteral("&Weiter >"));
    EXPECT_EQ(wizard.button(QWizard::BackButton)->text(), QStringLiteral("< &Back"));
}

TEST_F(InitWizardTest, SettingsMaintenanceEndsTheWizardWithFive) {
    TSettingsInitWizardForm wizard;
    QTimer::singleShot(0, &wizard, [&] { Click(Child<QPushButton>(wizard, "MaintenanceButton")); });
    EXPECT_EQ(wizard.exec(), TInitWizardResult::kMaintenance);
}

TEST_F(InitWizardTest, FinishWithStartAtLogonSoundsAndEmailWritesEveryValue) {
    GlobalSettings().Main.FirstStart = false;
    TSettingsInitWizardForm wizard;
    wizard.show();
    Child<QRadioButton>(wizard, "AutorunYesRadio")->setChecked(true);
    Child<QCheckBox>(wizard, "OneTaskCheckBox")->setChecked(true);
    Child<QComboBox>(wizard, "CpuPerformanceComboBox")->setCurrentIndex(4);
    Child<QCheckBox>(wizard, "BandwidthCheckBox")->setChecked(true);
    Child<QSpinBox>(wizard, "BandwidthValueEdit")->setValue(300);
    Child<QComboBox>(wizard, "BandwidthMeasureComboBox")->setCurrentIndex(0);
    Child<QCheckBox>(wizard, "BalloonsCheckBox")->setChecked(true);
    Child<QCheckBox>(wizard, "SoundsCheckBox")->setChecked(true);
    Child<QComboBox>(wizard, "SoundThemeComboBox")->setCurrentIndex(1);
    Child<QCheckBox>(wizard, "EmailCheckBox")->setChecked(true);
    WalkTo(wizard, TSettingsInitWizardForm::pgEmail);
    QTest::keyClicks(Child<QLineEdit>(wizard, "SmtpServerEdit"), QStringLiteral("smtp.example.org"));
    Child<QSpinBox>(wizard, "SmtpPortEdit")->setValue(587);
    Child<QCheckBox>(wizard, "SmtpAuthCheckBox")->setChecked(true);
    QTest::keyClicks(Child<QLineEdit>(wizard, "SmtpUserEdit"), QStringLiteral("ann"));
    QTest::keyClicks(Child<QLineEdit>(wizard, "SmtpPasswordEdit"), QStringLiteral("pw"));
    QTest::keyClicks(Child<QLineEdit>(wizard, "EmailToEdit"), QStringLiteral("ops@example.org"));
    QTest::keyClicks(Child<QLineEdit>(wizard, "EmailFromEdit"), QStringLiteral("Backup <b@example.org>"));
    WalkTo(wizard, TSettingsInitWizardForm::pgFinish);
    Child<QCheckBox>(wizard, "NewTaskCheckBox")->setChecked(true);
    Click(wizard.button(QWizard::FinishButton));
    ASSERT_EQ(wizard.result(), QDialog::Accepted);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(wizard.ImportTasksChosen());
    EXPECT_TRUE(wizard.NewTaskChosen());
    wizard.Apply();

    const TGlobalSettings& g = GlobalSettings();
    EXPECT_TRUE(Autostart::Exists());
    EXPECT_TRUE(g.Startup.StartupRunMinimized);
    EXPECT_FALSE(g.Startup.StartupShutDownAtClose);
    EXPECT_TRUE(g.Startup.StartupConfirmShutdown);
    EXPECT_TRUE(g.Performance.DisallowSimultaneousBackup);
    EXPECT_EQ(g.TasksDefaults.CpuPerformance, 4);
    EXPECT_TRUE(g.TasksDefaults.BandwidthUse);
    EXPECT_EQ(g.TasksDefaults.BandwidthValue, 300);
    EXPECT_EQ(g.TasksDefaults.BandwidthMeasure, QStringLiteral("KBits"));

    // Balloons for everything but a file, and the start of a run started by hand.
    for (TAlertSet set : kBothModes)
        for (TAlertEventKind event : {TAlertEventKind::DiskSpan, TAlertEventKind::Error,
                                      TAlertEventKind::Warning, TAlertEventKind::Finish})
            EXPECT_TRUE(Alert(set, event).Balloon);
    EXPECT_TRUE(Alert(TAlertSet::Scheduled, TAlertEventKind::Start).Balloon);
    EXPECT_FALSE(Alert(TAlertSet::Manual, TAlertEventKind::Start).Balloon);
    EXPECT_FALSE(Alert(TAlertSet::Scheduled, TAlertEventKind::File).Balloon);
    EXPECT_FALSE(Alert(TAlertSet::Manual, TAlertEventKind::File).Balloon);

    const std::pair<TAlertEventKind, const char*> files[] = {
        {TAlertEventKind::Start, "Media\\Ambient\\TaskStarted.wav"},
        {TAlertEventKind::Finish, "Media\\Ambient\\TaskFinished.wav"},
        {TAlertEventKind::Warning, "Media\\Ambient\\Warning.wav"},
        {TAlertEventKind::Error, "Media\\Ambient\\Error.wav"},
        {TAlertEventKind::DiskSpan, "Media\\Ambient\\NewDisk.wav"},
        {TAlertEventKind::File, ""}};
    for (TAlertSet set : kBothModes) {
        for (const auto& [event, file] : files) {
            EXPECT_TRUE(Alert(set, event).Sound);
            EXPECT_EQ(Alert(set, event).SoundFile, QString::fromLatin1(file));
        }
        for (TAlertEventKind event : kTenEvents) {
            EXPECT_TRUE(Alert(set, event).EmailUse);
            EXPECT_EQ(Alert(set, event).Email, QStringLiteral("ops@example.org"));
        }
        EXPECT_TRUE(Alert(set, TAlertEventKind::Finish).EmailSendLog);
    }
    const TTasksDefaults& d = g.TasksDefaults;
    EXPECT_EQ(d.EmailSmtpServer, QStringLiteral("smtp.example.org"));
    EXPECT_EQ(d.EmailSmtpServerPort, 587);
    EXPECT_TRUE(d.EmailSmtpServerAuthUse);
    EXPECT_EQ(d.EmailSmtpServerAuthUser, QStringLiteral("ann"));
    EXPECT_EQ(d.EmailSmtpServerAuthPassword, QStringLiteral("pw"));
    EXPECT_EQ(d.EmailTo, QStringLiteral("ops@example.org"));
    EXPECT_EQ(d.EmailFrom, QStringLiteral("Backup <b@example.org>"));
    EXPECT_EQ(d.EmailSubject, QStringLiteral("Backup Notification"));
    // The silent mode is not the wizard's.
    EXPECT_EQ(g.TasksDefaults.Events[static_cast<int>(TAlertSet::Silent)],
              TTasksDefaults::DefaultEventAlerts()[static_cast<int>(TAlertSet::Silent)]);
}

TEST_F(InitWizardTest, WithoutEmailTheEmailPageIsSkippedAndEveryEmailAlertSwitchedOff) {
    TGlobalSettings& g = GlobalSettings();
    ASSERT_TRUE(Autostart::Add(QStringLiteral("/usr/bin/tarnovex")));
    for (TAlertSet set : kBothModes)
        for (TAlertEventKind event : kTenEvents) {
            AlertOf(g.TasksDefaults.Events, set, event).EmailUse = true;
            AlertOf(g.TasksDefaults.Events, set, event).Email = QStringLiteral("old@example.org");
        }
    g.TasksDefaults.EmailSmtpServer = QStringLiteral("old.example.org");

    TSettingsInitWizardForm wizard;
    wizard.show();
    Child<QRadioButton>(wizard, "AutorunNoRadio")->setChecked(true);
    Child<QCheckBox>(wizard, "BalloonsCheckBox")->setChecked(false);
    Child<QCheckBox>(wizard, "SoundsCheckBox")->setChecked(false);
    Child<QCheckBox>(wizard, "EmailCheckBox")->setChecked(false);
    // The server field is emptied, but unchecked e-mail needs none.
    Child<QLineEdit>(wizard, "SmtpServerEdit")->clear();
    const QList<int> visited = WalkTo(wizard, TSettingsInitWizardForm::pgFinish);
    EXPECT_FALSE(visited.contains(TSettingsInitWizardForm::pgEmail));
    QTest::keyClick(&wizard, Qt::Key_Return);
    ASSERT_EQ(wizard.result(), QDialog::Accepted);
    wizard.Apply();

    EXPECT_FALSE(Autostart::Exists());
    EXPECT_FALSE(g.Startup.StartupRunMinimized);
    EXPECT_TRUE(g.Startup.StartupShutDownAtClose);
    EXPECT_FALSE(g.Startup.StartupConfirmShutdown);
    for (TAlertSet set : kBothModes) {
        for (TAlertEventKind event : kTenEvents) {
            EXPECT_FALSE(Alert(set, event).EmailUse);
            EXPECT_FALSE(Alert(set, event).Balloon);
        }
        for (int e = 0; e < kAlertEventCount; ++e)
            EXPECT_FALSE(Alert(set, static_cast<TAlertEventKind>(e)).Sound);
    }
    // The sound files stay for a later "on", and the e-mail settings are not touched.
    EXPECT_EQ(Alert(TAlertSet::Manual, TAlertEventKind::Error).SoundFile,
              QStringLiteral("Media\\Male Voice\\MaleError.wav"));
    EXPECT_EQ(g.TasksDefaults.EmailSmtpServer, QStringLiteral("old.example.org"));
}

TEST_F(InitWizardTest, FinishWithoutServerOrToGoesBackToTheEmptyField) {
    TSettingsInitWizardForm wizard;
    wizard.show();
    QApplication::setActiveWindow(&wizard);
    Child<QCheckBox>(wizard, "EmailCheckBox")->setChecked(true);
    WalkTo(wizard, TSettingsInitWizardForm::pgEmail);
    auto* server = Child<QLineEdit>(wizard, "SmtpServerEdit");
    auto* to = Child<QLineEdit>(wizard, "EmailToEdit");
    server->setText(QStringLiteral("   "));
    to->setText(QStringLiteral("ops@example.org"));
    WalkTo(wizard, TSettingsInitWizardForm::pgFinish);
    Click(wizard.button(QWizard::FinishButton));
    EXPECT_EQ(errors, QStringList{QStringLiteral("Error | The SMTP server address should not be empty.")});
    EXPECT_TRUE(wizard.isVisible());
    EXPECT_EQ(wizard.currentId(), TSettingsInitWizardForm::pgEmail);
    EXPECT_EQ(QApplication::focusWidget(), server);

    errors.clear();
    server->setText(QStringLiteral("smtp.example.org"));
    to->clear();
    WalkTo(wizard, TSettingsInitWizardForm::pgFinish);
    Click(wizard.button(QWizard::FinishButton));
    EXPECT_EQ(errors, QStringList{QStringLiteral("Error | The email \"To\" field should not be empty.")});
    EXPECT_TRUE(wizard.isVisible());
    EXPECT_EQ(wizard.currentId(), TSettingsInitWizardForm::pgEmail);
    EXPECT_EQ(QApplication::focusWidget(), to);
}

TEST_F(InitWizardTest, TestEmailGoesOutWithTheEnteredValuesWithoutKeepingThem) {
    TSmtpTestServer server;
    QString error;
    ASSERT_TRUE(server.Start({}, error)) << error.toStdString();
    TSettingsInitWizardForm wizard;
    wizard.show();
    Child<QCheckBox>(wizard, "EmailCheckBox")->setChecked(true);
    WalkTo(wizard, TSettingsInitWizardForm::pgEmail);
    Child<QLineEdit>(wizard, "SmtpServerEdit")->setText(QStringLiteral("127.0.0.1"));
    Child<QSpinBox>(wizard, "SmtpPortEdit")->setValue(server.Port());
    Child<QLineEdit>(wizard, "EmailToEdit")->setText(QStringLiteral("ops@example.org"));
    Child<QLineEdit>(wizard, "EmailFromEdit")->setText(QStringLiteral("wizard@example.org"));
    Child<QLineEdit>(wizard, "EmailSubjectEdit")->setText(QStringLiteral("Wizard test"));
    Click(Child<QPushButton>(wizard, "SendTestEmailButton"));
    QDeadlineTimer deadline(30000);
    while (informed.isEmpty() && errors.isEmpty() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_EQ(informed.size(), 1) << errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(
        informed[0].startsWith(QStringLiteral("Information | It seems that email was successfully sent.")));
    const std::vector<QJsonObject> messages = server.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0][QStringLiteral("subject")].toString(), QStringLiteral("Wizard test"));
    EXPECT_EQ(messages[0][QStringLiteral("to")].toString(), QStringLiteral("ops@example.org"));
    EXPECT_EQ(GlobalSettings().TasksDefaults.EmailSmtpServer, QString());

    // A failure says so in an error box.
    TSettingsInitWizardForm::TestEmailSender = [](const TEmailSettings&, auto done) {
        TTestEmailResult failed;
        failed.ErrorText = QStringLiteral("refused");
        done(failed);
    };
    Click(Child<QPushButton>(wizard, "SendTestEmailButton"));
    EXPECT_EQ(errors, QStringList{QStringLiteral("Error | Email can't be sent!")});
}

class InitWizardCommand : public InitWizardTest {
protected:
    void SetUp() override {
        InitWizardTest::SetUp();
        window = std::make_unique<TMainWindow>(data, nullptr);
        window->SetPrompts(&prompts);
        for (const char* name : {"actMaintenanceWizard", "actImportWizard", "actTaskNew"})
            window->SetCommand(QString::fromLatin1(name),
                               [this, name] { triggered.append(QString::fromLatin1(name)); });
        InstallInitWizard(*window, [this](QWidget*) {
            ++runs;
            firstStartSeen.append(GlobalSettings().Main.FirstStart);
            return answer;
        });
    }
    void TearDown() override {
        window.reset();
        InitWizardTest::TearDown();
    }
    void Activate() {
        window->show();
        QApplication::setActiveWindow(window.get());
        QApplication::processEvents();
        QApplication::processEvents();
    }

    TMainData data;
    TFakePrompts prompts;
    std::unique_ptr<TMainWindow> window;
    TInitWizardResult answer;
    int runs = 0;
    QList<bool> firstStartSeen;  // FirstStart while the wizard was open
    QStringList triggered;
};

TEST_F(InitWizardCommand, TheFirstActivationRunsTheWizardOnceAndKeepsThatItRan) {
    ASSERT_TRUE(GlobalSettings().Main.FirstStart);
    Activate();
    EXPECT_EQ(runs, 1);
    // The wizard still saw the first start (it proposes starting at log on then).
    EXPECT_EQ(firstStartSeen, QList<bool>{true});
    EXPECT_FALSE(GlobalSettings().Main.FirstStart);
    EXPECT_FALSE(TSafeRegistry::ReadBoolAt(kProgramRoot + QStringLiteral("\\Main"),
                                           QStringLiteral("FirstStart"), true));
    EXPECT_TRUE(triggered.isEmpty());  // Cancel has no follow-up

    window->hide();
    Activate();
    EXPECT_EQ(runs, 1);
    window->Action(QStringLiteral("actInitWizard"))->trigger();
    EXPECT_EQ(runs, 2);
}

TEST_F(InitWizardCommand, ResultsLeadToTheirFollowUps) {
    GlobalSettings().Main.FirstStart = false;
    QAction* command = window->Action(QStringLiteral("actInitWizard"));
    answer.Result = TInitWizardResult::kMaintenance;
    answer.ImportTasks = answer.NewTask = true;  // only Finish has follow-ups
    command->trigger();
    EXPECT_EQ(triggered, QStringList{QStringLiteral("actMaintenanceWizard")});

    triggered.clear();
    answer.Result = TInitWizardResult::kOk;
    command->trigger();
    EXPECT_EQ(triggered, (QStringList{QStringLiteral("actImportWizard"), QStringLiteral("actTaskNew")}));

    triggered.clear();
    answer.ImportTasks = false;
    command->trigger();
    EXPECT_EQ(triggered, QStringList{QStringLiteral("actTaskNew")});
}

}  // namespace
