// ui_gallery: a picture of every window and every page of the program, in a light and a dark theme.
//
//   ui_gallery OUTDIR
//
// Builds a demo settings store in a temporary TARNOVEX_HOME (tasks in two groups, one with the log of a
// real run, filters, schedule items, folders with files), opens each window, lets its layout settle and
// writes OUTDIR/<Form>-<NN>-<page>.png with QWidget::grab(); the dark set ends in "-dark". Nothing of
// the user's own settings is read or written. Modal dialogs that the program only offers through a
// function running exec() are photographed from inside their own event loop and then closed, so the
// gallery never waits for a person.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QWizard>
#include <cstdio>
#include <functional>
#include <memory>
#include <set>

#include "app/ProgramCore.h"
#include "engine/TaskRunner.h"
#include "legacy/LegacyTestSupport.h"
#include "logging/Alerts.h"
#include "logging/TaskLogger.h"
#include "model/MainData.h"
#include "model/Task.h"
#include "schedule/ScheduleCaptions.h"
#include "settings/GlobalSettings.h"
#include "store/SettingsStore.h"
#include "ui/AboutDialog.h"
#include "ui/DecryptWizard.h"
#include "ui/FilterForm.h"
#include "ui/InitWizard.h"
#include "ui/MainWindow.h"
#include "ui/MaintenanceWizard.h"
#include "ui/PreferencesDialog.h"
#include "ui/ScheduleItemEditor.h"
#include "ui/ShortcutDialog.h"
#include "ui/SoundThemePreview.h"
#include "ui/SplashForm.h"
#include "ui/TaskImportWizard.h"
#include "ui/TaskPropertiesDialog.h"
#include "ui/WindowPrompts.h"
#include "ui/WindowUserInterface.h"

namespace {

void Say(const QString& text) {
    const QByteArray bytes = (QStringLiteral("ui_gallery: ") + text + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
}

// Serves the event loop for ms milliseconds: layouts, deferred resizes and queued texts arrive.
void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Serves events until done() holds or timeoutMs has passed; false on the timeout.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        Wait(20);
    }
    return true;
}

// A page name that is safe in a file name: letters and digits, other runs of characters as one '_'.
QString FileNamePart(const QString& text) {
    QString part;
    for (const QChar c : text) {
        if (c.isLetterOrNumber() && c.unicode() < 128)
            part += c;
        else if (!part.isEmpty() && !part.endsWith(QLatin1Char('_')))
            part += QLatin1Char('_');
    }
    while (part.endsWith(QLatin1Char('_')))
        part.chop(1);
    return part.isEmpty() ? QStringLiteral("page") : part;
}

// Fusion with the dark colours most desktop themes use; disabled texts stay readable but dim.
QPalette DarkPalette() {
    QPalette p;
    const QColor window(0x35, 0x35, 0x35), base(0x24, 0x24, 0x24), text(0xe8, 0xe8, 0xe8);
    const QColor disabled(0x80, 0x80, 0x80), highlight(0x2a, 0x82, 0xda);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, QColor(0x20, 0x20, 0x20));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, disabled);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::red);
    p.setColor(QPalette::Link, QColor(0x6c, 0xb4, 0xff));
    p.setColor(QPalette::LinkVisited, QColor(0xb4, 0x9c, 0xff));
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Light, QColor(0x50, 0x50, 0x50));
    p.setColor(QPalette::Midlight, QColor(0x42, 0x42, 0x42));
    p.setColor(QPalette::Mid, QColor(0x28, 0x28, 0x28));
    p.setColor(QPalette::Dark, QColor(0x1e, 0x1e, 0x1e));
    p.setColor(QPalette::Shadow, Qt::black);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::HighlightedText})
        p.setColor(QPalette::Disabled, role, disabled);
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x50, 0x50, 0x50));
    return p;
}

// The demo data: folders with files, tasks in two groups with filters and schedule items, and the log
// of a real run of one of them.
class TDemo {
public:
    explicit TDemo(const QString& root) : root_(root) {}

