#include <gmock/gmock.h>

#include <ostream>

#include "fixtures/TempHome.h"
#include "model/Task.h"
#include "packing/PackerSettings.h"
#include "packing/Packers.h"
#include "settings/GlobalSettings.h"
#include "store/SafeRegistry.h"

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

using ::testing::ElementsAre;

const QString kCompressors = kProgramRoot + QStringLiteral("\\External Compressors");
const QString kEncryptors = kProgramRoot + QStringLiteral("\\External Encryptors");

QStringList Names(const auto& list) {
    QStringList names;
    for (int i = 0; i < list.Count(); ++i)
        names << list[i].Name();
    return names;
}

QStringList SubKeys(const QString& path) {
    TSafeRegistry reg;
    QStringList names;
    if (reg.OpenKeyReadOnly(path))
        reg.GetKeyNames(names);
    return names;
}

QString StoredValue(const QString& key, const QString& name) {
    return TSafeRegistry::ReadStringAt(key, name, QStringLiteral("<none>"));
}

class PackerSettingsTest : public TarnovexTest {};

TEST_F(PackerSettingsTest, FreshStoreGivesTheShippedDefinitionsInTableOrder) {
    TExternalCompressorsSettings compressors;
    compressors.Load();
    EXPECT_EQ(Names(compressors), QStringList({"ACE", "AIN", "ARJ", "BZip", "CAB", "GZip", "IMP",
                                               "InstallShield", "JAR", "RAR", "RK", "TAR", "ZIP"}));
    for (int i = 0; i < compressors.Count(); ++i)
        EXPECT_TRUE(compressors[i].Modified);
    const TExternalCompressorCommands& zip = compressors[12].Commands();
    EXPECT_EQ(zip.AddFiles, "pkzip25 -add -attr=all -nozip {-pass=%%P} {-temp=%%W} %%A @%%LNMA");
    EXPECT_EQ(zip.AddFilesAndFolders,
              "pkzip25 -add -attr=all -dir -nozip {-pass=%%P} {-temp=%%W} %%A @%%LNMA");
    EXPECT_EQ(zip.Extract,
              "pkzip25 -ext -dir -over=all -nozip -mask=none -times=mod {-pass=%%P} %%A @%%LNMA");
    EXPECT_EQ(zip.Test, "pkzip25 -test=all -nozip {-pass=%%P} %%A");
    EXPECT_EQ(zip.CommentArchive, "pkzip25 -hea -nozip {-temp=%%W} %%A");
    EXPECT_EQ(zip.AllFilesMask, "*.*");
    EXPECT_EQ(zip.ArchiveExtension, "zip");
    EXPECT_EQ(QStringList({zip.LevelMin, zip.LevelMid, zip.LevelMax}), QStringList({"-es", "-en", "-exx"}));
    const TExternalCompressorCommands& tar = compressors[11].Commands();
    EXPECT_EQ(tar.AddFiles, "tar --force-local -rf %%A %%FSq32768");
    EXPECT_EQ(tar.ExtractWithoutPaths, "%comspec% /c tar --force-local -O -xf %%A %%fSq > %%fWq");
    EXPECT_EQ(tar.Test, "");
    EXPECT_EQ(compressors[2].Commands().AllFilesMask, "");  // ARJ
    EXPECT_EQ(compressors[7].Commands().Test, "icomp -dt -i %%A %%fWQ %%fP");
    EXPECT_EQ(compressors[3].Commands().Test, "%COMSPEC% /c bzip2 -cd %%A >nul");

    TExternalEncryptorsSettings encryptors;
    encryptors.Load();
    EXPECT_EQ(Names(encryptors),
              QStringList({"RC4 (128 Bit)", "3DES (168 Bit)", "DES (56 Bit)", "AES (256 Bit)"}));
    EXPECT_EQ(encryptors[1].Commands().Crypt, "crypt -c3 %%S %%D %%P");
    EXPECT_EQ(encryptors[2].Commands().Decrypt, "crypt -ed %%S %%D %%P");
    EXPECT_EQ(encryptors[3].Commands().Crypt, "crypt -ca %%S %%D %%P");
    EXPECT_TRUE(encryptors[0].Commands().Description.startsWith(
        "RC4 is a stream cipher. The algorithm is based on the use of a random permutation.  Independent"));
    for (int i = 0; i < encryptors.Count(); ++i)
        EXPECT_EQ(encryptors[i].Commands().Extension, "crypt");
    // A new task uses the first of them.
    EXPECT_EQ(TTask().CryptType, "RC4 (128 Bit)");
}

