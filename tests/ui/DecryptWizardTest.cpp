#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <mutex>

#include "UiFixtures.h"
#include "model/TaskPaths.h"
#include "packing/PackerSettings.h"
#include "packing/Packers.h"
#include "ui/DecryptWizard.h"
#include "ui/PreferencesDialog.h"

namespace {

const QString kAes = QStringLiteral("AES (256 Bit)");

QPushButton* ByCaption(QWidget& root, const QString& caption) {
    for (QPushButton* button : root.findChildren<QPushButton*>())
        if (button->text() == caption)
            return button;
    return nullptr;
}

class DecryptWizardTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        static const bool registered = [] {
            RegisterPackers();
            return true;
        }();
        (void)registered;
        LoadGlobalSettings();
        previousPath = qgetenv("PATH");
        qputenv("PATH", QByteArray(TARNOVEX_CRYPT_FOLDER) + ':' + previousPath);
        TDialogMessages& m = DialogMessages();
        m.Warning = [this](QWidget*, const QString& caption, const QString& text) {
            warnings.append(caption + " | " + text);
        };
        m.Error = m.Warning;
    }
    void TearDown() override {
        TearDownDecryptors();
        qputenv("PATH", previousPath);
        ResetDialogMessages();
        UiTest::TearDown();
    }

    // Encrypts plain text with the companion encryptor into path.
    void Encrypt(const QString& path, const QByteArray& text, const QString& password) {
        const QString plain = home.WriteFile(QStringLiteral("plain.tmp"), text);
        QProcess crypt;
        crypt.start(QStringLiteral(TARNOVEX_CRYPT_FOLDER) + QStringLiteral("crypt"),
                    {QStringLiteral("-ca"), plain, path, password});
        ASSERT_TRUE(crypt.waitForFinished(60000));
        ASSERT_EQ(crypt.exitCode(), 0) << crypt.readAllStandardError().toStdString();
        QFile::remove(plain);
    }

    void SetParameters(TDecryptWizardForm& wizard, const QString& password, const QString& target,
                       const QString& decryptorName = kAes) {
        auto* decryptor = wizard.findChild<QComboBox*>(QStringLiteral("decryptor"));
        ASSERT_NE(decryptor, nullptr);
        decryptor->setCurrentIndex(decryptor->findText(decryptorName));
        ASSERT_EQ(decryptor->currentText(), decryptorName);
        wizard.findChild<QLineEdit*>(QStringLiteral("password"))->setText(password);
        wizard.findChild<QLineEdit*>(QStringLiteral("targetFolder"))->setText(target);
    }

    // Waits for the pass that entering the decrypting page started. The deadline only keeps a broken
    // pass from hanging the suite; nothing is measured.
    void WaitForPass(TDecryptWizardForm& wizard) {
        QDeadlineTimer deadline(120000);
        while (wizard.PassRunning() && !deadline.hasExpired())
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        ASSERT_FALSE(wizard.PassRunning());
    }

    // The log line of a file that failed: the line, then what the decryptor reported.
    static QString FailureLine(const TDecryptWizardForm& wizard, const QString& file) {
        const QString start = QStringLiteral("Error decrypting file \"") + file + QStringLiteral("\".");
        for (const QString& line : wizard.LogLines())
            if (line.startsWith(start))
                return line;
        ADD_FAILURE() << "no failure line for " << file.toStdString();
        return {};
    }

    static QString ProgressText(TDecryptWizardForm& wizard) {
        return wizard.findChild<QProgressBar*>(QStringLiteral("progress"))->text();
    }

    // An encryptor definition of a test's own; removed again at the end of the test.
    void AddDecryptor(const QString& name, const QString& decrypt) {
        std::lock_guard lock(PackerSettingsMutex());
        TExternalEncryptorCommands commands;
        commands.Name = name;
        commands.Decrypt = decrypt;
        commands.Extension = QStringLiteral("crypt");
        ExternalEncryptors().Add(commands);
        added.append(name);
    }

    void TearDownDecryptors() {
        std::lock_guard lock(PackerSettingsMutex());
        for (const QString& name : added)
            ExternalEncryptors().DeleteEncryptor(name);
        added.clear();
    }

    QByteArray previousPath;
    QStringList warnings;
    QStringList added;
};

