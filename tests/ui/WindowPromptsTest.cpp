#include "ui/WindowPrompts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "UiFixtures.h"
#include "settings/Language.h"

TEST(GroupsOrderForm, MovesAreEnabledOnlyWhereANeighbourExists) {
    TGroupsOrderForm form({QStringLiteral("Office"), QStringLiteral("Home"), QStringLiteral("Travel")});
    EXPECT_FALSE(form.CanMoveUp());  // nothing selected
    EXPECT_FALSE(form.CanMoveDown());
    form.Select(2);
    EXPECT_TRUE(form.CanMoveUp());
    EXPECT_FALSE(form.CanMoveDown());
    form.Select(0);
    EXPECT_FALSE(form.CanMoveUp());
    EXPECT_TRUE(form.CanMoveDown());
}

TEST(GroupsOrderForm, MovingExchangesTheEntryWithItsNeighbour) {
    TGroupsOrderForm form({QStringLiteral("Office"), QStringLiteral("Home"), QStringLiteral("Travel")});
    form.Select(0);
    form.Move(1);
    EXPECT_EQ(form.Names(),
              (QStringList{QStringLiteral("Home"), QStringLiteral("Office"), QStringLiteral("Travel")}));
    form.Move(1);
    EXPECT_EQ(form.Names(),
              (QStringList{QStringLiteral("Home"), QStringLiteral("Travel"), QStringLiteral("Office")}));
    EXPECT_FALSE(form.CanMoveDown());
    form.Move(1);  // already last: nothing changes
    EXPECT_EQ(form.Names().last(), QStringLiteral("Office"));
    form.Move(-1);
    form.Move(-1);
    EXPECT_EQ(form.Names(),
              (QStringList{QStringLiteral("Office"), QStringLiteral("Home"), QStringLiteral("Travel")}));
}

namespace {

class GroupDialogs : public UiTest {
protected:
    void TearDown() override {
        UnloadLanguageFile();
        UiTest::TearDown();
    }
};

}  // namespace

TEST_F(GroupDialogs, TheNameDialogGivesTheEditedNameOnOkOnly) {
    TWidgetPrompts prompts(nullptr);
    QString name = QStringLiteral("New Group");
    QTimer::singleShot(0, [] {
        auto* form = qobject_cast<TGroupPropForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        auto* edit = form->findChild<QLineEdit*>(QStringLiteral("NameEdit"));
        ASSERT_TRUE(edit && edit->hasSelectedText());  // typing replaces the proposal
        QTest::keyClicks(edit, QStringLiteral("Travel"));
        QTest::keyClick(form, Qt::Key_Return);
    });
    EXPECT_TRUE(prompts.EditGroupName(name));
    EXPECT_EQ(name, QStringLiteral("Travel"));
    QTimer::singleShot(0, [] {
        auto* form = QApplication::activeModalWidget();
        ASSERT_NE(form, nullptr);
        QTest::keyClicks(form->findChild<QLineEdit*>(QStringLiteral("NameEdit")), QStringLiteral("Other"));
        QTest::keyClick(form, Qt::Key_Escape);
    });
    EXPECT_FALSE(prompts.EditGroupName(name));
    EXPECT_EQ(name, QStringLiteral("Travel"));
}

TEST_F(GroupDialogs, TheGermanFileTranslatesTheGroupDialogs) {
    ASSERT_TRUE(LoadLanguageFile(QStringLiteral("German.lng")));
    TGroupPropForm name(QStringLiteral("Office"));
    EXPECT_EQ(name.windowTitle(), QStringLiteral("Gruppeneigenschaften"));
    EXPECT_EQ(name.findChild<QLabel*>(QStringLiteral("NameLabel"))->text(), QStringLiteral("Gruppen&name:"));
    TGroupsOrderForm order({QStringLiteral("Office")});
    EXPECT_EQ(order.windowTitle(), QStringLiteral("Reihenfolge der Gruppen in der Liste ändern"));
    EXPECT_EQ(order.findChild<QPushButton*>(QStringLiteral("MoveDownButton"))->text(),
              QStringLiteral("Nach &unten"));
}
