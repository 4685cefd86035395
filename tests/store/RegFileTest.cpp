#include <gtest/gtest.h>

#include <QFile>

#include "fixtures/TempHome.h"
#include "store/RegFile.h"
#include "store/SafeRegistry.h"
#include "store/SettingsStore.h"

namespace {

class RegFile : public TarnovexTest {};

const QString kRoot = QStringLiteral("\\Software\\Halvorine\\Tarnovex\\1.0");

QByteArray Header(const QString& key) {
    return "\r\n[HKEY_CURRENT_USER" + key.toUtf8() + "]\r\n";
}

void FillOddTree() {
    TSafeRegistry reg;
    reg.OpenKey(kRoot + QStringLiteral("\\Log Display"), true);
    const quint32 colour = 0x00E6CCCC;
    reg.WriteBinary(QStringLiteral("LogSummaryColorBg"), &colour, 4);
    reg.WriteBool(QStringLiteral("LogGrid"), true);
    reg.OpenKey(kRoot + QStringLiteral("\\Odd \"Key\" = ✓"), true);
    reg.WriteString(QStringLiteral("Quote\"And\\Backslash"), QStringLiteral("c:\\Temp\\ \"quoted\" = ünï"));
    reg.WriteString(QStringLiteral("Lines"), QStringLiteral("one\r\ntwo\nthree\ttab"));
    reg.WriteString(QStringLiteral("Name\nWith Break"), QStringLiteral("x"));
    reg.WriteString(QString(), QStringLiteral("unnamed"));
    reg.WriteString(QStringLiteral("Empty"), QString());
    reg.WriteBinary(QStringLiteral("NoBytes"), nullptr, 0);
    reg.WriteInteger(QStringLiteral("Negative"), -2);
    reg.WriteString(QStringLiteral("Emoji 😀 name"), QStringLiteral("text ending in a zero") + QChar(0));
    QByteArray many(300, '\0');
    for (int i = 0; i < many.size(); ++i)
        many[i] = static_cast<char>(i);
    reg.WriteBinary(QStringLiteral("Many"), many.constData(), static_cast<int>(many.size()));
    reg.WriteFloat(QStringLiteral("Float"), 46000.25);
    reg.OpenKey(kRoot + QStringLiteral("\\Tasks\\A\\Filters\\1"), true);
    reg.WriteString(QStringLiteral("fnWildcard"), QStringLiteral("*.*"));
}

}  // namespace

TEST_F(RegFile, ExportWritesTheDocumentedLinesByteForByte) {
    {
        TSafeRegistry reg;
        reg.OpenKey(kRoot + QStringLiteral("\\X"), true);
        const quint32 colour = 0x00E6CCCC;
        reg.WriteBinary(QStringLiteral("LogSummaryColorBg"), &colour, 4);
        reg.WriteBool(QStringLiteral("On"), true);
        reg.WriteString(QStringLiteral("TempDirCustom"), QStringLiteral("c:\\Temp\\"));
        QByteArray thirty(30, '\x0A');
        reg.WriteBinary(QStringLiteral("Thirty"), thirty.constData(), 30);
        reg.WriteBinary(QStringLiteral("None"), nullptr, 0);
        reg.WriteString(QString(), QStringLiteral("d"));
    }
    const QByteArray text = ExportRegText(kRoot + QStringLiteral("\\X"));
    QByteArray first26 = "hex:";
    for (int i = 0; i < 26; ++i)
        first26 += "0A,";
    const QByteArray expected = "REGEDIT4\r\n" + Header(kRoot + QStringLiteral("\\X")) +
                                "\"LogSummaryColorBg\"=hex:CC,CC,E6,00\r\n"
                                "\"On\"=dword:00000001\r\n"
                                "\"TempDirCustom\"=\"c:\\\\Temp\\\\\"\r\n"
                                "\"Thirty\"=" +
                                first26 +
                                "\\\r\n  0A,0A,0A,0A\r\n"
                                "\"None\"=hex:\r\n"
                                "@=\"d\"\r\n";
    EXPECT_EQ(text, expected);
}

