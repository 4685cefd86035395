#pragma once

#include <QString>
#include <QStringList>

// The entry that starts the program when the user logs on: a desktop entry named "Tarnovex.desktop" in
// the user's autostart folder ($XDG_CONFIG_HOME/autostart, ~/.config/autostart by default), whose Exec
// line runs the program with " /SYSTEMSTARTUP". When TARNOVEX_HOME is set, the entry passes it on, so
// that the program started at logon uses the same settings store as the one that wrote the entry.
namespace Autostart {

// Full path of the entry file.
QString EntryPath();

// The text of the entry for the program at programPath; empty when the path cannot be written into an
// Exec line (empty, relative, or holding a control character).
QString EntryText(const QString& programPath);

// The Exec value that runs programPath with arguments (each quoted by ExecArgument), led by
// "env TARNOVEX_HOME=..." when TARNOVEX_HOME is set so that the started program finds the same settings
// store. Empty when the path or the home cannot be written into an Exec line.
QString ExecLine(const QString& programPath, const QStringList& arguments);

// The installed program beside the running one ("tarnovex" in its folder).
QString ProgramPath();

// One argument of an Exec line: as it is when it holds no reserved character, otherwise in double
// quotes with ", `, $ and \ escaped; then the escapes of a desktop-entry string value (\ doubled) and
// of field codes (% doubled).
QString ExecArgument(const QString& argument);

// Writes (or replaces) the entry, atomically; false when it cannot be written. An empty programPath
// means the running program.
bool Add(const QString& programPath = QString());
// Whether the entry is present and not switched off (Hidden=true, X-GNOME-Autostart-enabled=false).
bool Exists();
// Deletes the entry; true when none is left.
bool Remove();

}  // namespace Autostart
