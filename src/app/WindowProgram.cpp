#include "app/WindowProgram.h"

#include <QApplication>
#include <QPointer>
#include <QSessionManager>
#include <QTimer>
#include <csignal>
#include <cstdio>

#include "app/SingleInstance.h"
#include "engine/TaskRunner.h"
#include "model/MainData.h"
#include "platform/Signals.h"
#include "platform/SystemTimers.h"
#include "schedule/ScheduleCaptions.h"
#include "schedule/Scheduler.h"
#include "settings/GlobalSettings.h"
#include "settings/Language.h"
#include "ui/AboutDialog.h"
#include "ui/DecryptWizard.h"
#include "ui/InitWizard.h"
#include "ui/MainWindow.h"
#include "ui/MaintenanceWizard.h"
#include "ui/PreferencesDialog.h"
#include "ui/ShortcutDialog.h"
#include "ui/SplashForm.h"
#include "ui/TaskImportWizard.h"
#include "ui/TaskPropertiesDialog.h"
#include "ui/WindowUserInterface.h"
#include "ui/X11HotKeys.h"

TWindowProgram::TWindowProgram() = default;

TWindowProgram::~TWindowProgram() = default;

int TWindowProgram::Run(const QStringList& arguments) {
    core_.Load();

    const QString commandText = CommandTextOf(arguments);
    TSingleInstance instance(InstanceKey(), InstanceFolder());
    if (!instance.Claim()) {
        // A second start: the running instance shows its window or runs the switches.
        QString error;
        if (!TSingleInstance::SendToRunning(InstanceKey(), InstanceFolder(), commandText, &error)) {
            const QByteArray text = QStringLiteral("tarnovex: %1\n").arg(error).toUtf8();
            std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stderr);
        }
        return 0;
    }

    // The window hides to the notification area; the program ends only through the close rules.
    QApplication::setQuitOnLastWindowClosed(false);
    QPointer<TSplashForm> splash;
    if (GlobalSettings().Startup.StartupShowSplash) {
        splash = new TSplashForm;
        splash->setAttribute(Qt::WA_DeleteOnClose);
        splash->show();
        QApplication::processEvents();
    }
    core_.Start([this] { Quit(); }, [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 100); });
    TMainData& data = core_.Data();
    // Hot keys exist on X11 only; elsewhere every registration fails, which the window reports.
    hotKeys_ = TX11HotKeyService::Create();
    if (hotKeys_ != nullptr) {
        data.HotKeyService = hotKeys_.get();
        hotKeys_->Pressed = [this](int number) { HotKeyPressed(number); };
    }
    window_ = std::make_unique<TMainWindow>(data, &core_.Scheduler());
    ui_ = std::make_unique<TWindowUserInterface>(window_.get());
    SetUserInterface(ui_.get());
    data.Host = window_.get();
    window_->Exited = [this] { Quit(); };
    MainWindowHoyKeysActivate();
    // A deleted task's system timer would start the program for a task that no longer exists.
    window_->TaskDeleted = [](const QString& taskId) {
        TSystemTimers own;
        TSystemTimers& timers = PropertiesServices().Timers != nullptr ? *PropertiesServices().Timers : own;
        if (TSystemTimers::UsableTaskId(taskId) && timers.Exists(taskId))
            timers.Remove(taskId);
    };
    // The dialogs behind the window's commands.
    SetScheduleItemCaption(GetStrCaption);
    PropertiesServices().Scheduler = &core_.Scheduler();
    window_->SetTaskPropertiesEditor(
        [this](TTask& task, bool) { return EditTaskProperties(window_.get(), task, core_.Data()); });
    // "Program Options..." opens the last page; the others open their own (-1, then pages 0 to 6).
    for (int i = 0; i < 8; ++i) {
        window_->SetCommand(QStringLiteral("actOptions%1").arg(i), [this, i] { OpenPreferences(i - 1); });
    }
    window_->SetCommand(QStringLiteral("actLogOptions"), [this] { OpenPreferences(2); });
    window_->SetCommand(QStringLiteral("actDecryptWizard"),
                        [this] { ShowDecryptWizard(window_.get(), &core_.Data()); });
    window_->SetCommand(QStringLiteral("actImportWizard"), [this] {
        RunTaskImportWizard(window_.get(), core_.Data(), &core_.Scheduler());
        window_->UpdateAll();  // the imported tasks are listed and the last one selected before the save
        window_->SaveAllSettings();
    });
    window_->SetCommand(QStringLiteral("actMaintenanceWizard"),
                        [this] { RunMaintenanceWizard(*window_, core_.Data(), &core_.Scheduler()); });
    InstallInitWizard(*window_);
    InstallTaskShortcut(*window_);
    InstallHomepageCommand(*window_);
    core_.RunEnded = [this](TTask&) { window_->RefreshTaskStates(); };
    core_.Scheduler().TaskListChanged = [this] { window_->RefreshTaskStates(); };

    instance.CommandReceived = [this](const QString& text) { ProcessCommandLine(text, core_.Data(), *this); };
    TSignalWatcher signalWatch({SIGINT, SIGTERM, SIGHUP}, [this](int signal) {
        if (signal == SIGTERM || signal == SIGHUP)
            EndOfSession(false);
        else
            ExitNow();
    });
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, qApp, [this](QSessionManager& manager) {
        EndOfSession(true);
        if (!quitting_)
            manager.cancel();
    });
    // The start-up show; the program's own switches run once, when the window has been created.
    QTimer::singleShot(100, window_.get(), [this, commandText, splash, hasArguments = arguments.size() > 1] {
        window_->StartupShow();
        // The splash stays in front of the window that appears behind it until it closes.
        if (splash != nullptr)
            splash->raise();
        if (hasArguments)
            ProcessCommandLine(commandText, core_.Data(), *this);
    });

    QApplication::exec();

    window_->SaveAllSettings();
    PropertiesServices().Scheduler = nullptr;
    core_.Finish();
    data.ReleaseHotKeys();
    if (hotKeys_ != nullptr)
        hotKeys_->Release(TMainData::kShowMainWindowHotKeyId);
    data.HotKeyService = nullptr;
    data.Host = nullptr;
    SetUserInterface(nullptr);
    ui_.reset();
    window_.reset();
    return 0;
}

