#include "ui/WizardFrame.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPushButton>
#include <QStackedWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "legacy/LegacyText.h"
#include "platform/Paths.h"
#include "ui/Icons.h"

namespace {

constexpr int kPanelWidth = 150;

// The shipped page of a help topic (without its "#section"); empty for an empty topic.
QString HelpPageOf(const QString& topic) {
    if (topic.isEmpty())
        return {};
    return QDir::cleanPath(Paths::ShippedDataFolder() + QStringLiteral("help/") +
                           topic.section(QLatin1Char('#'), 0, 0));
}

QWidget* NewPanel(const QString& caption) {
    auto* panel = new QFrame;
    panel->setObjectName(QStringLiteral("LeftPanel"));
    panel->setFixedWidth(kPanelWidth);
    panel->setAutoFillBackground(true);
    QLinearGradient background(0, 0, 0, 1);
    background.setCoordinateMode(QGradient::ObjectBoundingMode);
    background.setColorAt(0, QColor(0x1f, 0x5f, 0xa8));
    background.setColorAt(1, QColor(0x0b, 0x2a, 0x4a));
    QPalette palette = panel->palette();
    palette.setBrush(QPalette::Window, QBrush(background));
    palette.setColor(QPalette::WindowText, Qt::white);
    panel->setPalette(palette);

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(12, 24, 12, 12);
    auto* image = new QLabel;
    image->setObjectName(QStringLiteral("LeftPanelImage"));
    image->setPixmap(Icons::Application().pixmap(64, 64));
    image->setAlignment(Qt::AlignHCenter);
    layout->addWidget(image);
    auto* label = new QLabel(caption);
    label->setObjectName(QStringLiteral("LeftPanelLabel"));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.2);
    label->setFont(font);
    layout->addSpacing(12);
    layout->addWidget(label);
    layout->addStretch(1);
    return panel;
}

QPushButton* NewButton(const QString& objectName, const QString& text) {
    auto* button = new QPushButton(text);
    button->setObjectName(objectName);
    // Enter presses the wizard's default button wherever the focus is, not the focused button.
    button->setAutoDefault(false);
    return button;
}

}  // namespace

std::function<void(const QString&)> TWizardFrame::OpenHelpTopic = [](const QString& topic) {
    QUrl url = QUrl::fromLocalFile(HelpPageOf(topic));
    if (topic.contains(QLatin1Char('#')))
        url.setFragment(topic.section(QLatin1Char('#'), 1));
    QDesktopServices::openUrl(url);
};

TWizardFrame::TWizardFrame(const QString& panelCaption, QWidget* parent) : QDialog(parent) {
    setModal(true);
    pages_ = new QStackedWidget;
    pages_->setObjectName(QStringLiteral("PageControl"));
    help_ = NewButton(QStringLiteral("HelpButton"), QStringLiteral("&Help"));
    back_ = NewButton(QStringLiteral("BackButton"), QStringLiteral("< &Back"));
    next_ = NewButton(QStringLiteral("NextButton"), QStringLiteral("&Next >"));
    finish_ = NewButton(QStringLiteral("FinishButton"), QStringLiteral("&Finish"));
    close_ = NewButton(QStringLiteral("CloseButton"), QStringLiteral("&Close"));
    finish_->hide();
    SetDefaultButton(next_);
    connect(close_, &QPushButton::clicked, this, &QDialog::reject);
    // A Help button that opens nothing would only puzzle: it waits for the wizard's topic.
    help_->setEnabled(false);
    connect(help_, &QPushButton::clicked, this, [this] {
        if (!helpTopic_.isEmpty() && OpenHelpTopic)
            OpenHelpTopic(helpTopic_);
    });

    auto* right = new QVBoxLayout;
    right->setContentsMargins(16, 16, 16, 8);
    right->addWidget(pages_, 1);
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(8, 8, 8, 8);
    buttons->addWidget(help_);
    buttons->addStretch(1);
    buttons->addWidget(back_);
    buttons->addWidget(next_);
    buttons->addWidget(finish_);
    buttons->addSpacing(8);
    buttons->addWidget(close_);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    top->addWidget(NewPanel(panelCaption));
    top->addLayout(right, 1);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addLayout(top, 1);
    outer->addWidget(line);
    outer->addLayout(buttons);
}

