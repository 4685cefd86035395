#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "platform/DateTime.h"

// Text helpers for the files and keys the predecessor program left behind: its single-byte code pages,
// its comma-text lists and the date and time texts it wrote in the locale of the old computer.

namespace Legacy {

// The code page legacy texts are read with unless the user names another.
inline const QString kDefaultCodePage = QStringLiteral("windows-1252");

// Decodes bytes written in codePage ("windows-1252", "cp1250", "1251", "iso-8859-2", "cp850", ...).
// Qt's own decoders are used where they know the name, iconv otherwise. A byte the code page leaves
// undefined becomes the character of the same number, as the old system's conversion did. False (with
// the reason in error) only when the code page is unknown.
bool DecodeCodePage(const QByteArray& bytes, const QString& codePage, QString& out, QString* error = nullptr);
bool IsKnownCodePage(const QString& codePage);

// Whether bytes are well-formed UTF-8 (a leading byte-order mark allowed).
bool IsUtf8(const QByteArray& bytes);

// A settings file as UTF-8 bytes ready for the store's import. A file with a UTF-8 or UTF-16
// byte-order mark, or one that is valid UTF-8, is taken as it is when codePage is empty; any other
// file needs codePage, and without one it is refused with a message that suggests one.
bool SettingsFileAsUtf8(const QByteArray& bytes, const QString& codePage, QByteArray& utf8, QString* error);

// Comma text: elements separated by commas; an element in double quotes may hold commas and blanks,
// with inner quotes doubled. SplitCommaText never fails; MakeCommaText quotes where needed.
QStringList SplitCommaText(const QString& text);
QString MakeCommaText(const QStringList& items);

// Date and time texts as the old computer's locale wrote them. Formats are Qt format texts, tried in
// order; the first that parses the whole text wins.
struct TLegacyLocale {
    QStringList dateFormats;
    QStringList timeFormats;

    // The machine's own short date and time formats first, then the common English and German forms.
    static TLegacyLocale Current();
    static TLegacyLocale English();  // month first: 12/31/2004 2:30:00 PM
    static TLegacyLocale German();   // 31.12.2004 14:30:00
};

// Day count of a date (no time of day), fraction of a time (no date), or both. False when the text
// does not parse with any format of locale.
bool ParseLegacyDate(const QString& text, const TLegacyLocale& locale, TDateTime& out);
bool ParseLegacyTime(const QString& text, const TLegacyLocale& locale, TDateTime& out);
bool ParseLegacyDateTime(const QString& text, const TLegacyLocale& locale, TDateTime& out);

}  // namespace Legacy