    void Build(TProgramCore& core) {
        for (const char* folder : {"Documents", "Pictures", "Projects", "Inbox"}) {
            const QString path = root_ + QLatin1Char('/') + QString::fromLatin1(folder);
            QDir().mkpath(path + QStringLiteral("/sub"));
            for (int i = 1; i <= 6; ++i) {
                WriteFile(path + QStringLiteral("/file%1.dat").arg(i), QByteArray(i * 1500, 'x'));
                WriteFile(path + QStringLiteral("/sub/note%1.txt").arg(i),
                          QByteArray("note ") + QByteArray::number(i));
            }
        }
        TMainData& data = core.Data();
        data.Groups = {QStringLiteral("Home"), QStringLiteral("Office")};

        TTask& documents =
            Add(data, QStringLiteral("Documents"), QStringLiteral("Documents"),
                QStringLiteral("Backup/Documents"), QStringLiteral("Home"), TTaskAction::taBackup);
        TTask& photos = Add(data, QStringLiteral("Photos"), QStringLiteral("Pictures"),
                            QStringLiteral("Backup/Photos"), QStringLiteral("Home"), TTaskAction::taBackup);
        TTaskFilterItem jpegs;
        jpegs.fnWildcard = QStringLiteral("*.jpg");
        photos.Filters.push_back(jpegs);
        TTaskFilterItem temporary;
        temporary.FilterType = TFilterType::fitExclude;
        temporary.fnWildcard = QStringLiteral("*.tmp");
        photos.Filters.push_back(temporary);
        TTaskScheduleItem daily;
        daily.Kind = TScheduleKind::skDaily;
        daily.DailyUseStartTime = true;
        daily.DailyStartTime = 21.5 / 24.0;
        photos.Schedule.push_back(daily);
        TTaskScheduleItem weekly;
        weekly.Kind = TScheduleKind::skWeekly;
        weekly.WeeklyDays = {false, false, false, false, true, false, false};
        photos.Schedule.push_back(weekly);

        TTask& mirror = Add(data, QStringLiteral("Project mirror"), QStringLiteral("Projects"),
                            QStringLiteral("Mirror"), QStringLiteral("Office"), TTaskAction::taSynchronize);
        TTaskScheduleItem hourly;
        hourly.Kind = TScheduleKind::skHourly;
        mirror.Schedule.push_back(hourly);
        Add(data, QStringLiteral("Inbox archive"), QStringLiteral("Inbox"), QStringLiteral("Archive"),
            QStringLiteral("Office"), TTaskAction::taMove);
        photosId_ = photos.ID;
        documentsId_ = documents.ID;
        SaveAllSettings(data);
    }

    // Runs the photo task to its end, so that its log panel shows a real run.
    bool RunPhotos(TProgramCore& core) {
        TTask* task = core.Data().FindTask(photosId_);
        if (task == nullptr || core.Runner().Request(*task, true) == TRunRequestResult::Refused)
            return false;
        return WaitUntil(
            [&core] { return core.Runner().RunningCount() == 0 && core.Runner().WaitingCount() == 0; },
            30000);
    }

    QString PhotosId() const { return photosId_; }
    QString DocumentsId() const { return documentsId_; }
    QString Root() const { return root_; }

private:
    static void WriteFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }
    TTask& Add(TMainData& data, const QString& name, const QString& source, const QString& dest,
               const QString& group, TTaskAction action) {
        auto task = std::make_unique<TTask>();
        task->Name = name;
        task->TaskAction = action;
        task->DestType = TDestKind::dkLocal;
        task->DestLocal = root_ + QLatin1Char('/') + dest + QLatin1Char('/');
        TSourceFolder folder;
        folder.Folder = root_ + QLatin1Char('/') + source + QLatin1Char('/');
        task->SourceFolders.push_back(folder);
        task->Filters.push_back(MakeIncludeAllFilter());
        task->BelongToGroup = group;
        return data.AddTask(std::move(task));
    }

    QString root_;
    QString photosId_;
    QString documentsId_;
};

