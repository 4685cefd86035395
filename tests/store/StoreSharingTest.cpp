// The store shared with another process (the program and tarnovex-cli), a store that cannot be opened,
// and closing with changes still pending.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <sys/stat.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include "fixtures/TempHome.h"
#include "store/SafeRegistry.h"
#include "store/SettingsStore.h"

namespace {

class StoreSharing : public TarnovexTest {};

QProcess* StartWriter(const QString& prefix, int count) {
    auto* child = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TARNOVEX_SHARING_PREFIX"), prefix);
    env.insert(QStringLiteral("TARNOVEX_SHARING_COUNT"), QString::number(count));
    child->setProcessEnvironment(env);
    child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--gtest_filter=StoreSharingHelper.WriteKeys")});
    return child;
}

bool Finished(QProcess* child) {
    const bool ok = child->waitForFinished(120000) && child->exitStatus() == QProcess::NormalExit &&
                    child->exitCode() == 0;
    delete child;
    return ok;
}

QString IntegrityCheck(const QString& path) {
    sqlite3* db = nullptr;
    QString result = QStringLiteral("cannot open");
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return result;
}

int CountKeys(const QString& path) {
    TSafeRegistry reg;
    QStringList names;
    if (reg.OpenKeyReadOnly(path))
        reg.GetKeyNames(names);
    return static_cast<int>(names.size());
}

}  // namespace

// Run only as a child process: writes COUNT keys under PREFIX, each through its own accessor, so that
// every key is a commit of its own and the commits interleave with those of the other writers.
TEST(StoreSharingHelper, WriteKeys) {
    const QString prefix = qEnvironmentVariable("TARNOVEX_SHARING_PREFIX");
    if (prefix.isEmpty())
        GTEST_SKIP() << "only run as a child process";
    const int count = qEnvironmentVariableIntValue("TARNOVEX_SHARING_COUNT");
    for (int i = 0; i < count; ++i) {
        TSafeRegistry reg;
        ASSERT_TRUE(reg.OpenKey(prefix + QStringLiteral("\\%1").arg(i), true));
        reg.WriteInteger(QStringLiteral("N"), i);
    }
}

TEST_F(StoreSharing, ACommitOfAnotherProcessWhileWeWriteIsNotHiddenByOurOwnCommit) {
    {
        TSafeRegistry reg;
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Mine"), true));
        // The other process commits while our accessor is open and our change is still pending.
        ASSERT_TRUE(Finished(StartWriter(QStringLiteral("\\Theirs"), 3)));
        reg.WriteInteger(QStringLiteral("V"), 1);
    }
    TSafeRegistry reg;
    EXPECT_TRUE(reg.KeyExists(QStringLiteral("\\Theirs\\2")));
    EXPECT_EQ(TSafeRegistry::ReadIntegerAt(QStringLiteral("\\Mine"), QStringLiteral("V"), 0), 1);
}

TEST_F(StoreSharing, ProcessesWritingAtTheSameTimeKeepEveryKeyAndAnIntactFile) {
    const QString path = SettingsStore::FilePath();
    QProcess* first = StartWriter(QStringLiteral("\\First"), 150);
    QProcess* second = StartWriter(QStringLiteral("\\Second"), 150);
    for (int i = 0; i < 150; ++i) {
        TSafeRegistry reg;
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Parent\\%1").arg(i), true));
        reg.WriteInteger(QStringLiteral("N"), i);
    }
    ASSERT_TRUE(Finished(first));
    ASSERT_TRUE(Finished(second));
    // Seen by this process without reopening ...
    EXPECT_EQ(CountKeys(QStringLiteral("\\First")), 150);
    EXPECT_EQ(CountKeys(QStringLiteral("\\Second")), 150);
    // ... and all of it in the file.
    SettingsStore::Close();
    EXPECT_EQ(IntegrityCheck(path), QStringLiteral("ok"));
    EXPECT_EQ(CountKeys(QStringLiteral("\\First")), 150);
    EXPECT_EQ(CountKeys(QStringLiteral("\\Second")), 150);
    EXPECT_EQ(CountKeys(QStringLiteral("\\Parent")), 150);
    EXPECT_EQ(TSafeRegistry::ReadIntegerAt(QStringLiteral("\\second\\149"), QStringLiteral("n"), -1), 149);
}

TEST_F(StoreSharing, CloseWritesChangesOfATransactionStillOpen) {
    {
        TStoreTransaction transaction;
        TSafeRegistry reg;
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Pending"), true));
        reg.WriteString(QStringLiteral("Text"), QStringLiteral("kept"));
        SettingsStore::Close();
    }
    EXPECT_EQ(TSafeRegistry::ReadStringAt(QStringLiteral("\\Pending"), QStringLiteral("Text"), {}),
              QStringLiteral("kept"));
}

TEST_F(StoreSharing, MissingFoldersAreCreatedPrivate) {
    const QString path = home.File(QStringLiteral("new/deeper/settings.db"));
    ASSERT_TRUE(SettingsStore::Open(path));
    {
        TSafeRegistry reg;
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\K"), true));
        reg.WriteInteger(QStringLiteral("V"), 5);
    }
    for (const QString& folder :
         {home.File(QStringLiteral("new")), home.File(QStringLiteral("new/deeper"))}) {
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << folder.toStdString();
    }
    SettingsStore::Close();
    ASSERT_TRUE(SettingsStore::Open(path));
    EXPECT_EQ(TSafeRegistry::ReadIntegerAt(QStringLiteral("\\K"), QStringLiteral("V"), 0), 5);
}

TEST_F(StoreSharing, AStoreThatCannotBeOpenedStillKeepsWritesForTheSession) {
    // A regular file where the folder should be: nothing can be created there, not even as root.
    const QString blocker = home.WriteFile(QStringLiteral("blocker"), "not a folder");
    const QString path = blocker + QStringLiteral("/settings.db");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(SettingsStore::Open(path));
    {
        TSafeRegistry reg;
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Session"), true));
        reg.WriteString(QStringLiteral("Text"), QStringLiteral("in memory"));
        EXPECT_TRUE(reg.WriteBinary(QStringLiteral("Bytes"), "ab", 2));
    }
    const std::string warning = testing::internal::GetCapturedStderr();
    EXPECT_NE(warning.find(QFile::encodeName(path).toStdString()), std::string::npos) << warning;
    EXPECT_EQ(TSafeRegistry::ReadStringAt(QStringLiteral("\\Session"), QStringLiteral("Text"), {}),
              QStringLiteral("in memory"));
    EXPECT_EQ(TSafeRegistry::ReadIntegerAt(QStringLiteral("\\Session"), QStringLiteral("Missing"), 8), 8);
    EXPECT_FALSE(QFile::exists(path));
}
