#pragma once

#include <QString>

// The process-wide settings database behind every TSafeRegistry. It opens itself on first use at
// Paths::SettingsDatabasePath(); Open and Close exist for tests and for tools that switch stores.
namespace SettingsStore {

// Opens the store at path (the default path when empty), closing the one that is open. A file that is
// corrupt or not a database is moved aside as "<name>.corrupt-YYYYMMDD-HHMMSS", a fresh store is
// started and a warning goes to standard error; the store is always usable afterwards.
bool Open(const QString& path = QString());
// Writes pending changes and closes the database; the next access opens the default path again.
void Close();
// Path of the open database file.
QString FilePath();

}  // namespace SettingsStore
