#include <gtest/gtest.h>

#include <QSet>
#include <map>

#include "fixtures/TempHome.h"
#include "model/MainData.h"
#include "platform/HotKeys.h"
#include "platform/Volumes.h"
#include "settings/GlobalSettings.h"
#include "store/SafeRegistry.h"

namespace {

const QString kGroups = kProgramRoot + QStringLiteral("\\Groups");
const QString kTasks = kProgramRoot + QStringLiteral("\\Tasks");

class TFakeRunControl final : public TRunControl {
public:
    void RequestRun(TTask& task, bool manual) override {
        started.push_back(task.Name);
        lastManual = manual;
        task.IsRunning = true;
    }
    void RequestStop(TTask& task) override { stopped.push_back(task.Name); }
    void SetSuspended(TTask& task, bool value) override {
        suspended[task.ID] = value;
        ++suspendCalls;
    }
    bool IsSuspended(const TTask& task) const override {
        auto it = suspended.find(task.ID);
        return it != suspended.end() && it->second;
    }
    std::vector<QString> started, stopped;
    std::map<QString, bool> suspended;
    int suspendCalls = 0;
    bool lastManual = false;
};

// Grants each combination once, like a desktop where another grab holds it afterwards.
class TFakeHotKeys final : public THotKeyService {
public:
    bool Register(int number, quint16 key) override {
        if (taken.contains(key)) return false;
        taken.insert(key);
        numbers[number] = key;
        return true;
    }
    void Release(int number) override {
        auto it = numbers.find(number);
        if (it == numbers.end()) return;
        taken.remove(it->second);
        numbers.erase(it);
    }
    QSet<quint16> taken;
    std::map<int, quint16> numbers;
};

class TFakeHost final : public TMainDataHost {
public:
    void ShowError(const QString& text) override { errors.push_back(text); }
    bool Confirm(const QString&) override { return true; }
    void BringMainWindowToFront() override { ++broughtToFront; }
    std::vector<QString> errors;
    int broughtToFront = 0;
};

class MainData : public TarnovexTest {
protected:
    void SetUp() override { ResetGlobalSettings(); }

    TTask& AddTask(TMainData& data, const QString& name, const QString& group = QString()) {
        auto task = std::make_unique<TTask>();
        task->Name = name;
        task->BelongToGroup = group;
        return data.AddTask(std::move(task));
    }

    QStringList ValueNames(const QString& key) {
        TSafeRegistry reg;
        QStringList names;
        if (reg.OpenKeyReadOnly(key)) reg.GetValueNames(names);
        return names;
    }

    QStringList KeyNames(const QString& key) {
        TSafeRegistry reg;
        QStringList names;
        if (reg.OpenKeyReadOnly(key)) reg.GetKeyNames(names);
        return names;
    }
};

}  // namespace

TEST_F(MainData, OldGroupFormLoadsInListedOrderAndIsRewrittenIndexed) {
    {
        TSafeRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kGroups, true));
        reg.WriteString(QStringLiteral("Office"), QString());
        reg.WriteString(QStringLiteral("Home"), QString());
    }
    TMainData data;
    data.LoadAll();
    EXPECT_EQ(data.Groups, (QStringList{"Office", "Home"}));
    data.SaveAll();
    EXPECT_EQ(ValueNames(kGroups), (QStringList{"0", "1"}));
    EXPECT_EQ(TSafeRegistry::ReadStringAt(kGroups, QStringLiteral("0"), {}), QStringLiteral("Office"));
    EXPECT_EQ(TSafeRegistry::ReadStringAt(kGroups, QStringLiteral("1"), {}), QStringLiteral("Home"));
}

TEST_F(MainData, DeletingAGroupLeavesExactlyTheRemainingIndexedValues) {
    TMainData data;
    data.Groups = QStringList{"A", "B", "C"};
    data.SaveAll();
    data.DeleteGroup(QStringLiteral("B"));
    data.SaveAll();
    EXPECT_EQ(ValueNames(kGroups), (QStringList{"0", "1"}));
    TMainData reloaded;
    reloaded.LoadAll();
    EXPECT_EQ(reloaded.Groups, (QStringList{"A", "C"}));
}

