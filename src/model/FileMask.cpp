#include "model/FileMask.h"

#include <QChar>

namespace {

inline bool IsBlank(char16_t c) {
    return c <= u' ';
}

inline char16_t CharAt(QStringView name, bool appendDot, qsizetype pos) {
    return pos < name.size() ? name[pos].unicode() : (appendDot ? u'.' : u'\0');
}

}  // namespace

EFilterMaskError::EFilterMaskError(const QString& caption, const QString& mask)
    : std::runtime_error(QStringLiteral("File mask \"%1\" is not well formed (%2)")
                             .arg(mask, caption)
                             .toUtf8()
                             .toStdString()),
      caption_(caption),
      mask_(mask) {}

bool TFileMask::Compile(QStringView text, TFileMask& out) {
    out = TFileMask();
    out.text_ = text.toString();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'*') {
            // A run of stars matches exactly what one star matches; one token saves backtracking.
            if (out.tokens_.empty() || out.tokens_.back().kind != TTokenKind::Star)
                out.tokens_.push_back({TTokenKind::Star, 0, 0});
        } else if (c == u'?') {
            out.tokens_.push_back({TTokenKind::AnyChar, 0, 0});
        } else if (c == u'[') {
            qsizetype start = i + 1;
            TSet set;
            if (start < text.size() && text[start] == u'!') {
                set.negate = true;
                ++start;
            }
            const qsizetype close = text.indexOf(u']', start);
            if (close < 0)
                return false;
            for (qsizetype k = start; k < close; ++k) {
                const char16_t low = FoldCase(text[k].unicode());
                if (k + 2 < close && text[k + 1] == u'-') {
                    set.ranges.push_back({low, FoldCase(text[k + 2].unicode())});
                    k += 2;
                } else {
                    set.ranges.push_back({low, low});
                }
            }
            out.tokens_.push_back({TTokenKind::Set, 0, static_cast<quint32>(out.sets_.size())});
            out.sets_.push_back(std::move(set));
            i = close;
        } else {
            out.tokens_.push_back({TTokenKind::Char, FoldCase(c), 0});
        }
    }
    out.suffixOnly_ = !out.tokens_.empty() && out.tokens_.front().kind == TTokenKind::Star;
    for (size_t k = 1; out.suffixOnly_ && k < out.tokens_.size(); ++k)
        out.suffixOnly_ = out.tokens_[k].kind == TTokenKind::Char;
    return true;
}

// The number of name characters the token consumes at pos, 0 when it does not match there. '?' and
// sets take a surrogate pair as the one character it encodes.
qsizetype TFileMask::MatchOne(const TToken& token, QStringView name, bool appendDot, qsizetype pos) const {
    const char16_t c = CharAt(name, appendDot, pos);
    switch (token.kind) {
        case TTokenKind::Char:
            return FoldCase(c) == token.ch ? 1 : 0;
        case TTokenKind::AnyChar:
            return (QChar::isHighSurrogate(c) && pos + 1 < name.size() &&
                    QChar::isLowSurrogate(name[pos + 1].unicode()))
                       ? 2
                       : 1;
        case TTokenKind::Set: {
            const TSet& set = sets_[token.set];
            const char16_t folded = FoldCase(c);
            bool inSet = false;
            for (const TRange& r : set.ranges) {
                if (folded >= r.low && folded <= r.high) {
                    inSet = true;
                    break;
                }
            }
            if (inSet == set.negate)
                return 0;
            return (QChar::isHighSurrogate(c) && pos + 1 < name.size() &&
                    QChar::isLowSurrogate(name[pos + 1].unicode()))
                       ? 2
                       : 1;
        }
        case TTokenKind::Star:
            break;
    }
    return 0;
}

