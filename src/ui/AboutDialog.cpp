#include "ui/AboutDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/Language.h"
#include "ui/Icons.h"
#include "ui/MainWindow.h"
#include "ui/TranslateForm.h"

namespace {

QLabel* NamedLabel(const char* name, const QString& text) {
    auto* label = new QLabel(text);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QString LinkText(const QString& caption, const char* topic) {
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(QString::fromLatin1(topic), caption.toHtmlEscaped());
}

QLabel* Link(const char* name, const QString& caption, const char* topic) {
    QLabel* label = NamedLabel(name, LinkText(caption, topic));
    label->setTextFormat(Qt::RichText);
    // Reached with Tab and opened with Enter as well as with the mouse.
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setFocusPolicy(Qt::StrongFocus);
    return label;
}

}  // namespace

QString TAboutForm::VersionText() {
    const QString version = QStringLiteral(TARNOVEX_VERSION);
    QString build = version.section(QLatin1Char('.'), 3);
    if (build.isEmpty())
        build = QStringLiteral("0");
    return version + QStringLiteral(" (") + Translate(QStringLiteral("Build"), QStringLiteral("strBuild")) +
           QStringLiteral(": ") + build + QStringLiteral(")");
}

TAboutForm::TAboutForm(std::function<void(const QString&)> openTopic, QWidget* parent)
    : QDialog(parent), openTopic_(std::move(openTopic)) {
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("About Tarnovex"));

    auto* icon = NamedLabel("IconImage", QString());
    icon->setPixmap(Icons::Application().pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    auto* product = NamedLabel("ProductLabel", QStringLiteral("Tarnovex"));
    QFont big = product->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    product->setFont(big);
    auto* description =
        NamedLabel("DescriptionLabel", QStringLiteral("Backup, synchronization and file moving"));
    auto* versionCaption =
        NamedLabel("VersionCaptionLabel",
                   Translate(QStringLiteral("Version"), QStringLiteral("strVersion")) + QLatin1Char(':'));
    auto* version = NamedLabel("VersionLabel", VersionText());
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* homepage = Link("HomepageLink", QStringLiteral("Tarnovex Homepage"), kHomepageTopic);
    auto* support = Link("SupportLink", QStringLiteral("Support"), kSupportTopic);
    for (QLabel* link : {homepage, support})
        connect(link, &QLabel::linkActivated, this, [this](const QString& topic) {
            if (openTopic_)
                openTopic_(topic);
        });

    auto* text = new QGridLayout;
    text->addWidget(product, 0, 0, 1, 2);
    text->addWidget(description, 1, 0, 1, 2);
    text->addWidget(versionCaption, 2, 0);
    text->addWidget(version, 2, 1);
    text->addWidget(homepage, 3, 0, 1, 2);
    text->addWidget(support, 4, 0, 1, 2);
    text->setColumnStretch(1, 1);
    text->setVerticalSpacing(6);
    text->setRowMinimumHeight(3, version->sizeHint().height() + 10);
    text->setAlignment(homepage, Qt::AlignBottom);

    auto* body = new QHBoxLayout;
    body->addWidget(icon);
    body->addSpacing(12);
    body->addLayout(text, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    ok->setFocus();
    TranslateForm(this);
    // A language file gives a link its caption only: the link stays.
    for (auto [link, topic] : {std::pair{homepage, kHomepageTopic}, std::pair{support, kSupportTopic}})
        if (!link->text().contains(QStringLiteral("<a ")))
            link->setText(LinkText(link->text(), topic));
}

void InstallHomepageCommand(TMainWindow& window) {
    window.SetCommand(QStringLiteral("actHelpHomepage"),
                      [&window] { window.ShowHelpTopic(QString::fromLatin1(TAboutForm::kHomepageTopic)); });
}
