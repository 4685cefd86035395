#include "store/StoreEngine.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <cstdio>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "store/SettingsStore.h"

namespace {

constexpr char kFormatTag = 'T';
constexpr char kFormatVersion = 1;

void Warn(const QString& text) {
    const QByteArray bytes = (QStringLiteral("tarnovex: warning: ") + text + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
}

void PutU32(std::string& out, quint32 value) {
    char buffer[4];
    qToLittleEndian(value, buffer);
    out.append(buffer, 4);
}

// Appends the length-prefixed UTF-8 form of text; plain ASCII, nearly every name and text, is copied
// directly.
void PutText(std::string& out, const QString& text) {
    const size_t start = out.size();
    PutU32(out, static_cast<quint32>(text.size()));
    const char16_t* units = reinterpret_cast<const char16_t*>(text.constData());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (units[i] >= 0x80) {
            out.resize(start);
            const QByteArray utf8 = text.toUtf8();
            PutU32(out, static_cast<quint32>(utf8.size()));
            out.append(utf8.constData(), static_cast<size_t>(utf8.size()));
            return;
        }
        out.push_back(static_cast<char>(units[i]));
    }
}

bool TakeU32(const QByteArray& data, qsizetype& pos, quint32& value) {
    if (data.size() - pos < 4)
        return false;
    value = qFromLittleEndian<quint32>(data.constData() + pos);
    pos += 4;
    return true;
}

QStringList SplitSpelled(const QString& spelled) {
    return spelled.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

// Creates folder and its missing parents, each one only for the user: the store holds passwords.
bool MakePrivateFolder(const QString& folder) {
    if (QFileInfo(folder).isDir())
        return true;
    const QString parent = QFileInfo(folder).absolutePath();
    if (parent != folder && !MakePrivateFolder(parent))
        return false;
    return ::mkdir(EncodeFileName(folder).constData(), 0700) == 0 || QFileInfo(folder).isDir();
}

// Moves a damaged database (and its WAL companions) aside so that a fresh store can start.
QString MoveAside(const QString& path) {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = path + QStringLiteral(".corrupt-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path + QStringLiteral(".corrupt-") + stamp + QLatin1Char('-') + QString::number(n);
    QFile::rename(path, target);
    for (const char* suffix : {"-wal", "-shm"}) {
        const QString companion = path + QLatin1String(suffix);
        if (QFileInfo::exists(companion))
            QFile::rename(companion, target + QLatin1String(suffix));
    }
    return target;
}

}  // namespace

namespace {

inline char16_t FoldUnit(char16_t u) {
    if (u < 0x80)
        return (u >= 'A' && u <= 'Z') ? static_cast<char16_t>(u + 32) : u;
    return QChar(u).toCaseFolded().unicode();
}

}  // namespace

bool TNoCaseKey::operator==(const TNoCaseKey& other) const {
    if (name.size() != other.name.size())
        return false;
    const QChar* a = name.constData();
    const QChar* b = other.name.constData();
    for (qsizetype i = 0; i < name.size(); ++i)
        if (a[i] != b[i] && FoldUnit(a[i].unicode()) != FoldUnit(b[i].unicode()))
            return false;
    return true;
}

size_t qHash(const TNoCaseKey& key, size_t seed) noexcept {
    size_t hash = seed ^ 0x9E3779B97F4A7C15ull;
    for (const QChar c : key.name)
        hash = (hash ^ FoldUnit(c.unicode())) * 0x100000001B3ull;
    return hash;
}

int TRegNode::FindValue(const QString& name) const {
    if (values.size() > kLinearValues)
        return valueIndex.value(TNoCaseKey{name}, -1);
    // A handful of values: comparing names beats hashing them.
    const TNoCaseKey key{name};
    for (size_t i = 0; i < values.size(); ++i)
        if (TNoCaseKey{values[i].name} == key)
            return static_cast<int>(i);
    return -1;
}

void TRegNode::AddToIndex(int index) {
    if (values.size() > kLinearValues && valueIndex.size() == index)
        valueIndex.insert(TNoCaseKey{values[static_cast<size_t>(index)].name}, index);
    else
        RebuildIndex();
}

void TRegNode::RebuildIndex() {
    valueIndex.clear();
    if (values.size() <= kLinearValues)
        return;
    valueIndex.reserve(static_cast<qsizetype>(values.size()));
    // Backwards, so that of two values with the same name (only a damaged row can hold them) the first
    // one is found, as the linear search does.
    for (int i = static_cast<int>(values.size()) - 1; i >= 0; --i)
        valueIndex.insert(TNoCaseKey{values[static_cast<size_t>(i)].name}, i);
}

QString TStoreEngine::Fold(const QString& name) {
    bool hasUpper = false;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u >= 0x80)
            return name.toCaseFolded();
        if (u >= 'A' && u <= 'Z')
            hasUpper = true;
    }
    if (!hasUpper)
        return name;  // shared, no copy
    QString folded = name;
    for (QChar& c : folded)
        if (c.unicode() >= 'A' && c.unicode() <= 'Z')
            c = QChar(static_cast<char16_t>(c.unicode() + 32));
    return folded;
}

