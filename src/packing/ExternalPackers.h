#pragma once

#include <QString>
#include <QStringList>

#include "packing/CommandTemplate.h"
#include "packing/Launcher.h"
#include "packing/PackerSettings.h"
#include "packing/Packers.h"

// An outside archiver driven by a definition's command templates. The commands run in the folder of the
// archive (the run's temporary folder), where the archiver makes the archive; the list file written for
// "%%L" is removed after every operation, also after a failed one.
class TExternalCompressor : public TCustomCompressor, public TCustomExternalLauncher {
public:
    TExternalCompressor(const TTask& task, TRunContext* context);
    ~TExternalCompressor() override;

    // Packs one file with the AddFiles template.
    bool CompressFile(const QString& sourceFile, const QString& archive) override;
    // Packs the whole list with the AddFilesAndFolders template: once when the template names the list
    // through "%%L", once per entry when it names single entries through "%%F".
    bool CompressFiles(const QStringList& fileList, const QString& archive) override;
    QString Extension() const override { return Commands.ArchiveExtension; }

    // The expansion of a template with this compressor's values; writes the list file for "%%L".
    TArchiverExpansion BuildCommand(const QString& templateText, int fileIndex);

    QString SingleFile;
    QStringList Files;
    QString ArchivePath;
    const TExternalCompressorCommands Commands;
    bool NoFilePlaceholder = true;
    const QString LevelSwitch;
    QString ListFilePath;

private:
    // Logs the command (password masked) and runs it, waiting for its end.
    TLaunchResult RunArchiverCommand(const TExpandedCommand& command);
    // Runs a command and its second command; false with the result of the one that failed.
    bool RunExpansion(const TArchiverExpansion& expansion, TLaunchResult& result);
    bool RunTemplate(const QString& templateText);
    void ReportFailure(const TLaunchResult& result);
    void RemoveListFile();
};

// The level switch of a definition for a compression level: LevelMin for 0 and 1, LevelMid for 2 to 7,
// LevelMax for 8 and 9, none for any other level.
QString LevelSwitchFor(const TExternalCompressorCommands& commands, int level);

// An outside encryptor driven by a definition's Crypt and Decrypt templates. Without a run (the decrypt
// wizard) it works in the program's temporary folder and logs nothing.
class TExternalEncryptor : public TCustomEncryptor, public TCustomExternalLauncher {
public:
    TExternalEncryptor(const TTask& task, TRunContext* context);

    bool EncryptFile(const QString& source, const QString& destination) override;
    bool DecryptFile(const QString& source, const QString& destination);
    QString Extension() const override { return Commands.Extension; }

    TEncryptorExpansion BuildCommand(const QString& templateText);

    QString SourcePath;
    QString DestinationPath;
    const TExternalEncryptorCommands Commands;

private:
    bool Run(const QString& templateText, bool encrypt);
};
