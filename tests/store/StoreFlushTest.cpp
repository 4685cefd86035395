// What a flush writes when whole lists are deleted and written again, as every save of an object does.
#include <gtest/gtest.h>

#include "fixtures/TempHome.h"
#include "store/SafeRegistry.h"
#include "store/SettingsStore.h"

namespace {

class StoreFlush : public TarnovexTest {};

void WriteList(const QStringList& items) {
    TSafeRegistry reg;
    reg.DeleteKey(QStringLiteral("\\Task\\List"));
    for (int i = 0; i < items.size(); ++i) {
        reg.OpenKey(QStringLiteral("\\Task\\List\\%1\\Detail").arg(i + 1), true);
        reg.WriteString(QStringLiteral("Text"), items[i]);
        reg.OpenKey(QStringLiteral("\\Task\\List\\%1").arg(i + 1), true);
        reg.WriteString(QStringLiteral("Item"), items[i]);
    }
}

QStringList ReadList() {
    QStringList items;
    TSafeRegistry reg;
    QStringList names;
    if (reg.OpenKeyReadOnly(QStringLiteral("\\Task\\List")))
        reg.GetKeyNames(names);
    for (const QString& name : names) {
        TSafeRegistry item;
        item.OpenKeyReadOnly(QStringLiteral("\\Task\\List\\") + name);
        const QString text = item.ReadString(QStringLiteral("Item"), QStringLiteral("?"));
        item.OpenKeyReadOnly(QStringLiteral("Detail"));
        items.append(name + QLatin1Char('=') + text + QLatin1Char('/') +
                     item.ReadString(QStringLiteral("Text"), QStringLiteral("?")));
    }
    return items;
}

}  // namespace

TEST_F(StoreFlush, ARewrittenListKeepsExactlyItsNewItemsInTheFile) {
    WriteList({"a", "b", "c"});
    SettingsStore::Close();
    {
        // Same first item, changed second one, third one gone: all within one flush.
        TStoreTransaction transaction;
        WriteList({"a", "B"});
    }
    EXPECT_EQ(ReadList(), (QStringList{"1=a/a", "2=B/B"}));
    SettingsStore::Close();
    EXPECT_EQ(ReadList(), (QStringList{"1=a/a", "2=B/B"}));
}

TEST_F(StoreFlush, AListDeletedAndWrittenAgainUnchangedSurvivesInTheFile) {
    WriteList({"x", "y"});
    WriteList({"x", "y"});
    {
        TStoreTransaction transaction;
        WriteList({});
        WriteList({"x", "y"});
    }
    SettingsStore::Close();
    EXPECT_EQ(ReadList(), (QStringList{"1=x/x", "2=y/y"}));
    {
        TStoreTransaction transaction;
        WriteList({"x", "y"});
        TSafeRegistry().DeleteKey(QStringLiteral("\\Task"));
    }
    SettingsStore::Close();
    EXPECT_FALSE(TSafeRegistry().KeyExists(QStringLiteral("\\Task")));
}