TStoreEngine& TStoreEngine::Instance() {
    static TStoreEngine engine;
    return engine;
}

TStoreEngine::TStoreEngine() {
    ResetTree();
}

void TStoreEngine::ResetTree() {
    byFold_.clear();
    root_ = std::make_unique<TRegNode>();
    ++generation_;
}

bool TStoreEngine::Exec(const char* sql) {
    return db_ && sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

void TStoreEngine::CloseDb() {
    if (db_)
        sqlite3_close_v2(db_);
    db_ = nullptr;
}

void TStoreEngine::EnsureOpen() {
    if (!open_)
        Open(QString());
}

bool TStoreEngine::Open(const QString& requested) {
    std::lock_guard lock(mutex_);
    Close();
    const QString path = requested.isEmpty() ? Paths::SettingsDatabasePath() : requested;
    path_ = path;
    open_ = true;
    bool corrupt = false;
    if (OpenFile(path, corrupt))
        return true;
    if (corrupt) {
        CloseDb();
        const QString aside = MoveAside(path);
        Warn(QStringLiteral(
                 "the settings store %1 is damaged; it was moved to %2 and a fresh store was started")
                 .arg(path, aside));
        ResetTree();
        if (OpenFile(path, corrupt))
            return true;
    }
    CloseDb();
    ResetTree();
    Warn(QStringLiteral(
             "the settings store %1 cannot be opened; settings are kept in memory for this session only")
             .arg(path));
    return false;
}

bool TStoreEngine::OpenFile(const QString& path, bool& corrupt) {
    corrupt = false;
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    if (!MakePrivateFolder(folder))
        return false;
    const QByteArray file = EncodeFileName(path);
    // The file holds passwords: create it private before SQLite opens it, and keep it private.
    const int fd = ::open(file.constData(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::fchmod(fd, 0600);
    ::close(fd);

    if (sqlite3_open_v2(file.constData(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK)
        return false;
    sqlite3_busy_timeout(db_, 5000);
    auto failed = [&](int code) {
        const int primary = code & 0xFF;
        corrupt = primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
        return false;
    };
    int rc = sqlite3_exec(db_, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return failed(rc);
    rc = sqlite3_exec(db_, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return failed(rc);
    rc = sqlite3_exec(
        db_, "CREATE TABLE IF NOT EXISTS keys (path TEXT PRIMARY KEY, spelled TEXT NOT NULL, data BLOB)",
        nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return failed(rc);

    sqlite3_stmt* check = nullptr;
    rc = sqlite3_prepare_v2(db_, "PRAGMA quick_check", -1, &check, nullptr);
    if (rc != SQLITE_OK)
        return failed(rc);
    rc = sqlite3_step(check);
    const bool healthy =
        rc == SQLITE_ROW && QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(check, 0))) == "ok";
    sqlite3_finalize(check);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return failed(rc);
    if (!healthy) {
        corrupt = true;
        return false;
    }
    if (!LoadTree()) {
        corrupt = true;
        return false;
    }
    // The companions SQLite creates take the database's permissions; make sure of it.
    for (const char* suffix : {"-wal", "-shm"})
        ::chmod(QByteArray(file + suffix).constData(), 0600);
    return true;
}

bool TStoreEngine::LoadTree() {
    ResetTree();
    sqlite3_stmt* statement = nullptr;
    stored_.clear();
    storedExact_ = true;
    if (sqlite3_prepare_v2(db_, "SELECT path, spelled, data FROM keys", -1, &statement, nullptr) != SQLITE_OK)
        return false;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        const QString path =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)),
                              sqlite3_column_bytes(statement, 0));
        TStoredRow row;
        row.spelled = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)),
                                 sqlite3_column_bytes(statement, 1));
        const void* blob = sqlite3_column_blob(statement, 2);
        const int blobBytes = sqlite3_column_bytes(statement, 2);
        if (blob && blobBytes > 0)
            row.data = QByteArray(static_cast<const char*>(blob), blobBytes);
        const QString spelled = QString::fromUtf8(row.spelled);
        // Rows usually come after their parent's row: look the parent up directly instead of walking
        // from the top for every row.
        TRegNode* node = nullptr;
        const qsizetype cut = spelled.lastIndexOf(QLatin1Char('\\'));
        if (cut > 0 && cut + 1 < spelled.size()) {
            if (TRegNode* parent = byFold_.value(Fold(spelled.left(cut)), nullptr))
                node = Child(parent, spelled.mid(cut + 1), true);
        }
        if (!node)
            node = Create(SplitSpelled(spelled));
        node->values.clear();
        DeserializeValues(row.data, node->values);
        node->RebuildIndex();
        // A row whose path does not match its spelling is not the row of the key it was read into:
        // flushes then write every key and remove whole ranges, as if another process had written.
        if (path != node->fold)
            storedExact_ = false;
        stored_.insert(path, std::move(row));
    }
    sqlite3_finalize(statement);
    dirty_.clear();
    deleted_.clear();
    dataVersion_ = DataVersion();
    return rc == SQLITE_DONE;
}

