#include "cli/Cli.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>
#include <memory>
#include <unistd.h>

#include "cli/ImportLegacyCommand.h"
#include "cli/RunCommand.h"
#include "legacy/LegacyText.h"
#include "model/Filters.h"
#include "model/MainData.h"
#include "model/Task.h"
#include "platform/DateTime.h"
#include "platform/Paths.h"
#include "settings/GlobalSettings.h"
#include "store/RegFile.h"
#include "store/SafeRegistry.h"
#include "store/SettingsStore.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void Out(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fputc('\n', stdout);
}

void Err(const QString& text) {
    const QByteArray bytes = (QStringLiteral("tarnovex-cli: ") + text).toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fputc('\n', stderr);
}

const char* const kUsage =
    "Usage: tarnovex-cli COMMAND [ARGUMENTS]\n"
    "\n"
    "The scripting front end of Tarnovex: manage the tasks of the settings store without a window.\n"
    "\n"
    "Commands:\n"
    "  list                 one line per task: ID, name, group, action, last run\n"
    "  show TASK            the task's settings as a REGEDIT4 fragment\n"
    "  new ...              create a task (see: tarnovex-cli new --help); prints its ID last\n"
    "  delete TASK          delete a task (its backups, index file and log stay on disk)\n"
    "  run TASK...          run tasks now and wait for their ends, printing their log\n"
    "  export FILE          save the whole settings tree to FILE (REGEDIT4)\n"
    "  import [--codepage CP] FILE\n"
    "                       load a settings file into the store (adds and replaces values)\n"
    "  import-legacy ...    add the tasks of the predecessor program (see: tarnovex-cli import-legacy --help)\n"
    "  demo                 list the tasks, creating a sample task when there is none\n"
    "  help [COMMAND]       this text, or the help of one command\n"
    "\n"
    "TASK is a task ID or a task name; a name that several tasks share is refused.\n"
    "The store is $TARNOVEX_HOME/settings.db when TARNOVEX_HOME is set, else\n"
    "$XDG_CONFIG_HOME/Tarnovex/settings.db (~/.config/Tarnovex/settings.db).\n"
    "Exit status: 0 done, 1 failed (nothing written), 2 bad arguments (nothing written).\n";

struct TCommandHelp {
    const char* name;
    const char* text;
};

const TCommandHelp kCommandHelp[] = {
    {"list",
     "Usage: tarnovex-cli list\n\nOne line per task, fields separated by tabs: ID, name, group, action, last run\n"
     "(\"never\" or YYYY-MM-DD HH:MM:SS). A header line is printed when the output is a terminal.\n"},
    {"show", "Usage: tarnovex-cli show TASK\n\nPrints the task's key of the settings store as a REGEDIT4 fragment.\n"},
    {"new",
     "Usage: tarnovex-cli new --name NAME --source DIR [--source DIR ...] --dest DIR\n"
     "                       [--action backup|sync|move] [--group GROUP]\n\n"
     "Creates a task with one filter that includes all files (as a new task of the main window has),\n"
     "saves it to the store and prints its ID as the last word of the output. Relative folders are\n"
     "taken from the current folder; path variables such as %Date% are kept as typed. The action is\n"
     "backup unless given. A group that does not exist yet is created.\n"},
    {"delete",
     "Usage: tarnovex-cli delete TASK [--password PASSWORD]\n\n"
     "Removes the task from the store. A running task cannot be deleted; a task protected by a\n"
     "password needs --password. Its backups, index file and log stay on disk.\n"},
    {"export",
     "Usage: tarnovex-cli export FILE\n\nWrites the whole settings tree (preferences, groups, tasks) to FILE in the\n"
     "REGEDIT4 format. The file is replaced only when the export is complete.\n"},
    {"import",
     "Usage: tarnovex-cli import [--codepage CP] FILE\n\nReads a REGEDIT4 settings file and writes it into the store: values in the file\n"
     "replace stored values of the same name; everything else stays. A malformed file is refused\n"
     "with the number of the offending line, and then nothing is written.\n"
     "A file that is not UTF-8 (an export of an older system) needs the code page it was written in,\n"
     "e.g. --codepage windows-1252; without one it is refused. Keys of the predecessor program\n"
     "(\\Software\\Halvorine\\Ombrisave) are kept apart from the program's own; see import-legacy.\n"},
    {"import-legacy", kImportLegacyHelp},
    {"demo",
     "Usage: tarnovex-cli demo\n\nLists the tasks like `list`; when the store holds no task, first creates a\n"
     "sample task that backs up ~/Documents to ~/Tarnovex Backup.\n"},
    {"run", kRunHelp},
    {"help", "Usage: tarnovex-cli help [COMMAND]\n"},
};

