#include "ui/WindowPrompts.h"

#include <gtest/gtest.h>

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
