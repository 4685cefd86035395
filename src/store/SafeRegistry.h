#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The settings store: a tree of keys with case-insensitive names, each holding sub-keys (listed in
// ascending case-insensitive order) and typed values (listed in creation order). It lives in one
// SQLite file (Paths::SettingsDatabasePath()). TSafeRegistry is the accessor the rest of the program
// uses: reads take a default and never fail, writes never fail loudly.

// Value types as the store keeps them. Booleans are integers; floats, dates and times are 8-byte
// binary values holding a little-endian IEEE-754 double.
enum class TRegDataType { rdUnknown = 0, rdString = 1, rdExpandString = 2, rdInteger = 4, rdBinary = 3 };

struct TRegValue {
    QString name;
    TRegDataType type = TRegDataType::rdUnknown;
    QString text;        // rdString / rdExpandString
    qint32 integer = 0;  // rdInteger
    QByteArray bytes;    // rdBinary (and the raw data of an unknown type)
};

struct TRegNode;  // a key of the in-memory tree

class TSafeRegistry {
public:
    TSafeRegistry();
    ~TSafeRegistry();
    TSafeRegistry(const TSafeRegistry&) = delete;
    TSafeRegistry& operator=(const TSafeRegistry&) = delete;

    // Key operations. A path that starts with '\' is absolute (from the top of the store); any other
    // path is relative to the current key. Key names are compared without regard to case.
    bool OpenKey(const QString& path, bool canCreate);  // false: the current key stays as it was
    bool OpenKeyReadOnly(const QString& path);
    void CloseKey();  // the current key becomes the top
    bool KeyExists(const QString& path) const;
    QString CurrentPath() const;  // "\A\B" with the stored spelling, "" at the top
    bool HasCurrentKey() const;
    void GetKeyNames(QStringList& list) const;    // sub-keys of the current key, ascending without case
    void GetValueNames(QStringList& list) const;  // values of the current key, in creation order
    bool HasSubKeys() const;
    bool DeleteKey(const QString& path);  // the key, its sub-keys and values
    bool DeleteValue(const QString& name);
    bool ValueExists(const QString& name) const;
    TRegDataType GetDataType(const QString& name) const;
    int GetDataSize(const QString& name) const;  // -1 when the value does not exist
    // The whole value, for export; false when it does not exist.
    bool ReadRawValue(const QString& name, TRegValue& value) const;
    // Writes a value of any type (import); never fails loudly.
    void WriteRawValue(const TRegValue& value);

    // Reads with a default: a missing value, or one that cannot be read as the requested type,
    // gives the default.
    bool ReadBool(const QString& name, bool def) const;  // any non-zero integer is true
    int ReadInteger(const QString& name, int def) const;
    QString ReadString(const QString& name, const QString& def) const;
    double ReadFloat(const QString& name, double def) const;  // only an 8-byte binary value counts
    double ReadDate(const QString& name, double def) const;
    double ReadTime(const QString& name, double def) const;
    // Copies a binary value of at most size bytes to buffer and returns its length; otherwise returns
    // 0 and leaves buffer untouched (callers preset it with the default).
    int ReadBinary(const QString& name, void* buffer, int size) const;

    // Writes replace a value of the same name, whatever its type, keeping its place in the listing.
    void WriteBool(const QString& name, bool value);
    void WriteInteger(const QString& name, int value);
    void WriteString(const QString& name, const QString& value);
    void WriteFloat(const QString& name, double value);
    void WriteDate(const QString& name, double value);
    void WriteTime(const QString& name, double value);
    bool WriteBinary(const QString& name, const void* buffer, int size);

    // One-shot reads: open keyPath without creating it, read with the default, release.
    static int ReadBinaryAt(const QString& keyPath, const QString& name, void* buffer, int size);
    static int ReadIntegerAt(const QString& keyPath, const QString& name, int def);
    static bool ReadBoolAt(const QString& keyPath, const QString& name, bool def);
    static QString ReadStringAt(const QString& keyPath, const QString& name, const QString& def);

private:
    TRegNode* CurrentNode() const;
    TRegNode* Resolve(const QString& path, bool create) const;

    QString currentFold_;  // folded absolute path of the current key, "" for the top
    mutable TRegNode* cachedNode_ = nullptr;
    mutable quint64 cachedGeneration_ = 0;
};

// Groups every store change made while it lives into one transaction: all of them reach the file,
// or (after a crash, a kill or a failed commit) none does. Nesting is allowed; the outermost commits.
class TStoreTransaction {
public:
    TStoreTransaction();
    ~TStoreTransaction();  // commits
    TStoreTransaction(const TStoreTransaction&) = delete;
    TStoreTransaction& operator=(const TStoreTransaction&) = delete;
};

namespace SettingsStore {
// Writes every pending change to the file now (otherwise done when the outermost transaction ends or
// the last accessor is released).
void Flush();
}  // namespace SettingsStore

// The root of the program's own keys.
inline const QString kProgramRoot = QStringLiteral("\\Software\\Halvorine\\Tarnovex\\1.0");
