// The autorun, hot key, system timer, media, event alert and e-mail pages of the task properties
// dialog, its navigator and the advanced FTP settings, driven as a user does.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCommandLinkButton>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "PropertiesDialogDriver.h"
#include "UiFixtures.h"
#include "logging/Email.h"
#include "logging/EmailTestServer.h"
#include "logging/RecordingUserInterface.h"
#include "platform/HotKeys.h"
#include "platform/Volumes.h"
#include "schedule/MountWatcher.h"
#include "schedule/Scheduler.h"
#include "settings/Language.h"
#include "ui/FtpAdvancedDialog.h"
#include "ui/HotKeyEdit.h"
#include "ui/PreferencesDialog.h"
#include "ui/TaskPropertiesDialog.h"

using namespace std::chrono_literals;

namespace {

using namespace PropertiesDriver;

using TForm = TTaskPropertiesForm;

// Answers the dialog's questions and records every message; a test may act while a message is open.
class TPagePrompts : public TPropertiesPrompts {
public:
    TAnswer AskCorrect(const QString& caption, const QString& text) override {
        asked.append(caption + QStringLiteral(" | ") + text);
        return TAnswer::No;
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
        if (whileInformed)
            whileInformed(text);
    }

    bool confirmAnswer = true;
    std::function<void(const QString&)> whileInformed;
    QStringList asked, confirmed, errors, informed;
};

void ClickButton(QWidget* dialog, QDialogButtonBox::StandardButton which) {
    QTest::mouseClick(Child<QDialogButtonBox>(dialog, "buttons")->button(which), Qt::LeftButton);
}

// Holds up the reads of the drive list until a test lets them pass; shared with the reader thread, so
// that it outlives whatever the thread still does.
struct TDriveGate {
    std::mutex mutex;
    std::condition_variable changed;
    int released = 0;
    std::atomic<int> reads{0};
    std::atomic<int> lists{0};
    std::atomic<int> returned{0};
    std::set<std::thread::id> threads;
    std::map<QString, TSmartDetectDrive> rows;

    TSmartDetectDrive Read(const QString& mountPoint) {
        const int number = ++reads;
        std::unique_lock lock(mutex);
        threads.insert(std::this_thread::get_id());
        changed.wait(lock, [&] { return released >= number; });
        ++returned;
        return rows[mountPoint];
    }
    void Release(int count) {
        std::lock_guard lock(mutex);
        released = count;
        changed.notify_all();
    }
};

TSmartDetectDrive Drive(const char* letter, const char* type, qint64 size, const char* label,
                        const char* serial) {
    TSmartDetectDrive drive;
    drive.Letter = QString::fromUtf8(letter);
    drive.TypeName = QString::fromUtf8(type);
    drive.Size = size;
    drive.Ready = size >= 0;
    drive.Label = QString::fromUtf8(label);
    drive.Serial = QString::fromUtf8(serial);
    return drive;
}

// A hot-key service that holds what it registered and refuses the combinations of other programs.
class THeldHotKeys : public THotKeyService {
public:
    bool Register(int number, quint16 hotKey) override {
        if (takenElsewhere.count(hotKey))
            return false;
        for (const auto& [n, key] : held)
            if (key == hotKey && n != number)
                return false;
        held[number] = hotKey;
        return true;
    }
    void Release(int number) override { held.erase(number); }

    std::set<quint16> takenElsewhere;
    std::map<int, quint16> held;
};

class TFixedVolumes final : public TVolumeInfoSource {
public:
    bool Read(const QString& mountPoint, TVolumeInfo& info) override {
        const auto it = volumes.find(mountPoint);
        if (it == volumes.end())
            return false;
        info = it->second;
        return true;
    }
    std::map<QString, TVolumeInfo> volumes;
};

QByteArray MountLine(int id, const char* point, const char* type, const char* source) {
    return QByteArray::number(id) + " 1 8:" + QByteArray::number(id) + " / " + point + " rw,relatime - " +
           type + ' ' + source + " rw\n";
}

class TaskPropertiesPagesTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ResetPropertiesServices();
        // No test reads the machine's drives or watches its mounts.
        PropertiesServices().MountTable.clear();
        PropertiesServices().ListDrives = [] { return QStringList(); };
    }
    void TearDown() override {
        ResetPropertiesServices();
        SetUserInterface(nullptr);
        UnloadLanguageFile();
        SetRememberedPropertiesPage(0);
        UiTest::TearDown();
    }

    std::unique_ptr<TTask> CompleteTask() { return CompleteTestTask(); }

    std::unique_ptr<TForm> Open(TTask& task, int page = TForm::pgGeneral) {
        auto form = std::make_unique<TForm>(task, data, prompts);
        form->SetCurrentPage(page);
        form->show();
        return form;
    }

    TMainData data;
    TPagePrompts prompts;
};

}  // namespace

// --- navigator -------------------------------------------------------------------------------------

TEST_F(TaskPropertiesPagesTest, NavigatorGroupsTheAutorunAndAdvancedPagesAndItsLinksOpenThem) {
    auto task = CompleteTask();
    auto form = Open(*task);
    auto* navigator = Child<QTreeWidget>(form.get(), "navigator");
    ASSERT_EQ(navigator->topLevelItemCount(), 12);
    QTreeWidgetItem* autorun = navigator->topLevelItem(10);
    QTreeWidgetItem* advanced = navigator->topLevelItem(11);
    EXPECT_EQ(autorun->text(0), QStringLiteral("Autorun and Schedule"));
    EXPECT_EQ(advanced->text(0), QStringLiteral("Advanced"));
    QStringList autorunPages, advancedPages;
    for (int i = 0; i < autorun->childCount(); ++i)
        autorunPages << autorun->child(i)->text(0);
    for (int i = 0; i < advanced->childCount(); ++i)
        advancedPages << advanced->child(i)->text(0);
    EXPECT_EQ(autorunPages, (QStringList{"Internal Schedule", "Media SmartDetect", "Folder Monitor",
                                         "Hot Key", "MS Task Scheduler"}));
    EXPECT_EQ(advancedPages, (QStringList{"Run Programs", "Auto Dial", "Hardware Profile", "Limit Bandwith",
                                          "Task Password", "Log Settings", "Event Alerts", "CPU Performance",
                                          "Power Management", "Email Settings"}));

    // The overview links open their page; the tree follows.
    form->SetCurrentPage(TForm::pgAdvanced);
    auto* link = Child<QCommandLinkButton>(form.get(), "link23");
    EXPECT_EQ(link->text(), QStringLiteral("Event Alerts"));
    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(form->CurrentPage(), TForm::pgEventAlerts);
    EXPECT_EQ(navigator->currentItem(), advanced->child(6));
    form->SetCurrentPage(TForm::pgAutorun);
    link = Child<QCommandLinkButton>(form.get(), "link14");
    link->setFocus();
    QTest::keyClick(link, Qt::Key_Space);
    EXPECT_EQ(form->CurrentPage(), TForm::pgHotKey);

    // The keyboard walks the tree into the groups.
    navigator->setCurrentItem(autorun);
    QTest::keyClick(navigator, Qt::Key_Down);
    EXPECT_EQ(form->CurrentPage(), TForm::pgSchedule);
    navigator->setCurrentItem(advanced->child(9));
    EXPECT_EQ(form->CurrentPage(), TForm::pgEmailSettings);
}

