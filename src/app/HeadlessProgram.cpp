#include "app/HeadlessProgram.h"

#include <QCoreApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>

#include "app/SingleInstance.h"
#include "logging/TaskLogger.h"
#include "model/MainData.h"
#include "model/Task.h"
#include "platform/Signals.h"

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
    core_.Load();

    const QString commandText = CommandTextOf(arguments);
    TSingleInstance instance(InstanceKey(), InstanceFolder());
    if (!instance.Claim()) {
        // A second start: the running instance gets the command line and does the work.
        QString error;
        if (!TSingleInstance::SendToRunning(InstanceKey(), InstanceFolder(), commandText, &error))
            Print(stderr, QStringLiteral("tarnovex: ") + error);
        return 0;
    }

    SetLogObserver([](const TTask& task, TLogKind, const QString& recordText, TDateTime time) {
        Print(stdout,
              task.Name + QStringLiteral(" - ") + LogLineTimestamp(time) + QStringLiteral(": ") + recordText);
    });
    core_.Start([this] { Quit(); }, [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 100); });

    instance.CommandReceived = [this](const QString& text) { ProcessCommandLine(text, core_.Data(), *this); };
    TSignalWatcher signalWatch({SIGINT, SIGTERM, SIGHUP}, [this](int signal) {
        if (signal == SIGTERM || signal == SIGHUP)
            EndOfSession();
        else
            Quit();
    });
    QTimer::singleShot(0, [this, commandText] { ProcessCommandLine(commandText, core_.Data(), *this); });
    Print(stdout, QStringLiteral("Tarnovex runs %1 task(s) on their schedules and triggers; Ctrl+C ends it.")
                      .arg(core_.Data().Tasks.Count()));

    QCoreApplication::exec();

    core_.Finish();
    SetLogObserver({});
    return 0;
}

void THeadlessProgram::EndOfSession() {
    if (quitting_)
        return;
    // The shutdown runs, and the wait for the runs of tasks without a group, serving events meanwhile.
    core_.EndOfSession();
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
    core_.SetExitWhenIdle();
}

void THeadlessProgram::SetTrayIconVisible(bool) {}

void THeadlessProgram::UpdateActions() {}

void THeadlessProgram::RunProgramStartupItems() {
    core_.RunProgramStartupItems();
}

void THeadlessProgram::SystemStartup() {
    core_.SystemStartup();
}
