#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>

#include "fixtures/TempHome.h"
#include "platform/Autostart.h"

namespace {

// Sets an environment variable for the lifetime of the object.
class TEnvOverride {
public:
    TEnvOverride(const char* name, const QByteArray* value) : name_(name) {
        had_ = qEnvironmentVariableIsSet(name);
        previous_ = qgetenv(name);
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~TEnvOverride() {
        if (had_)
            qputenv(name_, previous_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    bool had_ = false;
    QByteArray previous_;
};

// Reads an Exec value back the way a desktop reads it: the string escapes first, then the quoting, then
// the field-code escape. Written independently of the code under test.
QStringList ParseExec(const QString& value) {
    QString unescaped;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar next = value[++i];
            unescaped += next == QLatin1Char('s')   ? QChar(' ')
                         : next == QLatin1Char('n') ? QChar('\n')
                         : next == QLatin1Char('t') ? QChar('\t')
                                                    : next;
        } else {
            unescaped += value[i];
        }
    }
    QStringList args;
    QString current;
    bool inQuotes = false;
    bool any = false;
    for (qsizetype i = 0; i < unescaped.size(); ++i) {
        const QChar c = unescaped[i];
        if (inQuotes) {
            if (c == QLatin1Char('\\') && i + 1 < unescaped.size()) {
                current += unescaped[++i];
            } else if (c == QLatin1Char('"')) {
                inQuotes = false;
            } else {
                current += c;
            }
        } else if (c == QLatin1Char('"')) {
            inQuotes = true;
            any = true;
        } else if (c == QLatin1Char(' ')) {
            if (any)
                args << current;
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any)
        args << current;
    for (QString& arg : args)
        arg.replace(QStringLiteral("%%"), QStringLiteral("%"));
    return args;
}

QString ExecValueOf(const QString& text) {
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Exec=")))
            return line.mid(5);
    return {};
}

QString ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

class AutostartTest : public TarnovexTest {
protected:
    QByteArray config = (home.Path() + QStringLiteral("xdg-config")).toUtf8();
    QByteArray userHome = (home.Path() + QStringLiteral("user")).toUtf8();
    TEnvOverride xdg{"XDG_CONFIG_HOME", &config};
    TEnvOverride homeVar{"HOME", &userHome};
    QString entry = home.Path() + QStringLiteral("xdg-config/autostart/Tarnovex.desktop");
};

}  // namespace

TEST_F(AutostartTest, EntryLivesInTheConfigHomeOrBelowTheHomeFolder) {
    EXPECT_EQ(Autostart::EntryPath(), entry);
    {
        const QByteArray relative = "relative/config";
        TEnvOverride override("XDG_CONFIG_HOME", &relative);
        EXPECT_EQ(Autostart::EntryPath(),
                  home.Path() + QStringLiteral("user/.config/autostart/Tarnovex.desktop"));
    }
    {
        TEnvOverride unset("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(Autostart::EntryPath(),
                  home.Path() + QStringLiteral("user/.config/autostart/Tarnovex.desktop"));
    }
}

TEST_F(AutostartTest, AddExistsRemove) {
    EXPECT_FALSE(Autostart::Exists());
    EXPECT_TRUE(Autostart::Remove());  // nothing to remove is no failure

    ASSERT_TRUE(Autostart::Add(QStringLiteral("/usr/bin/tarnovex")));
    EXPECT_TRUE(Autostart::Exists());
    const QString text = ReadFile(entry);
    EXPECT_TRUE(text.startsWith(QLatin1String("[Desktop Entry]\n")));
    EXPECT_TRUE(text.contains(QLatin1String("\nType=Application\n")));
    EXPECT_TRUE(text.contains(QLatin1String("\nName=Tarnovex\n")));
    // Nothing but the entry is left in the folder (no temporary file of the atomic write).
    EXPECT_EQ(
        QDir(home.Path() + QStringLiteral("xdg-config/autostart")).entryList(QDir::Files | QDir::Hidden),
        QStringList{QStringLiteral("Tarnovex.desktop")});

    // Adding again replaces the entry with the new program path.
    ASSERT_TRUE(Autostart::Add(QStringLiteral("/opt/tarnovex/bin/tarnovex")));
    const QStringList args = ParseExec(ExecValueOf(ReadFile(entry)));
    ASSERT_FALSE(args.isEmpty());
    EXPECT_EQ(args.at(args.size() - 2), "/opt/tarnovex/bin/tarnovex");

    EXPECT_TRUE(Autostart::Remove());
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_FALSE(Autostart::Exists());
}

TEST_F(AutostartTest, ExecRunsTheProgramWithTheStartupSwitchAndTheSameHome) {
    ASSERT_TRUE(Autostart::Add(QStringLiteral("/usr/bin/tarnovex")));
    const QString storeHome = QDir::cleanPath(home.Path());
    EXPECT_EQ(ParseExec(ExecValueOf(ReadFile(entry))),
              (QStringList{"env", "TARNOVEX_HOME=" + storeHome, "/usr/bin/tarnovex", "/SYSTEMSTARTUP"}));

    TEnvOverride noHome("TARNOVEX_HOME", nullptr);
    EXPECT_EQ(ExecValueOf(Autostart::EntryText(QStringLiteral("/usr/bin/tarnovex"))),
              "/usr/bin/tarnovex /SYSTEMSTARTUP");
}

TEST_F(AutostartTest, HostileProgramPathsSurviveAsOneArgument) {
    TEnvOverride noHome("TARNOVEX_HOME", nullptr);
    const QStringList paths = {
        QStringLiteral("/opt/My Apps/tarnovex"),
        QStringLiteral("/opt/a\"b'c/tar$HOME`id`"),
        QStringLiteral("/opt/x;rm -rf ~|cat>out&/tar(1)*?#"),
        QStringLiteral("/opt/back\\slash/%f %u 100%/tarnovex"),
        QStringLiteral("/opt/ünïcode/tarnovex"),
    };
    for (const QString& path : paths) {
        const QString text = Autostart::EntryText(path);
        const QString exec = ExecValueOf(text);
        EXPECT_EQ(ParseExec(exec), (QStringList{path, "/SYSTEMSTARTUP"})) << exec.toStdString();
        // A lone % would be a field code.
        EXPECT_FALSE(QString(exec).remove(QStringLiteral("%%")).contains(QLatin1Char('%')))
            << exec.toStdString();
        EXPECT_EQ(text.count(QLatin1Char('\n')), 7) << "one line per key";
    }
    EXPECT_EQ(Autostart::ExecArgument(QStringLiteral("100%")), "100%%");
    EXPECT_EQ(Autostart::ExecArgument(QStringLiteral("a\\b")), "\"a\\\\\\\\b\"");
}

TEST_F(AutostartTest, UnusablePathsAreRefusedAndWriteNothing) {
    for (const QString& path :
         {QString(), QStringLiteral("relative/tarnovex"), QStringLiteral("/opt/tar\nExec=/bin/evil"),
          QStringLiteral("/opt/tar\rnovex")}) {
        EXPECT_TRUE(Autostart::EntryText(path).isEmpty());
        if (!path.isEmpty()) {
            EXPECT_FALSE(Autostart::Add(path));
        }
    }
    EXPECT_FALSE(QFile::exists(entry));
}

TEST_F(AutostartTest, SwitchedOffEntryDoesNotCount) {
    home.WriteFile(QStringLiteral("xdg-config/autostart/Tarnovex.desktop"),
                   "[Desktop Entry]\nType=Application\nExec=/usr/bin/tarnovex /SYSTEMSTARTUP\nHidden=true\n");
    EXPECT_FALSE(Autostart::Exists());
    home.WriteFile(QStringLiteral("xdg-config/autostart/Tarnovex.desktop"),
                   "[Desktop Entry]\nType=Application\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_FALSE(Autostart::Exists());
    // A key of another group does not switch the entry off.
    home.WriteFile(QStringLiteral("xdg-config/autostart/Tarnovex.desktop"),
                   "[Desktop Entry]\nType=Application\n[Desktop Action x]\nHidden=true\n");
    EXPECT_TRUE(Autostart::Exists());
}