TEST_F(TaskPropertiesPagesTest, APageInsideAGroupIsRememberedForTheNextDialog) {
    auto task = CompleteTask();
    QTimer::singleShot(0, [] {
        auto* form = qobject_cast<TForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        form->SetCurrentPage(TForm::pgHotKey);
        QTest::keyClick(form, Qt::Key_Enter);
    });
    TFakePrompts passwords;
    ASSERT_TRUE(EditTaskProperties(nullptr, *task, data, &prompts, &passwords));
    EXPECT_EQ(RememberedPropertiesPage(), TForm::pgHotKey);

    int opened = -1;
    QTimer::singleShot(0, [&opened] {
        auto* form = qobject_cast<TForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        opened = form->CurrentPage();
        QTest::keyClick(form, Qt::Key_Escape);
    });
    EXPECT_FALSE(EditTaskProperties(nullptr, *task, data, &prompts, &passwords));
    EXPECT_EQ(opened, TForm::pgHotKey);
}

TEST_F(TaskPropertiesPagesTest, TextsComeFromTheLanguageFile) {
    home.WriteFile(QStringLiteral("Test.lng"),
                   "[Misc]\n"
                   "strTaskPropAutorunHotKey=Tastenkombination\n"
                   "strTaskPropHotKeyValid=Frei!\n"
                   "[TaskPropertiesForm]\n"
                   "TaskPropertiesForm.smartDetectAdd.Caption=Zur Erkennung\n"
                   "TaskPropertiesForm.lblSmartDetectDrive.Caption=Ein&h\xc3\xa4ngepunkt:\n"
                   "TaskPropertiesForm.driveList.Columns[4].Caption=Zustand\n"
                   "TaskPropertiesForm.alertSet.Items[1]=Manueller Lauf\n"
                   "[TaskFTPAdvForm]\n"
                   "TaskFTPAdvForm.Caption=Erweiterte FTP-Einstellungen\n"
                   "TaskFTPAdvForm.ftpProxyUse.Caption=Proxy verwenden\n");
    ASSERT_TRUE(LoadLanguageFile(QStringLiteral("Test.lng")));
    THeldHotKeys keys;
    data.HotKeyService = &keys;
    auto task = CompleteTask();
    auto form = Open(*task, TForm::pgHotKey);
    EXPECT_EQ(form->objectName(), QStringLiteral("TaskPropertiesForm"));
    EXPECT_EQ(Child<QTreeWidget>(form.get(), "navigator")->topLevelItem(10)->child(3)->text(0),
              QStringLiteral("Tastenkombination"));
    EXPECT_TRUE(
        Child<QLabel>(form.get(), "titleHotKey")->text().contains(QStringLiteral("Tastenkombination")));
    EXPECT_EQ(Child<QPushButton>(form.get(), "smartDetectAdd")->text(), QStringLiteral("Zur Erkennung"));
    EXPECT_EQ(Child<QLabel>(form.get(), "lblSmartDetectDrive")->text(), QStringLiteral("Ein&hängepunkt:"));
    EXPECT_EQ(Child<QTreeWidget>(form.get(), "driveList")->headerItem()->text(4), QStringLiteral("Zustand"));
    EXPECT_EQ(Child<QComboBox>(form.get(), "alertSet")->itemText(1), QStringLiteral("Manueller Lauf"));
    auto* hotKey = Child<THotKeyEdit>(form.get(), "hotKey");
    QTest::keyClick(hotKey, Qt::Key_B, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(Child<QLabel>(form.get(), "hotKeyState")->text(), QStringLiteral("Frei!"));

    TTaskFTPAdvForm advanced(*task);
    EXPECT_EQ(advanced.windowTitle(), QStringLiteral("Erweiterte FTP-Einstellungen"));
    EXPECT_EQ(Child<QCheckBox>(&advanced, "ftpProxyUse")->text(), QStringLiteral("Proxy verwenden"));
}

// --- hot key ---------------------------------------------------------------------------------------

TEST_F(TaskPropertiesPagesTest, HotKeyLabelTellsWhetherTheCombinationIsFreeAndATakenOneIsStillStored) {
    THeldHotKeys keys;
    const quint16 ctrlAlt = kHotKeyCtrl | kHotKeyAlt;
    keys.takenElsewhere = {quint16('T' | ctrlAlt)};
    data.HotKeyService = &keys;
    TTask& other = AddTask(data, QStringLiteral("Other"));
    other.HotKey = 'O' | ctrlAlt;
    auto owned = CompleteTask();
    owned->HotKey = 'D' | ctrlAlt;
    TTask& task = data.Tasks.Add(std::move(owned));
    data.RegisterHotKeys();
    ASSERT_EQ(data.HotKeyCount, 2);

    auto form = Open(task, TForm::pgHotKey);
    auto* edit = Child<THotKeyEdit>(form.get(), "hotKey");
    auto* state = Child<QLabel>(form.get(), "hotKeyState");
    EXPECT_EQ(edit->HotKey(), quint16('D' | ctrlAlt));
    EXPECT_EQ(edit->text(), SequenceFromHotKey('D' | ctrlAlt).toString(QKeySequence::NativeText));
    EXPECT_TRUE(state->text().isEmpty());

    const QString valid = QStringLiteral("Hot key valid!");
    const QString invalid = QStringLiteral("Hot key invalid or already used by another action!");
    QTest::keyClick(edit, Qt::Key_B, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(edit->HotKey(), quint16('B' | ctrlAlt));
    EXPECT_EQ(state->text(), valid);
    QTest::keyClick(edit, Qt::Key_T, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(state->text(), invalid);
    QTest::keyClick(edit, Qt::Key_O, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(state->text(), invalid);  // the other task's
    // Its own registered key is not "used by another action".
    QTest::keyClick(edit, Qt::Key_D, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(state->text(), valid);
    // A bare key would be taken from every program: Alt is added; function keys keep Ctrl and Shift.
    QTest::keyClick(edit, Qt::Key_K);
    EXPECT_EQ(edit->HotKey(), quint16('K' | kHotKeyAlt));
    QTest::keyClick(edit, Qt::Key_F5, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(edit->HotKey(), quint16(0x74 | kHotKeyCtrl | kHotKeyShift));
    // Modifiers alone and keys that cannot be stored change nothing.
    QTest::keyClick(edit, Qt::Key_Control, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(edit->HotKey(), quint16(0x74 | kHotKeyCtrl | kHotKeyShift));
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->HotKey(), 0);
    EXPECT_EQ(edit->text(), QStringLiteral("None"));
    EXPECT_TRUE(state->text().isEmpty());
    QTest::keyClick(edit, Qt::Key_T, Qt::ControlModifier | Qt::AltModifier);
    Click(form.get(), "hotKeyReset");
    EXPECT_EQ(edit->HotKey(), 0);

    // A taken combination is still what OK stores; Enter in the editor is the dialog's OK.
    QTest::keyClick(edit, Qt::Key_T, Qt::ControlModifier | Qt::AltModifier);
    Click(form.get(), "hotKeyBringToFront");
    QTest::keyClick(edit, Qt::Key_Enter);
    ASSERT_EQ(form->result(), QDialog::Accepted);
    form->ApplyTo(task);
    EXPECT_EQ(task.HotKey, quint16('T' | ctrlAlt));
    EXPECT_TRUE(task.HotKeyBringToFront);
}

TEST_F(TaskPropertiesPagesTest, TheHotKeyEditorLetsTabAndEscapeThrough) {
    auto task = CompleteTask();
    auto form = Open(*task, TForm::pgHotKey);
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    auto* edit = Child<THotKeyEdit>(form.get(), "hotKey");
    edit->setFocus();
    ASSERT_TRUE(edit->hasFocus());
    QTest::keyClick(edit, Qt::Key_Tab);
    EXPECT_FALSE(edit->hasFocus());
    EXPECT_EQ(edit->HotKey(), 0);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(form->result(), QDialog::Rejected);
    EXPECT_FALSE(form->isVisible());
}

// --- media SmartDetect -----------------------------------------------------------------------------

TEST_F(TaskPropertiesPagesTest, DriveRowsArriveFromTheReaderThreadOneAtATime) {
    auto gate = std::make_shared<TDriveGate>();
    gate->rows[QStringLiteral("/")] = Drive("/", "Fixed", 250000000000, "", "1A2B3C4D");
    gate->rows[QStringLiteral("/media/usb")] =
        Drive("/media/usb", "Removable", 16008609792, "BACKUP", "0C0FFEE0");
    gate->rows[QStringLiteral("/mnt/cd")] = Drive("/mnt/cd", "CDROM", -1, "", "");
    PropertiesServices().ListDrives = [gate] {
        ++gate->lists;
        return QStringList{QStringLiteral("/"), QStringLiteral("/media/usb"), QStringLiteral("/mnt/cd")};
    };
    PropertiesServices().ReadDrive = [gate](const QString& mountPoint) { return gate->Read(mountPoint); };

    auto task = CompleteTask();
    auto form = Open(*task);
    // Nothing is read before the page is shown.
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(gate->lists, 0);
    form->SetCurrentPage(TForm::pgSmartDetect);
    auto* list = Child<QTreeWidget>(form.get(), "driveList");
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate->reads == 1; }, 5000));
    EXPECT_EQ(list->topLevelItemCount(), 0);

    // The first row is handed over; the next drive is not read before the dialog has taken it, which it
    // can do only when its event loop runs.
    gate->Release(3);
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(gate->reads, 1);
    EXPECT_EQ(list->topLevelItemCount(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->topLevelItemCount() == 3; }, 5000));
    EXPECT_EQ(gate->reads, 3);
    {
        std::lock_guard lock(gate->mutex);
        EXPECT_EQ(gate->threads.size(), 1u);
        EXPECT_FALSE(gate->threads.count(std::this_thread::get_id()));
    }

    auto row = [list](int i) {
        QStringList cells;
        for (int c = 0; c < 5; ++c)
            cells << list->topLevelItem(i)->text(c);
        return cells;
    };
    EXPECT_EQ(row(0),
              (QStringList{"/", "Fixed", QLocale().toString(qint64(250000000000)), "1A2B3C4D", "Ready"}));
    EXPECT_EQ(row(1), (QStringList{"/media/usb (BACKUP)", "Removable",
                                   QLocale().toString(qint64(16008609792)), "0C0FFEE0", "Ready"}));
    EXPECT_EQ(row(2), (QStringList{"/mnt/cd", "CDROM", "Not Available", "", "No media"}));

    // "Add to SmartDetect" works only while SmartDetect is on.
    list->setCurrentItem(list->topLevelItem(1));
    auto* add = Child<QPushButton>(form.get(), "smartDetectAdd");
    EXPECT_FALSE(add->isEnabled());
    Click(form.get(), "smartDetectUse");
    EXPECT_TRUE(add->isEnabled());
    Click(form.get(), "smartDetectAdd");
    EXPECT_EQ(Child<QLineEdit>(form.get(), "smartDetectDrive")->text(), QStringLiteral("/media/usb"));
    EXPECT_EQ(Child<QLineEdit>(form.get(), "smartDetectLabel")->text(), QStringLiteral("BACKUP"));
    EXPECT_EQ(Child<QLineEdit>(form.get(), "smartDetectSerial")->text(), QStringLiteral("0C0FFEE0"));

    // A mount and an unmount read the list again; a change of nothing does not.
    TMountWatcher* watcher = form->DriveWatcher();
    ASSERT_NE(watcher, nullptr);
    const QByteArray before = MountLine(1, "/", "ext4", "/dev/sda1");
    const QByteArray after = before + MountLine(2, "/media/usb", "vfat", "/dev/sdb1");
    watcher->Reset(before);
    gate->Release(100);
    watcher->Update(after);
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->topLevelItemCount() == 3 && gate->reads == 6; }, 5000));
    EXPECT_EQ(gate->lists, 2);
    watcher->Update(after);
    watcher->Update(before);
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->topLevelItemCount() == 3 && gate->reads == 9; }, 5000));
    EXPECT_EQ(gate->lists, 3);
}

