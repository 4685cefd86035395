#include "ui/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// A rounded tile of one colour with a white glyph, in the sizes the views ask for.
QIcon Tile(const QColor& colour, const QString& glyph) {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal margin = size / 16.0;
        QPainterPath path;
        path.addRoundedRect(QRectF(margin, margin, size - 2 * margin, size - 2 * margin), size / 5.0,
                            size / 5.0);
        painter.fillPath(path, colour);
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(qMax(8, static_cast<int>(size * 0.62)));
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, glyph);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// The desktop's icon theme supplies the picture where it has one by that freedesktop name; the drawn
// tile stands in everywhere else (no theme, a headless test, a theme without the name or with a picture
// this system cannot draw).
QIcon Themed(const char* name, const QIcon& fallback) {
    const QIcon themed = QIcon::fromTheme(QString::fromLatin1(name));
    // A theme that has only scalable pictures gives nothing where no SVG support is installed.
    if (themed.isNull() || themed.pixmap(16, 16).isNull() || themed.pixmap(32, 32).isNull())
        return fallback;
    return themed;
}

}  // namespace

namespace Icons {

QIcon Application() {
    static const QIcon icon = Themed("tarnovex", Tile(QColor(0x1f, 0x5f, 0xa8), QStringLiteral("T")));
    return icon;
}

QIcon TaskAction(TTaskAction action) {
    static const QIcon backup = Tile(QColor(0x2e, 0x7d, 0x32), QString(QChar(0x2193)));  // ↓
    static const QIcon sync = Tile(QColor(0x00, 0x83, 0x8f), QString(QChar(0x21C5)));    // ⇅
    static const QIcon move = Tile(QColor(0x6a, 0x1b, 0x9a), QString(QChar(0x2192)));    // →
    switch (action) {
        case TTaskAction::taSynchronize:
            return sync;
        case TTaskAction::taMove:
            return move;
        default:
            return backup;
    }
}

QIcon Running() {
    static const QIcon icon =
        Themed("media-playback-start", Tile(QColor(0x43, 0xa0, 0x47), QString(QChar(0x25B6))));  // ▶
    return icon;
}

QIcon Paused() {
    static const QIcon icon =
        Themed("media-playback-pause", Tile(QColor(0xf9, 0xa8, 0x25), QStringLiteral("II")));
    return icon;
}

QIcon ErrorFlag() {
    static const QIcon icon = Themed("dialog-error", Tile(QColor(0xc6, 0x28, 0x28), QStringLiteral("!")));
    return icon;
}

QIcon Group() {
    static const QIcon icon = Themed("folder", Tile(QColor(0x8d, 0x6e, 0x63), QStringLiteral("G")));
    return icon;
}

QIcon AllTasks() {
    static const QIcon icon = Tile(QColor(0x1f, 0x5f, 0xa8), QString(QChar(0x2261)));  // ≡
    return icon;
}

}  // namespace Icons
