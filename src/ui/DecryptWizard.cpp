#include "ui/DecryptWizard.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <memory>
#include <mutex>

#include "logging/RunContext.h"
#include "model/MainData.h"
#include "model/Task.h"
#include "model/TaskPaths.h"
#include "packing/ExternalPackers.h"
#include "packing/PackerSettings.h"
#include "platform/Paths.h"
#include "settings/FormatText.h"
#include "settings/GlobalSettings.h"
#include "settings/Language.h"
#include "storage/FileUtils.h"
#include "ui/PreferencesDialog.h"
#include "ui/TaskSelectForm.h"
#include "ui/TranslateForm.h"

// A page whose completeness and entry action the wizard decides.
class TDecryptWizardPage : public QWizardPage {
public:
    std::function<bool()> Complete;
    std::function<void()> Enter;

    bool isComplete() const override { return Complete ? Complete() : true; }
    void initializePage() override {
        if (Enter)
            Enter();
    }
    void Changed() { emit completeChanged(); }
};

namespace {

QString Tr(const char* text, const char* key) {
    return Translate(QString::fromUtf8(text), QString::fromUtf8(key));
}

// Gives a control the stable name the language files know it by.
template <typename TWidget>
TWidget* Named(TWidget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QString WithSlash(const QString& path) {
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

struct TDecryptRow {
    QString Source;
    QString Folder;
};

// The folder the decryptor runs in: the program's temporary folder, as for any outside program that
// works without a run.
QString DecryptWorkFolder() {
    const TPerformanceSettings& performance = GlobalSettings().Performance;
    const QString folder = performance.TempDirDefault ? Paths::SystemTempFolder() : performance.TempDirCustom;
    return folder.isEmpty() ? QStringLiteral("/tmp/") : WithSlash(folder);
}

// Stands in for a run while the wizard decrypts. The encryptor tells a run why its outside program
// failed (it could not be started, or it ended with an exit code above the definition's limit) and hands
// on the program's console output; the wizard keeps the last of those texts for its own log line, so
// that a failed file says why. Nothing reaches a task log, and there is nothing to stop or to alert.
class TDecryptRunContext : public TRunContext {
public:
    TDecryptRunContext(const TTask& task, const QString& workFolder) : task_(task), workFolder_(workFolder) {}

    const TTask& Task() const override { return task_; }
    void LogMessage(TLogKind kind, const QString& text) override {
        if (kind == TLogKind::lkConsole)
            output_ = text;
        else if (kind == TLogKind::lkError || kind == TLogKind::lkWarning)
            reason_ = text;
    }
    int RaiseAlert(TAlertEvent, const QString&, const QString&) override { return 0; }
    void SetProgress(const QString&, qint64) override {}
    void AddProgressBytes(qint64) override {}
    void SetProgressDone(qint64) override {}
    int RetriesLeft() const override { return 0; }
    int ErrorCount() const override { return 0; }
    int WarningCount() const override { return 0; }
    void ResetRetryErrors() override {}
    bool StopRequested() override { return false; }
    void RequestStop() override {}
    bool SleepUnlessStopped(int ms) override {
        QThread::msleep(static_cast<unsigned long>(qMax(0, ms)));
        return true;
    }
    bool SpanningHappened() const override { return false; }
    void SetSpanningHappened() override {}
    QString TempFolder() const override { return workFolder_; }

    // Forgets what the previous file reported.
    void Clear() {
        reason_.clear();
        output_.clear();
    }
    // The reason and the program's last line of output, as far as there were any.
    QString Reason() const {
        // A program may write a long line; the log line stays readable.
        constexpr int kMaxOutput = 300;
        QString reason = reason_;
        if (!output_.isEmpty()) {
            if (!reason.isEmpty())
                reason += QLatin1Char(' ');
            reason +=
                QStringLiteral("Output: ") +
                (output_.size() > kMaxOutput ? output_.left(kMaxOutput) + QStringLiteral("...") : output_);
        }
        return reason;
    }

private:
    const TTask& task_;
    const QString workFolder_;
    QString reason_;
    QString output_;
};

}  // namespace

QString DecryptTargetFolder(const QString& target, const QString& sourceFolder, bool keepStructure) {
    QString folder = WithSlash(target);
    if (keepStructure) {
        const QString rest = StripRoot(WithSlash(sourceFolder));
        if (!rest.isEmpty() && rest != QStringLiteral("/") && rest != QStringLiteral("\\"))
            folder += WithSlash(rest);
    }
    return folder;
}

bool IsEncryptedFileName(const QString& name) {
    return name.endsWith(QStringLiteral(".crypt"), Qt::CaseInsensitive);
}

QString TDecryptWizardForm::LastFolder;

std::function<const TTask*(QWidget*, const TMainData&)> TDecryptWizardForm::TaskPicker =
    [](QWidget* parent, const TMainData& data) -> const TTask* { return SelectTask(data, parent); };

TDecryptWizardForm::TDecryptWizardForm(QWidget* parent, const TMainData* data)
    : QWizard(parent), data_(data) {
    setWindowTitle(QStringLiteral("Decrypt Wizard"));
    setObjectName(QStringLiteral("DecryptWizardForm"));
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::HaveHelpButton, true);
    setOption(QWizard::NoBackButtonOnStartPage, false);
    setButtonText(QWizard::BackButton, QStringLiteral("< &Back"));
    setButtonText(QWizard::NextButton, QStringLiteral("&Next >"));
    setButtonText(QWizard::FinishButton, QStringLiteral("&Finish"));
    setButtonText(QWizard::CancelButton, QStringLiteral("&Close"));
    setButtonText(QWizard::HelpButton, QStringLiteral("&Help"));
    setPage(pgFiles, BuildFilesPage());
    setPage(pgParameters, BuildParametersPage());
    setPage(pgDecrypting, BuildDecryptingPage());
    setPage(pgFinished, BuildFinishedPage());
    connect(this, &QWizard::helpRequested, this, [] {
        QDesktopServices::openUrl(QUrl::fromLocalFile(
            QDir(Paths::ShippedDataFolder()).filePath(QStringLiteral("help/decrypt.html"))));
    });
    const std::pair<QWizard::WizardButton, const char*> buttonNames[] = {
        {QWizard::BackButton, "BackButton"},
        {QWizard::NextButton, "NextButton"},
        {QWizard::FinishButton, "FinishButton"},
        {QWizard::CancelButton, "CloseButton"},
        {QWizard::HelpButton, "HelpButton"}};
    for (const auto& [which, name] : buttonNames)
        Named(button(which), name);
    TranslateForm(this);
    // The wizard sets the texts of its own buttons; a translated caption is handed to it.
    for (const auto& [which, name] : buttonNames)
        setButtonText(which, button(which)->text());
    resize(620, 460);
}

TDecryptWizardForm::~TDecryptWizardForm() {
    if (worker_) {
        worker_->wait();
        delete worker_;
    }
}

QWizardPage* TDecryptWizardForm::BuildFilesPage() {
    filesPage_ = Named(new TDecryptWizardPage, "FilesPage");
    filesPage_->setTitle(QStringLiteral("Specify files for decrypting"));
    auto* layout = new QVBoxLayout(filesPage_);
    files_ = new QTreeWidget;
    files_->setObjectName(QStringLiteral("files"));
    files_->setRootIsDecorated(false);
    files_->setHeaderLabels({QStringLiteral("Filename"), QStringLiteral("Path")});
    files_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    files_->setColumnWidth(0, 180);
    files_->setContextMenuPolicy(Qt::ActionsContextMenu);
    layout->addWidget(files_, 1);

    auto* buttons = new QHBoxLayout;
    auto* addFile = Named(new QPushButton(QStringLiteral("Add File...")), "AddFileButton");
    auto* addFolder = Named(new QPushButton(QStringLiteral("Add Folder...")), "AddFolderButton");
    remove_ = Named(new QPushButton(QStringLiteral("Remove")), "RemoveButton");
    buttons->addWidget(addFile);
    buttons->addWidget(addFolder);
    buttons->addWidget(remove_);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    auto* removeAction = Named(new QAction(QStringLiteral("Remove"), files_), "actRemove");
    auto* selectAllAction = Named(new QAction(QStringLiteral("Select All"), files_), "actSelectAll");
    files_->addAction(removeAction);
    files_->addAction(selectAllAction);

    auto updateRemove = [this, removeAction] {
        const bool any = !files_->selectedItems().isEmpty();
        remove_->setEnabled(any);
        removeAction->setEnabled(any);
    };
    updateRemove();
    connect(files_, &QTreeWidget::itemSelectionChanged, this, updateRemove);
    connect(remove_, &QPushButton::clicked, this, &TDecryptWizardForm::RemoveSelected);
    connect(removeAction, &QAction::triggered, this, &TDecryptWizardForm::RemoveSelected);
    connect(selectAllAction, &QAction::triggered, files_, &QTreeWidget::selectAll);
    connect(addFile, &QPushButton::clicked, this, [this] {
        const QStringList chosen = QFileDialog::getOpenFileNames(this, QString(), LastFolder);
        if (chosen.isEmpty())
            return;
        LastFolder = QFileInfo(chosen.first()).absolutePath();
        AddFiles(chosen);
    });
    connect(addFolder, &QPushButton::clicked, this, [this] {
        const QString folder = DialogMessages().AskFolder(
            this, Tr("Specify folder with encrypted files", "strDecryptSpecifyFolderWithEncrypted"),
            LastFolder);
        if (folder.isEmpty())
            return;
        LastFolder = folder;
        AddFolder(folder);
    });
    filesPage_->Complete = [this] { return files_->topLevelItemCount() > 0; };
    return filesPage_;
}

QWizardPage* TDecryptWizardForm::BuildParametersPage() {
    parametersPage_ = Named(new TDecryptWizardPage, "ParametersPage");
    parametersPage_->setTitle(QStringLiteral("Decryption parameters"));
    auto* form = new QFormLayout(parametersPage_);
    decryptor_ = new QComboBox;
    decryptor_->setObjectName(QStringLiteral("decryptor"));
    auto* settings = Named(new QPushButton(QStringLiteral("Settings...")), "SettingsButton");
    auto* decryptorRow = new QHBoxLayout;
    decryptorRow->addWidget(decryptor_, 1);
    decryptorRow->addWidget(settings);
    form->addRow(Named(new QLabel(QStringLiteral("Decryptor:")), "DecryptorLabel"), decryptorRow);
    password_ = new QLineEdit;
    password_->setObjectName(QStringLiteral("password"));
    password_->setEchoMode(QLineEdit::Password);
    form->addRow(Named(new QLabel(QStringLiteral("Password:")), "PasswordLabel"), password_);
    target_ = new QLineEdit;
    target_->setObjectName(QStringLiteral("targetFolder"));
    auto* browse = Named(new QPushButton(QStringLiteral("Browse...")), "BrowseButton");
    auto* targetRow = new QHBoxLayout;
    targetRow->addWidget(target_, 1);
    targetRow->addWidget(browse);
    form->addRow(Named(new QLabel(QStringLiteral("Target Folder:")), "TargetFolderLabel"), targetRow);
    keepStructure_ = new QCheckBox(QStringLiteral("Keep folder structure"));
    keepStructure_->setObjectName(QStringLiteral("keepStructure"));
    form->addRow(QString(), keepStructure_);
    auto* fromTask = Named(new QPushButton(QStringLiteral("Get these settings from respective Task...")),
                           "FromTaskButton");
    fromTask->setEnabled(data_ != nullptr);
    // A button of its own size, not one that spans the field column.
    fromTask->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    form->addRow(QString(), fromTask);
    FillDecryptors(QString());

    parametersPage_->Complete = [this] {
        return !password_->text().trimmed().isEmpty() && decryptor_->currentIndex() >= 0 &&
               !target_->text().trimmed().isEmpty();
    };
    connect(password_, &QLineEdit::textChanged, parametersPage_, &TDecryptWizardPage::Changed);
    connect(target_, &QLineEdit::textChanged, parametersPage_, &TDecryptWizardPage::Changed);
    connect(decryptor_, &QComboBox::currentIndexChanged, parametersPage_, &TDecryptWizardPage::Changed);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString folder = DialogMessages().AskFolder(
            this, Tr("Specify target folder", "strDecryptSpecifyTargetFolder"), target_->text());
        if (!folder.isEmpty())
            target_->setText(folder);
    });
    connect(settings, &QPushButton::clicked, this, [this] {
        const QString shown = decryptor_->currentText();
        EditPreferences(this, 5, decryptor_->currentIndex());
        FillDecryptors(shown);
    });
    connect(fromTask, &QPushButton::clicked, this, [this] {
        if (!data_ || !TaskPicker)
            return;
        if (const TTask* task = TaskPicker(this, *data_))
            TakeTaskSettings(*task);
    });
    return parametersPage_;
}

