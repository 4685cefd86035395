#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeWidget>
#include <deque>
#include <mutex>

#include "PropertiesDialogDriver.h"
#include "UiFixtures.h"
#include "packing/PackerSettings.h"
#include "ui/TaskPropertiesDialog.h"

namespace {

using namespace PropertiesDriver;

// Answers the dialog's questions from a queue (Yes/No/Cancel) and records every message.
class TFakePropertiesPrompts : public TPropertiesPrompts {
public:
    TAnswer AskCorrect(const QString& caption, const QString& text) override {
        asked.append(caption + QStringLiteral(" | ") + text);
        if (answers.empty())
            return TAnswer::Cancel;
        const TAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    bool Confirm(const QString& caption, const QString& text) override {
        confirmed.append(caption + QStringLiteral(" | ") + text);
        return confirmAnswer;
    }
    void Error(const QString& caption, const QString& text) override {
        errors.append(caption + QStringLiteral(" | ") + text);
    }
    void Information(const QString& caption, const QString& text) override {
        informed.append(caption + QStringLiteral(" | ") + text);
    }

    std::deque<TAnswer> answers;
    bool confirmAnswer = true;
    QStringList asked, confirmed, errors, informed;
};

void ClickOk(QWidget* form) {
    auto* buttons = Child<QDialogButtonBox>(form, "buttons");
    QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

class TaskPropertiesTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        std::lock_guard lock(PackerSettingsMutex());
        ExternalCompressors().Load();
        ExternalEncryptors().Load();
    }
    void TearDown() override {
        {
            std::lock_guard lock(PackerSettingsMutex());
            ExternalCompressors().Clear();
            ExternalEncryptors().Clear();
        }
        UiTest::TearDown();
    }

    std::unique_ptr<TTask> CompleteTask() { return CompleteTestTask(); }

    std::unique_ptr<TTaskPropertiesForm> Open(TTask& task) {
        auto form = std::make_unique<TTaskPropertiesForm>(task, data, prompts);
        form->show();
        return form;
    }

    TMainData data;
    TFakePropertiesPrompts prompts;
};

QString Msg(const char* text) {
    return QString::fromUtf8(text);
}

}  // namespace

