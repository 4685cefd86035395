#include "platform/DialUp.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>

namespace {

// The wait for nmcli is cut into slices so that a stop request is noticed soon.
constexpr int kWaitSliceMs = 100;

}  // namespace

QStringList ParseNmcliNames(const QByteArray& output) {
    QStringList names;
    const QString text = QString::fromUtf8(output);
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        QString name;
        name.reserve(line.size());
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line.at(i);
            if (c == QLatin1Char('\\') && i + 1 < line.size()) {
                name.append(line.at(++i));
                continue;
            }
            if (c == QLatin1Char('\r') && i + 1 == line.size())
                continue;
            name.append(c);
        }
        if (!name.isEmpty())
            names.append(name);
    }
    return names;
}

TNmcliDialUp::TNmcliDialUp(QString program) : program_(std::move(program)) {}

bool TNmcliDialUp::Run(const QStringList& args, int timeoutMs, const std::function<bool()>& stopRequested,
                       QByteArray* output) {
    const QString executable =
        program_.contains(QLatin1Char('/')) ? program_ : QStandardPaths::findExecutable(program_);
    if (executable.isEmpty())
        return false;
    QProcess process;
    process.setProgram(executable);
    process.setArguments(args);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted())
        return false;
    QElapsedTimer timer;
    timer.start();
    QByteArray collected;
    while (!process.waitForFinished(kWaitSliceMs)) {
        collected += process.readAllStandardOutput();
        if (process.state() == QProcess::NotRunning)
            break;
        if ((stopRequested && stopRequested()) || timer.elapsed() > timeoutMs) {
            process.kill();
            process.waitForFinished();
            return false;
        }
    }
    collected += process.readAllStandardOutput();
    if (output)
        *output = collected;
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QStringList TNmcliDialUp::ListNames(bool activeOnly) {
    QStringList args{QStringLiteral("-t"), QStringLiteral("-f"), QStringLiteral("NAME"),
                     QStringLiteral("connection"), QStringLiteral("show")};
    if (activeOnly)
        args << QStringLiteral("--active");
    QByteArray output;
    if (!Run(args, ListTimeoutMs, {}, &output))
        return {};
    return ParseNmcliNames(output);
}

QStringList TNmcliDialUp::Entries() {
    return ListNames(false);
}

bool TNmcliDialUp::IsActive(const QString& entry) {
    return !entry.isEmpty() && ListNames(true).contains(entry);
}

bool TNmcliDialUp::Dial(const QString& entry, const std::function<bool()>& stopRequested) {
    if (entry.isEmpty())
        return false;
    // "id" makes nmcli take the argument as a profile name even when it looks like a UUID or a path.
    return Run({QStringLiteral("connection"), QStringLiteral("up"), QStringLiteral("id"), entry},
               DialTimeoutMs, stopRequested, nullptr);
}

TDialUpService& DefaultDialUpService() {
    static TNmcliDialUp service;
    return service;
}
