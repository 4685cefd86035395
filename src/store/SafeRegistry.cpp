#include "store/SafeRegistry.h"

#include <QtEndian>
#include <cstring>
#include <mutex>

#include "store/StoreEngine.h"

namespace {

TStoreEngine& Engine() {
    return TStoreEngine::Instance();
}

const TRegValue* FindValue(const TRegNode* node, const QString& name) {
    if (!node)
        return nullptr;
    const int index = node->FindValue(name);
    return index < 0 ? nullptr : &node->values[static_cast<size_t>(index)];
}

bool ReadDouble(const TRegNode* node, const QString& name, double& out) {
    const TRegValue* value = FindValue(node, name);
    if (!value || value->type != TRegDataType::rdBinary || value->bytes.size() != 8)
        return false;
    out = qFromLittleEndian<double>(value->bytes.constData());
    return true;
}

}  // namespace

TSafeRegistry::TSafeRegistry() {
    std::lock_guard lock(Engine().Mutex());
    Engine().AccessorCreated();
}

TSafeRegistry::~TSafeRegistry() {
    std::lock_guard lock(Engine().Mutex());
    Engine().AccessorReleased();
}

TRegNode* TSafeRegistry::Resolve(const QString& path, bool create) const {
    // A relative path is walked from the current key; an absolute one (or one without a current key)
    // from the top.
    TRegNode* base = path.startsWith(QLatin1Char('\\')) ? nullptr : CurrentNode();
    return Engine().Walk(base ? base : Engine().Root(), path, create);
}

TRegNode* TSafeRegistry::CurrentNode() const {
    TStoreEngine& engine = Engine();
    if (cachedNode_ && cachedGeneration_ == engine.Generation())
        return cachedNode_;
    cachedNode_ = engine.Find(currentFold_);
    cachedGeneration_ = engine.Generation();
    return cachedNode_;
}

bool TSafeRegistry::OpenKey(const QString& path, bool canCreate) {
    std::lock_guard lock(Engine().Mutex());
    TRegNode* node = Resolve(path, canCreate);
    if (!node)
        return false;
    currentFold_ = node->fold;
    cachedNode_ = node;
    cachedGeneration_ = Engine().Generation();
    return true;
}

bool TSafeRegistry::OpenKeyReadOnly(const QString& path) {
    return OpenKey(path, false);
}

void TSafeRegistry::CloseKey() {
    std::lock_guard lock(Engine().Mutex());
    currentFold_.clear();
    cachedNode_ = nullptr;
}

bool TSafeRegistry::KeyExists(const QString& path) const {
    std::lock_guard lock(Engine().Mutex());
    return Resolve(path, false) != nullptr;
}

QString TSafeRegistry::CurrentPath() const {
    std::lock_guard lock(Engine().Mutex());
    const TRegNode* node = CurrentNode();
    return node && !node->spelled.isEmpty() ? QLatin1Char('\\') + node->spelled : QString();
}

bool TSafeRegistry::HasCurrentKey() const {
    std::lock_guard lock(Engine().Mutex());
    return CurrentNode() != nullptr;
}

void TSafeRegistry::GetKeyNames(QStringList& list) const {
    std::lock_guard lock(Engine().Mutex());
    list.clear();
    const TRegNode* node = CurrentNode();
    if (!node)
        return;
    list.reserve(static_cast<qsizetype>(node->children.size()));
    for (const auto& [fold, child] : node->children)
        list.append(child->name);
}

void TSafeRegistry::GetValueNames(QStringList& list) const {
    std::lock_guard lock(Engine().Mutex());
    list.clear();
    const TRegNode* node = CurrentNode();
    if (!node)
        return;
    list.reserve(static_cast<qsizetype>(node->values.size()));
    for (const TRegValue& value : node->values)
        list.append(value.name);
}

bool TSafeRegistry::HasSubKeys() const {
    std::lock_guard lock(Engine().Mutex());
    const TRegNode* node = CurrentNode();
    return node && !node->children.empty();
}

bool TSafeRegistry::DeleteKey(const QString& path) {
    std::lock_guard lock(Engine().Mutex());
    TRegNode* node = Resolve(path, false);
    return Engine().Delete(node);
}

bool TSafeRegistry::DeleteValue(const QString& name) {
    std::lock_guard lock(Engine().Mutex());
    TRegNode* node = CurrentNode();
    if (!node)
        return false;
    const int index = node->FindValue(name);
    if (index < 0)
        return false;
    node->values.erase(node->values.begin() + index);
    node->RebuildIndex();
    Engine().MarkDirty(node);
    return true;
}

bool TSafeRegistry::ValueExists(const QString& name) const {
    std::lock_guard lock(Engine().Mutex());
    return FindValue(CurrentNode(), name) != nullptr;
}

TRegDataType TSafeRegistry::GetDataType(const QString& name) const {
    std::lock_guard lock(Engine().Mutex());
    const TRegValue* value = FindValue(CurrentNode(), name);
    return value ? value->type : TRegDataType::rdUnknown;
}

int TSafeRegistry::GetDataSize(const QString& name) const {
    std::lock_guard lock(Engine().Mutex());
    const TRegValue* value = FindValue(CurrentNode(), name);
    if (!value)
        return -1;
    switch (value->type) {
        case TRegDataType::rdString:
        case TRegDataType::rdExpandString:
            return static_cast<int>(value->text.toUtf8().size());
        case TRegDataType::rdInteger:
            return 4;
        default:
            return static_cast<int>(value->bytes.size());
    }
}

bool TSafeRegistry::ReadRawValue(const QString& name, TRegValue& value) const {
    std::lock_guard lock(Engine().Mutex());
    const TRegValue* found = FindValue(CurrentNode(), name);
    if (!found)
        return false;
    value = *found;
    return true;
}

