#include <gmock/gmock.h>
#include <signal.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <bit>
#include <ostream>
#include <vector>

#include "fixtures/TempHome.h"
#include "model/Task.h"
#include "platform/FileSystem.h"
#include "storage/IndexFile.h"

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Builds index bytes by hand, independent of SerializeIndex.
struct TIndexBytes {
    QByteArray data = QByteArray("IndexFileStart\x1B", 15);

    TIndexBytes& Int32(qint32 v) {
        char b[4];
        qToLittleEndian<qint32>(v, b);
        data.append(b, 4);
        return *this;
    }
    TIndexBytes& Item(const QByteArray& path, double time, char separator = 'c') {
        Int32(static_cast<qint32>(path.size()));
        data.append(path);
        char b[8];
        qToLittleEndian<quint64>(std::bit_cast<quint64>(time), b);
        data.append(b, 8);
        data.append(separator);
        return *this;
    }
    TIndexBytes& End() {
        data.append("IndexFileEnd");
        return *this;
    }
};

std::vector<std::pair<QString, double>> Items(const TIndexList& list) {
    std::vector<std::pair<QString, double>> out;
    list.ForEach([&out](const TIndexFileItem& item) { out.emplace_back(item.Path, item.Time); });
    return out;
}

std::vector<QString> Paths(const TIndexList& list) {
    std::vector<QString> out;
    list.ForEach([&out](const TIndexFileItem& item) { out.push_back(item.Path); });
    return out;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(IndexList, SetFindGetAndRemoveKeepOrderAndMarkSeen) {
    TIndexList list;
    EXPECT_EQ(list.SetIndexTime(QStringLiteral("/d/a"), 0), nullptr);  // time 0 records nothing
    EXPECT_EQ(list.Count(), 0);

    list.SetIndexTime(QStringLiteral("/d/b"), 10);
    list.SetIndexTime(QStringLiteral("/d/a"), 20);
    list.SetIndexTime(QStringLiteral("/d/c"), 30);
    TIndexFileItem* b = list.SetIndexTime(QStringLiteral("/d/b"), 11);  // an update stays in place
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b->Seen);
    EXPECT_THAT(Items(list),
                ElementsAre(std::pair{QStringLiteral("/d/b"), 11.0}, std::pair{QStringLiteral("/d/a"), 20.0},
                            std::pair{QStringLiteral("/d/c"), 30.0}));

    // Letter case makes a different path.
    EXPECT_EQ(list.Find(QStringLiteral("/d/A")), nullptr);
    EXPECT_EQ(list.GetIndexTime(QStringLiteral("/D/b")), 0);

    TIndexFileItem* loaded = list.Append(QStringLiteral("/d/x"), 5);
    EXPECT_FALSE(loaded->Seen);
    EXPECT_EQ(list.GetIndexTime(QStringLiteral("/d/x")), 5);
    EXPECT_TRUE(loaded->Seen);

    list.Remove(list.Find(QStringLiteral("/d/a")));
    EXPECT_EQ(list.Find(QStringLiteral("/d/a")), nullptr);
    list.SetIndexTime(QStringLiteral("/d/a"), 40);  // a removed path comes back at the end
    EXPECT_THAT(Paths(list), ElementsAre(QStringLiteral("/d/b"), QStringLiteral("/d/c"),
                                         QStringLiteral("/d/x"), QStringLiteral("/d/a")));
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Find(QStringLiteral("/d/b")), nullptr);
}

TEST(IndexList, RemovingWhileIteratingLeavesNoGap) {
    TIndexList list;
    for (int i = 0; i < 10; ++i)
        list.Append(QStringLiteral("/f") + QString::number(i), i + 1);
    for (auto it = list.begin(); it != list.end();) {
        if (it->Time > 3 && it->Time < 9)
            it = list.Remove(it);
        else
            ++it;
    }
    EXPECT_THAT(Paths(list), ElementsAre(QStringLiteral("/f0"), QStringLiteral("/f1"), QStringLiteral("/f2"),
                                         QStringLiteral("/f8"), QStringLiteral("/f9")));
    EXPECT_EQ(list.Count(), 5);
    EXPECT_EQ(list.Find(QStringLiteral("/f5")), nullptr);
    EXPECT_NE(list.Find(QStringLiteral("/f8")), nullptr);
}

