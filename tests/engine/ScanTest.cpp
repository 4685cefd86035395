#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include "RunFixture.h"
#include "engine/Scan.h"
#include "model/FileMask.h"
#include "storage/FileUtils.h"
#include "storage/Transfer.h"

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::UnorderedElementsAre;

// A storage that only records what the scan asks of it. The packed stores move the temporary file to
// "<name>.stored" beside it, so that a test sees what was stored; their results can be set.
class TRecordingStorage : public TCustomStorage {
public:
    using TCustomStorage::TCustomStorage;

    bool Connect() override { return Call(QStringLiteral("connect")); }
    bool Disconnect() override { return Call(QStringLiteral("disconnect")); }
    bool ForceDestinationFolder(const QString& p) override { return Call(QStringLiteral("dir>") + p); }
    bool ForceSourceFolder(const QString& p) override { return Call(QStringLiteral("dir<") + p); }
    bool PutFileToDestination(const QString& p) override { return Call(QStringLiteral("put>") + p); }
    bool PutFileToSource(const QString& p) override { return Call(QStringLiteral("put<") + p); }
    bool StoreEncryptedFile(const QString& s, const QString& t) override {
        return Store(QStringLiteral("storeEnc ") + s + QLatin1Char('|') + t, t);
    }
    bool StoreIndexFile(const QString& t, TStorageSide) override {
        return Call(QStringLiteral("storeIndex ") + t);
    }
    bool StoreArchive(const QString& t) override { return Store(QStringLiteral("storeArchive ") + t, t); }
    bool StoreCompressedFile(const QString& s, const QString& t) override {
        return Store(QStringLiteral("storeZip ") + s + QLatin1Char('|') + t, t);
    }
    bool StoreEncryptedArchive(const QString& t) override {
        return Store(QStringLiteral("storeEncArchive ") + t, t);
    }
    bool FetchIndexFile(const QString&, QString&, TStorageSide) override { return false; }
    bool LocateIndexFile(const QString&, QString&, TStorageSide) override { return false; }
    bool DeleteIndexFile(TStorageSide) override { return true; }
    void SaveFileVersion(const QString& p) override { Call(QStringLiteral("version ") + p); }
    void ProcessObsoleteFiles(TStorageSide) override { Call(QStringLiteral("obsolete")); }
    bool MayTransfer(const QString&, TStorageSide) override { return true; }

    bool Call(const QString& what) {
        calls << what;
        return true;
    }
    bool Store(const QString& what, const QString& temp) {
        calls << what;
        if (!storeResult)
            return false;
        stored << Read(temp);
        return FileSystem::Rename(temp, temp + QStringLiteral(".stored")) == 0;
    }
    static QByteArray Read(const QString& path) {
        QByteArray data;
        int fd = -1;
        if (FileSystem::OpenForReading(path, fd) != 0)
            return {};
        char buffer[256];
        ssize_t n;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
            data.append(buffer, n);
        ::close(fd);
        return data;
    }
    QStringList Matching(const QString& prefix) const {
        QStringList out;
        for (const QString& c : calls)
            if (c.startsWith(prefix))
                out << c.mid(prefix.size());
        return out;
    }

    QStringList calls;
    QList<QByteArray> stored;
    bool storeResult = true;
};

class ScanTest : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        job = std::make_unique<TRunJob>(context);
        auto owned = std::make_unique<TRecordingStorage>(context);
        storage = owned.get();
        job->Storage = std::move(owned);
    }
    // Scans the first source folder as the forward pass does.
    void ScanSource() {
        Task().ClearPathCaches();
        if (Task().CompressionActive() && !job->Compressor)
            job->Compressor = std::make_unique<TFakeCompressor>();
        if (Task().EncryptionActive() && !job->Encryptor)
            job->Encryptor = std::make_unique<TFakeEncryptor>();
        scanner = std::make_unique<TScanner>(*job);
        scanner->ScanRoot(Task().SourceFolderPath(0), job->SourceFiles, TStorageSide::Source,
                          QStringLiteral("Reading"), job->SourceTotals, Task().IncludeSubfolders(0));
    }
    int Position(const QString& call) const { return static_cast<int>(storage->calls.indexOf(call)); }
    QStringList Puts() const { return storage->Matching(QStringLiteral("put>")); }

    std::unique_ptr<TRunJob> job;
    std::unique_ptr<TScanner> scanner;
    TRecordingStorage* storage = nullptr;
};

