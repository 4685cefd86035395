#pragma once

#include <QFile>
#include <ostream>

#include "RecordingUserInterface.h"
#include "fixtures/TempHome.h"
#include "logging/Alerts.h"
#include "logging/TaskLogger.h"
#include "logging/UserInterface.h"
#include "platform/LocaleFormats.h"
#include "settings/GlobalSettings.h"

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

// Fixed clock and locale formats, program defaults, a recording user interface and no loggers left from
// another test.
class LoggingTest : public TarnovexTest {
protected:
    void SetUp() override {
        ResetGlobalSettings();
        ForgetAllLoggers();
        ForgetLogStartChecks();
        LocaleFormats::Set({QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm:ss")});
        DateTime::SetClock([this] { return now; });
        SetUserInterface(&ui);
    }
    void TearDown() override {
        SetUserInterface(nullptr);
        SetEmailNotifier(nullptr);
        SetLogObserver({});
        ForgetAllLoggers();
        ForgetLogStartChecks();
        ResetGlobalSettings();
        TarnovexTest::TearDown();
    }

    static QByteArray ReadFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QString DefaultLogPath() const { return home.File(QStringLiteral("Tarnovex.log")); }

    TDateTime now = DateTime::Encode(2026, 12, 8, 21, 30, 5);
    TRecordingUserInterface ui;
};
