#include "packing/PackerSettings.h"

#include "store/SafeRegistry.h"

namespace {

const QString kCompressorsKey = QStringLiteral("External Compressors");
const QString kEncryptorsKey = QStringLiteral("External Encryptors");

constexpr std::array<const char*, kCompressorFieldCount> kCompressorFieldNames{"Name",
                                                                               "Extract",
                                                                               "ExtractWithoutPaths",
                                                                               "Test",
                                                                               "CommentArchive",
                                                                               "AddFiles",
                                                                               "AddFilesAndFolders",
                                                                               "AllFilesMask",
                                                                               "ArchiveExtension",
                                                                               "LevelMin",
                                                                               "LevelMid",
                                                                               "LevelMax"};
constexpr std::array<const char*, kEncryptorFieldCount> kEncryptorFieldNames{"Name", "Description", "Crypt",
                                                                             "Decrypt", "Extension"};

QString S(const char* text) {
    return QString::fromUtf8(text);
}

TExternalCompressorCommands Archiver(const char* name, const char* extension, const char* mask,
                                     const char* addFiles, const char* addFilesAndFolders,
                                     const char* extract, const char* extractWithoutPaths, const char* test,
                                     const char* comment, const char* levelMin = "",
                                     const char* levelMid = "", const char* levelMax = "") {
    TExternalCompressorCommands c;
    c.Name = S(name);
    c.Extract = S(extract);
    c.ExtractWithoutPaths = S(extractWithoutPaths);
    c.Test = S(test);
    c.CommentArchive = S(comment);
    c.AddFiles = S(addFiles);
    c.AddFilesAndFolders = S(addFilesAndFolders);
    c.AllFilesMask = S(mask);
    c.ArchiveExtension = S(extension);
    c.LevelMin = S(levelMin);
    c.LevelMid = S(levelMid);
    c.LevelMax = S(levelMax);
    return c;
}

TExternalEncryptorCommands Encryptor(const char* name, const char* description, const char* crypt,
                                     const char* decrypt) {
    return {S(name), S(description), S(crypt), S(decrypt), QStringLiteral("crypt")};
}

// A sub-key is named after its definition. A backslash would make a path of several keys, and an empty
// name would write into the list's own key, so both are replaced; the Name value keeps the real name.
QString KeyNameOf(const QString& name) {
    if (name.isEmpty())
        return QStringLiteral("_");
    QString key = name;
    key.replace(QLatin1Char('\\'), QLatin1Char('_'));
    return key;
}

template <typename TList, typename TField, size_t N>
void LoadList(TList& list, const QString& key, const std::array<const char*, N>& fieldNames,
              const auto& defaults) {
    list.Clear();
    TSafeRegistry reg;
    const QString listPath = kProgramRoot + QLatin1Char('\\') + key;
    if (!reg.OpenKeyReadOnly(listPath)) {
        for (const auto& commands : defaults)
            list.Add(commands).Modified = true;
        return;
    }
    QStringList names;
    reg.GetKeyNames(names);
    for (const QString& name : names) {
        typename std::decay_t<decltype(defaults)>::value_type commands;
        if (reg.OpenKeyReadOnly(listPath + QLatin1Char('\\') + name)) {
            for (size_t i = 0; i < N; ++i)
                commands.Field(static_cast<TField>(i)) = reg.ReadString(QString::fromUtf8(fieldNames[i]), {});
        }
        list.Add(commands).Modified = false;
    }
}

template <typename TList, typename TField, size_t N>
void SaveList(TList& list, const QString& key, const std::array<const char*, N>& fieldNames) {
    const TStoreTransaction transaction;
    TSafeRegistry reg;
    const QString listPath = kProgramRoot + QLatin1Char('\\') + key;
    if (!reg.OpenKey(listPath, true))
        return;
    QStringList remaining;
    reg.GetKeyNames(remaining);
    for (int i = 0; i < list.Count(); ++i) {
        auto& definition = list[i];
        const QString keyName = KeyNameOf(definition.Name());
        if (definition.Modified && reg.OpenKey(listPath + QLatin1Char('\\') + keyName, true)) {
            for (size_t f = 0; f < N; ++f)
                reg.WriteString(QString::fromUtf8(fieldNames[f]), definition.Value(static_cast<TField>(f)));
            definition.Modified = false;
        }
        // Store key names compare without regard to case.
        for (qsizetype n = 0; n < remaining.size(); ++n) {
            if (remaining[n].compare(keyName, Qt::CaseInsensitive) == 0) {
                remaining.removeAt(n);
                break;
            }
        }
    }
    reg.CloseKey();
    for (const QString& gone : remaining)
        reg.DeleteKey(listPath + QLatin1Char('\\') + gone);
}

template <typename TList>
void RestoreList(TList& list, const auto& defaults) {
    for (const auto& commands : defaults) {
        if (auto* found = list.Find(commands.Name)) {
            found->SetCommands(commands);
            found->Modified = true;
        } else {
            list.Add(commands).Modified = true;
        }
    }
}

}  // namespace