TEST(FilesList, AddsEachPathOnceInOrderAndComparesExactly) {
    TFilesList list;
    EXPECT_EQ(list.FileAdd(QStringLiteral("/s/b.txt")), 0);
    EXPECT_EQ(list.FileAdd(QStringLiteral("/s/a.txt")), 1);
    EXPECT_EQ(list.FileAdd(QStringLiteral("/s/b.txt")), 0);
    // File names are case-sensitive here: both files exist and both must be packed.
    EXPECT_EQ(list.FileAdd(QStringLiteral("/s/A.txt")), 2);
    EXPECT_THAT(list.Items(), ElementsAre(QStringLiteral("/s/b.txt"), QStringLiteral("/s/a.txt"),
                                          QStringLiteral("/s/A.txt")));
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list[2], QStringLiteral("/s/A.txt"));
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.FileAdd(QStringLiteral("/s/a.txt")), 0);
}

TEST_F(ScanTest, FilesOfAFolderComeFirstThenEachSubfolderDepthFirst) {
    Write(src, QStringLiteral("a.txt"), "a");
    Write(src, QStringLiteral("b.txt"), "b");
    Write(src, QStringLiteral("one/c.txt"), "c");
    Write(src, QStringLiteral("one/deep/d.txt"), "d");
    Write(src, QStringLiteral("two/e.txt"), "e");
    ScanSource();

    const QStringList& calls = storage->calls;
    ASSERT_EQ(calls.size(), 9) << calls.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(calls.first(), QStringLiteral("dir>") + src);
    EXPECT_THAT(calls.mid(1, 2),
                UnorderedElementsAre(QStringLiteral("put>") + src + QStringLiteral("a.txt"),
                                     QStringLiteral("put>") + src + QStringLiteral("b.txt")));
    // Each subfolder is made, then its files handled, then its own subfolders, before the next one.
    const int one = Position(QStringLiteral("dir>") + src + QStringLiteral("one/"));
    const int two = Position(QStringLiteral("dir>") + src + QStringLiteral("two/"));
    ASSERT_GE(one, 3);
    ASSERT_GE(two, 3);
    const QStringList oneSubtree{QStringLiteral("dir>") + src + QStringLiteral("one/"),
                                 QStringLiteral("put>") + src + QStringLiteral("one/c.txt"),
                                 QStringLiteral("dir>") + src + QStringLiteral("one/deep/"),
                                 QStringLiteral("put>") + src + QStringLiteral("one/deep/d.txt")};
    const QStringList twoSubtree{QStringLiteral("dir>") + src + QStringLiteral("two/"),
                                 QStringLiteral("put>") + src + QStringLiteral("two/e.txt")};
    if (one < two) {
        EXPECT_EQ(calls.mid(3, 4), oneSubtree);
        EXPECT_EQ(calls.mid(7, 2), twoSubtree);
    } else {
        EXPECT_EQ(calls.mid(3, 2), twoSubtree);
        EXPECT_EQ(calls.mid(5, 4), oneSubtree);
    }
    EXPECT_EQ(job->SourceFiles.Count(), 5);
    EXPECT_TRUE(job->SourceFiles.Items().contains(src + QStringLiteral("one/deep/d.txt")));
}

TEST_F(ScanTest, TotalsCountPassingFilesTheirBytesAndFoldersHoldingOne) {
    TTaskFilterItem excludeTmp = MakeIncludeAllFilter();
    excludeTmp.FilterType = TFilterType::fitExclude;
    excludeTmp.fnWildcard = QStringLiteral("*.tmp");
    Task().Filters.insert(Task().Filters.begin(), excludeTmp);
    Write(src, QStringLiteral("x.txt"), "12345");
    Write(src, QStringLiteral("only/junk.tmp"), "zzzzzzzzz");
    Write(src, QStringLiteral("mixed/y.txt"), "1234567");
    Write(src, QStringLiteral("mixed/z.tmp"), "zz");
    FileSystem::MakePath(src + QStringLiteral("empty"));
    ScanSource();

    EXPECT_EQ(job->SourceTotals.Files, 2);
    EXPECT_EQ(job->SourceTotals.Bytes, 12u);
    // The root and "mixed"; "only" holds nothing that passed, "empty" nothing at all.
    EXPECT_EQ(job->SourceTotals.Folders, 2);
    EXPECT_THAT(Puts(),
                UnorderedElementsAre(src + QStringLiteral("x.txt"), src + QStringLiteral("mixed/y.txt")));
    // Folders that pass the folder filters are made even without a passing file.
    EXPECT_THAT(storage->calls, Contains(QStringLiteral("dir>") + src + QStringLiteral("only/")));
    EXPECT_THAT(storage->calls, Contains(QStringLiteral("dir>") + src + QStringLiteral("empty/")));
}

