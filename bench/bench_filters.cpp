// Filter decisions per second for a typical five-item filter list. The scan asks PassesFilters once for
// every file and folder it meets, so this rate bounds how fast a large tree can be walked.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <vector>

#include "model/Filters.h"

namespace {

TTaskFilterItem Wildcard(TFilterType type, const char* wildcard) {
    TTaskFilterItem item;
    item.FilterType = type;
    item.fnWildcard = QString::fromLatin1(wildcard);
    return item;
}

TTaskFiltersList FiveItems() {
    TTaskFilterItem cache;
    cache.FilterType = TFilterType::fitExclude;
    cache.FilterKind = TFilterKind::fikFolderName;
    cache.frContains = QStringLiteral("cache");
    TTaskFilterItem huge;
    huge.FilterType = TFilterType::fitExclude;
    huge.FilterKind = TFilterKind::fikSize;
    huge.szKind = TSizeKind::fiskGreaterThan;
    huge.szValue = 512;
    huge.szMeasure = TSizeMeasure::szmMegabytes;
    return {cache, Wildcard(TFilterType::fitExclude, "*.TMP;*.BAK"),
            Wildcard(TFilterType::fitExclude, "*.APS;*.IDB;*.PDB;*.ILK;*.PCH;*.PBI;*.PBO;*.PBT;*.MAP;*.PLG"),
            huge, Wildcard(TFilterType::fitInclude, "*.XLS;*.DOC;*.PPT;*.PUB;*.MPP;*.VSD;*.WPS;*.TXT;*.PDF")};
}

std::vector<TDirEntry> Entries() {
    const char* names[] = {"Quarterly report 2024.doc",
                           "notes.txt",
                           "build.tmp",
                           "photo_0001.JPG",
                           "README",
                           "project.pdb",
                           "src",
                           "archive.tar.gz",
                           "Budget.XLS",
                           "very long file name of a "
                           "download (1).pdf"};
    std::vector<TDirEntry> entries;
    for (const char* name : names) {
        TDirEntry entry;
        entry.name = QString::fromUtf8(name);
        entry.isFolder = entry.name == QLatin1String("src");
        entry.size = 123456;
        entries.push_back(entry);
    }
    return entries;
}

void BM_PassesFilters_FiveItems(benchmark::State& state) {
    const TTaskFiltersList filters = FiveItems();
    const std::vector<TDirEntry> entries = Entries();
    const QString folder = QStringLiteral("/home/ann/Documents/Projects/2024/");
    const QString indexName = QStringLiteral("Tarnovex.idx");
    size_t i = 0;
    for (auto _ : state) {
        const TDirEntry& entry = entries[i++ % entries.size()];
        benchmark::DoNotOptimize(PassesFilters(filters, folder, entry, indexName, true));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PassesFilters_FiveItems);

// A file that no item matches walks every mask of the list: the slowest decision.
void BM_PassesFilters_FiveItemsNoMatch(benchmark::State& state) {
    const TTaskFiltersList filters = FiveItems();
    TDirEntry entry;
    entry.name = QStringLiteral("some_rather_long_source_file_name.cpp");
    entry.size = 4096;
    const QString folder = QStringLiteral("/home/ann/Documents/Projects/2024/");
    const QString indexName = QStringLiteral("Tarnovex.idx");
    for (auto _ : state)
        benchmark::DoNotOptimize(PassesFilters(filters, folder, entry, indexName, true));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PassesFilters_FiveItemsNoMatch);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
