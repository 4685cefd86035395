#include "ui/TaskImportWizard.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QVBoxLayout>

#include "legacy/LegacyText.h"
#include "legacy/Ombrisave1x.h"
#include "legacy/OmbrisaveRegistry.h"
#include "model/MainData.h"
#include "model/Task.h"
#include "schedule/Scheduler.h"
#include "settings/FormatText.h"
#include "ui/TranslateForm.h"

namespace {

const QString kNoValue = QStringLiteral("-");

void AppendLine(QPlainTextEdit* log, const QString& line) {
    // Plain text: a task name or a path is never taken as markup.
    log->appendPlainText(line);
}

QStringList LinesOf(const QPlainTextEdit* log) {
    const QString text = log->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

// Long paths hold no blanks to wrap at; a zero-width space after each separator lets the label break
// there without changing what the text says.
QString Breakable(QString text) {
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\u200B"));
    text.replace(QLatin1Char('/'), QStringLiteral("/\u200B"));
    return text;
}

// How the 2.x and 3.x tasks reach this computer, for a read that found none.
QStringList NoRegistryTasksHint(const QString& version) {
    return {
        QStringLiteral("No Ombrisave %1 tasks were found in the settings store.").arg(version),
        QStringLiteral("To bring them in, export the key "
                       "HKEY_CURRENT_USER\\Software\\Halvorine\\Ombrisave on the old computer to a file, "
                       "load that file here with the Settings Maintenance Wizard (Restore, with the old "
                       "computer's code page, e.g. Western European (Windows-1252)) or with "
                       "\"tarnovex-cli import --codepage windows-1252 FILE\", and run this wizard again.")};
}

}  // namespace

// --- drive map ---------------------------------------------------------------------------------------

bool DriveMapFromRows(const TDriveMapRows& rows, TDriveMap& map, QString* error) {
    TDriveMap built;
    int number = 0;
    for (const TDriveMapRow& row : rows) {
        ++number;
        const QString root = row.Root.trimmed();
        const QString folder = row.Folder.trimmed();
        if (root.isEmpty() && folder.isEmpty())
            continue;
        if (root.isEmpty() || folder.isEmpty()) {
            if (error)
                *error = QStringLiteral(
                             "Row %1: both the drive of the old computer and the folder here are "
                             "needed.")
                             .arg(number);
            return false;
        }
        if (!folder.startsWith(QLatin1Char('/'))) {
            if (error)
                *error =
                    QStringLiteral("Row %1: the folder \"%2\" must be an absolute path (beginning with /).")
                        .arg(number)
                        .arg(folder);
            return false;
        }
        QString reason;
        if (!built.Add(root + QLatin1Char('=') + folder, &reason)) {
            if (error)
                *error = QStringLiteral("Row %1: %2.").arg(number).arg(reason);
            return false;
        }
    }
    map = built;
    return true;
}

TDriveMapForm::TDriveMapForm(const TDriveMapRows& rows, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("DriveMapForm"));
    setWindowTitle(QStringLiteral("Map Drives"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral(
        "Paths of the old computer that begin with one of these drives are taken to the folder "
        "beside it, the rest of the path following with '/' for '\\' (for example C:\\ to "
        "/mnt/old-c/). Other paths keep their form."));
    intro->setObjectName(QStringLiteral("IntroLabel"));
    intro->setWordWrap(true);
    layout->addWidget(intro);

    table_ = new QTableWidget(0, 2);
    table_->setObjectName(QStringLiteral("DriveMapTable"));
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("Drive on the old computer"), QStringLiteral("Folder on this computer")});
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->hide();
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setTabKeyNavigation(false);
    layout->addWidget(table_, 1);

    auto* rowButtons = new QHBoxLayout;
    auto* add = new QPushButton(QStringLiteral("&Add"));
    add->setObjectName(QStringLiteral("AddButton"));
    auto* remove = new QPushButton(QStringLiteral("&Remove"));
    remove->setObjectName(QStringLiteral("RemoveButton"));
    for (QPushButton* button : {add, remove})
        button->setAutoDefault(false);
    rowButtons->addWidget(add);
    rowButtons->addWidget(remove);
    rowButtons->addStretch(1);
    layout->addLayout(rowButtons);

    error_ = new QLabel;
    error_->setObjectName(QStringLiteral("ErrorLabel"));
    error_->setWordWrap(true);
    QPalette palette = error_->palette();
    palette.setColor(QPalette::WindowText, QColor(0xb0, 0x00, 0x20));
    error_->setPalette(palette);
    error_->hide();
    layout->addWidget(error_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->setObjectName(QStringLiteral("Buttons"));
    layout->addWidget(buttons);

    connect(add, &QPushButton::clicked, this, [this] {
        AddRow();
        table_->setCurrentCell(table_->rowCount() - 1, 0);
        table_->editItem(table_->item(table_->rowCount() - 1, 0));
    });
    connect(remove, &QPushButton::clicked, this, &TDriveMapForm::RemoveSelectedRow);
    connect(buttons, &QDialogButtonBox::accepted, this, &TDriveMapForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TDriveMapForm::reject);

    for (const TDriveMapRow& row : rows)
        AddRow(row.Root, row.Folder);
    if (rows.empty())
        AddRow();
    resize(560, 300);
    TranslateForm(this);
}

