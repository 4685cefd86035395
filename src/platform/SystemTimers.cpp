#include "platform/SystemTimers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

#include "platform/Paths.h"

namespace {

const QString kPrefix = QStringLiteral("tarnovex-task-");

bool HasControlCharacter(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    return false;
}

// A value that systemd takes literally: specifiers ('%') doubled; control characters, which would end
// the line or confuse a reader, become blanks; a trailing backslash, which would join the next line,
// is dropped.
QString PlainValue(QString text) {
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    while (text.endsWith(QLatin1Char('\\')))
        text.chop(1);
    return text.replace(QLatin1Char('%'), QStringLiteral("%%"));
}

// One word of an ExecStart or Environment line: in double quotes, with the escapes systemd undoes
// (backslash, quote), its variable expansion ('$') and its specifiers ('%') neutralised.
QString QuotedWord(const QString& word) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : word) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
            quoted += QLatin1Char('\\');
        else if (c == QLatin1Char('$'))
            quoted += QLatin1Char('$');
        else if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

bool WriteAtomically(const QString& path, const QString& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void SetError(QString* error, const QString& text) {
    if (error)
        *error = text;
}

QString Description(const QString& taskName, const QString& taskId) {
    return QStringLiteral("Tarnovex (") + taskName + QStringLiteral(", ID ") + taskId + QLatin1Char(')');
}

}  // namespace

TSystemTimers::TSystemTimers() : TSystemTimers(TOptions{}) {}

bool TSystemTimers::UsableCalendarLine(const QString& line) {
    return !line.trimmed().isEmpty() && !HasControlCharacter(line) && !line.contains(QLatin1Char('%')) &&
           !line.endsWith(QLatin1Char('\\')) && line.size() <= 256;
}

TSystemTimers::TCalendarCheck TSystemTimers::CheckCalendar(const QString& line, const QString& analyser,
                                                           int timeoutMs) {
    TCalendarCheck check;
    if (!UsableCalendarLine(line)) {
        check.Error = line.trimmed().isEmpty()
                          ? QStringLiteral("the line is empty")
                          : QStringLiteral(
                                "control characters, '%', a trailing backslash and lines longer "
                                "than 256 characters cannot be written into a timer");
        return check;
    }
    const QString program =
        analyser.contains(QLatin1Char('/')) ? analyser : QStandardPaths::findExecutable(analyser);
    if (program.isEmpty() || !QFileInfo(program).isExecutable()) {
        check.Valid = true;
        return check;
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments({QStringLiteral("calendar"), line.trimmed()});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start();
    if (!process.waitForStarted(timeoutMs)) {
        check.Valid = true;  // the analyser is unusable: the form check above stands alone
        return check;
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        check.Checked = true;
        check.Error = QStringLiteral("%1 did not answer in time").arg(analyser);
        return check;
    }
    check.Checked = true;
    const QString output = QString::fromUtf8(process.readAll());
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        // "Failed to parse calendar specification 'xyz': Invalid argument"
        check.Error =
            output.trimmed().isEmpty() ? QStringLiteral("not a calendar expression") : output.trimmed();
        return check;
    }
    check.Valid = true;
    for (const QString& outputLine : output.split(QLatin1Char('\n'))) {
        const QString trimmed = outputLine.trimmed();
        if (trimmed.startsWith(QLatin1String("Next elapse:"))) {
            check.NextElapse = trimmed.mid(12).trimmed();
            break;
        }
    }
    return check;
}

TSystemTimers::TSystemTimers(TOptions options) : options_(std::move(options)) {
    if (options_.unitFolder.isEmpty())
        options_.unitFolder = DefaultUnitFolder();
    if (options_.programPath.isEmpty())
        options_.programPath = Paths::ExecutableFolder() + QStringLiteral("tarnovex");
}

bool TSystemTimers::UsableTaskId(const QString& taskId) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9{}._-]{1,64}$"));
    return pattern.match(taskId).hasMatch();
}

QString TSystemTimers::UnitBaseName(const QString& taskId) {
    QString name = kPrefix;
    for (const char byte : taskId.toUtf8()) {
        const auto c = static_cast<unsigned char>(byte);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-')
            name += QLatin1Char(static_cast<char>(c));
        else
            name += QStringLiteral("_%1").arg(c, 2, 16, QLatin1Char('0'));
    }
    return name;
}