TEST_F(MainData, DeletingAGroupMakesThePreviousOneCurrentOrAllTasks) {
    TMainData data;
    data.Groups = QStringList{"A", "B"};
    EXPECT_EQ(data.DeleteGroup(QStringLiteral("B")), QStringLiteral("A"));
    EXPECT_EQ(data.DeleteGroup(QStringLiteral("A")), QStringLiteral("All Tasks"));
    EXPECT_EQ(GlobalSettings().Main.CurrentGroup, QStringLiteral("All Tasks"));
}

TEST_F(MainData, TasksReloadInTheOrderOfTheirIdsAndDeletedTasksLeaveTheStore) {
    TMainData data;
    TTask& b = AddTask(data, "second");
    b.ID = QStringLiteral("BBBBBBBBBBBBBBBBBBBBB");
    TTask& a = AddTask(data, "first");
    a.ID = QStringLiteral("AAAAAAAAAAAAAAAAAAAAA");
    TTask& c = AddTask(data, "third");
    c.ID = QStringLiteral("CCCCCCCCCCCCCCCCCCCCC");
    data.SaveAll();

    TMainData reloaded;
    reloaded.LoadAll();
    ASSERT_EQ(reloaded.Tasks.Count(), 3);
    EXPECT_EQ(reloaded.Tasks[0].Name, QStringLiteral("first"));
    EXPECT_EQ(reloaded.Tasks[1].Name, QStringLiteral("second"));
    EXPECT_EQ(reloaded.Tasks[2].Name, QStringLiteral("third"));

    ASSERT_TRUE(reloaded.DeleteTask(reloaded.Tasks[1]));
    reloaded.SaveAll();
    EXPECT_EQ(KeyNames(kTasks), (QStringList{"AAAAAAAAAAAAAAAAAAAAA", "CCCCCCCCCCCCCCCCCCCCC"}));
}

TEST_F(MainData, ARunningTaskCannotBeDeleted) {
    TMainData data;
    TTask& task = AddTask(data, "busy");
    task.IsRunning = true;
    QString error;
    EXPECT_FALSE(data.DeleteTask(task, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("You can't delete running Task.")));
    EXPECT_EQ(data.Tasks.Count(), 1);
}

TEST_F(MainData, TasksWithoutOrWithClashingIdsKeepTheirOwnKeysOnTheNextSave) {
    {
        TSafeRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kTasks + QStringLiteral("\\K1"), true));
        reg.WriteString(QStringLiteral("Name"), QStringLiteral("no id"));
        ASSERT_TRUE(reg.OpenKey(kTasks + QStringLiteral("\\K2"), true));
        reg.WriteString(QStringLiteral("Name"), QStringLiteral("one"));
        reg.WriteString(QStringLiteral("ID"), QStringLiteral("SAME"));
        ASSERT_TRUE(reg.OpenKey(kTasks + QStringLiteral("\\K3"), true));
        reg.WriteString(QStringLiteral("Name"), QStringLiteral("two"));
        reg.WriteString(QStringLiteral("ID"), QStringLiteral("SAME"));
    }
    TMainData data;
    data.LoadAll();
    ASSERT_EQ(data.Tasks.Count(), 3);
    EXPECT_EQ(data.Tasks[0].ID, QStringLiteral("K1"));
    EXPECT_EQ(data.Tasks[1].ID, QStringLiteral("SAME"));
    EXPECT_NE(data.Tasks[2].ID, QStringLiteral("SAME"));
    data.SaveAll();

    TMainData reloaded;
    reloaded.LoadAll();
    QStringList names;
    for (const auto& task : reloaded.Tasks) names.append(task->Name);
    names.sort();
    EXPECT_EQ(names, (QStringList{"no id", "one", "two"}));
}