int TWizardFrame::CurrentPage() const {
    return pages_->currentIndex();
}

QWidget* TWizardFrame::Page(int index) const {
    return pages_->widget(index);
}

QVBoxLayout* TWizardFrame::AddPage(const QString& objectName, const QString& headingName,
                                   const QString& heading, QLabel** headingLabel) {
    auto* page = new QWidget;
    page->setObjectName(objectName);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* title = new QLabel(heading);
    title->setObjectName(headingName);
    title->setWordWrap(true);
    QFont font = title->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.25);
    title->setFont(font);
    layout->addWidget(title);
    layout->addSpacing(8);
    pages_->addWidget(page);
    if (headingLabel != nullptr)
        *headingLabel = title;
    return layout;
}

QLabel* TWizardFrame::NewLabel(const QString& objectName, const QString& text) {
    auto* label = new QLabel(text);
    label->setObjectName(objectName);
    label->setWordWrap(true);
    return label;
}

void TWizardFrame::ShowPage(int index) {
    pages_->setCurrentIndex(index);
}

void TWizardFrame::SetHelpTopic(const QString& topic) {
    helpTopic_ = QFileInfo::exists(HelpPageOf(topic)) ? topic : QString();
    help_->setEnabled(!helpTopic_.isEmpty());
}

void TWizardFrame::SetDefaultButton(QPushButton* button) {
    for (QPushButton* each : {help_, back_, next_, finish_, close_})
        each->setDefault(each == button);
}

std::vector<TCodePageChoice> LegacyCodePageChoices() {
    static const TCodePageChoice all[] = {
        {QStringLiteral("Western European (Windows-1252)"), QStringLiteral("windows-1252")},
        {QStringLiteral("Central European (Windows-1250)"), QStringLiteral("windows-1250")},
        {QStringLiteral("Cyrillic (Windows-1251)"), QStringLiteral("windows-1251")},
        {QStringLiteral("Greek (Windows-1253)"), QStringLiteral("windows-1253")},
        {QStringLiteral("Turkish (Windows-1254)"), QStringLiteral("windows-1254")},
        {QStringLiteral("Hebrew (Windows-1255)"), QStringLiteral("windows-1255")},
        {QStringLiteral("Arabic (Windows-1256)"), QStringLiteral("windows-1256")},
        {QStringLiteral("Baltic (Windows-1257)"), QStringLiteral("windows-1257")},
        {QStringLiteral("Vietnamese (Windows-1258)"), QStringLiteral("windows-1258")},
        {QStringLiteral("Thai (Windows-874)"), QStringLiteral("windows-874")},
        {QStringLiteral("Japanese (Shift-JIS, 932)"), QStringLiteral("cp932")},
        {QStringLiteral("Chinese Simplified (GBK, 936)"), QStringLiteral("cp936")},
        {QStringLiteral("Korean (949)"), QStringLiteral("cp949")},
        {QStringLiteral("Chinese Traditional (Big5, 950)"), QStringLiteral("cp950")},
        {QStringLiteral("DOS Western European (850)"), QStringLiteral("cp850")},
        {QStringLiteral("DOS Cyrillic (866)"), QStringLiteral("cp866")},
    };
    static const std::vector<TCodePageChoice> known = [] {
        std::vector<TCodePageChoice> list;
        for (const TCodePageChoice& choice : all)
            if (Legacy::IsKnownCodePage(choice.Name))
                list.push_back(choice);
        return list;
    }();
    return known;
}

void FillCodePageCombo(QComboBox* combo, const QString& select) {
    for (const TCodePageChoice& choice : LegacyCodePageChoices())
        combo->addItem(choice.Caption, choice.Name);
    const int index = combo->findData(select);
    combo->setCurrentIndex(index >= 0 ? index : 0);
}
