#include "ui/ScheduleItemEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <cmath>

namespace {

const QDate kDayZero(1899, 12, 30);

QTime TimeOf(TDateTime value) {
    const double fraction = value - std::floor(value);
    return QTime(0, 0).addSecs(static_cast<int>(std::lround(fraction * 86400.0)) % 86400);
}

TDateTime FromTime(const QTime& time) {
    return time.msecsSinceStartOfDay() / 86400000.0;
}

QDate DateOf(TDateTime value) {
    return kDayZero.addDays(static_cast<qint64>(std::floor(value)));
}

TDateTime FromDate(const QDate& date) {
    return static_cast<TDateTime>(kDayZero.daysTo(date));
}

// A start-time row: a check box that switches the time field.
struct TStartTime {
    QCheckBox* use;
    QTimeEdit* time;
    QWidget* row;
};

TStartTime MakeStartTime(const char* name, bool use, TDateTime value) {
    TStartTime start;
    start.use = new QCheckBox(QStringLiteral("Starting at"));
    start.use->setObjectName(QString::fromLatin1(name) + QStringLiteral("UseStart"));
    start.use->setChecked(use);
    start.time = new QTimeEdit(TimeOf(value));
    start.time->setObjectName(QString::fromLatin1(name) + QStringLiteral("Start"));
    start.time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    start.time->setEnabled(use);
    QObject::connect(start.use, &QCheckBox::toggled, start.time, &QWidget::setEnabled);
    start.row = new QWidget;
    auto* layout = new QHBoxLayout(start.row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(start.use);
    layout->addWidget(start.time);
    layout->addStretch();
    return start;
}

template <size_t N>
std::array<QCheckBox*, N> MakeChecks(const std::array<const char*, N>& names,
                                     const std::array<bool, N>& values, const char* prefix, QWidget* holder,
                                     int columns) {
    std::array<QCheckBox*, N> boxes{};
    auto* grid = new QGridLayout(holder);
    grid->setContentsMargins(0, 0, 0, 0);
    for (size_t i = 0; i < N; ++i) {
        boxes[i] = new QCheckBox(QString::fromLatin1(names[i]));
        boxes[i]->setObjectName(QString::fromLatin1(prefix) + QString::number(i));
        boxes[i]->setChecked(values[i]);
        grid->addWidget(boxes[i], static_cast<int>(i) / columns, static_cast<int>(i) % columns);
    }
    return boxes;
}

template <size_t N>
void ReadChecks(const std::array<QCheckBox*, N>& boxes, std::array<bool, N>& values) {
    for (size_t i = 0; i < N; ++i)
        values[i] = boxes[i]->isChecked();
}

QSpinBox* MakeSpin(const char* name, int min, int max, int value) {
    auto* spin = new QSpinBox;
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(min, max);
    spin->setValue(value);
    spin->setMaximumWidth(120);
    return spin;
}

}  // namespace

bool EditScheduleItem(QWidget* parent, TTaskScheduleItem& item) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("ScheduleItemEditor"));
    dialog.setWindowTitle(QStringLiteral("Schedule Properties"));
    auto* layout = new QVBoxLayout(&dialog);

    auto* kind = new QComboBox;
    kind->setObjectName(QStringLiteral("scheduleKind"));
    kind->addItems({QStringLiteral("Every n minutes"), QStringLiteral("Every n hours"),
                    QStringLiteral("Daily"), QStringLiteral("Weekly"), QStringLiteral("Monthly"),
                    QStringLiteral("At system start-up"), QStringLiteral("At program start-up"),
                    QStringLiteral("At system shutdown"), QStringLiteral("Once")});
    kind->setCurrentIndex(static_cast<int>(item.Kind));
    auto* enabled = new QCheckBox(QStringLiteral("Enabled"));
    enabled->setObjectName(QStringLiteral("scheduleEnabled"));
    enabled->setChecked(item.Enabled);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Run:")));
    top->addWidget(kind, 1);
    top->addWidget(enabled);
    layout->addLayout(top);

    auto* panels = new QStackedWidget;
    layout->addWidget(panels, 1);
    auto addPanel = [panels] {
        auto* panel = new QWidget;
        auto* form = new QFormLayout(panel);
        panels->addWidget(panel);
        return form;
    };

    // Minutes and hours
    QSpinBox* minutes = MakeSpin("minutes", 1, 32767, item.MinutellyValue);
    addPanel()->addRow(QStringLiteral("Every (minutes):"), minutes);
    QSpinBox* hours = MakeSpin("hours", 1, 32767, item.HourlyValue);
    addPanel()->addRow(QStringLiteral("Every (hours):"), hours);

    // Daily
    QFormLayout* daily = addPanel();
    QSpinBox* everyDays = MakeSpin("everyDays", 1, 14, static_cast<int>(item.DailyEveryNumDays) + 1);
    daily->addRow(QStringLiteral("Every (days):"), everyDays);
    auto* dailyHolder = new QWidget;
    auto dailyDays = MakeChecks(kScheduleWeekDayNames, item.DailyDays, "dailyDay", dailyHolder, 4);
    daily->addRow(QStringLiteral("On:"), dailyHolder);
    TStartTime dailyStart = MakeStartTime("daily", item.DailyUseStartTime, item.DailyStartTime);
    daily->addRow(QString(), dailyStart.row);

    // Weekly
    QFormLayout* weekly = addPanel();
    QSpinBox* everyWeeks = MakeSpin("everyWeeks", 1, 10, static_cast<int>(item.WeeklyEveryNumWeek) + 1);
    weekly->addRow(QStringLiteral("Every (weeks):"), everyWeeks);
    auto* weeklyHolder = new QWidget;
    auto weeklyDays = MakeChecks(kScheduleWeekDayNames, item.WeeklyDays, "weeklyDay", weeklyHolder, 4);
    weekly->addRow(QStringLiteral("On:"), weeklyHolder);
    TStartTime weeklyStart = MakeStartTime("weekly", item.WeeklyUseStartTime, item.WeeklyStartTime);
    weekly->addRow(QString(), weeklyStart.row);

    // Monthly (the day choice keeps its stored values)
    QFormLayout* monthly = addPanel();
    auto* monthsHolder = new QWidget;
    auto months = MakeChecks(kScheduleMonthNames, item.MonthlyMonths, "month", monthsHolder, 4);
    monthly->addRow(QStringLiteral("In:"), monthsHolder);
    TStartTime monthlyStart = MakeStartTime("monthly", item.MonthlyUseStartTime, item.MonthlyStartTime);
    monthly->addRow(QString(), monthlyStart.row);

    // System start-up, program start-up, shutdown
    QFormLayout* systemStart = addPanel();
    auto* systemWait = new QCheckBox(QStringLiteral("Wait before the run (seconds):"));
    systemWait->setChecked(item.AtSystemStartupWait);
    QSpinBox* systemWaitSec = MakeSpin("systemWaitSec", 0, 32767, item.AtSystemStartupWaitSecValue);
    systemStart->addRow(systemWait, systemWaitSec);
    QFormLayout* programStart = addPanel();
    auto* programWait = new QCheckBox(QStringLiteral("Wait before the run (seconds):"));
    programWait->setChecked(item.AtProgramStartupWait);
    QSpinBox* programWaitSec = MakeSpin("programWaitSec", 0, 32767, item.AtProgramStartupWaitSecValue);
    programStart->addRow(programWait, programWaitSec);
    QFormLayout* shutdown = addPanel();
    auto* limit = new QCheckBox(QStringLiteral("Limit the run to (seconds):"));
    limit->setChecked(item.SystemShutdownLimitExecTime);
    QSpinBox* limitSec = MakeSpin("shutdownMaxSec", 1, 32767, item.SystemShutdownMaxSec);
    shutdown->addRow(limit, limitSec);

    // Once
    QFormLayout* once = addPanel();
    auto* onceDate = new QDateEdit(DateOf(item.OnceRunDate));
    onceDate->setObjectName(QStringLiteral("onceDate"));
    onceDate->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    onceDate->setCalendarPopup(true);
    once->addRow(QStringLiteral("On:"), onceDate);
    TStartTime onceStart = MakeStartTime("once", item.OnceUseStartTime, item.OnceStartTime);
    once->addRow(QString(), onceStart.row);

    panels->setCurrentIndex(kind->currentIndex());
    QObject::connect(kind, &QComboBox::currentIndexChanged, panels, &QStackedWidget::setCurrentIndex);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;

    item.Kind = static_cast<TScheduleKind>(kind->currentIndex());
    item.Enabled = enabled->isChecked();
    item.MinutellyValue = minutes->value();
    item.HourlyValue = hours->value();
    item.DailyEveryNumDays = static_cast<TEveryNumDays>(everyDays->value() - 1);
    ReadChecks(dailyDays, item.DailyDays);
    item.DailyUseStartTime = dailyStart.use->isChecked();
    item.DailyStartTime = FromTime(dailyStart.time->time());
    item.WeeklyEveryNumWeek = static_cast<TEveryNumWeeks>(everyWeeks->value() - 1);
    ReadChecks(weeklyDays, item.WeeklyDays);
    item.WeeklyUseStartTime = weeklyStart.use->isChecked();
    item.WeeklyStartTime = FromTime(weeklyStart.time->time());
    ReadChecks(months, item.MonthlyMonths);
    item.MonthlyUseStartTime = monthlyStart.use->isChecked();
    item.MonthlyStartTime = FromTime(monthlyStart.time->time());
    item.AtSystemStartupWait = systemWait->isChecked();
    item.AtSystemStartupWaitSecValue = systemWaitSec->value();
    item.AtProgramStartupWait = programWait->isChecked();
    item.AtProgramStartupWaitSecValue = programWaitSec->value();
    item.SystemShutdownLimitExecTime = limit->isChecked();
    item.SystemShutdownMaxSec = limitSec->value();
    item.OnceRunDate = FromDate(onceDate->date());
    item.OnceUseStartTime = onceStart.use->isChecked();
    item.OnceStartTime = FromTime(onceStart.time->time());
    return true;
}