TEST_F(DecryptWizardTest, AddsOnlyEncryptedFilesAndEachOnce) {
    home.WriteFile(QStringLiteral("in/a.crypt"), "x");
    home.WriteFile(QStringLiteral("in/sub/b.CRYPT"), "x");
    home.WriteFile(QStringLiteral("in/c.zip"), "x");
    home.WriteFile(QStringLiteral("in/.hidden/d.crypt"), "x");
    home.WriteFile(QStringLiteral("in/.e.crypt"), "x");
    TDecryptWizardForm wizard;
    EXPECT_FALSE(wizard.page(TDecryptWizardForm::pgFiles)->isComplete());
    wizard.AddFolder(home.File(QStringLiteral("in")));
    EXPECT_EQ(wizard.Files(), (QStringList{home.File(QStringLiteral("in/a.crypt")),
                                           home.File(QStringLiteral("in/sub/b.CRYPT"))}));
    wizard.AddFolder(home.File(QStringLiteral("in")));
    wizard.AddFiles({home.File(QStringLiteral("in/c.zip")), home.File(QStringLiteral("in/a.crypt"))});
    EXPECT_EQ(wizard.Files().size(), 2);
    EXPECT_TRUE(wizard.page(TDecryptWizardForm::pgFiles)->isComplete());
}

TEST_F(DecryptWizardTest, DecryptsIntoTheTargetFolderAndGoingBackOneStepDoesNotRepeat) {
    const QString encrypted = home.File(QStringLiteral("store/report.txt.crypt"));
    QDir().mkpath(home.File(QStringLiteral("store")));
    Encrypt(encrypted, "quarterly figures\n", QStringLiteral("s3cret"));
    const QString out = home.File(QStringLiteral("out"));

    TDecryptWizardForm wizard;
    wizard.show();
    wizard.AddFiles({encrypted});
    wizard.next();
    ASSERT_EQ(wizard.currentId(), TDecryptWizardForm::pgParameters);
    EXPECT_FALSE(wizard.currentPage()->isComplete());
    SetParameters(wizard, QStringLiteral("s3cret"), out);
    EXPECT_TRUE(wizard.currentPage()->isComplete());
    wizard.next();
    WaitForPass(wizard);
    QFile result(out + QStringLiteral("/report.txt"));
    ASSERT_TRUE(result.open(QIODevice::ReadOnly));
    EXPECT_EQ(result.readAll(), QByteArray("quarterly figures\n"));
    const QStringList log = wizard.LogLines();
    EXPECT_EQ(log.first(), QStringLiteral("Using decryption algorithm ") + kAes + QStringLiteral("."));
    EXPECT_TRUE(log.contains(QStringLiteral("Decrypting file \"") + encrypted + QStringLiteral("\".")));
    EXPECT_EQ(log.last(), QStringLiteral("Decryption finished."));

    wizard.next();
    ASSERT_EQ(wizard.currentId(), TDecryptWizardForm::pgFinished);
    EXPECT_EQ(wizard.findChild<QLabel*>(QStringLiteral("count"))->text(), QStringLiteral("1"));
    wizard.back();
    wizard.next();
    EXPECT_EQ(wizard.PassCount(), 1);
    wizard.back();
    wizard.back();
    ASSERT_EQ(wizard.currentId(), TDecryptWizardForm::pgParameters);
    wizard.next();
    WaitForPass(wizard);
    EXPECT_EQ(wizard.PassCount(), 2);
}