TEST_F(TaskPropertiesTest, NewTaskEnteredByKeyboardIsStoredValueForValue) {
    data.Groups = {QStringLiteral("Office"), QStringLiteral("Home")};
    TTask* created = nullptr;
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<TTaskPropertiesForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        form->SetCurrentPage(TTaskPropertiesForm::pgGeneral);
        Type(form, "name", QStringLiteral("Photos"));
        Choose(Child<QComboBox>(form, "group"), 2);
        Choose(Child<QComboBox>(form, "action"), 2);
        Type(form, "authUser", QStringLiteral("alice"));
        Type(form, "sourceFolder", QStringLiteral("/home/alice/photos"));
        Child<QCheckBox>(form, "includeSubfolders")->setChecked(false);
        Choose(Child<QComboBox>(form, "destType"), 1);
        Type(form, "ftpAddress", QStringLiteral("ftp.example.org"));
        Type(form, "ftpFolder", QStringLiteral("/pics"));
        Child<QSpinBox>(form, "ftpPort")->setValue(2121);
        Type(form, "ftpLogin", QStringLiteral("bob"));
        Type(form, "ftpPassword", QStringLiteral("secret"));
        Child<QComboBox>(form, "ftpSecurity")->setCurrentIndex(2);
        Child<QCheckBox>(form, "ftpAcceptSelfSigned")->setChecked(true);
        // Proxy and time-out are set in their own dialog.
        QTimer::singleShot(0, [] {
            QWidget* advanced = QApplication::activeModalWidget();
            ASSERT_NE(advanced, nullptr);
            ASSERT_EQ(advanced->objectName(), QStringLiteral("TaskFTPAdvForm"));
            Click(advanced, "ftpProxyUse");
            Type(advanced, "ftpProxyAddress", QStringLiteral("proxy.lan"));
            Child<QSpinBox>(advanced, "ftpTimeOut")->setValue(15);
            QTest::keyClick(advanced, Qt::Key_Enter);
        });
        Click(form, "ftpAdvanced");
        form->SetCurrentPage(TTaskPropertiesForm::pgCompression);
        Child<QCheckBox>(form, "compressUse")->setChecked(true);
        Child<QSpinBox>(form, "compressLevel")->setValue(3);
        Type(form, "compressPassword", QStringLiteral("zip!"));
        Type(form, "compressPassword2", QStringLiteral("zip!"));
        Child<QCheckBox>(form, "optCompare")->setChecked(true);
        Child<QComboBox>(form, "versionsKind")->setCurrentIndex(1);
        QTest::keyClick(form, Qt::Key_Enter);
    });
    created = NewTaskWithProperties(nullptr, data, QStringLiteral("Office"), &prompts);
    ASSERT_NE(created, nullptr);
    EXPECT_TRUE(prompts.asked.isEmpty()) << prompts.asked.join(QStringLiteral("\n")).toStdString();
    EXPECT_FALSE(created->EditLock);
    const QString id = created->ID;
    data.SaveAll();

    TMainData loaded;
    loaded.LoadAll();
    const TTask* task = loaded.FindTask(id);
    ASSERT_NE(task, nullptr);
    EXPECT_EQ(task->Name, QStringLiteral("Photos"));
    EXPECT_EQ(task->BelongToGroup, QStringLiteral("Home"));
    EXPECT_EQ(task->TaskAction, TTaskAction::taMove);
    EXPECT_EQ(task->AuthUser, QStringLiteral("alice"));
    ASSERT_EQ(task->SourceFolderCount(), 1);
    EXPECT_EQ(task->SourceFolders[0].Folder, QStringLiteral("/home/alice/photos"));
    EXPECT_FALSE(task->SourceFolders[0].IncludeSubfolders);
    EXPECT_EQ(task->DestType, TDestKind::dkFtp);
    EXPECT_EQ(task->DestFTP_Address, QStringLiteral("ftp.example.org"));
    EXPECT_EQ(task->DestFTP_Folder, QStringLiteral("/pics"));
    EXPECT_EQ(task->DestFTP_Port, 2121);
    EXPECT_EQ(task->DestFTP_Login, QStringLiteral("bob"));
    EXPECT_EQ(task->DestFTP_Password, QStringLiteral("secret"));
    EXPECT_EQ(task->DestFTP_Security, QStringLiteral("SFTP"));
    EXPECT_TRUE(task->DestFTP_AcceptSelfSigned);
    EXPECT_TRUE(task->DestFTP_ProxyUse);
    EXPECT_EQ(task->DestFTP_ProxyAddress, QStringLiteral("proxy.lan"));
    EXPECT_EQ(task->DestFTP_TimeOut, 15);
    EXPECT_EQ(task->DestFTP_ReconnectRetries, 1000);
    EXPECT_TRUE(task->CompressUse);
    EXPECT_EQ(task->CompressType, QStringLiteral("BUILTIN"));
    EXPECT_EQ(task->CompressFilename, QStringLiteral("Photos.zip"));
    EXPECT_EQ(task->CompressPassword, QStringLiteral("zip!"));
    EXPECT_EQ(task->CompressLevel, 3);
    EXPECT_TRUE(task->BackupCompareAfterCopy);
    EXPECT_EQ(task->VersionsKeepType, TVersionsKeepKind::vkSameFolder);
    ASSERT_EQ(task->Filters.size(), 1u);
    EXPECT_TRUE(task->Filters[0].Enabled);
    EXPECT_EQ(task->Filters[0].FilterType, TFilterType::fitInclude);
    EXPECT_EQ(task->Filters[0].fnWildcard, QStringLiteral("*.*"));
    EXPECT_TRUE(SamePersistedValues(*task, *created));
}

TEST_F(TaskPropertiesTest, CancelLeavesTheTaskAsItWas) {
    auto task = CompleteTask();
    const TTask before = *task;
    {
        auto form = Open(*task);
        Type(form.get(), "name", QStringLiteral("Changed"));
        auto* menu = Child<QMenu>(form.get(), "presetMenu");
        QList<QAction*> actions = menu->actions().first()->menu()->actions();
        ASSERT_FALSE(actions.isEmpty());
        actions.first()->trigger();
        EXPECT_EQ(Child<QListWidget>(form.get(), "filterList")->count(), 2);
        QTest::keyClick(form.get(), Qt::Key_Escape);
        EXPECT_EQ(form->result(), QDialog::Rejected);
    }
    EXPECT_TRUE(SamePersistedValues(*task, before));

    // The same through the entry point the window calls; the edit lock is held only while it is open.
    bool lockedWhileOpen = false;
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<TTaskPropertiesForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        lockedWhileOpen = task->EditLock;
        Type(form, "destLocal", QStringLiteral("/elsewhere"));
        QTest::keyClick(form, Qt::Key_Escape);
    });
    TFakePrompts passwords;
    EXPECT_FALSE(EditTaskProperties(nullptr, *task, data, &prompts, &passwords));
    EXPECT_TRUE(lockedWhileOpen);
    EXPECT_FALSE(task->EditLock);
    EXPECT_TRUE(SamePersistedValues(*task, before));
}

