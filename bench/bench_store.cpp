// The settings store at the size of a large installation: 1,000 keys of 800 values each (800,000 values),
// and 1,000 tasks of 50 keys with 16 values each (50,000 keys). Each phase should stay well under one
// second: writing in one transaction with its commit, reopening the file, reading everything back, and
// saving the same content again (which rewrites list keys by deleting and recreating them).
#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include "store/SafeRegistry.h"
#include "store/SettingsStore.h"

namespace {

QString BenchDatabase() {
    static QTemporaryDir dir;
    qputenv("TARNOVEX_HOME", dir.path().toUtf8());
    return dir.path() + QStringLiteral("/settings.db");
}

void FreshStore() {
    SettingsStore::Close();
    const QString path = BenchDatabase();
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
    SettingsStore::Open(path);
}

// Names and texts made once, so that the timings are the store's and not those of formatting text.
QStringList Numbered(const QString& pattern, int count) {
    QStringList list;
    for (int i = 0; i < count; ++i)
        list.append(pattern.arg(i));
    return list;
}

// Flat: keyCount keys under one parent, valuesPerKey values each, a mix of the three types.
void WriteFlat(int keyCount, int valuesPerKey) {
    TStoreTransaction transaction;
    TSafeRegistry reg;
    const QByteArray blob(8, '\x2a');
    static const QStringList names = Numbered(QStringLiteral("Value%1"), 800);
    for (int k = 0; k < keyCount; ++k) {
        reg.OpenKey(QStringLiteral("\\Bench\\Flat\\%1").arg(k), true);
        for (int v = 0; v < valuesPerKey; ++v) {
            const QString& name = names[v % names.size()];
            switch (v % 3) {
                case 0:
                    reg.WriteInteger(name, k * v);
                    break;
                case 1:
                    reg.WriteString(name, QStringLiteral("/home/user/some folder/%1/%2").arg(k).arg(v));
                    break;
                default:
                    reg.WriteBinary(name, blob.constData(), static_cast<int>(blob.size()));
            }
        }
    }
}

qint64 ReadFlat(int keyCount) {
    qint64 checksum = 0;
    TSafeRegistry reg;
    char buffer[16];
    for (int k = 0; k < keyCount; ++k) {
        reg.OpenKeyReadOnly(QStringLiteral("\\Bench\\Flat\\%1").arg(k));
        QStringList names;
        reg.GetValueNames(names);
        for (const QString& name : names) {
            checksum += reg.ReadInteger(name, 0);
            checksum += reg.ReadString(name, QString()).size();
            checksum += reg.ReadBinary(name, buffer, sizeof buffer);
        }
    }
    return checksum;
}

// Task-shaped: per task a main key and list keys rewritten the way whole objects are saved (the list
// key's items are deleted and written again as "1", "2", ...).
void WriteTasks(int taskCount) {
    static const QStringList lists = Numbered(QStringLiteral("\\List%1"), 7);
    static const QStringList items = Numbered(QStringLiteral("\\%1"), 8);
    static const QStringList fields = Numbered(QStringLiteral("Field%1"), 16);
    static const QStringList options = Numbered(QStringLiteral("Option%1"), 16);
    static const QStringList texts = Numbered(QStringLiteral("item text %1"), 8 * 16);
    TStoreTransaction transaction;
    TSafeRegistry reg;
    for (int t = 0; t < taskCount; ++t) {
        const QString task = QStringLiteral("\\Bench\\Tasks\\{%1-0000-task}").arg(t, 8, 10, QLatin1Char('0'));
        for (int list = 0; list < 7; ++list) {
            reg.DeleteKey(task + lists[list]);
            for (int item = 1; item <= 7; ++item) {
                reg.OpenKey(task + lists[list] + items[item], true);
                for (int v = 0; v < 16; ++v)
                    reg.WriteString(fields[v], texts[item * 16 + v]);
            }
        }
        reg.OpenKey(task, true);
        for (int v = 0; v < 16; ++v)
            reg.WriteInteger(options[v], v + t);
    }
}

void BM_Store_Write1000KeysOf800Values(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        FreshStore();
        state.ResumeTiming();
        WriteFlat(1000, 800);  // the commit at the end of the transaction is included
    }
    SettingsStore::Close();
}
BENCHMARK(BM_Store_Write1000KeysOf800Values)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Store_Reopen1000KeysOf800Values(benchmark::State& state) {
    FreshStore();
    WriteFlat(1000, 800);
    for (auto _ : state) {
        SettingsStore::Close();
        SettingsStore::Open();
        TSafeRegistry reg;  // the first accessor loads the tree
        benchmark::DoNotOptimize(reg.KeyExists(QStringLiteral("\\Bench\\Flat\\999")));
    }
    SettingsStore::Close();
}
BENCHMARK(BM_Store_Reopen1000KeysOf800Values)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Store_ReadBack1000KeysOf800Values(benchmark::State& state) {
    FreshStore();
    WriteFlat(1000, 800);
    SettingsStore::Close();
    SettingsStore::Open();
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadFlat(1000));
    SettingsStore::Close();
}
BENCHMARK(BM_Store_ReadBack1000KeysOf800Values)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Store_Save1000TasksOf50Keys(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        FreshStore();
        state.ResumeTiming();
        WriteTasks(1000);
    }
    SettingsStore::Close();
}
BENCHMARK(BM_Store_Save1000TasksOf50Keys)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Store_ResaveSame1000TasksOf50Keys(benchmark::State& state) {
    FreshStore();
    WriteTasks(1000);
    for (auto _ : state)
        WriteTasks(1000);
    SettingsStore::Close();
}
BENCHMARK(BM_Store_ResaveSame1000TasksOf50Keys)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Store_Reopen1000TasksOf50Keys(benchmark::State& state) {
    FreshStore();
    WriteTasks(1000);
    for (auto _ : state) {
        SettingsStore::Close();
        SettingsStore::Open();
        TSafeRegistry reg;
        benchmark::DoNotOptimize(reg.KeyExists(QStringLiteral("\\Bench\\Tasks")));
    }
    SettingsStore::Close();
}
BENCHMARK(BM_Store_Reopen1000TasksOf50Keys)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