TEST_F(MainData, GroupRunsSelectAllTasksNamedGroupsOrTasksWithoutGroup) {
    TMainData data;
    TFakeRunControl control;
    data.RunControl = &control;
    AddTask(data, "free");
    AddTask(data, "office1", "Office");
    AddTask(data, "office2", "Office");
    TTask& running = AddTask(data, "home", "Home");
    running.IsRunning = true;

    data.RunGroup(QString(), false);
    EXPECT_EQ(control.started, (std::vector<QString>{"free"}));
    EXPECT_FALSE(control.lastManual);

    for (const auto& task : data.Tasks) task->IsRunning = false;
    running.IsRunning = true;
    control.started.clear();
    data.RunGroup(QStringLiteral("All Tasks"), true);
    EXPECT_EQ(control.started, (std::vector<QString>{"free", "office1", "office2"}));
    EXPECT_TRUE(control.lastManual);
    EXPECT_EQ(data.CountRunning(QStringLiteral("Office")), 2);
    EXPECT_EQ(data.CountTasks(QString()), 1);
    EXPECT_FALSE(data.HasIdleTask(QStringLiteral("All Tasks")));
}

TEST_F(MainData, RunByNameAndIdSkipRunningAndUnknownTasks) {
    TMainData data;
    TFakeRunControl control;
    data.RunControl = &control;
    TTask& a = AddTask(data, "same");
    AddTask(data, "same");
    a.IsRunning = true;
    data.RunByName(QStringLiteral("same"), false);
    EXPECT_EQ(control.started.size(), 1u);
    data.RunByName(QStringLiteral("SAME"), false);  // names compare exactly
    data.RunById(QStringLiteral("nope"), false);
    data.RunById(a.ID, false);  // already running
    EXPECT_EQ(control.started.size(), 1u);
}

TEST_F(MainData, PauseGroupOnlySuspendsRunningTasksAndNeverResumes) {
    TMainData data;
    TFakeRunControl control;
    data.RunControl = &control;
    TTask& a = AddTask(data, "a", "G");
    TTask& b = AddTask(data, "b", "G");
    data.PauseGroup(QStringLiteral("G"));
    EXPECT_EQ(control.suspendCalls, 0);
    a.IsRunning = b.IsRunning = true;
    data.PauseGroup(QStringLiteral("G"));
    data.PauseGroup(QStringLiteral("G"));
    EXPECT_EQ(control.suspendCalls, 2);
    EXPECT_TRUE(control.IsSuspended(a));
    EXPECT_TRUE(control.IsSuspended(b));

    GlobalSettings().Main.Suspend = false;
    data.ApplyGlobalSuspend();
    EXPECT_FALSE(control.IsSuspended(a));
}

TEST_F(MainData, TheFirstOfTwoTasksWithTheSameHotKeyGetsItAndTheSecondReportsFailure) {
    TMainData data;
    TFakeHotKeys keys;
    TFakeHost host;
    TFakeRunControl control;
    data.HotKeyService = &keys;
    data.Host = &host;
    data.RunControl = &control;
    TTask& first = AddTask(data, "first");
    TTask& second = AddTask(data, "second");
    first.HotKey = second.HotKey = kHotKeyCtrl | 0x41;
    first.HotKeyBringToFront = true;

    data.RegisterHotKeys();
    ASSERT_EQ(data.HotKeyCount, 1);
    EXPECT_EQ(data.HotKeys[0].ID, first.ID);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0], QStringLiteral("Hoy key registering failed!"));
    EXPECT_FALSE(data.CanRegisterHotKey(kHotKeyCtrl | 0x41));
    EXPECT_TRUE(data.CanRegisterHotKey(kHotKeyAlt | 0x42));

    // Registering again releases the earlier grabs first, so the result is the same.
    data.RegisterHotKeys();
    EXPECT_EQ(data.HotKeyCount, 1);

    EXPECT_TRUE(data.OnHotKey(0));
    EXPECT_EQ(control.started, (std::vector<QString>{"first"}));
    EXPECT_TRUE(control.lastManual);
    EXPECT_EQ(host.broughtToFront, 1);
    EXPECT_FALSE(data.OnHotKey(5));
}

