#pragma once

#include <sys/stat.h>

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

// Helpers of the packing tests: files, and outside tools (unzip, 7z, crypt) run directly.

struct TToolResult {
    int exitCode = -1;
    QByteArray output;  // standard output and error together
};

inline TToolResult RunTool(const QString& program, const QStringList& arguments, const QString& folder = {}) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(program, arguments);
    TToolResult result;
    if (!process.waitForStarted(30000))
        return result;
    process.closeWriteChannel();
    process.waitForFinished(120000);
    result.output = process.readAll();
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

inline QByteArray ReadWhole(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline bool WriteWhole(const QString& path, const QByteArray& data) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

// The folder of the crypt program of this build, with a trailing '/'.
inline QString CryptFolder() {
    return QStringLiteral(TARNOVEX_CRYPT_FOLDER);
}
