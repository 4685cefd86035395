#pragma once

#include <QStringList>

// tarnovex-cli run [--silent] [--quiet] TASK...: runs tasks in this process and waits for their ends.
// args are the arguments after the command word. Returns the exit status.
int CmdRun(const QStringList& args);

extern const char* const kRunHelp;
