#include "ui/FieldControls.h"

#include <QDateEdit>
#include <QSpinBox>
#include <QTimeEdit>
#include <cmath>

namespace FieldControls {

namespace {
const QDate kDayZero(1899, 12, 30);
}

QDate DateOf(TDateTime value) {
    return kDayZero.addDays(static_cast<qint64>(std::floor(value)));
}

QTime TimeOf(TDateTime value) {
    const double fraction = value - std::floor(value);
    const int ms = static_cast<int>(std::floor(fraction * DateTime::MsPerDay + 0.5)) % 86400000;
    const QTime time = QTime::fromMSecsSinceStartOfDay(ms);
    return QTime(time.hour(), time.minute(), time.second());
}

void StoreDate(TDateTime& field, const QDateEdit* edit) {
    if (qBound(edit->minimumDate(), DateOf(field), edit->maximumDate()) != edit->date())
        field = static_cast<TDateTime>(kDayZero.daysTo(edit->date()));
}

void StoreTime(TDateTime& field, const QTimeEdit* edit) {
    if (TimeOf(field) != edit->time())
        field = std::floor(field) + edit->time().msecsSinceStartOfDay() / DateTime::MsPerDay;
}

void StoreNumber(int& field, const QSpinBox* spin) {
    if (qBound(spin->minimum(), field, spin->maximum()) != spin->value())
        field = spin->value();
}

}  // namespace FieldControls
