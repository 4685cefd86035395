#pragma once

#include <QStringList>
#include <memory>

#include "app/CommandLine.h"
#include "app/ProgramCore.h"

// The program without a window (servers, sessions without a display): one instance per user and
// settings store, the tasks run on their schedules and triggers, command lines of later starts are
// handed to it, SIGTERM is the end of the session (the shutdown runs, then the program ends), SIGINT
// stops the runs and ends it. Every log record is printed on standard output.
class THeadlessProgram : public TCommandHost {
public:
    THeadlessProgram();
    ~THeadlessProgram() override;

    // The whole life of the program; arguments[0] is the program path. Returns the exit status.
    int Run(const QStringList& arguments);

    // TCommandHost
    void ShowMainWindow() override;
    void ShowHelpTopic(const QString& topic) override;
    void ShowAboutBox() override;
    void Exit() override;
    void ExitNow() override;
    void SetExitWhenIdle() override;
    void SetTrayIconVisible(bool visible) override;
    void UpdateActions() override;
    void RunProgramStartupItems() override;
    void SystemStartup() override;

private:
    void EndOfSession();
    void Quit();

    TProgramCore core_;
    bool quitting_ = false;
};
