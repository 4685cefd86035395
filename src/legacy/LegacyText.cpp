#include "legacy/LegacyText.h"

#include <iconv.h>
#include <QDate>
#include <QLocale>
#include <QStringDecoder>
#include <QTime>
#include <cerrno>

#include "platform/LocaleFormats.h"

namespace Legacy {

namespace {

// Names the user may type for the usual code pages: a bare number is a Windows code page.
QByteArray IconvName(const QString& codePage) {
    QString name = codePage.trimmed();
    bool number = false;
    name.toInt(&number);
    if (number)
        return "CP" + name.toLatin1();
    return name.toLatin1();
}

bool DecodeWithIconv(const QByteArray& bytes, const QByteArray& name, QString& out) {
    iconv_t cd = iconv_open("UTF-16LE", name.constData());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    QString result;
    result.reserve(bytes.size());
    QByteArray buffer(4096, Qt::Uninitialized);
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    auto flush = [&](size_t produced) {
        for (size_t i = 0; i + 1 < produced; i += 2)
            result += QChar(
                static_cast<char16_t>(static_cast<quint8>(buffer[static_cast<qsizetype>(i)]) |
                                      (static_cast<quint8>(buffer[static_cast<qsizetype>(i + 1)]) << 8)));
    };
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        size_t outLeft = static_cast<size_t>(buffer.size());
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        flush(static_cast<size_t>(buffer.size()) - outLeft);
        if (rc != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // An undefined or incomplete byte: the old system gave it the character of the same number.
        result += QChar(static_cast<char16_t>(static_cast<quint8>(*in)));
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    out = result;
    return true;
}

TDateTime DayCount(const QDate& date) {
    return static_cast<TDateTime>(QDate(1899, 12, 30).daysTo(date));
}

TDateTime DayFraction(const QTime& time) {
    return time.msecsSinceStartOfDay() / DateTime::MsPerDay;
}

// Two-digit years as the old program read them: 00-49 in this century, 50-99 in the last.
QDate FixCentury(QDate date, const QString& format) {
    if (!format.contains(QLatin1String("yyyy")) && format.contains(QLatin1String("yy")) && date.year() < 1950)
        date = date.addYears(100);
    return date;
}

bool ParseDateOnly(const QString& text, const TLegacyLocale& locale, QDate& out) {
    for (const QString& format : locale.dateFormats) {
        const QDate date = QDate::fromString(text, format);
        if (date.isValid()) {
            out = FixCentury(date, format);
            return true;
        }
    }
    return false;
}

bool ParseTimeOnly(const QString& text, const TLegacyLocale& locale, QTime& out) {
    for (const QString& format : locale.timeFormats) {
        const QTime time = QTime::fromString(text, format);
        if (time.isValid()) {
            out = time;
            return true;
        }
    }
    return false;
}

void AppendUnique(QStringList& list, const QStringList& more) {
    for (const QString& item : more)
        if (!item.isEmpty() && !list.contains(item))
            list.append(item);
}

}  // namespace

bool IsKnownCodePage(const QString& codePage) {
    QString ignored;
    return DecodeCodePage(QByteArray("A"), codePage, ignored);
}

bool DecodeCodePage(const QByteArray& bytes, const QString& codePage, QString& out, QString* error) {
    const QByteArray name = IconvName(codePage);
    if (name.isEmpty()) {
        if (error)
            *error = QStringLiteral("no code page given");
        return false;
    }
    // Qt knows UTF-8, UTF-16/32 and Latin-1 itself; everything else goes through iconv.
    if (const auto encoding = QStringConverter::encodingForName(name.constData())) {
        QStringDecoder decoder(*encoding, QStringDecoder::Flag::Stateless);
        const QString text = decoder(bytes);
        if (!decoder.hasError()) {
            out = text;
            return true;
        }
    }
    if (DecodeWithIconv(bytes, name, out))
        return true;
    if (error)
        *error = QStringLiteral("unknown code page \"%1\"").arg(codePage);
    return false;
}

bool IsUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ignored = decoder(bytes);
    return !decoder.hasError();
}

bool SettingsFileAsUtf8(const QByteArray& bytes, const QString& codePage, QByteArray& utf8, QString* error) {
    // A byte-order mark says what the file is, whatever code page the user guessed.
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xEF\xBB\xBF")) {
        utf8 = bytes;
        return true;
    }
    if (codePage.trimmed().isEmpty()) {
        if (!IsUtf8(bytes)) {
            if (error)
                *error = QStringLiteral(
                             "the file is not UTF-8 text; name the code page of the computer it comes from, "
                             "for example --codepage %1")
                             .arg(kDefaultCodePage);
            return false;
        }
        utf8 = bytes;
        return true;
    }
    QString text;
    if (!DecodeCodePage(bytes, codePage, text, error))
        return false;
    utf8 = text.toUtf8();
    return true;
}

