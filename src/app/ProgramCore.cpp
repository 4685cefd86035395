#include "app/ProgramCore.h"

#include "engine/Services.h"
#include "engine/TaskRunner.h"
#include "logging/SmtpClient.h"
#include "model/MainData.h"
#include "model/Task.h"
#include "platform/Volumes.h"
#include "schedule/Scheduler.h"
#include "settings/GlobalSettings.h"

TProgramCore::TProgramCore() = default;

TProgramCore::~TProgramCore() {
    if (data_ != nullptr) {
        data_->RunControl = nullptr;
        data_->VolumeInfo = nullptr;
    }
    scheduler_.reset();
    runner_.reset();
}

void TProgramCore::Load() {
    InitCurlOnce();  // before any thread (runs, e-mail) uses libcurl
    // The run services first: the archiver and encryptor tables they register load with the preferences.
    RegisterRunServices();
    LoadGlobalSettings();
    data_ = std::make_unique<TMainData>();
    data_->LoadAll();
}

void TProgramCore::Start(std::function<void()> quit, std::function<void()> processEvents) {
    runner_ = std::make_unique<TTaskRunner>();
    runner_->RunEnded = [this](TTask& task, const TRunOutcome&) {
        TMainData::SaveLastRun(task);
        if (RunEnded)
            RunEnded(task);
    };
    data_->RunControl = runner_.get();
    scheduler_ = std::make_unique<TScheduler>(*data_);
    scheduler_->ExitWhenIdle = std::move(quit);
    scheduler_->ProcessEventsWhileWaiting = std::move(processEvents);
    data_->MediaCheck = [this](TTask& task, const QString& drive, const QString& label,
                               const QString& serial) { scheduler_->MediaCheck(task, drive, label, serial); };
    scheduler_->RebuildAllFolderWatchers();
    // Every new mount is a medium for the tasks' SmartDetect criteria (and for the dialog's media test).
    volumes_ = std::make_unique<TSystemVolumeInfo>();
    data_->VolumeInfo = volumes_.get();
    scheduler_->StartMediaDetection();
    scheduler_->Start();
}

void TProgramCore::EndOfSession() {
    SaveAllSettings(*data_);
    scheduler_->SystemShutdown();
}

void TProgramCore::Finish() {
    scheduler_->Stop();
    runner_->StopAll();
    runner_->WaitUntilIdle();
    SaveAllSettings(*data_);
    data_->RunControl = nullptr;
    data_->MediaCheck = {};
    data_->VolumeInfo = nullptr;
    ShutdownRunServices();
    scheduler_.reset();
    runner_.reset();
}

void TProgramCore::RunProgramStartupItems() {
    scheduler_->RunStartupItems(TStartupKind::ProgramStartup);
}

void TProgramCore::SystemStartup() {
    scheduler_->SetSystemStartupMode(true);
    scheduler_->RunStartupItems(TStartupKind::SystemStartup);
}

void TProgramCore::SetExitWhenIdle() {
    scheduler_->SetExitWhenIdle(true);
}