TEST_F(PackerSettingsTest, SavedDefinitionsComeBackInTheStoresOrderWithAllValues) {
    TExternalCompressorsSettings compressors;
    compressors.Load();
    compressors[0].SetValue(TCompressorField::Test, QStringLiteral("changed"));
    compressors.Save();
    for (int i = 0; i < compressors.Count(); ++i)
        EXPECT_FALSE(compressors[i].Modified);

    TExternalCompressorsSettings loaded;
    loaded.Load();
    // The store lists sub-keys by name without regard to case.
    EXPECT_EQ(Names(loaded), QStringList({"ACE", "AIN", "ARJ", "BZip", "CAB", "GZip", "IMP", "InstallShield",
                                          "JAR", "RAR", "RK", "TAR", "ZIP"}));
    EXPECT_EQ(loaded[0].Commands().Test, "changed");
    EXPECT_EQ(loaded[9].Commands(), DefaultCompressors()[9]);
    EXPECT_FALSE(loaded[0].Modified);

    // A value missing from the store leaves its field empty.
    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kCompressors + QStringLiteral("\\RAR"), false));
    reg.DeleteValue(QStringLiteral("LevelMax"));
    loaded.Load();
    EXPECT_EQ(loaded.FindCompressor(QStringLiteral("RAR"))->Commands().LevelMax, "");
    EXPECT_EQ(loaded.FindCompressor(QStringLiteral("RAR"))->Commands().LevelMid, "-m3");
}

TEST_F(PackerSettingsTest, SaveRewritesOnlyChangedDefinitionsAndRemovesDeletedOnes) {
    TExternalEncryptorsSettings encryptors;
    encryptors.Load();
    encryptors.Save();
    // A change made behind the list's back survives a save of an unchanged definition.
    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kEncryptors + QStringLiteral("\\DES (56 Bit)"), false));
    reg.WriteString(QStringLiteral("Crypt"), QStringLiteral("outside"));
    reg.CloseKey();

    encryptors.FindEncryptor(QStringLiteral("RC4 (128 Bit)"))->SetValue(TEncryptorField::Crypt, "new");
    encryptors.FindEncryptor(QStringLiteral("3DES (168 Bit)"))
        ->SetValue(TEncryptorField::Crypt, "crypt -c3 %%S %%D %%P");  // the same value: no change
    EXPECT_FALSE(encryptors.FindEncryptor(QStringLiteral("3DES (168 Bit)"))->Modified);
    encryptors.DeleteEncryptor(QStringLiteral("AES (256 Bit)"));
    encryptors.Save();

    EXPECT_EQ(StoredValue(kEncryptors + "\\DES (56 Bit)", "Crypt"), "outside");
    EXPECT_EQ(StoredValue(kEncryptors + "\\RC4 (128 Bit)", "Crypt"), "new");
    EXPECT_THAT(SubKeys(kEncryptors), ElementsAre("3DES (168 Bit)", "DES (56 Bit)", "RC4 (128 Bit)"));

    // An emptied list stays empty: the key exists, so no defaults come back.
    for (const QString& name : Names(encryptors))
        encryptors.DeleteEncryptor(name);
    encryptors.Save();
    TExternalEncryptorsSettings loaded;
    loaded.Load();
    EXPECT_EQ(loaded.Count(), 0);
    // ...and a look-up then falls back to the shipped RC4.
    EXPECT_EQ(loaded.EncryptorCommands(QStringLiteral("RC4 (128 Bit)")), DefaultEncryptors()[0]);
}

TEST_F(PackerSettingsTest, NamesThatAreNoSingleKeyNameAreStoredUnderAReplacementKey) {
    TExternalCompressorsSettings compressors;
    TExternalCompressorCommands odd = DefaultCompressors()[9];
    odd.Name = QStringLiteral("My\\RAR");
    compressors.Add(odd);
    TExternalCompressorCommands unnamed = DefaultCompressors()[0];
    unnamed.Name.clear();
    compressors.Add(unnamed);
    compressors.Save();
    EXPECT_THAT(SubKeys(kCompressors), ElementsAre("_", "My_RAR"));
    EXPECT_EQ(StoredValue(kCompressors, "Name"), "<none>");  // nothing written into the list's own key

    TExternalCompressorsSettings loaded;
    loaded.Load();
    EXPECT_EQ(Names(loaded), QStringList({"", "My\\RAR"}));
    EXPECT_EQ(loaded.CompressorCommands(QStringLiteral("My\\RAR")).LevelMax, "-m5");
    // Saving again keeps both sub-keys.
    loaded[0].Modified = loaded[1].Modified = true;
    loaded.Save();
    EXPECT_THAT(SubKeys(kCompressors), ElementsAre("_", "My_RAR"));
}

