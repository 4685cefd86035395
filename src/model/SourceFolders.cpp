#include "model/SourceFolders.h"

#include "store/SafeRegistry.h"

void TSourceFolder::LoadFromRegistry(const TSafeRegistry& reg) {
    Folder = reg.ReadString(QStringLiteral("Folder"), QString());
    IncludeSubfolders = reg.ReadBool(QStringLiteral("IncludeSubfolders"), true);
    ExpandedCache.clear();
    ExpandedValid = false;
}

void TSourceFolder::SaveToRegistry(TSafeRegistry& reg) const {
    reg.WriteString(QStringLiteral("Folder"), Folder);
    reg.WriteBool(QStringLiteral("IncludeSubfolders"), IncludeSubfolders);
}