// Import prompts that never open a dialog: the gallery fills the fields itself.
class TQuietImportPrompts : public TImportWizardPrompts {
public:
    QString AskProjectsFile(QWidget*, const QString&) override { return {}; }
    bool EditDriveMap(QWidget*, TDriveMapRows&) override { return false; }
};

// Maintenance prompts that answer without a person: overwrite yes, errors recorded.
class TQuietMaintenancePrompts : public TMaintenancePrompts {
public:
    void Error(const QString& caption, const QString& text) override {
        Say(caption + QStringLiteral(": ") + text);
    }
    bool Confirm(const QString&, const QString&) override { return true; }
    QString AskBackupFile(QWidget*, const QString& fileName) override { return fileName; }
    QString AskRestoreFile(QWidget*, const QString& fileName) override { return fileName; }
    void OpenFolder(const QString&) override {}
};

class TGallery {
public:
    TGallery(const QString& out, TDemo& demo, TProgramCore& core) : out_(out), demo_(demo), core_(core) {}

    void SetDark(bool dark) { suffix_ = dark ? QStringLiteral("-dark") : QString(); }
    int Written() const { return written_; }
    int Failures() const { return failures_; }

    void ShootAll() {
        MainWindow();
        Splash();
        AlertDialog();
        Preferences();
        DecryptWizard();
        ScheduleItemEditor();
        InitWizard();
        SoundThemePreview();
        TaskImportWizard();
        MaintenanceWizard();
        TaskShortcut();
        About();
        SmallPrompts();
        TaskProperties();
        FilterEditor();
    }

private:
    // Shows the window, lets its layout settle and writes its picture.
    void Shoot(QWidget* widget, const QString& form, int number, const QString& page) {
        QWidget* window = widget->window();
        if (!window->isVisible())
            window->show();
        Wait(120);
        Write(window, form, number, page);
    }
    void Write(QWidget* window, const QString& form, int number, const QString& page) {
        const QString name = QStringLiteral("%1/%2-%3-%4%5.png")
                                 .arg(out_, form)
                                 .arg(number, 2, 10, QLatin1Char('0'))
                                 .arg(FileNamePart(page), suffix_);
        if (window->grab().save(name)) {
            ++written_;
        } else {
            ++failures_;
            Say(QStringLiteral("could not write ") + name);
        }
    }

