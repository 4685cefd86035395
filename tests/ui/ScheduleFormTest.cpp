#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>

#include "UiFixtures.h"
#include "schedule/ScheduleCaptions.h"
#include "settings/Language.h"
#include "ui/ScheduleItemEditor.h"
#include "ui/TaskPropertiesDialog.h"

namespace {

template <typename T = QWidget>
T* Child(QWidget* form, const char* name) {
    T* widget = form->findChild<T*>(QString::fromLatin1(name));
    if (!widget)
        ADD_FAILURE() << "no control " << name;
    return widget;
}

void Click(QWidget* form, const char* name) {
    auto* button = Child<QAbstractButton>(form, name);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
}

void Choose(QWidget* form, const char* name, int index) {
    Child<QComboBox>(form, name)->setCurrentIndex(index);
}

TDateTime TimeOfDay(int hour, int minute, int second) {
    return ((hour * 60 + minute) * 60 + second) * 1000 / DateTime::MsPerDay;
}

// An item whose every field differs from a new item's; some values are ones no control can show (a time
// with milliseconds or with a day part, numbers beyond the fields' range), which must survive as they are.
TTaskScheduleItem Distinct() {
    TTaskScheduleItem i;
    i.Enabled = false;
    i.Kind = TScheduleKind::skMonthly;
    i.MinutellyValue = 40000;
    i.HourlyValue = -3;
    i.DailyEveryNumDays = TEveryNumDays::ed3rd;
    i.DailyDays = {true, false, true, false, true, false, true};
    i.DailyUseStartTime = true;
    i.DailyStartTime = TimeOfDay(6, 5, 4) + 250 / DateTime::MsPerDay;
    i.WeeklyEveryNumWeek = TEveryNumWeeks::ew4th;
    i.WeeklyDays = {false, true, false, true, false, true, false};
    i.WeeklyUseStartTime = true;
    i.WeeklyStartTime = 1 + TimeOfDay(21, 0, 0);
    i.MonthlyKind = TMonthlyKind::mkWhichDay;
    i.MonthlyEveryNumDay = TMonthDayNum::nd22th;
    i.MonthlyWhichDayType = TWhichWeek::wwThird;
    i.MonthlyWhichDayWeek = TWhichWeekDay::wdThursday;
    i.MonthlyMonths = {true, false, true, false, true, false, true, false, true, false, true, false};
    i.MonthlyUseStartTime = true;
    i.MonthlyStartTime = TimeOfDay(23, 59, 59);
    i.AtSystemStartupWait = false;
    i.AtSystemStartupWaitSecValue = 15;
    i.AtProgramStartupWait = false;
    i.AtProgramStartupWaitSecValue = 45;
    i.SystemShutdownLimitExecTime = true;
    i.SystemShutdownMaxSec = 99;
    i.OnceRunDate = DateTime::Encode(2026, 7, 14, 10, 30);
    i.OnceUseStartTime = true;
    i.OnceStartTime = TimeOfDay(12, 0, 0);
    return i;
}

class ScheduleFormTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        SetScheduleItemCaption(GetStrCaption);
        CaptionNames::Set(
            {{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"},
             {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"},
             {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"}});
    }
    void TearDown() override {
        SetScheduleItemCaption(nullptr);
        CaptionNames::ResetToSystem();
        UnloadLanguageFile();
        UiTest::TearDown();
    }
    std::unique_ptr<TScheduleForm> Open(TTaskScheduleItem& item, TScheduleKind kind) {
        auto form = std::make_unique<TScheduleForm>(item);
        form->show();
        Choose(form.get(), "KindCombo", static_cast<int>(kind));
        return form;
    }
    static void WaitForRefresh() { QTest::qWait(TScheduleForm::kRefreshMs * 3); }
};

// One user action on a panel: a click on a box or radio button, the entry of a list, a number typed, a
// time (seconds of the day) or a date (yyyymmdd) set.
struct TStep {
    TScheduleKind kind;
    const char* control;
    int value = 0;
};

void Apply(QWidget* form, const std::vector<TStep>& steps) {
    for (const TStep& step : steps) {
        Choose(form, "KindCombo", static_cast<int>(step.kind));
        QWidget* control = Child(form, step.control);
        if (auto* combo = qobject_cast<QComboBox*>(control)) {
            combo->setCurrentIndex(step.value);
        } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
            spin->setFocus();
            spin->selectAll();
            QTest::keyClicks(spin, QString::number(step.value));
        } else if (auto* time = qobject_cast<QTimeEdit*>(control)) {
            time->setTime(QTime::fromMSecsSinceStartOfDay(step.value * 1000));
        } else if (auto* date = qobject_cast<QDateEdit*>(control)) {
            date->setDate(QDate(step.value / 10000, step.value / 100 % 100, step.value % 100));
        } else {
            Click(form, step.control);
        }
    }
}

// Every control of every panel changed, Once chosen last.
const std::vector<TStep>& EditEveryPanel() {
    using enum TScheduleKind;
    static const std::vector<TStep> steps = {{skHourly, "EnabledCheck"},
                                             {skMinutelly, "MinutesSpin", 45},
                                             {skHourly, "HoursSpin", 7},
                                             {skDaily, "DailyEveryCombo", 4},
                                             {skDaily, "DailyMondayCheck"},
                                             {skDaily, "DailySaturdayCheck"},
                                             {skDaily, "DailyTimeEdit", 7 * 3600 + 30 * 60},
                                             {skDaily, "DailyTimeCheck"},
                                             {skWeekly, "WeeklyEveryCombo", 9},
                                             {skWeekly, "WeeklySundayCheck"},
                                             {skWeekly, "WeeklyTimeEdit", 5 * 3600},
                                             {skMonthly, "MonthlyWhichCombo", 4},
                                             {skMonthly, "MonthlyWeekdayCombo", 5},
                                             {skMonthly, "MonthlyDayRadio"},
                                             {skMonthly, "MonthlyDayCombo", 30},
                                             {skMonthly, "MonthlyFebruaryCheck"},
                                             {skMonthly, "MonthlyDecemberCheck"},
                                             {skMonthly, "MonthlyTimeEdit", 4 * 3600},
                                             {skMonthly, "MonthlyTimeCheck"},
                                             {skAtSystemStartup, "SystemStartupCheck"},
                                             {skAtSystemStartup, "SystemStartupSpin", 120},
                                             {skAtProgramStartup, "ProgramStartupCheck"},
                                             {skAtProgramStartup, "ProgramStartupSpin", 5},
                                             {skAtSystemShutdown, "ShutdownSpin", 250},
                                             {skAtSystemShutdown, "ShutdownCheck"},
                                             {skOnce, "OnceDateEdit", 20270228},
                                             {skOnce, "OnceTimeEdit", 18 * 3600 + 45 * 60}};
    return steps;
}

// Distinct() after EditEveryPanel().
TTaskScheduleItem Edited() {
    TTaskScheduleItem i = Distinct();
    i.Enabled = true;
    i.Kind = TScheduleKind::skOnce;
    i.MinutellyValue = 45;
    i.HourlyValue = 7;
    i.DailyEveryNumDays = TEveryNumDays::ed5th;
    i.DailyDays = {false, false, true, false, true, true, true};
    i.DailyStartTime = TimeOfDay(7, 30, 0);
    i.DailyUseStartTime = false;
    i.WeeklyEveryNumWeek = TEveryNumWeeks::ew10th;
    i.WeeklyDays[6] = true;
    i.WeeklyStartTime = 1 + TimeOfDay(5, 0, 0);  // the day part stays
    i.MonthlyWhichDayType = TWhichWeek::wwLast;
    i.MonthlyWhichDayWeek = TWhichWeekDay::wdSaturday;
    i.MonthlyKind = TMonthlyKind::mkEveryDay;
    i.MonthlyEveryNumDay = TMonthDayNum::nd31th;
    i.MonthlyMonths[1] = i.MonthlyMonths[11] = true;
    i.MonthlyStartTime = TimeOfDay(4, 0, 0);
    i.MonthlyUseStartTime = false;
    i.AtSystemStartupWait = i.AtProgramStartupWait = true;
    i.AtSystemStartupWaitSecValue = 120;
    i.AtProgramStartupWaitSecValue = 5;
    i.SystemShutdownMaxSec = 250;
    i.SystemShutdownLimitExecTime = false;
    i.OnceRunDate = DateTime::Encode(2027, 2, 28);
    i.OnceStartTime = TimeOfDay(18, 45, 0);
    return i;
}

}  // namespace

TEST_F(ScheduleFormTest, OpeningAndOkWithoutChangesLeavesEveryFieldAsItWas) {
    for (int kind = 0; kind <= static_cast<int>(TScheduleKind::skOnce); ++kind) {
        for (TTaskScheduleItem before : {Distinct(), TTaskScheduleItem()}) {
            SCOPED_TRACE(kind);
            before.Kind = static_cast<TScheduleKind>(kind);
            TTaskScheduleItem item = before;
            auto form = Open(item, before.Kind);
            WaitForRefresh();
            EXPECT_EQ(item, before);
            Click(form.get(), "OkButton");
            ASSERT_EQ(form->result(), QDialog::Accepted);
            EXPECT_EQ(item, before);
        }
    }
    // A new item's shutdown limit of 180 seconds is shown as it is, not cut to a smaller bound.
    TTaskScheduleItem fresh;
    auto form = Open(fresh, TScheduleKind::skAtSystemShutdown);
    EXPECT_EQ(Child<QSpinBox>(form.get(), "ShutdownSpin")->value(), 180);
}

TEST_F(ScheduleFormTest, EveryControlWritesItsFieldAndCancelPutsEverythingBack) {
    // The item follows the dialog while it is open; Escape puts back every field.
    TTaskScheduleItem item = Distinct();
    auto form = Open(item, item.Kind);
    Apply(form.get(), EditEveryPanel());
    WaitForRefresh();
    EXPECT_EQ(item, Edited());
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_EQ(form->result(), QDialog::Rejected);
    EXPECT_EQ(item, Distinct());

    // Enter in the field just typed into, right away: OK takes the controls before the timer has run.
    form = Open(item, item.Kind);
    Apply(form.get(), EditEveryPanel());
    Child(form.get(), "OnceTimeEdit")->setFocus();
    ASSERT_EQ(form->focusWidget(), Child(form.get(), "OnceTimeEdit"));
    QTest::keyClick(form->focusWidget(), Qt::Key_Return);
    ASSERT_EQ(form->result(), QDialog::Accepted);
    EXPECT_EQ(item, Edited());
}

TEST_F(ScheduleFormTest, TheCaptionLineFollowsTheControlsAndOnlyTheChosenPanelShows) {
    TTaskScheduleItem item;
    auto form = Open(item, TScheduleKind::skHourly);
    auto* caption = Child<QLineEdit>(form.get(), "CaptionEdit");
    EXPECT_TRUE(caption->isReadOnly());
    EXPECT_EQ(form->CaptionText(), QStringLiteral("Run every 2 hour(s)."));

    Choose(form.get(), "KindCombo", static_cast<int>(TScheduleKind::skWeekly));
    EXPECT_FALSE(Child(form.get(), "HoursSpin")->isVisible());
    EXPECT_TRUE(Child(form.get(), "WeeklyEveryCombo")->isVisible());
    Choose(form.get(), "WeeklyEveryCombo", 1);
    for (const char* day : {"WeeklyTuesdayCheck", "WeeklyWednesdayCheck", "WeeklyThursdayCheck",
                            "WeeklySaturdayCheck", "WeeklySundayCheck"})
        Click(form.get(), day);
    Click(form.get(), "WeeklyTimeCheck");
    WaitForRefresh();
    EXPECT_EQ(caption->text(), QStringLiteral("Run every 2-nd week on Mon, Fri; starting at 09:00:00."));
}

TEST_F(ScheduleFormTest, FieldsAreEnabledOnlyWhileTheirChoiceIsMade) {
    const struct {
        TScheduleKind kind;
        const char* box;
        const char* field;
    } rows[] = {{TScheduleKind::skDaily, "DailyTimeCheck", "DailyTimeEdit"},
                {TScheduleKind::skWeekly, "WeeklyTimeCheck", "WeeklyTimeEdit"},
                {TScheduleKind::skMonthly, "MonthlyTimeCheck", "MonthlyTimeEdit"},
                {TScheduleKind::skOnce, "OnceTimeCheck", "OnceTimeEdit"},
                {TScheduleKind::skAtSystemStartup, "SystemStartupCheck", "SystemStartupSpin"},
                {TScheduleKind::skAtProgramStartup, "ProgramStartupCheck", "ProgramStartupSpin"},
                {TScheduleKind::skAtSystemShutdown, "ShutdownCheck", "ShutdownSpin"}};
    TTaskScheduleItem item;
    auto form = Open(item, TScheduleKind::skDaily);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.box);
        Choose(form.get(), "KindCombo", static_cast<int>(row.kind));
        auto* box = Child<QCheckBox>(form.get(), row.box);
        auto* field = Child(form.get(), row.field);
        for (int click = 0; click < 2; ++click) {
            EXPECT_EQ(field->isEnabled(), box->isChecked());
            Click(form.get(), row.box);
        }
    }
    Choose(form.get(), "KindCombo", static_cast<int>(TScheduleKind::skMonthly));
    EXPECT_TRUE(Child(form.get(), "MonthlyDayCombo")->isEnabled());
    EXPECT_FALSE(Child(form.get(), "MonthlyWhichCombo")->isEnabled());
    EXPECT_FALSE(Child(form.get(), "MonthlyWeekdayCombo")->isEnabled());
    Click(form.get(), "MonthlyWhichRadio");
    EXPECT_FALSE(Child(form.get(), "MonthlyDayCombo")->isEnabled());
    EXPECT_TRUE(Child(form.get(), "MonthlyWhichCombo")->isEnabled());
    EXPECT_TRUE(Child(form.get(), "MonthlyWeekdayCombo")->isEnabled());
}

