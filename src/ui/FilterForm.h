#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>

#include "model/Filters.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTimeEdit;
class TTask;

// The editor of one file filter item: include or exclude, the kind (file, folder, date and time,
// attributes, size) and the panel of that kind. The item always equals the dialog: a timer copies the
// controls into it and shows its caption at the top. OK keeps it; Cancel (Escape, the close box)
// puts back the item exactly as it was when the editor opened, fields of the other kinds included.
// Nothing is validated here; a mask that is not well formed is refused by the OK of the task
// properties.
class TFilterForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 100;

    // task gives the folder the browsers start in; item is edited in place.
    TFilterForm(const TTask& task, TTaskFilterItem& item, QWidget* parent = nullptr);

    // Copies every control into the item and refreshes the caption line.
    void StoreControls();
    // The caption line as shown.
    QString CaptionText() const;

    void done(int result) override;

    // The file browser of the single-file choice: the chosen file, empty when cancelled. Tests replace
    // it; the default is the platform's file dialog.
    static std::function<QString(QWidget* parent, const QString& start)> AskFile;

private:
    QWidget* BuildFilePanel();
    QWidget* BuildFolderPanel();
    QWidget* BuildDateTimePanel();
    QWidget* BuildAttributesPanel();
    QWidget* BuildSizePanel();
    void LoadControls();
    void UpdateEnabling();
    // The "in the last" value belongs to the unit chosen beside it; switching the unit shows the value
    // kept for the new one.
    int& LastValueField(int unit);
    void OnLastUnitChanged(int unit);
    QString StartFolder() const;

    TTaskFilterItem& item_;
    const TTaskFilterItem original_;
    const QString startFolder_;
    int lastUnit_ = 0;
    QTimer refresh_;

    QLineEdit* caption_ = nullptr;
    QCheckBox* enabled_ = nullptr;
    QButtonGroup* type_ = nullptr;
    QComboBox* kind_ = nullptr;
    QStackedWidget* panels_ = nullptr;
    // File
    QButtonGroup* fileKind_ = nullptr;
    QLineEdit* wildcard_ = nullptr;
    QLineEdit* singleFile_ = nullptr;
    QPushButton* fileBrowse_ = nullptr;
    // Folder
    QButtonGroup* folderKind_ = nullptr;
    QLineEdit* contains_ = nullptr;
    QPushButton* folderBrowse_ = nullptr;
    // Date and time
    QComboBox* dtKind_ = nullptr;
    QButtonGroup* dtChoice_ = nullptr;
    QSpinBox* lastValue_ = nullptr;
    QComboBox* lastUnitBox_ = nullptr;
    QDateEdit* dateStart_ = nullptr;
    QDateEdit* dateEnd_ = nullptr;
    QTimeEdit* timeStart_ = nullptr;
    QTimeEdit* timeEnd_ = nullptr;
    // Attributes
    QCheckBox* attributes_[6] = {};
    // Size
    QComboBox* szKind_ = nullptr;
    QSpinBox* szValue_ = nullptr;
    QComboBox* szMeasure_ = nullptr;
};

// Shows the editor modally over parent; true on OK (item holds the edits), false on Cancel (item is as
// it was).
bool EditFilterItem(const TTask& task, TTaskFilterItem& item, QWidget* parent = nullptr);
