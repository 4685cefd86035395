// The command text of the program: the tokenizer, the switches and the hand-over between instances.
#include <gmock/gmock.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <thread>

#include "app/CommandLine.h"
#include "app/SingleInstance.h"
#include "fixtures/TempHome.h"
#include "logging/UserInterface.h"
#include "model/MainData.h"
#include "model/Task.h"
#include "settings/GlobalSettings.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

TEST(CommandTokenizer, BlanksSeparateAndQuotesGroup) {
    const QString text = QStringLiteral("/usr/bin/tarnovex /RUNTASK=\"My Daily\"  \"\" /silent=on \"a b\"c");
    EXPECT_EQ(ParamCountOf(text), 3);
    EXPECT_EQ(ParamStrOf(text, 1), QStringLiteral("/RUNTASK=My Daily"));
    EXPECT_EQ(ParamStrOf(text, 2), QStringLiteral("/silent=on"));
    EXPECT_EQ(ParamStrOf(text, 3), QStringLiteral("a bc"));
    EXPECT_EQ(ParamStrOf(text, 4), QString());
    // Nothing is expanded: $() and ; stay literal.
    EXPECT_EQ(ParamStrOf(QStringLiteral("x $(rm -rf ~);ls"), 1), QStringLiteral("$(rm"));
    // An unterminated quote runs to the end; tabs and control characters separate like blanks.
    EXPECT_EQ(ParamStrOf(QStringLiteral("x\t\"open to end"), 1), QStringLiteral("open to end"));
    EXPECT_EQ(ParamCountOf(QStringLiteral("prog")), 0);
    EXPECT_EQ(ParamCountOf(QString()), 0);
}

TEST(CommandTokenizer, CommandTextOfArgumentsRoundTrips) {
    const QStringList args{QStringLiteral("/opt/t x/tarnovex"), QStringLiteral("/RUNTASK=Two Words"),
                           QStringLiteral("/EXITWHENIDLE")};
    const QString text = CommandTextOf(args);
    ASSERT_EQ(ParamCountOf(text), 2);
    EXPECT_EQ(ParamStrOf(text, 1), args[1]);
    EXPECT_EQ(ParamStrOf(text, 2), args[2]);
}

class TRecordingRunControl : public TRunControl {
public:
    void RequestRun(TTask& task, bool manual) override { runs.push_back({task.Name, manual}); }
    void RequestStop(TTask&) override {}
    void SetSuspended(TTask& task, bool suspended) override { suspends.push_back({task.Name, suspended}); }
    bool IsSuspended(const TTask&) const override { return false; }
    struct TCall {
        QString name;
        bool flag;
        bool operator==(const TCall&) const = default;
    };
    std::vector<TCall> runs;
    std::vector<TCall> suspends;
};

class TRecordingHost : public TCommandHost {
public:
    void ShowMainWindow() override { calls << QStringLiteral("show"); }
    void ShowHelpTopic(const QString& topic) override { calls << QStringLiteral("help ") + topic; }
    void ShowAboutBox() override { calls << QStringLiteral("about"); }
    void Exit() override { calls << QStringLiteral("exit"); }
    void ExitNow() override { calls << QStringLiteral("exitnow"); }
    void SetExitWhenIdle() override { calls << QStringLiteral("idle"); }
    void SetTrayIconVisible(bool visible) override {
        calls << (visible ? QStringLiteral("icon on") : QStringLiteral("icon off"));
    }
    void UpdateActions() override { calls << QStringLiteral("actions"); }
    void RunProgramStartupItems() override { calls << QStringLiteral("program startup"); }
    void SystemStartup() override { calls << QStringLiteral("system startup"); }
    QStringList calls;
};

class CommandSwitchTest : public TarnovexTest {
protected:
    void SetUp() override {
        ResetGlobalSettings();
        data.RunControl = &control;
        Add(QStringLiteral("Daily"), QString(), QStringLiteral("ID1"));
        Add(QStringLiteral("Daily"), QStringLiteral("Photos"), QStringLiteral("ID2"));
        Add(QStringLiteral("Weekly"), QStringLiteral("Photos"), QStringLiteral("ID3"));
        Add(QStringLiteral("Say \"hi\""), QString(), QStringLiteral("ID4"));
    }
    void TearDown() override {
        UserInterface().SetSilentMode(false);
        ResetGlobalSettings();
        TarnovexTest::TearDown();
    }
    void Add(const QString& name, const QString& group, const QString& id) {
        auto task = std::make_unique<TTask>();
        task->Name = name;
        task->BelongToGroup = group;
        task->ID = id;
        data.Tasks.Add(std::move(task));
    }
    void Process(const QString& arguments) {
        ProcessCommandLine(QStringLiteral("tarnovex ") + arguments, data, host);
    }

    TMainData data;
    TRecordingRunControl control;
    TRecordingHost host;
};

TEST_F(CommandSwitchTest, NoArgumentShowsTheWindowAfterTheProgramStartRuns) {
    Process(QString());
    EXPECT_THAT(host.calls, ElementsAre(QStringLiteral("program startup"), QStringLiteral("show")));
    EXPECT_THAT(control.runs, IsEmpty());
}

