#include "model/Task.h"
#include "storage/Storage.h"

TLocalStorage::TLocalStorage(TRunContext& context) : TCustomStorage(context), transfer_(context) {}

TLocalStorage::~TLocalStorage() = default;

bool TLocalStorage::ForceDestinationFolder(const QString& sourceFolder) {
    return transfer_.ForceFolderLike(Task().DestinationPathOf(sourceFolder), sourceFolder);
}

bool TLocalStorage::ForceSourceFolder(const QString& destinationFolder) {
    return transfer_.ForceFolderLike(Task().SourcePathOf(destinationFolder), destinationFolder);
}

bool TLocalStorage::PutFileToDestination(const QString&) {
    return false;
}

bool TLocalStorage::PutFileToSource(const QString&) {
    return false;
}

bool TLocalStorage::StoreEncryptedFile(const QString&, const QString&) {
    return false;
}

bool TLocalStorage::StoreIndexFile(const QString&, TStorageSide) {
    return false;
}

bool TLocalStorage::StoreArchive(const QString&) {
    return false;
}

bool TLocalStorage::StoreCompressedFile(const QString&, const QString&) {
    return false;
}

bool TLocalStorage::StoreEncryptedArchive(const QString&) {
    return false;
}

bool TLocalStorage::FetchIndexFile(const QString& fileName, QString& path, TStorageSide side) {
    path = SideRoot(side) + fileName;
    return true;
}

bool TLocalStorage::LocateIndexFile(const QString& fileName, QString& path, TStorageSide side) {
    return FetchIndexFile(fileName, path, side);
}

bool TLocalStorage::DeleteIndexFile(TStorageSide) {
    return false;
}

bool TLocalStorage::MayTransfer(const QString&, TStorageSide) {
    return true;
}

bool TLocalStorage::CopyWithRules(const QString&, const QString&, TStorageSide) {
    return false;
}

bool TLocalStorage::MoveWithRules(const QString&, const QString&) {
    return false;
}

bool TLocalStorage::StorePackedFile(const QString&, const QString&, bool) {
    return false;
}
