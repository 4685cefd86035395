#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "UiFixtures.h"
#include "settings/Language.h"
#include "ui/FolderPicker.h"
#include "ui/TaskPropertiesDialog.h"

namespace {

TSourceFolder Source(const QString& folder, bool includeSubfolders = true) {
    TSourceFolder source;
    source.Folder = folder;
    source.IncludeSubfolders = includeSubfolders;
    return source;
}

QStringList Folders(const TSourceFoldersList& list) {
    QStringList folders;
    for (const TSourceFolder& source : list)
        folders.append(source.Folder +
                       (source.IncludeSubfolders ? QStringLiteral(" +") : QStringLiteral(" -")));
    return folders;
}

class FolderPickerTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        root = QDir::cleanPath(home.Path() + QStringLiteral("tree"));
        for (const char* folder : {"a", "b/c", "b/d", "hidden/.config"})
            QDir().mkpath(root + QLatin1Char('/') + QString::fromLatin1(folder));
        home.WriteFile(QStringLiteral("tree/file.txt"), "not a folder");
    }
    void TearDown() override {
        TFoldersCheckSelectForm::Picker = savedPicker;
        UnloadLanguageFile();
        UiTest::TearDown();
    }
    // Ticks or unticks a folder with the keyboard, as a user would.
    static void Toggle(TFoldersCheckSelectForm& form, QTreeWidgetItem* item) {
        ASSERT_NE(item, nullptr);
        form.Tree()->setFocus();
        form.Tree()->setCurrentItem(item);
        QTest::keyClick(form.Tree(), Qt::Key_Space);
    }

    QString root;
    std::function<bool(QWidget*, QStringList&)> savedPicker = TFoldersCheckSelectForm::Picker;
};

}  // namespace

TEST(MergeChosenFolders, KeepsChosenSourcesDropsTheRestAndAddsNewOnes) {
    const TSourceFoldersList current = {Source(QStringLiteral("/data/docs"), false),
                                        Source(QStringLiteral("/data/old")),
                                        Source(QStringLiteral("%Home%/mail"))};
    const TSourceFoldersList merged = MergeChosenFolders(
        current,
        {QStringLiteral("/data/docs/"), QStringLiteral("/srv/new/"), QStringLiteral("/srv/new/inside/"),
         QStringLiteral("%Home%/mail/"), QStringLiteral("/data/pics/")},
        true);
    // Current sources keep their text and subfolder choice; new ones come after them, inside folders
    // are dropped.
    EXPECT_EQ(Folders(merged), (QStringList{QStringLiteral("/data/docs -"), QStringLiteral("%Home%/mail +"),
                                            QStringLiteral("/srv/new/ +"), QStringLiteral("/data/pics/ +")}));
}

TEST(MergeChosenFolders, ASourceInsideAnotherChosenFolderGoesAndNamesAreComparedExactly) {
    const TSourceFoldersList current = {Source(QStringLiteral("/data/docs/")),
                                        Source(QStringLiteral("/Data/Docs"))};
    // "/data" holds "/data/docs"; "/Data/Docs" differs in case, which is another folder here.
    const TSourceFoldersList merged =
        MergeChosenFolders(current, {QStringLiteral("/data/"), QStringLiteral("/data/docs/")}, false);
    EXPECT_EQ(Folders(merged), QStringList{QStringLiteral("/data/ -")});
    // "/data/docs2" is not inside "/data/docs"; doubled slashes and dots do not make a folder new.
    const TSourceFoldersList other =
        MergeChosenFolders({Source(QStringLiteral("/data//docs/./"))},
                           {QStringLiteral("/data/docs/"), QStringLiteral("/data/docs2/")}, true);
    EXPECT_EQ(Folders(other),
              (QStringList{QStringLiteral("/data//docs/./ +"), QStringLiteral("/data/docs2/ +")}));
}

TEST_F(FolderPickerTest, GivenFoldersAreTickedAndTheTickedOnesComeBack) {
    const QString c = root + QStringLiteral("/b/c");
    TFoldersCheckSelectForm form({c + QLatin1Char('/'), QStringLiteral("%Home%/mail")});
    form.show();
    QTreeWidgetItem* cItem = form.FindFolder(c);
    ASSERT_NE(cItem, nullptr);
    EXPECT_EQ(cItem->checkState(0), Qt::Checked);
    // The parents of a given folder are opened; the folder itself is not read until it is opened.
    EXPECT_TRUE(cItem->parent()->isExpanded());
    EXPECT_TRUE(form.FindFolder(root)->isExpanded());
    EXPECT_FALSE(form.FindFolder(root + QStringLiteral("/a"))->isExpanded());
    // Only folders are offered, hidden ones too.
    QTreeWidgetItem* rootItem = form.FindFolder(root);
    QStringList children;
    for (int i = 0; i < rootItem->childCount(); ++i)
        children.append(rootItem->child(i)->text(0));
    EXPECT_EQ(children, (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("hidden")}));
    ASSERT_NE(form.FindFolder(root + QStringLiteral("/hidden/.config")), nullptr);
    EXPECT_EQ(form.FindFolder(root + QStringLiteral("/file.txt")), nullptr);

    EXPECT_EQ(form.CheckedFolders(), (QStringList{c + QLatin1Char('/'), QStringLiteral("%Home%/mail/")}));
    Toggle(form, form.FindFolder(root + QStringLiteral("/a")));
    Toggle(form, cItem);
    QTest::keyClick(&form, Qt::Key_Return);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    // A folder the tree cannot show stays chosen unless it is unticked.
    EXPECT_EQ(form.CheckedFolders(),
              (QStringList{root + QStringLiteral("/a/"), QStringLiteral("%Home%/mail/")}));
}

