#pragma once

#include <QString>
#include <QStringList>

// The program tips of the tips panel, one line each. A line that begins with "/" carries the help topic
// that "More Help" opens, up to its first blank.
const QStringList& TipLines();

struct TTip {
    QString Text;
    QString Topic;  // empty when the tip has none
};

// The tip at index; an index outside the list is taken as 0.
TTip TipAt(int index);
// One tip line split into its help topic and its text.
TTip TipOf(const QString& line);
// The tip at index with the text of the same line of lines (the tips as a language file gives them);
// the topic stays the built-in one unless the translated line names its own.
TTip TranslatedTipAt(const QStringList& lines, int index);
// index moved by step with wrap-around (an index outside the list counts as 0).
int NextTipIndex(int index, int step);
