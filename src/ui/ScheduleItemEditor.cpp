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
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <cmath>

#include "ui/TranslateForm.h"

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

// A row label with the stable name the language files know it by.
QLabel* RowLabel(const char* text, const char* name) {
    auto* label = new QLabel(QString::fromUtf8(text));
    label->setObjectName(QString::fromLatin1(name));
    return label;
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
    dialog.setObjectName(QStringLiteral("ScheduleForm"));
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
    top->addWidget(RowLabel("Run:", "RunLabel"));
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
    addPanel()->addRow(RowLabel("Every (minutes):", "MinutesLabel"), minutes);
    QSpinBox* hours = MakeSpin("hours", 1, 32767, item.HourlyValue);
    addPanel()->addRow(RowLabel("Every (hours):", "HoursLabel"), hours);

    // Daily
    QFormLayout* daily = addPanel();
    QSpinBox* everyDays = MakeSpin("everyDays", 1, 14, static_cast<int>(item.DailyEveryNumDays) + 1);
    daily->addRow(RowLabel("Every (days):", "EveryDaysLabel"), everyDays);
    auto* dailyHolder = new QWidget;
    auto dailyDays = MakeChecks(kScheduleWeekDayNames, item.DailyDays, "dailyDay", dailyHolder, 4);
    daily->addRow(RowLabel("On:", "DailyOnLabel"), dailyHolder);
    TStartTime dailyStart = MakeStartTime("daily", item.DailyUseStartTime, item.DailyStartTime);
    daily->addRow(QString(), dailyStart.row);

    // Weekly
    QFormLayout* weekly = addPanel();
    QSpinBox* everyWeeks = MakeSpin("everyWeeks", 1, 10, static_cast<int>(item.WeeklyEveryNumWeek) + 1);
    weekly->addRow(RowLabel("Every (weeks):", "EveryWeeksLabel"), everyWeeks);
    auto* weeklyHolder = new QWidget;
    auto weeklyDays = MakeChecks(kScheduleWeekDayNames, item.WeeklyDays, "weeklyDay", weeklyHolder, 4);
    weekly->addRow(RowLabel("On:", "WeeklyOnLabel"), weeklyHolder);
    TStartTime weeklyStart = MakeStartTime("weekly", item.WeeklyUseStartTime, item.WeeklyStartTime);
    weekly->addRow(QString(), weeklyStart.row);

    // Monthly (the day choice keeps its stored values)
    QFormLayout* monthly = addPanel();
    auto* monthsHolder = new QWidget;
    auto months = MakeChecks(kScheduleMonthNames, item.MonthlyMonths, "month", monthsHolder, 4);
    monthly->addRow(RowLabel("In:", "MonthsLabel"), monthsHolder);
    TStartTime monthlyStart = MakeStartTime("monthly", item.MonthlyUseStartTime, item.MonthlyStartTime);
    monthly->addRow(QString(), monthlyStart.row);

    // System start-up, program start-up, shutdown
    QFormLayout* systemStart = addPanel();
    auto* systemWait = new QCheckBox(QStringLiteral("Wait before the run (seconds):"));
    systemWait->setObjectName(QStringLiteral("systemWait"));
    systemWait->setChecked(item.AtSystemStartupWait);
    QSpinBox* systemWaitSec = MakeSpin("systemWaitSec", 0, 32767, item.AtSystemStartupWaitSecValue);
    systemStart->addRow(systemWait, systemWaitSec);
    QFormLayout* programStart = addPanel();
    auto* programWait = new QCheckBox(QStringLiteral("Wait before the run (seconds):"));
    programWait->setObjectName(QStringLiteral("programWait"));
    programWait->setChecked(item.AtProgramStartupWait);
    QSpinBox* programWaitSec = MakeSpin("programWaitSec", 0, 32767, item.AtProgramStartupWaitSecValue);
    programStart->addRow(programWait, programWaitSec);
    QFormLayout* shutdown = addPanel();
    auto* limit = new QCheckBox(QStringLiteral("Limit the run to (seconds):"));
    limit->setObjectName(QStringLiteral("shutdownLimit"));
    limit->setChecked(item.SystemShutdownLimitExecTime);
    QSpinBox* limitSec = MakeSpin("shutdownMaxSec", 1, 32767, item.SystemShutdownMaxSec);
    shutdown->addRow(limit, limitSec);

    // Once
    QFormLayout* once = addPanel();
    auto* onceDate = new QDateEdit(DateOf(item.OnceRunDate));
    onceDate->setObjectName(QStringLiteral("onceDate"));
    onceDate->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    onceDate->setCalendarPopup(true);
    once->addRow(RowLabel("On:", "OnceOnLabel"), onceDate);
    TStartTime onceStart = MakeStartTime("once", item.OnceUseStartTime, item.OnceStartTime);
    once->addRow(QString(), onceStart.row);

    panels->setCurrentIndex(kind->currentIndex());
    QObject::connect(kind, &QComboBox::currentIndexChanged, panels, &QStackedWidget::setCurrentIndex);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->setObjectName(QStringLiteral("buttons"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OkButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelButton"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    TranslateForm(&dialog);
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