QString& TExternalCompressorCommands::Field(TCompressorField field) {
    return const_cast<QString&>(std::as_const(*this).Field(field));
}

const QString& TExternalCompressorCommands::Field(TCompressorField field) const {
    switch (field) {
        case TCompressorField::Name:
            return Name;
        case TCompressorField::Extract:
            return Extract;
        case TCompressorField::ExtractWithoutPaths:
            return ExtractWithoutPaths;
        case TCompressorField::Test:
            return Test;
        case TCompressorField::CommentArchive:
            return CommentArchive;
        case TCompressorField::AddFiles:
            return AddFiles;
        case TCompressorField::AddFilesAndFolders:
            return AddFilesAndFolders;
        case TCompressorField::AllFilesMask:
            return AllFilesMask;
        case TCompressorField::ArchiveExtension:
            return ArchiveExtension;
        case TCompressorField::LevelMin:
            return LevelMin;
        case TCompressorField::LevelMid:
            return LevelMid;
        case TCompressorField::LevelMax:
            break;
    }
    return LevelMax;
}

QString& TExternalEncryptorCommands::Field(TEncryptorField field) {
    return const_cast<QString&>(std::as_const(*this).Field(field));
}

const QString& TExternalEncryptorCommands::Field(TEncryptorField field) const {
    switch (field) {
        case TEncryptorField::Name:
            return Name;
        case TEncryptorField::Description:
            return Description;
        case TEncryptorField::Crypt:
            return Crypt;
        case TEncryptorField::Decrypt:
            return Decrypt;
        case TEncryptorField::Extension:
            break;
    }
    return Extension;
}

QString CompressorFieldName(TCompressorField field) {
    return QString::fromUtf8(kCompressorFieldNames[static_cast<size_t>(field)]);
}

QString EncryptorFieldName(TEncryptorField field) {
    return QString::fromUtf8(kEncryptorFieldNames[static_cast<size_t>(field)]);
}

