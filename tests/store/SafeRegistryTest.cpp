#include <gtest/gtest.h>

#include <sqlite3.h>

#include <sys/stat.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <csignal>

#include "fixtures/TempHome.h"
#include "store/SafeRegistry.h"
#include "store/SettingsStore.h"
#include "store/StoreEngine.h"

namespace {

class SafeRegistry : public TarnovexTest {};

QString DbPath(const TTempHome& home) {
    return home.File(QStringLiteral("settings.db"));
}

QStringList KeyNames(const QString& path) {
    TSafeRegistry reg;
    QStringList names;
    if (reg.OpenKeyReadOnly(path))
        reg.GetKeyNames(names);
    return names;
}

QStringList ValueNames(const QString& path) {
    TSafeRegistry reg;
    QStringList names;
    if (reg.OpenKeyReadOnly(path))
        reg.GetValueNames(names);
    return names;
}

// Runs this test program again with one helper test selected and the given environment.
int RunHelper(const QString& test, const QStringList& environment, int killAfterMs = -1) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : environment)
        env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=StoreHelper.") + test});
    if (!child.waitForStarted(10000))
        return -1;
    if (killAfterMs >= 0) {
        QThread::msleep(static_cast<unsigned long>(killAfterMs));
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    }
    child.waitForFinished(60000);
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -2;
}

}  // namespace

// Helpers that another process of this program runs; they do nothing in a normal test run.
TEST(StoreHelper, WriteKeyFromEnvironment) {
    const QString key = qEnvironmentVariable("TARNOVEX_HELPER_KEY");
    if (key.isEmpty())
        GTEST_SKIP() << "only run as a helper process";
    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKey(key, true));
    reg.WriteString(QStringLiteral("Writer"), QStringLiteral("child"));
}

TEST(StoreHelper, RewriteManyKeysForever) {
    if (qEnvironmentVariable("TARNOVEX_HELPER_LOOP").isEmpty())
        GTEST_SKIP() << "only run as a helper process";
    for (int generation = 1; generation < 1000000; ++generation) {
        TStoreTransaction transaction;
        TSafeRegistry reg;
        for (int k = 0; k < 300; ++k) {
            reg.OpenKey(QStringLiteral("\\Crash\\K%1").arg(k), true);
            reg.WriteInteger(QStringLiteral("Generation"), generation);
            reg.WriteString(QStringLiteral("Padding"),
                            QString(200, QLatin1Char('x')) + QString::number(generation));
        }
    }
}

