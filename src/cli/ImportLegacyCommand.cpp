#include "cli/ImportLegacyCommand.h"

#include <QSet>
#include <cstdio>
#include <memory>

#include "legacy/LegacyImport.h"
#include "legacy/LegacyText.h"
#include "legacy/Ombrisave1x.h"
#include "legacy/OmbrisaveRegistry.h"
#include "model/MainData.h"
#include "model/Task.h"
#include "settings/FormatText.h"
#include "settings/GlobalSettings.h"
#include "settings/Language.h"
#include "store/SafeRegistry.h"

const char* const kImportLegacyHelp =
    "Usage: tarnovex-cli import-legacy --from 1x FILE [OPTIONS]\n"
    "       tarnovex-cli import-legacy --from 2x|3x [OPTIONS]\n\n"
    "Adds the tasks of the predecessor program as new tasks. Version 1.x kept its projects in one file\n"
    "(Ombrisave.dat); versions 2.x and 3.x kept them in settings keys: export the key\n"
    "HKEY_CURRENT_USER\\Software\\Halvorine\\Ombrisave on the old computer and load that file first with\n"
    "  tarnovex-cli import --codepage CODEPAGE FILE\n"
    "The old keys are only read, never changed. A preview of every task is printed first.\n\n"
    "Options:\n"
    "  --codepage CP      code page of the 1.x file (default windows-1252; e.g. 1250, 1251, cp850)\n"
    "  --dates en|de      how the 1.x file writes dates (default: this machine's format, then\n"
    "                     English and German forms)\n"
    "  --map 'ROOT=DIR'   put a drive root of the old computer onto a folder here, e.g.\n"
    "                     --map 'C:\\=/mnt/old-c/'; may be repeated. Source folders, the destination\n"
    "                     and the archive folders that begin with ROOT are mapped; others keep\n"
    "                     their form. The preview lists the paths that do not exist here.\n"
    "  --select NAME      import only the tasks of this name; may be repeated\n"
    "  --dry-run          print the preview only and write nothing\n\n"
    "A task whose ID is taken (or that has none) gets a fresh ID.\n"
    "Exit status: 0 every chosen task imported, 1 nothing to import or a task failed, 2 bad arguments.\n";

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void Print(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
}
void Out(const QString& text) {
    Print(stdout, text);
}
void Err(const QString& text) {
    Print(stderr, QStringLiteral("tarnovex-cli: ") + text);
}
int Usage(const QString& message) {
    Err(message);
    Err(QStringLiteral("try: tarnovex-cli import-legacy --help"));
    return kExitUsage;
}

struct TOptions {
    QString from;
    QString file;
    QString codePage;
    QString dates;
    TDriveMap map;
    QStringList select;
    bool dryRun = false;
};

// Parses args into options; returns -1 when they are good, else the exit status.
int ParseOptions(const QStringList& args, TOptions& o) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        auto value = [&](QString& out) {
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        QString text;
        if (arg == QLatin1String("--from")) {
            if (!value(o.from))
                return Usage(QStringLiteral("--from needs 1x, 2x or 3x"));
            o.from.remove(QLatin1Char('.'));
        } else if (arg == QLatin1String("--codepage")) {
            if (!value(o.codePage))
                return Usage(QStringLiteral("--codepage needs a code page"));
        } else if (arg == QLatin1String("--dates")) {
            if (!value(o.dates) || (o.dates != QLatin1String("en") && o.dates != QLatin1String("de")))
                return Usage(QStringLiteral("--dates needs en or de"));
        } else if (arg == QLatin1String("--map")) {
            QString error;
            if (!value(text))
                return Usage(QStringLiteral("--map needs ROOT=FOLDER"));
            if (!o.map.Add(text, &error))
                return Usage(error);
        } else if (arg == QLatin1String("--select")) {
            if (!value(text))
                return Usage(QStringLiteral("--select needs a task name"));
            o.select.append(text);
        } else if (arg == QLatin1String("--dry-run")) {
            o.dryRun = true;
        } else if (arg.startsWith(QLatin1String("--"))) {
            return Usage(QStringLiteral("unknown option \"%1\"").arg(arg));
        } else if (o.file.isNull()) {
            o.file = arg;
        } else {
            return Usage(QStringLiteral("unexpected argument \"%1\"").arg(arg));
        }
    }
    if (o.from != QLatin1String("1x") && o.from != QLatin1String("2x") && o.from != QLatin1String("3x"))
        return Usage(QStringLiteral("--from 1x FILE, --from 2x or --from 3x is needed"));
    if (o.from == QLatin1String("1x") && o.file.isEmpty())
        return Usage(QStringLiteral("--from 1x needs the projects FILE"));
    if (o.from != QLatin1String("1x") && !o.file.isNull())
        return Usage(
            QStringLiteral("the %1 tasks are read from the settings store, not from \"%2\"; load the "
                           "settings file with: tarnovex-cli import --codepage CP FILE")
                .arg(o.from, o.file));
    if (!o.codePage.isEmpty() && !Legacy::IsKnownCodePage(o.codePage))
        return Usage(QStringLiteral("unknown code page \"%1\"").arg(o.codePage));
    if (!o.codePage.isEmpty() && o.from != QLatin1String("1x"))
        Err(
            QStringLiteral("note: --codepage applies to the 1.x file; the texts of the settings keys were "
                           "converted when the settings file was imported"));
    return -1;
}