TEST_F(PackerSettingsTest, LookUpsFindTheLastDefinitionAndFallBackToTheShippedOnes) {
    TExternalCompressorsSettings compressors;
    compressors.Load();
    compressors.FindCompressor(QStringLiteral("ZIP"))->SetValue(TCompressorField::ArchiveExtension, "zz");
    TExternalCompressorCommands second = DefaultCompressors()[9];
    second.ArchiveExtension = QStringLiteral("r2");
    compressors.Add(second);

    EXPECT_EQ(compressors.CompressorExtension(QStringLiteral("RAR")), "r2");
    EXPECT_EQ(compressors.CompressorExtension(QStringLiteral("ZIP")), "zz");
    EXPECT_EQ(compressors.CompressorExtension(QStringLiteral("rar")), "zip");  // names compare exactly
    // "BUILTIN" is never a definition: the shipped ZIP, whatever the user's own ZIP says.
    EXPECT_EQ(compressors.FindCompressor(QStringLiteral("BUILTIN")), nullptr);
    EXPECT_EQ(compressors.CompressorCommands(QStringLiteral("BUILTIN")), DefaultCompressors()[12]);
    EXPECT_EQ(compressors.CompressorExtension(QStringLiteral("gone")), "zip");

    compressors.DeleteCompressor(QStringLiteral("RAR"));  // the last one of that name
    EXPECT_EQ(compressors.CompressorExtension(QStringLiteral("RAR")), "rar");

    TExternalEncryptorsSettings encryptors;
    encryptors.Load();
    EXPECT_EQ(encryptors.EncryptorCommands(QStringLiteral("nope")).Crypt, "crypt -c %%S %%D %%P");
    EXPECT_EQ(encryptors.EncryptorCommands(QStringLiteral("AES (256 Bit)")).Decrypt, "crypt -ea %%S %%D %%P");
}

TEST_F(PackerSettingsTest, RestoreDefaultsOverwritesShippedNamesAndKeepsOthers) {
    TExternalCompressorsSettings compressors;
    compressors.Load();
    compressors.Save();
    compressors.FindCompressor(QStringLiteral("RAR"))->SetValue(TCompressorField::LevelMin, "-m0");
    compressors.DeleteCompressor(QStringLiteral("ACE"));
    TExternalCompressorCommands own;
    own.Name = QStringLiteral("7z");
    compressors.Add(own);
    compressors.Save();

    compressors.RestoreDefaults();
    EXPECT_EQ(compressors.FindCompressor(QStringLiteral("RAR"))->Commands(), DefaultCompressors()[9]);
    EXPECT_TRUE(compressors.FindCompressor(QStringLiteral("RAR"))->Modified);
    EXPECT_NE(compressors.FindCompressor(QStringLiteral("7z")), nullptr);
    EXPECT_EQ(compressors.Count(), 14);
    EXPECT_EQ(compressors[13].Name(), "ACE");  // added at the end
}

TEST_F(PackerSettingsTest, GlobalSettingsLoadAndSaveTheTablesAndTasksSeeTheirExtensions) {
    RegisterPackers();
    {
        std::lock_guard lock(PackerSettingsMutex());
        ExternalCompressors().Clear();
    }
    LoadGlobalSettings();  // fresh store: the shipped tables
    {
        std::lock_guard lock(PackerSettingsMutex());
        EXPECT_EQ(ExternalCompressors().Count(), 13);
        ExternalCompressors()
            .FindCompressor(QStringLiteral("TAR"))
            ->SetValue(TCompressorField::ArchiveExtension, "tgz");
        ExternalEncryptors()
            .FindEncryptor(QStringLiteral("AES (256 Bit)"))
            ->SetValue(TEncryptorField::Extension, "aes");
    }
    SaveGlobalSettings();
    EXPECT_EQ(StoredValue(kCompressors + "\\TAR", "ArchiveExtension"), "tgz");
    EXPECT_EQ(SubKeys(kEncryptors).size(), 4);

    LoadGlobalSettings();
    EXPECT_EQ(CompressorExtension(QStringLiteral("TAR")), "tgz");
    EXPECT_EQ(CompressorExtension(QStringLiteral("BUILTIN")), "zip");
    EXPECT_EQ(EncryptorExtension(QStringLiteral("AES (256 Bit)")), "aes");
    EXPECT_EQ(EncryptorExtension(QStringLiteral("unknown")), "crypt");
    EXPECT_EQ(CompressorCommands(QStringLiteral("TAR")).ArchiveExtension, "tgz");

    // Back to the shipped tables for the tests that follow in this process.
    std::lock_guard lock(PackerSettingsMutex());
    ExternalCompressors().Clear();
    ExternalCompressors().RestoreDefaults();
    ExternalEncryptors().Clear();
    ExternalEncryptors().RestoreDefaults();
}

}  // namespace
