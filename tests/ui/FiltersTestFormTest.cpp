#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMimeDatabase>
#include <QPushButton>
#include <QSemaphore>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>

#include "UiFixtures.h"
#include "platform/DirEntry.h"
#include "settings/FormatText.h"
#include "settings/Language.h"
#include "ui/FiltersTestForm.h"
#include "ui/TaskPropertiesDialog.h"

namespace {

TTaskFilterItem Wildcard(TFilterType type, const QString& masks) {
    TTaskFilterItem item;
    item.FilterType = type;
    item.fnWildcard = masks;
    return item;
}

TTaskFilterItem FolderItem(TFilterType type, TFolderKind kind, const QString& contains = {}) {
    TTaskFilterItem item;
    item.FilterType = type;
    item.FilterKind = TFilterKind::fikFolderName;
    item.frKind = kind;
    item.frContains = contains;
    return item;
}

struct TListed {
    QStringList names;  // the Name column, in list order
    QStringList types;
    QStringList sizes;
};

TListed Listed(QWidget* form) {
    TListed listed;
    auto* list = form->findChild<QTreeWidget*>(QStringLiteral("ListViewFiles"));
    EXPECT_NE(list, nullptr);
    for (int i = 0; list && i < list->topLevelItemCount(); ++i) {
        listed.names.append(list->topLevelItem(i)->text(0));
        listed.sizes.append(list->topLevelItem(i)->text(1));
        listed.types.append(list->topLevelItem(i)->text(2));
    }
    return listed;
}

QString LabelText(QWidget* form, const char* name) {
    auto* label = form->findChild<QLabel*>(QString::fromLatin1(name));
    EXPECT_NE(label, nullptr) << name;
    return label ? label->text() : QString();
}

class FiltersTestFormTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        source = home.Path() + QStringLiteral("src");
        QDir().mkpath(source);
        task.SourceFolders.push_back(Source(source));
        task.DestLocal = home.Path() + QStringLiteral("dst");
    }
    void TearDown() override {
        TTaskFiltersTestForm::EntryHook = nullptr;
        UnloadLanguageFile();
        UiTest::TearDown();
    }
    static TSourceFolder Source(const QString& folder) {
        TSourceFolder source;
        source.Folder = folder;
        return source;
    }
    QString Write(const QString& relative, const QByteArray& content = "data") {
        return home.WriteFile(relative, content);
    }
    void Folder(const QString& relative) { QDir().mkpath(home.Path() + relative); }

    std::unique_ptr<TTaskFiltersTestForm> Run() {
        auto form = std::make_unique<TTaskFiltersTestForm>(task);
        form->show();
        EXPECT_TRUE(form->WaitUntilDone(10000));
        return form;
    }

    QString source;
    TTask task;
};

}  // namespace

TEST_F(FiltersTestFormTest, ListsWhatARunWouldTake) {
    Write(QStringLiteral("src/a.txt"), "hello");
    Write(QStringLiteral("src/b.tmp"));
    Write(QStringLiteral("src/") + task.IndexFileName());
    Write(QStringLiteral("src/notes (Version 2020-01-02 10-11-12).txt"));
    Write(QStringLiteral("src/sub/c.txt"), "0123456789");
    Folder(QStringLiteral("src/sub/empty"));
    Write(QStringLiteral("src/_versions/v.txt"));
    Write(QStringLiteral("src/skipme/x.txt"));
    Write(QStringLiteral("outside/o.txt"));
    ASSERT_EQ(symlink("../outside", QFile::encodeName(source + QStringLiteral("/link")).constData()), 0);
    ASSERT_EQ(mkfifo(QFile::encodeName(source + QStringLiteral("/pipe")).constData(), 0600), 0);
    // Old versions are kept in an archive folder inside the source: that folder is not walked, and copies
    // named like kept versions are left out.
    task.VersionsKeepType = TVersionsKeepKind::vkArcFolder;
    task.VersionsKeepArcFolder = source + QStringLiteral("/_versions");
    task.Filters = {FolderItem(TFilterType::fitExclude, TFolderKind::frkContains, QStringLiteral("skipme")),
                    Wildcard(TFilterType::fitExclude, QStringLiteral("*.TMP")),
                    FolderItem(TFilterType::fitInclude, TFolderKind::frkEmpty),
                    Wildcard(TFilterType::fitInclude, QStringLiteral("*.*"))};

    auto form = Run();
    const TListed listed = Listed(form.get());
    const QString a = source + QStringLiteral("/a.txt");
    const QString link = source + QStringLiteral("/link");
    const QString sub = source + QStringLiteral("/sub/");
    const QString c = source + QStringLiteral("/sub/c.txt");
    const QString empty = source + QStringLiteral("/sub/empty/");
    QStringList sorted = listed.names;
    sorted.sort();
    EXPECT_EQ(sorted, (QStringList{a, link, sub, c, empty}))
        << listed.names.join(QLatin1Char('\n')).toStdString();
    // Files of a folder come before its subfolders; a folder before what lies in it.
    EXPECT_LT(listed.names.indexOf(a), listed.names.indexOf(sub));
    EXPECT_LT(listed.names.indexOf(sub), listed.names.indexOf(c));
    EXPECT_LT(listed.names.indexOf(c), listed.names.indexOf(empty));

    const QMimeDatabase mimes;
    EXPECT_EQ(listed.types[listed.names.indexOf(a)],
              mimes.mimeTypeForName(QStringLiteral("text/plain")).comment());
    EXPECT_EQ(listed.types[listed.names.indexOf(sub)], QStringLiteral("Folder"));
    EXPECT_EQ(listed.types[listed.names.indexOf(link)],
              mimes.mimeTypeForName(QStringLiteral("inode/symlink")).comment());
    EXPECT_EQ(listed.sizes[listed.names.indexOf(c)], QLocale().toString(10));
    EXPECT_TRUE(listed.sizes[listed.names.indexOf(sub)].isEmpty());

    TDirEntry linkEntry;
    ASSERT_TRUE(ReadDirEntry(link, linkEntry));
    EXPECT_EQ(form->FileCount(), 3);
    EXPECT_EQ(form->FolderCount(), 2);
    EXPECT_EQ(form->TotalBytes(), 5 + 10 + linkEntry.size);
    EXPECT_EQ(
        LabelText(form.get(), "TotalsLabel"),
        QStringLiteral("Files: 3; Folders: 2; Size: %1 bytes.").arg(QLocale().toString(form->TotalBytes())));
    EXPECT_TRUE(form->findChild<QLabel*>(QStringLiteral("DoneLabel"))->isVisible());
    EXPECT_FALSE(form->findChild<QLabel*>(QStringLiteral("WorkingLabel"))->isVisible());
}