TEST_F(DecryptWizardTest, AWrongPasswordFailsAndLeavesNoOutputFile) {
    const QString encrypted = home.File(QStringLiteral("store/a.crypt"));
    QDir().mkpath(home.File(QStringLiteral("store")));
    Encrypt(encrypted, "secret text", QStringLiteral("right"));
    const QString out = home.File(QStringLiteral("out"));

    TDecryptWizardForm wizard;
    wizard.show();
    wizard.AddFiles({encrypted});
    wizard.next();
    SetParameters(wizard, QStringLiteral("wrong"), out);
    wizard.next();
    QApplication::processEvents();
    if (wizard.PassRunning()) {
        // While the outside program runs the wizard can be neither left nor closed.
        EXPECT_FALSE(wizard.button(QWizard::BackButton)->isEnabled());
        EXPECT_FALSE(wizard.button(QWizard::NextButton)->isEnabled());
        wizard.reject();
        EXPECT_TRUE(wizard.isVisible());
    }
    WaitForPass(wizard);
    // The line says why: the decryptor ended with its failure code.
    EXPECT_TRUE(FailureLine(wizard, encrypted).endsWith(QStringLiteral("abnormal exit code returned: 1.")))
        << FailureLine(wizard, encrypted).toStdString();
    EXPECT_EQ(wizard.DecryptedCount(), 0);
    EXPECT_EQ(wizard.FailedCount(), 1);
    // Every file failed: the bar is empty and says so, rather than standing at 100 %.
    EXPECT_EQ(wizard.findChild<QProgressBar*>(QStringLiteral("progress"))->value(), 0);
    EXPECT_EQ(ProgressText(wizard), QStringLiteral("0 of 1 files decrypted, 1 failed"));
    EXPECT_TRUE(QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(DecryptWizardTest, AFolderThatCannotBeCreatedEndsThePass) {
    const QString encrypted = home.File(QStringLiteral("store/a.crypt"));
    QDir().mkpath(home.File(QStringLiteral("store")));
    Encrypt(encrypted, "text", QStringLiteral("pw"));
    const QString second = home.WriteFile(QStringLiteral("store/b.crypt"), "never tried");
    const QString blocker = home.WriteFile(QStringLiteral("blocker"), "a file, not a folder");

    TDecryptWizardForm wizard;
    wizard.show();
    wizard.AddFiles({encrypted, second});
    wizard.next();
    SetParameters(wizard, QStringLiteral("pw"), blocker + QStringLiteral("/out"));
    wizard.next();
    WaitForPass(wizard);
    const QStringList log = wizard.LogLines();
    EXPECT_EQ(log.last(), QStringLiteral("Can't create folder ") + blocker + QStringLiteral("/out/"));
    EXPECT_FALSE(log.contains(QStringLiteral("Decryption finished.")));
    EXPECT_EQ(wizard.FailedCount(), 1);
    EXPECT_EQ(ProgressText(wizard), QStringLiteral("0 of 2 files decrypted, 1 failed, 1 not tried"));
    wizard.next();
    EXPECT_EQ(wizard.findChild<QLabel*>(QStringLiteral("notDecryptedCount"))->text(), QStringLiteral("2"));
}

TEST_F(DecryptWizardTest, APassWithSomeFailuresCountsBothAndTheFinishPageSaysSo) {
    QDir().mkpath(home.File(QStringLiteral("store")));
    const QString good = home.File(QStringLiteral("store/good.txt.crypt"));
    Encrypt(good, "kept safe", QStringLiteral("pw"));
    const QString damaged = home.WriteFile(QStringLiteral("store/damaged.txt.crypt"), "not encrypted at all");

    TDecryptWizardForm wizard;
    wizard.show();
    wizard.AddFiles({good, damaged});
    wizard.next();
    SetParameters(wizard, QStringLiteral("pw"), home.File(QStringLiteral("out")));
    wizard.next();
    WaitForPass(wizard);
    EXPECT_EQ(wizard.DecryptedCount(), 1);
    EXPECT_EQ(wizard.FailedCount(), 1);
    EXPECT_TRUE(FailureLine(wizard, damaged).contains(QStringLiteral("exit code")));
    EXPECT_EQ(ProgressText(wizard), QStringLiteral("1 of 2 files decrypted, 1 failed"));
    EXPECT_EQ(wizard.LogLines().last(), QStringLiteral("Decryption finished."));

    wizard.next();
    ASSERT_EQ(wizard.currentId(), TDecryptWizardForm::pgFinished);
    EXPECT_EQ(wizard.findChild<QLabel*>(QStringLiteral("count"))->text(), QStringLiteral("1"));
    EXPECT_EQ(wizard.findChild<QLabel*>(QStringLiteral("notDecryptedCount"))->text(), QStringLiteral("1"));
    EXPECT_FALSE(wizard.findChild<QLabel*>(QStringLiteral("ReasonsNoteLabel"))->isHidden());
}

TEST_F(DecryptWizardTest, AFailureLineCarriesTheDecryptorsOutputOrWhyItDidNotStart) {
    // A decryptor that explains itself on standard output and ends with its own code, except for a file
    // it fails on without a word.
    const QString script = home.WriteFile(QStringLiteral("tools/fail.sh"),
                                          "case \"$1\" in *quiet*) exit 4;; esac\n"
                                          "echo \"checking $1\"\necho \"bad key\"\nexit 3\n");
    AddDecryptor(QStringLiteral("Talkative"),
                 QStringLiteral("sh \"") + script + QStringLiteral("\" %%S %%D"));
    AddDecryptor(QStringLiteral("Missing"), QStringLiteral("tarnovex-no-such-decryptor %%S %%D"));
    const QString file = home.WriteFile(QStringLiteral("store/a.crypt"), "x");
    const QString quiet = home.WriteFile(QStringLiteral("store/quiet.crypt"), "x");

    TDecryptWizardForm wizard;
    wizard.show();
    wizard.AddFiles({file, quiet});
    wizard.next();
    SetParameters(wizard, QStringLiteral("pw"), home.File(QStringLiteral("out")),
                  QStringLiteral("Talkative"));
    wizard.next();
    WaitForPass(wizard);
    // The last line of output is the one that tells.
    EXPECT_EQ(
        FailureLine(wizard, file),
        QStringLiteral("Error decrypting file \"") + file +
            QStringLiteral("\". Command executed, but abnormal exit code returned: 3. Output: sh: bad key"));
    // What one file reported is not repeated for the next.
    EXPECT_EQ(FailureLine(wizard, quiet), QStringLiteral("Error decrypting file \"") + quiet +
                                              QStringLiteral("\". Command executed, but abnormal exit code "
                                                             "returned: 4."));

    wizard.back();
    SetParameters(wizard, QStringLiteral("pw"), home.File(QStringLiteral("out")), QStringLiteral("Missing"));
    wizard.next();
    WaitForPass(wizard);
    const QString line = FailureLine(wizard, file);
    EXPECT_TRUE(line.contains(QStringLiteral("Decryption error!"))) << line.toStdString();
    EXPECT_TRUE(line.contains(QStringLiteral("System error code: 2)"))) << line.toStdString();
}

TEST_F(DecryptWizardTest, KeepFolderStructureRebuildsTheSourceFoldersBelowTheTarget) {
    QDir().mkpath(home.File(QStringLiteral("store/docs")));
    const QString first = home.File(QStringLiteral("store/docs/a.txt.crypt"));
    const QString second = home.File(QStringLiteral("store/b.txt.crypt"));
    Encrypt(first, "first", QStringLiteral("pw"));
    Encrypt(second, "second", QStringLiteral("pw"));
    const QString out = home.File(QStringLiteral("out"));

    TDecryptWizardForm wizard;
    wizard.show();
    wizard.AddFolder(home.File(QStringLiteral("store")));
    ASSERT_EQ(wizard.Files().size(), 2);
    wizard.next();
    SetParameters(wizard, QStringLiteral("pw"), out);
    wizard.findChild<QCheckBox*>(QStringLiteral("keepStructure"))->setChecked(true);
    wizard.next();
    WaitForPass(wizard);
    EXPECT_EQ(wizard.DecryptedCount(), 2);
    const QString rebuilt = out + QLatin1Char('/') + StripRoot(home.File(QStringLiteral("store/")));
    QFile a(rebuilt + QStringLiteral("docs/a.txt"));
    QFile b(rebuilt + QStringLiteral("b.txt"));
    ASSERT_TRUE(a.open(QIODevice::ReadOnly)) << a.fileName().toStdString();
    ASSERT_TRUE(b.open(QIODevice::ReadOnly)) << b.fileName().toStdString();
    EXPECT_EQ(a.readAll(), QByteArray("first"));
    EXPECT_EQ(b.readAll(), QByteArray("second"));
}

TEST_F(DecryptWizardTest, RemoveTakesTheSelectedRowsAndAnEmptyListBlocksNext) {
    home.WriteFile(QStringLiteral("in/a.crypt"), "x");
    home.WriteFile(QStringLiteral("in/b.crypt"), "x");
    TDecryptWizardForm wizard;
    wizard.show();
    wizard.AddFolder(home.File(QStringLiteral("in")));
    auto* list = wizard.findChild<QTreeWidget*>(QStringLiteral("files"));
    auto* remove = ByCaption(wizard, QStringLiteral("Remove"));
    ASSERT_NE(remove, nullptr);
    EXPECT_FALSE(remove->isEnabled());
    list->topLevelItem(0)->setSelected(true);
    EXPECT_TRUE(remove->isEnabled());
    remove->click();
    EXPECT_EQ(wizard.Files(), QStringList{home.File(QStringLiteral("in/b.crypt"))});
    list->selectAll();
    remove->click();
    EXPECT_TRUE(wizard.Files().isEmpty());
    EXPECT_FALSE(wizard.page(TDecryptWizardForm::pgFiles)->isComplete());
    EXPECT_FALSE(wizard.button(QWizard::NextButton)->isEnabled());
}

TEST_F(DecryptWizardTest, TaskSettingsAreTakenOnlyFromATaskThatEncrypts) {
    TDecryptWizardForm wizard;
    auto* decryptor = wizard.findChild<QComboBox*>(QStringLiteral("decryptor"));
    auto* password = wizard.findChild<QLineEdit*>(QStringLiteral("password"));
    password->setText(QStringLiteral("mine"));
    decryptor->setCurrentIndex(1);
    TTask plain;
    plain.CryptUse = false;
    plain.CryptPassword = QStringLiteral("theirs");
    wizard.TakeTaskSettings(plain);
    EXPECT_EQ(password->text(), QStringLiteral("mine"));
    EXPECT_EQ(decryptor->currentIndex(), 1);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_EQ(warnings[0], QStringLiteral("Warning! | The Task selected don't use encryption."));

    TTask encrypting;
    encrypting.CryptUse = true;
    encrypting.CryptType = kAes;
    encrypting.CryptPassword = QStringLiteral("theirs");
    wizard.TakeTaskSettings(encrypting);
    EXPECT_EQ(password->text(), QStringLiteral("theirs"));
    EXPECT_EQ(decryptor->currentText(), kAes);
    encrypting.CryptType = QStringLiteral("gone");
    wizard.TakeTaskSettings(encrypting);
    EXPECT_EQ(decryptor->currentIndex(), 0);
}

TEST(DecryptTargetFolder, KeepsTheSourceFoldersBelowTheTargetOnlyWhenAsked) {
    EXPECT_EQ(DecryptTargetFolder(QStringLiteral("/out"), QStringLiteral("/backup/docs/"), false),
              QStringLiteral("/out/"));
    EXPECT_EQ(DecryptTargetFolder(QStringLiteral("/out/"), QStringLiteral("/backup/docs/"), true),
              QStringLiteral("/out/backup/docs/"));
    EXPECT_EQ(DecryptTargetFolder(QStringLiteral("/out"), QStringLiteral("/"), true),
              QStringLiteral("/out/"));
    EXPECT_TRUE(IsEncryptedFileName(QStringLiteral("a.CrYpT")));
    EXPECT_FALSE(IsEncryptedFileName(QStringLiteral("a.crypt.zip")));
    EXPECT_FALSE(IsEncryptedFileName(QStringLiteral("acrypt")));
}

}  // namespace