TEST_F(RegFile, KeysAreWrittenDepthFirstInListingOrder) {
    {
        TSafeRegistry reg;
        reg.OpenKey(QStringLiteral("\\R\\b\\x"), true);
        reg.OpenKey(QStringLiteral("\\R\\A"), true);
        reg.OpenKey(QStringLiteral("\\R\\b\\Y"), true);
    }
    EXPECT_EQ(ExportRegText(QStringLiteral("\\R")), "REGEDIT4\r\n" + Header("\\R") + Header("\\R\\A") +
                                                        Header("\\R\\b") + Header("\\R\\b\\x") +
                                                        Header("\\R\\b\\Y"));
}

TEST_F(RegFile, AWholeTreeSurvivesExportAndImportUnchanged) {
    FillOddTree();
    const QByteArray first = ExportRegText();
    ASSERT_TRUE(ExportRegFile(home.File(QStringLiteral("backup.reg"))));
    {
        TSafeRegistry reg;
        reg.DeleteKey(QStringLiteral("\\Software"));
    }
    SettingsStore::Close();
    QString error;
    ASSERT_TRUE(ImportRegFile(home.File(QStringLiteral("backup.reg")), &error)) << error.toStdString();
    SettingsStore::Close();
    EXPECT_EQ(ExportRegText(), first);

    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(kRoot + QStringLiteral("\\Odd \"Key\" = ✓")));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Lines"), {}), QStringLiteral("one\r\ntwo\nthree\ttab"));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Quote\"And\\Backslash"), {}),
              QStringLiteral("c:\\Temp\\ \"quoted\" = ünï"));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Name\nWith Break"), {}), QStringLiteral("x"));
    EXPECT_EQ(reg.ReadString(QString(), {}), QStringLiteral("unnamed"));
    EXPECT_EQ(reg.GetDataType(QStringLiteral("Empty")), TRegDataType::rdString);
    EXPECT_EQ(reg.GetDataSize(QStringLiteral("NoBytes")), 0);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("Negative"), 0), -2);
    EXPECT_EQ(reg.ReadString(QStringLiteral("Emoji 😀 name"), {}),
              QStringLiteral("text ending in a zero") + QChar(0));
    EXPECT_EQ(reg.ReadFloat(QStringLiteral("Float"), 0), 46000.25);
    EXPECT_EQ(reg.GetDataSize(QStringLiteral("Many")), 300);
}

TEST_F(RegFile, ImportAddsAndReplacesButKeepsWhatTheFileDoesNotName) {
    {
        TSafeRegistry reg;
        reg.OpenKey(QStringLiteral("\\K"), true);
        reg.WriteString(QStringLiteral("Kept"), QStringLiteral("old"));
        reg.WriteString(QStringLiteral("Replaced"), QStringLiteral("old"));
        reg.OpenKey(QStringLiteral("\\K\\Gone"), true);
        reg.WriteString(QStringLiteral("V"), QStringLiteral("x"));
    }
    const QByteArray file =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n\"Replaced\"=dword:0000002a\r\n\"New\"=\"n\"\r\n"
        "\"Kept\"=-\r\n\r\n[-HKEY_CURRENT_USER\\K\\Gone]\r\n";
    QString error;
    ASSERT_TRUE(ImportRegText(file, &error)) << error.toStdString();
    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(QStringLiteral("\\K")));
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("Replaced"), 0), 42);
    EXPECT_EQ(reg.ReadString(QStringLiteral("New"), {}), QStringLiteral("n"));
    EXPECT_FALSE(reg.ValueExists(QStringLiteral("Kept")));
    EXPECT_FALSE(reg.KeyExists(QStringLiteral("\\K\\Gone")));
}