TEST(IndexList, DuplicatePathsAreAllKeptAndTheFirstIsFound) {
    TIndexList list;
    ASSERT_TRUE(ParseIndex(
        TIndexBytes().Int32(4).Item("/d/a", 1).Item("/d/b", 2).Item("/d/a", 3).Item("/d/a", 4).End().data,
        list));
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.GetIndexTime(QStringLiteral("/d/a")), 1);
    list.SetIndexTime(QStringLiteral("/d/a"), 9);  // updates the first
    EXPECT_THAT(Items(list),
                ElementsAre(std::pair{QStringLiteral("/d/a"), 9.0}, std::pair{QStringLiteral("/d/b"), 2.0},
                            std::pair{QStringLiteral("/d/a"), 3.0}, std::pair{QStringLiteral("/d/a"), 4.0}));

    // Removing a later duplicate keeps the first as the one found; removing the first reveals the next.
    auto it = list.begin();
    std::advance(it, 2);
    list.Remove(&*it);
    EXPECT_EQ(list.GetIndexTime(QStringLiteral("/d/a")), 9);
    list.Remove(list.Find(QStringLiteral("/d/a")));
    EXPECT_EQ(list.GetIndexTime(QStringLiteral("/d/a")), 4);
    list.Remove(list.Find(QStringLiteral("/d/a")));
    EXPECT_EQ(list.Find(QStringLiteral("/d/a")), nullptr);
    EXPECT_THAT(Paths(list), ElementsAre(QStringLiteral("/d/b")));
}

TEST(IndexFormat, EmptyIndexIs31BytesAndLoads) {
    TIndexList empty;
    const QByteArray bytes = SerializeIndex(empty);
    EXPECT_EQ(bytes, TIndexBytes().Int32(0).End().data);
    EXPECT_EQ(bytes.size(), 31);
    TIndexList list;
    EXPECT_FALSE(list.Loaded);
    EXPECT_TRUE(ParseIndex(bytes, list));
    EXPECT_TRUE(list.Loaded);
    EXPECT_EQ(list.Count(), 0);
}

TEST(IndexFormat, RoundTripIsByteExactIncludingNamesThatAreNotUtf8) {
    const QByteArray latin1Name("/dst/caf\xE9.txt", 13);
    const QByteArray expected = TIndexBytes()
                                    .Int32(4)
                                    .Item("/dst/a.txt", 45000.5)
                                    .Item(latin1Name, 45001.25)
                                    .Item("/dst/\xC3\xA9t\xC3\xA9/\xE2\x82\xAC.doc", 40000.0)
                                    .Item("", 1.5)
                                    .End()
                                    .data;
    TIndexList list;
    ASSERT_TRUE(ParseIndex(expected, list));
    EXPECT_EQ(list.Count(), 4);
    EXPECT_NE(list.Find(DecodeFileName(latin1Name)), nullptr);
    EXPECT_NE(list.Find(QStringLiteral("/dst/été/€.doc")), nullptr);
    EXPECT_EQ(SerializeIndex(list), expected);

    // Built in memory, the same items give the same bytes.
    TIndexList built;
    built.SetIndexTime(QStringLiteral("/dst/a.txt"), 45000.5);
    built.SetIndexTime(DecodeFileName(latin1Name), 45001.25);
    built.SetIndexTime(QStringLiteral("/dst/été/€.doc"), 40000.0);
    built.Append(QString(), 1.5);
    EXPECT_EQ(SerializeIndex(built), expected);
}

