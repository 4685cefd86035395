#include "app/HeadlessProgram.h"

#include <QCoreApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>

#include "app/SingleInstance.h"
#include "engine/Services.h"
#include "engine/TaskRunner.h"
#include "logging/TaskLogger.h"
#include "model/MainData.h"
#include "model/Task.h"
#include "platform/Signals.h"
#include "schedule/Scheduler.h"
#include "settings/GlobalSettings.h"

namespace {

void Print(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

}  // namespace

THeadlessProgram::THeadlessProgram() = default;

THeadlessProgram::~THeadlessProgram() = default;

int THeadlessProgram::Run(const QStringList& arguments) {
    LoadGlobalSettings();
    data_ = std::make_unique<TMainData>();
    data_->LoadAll();

    const QString commandText = CommandTextOf(arguments);
    TSingleInstance instance(InstanceKey(), InstanceFolder());
    if (!instance.Claim()) {
        // A second start: the running instance gets the command line and does the work.
        QString error;
        if (!TSingleInstance::SendToRunning(InstanceKey(), InstanceFolder(), commandText, &error))
            Print(stderr, QStringLiteral("tarnovex: ") + error);
        return 0;
    }

    RegisterRunServices();
    SetLogObserver([](const TTask& task, TLogKind, const QString& recordText, TDateTime time) {
        Print(stdout,
              task.Name + QStringLiteral(" - ") + LogLineTimestamp(time) + QStringLiteral(": ") + recordText);
    });
    runner_ = std::make_unique<TTaskRunner>();
    runner_->RunEnded = [](TTask& task, const TRunOutcome&) { TMainData::SaveLastRun(task); };
    data_->RunControl = runner_.get();
    scheduler_ = std::make_unique<TScheduler>(*data_);
    scheduler_->ExitWhenIdle = [this] { Quit(); };
    scheduler_->ProcessEventsWhileWaiting = [] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    };
    data_->MediaCheck = [this](TTask& task, const QString& drive, const QString& label,
                               const QString& serial) { scheduler_->MediaCheck(task, drive, label, serial); };
    scheduler_->RebuildAllFolderWatchers();
    scheduler_->Start();

    instance.CommandReceived = [this](const QString& text) { ProcessCommandLine(text, *data_, *this); };
    TSignalWatcher signalWatch({SIGINT, SIGTERM, SIGHUP}, [this](int signal) {
        if (signal == SIGTERM || signal == SIGHUP)
            EndOfSession();
        else
            Quit();
    });
    QTimer::singleShot(0, [this, commandText] { ProcessCommandLine(commandText, *data_, *this); });
    Print(stdout, QStringLiteral("Tarnovex runs %1 task(s) on their schedules and triggers; Ctrl+C ends it.")
                      .arg(data_->Tasks.Count()));

    QCoreApplication::exec();

    scheduler_->Stop();
    runner_->StopAll();
    runner_->WaitUntilIdle();
    SaveAllSettings(*data_);
    data_->RunControl = nullptr;
    SetLogObserver({});
    ShutdownRunServices();
    scheduler_.reset();
    runner_.reset();
    return 0;
}

void THeadlessProgram::EndOfSession() {
    if (quitting_)
        return;
    SaveAllSettings(*data_);
    // The shutdown runs, and the wait for the runs of tasks without a group, serving events meanwhile.
    scheduler_->SystemShutdown();
    Quit();
}

void THeadlessProgram::Quit() {
    if (quitting_)
        return;
    quitting_ = true;
    QCoreApplication::quit();
}

void THeadlessProgram::ShowMainWindow() {}

void THeadlessProgram::ShowHelpTopic(const QString& topic) {
    Print(stdout, QStringLiteral("Help: see the Tarnovex help pages, topic %1").arg(topic));
}

void THeadlessProgram::ShowAboutBox() {
    Print(stdout, QStringLiteral("Tarnovex " TARNOVEX_VERSION));
}

void THeadlessProgram::Exit() {
    // Without a window the close rules have nothing to hide: the program ends.
    Quit();
}

void THeadlessProgram::ExitNow() {
    Quit();
}

void THeadlessProgram::SetExitWhenIdle() {
    scheduler_->SetExitWhenIdle(true);
}

void THeadlessProgram::SetTrayIconVisible(bool) {}

void THeadlessProgram::UpdateActions() {}

void THeadlessProgram::RunProgramStartupItems() {
    scheduler_->RunStartupItems(TStartupKind::ProgramStartup);
}

void THeadlessProgram::SystemStartup() {
    scheduler_->SetSystemStartupMode(true);
    scheduler_->RunStartupItems(TStartupKind::SystemStartup);
}
