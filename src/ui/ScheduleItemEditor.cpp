#include "ui/ScheduleItemEditor.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimeEdit>
#include <QUrl>
#include <QVBoxLayout>
#include <cmath>

#include "platform/LocaleFormats.h"
#include "platform/Paths.h"
#include "ui/FieldControls.h"
#include "ui/TaskPropertiesDialog.h"
#include "ui/TranslateForm.h"

using namespace FieldControls;

namespace {

// The intervals, the start-up waits and the shutdown limit all take 0 ... 32767. The shutdown limit
// is not held to a smaller bound: its default of 180 seconds must be shown as it is.
constexpr int kMaxValue = 32767;

// Captions (with their mnemonics) and the name part of the day and month boxes, Monday and January first.
constexpr std::array<std::array<const char*, 2>, 7> kDayBoxes = {{{"&Monday", "Monday"},
                                                                  {"&Tuesday", "Tuesday"},
                                                                  {"&Wednesday", "Wednesday"},
                                                                  {"Thu&rsday", "Thursday"},
                                                                  {"&Friday", "Friday"},
                                                                  {"S&aturday", "Saturday"},
                                                                  {"S&unday", "Sunday"}}};
constexpr std::array<std::array<const char*, 2>, 12> kMonthBoxes = {{{"&January", "January"},
                                                                     {"&February", "February"},
                                                                     {"&March", "March"},
                                                                     {"&April", "April"},
                                                                     {"Ma&y", "May"},
                                                                     {"J&une", "June"},
                                                                     {"Ju&ly", "July"},
                                                                     {"Au&gust", "August"},
                                                                     {"Se&ptember", "September"},
                                                                     {"&October", "October"},
                                                                     {"No&vember", "November"},
                                                                     {"De&cember", "December"}}};

template <typename TEnum>
void LoadChoice(QComboBox* combo, TEnum value) {
    combo->setCurrentIndex(static_cast<int>(value));
}

template <size_t N>
void LoadChecks(const std::array<QCheckBox*, N>& boxes, const std::array<bool, N>& flags) {
    for (size_t i = 0; i < N; ++i)
        boxes[i]->setChecked(flags[i]);
}

template <size_t N>
void StoreChecks(const std::array<QCheckBox*, N>& boxes, std::array<bool, N>& flags) {
    for (size_t i = 0; i < N; ++i)
        flags[i] = boxes[i]->isChecked();
}

QString Name(const char* prefix, const char* rest) {
    return QString::fromLatin1(prefix) + QString::fromLatin1(rest);
}

// The step and day-number texts: "1-st", "2-nd", "3-rd", then "4-th" ... "31-th", as the item's caption
// writes them.
QStringList Ordinals(int count) {
    QStringList texts = {QStringLiteral("1-st"), QStringLiteral("2-nd"), QStringLiteral("3-rd")};
    for (int k = 4; k <= count; ++k)
        texts.append(QString::number(k) + QStringLiteral("-th"));
    return texts.mid(0, count);
}

// The locale's short date, with a two-digit year widened to four: a date field showing "25" could
// neither show nor take a year of another century.
QString DateFieldFormat() {
    QString format = LocaleFormats::Current().shortDate;
    if (format.isEmpty())
        return QStringLiteral("yyyy-MM-dd");
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    return format.replace(twoDigitYear, QStringLiteral("yyyy"));
}

// The locale's long time; a time zone in it cannot be edited, so the field shows the time alone.
QString TimeFieldFormat() {
    QString format = LocaleFormats::Current().longTime;
    format = format.remove(QRegularExpression(QStringLiteral("\\s*t+"))).trimmed();
    return format.isEmpty() ? QStringLiteral("HH:mm:ss") : format;
}

// The calendar of a date field opens from the keyboard as a drop-down list does, with Alt+Down or F4.
// The field itself opens it only for a press on its arrow, so the press is given there.
class TCalendarKeys : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool open = key->key() == Qt::Key_F4 ||
                          (key->key() == Qt::Key_Down && key->modifiers().testFlag(Qt::AltModifier));
        auto* edit = qobject_cast<QDateEdit*>(watched);
        if (!open || edit == nullptr || !edit->calendarPopup())
            return false;
        QStyleOptionComboBox option;
        option.initFrom(edit);
        option.editable = true;
        option.subControls = QStyle::SC_All;
        const QPoint arrow =
            edit->style()
                ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, edit)
                .center();
        QMouseEvent press(QEvent::MouseButtonPress, arrow, edit->mapToGlobal(arrow), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(edit, &press);
        return true;
    }
};

