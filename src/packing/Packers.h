#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class TTask;
class TRunContext;

// A compressor of a run: the built-in Zip compressor or an external archiver. Both operations report
// their own failures to the run's log and return false.
class TCustomCompressor {
public:
    virtual ~TCustomCompressor() = default;
    // Packs one file into a new archive (one archive per file).
    virtual bool CompressFile(const QString& sourcePath, const QString& archivePath) = 0;
    // Packs every entry of the run's file list (files, and folders ending with '/') into one archive.
    virtual bool CompressFiles(const QStringList& files, const QString& archivePath) = 0;
    // The extension of the archives it makes, without the dot ("zip").
    virtual QString Extension() const = 0;
};

// An encryptor of a run: produces an encrypted copy of a file; reports its own failures.
class TCustomEncryptor {
public:
    virtual ~TCustomEncryptor() = default;
    virtual bool EncryptFile(const QString& sourcePath, const QString& targetPath) = 0;
    // The extension of the files it makes, without the dot.
    virtual QString Extension() const = 0;
};

// Makers of the packers of a run. The packing code registers them at start-up; without one, a task that
// compresses or encrypts cannot run and says so.
using TCompressorFactory = std::function<std::unique_ptr<TCustomCompressor>(const TTask&, TRunContext&)>;
using TEncryptorFactory = std::function<std::unique_ptr<TCustomEncryptor>(const TTask&, TRunContext&)>;
void SetCompressorFactory(TCompressorFactory factory);
void SetEncryptorFactory(TEncryptorFactory factory);
// None when no factory is registered.
std::unique_ptr<TCustomCompressor> CreateCompressor(const TTask& task, TRunContext& context);
std::unique_ptr<TCustomEncryptor> CreateEncryptor(const TTask& task, TRunContext& context);

// Installs the program's packers: the factories (the built-in Zip compressor for "BUILTIN", an outside
// archiver for every other compressor name, the outside encryptor), the extension look-ups of the task
// model and the load and save of the archiver and encryptor tables with the global settings. Called once
// at start-up; calling it again changes nothing.
void RegisterPackers();
