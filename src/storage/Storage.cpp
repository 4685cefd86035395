#include "storage/Storage.h"

#include "model/Task.h"
#include "platform/FileSystem.h"
#include "storage/FileUtils.h"

namespace {

TStorageFactory& FtpFactory() {
    static TStorageFactory factory;
    return factory;
}

}  // namespace

TCustomStorage::TCustomStorage(TRunContext& context) : context_(context) {}

TCustomStorage::~TCustomStorage() = default;

const TTask& TCustomStorage::Task() const {
    return context_.Task();
}

void TCustomStorage::SetPackExtensions(const QString& compressorExtension,
                                       const QString& encryptorExtension) {
    compressorExtension_ = compressorExtension;
    encryptorExtension_ = encryptorExtension;
}

bool TCustomStorage::IndexEnabled() const {
    return ::IndexEnabled(Task());
}

void TCustomStorage::SetIndexTime(const QString& path, TStorageSide side, TDateTime time) {
    if (IndexEnabled())
        Index(side).SetIndexTime(path, time);
}

TIndexFileItem* TCustomStorage::FindIndexItem(const QString& path, TStorageSide side) {
    return IndexEnabled() ? Index(side).Find(path) : nullptr;
}

TDateTime TCustomStorage::GetIndexTime(const QString& path, TStorageSide side) {
    return IndexEnabled() ? Index(side).GetIndexTime(path) : 0;
}

void TCustomStorage::RemoveIndexItem(TIndexFileItem* item, TStorageSide side) {
    if (IndexEnabled() && item)
        Index(side).Remove(item);
}

bool TCustomStorage::IndexLoaded(TStorageSide side) const {
    if (!IndexEnabled())
        return false;
    return side == TStorageSide::Destination ? DestinationIndex.Loaded : SourceIndex.Loaded;
}

namespace {

QString WithSlash(const QString& folder) {
    return folder.isEmpty() || folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

}  // namespace

bool TCustomStorage::LoadIndex(const QString& tempFolder, TStorageSide side) {
    try {
        if (!IndexEnabled())
            return false;
        const QString name = Task().IndexFileName();
        QString path = WithSlash(tempFolder) + name;
        if (!FetchIndexFile(name, path, side) || path.isEmpty())
            return false;
        // A file read where it lies (a local side) stays even when it is damaged: the user may want what
        // it holds, and the save at the end of the run replaces it in one step. A copy fetched from a
        // remote side is the run's own temporary file, removed after reading; a damaged original is
        // deleted at its place.
        const bool inPlace = path == SideRoot(side) + name;
        // Only a regular file is read: a FIFO of that name would block the run.
        FileSystem::TFileStatus status;
        const bool loaded = FileSystem::Status(path, status, true) == 0 && status.IsFile() &&
                            LoadIndexFile(path, Index(side));
        if (!inPlace) {
            const bool fetched = FileSystem::RemoveFile(path) == 0;
            if (fetched && !loaded)
                DeleteIndexFile(side);
        }
        return loaded;
    } catch (...) {
        return false;
    }
}

bool TCustomStorage::SaveIndex(const QString& tempFolder, TStorageSide side) {
    try {
        if (!IndexEnabled() || tempFolder.isEmpty())
            return false;
        const QString name = Task().IndexFileName();
        const QString path = WithSlash(tempFolder) + name;
        if (!SaveIndexFile(path, Index(side)))
            return false;
        QString located = path;
        if (!LocateIndexFile(name, located, side)) {
            FileSystem::RemoveFile(path);
            return false;
        }
        return StoreIndexFile(path, side);
    } catch (...) {
        return false;
    }
}

QString TCustomStorage::SideRoot(TStorageSide side) const {
    QString root =
        side == TStorageSide::Destination ? Task().DestinationFolder(-1) : Task().SourceFolderPath(0);
    if (!root.isEmpty() && !root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    return root;
}

void SetFtpStorageFactory(TStorageFactory factory) {
    FtpFactory() = std::move(factory);
}

std::unique_ptr<TCustomStorage> CreateStorage(const TTask& task, TRunContext& context) {
    switch (task.DestType) {
        case TDestKind::dkLocal:
            return std::make_unique<TLocalStorage>(context);
        case TDestKind::dkFtp:
            return FtpFactory() ? FtpFactory()(context) : nullptr;
        default:
            return nullptr;
    }
}