QLabel* Label(const char* text, const QString& name) {
    auto* label = new QLabel(QString::fromUtf8(text));
    label->setObjectName(name);
    return label;
}

QCheckBox* Check(const char* text, const QString& name) {
    auto* box = new QCheckBox(QString::fromUtf8(text));
    box->setObjectName(name);
    return box;
}

QComboBox* Combo(const QString& name, const QStringList& items) {
    auto* combo = new QComboBox;
    combo->setObjectName(name);
    combo->addItems(items);
    return combo;
}

QSpinBox* Spin(const QString& name) {
    auto* spin = new QSpinBox;
    spin->setObjectName(name);
    spin->setRange(0, kMaxValue);
    spin->setMinimumWidth(90);
    return spin;
}

QWidget* Row(std::initializer_list<QWidget*> widgets) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* widget : widgets)
        layout->addWidget(widget);
    layout->addStretch(1);
    return row;
}

QGridLayout* PanelGrid(QWidget* panel) {
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 6, 0, 0);
    return grid;
}

}  // namespace

TScheduleForm::TScheduleForm(TTaskScheduleItem& item, QWidget* parent)
    : QDialog(parent), item_(item), original_(item) {
    setObjectName(QStringLiteral("ScheduleForm"));
    setWindowTitle(QStringLiteral("Schedule Properties"));
    auto* layout = new QVBoxLayout(this);

    caption_ = new QLineEdit;
    caption_->setObjectName(QStringLiteral("CaptionEdit"));
    caption_->setReadOnly(true);
    caption_->setFocusPolicy(Qt::ClickFocus);
    layout->addWidget(caption_);

    kind_ = Tab(
        Combo(QStringLiteral("KindCombo"),
              {QStringLiteral("Within Minutes"), QStringLiteral("Within Hours"),
               QStringLiteral("Within Days"), QStringLiteral("Within Weeks"), QStringLiteral("Within Months"),
               QStringLiteral("At System Startup"), QStringLiteral("At Program Startup"),
               QStringLiteral("At System Shutdown"), QStringLiteral("Once")}));
    auto* kindLabel = Label("&Kind:", QStringLiteral("KindLabel"));
    kindLabel->setBuddy(kind_);
    enabled_ = Tab(Check("E&nabled", QStringLiteral("EnabledCheck")));
    auto* top = new QHBoxLayout;
    top->addWidget(kindLabel);
    top->addWidget(kind_);
    top->addStretch(1);
    top->addWidget(enabled_);
    layout->addLayout(top);

    // The panels in TScheduleKind order: the kind's ordinal is its panel's index.
    auto* frame = new QGroupBox;
    frame->setObjectName(QStringLiteral("PanelBox"));
    auto* frameLayout = new QVBoxLayout(frame);
    panels_ = new QStackedWidget;
    panels_->setObjectName(QStringLiteral("KindPanels"));
    panels_->addWidget(BuildIntervalPanel("Minutes", "minute(s)", minutes_));
    panels_->addWidget(BuildIntervalPanel("Hours", "hour(s)", hours_));
    panels_->addWidget(BuildDaysPanel("Daily", 14, "day", dailyEvery_, dailyDays_, dailyStart_));
    panels_->addWidget(BuildDaysPanel("Weekly", 10, "week", weeklyEvery_, weeklyDays_, weeklyStart_));
    panels_->addWidget(BuildMonthlyPanel());
    panels_->addWidget(BuildSecondsPanel("SystemStartup", "&Wait", "seconds before the run", systemStartup_));
    panels_->addWidget(
        BuildSecondsPanel("ProgramStartup", "&Wait", "seconds before the run", programStartup_));
    panels_->addWidget(
        BuildSecondsPanel("Shutdown", "&Allow a maximum of", "seconds for the Task to run", shutdownLimit_));
    panels_->addWidget(BuildOncePanel());
    frameLayout->addWidget(panels_);
    layout->addWidget(frame, 1);

    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help);
    buttons->setObjectName(QStringLiteral("buttons"));
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
    QPushButton* help = buttons->button(QDialogButtonBox::Help);
    ok->setObjectName(QStringLiteral("OkButton"));
    cancel->setObjectName(QStringLiteral("CancelButton"));
    help->setObjectName(QStringLiteral("HelpButton"));
    help->setText(QStringLiteral("&Help"));
    ok->setDefault(true);
    for (QPushButton* button : {ok, cancel, help})
        Tab(button);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [] {
        QUrl page = QUrl::fromLocalFile(
            QDir(Paths::ShippedDataFolder()).filePath(QStringLiteral("help/files/schedules.html")));
        page.setFragment(QStringLiteral("items"));
        QDesktopServices::openUrl(page);
    });
    layout->addWidget(buttons);

    for (size_t i = 1; i < tabOrder_.size(); ++i)
        setTabOrder(tabOrder_[i - 1], tabOrder_[i]);

    LoadControls();
    connect(kind_, &QComboBox::currentIndexChanged, panels_, &QStackedWidget::setCurrentIndex);
    for (QCheckBox* box : {dailyStart_.use, weeklyStart_.use, monthlyStart_.use, onceTime_.use,
                           systemStartup_.use, programStartup_.use, shutdownLimit_.use})
        connect(box, &QCheckBox::toggled, this, &TScheduleForm::UpdateEnabling);
    connect(monthlyKind_, &QButtonGroup::idToggled, this, &TScheduleForm::UpdateEnabling);

    TranslateForm(this);
    StoreControls();
    refresh_.setInterval(kRefreshMs);
    connect(&refresh_, &QTimer::timeout, this, &TScheduleForm::StoreControls);
    refresh_.start();
    setMinimumWidth(640);
    kind_->setFocus();
}