TEST_F(ScanTest, EmptyRootCountsNoFolder) {
    ScanSource();
    EXPECT_EQ(job->SourceTotals.Folders, 0);
    EXPECT_EQ(job->SourceTotals.Files, 0);
    EXPECT_THAT(storage->calls, ElementsAre(QStringLiteral("dir>") + src));
    EXPECT_FALSE(scanner->Incomplete());
}

TEST_F(ScanTest, IndexFileIsNeverTakenAndVersionCopiesOnlyWhenArchiveCopiesAreExcluded) {
    Write(src, QStringLiteral("TASKA1.idx"), "index");
    Write(src, QStringLiteral("sub/TASKA1.idx"), "index");
    Write(src, QStringLiteral("report (Version 2008-01-02 10-11-12).doc"), "v");
    Write(src, QStringLiteral("README (Version 2008-01-02 10-11-12)"), "r");
    Write(src, QStringLiteral("report.doc"), "d");
    ScanSource();
    // Without versions or obsolete copies kept beside the files, such names are ordinary files.
    EXPECT_THAT(Puts(), UnorderedElementsAre(src + QStringLiteral("report (Version 2008-01-02 10-11-12).doc"),
                                             src + QStringLiteral("README (Version 2008-01-02 10-11-12)"),
                                             src + QStringLiteral("report.doc")));

    storage->calls.clear();
    Task().VersionsKeepType = TVersionsKeepKind::vkSameFolder;
    ScanSource();
    // The name without an extension does not have the form of a kept copy.
    EXPECT_THAT(Puts(), UnorderedElementsAre(src + QStringLiteral("README (Version 2008-01-02 10-11-12)"),
                                             src + QStringLiteral("report.doc")));

    storage->calls.clear();
    Task().VersionsKeepType = TVersionsKeepKind::vkNone;
    Task().DeleteKind = TDeleteKind::adkMoveSameFolder;
    Write(src, QStringLiteral("gone (Obsolete 2009-01-02 10-11-12).txt"), "o");
    ScanSource();
    EXPECT_THAT(Puts(), Not(Contains(src + QStringLiteral("gone (Obsolete 2009-01-02 10-11-12).txt"))));
    EXPECT_THAT(Puts(), Not(Contains(src + QStringLiteral("report (Version 2008-01-02 10-11-12).doc"))));
}

TEST_F(ScanTest, LinksAreFilesSpecialFilesAndCopyLeftoversAreSkipped) {
    Write(src, QStringLiteral("real/f.txt"), "f");
    // A link to the source itself would loop forever if it were followed.
    ASSERT_EQ(FileSystem::MakeSymLink(src, src + QStringLiteral("loop")), 0);
    ASSERT_EQ(::mkfifo(EncodeFileName(src + QStringLiteral("pipe")).constData(), 0600), 0);
    const QString leftover = TransferTempName(src);
    ASSERT_TRUE(TFakeCompressor::Write(leftover, "half a copy"));
    ScanSource();

    EXPECT_THAT(Puts(),
                UnorderedElementsAre(src + QStringLiteral("loop"), src + QStringLiteral("real/f.txt")));
    EXPECT_THAT(storage->calls, Not(Contains(QStringLiteral("dir>") + src + QStringLiteral("loop/"))));
    EXPECT_THAT(
        Texts(TLogKind::lkSkipped),
        ElementsAre(QStringLiteral("Skipping special file \"%1pipe\" (FIFO, socket or device).").arg(src)));
    EXPECT_EQ(job->SourceTotals.Files, 2);
    EXPECT_FALSE(job->SourceFiles.Items().contains(leftover));
}