TEST_F(TaskPropertiesTest, OkWritesTheEditsAndRemembersThePage) {
    auto task = CompleteTask();
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<TTaskPropertiesForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        form->SetCurrentPage(TTaskPropertiesForm::pgDestination);
        Type(form, "destLocal", QStringLiteral("/mnt/other"));
        ClickOk(form);
    });
    TFakePrompts passwords;
    EXPECT_TRUE(EditTaskProperties(nullptr, *task, data, &prompts, &passwords));
    EXPECT_EQ(task->DestLocal, QStringLiteral("/mnt/other"));
    EXPECT_EQ(task->DestinationFolder(-1), QStringLiteral("/mnt/other/"));
    EXPECT_EQ(RememberedPropertiesPage(), TTaskPropertiesForm::pgDestination);
    SetRememberedPropertiesPage(0);
}

TEST_F(TaskPropertiesTest, RunningOrProtectedTaskIsNotOpened) {
    auto task = CompleteTask();
    task->IsRunning = true;
    TFakePrompts passwords;
    EXPECT_FALSE(EditTaskProperties(nullptr, *task, data, &prompts, &passwords));
    ASSERT_EQ(prompts.errors.size(), 1);
    EXPECT_EQ(prompts.errors[0],
              Msg("Error | You can't modify properties of the running task. Please wait while "
                  "task's work finished and then try again."));
    EXPECT_FALSE(task->EditLock);

    task->IsRunning = false;
    task->Protection_UseDefault = false;
    task->Protection_Password = QStringLiteral("right");
    passwords.password = QStringLiteral("wrong");
    EXPECT_FALSE(EditTaskProperties(nullptr, *task, data, &prompts, &passwords));
    EXPECT_EQ(passwords.passwordQuestions, 1);
    EXPECT_FALSE(task->EditLock);
}

TEST_F(TaskPropertiesTest, MissingSourceDestinationAndFiltersAreQuestionedInOrder) {
    TTask task;  // no source, no destination, no filter
    auto form = Open(task);
    prompts.answers = {TPropertiesPrompts::TAnswer::No, TPropertiesPrompts::TAnswer::No,
                       TPropertiesPrompts::TAnswer::No};
    ClickOk(form.get());
    ASSERT_EQ(prompts.asked.size(), 3);
    EXPECT_EQ(prompts.asked[0],
              Msg("Warning! | No Source folders configured for the Task - nothing will be copied. "
                  "Do you want to correct this setting?"));
    EXPECT_EQ(prompts.asked[1], Msg("Warning! | No Destination folder configured for the Task. Do you want "
                                    "to correct this setting?"));
    EXPECT_EQ(
        prompts.asked[2],
        Msg("Warning! | No enabling File Filters configured for the Task - nothing will be copied. Please "
            "add "
            "at least one filter of the type 'Include files matching the wildcard \"*.*\"'. Do you want to "
            "correct the File Filter settings?"));
    EXPECT_EQ(form->result(), QDialog::Accepted);
}

TEST_F(TaskPropertiesTest, YesOrCancelKeepsTheDialogOpen) {
    TTask task;
    auto form = Open(task);
    prompts.answers = {TPropertiesPrompts::TAnswer::Cancel};
    ClickOk(form.get());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(prompts.asked.size(), 1);

    prompts.answers = {TPropertiesPrompts::TAnswer::No, TPropertiesPrompts::TAnswer::Yes};
    ClickOk(form.get());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->CurrentPage(), TTaskPropertiesForm::pgDestination);
    EXPECT_EQ(prompts.asked.size(), 3);

    // A disabled include filter does not count.
    auto disabled = MakeIncludeAllFilter();
    disabled.Enabled = false;
    auto task2 = CompleteTask();
    task2->Filters = {disabled};
    auto form2 = Open(*task2);
    prompts.asked.clear();
    prompts.answers = {TPropertiesPrompts::TAnswer::Yes};
    ClickOk(form2.get());
    ASSERT_EQ(prompts.asked.size(), 1);
    EXPECT_TRUE(prompts.asked[0].contains(QStringLiteral("No enabling File Filters")));
    EXPECT_EQ(form2->CurrentPage(), TTaskPropertiesForm::pgFilters);
}