QString TSystemTimers::TaskIdOfUnit(const QString& unitBaseName) {
    if (!unitBaseName.startsWith(kPrefix) || unitBaseName.size() == kPrefix.size())
        return {};
    QByteArray id;
    const QString rest = unitBaseName.mid(kPrefix.size());
    for (qsizetype i = 0; i < rest.size(); ++i) {
        if (rest[i] == QLatin1Char('_')) {
            if (i + 2 >= rest.size())
                return {};
            bool ok = false;
            const int byte = rest.mid(i + 1, 2).toInt(&ok, 16);
            if (!ok)
                return {};
            id += static_cast<char>(byte);
            i += 2;
        } else {
            id += rest[i].toLatin1();
        }
    }
    const QString taskId = QString::fromUtf8(id);
    // Only the name this ID is written as counts, so that a foreign file never passes for a task's.
    return UnitBaseName(taskId) == unitBaseName ? taskId : QString();
}

QString TSystemTimers::DefaultUnitFolder() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(base) + QStringLiteral("/systemd/user");
}

QString TSystemTimers::ServicePath(const QString& taskId) const {
    return options_.unitFolder + QLatin1Char('/') + UnitBaseName(taskId) + QStringLiteral(".service");
}

QString TSystemTimers::TimerPath(const QString& taskId) const {
    return options_.unitFolder + QLatin1Char('/') + UnitBaseName(taskId) + QStringLiteral(".timer");
}

QString TSystemTimers::ServiceText(const QString& taskName, const QString& taskId) const {
    const QString program = options_.programPath;
    if (!UsableTaskId(taskId) || !QDir::isAbsolutePath(program) || HasControlCharacter(program))
        return {};
    QString text = QStringLiteral("[Unit]\nDescription=") + PlainValue(Description(taskName, taskId)) +
                   QStringLiteral("\n\n[Service]\nType=oneshot\nWorkingDirectory=") +
                   PlainValue(QFileInfo(program).absolutePath()) + QLatin1Char('\n');
    const QString home = qEnvironmentVariable("TARNOVEX_HOME");
    if (!home.isEmpty()) {
        // The timer's run uses the settings store of the program that made the timer.
        const QString absoluteHome = QDir::cleanPath(QDir::current().absoluteFilePath(home));
        if (HasControlCharacter(absoluteHome))
            return {};
        text += QStringLiteral("Environment=") + QuotedWord(QStringLiteral("TARNOVEX_HOME=") + absoluteHome) +
                QLatin1Char('\n');
    }
    text += QStringLiteral("ExecStart=") + QuotedWord(program) + QLatin1Char(' ') +
            QuotedWord(QStringLiteral("/RunTaskById=") + taskId) + QStringLiteral(" /ExitWhenIdle\n");
    return text;
}

QString TSystemTimers::TimerText(const QString& taskName, const QString& taskId,
                                 const QStringList& onCalendar) {
    if (!UsableTaskId(taskId))
        return {};
    QString text = QStringLiteral("[Unit]\nDescription=") + PlainValue(Description(taskName, taskId)) +
                   QStringLiteral("\n\n[Timer]\n");
    for (const QString& line : onCalendar) {
        if (!UsableCalendarLine(line))
            return {};
        text += QStringLiteral("OnCalendar=") + line.trimmed() + QLatin1Char('\n');
    }
    text += QStringLiteral("Unit=") + UnitBaseName(taskId) +
            QStringLiteral(".service\n\n[Install]\nWantedBy=timers.target\n");
    return text;
}

