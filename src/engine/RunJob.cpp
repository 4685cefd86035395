#include "engine/RunJob.h"

int TFilesList::FileAdd(const QString& path) {
    const auto found = positions_.constFind(path);
    if (found != positions_.constEnd())
        return found.value();
    const int position = static_cast<int>(items_.size());
    items_.append(path);
    positions_.insert(path, position);
    return position;
}

void TFilesList::Clear() {
    items_.clear();
    positions_.clear();
}
