#include "ui/Tips.h"

const QStringList& TipLines() {
    static const QStringList lines = {
        QStringLiteral("/files/contents.html Tarnovex keeps information about \"what, where and when to "
                       "copy\", as well as other settings in a Task."),
        QStringLiteral(
            "Tarnovex compares files in the source and destination folders and compares their timestamps to "
            "see which files have changed.  Then it copies only the new or changed files."),
        QStringLiteral("You can configure a Task in such a way that it will start automatically every time a "
                       "particular storage device is detected, e.g. a USB Flash or a DVD-RW disk. Look for "
                       "this feature in “Task Properties -> Media SmartDetect”."),
        QStringLiteral("To compress your backup files, you can use any external archiver: PKZIP, RAR, CAB "
                       "and the like. Look for this feature in «Task Properties -> Compression»."),
        QStringLiteral("With «Task Properties -> Encryption» you can make use of very strong encryption to "
                       "securely protect your sensitive information."),
        QStringLiteral("You can compress all your files into one big archive, or you can archive each file "
                       "separately in order to facilitate future access or alleviate possible problems with "
                       "your backup media integrity/connectivity."),
        QStringLiteral("/files/foldervariables.html You can distinguish your backup by its day, week, etc. "
                       "by using the Variable-Naming feature of Tarnovex."),
        QStringLiteral(
            "You can choose what to do with files deleted from the Source but existing in the Destination. "
            "Go to \"Task Properties  -> Obsolete Files\" to see the available options."),
        QStringLiteral("/files/logdisplay.html Check \"View -> Log\" to see the Tarnovex log."),
        QStringLiteral("Right-click on a Task to see the available options in a context menu."),
        QStringLiteral("To exit Tarnovex, right-click on the icon in the system tray and select Exit."),
        QStringLiteral("/files/preferences.language.html Choose “Options -> Interface Language” to display "
                       "the language selection dialog. In this dialog all installed interface languages are "
                       "listed. Using the drop-down box, select the language file to be used and press OK. "
                       "If your language is not listed here, you can create the required file yourself."),
        QStringLiteral("/files/taskgroups.html You can organize tasks by category in task groups."),
        QStringLiteral("/files/taskgroups.html To create a new task group, right-click on \"All tasks\" (in "
                       "\"Task Groups List\") and select \"New...\"."),
        QStringLiteral("/files/taskgroups.html You can set the order of task groups by right-clicking in the "
                       "task group panel and selecting \"Reorder...\"."),
        QStringLiteral("/files/taskgroups.html To add a new task to a particular group, select the desired "
                       "group first and then select \"Task -> New...\"."),
        QStringLiteral(
            "/files/preferences.logging.html To set the font and color of the log text, select \"Options ->"),
        QStringLiteral("Log Display\"."),
        QStringLiteral("Hold the mouse pointer over the tool bar buttons to display their descriptions."),
        QStringLiteral("/files/statusbar.html The Status Bar provides additional information while using "
                       "Tarnovex. This information includes the total number of Tasks, the currently running "
                       "number of Tasks, and the Task progress indicator."),
        QStringLiteral("Before clearing the log, you can save it to a separate file for future reference by "
                       "selecting \"Save As\" in the Log popup menu."),
        QStringLiteral("/files/support.html To see the latest Tarnovex Tips and Tricks and other relevant "
                       "information, select \"Help -> Tarnovex Homepage\"."),
        QStringLiteral("/files/foldervariables.html You can use the Variable-Naming feature to create "
                       "separate folders for your backups based on the current date and time."),
        QStringLiteral("/files/task.backuptype.html#exactcopy To delete obsolete files from the Destination "
                       "(those that no longer exist in the Source, select the appropriate option in \"Task "
                       "Properties -> Obsolete Files\"."),
        QStringLiteral(
            "/files/foldervariables.html You can use the Variable-Naming feature to compress files into zip "
            "archives whose name is based on the date and time or other attributes."),
        QStringLiteral("Tarnovex only copies new and changed files based on the date and time stamp."),
        QStringLiteral("You can use Universal Naming Convention (UNC) path names to define folders, or use a "
                       "drive letter mapped to a network share."),
        QStringLiteral(
            "/files/task.backuptype.html#synchronize Tarnovex can perform two-way synchronization.  You can "
            "copy files between your desktop computer and your laptop to keep them synchronized."),
        QStringLiteral("/files/task.additionaloptions.html#deletedarchive You can keep any number of old "
                       "versions of your data files using the \"Task Properties -> Old Versions\" feature."),
        QStringLiteral("/files/task.backuptype.html You can password-protect your zipped files."),
        QStringLiteral(
            "You can check for product updates by clicking \"Help -> Tarnovex Homepage\" in the menu."),
        QStringLiteral("/files/preferences.protection.html You can protect your Task settings with a "
                       "password so that other users will not be able to change them."),
        QStringLiteral("/files/task.additionaloptions.html You can set an option in the \"Task Properties -> "
                       "Options\" dialog to verify the files after copying."),
        QStringLiteral(
            "/files/task.filefilter.html You can skip copying files that are older than a specific date or a "
            "specific number of days using the \"Task Properties -> File Filters\" feature."),
        QStringLiteral("/files/task.additionaloptions.html#runprograms You can run external programs before "
                       "and/or after running a task."),
        QStringLiteral(
            "/files/task.additionaloptions.html#hardwareprofile You can set a task not to run when a "
            "specific Hardware Profile is selected.  This feature can be useful if you are using a laptop "
            "computer and do not wish to run a Task when disconnected from the network."),
        QStringLiteral("/files/task.additionaloptions.html#zip You can set a compression ratio when using "
                       "the \"Compress\" feature."),
        QStringLiteral("/files/menus.html#view Use the View menu to view Source, Destination and other "
                       "folders from the main Tarnovex window."),
        QStringLiteral("/files/commandlineoptions.html Tarnovex offers command line options used in batch "
                       "files or elsewhere."),
        QStringLiteral(
            "Last Tip: You have seen all the tips. You can now read them again from the beginning."),
    };
    return lines;
}

TTip TipAt(int index) {
    const QStringList& lines = TipLines();
    if (index < 0 || index >= lines.size())
        index = 0;
    return TipOf(lines[index]);
}

TTip TranslatedTipAt(const QStringList& lines, int index) {
    if (index < 0 || index >= TipLines().size())
        index = 0;
    TTip tip = TipAt(index);
    if (index < lines.size()) {
        const TTip translated = TipOf(lines[index]);
        tip.Text = translated.Text;
        if (!translated.Topic.isEmpty())
            tip.Topic = translated.Topic;
    }
    return tip;
}

TTip TipOf(const QString& line) {
    TTip tip;
    if (line.startsWith(QLatin1Char('/'))) {
        const int blank = line.indexOf(QLatin1Char(' '));
        tip.Topic = blank < 0 ? line : line.left(blank);
        tip.Text = blank < 0 ? QString() : line.mid(blank + 1);
    } else {
        tip.Text = line;
    }
    return tip;
}

int NextTipIndex(int index, int step) {
    const int count = static_cast<int>(TipLines().size());
    if (index < 0 || index >= count)
        index = 0;
    return ((index + step) % count + count) % count;
}