TEST_F(CommandSwitchTest, NamesAreCaseInsensitiveValuesExact) {
    Process(QStringLiteral("/runtask=Daily /RUNTASK=daily"));
    using C = TRecordingRunControl::TCall;
    EXPECT_THAT(control.runs,
                ElementsAre(C{QStringLiteral("Daily"), false}, C{QStringLiteral("Daily"), false}));
    control.runs.clear();
    Process(QStringLiteral("/RunTaskById=ID3 /RUNGROUP=Photos"));
    EXPECT_THAT(control.runs,
                ElementsAre(C{QStringLiteral("Weekly"), false}, C{QStringLiteral("Daily"), false},
                            C{QStringLiteral("Weekly"), false}));
    control.runs.clear();
    Process(QStringLiteral("/RUNALL"));
    // Only the tasks without a group.
    EXPECT_THAT(control.runs,
                ElementsAre(C{QStringLiteral("Daily"), false}, C{QStringLiteral("Say \"hi\""), false}));
    control.runs.clear();
    // The value keeps one pair of quotes through the tokenizer's doubled-quote skipping.
    Process(QStringLiteral("/RUNTASKBYID=NOPE /rungroup=photos -RUNALL /UNKNOWN"));
    EXPECT_THAT(control.runs, IsEmpty());
}

TEST_F(CommandSwitchTest, SwitchesWithoutValueInTheirOrder) {
    Process(QStringLiteral("/HELP /? /EXITWHENIDLE /SHOWABOUTBOX /SYSTEMSTARTUP /EXIT /EXITNOW"));
    EXPECT_THAT(
        host.calls,
        ElementsAre(QStringLiteral("program startup"), QStringLiteral("help /files/commandlineoptions.html"),
                    QStringLiteral("help /files/commandlineoptions.html"), QStringLiteral("idle"),
                    QStringLiteral("about"), QStringLiteral("system startup"), QStringLiteral("exit"),
                    QStringLiteral("exitnow")));
}

TEST_F(CommandSwitchTest, OnOffSwitchesChangeTheSettings) {
    Process(QStringLiteral("/ICON=OFF"));
    EXPECT_TRUE(GlobalSettings().Startup.StartupHideTrayIcon);
    Process(QStringLiteral("/icon=on"));
    EXPECT_FALSE(GlobalSettings().Startup.StartupHideTrayIcon);
    Process(QStringLiteral("/ICON=maybe"));  // visibility set again, setting unchanged
    EXPECT_FALSE(GlobalSettings().Startup.StartupHideTrayIcon);
    EXPECT_EQ(
        host.calls.filter(QStringLiteral("icon")),
        (QStringList{QStringLiteral("icon off"), QStringLiteral("icon on"), QStringLiteral("icon on")}));

    data.Tasks[0].IsRunning = true;
    Process(QStringLiteral("/SUSPEND=on"));
    EXPECT_TRUE(GlobalSettings().Main.Suspend);
    using C = TRecordingRunControl::TCall;
    EXPECT_THAT(control.suspends, ElementsAre(C{QStringLiteral("Daily"), true}));
    Process(QStringLiteral("/SUSPEND=OFF"));
    EXPECT_FALSE(GlobalSettings().Main.Suspend);

    Process(QStringLiteral("/SILENT=ON"));
    EXPECT_TRUE(UserInterface().IsSilentMode());
    Process(QStringLiteral("/SILENT=off"));
    EXPECT_FALSE(UserInterface().IsSilentMode());
}

class SingleInstanceTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
    const QString key = QStringLiteral("tarnovex-test-instance");
};

TEST_F(SingleInstanceTest, SecondClaimFailsAndHandsItsTextOver) {
    TSingleInstance first(key, folder.path());
    ASSERT_TRUE(first.Claim());
    QStringList received;
    first.CommandReceived = [&received](const QString& text) { received << text; };

    TSingleInstance second(key, folder.path());
    EXPECT_FALSE(second.Claim());

    // The sender blocks until the running instance has processed the text; that instance's events are
    // served here while a thread sends.
    bool sent = false;
    QString error;
    const QString text = QStringLiteral(" /usr/bin/tarnovex /RUNTASK=\"Ünïcode task\"");
    std::thread sender(
        [&] { sent = TSingleInstance::SendToRunning(key, folder.path(), text, &error, 20000); });
    QElapsedTimer timer;
    timer.start();
    while (received.isEmpty() && timer.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    sender.join();
    EXPECT_TRUE(sent) << error.toStdString();
    EXPECT_THAT(received, ElementsAre(text));
}

TEST_F(SingleInstanceTest, OverlongTextIsRefusedBySenderAndNoInstanceIsAFailure) {
    QString error;
    EXPECT_FALSE(
        TSingleInstance::SendToRunning(key, folder.path(), QString(70000, QLatin1Char('x')), &error));
    EXPECT_THAT(error.toStdString(), ::testing::HasSubstr("longer than"));
    error.clear();
    EXPECT_FALSE(TSingleInstance::SendToRunning(key, folder.path(), QStringLiteral("x"), &error, 2000));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(SingleInstanceTest, TheLockIsFreedWithTheInstance) {
    {
        TSingleInstance first(key, folder.path());
        ASSERT_TRUE(first.Claim());
    }
    TSingleInstance next(key, folder.path());
    EXPECT_TRUE(next.Claim());
}

}  // namespace