QWizardPage* TDecryptWizardForm::BuildDecryptingPage() {
    decryptingPage_ = Named(new TDecryptWizardPage, "DecryptingPage");
    decryptingPage_->setTitle(QStringLiteral("Decrypting..."));
    auto* layout = new QVBoxLayout(decryptingPage_);
    progress_ = new QProgressBar;
    progress_->setObjectName(QStringLiteral("progress"));
    log_ = new QPlainTextEdit;
    log_->setObjectName(QStringLiteral("log"));
    log_->setReadOnly(true);
    layout->addWidget(progress_);
    layout->addWidget(log_, 1);
    decryptingPage_->Complete = [this] { return !running_; };
    decryptingPage_->Enter = [this] { StartPass(); };
    return decryptingPage_;
}

QWizardPage* TDecryptWizardForm::BuildFinishedPage() {
    auto* page = Named(new TDecryptWizardPage, "FinishedPage");
    page->setTitle(QStringLiteral("Decryption finished"));
    auto* layout = new QVBoxLayout(page);
    auto* counts = new QFormLayout;
    count_ = new QLabel(QStringLiteral("0"));
    count_->setObjectName(QStringLiteral("count"));
    counts->addRow(Named(new QLabel(QStringLiteral("Files decrypted:")), "DecryptedLabel"), count_);
    // A pass in which files failed must not read like a complete one.
    notDecrypted_ = new QLabel(QStringLiteral("0"));
    notDecrypted_->setObjectName(QStringLiteral("notDecryptedCount"));
    counts->addRow(Named(new QLabel(QStringLiteral("Files not decrypted:")), "NotDecryptedLabel"),
                   notDecrypted_);
    layout->addLayout(counts);
    reasonsNote_ =
        Named(new QLabel(QStringLiteral("The log on the previous page tells why.")), "ReasonsNoteLabel");
    layout->addWidget(reasonsNote_);
    layout->addSpacing(8);
    auto* open = Named(new QPushButton(QStringLiteral("Open Target Folder")), "OpenTargetButton");
    auto* restartButton = Named(new QPushButton(QStringLiteral("Restart Wizard")), "RestartButton");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(open);
    buttons->addWidget(restartButton);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    layout->addStretch(1);
    page->Enter = [this] {
        count_->setText(QString::number(decrypted_));
        const int notDecrypted = total_ - decrypted_;
        notDecrypted_->setText(QString::number(notDecrypted));
        reasonsNote_->setVisible(notDecrypted > 0);
    };
    connect(open, &QPushButton::clicked, this,
            [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(target_->text().trimmed())); });
    connect(restartButton, &QPushButton::clicked, this, [this] {
        files_->clear();
        filesPage_->Changed();
        restart();
    });
    return page;
}