QStringList SplitCommaText(const QString& text) {
    QStringList items;
    if (text.isEmpty())
        return items;
    qsizetype pos = 0;
    const qsizetype size = text.size();
    while (true) {
        QString item;
        if (pos < size && text[pos] == QLatin1Char('"')) {
            ++pos;
            while (pos < size) {
                if (text[pos] == QLatin1Char('"')) {
                    if (pos + 1 < size && text[pos + 1] == QLatin1Char('"')) {
                        item += QLatin1Char('"');
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                item += text[pos++];
            }
            // Anything between the closing quote and the next comma belongs to the element too.
            while (pos < size && text[pos] != QLatin1Char(','))
                item += text[pos++];
        } else {
            while (pos < size && text[pos] != QLatin1Char(','))
                item += text[pos++];
        }
        items.append(item);
        if (pos >= size)
            break;
        ++pos;  // the comma
    }
    return items;
}

QString MakeCommaText(const QStringList& items) {
    QStringList parts;
    parts.reserve(items.size());
    for (const QString& item : items) {
        bool quote = item.isEmpty();
        for (const QChar c : item)
            if (c.unicode() <= ' ' || c == QLatin1Char(',') || c == QLatin1Char('"'))
                quote = true;
        if (quote) {
            QString escaped = item;
            escaped.replace(QLatin1String("\""), QLatin1String("\"\""));
            parts.append(QLatin1Char('"') + escaped + QLatin1Char('"'));
        } else {
            parts.append(item);
        }
    }
    return parts.join(QLatin1Char(','));
}

TLegacyLocale TLegacyLocale::English() {
    return {{QStringLiteral("M/d/yyyy"), QStringLiteral("M/d/yy"), QStringLiteral("yyyy-MM-dd"),
             QStringLiteral("d-MMM-yyyy"), QStringLiteral("d-MMM-yy")},
            {QStringLiteral("h:mm:ss AP"), QStringLiteral("h:mm AP"), QStringLiteral("h:mm:ss ap"),
             QStringLiteral("h:mm ap"), QStringLiteral("H:mm:ss"), QStringLiteral("H:mm")}};
}

TLegacyLocale TLegacyLocale::German() {
    return {{QStringLiteral("d.M.yyyy"), QStringLiteral("d.M.yy"), QStringLiteral("yyyy-MM-dd")},
            {QStringLiteral("H:mm:ss"), QStringLiteral("H:mm")}};
}

TLegacyLocale TLegacyLocale::Current() {
    TLegacyLocale locale;
    const LocaleFormats::TFormats formats = LocaleFormats::Current();
    AppendUnique(locale.dateFormats, {formats.shortDate});
    AppendUnique(locale.timeFormats, {formats.longTime});
    // Day-first slashes are the usual form outside North America.
    const bool dayFirst = formats.shortDate.startsWith(QLatin1Char('d'));
    const QStringList slashDates = dayFirst
                                       ? QStringList{QStringLiteral("d/M/yyyy"), QStringLiteral("d/M/yy")}
                                       : QStringList{QStringLiteral("M/d/yyyy"), QStringLiteral("M/d/yy")};
    AppendUnique(locale.dateFormats, slashDates);
    AppendUnique(locale.dateFormats, German().dateFormats);
    AppendUnique(locale.dateFormats, English().dateFormats);
    AppendUnique(locale.dateFormats, {QStringLiteral("d/M/yyyy"), QStringLiteral("d/M/yy")});
    AppendUnique(locale.timeFormats, German().timeFormats);
    AppendUnique(locale.timeFormats, English().timeFormats);
    return locale;
}

bool ParseLegacyDate(const QString& text, const TLegacyLocale& locale, TDateTime& out) {
    QDate date;
    if (!ParseDateOnly(text.trimmed(), locale, date))
        return false;
    out = DayCount(date);
    return true;
}

bool ParseLegacyTime(const QString& text, const TLegacyLocale& locale, TDateTime& out) {
    QTime time;
    if (!ParseTimeOnly(text.trimmed(), locale, time))
        return false;
    out = DayFraction(time);
    return true;
}

bool ParseLegacyDateTime(const QString& text, const TLegacyLocale& locale, TDateTime& out) {
    const QString trimmed = text.trimmed();
    // The date part ends at the first blank; the rest (which may hold "PM") is the time.
    const qsizetype blank = trimmed.indexOf(QLatin1Char(' '));
    if (blank < 0)
        return ParseLegacyDate(trimmed, locale, out);
    QDate date;
    QTime time;
    if (!ParseDateOnly(trimmed.left(blank), locale, date) ||
        !ParseTimeOnly(trimmed.mid(blank + 1).trimmed(), locale, time))
        return false;
    out = DayCount(date) + DayFraction(time);
    return true;
}

}  // namespace Legacy