TEST_F(TaskPropertiesTest, PasswordMismatchesKeepTheDialogOnTheirPage) {
    auto task = CompleteTask();
    task->CompressUse = true;
    task->CompressFilename = QStringLiteral("Daily.zip");
    auto form = Open(*task);
    Type(form.get(), "compressPassword", QStringLiteral("one"));
    Type(form.get(), "compressPassword2", QStringLiteral("two"));
    form->SetCurrentPage(TTaskPropertiesForm::pgGeneral);
    ClickOk(form.get());
    ASSERT_EQ(prompts.errors.size(), 1);
    EXPECT_EQ(prompts.errors[0],
              Msg("Error | The two archive passwords entries do not match. Please reenter passwords."));
    EXPECT_EQ(form->CurrentPage(), TTaskPropertiesForm::pgCompression);
    EXPECT_TRUE(form->isVisible());

    Type(form.get(), "compressPassword2", QStringLiteral("one"));
    Child<QCheckBox>(form.get(), "cryptUse")->setChecked(true);
    Type(form.get(), "cryptPassword", QStringLiteral("a"));
    Type(form.get(), "cryptPassword2", QStringLiteral("b"));
    form->SetCurrentPage(TTaskPropertiesForm::pgGeneral);
    ClickOk(form.get());
    ASSERT_EQ(prompts.errors.size(), 2);
    EXPECT_EQ(prompts.errors[1],
              Msg("Error | The two encryption passwords entries do not match. Please reenter passwords."));
    EXPECT_EQ(form->CurrentPage(), TTaskPropertiesForm::pgEncryption);

    Type(form.get(), "cryptPassword", QString());
    Type(form.get(), "cryptPassword2", QString());
    ClickOk(form.get());
    ASSERT_EQ(prompts.errors.size(), 3);
    EXPECT_EQ(prompts.errors[2],
              Msg("Error | The encryption password is not specified. Please enter password."));
    EXPECT_TRUE(form->isVisible());

    // A synchronising task never packs, so its password entries are not checked.
    Choose(Child<QComboBox>(form.get(), "action"), 1);
    ClickOk(form.get());
    EXPECT_EQ(prompts.errors.size(), 3);
    EXPECT_EQ(form->result(), QDialog::Accepted);
}

