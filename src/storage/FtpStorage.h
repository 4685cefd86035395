#pragma once

#include <QHash>
#include <QString>
#include <functional>
#include <memory>

#include "storage/FtpClient.h"
#include "storage/Storage.h"

// Storage on an FTP server (or FTPS, or SFTP): the destination tree lies below the task's remote base
// folder. The decisions per file are those of the local storage, with the remote file's listing entry
// and the destination index in place of the target file; versions and obsolete copies are kept on the
// server. One client connection serves the whole run; a broken connection is made again with the
// task's reconnection retries.
//
// Files reach the server under a temporary name in their folder and are renamed to their own name only
// when complete, so a broken transfer never leaves a truncated file under the name of a stored copy.
class TFtpStorage : public TLocalStorage {
public:
    explicit TFtpStorage(TRunContext& context);
    ~TFtpStorage() override;

    bool Connect() override;
    bool Disconnect() override;
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

    // Where a packed file or the single archive goes: the current remote folder + its file name.
    QString ArchiveStagingPath() const;
    QString FileStagingPath(const QString& path) const;

    // The remote path of a new version (or obsolete copy) of a remote file, its folder made and the
    // quota applied; empty when the folder cannot be made (the run is then asked to stop).
    QString MakeFtpVersionPath(const QString& remotePath);
    QString MakeFtpObsoleteArchivePath(const QString& remotePath, const QString& root);
    bool ApplyFtpObsoleteAction(const QString& remotePath);
    bool DeleteEmptyRemoteFoldersUpward(const QString& folder, const QString& stopAt);

    QString CurrentRemoteFolder() const { return currentFolder_; }
    TFtpClient& Client() { return client_; }
    // The client settings of the task's destination (host, login, mode, security, bandwidth).
    static TFtpSettings SettingsOf(const TTask& task);

private:
    enum class TOutcome { Copied, Skipped, Failed };

    bool ConnectionLoop();
    // Runs a client operation; a lost connection is logged and made again (the operation is not
    // repeated here).
    TFtpStatus Call(const std::function<TFtpStatus()>& operation);
    void LogLine(bool sent, const QString& line);
    bool Progress(qint64 done, qint64 total);

    bool ChangeFolder(const QString& path);
    // madeLast (when given) tells whether the deepest level was made by this call, so it is empty.
    bool CreateFolder(const QString& path, bool* madeLast = nullptr);
    bool CreateFolderWithRetries(const QString& path, bool* madeLast = nullptr);
    // listed: the caller has just failed to change into path, so it is not listed again before it is made.
    bool ChangeFolderCreating(const QString& path, bool listed = false);
    // The listing entry of a remote path (its folder is changed into when it is not the current one).
    const TFtpEntry* RemoteEntry(const QString& path);
    bool RemoteFileExists(const QString& path);

    TOutcome CopyWithFtpRules(const QString& source, const QString& remote);
    // Uploads a local file to remotePath through a temporary name; retries after a lost connection
    // while the run has retries left. False (nothing under remotePath changed) on failure.
    bool UploadFile(const QString& localPath, const QString& remotePath);
    bool UploadPacked(const QString& tempFile, const QString& remotePath);
    void Forget(const QString& remotePath);
    void Remember(const QString& remotePath, bool folder, qint64 size);

    TFtpClient client_;
    TFtpSettings settings_;
    QString currentFolder_;              // with a trailing '/'; empty until a folder was changed into
    QHash<QString, TFtpEntry> listing_;  // the entries of currentFolder_, by exact name
    bool listingStale_ = false;          // listing_ was taken for the index file, not for the files
    bool connecting_ = true;
    int attempts_ = 0;
};

// Lets runs of FTP tasks use TFtpStorage.
void RegisterFtpStorage();

// The hidden temporary name in the same folder under which a file is uploaded before it is renamed.
QString FtpUploadTempPath(const QString& remotePath);
