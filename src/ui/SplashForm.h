#pragma once

#include <QDate>
#include <QSplashScreen>
#include <QString>

// The picture of the splash window on a date: the New-Year picture from 16 December to 15 January,
// the usual one on every other day.
QString SplashPictureName(const QDate& today);

// The splash window of the program start: borderless, 320x390, centred and on top, with the version.
// It closes itself after 2500 ms or when clicked.
class TSplashForm : public QSplashScreen {
public:
    static constexpr int kShowMs = 2500;
    explicit TSplashForm(const QDate& today = QDate::currentDate());

    // "Version: 0.1.0 (Build: n)".
    static QString VersionText();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
