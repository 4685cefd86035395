#pragma once

#include <QString>
#include <QStringList>

#include "logging/LogTypes.h"
#include "packing/Launcher.h"
#include "packing/Packers.h"

// The built-in compressor: standard Zip archives through libzip (deflate levels 0 to 9, Zip64 where
// sizes or counts need it), entries encrypted with the task's CompressPassword by traditional PKWARE
// encryption or, when the task's CompressEncryption is "AES256", WinZip AES-256.
//
// An existing archive is updated: with BackupOverwriteNeverDestination every entry already there is
// replaced, otherwise only entries whose file is newer. Names inside the archive are relative to the
// root folder of each file: "/" with KeepStructureFromRoot, else the task's source folder that holds
// the file. Folder entries (ending with '/') are stored when the task's filters keep empty folders.
// Symbolic links are stored as links. The archive is written under a temporary name and renamed, so a
// failed or stopped operation leaves an existing archive as it was.
class TZipCompressor : public TCustomCompressor, public TCustomExternalLauncher {
public:
    TZipCompressor(const TTask& task, TRunContext* context);

    // Packs one file without any folder into archive.
    bool CompressFile(const QString& sourceFile, const QString& archive) override;
    // Packs every entry of the list, in list order, each under its path relative to its root folder.
    bool CompressFiles(const QStringList& fileList, const QString& archive) override;
    QString Extension() const override;

    // The number of files the last operation added or replaced.
    int FilesAddedOrUpdated() const { return added_; }
    // The comment every archive gets.
    static QString ArchiveComment();

    // Settings taken from the task at creation.
    const int Level;
    const QString Password;
    const bool ReplaceExisting;
    const bool FolderEntries;
    const quint16 EncryptionMethod;  // a libzip ZIP_EM_ value

private:
    bool Pack(const QStringList& files, const QString& archive, bool storePaths, bool& packedAll);
    QString RootFolderOf(const QString& path) const;
    void Log(TLogKind kind, const QString& text) const;
    bool Stopped() const;

    int added_ = 0;
};