TEST(IndexFormat, BadSeparatorFailsButKeepsTheItemsBefore) {
    TIndexList list;
    EXPECT_FALSE(
        ParseIndex(TIndexBytes().Int32(3).Item("/a", 1).Item("/b", 2, 'x').Item("/c", 3).End().data, list));
    EXPECT_FALSE(list.Loaded);
    // The item whose separator is wrong was read completely, so it is kept too.
    EXPECT_THAT(Paths(list), ElementsAre(QStringLiteral("/a"), QStringLiteral("/b")));
    // A later save writes what the list holds.
    TIndexList again;
    EXPECT_TRUE(ParseIndex(SerializeIndex(list), again));
    EXPECT_EQ(Items(again), Items(list));
}

TEST(IndexFormat, WrongMarkersFail) {
    TIndexList list;
    QByteArray badStart = TIndexBytes().Int32(0).End().data;
    badStart[14] = ' ';
    EXPECT_FALSE(ParseIndex(badStart, list));
    EXPECT_FALSE(ParseIndex(TIndexBytes().Int32(1).Item("/a", 1).data + "IndexFileEnD", list));
    EXPECT_THAT(Paths(list), ElementsAre(QStringLiteral("/a")));
    EXPECT_FALSE(list.Loaded);
    EXPECT_FALSE(ParseIndex(QByteArray(), list));
    // More items than the count says: the first extra byte is not the end marker.
    EXPECT_FALSE(ParseIndex(TIndexBytes().Int32(0).Item("/b", 1).End().data, list));
}

TEST(IndexFormat, EveryTruncationFails) {
    const QByteArray full =
        TIndexBytes().Int32(3).Item("/dst/one", 1).Item(QByteArray("/dst/\xFF", 6), 2).Item("", 3).End().data;
    for (qsizetype n = 0; n < full.size(); ++n) {
        TIndexList list;
        EXPECT_FALSE(ParseIndex(full.left(n), list)) << n;
        EXPECT_LE(list.Count(), 3);
    }
    TIndexList list;
    EXPECT_TRUE(ParseIndex(full, list));
}

TEST(IndexFormat, CountsAndLengthsAreBoundedByTheData) {
    TIndexList list;
    // A huge count with one real item: that item is read, then the data runs out.
    EXPECT_FALSE(ParseIndex(TIndexBytes().Int32(0x7FFFFFFF).Item("/a", 1).End().data, list));
    EXPECT_THAT(Paths(list), ElementsAre(QStringLiteral("/a")));

    list.Clear();
    EXPECT_FALSE(ParseIndex(TIndexBytes().Int32(1).Int32(0x7FFFFFFF).End().data, list));
    EXPECT_FALSE(ParseIndex(TIndexBytes().Int32(1).Int32(-1).End().data, list));
    EXPECT_FALSE(ParseIndex(TIndexBytes().Int32(1).Int32(-2147483647 - 1).End().data, list));
    EXPECT_FALSE(ParseIndex(TIndexBytes().Int32(-1).End().data, list));
    EXPECT_EQ(list.Count(), 0);
}

TEST(IndexNaming, ExtensionOfTheIdIsReplaced) {
    EXPECT_EQ(IndexFileNameFor(QStringLiteral("1A2B3C")), QStringLiteral("1A2B3C.idx"));
    EXPECT_EQ(IndexFileNameFor(QStringLiteral("my.task.backup")), QStringLiteral("my.task.idx"));
    EXPECT_EQ(IndexFileNameFor(QStringLiteral("../../etc/passwd")), QStringLiteral(".._..idx"));
    EXPECT_EQ(IndexFileNameFor(QStringLiteral("a/b.c")), QStringLiteral("a_b.idx"));
    EXPECT_EQ(IndexFileNameFor(QString()), QStringLiteral(".idx"));
}

class IndexEnabledTest : public TarnovexTest {};