TEST_F(FiltersTestFormTest, FollowsTheSubfolderChoiceAndWalksTheDestinationOfASynchronisation) {
    Write(QStringLiteral("src/top.txt"));
    Write(QStringLiteral("src/deep/below.txt"));
    Write(QStringLiteral("dst/other.txt"));
    Write(QStringLiteral("dst/deep/far.txt"));
    task.Filters = {MakeIncludeAllFilter()};
    task.SourceFolders[0].IncludeSubfolders = false;
    {
        auto form = Run();
        // A backup walks only its sources; without subfolders only the top level.
        EXPECT_EQ(Listed(form.get()).names, QStringList{source + QStringLiteral("/top.txt")});
    }
    task.TaskAction = TTaskAction::taSynchronize;
    auto form = Run();
    QStringList names = Listed(form.get()).names;
    names.sort();
    // The destination is walked with the source folder's subfolder choice.
    EXPECT_EQ(names, (QStringList{home.Path() + QStringLiteral("dst/other.txt"),
                                  source + QStringLiteral("/top.txt")}));
    // Folders are not listed unless the filters include empty folders.
    EXPECT_EQ(form->FolderCount(), 0);
}

TEST_F(FiltersTestFormTest, AFilterThatCannotBeEvaluatedOrAMissingFolderIsReported) {
    Write(QStringLiteral("src/a.txt"));
    task.SourceFolders.push_back(Source(home.Path() + QStringLiteral("missing")));
    task.Filters = {MakeIncludeAllFilter()};
    {
        auto form = Run();
        const QStringList names = Listed(form.get()).names;
        ASSERT_EQ(names.size(), 2);
        EXPECT_EQ(names[0], source + QStringLiteral("/a.txt"));
        EXPECT_TRUE(names[1].startsWith(QStringLiteral("Can't read folder \"%1missing/\"").arg(home.Path())))
            << names[1].toStdString();
        EXPECT_EQ(form->FileCount(), 1);
    }
    task.Filters = {Wildcard(TFilterType::fitInclude, QStringLiteral("*.txt [bad"))};
    auto form = Run();
    const QStringList names = Listed(form.get()).names;
    ASSERT_EQ(names.size(), 1);
    EXPECT_TRUE(names[0].contains(QStringLiteral("[bad"))) << names[0].toStdString();
    EXPECT_EQ(form->FileCount(), 0);
}

TEST_F(FiltersTestFormTest, TheWalkEndsAtTheEntryAfterAStop) {
    for (int i = 0; i < 20; ++i)
        Write(QStringLiteral("src/f%1.txt").arg(i));
    task.Filters = {MakeIncludeAllFilter()};
    TFiltersTestWalk walk(task);
    int found = 0;
    walk.Run([&](const TFiltersTestRow&) {
        if (++found == 3)
            walk.Stop();
    });
    EXPECT_EQ(found, 3);
}