void TDriveMapForm::AddRow(const QString& root, const QString& folder) {
    const int row = table_->rowCount();
    table_->insertRow(row);
    table_->setItem(row, 0, new QTableWidgetItem(root));
    table_->setItem(row, 1, new QTableWidgetItem(folder));
}

void TDriveMapForm::RemoveSelectedRow() {
    const int row = table_->currentRow();
    if (row >= 0)
        table_->removeRow(row);
}

TDriveMapRows TDriveMapForm::Rows() const {
    TDriveMapRows rows;
    for (int row = 0; row < table_->rowCount(); ++row) {
        const auto text = [this, row](int column) {
            const QTableWidgetItem* item = table_->item(row, column);
            return item != nullptr ? item->text().trimmed() : QString();
        };
        if (!text(0).isEmpty() || !text(1).isEmpty())
            rows.push_back({text(0), text(1)});
    }
    return rows;
}

QString TDriveMapForm::ErrorText() const {
    return error_->isHidden() ? QString() : error_->text();
}

void TDriveMapForm::accept() {
    // Enter in a cell being edited ends the edit (the table takes the text when the editor loses the
    // focus); the next Enter, or a click on OK, closes the dialog.
    if (QWidget* focus = focusWidget(); focus != nullptr && focus != table_ && table_->isAncestorOf(focus)) {
        table_->setFocus();
        return;
    }
    TDriveMap map;
    QString error;
    if (!DriveMapFromRows(Rows(), map, &error)) {
        error_->setText(error);
        error_->show();
        return;
    }
    QDialog::accept();
}

QString TWidgetImportWizardPrompts::AskProjectsFile(QWidget* parent, const QString& fileName) {
    // Files copied from the old system may carry the name in capitals.
    return QFileDialog::getOpenFileName(
        parent, QString(), fileName,
        QStringLiteral("Ombrisave 1.x Projects File (Ombrisave.dat ombrisave.dat OMBRISAVE.DAT);;"
                       "All files (*)"));
}

bool TWidgetImportWizardPrompts::EditDriveMap(QWidget* parent, TDriveMapRows& rows) {
    TDriveMapForm form(rows, parent);
    if (form.exec() != QDialog::Accepted)
        return false;
    rows = form.Rows();
    return true;
}

// --- the wizard ------------------------------------------------------------------------------------