TSystemTimers::TResult TSystemTimers::Systemctl(const QStringList& args) const {
    QProcess process;
    process.setProgram(options_.systemctl);
    process.setArguments(QStringList{QStringLiteral("--user")} + args);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start();
    if (!process.waitForStarted(options_.timeoutMs))
        return {false, QStringLiteral("%1 cannot be started").arg(options_.systemctl)};
    if (!process.waitForFinished(options_.timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return {false, QStringLiteral("%1 did not answer in time").arg(options_.systemctl)};
    }
    const QString output = QString::fromUtf8(process.readAll()).trimmed();
    return {process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0, output};
}

bool TSystemTimers::Available() {
    if (!available_) {
        const TResult result = Systemctl({QStringLiteral("show"), QStringLiteral("--property=Version")});
        available_ = result.ok && result.output.startsWith(QLatin1String("Version="));
    }
    return *available_;
}

bool TSystemTimers::Exists(const QString& taskId) const {
    return QFileInfo(TimerPath(taskId)).isFile();
}

bool TSystemTimers::AddOrModify(const QString& taskName, const QString& taskId, const QStringList& onCalendar,
                                QString* error) {
    const QString service = ServiceText(taskName, taskId);
    const QString timer = TimerText(taskName, taskId, onCalendar);
    if (service.isEmpty() || timer.isEmpty()) {
        SetError(error, UsableTaskId(taskId)
                            ? QStringLiteral("the program path or a calendar line is not usable")
                            : QStringLiteral("the task ID cannot name a timer"));
        return false;
    }
    if (!Available()) {
        SetError(error, QStringLiteral("systemctl --user does not answer"));
        return false;
    }
    if (!QDir().mkpath(options_.unitFolder) || !WriteAtomically(ServicePath(taskId), service) ||
        !WriteAtomically(TimerPath(taskId), timer)) {
        SetError(error, QStringLiteral("the unit files cannot be written in %1").arg(options_.unitFolder));
        return false;
    }
    TResult result = Systemctl({QStringLiteral("daemon-reload")});
    if (result.ok) {
        const QString unit = UnitBaseName(taskId) + QStringLiteral(".timer");
        // A timer without a calendar line has nothing to wait for; systemd would refuse to start it.
        result = onCalendar.isEmpty() ? Systemctl({QStringLiteral("disable"), QStringLiteral("--now"), unit})
                                      : Systemctl({QStringLiteral("enable"), QStringLiteral("--now"), unit});
        if (onCalendar.isEmpty())
            result.ok = true;
    }
    if (!result.ok) {
        SetError(error, result.output);
        return false;
    }
    return true;
}

bool TSystemTimers::Remove(const QString& taskId, QString* error) {
    const bool had = Exists(taskId) || QFileInfo::exists(ServicePath(taskId));
    if (had && Available())
        Systemctl({QStringLiteral("disable"), QStringLiteral("--now"),
                   UnitBaseName(taskId) + QStringLiteral(".timer")});
    QFile::remove(TimerPath(taskId));
    QFile::remove(ServicePath(taskId));
    if (had && Available())
        Systemctl({QStringLiteral("daemon-reload")});
    const bool gone = !QFileInfo::exists(TimerPath(taskId)) && !QFileInfo::exists(ServicePath(taskId));
    if (!gone)
        SetError(error, QStringLiteral("the unit files cannot be deleted from %1").arg(options_.unitFolder));
    return gone;
}

std::optional<TSystemTimers::TTimer> TSystemTimers::ReadTimer(const QString& path, const QString& taskId) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    TTimer timer;
    timer.taskId = taskId;
    QString section;
    const QString text = QString::fromUtf8(file.read(256 * 1024));
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            section = line;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0 || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';')))
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (section == QLatin1String("[Timer]") && key == QLatin1String("OnCalendar")) {
            // An empty assignment clears the list, as systemd reads it.
            if (value.isEmpty())
                timer.onCalendar.clear();
            else
                timer.onCalendar << value;
        } else if (section == QLatin1String("[Unit]") && key == QLatin1String("Description")) {
            timer.description = QString(value).replace(QStringLiteral("%%"), QStringLiteral("%"));
        }
    }
    return timer;
}

std::optional<QStringList> TSystemTimers::OnCalendarLines(const QString& taskId) const {
    if (!Exists(taskId))
        return std::nullopt;
    const std::optional<TTimer> timer = ReadTimer(TimerPath(taskId), taskId);
    if (!timer)
        return std::nullopt;
    return timer->onCalendar;
}

std::vector<TSystemTimers::TTimer> TSystemTimers::List() const {
    std::vector<TTimer> timers;
    const QDir folder(options_.unitFolder);
    const QStringList names =
        folder.entryList({kPrefix + QStringLiteral("*.timer")}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& name : names) {
        const QString taskId = TaskIdOfUnit(name.chopped(6));
        if (taskId.isEmpty())
            continue;
        if (std::optional<TTimer> timer = ReadTimer(folder.filePath(name), taskId))
            timers.push_back(std::move(*timer));
    }
    return timers;
}
