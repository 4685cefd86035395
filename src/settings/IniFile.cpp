#include "settings/IniFile.h"

#include <QStringDecoder>

namespace {

QString Fold(const QString& name) {
    return name.trimmed().toCaseFolded();
}

}  // namespace

QString TIniFile::DecodeText(const QByteArray& bytes) {
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(view);
    // Older language files were saved in a single-byte code page; Latin-1 keeps every byte and never fails.
    if (utf8.hasError())
        text = QString::fromLatin1(view.data(), view.size());
    return text;
}

TIniFile TIniFile::Parse(const QByteArray& bytes) {
    TIniFile ini;
    const QString text = DecodeText(bytes);
    QString section;  // folded; keys above the first section header belong to the nameless section
    qsizetype pos = 0;
    const qsizetype size = text.size();
    while (pos < size) {
        qsizetype end = pos;
        while (end < size && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r'))
            ++end;
        const QStringView line = QStringView(text).sliced(pos, end - pos).trimmed();
        // CR LF counts as one line end, a lone CR or LF as one each.
        pos = end + 1;
        if (end < size && text[end] == QLatin1Char('\r') && pos < size && text[pos] == QLatin1Char('\n'))
            ++pos;

        if (line.isEmpty() || line.front() == QLatin1Char(';'))
            continue;
        if (line.front() == QLatin1Char('[')) {
            qsizetype close = line.indexOf(QLatin1Char(']'));
            if (close < 0)
                close = line.size();
            section = Fold(line.sliced(1, close - 1).toString());
            ini.sections_[section];  // an empty section still exists
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = Fold(line.first(eq).toString());
        if (key.isEmpty())
            continue;
        QHash<QString, QString>& keys = ini.sections_[section];
        if (!keys.contains(key))
            keys.insert(key, line.sliced(eq + 1).trimmed().toString());
    }
    return ini;
}

bool TIniFile::HasSection(const QString& section) const {
    return sections_.contains(Fold(section));
}

bool TIniFile::HasValue(const QString& section, const QString& key) const {
    const auto it = sections_.constFind(Fold(section));
    return it != sections_.cend() && it->contains(Fold(key));
}

QString TIniFile::Value(const QString& section, const QString& key, const QString& fallback) const {
    const auto it = sections_.constFind(Fold(section));
    if (it == sections_.cend())
        return fallback;
    const auto value = it->constFind(Fold(key));
    return value == it->cend() ? fallback : *value;
}

int TIniFile::KeyCount() const {
    qsizetype count = 0;
    for (const auto& keys : sections_)
        count += keys.size();
    return static_cast<int>(count);
}