TEST_F(FolderPickerTest, ALinkToAFolderIsOfferedButAFolderIsListedOnce) {
    ASSERT_EQ(symlink("b", QFile::encodeName(root + QStringLiteral("/to-b")).constData()), 0);
    ASSERT_EQ(symlink("file.txt", QFile::encodeName(root + QStringLiteral("/to-file")).constData()), 0);
    TFoldersCheckSelectForm form({root, root + QStringLiteral("/"), root + QStringLiteral("//")});
    QTreeWidgetItem* link = form.FindFolder(root + QStringLiteral("/to-b"));
    ASSERT_NE(link, nullptr);
    EXPECT_TRUE(link->font(0).italic());
    EXPECT_EQ(form.FindFolder(root + QStringLiteral("/to-file")), nullptr);
    EXPECT_EQ(form.CheckedFolders(), QStringList{root + QStringLiteral("/")});
}

TEST_F(FolderPickerTest, SelectMultipleFoldersAppliesTheChoiceToTheSourceList) {
    auto task = std::make_unique<TTask>();
    task->SourceFolders = {Source(QStringLiteral("/data/docs"), false), Source(QStringLiteral("/data/old"))};
    TMainData data;
    struct TPrompts : TPropertiesPrompts {
        TAnswer AskCorrect(const QString&, const QString&) override { return TAnswer::No; }
        bool Confirm(const QString&, const QString&) override { return true; }
        void Error(const QString&, const QString& text) override { errors.append(text); }
        void Information(const QString&, const QString&) override {}
        QStringList errors;
    } prompts;
    TTaskPropertiesForm form(*task, data, prompts);
    form.show();
    form.SetCurrentPage(TTaskPropertiesForm::pgSource);
    auto* list = form.findChild<QTreeWidget*>(QStringLiteral("sourceList"));
    auto* button = form.findChild<QPushButton*>(QStringLiteral("sourceSelectMultiple"));
    auto* field = form.findChild<QLineEdit*>(QStringLiteral("sourceFolder"));
    ASSERT_TRUE(list && button && field);
    ASSERT_TRUE(list->isVisible());  // two sources: the list is shown

    QStringList offered;
    QStringList answer = {QStringLiteral("/data/docs/"), QStringLiteral("/srv/new/"),
                          QStringLiteral("/srv/new/x/")};
    TFoldersCheckSelectForm::Picker = [&](QWidget*, QStringList& folders) {
        offered = folders;
        folders = answer;
        return true;
    };
    // New folders take the "Include Subfolders" box as it stands.
    form.findChild<QCheckBox*>(QStringLiteral("includeSubfolders"))->setChecked(false);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(offered, (QStringList{QStringLiteral("/data/docs"), QStringLiteral("/data/old")}));
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("/data/docs"));
    EXPECT_EQ(list->topLevelItem(1)->text(0), QStringLiteral("/srv/new/"));
    EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("No"));

    // Cancel in the picker changes nothing.
    TFoldersCheckSelectForm::Picker = [](QWidget*, QStringList&) { return false; };
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(list->topLevelItemCount(), 2);

    // One folder left: the single-folder view comes back with it in the field.
    answer = {QStringLiteral("/srv/new/")};
    TFoldersCheckSelectForm::Picker = [&](QWidget*, QStringList& folders) {
        folders = answer;
        return true;
    };
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(field->text(), QStringLiteral("/srv/new/"));
    QTest::keyClick(&form, Qt::Key_Return);
    ASSERT_EQ(form.result(), QDialog::Accepted) << prompts.errors.join(QLatin1Char('\n')).toStdString();
    form.ApplyTo(*task);
    EXPECT_EQ(Folders(task->SourceFolders), QStringList{QStringLiteral("/srv/new/ -")});
}

TEST_F(FolderPickerTest, TheGermanFileTranslatesThePicker) {
    ASSERT_TRUE(LoadLanguageFile(QStringLiteral("German.lng")));
    TFoldersCheckSelectForm form({});
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Ordner auswählen"));
    EXPECT_EQ(form.findChild<QPushButton*>(QStringLiteral("CancelButton"))->text(),
              QStringLiteral("Abbrechen"));
}
