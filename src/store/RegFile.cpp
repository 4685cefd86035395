#include "store/RegFile.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringConverter>
#include <QStringList>

namespace {

const QByteArray kCrLf = QByteArrayLiteral("\r\n");
const QString kRootName = QStringLiteral("HKEY_CURRENT_USER");
const QString kHeader4 = QStringLiteral("REGEDIT4");
const QString kHeader5 = QStringLiteral("Windows Registry Editor Version 5.00");
constexpr int kBytesPerHexLine = 25;

bool HasControlCharacters(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.isSurrogate())
            return true;
    return false;
}

// Inside quotes: a backslash and a double quote get a backslash. Control characters, which cannot
// stand on one line, are written as \r, \n, \t or \xHH (only names need this; texts holding them are
// written as hex(1)).
QByteArray Quote(const QString& text) {
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\')
            out += QStringLiteral("\\\\");
        else if (u == '"')
            out += QStringLiteral("\\\"");
        else if (u == '\r')
            out += QStringLiteral("\\r");
        else if (u == '\n')
            out += QStringLiteral("\\n");
        else if (u == '\t')
            out += QStringLiteral("\\t");
        else if (u < 0x20)
            out +=
                QStringLiteral("\\x") + QString::number(u, 16).rightJustified(2, QLatin1Char('0')).toUpper();
        else
            out += c;  // surrogate pairs stay together, so the UTF-8 below is whole
    }
    out += QLatin1Char('"');
    return out.toUtf8();
}

QByteArray HexBytes(const QByteArray& prefix, const QByteArray& bytes) {
    QByteArray out = prefix;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out += QByteArray::number(static_cast<quint8>(bytes[i]), 16).rightJustified(2, '0').toUpper();
        if (i + 1 < bytes.size()) {
            out += ',';
            if (i > 0 && i % kBytesPerHexLine == 0)
                out += "\\" + kCrLf + "  ";
        }
    }
    return out;
}

QByteArray Utf16Le(const QString& text) {
    QByteArray out;
    out.reserve((text.size() + 1) * 2);
    for (const QChar c : text) {
        out += static_cast<char>(c.unicode() & 0xFF);
        out += static_cast<char>(c.unicode() >> 8);
    }
    out += '\0';
    out += '\0';
    return out;
}

QByteArray ValueLine(const TRegValue& value) {
    QByteArray line = value.name.isEmpty() ? QByteArray("@") : Quote(value.name);
    line += '=';
    switch (value.type) {
        case TRegDataType::rdString:
        case TRegDataType::rdExpandString:
            if (HasControlCharacters(value.text))
                line += HexBytes(value.type == TRegDataType::rdString ? "hex(1):" : "hex(2):",
                                 Utf16Le(value.text));
            else if (value.type == TRegDataType::rdExpandString)
                line += HexBytes("hex(2):", Utf16Le(value.text));
            else
                line += Quote(value.text);
            break;
        case TRegDataType::rdInteger:
            line +=
                "dword:" +
                QByteArray::number(static_cast<quint32>(value.integer), 16).rightJustified(8, '0').toUpper();
            break;
        case TRegDataType::rdBinary:
            line += HexBytes("hex:", value.bytes);
            break;
        default:
            line += "\"\"";
    }
    return line;
}