TEST_F(TaskPropertiesTest, EntriesARunWouldRefuseAreNotStored) {
    auto task = CompleteTask();
    auto form = Open(*task);
    Type(form.get(), "destLocal", QStringLiteral("/HOME/u/docs/backup"));
    form->SetCurrentPage(TTaskPropertiesForm::pgGeneral);
    ClickOk(form.get());
    ASSERT_EQ(prompts.errors.size(), 1);
    EXPECT_EQ(prompts.errors[0], Msg("Error | Destination folder can't be placed under Source folder path!"));
    EXPECT_EQ(form->CurrentPage(), TTaskPropertiesForm::pgDestination);
    // A sibling whose name only starts like the source is fine.
    Type(form.get(), "destLocal", QStringLiteral("/home/u/docs2"));

    Child<QCheckBox>(form.get(), "compressUse")->setChecked(true);
    Child<QLineEdit>(form.get(), "compressFilename")->setText(QStringLiteral("   "));
    form->SetCurrentPage(TTaskPropertiesForm::pgSource);
    ClickOk(form.get());
    ASSERT_EQ(prompts.errors.size(), 2);
    EXPECT_EQ(prompts.errors[1], Msg("Error | Invalid archive file name \"   \"!"));
    EXPECT_EQ(form->CurrentPage(), TTaskPropertiesForm::pgCompression);
    Child<QCheckBox>(form.get(), "compressUse")->setChecked(false);

    Choose(Child<QComboBox>(form.get(), "destType"), 1);
    prompts.answers = {TPropertiesPrompts::TAnswer::Yes};
    ClickOk(form.get());
    ASSERT_EQ(prompts.asked.size(), 1);
    EXPECT_EQ(prompts.asked[0], Msg("Warning! | No FTP server address configured for the Task. Do you want "
                                    "to correct this setting?"));
    Type(form.get(), "ftpAddress", QStringLiteral("ftp.example.org"));

    TTaskFilterItem bad = MakeIncludeAllFilter();
    bad.fnWildcard = QStringLiteral("*.txt [bad");
    QTimer::singleShot(0, [&] {
        auto* editor = QApplication::activeModalWidget();
        ASSERT_NE(editor, nullptr);
        Type(editor, "filterWildcard", bad.fnWildcard);
        QTest::keyClick(editor, Qt::Key_Enter);
    });
    Click(form.get(), "filterAdd");
    form->SetCurrentPage(TTaskPropertiesForm::pgSource);
    ClickOk(form.get());
    ASSERT_EQ(prompts.errors.size(), 3);
    EXPECT_TRUE(prompts.errors[2].contains(QStringLiteral("\"[bad\""))) << prompts.errors[2].toStdString();
    EXPECT_EQ(form->CurrentPage(), TTaskPropertiesForm::pgFilters);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(TaskPropertiesTest, SynchronizationNeedsOneLocalSource) {
    auto task = CompleteTask();
    TSourceFolder second;
    second.Folder = QStringLiteral("/home/u/music");
    task->SourceFolders.push_back(second);
    auto form = Open(*task);
    auto* action = Child<QComboBox>(form.get(), "action");
    EXPECT_EQ(Child<QTreeWidget>(form.get(), "sourceList")->topLevelItemCount(), 2);
    Choose(action, 1);
    ASSERT_EQ(prompts.errors.size(), 1);
    EXPECT_EQ(prompts.errors[0],
              Msg("Error | Synchronization is possible only with single source folder. Please "
                  "remove unnecessary folders from the list."));
    EXPECT_EQ(action->currentIndex(), 0);

    // Two rows cannot collapse; after removing one they can, and Move stays chosen.
    Click(form.get(), "toggleView");
    ASSERT_EQ(prompts.errors.size(), 2);
    EXPECT_TRUE(prompts.errors[1].contains(QStringLiteral("You can't collapse multiple folders list")));
    auto* list = Child<QTreeWidget>(form.get(), "sourceList");
    list->setCurrentItem(list->topLevelItem(0));
    Click(form.get(), "sourceRemove");
    Choose(action, 2);
    EXPECT_EQ(action->currentIndex(), 2);
    Click(form.get(), "toggleView");
    EXPECT_EQ(Child<QLineEdit>(form.get(), "sourceFolder")->text(), QStringLiteral("/home/u/music"));

    Choose(Child<QComboBox>(form.get(), "destType"), 1);
    Choose(action, 1);
    EXPECT_EQ(prompts.errors.last(),
              Msg("Error | Synchronization is possible only with local or LAN destination folder."));
    EXPECT_EQ(action->currentIndex(), 0);

    Choose(Child<QComboBox>(form.get(), "destType"), 0);
    Choose(action, 1);
    EXPECT_EQ(action->currentIndex(), 1);
    EXPECT_FALSE(Child<QCheckBox>(form.get(), "compressUse")->isEnabled());
    EXPECT_FALSE(Child<QCheckBox>(form.get(), "cryptUse")->isEnabled());
    EXPECT_FALSE(Child<QCheckBox>(form.get(), "optClearArchiveBit")->isEnabled());
    Choose(Child<QComboBox>(form.get(), "destType"), 1);
    ASSERT_EQ(prompts.informed.size(), 1);
    EXPECT_EQ(prompts.informed[0],
              Msg("Information | Synchronization is possible only with local or LAN destination folder."));
    EXPECT_EQ(Child<QComboBox>(form.get(), "destType")->currentIndex(), 0);

    // The multiple view cannot open while synchronising.
    Click(form.get(), "toggleView");
    EXPECT_TRUE(prompts.errors.last().contains(QStringLiteral("only with single source folder")));
    EXPECT_EQ(Child<QLineEdit>(form.get(), "sourceFolder")->text(), QStringLiteral("/home/u/music"));
}

TEST_F(TaskPropertiesTest, MultipleViewEditsTheRowsAndOkStoresThem) {
    auto task = CompleteTask();
    auto form = Open(*task);
    Click(form.get(), "toggleView");
    auto* list = Child<QTreeWidget>(form.get(), "sourceList");
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("Yes"));
    EXPECT_TRUE(Child<QLineEdit>(form.get(), "sourceFolder")->text().isEmpty());
    Type(form.get(), "sourceFolder", QStringLiteral("/srv/a"));
    Child<QCheckBox>(form.get(), "includeSubfolders")->setChecked(false);
    Click(form.get(), "sourceAdd");
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("No"));
    list->setCurrentItem(list->topLevelItem(1));
    Type(form.get(), "sourceFolder", QStringLiteral("/srv/b"));
    Click(form.get(), "sourceEdit");
    ClickOk(form.get());
    ASSERT_EQ(form->result(), QDialog::Accepted);
    form->ApplyTo(*task);
    ASSERT_EQ(task->SourceFolderCount(), 2);
    EXPECT_EQ(task->SourceFolders[0].Folder, QStringLiteral("/home/u/docs"));
    EXPECT_EQ(task->SourceFolders[1].Folder, QStringLiteral("/srv/b"));
    EXPECT_FALSE(task->SourceFolders[1].IncludeSubfolders);
}