TEST_F(TaskPropertiesPagesTest, ClosingTheDialogWhileTheReaderWorksLeavesNothingBehind) {
    auto gate = std::make_shared<TDriveGate>();
    PropertiesServices().ListDrives = [gate] {
        return QStringList{QStringLiteral("/a"), QStringLiteral("/b")};
    };
    PropertiesServices().ReadDrive = [gate](const QString& mountPoint) { return gate->Read(mountPoint); };
    auto task = CompleteTask();

    // Closed while a drive is being read: the reader ends when the read returns and hands nothing over.
    auto form = Open(*task, TForm::pgSmartDetect);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate->reads == 1; }, 5000));
    std::thread releaser([gate] {
        std::this_thread::sleep_for(200ms);
        gate->Release(1);
    });
    form.reset();
    releaser.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(gate->reads, 1);

    // Closed while a finished row waits for the event loop: the row is dropped with the dialog.
    gate->reads = 0;
    gate->Release(0);
    form = Open(*task, TForm::pgSmartDetect);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate->reads == 1; }, 5000));
    gate->Release(1);
    std::this_thread::sleep_for(100ms);
    form.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(gate->reads, 1);

    // A drive that does not answer (a dead network mount) holds the dialog up only for a moment; the
    // reader ends on its own later, touching nothing of the dialog.
    gate->reads = 0;
    gate->returned = 0;
    gate->Release(0);
    form = Open(*task, TForm::pgSmartDetect);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate->reads == 1; }, 5000));
    const auto closing = std::chrono::steady_clock::now();
    form.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - closing, 5s);
    gate->Release(2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate->returned == 1; }, 5000));
    std::this_thread::sleep_for(50ms);
    QCoreApplication::processEvents();
    EXPECT_EQ(gate->reads, 1);
}

