// SaveAll then LoadAll of 1,000 tasks, each with 5 source folders, 10 filters and 5 schedule items,
// against a fresh settings store in a temporary folder. Target: each under one second on a 2-core machine.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include "model/MainData.h"
#include "settings/GlobalSettings.h"
#include "store/SettingsStore.h"

namespace {

void FillTasks(TMainData& data, int count) {
    for (int t = 0; t < count; ++t) {
        auto task = std::make_unique<TTask>();
        task->Name = QStringLiteral("Task %1").arg(t);
        task->DestLocal = QStringLiteral("/backup/task%1").arg(t);
        for (int i = 0; i < 5; ++i) {
            TSourceFolder folder;
            folder.Folder = QStringLiteral("/home/user/folder%1/sub%2").arg(t).arg(i);
            task->SourceFolders.push_back(folder);
        }
        for (int i = 0; i < 10; ++i) {
            TTaskFilterItem filter;
            filter.fnWildcard = QStringLiteral("*.ext%1;*.tmp").arg(i);
            task->Filters.push_back(filter);
        }
        for (int i = 0; i < 5; ++i)
            task->Schedule.push_back(TTaskScheduleItem());
        data.AddTask(std::move(task));
    }
}

QTemporaryDir& BenchHome() {
    static QTemporaryDir dir;
    qputenv("TARNOVEX_HOME", dir.path().toUtf8());
    return dir;
}

void BM_SaveAll1000Tasks(benchmark::State& state) {
    BenchHome();
    TMainData data;
    FillTasks(data, 1000);
    bool first = true;
    SettingsStore::Close();
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(BenchHome().path() + QStringLiteral("/settings.db") + QLatin1String(suffix));
    SettingsStore::Open();
    // The first pass writes into an empty store, the later ones rewrite the same tasks (the usual save).
    for (auto _ : state) {
        SaveAllSettings(data);  // one transaction, committed to the file before it returns
        state.counters["first_save"] = first ? 1 : 0;
        first = false;
    }
    SettingsStore::Close();
}
BENCHMARK(BM_SaveAll1000Tasks)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LoadAll1000Tasks(benchmark::State& state) {
    BenchHome();
    {
        TMainData data;
        FillTasks(data, 1000);
        SaveAllSettings(data);
        SettingsStore::Close();
    }
    for (auto _ : state) {
        SettingsStore::Close();
        SettingsStore::Open();  // includes reading the file
        TMainData data;
        LoadGlobalSettings();
        data.LoadAll();
        if (data.Tasks.Count() != 1000)
            state.SkipWithError("tasks lost");
        benchmark::DoNotOptimize(data.Tasks.Count());
    }
}
BENCHMARK(BM_LoadAll1000Tasks)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
