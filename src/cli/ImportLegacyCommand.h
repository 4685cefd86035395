#pragma once

#include <QStringList>

// tarnovex-cli import-legacy: reads the tasks of the predecessor program (a 1.x projects file, or the
// 2.x / 3.x keys that a settings import brought into the store), prints a preview and adds them as
// new tasks. args are the arguments after the command word. Returns the exit status.
int CmdImportLegacy(const QStringList& args);

extern const char* const kImportLegacyHelp;