TEST_F(TaskPropertiesPagesTest, TestSmartDetectReportsArrivalsOfTheDialogsCriteriaOnly) {
    qint64 now = 1700000000000;
    TScheduler scheduler(data, TScheduleClock::Fixed(&now, "UTC"));
    PropertiesServices().Scheduler = &scheduler;
    TFixedVolumes volumes;
    volumes.volumes[QStringLiteral("/media/usb")] = {QStringLiteral("BACKUP"), QStringLiteral("1A2B3C4D")};
    volumes.volumes[QStringLiteral("/media/other")] = {QStringLiteral("OTHER"), QStringLiteral("99999999")};
    data.VolumeInfo = &volumes;
    TFakeRunControl control;
    data.RunControl = &control;
    TTask& armed = AddTask(data, QStringLiteral("Armed"));
    armed.SmartDetectUse = true;  // any disk starts it

    auto task = CompleteTask();
    auto form = Open(*task, TForm::pgSmartDetect);
    auto* test = Child<QPushButton>(form.get(), "smartDetectTest");
    EXPECT_FALSE(test->isEnabled());
    Click(form.get(), "smartDetectUse");
    EXPECT_TRUE(test->isEnabled());
    Type(form.get(), "smartDetectDrive", QStringLiteral("/media/usb/"));
    Type(form.get(), "smartDetectLabel", QStringLiteral("BACKUP"));

    const QString please = QStringLiteral(
        "Information | SmartDetect: Please don't close this dialog and plug/insert removable disk to this "
        "computer.");
    const QString detected =
        QStringLiteral("Information | SmartDetect: Removable media arrival successfully detected!");
    bool testModeWhileOpen = false;
    prompts.whileInformed = [&](const QString& text) {
        if (!text.startsWith(QStringLiteral("SmartDetect: Please")))
            return;
        testModeWhileOpen = scheduler.MediaTestMode();
        scheduler.VolumeArrived(QStringLiteral("/media/other"));  // other criteria: nothing
        scheduler.VolumeArrived(QStringLiteral("/media/usb"));
    };
    Click(form.get(), "smartDetectTest");
    EXPECT_TRUE(testModeWhileOpen);
    EXPECT_EQ(prompts.informed, (QStringList{please, detected}));
    // The tasks' own criteria are not looked at meanwhile: nothing starts.
    now += TScheduler::kMediaStartDelayMs;
    scheduler.ProcessDelays();
    EXPECT_TRUE(control.started.isEmpty());

    // The test goes on for two seconds after the message was closed.
    prompts.whileInformed = nullptr;
    now += TScheduler::kMediaTestLingerMs - 1 - TScheduler::kMediaStartDelayMs;
    scheduler.ProcessDelays();
    EXPECT_TRUE(scheduler.MediaTestMode());
    scheduler.VolumeArrived(QStringLiteral("/media/usb"));
    EXPECT_EQ(prompts.informed.size(), 3);
    now += 1;
    scheduler.ProcessDelays();
    EXPECT_FALSE(scheduler.MediaTestMode());
    scheduler.VolumeArrived(QStringLiteral("/media/usb"));
    now += TScheduler::kMediaStartDelayMs;
    scheduler.ProcessDelays();
    EXPECT_EQ(control.started, QStringList{armed.ID});
    EXPECT_EQ(prompts.informed.size(), 3);

    // Closing the dialog while a test lingers ends it at once; nothing reports to the closed dialog.
    Click(form.get(), "smartDetectTest");
    EXPECT_TRUE(scheduler.MediaTestMode());
    form.reset();
    EXPECT_FALSE(scheduler.MediaTestMode());
    EXPECT_FALSE(scheduler.MediaTestSucceeded);
    data.RunControl = nullptr;
    data.VolumeInfo = nullptr;
}

// --- MS Task Scheduler -----------------------------------------------------------------------------

