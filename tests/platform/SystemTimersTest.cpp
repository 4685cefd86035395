#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include "fixtures/TempHome.h"
#include "platform/SystemTimers.h"

namespace {

QString ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// A stand-in for systemctl that records every call (one line, each argument in brackets) and answers
// like a user manager that is running, or fails with the given exit code.
class SystemTimersTest : public TarnovexTest {
protected:
    void SetUp() override { WriteFake(0); }

    void WriteFake(int exitCode, const QByteArray& extra = {}) {
        const QByteArray script =
            "#!/bin/sh\n"
            "for a in \"$@\"; do printf '[%s]' \"$a\"; done >> '" +
            log.toUtf8() +
            "'\n"
            "echo >> '" +
            log.toUtf8() + "'\n" + extra +
            "if [ \"$2\" = show ]; then echo Version=252; fi\n"
            "exit " +
            QByteArray::number(exitCode) + "\n";
        home.WriteFile(QStringLiteral("bin/systemctl"), script);
        QFile::setPermissions(fake, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QStringList Calls() const { return ReadFile(log).split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
    TSystemTimers Timers() const {
        TSystemTimers::TOptions options;
        options.systemctl = fake;
        options.unitFolder = units;
        options.programPath = QStringLiteral("/usr/bin/tarnovex");
        return TSystemTimers(options);
    }

    QString fake = home.Path() + QStringLiteral("bin/systemctl");
    QString log = home.Path() + QStringLiteral("calls.log");
    QString units = home.Path() + QStringLiteral("units");
    QString storeHome = QDir::cleanPath(home.Path());
};

}  // namespace

TEST_F(SystemTimersTest, UnitTextsOfATask) {
    TSystemTimers timers = Timers();
    EXPECT_EQ(timers.ServicePath(QStringLiteral("1A2B3C")),
              units + QStringLiteral("/tarnovex-task-1A2B3C.service"));
    EXPECT_EQ(timers.TimerPath(QStringLiteral("1A2B3C")),
              units + QStringLiteral("/tarnovex-task-1A2B3C.timer"));
    EXPECT_EQ(timers.ServiceText(QStringLiteral("Documents"), QStringLiteral("1A2B3C")),
              "[Unit]\n"
              "Description=Tarnovex (Documents, ID 1A2B3C)\n"
              "\n"
              "[Service]\n"
              "Type=oneshot\n"
              "WorkingDirectory=/usr/bin\n"
              "Environment=\"TARNOVEX_HOME=" +
                  storeHome +
                  "\"\n"
                  "ExecStart=\"/usr/bin/tarnovex\" \"/RunTaskById=1A2B3C\" /ExitWhenIdle\n");
    EXPECT_EQ(
        TSystemTimers::TimerText(QStringLiteral("Documents"), QStringLiteral("1A2B3C"),
                                 {QStringLiteral("Mon..Fri *-*-* 22:00:00"), QStringLiteral("Sat 09:30")}),
        "[Unit]\n"
        "Description=Tarnovex (Documents, ID 1A2B3C)\n"
        "\n"
        "[Timer]\n"
        "OnCalendar=Mon..Fri *-*-* 22:00:00\n"
        "OnCalendar=Sat 09:30\n"
        "Unit=tarnovex-task-1A2B3C.service\n"
        "\n"
        "[Install]\n"
        "WantedBy=timers.target\n");
    // Other schedules: monthly, hourly, once, and no trigger at all.
    const QString monthly = TSystemTimers::TimerText(QStringLiteral("M"), QStringLiteral("{ID-1}"),
                                                     {QStringLiteral("*-01,04,07,10-01 06:00:00")});
    EXPECT_TRUE(monthly.contains(QLatin1String("\nOnCalendar=*-01,04,07,10-01 06:00:00\n")));
    EXPECT_TRUE(monthly.contains(QLatin1String("\nUnit=tarnovex-task-_7bID-1_7d.service\n")));
    EXPECT_TRUE(TSystemTimers::TimerText(QStringLiteral("H"), QStringLiteral("X"), {QStringLiteral("hourly")})
                    .contains(QLatin1String("\nOnCalendar=hourly\n")));
    EXPECT_TRUE(TSystemTimers::TimerText(QStringLiteral("O"), QStringLiteral("X"),
                                         {QStringLiteral(" 2026-12-24 14:00:00 ")})
                    .contains(QLatin1String("\nOnCalendar=2026-12-24 14:00:00\n")));
    EXPECT_FALSE(
        TSystemTimers::TimerText(QStringLiteral("N"), QStringLiteral("X"), {}).contains("OnCalendar"));
}

TEST_F(SystemTimersTest, HostileTaskIdsNeverReachAFileNameOrACommandLine) {
    const QStringList hostile = {
        QStringLiteral("../../.bashrc"), QStringLiteral("a/b"),  QStringLiteral("x;rm -rf ~"),
        QStringLiteral("$(id)"),         QStringLiteral("`id`"), QStringLiteral("a b"),
        QStringLiteral("x\ny"),          QStringLiteral("ü@%"),  QString(),
        QString(65, QLatin1Char('A'))};
    TSystemTimers timers = Timers();
    for (const QString& id : hostile) {
        const QString base = TSystemTimers::UnitBaseName(id);
        EXPECT_TRUE(
            QRegularExpression(QStringLiteral("^tarnovex-task-[A-Za-z0-9_-]*$")).match(base).hasMatch())
            << base.toStdString();
        EXPECT_EQ(QFileInfo(timers.TimerPath(id)).absolutePath(), units);
        EXPECT_EQ(TSystemTimers::TaskIdOfUnit(base), id) << "the ID comes back from its unit name";
        EXPECT_FALSE(TSystemTimers::UsableTaskId(id));
        EXPECT_TRUE(timers.ServiceText(QStringLiteral("T"), id).isEmpty());
        QString error;
        EXPECT_FALSE(timers.AddOrModify(QStringLiteral("T"), id, {QStringLiteral("daily")}, &error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_FALSE(QDir(units).exists());
    EXPECT_TRUE(Calls().isEmpty()) << "a refused ID does not even ask systemctl";
    // Two IDs never share a unit, and a foreign name is no task's.
    EXPECT_NE(TSystemTimers::UnitBaseName(QStringLiteral("a_2e")),
              TSystemTimers::UnitBaseName(QStringLiteral("a.")));
    EXPECT_EQ(TSystemTimers::TaskIdOfUnit(QStringLiteral("tarnovex-task-a_2")), QString());
    EXPECT_EQ(TSystemTimers::TaskIdOfUnit(QStringLiteral("tarnovex-task-a_2E")), QString());
    EXPECT_EQ(TSystemTimers::TaskIdOfUnit(QStringLiteral("other-1A2B")), QString());
}

TEST_F(SystemTimersTest, HostileNamesPathsAndLinesCannotAddLines) {
    TSystemTimers::TOptions options;
    options.unitFolder = units;
    options.programPath = QStringLiteral("/opt/my $HOME/100%/tar\"x\\");
    TSystemTimers timers(options);
    const QString name = QStringLiteral("Evil\nExecStartPre=/bin/rm -rf ~ %h \\");
    const QString service = timers.ServiceText(name, QStringLiteral("ID1"));
    EXPECT_EQ(service.count(QLatin1Char('\n')), 8);
    EXPECT_TRUE(service.contains(
        QLatin1String("\nDescription=Tarnovex (Evil ExecStartPre=/bin/rm -rf ~ %%h \\, ID ID1)\n")))
        << service.toStdString();
    EXPECT_TRUE(service.contains(QLatin1String(
        "\nExecStart=\"/opt/my $$HOME/100%%/tar\\\"x\\\\\" \"/RunTaskById=ID1\" /ExitWhenIdle\n")))
        << service.toStdString();

    for (const QString& line : {QStringLiteral("daily\nExecStart=/bin/sh"), QStringLiteral("%h"),
                                QStringLiteral("  "), QStringLiteral("daily \\")})
        EXPECT_TRUE(TSystemTimers::TimerText(QStringLiteral("T"), QStringLiteral("ID1"), {line}).isEmpty());
    options.programPath = QStringLiteral("relative/tarnovex");
    EXPECT_TRUE(TSystemTimers(options).ServiceText(QStringLiteral("T"), QStringLiteral("ID1")).isEmpty());
    options.programPath = QStringLiteral("/opt/tar\nnovex");
    EXPECT_TRUE(TSystemTimers(options).ServiceText(QStringLiteral("T"), QStringLiteral("ID1")).isEmpty());
}

TEST_F(SystemTimersTest, AddModifyDescribeListRemove) {
    TSystemTimers timers = Timers();
    EXPECT_FALSE(timers.Exists(QStringLiteral("AAA")));
    EXPECT_FALSE(timers.OnCalendarLines(QStringLiteral("AAA")).has_value());

    QString error;
    ASSERT_TRUE(timers.AddOrModify(QStringLiteral("Photos"), QStringLiteral("AAA"), {QStringLiteral("daily")},
                                   &error))
        << error.toStdString();
    EXPECT_TRUE(timers.Exists(QStringLiteral("AAA")));
    EXPECT_EQ(ReadFile(timers.ServicePath(QStringLiteral("AAA"))),
              timers.ServiceText(QStringLiteral("Photos"), QStringLiteral("AAA")));
    EXPECT_EQ(Calls(), (QStringList{"[--user][show][--property=Version]", "[--user][daemon-reload]",
                                    "[--user][enable][--now][tarnovex-task-AAA.timer]"}));

    ASSERT_TRUE(timers.AddOrModify(QStringLiteral("Photos"), QStringLiteral("AAA"),
                                   {QStringLiteral("Mon 08:00"), QStringLiteral("Thu 20:00")}));
    ASSERT_TRUE(timers.AddOrModify(QStringLiteral("Music 100%"), QStringLiteral("{B.B}"), {}));
    EXPECT_EQ(*timers.OnCalendarLines(QStringLiteral("AAA")), (QStringList{"Mon 08:00", "Thu 20:00"}));
    EXPECT_TRUE(timers.OnCalendarLines(QStringLiteral("{B.B}"))->isEmpty());
    // Without a calendar line the timer is stopped instead of started; show is asked only once.
    EXPECT_EQ(Calls().mid(3),
              (QStringList{"[--user][daemon-reload]", "[--user][enable][--now][tarnovex-task-AAA.timer]",
                           "[--user][daemon-reload]",
                           "[--user][disable][--now][tarnovex-task-_7bB_2eB_7d.timer]"}));

    home.WriteFile(QStringLiteral("units/other.timer"), "[Timer]\nOnCalendar=daily\n");
    home.WriteFile(QStringLiteral("units/tarnovex-task-a_2E.timer"), "[Timer]\nOnCalendar=daily\n");
    const std::vector<TSystemTimers::TTimer> list = timers.List();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].taskId, "AAA");
    EXPECT_EQ(list[0].description, "Tarnovex (Photos, ID AAA)");
    EXPECT_EQ(list[0].onCalendar, (QStringList{"Mon 08:00", "Thu 20:00"}));
    EXPECT_EQ(list[1].taskId, "{B.B}");
    EXPECT_EQ(list[1].description, "Tarnovex (Music 100%, ID {B.B})");

    ASSERT_TRUE(timers.Remove(QStringLiteral("AAA"), &error));
    EXPECT_FALSE(QFile::exists(timers.ServicePath(QStringLiteral("AAA"))));
    EXPECT_FALSE(timers.Exists(QStringLiteral("AAA")));
    EXPECT_EQ(Calls().mid(7),
              (QStringList{"[--user][disable][--now][tarnovex-task-AAA.timer]", "[--user][daemon-reload]"}));
    EXPECT_TRUE(timers.Exists(QStringLiteral("{B.B}")));
    // Removing what is not there asks nothing and succeeds.
    EXPECT_TRUE(timers.Remove(QStringLiteral("AAA")));
    EXPECT_EQ(Calls().size(), 9);
}

TEST_F(SystemTimersTest, OnCalendarReadLikeTheUserManagerReadsIt) {
    TSystemTimers timers = Timers();
    home.WriteFile(QStringLiteral("units/tarnovex-task-CCC.timer"),
                   "[Unit]\nOnCalendar=not-a-timer-key\n[Timer]\n# OnCalendar=commented\nOnCalendar=weekly\n"
                   "OnCalendar=\nOnCalendar = Sun 10:00 \n");
    EXPECT_EQ(*timers.OnCalendarLines(QStringLiteral("CCC")), QStringList{"Sun 10:00"});
}

TEST_F(SystemTimersTest, UnavailableWithoutAnAnsweringUserManager) {
    TSystemTimers::TOptions options;
    options.unitFolder = units;
    options.programPath = QStringLiteral("/usr/bin/tarnovex");
    options.systemctl = home.Path() + QStringLiteral("bin/no-such-systemctl");
    TSystemTimers missing(options);
    EXPECT_FALSE(missing.Available());
    QString error;
    EXPECT_FALSE(
        missing.AddOrModify(QStringLiteral("T"), QStringLiteral("ID1"), {QStringLiteral("daily")}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(missing.TimerPath(QStringLiteral("ID1"))));

    WriteFake(1, "echo 'Failed to connect to bus: No medium found'; exit 1\n");
    EXPECT_FALSE(Timers().Available());

    // A systemctl that hangs is given up.
    WriteFake(0, "exec sleep 20\n");
    options.systemctl = fake;
    options.timeoutMs = 200;
    EXPECT_FALSE(TSystemTimers(options).Available());
}

TEST_F(SystemTimersTest, FailedEnableIsReportedWithSystemctlsWords) {
    WriteFake(0, "if [ \"$2\" = enable ]; then echo 'Failed to enable unit: bad calendar'; exit 1; fi\n");
    TSystemTimers timers = Timers();
    QString error;
    EXPECT_FALSE(
        timers.AddOrModify(QStringLiteral("T"), QStringLiteral("ID1"), {QStringLiteral("someday")}, &error));
    EXPECT_EQ(error, "Failed to enable unit: bad calendar");
}

TEST_F(SystemTimersTest, CalendarLinesAreCheckedByTheAnalyserAsOneArgument) {
    // A stand-in for systemd-analyze: records its arguments, refuses "bogus", knows "daily".
    const QString analyser = home.Path() + QStringLiteral("bin/systemd-analyze");
    home.WriteFile(
        QStringLiteral("bin/systemd-analyze"),
        "#!/bin/sh\n"
        "for a in \"$@\"; do printf '[%s]' \"$a\"; done >> '" +
            log.toUtf8() + "'\necho >> '" + log.toUtf8() +
            "'\n"
            "case \"$2\" in\n"
            "  bogus) echo \"Failed to parse calendar specification '$2': Invalid argument\" >&2; exit 1;;\n"
            "  2001-01-01) printf '  Original form: 2001-01-01\\n    Next elapse: never\\n';;\n"
            "  *) printf 'Normalized form: *-*-* 00:00:00\\n    Next elapse: Fri 2026-12-11 00:00:00 UTC\\n"
            "       From now: 12h left\\n';;\n"
            "esac\n");
    QFile::setPermissions(analyser, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    TSystemTimers::TCalendarCheck daily = TSystemTimers::CheckCalendar(QStringLiteral("  daily  "), analyser);
    EXPECT_TRUE(daily.Valid);
    EXPECT_TRUE(daily.Checked);
    EXPECT_EQ(daily.NextElapse, QStringLiteral("Fri 2026-12-11 00:00:00 UTC"));
    EXPECT_EQ(TSystemTimers::CheckCalendar(QStringLiteral("2001-01-01"), analyser).NextElapse,
              QStringLiteral("never"));

    TSystemTimers::TCalendarCheck bogus = TSystemTimers::CheckCalendar(QStringLiteral("bogus"), analyser);
    EXPECT_FALSE(bogus.Valid);
    EXPECT_TRUE(bogus.Checked);
    EXPECT_EQ(bogus.Error,
              QStringLiteral("Failed to parse calendar specification 'bogus': Invalid argument"));

    // A line no timer can hold is refused without asking; a shell word stays one literal argument.
    EXPECT_FALSE(TSystemTimers::CheckCalendar(QStringLiteral("daily 50%"), analyser).Valid);
    EXPECT_FALSE(TSystemTimers::CheckCalendar(QStringLiteral("   "), analyser).Valid);
    EXPECT_TRUE(TSystemTimers::CheckCalendar(QStringLiteral("Mon $(touch x); 22:00"), analyser).Valid);
    EXPECT_EQ(Calls(),
              (QStringList{QStringLiteral("[calendar][daily]"), QStringLiteral("[calendar][2001-01-01]"),
                           QStringLiteral("[calendar][bogus]"),
                           QStringLiteral("[calendar][Mon $(touch x); 22:00]")}));
    EXPECT_FALSE(QFile::exists(QStringLiteral("x")));

    // Without the analyser only the form of the line is looked at.
    TSystemTimers::TCalendarCheck unchecked =
        TSystemTimers::CheckCalendar(QStringLiteral("daily"), home.Path() + QStringLiteral("bin/missing"));
    EXPECT_TRUE(unchecked.Valid);
    EXPECT_FALSE(unchecked.Checked);
}
