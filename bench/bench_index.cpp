// One run over an index of 200,000 files: the load, one look-up per file, updates for changed files,
// additions for new ones, the obsolete pass that removes items nobody claimed, and the save. Every step
// must grow linearly with the number of files, so the per-item times should not change with the size.
#include <benchmark/benchmark.h>

#include <QString>
#include <vector>

#include "storage/IndexFile.h"

namespace {

std::vector<QString> MakePaths(int count) {
    std::vector<QString> paths;
    paths.reserve(count);
    for (int i = 0; i < count; ++i)
        paths.push_back(
            QStringLiteral("/backup/home/ann/Documents/project-%1/file-%2.txt").arg(i / 100).arg(i));
    return paths;
}

QByteArray MakeIndex(const std::vector<QString>& paths) {
    TIndexList list;
    for (size_t i = 0; i < paths.size(); ++i)
        list.SetIndexTime(paths[i], 45000.0 + static_cast<double>(i));
    return SerializeIndex(list);
}

void BM_IndexParse(benchmark::State& state) {
    const QByteArray data = MakeIndex(MakePaths(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        TIndexList list;
        benchmark::DoNotOptimize(ParseIndex(data, list));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_IndexWholeRun(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::vector<QString> paths = MakePaths(count);
    const QByteArray data = MakeIndex(paths);
    for (auto _ : state) {
        TIndexList list;
        ParseIndex(data, list);
        // Nine files in ten are still there; every tenth of those changed; a few are new.
        for (int i = 0; i < count; ++i) {
            if (i % 10 == 0)
                continue;
            const TDateTime recorded = list.GetIndexTime(paths[i]);
            if (i % 7 == 0)
                list.SetIndexTime(paths[i], recorded + 1);
        }
        for (int i = 0; i < count / 100; ++i)
            list.SetIndexTime(QStringLiteral("/backup/new/%1").arg(i), 46000);
        for (auto it = list.begin(); it != list.end();) {
            if (!it->Seen)
                it = list.Remove(it);
            else
                ++it;
        }
        benchmark::DoNotOptimize(SerializeIndex(list));
    }
    state.SetItemsProcessed(state.iterations() * count);
}

BENCHMARK(BM_IndexParse)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexWholeRun)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
