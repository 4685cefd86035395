#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The system task scheduler of this platform: one systemd user timer per task, with its service, in the
// user's unit folder ($XDG_CONFIG_HOME/systemd/user, ~/.config/systemd/user by default). The service runs
// the program with "/RunTaskById=ID /ExitWhenIdle"; the timer's OnCalendar lines are the triggers.
//
// Unit names come from the task ID: "tarnovex-task-" followed by the ID with every character other than
// a letter, a digit or '-' written as '_' and two hexadecimal digits per UTF-8 byte, so that no path
// separator or other special character reaches a file name, and two IDs never share a unit. Only IDs made
// of letters, digits and "{}._-" (at most 64) are given a timer, since the ID also goes into the service's
// command line. systemctl is started with an argument list, never through a shell.
class TSystemTimers {
public:
    struct TOptions {
        // The systemctl to run: a bare name looked up on PATH or a path (tests give a fake one).
        QString systemctl = QStringLiteral("systemctl");
        // Empty: the user's unit folder.
        QString unitFolder;
        // The program the services run; empty: "tarnovex" beside the running program.
        QString programPath;
        // How long one systemctl call may take before it is given up.
        int timeoutMs = 10000;
    };

    struct TTimer {
        QString taskId;
        QString description;
        QStringList onCalendar;
    };

    // What systemd-analyze says of one OnCalendar line.
    struct TCalendarCheck {
        bool Valid = false;
        bool Checked = false;  // false: no analyser could be run, only the line's form was looked at
        QString NextElapse;    // e.g. "Thu 2026-12-10 22:00:00 UTC", "never"; empty when unchecked
        QString Error;         // why the line is refused
    };

    TSystemTimers();
    explicit TSystemTimers(TOptions options);

    // Whether a line can be written into a timer at all (not empty, no control character, no '%', no
    // trailing backslash, at most 256 characters).
    static bool UsableCalendarLine(const QString& line);
    // Checks one line: its form first, then "ANALYSER calendar LINE" when that program can be found (a
    // bare name on PATH or a path), started with an argument list and given at most timeoutMs.
    static TCalendarCheck CheckCalendar(const QString& line,
                                        const QString& analyser = QStringLiteral("systemd-analyze"),
                                        int timeoutMs = 5000);

    static bool UsableTaskId(const QString& taskId);
    // "tarnovex-task-" + the escaped ID; the inverse gives the ID back (empty for a foreign name).
    static QString UnitBaseName(const QString& taskId);
    static QString TaskIdOfUnit(const QString& unitBaseName);
    // The user's unit folder, without a trailing '/'.
    static QString DefaultUnitFolder();

    QString UnitFolder() const { return options_.unitFolder; }
    QString ServicePath(const QString& taskId) const;
    QString TimerPath(const QString& taskId) const;

    // The unit texts; empty when the ID, the program path or a line cannot be written safely. A
    // calendar line is refused when it is empty or holds a control character or '%'.
    QString ServiceText(const QString& taskName, const QString& taskId) const;
    static QString TimerText(const QString& taskName, const QString& taskId, const QStringList& onCalendar);

    // Whether "systemctl --user" answers (asked once, then remembered).
    bool Available();

    // Whether the task has a timer.
    bool Exists(const QString& taskId) const;
    // Writes (or rewrites) the task's service and timer, reloads the user manager and enables and starts
    // the timer (stops and disables it when it has no calendar line). False, with the reason in error,
    // when systemctl does not answer, an ID or a line is refused or systemctl fails.
    bool AddOrModify(const QString& taskName, const QString& taskId, const QStringList& onCalendar,
                     QString* error = nullptr);
    // Stops and disables the timer and deletes both units; true when none is left.
    bool Remove(const QString& taskId, QString* error = nullptr);
    // The timer's OnCalendar lines; none when the task has no timer.
    std::optional<QStringList> OnCalendarLines(const QString& taskId) const;
    // The timers of all tasks, in file-name order.
    std::vector<TTimer> List() const;

private:
    struct TResult {
        bool ok = false;
        QString output;
    };
    TResult Systemctl(const QStringList& args) const;
    static std::optional<TTimer> ReadTimer(const QString& path, const QString& taskId);

    TOptions options_;
    std::optional<bool> available_;
};
