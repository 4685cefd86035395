#include "ui/SoundThemePreview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSoundEffect>
#include <QUrl>
#include <QVBoxLayout>

#include "logging/Alerts.h"
#include "ui/TranslateForm.h"

const std::vector<TSoundTheme>& SoundThemes() {
    static const std::vector<TSoundTheme> themes = {
        {QStringLiteral("Male Voice"),
         {QStringLiteral("MaleTaskStarted.wav"), QStringLiteral("MaleTaskFinished.wav"),
          QStringLiteral("MaleWarning.wav"), QStringLiteral("MaleError.wav"),
          QStringLiteral("MaleNewDisk.wav")}},
        {QStringLiteral("Ambient"),
         {QStringLiteral("TaskStarted.wav"), QStringLiteral("TaskFinished.wav"),
          QStringLiteral("Warning.wav"), QStringLiteral("Error.wav"), QStringLiteral("NewDisk.wav")}},
    };
    return themes;
}

QString ThemeSoundFile(const TSoundTheme& theme, TAlertEventKind event) {
    for (size_t i = 0; i < kThemeEvents.size(); ++i)
        if (kThemeEvents[i] == event)
            return QStringLiteral("Media\\") + theme.Name + QLatin1Char('\\') + theme.Files[i];
    return {};
}

QStringList ThemeSoundPaths(const TSoundTheme& theme) {
    QStringList paths;
    for (TAlertEventKind event : kThemeEvents)
        paths.append(SoundFilePath(ThemeSoundFile(theme, event)));
    return paths;
}

TSoundThemePreviewForm::TSoundThemePreviewForm(const QStringList& files, const QStringList& captions,
                                               QWidget* parent)
    : QDialog(parent), files_(files) {
    setObjectName(QStringLiteral("SoundThemePreviewForm"));
    setWindowTitle(QStringLiteral("Sound Theme Playback"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Playing the sounds of the theme:"));
    label->setObjectName(QStringLiteral("PlayingLabel"));
    layout->addWidget(label);
    list_ = new QListWidget;
    list_->setObjectName(QStringLiteral("SoundsListBox"));
    list_->addItems(captions);
    // The list only shows the progress; the user acts with the Stop button alone.
    list_->setFocusPolicy(Qt::NoFocus);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    // Every entry shows without scrolling, the last one with a little room above the frame.
    if (!captions.isEmpty())
        list_->setFixedHeight(list_->sizeHintForRow(0) * static_cast<int>(captions.size()) +
                              2 * list_->frameWidth() + 4);
    layout->addWidget(list_);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    stop_ = new QPushButton(QStringLiteral("&Stop"));
    stop_->setObjectName(QStringLiteral("StopButton"));
    stop_->setDefault(true);
    row->addWidget(stop_);
    row->addStretch(1);
    layout->addLayout(row);
    connect(stop_, &QPushButton::clicked, this, &TSoundThemePreviewForm::reject);

    sound_ = new QSoundEffect(this);
    Play = [this](const QString& path) {
        // A new sound ends the one still playing.
        sound_->stop();
        sound_->setSource(QUrl::fromLocalFile(path));
        sound_->play();
    };
    Silence = [this] { sound_->stop(); };

    timer_.setInterval(kIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &TSoundThemePreviewForm::PlayNext);
    setMinimumWidth(300);
    TranslateForm(this);
}

TSoundThemePreviewForm::~TSoundThemePreviewForm() {
    timer_.stop();
}

void TSoundThemePreviewForm::Start() {
    position_ = -1;
    timer_.start();
    PlayNext();
}

void TSoundThemePreviewForm::PlayNext() {
    ++position_;
    if (position_ >= files_.size()) {
        // The last sound has had its time: the window goes.
        timer_.stop();
        position_ = -1;
        accept();
        return;
    }
    list_->setCurrentRow(position_);
    if (Play)
        Play(files_[position_]);
}

void TSoundThemePreviewForm::reject() {
    timer_.stop();
    position_ = -1;
    if (Silence)
        Silence();
    QDialog::reject();
}

QStringList ThemeEventCaptions() {
    return {QStringLiteral("Task started"), QStringLiteral("Task finished"), QStringLiteral("Warning"),
            QStringLiteral("Error"), QStringLiteral("Please insert a new disk")};
}

void PreviewSoundTheme(QWidget* parent, const TSoundTheme& theme) {
    TSoundThemePreviewForm form(ThemeSoundPaths(theme), ThemeEventCaptions(), parent);
    form.Start();
    form.exec();
}