TTaskImportWizardForm::TTaskImportWizardForm(TMainData& data, TImportWizardPrompts& prompts, QWidget* parent)
    : TWizardFrame(QStringLiteral("Task Import Wizard"), parent), data_(data), prompts_(prompts) {
    setObjectName(QStringLiteral("TaskImportWizardForm"));
    setWindowTitle(QStringLiteral("Tarnovex Task Import Wizard"));
    BuildSelectPage();
    BuildDetailsPage();
    BuildReadPage();
    BuildPreviewPage();
    BuildProcessPage();
    BuildFinishPage();

    connect(NextButton(), &QPushButton::clicked, this, &TTaskImportWizardForm::Next);
    connect(FinishButton(), &QPushButton::clicked, this, &QDialog::accept);
    connect(BackButton(), &QPushButton::clicked, this, &TTaskImportWizardForm::Back);
    resize(720, 480);
    SetHelpTopic(QStringLiteral("/files/menus.html#tools"));
    ShowPage(pgSelect);
    TranslateForm(this);
    // The texts that follow the state come after the translation of the designed ones.
    ShowDetails();
    ShowDriveMap();
    CheckState();
    selectList_->setFocus();
}

TTaskImportWizardForm::~TTaskImportWizardForm() = default;

void TTaskImportWizardForm::BuildSelectPage() {
    QVBoxLayout* page = AddPage(QStringLiteral("SelectTabSheet"), QStringLiteral("SelectTitleLabel"),
                                QStringLiteral("Please select a program to import Tasks from"));
    page->addWidget(
        NewLabel(QStringLiteral("SelectListLabel"), QStringLiteral("Programs list to import tasks from:")));
    selectList_ = new QListWidget;
    selectList_->setObjectName(QStringLiteral("SelectListBox"));
    selectList_->addItems(
        {QStringLiteral("Ombrisave 1.x"), QStringLiteral("Ombrisave 2.x"), QStringLiteral("Ombrisave 3.x")});
    page->addWidget(selectList_, 1);
    page->addWidget(NewLabel(QStringLiteral("SelectTrademarksLabel"),
                             QStringLiteral("All registered and unregistered trademarks in this program list "
                                            "are the sole property of their respective owners.")));
    page->addSpacing(8);
    page->addWidget(NewLabel(QStringLiteral("SelectNextLabel"), QStringLiteral("Click Next to continue...")));
    connect(selectList_, &QListWidget::itemSelectionChanged, this, &TTaskImportWizardForm::CheckState);
    connect(selectList_, &QListWidget::itemDoubleClicked, this, &TTaskImportWizardForm::Next);
}

void TTaskImportWizardForm::BuildDetailsPage() {
    QVBoxLayout* page = AddPage(QStringLiteral("DetailsTabSheet"), QStringLiteral("DetailsTitleLabel"),
                                QStringLiteral("Importing Tasks from Ombrisave 1.x"));
    auto* fileLabel = NewLabel(QStringLiteral("DetailsFileLabel"),
                               QStringLiteral("Please indicate Ombrisave.dat file location:"));
    page->addWidget(fileLabel);
    auto* fileRow = new QHBoxLayout;
    fileEdit_ = new QLineEdit;
    fileEdit_->setObjectName(QStringLiteral("DetailsFileEdit"));
    fileLabel->setBuddy(fileEdit_);
    auto* browse = new QPushButton(QStringLiteral("Browse..."));
    browse->setObjectName(QStringLiteral("DetailsBrowseButton"));
    browse->setAutoDefault(false);
    fileRow->addWidget(fileEdit_, 1);
    fileRow->addWidget(browse);
    page->addLayout(fileRow);
    page->addSpacing(12);

    auto* codePageLabel = NewLabel(QStringLiteral("DetailsCodePageLabel"),
                                   QStringLiteral("Code page the old computer wrote the file's texts in:"));
    page->addWidget(codePageLabel);
    codePage_ = new QComboBox;
    codePage_->setObjectName(QStringLiteral("DetailsCodePageComboBox"));
    FillCodePageCombo(codePage_, Legacy::kDefaultCodePage);
    codePageLabel->setBuddy(codePage_);
    auto* codePageRow = new QHBoxLayout;
    codePageRow->addWidget(codePage_);
    codePageRow->addStretch(1);
    page->addLayout(codePageRow);
    page->addStretch(1);
    page->addWidget(
        NewLabel(QStringLiteral("DetailsNextLabel"), QStringLiteral("Click Next to continue...")));
    connect(fileEdit_, &QLineEdit::textChanged, this, &TTaskImportWizardForm::CheckState);
    connect(browse, &QPushButton::clicked, this, &TTaskImportWizardForm::Browse);
}