TEST_F(ScheduleFormTest, TheKeyboardReachesEveryControlInVisualOrder) {
    TTaskScheduleItem item;
    auto form = Open(item, TScheduleKind::skMonthly);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    Child(form.get(), "KindCombo")->setFocus();
    QStringList walked;
    for (int step = 0; step < 19; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walked.append(QApplication::focusWidget()->objectName());
    }
    // Tab passes by what is off (the weekday choice, the start time) and the radio button not chosen,
    // which the arrow keys reach.
    EXPECT_EQ(walked, QStringList({"EnabledCheck", "MonthlyDayRadio", "MonthlyDayCombo",
                                   "MonthlyJanuaryCheck", "MonthlyFebruaryCheck", "MonthlyMarchCheck",
                                   "MonthlyAprilCheck", "MonthlyMayCheck", "MonthlyJuneCheck",
                                   "MonthlyJulyCheck", "MonthlyAugustCheck", "MonthlySeptemberCheck",
                                   "MonthlyOctoberCheck", "MonthlyNovemberCheck", "MonthlyDecemberCheck",
                                   "MonthlyTimeCheck", "OkButton", "CancelButton", "HelpButton"}));
    // Mnemonics: Alt+S ticks the start time, Alt+K goes to the kind list.
    QTest::keyClick(form.get(), Qt::Key_S, Qt::AltModifier);
    QTest::qWait(200);  // a mnemonic clicks the way a user does, with a short press
    EXPECT_TRUE(Child<QCheckBox>(form.get(), "MonthlyTimeCheck")->isChecked());
    EXPECT_TRUE(Child(form.get(), "MonthlyTimeEdit")->isEnabled());
    QTest::keyClick(form.get(), Qt::Key_K, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), Child(form.get(), "KindCombo"));
    Child(form.get(), "MonthlyDayRadio")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_TRUE(Child<QAbstractButton>(form.get(), "MonthlyWhichRadio")->isChecked());
    EXPECT_TRUE(Child(form.get(), "MonthlyWeekdayCombo")->isEnabled());
    // Alt+Down opens the calendar of the date, as it opens a drop-down list.
    Choose(form.get(), "KindCombo", static_cast<int>(TScheduleKind::skOnce));
    auto* date = Child(form.get(), "OnceDateEdit");
    date->setFocus();
    QTest::keyClick(date, Qt::Key_Down, Qt::AltModifier);
    auto* calendar = date->findChild<QCalendarWidget*>();
    ASSERT_NE(calendar, nullptr);
    EXPECT_TRUE(calendar->isVisible());
}

