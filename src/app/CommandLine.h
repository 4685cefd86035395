#pragma once

#include <QString>
#include <functional>

class TMainData;

// The command-text tokenizer: blanks (codes 1 to 32) separate tokens, a pair of double quotes between
// tokens is skipped, a double quote opens a stretch (to the next quote or the end) in which blanks belong
// to the token; the quotes themselves are dropped. Nothing is expanded.
int ParamCountOf(const QString& text);  // tokens after the first (the program path)
// Token i (i >= 1) of text; empty when there are fewer. Token 0 is the program's own path.
QString ParamStrOf(const QString& text, int i);

// What the switches of a command text act on besides the task list: the window (or nothing, headless),
// the program's lifetime and the start-up runs of the scheduler.
class TCommandHost {
public:
    virtual ~TCommandHost() = default;
    // No argument at all: restore the main window and show it.
    virtual void ShowMainWindow() = 0;
    virtual void ShowHelpTopic(const QString& topic) = 0;
    virtual void ShowAboutBox() = 0;
    // "/EXIT": close as the window's close button does; "/EXITNOW": end at once.
    virtual void Exit() = 0;
    virtual void ExitNow() = 0;
    virtual void SetExitWhenIdle() = 0;
    virtual void SetTrayIconVisible(bool visible) = 0;
    // The enabled state of the window's actions may have changed (global suspend).
    virtual void UpdateActions() = 0;
    // The runs of tasks with an enabled "at program start-up" item.
    virtual void RunProgramStartupItems() = 0;
    // "/SYSTEMSTARTUP": the system start-up mode and the runs of "at system start-up" items.
    virtual void SystemStartup() = 0;
};

// Runs the switches of one command text (the program's own, or one handed over by a second start), in
// their order. Unknown switches and values are ignored. Tasks are started as non-manual runs.
void ProcessCommandLine(const QString& text, TMainData& data, TCommandHost& host);

// The command text of a process's arguments: each argument after a blank, in double quotes when it holds
// a blank; argument 0 is the program path.
QString CommandTextOf(const QStringList& arguments);