void TDecryptWizardForm::FillDecryptors(const QString& select) {
    QStringList names;
    {
        std::lock_guard lock(PackerSettingsMutex());
        const TExternalEncryptorsSettings& list = ExternalEncryptors();
        for (int i = 0; i < list.Count(); ++i)
            names.append(list[i].Name());
    }
    const QSignalBlocker block(decryptor_);
    decryptor_->clear();
    decryptor_->addItems(names);
    const int found = static_cast<int>(names.indexOf(select));
    decryptor_->setCurrentIndex(found >= 0 ? found : (names.isEmpty() ? -1 : 0));
    if (parametersPage_)
        parametersPage_->Changed();
}

void TDecryptWizardForm::AddFiles(const QStringList& files) {
    for (const QString& path : files) {
        const QFileInfo info(path);
        if (!IsEncryptedFileName(info.fileName()))
            continue;
        const QString folder = WithSlash(info.absolutePath());
        bool known = false;
        for (int i = 0; i < files_->topLevelItemCount() && !known; ++i) {
            const QTreeWidgetItem* item = files_->topLevelItem(i);
            known = item->text(0) == info.fileName() && item->text(1) == folder;
        }
        if (!known)
            new QTreeWidgetItem(files_, {info.fileName(), folder});
    }
    filesPage_->Changed();
}