TEST_F(TaskPropertiesTest, ArchiveNameFollowsTheCompressor) {
    EXPECT_EQ(TTaskPropertiesForm::ArchiveNameFor(QStringLiteral("Backup v1.2"), QStringLiteral("zip")),
              QStringLiteral("Backup v1.zip"));
    EXPECT_EQ(TTaskPropertiesForm::CompressorExtensionOf(QStringLiteral("RAR")), QStringLiteral("rar"));

    auto task = CompleteTask();
    task->CompressUse = true;
    task->CompressFilename = QStringLiteral("Daily.zip");
    auto form = Open(*task);
    auto* type = Child<QComboBox>(form.get(), "compressType");
    auto* filename = Child<QLineEdit>(form.get(), "compressFilename");
    type->setCurrentIndex(type->findData(QStringLiteral("RAR")));
    EXPECT_EQ(filename->text(), QStringLiteral("Daily.rar"));
    EXPECT_FALSE(Child<QComboBox>(form.get(), "compressEncryption")->isEnabled());
    type->setCurrentIndex(0);
    EXPECT_EQ(filename->text(), QStringLiteral("Daily.zip"));

    // Extensions compare case-sensitively; leaving the General page re-evaluates with the typed name.
    filename->setText(QStringLiteral("Daily.ZIP"));
    form->SetCurrentPage(TTaskPropertiesForm::pgGeneral);
    Type(form.get(), "name", QStringLiteral("Backup v1.2"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Tarnovex Task Properties - [Backup v1.2]"));
    form->SetCurrentPage(TTaskPropertiesForm::pgCompression);
    EXPECT_EQ(filename->text(), QStringLiteral("Backup v1.zip"));
    // A name that already fits stays.
    form->SetCurrentPage(TTaskPropertiesForm::pgGeneral);
    Type(form.get(), "name", QStringLiteral("Other"));
    form->SetCurrentPage(TTaskPropertiesForm::pgSource);
    EXPECT_EQ(filename->text(), QStringLiteral("Backup v1.zip"));
    Click(form.get(), "compressSeparate");
    EXPECT_FALSE(filename->isEnabled());
}

TEST_F(TaskPropertiesTest, FilterListRemovesAfterConfirmationAndReorders) {
    auto task = CompleteTask();
    auto exclude = MakeIncludeAllFilter();
    exclude.FilterType = TFilterType::fitExclude;
    exclude.fnWildcard = QStringLiteral("*.tmp");
    task->Filters.push_back(exclude);
    auto form = Open(*task);
    auto* list = Child<QListWidget>(form.get(), "filterList");
    ASSERT_EQ(list->count(), 2);
    list->setCurrentRow(1);
    Click(form.get(), "filterUp");
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(list->item(0)->text(), FilterCaption(exclude));

    // Modify changes the chosen row only; a preset goes to the top of the list.
    QTimer::singleShot(0, [] {
        auto* editor = QApplication::activeModalWidget();
        ASSERT_NE(editor, nullptr);
        Type(editor, "filterWildcard", QStringLiteral("*.bak"));
        QTest::keyClick(editor, Qt::Key_Enter);
    });
    Click(form.get(), "filterModify");
    exclude.fnWildcard = QStringLiteral("*.bak");
    EXPECT_EQ(list->item(0)->text(), FilterCaption(exclude));
    EXPECT_EQ(list->item(1)->text(), FilterCaption(MakeIncludeAllFilter()));

    prompts.confirmAnswer = false;
    Click(form.get(), "filterRemove");
    ASSERT_EQ(prompts.confirmed.size(), 1);
    EXPECT_EQ(
        prompts.confirmed[0],
        QStringLiteral("Confirmation | Remove this filter (%1) from the list?").arg(FilterCaption(exclude)));
    EXPECT_EQ(list->count(), 2);
    prompts.confirmAnswer = true;
    Click(form.get(), "filterRemove");
    ASSERT_EQ(list->count(), 1);
    ClickOk(form.get());
    form->ApplyTo(*task);
    ASSERT_EQ(task->Filters.size(), 1u);
    EXPECT_EQ(task->Filters[0].FilterType, TFilterType::fitInclude);
}

TEST_F(TaskPropertiesTest, ScheduleItemsAreSwitchedAndRemoved) {
    SetScheduleItemCaption(
        [](const TTaskScheduleItem& item) { return QStringLiteral("every %1 hours").arg(item.HourlyValue); });
    auto task = CompleteTask();
    task->Schedule.resize(2);
    task->Schedule[1].HourlyValue = 5;
    task->Schedule[1].Kind = TScheduleKind::skDaily;
    auto form = Open(*task);
    auto* list = Child<QListWidget>(form.get(), "scheduleList");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("every 5 hours"));
    list->item(0)->setCheckState(Qt::Unchecked);
    list->setCurrentRow(1);
    Click(form.get(), "scheduleRemove");
    ASSERT_EQ(prompts.confirmed.size(), 1);
    EXPECT_EQ(prompts.confirmed[0],
              QStringLiteral("Confirmation | Remove this Schedule (every 5 hours) from the list?"));
    SetScheduleItemCaption(nullptr);
    ClickOk(form.get());
    form->ApplyTo(*task);
    ASSERT_EQ(task->Schedule.size(), 1u);
    EXPECT_EQ(task->Schedule[0].Kind, TScheduleKind::skHourly);
    EXPECT_FALSE(task->Schedule[0].Enabled);
}

TEST_F(TaskPropertiesTest, ResetNowClearsTheErrorFlagAtOnce) {
    auto task = CompleteTask();
    task->RaiseErrorFlag(DateTime::Encode(2026, 3, 2, 10, 0, 0));
    auto form = Open(*task);
    auto* state = Child<QLabel>(form.get(), "errorState");
    EXPECT_EQ(state->text(), QStringLiteral("ERROR! 02.03.2026 10:00:00."));
    form->SetCurrentPage(TTaskPropertiesForm::pgErrorHandling);
    Click(form.get(), "resetNow");
    EXPECT_FALSE(task->ErrorFlag);
    EXPECT_EQ(state->text(), QStringLiteral("No error"));
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_FALSE(task->ErrorFlag);
}

TEST_F(TaskPropertiesTest, AdvancedPagesStoreTheirOwnValuesOnlyWhenTheDefaultIsOff) {
    auto task = CompleteTask();
    auto form = Open(*task);
    auto* logDefault = Child<QCheckBox>(form.get(), "logDefault");
    auto* logFileName = Child<QLineEdit>(form.get(), "logFileName");
    EXPECT_TRUE(logDefault->isChecked());
    EXPECT_FALSE(logFileName->isEnabled());
    EXPECT_EQ(logFileName->text(), QStringLiteral("Tarnovex.log"));
    Click(form.get(), "logDefault");
    EXPECT_TRUE(logFileName->isEnabled());
    Type(form.get(), "logFileName", QStringLiteral("docs.log"));
    Click(form.get(), "logFiles");
    Click(form.get(), "runProgramsDefault");
    Click(form.get(), "runBefore");
    Type(form.get(), "runBeforeProgram", QStringLiteral("/usr/bin/mount-nas"));
    Click(form.get(), "bandwidthDefault");
    Click(form.get(), "bandwidthUse");
    Child<QSpinBox>(form.get(), "bandwidthValue")->setValue(300);
    Child<QComboBox>(form.get(), "measureKind")->setCurrentIndex(0);
    Click(form.get(), "monitorUse");
    Child<QSpinBox>(form.get(), "monitorWaitSeconds")->setValue(90);
    Child<QSpinBox>(form.get(), "retries")->setValue(2);
    Click(form.get(), "emailDefault");
    Type(form.get(), "smtpServer", QStringLiteral("mail.lan"));
    Child<QSpinBox>(form.get(), "smtpPort")->setValue(587);
    Type(form.get(), "emailSubject", QStringLiteral("Docs backup"));
    Type(form.get(), "emailTo", QStringLiteral("me@lan"));
    Child<QComboBox>(form.get(), "cpuPriority")->setCurrentIndex(0);
    Child<QComboBox>(form.get(), "powerBatteryMode")->setCurrentIndex(2);
    Click(form.get(), "dialDefault");
    Type(form.get(), "dialEntry", QStringLiteral("wwan0"));
    ClickOk(form.get());
    ASSERT_EQ(form->result(), QDialog::Accepted);
    form->ApplyTo(*task);
    EXPECT_FALSE(task->Log_UseDefault);
    EXPECT_EQ(task->EffectiveLog().FileName, QStringLiteral("docs.log"));
    EXPECT_FALSE(task->EffectiveLog().IncludeFiles);
    EXPECT_TRUE(task->EffectiveLog().IncludeErrors);
    EXPECT_TRUE(task->EffectiveRunPrograms().Before);
    EXPECT_EQ(task->EffectiveRunPrograms().BeforeProgramName, QStringLiteral("/usr/bin/mount-nas"));
    EXPECT_TRUE(task->EffectiveBandwidth().Use);
    EXPECT_EQ(task->EffectiveBandwidth().Value, 300);
    EXPECT_EQ(task->EffectiveBandwidth().MeasureKind, TBandwidthMeasure::bmkKBits);
    EXPECT_TRUE(task->FolderMonitor_Use);
    EXPECT_EQ(task->WaitSeconds, 90);
    EXPECT_EQ(task->MaxNumberOfRetries, 2);
    EXPECT_TRUE(task->Protection_UseDefault);
    EXPECT_EQ(task->EffectiveEmailSettings().SmtpServer, QStringLiteral("mail.lan"));
    EXPECT_EQ(task->EffectiveEmailSettings().SmtpServerPort, 587);
    EXPECT_EQ(task->EffectiveEmailSettings().Subject, QStringLiteral("Docs backup"));
    EXPECT_EQ(task->To, QStringLiteral("me@lan"));
    EXPECT_EQ(task->CpuPerformance, 0);
    EXPECT_EQ(task->BatteryMode, QStringLiteral("A"));
    EXPECT_EQ(task->EffectiveDialEntry(), QStringLiteral("wwan0"));
    EXPECT_TRUE(task->Performance_UseDefault);
}

TEST_F(TaskPropertiesTest, TaskPasswordEntriesMustMatch) {
    auto task = CompleteTask();
    auto form = Open(*task);
    Click(form.get(), "protectionDefault");
    Type(form.get(), "protectionPassword", QStringLiteral("first"));
    Type(form.get(), "protectionPassword2", QStringLiteral("second"));
    form->SetCurrentPage(TTaskPropertiesForm::pgGeneral);
    ClickOk(form.get());
    ASSERT_EQ(prompts.errors.size(), 1);
    EXPECT_EQ(prompts.errors[0],
              Msg("Error | The two Task's passwords entries do not match. Please reenter passwords."));
    EXPECT_EQ(form->CurrentPage(), TTaskPropertiesForm::pgTaskPassword);
    EXPECT_TRUE(form->isVisible());

    Type(form.get(), "protectionPassword2", QStringLiteral("first"));
    ClickOk(form.get());
    ASSERT_EQ(form->result(), QDialog::Accepted);
    form->ApplyTo(*task);
    EXPECT_EQ(task->EffectiveProtection().Password, QStringLiteral("first"));
}

TEST_F(TaskPropertiesTest, ScheduleItemsAreAddedAndModifiedThroughTheEditor) {
    auto task = CompleteTask();
    auto form = Open(*task);
    QTimer::singleShot(0, [] {
        auto* editor = QApplication::activeModalWidget();
        ASSERT_NE(editor, nullptr);
        Child<QComboBox>(editor, "KindCombo")->setCurrentIndex(static_cast<int>(TScheduleKind::skDaily));
        Child<QComboBox>(editor, "DailyEveryCombo")->setCurrentIndex(2);
        Child<QCheckBox>(editor, "DailyTimeCheck")->setChecked(true);
        Child<QTimeEdit>(editor, "DailyTimeEdit")->setTime(QTime(22, 30, 15));
        Child<QCheckBox>(editor, "DailySaturdayCheck")->setChecked(false);
        QTest::keyClick(editor, Qt::Key_Enter);
    });
    Click(form.get(), "scheduleAdd");
    auto* list = Child<QListWidget>(form.get(), "scheduleList");
    ASSERT_EQ(list->count(), 1);

    // Modify: a single run on a date; Cancel of a second edit changes nothing.
    QTimer::singleShot(0, [] {
        auto* editor = QApplication::activeModalWidget();
        ASSERT_NE(editor, nullptr);
        Child<QComboBox>(editor, "KindCombo")->setCurrentIndex(static_cast<int>(TScheduleKind::skOnce));
        Child<QDateEdit>(editor, "OnceDateEdit")->setDate(QDate(2027, 1, 15));
        QTest::keyClick(editor, Qt::Key_Enter);
    });
    list->setCurrentRow(0);
    Click(form.get(), "scheduleModify");
    QTimer::singleShot(0, [] {
        auto* editor = QApplication::activeModalWidget();
        ASSERT_NE(editor, nullptr);
        Child<QComboBox>(editor, "KindCombo")->setCurrentIndex(static_cast<int>(TScheduleKind::skHourly));
        QTest::keyClick(editor, Qt::Key_Escape);
    });
    Click(form.get(), "scheduleModify");

    ClickOk(form.get());
    ASSERT_EQ(form->result(), QDialog::Accepted);
    form->ApplyTo(*task);
    ASSERT_EQ(task->Schedule.size(), 1u);
    const TTaskScheduleItem& item = task->Schedule[0];
    EXPECT_EQ(item.Kind, TScheduleKind::skOnce);
    EXPECT_DOUBLE_EQ(item.OnceRunDate, DateTime::Encode(2027, 1, 15));
    // The daily values entered first are kept with the item.
    EXPECT_EQ(item.DailyEveryNumDays, TEveryNumDays::ed3rd);
    EXPECT_TRUE(item.DailyUseStartTime);
    EXPECT_TRUE(DateTime::SameTime(item.DailyStartTime, DateTime::Encode(1899, 12, 30, 22, 30, 15)));
    EXPECT_FALSE(item.DailyDays[5]);
    EXPECT_TRUE(item.DailyDays[4]);
}