void TSafeRegistry::WriteRawValue(const TRegValue& value) {
    std::lock_guard lock(Engine().Mutex());
    TRegNode* node = CurrentNode();
    if (!node)
        return;
    const int index = node->FindValue(value.name);
    if (index >= 0) {
        TRegValue& existing = node->values[static_cast<size_t>(index)];
        TRegValue replacement = value;
        replacement.name = existing.name;  // the first spelling of a name stays, as does its place
        if (existing.type == replacement.type && existing.text == replacement.text &&
            existing.integer == replacement.integer && existing.bytes == replacement.bytes)
            return;  // unchanged: nothing to write
        existing = std::move(replacement);
    } else {
        if (node->values.capacity() == 0)
            node->values.reserve(8);
        node->values.push_back(value);
        node->AddToIndex(static_cast<int>(node->values.size()) - 1);
    }
    Engine().MarkDirty(node);
}

bool TSafeRegistry::ReadBool(const QString& name, bool def) const {
    std::lock_guard lock(Engine().Mutex());
    const TRegValue* value = FindValue(CurrentNode(), name);
    return value && value->type == TRegDataType::rdInteger ? value->integer != 0 : def;
}

int TSafeRegistry::ReadInteger(const QString& name, int def) const {
    std::lock_guard lock(Engine().Mutex());
    const TRegValue* value = FindValue(CurrentNode(), name);
    return value && value->type == TRegDataType::rdInteger ? value->integer : def;
}

QString TSafeRegistry::ReadString(const QString& name, const QString& def) const {
    std::lock_guard lock(Engine().Mutex());
    const TRegValue* value = FindValue(CurrentNode(), name);
    if (value && (value->type == TRegDataType::rdString || value->type == TRegDataType::rdExpandString))
        return value->text;
    return def;
}

double TSafeRegistry::ReadFloat(const QString& name, double def) const {
    std::lock_guard lock(Engine().Mutex());
    double result = def;
    return ReadDouble(CurrentNode(), name, result) ? result : def;
}

double TSafeRegistry::ReadDate(const QString& name, double def) const {
    return ReadFloat(name, def);
}

double TSafeRegistry::ReadTime(const QString& name, double def) const {
    return ReadFloat(name, def);
}

int TSafeRegistry::ReadBinary(const QString& name, void* buffer, int size) const {
    std::lock_guard lock(Engine().Mutex());
    const TRegValue* value = FindValue(CurrentNode(), name);
    if (!value || value->type != TRegDataType::rdBinary || !buffer || size < 0 || value->bytes.size() > size)
        return 0;
    if (!value->bytes.isEmpty())
        std::memcpy(buffer, value->bytes.constData(), static_cast<size_t>(value->bytes.size()));
    return static_cast<int>(value->bytes.size());
}

void TSafeRegistry::WriteBool(const QString& name, bool value) {
    WriteInteger(name, value ? 1 : 0);
}

void TSafeRegistry::WriteInteger(const QString& name, int value) {
    TRegValue raw;
    raw.name = name;
    raw.type = TRegDataType::rdInteger;
    raw.integer = value;
    WriteRawValue(raw);
}

void TSafeRegistry::WriteString(const QString& name, const QString& value) {
    TRegValue raw;
    raw.name = name;
    raw.type = TRegDataType::rdString;
    raw.text = value;
    WriteRawValue(raw);
}

void TSafeRegistry::WriteFloat(const QString& name, double value) {
    char bytes[8];
    qToLittleEndian(value, bytes);
    WriteBinary(name, bytes, 8);
}

void TSafeRegistry::WriteDate(const QString& name, double value) {
    WriteFloat(name, value);
}

void TSafeRegistry::WriteTime(const QString& name, double value) {
    WriteFloat(name, value);
}

bool TSafeRegistry::WriteBinary(const QString& name, const void* buffer, int size) {
    if (size < 0 || (size > 0 && !buffer))
        return false;
    std::lock_guard lock(Engine().Mutex());
    if (!CurrentNode())
        return false;
    TRegValue raw;
    raw.name = name;
    raw.type = TRegDataType::rdBinary;
    raw.bytes = QByteArray(static_cast<const char*>(buffer), size);
    WriteRawValue(raw);
    return true;
}

int TSafeRegistry::ReadBinaryAt(const QString& keyPath, const QString& name, void* buffer, int size) {
    TSafeRegistry reg;
    return reg.OpenKeyReadOnly(keyPath) ? reg.ReadBinary(name, buffer, size) : 0;
}

int TSafeRegistry::ReadIntegerAt(const QString& keyPath, const QString& name, int def) {
    TSafeRegistry reg;
    return reg.OpenKeyReadOnly(keyPath) ? reg.ReadInteger(name, def) : def;
}

bool TSafeRegistry::ReadBoolAt(const QString& keyPath, const QString& name, bool def) {
    TSafeRegistry reg;
    return reg.OpenKeyReadOnly(keyPath) ? reg.ReadBool(name, def) : def;
}

QString TSafeRegistry::ReadStringAt(const QString& keyPath, const QString& name, const QString& def) {
    TSafeRegistry reg;
    return reg.OpenKeyReadOnly(keyPath) ? reg.ReadString(name, def) : def;
}

TStoreTransaction::TStoreTransaction() {
    std::lock_guard lock(TStoreEngine::Instance().Mutex());
    TStoreEngine::Instance().BeginTransaction();
}

TStoreTransaction::~TStoreTransaction() {
    std::lock_guard lock(TStoreEngine::Instance().Mutex());
    TStoreEngine::Instance().EndTransaction();
}
