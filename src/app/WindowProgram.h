#pragma once

#include <QStringList>
#include <memory>

#include "app/CommandLine.h"
#include "app/ProgramCore.h"

class TMainWindow;
class TWindowUserInterface;
class TX11HotKeyService;

// The program on a desktop: the main window and its notification-area icon over the same life as the
// headless program (one instance per user and store, the scheduler and triggers, command lines of later
// starts handed to it). The end of the desktop session and SIGTERM run the shutdown items before the
// program ends.
class TWindowProgram : public TCommandHost {
public:
    TWindowProgram();
    ~TWindowProgram() override;

    // The whole life of the program; arguments[0] is the program path. Returns the exit status. Needs a
    // QApplication.
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
    void EndOfSession(bool mayRefuse);
    // The preferences at a page (-1: the last one shown); after OK the window applies and saves them.
    void OpenPreferences(int page);
    void Quit();
    // The global hot key that shows the main window, registered again after every change of the
    // preferences; a combination that cannot be had is reported.
    void MainWindowHoyKeysActivate();
    void HotKeyPressed(int number);

    TProgramCore core_;
    // Declared before the window, so that it outlives it: the window releases its hot keys on the way out.
    std::unique_ptr<TX11HotKeyService> hotKeys_;
    std::unique_ptr<TMainWindow> window_;
    std::unique_ptr<TWindowUserInterface> ui_;
    bool quitting_ = false;
    bool sessionEnded_ = false;
};
