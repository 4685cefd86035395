#include "packing/CommandTemplate.h"

#include <QSaveFile>
#include <vector>

#include "packing/CommandLine.h"
#include "platform/FileSystem.h"

namespace {

const QString kMask = QStringLiteral("************");

// A template taken apart into words and the blank runs between them. A word that has been expanded is
// never searched again, so values inserted into the command cannot be taken for placeholders.
struct TSegment {
    QString text;
    QString logText;  // differs from text only where a password was inserted
    bool word = false;
    bool done = false;
};
using TSegments = std::vector<TSegment>;

TSegments Split(const QString& text) {
    TSegments segments;
    qsizetype i = 0;
    while (i < text.size()) {
        const bool blank = text[i] == QLatin1Char(' ');
        qsizetype j = i;
        while (j < text.size() && (text[j] == QLatin1Char(' ')) == blank)
            ++j;
        const QString part = text.mid(i, j - i);
        segments.push_back({part, part, !blank, false});
        i = j;
    }
    return segments;
}

TExpandedCommand Join(const TSegments& segments) {
    TExpandedCommand out;
    for (const TSegment& s : segments) {
        out.Command += s.text;
        out.LogText += s.logText;
    }
    return out;
}

// The first word not yet expanded that holds the placeholder, or -1.
int FindPlaceholder(const TSegments& segments, QChar letter) {
    const QString marker = QStringLiteral("%%") + letter;
    for (size_t i = 0; i < segments.size(); ++i)
        if (segments[i].word && !segments[i].done && segments[i].text.contains(marker))
            return static_cast<int>(i);
    return -1;
}

QString PrefixOf(const QString& word) {
    // SwitchPrefixAt on a text that is only this word.
    return SwitchPrefixAt(word, 1);
}

void Replace(TSegment& segment, const QString& value, const QString& logValue) {
    const QString prefix = PrefixOf(segment.text);
    segment.text = prefix + value;
    segment.logText = prefix + logValue;
    segment.done = true;
}

void Remove(TSegment& segment) {
    segment.text.clear();
    segment.logText.clear();
    segment.done = true;
}

// Expands one placeholder whose value does not depend on the word, or removes its word (an optional
// placeholder without a value). Returns the segment index, -1 when the template lacks the placeholder.
int ExpandSimple(TSegments& segments, QChar letter, const QString& value, bool removeWord,
                 const QString& logValue) {
    const int at = FindPlaceholder(segments, letter);
    if (at < 0)
        return -1;
    if (removeWord)
        Remove(segments[static_cast<size_t>(at)]);
    else
        Replace(segments[static_cast<size_t>(at)], value, logValue);
    return at;
}

std::optional<qint32> ExpandExitLimit(TSegments& segments) {
    const int at = FindPlaceholder(segments, QLatin1Char('E'));
    if (at < 0)
        return std::nullopt;
    bool ok = false;
    const int limit = DigitsAt(segments[static_cast<size_t>(at)].text, 1).toInt(&ok);
    Remove(segments[static_cast<size_t>(at)]);
    return ok ? limit : 0;
}

// Quoting of a name inside a command line: 'q' always; otherwise whenever the splitter needs it.
QString QuoteForCommand(const QString& name, const TListFlags& flags) {
    return flags.q ? AlwaysQuoted(name) : QuoteArgument(name);
}

// Quoting of a name in a list file, which the archiver reads line by line.
QString QuoteForList(const QString& name, bool quote) {
    return quote ? QLatin1Char('"') + name + QLatin1Char('"') : name;
}

bool HoldsLineBreak(const QString& name) {
    return name.contains(QLatin1Char('\n')) || name.contains(QLatin1Char('\r'));
}

}  // namespace

TListFlags TListFlags::FromWord(const QString& word, QChar placeholder) {
    TListFlags flags;
    QString letters = word;
    const qsizetype marker = letters.indexOf(QStringLiteral("%%") + placeholder);
    if (marker >= 0)
        letters.remove(marker, 3);  // the placeholder's own letter is no flag
    for (const QChar c : letters) {
        switch (c.unicode()) {
            case 'N':
                flags.N = true;
                break;
            case 'M':
                flags.M = true;
                break;
            case 'q':
                flags.q = true;
                break;
            case 'Q':
                flags.Q = true;
                break;
            case 'S':
                flags.S = true;
                break;
            case 'A':
                flags.A = true;
                break;
            default:
                break;
        }
    }
    return flags;
}

QStringList PrepareEntryNames(const QString& entry, const TListFlags& flags) {
    QStringList names;
    if (entry.endsWith(QLatin1Char('/')) && entry.size() > 1) {
        const QString bare = entry.left(entry.size() - 1);
        if (flags.N)
            names << bare;
        if (flags.M)
            names << entry + QStringLiteral("*.*");
        if (!flags.N && !flags.M)
            names << entry;
    } else {
        names << entry;
    }
    if (flags.S)
        for (QString& name : names)
            name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // 'A' asks for window code-page names; console and window names are the same here.
    return names;
}