void TTaskImportWizardForm::BuildReadPage() {
    QVBoxLayout* page = AddPage(QStringLiteral("ReadTabSheet"), QStringLiteral("ReadTitleLabel"),
                                QStringLiteral("Reading..."));
    readLog_ = new QPlainTextEdit;
    readLog_->setObjectName(QStringLiteral("ReadRichEdit"));
    readLog_->setReadOnly(true);
    page->addWidget(readLog_, 1);
    readWait_ = NewLabel(QStringLiteral("ReadWaitLabel"), QStringLiteral("Please wait..."));
    page->addWidget(readWait_);
}

void TTaskImportWizardForm::BuildPreviewPage() {
    QVBoxLayout* page = AddPage(QStringLiteral("PreviewTabSheet"), QStringLiteral("PreviewTitleLabel"),
                                QStringLiteral("Select items you want to import"));
    page->addWidget(
        NewLabel(QStringLiteral("PreviewFoundLabel"),
                 QStringLiteral("The Wizard has found the following items available for importing:")));
    auto* row = new QHBoxLayout;
    preview_ = new QListWidget;
    preview_->setObjectName(QStringLiteral("PreviewCheckListBox"));
    preview_->setMinimumWidth(170);
    row->addWidget(preview_, 2);

    static const char* const captions[kDetailRowCount] = {"Name:",
                                                          "Type:",
                                                          "Source:",
                                                          "Destination:",
                                                          "Use Compression?:",
                                                          "Use Encryption?:",
                                                          "Additional Settings:",
                                                          "Not on this machine:"};
    static const char* const names[kDetailRowCount] = {
        "Name", "Type", "Source", "Destination", "Compression", "Encryption", "Additional", "Missing"};
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    grid->setVerticalSpacing(6);
    for (int i = 0; i < kDetailRowCount; ++i) {
        const QString name = QString::fromLatin1(names[i]);
        auto* caption = new QLabel(QString::fromLatin1(captions[i]));
        caption->setObjectName(QStringLiteral("Preview") + name + QStringLiteral("Label"));
        caption->setAlignment(Qt::AlignRight | Qt::AlignTop);
        auto* value = new QLabel(kNoValue);
        value->setObjectName(QStringLiteral("Preview") + name + QStringLiteral("ValueLabel"));
        value->setWordWrap(true);
        value->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // A long path wraps (or is cut) instead of widening the window.
        value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        value->setMinimumWidth(120);
        grid->addWidget(caption, i, 0);
        grid->addWidget(value, i, 1);
        details_[i] = value;
    }
    grid->setRowStretch(kDetailRowCount, 1);
    row->addLayout(grid, 3);
    page->addLayout(row, 1);

    auto* mapRow = new QHBoxLayout;
    auto* mapDrives = new QPushButton(QStringLiteral("Map &Drives..."));
    mapDrives->setObjectName(QStringLiteral("PreviewMapDrivesButton"));
    mapDrives->setAutoDefault(false);
    mapDrives->setToolTip(QStringLiteral("Put the drives of the old computer onto folders of this one"));
    driveMapLabel_ = new QLabel;
    driveMapLabel_->setObjectName(QStringLiteral("PreviewDriveMapLabel"));
    driveMapLabel_->setWordWrap(true);
    driveMapLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    mapRow->addWidget(mapDrives, 0, Qt::AlignTop);
    mapRow->addWidget(driveMapLabel_, 1);
    page->addLayout(mapRow);
    page->addWidget(
        NewLabel(QStringLiteral("PreviewNextLabel"), QStringLiteral("Click Next to continue...")));

    connect(preview_, &QListWidget::currentRowChanged, this, &TTaskImportWizardForm::ShowDetails);
    connect(preview_, &QListWidget::itemSelectionChanged, this, &TTaskImportWizardForm::ShowDetails);
    connect(mapDrives, &QPushButton::clicked, this, &TTaskImportWizardForm::EditDriveMap);
}

