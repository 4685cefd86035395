// The main window's two busy views, shown on the offscreen platform:
// - the task list of 1,000 tasks rebuilt and painted (target: under 50 ms);
// - the log panel catching up with 10,000 new records and painting (target: under 100 ms), and the
//   memory that 100,000 kept records cost the program, logger and panel together (target: under 50 MB).
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <memory>

#include "logging/TaskLogger.h"
#include "model/MainData.h"
#include "settings/GlobalSettings.h"
#include "ui/LogModel.h"
#include "ui/MainWindow.h"

namespace {

QTemporaryDir& BenchHome() {
    static QTemporaryDir dir;
    qputenv("TARNOVEX_HOME", dir.path().toUtf8());
    return dir;
}

void FillTasks(TMainData& data, int count) {
    for (int t = 0; t < count; ++t) {
        auto task = std::make_unique<TTask>();
        task->Name = QStringLiteral("Task %1").arg(t, 4, 10, QLatin1Char('0'));
        task->DestLocal = QStringLiteral("/backup/task%1/").arg(t);
        TSourceFolder folder;
        folder.Folder = QStringLiteral("/home/user/documents/folder%1/").arg(t);
        task->SourceFolders.push_back(folder);
        task->LastRun = 46000.0 + t * 0.37;
        data.AddTask(std::move(task));
    }
}

// Everything the event loop has for the window: layout and painting of the views.
void Settle() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// Bytes the program holds on the heap. The resident size would not tell: memory that an earlier
// benchmark freed is reused without the process growing.
double HeapMiB() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

void BM_TaskListRefresh1000Tasks(benchmark::State& state) {
    BenchHome();
    TMainData data;
    FillTasks(data, 1000);
    TMainWindow window(data, nullptr);
    window.resize(1200, 800);
    window.show();
    window.SelectGroup(window.GroupsTree()->topLevelItem(0)->text(0));
    Settle();
    for (auto _ : state) {
        window.UpdateListView();
        window.TaskView()->viewport()->repaint();
        Settle();
    }
    state.counters["tasks"] = 1000;
}
BENCHMARK(BM_TaskListRefresh1000Tasks)->Unit(benchmark::kMillisecond);

// One task in a shown window whose log panel follows it.
struct TLogBench {
    TMainData data;
    TTask* task;
    std::unique_ptr<TMainWindow> window;

    explicit TLogBench(int maxItems) {
        FillTasks(data, 1);
        task = data.Tasks.begin()->get();
        window = std::make_unique<TMainWindow>(data, nullptr);
        window->resize(1200, 800);
        window->show();
        window->SelectTask(task->ID);
        Settle();
        LoggerOf(*task).SetMaxItems(maxItems);
    }
    ~TLogBench() { window.reset(); }
    void Log(int n) {
        LoggerOf(*task).Log(TLogKind::lkFile,
                            QStringLiteral("Copying \"/home/user/documents/file%1.txt\"").arg(n));
    }
};

// Each iteration logs 10,000 records (not timed: that is the log file's work) and then times the panel
// catching up and painting its last rows.
void BM_LogPanelAppend10000Records(benchmark::State& state) {
    BenchHome();
    TLogBench bench(1000000);
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < 10000; ++i)
            bench.Log(n++);
        state.ResumeTiming();
        bench.window->RefreshLog();
        bench.window->LogView()->viewport()->repaint();
        Settle();
    }
    state.counters["rows"] = bench.window->LogModel().rowCount();
}
BENCHMARK(BM_LogPanelAppend10000Records)->Unit(benchmark::kMillisecond)->Iterations(10);

// The memory 100,000 records cost once they are kept and shown.
void BM_LogPanelMemory100000Records(benchmark::State& state) {
    BenchHome();
    for (auto _ : state) {
        TLogBench bench(100000);
        const double before = HeapMiB();
        for (int i = 0; i < 100000; ++i)
            bench.Log(i);
        bench.window->RefreshLog();
        Settle();
        state.counters["MiB"] = HeapMiB() - before;
        state.counters["rows"] = bench.window->LogModel().rowCount();
    }
}
BENCHMARK(BM_LogPanelMemory100000Records)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
