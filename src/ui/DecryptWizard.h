#pragma once

#include <QStringList>
#include <QWizard>
#include <atomic>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QThread;
class QTreeWidget;
class TMainData;
class TTask;
class TDecryptWizardPage;

// The folder handed to the decryptor for one source file: target with a trailing '/', followed, when
// keepStructure is set, by the source's folder without its root (and a trailing '/'). A remainder that
// is only a delimiter adds nothing.
QString DecryptTargetFolder(const QString& target, const QString& sourceFolder, bool keepStructure);

// Whether a file name qualifies for decrypting: its extension is ".crypt" in any letter case.
bool IsEncryptedFileName(const QString& name);

// Collects encrypted files, takes an encryptor definition and a password, and runs the definition's
// Decrypt command for each file into a target folder, outside any task run. The outside programs run
// on a worker thread so that the window stays responsive; the wizard cannot be left while they run.
class TDecryptWizardForm : public QWizard {
    Q_OBJECT
public:
    enum PageId { pgFiles = 0, pgParameters, pgDecrypting, pgFinished };

    // data (when given) offers its tasks to "Get these settings from respective Task...".
    explicit TDecryptWizardForm(QWidget* parent = nullptr, const TMainData* data = nullptr);
    ~TDecryptWizardForm() override;

    // What "Add File..." and "Add Folder..." do with the chosen paths.
    void AddFiles(const QStringList& files);
    void AddFolder(const QString& folder);
    // Full paths of the listed files, in list order.
    QStringList Files() const;
    // Takes the password and decryptor of a task, as "Get these settings from respective Task..." does.
    void TakeTaskSettings(const TTask& task);

    bool PassRunning() const { return running_; }
    int PassCount() const { return passes_; }
    int DecryptedCount() const { return decrypted_; }
    // Files of the last pass whose decryption failed (their folder could not be made, or the decryptor
    // failed); the files after a folder that could not be made are neither.
    int FailedCount() const { return failed_; }
    QStringList LogLines() const;

    // The folder files were last added from; kept while the program runs.
    static QString LastFolder;
    // The task picker; the default is the "Select a Task" dialog over the tasks of data. Null for no choice.
    static std::function<const TTask*(QWidget*, const TMainData&)> TaskPicker;

public slots:
    void reject() override;

private:
    QWizardPage* BuildFilesPage();
    QWizardPage* BuildParametersPage();
    QWizardPage* BuildDecryptingPage();
    QWizardPage* BuildFinishedPage();
    void FillDecryptors(const QString& select);
    void RemoveSelected();
    void StartPass();
    void FinishPass();
    void Log(const QString& line);

    const TMainData* data_;
    TDecryptWizardPage* filesPage_ = nullptr;
    TDecryptWizardPage* parametersPage_ = nullptr;
    TDecryptWizardPage* decryptingPage_ = nullptr;
    QTreeWidget* files_ = nullptr;
    QPushButton* remove_ = nullptr;
    QComboBox* decryptor_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* target_ = nullptr;
    QCheckBox* keepStructure_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPlainTextEdit* log_ = nullptr;
    QLabel* count_ = nullptr;
    QLabel* notDecrypted_ = nullptr;
    QLabel* reasonsNote_ = nullptr;
    QThread* worker_ = nullptr;
    std::atomic<int> decryptedInPass_{0};
    std::atomic<int> failedInPass_{0};
    bool running_ = false;
    int passes_ = 0;
    int total_ = 0;
    int decrypted_ = 0;
    int failed_ = 0;
};

// Shows the wizard modally.
void ShowDecryptWizard(QWidget* parent, const TMainData* data = nullptr);