void TTaskImportWizardForm::BuildProcessPage() {
    QVBoxLayout* page = AddPage(QStringLiteral("ProcessTabSheet"), QStringLiteral("ProcessTitleLabel"),
                                QStringLiteral("Importing..."));
    processLog_ = new QPlainTextEdit;
    processLog_->setObjectName(QStringLiteral("ProcessRichEdit"));
    processLog_->setReadOnly(true);
    page->addWidget(processLog_, 1);
    processWait_ = NewLabel(QStringLiteral("ProcessWaitLabel"), QStringLiteral("Please wait..."));
    page->addWidget(processWait_);
}

void TTaskImportWizardForm::BuildFinishPage() {
    QVBoxLayout* page = AddPage(QStringLiteral("FinishTabSheet"), QStringLiteral("FinishTitleLabel"),
                                QStringLiteral("Task import finished"));
    auto* row = new QHBoxLayout;
    row->addWidget(NewLabel(QStringLiteral("FinishCountLabel"), QStringLiteral("Tasks imported:")));
    count_ = new QLabel(QStringLiteral("0"));
    count_->setObjectName(QStringLiteral("FinishCountValueLabel"));
    row->addWidget(count_);
    row->addStretch(1);
    page->addLayout(row);
    // The Process page passes by itself when something was imported: what happened to each task, an
    // error among them too, is shown here.
    finishLog_ = new QPlainTextEdit;
    finishLog_->setObjectName(QStringLiteral("FinishRichEdit"));
    finishLog_->setReadOnly(true);
    page->addWidget(finishLog_, 1);
}

// --- state ------------------------------------------------------------------------------------------

const std::vector<int>& TTaskImportWizardForm::Sequence() const {
    static const std::vector<int> sequences[] = {
        {pgSelect},
        {pgSelect, pgDetails, pgRead, pgPreview, pgProcess, pgFinish},
        {pgSelect, pgRead, pgPreview, pgProcess, pgFinish},
        {pgSelect, pgRead, pgPreview, pgProcess, pgFinish},
    };
    return sequences[source_];
}

bool TTaskImportWizardForm::HasFurtherPage() const {
    return step_ < static_cast<int>(Sequence().size());
}

void TTaskImportWizardForm::CheckState() {
    const QList<QListWidgetItem*> selected = selectList_->selectedItems();
    source_ = selected.isEmpty() ? srNone : selectList_->row(selected.first()) + 1;
    BackButton()->setEnabled(step_ >= 2);
    bool next = HasFurtherPage();
    if (source_ != srNone)
        CloseButton()->setEnabled(next);
    if (source_ == sr1x && CurrentPage() == pgDetails)
        next = next && !fileEdit_->text().trimmed().isEmpty();
    NextButton()->setEnabled(next);
}

void TTaskImportWizardForm::Next() {
    if (HasFurtherPage())
        ++step_;
    const bool more = HasFurtherPage();
    NextButton()->setVisible(more);
    FinishButton()->setVisible(!more);
    SetDefaultButton(more ? NextButton() : FinishButton());
    const int page = Sequence()[static_cast<size_t>(step_ - 1)];
    ShowPage(page);
    switch (page) {
        case pgRead:
            readWait_->show();
            repaint();
            if (Read()) {
                // Something to choose from: the preview follows by itself.
                Next();
                return;
            }
            // The read is over; nothing is left to wait for on this page.
            readWait_->hide();
            break;
        case pgPreview:
            ListPreview();
            break;
        case pgProcess:
            processWait_->show();
            repaint();
            if (Import()) {
                Next();
                return;
            }
            processWait_->hide();
            break;
        case pgFinish:
            count_->setText(QString::number(imported_));
            finishLog_->setPlainText(processLog_->toPlainText());
            break;
        default:
            break;
    }
    CheckState();
}

