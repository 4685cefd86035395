#include "packing/Packers.h"

#include <mutex>

#include "model/Task.h"
#include "packing/ExternalPackers.h"
#include "packing/PackerSettings.h"
#include "packing/ZipCompressor.h"
#include "settings/GlobalSettings.h"

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

void RegisterPackers() {
    SetCompressorFactory([](const TTask& task, TRunContext& context) -> std::unique_ptr<TCustomCompressor> {
        if (task.CompressType == TExternalCompressorsSettings::BuiltinName)
            return std::make_unique<TZipCompressor>(task, &context);
        return std::make_unique<TExternalCompressor>(task, &context);
    });
    SetEncryptorFactory([](const TTask& task, TRunContext& context) -> std::unique_ptr<TCustomEncryptor> {
        return std::make_unique<TExternalEncryptor>(task, &context);
    });
    SetCompressorExtensionLookup([](const QString& name) {
        std::lock_guard lock(PackerSettingsMutex());
        return ExternalCompressors().CompressorExtension(name);
    });
    SetEncryptorExtensionLookup([](const QString& name) {
        std::lock_guard lock(PackerSettingsMutex());
        return ExternalEncryptors().EncryptorExtension(name);
    });
    RegisterGlobalSettingsTable(
        QStringLiteral("External Compressors"),
        [] {
            std::lock_guard lock(PackerSettingsMutex());
            ExternalCompressors().Load();
        },
        [] {
            std::lock_guard lock(PackerSettingsMutex());
            ExternalCompressors().Save();
        });
    RegisterGlobalSettingsTable(
        QStringLiteral("External Encryptors"),
        [] {
            std::lock_guard lock(PackerSettingsMutex());
            ExternalEncryptors().Load();
        },
        [] {
            std::lock_guard lock(PackerSettingsMutex());
            ExternalEncryptors().Save();
        });
}
