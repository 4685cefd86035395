#include <gtest/gtest.h>

#include <thread>

#include "LoggingFixture.h"
#include "platform/Paths.h"

namespace {

class Alerts : public LoggingTest {
protected:
    void SetUp() override {
        LoggingTest::SetUp();
        task.Name = QStringLiteral("Documents");
    }
    TAlertChannels& Default(TAlertSet set, TAlertEventKind event) {
        return AlertOf(GlobalSettings().TasksDefaults.Events, set, event);
    }
    void LogEveryKind() {
        for (int kind = 0; kind <= 9; ++kind)
            LoggerOf(task).Log(static_cast<TLogKind>(kind), QStringLiteral("message"));
    }

    TTask task;
};

constexpr TAlertEvent kAllEvents[] = {TAlertEvent::aeStart,    TAlertEvent::aeFile,   TAlertEvent::aeFolder,
                                      TAlertEvent::aeDiskSpan, TAlertEvent::aeFinish, TAlertEvent::aeError,
                                      TAlertEvent::aeWarning};

TEST_F(Alerts, ScheduledStartShowsInformationBalloonAndPlaysThemeSound) {
    LoggerOf(task).Log(TLogKind::lkTaskStarted, QString());
    ASSERT_EQ(ui.Balloons.size(), 1u);
    EXPECT_EQ(ui.Balloons[0].Title, QStringLiteral("Documents"));
    EXPECT_EQ(ui.Balloons[0].Text, QStringLiteral("Task started."));
    EXPECT_EQ(ui.Balloons[0].Icon, TBalloonIcon::biInformation);
    EXPECT_EQ(ui.Sounds, QStringList{Paths::ShippedDataFolder() +
                                     QStringLiteral("Media/Male Voice/MaleTaskStarted.wav")});
    EXPECT_TRUE(ui.Dialogs.empty());
    EXPECT_EQ(ShowAlert(task, TAlertEvent::aeStart, QString(), QStringLiteral("CS")), AlertAnswer::NotShown);
    EXPECT_TRUE(ui.Dialogs.empty());
}

TEST_F(Alerts, ManualStartPlaysSoundWithoutBalloon) {
    task.StartedManually = true;
    LoggerOf(task).Log(TLogKind::lkTaskStarted, QString());
    EXPECT_TRUE(ui.Balloons.empty());
    EXPECT_EQ(ui.Sounds, QStringList{Paths::ShippedDataFolder() +
                                     QStringLiteral("Media/Male Voice/MaleTaskStarted.wav")});
}

TEST_F(Alerts, BalloonIconsFollowTheRecordKind) {
    task.StartedManually = true;
    Default(TAlertSet::Manual, TAlertEventKind::File).Balloon = true;
    LoggerOf(task).Log(TLogKind::lkTaskAborted, QString());
    LoggerOf(task).Log(TLogKind::lkWarning, QStringLiteral("w"));
    LoggerOf(task).Log(TLogKind::lkFile, QStringLiteral("f"));
    LoggerOf(task).Log(TLogKind::lkTaskFinished, QString());
    ASSERT_EQ(ui.Balloons.size(), 4u);
    EXPECT_EQ(ui.Balloons[0].Icon, TBalloonIcon::biError);
    EXPECT_EQ(ui.Balloons[1].Icon, TBalloonIcon::biWarning);
    EXPECT_EQ(ui.Balloons[2].Icon, TBalloonIcon::biNone);
    EXPECT_EQ(ui.Balloons[3].Icon, TBalloonIcon::biInformation);
    // The abort record uses the Finish options, whose sound is the finish sound.
    EXPECT_TRUE(ui.Sounds.first().endsWith(QStringLiteral("Media/Male Voice/MaleTaskFinished.wav")));
}

TEST_F(Alerts, SilentModeWithDefaultsOnlyAsksForANewDisk) {
    ui.SetSilentMode(true);
    task.StartedManually = true;  // silent mode wins over the manual start
    TRecordingEmailNotifier mail;
    SetEmailNotifier(&mail);
    LogEveryKind();
    EXPECT_TRUE(ui.Silent());
    EXPECT_TRUE(mail.Mails.empty());

    for (TAlertEvent event : kAllEvents)
        EXPECT_EQ(AlertDialogWanted(task, event), event == TAlertEvent::aeDiskSpan) << int(event);
    EXPECT_FALSE(AlertDialogWanted(task, static_cast<TAlertEvent>(7)));

    ui.Answer = AlertAnswer::Retry;
    EXPECT_EQ(ShowAlert(task, TAlertEvent::aeError, QStringLiteral("broken"), QStringLiteral("RS")),
              AlertAnswer::NotShown);
    EXPECT_EQ(ShowAlert(task, TAlertEvent::aeDiskSpan, QStringLiteral("disk full"), QStringLiteral("RS")),
              AlertAnswer::Retry);
    ASSERT_EQ(ui.Dialogs.size(), 1u);
    EXPECT_EQ(ui.Dialogs[0].TaskName, QStringLiteral("Documents"));
    EXPECT_EQ(ui.Dialogs[0].Event, TAlertEvent::aeDiskSpan);
    EXPECT_EQ(ui.Dialogs[0].ActionText,
              QStringLiteral("Destination media is full. Please, insert new disk!"));
    EXPECT_EQ(ui.Dialogs[0].Message, QStringLiteral("disk full"));
    EXPECT_EQ(ui.Dialogs[0].Buttons, QStringLiteral("RS"));
}

TEST_F(Alerts, ExcludedErrorsRaiseNoRecordAlertsButDialogsStillAppear) {
    GlobalSettings().TasksDefaults.LogIncludeErrors = false;
    Default(TAlertSet::Scheduled, TAlertEventKind::Error).Dialog = true;
    LoggerOf(task).Log(TLogKind::lkError, QStringLiteral("broken"));
    EXPECT_TRUE(ui.Silent());
    ui.Answer = AlertAnswer::Stop;
    EXPECT_EQ(ShowAlert(task, TAlertEvent::aeError, QStringLiteral("broken"), QStringLiteral("CS")),
              AlertAnswer::Stop);
    ASSERT_EQ(ui.Dialogs.size(), 1u);
    EXPECT_EQ(ui.Dialogs[0].ActionText, QStringLiteral("Error"));
}

TEST_F(Alerts, TaskOwnEventOptionsReplaceTheDefaults) {
    task.EventAlerts_UseDefault = false;
    AlertOf(task.EventAlerts, TAlertSet::Scheduled, TAlertEventKind::Start).Balloon = false;
    AlertOf(task.EventAlerts, TAlertSet::Scheduled, TAlertEventKind::File).Dialog = true;
    LoggerOf(task).Log(TLogKind::lkTaskStarted, QString());
    EXPECT_TRUE(ui.Silent());  // the task's own start options: no balloon, no sound
    // A folder operation asks through the File options and has no action line.
    EXPECT_EQ(ShowAlert(task, TAlertEvent::aeFolder, QStringLiteral("/x/"), QStringLiteral("CS")),
              AlertAnswer::Ok);
    ASSERT_EQ(ui.Dialogs.size(), 1u);
    EXPECT_TRUE(ui.Dialogs[0].ActionText.isEmpty());
    EXPECT_EQ(AlertActionText(TAlertEvent::aeFile), QStringLiteral("File/Folder Operation"));
}

TEST_F(Alerts, SoundPathIsTrimmedAndRelativeNamesLieInTheShippedFolder) {
    EXPECT_EQ(SoundFilePath(QStringLiteral("  Media\\Ambient\\Error.wav ")),
              Paths::ShippedDataFolder() + QStringLiteral("Media/Ambient/Error.wav"));
    EXPECT_EQ(SoundFilePath(QStringLiteral(" /usr/share/sounds/a.wav")),
              QStringLiteral("/usr/share/sounds/a.wav"));
    EXPECT_TRUE(SoundFilePath(QStringLiteral("   ")).isEmpty());

    // A sound switched on without a file plays nothing rather than the folder.
    Default(TAlertSet::Scheduled, TAlertEventKind::Start).SoundFile = QStringLiteral("  ");
    LoggerOf(task).Log(TLogKind::lkTaskStarted, QString());
    EXPECT_TRUE(ui.Sounds.isEmpty());
    EXPECT_EQ(ui.Balloons.size(), 1u);
}

TEST_F(Alerts, EmailGoesToTheEventAddressWithTheSendLogFlagOfFinish) {
    TRecordingEmailNotifier mail;
    SetEmailNotifier(&mail);
    TAlertChannels& finish = Default(TAlertSet::Scheduled, TAlertEventKind::Finish);
    finish.EmailUse = true;
    finish.Email = QStringLiteral("ann@example.org,bob@example.org");
    finish.EmailSendLog = true;
    TAlertChannels& error = Default(TAlertSet::Scheduled, TAlertEventKind::Error);
    error.EmailUse = true;
    error.Email = QStringLiteral("ops@example.org");
    error.EmailSendLog = true;  // only the Finish event sends the log
    // The File event has no e-mail, whatever its options hold.
    Default(TAlertSet::Scheduled, TAlertEventKind::File).EmailUse = true;
    Default(TAlertSet::Scheduled, TAlertEventKind::File).Email = QStringLiteral("x@example.org");

    LoggerOf(task).Log(TLogKind::lkFile, QStringLiteral("a.txt"));
    LoggerOf(task).Log(TLogKind::lkError, QStringLiteral("50% lost"));
    LoggerOf(task).Log(TLogKind::lkTaskFinished, QString());
    ASSERT_EQ(mail.Mails.size(), 2u);
    EXPECT_EQ(mail.Mails[0].Kind, TLogKind::lkError);
    EXPECT_EQ(mail.Mails[0].RecordText, QStringLiteral("ERROR: 50%% lost"));
    EXPECT_EQ(mail.Mails[0].Address, QStringLiteral("ops@example.org"));
    EXPECT_FALSE(mail.Mails[0].SendLog);
    EXPECT_EQ(mail.Mails[1].Kind, TLogKind::lkTaskFinished);
    EXPECT_EQ(mail.Mails[1].Address, QStringLiteral("ann@example.org,bob@example.org"));
    EXPECT_TRUE(mail.Mails[1].SendLog);
}

TEST_F(Alerts, FailureRecordOfANotificationStartsNoFurtherEmail) {
    TRecordingEmailNotifier mail;
    // The sender may log its failure on another thread than the one that dispatched the record.
    bool alsoOnThisThread = false;
    mail.OnSend = [&](const TTask& t) {
        std::thread logging(
            [&] { LoggerOf(t).Log(TLogKind::lkError, QStringLiteral("Can't send email notification.")); });
        logging.join();
        if (alsoOnThisThread)
            LoggerOf(t).Log(TLogKind::lkError, QStringLiteral("Can't send email notification."));
    };
    SetEmailNotifier(&mail);
    Default(TAlertSet::Scheduled, TAlertEventKind::Error).EmailUse = true;

    LoggerOf(task).Log(TLogKind::lkError, QStringLiteral("broken"));
    EXPECT_EQ(mail.Mails.size(), 1u);
    // The failure is still logged and shown like any error; the alerts of a record come before its line,
    // so the failure record is kept first.
    ASSERT_EQ(LoggerOf(task).Count(), 2);
    EXPECT_EQ(LoggerOf(task).Item(0).Text, QStringLiteral("ERROR: Can't send email notification."));
    EXPECT_EQ(LoggerOf(task).Item(1).Text, QStringLiteral("ERROR: broken"));
    EXPECT_EQ(ui.Balloons.size(), 2u);

    // The next error is notified again; a failure logged on the sending thread itself is held back too.
    alsoOnThisThread = true;
    LoggerOf(task).Log(TLogKind::lkError, QStringLiteral("again"));
    EXPECT_EQ(mail.Mails.size(), 2u);
    EXPECT_EQ(LoggerOf(task).Count(), 5);
}

TEST_F(Alerts, ButtonsAreCentredInTheirSlots) {
    const std::vector<TAlertButton> rs = AlertButtons(QStringLiteral("RS"));
    ASSERT_EQ(rs.size(), 2u);
    EXPECT_EQ(rs[0].Caption, QStringLiteral("&Retry"));
    EXPECT_EQ(rs[0].Result, AlertAnswer::Retry);
    EXPECT_EQ(rs[0].Left, 138);
    EXPECT_EQ(rs[1].Caption, QStringLiteral("&Stop"));
    EXPECT_EQ(rs[1].Result, AlertAnswer::Stop);
    EXPECT_TRUE(rs[1].Cancels);
    EXPECT_EQ(rs[1].Left, 225);

    // An unknown letter shows nothing but keeps its slot; halves round to even.
    const std::vector<TAlertButton> three = AlertButtons(QStringLiteral("CXK"));
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(three[0].Left, 94);
    EXPECT_FALSE(three[1].Visible);
    EXPECT_EQ(three[2].Left, 268);
    EXPECT_EQ(three[2].Result, AlertAnswer::Skip);
    EXPECT_TRUE(AlertButtons(QString()).empty());
}

}  // namespace