QWidget* TScheduleForm::BuildIntervalPanel(const char* prefix, const char* unitText, QSpinBox*& spin) {
    auto* panel = new QWidget;
    QGridLayout* grid = PanelGrid(panel);
    spin = Tab(Spin(Name(prefix, "Spin")));
    auto* label = Label("Run &every", Name(prefix, "Label"));
    label->setBuddy(spin);
    grid->addWidget(Row({label, spin, Label(unitText, Name(prefix, "UnitLabel"))}), 0, 0);
    grid->setRowStretch(1, 1);
    return panel;
}

QWidget* TScheduleForm::BuildDaysPanel(const char* prefix, int steps, const char* unitText, QComboBox*& every,
                                       std::array<QCheckBox*, 7>& days, TTimeRow& start) {
    auto* panel = new QWidget;
    QGridLayout* grid = PanelGrid(panel);
    every = Tab(Combo(Name(prefix, "EveryCombo"), Ordinals(steps)));
    auto* label = Label("Run &every", Name(prefix, "EveryLabel"));
    label->setBuddy(every);
    grid->addWidget(Row({label, every, Label(unitText, Name(prefix, "UnitLabel"))}), 0, 0);

    auto* box = new QGroupBox(QStringLiteral("On these days"));
    box->setObjectName(Name(prefix, "DaysBox"));
    auto* boxGrid = new QGridLayout(box);
    for (size_t i = 0; i < days.size(); ++i) {
        days[i] = Tab(Check(kDayBoxes[i][0], Name(prefix, kDayBoxes[i][1]) + QStringLiteral("Check")));
        boxGrid->addWidget(days[i], static_cast<int>(i) / 4, static_cast<int>(i) % 4);
    }
    grid->addWidget(box, 1, 0);
    start = MakeTimeRow(prefix, "&Start time:");
    grid->addWidget(Row({start.use, start.time}), 2, 0);
    grid->setRowStretch(3, 1);
    return panel;
}

QWidget* TScheduleForm::BuildMonthlyPanel() {
    auto* panel = new QWidget;
    QGridLayout* grid = PanelGrid(panel);
    monthlyKind_ = new QButtonGroup(this);
    monthlyKind_->setObjectName(QStringLiteral("MonthlyKindGroup"));
    auto* dayRadio = Tab(new QRadioButton(QStringLiteral("&Day")));
    dayRadio->setObjectName(QStringLiteral("MonthlyDayRadio"));
    monthlyKind_->addButton(dayRadio, static_cast<int>(TMonthlyKind::mkEveryDay));
    monthlyDay_ = Tab(Combo(QStringLiteral("MonthlyDayCombo"), Ordinals(31)));
    auto* whichRadio = Tab(new QRadioButton(QStringLiteral("&The")));
    whichRadio->setObjectName(QStringLiteral("MonthlyWhichRadio"));
    monthlyKind_->addButton(whichRadio, static_cast<int>(TMonthlyKind::mkWhichDay));
    monthlyWhich_ = Tab(Combo(QStringLiteral("MonthlyWhichCombo"),
                              {QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third"),
                               QStringLiteral("fourth"), QStringLiteral("last")}));
    QStringList weekdays;
    for (const auto& day : kDayBoxes)
        weekdays.append(QString::fromLatin1(day[1]));
    monthlyWeekday_ = Tab(Combo(QStringLiteral("MonthlyWeekdayCombo"), weekdays));
    auto* dayGrid = new QGridLayout;
    dayGrid->addWidget(dayRadio, 0, 0);
    dayGrid->addWidget(Row({monthlyDay_}), 0, 1);
    dayGrid->addWidget(whichRadio, 1, 0);
    dayGrid->addWidget(Row({monthlyWhich_, monthlyWeekday_}), 1, 1);
    dayGrid->setColumnStretch(1, 1);
    grid->addLayout(dayGrid, 0, 0);

    auto* box = new QGroupBox(QStringLiteral("Of these months"));
    box->setObjectName(QStringLiteral("MonthlyMonthsBox"));
    auto* boxGrid = new QGridLayout(box);
    for (size_t i = 0; i < months_.size(); ++i) {
        months_[i] =
            Tab(Check(kMonthBoxes[i][0], Name("Monthly", kMonthBoxes[i][1]) + QStringLiteral("Check")));
        boxGrid->addWidget(months_[i], static_cast<int>(i) / 4, static_cast<int>(i) % 4);
    }
    grid->addWidget(box, 1, 0);
    monthlyStart_ = MakeTimeRow("Monthly", "&Start time:");
    grid->addWidget(Row({monthlyStart_.use, monthlyStart_.time}), 2, 0);
    grid->setRowStretch(3, 1);
    return panel;
}