QString AlwaysQuoted(const QString& text) {
    const QString quoted = QuoteArgument(text);
    if (quoted != text)
        return quoted;
    // A plain text: only its trailing backslashes need doubling before the closing quote.
    qsizetype trailing = 0;
    while (trailing < text.size() && text[text.size() - 1 - trailing] == QLatin1Char('\\'))
        ++trailing;
    return QLatin1Char('"') + text + QString(trailing, QLatin1Char('\\')) + QLatin1Char('"');
}

bool WriteListFile(const QString& path, const QStringList& lines, QString& error) {
    QByteArray data;
    for (const QString& line : lines) {
        data += EncodeFileName(line);
        data += "\r\n";
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

TArchiverExpansion ExpandArchiverTemplate(const QString& templateText,
                                          const TArchiverTemplateValues& values) {
    TArchiverExpansion result;
    result.NoFilePlaceholder = !templateText.contains(QStringLiteral("%%F"));
    TSegments segments = Split(templateText);

    const QString archive = AlwaysQuoted(FileSystem::FileNameOf(values.ArchivePath));
    ExpandSimple(segments, QLatin1Char('A'), archive, false, archive);
    const QString temp = QuoteArgument(values.TempFolder);
    ExpandSimple(segments, QLatin1Char('W'), temp, false, temp);
    ExpandSimple(segments, QLatin1Char('P'), QuoteArgument(values.Password), values.Password.isEmpty(),
                 kMask);
    if (const int at = FindPlaceholder(segments, QLatin1Char('R')); at >= 0)
        Remove(segments[static_cast<size_t>(at)]);

    if (const int at = FindPlaceholder(segments, QLatin1Char('L')); at >= 0) {
        const TListFlags flags =
            TListFlags::FromWord(segments[static_cast<size_t>(at)].text, QLatin1Char('L'));
        QStringList lines;
        for (const QString& entry : values.Files) {
            if (HoldsLineBreak(entry)) {
                result.SkippedEntries << entry;
                continue;
            }
            const QStringList names = PrepareEntryNames(entry, flags);
            // A folder's second name is quoted when its first is.
            const bool quote = flags.q || (flags.Q && names.first().contains(QLatin1Char(' ')));
            for (const QString& name : names)
                lines << QuoteForList(name, quote);
        }
        if (!WriteListFile(values.ListFilePath, lines, result.Error)) {
            result.Ok = false;
            return result;
        }
        result.ListFileWritten = true;
        const QString path = QuoteArgument(values.ListFilePath);
        Replace(segments[static_cast<size_t>(at)], path, path);
    }

    std::optional<TSegments> second;
    if (const int at = FindPlaceholder(segments, QLatin1Char('F')); at >= 0) {
        TSegment& segment = segments[static_cast<size_t>(at)];
        if (values.FileIndex >= 0 && values.FileIndex < values.Files.size()) {
            const TListFlags flags = TListFlags::FromWord(segment.text, QLatin1Char('F'));
            const QStringList names = PrepareEntryNames(values.Files[values.FileIndex], flags);
            if (names.size() > 1) {
                second = segments;
                TSegment& other = (*second)[static_cast<size_t>(at)];
                const QString name = QuoteForCommand(names[1], flags);
                Replace(other, name, name);
            }
            const QString name = QuoteForCommand(names[0], flags);
            Replace(segment, name, name);
        } else {
            segment.done = true;  // stays as written
        }
    }

    // The second command is the first one with the other name; the exit limit and the level switch
    // apply to it just as well.
    for (TSegments* command : {&segments, second ? &*second : nullptr}) {
        if (!command)
            continue;
        const std::optional<qint32> limit = ExpandExitLimit(*command);
        if (command == &segments)
            result.MaxSuccessExitCode = limit;
        const QString level = values.LevelSwitch.trimmed();
        ExpandSimple(*command, QLatin1Char('S'), level, level.isEmpty(), level);
    }
    result.Command = Join(segments);
    if (second)
        result.SecondCommand = Join(*second);
    return result;
}

TEncryptorExpansion ExpandEncryptorTemplate(const QString& templateText,
                                            const TEncryptorTemplateValues& values) {
    TEncryptorExpansion result;
    TSegments segments = Split(templateText);
    const QString source = AlwaysQuoted(values.SourcePath);
    ExpandSimple(segments, QLatin1Char('S'), source, false, source);
    const QString destination = AlwaysQuoted(values.DestinationPath);
    ExpandSimple(segments, QLatin1Char('D'), destination, false, destination);
    ExpandSimple(segments, QLatin1Char('P'), QuoteArgument(values.Password), values.Password.isEmpty(),
                 kMask);
    result.MaxSuccessExitCode = ExpandExitLimit(segments);
    result.Command = Join(segments);
    return result;
}