void TDecryptWizardForm::AddFolder(const QString& folder) {
    // Links to folders are not descended into, so that a loop or a link out of the folder adds nothing
    // unexpected.
    QStringList found;
    std::function<void(const QString&)> walk = [&](const QString& path) {
        const QFileInfoList entries =
            QDir(path).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                     QDir::Name | QDir::DirsLast);
        for (const QFileInfo& entry : entries) {
            if (entry.fileName().startsWith(QLatin1Char('.')))
                continue;
            if (entry.isDir()) {
                if (!entry.isSymLink())
                    walk(entry.absoluteFilePath());
            } else if (entry.isFile()) {
                found.append(entry.absoluteFilePath());
            }
        }
    };
    walk(folder);
    AddFiles(found);
}

QStringList TDecryptWizardForm::Files() const {
    QStringList paths;
    for (int i = 0; i < files_->topLevelItemCount(); ++i)
        paths.append(files_->topLevelItem(i)->text(1) + files_->topLevelItem(i)->text(0));
    return paths;
}

void TDecryptWizardForm::RemoveSelected() {
    qDeleteAll(files_->selectedItems());
    filesPage_->Changed();
}

void TDecryptWizardForm::TakeTaskSettings(const TTask& task) {
    if (!task.CryptUse) {
        DialogMessages().Warning(
            this, Tr("Warning!", "strWarning"),
            Tr("The Task selected don't use encryption.", "strDecryptNoCryptInfoInTask"));
        return;
    }
    password_->setText(task.CryptPassword);
    const int index = decryptor_->findText(task.CryptType, Qt::MatchExactly);
    decryptor_->setCurrentIndex(index >= 0 ? index : (decryptor_->count() > 0 ? 0 : -1));
}

