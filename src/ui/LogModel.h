#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

#include "logging/TaskLogger.h"

struct TLogDisplaySettings;

// The family a stored log font name stands for: the name itself, "Tahoma" when it is empty.
QString LogFontFamilyName(const QString& name);
// Whether that family is installed on this system.
bool LogFontInstalled(const QString& name);
// The font the log is shown in: the stored family where it is installed, else the system's general
// font. The stored defaults come from another platform, where "Tahoma" is always there; here the family
// is usually missing, and the font matcher would pick some unrelated face. The stored name itself is
// never changed, so settings taken to a system that has the family show it again. A size of 0 or less
// keeps the font's own size.
QFont LogDisplayFont(const QString& name, int pointSize);

// The kept log records of one task as the rows of the log panel: an empty first column, the record
// number, the date, the time and the text. Refresh compares the row count with the logger's record count
// and adds only the new rows, so a long log stays cheap to follow; records dropped at the front (the
// logger keeps a bounded number) are removed as rows.
class TLogModel : public QAbstractTableModel {
public:
    enum TColumn { colMark, colNumber, colDate, colTime, colText, kColumnCount };

    explicit TLogModel(QObject* parent = nullptr);

    // The logger whose records are shown (nullptr: none). The logger must outlive its use here.
    void SetLogger(const TTaskLogger* logger);
    const TTaskLogger* Logger() const { return logger_; }
    // Catches up with the logger; true when rows were added or removed.
    bool Refresh();

    // The row's record (a default record for a row out of range).
    TLogItem Item(int row) const;

    // The selected rows for the clipboard: date, " ", time, ": ", text, joined by line feed and
    // carriage return in that order.
    QString CopyText(const QList<int>& rows) const;
    // The first row after from (down) or before it (up) whose text contains text; -1 when none.
    int Find(const QString& text, int from, bool down, bool matchCase) const;

    // Foreground and background of a record kind (invalid colours keep the view's own). The stored
    // colours are made for the program's light defaults; where one of a pair is the view's own colour,
    // that colour comes from view (a dark theme makes it dark), and a stored partner that would not read
    // on it gives way: a stored text colour to the view's own, the view's own text colour on a stored
    // background to black or white, whichever reads.
    static QColor Foreground(int kind, const QString& text, const TLogDisplaySettings& settings,
                             const QPalette& view);
    static QColor Background(int kind, const QString& text, const TLogDisplaySettings& settings);
    // A stored colour: 0x00BBGGRR, or a system colour (high byte 0xFF), which keeps the view's own.
    static QColor StoredColor(quint32 value);
    // The contrast ratio of two colours, from 1 (the same brightness) to 21 (black on white).
    static double Contrast(const QColor& a, const QColor& b);
    // Below this ratio a text cannot be read comfortably on its background.
    static constexpr double kMinContrast = 2.5;

    // The colours of the view the log is shown in (the application's palette until set).
    void SetViewPalette(const QPalette& palette) {
        viewPalette_ = palette;
        hasViewPalette_ = true;
    }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // A column header from the language file replaces the built-in one.
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;

private:
    bool SameRecord(const TLogItem& a, const TLogItem& b) const;
    void ResetTo(int count);

    const TTaskLogger* logger_ = nullptr;
    QString headers_[kColumnCount];  // empty: the built-in header
    QPalette viewPalette_;
    bool hasViewPalette_ = false;
    int rows_ = 0;
    TLogItem first_;  // the records of the first and the last row at the last refresh
    TLogItem last_;
    mutable int cachedRow_ = -1;
    mutable TLogItem cached_;
};
