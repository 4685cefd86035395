#include "ui/SoundThemePreview.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QSoundEffect>
#include <QTest>
#include <QtEndian>

#include "UiFixtures.h"

namespace {

// The facts of a PCM WAVE file, read from its bytes: the format chunk and the loudest sample.
struct TWaveFacts {
    bool Valid = false;
    int Format = 0;
    int Channels = 0;
    int Rate = 0;
    int Bits = 0;
    double Seconds = 0;
    int Peak = 0;  // largest absolute 16-bit sample
};

TWaveFacts ReadWave(const QString& path) {
    TWaveFacts facts;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return facts;
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return facts;
    qsizetype at = 12;
    bool haveFormat = false;
    while (at + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(at, 4);
        const quint32 size = qFromLittleEndian<quint32>(bytes.constData() + at + 4);
        const qsizetype body = at + 8;
        if (size > static_cast<quint32>(bytes.size() - body))
            return facts;
        if (id == "fmt " && size >= 16) {
            facts.Format = qFromLittleEndian<quint16>(bytes.constData() + body);
            facts.Channels = qFromLittleEndian<quint16>(bytes.constData() + body + 2);
            facts.Rate = static_cast<int>(qFromLittleEndian<quint32>(bytes.constData() + body + 4));
            facts.Bits = qFromLittleEndian<quint16>(bytes.constData() + body + 14);
            haveFormat = true;
        } else if (id == "data" && haveFormat && facts.Bits == 16 && facts.Channels > 0 && facts.Rate > 0) {
            const qsizetype samples = size / 2;
            for (qsizetype i = 0; i < samples; ++i)
                facts.Peak = std::max(
                    facts.Peak,
                    std::abs(static_cast<int>(qFromLittleEndian<qint16>(bytes.constData() + body + 2 * i))));
            facts.Seconds = static_cast<double>(samples) / facts.Channels / facts.Rate;
            facts.Valid = true;
        }
        at = body + size + (size & 1);
    }
    return facts;
}

class SoundThemeFiles : public UiTest {};

TEST_F(SoundThemeFiles, EveryShippedFileIsAShortAudibleMonoWave) {
    ASSERT_EQ(SoundThemes().size(), 2u);
    for (const TSoundTheme& theme : SoundThemes()) {
        for (const QString& path : ThemeSoundPaths(theme)) {
            SCOPED_TRACE(path.toStdString());
            const TWaveFacts facts = ReadWave(path);
            ASSERT_TRUE(facts.Valid);
            EXPECT_EQ(facts.Format, 1);  // PCM
            EXPECT_EQ(facts.Channels, 1);
            EXPECT_TRUE(facts.Rate == 16000 || facts.Rate == 22050) << facts.Rate;
            EXPECT_EQ(facts.Bits, 16);
            // Shorter than the two seconds between the sounds of the playback window.
            EXPECT_GT(facts.Seconds, 0.3);
            EXPECT_LT(facts.Seconds, 2.0);
            // Not silence: the loudest sample reaches at least a quarter of full scale.
            EXPECT_GT(facts.Peak, 8192);
        }
    }
}

TEST_F(SoundThemeFiles, TheStoredNamesAreTheDefaultsOfTheAlertsAndLoadForPlayback) {
    const TSoundTheme& voice = SoundThemes()[0];
    EXPECT_EQ(voice.Name, QStringLiteral("Male Voice"));
    const TEventAlerts defaults = TTasksDefaults::DefaultEventAlerts();
    for (TAlertEventKind event : kThemeEvents)
        EXPECT_EQ(ThemeSoundFile(voice, event), AlertOf(defaults, TAlertSet::Scheduled, event).SoundFile);
    EXPECT_EQ(ThemeSoundFile(SoundThemes()[1], TAlertEventKind::DiskSpan),
              QStringLiteral("Media\\Ambient\\NewDisk.wav"));
    EXPECT_TRUE(ThemeSoundFile(voice, TAlertEventKind::File).isEmpty());

    // The player of the program decodes every file (no audio device is needed for that).
    for (const TSoundTheme& theme : SoundThemes()) {
        for (const QString& path : ThemeSoundPaths(theme)) {
            QSoundEffect effect;
            effect.setSource(QUrl::fromLocalFile(path));
            QDeadlineTimer deadline(10000);
            while (effect.status() != QSoundEffect::Ready && effect.status() != QSoundEffect::Error &&
                   !deadline.hasExpired())
                QApplication::processEvents(QEventLoop::AllEvents, 20);
            EXPECT_EQ(effect.status(), QSoundEffect::Ready) << path.toStdString();
        }
    }
}

TEST_F(SoundThemeFiles, PlaybackPlaysTheFilesInOrderAndStopSilencesIt) {
    const QStringList files{QStringLiteral("/a.wav"), QStringLiteral("/b.wav"), QStringLiteral("/c.wav")};
    QStringList played;
    int silenced = 0;
    TSoundThemePreviewForm form(files, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    EXPECT_EQ(form.objectName(), QStringLiteral("SoundThemePreviewForm"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Sound Theme Playback"));
    form.Play = [&played](const QString& path) { played.append(path); };
    form.Silence = [&silenced] { ++silenced; };
    form.SetInterval(30);
    form.show();
    form.Start();
    EXPECT_EQ(played, QStringList{QStringLiteral("/a.wav")});  // the first at once
    QDeadlineTimer deadline(5000);
    while (form.isVisible() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(played, files);
    EXPECT_FALSE(form.isVisible());  // closed after the last one
    EXPECT_EQ(form.result(), QDialog::Accepted);

    played.clear();
    form.SetInterval(60000);
    form.show();
    form.Start();
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("StopButton")), Qt::LeftButton);
    EXPECT_EQ(silenced, 1);
    EXPECT_FALSE(form.Playing());
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(played, QStringList{QStringLiteral("/a.wav")});
}

}  // namespace
