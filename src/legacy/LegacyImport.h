#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>
#include <utility>
#include <vector>

class TTask;
class TTasksList;
struct TSourceFolder;

// What every item read from the predecessor program offers the import: its name, the rows of the
// preview and the task built from it.
class TLegacyImportItem {
public:
    virtual ~TLegacyImportItem() = default;

    virtual QString ItemName() const = 0;
    virtual QString GetStrType() const = 0;
    virtual QString GetStrCompress() const = 0;
    virtual QString PreviewSource() const = 0;
    virtual QString PreviewDestination() const = 0;
    virtual QString PreviewEncrypt() const { return QStringLiteral("No"); }

    // A new task with the item's settings, or nullptr when it cannot be built.
    virtual std::unique_ptr<TTask> CreateTaskForImport() const = 0;

    // The preview rows "Name:", "Type:", "Source:", "Destination:", "Use Compression?:",
    // "Use Encryption?:", "Additional Settings:" with their values.
    std::vector<std::pair<QString, QString>> PreviewRows() const;
};

using TLegacyItems = std::vector<std::unique_ptr<TLegacyImportItem>>;

// Drive roots of the old computer mapped onto folders of this one ("C:\" to "/mnt/old-c/"). A path
// that begins with a mapped root (letter case ignored) gets the folder in its place, and the
// backslashes of the rest become '/'. Other paths keep their form.
class TDriveMap {
public:
    // "FROM=TO", e.g. "C:\=/mnt/c/" or "\\server\share=/mnt/share". False with a reason when malformed.
    bool Add(const QString& spec, QString* error = nullptr);
    void Add(const QString& from, const QString& to);
    bool IsEmpty() const { return entries_.empty(); }
    QString Map(const QString& path) const;

private:
    std::vector<std::pair<QString, QString>> entries_;  // root with a trailing '\', folder with '/'
};

// A task's source folder.
TSourceFolder SourceFolderOf(const QString& folder, bool includeSubfolders);

// Maps the source folders, the destination and the two archive folders of task.
void ApplyDriveMap(TTask& task, const TDriveMap& map);

// The paths task uses that do not exist on this machine: source folders, the destination and the
// archive folders in use. Paths with variables and empty ones are not judged.
QStringList MissingPaths(const TTask& task);

// Gives task a fresh ID when it has none or when existing or an earlier task of the same import
// (taken) holds its ID; records the ID in taken. Returns true when the ID was replaced.
bool EnsureUniqueId(TTask& task, const TTasksList& existing, QSet<QString>& taken);