class TaskTimerPageTest : public TaskPropertiesPagesTest {
protected:
    void SetUp() override {
        TaskPropertiesPagesTest::SetUp();
        WriteFakeSystemctl(true);
        TSystemTimers::TOptions options;
        options.systemctl = fake;
        options.unitFolder = units;
        options.programPath = QStringLiteral("/usr/bin/tarnovex");
        timers = std::make_unique<TSystemTimers>(options);
        PropertiesServices().Timers = timers.get();
        PropertiesServices().CheckCalendar = [](const QString& line) {
            TSystemTimers::TCalendarCheck check;
            check.Checked = true;
            check.Valid = line != QStringLiteral("bogus");
            if (check.Valid)
                check.NextElapse = QStringLiteral("Mon 2030-01-07 22:00:00 UTC");
            else
                check.Error = QStringLiteral("Failed to parse calendar specification 'bogus'");
            return check;
        };
    }
    // A systemctl that answers like a running user manager (or not at all) and records its calls.
    void WriteFakeSystemctl(bool answers) {
        const QByteArray script =
            "#!/bin/sh\necho \"$@\" >> '" + log.toUtf8() + "'\n" +
            (answers ? "if [ \"$2\" = show ]; then echo Version=252; fi\nexit 0\n" : "exit 1\n");
        home.WriteFile(QStringLiteral("bin/systemctl"), script);
        QFile::setPermissions(fake, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString Calls() const {
        QFile file(log);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QString fake = home.Path() + QStringLiteral("bin/systemctl");
    QString log = home.Path() + QStringLiteral("calls.log");
    QString units = home.Path() + QStringLiteral("units");
    std::unique_ptr<TSystemTimers> timers;
};

TEST_F(TaskTimerPageTest, AddModifyWritesTheTimerAtOnceAndRemoveDeletesIt) {
    TTask* task = &data.Tasks.Add(CompleteTask());
    auto form = Open(*task, TForm::pgMsScheduler);
    auto* state = Child<QLabel>(form.get(), "timerState");
    EXPECT_EQ(state->text(), QStringLiteral("Not scheduled."));
    EXPECT_TRUE(Child<QPushButton>(form.get(), "timerAddModify")->isEnabled());

    QString outcome;
    bool stayedOpen = false;
    QTimer::singleShot(0, [&] {
        QWidget* editor = QApplication::activeModalWidget();
        ASSERT_NE(editor, nullptr);
        ASSERT_EQ(editor->objectName(), QStringLiteral("TimerCalendarForm"));
        auto* lines = Child<QPlainTextEdit>(editor, "calendarLines");
        EXPECT_TRUE(lines->toPlainText().isEmpty());
        lines->setPlainText(QStringLiteral("Mon..Fri *-*-* 22:00\n\nbogus\n"));
        ClickButton(editor, QDialogButtonBox::Ok);
        stayedOpen = editor->isVisible();
        Click(editor, "calendarCheck");
        outcome = Child<QPlainTextEdit>(editor, "calendarOutcome")->toPlainText();
        lines->setPlainText(QStringLiteral("Mon..Fri *-*-* 22:00\n  Sat 09:30  "));
        ClickButton(editor, QDialogButtonBox::Ok);
    });
    Click(form.get(), "timerAddModify");
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(prompts.errors.size(), 1);
    EXPECT_EQ(prompts.errors[0],
              QStringLiteral("Error | The calendar line \"bogus\" is not valid: Failed to parse "
                             "calendar specification 'bogus'."));
    EXPECT_EQ(outcome,
              QStringLiteral("Mon..Fri *-*-* 22:00: next run Mon 2030-01-07 22:00:00 UTC\n"
                             "bogus: not accepted (Failed to parse calendar specification 'bogus')"));
    EXPECT_EQ(timers->OnCalendarLines(task->ID),
              std::optional<QStringList>(QStringList{"Mon..Fri *-*-* 22:00", "Sat 09:30"}));
    EXPECT_EQ(state->text(), QStringLiteral("Mon..Fri *-*-* 22:00\nSat 09:30"));
    EXPECT_TRUE(Calls().contains(QStringLiteral("--user enable --now tarnovex-task-") + task->ID));

    // Cancel does not take the timer back; the next dialog shows it.
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_TRUE(timers->Exists(task->ID));
    form = Open(*task, TForm::pgMsScheduler);
    state = Child<QLabel>(form.get(), "timerState");
    EXPECT_EQ(state->text(), QStringLiteral("Mon..Fri *-*-* 22:00\nSat 09:30"));

    // The editor opens with the lines of the timer; its Cancel changes nothing.
    QString shown;
    QTimer::singleShot(0, [&] {
        QWidget* editor = QApplication::activeModalWidget();
        ASSERT_NE(editor, nullptr);
        shown = Child<QPlainTextEdit>(editor, "calendarLines")->toPlainText();
        QTest::keyClick(editor, Qt::Key_Escape);
    });
    Click(form.get(), "timerAddModify");
    EXPECT_EQ(shown, QStringLiteral("Mon..Fri *-*-* 22:00\nSat 09:30"));
    EXPECT_TRUE(timers->Exists(task->ID));

    prompts.confirmAnswer = false;
    Click(form.get(), "timerRemove");
    EXPECT_TRUE(timers->Exists(task->ID));
    prompts.confirmAnswer = true;
    Click(form.get(), "timerRemove");
    EXPECT_FALSE(timers->Exists(task->ID));
    EXPECT_EQ(state->text(), QStringLiteral("Not scheduled."));
}

TEST_F(TaskTimerPageTest, ATimerWithoutLinesHasNoTriggersAndWithoutTheSchedulerNothingIsOffered) {
    // A new task, not yet in the list, gets no timer: the timer would outlive a cancelled dialog.
    {
        auto fresh = CompleteTask();
        auto form = Open(*fresh, TForm::pgMsScheduler);
        EXPECT_FALSE(Child<QPushButton>(form.get(), "timerAddModify")->isEnabled());
        EXPECT_FALSE(Child<QPushButton>(form.get(), "timerRemove")->isEnabled());
        EXPECT_TRUE(
            Child<QLabel>(form.get(), "timerState")->text().startsWith(QStringLiteral("Not scheduled.")));
    }
    TTask* task = &data.Tasks.Add(CompleteTask());
    home.WriteFile(
        QStringLiteral("units/") + TSystemTimers::UnitBaseName(task->ID) + QStringLiteral(".timer"),
        "[Unit]\nDescription=Tarnovex (Daily)\n\n[Timer]\nUnit=x.service\n");
    {
        auto form = Open(*task, TForm::pgMsScheduler);
        EXPECT_EQ(Child<QLabel>(form.get(), "timerState")->text(), QStringLiteral("No triggers set."));
    }

    WriteFakeSystemctl(false);
    TSystemTimers::TOptions options;
    options.systemctl = fake;
    options.unitFolder = units;
    TSystemTimers absent(options);
    PropertiesServices().Timers = &absent;
    auto form = Open(*task, TForm::pgMsScheduler);
    EXPECT_FALSE(Child<QPushButton>(form.get(), "timerAddModify")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(form.get(), "timerRemove")->isEnabled());
    EXPECT_TRUE(Child<QLabel>(form.get(), "timerState")->text().contains(QStringLiteral("not available")));
}

// --- event alerts ----------------------------------------------------------------------------------

TEST_F(TaskPropertiesPagesTest, AlertSetsKeepTheirValuesWhenSwitching) {
    auto task = CompleteTask();
    auto form = Open(*task);
    QWidget* f = form.get();
    Type(f, "emailTo", QStringLiteral("me@lan"));
    form->SetCurrentPage(TForm::pgEventAlerts);
    auto* set = Child<QComboBox>(f, "alertSet");
    ASSERT_EQ(set->count(), 3);
    EXPECT_EQ(set->itemText(0), QStringLiteral("Scheduled Task Run"));
    EXPECT_EQ(set->itemText(1), QStringLiteral("Manual Task Run"));
    EXPECT_EQ(set->itemText(2), QStringLiteral("Application Silent Mode (TARNOVEX.EXE /SILENT)"));
    EXPECT_FALSE(Child<QCheckBox>(f, "alertStartDialog")->isEnabled());  // the defaults are in use
    EXPECT_EQ(f->findChild<QCheckBox*>(QStringLiteral("alertFileEmailUse")), nullptr);
    EXPECT_EQ(f->findChild<QCheckBox*>(QStringLiteral("alertErrorSendLog")), nullptr);

    Click(f, "alertsDefault");
    EXPECT_TRUE(Child<QCheckBox>(f, "alertStartBalloon")->isChecked());  // a new task's scheduled start
    auto* soundFile = Child<QLineEdit>(f, "alertErrorSoundFile");
    EXPECT_FALSE(soundFile->isEnabled());
    Click(f, "alertStartDialog");
    Click(f, "alertErrorSound");
    EXPECT_TRUE(soundFile->isEnabled());
    Type(f, "alertErrorSoundFile", QStringLiteral("Media/Ambient/Error.wav"));
    // Switching the e-mail on offers the task's recipient.
    Click(f, "alertFinishEmailUse");
    EXPECT_EQ(Child<QLineEdit>(f, "alertFinishEmail")->text(), QStringLiteral("me@lan"));
    Click(f, "alertFinishSendLog");

    set->setCurrentIndex(1);
    EXPECT_FALSE(Child<QCheckBox>(f, "alertStartDialog")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>(f, "alertErrorSound")->isChecked());
    EXPECT_TRUE(soundFile->text().isEmpty());
    EXPECT_FALSE(Child<QCheckBox>(f, "alertFinishEmailUse")->isChecked());
    EXPECT_TRUE(Child<QLineEdit>(f, "alertFinishEmail")->text().isEmpty());
    EXPECT_TRUE(Child<QCheckBox>(f, "alertFinishSendLog")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(f, "alertDiskSpanDialog")->isChecked());
    Click(f, "alertWarningBalloon");
    Click(f, "alertWarningEmailUse");
    Type(f, "alertWarningEmail", QStringLiteral("ops@lan"));

    // By keyboard, back to the scheduled set: its values are as they were left.
    set->setFocus();
    QTest::keyClick(set, Qt::Key_Up);
    ASSERT_EQ(set->currentIndex(), 0);
    EXPECT_TRUE(Child<QCheckBox>(f, "alertStartDialog")->isChecked());
    EXPECT_EQ(soundFile->text(), QStringLiteral("Media/Ambient/Error.wav"));
    EXPECT_EQ(Child<QLineEdit>(f, "alertFinishEmail")->text(), QStringLiteral("me@lan"));
    EXPECT_FALSE(Child<QCheckBox>(f, "alertFinishSendLog")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>(f, "alertWarningEmailUse")->isChecked());

    // OK stores the set that is shown as well.
    set->setCurrentIndex(2);
    Click(f, "alertFileBalloon");
    ClickButton(f, QDialogButtonBox::Ok);
    ASSERT_EQ(form->result(), QDialog::Accepted);
    form->ApplyTo(*task);
    const TEventAlerts fresh = TTaskOptions::NewTaskEventAlerts();
    TEventAlerts expected = fresh;
    AlertOf(expected, TAlertSet::Scheduled, TAlertEventKind::Start).Dialog = true;
    AlertOf(expected, TAlertSet::Scheduled, TAlertEventKind::Error).Sound = true;
    AlertOf(expected, TAlertSet::Scheduled, TAlertEventKind::Error).SoundFile =
        QStringLiteral("Media/Ambient/Error.wav");
    AlertOf(expected, TAlertSet::Scheduled, TAlertEventKind::Finish).EmailUse = true;
    AlertOf(expected, TAlertSet::Scheduled, TAlertEventKind::Finish).Email = QStringLiteral("me@lan");
    AlertOf(expected, TAlertSet::Scheduled, TAlertEventKind::Finish).EmailSendLog = false;
    AlertOf(expected, TAlertSet::Manual, TAlertEventKind::Warning).Balloon = false;
    AlertOf(expected, TAlertSet::Manual, TAlertEventKind::Warning).EmailUse = true;
    AlertOf(expected, TAlertSet::Manual, TAlertEventKind::Warning).Email = QStringLiteral("ops@lan");
    AlertOf(expected, TAlertSet::Silent, TAlertEventKind::File).Balloon = false;
    EXPECT_FALSE(task->EventAlerts_UseDefault);
    for (int s = 0; s < kAlertSetCount; ++s)
        for (int e = 0; e < kAlertEventCount; ++e)
            EXPECT_EQ(task->EventAlerts[s][e], expected[s][e]) << "set " << s << " event " << e;
}

TEST_F(TaskPropertiesPagesTest, SoundFilesAreChosenPlayedAndStopped) {
    TRecordingUserInterface ui;
    SetUserInterface(&ui);
    QString browsedFrom;
    PropertiesServices().AskSoundFile = [&browsedFrom](QWidget*, const QString& start) {
        browsedFrom = start;
        return QStringLiteral("/usr/share/sounds/ding.wav");
    };
    auto task = CompleteTask();
    task->EventAlerts_UseDefault = false;
    AlertOf(task->EventAlerts, TAlertSet::Scheduled, TAlertEventKind::Start).Sound = true;
    AlertOf(task->EventAlerts, TAlertSet::Scheduled, TAlertEventKind::Start).SoundFile =
        QStringLiteral("Media\\Male Voice\\MaleTaskStarted.wav");
    auto form = Open(*task, TForm::pgEventAlerts);
    QWidget* f = form.get();
    EXPECT_FALSE(Child<QPushButton>(f, "alertFinishSoundPlay")->isEnabled());

    // A stored relative name lies below the shipped data folder.
    Click(f, "alertStartSoundPlay");
    ASSERT_EQ(ui.Sounds.size(), 1);
    EXPECT_EQ(ui.Sounds[0], SoundFilePath(QStringLiteral("Media\\Male Voice\\MaleTaskStarted.wav")));
    EXPECT_TRUE(ui.Sounds[0].endsWith(QStringLiteral("/Media/Male Voice/MaleTaskStarted.wav")));
    Click(f, "alertStartSoundStop");
    EXPECT_EQ(ui.Stops, 1);

    Click(f, "alertStartSoundBrowse");
    EXPECT_EQ(browsedFrom, ui.Sounds[0]);
    EXPECT_EQ(Child<QLineEdit>(f, "alertStartSoundFile")->text(),
              QStringLiteral("/usr/share/sounds/ding.wav"));
    Click(f, "alertStartSoundPlay");
    EXPECT_EQ(ui.Sounds.last(), QStringLiteral("/usr/share/sounds/ding.wav"));
    // Cancelling the browser keeps the name.
    PropertiesServices().AskSoundFile = [](QWidget*, const QString&) { return QString(); };
    Click(f, "alertStartSoundBrowse");
    EXPECT_EQ(Child<QLineEdit>(f, "alertStartSoundFile")->text(),
              QStringLiteral("/usr/share/sounds/ding.wav"));
}

// --- test e-mails ----------------------------------------------------------------------------------

TEST_F(TaskPropertiesPagesTest, EventTestsUseTheStoredSettingsAndThePageTestTheTypedOnes) {
    std::vector<TEmailSettings> sent;
    bool succeed = true;
    PropertiesServices().SendTestEmail = [&](const TEmailSettings& settings,
                                             std::function<void(const TTestEmailResult&)> done) {
        sent.push_back(settings);
        done({succeed, succeed ? QString() : QStringLiteral("refused")});
    };
    auto task = CompleteTask();
    task->EmailSettings_UseDefault = false;
    task->SmtpServer = QStringLiteral("mail.stored");
    task->SmtpServerPort = 2525;
    task->From = QStringLiteral("backup@lan");
    task->Subject = QStringLiteral("Stored subject");
    task->EventAlerts_UseDefault = false;
    auto form = Open(*task, TForm::pgEmailSettings);
    QWidget* f = form.get();
    Type(f, "smtpServer", QStringLiteral("mail.typed"));
    Child<QSpinBox>(f, "smtpPort")->setValue(587);
    Click(f, "smtpAuthUse");
    Type(f, "smtpUser", QStringLiteral("bob"));
    Type(f, "smtpPassword", QStringLiteral("pw"));
    Type(f, "emailSubject", QStringLiteral("Typed subject"));
    Type(f, "emailTo", QStringLiteral("me@lan"));

    Click(f, "alertErrorEmailUse");
    Type(f, "alertErrorEmail", QStringLiteral("ops@lan, boss@lan"));
    Click(f, "alertErrorEmailTest");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].SmtpServer, QStringLiteral("mail.stored"));
    EXPECT_EQ(sent[0].SmtpServerPort, 2525);
    EXPECT_FALSE(sent[0].SmtpServerAuthUse);
    EXPECT_EQ(sent[0].Subject, QStringLiteral("Stored subject"));
    EXPECT_EQ(sent[0].To, QStringLiteral("ops@lan, boss@lan"));
    ASSERT_EQ(prompts.informed.size(), 1);
    EXPECT_EQ(prompts.informed[0],
              QStringLiteral("Information | It seems that email was successfully sent. Please "
                             "check your mailbox using your foworite email client to !"));

    succeed = false;
    Click(f, "emailTest");
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].SmtpServer, QStringLiteral("mail.typed"));
    EXPECT_EQ(sent[1].SmtpServerPort, 587);
    EXPECT_TRUE(sent[1].SmtpServerAuthUse);
    EXPECT_EQ(sent[1].SmtpServerAuthUser, QStringLiteral("bob"));
    EXPECT_EQ(sent[1].SmtpServerAuthPassword, QStringLiteral("pw"));
    EXPECT_EQ(sent[1].From, QStringLiteral("backup@lan"));
    EXPECT_EQ(sent[1].Subject, QStringLiteral("Typed subject"));
    EXPECT_EQ(sent[1].To, QStringLiteral("me@lan"));
    EXPECT_EQ(prompts.errors, QStringList{QStringLiteral("Error | Email can't be sent!")});

    // Nothing of the test is stored; with the defaults in use the page's test is not offered.
    EXPECT_EQ(task->SmtpServer, QStringLiteral("mail.stored"));
    Click(f, "emailDefault");
    EXPECT_FALSE(Child<QPushButton>(f, "emailTest")->isEnabled());
}

