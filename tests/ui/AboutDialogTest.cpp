#include "ui/AboutDialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "UiFixtures.h"
#include "settings/Language.h"
#include "ui/MainWindow.h"

namespace {

// Takes the file URLs the program asks the desktop to open.
class TOpenedUrls : public QObject {
    Q_OBJECT
public slots:
    void Open(const QUrl& url) { urls.append(url); }

public:
    QList<QUrl> urls;
};

class AboutDialog : public UiTest {};

TEST_F(AboutDialog, ShowsTheVersionWithItsBuildAndTheLinksOpenTheHelp) {
    QStringList opened;
    TAboutForm form([&opened](const QString& topic) { opened.append(topic); });
    EXPECT_EQ(form.objectName(), QStringLiteral("AboutForm"));
    EXPECT_EQ(TAboutForm::VersionText(), QStringLiteral(TARNOVEX_VERSION " (Build: 0)"));
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("VersionLabel"))->text(), TAboutForm::VersionText());
    for (const char* name : {"HomepageLink", "SupportLink"}) {
        auto* link = form.findChild<QLabel*>(QString::fromLatin1(name));
        ASSERT_NE(link, nullptr) << name;
        const QString href = link->text().section(QLatin1Char('"'), 1, 1);
        emit link->linkActivated(href);
    }
    EXPECT_EQ(opened,
              (QStringList{QStringLiteral("/files/contents.html"), QStringLiteral("/files/support.html")}));

    // "Build" comes from the language file; a translated link caption keeps its link.
    home.WriteFile(QStringLiteral("Test.lng"),
                   "[Misc]\nstrBuild=Stand\nstrVersion=Fassung\n"
                   "[AboutForm]\nAboutForm.SupportLink.Caption=Hilfe & Rat\n");
    ASSERT_TRUE(LoadLanguageFile(QStringLiteral("Test.lng")));
    EXPECT_EQ(TAboutForm::VersionText(), QStringLiteral(TARNOVEX_VERSION " (Stand: 0)"));
    TAboutForm translated([](const QString&) {});
    UnloadLanguageFile();
    EXPECT_EQ(translated.findChild<QLabel*>(QStringLiteral("SupportLink"))->text(),
              QStringLiteral("<a href=\"/files/support.html\">Hilfe &amp; Rat</a>"));
}

TEST_F(AboutDialog, TheWindowsAboutAndHomepageCommandsOpenTheShippedPages) {
    TOpenedUrls desktop;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &desktop, "Open");
    TMainData data;
    TFakePrompts prompts;
    TMainWindow window(data, nullptr);
    window.SetPrompts(&prompts);
    InstallHomepageCommand(window);
    QAction* homepage = window.Action(QStringLiteral("actHelpHomepage"));
    ASSERT_TRUE(homepage->isEnabled());
    homepage->trigger();

    // The About box is modal; Enter closes it after its support link was followed.
    QTimer::singleShot(0, &window, [] {
        auto* form = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->objectName(), QStringLiteral("AboutForm"));
        emit form->findChild<QLabel*>(QStringLiteral("SupportLink"))
            ->linkActivated(QStringLiteral("/files/support.html"));
        QTest::keyClick(form, Qt::Key_Return);
    });
    window.ShowAboutBox();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

    ASSERT_EQ(desktop.urls.size(), 2);
    EXPECT_TRUE(desktop.urls[0].toLocalFile().endsWith(QStringLiteral("/help/files/contents.html")));
    EXPECT_TRUE(desktop.urls[1].toLocalFile().endsWith(QStringLiteral("/help/files/support.html")));
    EXPECT_TRUE(QFileInfo::exists(desktop.urls[1].toLocalFile()));
    EXPECT_TRUE(prompts.errors.isEmpty());
}

}  // namespace

#include "AboutDialogTest.moc"
