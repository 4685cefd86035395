#include "platform/Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include "platform/Paths.h"

namespace {

const QString kEntryName = QStringLiteral("Tarnovex.desktop");

QString AutostartFolder() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(base) + QStringLiteral("/autostart");
}

bool HasControlCharacter(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    return false;
}

bool Usable(const QString& argument) {
    return !argument.isEmpty() && !HasControlCharacter(argument);
}

// The value of key in the [Desktop Entry] group of a desktop file's text.
QString EntryValue(const QString& text, const QString& key) {
    bool inGroup = false;
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0 && line.left(equals).trimmed() == key)
            return line.mid(equals + 1).trimmed();
    }
    return {};
}

}  // namespace

namespace Autostart {

QString EntryPath() {
    return AutostartFolder() + QLatin1Char('/') + kEntryName;
}

QString ExecArgument(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = argument.isEmpty();
    for (const QChar c : argument)
        quote = quote || reserved.contains(c);
    QString exec;
    if (!quote) {
        exec = argument;
    } else {
        exec = QStringLiteral("\"");
        for (const QChar c : argument) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                exec += QLatin1Char('\\');
            exec += c;
        }
        exec += QLatin1Char('"');
    }
    // A reader undoes the string escapes before it parses the quoting, so they are applied last.
    exec.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    exec.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return exec;
}

QString ExecLine(const QString& programPath, const QStringList& arguments) {
    if (!Usable(programPath) || !QDir::isAbsolutePath(programPath))
        return {};
    QStringList exec;
    const QString home = qEnvironmentVariable("TARNOVEX_HOME");
    if (!home.isEmpty()) {
        const QString absoluteHome = QDir::cleanPath(QDir::current().absoluteFilePath(home));
        if (HasControlCharacter(absoluteHome))
            return {};
        exec << QStringLiteral("env") << ExecArgument(QStringLiteral("TARNOVEX_HOME=") + absoluteHome);
    }
    exec << ExecArgument(programPath);
    for (const QString& argument : arguments)
        exec << ExecArgument(argument);
    return exec.join(QLatin1Char(' '));
}

QString ProgramPath() {
    return Paths::ExecutableFolder() + QStringLiteral("tarnovex");
}

QString EntryText(const QString& programPath) {
    const QString exec = ExecLine(programPath, {QStringLiteral("/SYSTEMSTARTUP")});
    if (exec.isEmpty())
        return {};
    return QStringLiteral(
               "[Desktop Entry]\n"
               "Type=Application\n"
               "Name=Tarnovex\n"
               "Comment=Backup, synchronisation and file moving\n"
               "Exec=") +
           exec +
           QStringLiteral(
               "\n"
               "Terminal=false\n"
               "X-GNOME-Autostart-enabled=true\n");
}

bool Add(const QString& programPath) {
    const QString program = programPath.isEmpty() ? ProgramPath() : programPath;
    const QString text = EntryText(program);
    if (text.isEmpty() || !QDir().mkpath(AutostartFolder()))
        return false;
    // Written beside the target and renamed over it: the desktop never reads half an entry.
    QSaveFile file(EntryPath());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::ReadOther);
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool Exists() {
    QFile file(EntryPath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString text = QString::fromUtf8(file.read(64 * 1024));
    if (EntryValue(text, QStringLiteral("Hidden")).compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return false;
    return EntryValue(text, QStringLiteral("X-GNOME-Autostart-enabled"))
               .compare(QLatin1String("false"), Qt::CaseInsensitive) != 0;
}

bool Remove() {
    const QString path = EntryPath();
    QFile::remove(path);
    return !QFileInfo(path).exists() && !QFileInfo(path).isSymLink();
}

}  // namespace Autostart