TEST_F(TaskPropertiesPagesTest, ThePageTestReachesAnSmtpServer) {
    TSmtpTestServer server;
    QString error;
    ASSERT_TRUE(server.Start({}, error)) << error.toStdString();
    auto task = CompleteTask();
    auto form = Open(*task, TForm::pgEmailSettings);
    QWidget* f = form.get();
    Click(f, "emailDefault");
    Type(f, "smtpServer", QStringLiteral("127.0.0.1"));
    Child<QSpinBox>(f, "smtpPort")->setValue(server.Port());
    Type(f, "emailFrom", QStringLiteral("backup@example.org"));
    Type(f, "emailSubject", QStringLiteral("Tarnovex test"));
    Type(f, "emailTo", QStringLiteral("ann@example.org"));
    Click(f, "emailTest");
    ASSERT_TRUE(WaitForEmails(60s));
    EXPECT_EQ(prompts.informed.size(), 1) << prompts.errors.join(QLatin1Char('\n')).toStdString();
    const std::vector<QJsonObject> messages = server.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0][QStringLiteral("subject")].toString(), QStringLiteral("Tarnovex test"));
    EXPECT_EQ(messages[0][QStringLiteral("to")].toString(), QStringLiteral("ann@example.org"));
    EmailOutbox().Stop(30s);
}