TEST_F(SafeRegistry, BooleansAreIntegersAndOtherTypesGiveTheDefault) {
    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\T"), true));
    reg.WriteInteger(QStringLiteral("Five"), 5);
    reg.WriteString(QStringLiteral("One"), QStringLiteral("1"));
    EXPECT_TRUE(reg.ReadBool(QStringLiteral("Five"), false));
    EXPECT_FALSE(reg.ReadBool(QStringLiteral("One"), false));
    EXPECT_TRUE(reg.ReadBool(QStringLiteral("One"), true));
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("One"), -3), -3);
    EXPECT_EQ(reg.ReadString(QStringLiteral("Five"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Missing"), QStringLiteral("d")), QStringLiteral("d"));
}

TEST_F(SafeRegistry, FloatsNeedExactlyEightBinaryBytes) {
    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\T"), true));
    const char four[4] = {1, 2, 3, 4};
    const char ten[10] = {};
    reg.WriteBinary(QStringLiteral("Four"), four, 4);
    reg.WriteBinary(QStringLiteral("Ten"), ten, 10);
    reg.WriteFloat(QStringLiteral("Pi"), 3.25);
    reg.WriteDate(QStringLiteral("Day"), 46000.5);
    EXPECT_EQ(reg.ReadFloat(QStringLiteral("Four"), 7.0), 7.0);
    EXPECT_EQ(reg.ReadFloat(QStringLiteral("Ten"), 7.0), 7.0);
    EXPECT_EQ(reg.ReadFloat(QStringLiteral("Pi"), 0), 3.25);
    EXPECT_EQ(reg.ReadTime(QStringLiteral("Day"), 0), 46000.5);
    EXPECT_EQ(reg.GetDataType(QStringLiteral("Pi")), TRegDataType::rdBinary);
    EXPECT_EQ(reg.GetDataSize(QStringLiteral("Pi")), 8);
}

TEST_F(SafeRegistry, ReadBinaryCopiesOnlyWhatFitsAndOtherwiseLeavesTheBuffer) {
    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\T"), true));
    const char two[2] = {'a', 'b'};
    reg.WriteBinary(QStringLiteral("Two"), two, 2);
    reg.WriteBinary(QStringLiteral("One"), "z", 1);
    reg.WriteInteger(QStringLiteral("Int"), 1);
    char buffer = 'q';
    EXPECT_EQ(reg.ReadBinary(QStringLiteral("Two"), &buffer, 1), 0);
    EXPECT_EQ(buffer, 'q');
    EXPECT_EQ(reg.ReadBinary(QStringLiteral("Int"), &buffer, 1), 0);
    EXPECT_EQ(buffer, 'q');
    EXPECT_EQ(reg.ReadBinary(QStringLiteral("One"), &buffer, 1), 1);
    EXPECT_EQ(buffer, 'z');
}

TEST_F(SafeRegistry, SubKeysListCaseInsensitivelyAscendingAndValuesInCreationOrder) {
    {
        TSafeRegistry reg;
        for (int i = 12; i >= 1; --i)
            reg.OpenKey(QStringLiteral("\\List\\%1").arg(i), true);
        reg.OpenKey(QStringLiteral("\\Names\\beta"), true);
        reg.OpenKey(QStringLiteral("\\Names\\Alpha"), true);
        reg.OpenKey(QStringLiteral("\\Names\\GAMMA"), true);
        reg.OpenKey(QStringLiteral("\\Values"), true);
        reg.WriteString(QStringLiteral("z"), {});
        reg.WriteInteger(QStringLiteral("a"), 1);
        reg.WriteString(QStringLiteral("M"), {});
        // Rewriting with another type keeps the place in the listing.
        reg.WriteString(QStringLiteral("A"), QStringLiteral("now text"));
    }
    const QStringList expected{"1", "10", "11", "12", "2", "3", "4", "5", "6", "7", "8", "9"};
    EXPECT_EQ(KeyNames(QStringLiteral("\\List")), expected);
    EXPECT_EQ(KeyNames(QStringLiteral("\\Names")), (QStringList{"Alpha", "beta", "GAMMA"}));
    EXPECT_EQ(ValueNames(QStringLiteral("\\Values")), (QStringList{"z", "a", "M"}));
    EXPECT_EQ(TSafeRegistry::ReadStringAt(QStringLiteral("\\VALUES"), QStringLiteral("a"), {}),
              QStringLiteral("now text"));

    // The same holds after the store was written and read back.
    SettingsStore::Close();
    EXPECT_EQ(KeyNames(QStringLiteral("\\List")), expected);
    EXPECT_EQ(ValueNames(QStringLiteral("\\Values")), (QStringList{"z", "a", "M"}));
}

TEST_F(SafeRegistry, KeyPathsIgnoreCaseAndRelativePathsStartAtTheCurrentKey) {
    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Halvorine"), true));
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Sub Key\\Deeper"), true));
    EXPECT_EQ(reg.CurrentPath(), QStringLiteral("\\Software\\Halvorine\\Sub Key\\Deeper"));
    reg.WriteInteger(QStringLiteral("V"), 9);
    TSafeRegistry other;
    ASSERT_TRUE(other.OpenKeyReadOnly(QStringLiteral("\\SOFTWARE\\halvorine\\SUB KEY\\deeper")));
    EXPECT_EQ(other.ReadInteger(QStringLiteral("v"), 0), 9);
    EXPECT_FALSE(other.OpenKey(QStringLiteral("\\Software\\Nope"), false));
    EXPECT_EQ(other.CurrentPath(), QStringLiteral("\\Software\\Halvorine\\Sub Key\\Deeper"));
    EXPECT_TRUE(other.KeyExists(QStringLiteral("\\software")));
    EXPECT_FALSE(other.KeyExists(QStringLiteral("\\Software\\Nope")));
}

TEST_F(SafeRegistry, DeletingAKeyRemovesEverythingBelowItAlsoInTheFile) {
    {
        TSafeRegistry reg;
        reg.OpenKey(QStringLiteral("\\Tasks\\ABC\\Source\\SourceFolders\\1"), true);
        reg.WriteString(QStringLiteral("Folder"), QStringLiteral("/home"));
        reg.OpenKey(QStringLiteral("\\Tasks\\ABCD"), true);
        reg.WriteString(QStringLiteral("Name"), QStringLiteral("neighbour"));
    }
    SettingsStore::Close();
    {
        TSafeRegistry reg;
        EXPECT_TRUE(reg.DeleteKey(QStringLiteral("\\tasks\\abc")));
        EXPECT_FALSE(reg.KeyExists(QStringLiteral("\\Tasks\\ABC\\Source\\SourceFolders\\1")));
    }
    SettingsStore::Close();
    EXPECT_FALSE(TSafeRegistry().KeyExists(QStringLiteral("\\Tasks\\ABC\\Source")));
    EXPECT_EQ(KeyNames(QStringLiteral("\\Tasks")), QStringList{"ABCD"});
    EXPECT_EQ(TSafeRegistry::ReadStringAt(QStringLiteral("\\Tasks\\ABCD"), QStringLiteral("Name"), {}),
              QStringLiteral("neighbour"));
}

TEST_F(SafeRegistry, AnAccessorOnADeletedKeyReadsDefaultsAndWritesNothing) {
    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Gone"), true));
    reg.WriteInteger(QStringLiteral("V"), 1);
    TSafeRegistry other;
    other.DeleteKey(QStringLiteral("\\Gone"));
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("V"), 7), 7);
    reg.WriteInteger(QStringLiteral("V"), 2);
    EXPECT_FALSE(other.KeyExists(QStringLiteral("\\Gone")));
}

