#include <gmock/gmock.h>

#include <QDir>
#include <QFile>
#include <ostream>

#include "PackingSupport.h"
#include "fixtures/TempHome.h"

namespace {

using ::testing::HasSubstr;

struct TCryptMode {
    const char* encrypt;
    const char* decrypt;
};

// The companion encryptor, run as the default encryptor definitions run it.
class CryptTest : public TarnovexTest {
protected:
    void SetUp() override {
        plain = home.Path() + QStringLiteral("doc.txt");
        QByteArray data;
        for (int i = 0; i < 300000; ++i)
            data += static_cast<char>((i * 131) % 251);
        ASSERT_TRUE(WriteWhole(plain, data));
    }
    static TToolResult Crypt(const QStringList& arguments) {
        return RunTool(CryptFolder() + "crypt", arguments);
    }
    QString File(const QString& name) const { return home.Path() + name; }

    QString plain;
};

TEST_F(CryptTest, EveryModeRoundTripsAndRejectsAWrongPasswordWithoutOutput) {
    const TCryptMode modes[] = {{"-c", "-e"}, {"-c3", "-e3"}, {"-cd", "-ed"}, {"-ca", "-ea"}};
    QByteArray previous;
    for (const TCryptMode& mode : modes) {
        SCOPED_TRACE(mode.encrypt);
        const QString encrypted = File(QStringLiteral("doc.txt.crypt"));
        const QString decrypted = File(QStringLiteral("back.txt"));
        TToolResult r = Crypt({mode.encrypt, plain, encrypted, QStringLiteral("pass word")});
        ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();
        const QByteArray cipher = ReadWhole(encrypted);
        EXPECT_TRUE(cipher.startsWith("TNXCRYPT"));
        EXPECT_FALSE(cipher.contains(ReadWhole(plain).mid(1000, 64)));
        EXPECT_NE(cipher, previous);
        previous = cipher;

        r = Crypt({mode.decrypt, encrypted, decrypted, QStringLiteral("pass word")});
        ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();
        EXPECT_EQ(ReadWhole(decrypted), ReadWhole(plain));
        QFile::remove(decrypted);

        r = Crypt({mode.decrypt, encrypted, decrypted, QStringLiteral("pass worD")});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_THAT(r.output.toStdString(), HasSubstr("wrong password"));
        EXPECT_FALSE(QFile::exists(decrypted));
        EXPECT_EQ(QDir(home.Path()).entryList(QDir::Files).size(), 2);  // no temporary file left behind
    }
}

TEST_F(CryptTest, SameFileAndPasswordEncryptDifferentlyEachTime) {
    ASSERT_EQ(Crypt({"-ca", plain, File("one"), "pw"}).exitCode, 0);
    ASSERT_EQ(Crypt({"-ca", plain, File("two"), "pw"}).exitCode, 0);
    EXPECT_NE(ReadWhole(File("one")), ReadWhole(File("two")));
    EXPECT_EQ(ReadWhole(File("one")).size(), ReadWhole(File("two")).size());
}

TEST_F(CryptTest, AlteredOrCutFilesAreDetectedAndNothingIsWritten) {
    for (const TCryptMode& mode :
         {TCryptMode{"-c3", "-e3"}, TCryptMode{"-ca", "-ea"}, TCryptMode{"-c", "-e"}}) {
        SCOPED_TRACE(mode.encrypt);
        const QString encrypted = File(QStringLiteral("x.crypt"));
        ASSERT_EQ(Crypt({mode.encrypt, plain, encrypted, "pw"}).exitCode, 0);
        const QByteArray good = ReadWhole(encrypted);
        const auto expectRejected = [&](const QByteArray& bad, const char* what) {
            SCOPED_TRACE(what);
            ASSERT_TRUE(WriteWhole(encrypted, bad));
            const TToolResult r = Crypt({mode.decrypt, encrypted, File("out"), "pw"});
            EXPECT_NE(r.exitCode, 0);
            EXPECT_FALSE(r.output.isEmpty());
            EXPECT_FALSE(QFile::exists(File("out")));
        };
        QByteArray flipped = good;
        flipped[good.size() / 2] = static_cast<char>(flipped[good.size() / 2] ^ 0x01);
        expectRejected(flipped, "a bit in the middle");
        QByteArray lastByte = good;
        lastByte[good.size() - 1] = static_cast<char>(lastByte[good.size() - 1] ^ 0x80);
        expectRejected(lastByte, "the check value");
        expectRejected(good.left(good.size() - 40), "cut short");
        expectRejected(good.left(20), "only a piece of the header");
        QByteArray iterations = good;
        iterations[15] = static_cast<char>(iterations[15] ^ 0x02);  // iteration count in the header
        expectRejected(iterations, "the header");
        expectRejected(QByteArray("plain text, never encrypted"), "not a crypt file");
        QFile::remove(encrypted);
    }
}

TEST_F(CryptTest, DecryptingWithAnotherModeNamesTheRightOne) {
    ASSERT_EQ(Crypt({"-ca", plain, File("a.crypt"), "pw"}).exitCode, 0);
    const TToolResult r = Crypt({"-e3", File("a.crypt"), File("out"), "pw"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.output.toStdString(), HasSubstr("-ea"));
    EXPECT_FALSE(QFile::exists(File("out")));
}

TEST_F(CryptTest, AFolderAsDestinationTakesTheSourcesName) {
    const QString folder = File(QStringLiteral("target"));
    QDir().mkpath(folder);
    ASSERT_EQ(Crypt({"-ca", plain, folder, "pw"}).exitCode, 0);
    const QString encrypted = folder + QStringLiteral("/doc.txt.crypt");
    ASSERT_TRUE(QFile::exists(encrypted));
    QDir().mkpath(File(QStringLiteral("restore")));
    ASSERT_EQ(Crypt({"-ea", encrypted, File(QStringLiteral("restore/")), "pw"}).exitCode, 0);
    EXPECT_EQ(ReadWhole(File(QStringLiteral("restore/doc.txt"))), ReadWhole(plain));
    // The upper-case extension of an encrypted file is removed as well.
    QFile::rename(encrypted, folder + QStringLiteral("/Other.CRYPT"));
    ASSERT_EQ(Crypt({"-ea", folder + "/Other.CRYPT", File(QStringLiteral("restore")), "pw"}).exitCode, 0);
    EXPECT_TRUE(QFile::exists(File(QStringLiteral("restore/Other"))));
}

TEST_F(CryptTest, ExistingTargetIsReplacedOnlyOnSuccessAndNeverTheSourceItself) {
    const QString target = File(QStringLiteral("keep.txt"));
    ASSERT_TRUE(WriteWhole(target, "previous"));
    ASSERT_EQ(Crypt({"-ca", plain, File("e.crypt"), "pw"}).exitCode, 0);
    EXPECT_NE(Crypt({"-ea", File("e.crypt"), target, "bad"}).exitCode, 0);
    EXPECT_EQ(ReadWhole(target), "previous");
    ASSERT_EQ(Crypt({"-ea", File("e.crypt"), target, "pw"}).exitCode, 0);
    EXPECT_EQ(ReadWhole(target), ReadWhole(plain));

    const QByteArray before = ReadWhole(plain);
    EXPECT_EQ(Crypt({"-ca", plain, plain, "pw"}).exitCode, 1);
    EXPECT_EQ(ReadWhole(plain), before);
}

TEST_F(CryptTest, UsageErrorsAndHelp) {
    TToolResult r = Crypt({"-ca", plain, File("x")});  // the template drops an empty password
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_THAT(r.output.toStdString(), HasSubstr("password"));
    EXPECT_EQ(Crypt({"-x", plain, File("x"), "pw"}).exitCode, 2);
    EXPECT_EQ(Crypt({"-ca", File("missing"), File("x"), "pw"}).exitCode, 1);
    EXPECT_FALSE(QFile::exists(File("x")));
    r = Crypt({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.output.toStdString(), HasSubstr("-ca  / -ea"));
    EXPECT_THAT(r.output.toStdString(), HasSubstr("File format"));
}

}  // namespace