TEST_F(ScheduleFormTest, TheEditorFollowsTheLocaleFormatsAndTheLanguageFile) {
    LocaleFormats::Set({QStringLiteral("M/d/yy"), QStringLiteral("h:mm:ss AP t")});
    ASSERT_TRUE(LoadLanguageFile(QStringLiteral("German.lng")));
    TTaskScheduleItem item;
    item.OnceRunDate = DateTime::Encode(2031, 3, 9);
    auto form = Open(item, TScheduleKind::skOnce);
    // A two-digit year is shown whole, so that the field can show and take any century.
    auto* date = Child<QDateEdit>(form.get(), "OnceDateEdit");
    EXPECT_TRUE(date->calendarPopup());
    EXPECT_EQ(date->text(), QStringLiteral("3/9/2031"));
    EXPECT_EQ(Child<QTimeEdit>(form.get(), "OnceTimeEdit")->text(), QStringLiteral("9:00:00 AM"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Zeitplan-Eigenschaften"));
    EXPECT_EQ(Child<QComboBox>(form.get(), "KindCombo")->itemText(8), QStringLiteral("Einmalig"));
    EXPECT_EQ(Child<QCheckBox>(form.get(), "OnceTimeCheck")->text(), QStringLiteral("&Uhrzeit:"));
    WaitForRefresh();
    EXPECT_EQ(form->CaptionText(), QStringLiteral("Einmal ausführen am: 3/9/31."));
}