TEST_F(IndexEnabledTest, OnlyBackupAndSyncToLocalOrFtpKeepIndexes) {
    TTask task;
    EXPECT_TRUE(IndexEnabled(task));
    task.DestType = TDestKind::dkFtp;
    task.TaskAction = TTaskAction::taSynchronize;
    EXPECT_TRUE(IndexEnabled(task));
    task.TaskAction = TTaskAction::taMove;
    EXPECT_FALSE(IndexEnabled(task));
    task.TaskAction = TTaskAction::taBackup;
    task.DestType = TDestKind::dkCdDvd;
    EXPECT_FALSE(IndexEnabled(task));
    task.DestType = TDestKind::dkEmail;
    EXPECT_FALSE(IndexEnabled(task));
    task.DestType = TDestKind::dkLocal;
    task.DisableIndexFiles = true;
    EXPECT_FALSE(IndexEnabled(task));
}

class IndexFileTest : public TarnovexTest {
protected:
    QStringList FolderEntries() const {
        return QDir(home.Path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

TEST_F(IndexFileTest, SaveAndLoadThroughTheFileSystem) {
    const QString path = home.File(IndexFileNameFor(QStringLiteral("TASK1")));
    TIndexList list;
    list.SetIndexTime(QStringLiteral("/dst/a"), 1.5);
    list.SetIndexTime(DecodeFileName(QByteArray("/dst/\xE9", 6)), 2.5);
    ASSERT_TRUE(SaveIndexFile(path, list));
    EXPECT_EQ(ReadFile(path), SerializeIndex(list));
    EXPECT_THAT(FolderEntries(), ElementsAre(QStringLiteral("TASK1.idx")));  // no temporary file left

    TIndexList loaded;
    ASSERT_TRUE(LoadIndexFile(path, loaded));
    EXPECT_TRUE(loaded.Loaded);
    EXPECT_EQ(Items(loaded), Items(list));

    // Saving again replaces the file.
    list.Clear();
    ASSERT_TRUE(SaveIndexFile(path, list));
    EXPECT_EQ(ReadFile(path).size(), 31);

    TIndexList missing;
    EXPECT_FALSE(LoadIndexFile(home.File(QStringLiteral("none.idx")), missing));
    EXPECT_FALSE(missing.Loaded);
    EXPECT_FALSE(SaveIndexFile(home.File(QStringLiteral("no-folder/x.idx")), list));
}

TEST_F(IndexFileTest, FailedSaveKeepsThePreviousIndex) {
    const QString path = home.File(QStringLiteral("TASK.idx"));
    TIndexList previous;
    previous.SetIndexTime(QStringLiteral("/dst/kept"), 7);
    ASSERT_TRUE(SaveIndexFile(path, previous));
    const QByteArray before = ReadFile(path);

    TIndexList bigger;
    for (int i = 0; i < 1000; ++i)
        bigger.SetIndexTime(QStringLiteral("/dst/file-%1").arg(i), i + 1);

    // A file-size limit makes the write fail part-way, also for root, like a full disk would.
    struct sigaction ignore {
    }, old{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &old);
    rlimit oldLimit{};
    getrlimit(RLIMIT_FSIZE, &oldLimit);
    rlimit small = oldLimit;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = SaveIndexFile(path, bigger);
    setrlimit(RLIMIT_FSIZE, &oldLimit);
    sigaction(SIGXFSZ, &old, nullptr);

    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_THAT(FolderEntries(), ElementsAre(QStringLiteral("TASK.idx")));
    TIndexList loaded;
    EXPECT_TRUE(LoadIndexFile(path, loaded));
    EXPECT_EQ(loaded.GetIndexTime(QStringLiteral("/dst/kept")), 7);
}

TEST_F(IndexFileTest, DamagedFileLoadsTheItemsBeforeTheDamage) {
    const QString path = home.WriteFile(QStringLiteral("T.idx"),
                                        TIndexBytes().Int32(2).Item("/a", 1).Item("/b", 2, 'X').End().data);
    TIndexList list;
    EXPECT_FALSE(LoadIndexFile(path, list));
    EXPECT_FALSE(list.Loaded);
    EXPECT_EQ(list.Count(), 2);
}

}  // namespace
