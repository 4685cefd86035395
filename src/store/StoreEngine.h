#pragma once

// The process-wide settings store behind TSafeRegistry: the whole key tree lives in memory (it is
// small), loaded once from the SQLite file; every key is one row of the file holding its values in
// creation order. Changes mark their keys dirty and reach the file in one SQLite transaction, either at
// the end of the outermost TStoreTransaction or when the last accessor is released. Another process's
// commits are noticed through PRAGMA data_version and reload the tree.

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "store/SafeRegistry.h"

struct sqlite3;

// A value name as a hash key that compares without regard to case, folding character by character on
// the fly (no folded copy is allocated).
struct TNoCaseKey {
    QString name;
    bool operator==(const TNoCaseKey& other) const;
};
size_t qHash(const TNoCaseKey& key, size_t seed = 0) noexcept;

struct TRegNode {
    QString name;     // stored spelling of the last component ("" for the top)
    QString fold;     // folded absolute path, "" for the top; components joined with '\'
    QString spelled;  // absolute path with the stored spellings, "" for the top
    TRegNode* parent = nullptr;
    std::map<QString, std::unique_ptr<TRegNode>> children;  // by folded name: ascending, case-insensitive
    std::vector<TRegValue> values;                          // creation order
    // Name without case -> index in values; kept only for keys with more than kLinearValues values.
    QHash<TNoCaseKey, int> valueIndex;
    static constexpr size_t kLinearValues = 24;

    int FindValue(const QString& name) const;
    void RebuildIndex();
    void AddToIndex(int index);
};

class TStoreEngine {
public:
    static TStoreEngine& Instance();

    std::recursive_mutex& Mutex() { return mutex_; }

    bool Open(const QString& path);
    void Close();
    QString FilePath() const { return path_; }

    // Opens the default file when nothing is open.
    void EnsureOpen();

    TRegNode* Root() { return root_.get(); }
    // Resolves an absolute folded path ("" = top); nullptr when missing.
    TRegNode* Find(const QString& foldedPath);
    // Resolves or creates the key at the absolute path given as components (stored spellings).
    TRegNode* Create(const QStringList& components);
    // Resolves (or, with create, makes) the key at path below from; path components are separated by
    // '\\', empty components are skipped.
    TRegNode* Walk(TRegNode* from, const QString& path, bool create);
    bool Delete(TRegNode* node);
    void MarkDirty(TRegNode* node);
    quint64 Generation() const { return generation_; }

    // Accessor and transaction bookkeeping.
    void AccessorCreated();
    void AccessorReleased();
    void BeginTransaction();
    void EndTransaction();
    void Flush();

    // Names compare without regard to case. Plain ASCII names, nearly all of them, take a fast path.
    static QString Fold(const QString& name);
    // Serialised values of one key (and the reverse, bounded by the bytes present).
    static QByteArray SerializeValues(const std::vector<TRegValue>& values);
    static void DeserializeValues(const QByteArray& data, std::vector<TRegValue>& values);

private:
    TStoreEngine();
    bool OpenFile(const QString& path, bool& corrupt);
    bool LoadTree();
    TRegNode* Child(TRegNode* node, const QString& name, bool create);
    void ResetTree();
    void RefreshIfChangedElsewhere();
    qint64 DataVersion();
    bool Exec(const char* sql);
    void CloseDb();

    std::recursive_mutex mutex_;
    std::unique_ptr<TRegNode> root_;
    QHash<QString, TRegNode*> byFold_;  // every key below the top by its folded path
    sqlite3* db_ = nullptr;
    bool open_ = false;  // a store (file or memory-only) is in use
    QString path_;
    qint64 dataVersion_ = 0;
    quint64 generation_ = 1;
    int accessors_ = 0;
    int transactionDepth_ = 0;
    bool inSqlTransaction_ = false;
    QSet<QString> dirty_;  // folded paths of keys to write
    struct TDeletion {
        QString fold;
        bool hadChildren = false;    // a leaf key needs no range delete
        std::vector<QString> folds;  // the key and every key below it, as the tree held them
    };
    std::vector<TDeletion> deleted_;  // deleted keys, in order
    // The rows of the file as this process last read or wrote them, by folded path: a flush skips a
    // key whose row would not change (a save rewrites mostly identical objects) and removes exactly
    // the rows of deleted keys that were not created again. Valid only while no other process wrote.
    struct TStoredRow {
        QByteArray spelled;
        QByteArray data;
    };
    QHash<QString, TStoredRow> stored_;
    bool storedExact_ = true;  // false when a row's path does not match its spelling
};