TEST_F(RegFile, MalformedFilesAreRefusedWithTheirLineNumberAndWriteNothing) {
    struct Case {
        QByteArray text;
        int line;
    };
    const QByteArray start = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Bad]\r\n\"Good\"=dword:00000001\r\n";
    const std::vector<Case> cases = {
        {start + "\"Broken\"=\"no end\r\n", 5},
        {start + "\"Big\"=dword:123456789\r\n", 5},
        {start + "\"Hex\"=hex:01,zz\r\n", 5},
        {start + "\"Hex\"=hex:01,\\\r\n", 5},
        {start + "\"Type\"=qword:01\r\n", 5},
        {start + "\"Type\"=hex(99):01\r\n", 5},
        {start + "Unquoted=1\r\n", 5},
        {start + "\"NoEquals\" \"x\"\r\n", 5},
        {start + "[HKEY_LOCAL_MACHINE\\Software]\r\n", 5},
        {start + "[HKEY_CURRENT_USER\\Open\r\n", 5},
        {start + "[HKEY_CURRENT_USER\\A\\\\B]\r\n", 5},
        {start + "[HKEY_CURRENT_USER]\r\n", 5},
        {"Not a settings file\r\n", 1},
        {"REGEDIT4\r\n\"Orphan\"=\"x\"\r\n", 2},
        {"", 1},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_FALSE(ImportRegText(c.text, &error)) << c.text.toStdString();
        EXPECT_TRUE(error.startsWith(QStringLiteral("line %1: ").arg(c.line))) << error.toStdString();
    }
    EXPECT_FALSE(TSafeRegistry().KeyExists(QStringLiteral("\\Bad")));
}

TEST_F(RegFile, ReaderSurvivesHostileInput) {
    QByteArray huge = "REGEDIT4\r\n[HKEY_CURRENT_USER\\H]\r\n\"B\"=hex:";
    for (int i = 0; i < 200000; ++i)
        huge += "ff,";
    huge += "00\r\n";
    TRegFileContent content;
    ASSERT_TRUE(ParseRegText(huge, content));
    ASSERT_EQ(content.entries.size(), 2u);
    EXPECT_EQ(content.entries[1].value.bytes.size(), 200001);

    // NUL bytes, invalid UTF-8 and truncation at every position never crash.
    static const char raw[] =
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\S]\r\n\"a\\\"b\"=\"c\\\\d\"\r\n\"h\"=hex(1):41,00,\\\r\n  00,00\r\n"
        "\"x\xff\"=\"\x00\xc3\"\r\n";
    const QByteArray sample(raw, sizeof raw - 1);
    for (qsizetype cut = 0; cut <= sample.size(); ++cut) {
        TRegFileContent partial;
        QString error;
        ParseRegText(sample.left(cut), partial, &error);
    }
    TRegFileContent full;
    QString error;
    EXPECT_TRUE(ParseRegText(sample, full, &error)) << error.toStdString();
}

TEST_F(RegFile, VersionFiveFilesAndUtf16StringsAreRead) {
    const QByteArray text =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\V5]\r\n"
        "\"S\"=hex(1):48,00,69,00,00,00\r\n\"E\"=hex(2):25,00,00,00\r\n; comment\r\n";
    ASSERT_TRUE(ImportRegText(text));
    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(QStringLiteral("\\V5")));
    EXPECT_EQ(reg.ReadString(QStringLiteral("S"), {}), QStringLiteral("Hi"));
    EXPECT_EQ(reg.GetDataType(QStringLiteral("E")), TRegDataType::rdExpandString);
    EXPECT_EQ(reg.ReadString(QStringLiteral("E"), {}), QStringLiteral("%"));
}

TEST_F(RegFile, AFailedExportLeavesAnEarlierFileWhole) {
    FillOddTree();
    QString error;
    ASSERT_TRUE(ExportRegFile(home.File(QStringLiteral("x.reg")), kRoot, &error));
    QFile before(home.File(QStringLiteral("x.reg")));
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray content = before.readAll();
    before.close();
    EXPECT_FALSE(ExportRegFile(home.File(QStringLiteral("no/such/folder/x.reg")), kRoot, &error));
    EXPECT_FALSE(error.isEmpty());
    // A key that does not exist gives no backup at all rather than an empty one, and the earlier file stays.
    EXPECT_FALSE(
        ExportRegFile(home.File(QStringLiteral("x.reg")), QStringLiteral("\\No\\Such\\Key"), &error));
    QFile after(home.File(QStringLiteral("x.reg")));
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), content);
}
