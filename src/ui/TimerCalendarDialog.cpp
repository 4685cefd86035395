#include "ui/TimerCalendarDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/Language.h"
#include "ui/TaskPropertiesDialog.h"
#include "ui/TranslateForm.h"

TTimerCalendarForm::TTimerCalendarForm(const QStringList& lines, TCheckFunction check,
                                       TPropertiesPrompts& prompts, QWidget* parent)
    : QDialog(parent), check_(std::move(check)), prompts_(prompts) {
    setObjectName(QStringLiteral("TimerCalendarForm"));
    setWindowTitle(QStringLiteral("System Timer of the Task"));

    auto* hint = new QLabel(
        QStringLiteral("When the system starts the task: one calendar expression per line, for example\n"
                       "\"daily\", \"Mon..Fri *-*-* 22:00\" or \"Sat 09:30\" (see \"man systemd.time\")."));
    hint->setObjectName(QStringLiteral("lblCalendarHint"));
    lines_ = new QPlainTextEdit;
    lines_->setObjectName(QStringLiteral("calendarLines"));
    lines_->setTabChangesFocus(true);
    lines_->setPlainText(lines.join(QLatin1Char('\n')));
    hint->setBuddy(lines_);
    auto* checkButton = new QPushButton(QStringLiteral("&Check"));
    checkButton->setObjectName(QStringLiteral("calendarCheck"));
    checkButton->setAutoDefault(false);
    connect(checkButton, &QPushButton::clicked, this, [this] { CheckLines(); });
    outcome_ = new QPlainTextEdit;
    outcome_->setObjectName(QStringLiteral("calendarOutcome"));
    outcome_->setReadOnly(true);
    outcome_->setTabChangesFocus(true);
    outcome_->setMaximumHeight(110);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TTimerCalendarForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(lines_, 1);
    auto* checkRow = new QHBoxLayout;
    checkRow->addWidget(checkButton);
    checkRow->addStretch();
    layout->addLayout(checkRow);
    layout->addWidget(outcome_);
    layout->addWidget(buttons);
    resize(520, 360);
    TranslateForm(this);
}

QStringList TTimerCalendarForm::Lines() const {
    QStringList result;
    for (const QString& line : lines_->toPlainText().split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            result << trimmed;
    }
    return result;
}

bool TTimerCalendarForm::CheckLines() {
    QStringList report;
    firstRefusal_.clear();
    for (const QString& line : Lines()) {
        const TSystemTimers::TCalendarCheck result =
            check_ ? check_(line) : TSystemTimers::CheckCalendar(line);
        if (!result.Valid) {
            report << QStringLiteral("%1: not accepted (%2)").arg(line, result.Error);
            if (firstRefusal_.isEmpty())
                firstRefusal_ =
                    QStringLiteral("The calendar line \"%1\" is not valid: %2.").arg(line, result.Error);
        } else if (result.Checked) {
            report << QStringLiteral("%1: next run %2").arg(line, result.NextElapse);
        } else {
            report << QStringLiteral("%1: not checked (systemd-analyze is not available)").arg(line);
        }
    }
    if (report.isEmpty())
        report << QStringLiteral("No calendar line: the timer never starts the task.");
    outcome_->setPlainText(report.join(QLatin1Char('\n')));
    return firstRefusal_.isEmpty();
}

void TTimerCalendarForm::accept() {
    if (CheckLines()) {
        QDialog::accept();
        return;
    }
    prompts_.Error(Translate(QStringLiteral("Error"), QStringLiteral("strError")), firstRefusal_);
    lines_->setFocus();
}