qint64 TStoreEngine::DataVersion() {
    if (!db_)
        return 0;
    sqlite3_stmt* statement = nullptr;
    qint64 version = 0;
    if (sqlite3_prepare_v2(db_, "PRAGMA data_version", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        version = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return version;
}

void TStoreEngine::RefreshIfChangedElsewhere() {
    if (!db_ || !dirty_.isEmpty() || !deleted_.empty())
        return;
    if (DataVersion() != dataVersion_)
        LoadTree();
}

void TStoreEngine::Close() {
    std::lock_guard lock(mutex_);
    if (!open_)
        return;
    // Closing ends every transaction: what it changed is written now rather than lost with the tree.
    transactionDepth_ = 0;
    Flush();
    if (inSqlTransaction_) {
        Exec("ROLLBACK");
        inSqlTransaction_ = false;
    }
    CloseDb();
    ResetTree();
    dirty_.clear();
    deleted_.clear();
    stored_.clear();
    open_ = false;
    path_.clear();
}

TRegNode* TStoreEngine::Find(const QString& foldedPath) {
    if (foldedPath.isEmpty())
        return root_.get();
    return byFold_.value(foldedPath, nullptr);
}

TRegNode* TStoreEngine::Child(TRegNode* node, const QString& name, bool create) {
    QString fold = Fold(name);
    const auto it = node->children.lower_bound(fold);
    if (it != node->children.end() && it->first == fold)
        return it->second.get();
    if (!create)
        return nullptr;
    auto child = std::make_unique<TRegNode>();
    child->name = name;
    child->parent = node;
    child->fold = node->fold.isEmpty() ? fold : node->fold + QLatin1Char('\\') + fold;
    child->spelled = node->spelled.isEmpty() ? name : node->spelled + QLatin1Char('\\') + name;
    TRegNode* raw = child.get();
    byFold_.insert(raw->fold, raw);
    dirty_.insert(raw->fold);
    node->children.emplace_hint(it, std::move(fold), std::move(child));
    return raw;
}

TRegNode* TStoreEngine::Create(const QStringList& components) {
    TRegNode* node = root_.get();
    for (const QString& part : components)
        node = Child(node, part, true);
    return node;
}

TRegNode* TStoreEngine::Walk(TRegNode* from, const QString& path, bool create) {
    // Most paths name a key that exists, written without doubled separators: one look-up by the folded
    // path finds it without walking the levels.
    QStringView rest(path);
    while (rest.startsWith(QLatin1Char('\\')))
        rest = rest.mid(1);
    if (rest.isEmpty())
        return from;
    if (!rest.endsWith(QLatin1Char('\\')) && !rest.contains(QLatin1String("\\\\"))) {
        const QString fold = Fold(rest.toString());
        const auto hit = byFold_.constFind(from->fold.isEmpty() ? fold : from->fold + QLatin1Char('\\') + fold);
        if (hit != byFold_.cend())
            return hit.value();
        if (!create)
            return nullptr;
    }
    TRegNode* node = from;
    const qsizetype size = path.size();
    qsizetype start = 0;
    while (node && start < size) {
        qsizetype end = path.indexOf(QLatin1Char('\\'), start);
        if (end < 0)
            end = size;
        if (end > start)
            node = Child(node, path.mid(start, end - start), create);
        start = end + 1;
    }
    return node;
}

bool TStoreEngine::Delete(TRegNode* node) {
    if (!node || !node->parent)
        return false;
    // Rows below the key go at the next flush; dirty marks inside the subtree need no clean-up, because
    // a flush writes only keys that still exist (a key created again is written with its new content).
    TDeletion deletion{node->fold, !node->children.empty(), {}};
    std::vector<const TRegNode*> pending{node};
    while (!pending.empty()) {
        const TRegNode* current = pending.back();
        pending.pop_back();
        deletion.folds.push_back(current->fold);
        byFold_.remove(current->fold);
        for (const auto& [fold, child] : current->children)
            pending.push_back(child.get());
    }
    deleted_.push_back(std::move(deletion));
    node->parent->children.erase(Fold(node->name));
    ++generation_;
    return true;
}

void TStoreEngine::MarkDirty(TRegNode* node) {
    dirty_.insert(node->fold);
}

void TStoreEngine::AccessorCreated() {
    EnsureOpen();
    if (accessors_++ == 0 && transactionDepth_ == 0)
        RefreshIfChangedElsewhere();
}

void TStoreEngine::AccessorReleased() {
    if (accessors_ > 0)
        --accessors_;
    if (accessors_ == 0 && transactionDepth_ == 0)
        Flush();
}

void TStoreEngine::BeginTransaction() {
    EnsureOpen();
    if (transactionDepth_++ > 0 || !db_)
        return;
    // Holding the write lock from the start makes a read-change-write sequence atomic against the other
    // process; the cache is refreshed under the lock.
    inSqlTransaction_ = Exec("BEGIN IMMEDIATE");
    RefreshIfChangedElsewhere();
}

void TStoreEngine::EndTransaction() {
    if (transactionDepth_ == 0)
        return;
    if (--transactionDepth_ == 0)
        Flush();
}

void TStoreEngine::Flush() {
    if (!db_) {
        dirty_.clear();
        deleted_.clear();
        return;
    }
    if (dirty_.isEmpty() && deleted_.empty()) {
        if (inSqlTransaction_ && transactionDepth_ == 0) {
            Exec("COMMIT");
            inSqlTransaction_ = false;
        }
        return;
    }
    if (transactionDepth_ > 0)
        return;  // the outermost transaction writes everything at its end
    if (!inSqlTransaction_)
        inSqlTransaction_ = Exec("BEGIN IMMEDIATE");
    bool ok = inSqlTransaction_;
    // Under the write lock: did another process commit since the tree was loaded? Then the tree is
    // reloaded after this commit, which holds both its rows and ours; noting only the new data version
    // would hide the other process's changes from this one for good.
    const bool othersWrote = ok && DataVersion() != dataVersion_;
    sqlite3_stmt* remove = nullptr;
    sqlite3_stmt* removeRow = nullptr;
    sqlite3_stmt* upsert = nullptr;
    ok = ok && sqlite3_prepare_v2(
                   db_, "DELETE FROM keys WHERE path = ?1 OR (path > ?1 || '\\' AND path < ?1 || ']')", -1,
                   &remove, nullptr) == SQLITE_OK;
    ok = ok && sqlite3_prepare_v2(db_, "INSERT OR REPLACE INTO keys(path, spelled, data) VALUES(?1, ?2, ?3)",
                                  -1, &upsert, nullptr) == SQLITE_OK;
    ok = ok &&
         sqlite3_prepare_v2(db_, "DELETE FROM keys WHERE path = ?1", -1, &removeRow, nullptr) == SQLITE_OK;
    // What reaches stored_ once the commit succeeded.
    std::vector<QString> removedRows;
    std::vector<std::pair<QString, TStoredRow>> writtenRows;
    auto removeExactly = [&](const QString& fold) {
        const QByteArray key = fold.toUtf8();
        sqlite3_bind_text(removeRow, 1, key.constData(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
        ok = sqlite3_step(removeRow) == SQLITE_DONE;
        sqlite3_reset(removeRow);
        removedRows.push_back(fold);
    };
    for (const TDeletion& deletion : deleted_) {
        if (!ok)
            break;
        if (!othersWrote && storedExact_) {
            // Keys created again since are written below if their content changed; only rows of keys
            // that are gone are removed.
            for (const QString& fold : deletion.folds)
                if (ok && stored_.contains(fold) && !Find(fold))
                    removeExactly(fold);
            continue;
        }
        // The file may hold rows this process never saw: remove the whole range.
        const QByteArray key = deletion.fold.toUtf8();
        sqlite3_bind_text(remove, 1, key.constData(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
        ok = sqlite3_step(remove) == SQLITE_DONE;
        sqlite3_reset(remove);
    }
    for (const QString& fold : std::as_const(dirty_)) {
        if (!ok)
            break;
        const TRegNode* node = Find(fold);
        if (!node)
            continue;
        const QByteArray key = fold.toUtf8();
        const QByteArray spelled = node->spelled.toUtf8();
        const QByteArray data = SerializeValues(node->values);
        if (!othersWrote && storedExact_) {
            const auto row = stored_.constFind(fold);
            if (row != stored_.cend() && row->data == data && row->spelled == spelled)
                continue;
            writtenRows.emplace_back(fold, TStoredRow{spelled, data});
        }
        sqlite3_bind_text(upsert, 1, key.constData(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(upsert, 2, spelled.constData(), static_cast<int>(spelled.size()), SQLITE_TRANSIENT);
        sqlite3_bind_blob(upsert, 3, data.constData(), static_cast<int>(data.size()), SQLITE_TRANSIENT);
        ok = sqlite3_step(upsert) == SQLITE_DONE;
        sqlite3_reset(upsert);
    }
    sqlite3_finalize(remove);
    sqlite3_finalize(removeRow);
    sqlite3_finalize(upsert);
    if (ok && Exec("COMMIT")) {
        dirty_.clear();
        deleted_.clear();
        inSqlTransaction_ = false;
        if (othersWrote) {
            LoadTree();
        } else {
            for (const QString& fold : removedRows)
                stored_.remove(fold);
            for (auto& [fold, row] : writtenRows)
                stored_.insert(fold, std::move(row));
            dataVersion_ = DataVersion();
        }
        return;
    }
    // Nothing of this batch reached the file; the changes stay in memory and are written again at the
    // next flush.
    Exec("ROLLBACK");
    Warn(QStringLiteral("settings could not be written to %1: %2")
             .arg(path_, QString::fromUtf8(sqlite3_errmsg(db_))));
    inSqlTransaction_ = false;
}

QByteArray TStoreEngine::SerializeValues(const std::vector<TRegValue>& values) {
    thread_local std::string out;
    out.clear();
    out.push_back(kFormatTag);
    out.push_back(kFormatVersion);
    PutU32(out, static_cast<quint32>(values.size()));
    for (const TRegValue& value : values) {
        PutText(out, value.name);
        out.push_back(static_cast<char>(value.type));
        switch (value.type) {
            case TRegDataType::rdString:
            case TRegDataType::rdExpandString:
                PutText(out, value.text);
                break;
            case TRegDataType::rdInteger: {
                PutU32(out, 4);
                char bytes[4];
                qToLittleEndian(value.integer, bytes);
                out.append(bytes, 4);
                break;
            }
            default:
                PutU32(out, static_cast<quint32>(value.bytes.size()));
                out.append(value.bytes.constData(), static_cast<size_t>(value.bytes.size()));
        }
    }
    return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}

void TStoreEngine::DeserializeValues(const QByteArray& data, std::vector<TRegValue>& values) {
    if (data.size() < 2 || data[0] != kFormatTag || data[1] != kFormatVersion)
        return;
    qsizetype pos = 2;
    quint32 count = 0;
    if (!TakeU32(data, pos, count))
        return;
    // Value names repeat across keys ("Enabled", "Folder" ...): one shared string per name saves an
    // allocation per value when a large store is read.
    thread_local QHash<QByteArray, QString> names;
    if (names.size() > 4096)
        names.clear();
    auto view = [&](quint32 length, QByteArrayView& out) {
        if (static_cast<quint64>(length) > static_cast<quint64>(data.size() - pos))
            return false;
        out = QByteArrayView(data.constData() + pos, length);
        pos += length;
        return true;
    };
    // The count is never trusted: every value needs at least nine bytes, so the data bounds the loop.
    values.reserve(values.size() + std::min<size_t>(count, static_cast<size_t>(data.size() / 9)));
    for (quint32 i = 0; i < count && data.size() - pos >= 9; ++i) {
        quint32 nameLength = 0, dataLength = 0;
        QByteArrayView name, payload;
        if (!TakeU32(data, pos, nameLength) || !view(nameLength, name))
            return;
        if (data.size() - pos < 1)
            return;
        const auto type = static_cast<quint8>(data[pos++]);
        if (!TakeU32(data, pos, dataLength) || !view(dataLength, payload))
            return;
        TRegValue value;
        const QByteArray nameKey = QByteArray::fromRawData(name.data(), name.size());
        auto known = names.constFind(nameKey);
        if (known == names.cend())
            known = names.insert(QByteArray(name.data(), name.size()), QString::fromUtf8(name));
        value.name = known.value();
        value.type = static_cast<TRegDataType>(type);
        switch (value.type) {
            case TRegDataType::rdString:
            case TRegDataType::rdExpandString:
                if (!payload.isEmpty())
                    value.text = QString::fromUtf8(payload);
                break;
            case TRegDataType::rdInteger:
                if (payload.size() == 4)
                    value.integer = qFromLittleEndian<qint32>(payload.data());
                else
                    value.type = TRegDataType::rdUnknown, value.bytes = payload.toByteArray();
                break;
            case TRegDataType::rdBinary:
                value.bytes = payload.toByteArray();
                break;
            default:
                value.type = TRegDataType::rdUnknown;
                value.bytes = payload.toByteArray();
        }
        values.push_back(std::move(value));
    }
}

namespace SettingsStore {

bool Open(const QString& path) {
    return TStoreEngine::Instance().Open(path);
}

void Close() {
    TStoreEngine::Instance().Close();
}

QString FilePath() {
    TStoreEngine& engine = TStoreEngine::Instance();
    std::lock_guard lock(engine.Mutex());
    engine.EnsureOpen();
    return engine.FilePath();
}

void Flush() {
    TStoreEngine& engine = TStoreEngine::Instance();
    std::lock_guard lock(engine.Mutex());
    engine.Flush();
}

}  // namespace SettingsStore
