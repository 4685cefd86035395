#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "UiFixtures.h"
#include "settings/Language.h"
#include "ui/DecryptWizard.h"
#include "ui/TaskSelectForm.h"

namespace {

class TaskSelectFormTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        AddTask(data, QStringLiteral("Documents"), QStringLiteral("Office"));
        TTask& photos = AddTask(data, QStringLiteral("Photos"));
        photos.CryptUse = true;
        photos.CryptPassword = QStringLiteral("from the task");
    }
    void TearDown() override {
        UnloadLanguageFile();
        UiTest::TearDown();
    }
    TMainData data;
};

}  // namespace

TEST_F(TaskSelectFormTest, OkIsOfferedOnlyWhileARowIsSelected) {
    TTaskSelectForm form(data);
    form.show();
    QTreeWidget* list = form.List();
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("Documents"));
    EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("Office"));
    EXPECT_EQ(list->topLevelItem(1)->text(1), QString());
    EXPECT_EQ(form.OkButton()->text(), QStringLiteral("O&K"));
    EXPECT_FALSE(form.OkButton()->isEnabled());
    // Enter without a selection does not end the dialog.
    QTest::keyClick(&form, Qt::Key_Return);
    EXPECT_TRUE(form.isVisible());

    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    ASSERT_TRUE(form.OkButton()->isEnabled());
    EXPECT_EQ(form.SelectedTask(), &data.Tasks[1]);
    list->clearSelection();
    EXPECT_FALSE(form.OkButton()->isEnabled());
    EXPECT_EQ(form.SelectedTask(), nullptr);
}

TEST_F(TaskSelectFormTest, SelectTaskGivesTheChosenTaskOrNoneOnCancel) {
    QTimer::singleShot(0, [] {
        auto* form = qobject_cast<TTaskSelectForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        form->List()->setCurrentItem(form->List()->topLevelItem(0));
        QTest::keyClick(form, Qt::Key_Return);
    });
    EXPECT_EQ(SelectTask(data), &data.Tasks[0]);
    QTimer::singleShot(0, [] {
        auto* form = qobject_cast<TTaskSelectForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        form->List()->setCurrentItem(form->List()->topLevelItem(0));
        QTest::keyClick(form, Qt::Key_Escape);
    });
    EXPECT_EQ(SelectTask(data), nullptr);
}

TEST_F(TaskSelectFormTest, TheDecryptWizardPicksItsTaskHere) {
    TDecryptWizardForm wizard(nullptr, &data);
    wizard.show();
    wizard.AddFiles({home.WriteFile(QStringLiteral("report.txt.crypt"), "x")});
    wizard.next();
    ASSERT_EQ(wizard.currentId(), TDecryptWizardForm::pgParameters);
    QTimer::singleShot(0, [] {
        auto* form = qobject_cast<TTaskSelectForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        // Should the double click not end the dialog, the test fails instead of waiting for ever.
        QTimer::singleShot(2000, form, &QDialog::reject);
        QTreeWidgetItem* photos = form->List()->topLevelItem(1);
        form->List()->setCurrentItem(photos);
        // A double click on a row takes it.
        const QPoint at = form->List()->visualItemRect(photos).center();
        QTest::mouseClick(form->List()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(form->List()->viewport(), Qt::LeftButton, {}, at);
    });
    QTest::mouseClick(wizard.findChild<QPushButton*>(QStringLiteral("FromTaskButton")), Qt::LeftButton);
    EXPECT_EQ(wizard.findChild<QLineEdit*>(QStringLiteral("password"))->text(),
              QStringLiteral("from the task"));
}

TEST_F(TaskSelectFormTest, TheGermanFileTranslatesThePicker) {
    ASSERT_TRUE(LoadLanguageFile(QStringLiteral("German.lng")));
    TTaskSelectForm form(data);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Aufgabe auswählen"));
    EXPECT_EQ(form.List()->headerItem()->text(0), QStringLiteral("Aufgabe"));
    EXPECT_EQ(form.List()->headerItem()->text(1), QStringLiteral("Gruppe"));
}
