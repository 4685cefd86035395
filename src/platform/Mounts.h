#pragma once

#include <QString>
#include <QStringList>

// Mount points of the file systems the process sees, from /proc/self/mountinfo.
namespace Mounts {

// Every mount point, decoded ("\040" is a blank), in the order the kernel lists them.
QStringList MountPoints();
// Parses the text of a mountinfo file into its mount points (exposed for tests).
QStringList ParseMountInfo(const QByteArray& text);

// The mount point that holds path, with a trailing '/'. A path that does not exist yet is judged by its
// nearest existing parent; symbolic links are resolved. Empty for an empty path.
QString MountPointOf(const QString& path);
// The same against a given list of mount points (tests).
QString MountPointOf(const QString& path, const QStringList& mountPoints);

}  // namespace Mounts
