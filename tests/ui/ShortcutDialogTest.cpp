#include "ui/ShortcutDialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTest>

#include "UiFixtures.h"
#include "model/Task.h"
#include "ui/PreferencesDialog.h"

namespace {

// Sets an environment variable for one test and puts the old value back.
class TEnvironment {
public:
    TEnvironment(const char* name, const QString& value) : name_(name) {
        had_ = qEnvironmentVariableIsSet(name);
        previous_ = qgetenv(name);
        qputenv(name, value.toUtf8());
    }
    ~TEnvironment() {
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

QString ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString ValueOf(const QString& entry, const QString& key) {
    for (const QString& line : entry.split(QLatin1Char('\n')))
        if (line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1);
    return {};
}

class ShortcutDialog : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        task.Name = QStringLiteral("  Daily Docs ");
        task.ID = QStringLiteral("4B1D2C3A5E6F7A8B9C0D1");
        TShortcutForm::ProgramPath = QStringLiteral("/opt/Tarnovex Suite/tarnovex");
        DialogMessages().Confirm = [this](QWidget*, const QString& caption, const QString& text) {
            asked.append(caption + QStringLiteral(" | ") + text);
            return replace;
        };
        DialogMessages().Error = [this](QWidget*, const QString& caption, const QString& text) {
            errors.append(caption + QStringLiteral(" | ") + text);
        };
    }
    void TearDown() override {
        TShortcutForm::ProgramPath.clear();
        ResetDialogMessages();
        UiTest::TearDown();
    }
    QString Written(TShortcutForm& form) {
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("OkButton")), Qt::LeftButton);
        return form.WrittenFile();
    }

    TEnvironment userHome{"HOME", home.File(QStringLiteral("user"))};
    TEnvironment config{"XDG_CONFIG_HOME", home.File(QStringLiteral("config"))};
    TEnvironment data{"XDG_DATA_HOME", home.File(QStringLiteral("data"))};
    TTask task;
    bool replace = true;
    QStringList asked;
    QStringList errors;
};

TEST_F(ShortcutDialog, FileNamesKeepToTheChosenFolder) {
    EXPECT_EQ(ShortcutFileName(QStringLiteral("Start Backup.v2")), QStringLiteral("Start Backup.desktop"));
    EXPECT_EQ(ShortcutFileName(QStringLiteral("  Start Daily  ")), QStringLiteral("Start Daily.desktop"));
    EXPECT_EQ(ShortcutFileName(QStringLiteral("a.b.c")), QStringLiteral("a.b.desktop"));
    EXPECT_EQ(ShortcutFileName(QStringLiteral("../../.config/evil")), QStringLiteral(".._.._.desktop"));
    EXPECT_EQ(ShortcutFileName(QStringLiteral("two\nlines/x")), QStringLiteral("two_lines_x.desktop"));
    EXPECT_EQ(ShortcutFileName(QStringLiteral("   ")), QString());
}

