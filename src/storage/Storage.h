#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

#include "logging/RunContext.h"
#include "platform/DateTime.h"
#include "storage/IndexFile.h"
#include "storage/Transfer.h"

class TTask;

// The two sides a storage works on: the destination folder tree, and the first source folder of the
// task (used by synchronisation).
enum class TStorageSide { Source, Destination };

// The back end a run talks to for its destination. It owns the run's two index lists and declares the
// operations the run performs on files, folders, archives and index files. Every operation first looks
// at the run's stop request and does nothing (false) when it is set; no operation throws.
class TCustomStorage {
public:
    explicit TCustomStorage(TRunContext& context);
    virtual ~TCustomStorage();
    TCustomStorage(const TCustomStorage&) = delete;
    TCustomStorage& operator=(const TCustomStorage&) = delete;

    const TTask& Task() const;
    TRunContext& Context() const { return context_; }

    // Extensions (without the dot) of the run's compressor and encryptor, for the stored names of
    // packed files. Empty when the run does not pack.
    void SetPackExtensions(const QString& compressorExtension, const QString& encryptorExtension);
    QString CompressorExtension() const { return compressorExtension_; }
    QString EncryptorExtension() const { return encryptorExtension_; }

    // --- Index files. Every operation does nothing (no item, time 0, false) unless IndexEnabled.
    TIndexList SourceIndex;
    TIndexList DestinationIndex;
    TIndexList& Index(TStorageSide side) {
        return side == TStorageSide::Destination ? DestinationIndex : SourceIndex;
    }
    bool IndexEnabled() const;
    void SetIndexTime(const QString& path, TStorageSide side, TDateTime time);
    TIndexFileItem* FindIndexItem(const QString& path, TStorageSide side);
    TDateTime GetIndexTime(const QString& path, TStorageSide side);
    void RemoveIndexItem(TIndexFileItem* item, TStorageSide side);
    bool IndexLoaded(TStorageSide side) const;
    // Reads the side's index file (fetched into tempFolder when the back end is remote); false when it
    // is missing or damaged (the items read before the damage stay).
    bool LoadIndex(const QString& tempFolder, TStorageSide side);
    // Writes the side's list to tempFolder and puts it at the side's root.
    bool SaveIndex(const QString& tempFolder, TStorageSide side);

    // --- The back end.
    virtual bool Connect() = 0;
    virtual bool Disconnect() = 0;
    // Makes the counterpart of a source folder at the destination (of a destination folder at the
    // source), with the model folder's times and permission bits.
    virtual bool ForceDestinationFolder(const QString& sourceFolder) = 0;
    virtual bool ForceSourceFolder(const QString& destinationFolder) = 0;
    // Copies (or, for a move, moves) one file to its place at the destination, by the copy rules.
    virtual bool PutFileToDestination(const QString& sourcePath) = 0;
    // Copies one destination file back to the first source folder (synchronisation).
    virtual bool PutFileToSource(const QString& destinationPath) = 0;
    // Packed files: move the temporary packed file to its final name.
    virtual bool StoreEncryptedFile(const QString& sourcePath, const QString& tempFile) = 0;
    virtual bool StoreIndexFile(const QString& tempFile, TStorageSide side) = 0;
    virtual bool StoreArchive(const QString& tempArchive) = 0;
    virtual bool StoreCompressedFile(const QString& sourcePath, const QString& tempFile) = 0;
    virtual bool StoreEncryptedArchive(const QString& tempArchive) = 0;
    // Index file places: path (in/out) is pointed at a readable (fetch) or writable (locate) local file.
    virtual bool FetchIndexFile(const QString& fileName, QString& path, TStorageSide side) = 0;
    virtual bool LocateIndexFile(const QString& fileName, QString& path, TStorageSide side) = 0;
    virtual bool DeleteIndexFile(TStorageSide side) = 0;
    // Keeps an existing destination file as a version before it is overwritten.
    virtual void SaveFileVersion(const QString& path) = 0;
    // Handles the stored files of the side whose index items no current file claimed.
    virtual void ProcessObsoleteFiles(TStorageSide side) = 0;
    // The synchronisation guard: false for a file whose copy on the other side has disappeared since
    // the last synchronisation.
    virtual bool MayTransfer(const QString& path, TStorageSide side) = 0;

protected:
    // The root of a side: the destination root, or the first source folder; with a trailing '/'.
    QString SideRoot(TStorageSide side) const;

private:
    TRunContext& context_;
    QString compressorExtension_;
    QString encryptorExtension_;
};

// Storage in a local or mounted folder.
class TLocalStorage : public TCustomStorage {
public:
    explicit TLocalStorage(TRunContext& context);
    ~TLocalStorage() override;

    bool Connect() override { return true; }
    // The end of the run's work on the storage: the copies made are synced to their disks.
    bool Disconnect() override { return transfer_.FlushWrites(); }
    bool ForceDestinationFolder(const QString& sourceFolder) override;
    bool ForceSourceFolder(const QString& destinationFolder) override;
    bool PutFileToDestination(const QString& sourcePath) override;
    bool PutFileToSource(const QString& destinationPath) override;
    bool StoreEncryptedFile(const QString& sourcePath, const QString& tempFile) override;
    bool StoreIndexFile(const QString& tempFile, TStorageSide side) override;
    bool StoreArchive(const QString& tempArchive) override;
    bool StoreCompressedFile(const QString& sourcePath, const QString& tempFile) override;
    bool StoreEncryptedArchive(const QString& tempArchive) override;
    bool FetchIndexFile(const QString& fileName, QString& path, TStorageSide side) override;
    bool LocateIndexFile(const QString& fileName, QString& path, TStorageSide side) override;
    bool DeleteIndexFile(TStorageSide side) override;
    void SaveFileVersion(const QString& path) override;
    void ProcessObsoleteFiles(TStorageSide side) override;
    bool MayTransfer(const QString& path, TStorageSide side) override;

    // The decision and the copy of one file from s to t (the date, size, empty-file and in-use rules).
    bool CopyWithRules(const QString& source, const QString& target, TStorageSide side);
    // The same for a move (always to the destination side).
    bool MoveWithRules(const QString& source, const QString& target);

    // Versions and obsolete copies. The target folder is made when missing; a folder that cannot be
    // made stops the run and gives an empty path. Over-quota copies are deleted before the new name is
    // returned.
    QString MakeVersionPath(const QString& path);
    QString MakeObsoleteArchivePath(const QString& path, const QString& sideRoot);
    // Deletes, recycles or moves an obsolete file by the task's DeleteKind; true when it was done.
    bool ApplyObsoleteAction(const QString& path, TStorageSide side);
    // Removes folder and then its parents while they are empty, never going above stopAt (the side's
    // root, which itself is kept).
    bool DeleteEmptyFoldersUpward(const QString& folder, const QString& stopAt);

    TTransfer& Transfer() { return transfer_; }

private:
    bool StorePackedFile(const QString& tempFile, const QString& finalName, bool copyErrorText);
    TTransfer transfer_;
};

// Makes the storage for the task's destination type: local or FTP; none for the other types (or when the
// FTP back end is not linked in). The FTP storage registers its maker at start-up.
using TStorageFactory = std::function<std::unique_ptr<TCustomStorage>(TRunContext&)>;
void SetFtpStorageFactory(TStorageFactory factory);
std::unique_ptr<TCustomStorage> CreateStorage(const TTask& task, TRunContext& context);

// Copy names of versions and obsolete files: base + " (Version 2008-01-02 10-11-12)" + extension.
QString VersionCopyName(const QString& fileName, const QString& tag, const QDateTime& stamp);