const char* HelpOf(const QString& command) {
    for (const TCommandHelp& help : kCommandHelp)
        if (command == QLatin1String(help.name)) return help.text;
    return nullptr;
}

bool WantsHelp(const QStringList& args) {
    return args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"));
}

int Usage(const QString& message, const QString& command = QString()) {
    Err(message);
    Err(command.isEmpty() ? QStringLiteral("try: tarnovex-cli --help")
                          : QStringLiteral("try: tarnovex-cli %1 --help").arg(command));
    return kExitUsage;
}

QString LastRunText(TDateTime lastRun) {
    if (lastRun == 0) return QStringLiteral("never");
    const QDateTime when = DateTime::ToQDateTime(lastRun);
    return when.isValid() ? when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QStringLiteral("never");
}

QString GroupText(const QString& group) { return group.isEmpty() ? QStringLiteral("-") : group; }

// A task named by its ID or by its name. On failure prints why and returns nullptr.
TTask* ResolveTask(const TMainData& data, const QString& which) {
    if (TTask* task = data.FindTask(which)) return task;
    const std::vector<TTask*> named = data.FindTasksByName(which);
    if (named.size() == 1) return named.front();
    if (named.empty()) {
        Err(QStringLiteral("no task has the ID or name \"%1\"").arg(which));
    } else {
        Err(QStringLiteral("%1 tasks are named \"%2\"; name one by its ID:").arg(named.size()).arg(which));
        for (const TTask* task : named)
            Err(QStringLiteral("  %1  %2  %3").arg(task->ID, task->Name, GroupText(task->BelongToGroup)));
    }
    return nullptr;
}

void PrintTaskList(const TMainData& data) {
    if (isatty(STDOUT_FILENO)) Out(QStringLiteral("ID\tName\tGroup\tAction\tLast run"));
    for (const auto& task : data.Tasks)
        Out(QStringList{task->ID, task->Name, GroupText(task->BelongToGroup), task->ActionCaption(),
                        LastRunText(task->LastRun)}
                .join(QLatin1Char('\t')));
}

void LoadEverything(TMainData& data) {
    LoadGlobalSettings();
    data.LoadAll();
}

int CmdList(const QStringList& args) {
    if (!args.isEmpty()) return Usage(QStringLiteral("list takes no arguments"), QStringLiteral("list"));
    TMainData data;
    LoadEverything(data);
    PrintTaskList(data);
    return kExitOk;
}

int CmdShow(const QStringList& args) {
    if (args.size() != 1) return Usage(QStringLiteral("show needs one TASK"), QStringLiteral("show"));
    TMainData data;
    LoadEverything(data);
    const TTask* task = ResolveTask(data, args[0]);
    if (!task) return kExitFailed;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("task.reg"));
    QString error;
    if (!dir.isValid() || !ExportRegFile(file, kProgramRoot + QStringLiteral("\\Tasks\\") + task->ID, &error)) {
        Err(QStringLiteral("cannot export the task: %1").arg(error));
        return kExitFailed;
    }
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        Err(QStringLiteral("cannot read %1").arg(file));
        return kExitFailed;
    }
    const QByteArray text = in.readAll();
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
    return kExitOk;
}

QString AbsoluteFolder(const QString& folder) {
    // Path variables are expanded at run time; a text that starts with one is kept as typed.
    if (folder.startsWith(QLatin1Char('%')) || QDir::isAbsolutePath(folder)) return folder;
    return QDir::cleanPath(QDir::current().absoluteFilePath(folder));
}

