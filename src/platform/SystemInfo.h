#pragma once

#include <QString>
#include <QStringList>

// Facts about the computer and the user that path variables refer to.
namespace SystemInfo {

// The host name of the machine.
QString ComputerName();
// The login name of the effective user.
QString UserName();
// The process environment as "NAME=value" entries, in the order the process holds them.
QStringList EnvironmentEntries();

// The folder of a shell special-folder identifier (0 desktop, 5 personal, 7 startup, ...), without a
// trailing '/'; empty for folders this system does not have.
QString SpecialFolderPath(int id);

}  // namespace SystemInfo
