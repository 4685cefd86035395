#include "ui/TaskCaptions.h"

#include <gtest/gtest.h>

#include "fixtures/TempHome.h"
#include "model/Task.h"
#include "platform/LocaleFormats.h"

#include <map>

namespace {

class TaskCaptions : public TarnovexTest {
protected:
    void SetUp() override { LocaleFormats::Set({QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm:ss")}); }
    void TearDown() override {
        LocaleFormats::ResetToSystem();
        TarnovexTest::TearDown();
    }
    static TTaskScheduleItem Item(TScheduleKind kind, bool enabled = true) {
        TTaskScheduleItem item;
        item.Kind = kind;
        item.Enabled = enabled;
        return item;
    }
    // Next runs looked up by the item's hourly value, so each item of a test can name its own time.
    static TNextRunFunction ByHourlyValue(std::map<int, TDateTime> times) {
        return [times](const TTask&, const TTaskScheduleItem& item) {
            const auto it = times.find(item.HourlyValue);
            return it == times.end() ? DateTime::NoTimeValue : it->second;
        };
    }
};

TEST_F(TaskCaptions, LastRunIsNeverUntilTheTaskRan) {
    TTask task;
    task.LastRun = 0;
    EXPECT_EQ(LastRunCaption(task), QStringLiteral("Never"));
    task.LastRun = DateTime::Encode(2026, 12, 12, 9, 5, 7);
    EXPECT_EQ(LastRunCaption(task), QStringLiteral("12.12.2026 09:05:07"));
}

TEST_F(TaskCaptions, NextRunTakesTheEarliestTimeAndAppendsStartupItems) {
    TTask task;
    TTaskScheduleItem late = Item(TScheduleKind::skHourly);
    late.HourlyValue = 1;
    TTaskScheduleItem early = Item(TScheduleKind::skHourly);
    early.HourlyValue = 2;
    TTaskScheduleItem disabledEarlier = Item(TScheduleKind::skHourly, false);
    disabledEarlier.HourlyValue = 3;
    task.Schedule = {late, Item(TScheduleKind::skAtSystemStartup), early, disabledEarlier,
                     Item(TScheduleKind::skAtSystemShutdown)};
    const auto next = ByHourlyValue({{1, DateTime::Encode(2026, 12, 13, 9)},
                                     {2, DateTime::Encode(2026, 12, 12, 22)},
                                     {3, DateTime::Encode(2026, 12, 1)}});
    EXPECT_EQ(NextRunCaption(task, next),
              QStringLiteral("12.12.2026 22:00:00, at system startup, at system shutdown"));
}

TEST_F(TaskCaptions, NextRunWithoutTimesCapitalisesTheFirstStartupItem) {
    TTask task;
    task.Schedule = {Item(TScheduleKind::skAtProgramStartup), Item(TScheduleKind::skAtProgramStartup)};
    EXPECT_EQ(NextRunCaption(task, {}), QStringLiteral("At program startup, at program startup"));
}

TEST_F(TaskCaptions, NextRunOfItemsWithoutAnyTimeIsUndefined) {
    TTask task;
    task.Schedule = {Item(TScheduleKind::skHourly, false)};
    EXPECT_EQ(NextRunCaption(task, ByHourlyValue({})), QStringLiteral("undefined"));
}

TEST_F(TaskCaptions, TriggersReplaceTheQuestionMarkOrFollowTheSchedule) {
    TTask task;
    EXPECT_EQ(NextRunText(task, {}), QStringLiteral("Manually"));
    task.SmartDetectUse = true;
    task.HotKey = 0x4041;
    EXPECT_EQ(NextRunText(task, {}), QStringLiteral("On media detection, On Hot Key"));
    task.FolderMonitor_Use = true;
    task.Schedule = {Item(TScheduleKind::skAtProgramStartup)};
    EXPECT_EQ(
        NextRunText(task, {}),
        QStringLiteral("At program startup, On folder contents change, On media detection, On Hot Key"));
}

}  // namespace
