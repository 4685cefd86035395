#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// A whole INI file held in memory, read-only once parsed. Section and key names are matched without
// regard to case (Unicode case folding). The reader accepts whatever a text editor may leave behind:
// a UTF-8 byte-order mark, CR LF / LF / CR line ends, blank and ';' comment lines, lines without '=',
// duplicate keys (the first one wins), NUL bytes, and text that is not UTF-8 (taken as Latin-1).
// Keys above the first section header belong to the section with the empty name.
class TIniFile {
public:
    TIniFile() = default;

    // Parses the bytes of a file; never fails, unusable lines are skipped.
    static TIniFile Parse(const QByteArray& bytes);
    // Decodes file bytes: UTF-8 without its byte-order mark, or Latin-1 when the bytes are not UTF-8.
    static QString DecodeText(const QByteArray& bytes);

    bool HasSection(const QString& section) const;
    bool HasValue(const QString& section, const QString& key) const;
    // The value with surrounding blanks removed, or fallback when the section or key is absent.
    QString Value(const QString& section, const QString& key, const QString& fallback) const;
    int SectionCount() const { return static_cast<int>(sections_.size()); }
    int KeyCount() const;

private:
    QHash<QString, QHash<QString, QString>> sections_;  // folded section -> folded key -> value
};