int CmdNew(const QStringList& args) {
    QString name, dest, group;
    QStringList sources;
    TTaskAction action = TTaskAction::taBackup;
    bool haveName = false, haveGroup = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& option = args[i];
        const bool hasValue = i + 1 < args.size();
        auto value = [&]() { return args[++i]; };
        if (option == QLatin1String("--name") && hasValue) {
            name = value();
            haveName = true;
        } else if (option == QLatin1String("--source") && hasValue) {
            sources.append(value());
        } else if (option == QLatin1String("--dest") && hasValue) {
            dest = value();
        } else if (option == QLatin1String("--group") && hasValue) {
            group = value();
            haveGroup = true;
        } else if (option == QLatin1String("--action") && hasValue) {
            const QString text = value();
            if (text == QLatin1String("backup"))
                action = TTaskAction::taBackup;
            else if (text == QLatin1String("sync") || text == QLatin1String("synchronize"))
                action = TTaskAction::taSynchronize;
            else if (text == QLatin1String("move"))
                action = TTaskAction::taMove;
            else
                return Usage(QStringLiteral("unknown action \"%1\" (backup, sync or move)").arg(text),
                             QStringLiteral("new"));
        } else if (option.startsWith(QLatin1String("--")) && !hasValue &&
                   QStringList{"--name", "--source", "--dest", "--group", "--action"}.contains(option)) {
            return Usage(QStringLiteral("%1 needs a value").arg(option), QStringLiteral("new"));
        } else {
            return Usage(QStringLiteral("unexpected argument \"%1\"").arg(option), QStringLiteral("new"));
        }
    }
    if (!haveName || name.trimmed().isEmpty()) return Usage(QStringLiteral("new needs --name NAME"), QStringLiteral("new"));
    if (sources.isEmpty()) return Usage(QStringLiteral("new needs at least one --source DIR"), QStringLiteral("new"));
    for (const QString& source : sources)
        if (source.trimmed().isEmpty()) return Usage(QStringLiteral("a --source folder is empty"), QStringLiteral("new"));
    if (dest.trimmed().isEmpty()) return Usage(QStringLiteral("new needs --dest DIR"), QStringLiteral("new"));

    auto task = std::make_unique<TTask>();
    task->Name = name;
    task->TaskAction = action;
    task->DestType = TDestKind::dkLocal;
    task->DestLocal = AbsoluteFolder(dest);
    for (const QString& source : sources) {
        TSourceFolder folder;
        folder.Folder = AbsoluteFolder(source);
        task->SourceFolders.push_back(folder);
    }
    task->Filters.push_back(MakeIncludeAllFilter());
    if (haveGroup) task->BelongToGroup = group;

    const QString problems = task->Validate();
    if (!problems.isEmpty()) {
        Err(QStringLiteral("the task cannot run: %1").arg(problems));
        return kExitFailed;
    }
    for (const TSourceFolder& folder : task->SourceFolders)
        if (!folder.Folder.contains(QLatin1Char('%')) && !QFileInfo(folder.Folder).isDir())
            Err(QStringLiteral("warning: the source folder %1 does not exist (yet)").arg(folder.Folder));

    QString id;
    {
        // Read, change and write in one transaction, so that a program saving at the same moment
        // cannot lose this task or have its own changes undone.
        TStoreTransaction transaction;
        TMainData data;
        LoadEverything(data);
        if (haveGroup && !group.isEmpty() && !data.Groups.contains(group) && group != TMainData::AllTasksName())
            data.Groups.append(group);
        id = data.AddTask(std::move(task)).ID;
        data.SaveAll();
    }
    Out(QStringLiteral("Created task %1").arg(id));
    return kExitOk;
}

// Answers the protection prompt with the password given on the command line.
class TCliPasswordPrompt final : public TPasswordPrompt {
public:
    explicit TCliPasswordPrompt(std::optional<QString> password) : password_(std::move(password)) {}
    bool Ask(const QString&, const QString&, QString& typed) override {
        if (!password_) return false;
        typed = *password_;
        return true;
    }
    void ShowInformation(const QString&, const QString&) override {}
    void ShowError(const QString&, const QString& text) override { Err(text); }

private:
    std::optional<QString> password_;
};

int CmdDelete(const QStringList& args) {
    QString which;
    std::optional<QString> password;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--password")) {
            if (i + 1 >= args.size()) return Usage(QStringLiteral("--password needs a value"), QStringLiteral("delete"));
            password = args[++i];
        } else if (which.isNull()) {
            which = args[i];
        } else {
            return Usage(QStringLiteral("unexpected argument \"%1\"").arg(args[i]), QStringLiteral("delete"));
        }
    }
    if (which.isNull()) return Usage(QStringLiteral("delete needs one TASK"), QStringLiteral("delete"));

    TStoreTransaction transaction;
    TMainData data;
    LoadEverything(data);
    TTask* task = ResolveTask(data, which);
    if (!task) return kExitFailed;
    TCliPasswordPrompt prompt(password);
    if (!task->VerifyEditPassword(prompt)) {
        if (!password) Err(QStringLiteral("the task is protected by a password: give it with --password"));
        return kExitFailed;
    }
    const QString name = task->Name, id = task->ID;
    QString error;
    if (!data.DeleteTask(*task, &error)) {
        Err(error);
        return kExitFailed;
    }
    data.SaveAll();
    Out(QStringLiteral("Deleted task %1 (%2)").arg(id, name));
    return kExitOk;
}