// --- advanced FTP settings -------------------------------------------------------------------------

TEST_F(TaskPropertiesPagesTest, AdvancedFtpSettingsEnableByTheirSwitchesAndCountOnlyAfterOk) {
    auto task = CompleteTask();
    task->DestType = TDestKind::dkFtp;
    task->DestFTP_Address = QStringLiteral("ftp.lan");
    task->DestFTP_ProxyAddress = QStringLiteral("old.proxy");
    auto form = Open(*task, TForm::pgDestination);
    EXPECT_TRUE(Child<QPushButton>(form.get(), "ftpAdvanced")->isVisible());
    EXPECT_EQ(form->findChild<QWidget*>(QStringLiteral("ftpProxyUse")), nullptr);  // no longer inline

    std::map<QString, bool> enabled;
    auto record = [&enabled](QWidget* dialog, const char* step) {
        for (const char* name : {"ftpProxyAddress", "ftpProxyPort", "ftpProxyAuthUse", "ftpProxyLogin",
                                 "ftpProxyPassword", "ftpReconnectRetries"})
            enabled[QString::fromLatin1(step) + QLatin1Char(':') + QString::fromLatin1(name)] =
                Child<QWidget>(dialog, name)->isEnabled();
    };
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        ASSERT_EQ(dialog->objectName(), QStringLiteral("TaskFTPAdvForm"));
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Advanced FTP Settings"));
        record(dialog, "off");
        Click(dialog, "ftpProxyUse");
        record(dialog, "proxy");
        Click(dialog, "ftpProxyAuthUse");
        record(dialog, "both");
        Click(dialog, "ftpProxyUse");
        record(dialog, "auth only");
        Click(dialog, "ftpProxyUse");
        Type(dialog, "ftpProxyAddress", QStringLiteral("new.proxy"));
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    Click(form.get(), "ftpAdvanced");
    const std::map<QString, bool> expected = {
        {"off:ftpProxyAddress", false},        {"off:ftpProxyPort", false},
        {"off:ftpProxyAuthUse", false},        {"off:ftpProxyLogin", false},
        {"off:ftpProxyPassword", false},       {"off:ftpReconnectRetries", true},
        {"proxy:ftpProxyAddress", true},       {"proxy:ftpProxyPort", true},
        {"proxy:ftpProxyAuthUse", true},       {"proxy:ftpProxyLogin", false},
        {"proxy:ftpProxyPassword", false},     {"proxy:ftpReconnectRetries", true},
        {"both:ftpProxyAddress", true},        {"both:ftpProxyPort", true},
        {"both:ftpProxyAuthUse", true},        {"both:ftpProxyLogin", true},
        {"both:ftpProxyPassword", true},       {"both:ftpReconnectRetries", true},
        {"auth only:ftpProxyAddress", false},  {"auth only:ftpProxyPort", false},
        {"auth only:ftpProxyAuthUse", false},  {"auth only:ftpProxyLogin", false},
        {"auth only:ftpProxyPassword", false}, {"auth only:ftpReconnectRetries", true}};
    EXPECT_EQ(enabled, expected);
    EXPECT_EQ(form->Edited().DestFTP_ProxyAddress, QStringLiteral("old.proxy"));
    EXPECT_FALSE(form->Edited().DestFTP_ProxyUse);

    auto enter = [](const char* address) {
        QTimer::singleShot(0, [address] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            if (!Child<QCheckBox>(dialog, "ftpProxyUse")->isChecked())
                Click(dialog, "ftpProxyUse");
            Type(dialog, "ftpProxyAddress", QString::fromLatin1(address));
            Child<QSpinBox>(dialog, "ftpProxyPort")->setValue(3128);
            Child<QSpinBox>(dialog, "ftpReconnectRetries")->setValue(7);
            Child<QSpinBox>(dialog, "ftpPauseBeforeRetry")->setValue(9);
            Child<QSpinBox>(dialog, "ftpTimeOut")->setValue(30);
            QTest::keyClick(dialog, Qt::Key_Enter);
        });
    };
    // OK there, Cancel here: the task keeps its values.
    enter("cancelled.proxy");
    Click(form.get(), "ftpAdvanced");
    EXPECT_EQ(form->Edited().DestFTP_ProxyAddress, QStringLiteral("cancelled.proxy"));
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_EQ(task->DestFTP_ProxyAddress, QStringLiteral("old.proxy"));
    EXPECT_FALSE(task->DestFTP_ProxyUse);

    // OK in both.
    form = Open(*task, TForm::pgDestination);
    enter("new.proxy");
    Click(form.get(), "ftpAdvanced");
    ClickButton(form.get(), QDialogButtonBox::Ok);
    ASSERT_EQ(form->result(), QDialog::Accepted);
    form->ApplyTo(*task);
    EXPECT_TRUE(task->DestFTP_ProxyUse);
    EXPECT_EQ(task->DestFTP_ProxyAddress, QStringLiteral("new.proxy"));
    EXPECT_EQ(task->DestFTP_ProxyPort, 3128);
    EXPECT_EQ(task->DestFTP_ReconnectRetries, 7);
    EXPECT_EQ(task->DestFTP_PauseBeforeRetry, 9);
    EXPECT_EQ(task->DestFTP_TimeOut, 30);
}

