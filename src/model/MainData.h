#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "model/Task.h"

class THotKeyService;
class TVolumeInfoSource;

// What the main data asks of the run engine. The engine implements it; until one is attached, run
// requests are not served.
class TRunControl {
public:
    virtual ~TRunControl() = default;
    // The run request of a task (checks, validation, queue, worker). manual marks a start by hand.
    virtual void RequestRun(TTask& task, bool manual) = 0;
    virtual void RequestStop(TTask& task) = 0;
    // The user's pause of one run: says in the task's log that it is suspended or resumed.
    virtual void SetSuspended(TTask& task, bool suspended) = 0;
    virtual bool IsSuspended(const TTask& task) const = 0;
    // The program-wide suspend switch applied to one running task (no log record of its own).
    virtual void ApplyGlobalSuspend(TTask& task, bool suspended) { SetSuspended(task, suspended); }
};

// What the main data asks of the window: messages and bringing the window forward. Without a window
// nothing is shown.
class TMainDataHost {
public:
    virtual ~TMainDataHost() = default;
    virtual void ShowError(const QString& text) = 0;
    // Asks a yes/no question; true for yes.
    virtual bool Confirm(const QString& text) = 0;
    virtual void BringMainWindowToFront() = 0;
};

// Owns the tasks; destroying the list destroys every task.
class TTasksList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    TTask& operator[](int i) const { return *items_[static_cast<size_t>(i)]; }
    TTask& Add(std::unique_ptr<TTask> task);
    std::unique_ptr<TTask> Take(const TTask& task);
    void Clear() { items_.clear(); }
    bool ContainsId(const QString& id) const;
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<std::unique_ptr<TTask>> items_;
};

struct THotRec {
    int Number = 0;
    QString ID;
};

// The program-wide holder of the group list, the task list and the hot-key table.
class TMainData {
public:
    static constexpr int kHotKeyTableSize = 100;
    // The global hot key that shows the main window.
    static constexpr int kShowMainWindowHotKeyId = 9999;
    // The number a combination is tried under. It differs from the main window's, so that trying a
    // combination in the task dialog never releases the main window's hot key.
    static constexpr int kHotKeyProbeNumber = 9998;

    TMainData();
    ~TMainData();

    QStringList Groups;
    TTasksList Tasks;
    std::array<THotRec, kHotKeyTableSize> HotKeys;
    int HotKeyCount = 0;  // entries 0 .. HotKeyCount - 1 are meaningful

    // Services; each may be left unset (nothing runs, no message shows, no hot key registers).
    TRunControl* RunControl = nullptr;
    TMainDataHost* Host = nullptr;
    THotKeyService* HotKeyService = nullptr;
    TVolumeInfoSource* VolumeInfo = nullptr;
    // The removable-media check of a task, called for every task when a medium arrives.
    std::function<void(TTask&, const QString& drive, const QString& label, const QString& serial)> MediaCheck;

    // Loads the groups (both stored forms) and every task below "\Tasks".
    void LoadAll();
    // Writes the groups and every task, and removes the keys of tasks no longer in the list. The whole
    // save is one store transaction.
    void SaveAll() const;

    // Writes only the task's LastRun to its stored key (when the key exists), so that a process that ran
    // the task does not overwrite changes another process made to the task meanwhile.
    static void SaveLastRun(const TTask& task);

    // The last task in list order whose ID equals id; nullptr when none.
    TTask* FindTask(const QString& id) const;
    // Tasks whose Name equals name exactly, in list order.
    std::vector<TTask*> FindTasksByName(const QString& name) const;

    // The all-tasks pseudo-group: its translated name selects every task.
    static QString AllTasksName();
    // Whether task belongs to group: every task for the all-tasks name; an empty group selects the tasks
    // without a group.
    static bool InGroup(const TTask& task, const QString& group);

    int CountRunning(const QString& group) const;
    bool HasRunning(const QString& group) const { return CountRunning(group) > 0; }
    int CountTasks(const QString& group) const;
    bool HasIdleTask(const QString& group) const;

    void RunByName(const QString& name, bool manual);
    void RunById(const QString& id, bool manual);
    void RunGroup(const QString& group, bool manual);
    void StopGroup(const QString& group);
    void PauseGroup(const QString& group);
    // Sets the suspension of every running task to the global suspend switch.
    void ApplyGlobalSuspend();

    // Groups. Names are unique by exact comparison; the all-tasks name is never stored.
    bool CreateGroup(const QString& name, QString* error = nullptr);
    bool RenameGroup(const QString& oldName, const QString& newName, QString* error = nullptr);
    // Removes the name only; returns the group that becomes current (the one before it, or all tasks).
    QString DeleteGroup(const QString& name);
    void ReorderGroups(const QStringList& ordered);

    // Adds a new task to the list; it becomes the current task.
    TTask& AddTask(std::unique_ptr<TTask> task);
    // Copies task through the scratch key, with a new ID, the "duplicate" name and no hot key.
    TTask& DuplicateTask(const TTask& task);
    // Removes and destroys task unless it runs; false (with the reason in error) when refused.
    bool DeleteTask(TTask& task, QString* error = nullptr);

    // Hot keys.
    void RegisterHotKeys();
    bool CanRegisterHotKey(quint16 hotKey) const;
    bool OnHotKey(int number);
    // Releases every task hot key (the program does so on its way out).
    void ReleaseHotKeys();

    // Clears the error flags whose automatic reset time has come; true when one was cleared.
    bool ResetExpiredErrorFlags();

    // A removable medium appeared at the mount point drive: every task's media check hears of it.
    void MediaArrived(const QString& drive);
};

// Saves the program-wide preferences and every group and task in one store transaction: after a crash
// the store holds either the old or the new state of all of them.
void SaveAllSettings(const TMainData& data);
