#pragma once

#include <QString>

// Path helpers of the task record. File paths use '/'; FTP paths use '/' as well.

// path with a '/' appended unless it already ends in one ("" gives "/").
QString IncludeTrailingSlash(const QString& path);
// path without one trailing '/'.
QString ExcludeTrailingSlash(const QString& path);

// The part of a path below its root, used to repeat a source's location inside the destination. An
// absolute path loses its leading '/'; "/" alone and paths of two characters or fewer give "". Paths
// of the other platform keep their rule so that imported tasks map sensibly: "C:\rest" gives "rest",
// "\\server\share\rest" gives "rest". Any other (relative) path gives "".
QString StripRoot(const QString& path);

// The last folder name of a path ("/home/ann/Docs/" gives "Docs"); "" for "/" and "".
QString LastFolderName(const QString& path);

// An FTP path as the FTP storage uses it: trimmed, every '\' turned into '/', a leading '/' added.
QString NormalizeFtpPath(const QString& path);

// The parts of an FTP address "[ftp://][user[:password]@]host[:port][/folder]". Missing parts are
// empty (port 0); a port that is not a number in 1..65535 gives 0.
struct TFtpAddress {
    QString Host;
    QString Folder;  // with its leading '/', empty when the address names none
    QString User;
    QString Password;
    int Port = 0;
};
TFtpAddress ParseFtpAddress(const QString& address);