const std::vector<TExternalCompressorCommands>& DefaultCompressors() {
    // Arguments: name, extension, all-files mask, AddFiles, AddFilesAndFolders, Extract,
    // ExtractWithoutPaths, Test, CommentArchive, level switches.
    static const std::vector<TExternalCompressorCommands> defaults{
        Archiver("ACE", "ace", "*.*", "ace32 a -c2 -y -std {-p%%P} {-t%%W} {%%S} %%A @%%LN",
                 "ace32 a -y -c2 -r -f -std {-p%%P} {-t%%W} {%%S} %%A @%%LN",
                 "ace32 x {-p%%P} -y -c- -std {%%S} %%A @%%LN",
                 "ace32 e -av- {-p%%P} -y -c- -std {%%S} %%A @%%LN", "ace32 t -y {-p%%P} -c- -std {%%S} %%A",
                 "ace32 cm -y -std {-t%%W} {%%S} %%A"),
        Archiver("AIN", "ain", "*.*", "ain a -y %%A @%%LM", "ain a -r -y %%A @%%LM", "ain x -y %%A @%%LM",
                 "ain e -y %%A @%%LM", "ain t -y %%A @%%LM", ""),
        Archiver("ARJ", "arj", "", "arj32 a -+ -y -a1 {-g%%P} {-w%%W} -p {%%S} -- %%A !%%LM",
                 "arj32 a -+ -r -y -a1 {-g%%P} {-w%%W} -p {%%S} -- %%A !%%LM",
                 "arj32 x -+ {-g%%P} -v -y -p1 -- %%A !%%LM", "arj32 e -+ {-g%%P} -v -y -p1 -- %%A !%%LM",
                 "arj32 t -+ -y {-g%%P} -v -p1 -- %%A", "arj32 c -+ -y {-w%%W} -z -- %%A"),
        Archiver("BZip", "bz2", "*", "%COMSPEC% /c bzip2 -c %%fq >%%A", "%COMSPEC% /c bzip2 -c %%fq >%%A",
                 "%COMSPEC% /c bzip2 -cd %%A >%%fq", "%COMSPEC% /c bzip2 -cd %%A >%%fq",
                 "%COMSPEC% /c bzip2 -cd %%A >nul", ""),
        Archiver("CAB", "cab", "*", "MsCab -i0 -dirs {-ap%%R} {-p%%P} {%%S} a %%A @%%LNA",
                 "MsCab -r0 -i0 -dirs {-ap%%R} {-p%%P} {%%S} a %%A @%%LNA",
                 "MsCab -i0 -FAR {-ap%%R} {-p%%P} {%%S} x %%A @%%LMA",
                 "MsCab -i0 -FAR {-p%%P} {%%S} e %%A @%%LMA", "MsCab -i0 {-p%%P} {%%S} t %%A", ""),
        Archiver("GZip", "gz", "*", "%COMSPEC% /c gzip -c %%fq >%%A", "%COMSPEC% /c gzip -c %%fq >%%A",
                 "%COMSPEC% /c gzip -cd %%A >%%fq", "%COMSPEC% /c gzip -cd %%A >%%fq", "gzip -t %%A", ""),
        Archiver("IMP", "imp", "*.*", "imp a -y {%%S} %%A @%%LMA", "imp a -r -pl -y {%%S} %%A @%%LMA",
                 "imp e {-pt%%R} -y %%A @%%LMA", "imp e -y -p- %%A @%%LMA", "imp t -y %%A",
                 "imp c -i -y %%A"),
        Archiver("InstallShield", "z", "*.*", "icomp -h %%fQ %%A", "icomp -h -i %%fQ %%A",
                 "icomp -d -i -h -o %%A %%fWQ %%fP", "icomp -d -h -o %%A %%fWQ %%fP",
                 "icomp -dt -i %%A %%fWQ %%fP", ""),
        Archiver("JAR", "j", "*.*", "jar32 a -y {-g%%P} {%%S} %%A @%%LMq",
                 "jar32 a -r -y {-g%%P} {%%S} %%A @%%LMq", "jar32 x -y {-g%%P} %%A @%%LMq",
                 "jar32 e -y {-g%%P} %%A @%%LMq", "jar32 t -y %%A", "jar32 c -z -y %%A"),
        Archiver("RAR", "rar", "*.*", "rar a -y {-p%%P} {-ap%%R} {-w%%W} {%%S} -- %%A @%%LN",
                 "rar a -r0 -y {-p%%P} {-ap%%R} {-w%%W} {%%S} -- %%A @%%LN",
                 "rar x {-p%%P} {-ap%%R} -y -c- -kb -- %%A @%%LNM", "rar e {-p%%P} -y -c- -kb -- %%A @%%LNM",
                 "rar t -y {-p%%P} -- %%A", "rar c -y {-w%%W} -- %%A", "-m1", "-m3", "-m5"),
        Archiver("RK", "rk", "*", "rk {%%S} -mx3 -Ar+s+h+ %%A @%%LMA", "rk {%%S} -mx3 -Ar+s+h+ -r %%A @%%LMA",
                 "rk -x %%A @%%LMA", "rk -e %%A @%%LMA", "rk -i %%A", ""),
        Archiver("TAR", "tar", "*", "tar --force-local -rf %%A %%FSq32768",
                 "tar --force-local -rf %%A %%FSq32768", "tar --force-local -xf %%A %%FSq32768",
                 "%comspec% /c tar --force-local -O -xf %%A %%fSq > %%fWq", "", ""),
        Archiver("ZIP", "zip", "*.*", "pkzip25 -add -attr=all -nozip {-pass=%%P} {-temp=%%W} %%A @%%LNMA",
                 "pkzip25 -add -attr=all -dir -nozip {-pass=%%P} {-temp=%%W} %%A @%%LNMA",
                 "pkzip25 -ext -dir -over=all -nozip -mask=none -times=mod {-pass=%%P} %%A @%%LNMA",
                 "pkzip25 -ext -over=all -nozip -mask=none -times=mod {-pass=%%P} %%A @%%LNMA",
                 "pkzip25 -test=all -nozip {-pass=%%P} %%A", "pkzip25 -hea -nozip {-temp=%%W} %%A", "-es",
                 "-en", "-exx"),
    };
    return defaults;
}