TEST_F(ScanTest, StatusShowsCaptionFolderAndEntry) {
    Write(src, QStringLiteral("a.txt"), "a");
    Write(src, QStringLiteral("sub/b.txt"), "b");
    ScanSource();
    std::vector<QString> texts;
    for (const auto& p : context.progress) {
        EXPECT_EQ(p.total, 0);
        texts.push_back(p.status);
    }
    // The root ends with '/', so its last component is empty.
    EXPECT_THAT(texts, Contains(QStringLiteral("Reading: /a.txt")));
    EXPECT_THAT(texts, Contains(QStringLiteral("Reading: /sub")));
    EXPECT_THAT(texts, Contains(QStringLiteral("Reading: sub/b.txt")));
}

TEST_F(ScanTest, ArchiveFoldersInsideTheSourceAreNotWalked) {
    Task().VersionsKeepType = TVersionsKeepKind::vkArcFolder;
    Task().VersionsKeepArcFolder = src + QStringLiteral("Versions");
    Task().DeleteKind = TDeleteKind::adkMoveArcFolder;
    Task().ArchiveFolder = src + QStringLiteral("Deleted");
    Write(src, QStringLiteral("Versions/a (Version 2008-01-02 10-11-12).txt"), "v");
    Write(src, QStringLiteral("Versions/plain.txt"), "v");
    Write(src, QStringLiteral("Deleted/b.txt"), "d");
    Write(src, QStringLiteral("Versions2/c.txt"), "c");
    Write(src, QStringLiteral("keep/d.txt"), "d");
    ScanSource();
    // The comparison is with the archive folder and a trailing '/': "Versions2" is an ordinary folder.
    EXPECT_THAT(Puts(), UnorderedElementsAre(src + QStringLiteral("Versions2/c.txt"),
                                             src + QStringLiteral("keep/d.txt")));
    EXPECT_THAT(storage->calls, Not(Contains(QStringLiteral("dir>") + src + QStringLiteral("Versions/"))));
    EXPECT_THAT(storage->calls, Not(Contains(QStringLiteral("dir>") + src + QStringLiteral("Deleted/"))));
}

TEST_F(ScanTest, WithoutSubfoldersOnlyTheRootIsWalked) {
    Task().SourceFolders[0].IncludeSubfolders = false;
    Write(src, QStringLiteral("a.txt"), "a");
    Write(src, QStringLiteral("sub/b.txt"), "b");
    ScanSource();
    EXPECT_THAT(storage->calls, ElementsAre(QStringLiteral("dir>") + src,
                                            QStringLiteral("put>") + src + QStringLiteral("a.txt")));
}

TEST_F(ScanTest, FolderFiltersDecideWhatIsWalkedAndEmptyFolderItemsListFolders) {
    TTaskFilterItem skip = MakeIncludeAllFilter();
    skip.FilterType = TFilterType::fitExclude;
    skip.FilterKind = TFilterKind::fikFolderName;
    skip.frKind = TFolderKind::frkContains;
    skip.frContains = QStringLiteral("/SKIPPED/");
    TTaskFilterItem empty = skip;
    empty.FilterType = TFilterType::fitInclude;
    empty.frKind = TFolderKind::frkEmpty;
    Task().Filters.insert(Task().Filters.begin(), {skip, empty});
    Write(src, QStringLiteral("skipped/x.txt"), "x");
    Write(src, QStringLiteral("kept/y.txt"), "y");
    FileSystem::MakePath(src + QStringLiteral("hollow"));
    ScanSource();

    EXPECT_THAT(Puts(), ElementsAre(src + QStringLiteral("kept/y.txt")));
    EXPECT_THAT(storage->calls, Not(Contains(QStringLiteral("dir>") + src + QStringLiteral("skipped/"))));
    // Folders are listed (for a single archive) when the folder filters let them pass: an excluded
    // folder must not appear in the archive as an empty one.
    EXPECT_THAT(job->SourceFiles.Items(),
                UnorderedElementsAre(src + QStringLiteral("kept/"), src + QStringLiteral("kept/y.txt"),
                                     src + QStringLiteral("hollow/")));
}

TEST_F(ScanTest, SingleArchiveMakesOnlyTheRootAndListsEverything) {
    Task().CompressUse = true;
    Task().CompressSeparate = false;
    Write(src, QStringLiteral("a.txt"), "a");
    Write(src, QStringLiteral("sub/b.txt"), "b");
    ScanSource();
    EXPECT_THAT(storage->calls, ElementsAre(QStringLiteral("dir>") + src));
    EXPECT_THAT(Texts(TLogKind::lkFile),
                ElementsAre(src + QStringLiteral("a.txt"), src + QStringLiteral("sub/"),
                            src + QStringLiteral("sub/b.txt")));
    EXPECT_THAT(job->SourceFiles.Items(),
                ElementsAre(src + QStringLiteral("a.txt"), src + QStringLiteral("sub/b.txt")));
    EXPECT_THAT(Compressor(*job).single, IsEmpty());
}

