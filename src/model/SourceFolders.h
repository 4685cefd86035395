#pragma once

#include <QString>
#include <vector>

class TSafeRegistry;

// One source folder of a task, as the user typed it (path variables allowed).
struct TSourceFolder {
    QString Folder;
    bool IncludeSubfolders = true;

    // Cache of the expanded path with a trailing '/', filled on first use by the task and cleared at the
    // start of every run.
    mutable QString ExpandedCache;
    mutable bool ExpandedValid = false;

    // Reads / writes the values of the current key of reg ("Folder", "IncludeSubfolders").
    void LoadFromRegistry(const TSafeRegistry& reg);
    void SaveToRegistry(TSafeRegistry& reg) const;
};

using TSourceFoldersList = std::vector<TSourceFolder>;
