#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The command template language of the archiver and encryptor definitions.
//
// A template is one command line. A placeholder is "%%" and one capital letter; only its first
// occurrence is expanded, and it always replaces the whole word (maximal run of non-blank characters)
// that holds it: the word becomes its switch prefix (the part before "%%", less one leading '{')
// followed by the value. An optional placeholder with an empty value removes its word. Blanks around a
// replaced or removed word stay. Everything else, lower-case forms and environment references
// included, is passed on as written.
//
// Values are inserted in the form the command-line splitter turns back into exactly that value, so a
// file name or password holding blanks, quotes, "$(...)" or ';' reaches the program as one literal
// argument. Placeholders are looked for only in the template's own text, never in values already
// inserted: a file named "x%%P.txt" cannot pull the password into a command.

// Prepares the names of file-list entries by the flags of a "%%L" or "%%F" word: folders (ending with
// '/') give the folder without its '/' (N), the folder with "*.*" (M), both (N and M), or the entry as
// it is; 'q' quotes every name, 'Q' the names holding a blank (a folder's second name follows its
// first); 'S' turns backslashes into slashes; 'A' keeps the names as they are (console names need no
// conversion on this system).
struct TListFlags {
    bool N = false, M = false, q = false, Q = false, S = false, A = false;
    static TListFlags FromWord(const QString& word, QChar placeholder);
};

// The names one entry gives, before quoting.
QStringList PrepareEntryNames(const QString& entry, const TListFlags& flags);

// What the archiver expansion needs.
struct TArchiverTemplateValues {
    QString ArchivePath;  // full path; "%%A" gives its file name, quoted
    QString TempFolder;   // "%%W", with a trailing '/'
    QString Password;     // "%%P", optional
    QStringList Files;    // entries for "%%L" and "%%F"
    QString LevelSwitch;  // "%%S", optional
    int FileIndex = -1;   // entry for "%%F"; outside the list: the word stays as written
    // Where "%%L" writes its list file ("filelist.lst" in the run's temporary folder).
    QString ListFilePath;
};

struct TExpandedCommand {
    QString Command;
    // The command with the inserted password replaced by twelve asterisks, for the log.
    QString LogText;
};

struct TArchiverExpansion {
    bool Ok = true;
    QString Error;  // why the expansion failed (the list file could not be written)
    TExpandedCommand Command;
    // A folder entry of "%%F" that gives two names makes a second command, for the second name.
    std::optional<TExpandedCommand> SecondCommand;
    // Set by "%%E": the largest exit code that still counts as success.
    std::optional<qint32> MaxSuccessExitCode;
    bool NoFilePlaceholder = true;  // the template holds no "%%F"
    bool ListFileWritten = false;
    // Entries left out of the list file because their names hold a line break, which would make a
    // second, different name of the line after it.
    QStringList SkippedEntries;
};

TArchiverExpansion ExpandArchiverTemplate(const QString& templateText, const TArchiverTemplateValues& values);

struct TEncryptorTemplateValues {
    QString SourcePath;       // "%%S", quoted
    QString DestinationPath;  // "%%D", quoted
    QString Password;         // "%%P", optional
};

struct TEncryptorExpansion {
    TExpandedCommand Command;
    std::optional<qint32> MaxSuccessExitCode;
};

TEncryptorExpansion ExpandEncryptorTemplate(const QString& templateText,
                                            const TEncryptorTemplateValues& values);

// The text in double quotes, escaped for the command-line splitter (quotes and the backslashes before
// them, and trailing backslashes).
QString AlwaysQuoted(const QString& text);

// The lines of a list file: CR LF after every line. Written to a temporary name and renamed into place.
bool WriteListFile(const QString& path, const QStringList& lines, QString& error);
