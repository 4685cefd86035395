#pragma once

#include <QDialog>
#include <QStringList>
#include <QTimer>
#include <array>
#include <functional>
#include <vector>

#include "settings/AlertTypes.h"

class QListWidget;
class QPushButton;
class QSoundEffect;

// A shipped sound theme: a folder below "Media" of the shipped data with one file per alert event.
struct TSoundTheme {
    QString Name;
    // Start, Finish, Warning, Error, DiskSpan: the events that have a theme file, in playback order.
    std::array<QString, 5> Files;
};

// The events a theme has a file for, in the order of TSoundTheme::Files.
inline constexpr std::array<TAlertEventKind, 5> kThemeEvents = {
    TAlertEventKind::Start, TAlertEventKind::Finish, TAlertEventKind::Warning, TAlertEventKind::Error,
    TAlertEventKind::DiskSpan};

// "Male Voice" and "Ambient".
const std::vector<TSoundTheme>& SoundThemes();
// The stored sound file of a theme for an event, "Media\<theme>\<file>" (relative to the shipped data, with
// backslashes as the settings keep them); empty for an event the theme has no file for (File).
QString ThemeSoundFile(const TSoundTheme& theme, TAlertEventKind event);
// Full paths of a theme's five files, in playback order.
QStringList ThemeSoundPaths(const TSoundTheme& theme);
// What each of the five files tells the user, in playback order ("Task started" ...).
QStringList ThemeEventCaptions();

// The small "Sound Theme Playback" window: plays the given files one after the other, kIntervalMs apart,
// showing which one is playing, and closes itself after the last; "&Stop" silences it and closes it.
class TSoundThemePreviewForm : public QDialog {
public:
    static constexpr int kIntervalMs = 2000;

    // captions name the files for the user (one per file).
    TSoundThemePreviewForm(const QStringList& files, const QStringList& captions, QWidget* parent = nullptr);
    ~TSoundThemePreviewForm() override;

    // How a file is played and the sound silenced; the defaults use one QSoundEffect. Tests replace them.
    std::function<void(const QString& path)> Play;
    std::function<void()> Silence;

    void SetInterval(int milliseconds) { timer_.setInterval(milliseconds); }
    // Plays the first file at once and the others at the interval.
    void Start();
    // Index of the file playing, -1 before Start and after the end.
    int Position() const { return position_; }
    bool Playing() const { return timer_.isActive(); }

public slots:
    // Stop: the sound ends and the window closes.
    void reject() override;

private:
    void PlayNext();

    QStringList files_;
    QListWidget* list_ = nullptr;
    QPushButton* stop_ = nullptr;
    QSoundEffect* sound_ = nullptr;
    QTimer timer_;
    int position_ = -1;
};

// Opens the playback window of a theme modally over parent.
void PreviewSoundTheme(QWidget* parent, const TSoundTheme& theme);