TEST_F(MainData, AnExpiredErrorFlagIsClearedByTheFirstCheckAtOrAfterItsTime) {
    TMainData data;
    TTask& task = AddTask(data, "flagged");
    task.ErrorFlag = true;
    task.ErrorFlagTime = DateTime::Encode(2026, 3, 2, 10, 0, 0);
    DateTime::SetClock([] { return DateTime::Encode(2026, 3, 2, 10, 59, 59); });
    EXPECT_FALSE(data.ResetExpiredErrorFlags());
    EXPECT_TRUE(task.ErrorFlag);
    DateTime::SetClock([] { return DateTime::Encode(2026, 3, 2, 11, 0, 0); });
    EXPECT_TRUE(data.ResetExpiredErrorFlags());
    EXPECT_FALSE(task.ErrorFlag);
    EXPECT_EQ(task.ErrorFlagTime, 0.0);
}

TEST_F(MainData, DuplicateGetsANewIdTheDuplicateNameAndNoHotKey) {
    TMainData data;
    TTask& source = AddTask(data, "Photos", "Home");
    source.HotKey = kHotKeyCtrl | 0x50;
    source.DestLocal = QStringLiteral("/backup/photos");
    TSourceFolder folder;
    folder.Folder = QStringLiteral("/home/ann/Pictures");
    source.SourceFolders.push_back(folder);

    TTask& copy = data.DuplicateTask(source);
    EXPECT_EQ(data.Tasks.Count(), 2);
    EXPECT_NE(copy.ID, source.ID);
    EXPECT_EQ(copy.Name, QStringLiteral("Photos duplicate"));
    EXPECT_EQ(copy.HotKey, 0);
    EXPECT_EQ(copy.BelongToGroup, QStringLiteral("Home"));
    EXPECT_EQ(copy.DestLocal, QStringLiteral("/backup/photos"));
    ASSERT_EQ(copy.SourceFolders.size(), 1u);
    EXPECT_EQ(copy.SourceFolders[0].Folder, QStringLiteral("/home/ann/Pictures"));
    EXPECT_EQ(GlobalSettings().Main.CurrentProject, copy.ID);
}

TEST_F(MainData, RenamingAGroupMovesItsTasksAndRefusesExistingNames) {
    TMainData data;
    data.Groups = QStringList{"Office", "Home"};
    TTask& task = AddTask(data, "t", "Office");
    TTask& other = AddTask(data, "u", "office");
    QString error;
    EXPECT_FALSE(data.RenameGroup(QStringLiteral("Office"), QStringLiteral("Home"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Cannot rename \"Office\"")));
    EXPECT_TRUE(data.RenameGroup(QStringLiteral("Office"), QStringLiteral("Work")));
    EXPECT_EQ(data.Groups, (QStringList{"Work", "Home"}));
    EXPECT_EQ(task.BelongToGroup, QStringLiteral("Work"));
    EXPECT_EQ(other.BelongToGroup, QStringLiteral("office"));
    EXPECT_FALSE(data.CreateGroup(QStringLiteral("Home")));
    EXPECT_FALSE(data.CreateGroup(QStringLiteral("All Tasks")));
    EXPECT_TRUE(data.CreateGroup(QStringLiteral("home")));  // names are case-sensitive
}

TEST_F(MainData, MediaArrivalPassesLabelAndSerialToEveryTask) {
    class TFixedVolume final : public TVolumeInfoSource {
    public:
        bool Read(const QString&, TVolumeInfo& info) override {
            info.label = QStringLiteral("BACKUP");
            info.serial = QStringLiteral("1A2B3C4D");
            return true;
        }
    } volume;
    TMainData data;
    data.VolumeInfo = &volume;
    AddTask(data, "a");
    AddTask(data, "b");
    std::vector<QString> heard;
    data.MediaCheck = [&](TTask& task, const QString& drive, const QString& label, const QString& serial) {
        heard.push_back(task.Name + QLatin1Char('|') + drive + QLatin1Char('|') + label + QLatin1Char('|') + serial);
    };
    data.MediaArrived(QStringLiteral("/media/usb/"));
    EXPECT_EQ(heard, (std::vector<QString>{"a|/media/usb/|BACKUP|1A2B3C4D", "b|/media/usb/|BACKUP|1A2B3C4D"}));
}
