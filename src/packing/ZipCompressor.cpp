#include "packing/ZipCompressor.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <QSet>
#include <memory>

#include "logging/RunContext.h"
#include "model/Filters.h"
#include "model/Task.h"
#include "platform/FileSystem.h"
#include "settings/FormatText.h"
#include "settings/Language.h"

namespace {

constexpr int kDefaultLevel = 6;

quint16 MethodFor(const TTask& task) {
    if (task.CompressPassword.isEmpty())
        return ZIP_EM_NONE;
    return task.CompressEncryption == QLatin1String("AES256") ? ZIP_EM_AES_256 : ZIP_EM_TRAD_PKWARE;
}

int LevelFor(int level) {
    return level >= 0 && level <= 9 ? level : kDefaultLevel;
}

QString ZipErrorText(zip_error_t* error) {
    return QString::fromUtf8(zip_error_strerror(error));
}

QString ZipErrorText(zip_t* archive) {
    return ZipErrorText(zip_get_error(archive));
}

struct TZipDiscard {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using TZipHandle = std::unique_ptr<zip_t, TZipDiscard>;

// The name of an entry as bytes: the path below its root, '/'-separated, never absolute.
QByteArray EntryName(QString relative) {
    while (relative.startsWith(QLatin1Char('/')))
        relative.remove(0, 1);
    return EncodeFileName(relative);
}

// Unix mode bits in the upper half of the external attributes, as Info-ZIP and 7-Zip read them; folders
// also carry the DOS folder bit.
zip_uint32_t ExternalAttributes(mode_t mode) {
    zip_uint32_t attributes = static_cast<zip_uint32_t>(mode & 0xFFFF) << 16;
    if (S_ISDIR(mode))
        attributes |= 0x10;
    return attributes;
}

}  // namespace

TZipCompressor::TZipCompressor(const TTask& task, TRunContext* context)
    : TCustomExternalLauncher(task, context),
      Level(LevelFor(task.CompressLevel)),
      Password(task.CompressPassword),
      ReplaceExisting(task.BackupOverwriteNeverDestination),
      FolderEntries(IncludesEmptyFolders(task.Filters)),
      EncryptionMethod(MethodFor(task)) {
    if (EncryptionMethod != ZIP_EM_NONE && !zip_encryption_method_supported(EncryptionMethod, 1)) {
        // Packing without the encryption the user asked for would store the files readable by anyone.
        Log(TLogKind::lkError,
            FormatText(Translate(QStringLiteral("The Zip encryption \"%s\" is not available on this system."),
                                 QStringLiteral("strZipEncryptionUnavailable")),
                       {task.CompressEncryption}));
        if (RunThread())
            RunThread()->RequestStop();
    }
}

QString TZipCompressor::Extension() const {
    return CompressorExtension(QStringLiteral("BUILTIN"));
}

QString TZipCompressor::ArchiveComment() {
    return QStringLiteral("Created with Tarnovex https://tarnovex.org/");
}

void TZipCompressor::Log(TLogKind kind, const QString& text) const {
    if (TRunContext* run = RunThread())
        run->LogMessage(kind, text);
}

bool TZipCompressor::Stopped() const {
    TRunContext* run = RunThread();
    return run && run->StopRequested();
}

QString TZipCompressor::RootFolderOf(const QString& path) const {
    if (Task.KeepStructureFromRoot)
        return QStringLiteral("/");
    const int folder = Task.FindSourceFolder(path);
    return folder < 0 ? QStringLiteral("/") : Task.SourceFolderPath(folder);
}

bool TZipCompressor::CompressFile(const QString& sourceFile, const QString& archive) {
    bool packedAll = false;
    if (Pack(QStringList{sourceFile}, archive, false, packedAll) && packedAll)
        return true;
    Log(TLogKind::lkError,
        FormatText(QStringLiteral("Compression failed (%s)!"), {FileSystem::FileNameOf(archive)}));
    return false;
}

bool TZipCompressor::CompressFiles(const QStringList& fileList, const QString& archive) {
    bool packedAll = false;
    return Pack(fileList, archive, true, packedAll);
}

bool TZipCompressor::Pack(const QStringList& files, const QString& archive, bool storePaths,
                          bool& packedAll) {
    added_ = 0;
    packedAll = true;
    if (EncryptionMethod != ZIP_EM_NONE && !zip_encryption_method_supported(EncryptionMethod, 1))
        return false;
    TRunContext* run = RunThread();
    if (run) {
        run->SetProgress(
            Translate(QStringLiteral("Compressing"), QStringLiteral("strBackupProgressCompressing")), 100);
        run->SetProgressDone(0);
    }
    Log(TLogKind::lkFile, FormatText(QStringLiteral("Creating archive file \"%s\"..."), {archive}));

    int openError = 0;
    const QByteArray archiveBytes = EncodeFileName(archive);
    TZipHandle zip(zip_open(archiveBytes.constData(), ZIP_CREATE, &openError));
    if (!zip) {
        zip_error_t error;
        zip_error_init_with_code(&error, openError);
        Log(TLogKind::lkWarning, FormatText(Translate(QStringLiteral("Compressor message: \"%s %s\"."),
                                                      QStringLiteral("strBackupFileCompresMessage")),
                                            {archive, ZipErrorText(&error)}));
        zip_error_fini(&error);
        return false;
    }
    const QByteArray comment = ArchiveComment().toUtf8();
    zip_set_archive_comment(zip.get(), comment.constData(), static_cast<zip_uint16_t>(comment.size()));
    const QByteArray password = Password.toUtf8();

    const auto message = [this](const QString& first, const QString& second) {
        Log(TLogKind::lkWarning, FormatText(Translate(QStringLiteral("Compressor message: \"%s %s\"."),
                                                      QStringLiteral("strBackupFileCompresMessage")),
                                            {first, second}));
    };

    QSet<QByteArray> namesOfThisRun;
    for (const QString& path : files) {
        if (Stopped())
            return false;
        const bool folder = path.endsWith(QLatin1Char('/'));
        if (folder && (!FolderEntries || !storePaths))
            continue;
        const QString root = storePaths ? RootFolderOf(path) : QString();
        Log(TLogKind::lkFile, FormatText(Translate(QStringLiteral("Compressing \"%s\"."),
                                                   QStringLiteral("strBackupFileCompressing")),
                                         {path}) +
                                  FormatText(QStringLiteral(" (%s)"), {root}));

        FileSystem::TFileStatus status;
        if (const int error = FileSystem::Status(path, status); error != 0) {
            message(path, FileSystem::ErrorText(error));
            packedAll = false;
            continue;
        }
        QByteArray name =
            storePaths ? EntryName(path.mid(root.size())) : EntryName(FileSystem::FileNameOf(path));
        if (name.isEmpty() || name == "/")
            continue;
        if (namesOfThisRun.contains(name)) {
            // Two source folders hold files of the same relative name: the second is stored with its
            // path from the top, so that neither replaces the other inside the archive.
            const QByteArray full = EntryName(path);
            message(path, FormatText(Translate(QStringLiteral("The name \"%s\" is taken in this archive; "
                                                              "stored as \"%s\"."),
                                               QStringLiteral("strBackupFileCompressNameTaken")),
                                     {DecodeFileName(name), DecodeFileName(full)}));
            name = full;
        }
        namesOfThisRun.insert(name);

        if (folder) {
            if (zip_name_locate(zip.get(), name.constData(), ZIP_FL_ENC_RAW) >= 0)
                continue;
            const zip_int64_t index = zip_dir_add(zip.get(), name.constData(), ZIP_FL_ENC_GUESS);
            if (index < 0) {
                message(path, ZipErrorText(zip.get()));
                continue;
            }
            zip_file_set_external_attributes(zip.get(), static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                             ExternalAttributes(status.mode));
            zip_file_set_mtime(zip.get(), static_cast<zip_uint64_t>(index), status.modificationTime.tv_sec,
                               0);
            continue;
        }

        const zip_int64_t existing = zip_name_locate(zip.get(), name.constData(), ZIP_FL_ENC_RAW);
        if (existing >= 0 && !ReplaceExisting) {
            // Zip stamps have 2-second steps: the file counts as newer only beyond its entry's stamp.
            zip_stat_t entry;
            zip_stat_init(&entry);
            const time_t fileTime = status.modificationTime.tv_sec - (status.modificationTime.tv_sec & 1);
            if (zip_stat_index(zip.get(), static_cast<zip_uint64_t>(existing), 0, &entry) == 0 &&
                (entry.valid & ZIP_STAT_MTIME) && fileTime <= entry.mtime)
                continue;
        }

        zip_source_t* source = nullptr;
        zip_error_t error;
        zip_error_init(&error);
        if (status.IsSymLink()) {
            QString target;
            if (const int linkError = FileSystem::ReadSymLink(path, target); linkError != 0) {
                message(path, FileSystem::ErrorText(linkError));
                packedAll = false;
                continue;
            }
            const QByteArray bytes = EncodeFileName(target);
            void* copy = ::malloc(static_cast<size_t>(bytes.size()) + 1);
            if (copy)
                ::memcpy(copy, bytes.constData(), static_cast<size_t>(bytes.size()));
            source = copy ? zip_source_buffer_create(copy, static_cast<zip_uint64_t>(bytes.size()), 1, &error)
                          : nullptr;
            if (!source)
                ::free(copy);
        } else if (status.IsFile()) {
            // Opened once now, so that a file that cannot be read is left out with a message instead of
            // failing the whole archive when it is written.
            int fd = -1;
            if (const int openFailure = FileSystem::OpenForReading(path, fd); openFailure != 0) {
                message(path, FileSystem::ErrorText(openFailure));
                packedAll = false;
                continue;
            }
            ::close(fd);
            const QByteArray pathBytes = EncodeFileName(path);
            source = zip_source_file_create(pathBytes.constData(), 0, -1, &error);
        } else {
            continue;  // folders without folder entries, and special files, have no data to pack
        }
        if (!source) {
            message(path, ZipErrorText(&error));
            zip_error_fini(&error);
            packedAll = false;
            continue;
        }
        zip_error_fini(&error);

        zip_int64_t index = existing;
        if (existing >= 0) {
            if (zip_file_replace(zip.get(), static_cast<zip_uint64_t>(existing), source, 0) != 0)
                index = -1;
        } else {
            index = zip_file_add(zip.get(), name.constData(), source, ZIP_FL_ENC_GUESS);
        }
        if (index < 0) {
            zip_source_free(source);
            message(path, ZipErrorText(zip.get()));
            packedAll = false;
            continue;
        }
        const auto entry = static_cast<zip_uint64_t>(index);
        if (status.IsSymLink())
            zip_set_file_compression(zip.get(), entry, ZIP_CM_STORE, 0);
        else if (Level == 0)
            zip_set_file_compression(zip.get(), entry, ZIP_CM_STORE, 0);
        else
            zip_set_file_compression(zip.get(), entry, ZIP_CM_DEFLATE, static_cast<zip_uint32_t>(Level));
        zip_file_set_external_attributes(zip.get(), entry, 0, ZIP_OPSYS_UNIX,
                                         ExternalAttributes(status.mode));
        zip_file_set_mtime(zip.get(), entry, status.modificationTime.tv_sec, 0);
        if (EncryptionMethod != ZIP_EM_NONE &&
            zip_file_set_encryption(zip.get(), entry, EncryptionMethod, password.constData()) != 0) {
            // An entry that cannot be encrypted must not be stored readable: the archive fails.
            message(path, ZipErrorText(zip.get()));
            return false;
        }
        ++added_;
    }

    // The data is read, compressed and written while the archive is closed; progress and the stop
    // request are looked at throughout.
    zip_register_progress_callback_with_state(
        zip.get(), 0.01,
        [](zip_t*, double done, void* self) {
            if (TRunContext* r = static_cast<TZipCompressor*>(self)->RunThread())
                r->SetProgressDone(static_cast<qint64>(done * 100.0 + 0.5));
        },
        nullptr, this);
    zip_register_cancel_callback_with_state(
        zip.get(), [](zip_t*, void* self) { return static_cast<TZipCompressor*>(self)->Stopped() ? 1 : 0; },
        nullptr, this);
    if (zip_close(zip.get()) != 0) {
        if (zip_error_code_zip(zip_get_error(zip.get())) != ZIP_ER_CANCELLED)
            message(archive, ZipErrorText(zip.get()));
        return false;  // the handle is discarded; an existing archive stays as it was
    }
    (void)zip.release();  // closed
    Log(TLogKind::lkFile, FormatText(QStringLiteral("Compression done %s: %d file(s) added/updated."),
                                     {archive, QString::number(added_)}));
    return true;
}