TEST_F(ShortcutDialog, OpensWithTheStartNameOnTheDesktop) {
    TShortcutForm form(task);
    EXPECT_EQ(form.objectName(), QStringLiteral("ShortcutForm"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Create Shortcut"));
    EXPECT_EQ(form.ShortcutName(), QStringLiteral("Start Daily Docs"));
    EXPECT_EQ(form.Folder(), TShortcutFolder::Desktop);
    EXPECT_FALSE(form.ExitWhenIdle());
    auto* other = form.findChild<QLineEdit*>(QStringLiteral("OtherFolderEdit"));
    auto* ok = form.findChild<QPushButton*>(QStringLiteral("OkButton"));
    EXPECT_FALSE(other->isEnabled());
    // The other folder is typed only for that choice, and OK needs it then, as it needs a name.
    form.findChild<QRadioButton*>(QStringLiteral("OtherRadio"))->setChecked(true);
    EXPECT_TRUE(other->isEnabled());
    EXPECT_FALSE(ok->isEnabled());
    other->setText(QStringLiteral("/tmp"));
    EXPECT_TRUE(ok->isEnabled());
    form.findChild<QLineEdit*>(QStringLiteral("NameEdit"))->setText(QStringLiteral("  "));
    EXPECT_FALSE(ok->isEnabled());
}

TEST_F(ShortcutDialog, WritesAValidLauncherThatRunsTheTask) {
    TShortcutForm form(task);
    form.show();
    form.findChild<QCheckBox*>(QStringLiteral("ExitWhenIdleCheckBox"))->setChecked(true);
    const QString path = Written(form);
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    ASSERT_TRUE(desktop.startsWith(home.File(QStringLiteral("user"))));
    EXPECT_EQ(path, QString(desktop + QStringLiteral("/Start Daily Docs.desktop")));
    EXPECT_EQ(form.result(), QDialog::Accepted);
    const QString entry = ReadFile(path);
    EXPECT_TRUE(entry.startsWith(QStringLiteral("[Desktop Entry]\n")));
    EXPECT_EQ(ValueOf(entry, QStringLiteral("Type")), QStringLiteral("Application"));
    EXPECT_EQ(ValueOf(entry, QStringLiteral("Name")), QStringLiteral("Start Daily Docs"));
    // The program path has a blank: it is quoted; the started program uses this test's store.
    EXPECT_EQ(ValueOf(entry, QStringLiteral("Exec")),
              QStringLiteral("env TARNOVEX_HOME=") + QDir::cleanPath(home.Path()) +
                  QStringLiteral(
                      " \"/opt/Tarnovex Suite/tarnovex\" /RunTaskById=4B1D2C3A5E6F7A8B9C0D1 /ExitWhenIdle"));
    EXPECT_TRUE(QFileInfo(path).isExecutable());
    if (!QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty()) {
        QProcess validate;
        validate.start(QStringLiteral("desktop-file-validate"), {path});
        ASSERT_TRUE(validate.waitForFinished(30000));
        EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().toStdString();
    }
}

TEST_F(ShortcutDialog, MenuAndAutorunChoicesUseTheXdgFolders) {
    const std::pair<const char*, QString> choices[] = {
        {"StartMenuRadio", home.File(QStringLiteral("data/applications"))},
        {"ProgramsRadio", home.File(QStringLiteral("data/applications"))},
        {"AutorunRadio", home.File(QStringLiteral("config/autostart"))}};
    for (const auto& [radio, folder] : choices) {
        QFile::remove(folder + QStringLiteral("/Start Daily Docs.desktop"));
        TShortcutForm form(task);
        form.show();
        form.findChild<QRadioButton*>(QString::fromLatin1(radio))->setChecked(true);
        EXPECT_EQ(Written(form), QString(folder + QStringLiteral("/Start Daily Docs.desktop"))) << radio;
        EXPECT_FALSE(ValueOf(ReadFile(form.WrittenFile()), QStringLiteral("Exec"))
                         .endsWith(QStringLiteral("/ExitWhenIdle")));
    }
}

TEST_F(ShortcutDialog, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
    const QString folder = home.File(QStringLiteral("links"));
    const QString existing = home.WriteFile(QStringLiteral("links/Start Daily Docs.desktop"), "mine\n");
    TShortcutForm form(task);
    form.show();
    form.findChild<QRadioButton*>(QStringLiteral("OtherRadio"))->setChecked(true);
    form.findChild<QLineEdit*>(QStringLiteral("OtherFolderEdit"))->setText(folder);
    replace = false;
    EXPECT_EQ(Written(form), QString());
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].startsWith(QStringLiteral("Confirmation | The file \"") + existing));
    EXPECT_EQ(ReadFile(existing), QStringLiteral("mine\n"));
    EXPECT_TRUE(form.isVisible());  // the user may choose another name

    replace = true;
    EXPECT_EQ(Written(form), existing);
    EXPECT_TRUE(ReadFile(existing).startsWith(QStringLiteral("[Desktop Entry]")));
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(ShortcutDialog, ANameWithFolderPartsStaysInTheFolderAndAnUnwritableFolderIsReported) {
    const QString folder = home.File(QStringLiteral("links"));
    TShortcutForm form(task);
    form.show();
    form.findChild<QLineEdit*>(QStringLiteral("NameEdit"))->setText(QStringLiteral("../../escape.txt"));
    form.findChild<QRadioButton*>(QStringLiteral("OtherRadio"))->setChecked(true);
    form.findChild<QLineEdit*>(QStringLiteral("OtherFolderEdit"))->setText(folder);
    EXPECT_EQ(Written(form), QString(folder + QStringLiteral("/.._.._escape.desktop")));
    EXPECT_EQ(QDir(home.Path()).entryList({QStringLiteral("*.desktop")}, QDir::Files | QDir::Hidden),
              QStringList());

    // A file where the folder should be: nothing is written, the dialog says so and stays.
    home.WriteFile(QStringLiteral("blocked"), "x");
    TShortcutForm blocked(task);
    blocked.show();
    blocked.findChild<QRadioButton*>(QStringLiteral("OtherRadio"))->setChecked(true);
    blocked.findChild<QLineEdit*>(QStringLiteral("OtherFolderEdit"))
        ->setText(home.File(QStringLiteral("blocked")));
    EXPECT_EQ(Written(blocked), QString());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith(QStringLiteral("Error | Can't create the shortcut")));
    EXPECT_TRUE(blocked.isVisible());
}

}  // namespace
