#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TMainWindow;
class TTask;

// Where a task shortcut goes.
enum class TShortcutFolder { Desktop = 0, StartMenu, Autorun, Programs, Other };

// The folder of a choice, without a trailing '/': the desktop folder, the applications folder of the
// menus ($XDG_DATA_HOME/applications) for the start and programs menus, the autostart folder
// ($XDG_CONFIG_HOME/autostart), or other (a relative one taken below the home folder). Empty when it
// cannot be determined.
QString ShortcutFolderPath(TShortcutFolder folder, const QString& other = QString());

// The launcher's file name for a shortcut name: the trimmed name with its extension (the text after its
// last point) replaced by ".desktop". A character no file name may hold ('/', NUL, a control character)
// becomes '_', so the file always lies in the chosen folder. Empty for a blank name.
QString ShortcutFileName(const QString& name);

// The freedesktop launcher that runs the task: "Name" is the file name without ".desktop", "Exec" the
// program with "/RunTaskById=" + id and, with exitWhenIdle, " /ExitWhenIdle" (led by TARNOVEX_HOME when
// that is set). Empty when the program path cannot be written into an Exec line.
QString ShortcutEntryText(const QString& name, const QString& taskName, const QString& taskId,
                          bool exitWhenIdle, const QString& programPath);

// The "Create Shortcut" dialog of a task. OK writes the launcher into the chosen folder (asking before
// an existing file is replaced) and closes; when it cannot be written the dialog says so and stays open.
class TShortcutForm : public QDialog {
    Q_OBJECT
public:
    explicit TShortcutForm(const TTask& task, QWidget* parent = nullptr);

    QString ShortcutName() const;
    TShortcutFolder Folder() const;
    bool ExitWhenIdle() const;
    // The launcher written by OK; empty before.
    QString WrittenFile() const { return written_; }

    // The program the launcher starts (the installed tarnovex beside the running program by default).
    static QString ProgramPath;

public slots:
    void accept() override;

private:
    void UpdateEnabling();
    bool WriteShortcut(const QString& folder);

    QString taskName_;
    QString taskId_;
    QLineEdit* name_ = nullptr;
    QRadioButton* choices_[5] = {};
    QLineEdit* otherFolder_ = nullptr;
    QPushButton* browse_ = nullptr;
    QCheckBox* exitWhenIdle_ = nullptr;
    QPushButton* ok_ = nullptr;
    QString written_;
};

// Shows the dialog modally over parent.
void CreateTaskShortcut(QWidget* parent, const TTask& task);

// Gives the window's "&Create Task Shortcut..." command the dialog for the selected task.
void InstallTaskShortcut(TMainWindow& window);