QStringList TDecryptWizardForm::LogLines() const {
    return log_->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void TDecryptWizardForm::Log(const QString& line) {
    log_->appendPlainText(line);
}

void TDecryptWizardForm::reject() {
    if (running_)
        return;  // the outside programs are still running; the pass ends by itself
    QWizard::reject();
}

void TDecryptWizardForm::StartPass() {
    if (running_)
        return;
    running_ = true;
    ++passes_;
    decrypted_ = 0;
    failed_ = 0;
    decryptedInPass_ = 0;
    failedInPass_ = 0;
    button(QWizard::CancelButton)->setEnabled(false);
    // The wizard sets its buttons after entering the page, which would enable Back again.
    QTimer::singleShot(0, this, [this] {
        if (running_)
            button(QWizard::BackButton)->setEnabled(false);
    });
    log_->clear();

    const QString decryptor = decryptor_->currentText();
    const QString password = password_->text();
    const QString target = target_->text().trimmed();
    const bool keep = keepStructure_->isChecked();
    std::vector<TDecryptRow> rows;
    for (int i = 0; i < files_->topLevelItemCount(); ++i)
        rows.push_back({files_->topLevelItem(i)->text(1) + files_->topLevelItem(i)->text(0),
                        files_->topLevelItem(i)->text(1)});

    Log(FormatText(Tr("Using decryption algorithm %s.", "strDecryptLogUsing"), {decryptor}));
    Log(FormatText(Tr("Decrypting to %s.", "strDecryptLogTo"), {WithSlash(target)}));
    Log(FormatText(Tr("Decryption started.", "strDecryptLogStart"), {}));
    // The bar counts the files handled; at the end it shows how many of them were decrypted.
    total_ = static_cast<int>(rows.size());
    progress_->setRange(0, total_);
    progress_->setValue(0);
    progress_->resetFormat();
    const QString workFolder = DecryptWorkFolder();

    // Texts are translated here: the language file belongs to the main thread.
    const QString cantCreate = Tr("Can't create folder %s", "strCantCreateFolder");
    const QString decrypting = Tr("Decrypting file \"%s\".", "strDecryptLogFile");
    const QString failed = Tr("Error decrypting file \"%s\".", "strDecryptLogError");
    const QString finished = Tr("Decryption finished.", "strDecryptLogFinish");

    worker_ = QThread::create([this, rows, decryptor, password, target, keep, workFolder, cantCreate,
                               decrypting, failed, finished] {
        auto post = [this](const QString& line) {
            QMetaObject::invokeMethod(
                this, [this, line] { Log(line); }, Qt::QueuedConnection);
        };
        TTask task;
        task.CryptUse = true;
        task.CryptType = decryptor;
        task.CryptPassword = password;
        TDecryptRunContext context(task, workFolder);
        auto encryptor = std::make_unique<TExternalEncryptor>(task, &context);
        for (size_t i = 0; i < rows.size(); ++i) {
            const QString folder = DecryptTargetFolder(target, rows[i].Folder, keep);
            if (!CheckFolder(folder, true)) {
                ++failedInPass_;
                post(FormatText(cantCreate, {folder}));
                return;
            }
            post(FormatText(decrypting, {rows[i].Source}));
            QString destination = folder;
            destination.chop(1);
            context.Clear();
            if (encryptor->DecryptFile(rows[i].Source, destination)) {
                ++decryptedInPass_;
            } else {
                ++failedInPass_;
                QString line = FormatText(failed, {rows[i].Source});
                if (const QString reason = context.Reason(); !reason.isEmpty())
                    line += QLatin1Char(' ') + reason;
                post(line);
            }
            const int handled = static_cast<int>(i) + 1;
            QMetaObject::invokeMethod(
                this, [this, handled] { progress_->setValue(handled); }, Qt::QueuedConnection);
        }
        post(finished);
    });
    connect(worker_, &QThread::finished, this, &TDecryptWizardForm::FinishPass, Qt::QueuedConnection);
    worker_->start();
}

void TDecryptWizardForm::FinishPass() {
    if (worker_) {
        worker_->wait();
        delete worker_;
        worker_ = nullptr;
    }
    decrypted_ = decryptedInPass_;
    failed_ = failedInPass_;
    running_ = false;
    // The bar ends at the files decrypted, with the counts in words: a pass in which every file failed
    // shows an empty bar, not a full one.
    const int notTried = total_ - decrypted_ - failed_;
    QString outcome = QStringLiteral("%1 of %2 files decrypted").arg(decrypted_).arg(total_);
    if (failed_ > 0)
        outcome += QStringLiteral(", %1 failed").arg(failed_);
    if (notTried > 0)
        outcome += QStringLiteral(", %1 not tried").arg(notTried);
    progress_->setValue(decrypted_);
    progress_->setFormat(outcome);
    button(QWizard::BackButton)->setEnabled(true);
    button(QWizard::CancelButton)->setEnabled(true);
    decryptingPage_->Changed();
}

void ShowDecryptWizard(QWidget* parent, const TMainData* data) {
    TDecryptWizardForm wizard(parent, data);
    wizard.exec();
}