TEST_F(FiltersTestFormTest, CloseStopsALongWalkAndTheWindowStaysResponsive) {
    for (int i = 0; i < 200; ++i)
        Write(QStringLiteral("src/f%1.txt").arg(i));
    task.Filters = {MakeIncludeAllFilter()};
    QSemaphore release;
    std::atomic<int> looked{0};
    // The walk waits at its first entry until the test lets it go on.
    TTaskFiltersTestForm::EntryHook = [&](const QString&) {
        if (looked++ == 0)
            release.acquire();
    };
    TTaskFiltersTestForm form(task);
    // Whatever happens below, the walk is let go before the window waits for it.
    struct TLetGo {
        QSemaphore& semaphore;
        ~TLetGo() { semaphore.release(); }
    } letGo{release};
    form.show();
    for (int i = 0; i < 500 && looked == 0; ++i)
        QTest::qWait(5);
    ASSERT_GT(looked.load(), 0);
    // While the walk is held the window still handles its events and shows what is being looked at.
    QTest::qWait(TTaskFiltersTestForm::kRefreshMs * 3);
    EXPECT_TRUE(form.Working());
    EXPECT_TRUE(LabelText(&form, "CurrentPathLabel").contains(QStringLiteral(".txt")));
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("CloseButton")), Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    release.release();
    EXPECT_TRUE(form.WaitUntilDone(5000));
    EXPECT_LE(looked.load(), 2);
    EXPECT_LE(form.FileCount(), 1);
}

TEST_F(FiltersTestFormTest, TestCurrentFiltersWalksTheDialogsEntriesAndCancelUndoesThem) {
    Write(QStringLiteral("src/keep.txt"));
    Write(QStringLiteral("src/drop.bak"));
    auto stored = std::make_unique<TTask>();
    stored->Name = QStringLiteral("Docs");
    stored->DestLocal = home.Path() + QStringLiteral("dst");
    stored->Filters = {MakeIncludeAllFilter()};
    const TTask before = *stored;
    TMainData data;
    struct TPrompts : TPropertiesPrompts {
        TAnswer AskCorrect(const QString&, const QString&) override { return TAnswer::Cancel; }
        bool Confirm(const QString&, const QString&) override { return true; }
        void Error(const QString&, const QString&) override {}
        void Information(const QString&, const QString&) override {}
    } prompts;
    TTaskPropertiesForm properties(*stored, data, prompts);
    properties.show();
    // The source typed on the Source page and a preset added on the Filters page, neither stored yet.
    properties.SetCurrentPage(TTaskPropertiesForm::pgSource);
    auto* folder = properties.findChild<QLineEdit*>(QStringLiteral("sourceFolder"));
    ASSERT_NE(folder, nullptr);
    QTest::keyClicks(folder, source);
    properties.SetCurrentPage(TTaskPropertiesForm::pgFilters);
    auto* menu = properties.findChild<QMenu*>(QStringLiteral("presetMenu"));
    ASSERT_NE(menu, nullptr);
    QAction* temporaryFiles = nullptr;
    for (QAction* action : menu->actions().at(1)->menu()->actions())
        if (action->text().startsWith(QStringLiteral("Temporary files - General")))
            temporaryFiles = action;
    ASSERT_NE(temporaryFiles, nullptr);
    temporaryFiles->trigger();

    QStringList shown;
    QTimer::singleShot(0, [&] {
        auto* test = qobject_cast<TTaskFiltersTestForm*>(QApplication::activeModalWidget());
        ASSERT_NE(test, nullptr);
        EXPECT_TRUE(test->WaitUntilDone(10000));
        shown = Listed(test).names;
        QTest::keyClick(test, Qt::Key_Escape);
    });
    QTest::mouseClick(properties.findChild<QPushButton*>(QStringLiteral("filterTest")), Qt::LeftButton);
    EXPECT_EQ(shown, QStringList{source + QStringLiteral("/keep.txt")});
    QTest::keyClick(&properties, Qt::Key_Escape);
    EXPECT_TRUE(SamePersistedValues(*stored, before));
}

TEST_F(FiltersTestFormTest, TheGermanFileTranslatesTheWindowAndItsTotals) {
    ASSERT_TRUE(LoadLanguageFile(QStringLiteral("German.lng")));
    Write(QStringLiteral("src/a.txt"), "12345");
    Folder(QStringLiteral("src/sub"));
    task.Filters = {FolderItem(TFilterType::fitInclude, TFolderKind::frkEmpty), MakeIncludeAllFilter()};
    auto form = Run();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Ergebnis des Filtertests"));
    EXPECT_EQ(LabelText(form.get(), "TotalsLabel"),
              QStringLiteral("Dateien: 1; Ordner: 1; Größe: %1 Bytes.").arg(QLocale().toString(5)));
    EXPECT_EQ(LabelText(form.get(), "DoneLabel"), QStringLiteral("Fertig"));
    EXPECT_EQ(Listed(form.get()).types.last(), QStringLiteral("Ordner"));
    auto* list = form->findChild<QTreeWidget*>(QStringLiteral("ListViewFiles"));
    EXPECT_EQ(list->headerItem()->text(3), QStringLiteral("Änderungsdatum"));
}
