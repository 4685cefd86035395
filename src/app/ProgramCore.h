#pragma once

#include <functional>
#include <memory>

class TMainData;
class TScheduler;
class TTask;
class TTaskRunner;
class TVolumeInfoSource;

// What the program does with and without a window alike: the run services, the preferences and the
// tasks, the runner, the scheduler with its triggers, the end of the session and the orderly end.
class TProgramCore {
public:
    TProgramCore();
    ~TProgramCore();
    TProgramCore(const TProgramCore&) = delete;
    TProgramCore& operator=(const TProgramCore&) = delete;

    // The run services, the preferences (the archiver and encryptor tables with them) and every task.
    void Load();
    TMainData& Data() const { return *data_; }

    // The runner and the scheduler with its folder watchers and its media detection. quit ends the program
    // (an exit-when-idle program that has been idle long enough); processEvents serves the event loop while
    // the end of the session waits for runs.
    void Start(std::function<void()> quit, std::function<void()> processEvents);
    TTaskRunner& Runner() const { return *runner_; }
    TScheduler& Scheduler() const { return *scheduler_; }

    // Called on the main thread after a run's end has been handled and its last run saved.
    std::function<void(TTask& task)> RunEnded;

    // The end of the user's session: everything saved, the shutdown runs, then the wait (serving
    // events) while a task that belongs to no group runs.
    void EndOfSession();
    // Stops the scheduler and every run, waits for their ends, saves everything and releases the run
    // services.
    void Finish();

    // The pieces of the command line that act on the scheduler.
    void RunProgramStartupItems();
    void SystemStartup();
    void SetExitWhenIdle();

private:
    std::unique_ptr<TMainData> data_;
    std::unique_ptr<TTaskRunner> runner_;
    std::unique_ptr<TScheduler> scheduler_;
    std::unique_ptr<TVolumeInfoSource> volumes_;
};