// Reads the items of the chosen version; problems of the 1.x file go to standard error.
TLegacyItems ReadItems(const TOptions& o, bool& readErrors) {
    readErrors = false;
    if (o.from == QLatin1String("1x")) {
        TOmbrisave1xOptions options;
        if (!o.codePage.isEmpty())
            options.codePage = o.codePage;
        if (o.dates == QLatin1String("en"))
            options.locale = Legacy::TLegacyLocale::English();
        else if (o.dates == QLatin1String("de"))
            options.locale = Legacy::TLegacyLocale::German();
        Out(FormatText(QStringLiteral("Reading Ombrisave 1.x projects file \"%s\"..."), {o.file}));
        TImportDataOmbrisave1x data(options);
        QStringList errors;
        data.Load(o.file, errors);
        for (const QString& error : errors)
            Err(error);
        readErrors = !errors.isEmpty();
        return std::move(data.Items);
    }
    if (o.from == QLatin1String("2x")) {
        Out(QStringLiteral("Reading Ombrisave 2.x tasks from registry..."));
        TImportDataOmbrisave2x data;
        data.Load();
        return std::move(data.Items);
    }
    Out(QStringLiteral("Reading Ombrisave 3.x tasks from registry..."));
    TImportDataOmbrisave3x data;
    data.Load();
    return std::move(data.Items);
}

void PrintPreview(const TLegacyImportItem& item, const TTask& task, const QString& oldId, bool freshId) {
    Out(QString());
    for (const auto& [caption, value] : item.PreviewRows())
        Out(caption + QLatin1Char(' ') + value);
    if (freshId)
        Out(oldId.isEmpty() ? QStringLiteral("ID: %1 (new: the old task had none)").arg(task.ID)
                            : QStringLiteral("ID: %1 (new: \"%2\" is taken)").arg(task.ID, oldId));
    else
        Out(QStringLiteral("ID: %1").arg(task.ID));
    for (const TSourceFolder& folder : task.SourceFolders)
        Out(QStringLiteral("Source folder: %1%2")
                .arg(folder.Folder,
                     folder.IncludeSubfolders ? QStringLiteral(" (with sub-folders)") : QString()));
    Out(QStringLiteral("Destination folder: %1").arg(task.DestLocal));
    if (const auto* three = dynamic_cast<const TImportItemOmbrisave3x*>(&item)) {
        if (three->Record().CryptUse)
            Out(QStringLiteral("Note: encryption is not taken over; set it up again before the first run."));
        if (three->Record().DestType != TDestKind::dkLocal)
            Out(QStringLiteral("Note: the destination becomes the local folder above; the old one was %1.")
                    .arg(three->GetStrDestination()));
    }
    for (const QString& path : MissingPaths(task))
        Out(QStringLiteral("Not on this machine: %1").arg(path));
}

}  // namespace

int CmdImportLegacy(const QStringList& args) {
    TOptions o;
    if (const int status = ParseOptions(args, o); status >= 0)
        return status;

    bool readErrors = false;
    const TLegacyItems items = ReadItems(o, readErrors);
    if (items.empty()) {
        if (o.from != QLatin1String("1x"))
            Err(QStringLiteral(
                    "no %1 tasks in the settings store; load the settings file exported on the old "
                    "computer first: tarnovex-cli import --codepage CP FILE")
                    .arg(o.from));
        else if (!readErrors)
            Err(QStringLiteral("the projects file holds no projects"));
        return kExitFailed;
    }
    for (const QString& name : o.select) {
        const bool found = std::any_of(items.begin(), items.end(),
                                       [&](const auto& item) { return item->ItemName() == name; });
        if (!found)
            return Usage(QStringLiteral("no task to import is named \"%1\"").arg(name));
    }

    // Read, add and write in one transaction, so that a program saving meanwhile loses nothing.
    TStoreTransaction transaction;
    TMainData data;
    LoadGlobalSettings();
    data.LoadAll();
    QSet<QString> taken;
    int imported = 0;
    int failed = 0;
    std::vector<std::unique_ptr<TTask>> tasks;
    for (const auto& item : items) {
        if (!o.select.isEmpty() && !o.select.contains(item->ItemName()))
            continue;
        std::unique_ptr<TTask> task = item->CreateTaskForImport();
        if (!task) {
            Err(FormatText(QStringLiteral("Error importing task \"%s\"."), {item->ItemName()}));
            ++failed;
            continue;
        }
        ApplyDriveMap(*task, o.map);
        const QString oldId = task->ID;
        const bool freshId = EnsureUniqueId(*task, data.Tasks, taken);
        PrintPreview(*item, *task, oldId, freshId);
        tasks.push_back(std::move(task));
    }
    Out(QString());
    if (o.dryRun) {
        Out(QStringLiteral("Dry run: %1 task(s) would be imported; nothing was written.").arg(tasks.size()));
        return failed > 0 ? kExitFailed : kExitOk;
    }
    for (auto& task : tasks) {
        const QString name = task->Name;
        data.AddTask(std::move(task));
        Out(FormatText(QStringLiteral("Task \"%s\" successfuly imported."), {name}));
        ++imported;
    }
    data.SaveAll();
    Out(QStringLiteral("Tasks imported: %1").arg(imported));
    return failed > 0 ? kExitFailed : kExitOk;
}
