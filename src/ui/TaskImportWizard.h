#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "legacy/LegacyImport.h"
#include "ui/WizardFrame.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QTableWidget;
class TImportDataOmbrisave1x;
class TImportDataOmbrisave2x;
class TImportDataOmbrisave3x;
class TMainData;
class TScheduler;
class TTask;

// A drive root of the old computer and the folder of this one it stands for.
struct TDriveMapRow {
    QString Root;
    QString Folder;
    bool operator==(const TDriveMapRow&) const = default;
};
using TDriveMapRows = std::vector<TDriveMapRow>;

// The map of rows; rows with both texts empty are left out. False with the reason for the first
// incomplete or malformed row (a folder must be an absolute path).
bool DriveMapFromRows(const TDriveMapRows& rows, TDriveMap& map, QString* error = nullptr);

// The dialogs the import wizard opens, so that tests can answer them.
class TImportWizardPrompts {
public:
    virtual ~TImportWizardPrompts() = default;
    // The open-file dialog of the 1.x projects file, starting with fileName; empty when cancelled.
    virtual QString AskProjectsFile(QWidget* parent, const QString& fileName) = 0;
    // The drive map editor: true on OK with the edited rows.
    virtual bool EditDriveMap(QWidget* parent, TDriveMapRows& rows) = 0;
};

// The prompts as modal dialogs.
class TWidgetImportWizardPrompts : public TImportWizardPrompts {
public:
    QString AskProjectsFile(QWidget* parent, const QString& fileName) override;
    bool EditDriveMap(QWidget* parent, TDriveMapRows& rows) override;
};

// "Map Drives": the drive roots of the old computer and the folders here, one row each. OK keeps the
// dialog open, with the reason, while a row is incomplete or its folder is not an absolute path.
class TDriveMapForm : public QDialog {
public:
    explicit TDriveMapForm(const TDriveMapRows& rows, QWidget* parent = nullptr);

    TDriveMapRows Rows() const;
    QTableWidget* Table() const { return table_; }
    QString ErrorText() const;
    void AddRow(const QString& root = {}, const QString& folder = {});
    void RemoveSelectedRow();

    void accept() override;

private:
    QTableWidget* table_ = nullptr;
    QLabel* error_ = nullptr;
};

// Reads the tasks of one of the predecessor's versions (1.x from its projects file, 2.x and 3.x from
// their keys in the settings store), lets the user choose which to take over and adds them to the task
// list as new tasks. Pages are shown by the source's sequence of steps; reading happens only when
// "&Next >" arrives at the Read page, listing only when it arrives at the Preview page, and every
// arrival at the Import page imports the checked entries again. Imported tasks join the task list at
// once; the wizard itself saves nothing.
//
// Beyond the readers' own rules: a task whose ID is missing or taken gets a fresh one, the drive map
// of the Preview page moves the old computer's paths onto folders here, and the preview says which of
// a task's paths do not exist on this machine.
class TTaskImportWizardForm : public TWizardFrame {
public:
    enum TPage { pgSelect, pgDetails, pgRead, pgPreview, pgProcess, pgFinish };
    enum TSource { srNone, sr1x, sr2x, sr3x };
    // Rows of the preview details, in their order.
    enum TDetailRow {
        drName,
        drType,
        drSource,
        drDestination,
        drCompression,
        drEncryption,
        drAdditional,
        drMissing,
        kDetailRowCount
    };

    TTaskImportWizardForm(TMainData& data, TImportWizardPrompts& prompts, QWidget* parent = nullptr);
    ~TTaskImportWizardForm() override;

    int Source() const { return source_; }
    int Step() const { return step_; }
    int ImportedCount() const { return imported_; }
    QStringList ReadLog() const;
    QStringList ImportLog() const;
    QString DetailValue(int row) const;
    const TDriveMapRows& DriveMapRows() const { return driveRows_; }

    // The button rules; they run after every Back and Next and when the choices change.
    void CheckState();
    void Next();
    void Back();
    void Browse();
    void EditDriveMap();

    // Called for every task the import has added to the task list.
    std::function<void(TTask& task)> TaskImported;

private:
    void BuildSelectPage();
    void BuildDetailsPage();
    void BuildReadPage();
    void BuildPreviewPage();
    void BuildProcessPage();
    void BuildFinishPage();

    const std::vector<int>& Sequence() const;
    bool HasFurtherPage() const;
    // The actions of the page Next arrives at; Read and Import return true when Next follows at once.
    bool Read();
    void ListPreview();
    bool Import();
    const TLegacyItems* Items() const;
    const TLegacyImportItem* SelectedItem() const;
    void ShowDetails();
    void ShowDriveMap();

    TMainData& data_;
    TImportWizardPrompts& prompts_;
    int source_ = srNone;
    int step_ = 1;
    int imported_ = 0;
    std::unique_ptr<TImportDataOmbrisave1x> reader1x_;
    std::unique_ptr<TImportDataOmbrisave2x> reader2x_;
    std::unique_ptr<TImportDataOmbrisave3x> reader3x_;
    TDriveMapRows driveRows_;
    TDriveMap driveMap_;

    QListWidget* selectList_ = nullptr;
    QLineEdit* fileEdit_ = nullptr;
    QComboBox* codePage_ = nullptr;
    QPlainTextEdit* readLog_ = nullptr;
    QListWidget* preview_ = nullptr;
    QLabel* details_[kDetailRowCount] = {};
    QString detailValues_[kDetailRowCount];
    QLabel* driveMapLabel_ = nullptr;
    QPlainTextEdit* processLog_ = nullptr;
    QLabel* readWait_ = nullptr;
    QLabel* processWait_ = nullptr;
    QPlainTextEdit* finishLog_ = nullptr;
    QLabel* count_ = nullptr;
};

// Shows the wizard modally over parent. Imported tasks get their folder watchers from scheduler (when
// given). The caller refreshes its views and saves the settings afterwards, whatever way it closed.
void RunTaskImportWizard(QWidget* parent, TMainData& data, TScheduler* scheduler = nullptr);
