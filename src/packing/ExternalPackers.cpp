#include "packing/ExternalPackers.h"

#include <exception>

#include "logging/RunContext.h"
#include "model/Task.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "settings/FormatText.h"
#include "settings/GlobalSettings.h"
#include "settings/Language.h"

namespace {

QString ListFileName() {
    return QStringLiteral("filelist.lst");
}

QString WithSlash(const QString& folder) {
    return folder.isEmpty() || folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

// Splits a command at its first blank into program and parameters, as the launcher joins them again.
void SplitProgram(const QString& command, QString& program, QString& parameters) {
    const qsizetype blank = command.indexOf(QLatin1Char(' '));
    program = blank < 0 ? command : command.left(blank);
    parameters = blank < 0 ? QString() : command.mid(blank + 1);
}

QString AbnormalExitText(quint32 exitCode) {
    return FormatText(Translate(QStringLiteral("Command executed, but abnormal exit code returned: %d."),
                                QStringLiteral("strExternalLaunchAbnormalExitCode")),
                      {QString::number(exitCode)});
}

// The program's temporary folder, for work outside a run.
QString ProgramTempFolder() {
    const TPerformanceSettings& performance = GlobalSettings().Performance;
    const QString folder = performance.TempDirDefault ? Paths::SystemTempFolder() : performance.TempDirCustom;
    return folder.isEmpty() ? QStringLiteral("/tmp/") : WithSlash(folder);
}

}  // namespace

QString LevelSwitchFor(const TExternalCompressorCommands& commands, int level) {
    if (level == 0 || level == 1)
        return commands.LevelMin.trimmed();
    if (level >= 2 && level <= 7)
        return commands.LevelMid.trimmed();
    if (level == 8 || level == 9)
        return commands.LevelMax.trimmed();
    return {};
}

// --- archiver -----------------------------------------------------------------------------------------

TExternalCompressor::TExternalCompressor(const TTask& task, TRunContext* context)
    : TCustomExternalLauncher(task, context),
      Commands(CompressorCommands(task.CompressType)),
      LevelSwitch(LevelSwitchFor(Commands, task.CompressLevel)) {}

TExternalCompressor::~TExternalCompressor() {
    RemoveListFile();
}

TArchiverExpansion TExternalCompressor::BuildCommand(const QString& templateText, int fileIndex) {
    TArchiverTemplateValues values;
    values.ArchivePath = ArchivePath;
    values.TempFolder =
        RunThread() ? RunThread()->TempFolder() : WithSlash(FileSystem::ParentFolder(ArchivePath));
    values.Password = Task.CompressPassword;
    values.Files = Files;
    values.LevelSwitch = LevelSwitch;
    values.FileIndex = fileIndex;
    values.ListFilePath = WithSlash(FileSystem::ParentFolder(ArchivePath)) + ListFileName();
    TArchiverExpansion expansion = ExpandArchiverTemplate(templateText, values);
    NoFilePlaceholder = expansion.NoFilePlaceholder;
    if (expansion.ListFileWritten)
        ListFilePath = values.ListFilePath;
    // A template without "%%E" accepts only 0: a limit of an earlier template does not carry over.
    MaxSuccessExitCode = expansion.MaxSuccessExitCode.value_or(0);
    return expansion;
}

TLaunchResult TExternalCompressor::RunArchiverCommand(const TExpandedCommand& command) {
    if (TRunContext* run = RunThread())
        run->LogMessage(TLogKind::lkSummary,
                        FormatText(QStringLiteral("Command executed (%s)!"), {command.LogText}));
    QString program, parameters;
    SplitProgram(command.Command, program, parameters);
    // The archive's folder is the run's temporary folder; "%%A" names the archive relative to it.
    return LaunchProgram(FileSystem::ParentFolder(ArchivePath), program, parameters, true);
}

bool TExternalCompressor::RunExpansion(const TArchiverExpansion& expansion, TLaunchResult& result) {
    result = RunArchiverCommand(expansion.Command);
    if (result.Success && expansion.SecondCommand)
        result = RunArchiverCommand(*expansion.SecondCommand);
    return result.Success;
}

void TExternalCompressor::ReportFailure(const TLaunchResult& result) {
    TRunContext* run = RunThread();
    if (!run || result.Stopped)
        return;  // a stopped run ends the operation without a message of its own
    const QString description = FileSystem::ErrorText(result.LastError);
    const QString code = QString::number(result.LastError);
    if (result.LastError >= 0)
        run->LogMessage(
            TLogKind::lkError,
            SingleFile.isEmpty()
                ? FormatText(
                      QStringLiteral("Error compressing files! (Description: %s; System error code: %d)."),
                      {description, code})
                : FormatText(
                      QStringLiteral("Error compressing file \"%s\"! (Description: %s; System error code: "
                                     "%d)."),
                      {SingleFile, description, code}));
    else
        run->LogMessage(TLogKind::lkWarning, AbnormalExitText(result.ExitCode));
}

bool TExternalCompressor::RunTemplate(const QString& templateText) {
    bool success = false;
    try {
        const bool perEntry = templateText.contains(QStringLiteral("%%F"));
        // A "%%F" template names one entry per command, so a list takes one command per entry; the
        // single-file operation names its one file.
        const int commands = perEntry ? static_cast<int>(Files.size()) : 1;
        for (int index = 0; index < commands; ++index) {
            const TArchiverExpansion expansion = BuildCommand(templateText, perEntry ? index : -1);
            if (!expansion.Ok) {
                if (RunThread())
                    RunThread()->LogMessage(
                        TLogKind::lkError,
                        FormatText(Translate(QStringLiteral("The list file \"%s\" cannot be written (%s)."),
                                             QStringLiteral("strExternalListFileError")),
                                   {WithSlash(FileSystem::ParentFolder(ArchivePath)) + ListFileName(),
                                    expansion.Error}));
                success = false;
                break;
            }
            if (RunThread()) {
                for (const QString& skipped : expansion.SkippedEntries)
                    RunThread()->LogMessage(
                        TLogKind::lkWarning,
                        FormatText(
                            Translate(QStringLiteral("\"%s\" holds a line break in its name and cannot "
                                                     "be written to the list file; it is left out."),
                                      QStringLiteral("strExternalListFileLineBreak")),
                            {skipped}));
            }
            if (!expansion.SkippedEntries.isEmpty() && expansion.SkippedEntries.size() == Files.size()) {
                success = false;  // nothing left to pack
                break;
            }
            TLaunchResult result;
            success = RunExpansion(expansion, result);
            if (!success) {
                ReportFailure(result);
                break;
            }
        }
    } catch (const std::exception&) {
        // The result stays what the commands reached before.
    }
    RemoveListFile();
    return success;
}

bool TExternalCompressor::CompressFile(const QString& sourceFile, const QString& archive) {
    SingleFile = sourceFile;
    Files = QStringList{sourceFile};
    ArchivePath = archive;
    return RunTemplate(Commands.AddFiles);
}

bool TExternalCompressor::CompressFiles(const QStringList& fileList, const QString& archive) {
    SingleFile.clear();
    Files = fileList;
    ArchivePath = archive;
    return RunTemplate(Commands.AddFilesAndFolders);
}

void TExternalCompressor::RemoveListFile() {
    if (!ListFilePath.isEmpty()) {
        FileSystem::RemoveFile(ListFilePath);
        ListFilePath.clear();
    }
}

// --- encryptor ----------------------------------------------------------------------------------------

TExternalEncryptor::TExternalEncryptor(const TTask& task, TRunContext* context)
    : TCustomExternalLauncher(task, context), Commands(EncryptorCommands(task.CryptType)) {}

TEncryptorExpansion TExternalEncryptor::BuildCommand(const QString& templateText) {
    TEncryptorExpansion expansion =
        ExpandEncryptorTemplate(templateText, {SourcePath, DestinationPath, Task.CryptPassword});
    MaxSuccessExitCode = expansion.MaxSuccessExitCode.value_or(0);
    return expansion;
}

bool TExternalEncryptor::EncryptFile(const QString& source, const QString& destination) {
    SourcePath = source;
    DestinationPath = destination;
    return Run(Commands.Crypt, true);
}

bool TExternalEncryptor::DecryptFile(const QString& source, const QString& destination) {
    SourcePath = source;
    DestinationPath = destination;
    return Run(Commands.Decrypt, false);
}

bool TExternalEncryptor::Run(const QString& templateText, bool encrypt) {
    TRunContext* run = RunThread();
    TLaunchResult result;
    try {
        const TEncryptorExpansion expansion = BuildCommand(templateText);
        if (run)
            run->LogMessage(TLogKind::lkSummary, FormatText(QStringLiteral("Command executed (%s)!"),
                                                            {expansion.Command.LogText}));
        QString program, parameters;
        SplitProgram(expansion.Command.Command, program, parameters);
        result = LaunchProgram(run ? run->TempFolder() : ProgramTempFolder(), program, parameters, true);
    } catch (const std::exception&) {
        return false;
    }
    if (result.Success)
        return true;
    if (!run || result.Stopped)
        return false;
    if (result.LastError >= 0) {
        const QString text =
            encrypt ? QStringLiteral("Encryption error! (Description: %s; System error code: %d).")
                    : QStringLiteral("Decryption error! (Description: %s; System error code: %d).");
        run->LogMessage(TLogKind::lkError, FormatText(text, {FileSystem::ErrorText(result.LastError),
                                                             QString::number(result.LastError)}));
    } else {
        run->LogMessage(TLogKind::lkWarning, AbnormalExitText(result.ExitCode));
    }
    return false;
}
