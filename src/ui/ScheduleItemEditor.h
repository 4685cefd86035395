#pragma once

#include <QDialog>
#include <QTimer>
#include <array>
#include <vector>

#include "model/ScheduleItem.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QSpinBox;
class QStackedWidget;
class QTimeEdit;

// The editor of one schedule item: the kind and, below it, only the panel of that kind with one control
// per field the kind uses. The item always equals the dialog: a timer copies the controls into it and
// shows its caption at the top. OK keeps it; Cancel (Escape, the close box) puts back the item exactly as
// it was when the editor opened, the values of the other kinds included. Opening and pressing OK never
// changes a field: a control writes its field only when what it shows differs from it, so a value no
// control can show (a time with milliseconds, a number beyond a field's range) stays as stored.
class TScheduleForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 50;

    // item is edited in place.
    explicit TScheduleForm(TTaskScheduleItem& item, QWidget* parent = nullptr);

    // Copies every control into the item and refreshes the caption line.
    void StoreControls();
    // The caption line as shown.
    QString CaptionText() const;

    void done(int result) override;

private:
    // A "Start time:" (or "Time:") box and the time field it switches.
    struct TTimeRow {
        QCheckBox* use = nullptr;
        QTimeEdit* time = nullptr;
    };
    // A "Wait" (or "Allow a maximum of") box, the seconds it switches and their unit.
    struct TSecondsRow {
        QCheckBox* use = nullptr;
        QSpinBox* seconds = nullptr;
        QLabel* unit = nullptr;
    };

    QWidget* BuildIntervalPanel(const char* prefix, const char* unitText, QSpinBox*& spin);
    QWidget* BuildDaysPanel(const char* prefix, int steps, const char* unitText, QComboBox*& every,
                            std::array<QCheckBox*, 7>& days, TTimeRow& start);
    QWidget* BuildMonthlyPanel();
    QWidget* BuildSecondsPanel(const char* prefix, const char* checkText, const char* unitText,
                               TSecondsRow& row);
    QWidget* BuildOncePanel();
    TTimeRow MakeTimeRow(const char* prefix, const char* text);
    // Remembers w as the next stop of the tab order, which follows the visual order.
    template <typename TWidget>
    TWidget* Tab(TWidget* w) {
        tabOrder_.push_back(w);
        return w;
    }

    void LoadControls();
    void UpdateEnabling();

    TTaskScheduleItem& item_;
    const TTaskScheduleItem original_;
    QTimer refresh_;
    std::vector<QWidget*> tabOrder_;

    QLineEdit* caption_ = nullptr;
    QComboBox* kind_ = nullptr;
    QCheckBox* enabled_ = nullptr;
    QStackedWidget* panels_ = nullptr;
    // Within minutes, within hours
    QSpinBox* minutes_ = nullptr;
    QSpinBox* hours_ = nullptr;
    // Within days
    QComboBox* dailyEvery_ = nullptr;
    std::array<QCheckBox*, 7> dailyDays_{};
    TTimeRow dailyStart_;
    // Within weeks
    QComboBox* weeklyEvery_ = nullptr;
    std::array<QCheckBox*, 7> weeklyDays_{};
    TTimeRow weeklyStart_;
    // Within months
    QButtonGroup* monthlyKind_ = nullptr;
    QComboBox* monthlyDay_ = nullptr;
    QComboBox* monthlyWhich_ = nullptr;
    QComboBox* monthlyWeekday_ = nullptr;
    std::array<QCheckBox*, 12> months_{};
    TTimeRow monthlyStart_;
    // Start-up and shutdown
    TSecondsRow systemStartup_;
    TSecondsRow programStartup_;
    TSecondsRow shutdownLimit_;
    // Once
    QDateEdit* onceDate_ = nullptr;
    TTimeRow onceTime_;
};

// Shows the editor modally over parent; true on OK (item holds the edits), false on Cancel (item is as
// it was).
bool EditScheduleItem(QWidget* parent, TTaskScheduleItem& item);
