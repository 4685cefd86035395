#include "ui/FiltersTestForm.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMimeDatabase>
#include <QPushButton>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cerrno>

#include "engine/Scan.h"
#include "model/FileMask.h"
#include "platform/DirEntry.h"
#include "platform/FileSystem.h"
#include "platform/LocaleFormats.h"
#include "settings/FormatText.h"
#include "settings/Language.h"
#include "storage/Transfer.h"
#include "ui/TranslateForm.h"

namespace {

enum TColumn { colName, colSize, colType, colModified };

QString ReadErrorText(const QString& folder, int error) {
    return FormatText(Translate(QStringLiteral("Can't read folder \"%s\". (Description: %s; System error "
                                               "code: %d)."),
                                QStringLiteral("strScanFolderReadError")),
                      {folder, FileSystem::ErrorText(error), QString::number(error)});
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// The walk

void TFiltersTestWalk::Run(const std::function<void(const TFiltersTestRow&)>& found,
                           const std::function<void(const QString&)>& looking) {
    found_ = &found;
    looking_ = &looking;
    indexName_ = task_.IndexFileName();
    excludeArchiveCopies_ = ExcludesArchiveCopies(task_);
    listFolders_ = IncludesEmptyFolders(task_.Filters);

    struct TRoot {
        QString folder;
        bool includeSubfolders;
    };
    std::vector<TRoot> roots;
    for (int i = 0; i < task_.SourceFolderCount(); ++i) {
        // A blank source is no folder at all (its path would be the file system's root).
        if (!task_.SourceFolders[static_cast<size_t>(i)].Folder.trimmed().isEmpty())
            roots.push_back({task_.SourceFolderPath(i), task_.IncludeSubfolders(i)});
    }
    if (task_.TaskAction == TTaskAction::taSynchronize && task_.DestType == TDestKind::dkLocal &&
        !task_.DestLocal.trimmed().isEmpty())
        roots.push_back({task_.DestinationFolder(-1), task_.IncludeSubfolders(0)});

    try {
        for (const TRoot& root : roots) {
            if (stop_)
                break;
            if (!root.folder.startsWith(QLatin1Char('/'))) {
                Report(ReadErrorText(root.folder, ENOENT));
                continue;
            }
            Walk(root.folder, root.includeSubfolders);
        }
    } catch (const EFilterMaskError& error) {
        // A run ends at such a filter too; the test says why instead of listing half.
        Report(QString::fromUtf8(error.what()));
    }
    found_ = nullptr;
    looking_ = nullptr;
}

void TFiltersTestWalk::Report(const QString& error) {
    TFiltersTestRow row;
    row.Error = error;
    (*found_)(row);
}

void TFiltersTestWalk::Walk(const QString& folder, bool includeSubfolders) {
    if (stop_)
        return;
    std::vector<FileSystem::TFolderEntry> entries;
    const int listError = FileSystem::ListFolder(folder, entries);
    if (listError != 0) {
        Report(ReadErrorText(folder, listError));
        return;
    }
    const auto look = [this](const QString& path) {
        if (*looking_)
            (*looking_)(path);
    };

    // Files first, as the run handles them.
    for (const FileSystem::TFolderEntry& found : entries) {
        if (stop_)
            return;
        const QString path = JoinPath(folder, found.name);
        look(path);
        if (found.type == FileSystem::TEntryType::Folder || IsTransferTempName(found.name))
            continue;
        TDirEntry entry;
        if (!ReadDirEntry(path, entry) || entry.isFolder || entry.isSpecial)
            continue;
        if (!PassesFilters(task_.Filters, folder, entry, indexName_, excludeArchiveCopies_))
            continue;
        TFiltersTestRow row;
        row.Path = path;
        row.Link = entry.isSymLink;
        row.Size = entry.size;
        row.Modified = entry.lastWriteTime;
        (*found_)(row);
    }
    if (!includeSubfolders)
        return;

    for (const FileSystem::TFolderEntry& found : entries) {
        if (stop_)
            return;
        // A link to a folder has the type of a link here: it is never descended into.
        if (found.type != FileSystem::TEntryType::Folder)
            continue;
        const QString path = JoinPath(folder, found.name);
        const QString sub = path + QLatin1Char('/');
        if (IsArchiveFolder(task_, sub))
            continue;
        look(path);
        TDirEntry entry;
        if (!ReadDirEntry(path, entry) || !entry.isFolder)
            continue;
        if (!PassesFilters(task_.Filters, folder, entry, indexName_, excludeArchiveCopies_))
            continue;
        if (listFolders_) {
            TFiltersTestRow row;
            row.Path = sub;
            row.Folder = true;
            row.Modified = entry.lastWriteTime;
            (*found_)(row);
        }
        Walk(path, true);
    }
}

// ---------------------------------------------------------------------------------------------------
// The window

std::function<void(const QString&)> TTaskFiltersTestForm::EntryHook;

TTaskFiltersTestForm::TTaskFiltersTestForm(const TTask& task, QWidget* parent)
    : QDialog(parent), walk_(task) {
    setObjectName(QStringLiteral("TaskFiltersTestForm"));
    setWindowTitle(QStringLiteral("Task Filters Test Output"));
    auto* layout = new QVBoxLayout(this);

    auto* currentRow = new QHBoxLayout;
    auto* currentLabel = new QLabel(QStringLiteral("Current:"));
    currentLabel->setObjectName(QStringLiteral("CurrentLabel"));
    currentPath_ = new QLabel;
    currentPath_->setObjectName(QStringLiteral("CurrentPathLabel"));
    currentPath_->setMinimumWidth(200);
    currentPath_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    currentRow->addWidget(currentLabel);
    currentRow->addWidget(currentPath_, 1);
    layout->addLayout(currentRow);

    list_ = new QTreeWidget;
    list_->setObjectName(QStringLiteral("ListViewFiles"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Type"),
                            QStringLiteral("Date Modified")});
    list_->setColumnWidth(colName, 380);
    list_->setColumnWidth(colSize, 90);
    list_->setColumnWidth(colType, 160);
    list_->headerItem()->setTextAlignment(colSize, Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(list_, 1);

    auto* bottom = new QHBoxLayout;
    totals_ = new QLabel(QStringLiteral("Files: %d; Folders: %d; Size: %s bytes."));
    totals_->setObjectName(QStringLiteral("TotalsLabel"));
    workingLabel_ = new QLabel(QStringLiteral("Working"));
    workingLabel_->setObjectName(QStringLiteral("WorkingLabel"));
    doneLabel_ = new QLabel(QStringLiteral("Done"));
    doneLabel_->setObjectName(QStringLiteral("DoneLabel"));
    doneLabel_->hide();
    // The type shown for a folder; a label so that the language file translates it with the window.
    folderType_ = new QLabel(QStringLiteral("Folder"), this);
    folderType_->setObjectName(QStringLiteral("FolderTypeLabel"));
    folderType_->hide();
    close_ = new QPushButton(QStringLiteral("&Close"));
    close_->setObjectName(QStringLiteral("CloseButton"));
    close_->setDefault(true);
    connect(close_, &QPushButton::clicked, this, &QDialog::reject);
    bottom->addWidget(totals_, 1);
    bottom->addWidget(workingLabel_);
    bottom->addWidget(doneLabel_);
    bottom->addSpacing(12);
    bottom->addWidget(close_);
    layout->addLayout(bottom);

    TranslateForm(this);
    totalsFormat_ = totals_->text();
    ShowTotals();
    refresh_.setInterval(kRefreshMs);
    connect(&refresh_, &QTimer::timeout, this, &TTaskFiltersTestForm::TakeRows);
    resize(860, 520);
}

TTaskFiltersTestForm::~TTaskFiltersTestForm() {
    walk_.Stop();
    if (thread_ != nullptr) {
        thread_->wait();
        delete thread_;
    }
}

void TTaskFiltersTestForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!started_) {
        started_ = true;
        // After the window has been drawn, so that it is there while the first folders are read.
        QTimer::singleShot(0, this, &TTaskFiltersTestForm::Start);
    }
}

void TTaskFiltersTestForm::Start() {
    if (walk_.StopRequested()) {
        done_ = true;
        return;
    }
    working_ = true;
    thread_ = QThread::create([this] {
        const std::function<void(const TFiltersTestRow&)> found = [this](const TFiltersTestRow& row) {
            std::lock_guard lock(mutex_);
            pending_.push_back(row);
        };
        const std::function<void(const QString&)> looking = [this](const QString& path) {
            {
                std::lock_guard lock(mutex_);
                current_ = path;
            }
            if (EntryHook)
                EntryHook(path);
        };
        walk_.Run(found, looking);
        std::lock_guard lock(mutex_);
        walkEnded_ = true;
    });
    thread_->start();
    refresh_.start();
}

void TTaskFiltersTestForm::TakeRows() {
    std::vector<TFiltersTestRow> rows;
    QString current;
    bool ended = false;
    {
        std::lock_guard lock(mutex_);
        rows.swap(pending_);
        current = current_;
        ended = walkEnded_;
    }
    // Once the walk has ended nothing is being looked at any more.
    if (ended)
        current.clear();
    const QString shown = currentPath_->fontMetrics().elidedText(current, Qt::ElideMiddle,
                                                                 std::max(currentPath_->width(), 200));
    if (currentPath_->text() != shown)
        currentPath_->setText(shown);
    currentPath_->setToolTip(current);

    if (!rows.empty()) {
        const QLocale locale;
        QList<QTreeWidgetItem*> items;
        items.reserve(static_cast<qsizetype>(rows.size()));
        for (const TFiltersTestRow& row : rows) {
            auto* item = new QTreeWidgetItem;
            if (!row.Error.isEmpty()) {
                item->setText(colName, row.Error);
                item->setForeground(colName, Qt::red);
                item->setFirstColumnSpanned(true);
            } else {
                item->setText(colName, row.Path);
                if (!row.Folder)
                    item->setText(colSize, locale.toString(row.Size));
                item->setTextAlignment(colSize, Qt::AlignRight | Qt::AlignVCenter);
                item->setText(colType, TypeName(row));
                item->setText(colModified, LocaleFormats::FormatShortDate(row.Modified) + QLatin1Char(' ') +
                                               LocaleFormats::FormatLongTime(row.Modified));
                if (row.Folder) {
                    ++folders_;
                } else {
                    ++files_;
                    bytes_ += row.Size;
                }
            }
            items.append(item);
        }
        list_->addTopLevelItems(items);
        ShowTotals();
    }
    if (ended && working_) {
        working_ = false;
        done_ = true;
        refresh_.stop();
        workingLabel_->hide();
        doneLabel_->show();
    }
}

void TTaskFiltersTestForm::ShowTotals() {
    totals_->setText(FormatText(
        totalsFormat_, {QString::number(files_), QString::number(folders_), QLocale().toString(bytes_)}));
}

QString TTaskFiltersTestForm::TypeName(const TFiltersTestRow& row) const {
    if (row.Folder)
        return folderType_->text();
    static const QMimeDatabase mimes;
    if (row.Link)
        return mimes.mimeTypeForName(QStringLiteral("inode/symlink")).comment();
    // The type by the name alone: reading the contents of every file would slow the test down.
    const QList<QMimeType> types = mimes.mimeTypesForFileName(FileSystem::FileNameOf(row.Path));
    const QMimeType type =
        types.isEmpty() ? mimes.mimeTypeForName(QStringLiteral("application/octet-stream")) : types.first();
    return type.comment();
}

bool TTaskFiltersTestForm::WaitUntilDone(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done_ && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return done_;
}

void TTaskFiltersTestForm::done(int result) {
    // The walk ends at its next entry; the window waits for it only when it is destroyed.
    walk_.Stop();
    QDialog::done(result);
}

void ShowFiltersTest(const TTask& task, QWidget* parent) {
    TTaskFiltersTestForm form(task, parent);
    form.exec();
}
