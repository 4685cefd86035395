#pragma once

#include <QStringList>

// tarnovex-cli: the scripting front end. arguments[0] is the program name. Returns the exit status.
int RunCli(const QStringList& arguments);