    // Opens a modal dialog through open(), which runs the dialog's own event loop, takes its picture
    // from inside that loop (after prepare, when given) and closes it.
    void ShootModal(const QString& form, int number, const QString& page, const std::function<void()>& open,
                    const std::function<void(QWidget*)>& prepare = {}) {
        bool shot = false;
        QTimer poll;
        poll.setInterval(30);
        QElapsedTimer clock;
        clock.start();
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr) {
                if (clock.elapsed() > 10000) {
                    poll.stop();
                    Say(QStringLiteral("no dialog appeared for ") + form);
                }
                return;
            }
            poll.stop();
            if (prepare)
                prepare(modal);
            Shoot(modal, form, number, page);
            shot = true;
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
        });
        poll.start();
        open();
        poll.stop();
        if (!shot) {
            ++failures_;
            Say(QStringLiteral("no picture of ") + form + QLatin1Char('-') + page);
        }
    }

    // Every page of a step-by-step frame: the pages the gallery reached by its buttons are taken as they
    // stood; any other page of the frame's page list is shown directly, so a new page is never missed.
    void ShootFramePages(TWizardFrame& frame, const QString& form, std::set<int>& shot) {
        auto* pages = frame.findChild<QStackedWidget*>(QStringLiteral("PageControl"));
        for (int i = 0; pages != nullptr && i < pages->count(); ++i) {
            if (shot.count(i) != 0)
                continue;
            pages->setCurrentIndex(i);
            ShootFramePage(frame, form, shot);
        }
    }
    // Pages that a frame passes by itself while it works (reading, importing, saving) are taken the
    // moment they appear, as the user sees them then; a later picture of the same page replaces it.
    void WatchFramePages(TWizardFrame& frame, const QString& form, std::set<int>& shot) {
        auto* pages = frame.findChild<QStackedWidget*>(QStringLiteral("PageControl"));
        if (pages == nullptr)
            return;
        QObject::connect(pages, &QStackedWidget::currentChanged, &frame,
                         [this, &frame, form, &shot](int index) {
                             if (shot.count(index) != 0 || !frame.isVisible())
                                 return;
                             QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
                             QString name = frame.Page(index)->objectName();
                             name.remove(QStringLiteral("TabSheet"));
                             Write(&frame, form, index, name);
                             shot.insert(index);
                         });
    }
    void ShootFramePage(TWizardFrame& frame, const QString& form, std::set<int>& shot) {
        const int index = frame.CurrentPage();
        QString name = frame.Page(index)->objectName();
        name.remove(QStringLiteral("TabSheet"));
        Shoot(&frame, form, index, name);
        shot.insert(index);
    }

    // Every page of a QWizard in the order its buttons reach them; pages that the walk does not reach
    // (skipped by nextId) are opened as the start page of a new wizard from make.
    void ShootWizardPages(QWizard& wizard, const QString& form,
                          const std::function<std::unique_ptr<QWizard>()>& make,
                          const std::function<void(QWizard&, int)>& onPage = {}) {
        std::set<int> shot;
        wizard.show();
        Wait(50);
        for (int guard = 0; guard < 32; ++guard) {
            const int id = wizard.currentId();
            if (onPage)
                onPage(wizard, id);
            QWizardPage* page = wizard.currentPage();
            if (page == nullptr)
                break;
            Shoot(&wizard, form, id, PageName(page));
            shot.insert(id);
            if (wizard.nextId() < 0 || !page->isComplete())
                break;
            wizard.next();
            Wait(30);
            if (wizard.currentId() == id)
                break;  // the page refused to be left
        }
        for (const int id : wizard.pageIds()) {
            if (shot.count(id) != 0)
                continue;
            std::unique_ptr<QWizard> other = make();
            other->setStartId(id);
            other->restart();
            other->show();
            Wait(50);
            if (onPage)
                onPage(*other, id);
            Shoot(other.get(), form, id, PageName(other->currentPage()));
            other->close();
        }
        wizard.close();
    }
    static QString PageName(const QWizardPage* page) {
        if (page == nullptr)
            return QStringLiteral("page");
        if (!page->title().isEmpty())
            return page->title();
        return page->objectName();
    }

    // --- the windows ------------------------------------------------------------------------------------

    void MainWindow() {
        TMainWindow window(core_.Data(), &core_.Scheduler());
        // The commands have their dialogs, as in the program; the gallery never triggers them.
        window.SetTaskPropertiesEditor([](TTask&, bool) { return false; });
        for (const char* command :
             {"actOptions0", "actOptions1", "actOptions2", "actOptions3", "actOptions4", "actOptions5",
              "actOptions6", "actOptions7", "actLogOptions", "actDecryptWizard", "actImportWizard",
              "actMaintenanceWizard", "actInitWizard", "actTaskShortcut", "actHelpHomepage"})
            window.SetCommand(QString::fromLatin1(command), [] {});
        window.resize(1024, 700);
        window.show();
        window.SelectGroup(TMainData::AllTasksName());
        window.SelectTask(demo_.PhotosId());
        static const char* const styles[] = {"LargeIcons", "SmallIcons", "List", "Details"};
        for (int style = 0; style < 4; ++style) {
            window.SetViewStyle(style);
            window.RefreshLog();
            Shoot(&window, QStringLiteral("MainWindow"), style, QString::fromLatin1(styles[style]));
        }
        // The group and its own tasks.
        window.SelectGroup(QStringLiteral("Office"));
        window.RefreshLog();
        Shoot(&window, QStringLiteral("MainWindow"), 4, QStringLiteral("Details_Office"));
        window.hide();
    }

    void Splash() {
        TSplashForm splash;
        Shoot(&splash, QStringLiteral("Splash"), 0, QStringLiteral("Splash"));
        splash.close();
    }

    void AlertDialog() {
        TWindowUserInterface ui(nullptr);
        struct TCase {
            TAlertEvent event;
            const char* message;
            const char* buttons;
        };
        const TCase cases[] = {
            {TAlertEvent::aeError,
             "Error copying file \"/home/ann/Documents/report.odt\": No space left on device.", "RIS"},
            {TAlertEvent::aeFinish, "Task \"Photos\" finished: 12 file(s) copied, 0 error(s).", "O"},
            {TAlertEvent::aeStart, "Task \"Photos\" is about to start.", "CS"},
        };
        int number = 0;
        for (const TCase& each : cases) {
            const QString page = QStringLiteral("%1").arg(static_cast<int>(each.event));
            ShootModal(QStringLiteral("AlertDialog"), number++, QStringLiteral("Event") + page, [&] {
                ui.RunAlertDialog(QStringLiteral("Photos"), each.event, AlertActionText(each.event),
                                  QString::fromUtf8(each.message), QString::fromLatin1(each.buttons));
            });
        }
    }

    void Preferences() {
        TPrefsForm form(nullptr, 0);
        auto* list = form.findChild<QListWidget*>(QStringLiteral("pages"));
        const int count = list != nullptr ? list->count() : TPrefsForm::kPageCount;
        form.show();
        int number = 0;
        for (int page = 0; page < count; ++page) {
            form.SetCurrentPage(page);
            const QString name = list != nullptr ? list->item(page)->text() : QString::number(page);
            if (page != TPrefsForm::pgTaskDefaults) {
                Shoot(&form, QStringLiteral("Preferences"), number++, name);
                continue;
            }
            // The task defaults have their own tree of panels.
            auto* nodes = form.findChild<QTreeWidget*>(QStringLiteral("nodes"));
            const int nodeCount = nodes != nullptr ? nodes->topLevelItemCount() : TPrefsForm::kNodeCount;
            for (int node = 0; node < nodeCount; ++node) {
                form.SetCurrentNode(node);
                const QString nodeName =
                    nodes != nullptr ? nodes->topLevelItem(node)->text(0) : QString::number(node);
                Shoot(&form, QStringLiteral("Preferences"), number++, name + QLatin1Char('_') + nodeName);
            }
        }
        form.close();
    }

    void DecryptWizard() {
        // Two files that look encrypted; the pass fails on them, which the log of the page shows.
        const QString folder = demo_.Root() + QStringLiteral("/Encrypted");
        QDir().mkpath(folder);
        QStringList files;
        for (const char* name : {"report.odt.crypt", "budget.ods.crypt"}) {
            const QString path = folder + QLatin1Char('/') + QString::fromLatin1(name);
            QFile file(path);
            if (file.open(QIODevice::WriteOnly))
                file.write("not really encrypted");
            files.append(path);
        }
        const auto make = [this] { return std::make_unique<TDecryptWizardForm>(nullptr, &core_.Data()); };
        auto wizard = make();
        wizard->AddFiles(files);
        auto* form = wizard.get();
        ShootWizardPages(
            *wizard, QStringLiteral("DecryptWizard"), make, [this, form](QWizard& shown, int id) {
                if (id == TDecryptWizardForm::pgParameters) {
                    if (auto* password = shown.findChild<QLineEdit*>(QStringLiteral("password")))
                        password->setText(QStringLiteral("secret"));
                    if (auto* target = shown.findChild<QLineEdit*>(QStringLiteral("targetFolder")))
                        target->setText(demo_.Root() + QStringLiteral("/Decrypted"));
                }
                if (id == TDecryptWizardForm::pgDecrypting && &shown == form)
                    WaitUntil([form] { return !form->PassRunning(); }, 20000);
            });
    }

    void ScheduleItemEditor() {
        // The caption line shows what the task properties list would show.
        SetScheduleItemCaption(GetStrCaption);
        for (int kind = 0; kind <= static_cast<int>(TScheduleKind::skOnce); ++kind) {
            TTaskScheduleItem item;
            item.Kind = static_cast<TScheduleKind>(kind);
            ShootModal(QStringLiteral("ScheduleItemEditor"), kind, ScheduleKindName(item.Kind),
                       [&item] { EditScheduleItem(nullptr, item); });
        }
    }

    void InitWizard() {
        // The walk passes the e-mail page only when notifications are chosen.
        const auto make = [] { return std::make_unique<TSettingsInitWizardForm>(); };
        auto wizard = make();
        ShootWizardPages(*wizard, QStringLiteral("InitWizard"), make, [](QWizard& shown, int id) {
            if (id == TSettingsInitWizardForm::pgAlerts)
                if (auto* email = shown.findChild<QCheckBox*>(QStringLiteral("EmailCheckBox")))
                    email->setChecked(true);
            if (id == TSettingsInitWizardForm::pgEmail) {
                // Finish would check these; the page is shown with a plausible entry.
                if (auto* server = shown.findChild<QLineEdit*>(QStringLiteral("SmtpServerEdit")))
                    server->setText(QStringLiteral("smtp.example.org"));
                if (auto* to = shown.findChild<QLineEdit*>(QStringLiteral("EmailToEdit")))
                    to->setText(QStringLiteral("ann@example.org"));
            }
        });
    }

    void SoundThemePreview() {
        int number = 0;
        for (const TSoundTheme& theme : SoundThemes()) {
            TSoundThemePreviewForm form(ThemeSoundPaths(theme), ThemeEventCaptions());
            form.Play = [](const QString&) {};
            form.Silence = [] {};
            form.SetInterval(60000);
            form.Start();
            Shoot(&form, QStringLiteral("SoundThemePreview"), number++, theme.Name);
            form.Silence = [] {};
            form.close();
        }
    }

    void TaskImportWizard() {
        // A projects file of the predecessor's first version with three projects.
        TProjectSpec reports;
        reports.name = QStringLiteral("Reports");
        reports.id = QStringLiteral("ID-REPORTS");
        reports.source = QStringLiteral("C:\\Users\\Ann\\Documents\\Reports");
        reports.destination = QStringLiteral("E:\\Backup\\Reports");
        TProjectSpec photos;
        photos.name = QStringLiteral("Holiday photos");
        photos.id = QStringLiteral("ID-PHOTOS");
        photos.type = QStringLiteral("btSynchronize");
        photos.source = QStringLiteral("D:\\Pictures\\2019 Summer holidays in Brittany");
        photos.destination = QStringLiteral("\\\\nas\\share\\Pictures\\2019 Summer holidays in Brittany");
        TProjectSpec mail;
        mail.name = QStringLiteral("Mail");
        mail.id = QStringLiteral("ID-MAIL");
        const QString file = demo_.Root() + QStringLiteral("/Ombrisave.dat");
        {
            QFile out(file);
            if (out.open(QIODevice::WriteOnly))
                out.write(ProjectsFile({reports, photos, mail}));
        }

        // Imports go to a scratch list: the demo tasks stay as they are.
        TMainData scratch;
        TQuietImportPrompts prompts;
        const QString form = QStringLiteral("TaskImportWizard");
        std::set<int> shot;
        {
            TTaskImportWizardForm wizard(scratch, prompts);
            wizard.show();
            WatchFramePages(wizard, form, shot);
            auto* list = wizard.findChild<QListWidget*>(QStringLiteral("SelectListBox"));
            list->setCurrentRow(0);
            ShootFramePage(wizard, form, shot);
            wizard.Next();
            wizard.findChild<QLineEdit*>(QStringLiteral("DetailsFileEdit"))->setText(file);
            ShootFramePage(wizard, form, shot);
            wizard.Next();
            auto* preview = wizard.findChild<QListWidget*>(QStringLiteral("PreviewCheckListBox"));
            preview->setCurrentRow(1);
            preview->item(2)->setCheckState(Qt::Unchecked);
            ShootFramePage(wizard, form, shot);
            wizard.Next();
            ShootFramePage(wizard, form, shot);
            wizard.close();
        }
        {
            // A file that is not there: the wizard stays on the Read page with the reason.
            TTaskImportWizardForm wizard(scratch, prompts);
            wizard.show();
            wizard.findChild<QListWidget*>(QStringLiteral("SelectListBox"))->setCurrentRow(0);
            wizard.Next();
            wizard.findChild<QLineEdit*>(QStringLiteral("DetailsFileEdit"))
                ->setText(demo_.Root() + QStringLiteral("/old/Ombrisave.dat"));
            wizard.Next();
            ShootFramePage(wizard, form, shot);
            wizard.close();
        }
        {
            // 3.x without its keys: an empty preview, and the Process page with nothing imported.
            TTaskImportWizardForm wizard(scratch, prompts);
            wizard.show();
            wizard.findChild<QListWidget*>(QStringLiteral("SelectListBox"))->setCurrentRow(2);
            wizard.Next();
            wizard.Next();
            wizard.Next();
            if (wizard.CurrentPage() == TTaskImportWizardForm::pgProcess)
                ShootFramePage(wizard, form, shot);
            ShootFramePages(wizard, form, shot);
            wizard.close();
        }
        // The drive map editor of the Preview page.
        TDriveMapForm map({{QStringLiteral("C:\\"), QStringLiteral("/mnt/old-c")},
                           {QStringLiteral("\\\\nas\\share\\"), QStringLiteral("/srv/nas")}});
        Shoot(&map, QStringLiteral("DriveMap"), 0, QStringLiteral("DriveMap"));
        map.close();
    }

    void MaintenanceWizard() {
        TQuietMaintenancePrompts prompts;
        const QString form = QStringLiteral("MaintenanceWizard");
        std::set<int> shot;
        const QString backupFile = demo_.Root() + QStringLiteral("/Tarnovex settings.reg");
        {
            TMaintenanceForm wizard(core_.Data(), prompts);
            wizard.show();
            WatchFramePages(wizard, form, shot);
            ShootFramePage(wizard, form, shot);
            wizard.findChild<QRadioButton*>(QStringLiteral("BackupRadioButton"))->click();
            wizard.Next();
            wizard.findChild<QLineEdit*>(QStringLiteral("BackupFileEdit"))->setText(backupFile);
            ShootFramePage(wizard, form, shot);
            wizard.Next();
            ShootFramePage(wizard, form, shot);
            wizard.close();
        }
        {
            TMaintenanceForm wizard(core_.Data(), prompts);
            wizard.show();
            wizard.findChild<QRadioButton*>(QStringLiteral("RestoreRadioButton"))->click();
            wizard.Next();
            wizard.findChild<QLineEdit*>(QStringLiteral("RestoreFileEdit"))->setText(backupFile);
            ShootFramePage(wizard, form, shot);
            ShootFramePages(wizard, form, shot);
            wizard.close();
        }
    }

    void TaskShortcut() {
        TTask* task = core_.Data().FindTask(demo_.PhotosId());
        TShortcutForm form(*task);
        Shoot(&form, QStringLiteral("TaskShortcut"), 0, QStringLiteral("Desktop"));
        // The folder of one's own choice enables its field and button.
        if (auto* other = form.findChild<QRadioButton*>(QStringLiteral("OtherRadio"))) {
            other->click();
            Shoot(&form, QStringLiteral("TaskShortcut"), 1, QStringLiteral("Other"));
        }
        form.close();
    }

    void About() {
        TAboutForm form([](const QString&) {});
        Shoot(&form, QStringLiteral("About"), 0, QStringLiteral("About"));
        form.close();
    }

    void SmallPrompts() {
        QWidget parent;
        TWidgetPrompts prompts(&parent);
        ShootModal(QStringLiteral("GroupName"), 0, QStringLiteral("GroupName"), [&prompts] {
            QString name = QStringLiteral("Office");
            prompts.EditGroupName(name);
        });
        TGroupsOrderForm order(core_.Data().Groups +
                               QStringList{QStringLiteral("Archive"), QStringLiteral("Laptop")});
        order.Select(1);
        Shoot(&order, QStringLiteral("GroupOrder"), 0, QStringLiteral("GroupOrder"));
        order.close();
        ShootModal(QStringLiteral("PasswordPrompt"), 0, QStringLiteral("Password"), [&prompts] {
            QString typed;
            prompts.Ask(QStringLiteral("Enter password to continue"),
                        QStringLiteral("the name of the first cat"), typed);
        });
        ShootModal(QStringLiteral("ExitConfirmation"), 0, QStringLiteral("Exit"), [&prompts] {
            bool dontAsk = false;
            prompts.ConfirmShutdown(dontAsk);
        });
        ShootModal(QStringLiteral("LogSearch"), 0, QStringLiteral("Find"), [&prompts] {
            QString text = QStringLiteral("error");
            bool matchCase = false, down = true;
            prompts.AskSearch(text, matchCase, down);
        });
    }

    void TaskProperties() {
        SetScheduleItemCaption(GetStrCaption);
        TTask* task = core_.Data().FindTask(demo_.PhotosId());
        TWidgetPropertiesPrompts prompts(nullptr);
        TTaskPropertiesForm form(*task, core_.Data(), prompts);
        form.show();
        // The dialog's own page list decides how many pages there are: every item of the navigator tree,
        // the overview pages included, in the order shown.
        auto* navigator = form.findChild<QTreeWidget*>(QStringLiteral("navigator"));
        int page = 0;
        for (QTreeWidgetItemIterator it(navigator); navigator != nullptr && *it; ++it, ++page) {
            navigator->setCurrentItem(*it);
            Shoot(&form, QStringLiteral("TaskProperties"), page, (*it)->text(0));
        }
        form.close();
    }

    void FilterEditor() {
        const TTask* task = core_.Data().FindTask(demo_.PhotosId());
        const char* const kinds[] = {"File", "Folder", "DateTime", "Attributes", "Size"};
        for (int kind = 0; kind < 5; ++kind) {
            TTaskFilterItem item;
            item.FilterKind = static_cast<TFilterKind>(kind);
            item.fnWildcard = QStringLiteral("*.jpg");
            item.frContains = QStringLiteral("/cache/");
            ShootModal(QStringLiteral("FilterEditor"), kind, QString::fromLatin1(kinds[kind]),
                       [task, &item] { EditFilterItem(*task, item); });
        }
    }

    QString out_;
    TDemo& demo_;
    TProgramCore& core_;
    QString suffix_;
    int written_ = 0;
    int failures_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: ui_gallery OUTDIR\n", stderr);
        return 2;
    }
    // Everything the program keeps goes into a private folder that is removed at the end.
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/tarnovex-gallery-XXXXXX"));
    if (!home.isValid()) {
        std::fputs("ui_gallery: no temporary folder\n", stderr);
        return 1;
    }
    qputenv("TARNOVEX_HOME", home.path().toUtf8());
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());

    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    if (!QDir().mkpath(out)) {
        Say(QStringLiteral("cannot create ") + out);
        return 1;
    }

    int failures = 0;
    int written = 0;
    {
        TProgramCore core;
        core.Load();
        TDemo demo(home.path() + QStringLiteral("/demo"));
        demo.Build(core);
        core.Start([] {}, [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 100); });
        if (!demo.RunPhotos(core))
            Say(QStringLiteral("the demo run did not end; its log may be short"));

        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        const QPalette light = QApplication::style()->standardPalette();
        TGallery gallery(out, demo, core);
        for (const bool dark : {false, true}) {
            QApplication::setPalette(dark ? DarkPalette() : light);
            gallery.SetDark(dark);
            gallery.ShootAll();
        }
        written = gallery.Written();
        failures = gallery.Failures();
        core.Finish();
    }
    SettingsStore::Close();
    Say(QStringLiteral("wrote %1 pictures to %2%3")
            .arg(written)
            .arg(out, failures ? QStringLiteral(", %1 failed").arg(failures) : QString()));
    return failures == 0 ? 0 : 1;
}