// --- a whole new task ------------------------------------------------------------------------------

TEST_F(TaskPropertiesPagesTest, NewTaskWithTheTriggerAndAlertPagesIsStoredValueForValue) {
    THeldHotKeys keys;
    data.HotKeyService = &keys;
    QTimer::singleShot(0, [] {
        auto* form = qobject_cast<TForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        Type(form, "name", QStringLiteral("Stick"));
        Type(form, "sourceFolder", QStringLiteral("/home/ann/docs"));
        Type(form, "destLocal", QStringLiteral("/media/usb/backup"));
        Click(form, "smartDetectUse");
        Type(form, "smartDetectDrive", QStringLiteral("/media/usb/"));
        Type(form, "smartDetectLabel", QStringLiteral("BACKUP"));
        Type(form, "smartDetectSerial", QStringLiteral("0c0ffee0xyz"));  // hexadecimal digits only, 8 at most
        Click(form, "smartDetectNoMediaNoRun");
        form->SetCurrentPage(TForm::pgHotKey);
        QTest::keyClick(Child<THotKeyEdit>(form, "hotKey"), Qt::Key_F5,
                        Qt::ControlModifier | Qt::ShiftModifier);
        Click(form, "hotKeyBringToFront");
        Click(form, "alertsDefault");
        Choose(Child<QComboBox>(form, "alertSet"), 1);
        Click(form, "alertErrorDialog");
        Click(form, "alertErrorSound");
        Type(form, "alertErrorSoundFile", QStringLiteral("Media\\Ambient\\Error.wav"));
        Click(form, "alertErrorEmailUse");
        Type(form, "alertErrorEmail", QStringLiteral("ops@lan"));
        Choose(Child<QComboBox>(form, "alertSet"), 2);
        Click(form, "alertDiskSpanDialog");
        Click(form, "emailDefault");
        Type(form, "smtpServer", QStringLiteral("smtp.lan"));
        Child<QSpinBox>(form, "smtpPort")->setValue(587);
        Click(form, "smtpAuthUse");
        Type(form, "smtpUser", QStringLiteral("bob"));
        Type(form, "smtpPassword", QStringLiteral("pw"));
        Type(form, "emailFrom", QStringLiteral("Backup <b@lan>"));
        Type(form, "emailSubject", QStringLiteral("Nightly"));
        Type(form, "emailTo", QStringLiteral("me@lan"));
        QTest::keyClick(form, Qt::Key_Enter);
    });
    TTask* created = NewTaskWithProperties(nullptr, data, QString(), &prompts);
    ASSERT_NE(created, nullptr);
    EXPECT_TRUE(prompts.asked.isEmpty()) << prompts.asked.join(QLatin1Char('\n')).toStdString();
    const QString id = created->ID;
    data.SaveAll();

    TMainData loaded;
    loaded.LoadAll();
    const TTask* task = loaded.FindTask(id);
    ASSERT_NE(task, nullptr);
    EXPECT_TRUE(task->SmartDetectUse);
    EXPECT_EQ(task->SmartDetectDriveLetter, QStringLiteral("/media/usb"));
    EXPECT_EQ(task->SmartDetectVolumeInfo, QStringLiteral("BACKUP"));
    EXPECT_EQ(task->SmartDetectSerialNumber, QStringLiteral("0C0FFEE0"));
    EXPECT_TRUE(task->SmartDetectNoMediaNoRun);
    EXPECT_EQ(task->HotKey, quint16(0x74 | kHotKeyCtrl | kHotKeyShift));
    EXPECT_TRUE(task->HotKeyBringToFront);
    EXPECT_FALSE(task->EventAlerts_UseDefault);
    const TAlertChannels& error = AlertOf(task->EventAlerts, TAlertSet::Manual, TAlertEventKind::Error);
    EXPECT_TRUE(error.Dialog);
    EXPECT_TRUE(error.Sound);
    EXPECT_EQ(error.SoundFile, QStringLiteral("Media\\Ambient\\Error.wav"));
    EXPECT_TRUE(error.EmailUse);
    EXPECT_EQ(error.Email, QStringLiteral("ops@lan"));
    EXPECT_TRUE(AlertOf(task->EventAlerts, TAlertSet::Silent, TAlertEventKind::DiskSpan).Dialog);
    EXPECT_FALSE(task->EmailSettings_UseDefault);
    EXPECT_EQ(task->SmtpServer, QStringLiteral("smtp.lan"));
    EXPECT_EQ(task->SmtpServerPort, 587);
    EXPECT_TRUE(task->SmtpServerAuthUse);
    EXPECT_EQ(task->SmtpServerAuthUser, QStringLiteral("bob"));
    EXPECT_EQ(task->SmtpServerAuthPassword, QStringLiteral("pw"));
    EXPECT_EQ(task->From, QStringLiteral("Backup <b@lan>"));
    EXPECT_EQ(task->Subject, QStringLiteral("Nightly"));
    EXPECT_EQ(task->To, QStringLiteral("me@lan"));
    EXPECT_TRUE(SamePersistedValues(*task, *created));
}
