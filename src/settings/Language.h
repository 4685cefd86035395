#pragma once

#include <QString>

// Message texts: every user-visible message is fetched by its key together with its English default.
// Without a language file the default is returned; with one, the file's text for the key in section
// [Misc], with "*|*" turned into CR LF.
QString Translate(const QString& defaultText, const QString& key);

// Loads a language file by its name (e.g. "Dutch.lng") from the user data folder, then from the shipped
// data folder; false (and no language active) when neither has it.
bool LoadLanguageFile(const QString& name);
void UnloadLanguageFile();
bool LanguageFileLoaded();
