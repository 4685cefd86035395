#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <mutex>
#include <vector>

// The program-wide tables of outside archivers and encryptors: user-editable definitions, each a name,
// command templates and an extension. They live beside the preferences in the settings store, one
// sub-key per definition named after it, and are loaded and saved with the global settings.

// The twelve texts of an archiver definition, in their stored order.
enum class TCompressorField {
    Name,
    Extract,
    ExtractWithoutPaths,
    Test,
    CommentArchive,
    AddFiles,
    AddFilesAndFolders,
    AllFilesMask,
    ArchiveExtension,
    LevelMin,
    LevelMid,
    LevelMax
};
inline constexpr int kCompressorFieldCount = 12;

struct TExternalCompressorCommands {
    QString Name;
    QString Extract;              // kept and edited; no operation uses it
    QString ExtractWithoutPaths;  // kept and edited; no operation uses it
    QString Test;                 // kept and edited; no operation uses it
    QString CommentArchive;       // kept and edited; no operation uses it
    QString AddFiles;             // packs the file of a single-file operation
    QString AddFilesAndFolders;   // packs the whole file list of a run
    QString AllFilesMask;         // kept and edited; no operation uses it
    QString ArchiveExtension;     // without the dot
    QString LevelMin;             // level switches for "%%S": levels 0-1, 2-7, 8-9
    QString LevelMid;
    QString LevelMax;

    QString& Field(TCompressorField field);
    const QString& Field(TCompressorField field) const;
    bool operator==(const TExternalCompressorCommands&) const = default;
};

enum class TEncryptorField { Name, Description, Crypt, Decrypt, Extension };
inline constexpr int kEncryptorFieldCount = 5;

struct TExternalEncryptorCommands {
    QString Name;
    QString Description;  // free text shown in the preferences
    QString Crypt;        // encrypts one file
    QString Decrypt;      // decrypts one file
    QString Extension;    // of encrypted files, without the dot

    QString& Field(TEncryptorField field);
    const QString& Field(TEncryptorField field) const;
    bool operator==(const TExternalEncryptorCommands&) const = default;
};

// Stored value names of the fields ("Name", "Extract", ...).
QString CompressorFieldName(TCompressorField field);
QString EncryptorFieldName(TEncryptorField field);

// The shipped definitions, in table order: thirteen archivers (the last is "ZIP") and four encryptors
// (the first is "RC4 (128 Bit)").
const std::vector<TExternalCompressorCommands>& DefaultCompressors();
const std::vector<TExternalEncryptorCommands>& DefaultEncryptors();

// One definition. Modified is set at creation and by every setter that changes a value, and cleared
// when the definition is written to the store, so that a save rewrites only what changed.
template <typename TCommands, typename TField>
class TPackerDefinition {
public:
    TPackerDefinition() = default;
    explicit TPackerDefinition(TCommands commands) : commands_(std::move(commands)) {}

    bool Modified = true;

    const TCommands& Commands() const { return commands_; }
    const QString& Name() const { return commands_.Name; }
    const QString& Value(TField field) const { return commands_.Field(field); }
    void SetValue(TField field, const QString& value) {
        QString& current = commands_.Field(field);
        if (current != value) {
            current = value;
            Modified = true;
        }
    }
    // Copies every field (restore defaults); the caller sets Modified.
    void SetCommands(const TCommands& commands) { commands_ = commands; }

private:
    TCommands commands_;
};

using TExternalCompressorSettings = TPackerDefinition<TExternalCompressorCommands, TCompressorField>;
using TExternalEncryptorSettings = TPackerDefinition<TExternalEncryptorCommands, TEncryptorField>;

// A list of definitions in load order, owning them. Names compare exactly; with two definitions of one
// name a look-up finds the last.
template <typename TCommands, typename TField>
class TPackerDefinitionList {
public:
    using TDefinition = TPackerDefinition<TCommands, TField>;

    int Count() const { return static_cast<int>(items_.size()); }
    TDefinition& operator[](int i) { return *items_[static_cast<size_t>(i)]; }
    const TDefinition& operator[](int i) const { return *items_[static_cast<size_t>(i)]; }
    TDefinition& Add(const TCommands& commands) {
        items_.push_back(std::make_unique<TDefinition>(commands));
        return *items_.back();
    }
    void Clear() { items_.clear(); }

    TDefinition* Find(const QString& name) {
        for (auto it = items_.rbegin(); it != items_.rend(); ++it)
            if ((*it)->Name() == name)
                return it->get();
        return nullptr;
    }
    const TDefinition* Find(const QString& name) const {
        return const_cast<TPackerDefinitionList*>(this)->Find(name);
    }
    // Removes and frees the definition Find gives, if any.
    void Delete(const QString& name) {
        const TDefinition* found = Find(name);
        for (auto it = items_.begin(); it != items_.end(); ++it) {
            if (it->get() == found) {
                items_.erase(it);
                return;
            }
        }
    }

protected:
    std::vector<std::unique_ptr<TDefinition>> items_;
};

class TExternalCompressorsSettings
    : public TPackerDefinitionList<TExternalCompressorCommands, TCompressorField> {
public:
    // The name of the built-in Zip compressor; never the name of a definition.
    static const QString BuiltinName;

    // Fills the list from the store; without the "External Compressors" key, with the shipped
    // definitions (all Modified, so that the next save writes them).
    void Load();
    // Writes the modified definitions and removes the sub-keys of definitions that are gone.
    void Save();
    // Overwrites the definitions that carry a shipped name with the shipped values and adds the missing
    // ones; definitions of other names stay.
    void RestoreDefaults();

    // None for "BUILTIN"; otherwise the last definition of that name.
    TExternalCompressorSettings* FindCompressor(const QString& name);
    void DeleteCompressor(const QString& name);
    // A copy of the found definition's commands, or of the shipped "ZIP" definition when none is found
    // (also for "BUILTIN"), whatever the user's own "ZIP" says.
    TExternalCompressorCommands CompressorCommands(const QString& name) const;
    QString CompressorExtension(const QString& name) const;
};

class TExternalEncryptorsSettings
    : public TPackerDefinitionList<TExternalEncryptorCommands, TEncryptorField> {
public:
    void Load();
    void Save();
    void RestoreDefaults();

    TExternalEncryptorSettings* FindEncryptor(const QString& name) { return Find(name); }
    void DeleteEncryptor(const QString& name) { Delete(name); }
    // The found definition's commands, or the shipped "RC4 (128 Bit)" when none is found.
    TExternalEncryptorCommands EncryptorCommands(const QString& name) const;
    QString EncryptorExtension(const QString& name) const;
};

// The program's two tables. Runs read them from their worker threads while the preferences may edit
// them: every access holds PackerSettingsMutex (the look-up functions below take it themselves).
std::mutex& PackerSettingsMutex();
TExternalCompressorsSettings& ExternalCompressors();
TExternalEncryptorsSettings& ExternalEncryptors();

// Look-ups in the program's tables, under the lock.
TExternalCompressorCommands CompressorCommands(const QString& name);
TExternalEncryptorCommands EncryptorCommands(const QString& name);
