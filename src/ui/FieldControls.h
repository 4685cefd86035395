#pragma once

#include <QDate>
#include <QTime>

#include "platform/DateTime.h"

class QDateEdit;
class QSpinBox;
class QTimeEdit;

// How the editors of stored items (filters, schedule items) show a stored value in a control and take
// it back. A control writes its field only when what it shows differs from what the field would show in
// it: opening an editor and pressing OK must not round a stored value to what a control can show (a
// time keeps its milliseconds and its day part, a number outside the field's range stays as it is).
namespace FieldControls {

QDate DateOf(TDateTime value);
// The time of day of value, to the second the time fields show.
QTime TimeOf(TDateTime value);

void StoreDate(TDateTime& field, const QDateEdit* edit);
// Only the time of day changes; a day part the value may carry stays.
void StoreTime(TDateTime& field, const QTimeEdit* edit);
void StoreNumber(int& field, const QSpinBox* spin);

template <typename TEnum>
void StoreChoice(TEnum& field, int index) {
    if (index >= 0)
        field = static_cast<TEnum>(index);
}

}  // namespace FieldControls