void TWindowProgram::EndOfSession(bool mayRefuse) {
    if (quitting_ || sessionEnded_)
        return;
    sessionEnded_ = true;
    window_->SaveAllSettings();
    core_.EndOfSession();
    // The desktop's session manager lets the program refuse the end, after the exit confirmation; a
    // signal cannot be refused, so nobody is asked then.
    window_->SetExiting(true);
    if (mayRefuse && !window_->ConfirmShutdown()) {
        window_->SetExiting(false);
        sessionEnded_ = false;
        return;
    }
    window_->ExitNow();
}

void TWindowProgram::OpenPreferences(int page) {
    if (!EditPreferences(window_.get(), page))
        return;
    window_->ApplyWindowSettings();
    MainWindowHoyKeysActivate();
    window_->SaveAllSettings();
}

void TWindowProgram::MainWindowHoyKeysActivate() {
    THotKeyService* service = core_.Data().HotKeyService;
    if (service != nullptr)
        service->Release(TMainData::kShowMainWindowHotKeyId);
    const TStartupSettings& startup = GlobalSettings().Startup;
    if (!startup.StartupHotKeyUse || startup.StartupHotKey == 0)
        return;
    if (service == nullptr || !service->Register(TMainData::kShowMainWindowHotKeyId, startup.StartupHotKey))
        window_->ShowError(Translate(QStringLiteral("Hoy key registering failed!"),
                                     QStringLiteral("strTaskPropHotKeyRegFail")));
}

void TWindowProgram::HotKeyPressed(int number) {
    if (number == TMainData::kShowMainWindowHotKeyId) {
        window_->ShowFromTray();
        window_->BringMainWindowToFront();
        return;
    }
    core_.Data().OnHotKey(number);
}

void TWindowProgram::Quit() {
    if (quitting_)
        return;
    quitting_ = true;
    QCoreApplication::quit();
}

void TWindowProgram::ShowMainWindow() {
    window_->ShowFromTray();
}

void TWindowProgram::ShowHelpTopic(const QString& topic) {
    window_->ShowHelpTopic(topic);
}

void TWindowProgram::ShowAboutBox() {
    window_->ShowAboutBox();
}

void TWindowProgram::Exit() {
    window_->close();
}

void TWindowProgram::ExitNow() {
    window_->ExitNow();
}

void TWindowProgram::SetExitWhenIdle() {
    core_.SetExitWhenIdle();
}

void TWindowProgram::SetTrayIconVisible(bool visible) {
    window_->SetTrayIconVisible(visible);
}

void TWindowProgram::UpdateActions() {
    window_->CheckState();
}

void TWindowProgram::RunProgramStartupItems() {
    core_.RunProgramStartupItems();
}

void TWindowProgram::SystemStartup() {
    core_.SystemStartup();
}
