#include "storage/Storage.h"

#include <exception>

#include "model/Task.h"
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

bool TCustomStorage::LoadIndex(const QString&, TStorageSide) {
    return false;
}

bool TCustomStorage::SaveIndex(const QString&, TStorageSide) {
    return false;
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