const std::vector<TExternalEncryptorCommands>& DefaultEncryptors() {
    static const std::vector<TExternalEncryptorCommands> defaults{
        Encryptor("RC4 (128 Bit)",
                  "RC4 is a stream cipher. The algorithm is based on the use of a random permutation.  "
                  "Independent analysts have scrutinized the algorithm and it is considered secure.",
                  "crypt -c %%S %%D %%P", "crypt -e %%S %%D %%P"),
        Encryptor("3DES (168 Bit)",
                  "Data Encryption Standard (DES).  3DES uses three stages of DES so it is much more secure "
                  "and suffices for most applications currently.",
                  "crypt -c3 %%S %%D %%P", "crypt -e3 %%S %%D %%P"),
        Encryptor(
            "DES (56 Bit)",
            "Data Encryption Standard (DES). Is a cipher. DES is now considered to be insecure for many "
            "applications. This is chiefly due to the 56-bit key size being too small; DES keys have "
            "been broken in less than 24 hours.",
            "crypt -cd %%S %%D %%P", "crypt -ed %%S %%D %%P"),
        Encryptor("AES (256 Bit)",
                  "AES (Advanced Encryption Standard) with a 256-bit key in Galois/Counter Mode. It is the "
                  "current standard cipher, fast on every modern processor, and also detects any change to "
                  "an encrypted file. Recommended.",
                  "crypt -ca %%S %%D %%P", "crypt -ea %%S %%D %%P"),
    };
    return defaults;
}

const QString TExternalCompressorsSettings::BuiltinName = QStringLiteral("BUILTIN");

void TExternalCompressorsSettings::Load() {
    LoadList<TExternalCompressorsSettings, TCompressorField>(*this, kCompressorsKey, kCompressorFieldNames,
                                                             DefaultCompressors());
}

void TExternalCompressorsSettings::Save() {
    SaveList<TExternalCompressorsSettings, TCompressorField>(*this, kCompressorsKey, kCompressorFieldNames);
}

void TExternalCompressorsSettings::RestoreDefaults() {
    RestoreList(*this, DefaultCompressors());
}

TExternalCompressorSettings* TExternalCompressorsSettings::FindCompressor(const QString& name) {
    return name == BuiltinName ? nullptr : Find(name);
}

void TExternalCompressorsSettings::DeleteCompressor(const QString& name) {
    if (name != BuiltinName)
        Delete(name);
}

TExternalCompressorCommands TExternalCompressorsSettings::CompressorCommands(const QString& name) const {
    if (name != BuiltinName) {
        if (const TExternalCompressorSettings* found = Find(name))
            return found->Commands();
    }
    return DefaultCompressors().back();  // the shipped "ZIP"
}

QString TExternalCompressorsSettings::CompressorExtension(const QString& name) const {
    return CompressorCommands(name).ArchiveExtension;
}

void TExternalEncryptorsSettings::Load() {
    LoadList<TExternalEncryptorsSettings, TEncryptorField>(*this, kEncryptorsKey, kEncryptorFieldNames,
                                                           DefaultEncryptors());
}

void TExternalEncryptorsSettings::Save() {
    SaveList<TExternalEncryptorsSettings, TEncryptorField>(*this, kEncryptorsKey, kEncryptorFieldNames);
}

void TExternalEncryptorsSettings::RestoreDefaults() {
    RestoreList(*this, DefaultEncryptors());
}

TExternalEncryptorCommands TExternalEncryptorsSettings::EncryptorCommands(const QString& name) const {
    if (const TExternalEncryptorSettings* found = Find(name))
        return found->Commands();
    return DefaultEncryptors().front();  // the shipped "RC4 (128 Bit)"
}

QString TExternalEncryptorsSettings::EncryptorExtension(const QString& name) const {
    return EncryptorCommands(name).Extension;
}

std::mutex& PackerSettingsMutex() {
    static std::mutex mutex;
    return mutex;
}

TExternalCompressorsSettings& ExternalCompressors() {
    static TExternalCompressorsSettings list = [] {
        // Until the first load the tables hold the shipped definitions, as a fresh store would give.
        TExternalCompressorsSettings l;
        for (const auto& commands : DefaultCompressors())
            l.Add(commands);
        return l;
    }();
    return list;
}

TExternalEncryptorsSettings& ExternalEncryptors() {
    static TExternalEncryptorsSettings list = [] {
        TExternalEncryptorsSettings l;
        for (const auto& commands : DefaultEncryptors())
            l.Add(commands);
        return l;
    }();
    return list;
}

TExternalCompressorCommands CompressorCommands(const QString& name) {
    std::lock_guard lock(PackerSettingsMutex());
    return ExternalCompressors().CompressorCommands(name);
}

TExternalEncryptorCommands EncryptorCommands(const QString& name) {
    std::lock_guard lock(PackerSettingsMutex());
    return ExternalEncryptors().EncryptorCommands(name);
}
