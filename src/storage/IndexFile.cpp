#include "storage/IndexFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QRandomGenerator>
#include <QtEndian>
#include <bit>
#include <cerrno>
#include <cstring>

#include "model/Task.h"
#include "platform/FileSystem.h"

namespace {

constexpr char kStartMarker[] = "IndexFileStart\x1B";
constexpr qsizetype kStartSize = 15;
constexpr char kEndMarker[] = "IndexFileEnd";
constexpr qsizetype kEndSize = 12;
constexpr char kSeparator = 'c';

// Reads little-endian values from a byte buffer without ever passing its end.
class TReader {
public:
    explicit TReader(const QByteArray& data) : data_(data) {}

    qsizetype Left() const { return data_.size() - pos_; }
    bool Bytes(qsizetype n, const char*& out) {
        if (n < 0 || n > Left())
            return false;
        out = data_.constData() + pos_;
        pos_ += n;
        return true;
    }
    bool Int32(qint32& out) {
        const char* p = nullptr;
        if (!Bytes(4, p))
            return false;
        out = qFromLittleEndian<qint32>(p);
        return true;
    }
    bool Double(double& out) {
        const char* p = nullptr;
        if (!Bytes(8, p))
            return false;
        out = std::bit_cast<double>(qFromLittleEndian<quint64>(p));
        return true;
    }
    bool Expect(const char* marker, qsizetype n) {
        const char* p = nullptr;
        return Bytes(n, p) && std::memcmp(p, marker, static_cast<size_t>(n)) == 0;
    }

private:
    const QByteArray& data_;
    qsizetype pos_ = 0;
};

void AppendInt32(QByteArray& out, qint32 value) {
    char bytes[4];
    qToLittleEndian<qint32>(value, bytes);
    out.append(bytes, 4);
}

void AppendDouble(QByteArray& out, double value) {
    char bytes[8];
    qToLittleEndian<quint64>(std::bit_cast<quint64>(value), bytes);
    out.append(bytes, 8);
}

// Writes all of data to fd; 0 or errno.
int WriteAll(int fd, const QByteArray& data) {
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        p += n;
        left -= n;
    }
    return 0;
}

}  // namespace

// ---- TIndexList ----

TIndexFileItem* TIndexList::Append(const QString& path, TDateTime time) {
    TNode& node = nodes_.emplace_back();
    node.Path = path;
    node.Time = time;
    node.self = std::prev(nodes_.end());
    auto found = first_.find(path);
    if (found == first_.end()) {
        first_.insert(path, &node);
    } else {
        // Duplicates are rare: walking their chain to its end costs nothing in practice.
        TNode* last = found.value();
        while (last->nextSame)
            last = last->nextSame;
        last->nextSame = &node;
    }
    return &node;
}

TIndexFileItem* TIndexList::SetIndexTime(const QString& path, TDateTime time) {
    if (time == 0)
        return nullptr;
    TIndexFileItem* item = Find(path);
    if (!item)
        item = Append(path, time);
    item->Time = time;
    item->Seen = true;
    return item;
}

TIndexFileItem* TIndexList::Find(const QString& path) const {
    const auto found = first_.constFind(path);
    return found == first_.constEnd() ? nullptr : found.value();
}

TDateTime TIndexList::GetIndexTime(const QString& path) {
    TIndexFileItem* item = Find(path);
    if (!item)
        return 0;
    item->Seen = true;
    return item->Time;
}

void TIndexList::Unlink(TNode& node) {
    auto found = first_.find(node.Path);
    if (found == first_.end())
        return;
    if (found.value() == &node) {
        if (node.nextSame)
            found.value() = node.nextSame;
        else
            first_.erase(found);
        return;
    }
    for (TNode* previous = found.value(); previous; previous = previous->nextSame) {
        if (previous->nextSame == &node) {
            previous->nextSame = node.nextSame;
            return;
        }
    }
}

