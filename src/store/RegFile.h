#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

#include "store/SafeRegistry.h"

// Settings backups in the registry export text format ("REGEDIT4"): CR LF lines, one header line
// "[HKEY_CURRENT_USER" + path + "]" per key (depth first), then its values: "name"="text",
// "name"=dword:0000002A, "name"=hex:01,02 (the line broken after the comma that follows bytes 25, 50, ...
// with a backslash, the next line indented by two blanks), @ for the
// unnamed value. Inside quotes a backslash and a double quote are escaped with a backslash. A string that
// holds a line break or another control character cannot stand on one line; it is written as hex(1):
// (the text in UTF-16LE with its terminating zero), which the original registry editor reads as a string.

// The whole tree below keyPath as export text.
QByteArray ExportRegText(const QString& keyPath = kProgramRoot);
// Writes ExportRegText to fileName, replacing the file only when the export is complete.
bool ExportRegFile(const QString& fileName, const QString& keyPath = kProgramRoot, QString* error = nullptr);

// What a settings file says, in file order.
struct TRegFileEntry {
    enum class TKind { Key, DeleteKey, Value, DeleteValue };
    TKind kind = TKind::Key;
    QString keyPath;  // store path with a leading backslash (below HKEY_CURRENT_USER)
    TRegValue value;  // Value / DeleteValue (name only)
    int line = 0;
};

struct TRegFileContent {
    std::vector<TRegFileEntry> entries;
};

// Parses a whole settings file. On failure returns false with "line N: reason" in error.
bool ParseRegText(const QByteArray& text, TRegFileContent& out, QString* error = nullptr);

// Parses the whole text first; only a file without faults is written, in one store transaction. Values
// in the file replace stored values of the same name; keys and values the file does not name stay.
bool ImportRegText(const QByteArray& text, QString* error = nullptr);
bool ImportRegFile(const QString& fileName, QString* error = nullptr);