QWidget* TScheduleForm::BuildSecondsPanel(const char* prefix, const char* checkText, const char* unitText,
                                          TSecondsRow& row) {
    auto* panel = new QWidget;
    QGridLayout* grid = PanelGrid(panel);
    row.use = Tab(Check(checkText, Name(prefix, "Check")));
    row.seconds = Tab(Spin(Name(prefix, "Spin")));
    row.unit = Label(unitText, Name(prefix, "UnitLabel"));
    grid->addWidget(Row({row.use, row.seconds, row.unit}), 0, 0);
    grid->setRowStretch(1, 1);
    return panel;
}

QWidget* TScheduleForm::BuildOncePanel() {
    auto* panel = new QWidget;
    QGridLayout* grid = PanelGrid(panel);
    onceDate_ = Tab(new QDateEdit);
    onceDate_->setObjectName(QStringLiteral("OnceDateEdit"));
    onceDate_->setCalendarPopup(true);
    onceDate_->installEventFilter(new TCalendarKeys(onceDate_));
    onceDate_->setDisplayFormat(DateFieldFormat());
    onceDate_->setMinimumWidth(130);
    auto* label = Label("&Date:", QStringLiteral("OnceDateLabel"));
    label->setBuddy(onceDate_);
    grid->addWidget(label, 0, 0);
    grid->addWidget(Row({onceDate_}), 0, 1);
    onceTime_ = MakeTimeRow("Once", "&Time:");
    grid->addWidget(onceTime_.use, 1, 0);
    grid->addWidget(Row({onceTime_.time}), 1, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);
    return panel;
}

TScheduleForm::TTimeRow TScheduleForm::MakeTimeRow(const char* prefix, const char* text) {
    TTimeRow time;
    time.use = Tab(Check(text, Name(prefix, "TimeCheck")));
    time.time = Tab(new QTimeEdit);
    time.time->setObjectName(Name(prefix, "TimeEdit"));
    time.time->setDisplayFormat(TimeFieldFormat());
    time.time->setMinimumWidth(110);
    return time;
}

void TScheduleForm::LoadControls() {
    const TTaskScheduleItem& it = item_;
    enabled_->setChecked(it.Enabled);
    LoadChoice(kind_, it.Kind);
    panels_->setCurrentIndex(kind_->currentIndex());

    minutes_->setValue(it.MinutellyValue);
    hours_->setValue(it.HourlyValue);

    LoadChoice(dailyEvery_, it.DailyEveryNumDays);
    LoadChecks(dailyDays_, it.DailyDays);
    dailyStart_.use->setChecked(it.DailyUseStartTime);
    dailyStart_.time->setTime(TimeOf(it.DailyStartTime));

    LoadChoice(weeklyEvery_, it.WeeklyEveryNumWeek);
    LoadChecks(weeklyDays_, it.WeeklyDays);
    weeklyStart_.use->setChecked(it.WeeklyUseStartTime);
    weeklyStart_.time->setTime(TimeOf(it.WeeklyStartTime));

    monthlyKind_->button(static_cast<int>(it.MonthlyKind))->setChecked(true);
    LoadChoice(monthlyDay_, it.MonthlyEveryNumDay);
    LoadChoice(monthlyWhich_, it.MonthlyWhichDayType);
    LoadChoice(monthlyWeekday_, it.MonthlyWhichDayWeek);
    LoadChecks(months_, it.MonthlyMonths);
    monthlyStart_.use->setChecked(it.MonthlyUseStartTime);
    monthlyStart_.time->setTime(TimeOf(it.MonthlyStartTime));

    systemStartup_.use->setChecked(it.AtSystemStartupWait);
    systemStartup_.seconds->setValue(it.AtSystemStartupWaitSecValue);
    programStartup_.use->setChecked(it.AtProgramStartupWait);
    programStartup_.seconds->setValue(it.AtProgramStartupWaitSecValue);
    shutdownLimit_.use->setChecked(it.SystemShutdownLimitExecTime);
    shutdownLimit_.seconds->setValue(it.SystemShutdownMaxSec);

    onceDate_->setDate(DateOf(it.OnceRunDate));
    onceTime_.use->setChecked(it.OnceUseStartTime);
    onceTime_.time->setTime(TimeOf(it.OnceStartTime));
    UpdateEnabling();
}