// Depth first without recursion, so that a deep tree cannot exhaust the stack.
bool ExportTree(const QString& keyPath, QByteArray& out) {
    TSafeRegistry reg;
    std::vector<QString> pending{keyPath};
    bool first = true;
    while (!pending.empty()) {
        const QString path = pending.back();
        pending.pop_back();
        if (!reg.OpenKeyReadOnly(path)) {
            if (first)
                return false;
            continue;
        }
        first = false;
        const QString spelled = reg.CurrentPath();
        out += kCrLf + "[" + (kRootName + spelled).toUtf8() + "]" + kCrLf;
        QStringList names;
        reg.GetValueNames(names);
        for (const QString& name : names) {
            TRegValue value;
            if (reg.ReadRawValue(name, value))
                out += ValueLine(value) + kCrLf;
        }
        QStringList children;
        reg.GetKeyNames(children);
        for (auto it = children.crbegin(); it != children.crend(); ++it)
            pending.push_back(spelled + QLatin1Char('\\') + *it);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Parsing

struct TParser {
    QStringList lines;
    int index = 0;  // next line
    QString* error = nullptr;

    bool Fail(int line, const QString& what) {
        if (error)
            *error = QStringLiteral("line %1: %2").arg(line).arg(what);
        return false;
    }
};

QString DecodeText(const QByteArray& raw) {
    if (raw.startsWith("\xFF\xFE")) {
        auto decode = QStringDecoder(QStringDecoder::Utf16LE);
        return decode(raw.mid(2));
    }
    QByteArray bytes = raw.startsWith("\xEF\xBB\xBF") ? raw.mid(3) : raw;
    auto decode = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decode(bytes);
    if (decode.hasError())
        text = QString::fromLatin1(bytes);  // an 8-bit file from elsewhere
    return text;
}

// Reads a quoted text starting at text[pos] == '"'; pos ends after the closing quote.
bool ReadQuoted(const QString& text, qsizetype& pos, QString& out, QString& problem) {
    out.clear();
    for (++pos; pos < text.size(); ++pos) {
        const QChar c = text[pos];
        if (c == QLatin1Char('"')) {
            ++pos;
            return true;
        }
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        if (++pos >= text.size())
            break;
        const QChar e = text[pos];
        if (e == QLatin1Char('r'))
            out += QLatin1Char('\r');
        else if (e == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (e == QLatin1Char('t'))
            out += QLatin1Char('\t');
        else if (e == QLatin1Char('x') && pos + 2 < text.size()) {
            bool ok = false;
            const int code = text.mid(pos + 1, 2).toInt(&ok, 16);
            if (!ok) {
                problem = QStringLiteral("bad \\x escape");
                return false;
            }
            out += QChar(code);
            pos += 2;
        } else
            out += e;  // \\ and \" and, as the registry editor reads them, any other escaped character
    }
    problem = QStringLiteral("unterminated string");
    return false;
}

bool ParseHexBytes(const QString& text, QByteArray& out, QString& problem) {
    out.clear();
    const QStringList parts = text.split(QLatin1Char(','));
    if (text.trimmed().isEmpty())
        return true;
    out.reserve(parts.size());
    for (const QString& part : parts) {
        const QString byte = part.trimmed();
        bool ok = false;
        const int value = byte.toInt(&ok, 16);
        if (!ok || byte.size() > 2 || value < 0 || value > 255) {
            problem = QStringLiteral("bad hexadecimal byte \"%1\"").arg(byte.left(20));
            return false;
        }
        out += static_cast<char>(value);
    }
    return true;
}

QString FromUtf16Le(const QByteArray& bytes) {
    QString out;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        out += QChar(
            static_cast<char16_t>(static_cast<quint8>(bytes[i]) | (static_cast<quint8>(bytes[i + 1]) << 8)));
    if (out.endsWith(QChar(0)))
        out.chop(1);  // the terminator only; zeros inside the text stay
    return out;
}

bool ParseKeyLine(TParser& p, const QString& line, int lineNumber, TRegFileContent& out,
                  QString& currentKey) {
    if (!line.endsWith(QLatin1Char(']')))
        return p.Fail(lineNumber, QStringLiteral("key header without \"]\""));
    QString inner = line.mid(1, line.size() - 2);
    TRegFileEntry entry;
    entry.line = lineNumber;
    entry.kind = TRegFileEntry::TKind::Key;
    if (inner.startsWith(QLatin1Char('-'))) {
        entry.kind = TRegFileEntry::TKind::DeleteKey;
        inner.remove(0, 1);
    }
    const QString root = inner.section(QLatin1Char('\\'), 0, 0);
    if (root.compare(kRootName, Qt::CaseInsensitive) != 0 &&
        root.compare(QLatin1String("HKCU"), Qt::CaseInsensitive) != 0)
        return p.Fail(lineNumber,
                      QStringLiteral("key \"%1\" is not below HKEY_CURRENT_USER").arg(root.left(60)));
    const QString rest = inner.mid(root.size());
    if (!rest.startsWith(QLatin1Char('\\')) || rest.size() < 2)
        return p.Fail(lineNumber, QStringLiteral("a key below HKEY_CURRENT_USER is expected"));
    const QStringList components = rest.mid(1).split(QLatin1Char('\\'));
    if (components.contains(QString()))
        return p.Fail(lineNumber, QStringLiteral("empty key name in \"%1\"").arg(rest.left(80)));
    entry.keyPath = rest;
    currentKey = entry.kind == TRegFileEntry::TKind::Key ? entry.keyPath : QString();
    out.entries.push_back(entry);
    return true;
}

bool ParseValueLine(TParser& p, QString line, int lineNumber, TRegFileContent& out,
                    const QString& currentKey) {
    if (currentKey.isEmpty())
        return p.Fail(lineNumber, QStringLiteral("value outside of a key"));
    TRegFileEntry entry;
    entry.line = lineNumber;
    entry.keyPath = currentKey;
    entry.kind = TRegFileEntry::TKind::Value;
    qsizetype pos = 0;
    QString problem;
    if (line.startsWith(QLatin1Char('@'))) {
        pos = 1;
    } else if (line.startsWith(QLatin1Char('"'))) {
        if (!ReadQuoted(line, pos, entry.value.name, problem))
            return p.Fail(lineNumber, problem);
    } else {
        return p.Fail(lineNumber, QStringLiteral("a value name must be quoted or @"));
    }
    while (pos < line.size() && line[pos].isSpace())
        ++pos;
    if (pos >= line.size() || line[pos] != QLatin1Char('='))
        return p.Fail(lineNumber, QStringLiteral("\"=\" expected"));
    ++pos;
    while (pos < line.size() && line[pos].isSpace())
        ++pos;
    QString data = line.mid(pos);

    if (data == QLatin1String("-")) {
        entry.kind = TRegFileEntry::TKind::DeleteValue;
    } else if (data.startsWith(QLatin1Char('"'))) {
        qsizetype at = 0;
        if (!ReadQuoted(data, at, entry.value.text, problem))
            return p.Fail(lineNumber, problem);
        const QString tail = data.mid(at).trimmed();
        if (!tail.isEmpty() && !tail.startsWith(QLatin1Char(';')))
            return p.Fail(lineNumber, QStringLiteral("text after the closing quote"));
        entry.value.type = TRegDataType::rdString;
    } else if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        const QString digits = data.mid(6).trimmed();
        bool ok = false;
        const qulonglong number = digits.toULongLong(&ok, 16);
        if (!ok || digits.isEmpty() || digits.size() > 8)
            return p.Fail(lineNumber, QStringLiteral("bad dword value"));
        entry.value.type = TRegDataType::rdInteger;
        entry.value.integer = static_cast<qint32>(static_cast<quint32>(number));
    } else if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
        const qsizetype colon = data.indexOf(QLatin1Char(':'));
        if (colon < 0)
            return p.Fail(lineNumber, QStringLiteral("bad hex value"));
        const QString kind = data.left(colon).toLower();
        QByteArray bytes;
        if (!ParseHexBytes(data.mid(colon + 1), bytes, problem))
            return p.Fail(lineNumber, problem);
        if (kind == QLatin1String("hex")) {
            entry.value.type = TRegDataType::rdBinary;
            entry.value.bytes = bytes;
        } else if (kind == QLatin1String("hex(1)") || kind == QLatin1String("hex(2)")) {
            // Strings written as UTF-16LE with their terminating zero.
            entry.value.type =
                kind == QLatin1String("hex(1)") ? TRegDataType::rdString : TRegDataType::rdExpandString;
            entry.value.text = FromUtf16Le(bytes);
        } else if (kind == QLatin1String("hex(0)") || kind == QLatin1String("hex(3)") ||
                   kind == QLatin1String("hex(4)") || kind == QLatin1String("hex(7)") ||
                   kind == QLatin1String("hex(b)")) {
            // Types the program never writes itself; their bytes are kept as a binary value.
            entry.value.type = TRegDataType::rdBinary;
            entry.value.bytes = bytes;
        } else {
            return p.Fail(lineNumber, QStringLiteral("unknown value type \"%1\"").arg(kind.left(20)));
        }
    } else {
        return p.Fail(lineNumber, QStringLiteral("unknown value data \"%1\"").arg(data.left(20)));
    }
    out.entries.push_back(std::move(entry));
    return true;
}

}  // namespace

