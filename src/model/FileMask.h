#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <atomic>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

// Raised when a filter's wildcard holds a mask that is not well formed (an opening '[' without its
// closing ']'). It carries the caption of the filter item so that the run can name it in its log.
class EFilterMaskError : public std::runtime_error {
public:
    EFilterMaskError(const QString& caption, const QString& mask);
    const QString& Caption() const { return caption_; }
    const QString& Mask() const { return mask_; }

private:
    QString caption_;
    QString mask_;
};

// One file-name mask, compiled once and matched without regard to case: '*' matches any run of
// characters including none, '?' exactly one character, "[a-f]" one of the listed characters and
// ranges, "[!a-f]" one character outside them; every other character matches itself.
class TFileMask {
public:
    // False when text is not well formed; out is then unusable.
    static bool Compile(QStringView text, TFileMask& out);

    // appendDot matches name as if it ended with one more '.', without building that text.
    bool Matches(QStringView name, bool appendDot = false) const;
    const QString& Text() const { return text_; }

private:
    enum class TTokenKind : quint8 { Char, AnyChar, Star, Set };
    struct TToken {
        TTokenKind kind;
        char16_t ch;  // upper case, for Char
        quint32 set;  // index into sets_, for Set
    };
    struct TRange {
        char16_t low;
        char16_t high;
    };
    struct TSet {
        bool negate = false;
        std::vector<TRange> ranges;
    };

    qsizetype MatchOne(const TToken& token, QStringView name, bool appendDot, qsizetype pos) const;

    QString text_;
    std::vector<TToken> tokens_;
    std::vector<TSet> sets_;
    // Masks of the form '*' followed by plain characters only ("*.TMP"): a compare of the name's end.
    bool suffixOnly_ = false;
};

// Splits a wildcard text into its masks: at ';' and at every run of blanks and control characters.
// A mask that begins with a double quote runs to the closing quote (a doubled quote inside stands for
// one), keeping blanks and ';' and losing the quotes. Empty masks are kept as empty texts.
QStringList SplitMaskText(QStringView text);

// The compiled masks of one wildcard text. Empty masks match only empty names, and a name offered to
// the filters is never empty, so they are left out here.
struct TMaskList {
    QString source;  // the wildcard text these masks were made from
    std::vector<TFileMask> masks;
    bool blank = true;      // the text is blank after trimming: nothing matches
    QString malformedMask;  // the first mask that is not well formed, if any
    bool wellFormed = true;

    static std::unique_ptr<const TMaskList> Build(const QString& text);
    bool MatchesAny(QStringView name, bool appendDot) const;
};

// A lazily filled cache of the compiled masks of a filter item, keyed by the wildcard text so that a
// changed text is compiled again. Readers on several threads may use it at once. Copies start empty
// and every cache compares equal, so the item's value semantics are those of its persisted fields.
class TFilterMaskCache {
public:
    TFilterMaskCache() = default;
    TFilterMaskCache(const TFilterMaskCache&) {}
    TFilterMaskCache& operator=(const TFilterMaskCache&) { return *this; }
    bool operator==(const TFilterMaskCache&) const { return true; }

    const TMaskList& Get(const QString& text) const;

private:
    mutable std::atomic<const TMaskList*> current_{nullptr};
    mutable std::mutex mutex_;
    // Every list ever built stays alive until the item goes, so a reader never sees one freed.
    mutable std::vector<std::unique_ptr<const TMaskList>> built_;
};

// The case folding of masks and filter texts: upper case, one UTF-16 unit at a time.
inline char16_t FoldCase(char16_t c) {
    if (c < 0x80)
        return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    return static_cast<char16_t>(QChar::toUpper(c));
}

// Matches one mask text against name (no '.' appended); throws EFilterMaskError with an empty caption
// when the mask is not well formed.
bool MatchesMask(QStringView mask, QStringView name);