TEST_F(SafeRegistry, OddNamesAndTextsSurviveTheFile) {
    const QString name = QStringLiteral("Name with \"quotes\", = and ünïcödé");
    const QString text = QStringLiteral("line 1\r\nline 2\t\"quoted\" \\ back\\slash ✓");
    {
        TSafeRegistry reg;
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Odd key = \"x\" ∑"), true));
        reg.WriteString(name, text);
        reg.WriteString(QString(), QStringLiteral("unnamed"));
        reg.WriteBinary(QStringLiteral("Empty"), nullptr, 0);
    }
    SettingsStore::Close();
    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(QStringLiteral("\\ODD KEY = \"X\" ∑")));
    EXPECT_EQ(reg.ReadString(name, {}), text);
    EXPECT_EQ(reg.ReadString(QString(), {}), QStringLiteral("unnamed"));
    EXPECT_EQ(reg.GetDataSize(QStringLiteral("Empty")), 0);
    EXPECT_EQ(reg.GetDataType(QStringLiteral("Empty")), TRegDataType::rdBinary);
}

TEST_F(SafeRegistry, TheDatabaseFileIsPrivate) {
    {
        TSafeRegistry reg;
        reg.OpenKey(QStringLiteral("\\P"), true);
        reg.WriteString(QStringLiteral("Password"), QStringLiteral("secret"));
    }
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(DbPath(home)).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(SafeRegistry, ChangesOfATransactionReachTheFileOnlyAtItsEnd) {
    TStoreTransaction transaction;
    {
        TSafeRegistry reg;
        reg.OpenKey(QStringLiteral("\\Tx"), true);
        reg.WriteInteger(QStringLiteral("V"), 1);
    }
    // Another connection sees nothing yet.
    sqlite3* db = nullptr;
    ASSERT_EQ(
        sqlite3_open_v2(QFile::encodeName(DbPath(home)).constData(), &db, SQLITE_OPEN_READONLY, nullptr),
        SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT count(*) FROM keys WHERE path = 'tx'", -1, &st, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(st, 0), 0);
    sqlite3_finalize(st);
    sqlite3_close(db);
}

TEST_F(SafeRegistry, AKillDuringBigTransactionsLeavesOneWholeGeneration) {
    // The helper rewrites 300 keys per transaction in a loop; however late the kill comes, every key
    // must hold the same generation afterwards.
    for (int trial = 0; trial < 4; ++trial) {
        const int status = RunHelper(
            QStringLiteral("RewriteManyKeysForever"),
            {QStringLiteral("TARNOVEX_HELPER_LOOP=1"), QStringLiteral("TARNOVEX_HOME=") + home.Path()},
            150 + trial * 170);
        EXPECT_EQ(status, -2);
        SettingsStore::Close();
        TSafeRegistry reg;
        QStringList keys;
        if (reg.OpenKeyReadOnly(QStringLiteral("\\Crash")))
            reg.GetKeyNames(keys);
        if (keys.isEmpty())
            continue;  // killed before the first commit
        EXPECT_EQ(keys.size(), 300);
        int generation = -1;
        for (const QString& key : keys) {
            TSafeRegistry item;
            ASSERT_TRUE(item.OpenKeyReadOnly(QStringLiteral("\\Crash\\") + key));
            const int g = item.ReadInteger(QStringLiteral("Generation"), 0);
            if (generation < 0)
                generation = g;
            EXPECT_EQ(g, generation) << "key " << key.toStdString();
            EXPECT_EQ(item.ReadString(QStringLiteral("Padding"), {}),
                      QString(200, QLatin1Char('x')) + QString::number(g));
        }
    }
}

TEST_F(SafeRegistry, AnotherProcessCommitsAreSeenByTheNextAccessor) {
    {
        TSafeRegistry reg;
        reg.OpenKey(QStringLiteral("\\Mine"), true);
        reg.WriteString(QStringLiteral("Writer"), QStringLiteral("parent"));
    }
    ASSERT_EQ(RunHelper(QStringLiteral("WriteKeyFromEnvironment"),
                        {QStringLiteral("TARNOVEX_HELPER_KEY=\\Theirs"),
                         QStringLiteral("TARNOVEX_HOME=") + home.Path()}),
              0);
    {
        TSafeRegistry reg;
        ASSERT_TRUE(reg.OpenKeyReadOnly(QStringLiteral("\\Theirs")));
        EXPECT_EQ(reg.ReadString(QStringLiteral("Writer"), {}), QStringLiteral("child"));
        // Our own write is not lost by the refresh.
        reg.OpenKey(QStringLiteral("\\Mine\\Later"), true);
    }
    SettingsStore::Close();
    EXPECT_EQ(TSafeRegistry::ReadStringAt(QStringLiteral("\\Mine"), QStringLiteral("Writer"), {}),
              QStringLiteral("parent"));
    EXPECT_TRUE(TSafeRegistry().KeyExists(QStringLiteral("\\Mine\\Later")));
    EXPECT_TRUE(TSafeRegistry().KeyExists(QStringLiteral("\\Theirs")));
}

TEST_F(SafeRegistry, AFileThatIsNotADatabaseIsMovedAsideAndAFreshStoreStarts) {
    SettingsStore::Close();
    home.WriteFile(QStringLiteral("settings.db"),
                   QByteArray("this is a text file, not a database\n").repeated(200));
    testing::internal::CaptureStderr();
    {
        TSafeRegistry reg;
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\After"), true));
        reg.WriteInteger(QStringLiteral("V"), 3);
    }
    const std::string warning = testing::internal::GetCapturedStderr();
    EXPECT_NE(warning.find("moved to"), std::string::npos) << warning;
    const QStringList aside = QDir(home.Path()).entryList({QStringLiteral("settings.db.corrupt-*")});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_TRUE(
        aside[0].contains(QRegularExpression(QStringLiteral("^settings\\.db\\.corrupt-\\d{8}-\\d{6}$"))));
    SettingsStore::Close();
    EXPECT_EQ(TSafeRegistry::ReadIntegerAt(QStringLiteral("\\After"), QStringLiteral("V"), 0), 3);
}

TEST_F(SafeRegistry, ATruncatedDatabaseNeverStopsTheStore) {
    {
        TSafeRegistry reg;
        for (int i = 0; i < 400; ++i) {
            reg.OpenKey(QStringLiteral("\\Bulk\\%1").arg(i), true);
            reg.WriteString(QStringLiteral("Text"), QString(300, QLatin1Char('y')));
        }
    }
    SettingsStore::Close();
    QFile file(DbPath(home));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.resize(file.size() / 3);
    file.close();
    testing::internal::CaptureStderr();
    {
        TSafeRegistry reg;
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Usable"), true));
        reg.WriteInteger(QStringLiteral("V"), 1);
    }
    testing::internal::GetCapturedStderr();
    SettingsStore::Close();
    EXPECT_EQ(TSafeRegistry::ReadIntegerAt(QStringLiteral("\\Usable"), QStringLiteral("V"), 0), 1);
}

TEST_F(SafeRegistry, GarbageInsideAKeyRowGivesDefaultsNotACrash) {
    {
        TSafeRegistry reg;
        reg.OpenKey(QStringLiteral("\\Damaged"), true);
        reg.WriteInteger(QStringLiteral("V"), 1);
    }
    SettingsStore::Close();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(DbPath(home)).constData(), &db), SQLITE_OK);
    // A count of four billion values, then a name length that points far past the end.
    const char junk[] = "T\x01\xff\xff\xff\xff\x10\x00\x00\x00ab";
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "UPDATE keys SET data = ?1 WHERE path = 'damaged'", -1, &st, nullptr),
              SQLITE_OK);
    sqlite3_bind_blob(st, 1, junk, sizeof junk - 1, SQLITE_STATIC);
    ASSERT_EQ(sqlite3_step(st), SQLITE_DONE);
    sqlite3_finalize(st);
    sqlite3_close(db);

    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(QStringLiteral("\\Damaged")));
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("V"), 42), 42);
    QStringList values;
    reg.GetValueNames(values);
    EXPECT_TRUE(values.isEmpty());
}

TEST(StoreFormat, DeserialisingNeverReadsPastTheData) {
    std::vector<TRegValue> values(3);
    values[0].name = QStringLiteral("S");
    values[0].type = TRegDataType::rdString;
    values[0].text = QStringLiteral("text");
    values[1].name = QStringLiteral("I");
    values[1].type = TRegDataType::rdInteger;
    values[1].integer = -5;
    values[2].name = QStringLiteral("B");
    values[2].type = TRegDataType::rdBinary;
    values[2].bytes = QByteArray("\x00\x01\x02", 3);
    const QByteArray data = TStoreEngine::SerializeValues(values);
    // Every prefix of a valid row yields a prefix of its values and nothing invented.
    for (qsizetype cut = 0; cut <= data.size(); ++cut) {
        std::vector<TRegValue> read;
        TStoreEngine::DeserializeValues(data.left(cut), read);
        ASSERT_LE(read.size(), values.size());
        for (size_t i = 0; i < read.size(); ++i) {
            EXPECT_EQ(read[i].name, values[i].name);
            EXPECT_EQ(read[i].type, values[i].type);
        }
        if (cut == data.size()) {
            EXPECT_EQ(read.size(), 3u);
        }
    }
}