int CmdExport(const QStringList& args) {
    if (args.size() != 1) return Usage(QStringLiteral("export needs one FILE"), QStringLiteral("export"));
    QString error;
    if (!ExportRegFile(args[0], kProgramRoot, &error)) {
        Err(QStringLiteral("export to %1 failed: %2").arg(args[0], error));
        return kExitFailed;
    }
    Out(QStringLiteral("Exported the settings to %1").arg(args[0]));
    return kExitOk;
}

int CmdImport(QStringList args) {
    QString codePage;
    const qsizetype option = args.indexOf(QStringLiteral("--codepage"));
    if (option >= 0) {
        if (option + 1 >= args.size()) return Usage(QStringLiteral("--codepage needs a code page"), QStringLiteral("import"));
        codePage = args[option + 1];
        args.remove(option, 2);
    }
    if (args.size() != 1) return Usage(QStringLiteral("import needs one FILE"), QStringLiteral("import"));
    QFile file(args[0]);
    if (!QFileInfo(args[0]).isFile() || !file.open(QIODevice::ReadOnly)) {
        Err(QStringLiteral("File \"%1\" not found!").arg(args[0]));
        return kExitFailed;
    }
    QString error;
    QByteArray text;
    if (!Legacy::SettingsFileAsUtf8(file.readAll(), codePage, text, &error) || !ImportRegText(text, &error)) {
        Err(QStringLiteral("import of %1 refused: %2").arg(args[0], error));
        return kExitFailed;
    }
    Out(QStringLiteral("Imported the settings from %1").arg(args[0]));
    return kExitOk;
}

int CmdDemo(const QStringList& args) {
    if (!args.isEmpty()) return Usage(QStringLiteral("demo takes no arguments"), QStringLiteral("demo"));
    TMainData data;
    LoadEverything(data);
    if (data.Tasks.Count() == 0) {
        const QString home = QDir::homePath();
        const QString documents = home + QStringLiteral("/Documents");
        QStringList newArgs{QStringLiteral("--name"), QStringLiteral("Documents"), QStringLiteral("--source"),
                            documents, QStringLiteral("--dest"),
                            home + QStringLiteral("/Tarnovex Backup")};
        Out(QStringLiteral("The store %1 holds no task yet; creating a sample task.").arg(SettingsStore::FilePath()));
        const int status = CmdNew(newArgs);
        if (status != kExitOk) return status;
        data.LoadAll();
    }
    Out(QStringLiteral("Tasks in %1:").arg(SettingsStore::FilePath()));
    Out(QStringLiteral("ID\tName\tGroup\tAction\tLast run"));
    for (const auto& task : data.Tasks)
        Out(QStringList{task->ID, task->Name, GroupText(task->BelongToGroup), task->ActionCaption(),
                        LastRunText(task->LastRun)}
                .join(QLatin1Char('\t')));
    return kExitOk;
}

}  // namespace

int RunCli(const QStringList& arguments) {
    QStringList args = arguments.mid(1);
    if (args.isEmpty()) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h") || command == QLatin1String("help")) {
        if (!args.isEmpty()) {
            const char* help = HelpOf(args[0]);
            if (!help) return Usage(QStringLiteral("unknown command \"%1\"").arg(args[0]));
            std::fputs(help, stdout);
        } else {
            std::fputs(kUsage, stdout);
        }
        return kExitOk;
    }
    if (command == QLatin1String("--version")) {
        Out(QStringLiteral("tarnovex-cli " TARNOVEX_VERSION));
        return kExitOk;
    }
    const char* help = HelpOf(command);
    if (!help) return Usage(QStringLiteral("unknown command \"%1\"").arg(command));
    if (WantsHelp(args)) {
        std::fputs(help, stdout);
        return kExitOk;
    }
    int status = kExitUsage;
    if (command == QLatin1String("list")) status = CmdList(args);
    else if (command == QLatin1String("show")) status = CmdShow(args);
    else if (command == QLatin1String("new")) status = CmdNew(args);
    else if (command == QLatin1String("delete")) status = CmdDelete(args);
    else if (command == QLatin1String("export")) status = CmdExport(args);
    else if (command == QLatin1String("import")) status = CmdImport(args);
    else if (command == QLatin1String("import-legacy")) status = CmdImportLegacy(args);
    else if (command == QLatin1String("demo")) status = CmdDemo(args);
    else if (command == QLatin1String("run")) status = CmdRun(args);
    SettingsStore::Close();
    return status;
}
