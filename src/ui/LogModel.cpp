#include "ui/LogModel.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <cmath>

#include "platform/LocaleFormats.h"
#include "settings/GlobalSettings.h"

namespace {

// How far a refresh looks for the former last record after records were dropped at the front; a
// larger drop (or a cleared log) rebuilds the rows.
constexpr int kDropSearchLimit = 4096;

bool IsFtpReceived(const QString& text) {
    return text.startsWith(QChar(0x00AB));  // «
}

}  // namespace

QString LogFontFamilyName(const QString& name) {
    return name.trimmed().isEmpty() ? QStringLiteral("Tahoma") : name;
}

bool LogFontInstalled(const QString& name) {
    return QFontDatabase::hasFamily(LogFontFamilyName(name));
}

QFont LogDisplayFont(const QString& name, int pointSize) {
    QFont font = LogFontInstalled(name) ? QFont(LogFontFamilyName(name))
                                        : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (pointSize > 0)
        font.setPointSize(pointSize);
    return font;
}

TLogModel::TLogModel(QObject* parent) : QAbstractTableModel(parent) {}

void TLogModel::SetLogger(const TTaskLogger* logger) {
    logger_ = logger;
    ResetTo(logger_ != nullptr ? logger_->Count() : 0);
}

void TLogModel::ResetTo(int count) {
    beginResetModel();
    rows_ = count;
    first_ = logger_ != nullptr && count > 0 ? logger_->Item(0) : TLogItem{};
    last_ = logger_ != nullptr && count > 0 ? logger_->Item(count - 1) : TLogItem{};
    cachedRow_ = -1;
    endResetModel();
}

bool TLogModel::SameRecord(const TLogItem& a, const TLogItem& b) const {
    return a.Kind == b.Kind && a.Time == b.Time && a.Text == b.Text;
}

bool TLogModel::Refresh() {
    const int count = logger_ != nullptr ? logger_->Count() : 0;
    if (count == 0) {
        if (rows_ == 0)
            return false;
        ResetTo(0);
        return true;
    }
    const TLogItem first = logger_->Item(0);
    bool changed = false;
    if (rows_ > 0 && !SameRecord(first, first_)) {
        // Records were dropped at the front (the logger keeps a bounded number), or the log was cleared
        // and refilled: find where the former last row went.
        int lastAt = -1;
        const int from = std::min(count, rows_) - 1;
        for (int i = from; i >= 0 && from - i < kDropSearchLimit; --i) {
            if (SameRecord(logger_->Item(i), last_)) {
                lastAt = i;
                break;
            }
        }
        const int dropped = lastAt < 0 ? -1 : rows_ - 1 - lastAt;
        if (dropped <= 0) {
            ResetTo(count);
            return true;
        }
        beginRemoveRows({}, 0, dropped - 1);
        rows_ -= dropped;
        first_ = first;
        cachedRow_ = -1;
        endRemoveRows();
        changed = true;
    }
    if (count < rows_) {
        ResetTo(count);
        return true;
    }
    if (count == rows_)
        return changed;
    beginInsertRows({}, rows_, count - 1);
    if (rows_ == 0)
        first_ = first;
    rows_ = count;
    last_ = logger_->Item(count - 1);
    endInsertRows();
    return true;
}

TLogItem TLogModel::Item(int row) const {
    if (logger_ == nullptr || row < 0 || row >= rows_)
        return {};
    if (row != cachedRow_) {
        cached_ = logger_->Item(row);
        cachedRow_ = row;
    }
    return cached_;
}

QString TLogModel::CopyText(const QList<int>& rows) const {
    QStringList lines;
    for (const int row : rows) {
        const TLogItem item = Item(row);
        lines.append(LocaleFormats::FormatShortDate(item.Time) + QLatin1Char(' ') +
                     LocaleFormats::FormatLongTime(item.Time) + QStringLiteral(": ") + item.Text);
    }
    return lines.join(QStringLiteral("\n\r"));
}

int TLogModel::Find(const QString& text, int from, bool down, bool matchCase) const {
    if (text.isEmpty())
        return -1;
    const Qt::CaseSensitivity cs = matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (down) {
        for (int row = std::max(from + 1, 0); row < rows_; ++row) {
            if (Item(row).Text.contains(text, cs))
                return row;
        }
    } else {
        for (int row = std::min(from, rows_) - 1; row >= 0; --row) {
            if (Item(row).Text.contains(text, cs))
                return row;
        }
    }
    return -1;
}

