#pragma once

#include <QString>
#include <QStringList>

// Message texts: every user-visible message is fetched by its key together with its English default.
// Without a language file the default is returned; with one, the file's text for the key in section
// [Misc], with "*|*" turned into CR LF.
QString Translate(const QString& defaultText, const QString& key);

// Loads a language file by its name (e.g. "Dutch.lng") from the user data folder, then from the shipped
// data folder; false (and no language active) when neither has it.
bool LoadLanguageFile(const QString& name);
void UnloadLanguageFile();
bool LanguageFileLoaded();

// The raw text of any key of the loaded language file (window texts use their own sections), or
// fallback when no file is loaded or the file lacks the key. No line-break substitution.
QString LanguageValue(const QString& section, const QString& key, const QString& fallback);

// Captions of the language files on offer: every "*.lng" (any letter case) of the user data folder,
// then of the shipped data folder, as the file name without extension, lower-cased with its first
// letter upper-cased ("DUTCH.LNG" gives "Dutch"). A caption found in both folders is listed once.
// Choosing a caption stores caption + ".lng" as the language, which LoadLanguageFile finds again.
QStringList AvailableLanguageFiles();
