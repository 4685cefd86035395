#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>
#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "model/Task.h"

class QLabel;
class QPushButton;
class QThread;
class QTreeWidget;

// One entry the filter test lists.
struct TFiltersTestRow {
    QString Path;  // full path; a folder's ends with '/'
    bool Folder = false;
    bool Link = false;  // a symbolic link, which a run copies as a link
    qint64 Size = 0;
    TDateTime Modified = 0;
    QString Error;  // not empty: a folder that could not be read, or a filter that cannot be evaluated
};

// The walk of the filter test: the entries a run of the task would take, found by the same rules as
// the run's scan. Each source folder is walked, and for a synchronisation the destination folder too;
// subfolders where the folder includes them, files before the subfolders of their folder. The task's
// index file, the copies set aside by the versions and obsolete-files archives and the archive folders
// themselves are left out; symbolic links are never followed (a link is listed as the entry it is);
// FIFOs, sockets and devices, which a run skips, are not listed. Folders are listed when the filters
// include empty folders, and then only those that pass the filters, since only those are made at the
// destination.
class TFiltersTestWalk {
public:
    explicit TFiltersTestWalk(const TTask& task) : task_(task) {}

    // Walks every root. found gets each listed entry, looking the path of every entry looked at (both
    // on the calling thread). Returns when the walk is done or stopped.
    void Run(const std::function<void(const TFiltersTestRow&)>& found,
             const std::function<void(const QString&)>& looking = {});
    // Any thread: the walk ends at the next entry.
    void Stop() { stop_ = true; }
    bool StopRequested() const { return stop_; }

private:
    void Walk(const QString& folder, bool includeSubfolders);
    void Report(const QString& error);

    const TTask task_;
    std::atomic<bool> stop_{false};
    const std::function<void(const TFiltersTestRow&)>* found_ = nullptr;
    const std::function<void(const QString&)>* looking_ = nullptr;
    QString indexName_;
    bool excludeArchiveCopies_ = false;
    bool listFolders_ = false;
};

// The filter test window: right after it shows it walks the task's folders on a worker thread and
// lists what passes the filters (name, size, type, date modified), the path being looked at and the
// running totals. "&Close" stops the walk at its next entry. The window works on its own copy of the
// task.
class TTaskFiltersTestForm : public QDialog {
    Q_OBJECT
public:
    // How often the window takes the rows the walk found.
    static constexpr int kRefreshMs = 50;

    explicit TTaskFiltersTestForm(const TTask& task, QWidget* parent = nullptr);
    ~TTaskFiltersTestForm() override;

    // True from the start of the walk until its last row is shown.
    bool Working() const { return working_; }
    // True once the walk has ended (or was stopped before it began) and its rows are shown.
    bool Done() const { return done_; }
    int FileCount() const { return files_; }
    int FolderCount() const { return folders_; }
    qint64 TotalBytes() const { return bytes_; }
    // Waits (processing events) until the walk has ended and every row is shown; false on time-out.
    bool WaitUntilDone(int timeoutMs);

    void done(int result) override;

    // Called on the worker thread before each entry the walk looks at (tests hold the walk with it).
    static std::function<void(const QString& path)> EntryHook;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Start();
    void TakeRows();
    void ShowTotals();
    QString TypeName(const TFiltersTestRow& row) const;

    TFiltersTestWalk walk_;
    QThread* thread_ = nullptr;
    std::mutex mutex_;
    std::vector<TFiltersTestRow> pending_;  // guarded by mutex_
    QString current_;                       // guarded by mutex_
    bool walkEnded_ = false;                // guarded by mutex_
    bool started_ = false;
    bool working_ = false;
    bool done_ = false;
    int files_ = 0;
    int folders_ = 0;
    qint64 bytes_ = 0;
    QTimer refresh_;

    QTreeWidget* list_ = nullptr;
    QLabel* currentPath_ = nullptr;
    QLabel* totals_ = nullptr;
    QLabel* workingLabel_ = nullptr;
    QLabel* doneLabel_ = nullptr;
    QLabel* folderType_ = nullptr;
    QPushButton* close_ = nullptr;
    QString totalsFormat_;
};

// Shows the filter test of task modally over parent.
void ShowFiltersTest(const TTask& task, QWidget* parent = nullptr);
