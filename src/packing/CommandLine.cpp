#include "packing/CommandLine.h"

namespace {

bool IsSeparator(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Start (0-based, inclusive) and end (exclusive) of the word that holds the 1-based position pos;
// start == end when there is none.
void WordBounds(const QString& text, int pos, qsizetype& start, qsizetype& end) {
    const qsizetype at = static_cast<qsizetype>(pos) - 1;
    if (at < 0 || at >= text.size() || text[at] == QLatin1Char(' ')) {
        start = end = at;
        return;
    }
    start = at;
    while (start > 0 && text[start - 1] != QLatin1Char(' '))
        --start;
    end = at;
    while (end < text.size() && text[end] != QLatin1Char(' '))
        ++end;
}

}  // namespace

QStringList SplitCommandLine(const QString& commandLine) {
    QStringList arguments;
    QString current;
    bool inArgument = false;  // an argument has begun (also an empty quoted one)
    bool quoted = false;
    const qsizetype n = commandLine.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = commandLine[i];
        if (!quoted && IsSeparator(c)) {
            if (inArgument) {
                arguments << current;
                current.clear();
                inArgument = false;
            }
            ++i;
            continue;
        }
        inArgument = true;
        if (c == QLatin1Char('\\')) {
            qsizetype backslashes = 0;
            while (i < n && commandLine[i] == QLatin1Char('\\')) {
                ++backslashes;
                ++i;
            }
            if (i < n && commandLine[i] == QLatin1Char('"')) {
                current += QString(backslashes / 2, QLatin1Char('\\'));
                if (backslashes % 2 == 1) {
                    current += QLatin1Char('"');
                    ++i;
                }
                // An even count leaves the quote to the next pass, where it opens or closes.
            } else {
                current += QString(backslashes, QLatin1Char('\\'));
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            if (quoted && i + 1 < n && commandLine[i + 1] == QLatin1Char('"')) {
                current += QLatin1Char('"');
                i += 2;
                continue;
            }
            quoted = !quoted;
            ++i;
            continue;
        }
        current += c;
        ++i;
    }
    if (inArgument)
        arguments << current;
    return arguments;
}

QString QuoteArgument(const QString& argument) {
    const bool plain = !argument.isEmpty() && !argument.contains(QLatin1Char(' ')) &&
                       !argument.contains(QLatin1Char('\t')) && !argument.contains(QLatin1Char('"'));
    if (plain)
        return argument;
    QString out(QLatin1Char('"'));
    qsizetype backslashes = 0;
    for (const QChar c : argument) {
        if (c == QLatin1Char('\\')) {
            ++backslashes;
            continue;
        }
        if (c == QLatin1Char('"')) {
            out += QString(backslashes * 2 + 1, QLatin1Char('\\'));
            out += QLatin1Char('"');
        } else {
            out += QString(backslashes, QLatin1Char('\\'));
            out += c;
        }
        backslashes = 0;
    }
    // Backslashes before the closing quote must not escape it.
    out += QString(backslashes * 2, QLatin1Char('\\'));
    out += QLatin1Char('"');
    return out;
}

QString WordAt(const QString& text, int pos) {
    qsizetype start = 0, end = 0;
    WordBounds(text, pos, start, end);
    return start == end ? QString() : text.mid(start, end - start);
}

QString RemoveWordAt(const QString& text, int& pos) {
    qsizetype start = 0, end = 0;
    WordBounds(text, pos, start, end);
    if (start == end)
        return text;
    pos = static_cast<int>(start);  // 1-based position of the blank before the word, 0 at the start
    return text.left(start) + text.mid(end);
}

QString SwitchPrefixAt(const QString& text, int pos) {
    QString word = WordAt(text, pos);
    const qsizetype marker = word.indexOf(QLatin1String("%%"));
    if (marker >= 0)
        word.truncate(marker);
    if (word.startsWith(QLatin1Char('{')))
        word.remove(0, 1);
    return word;
}

QString DigitsAt(const QString& text, int pos) {
    QString digits;
    for (const QChar c : WordAt(text, pos))
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits += c;
    return digits;
}