bool TFileMask::Matches(QStringView name, bool appendDot) const {
    const qsizetype length = name.size() + (appendDot ? 1 : 0);
    if (suffixOnly_) {
        const qsizetype tail = static_cast<qsizetype>(tokens_.size()) - 1;
        if (length < tail)
            return false;
        for (qsizetype k = 0; k < tail; ++k) {
            if (FoldCase(CharAt(name, appendDot, length - tail + k)) !=
                tokens_[static_cast<size_t>(k + 1)].ch)
                return false;
        }
        return true;
    }
    // Classic glob matching: on a mismatch, the last star takes one more character and the rest is
    // tried again. Every other token takes exactly one character, so one backtrack point suffices.
    const size_t count = tokens_.size();
    size_t t = 0;
    qsizetype pos = 0;
    bool haveStar = false;
    size_t afterStar = 0;
    qsizetype starPos = 0;
    while (pos < length) {
        if (t < count) {
            const TToken& token = tokens_[t];
            if (token.kind == TTokenKind::Star) {
                haveStar = true;
                afterStar = ++t;
                starPos = pos;
                continue;
            }
            const qsizetype taken = MatchOne(token, name, appendDot, pos);
            if (taken > 0) {
                pos += taken;
                ++t;
                continue;
            }
        }
        if (!haveStar)
            return false;
        t = afterStar;
        pos = ++starPos;
    }
    while (t < count && tokens_[t].kind == TTokenKind::Star)
        ++t;
    return t == count;
}

QStringList SplitMaskText(QStringView text) {
    QStringList masks;
    qsizetype p = 0;
    const qsizetype n = text.size();
    while (p < n && IsBlank(text[p].unicode()))
        ++p;
    while (p < n) {
        QString mask;
        if (text[p] == u'"') {
            ++p;
            while (p < n) {
                if (text[p] == u'"') {
                    if (p + 1 < n && text[p + 1] == u'"') {
                        mask += QLatin1Char('"');
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                mask += text[p++];
            }
        } else {
            const qsizetype start = p;
            while (p < n && !IsBlank(text[p].unicode()) && text[p] != u';')
                ++p;
            mask = text.mid(start, p - start).toString();
        }
        masks.append(mask);
        while (p < n && IsBlank(text[p].unicode()))
            ++p;
        if (p < n && text[p] == u';') {
            ++p;
            if (p == n)
                masks.append(QString());
            while (p < n && IsBlank(text[p].unicode()))
                ++p;
        }
    }
    return masks;
}

std::unique_ptr<const TMaskList> TMaskList::Build(const QString& text) {
    auto list = std::make_unique<TMaskList>();
    list->source = text;
    list->blank = text.trimmed().isEmpty();
    if (list->blank)
        return list;
    for (const QString& maskText : SplitMaskText(text)) {
        if (maskText.isEmpty())
            continue;
        TFileMask mask;
        if (!TFileMask::Compile(maskText, mask)) {
            if (list->wellFormed)
                list->malformedMask = maskText;
            list->wellFormed = false;
            continue;
        }
        list->masks.push_back(std::move(mask));
    }
    return list;
}

bool TMaskList::MatchesAny(QStringView name, bool appendDot) const {
    for (const TFileMask& mask : masks) {
        if (mask.Matches(name, appendDot))
            return true;
    }
    return false;
}

const TMaskList& TFilterMaskCache::Get(const QString& text) const {
    const TMaskList* list = current_.load(std::memory_order_acquire);
    if (list != nullptr && list->source == text)
        return *list;
    std::lock_guard lock(mutex_);
    list = current_.load(std::memory_order_relaxed);
    if (list != nullptr && list->source == text)
        return *list;
    for (const auto& built : built_) {
        if (built->source == text) {
            current_.store(built.get(), std::memory_order_release);
            return *built;
        }
    }
    built_.push_back(TMaskList::Build(text));
    current_.store(built_.back().get(), std::memory_order_release);
    return *built_.back();
}

bool MatchesMask(QStringView mask, QStringView name) {
    TFileMask compiled;
    if (!TFileMask::Compile(mask, compiled))
        throw EFilterMaskError(QString(), mask.toString());
    return compiled.Matches(name);
}