TEST_F(ScanTest, UnreadableRootIsReportedAndMarksTheScanIncomplete) {
    Task().SourceFolders[0].Folder = home.Path() + QStringLiteral("not-there");
    ScanSource();
    EXPECT_TRUE(scanner->Incomplete());
    ASSERT_EQ(Texts(TLogKind::lkWarning).size(), 1u);
    EXPECT_TRUE(Texts(TLogKind::lkWarning)[0].startsWith(
        QStringLiteral("Can't read folder \"%1not-there/\".").arg(home.Path())));
    EXPECT_EQ(job->SourceTotals.Files, 0);
    EXPECT_EQ(job->SourceTotals.Folders, 0);
}

TEST_F(ScanTest, StopAbandonsTheWholeWalk) {
    Write(src, QStringLiteral("a.txt"), "a");
    Write(src, QStringLiteral("one/b.txt"), "b");
    Write(src, QStringLiteral("one/deep/c.txt"), "c");
    Write(src, QStringLiteral("two/d.txt"), "d");
    // The stop comes while the first file is handled.
    storage->calls.clear();
    context.onStopCheck = [this](int) {
        if (!Puts().isEmpty())
            context.stop = true;
    };
    ScanSource();
    EXPECT_THAT(Puts(), ElementsAre(src + QStringLiteral("a.txt")));
    EXPECT_EQ(job->SourceTotals.Files, 1);
    EXPECT_EQ(storage->calls.size(), 2);
}

TEST_F(ScanTest, NamesThatAreNotUtf8SurviveByteForByte) {
    const QByteArray rawName("caf\xe9-\xff.txt");
    const QByteArray rawPath = EncodeFileName(src) + rawName;
    ASSERT_TRUE(TFakeCompressor::Write(DecodeFileName(rawPath), "bytes"));
    ScanSource();
    ASSERT_EQ(Puts().size(), 1);
    EXPECT_EQ(EncodeFileName(Puts()[0]), rawPath);
    EXPECT_EQ(job->SourceTotals.Bytes, 5u);
}

// --- packed files -------------------------------------------------------------------------------

class PackedScanTest : public ScanTest {
protected:
    void SetUp() override {
        ScanTest::SetUp();
        file = Write(src, QStringLiteral("doc.txt"), "content", 5);
    }
    QString file;
};

TEST_F(PackedScanTest, OneArchivePerFileIsMadeInTheTempFolderStoredAndCleanedUp) {
    Task().CompressUse = true;
    Task().CompressSeparate = true;
    ScanSource();
    const QString zip = tmp + QStringLiteral("doc.txt.zip");
    ASSERT_EQ(Compressor(*job).single.size(), 1u);
    EXPECT_EQ(Compressor(*job).single[0].source, file);
    EXPECT_EQ(Compressor(*job).single[0].target, zip);
    EXPECT_THAT(storage->calls, Contains(QStringLiteral("storeZip ") + file + QLatin1Char('|') + zip));
    EXPECT_THAT(storage->stored, ElementsAre(QByteArray("ZIP:content")));
    EXPECT_FALSE(Exists(zip));
    EXPECT_THAT(Puts(), IsEmpty());
    // A backup keeps its source; the new time is in the destination index.
    EXPECT_TRUE(Exists(file));
    const TIndexFileItem* item =
        storage->FindIndexItem(dst + QStringLiteral("doc.txt"), TStorageSide::Destination);
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(DateTime::SameTime(item->Time, FileModificationTime(file)));
}