void TTaskImportWizardForm::Back() {
    NextButton()->show();
    FinishButton()->hide();
    SetDefaultButton(NextButton());
    if (step_ > 1)
        --step_;
    ShowPage(Sequence()[static_cast<size_t>(step_ - 1)]);
    CheckState();
}

void TTaskImportWizardForm::Browse() {
    if (fileEdit_->text().isEmpty())
        fileEdit_->setText(QStringLiteral("Ombrisave.dat"));
    const QString chosen = prompts_.AskProjectsFile(this, fileEdit_->text());
    if (!chosen.isEmpty())
        fileEdit_->setText(chosen);
}

void TTaskImportWizardForm::EditDriveMap() {
    TDriveMapRows rows = driveRows_;
    if (!prompts_.EditDriveMap(this, rows))
        return;
    TDriveMap map;
    // The editor accepts only rows that make a map; rows from elsewhere are checked all the same.
    if (!DriveMapFromRows(rows, map))
        return;
    driveRows_ = rows;
    driveMap_ = map;
    ShowDriveMap();
    ShowDetails();
}

// --- page actions -----------------------------------------------------------------------------------

bool TTaskImportWizardForm::Read() {
    // The entries of the preview belong to the reader that is replaced here.
    preview_->clear();
    switch (source_) {
        case sr1x: {
            const QString fileName = fileEdit_->text();
            AppendLine(readLog_, FormatText(QStringLiteral("Reading Ombrisave 1.x projects file \"%s\"..."),
                                            {fileName}));
            TOmbrisave1xOptions options;
            options.codePage = codePage_->currentData().toString();
            reader1x_ = std::make_unique<TImportDataOmbrisave1x>(options);
            QStringList errors;
            reader1x_->Load(fileName, errors);
            for (const QString& error : errors)
                AppendLine(readLog_, error);
            return !reader1x_->Items.empty();
        }
        case sr2x:
        case sr3x: {
            const bool two = source_ == sr2x;
            const QString version = two ? QStringLiteral("2.x") : QStringLiteral("3.x");
            AppendLine(readLog_, QStringLiteral("Reading Ombrisave %1 tasks from registry...").arg(version));
            const TLegacyItems* items = nullptr;
            if (two) {
                reader2x_ = std::make_unique<TImportDataOmbrisave2x>();
                reader2x_->Load();
                items = &reader2x_->Items;
            } else {
                reader3x_ = std::make_unique<TImportDataOmbrisave3x>();
                reader3x_->Load();
                items = &reader3x_->Items;
            }
            if (items->empty())
                for (const QString& line : NoRegistryTasksHint(version))
                    AppendLine(readLog_, line);
            return !items->empty();
        }
        default:
            return false;
    }
}

const TLegacyItems* TTaskImportWizardForm::Items() const {
    switch (source_) {
        case sr1x:
            return reader1x_ ? &reader1x_->Items : nullptr;
        case sr2x:
            return reader2x_ ? &reader2x_->Items : nullptr;
        case sr3x:
            return reader3x_ ? &reader3x_->Items : nullptr;
        default:
            return nullptr;
    }
}

void TTaskImportWizardForm::ListPreview() {
    preview_->clear();
    if (const TLegacyItems* items = Items()) {
        for (const auto& item : *items) {
            auto* entry = new QListWidgetItem(item->ItemName(), preview_);
            entry->setFlags(entry->flags() | Qt::ItemIsUserCheckable);
            entry->setCheckState(Qt::Checked);
        }
    }
    ShowDetails();
}

const TLegacyImportItem* TTaskImportWizardForm::SelectedItem() const {
    const TLegacyItems* items = Items();
    const int row = preview_->currentRow();
    if (items == nullptr || row < 0 || row >= static_cast<int>(items->size()) ||
        !preview_->item(row)->isSelected())
        return nullptr;
    return (*items)[static_cast<size_t>(row)].get();
}

