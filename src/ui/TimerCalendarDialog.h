#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>

#include "platform/SystemTimers.h"

class QPlainTextEdit;
class TPropertiesPrompts;

// The small editor of a system timer's OnCalendar lines, one calendar expression per line. "Check"
// shows for every line when it next elapses (or why it is refused); OK checks again and keeps the
// dialog open while a line is refused. Empty lines are dropped.
class TTimerCalendarForm : public QDialog {
    Q_OBJECT
public:
    using TCheckFunction = std::function<TSystemTimers::TCalendarCheck(const QString& line)>;

    TTimerCalendarForm(const QStringList& lines, TCheckFunction check, TPropertiesPrompts& prompts,
                       QWidget* parent = nullptr);

    // The lines as entered, trimmed, without empty ones.
    QStringList Lines() const;
    // Checks every line and shows the outcome below the lines; true when every line is accepted.
    bool CheckLines();

    void accept() override;

private:
    TCheckFunction check_;
    TPropertiesPrompts& prompts_;
    QPlainTextEdit* lines_ = nullptr;
    QPlainTextEdit* outcome_ = nullptr;
    QString firstRefusal_;
};