QColor TLogModel::StoredColor(quint32 value) {
    if ((value & 0xFF000000u) != 0)
        return {};
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

namespace {

QColor StoredForeground(int kind, const QString& text, const TLogDisplaySettings& s) {
    switch (kind) {
        case 0:
        case 1:
        case 2:
        case 3:
            return TLogModel::StoredColor(s.LogSummaryColorFg);
        case 4:
        case 10:
        case 11:
            return TLogModel::StoredColor(s.LogFilesColorFg);
        case 5:
            return TLogModel::StoredColor(s.LogSkippingColorFg);
        case 6:
            return TLogModel::StoredColor(s.LogWarningsColorFg);
        case 7:
            return TLogModel::StoredColor(s.LogErrorsColorFg);
        case 8:
            return TLogModel::StoredColor(IsFtpReceived(text) ? s.LogFtpRecvColorFg : s.LogFtpSendColorFg);
        case 9:
            return TLogModel::StoredColor(s.LogConsoleColorFg);
        default:
            return {};
    }
}

// The relative luminance of a colour, its channels taken from sRGB to linear light.
double Luminance(const QColor& colour) {
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

}  // namespace

double TLogModel::Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor TLogModel::Foreground(int kind, const QString& text, const TLogDisplaySettings& s,
                             const QPalette& view) {
    const QColor foreground = StoredForeground(kind, text, s);
    const QColor background = Background(kind, text, s);
    if (foreground.isValid() && background.isValid())
        return foreground;  // the user's (or the program's) own pair, shown as chosen
    if (foreground.isValid())
        return Contrast(foreground, view.color(QPalette::Base)) >= kMinContrast ? foreground : QColor();
    if (background.isValid() && Contrast(view.color(QPalette::Text), background) < kMinContrast)
        return Contrast(Qt::black, background) >= Contrast(Qt::white, background) ? QColor(Qt::black)
                                                                                  : QColor(Qt::white);
    return {};
}

QColor TLogModel::Background(int kind, const QString& text, const TLogDisplaySettings& s) {
    switch (kind) {
        case 0:
        case 1:
        case 2:
        case 3:
            return StoredColor(s.LogSummaryColorBg);
        case 4:
        case 10:
        case 11:
            return StoredColor(s.LogFilesColorBg);
        case 5:
            return StoredColor(s.LogSkippingColorBg);
        case 6:
            return StoredColor(s.LogWarningsColorBg);
        case 7:
            return StoredColor(s.LogErrorsColorBg);
        case 8:
            return StoredColor(IsFtpReceived(text) ? s.LogFtpRecvColorBg : s.LogFtpSendColorBg);
        case 9:
            return StoredColor(s.LogConsoleColorBg);
        default:
            return {};
    }
}

int TLogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int TLogModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant TLogModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_)
        return {};
    const TLogItem item = Item(index.row());
    switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
                case colNumber:
                    return QString::number(index.row() + 1);
                case colDate:
                    return LocaleFormats::FormatShortDate(item.Time);
                case colTime:
                    return LocaleFormats::FormatLongTime(item.Time);
                case colText:
                    return item.Text;
                default:
                    return {};
            }
        case Qt::ForegroundRole: {
            const QColor colour =
                Foreground(static_cast<int>(item.Kind), item.Text, GlobalSettings().LogDisplay,
                           hasViewPalette_ ? viewPalette_ : QGuiApplication::palette());
            return colour.isValid() ? QVariant(colour) : QVariant();
        }
        case Qt::BackgroundRole: {
            const QColor colour =
                Background(static_cast<int>(item.Kind), item.Text, GlobalSettings().LogDisplay);
            return colour.isValid() ? QVariant(colour) : QVariant();
        }
        default:
            return {};
    }
}

bool TLogModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int) {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return false;
    headers_[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

QVariant TLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section >= 0 && section < kColumnCount && !headers_[section].isEmpty())
        return headers_[section];
    switch (section) {
        case colNumber:
            return QStringLiteral("#");
        case colDate:
            return QStringLiteral("Date");
        case colTime:
            return QStringLiteral("Time");
        case colText:
            return QStringLiteral("Event");
        default:
            return {};
    }
}