void TTaskImportWizardForm::ShowDetails() {
    const TLegacyImportItem* item = SelectedItem();
    for (QString& value : detailValues_)
        value = kNoValue;
    if (item != nullptr) {
        const auto rows = item->PreviewRows();
        for (size_t i = 0; i < rows.size() && i < static_cast<size_t>(drMissing); ++i)
            detailValues_[i] = rows[i].second;
        // What the task would use here, after the drive map.
        if (const std::unique_ptr<TTask> task = item->CreateTaskForImport()) {
            ApplyDriveMap(*task, driveMap_);
            const QStringList missing = MissingPaths(*task);
            detailValues_[drMissing] =
                missing.isEmpty() ? QStringLiteral("none") : missing.join(QLatin1Char('\n'));
        }
    }
    for (int i = 0; i < kDetailRowCount; ++i) {
        QString shown = detailValues_[i];
        // Paths wrap over several lines: each missing one gets a mark where it begins.
        if (i == drMissing && shown.contains(QLatin1Char('\n')))
            shown = QStringLiteral("\u2022 ") + shown.replace(QLatin1Char('\n'), QStringLiteral("\n\u2022 "));
        details_[i]->setText(Breakable(shown));
        details_[i]->setToolTip(detailValues_[i] == kNoValue ? QString() : detailValues_[i]);
    }
}

void TTaskImportWizardForm::ShowDriveMap() {
    if (driveRows_.empty()) {
        driveMapLabel_->setText(
            QStringLiteral("No drives mapped: the paths of the old computer are taken as they are."));
        return;
    }
    QStringList pairs;
    for (const TDriveMapRow& row : driveRows_)
        pairs.append(row.Root + QStringLiteral(" \u2192 ") + row.Folder);
    driveMapLabel_->setText(QStringLiteral("Drives mapped: ") + pairs.join(QStringLiteral("; ")));
}

bool TTaskImportWizardForm::Import() {
    const TLegacyItems* items = Items();
    if (items == nullptr || preview_->count() == 0)
        return false;
    QSet<QString> taken;
    bool added = false;
    for (int row = 0; row < preview_->count() && row < static_cast<int>(items->size()); ++row) {
        if (preview_->item(row)->checkState() != Qt::Checked)
            continue;
        const TLegacyImportItem& item = *(*items)[static_cast<size_t>(row)];
        std::unique_ptr<TTask> task = item.CreateTaskForImport();
        if (!task) {
            AppendLine(processLog_,
                       FormatText(QStringLiteral("Error importing task \"%s\"."), {item.ItemName()}));
            continue;
        }
        ApplyDriveMap(*task, driveMap_);
        // Tasks are stored under their IDs: a second task with a taken ID would overwrite the first.
        EnsureUniqueId(*task, data_.Tasks, taken);
        TTask& imported = data_.AddTask(std::move(task));
        added = true;
        AppendLine(processLog_,
                   FormatText(QStringLiteral("Task \"%s\" successfuly imported."), {item.ItemName()}));
        ++imported_;
        if (TaskImported)
            TaskImported(imported);
    }
    // Once for the whole import: every registration failure of another task is reported each time.
    if (added)
        data_.RegisterHotKeys();
    return true;
}

// --- queries ----------------------------------------------------------------------------------------

QStringList TTaskImportWizardForm::ReadLog() const {
    return LinesOf(readLog_);
}

QStringList TTaskImportWizardForm::ImportLog() const {
    return LinesOf(processLog_);
}

QString TTaskImportWizardForm::DetailValue(int row) const {
    return row >= 0 && row < kDetailRowCount ? detailValues_[row] : QString();
}

void RunTaskImportWizard(QWidget* parent, TMainData& data, TScheduler* scheduler) {
    TWidgetImportWizardPrompts prompts;
    TTaskImportWizardForm wizard(data, prompts, parent);
    if (scheduler != nullptr)
        wizard.TaskImported = [scheduler](TTask& task) { scheduler->RebuildFolderWatchers(task); };
    wizard.exec();
}
