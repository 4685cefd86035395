#include "ui/SplashForm.h"

#include <QLinearGradient>
#include <QPainter>
#include <QTimer>

#include "settings/Language.h"
#include "ui/Icons.h"
#include "ui/TranslateForm.h"

namespace {

// The pictures are drawn here rather than shipped; the New-Year one has its own colours and greeting.
QPixmap SplashPicture(const QString& name) {
    const bool newYear = name == QStringLiteral("GFX_SPLASH_NY");
    QPixmap pixmap(320, 390);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient background(0, 0, 0, 390);
    background.setColorAt(0, newYear ? QColor(0x0d, 0x2b, 0x4f) : QColor(0x1f, 0x5f, 0xa8));
    background.setColorAt(1, newYear ? QColor(0x1b, 0x5e, 0x20) : QColor(0x0b, 0x2a, 0x4a));
    painter.fillRect(pixmap.rect(), background);
    painter.drawPixmap(112, 70, Icons::Application().pixmap(96, 96));
    painter.setPen(Qt::white);
    QFont title = painter.font();
    title.setPixelSize(34);
    title.setBold(true);
    painter.setFont(title);
    painter.drawText(QRect(0, 190, 320, 44), Qt::AlignCenter, QStringLiteral("Tarnovex"));
    QFont line = painter.font();
    line.setPixelSize(14);
    line.setBold(false);
    painter.setFont(line);
    painter.drawText(
        QRect(0, 236, 320, 24), Qt::AlignCenter,
        newYear ? QStringLiteral("Happy New Year!") : QStringLiteral("Backup, synchronization, moving"));
    return pixmap;
}

}  // namespace

QString SplashPictureName(const QDate& today) {
    // 31 December of this year, or of the previous year in January; within 15 days of it is New Year.
    const QDate newYearsEve(today.month() == 1 ? today.year() - 1 : today.year(), 12, 31);
    return std::abs(today.daysTo(newYearsEve)) <= 15 ? QStringLiteral("GFX_SPLASH_NY")
                                                     : QStringLiteral("GFX_SPLASH");
}

QString TSplashForm::VersionText() {
    QString build = QStringLiteral(TARNOVEX_VERSION).section(QLatin1Char('.'), 3);
    if (build.isEmpty())
        build = QStringLiteral("0");
    return Translate(QStringLiteral("Version"), QStringLiteral("strVersion")) + QStringLiteral(": ") +
           QStringLiteral(TARNOVEX_VERSION) + QStringLiteral(" (") +
           Translate(QStringLiteral("Build"), QStringLiteral("strBuild")) + QStringLiteral(": ") + build +
           QStringLiteral(")");
}

TSplashForm::TSplashForm(const QDate& today)
    : QSplashScreen(SplashPicture(SplashPictureName(today)), Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("SplashForm"));
    TranslateForm(this);
    showMessage(VersionText(), Qt::AlignBottom | Qt::AlignHCenter, Qt::white);
    QTimer::singleShot(kShowMs, this, &QWidget::close);
}

void TSplashForm::mousePressEvent(QMouseEvent*) {
    close();
}
