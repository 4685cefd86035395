#pragma once

#include <QString>

// Where the program keeps its own files. TARNOVEX_HOME=DIR puts the settings store, the default log
// file and the user's language files in DIR (tests and portable use); otherwise the XDG folders apply.
namespace Paths {

// Folder of the settings store, with a trailing '/': $TARNOVEX_HOME/ or $XDG_CONFIG_HOME/Tarnovex/.
QString UserConfigFolder();
// Folder for files the program writes (default log file, user language files), trailing '/':
// $TARNOVEX_HOME/ or $XDG_DATA_HOME/Tarnovex/.
QString UserDataFolder();
// Folder of the shipped read-only files (Media/, *.lng, help/), trailing '/': <prefix>/share/tarnovex/
// beside an installed program, the repository's data/ folder when run from a build tree.
QString ShippedDataFolder();
// Full path of the settings database.
QString SettingsDatabasePath();
// The system temporary folder with a trailing '/'.
QString SystemTempFolder();
// Folder of the running executable, trailing '/'.
QString ExecutableFolder();

}  // namespace Paths