TEST_F(PackedScanTest, CompressedThenEncryptedAndTheMovedSourceDeleted) {
    Task().TaskAction = TTaskAction::taMove;
    Task().CompressUse = true;
    Task().CompressSeparate = true;
    Task().CryptUse = true;
    ScanSource();
    const QString zip = tmp + QStringLiteral("doc.txt.zip");
    const QString enc = tmp + QStringLiteral("doc.txt.enc");
    ASSERT_EQ(Encryptor(*job).calls.size(), 1u);
    EXPECT_EQ(Encryptor(*job).calls[0].source, zip);
    EXPECT_EQ(Encryptor(*job).calls[0].target, enc);
    EXPECT_THAT(storage->calls, Contains(QStringLiteral("storeEnc ") + file + QLatin1Char('|') + enc));
    EXPECT_FALSE(Exists(zip));
    EXPECT_FALSE(Exists(file));
    EXPECT_TRUE(Logged(TLogKind::lkFile, QStringLiteral("Source file deleted: %1.").arg(file)));
    // A move keeps no index.
    EXPECT_EQ(storage->DestinationIndex.Count(), 0);
}

TEST_F(PackedScanTest, EncryptedOnlyAndAFailedStoreKeepsTheMovedSource) {
    Task().TaskAction = TTaskAction::taMove;
    Task().CryptUse = true;
    storage->storeResult = false;
    ScanSource();
    const QString enc = tmp + QStringLiteral("doc.txt.enc");
    ASSERT_EQ(Encryptor(*job).calls.size(), 1u);
    EXPECT_EQ(Encryptor(*job).calls[0].source, file);
    EXPECT_THAT(storage->calls, Contains(QStringLiteral("storeEnc ") + file + QLatin1Char('|') + enc));
    EXPECT_TRUE(Exists(file));
    EXPECT_FALSE(Exists(enc));
    EXPECT_THAT(Texts(TLogKind::lkFile), IsEmpty());
}

TEST_F(PackedScanTest, FailedCompressionStoresNothing) {
    Task().TaskAction = TTaskAction::taMove;
    Task().CompressUse = true;
    Task().CompressSeparate = true;
    job->Compressor = std::make_unique<TFakeCompressor>();
    Compressor(*job).fail = true;
    ScanSource();
    EXPECT_THAT(storage->Matching(QStringLiteral("store")), IsEmpty());
    EXPECT_TRUE(Exists(file));
}

TEST_F(PackedScanTest, UnchangedPackedFileIsSkippedByTheIndex) {
    Task().CompressUse = true;
    Task().CompressSeparate = true;
    const QString d = dst + QStringLiteral("doc.txt");
    storage->DestinationIndex.Append(d, FileModificationTime(file));
    storage->DestinationIndex.Loaded = true;
    Write(dst, QStringLiteral("doc.txt.zip"), "old");
    ScanSource();
    EXPECT_THAT(Compressor(*job).single, IsEmpty());
    EXPECT_THAT(Texts(TLogKind::lkSkipped),
                ElementsAre(QStringLiteral("Skipping unchanged \"%1\".").arg(file)));
    EXPECT_TRUE(storage->FindIndexItem(d, TStorageSide::Destination)->Seen);
    // Skipped files still count.
    EXPECT_EQ(job->SourceTotals.Files, 1);
}

TEST_F(PackedScanTest, PackedAgainWhenTheSourceChangedOrThePackedCopyIsGone) {
    Task().CompressUse = true;
    Task().CompressSeparate = true;
    const QString d = dst + QStringLiteral("doc.txt");
    const TDateTime oldTime = DateTime::Encode(2019, 1, 1, 8, 0, 0);
    storage->DestinationIndex.Append(d, oldTime);
    storage->DestinationIndex.Loaded = true;
    Write(dst, QStringLiteral("doc.txt.zip"), "old");
    ScanSource();
    EXPECT_EQ(Compressor(*job).single.size(), 1u);
    EXPECT_TRUE(DateTime::SameTime(storage->FindIndexItem(d, TStorageSide::Destination)->Time,
                                   FileModificationTime(file)));

    // Same time now, but the packed copy has disappeared from the destination.
    FileSystem::RemoveFile(dst + QStringLiteral("doc.txt.zip"));
    ScanSource();
    EXPECT_EQ(Compressor(*job).single.size(), 2u);
    EXPECT_THAT(Texts(TLogKind::lkSkipped), IsEmpty());
}

TEST_F(PackedScanTest, MalformedFilterMaskReachesTheCaller) {
    TTaskFilterItem bad = MakeIncludeAllFilter();
    bad.fnWildcard = QStringLiteral("[abc");
    Task().Filters.insert(Task().Filters.begin(), bad);
    EXPECT_THROW(ScanSource(), EFilterMaskError);
}

}  // namespace
