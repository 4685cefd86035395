#pragma once

#include <QString>
#include <QStringList>

// Command lines of outside programs are single texts (the before/after programs, the archiver and
// encryptor templates). They are taken apart here into the argument list a program receives; no shell
// is ever involved, so nothing in a text is expanded or interpreted.

// Splits a command line into arguments by the classic rules of the platform the command templates come
// from: blanks and tabs outside double quotes separate arguments; a double quote starts or ends a quoted
// part and is removed; inside a quoted part two double quotes give one literal double quote; 2n
// backslashes before a double quote give n backslashes and the quote acts as above, 2n+1 backslashes
// give n backslashes and a literal double quote; every other backslash is literal. "$(...)", backticks,
// ';', '*' and the like are ordinary characters.
QStringList SplitCommandLine(const QString& commandLine);

// The form of one argument that SplitCommandLine turns back into exactly that argument: unchanged when
// it holds no blank, tab or double quote and is not empty, otherwise quoted with its quotes and the
// backslashes before them escaped.
QString QuoteArgument(const QString& argument);

// Word helpers for command templates. A word is a maximal run of characters other than the blank;
// positions are 1-based. A position on a blank or outside the text lies in no word: the word is empty.

// The word that holds position pos.
QString WordAt(const QString& text, int pos);
// The text without the word that holds pos; the blanks before and after the word stay. pos becomes the
// position of the blank just before the removed word (0 when the word began the text), so that a
// replacement inserted right after it stands where the word stood. Without a word at pos the text is
// returned unchanged and pos is left as it was.
QString RemoveWordAt(const QString& text, int& pos);
// The part of WordAt(text, pos) before its first "%%", without one leading '{': "{-p%%P}" gives "-p",
// "-ap%%A" gives "-ap", "%%F" gives "". A word without "%%" is returned whole (less the '{').
QString SwitchPrefixAt(const QString& text, int pos);
// The decimal digits of WordAt(text, pos) in order ("%%E1" gives "1").
QString DigitsAt(const QString& text, int pos);
