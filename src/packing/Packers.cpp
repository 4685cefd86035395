#include "packing/Packers.h"

#include <mutex>

namespace {
std::mutex factoryMutex;
TCompressorFactory compressorFactory;
TEncryptorFactory encryptorFactory;
}  // namespace

void SetCompressorFactory(TCompressorFactory factory) {
    std::lock_guard lock(factoryMutex);
    compressorFactory = std::move(factory);
}

void SetEncryptorFactory(TEncryptorFactory factory) {
    std::lock_guard lock(factoryMutex);
    encryptorFactory = std::move(factory);
}

std::unique_ptr<TCustomCompressor> CreateCompressor(const TTask& task, TRunContext& context) {
    TCompressorFactory factory;
    {
        std::lock_guard lock(factoryMutex);
        factory = compressorFactory;
    }
    return factory ? factory(task, context) : nullptr;
}

std::unique_ptr<TCustomEncryptor> CreateEncryptor(const TTask& task, TRunContext& context) {
    TEncryptorFactory factory;
    {
        std::lock_guard lock(factoryMutex);
        factory = encryptorFactory;
    }
    return factory ? factory(task, context) : nullptr;
}