void TIndexList::Remove(TIndexFileItem* item) {
    if (!item)
        return;
    TNode& node = static_cast<TNode&>(*item);
    Unlink(node);
    nodes_.erase(node.self);
}

TIndexList::iterator TIndexList::Remove(iterator position) {
    TNode& node = *position.it_;
    Unlink(node);
    return iterator(nodes_.erase(node.self));
}

void TIndexList::Clear() {
    first_.clear();
    nodes_.clear();
}

// ---- format ----

bool ParseIndex(const QByteArray& data, TIndexList& list) {
    TReader reader(data);
    if (!reader.Expect(kStartMarker, kStartSize))
        return false;
    qint32 count = 0;
    if (!reader.Int32(count) || count < 0)
        return false;
    // The count is not trusted: every item is read from bytes that are there, and nothing is reserved.
    for (qint32 i = 0; i < count; ++i) {
        qint32 length = 0;
        const char* pathBytes = nullptr;
        double time = 0;
        const char* separator = nullptr;
        if (!reader.Int32(length) || !reader.Bytes(length, pathBytes) || !reader.Double(time))
            return false;
        list.Append(DecodeFileName(QByteArray(pathBytes, length)), time);
        if (!reader.Bytes(1, separator) || *separator != kSeparator)
            return false;
    }
    if (!reader.Expect(kEndMarker, kEndSize))
        return false;
    list.Loaded = true;
    return true;
}

QByteArray SerializeIndex(const TIndexList& list) {
    QByteArray out;
    out.reserve(kStartSize + 4 + kEndSize + list.Count() * 64);
    out.append(kStartMarker, kStartSize);
    AppendInt32(out, list.Count());
    list.ForEach([&out](const TIndexFileItem& item) {
        const QByteArray path = EncodeFileName(item.Path);
        AppendInt32(out, static_cast<qint32>(path.size()));
        out.append(path);
        AppendDouble(out, item.Time);
        out.append(kSeparator);
    });
    out.append(kEndMarker, kEndSize);
    return out;
}

bool LoadIndexFile(const QString& path, TIndexList& list) {
    int fd = -1;
    if (FileSystem::OpenForReading(path, fd) != 0)
        return false;
    QByteArray data;
    char buffer[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        if (n == 0)
            break;
        data.append(buffer, n);
    }
    ::close(fd);
    return ok && ParseIndex(data, list);
}

bool SaveIndexFile(const QString& path, const TIndexList& list) {
    const QByteArray data = SerializeIndex(list);
    const QString folder = FileSystem::ParentFolder(path);
    const QString name = FileSystem::FileNameOf(path);
    if (name.isEmpty())
        return false;

    // A temporary name in the target's own folder, so that the final rename stays on one file system.
    QString temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = (folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/')) + QLatin1Char('.') +
               name + QStringLiteral(".tmp") + QString::number(QRandomGenerator::global()->generate(), 36);
        const int opened = FileSystem::Open(temp, O_WRONLY | O_CREAT | O_EXCL, 0644, fd);
        if (opened == 0)
            break;
        if (opened != EEXIST)
            return false;
        fd = -1;
    }
    if (fd < 0)
        return false;

    bool ok = WriteAll(fd, data) == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && FileSystem::Rename(temp, path) == 0;
    if (!ok) {
        FileSystem::RemoveFile(temp);
        return false;
    }
    // Make the rename itself durable.
    int folderFd = -1;
    if (FileSystem::Open(folder, O_RDONLY | O_DIRECTORY, 0, folderFd) == 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return true;
}

QString IndexFileNameFor(const QString& taskId) {
    return TTask::IndexFileNameForId(taskId);
}

bool IndexEnabled(const TTask& task) {
    return !task.DisableIndexFiles && task.TaskAction != TTaskAction::taMove &&
           (task.DestType == TDestKind::dkLocal || task.DestType == TDestKind::dkFtp);
}
