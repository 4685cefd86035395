#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <map>

#include "UiFixtures.h"
#include "settings/Language.h"
#include "ui/LogModel.h"
#include "ui/MainWindow.h"
#include "ui/TaskListModel.h"
#include "ui/Tips.h"

namespace {

// Texts that read the same in German and English; their keys must still be in the file.
const QSet<QString> kSameInGerman = {
    QStringLiteral("actArrange0"),    // "Name"
    QStringLiteral("actViewStyle3"),  // "Details"
};
const QSet<int> kSameColumnsInGerman = {TTaskListModel::colName};

QString Plain(QString text) {
    return text.remove(QLatin1Char('&'));
}

// Everything the window shows in its menus, bars and lists, by a stable name.
struct TWindowTexts {
    std::map<QString, QString> actions;  // action name -> text
    std::map<QString, QString> hints;    // action name -> status tip, for commands that work
    QStringList menuTitles;              // menu bar and sub-menus, in order
    QStringList columns;
    QStringList logColumns;
    QStringList taskTypes;  // the Type column, row by row
    QStringList tipButtons;
    QStringList tips;  // every tip as the panel shows it, with the topic "More Help" opens
    QString toolBar;
    QString root;
    QString status;
};

void CollectMenuTitles(const QList<QAction*>& actions, QStringList& titles) {
    for (QAction* action : actions) {
        if (action->menu() != nullptr) {
            titles.append(action->text());
            CollectMenuTitles(action->menu()->actions(), titles);
        }
    }
}

TWindowTexts TextsOf(TMainWindow& window) {
    TWindowTexts texts;
    for (QAction* action : window.findChildren<QAction*>()) {
        const QString name = action->objectName();
        if (!name.startsWith(QLatin1String("act")))
            continue;
        texts.actions[name] = action->text();
        if (action->property("available").toBool())
            texts.hints[name] = action->statusTip();
    }
    CollectMenuTitles(window.menuBar()->actions(), texts.menuTitles);
    for (int column = 0; column < TTaskListModel::kColumnCount; ++column)
        texts.columns.append(
            window.TaskModel().headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
    for (int column = TLogModel::colNumber; column < TLogModel::kColumnCount; ++column)
        texts.logColumns.append(
            window.LogModel().headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
    for (int row = 0; row < window.TaskModel().rowCount(); ++row)
        texts.taskTypes.append(window.TaskModel().index(row, TTaskListModel::colType).data().toString());
    for (const char* name : {"ButtonPreviousTip", "ButtonNextTip", "ButtonMoreHelp"}) {
        auto* button = window.findChild<QPushButton*>(QString::fromLatin1(name));
        texts.tipButtons.append(button != nullptr ? button->text() : QString());
    }
    // The tips as the user pages through them.
    GlobalSettings().Main.LastTip = 0;
    window.UpdateTips();
    for (qsizetype i = 0; i < TipLines().size(); ++i) {
        texts.tips.append(window.TipText() + QStringLiteral(" | ") +
                          (window.Action(QStringLiteral("actTipMoreHelp"))->isEnabled()
                               ? QStringLiteral("help")
                               : QStringLiteral("-")));
        window.Action(QStringLiteral("actTipNext"))->trigger();
    }
    auto* toolBar = window.findChild<QToolBar*>(QStringLiteral("ToolBar"));
    texts.toolBar = toolBar != nullptr ? toolBar->windowTitle() : QString();
    texts.root = window.SelectedGroupText();
    texts.status = window.StatusPanelText(0);
    return texts;
}

// The letters after '&' of a menu's entries; each entry has exactly one and no letter repeats.
void ExpectUniqueAccelerators(const QString& menuName, const QList<QAction*>& actions) {
    QSet<QChar> letters;
    for (QAction* action : actions) {
        if (action->isSeparator())
            continue;
        const QString text = action->text();
        const qsizetype amp = text.indexOf(QLatin1Char('&'));
        ASSERT_TRUE(amp >= 0 && amp + 1 < text.size())
            << menuName.toStdString() << ": " << text.toStdString();
        EXPECT_EQ(text.count(QLatin1Char('&')), 1) << text.toStdString();
        const QChar letter = text[amp + 1].toLower();
        EXPECT_FALSE(letters.contains(letter))
            << menuName.toStdString() << ": '" << QString(letter).toStdString() << "' twice, in "
            << text.toStdString();
        letters.insert(letter);
    }
}

class SampleLanguage : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        UnloadLanguageFile();
        data.Groups = {QStringLiteral("Office")};
        AddTask(data, QStringLiteral("Reports"), QStringLiteral("Office"));
        AddTask(data, QStringLiteral("Archive")).TaskAction = TTaskAction::taMove;
        AddTask(data, QStringLiteral("Mirror")).TaskAction = TTaskAction::taSynchronize;
    }
    void TearDown() override {
        UnloadLanguageFile();
        UiTest::TearDown();
    }
    std::unique_ptr<TMainWindow> MakeWindow() {
        auto window = std::make_unique<TMainWindow>(data, nullptr);
        window->SetPrompts(&prompts);
        return window;
    }
    // The English texts first, then the same window in German.
    void BuildBoth() {
        english = TextsOf(*MakeWindow());
        GlobalSettings().Language = QStringLiteral("German.lng");
        german = MakeWindow();
        ASSERT_TRUE(LanguageFileLoaded());
    }

    TMainData data;
    TFakePrompts prompts;
    TWindowTexts english;
    std::unique_ptr<TMainWindow> german;
};

TEST_F(SampleLanguage, TheShippedGermanFileIsOffered) {
    EXPECT_TRUE(AvailableLanguageFiles().contains(QStringLiteral("German")));
    EXPECT_TRUE(LoadLanguageFile(QStringLiteral("German.lng")));
}

TEST_F(SampleLanguage, NothingInTheMainWindowIsLeftInEnglish) {
    BuildBoth();
    const TWindowTexts translated = TextsOf(*german);

    ASSERT_FALSE(english.actions.empty());
    ASSERT_EQ(translated.actions.size(), english.actions.size());
    for (const auto& [name, text] : english.actions) {
        const QString key = QStringLiteral("TarnovexMainForm.%1.Caption").arg(name);
        EXPECT_FALSE(LanguageValue(QStringLiteral("TarnovexMainForm"), key, QString()).trimmed().isEmpty())
            << "no German text for " << name.toStdString();
        if (!kSameInGerman.contains(name)) {
            EXPECT_NE(Plain(translated.actions.at(name)), Plain(text)) << name.toStdString();
        }
    }
    for (const auto& [name, hint] : english.hints) {
        ASSERT_TRUE(translated.hints.count(name)) << name.toStdString();
        EXPECT_NE(translated.hints.at(name), hint) << "hint of " << name.toStdString();
    }

    ASSERT_EQ(translated.menuTitles.size(), english.menuTitles.size());
    ASSERT_GE(english.menuTitles.size(), 7);
    for (qsizetype i = 0; i < english.menuTitles.size(); ++i) {
        EXPECT_NE(Plain(translated.menuTitles[i]), Plain(english.menuTitles[i]))
            << english.menuTitles[i].toStdString();
    }

    for (int column = 0; column < TTaskListModel::kColumnCount; ++column) {
        const QString key = QStringLiteral("TarnovexMainForm.ListViewTasks.Columns[%1].Caption").arg(column);
        EXPECT_FALSE(LanguageValue(QStringLiteral("TarnovexMainForm"), key, QString()).isEmpty()) << column;
        if (!kSameColumnsInGerman.contains(column)) {
            EXPECT_NE(translated.columns[column], english.columns[column]) << column;
        }
    }

    EXPECT_NE(translated.root, english.root);
    EXPECT_FALSE(translated.root.isEmpty());
    // The count still finds its place in the translated status text.
    EXPECT_NE(translated.status, english.status);
    EXPECT_TRUE(translated.status.startsWith(QStringLiteral("3 "))) << translated.status.toStdString();
}

TEST_F(SampleLanguage, TheLogTipsToolBarAndTaskTypesAreTranslatedToo) {
    BuildBoth();
    const TWindowTexts translated = TextsOf(*german);

    ASSERT_EQ(translated.logColumns.size(), 4);
    for (qsizetype i = 0; i < english.logColumns.size(); ++i)
        EXPECT_NE(translated.logColumns[i], english.logColumns[i]) << "log column " << i + 1;

    ASSERT_EQ(translated.taskTypes.size(), 3);
    QStringList types = translated.taskTypes;
    types.sort();
    EXPECT_EQ(types, (QStringList{QStringLiteral("Sicherung"), QStringLiteral("Synchronisierung"),
                                  QStringLiteral("Verschieben")}));

    ASSERT_EQ(translated.tipButtons.size(), 3);
    for (qsizetype i = 0; i < english.tipButtons.size(); ++i) {
        EXPECT_FALSE(english.tipButtons[i].isEmpty());
        EXPECT_NE(translated.tipButtons[i], english.tipButtons[i]) << english.tipButtons[i].toStdString();
    }

    // Every tip is German, and a tip that has a help page still offers it.
    ASSERT_EQ(translated.tips.size(), TipLines().size());
    for (qsizetype i = 0; i < english.tips.size(); ++i) {
        EXPECT_NE(translated.tips[i], english.tips[i]) << "tip " << i;
        EXPECT_EQ(translated.tips[i].endsWith(QStringLiteral("| help")),
                  english.tips[i].endsWith(QStringLiteral("| help")))
            << "tip " << i;
        const QString key = QStringLiteral("TarnovexMainForm.TipsMemo.lines[%1]").arg(i);
        EXPECT_FALSE(LanguageValue(QStringLiteral("TarnovexMainForm"), key, QString()).isEmpty())
            << key.toStdString();
    }

    EXPECT_FALSE(english.toolBar.isEmpty());
    EXPECT_NE(translated.toolBar, english.toolBar);
}

TEST_F(SampleLanguage, ACommandWaitingForItsDialogGetsItsGermanHintWhenItArrives) {
    BuildBoth();
    QAction* options = german->Action(QStringLiteral("actOptions0"));
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->toolTip(), TMainWindow::NotAvailableText());
    ASSERT_TRUE(german->SetCommand(QStringLiteral("actOptions0"), [] {}));
    EXPECT_EQ(options->statusTip(), QStringLiteral("Allgemeine Programmoptionen einstellen"));
    EXPECT_EQ(options->toolTip(), options->statusTip());
}

TEST_F(SampleLanguage, EveryGermanMenuHasDistinctAccessKeys) {
    BuildBoth();
    QStringList titles;
    QList<QAction*> bar;
    for (QAction* action : german->menuBar()->actions()) {
        bar.append(action);
        ASSERT_NE(action->menu(), nullptr);
        ExpectUniqueAccelerators(action->text(), action->menu()->actions());
        for (QAction* entry : action->menu()->actions())
            if (entry->menu() != nullptr)
                ExpectUniqueAccelerators(entry->text(), entry->menu()->actions());
    }
    ExpectUniqueAccelerators(QStringLiteral("menu bar"), bar);
    ASSERT_NE(german->TrayIcon()->contextMenu(), nullptr);
    ExpectUniqueAccelerators(QStringLiteral("tray"), german->TrayIcon()->contextMenu()->actions());
    // The tool bar's own menu offers the panel switches.
    QList<QAction*> panels;
    for (const char* name : {"actViewMenuBar", "actViewToolBar", "actViewGroups", "actViewLog", "actViewTips",
                             "actViewStatusBar"})
        panels.append(german->Action(QString::fromLatin1(name)));
    ExpectUniqueAccelerators(QStringLiteral("tool bar menu"), panels);
}

}  // namespace