QByteArray ExportRegText(const QString& keyPath) {
    QByteArray out = kHeader4.toUtf8() + kCrLf;
    ExportTree(keyPath, out);
    return out;
}

bool ExportRegFile(const QString& fileName, const QString& keyPath, QString* error) {
    QByteArray text = kHeader4.toUtf8() + kCrLf;
    if (!ExportTree(keyPath, text)) {
        // An export that saves nothing must not look like a backup.
        if (error)
            *error = QStringLiteral("the settings key %1 does not exist").arg(keyPath);
        return false;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

bool ParseRegText(const QByteArray& raw, TRegFileContent& out, QString* error) {
    out.entries.clear();
    TParser p;
    p.error = error;
    QString text = DecodeText(raw);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    p.lines = text.split(QLatin1Char('\n'));

    int lineNumber = 0;
    bool headerSeen = false;
    QString currentKey;
    while (p.index < p.lines.size()) {
        lineNumber = p.index + 1;
        QString line = p.lines[p.index++].trimmed();
        if (line.isEmpty())
            continue;
        if (!headerSeen) {
            if (line != kHeader4 && line != kHeader5)
                return p.Fail(lineNumber, QStringLiteral("not a settings file (REGEDIT4 expected)"));
            headerSeen = true;
            continue;
        }
        if (line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            if (!ParseKeyLine(p, line, lineNumber, out, currentKey))
                return false;
            continue;
        }
        // A hex value continues on the next lines while its line ends in a backslash.
        static const QRegularExpression hexValue(QStringLiteral("=\\s*hex"),
                                                 QRegularExpression::CaseInsensitiveOption);
        const bool isHex = line.contains(hexValue);
        while (isHex && line.endsWith(QLatin1Char('\\'))) {
            if (p.index >= p.lines.size())
                return p.Fail(lineNumber, QStringLiteral("value continues past the end"));
            line.chop(1);
            line += p.lines[p.index++].trimmed();
        }
        if (!ParseValueLine(p, line, lineNumber, out, currentKey))
            return false;
    }
    if (!headerSeen)
        return p.Fail(qMax(lineNumber, 1), QStringLiteral("empty file"));
    return true;
}

bool ImportRegText(const QByteArray& text, QString* error) {
    TRegFileContent content;
    if (!ParseRegText(text, content, error))
        return false;
    TStoreTransaction transaction;
    TSafeRegistry reg;
    QString openKey;
    for (const TRegFileEntry& entry : content.entries) {
        switch (entry.kind) {
            case TRegFileEntry::TKind::Key:
                openKey = reg.OpenKey(entry.keyPath, true) ? entry.keyPath : QString();
                break;
            case TRegFileEntry::TKind::DeleteKey:
                reg.DeleteKey(entry.keyPath);
                openKey.clear();
                break;
            case TRegFileEntry::TKind::Value:
                if (openKey != entry.keyPath) {
                    if (!reg.OpenKey(entry.keyPath, true)) {
                        openKey.clear();
                        break;  // never write a value into whatever key happened to be open
                    }
                    openKey = entry.keyPath;
                }
                reg.WriteRawValue(entry.value);
                break;
            case TRegFileEntry::TKind::DeleteValue:
                if (reg.OpenKey(entry.keyPath, false))
                    reg.DeleteValue(entry.value.name);
                openKey.clear();
                break;
        }
    }
    return true;
}

bool ImportRegFile(const QString& fileName, QString* error) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString());
        return false;
    }
    return ImportRegText(file.readAll(), error);
}
