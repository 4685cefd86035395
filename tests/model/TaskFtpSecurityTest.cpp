#include "fixtures/TempHome.h"
#include "model/Task.h"
#include "settings/GlobalSettings.h"
#include "store/SafeRegistry.h"

namespace {

const QString kKey = kProgramRoot + QStringLiteral("\\Tasks\\FTPSEC");

class TaskFtpSecurityTest : public TarnovexTest {
protected:
    void SetUp() override { ResetGlobalSettings(); }

    // Stores a task, then overwrites the security text as another program (or an older version) may
    // have left it, and loads it back.
    TTask LoadWithStoredSecurity(const QString* text) {
        TTask saved;
        saved.DestFTP_Security = QStringLiteral("TLS");
        saved.DestFTP_AcceptSelfSigned = true;
        saved.SaveToRegistry(kKey);
        {
            TSafeRegistry reg;
            EXPECT_TRUE(reg.OpenKey(kKey + QStringLiteral("\\Destination"), false));
            if (text)
                reg.WriteString(QStringLiteral("DestFTP_Security"), *text);
            else
                reg.DeleteValue(QStringLiteral("DestFTP_Security"));
        }
        TTask loaded;
        loaded.LoadFromRegistry(kKey);
        return loaded;
    }
};

}  // namespace

TEST_F(TaskFtpSecurityTest, SecurityAndSelfSignedChoiceSurviveSaveAndLoad) {
    for (const char* kind : {"None", "TLS", "SFTP"}) {
        for (const bool accept : {false, true}) {
            TTask saved;
            saved.DestType = TDestKind::dkFtp;
            saved.DestFTP_Security = QString::fromLatin1(kind);
            saved.DestFTP_AcceptSelfSigned = accept;
            saved.SaveToRegistry(kKey);
            TTask loaded;
            loaded.LoadFromRegistry(kKey);
            EXPECT_EQ(loaded.DestFTP_Security, QString::fromLatin1(kind));
            EXPECT_EQ(loaded.DestFTP_AcceptSelfSigned, accept);
            EXPECT_TRUE(SamePersistedValues(saved, loaded)) << kind;
        }
    }
}

TEST_F(TaskFtpSecurityTest, MissingOrUnknownSecurityIsPlainFtpAndLetterCaseDoesNotMatter) {
    EXPECT_EQ(LoadWithStoredSecurity(nullptr).DestFTP_Security, QStringLiteral("None"));
    const QString unknown = QStringLiteral("Kerberos");
    EXPECT_EQ(LoadWithStoredSecurity(&unknown).DestFTP_Security, QStringLiteral("None"));
    const QString lower = QStringLiteral(" sftp ");
    EXPECT_EQ(LoadWithStoredSecurity(&lower).DestFTP_Security, QStringLiteral("SFTP"));

    // A task key written before these values existed: plain FTP, certificates checked.
    {
        TSafeRegistry reg;
        reg.OpenKey(kKey + QStringLiteral("X"), true);
    }
    TTask old;
    old.DestFTP_Security = QStringLiteral("TLS");
    old.DestFTP_AcceptSelfSigned = true;
    old.LoadFromRegistry(kKey + QStringLiteral("X"));
    EXPECT_EQ(old.DestFTP_Security, QStringLiteral("None"));
    EXPECT_FALSE(old.DestFTP_AcceptSelfSigned);
}

TEST_F(TaskFtpSecurityTest, ComparisonAndCopySeeTheNewValues) {
    TTask a;
    TTask b = a;
    EXPECT_TRUE(SamePersistedValues(a, b));
    b.DestFTP_AcceptSelfSigned = true;
    EXPECT_FALSE(SamePersistedValues(a, b));
    TTask c = b;
    EXPECT_TRUE(c.DestFTP_AcceptSelfSigned);
    c.DestFTP_Security = QStringLiteral("SFTP");
    EXPECT_FALSE(SamePersistedValues(b, c));
}
