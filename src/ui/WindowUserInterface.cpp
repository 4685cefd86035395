#include "ui/WindowUserInterface.h"

#include <QCoreApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSoundEffect>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QUrl>
#include <QVBoxLayout>
#include <cmath>

#include "logging/Alerts.h"
#include "model/Task.h"
#include "settings/Language.h"
#include "ui/MainWindow.h"
#include "ui/TranslateForm.h"

namespace {

// The name a language file knows an alert button by.
QString AlertButtonName(QChar letter) {
    switch (letter.toLatin1()) {
        case 'C':
            return QStringLiteral("ContinueButton");
        case 'I':
            return QStringLiteral("IgnoreButton");
        case 'K':
            return QStringLiteral("SkipButton");
        case 'O':
            return QStringLiteral("OkButton");
        case 'R':
            return QStringLiteral("RetryButton");
        case 'S':
            return QStringLiteral("StopButton");
        case 'Y':
            return QStringLiteral("YesButton");
        default:
            return {};
    }
}

QStyle::StandardPixmap PictureOf(TAlertEvent event) {
    switch (event) {
        case TAlertEvent::aeError:
            return QStyle::SP_MessageBoxCritical;
        case TAlertEvent::aeWarning:
        case TAlertEvent::aeDiskSpan:
            return QStyle::SP_MessageBoxWarning;
        case TAlertEvent::aeFile:
            return QStyle::SP_FileIcon;
        case TAlertEvent::aeFolder:
            return QStyle::SP_DirIcon;
        default:
            return QStyle::SP_MessageBoxInformation;
    }
}

// The alert dialog: Escape chooses its visible OK or Stop button, the close box answers 2.
class TAlertsForm : public QDialog {
public:
    explicit TAlertsForm(QWidget* parent) : QDialog(parent) {}
    int escapeAnswer = -1;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape) {
            if (escapeAnswer >= 0)
                done(escapeAnswer);
            return;
        }
        QDialog::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        QDialog::closeEvent(event);
        setResult(AlertAnswer::Cancel);
    }
    void reject() override { done(AlertAnswer::Cancel); }
};

}  // namespace

TWindowUserInterface::TWindowUserInterface(TMainWindow* window)
    : context_(std::make_unique<QObject>()), window_(window) {}

TWindowUserInterface::~TWindowUserInterface() = default;

int TWindowUserInterface::ShowAlertDialog(const TTask& task, TAlertEvent event, const QString& actionText,
                                          const QString& message, const QString& buttons) {
    int answer = AlertAnswer::NotShown;
    // The task's name is read here, in the caller's thread, which owns the run; the dialog gets a copy.
    const QString name = task.Name;
    RunOnMainThread([&] {
        answer = AlertDialog ? AlertDialog(name, event, actionText, message, buttons)
                             : RunAlertDialog(name, event, actionText, message, buttons);
    });
    return answer;
}

int TWindowUserInterface::RunAlertDialog(const QString& taskName, TAlertEvent event,
                                         const QString& actionText, const QString& message,
                                         const QString& buttons) {
    TAlertsForm dialog(nullptr);
    dialog.setObjectName(QStringLiteral("AlertsForm"));
    dialog.setWindowTitle(QStringLiteral("Tarnovex Alert"));
    dialog.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(&dialog);
    auto* head = new QHBoxLayout;
    auto* picture = new QLabel;
    picture->setPixmap(dialog.style()->standardIcon(PictureOf(event)).pixmap(48, 48));
    picture->setAlignment(Qt::AlignTop);
    head->addWidget(picture);
    auto* lines = new QVBoxLayout;
    auto* header = new QLabel(Translate(QStringLiteral("Task"), QStringLiteral("strTask")) +
                              QStringLiteral(": ") + taskName);
    QFont bold = header->font();
    bold.setBold(true);
    header->setFont(bold);
    lines->addWidget(header);
    lines->addWidget(new QLabel(actionText));
    head->addLayout(lines, 1);
    layout->addLayout(head);
    auto* text = new QLabel(message);
    text->setWordWrap(true);
    text->setFixedWidth(400);
    text->setFixedHeight(text->heightForWidth(400));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* scroll = new QScrollArea;
    scroll->setWidget(text);
    scroll->setWidgetResizable(false);
    scroll->setFrameShape(QFrame::NoFrame);
    // Short messages take their own height; long ones scroll within 220 pixels.
    scroll->setFixedHeight(std::min(220, text->height() + 4));
    layout->addWidget(scroll);
    auto* panel = new QWidget;
    panel->setFixedSize(kAlertButtonPanelWidth, 36);
    int tab = 0;
    QWidget* previous = nullptr;
    for (const TAlertButton& button : AlertButtons(buttons.toUpper())) {
        if (!button.Visible)
            continue;
        auto* push = new QPushButton(button.Caption, panel);
        push->setObjectName(AlertButtonName(button.Letter));
        push->setGeometry(button.Left, 4, kAlertButtonWidth, 28);
        const int answer = button.Result;
        QObject::connect(push, &QPushButton::clicked, &dialog, [&dialog, answer] { dialog.done(answer); });
        if (button.Cancels)
            dialog.escapeAnswer = answer;
        if (tab++ == 0)
            push->setDefault(true);
        if (previous != nullptr)
            QWidget::setTabOrder(previous, push);
        previous = push;
    }
    layout->addWidget(panel, 0, Qt::AlignHCenter);
    TranslateForm(&dialog);
    dialog.adjustSize();
    if (lastPosition_)
        dialog.move(*lastPosition_);
    const int answer = dialog.exec();
    lastPosition_ = dialog.pos();
    return answer;
}

void TWindowUserInterface::ShowBalloon(const QString& title, const QString& text, TBalloonIcon icon) {
    QMetaObject::invokeMethod(
        context_.get(),
        [this, title, text, icon] {
            if (window_ == nullptr || window_->TrayIcon() == nullptr || !window_->TrayIcon()->isVisible())
                return;
            QSystemTrayIcon::MessageIcon kind = QSystemTrayIcon::NoIcon;
            switch (icon) {
                case TBalloonIcon::biInformation:
                    kind = QSystemTrayIcon::Information;
                    break;
                case TBalloonIcon::biWarning:
                    kind = QSystemTrayIcon::Warning;
                    break;
                case TBalloonIcon::biError:
                    kind = QSystemTrayIcon::Critical;
                    break;
                default:
                    break;
            }
            window_->TrayIcon()->showMessage(title, text, kind, 10000);
        },
        Qt::QueuedConnection);
}

void TWindowUserInterface::PlaySound(const QString& path) {
    QMetaObject::invokeMethod(
        context_.get(),
        [this, path] {
            if (sound_ == nullptr)
                sound_ = new QSoundEffect(context_.get());
            // A new sound stops the one still playing; a file that cannot be played stays silent.
            sound_->stop();
            sound_->setSource(QUrl::fromLocalFile(path));
            sound_->play();
        },
        Qt::QueuedConnection);
}

void TWindowUserInterface::StopSound() {
    QMetaObject::invokeMethod(
        context_.get(),
        [this] {
            if (sound_ != nullptr)
                sound_->stop();
        },
        Qt::QueuedConnection);
}

void TWindowUserInterface::RefreshTasks() {
    // Workers refresh often (progress); one queued refresh at a time is enough.
    if (refreshPending_.exchange(true))
        return;
    QMetaObject::invokeMethod(
        context_.get(),
        [this] {
            refreshPending_.store(false);
            if (window_ != nullptr)
                window_->RefreshTaskStates();
        },
        Qt::QueuedConnection);
}