void TScheduleForm::StoreControls() {
    TTaskScheduleItem& it = item_;
    it.Enabled = enabled_->isChecked();
    StoreChoice(it.Kind, kind_->currentIndex());

    StoreNumber(it.MinutellyValue, minutes_);
    StoreNumber(it.HourlyValue, hours_);

    StoreChoice(it.DailyEveryNumDays, dailyEvery_->currentIndex());
    StoreChecks(dailyDays_, it.DailyDays);
    it.DailyUseStartTime = dailyStart_.use->isChecked();
    StoreTime(it.DailyStartTime, dailyStart_.time);

    StoreChoice(it.WeeklyEveryNumWeek, weeklyEvery_->currentIndex());
    StoreChecks(weeklyDays_, it.WeeklyDays);
    it.WeeklyUseStartTime = weeklyStart_.use->isChecked();
    StoreTime(it.WeeklyStartTime, weeklyStart_.time);

    StoreChoice(it.MonthlyKind, monthlyKind_->checkedId());
    StoreChoice(it.MonthlyEveryNumDay, monthlyDay_->currentIndex());
    StoreChoice(it.MonthlyWhichDayType, monthlyWhich_->currentIndex());
    StoreChoice(it.MonthlyWhichDayWeek, monthlyWeekday_->currentIndex());
    StoreChecks(months_, it.MonthlyMonths);
    it.MonthlyUseStartTime = monthlyStart_.use->isChecked();
    StoreTime(it.MonthlyStartTime, monthlyStart_.time);

    it.AtSystemStartupWait = systemStartup_.use->isChecked();
    StoreNumber(it.AtSystemStartupWaitSecValue, systemStartup_.seconds);
    it.AtProgramStartupWait = programStartup_.use->isChecked();
    StoreNumber(it.AtProgramStartupWaitSecValue, programStartup_.seconds);
    it.SystemShutdownLimitExecTime = shutdownLimit_.use->isChecked();
    StoreNumber(it.SystemShutdownMaxSec, shutdownLimit_.seconds);

    StoreDate(it.OnceRunDate, onceDate_);
    it.OnceUseStartTime = onceTime_.use->isChecked();
    StoreTime(it.OnceStartTime, onceTime_.time);

    // Only a changed text is set, so that a selection the user made in the line survives the timer. A
    // long caption (every month listed) shows from its start, and whole in the tool tip.
    const QString caption = ScheduleItemCaption(it);
    if (caption_->text() != caption) {
        caption_->setText(caption);
        caption_->setCursorPosition(0);
        caption_->setToolTip(caption);
    }
}

void TScheduleForm::UpdateEnabling() {
    for (const TTimeRow* row : {&dailyStart_, &weeklyStart_, &monthlyStart_, &onceTime_})
        row->time->setEnabled(row->use->isChecked());
    for (const TSecondsRow* row : {&systemStartup_, &programStartup_, &shutdownLimit_}) {
        row->seconds->setEnabled(row->use->isChecked());
        row->unit->setEnabled(row->use->isChecked());
    }
    const bool dayNumber = monthlyKind_->checkedId() == static_cast<int>(TMonthlyKind::mkEveryDay);
    monthlyDay_->setEnabled(dayNumber);
    monthlyWhich_->setEnabled(!dayNumber);
    monthlyWeekday_->setEnabled(!dayNumber);
}

QString TScheduleForm::CaptionText() const {
    return caption_->text();
}

void TScheduleForm::done(int result) {
    refresh_.stop();
    if (result == QDialog::Accepted)
        StoreControls();
    else
        item_ = original_;
    QDialog::done(result);
}

bool EditScheduleItem(QWidget* parent, TTaskScheduleItem& item) {
    TScheduleForm form(item, parent);
    return form.exec() == QDialog::Accepted;
}
