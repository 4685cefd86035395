#include "engine/RunSteps.h"

#include "engine/RunJob.h"
#include "model/Task.h"
#include "packing/Launcher.h"
#include "settings/FormatText.h"
#include "settings/Language.h"

namespace {

void DialUpStep(TRunJob& job) {
    TRunContext& context = job.Context;
    const QString entry = job.Task().EffectiveDialEntry();
    if (entry.isEmpty() || entry.startsWith(QLatin1Char('[')) ||
        entry == Translate(QStringLiteral("[none]"), QStringLiteral("strRasNoneSelected")))
        return;
    TDialUpService& service = job.DialUp ? *job.DialUp : DefaultDialUpService();
    // An entry can be selected only when it exists; dialling an unknown entry is not attempted, and the
    // run reports that it could not connect.
    const bool selected = service.Entries().contains(entry);
    if (selected && service.IsActive(entry)) {
        context.LogMessage(TLogKind::lkWarning,
                           FormatText(Translate(QStringLiteral("Already connected to RAS (%s). Skipping."),
                                                QStringLiteral("strBackupRasAlreadyConnected")),
                                      {entry}));
        return;
    }
    const QString connecting = FormatText(
        Translate(QStringLiteral("Connecting to %s."), QStringLiteral("strBackupRasConnecting")), {entry});
    context.SetProgress(connecting, 100);
    context.LogMessage(TLogKind::lkSummary, connecting);
    if (selected)
        service.Dial(entry, [&context] { return context.StopRequested(); });
    if (selected && service.IsActive(entry)) {
        context.LogMessage(TLogKind::lkSummary,
                           FormatText(Translate(QStringLiteral("Connection established (%s)."),
                                                QStringLiteral("strBackupRasConnected")),
                                      {entry}));
    } else {
        context.LogMessage(TLogKind::lkError,
                           FormatText(Translate(QStringLiteral("Can't connect to %s."),
                                                QStringLiteral("strBackupRasConnectingError")),
                                      {entry}));
    }
}

}  // namespace

void BeforeSteps(TRunJob& job) {
    DialUpStep(job);
    RunBeforeProgram(job.Context);
}

void AfterSteps(TRunJob& job) {
    RunAfterProgram(job.Context);
}
