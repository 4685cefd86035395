#include "settings/Language.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>
#include <mutex>

#include "platform/Paths.h"
#include "settings/IniFile.h"

namespace {

// Worker threads translate while the main thread may load another file: readers take a reference to
// the current immutable file and keep it alive for as long as they use it.
std::mutex languageMutex;
std::shared_ptr<const TIniFile> languageFile;

std::shared_ptr<const TIniFile> CurrentFile() {
    std::lock_guard lock(languageMutex);
    return languageFile;
}

void SetCurrentFile(std::shared_ptr<const TIniFile> file) {
    std::lock_guard lock(languageMutex);
    languageFile = std::move(file);
}

QStringList LanguageFolders() {
    return {Paths::UserDataFolder(), Paths::ShippedDataFolder()};
}

QStringList LanguageFilesIn(const QString& folder) {
    // Name filters match without regard to case, so DUTCH.LNG is offered too.
    return QDir(folder).entryList({QStringLiteral("*.lng")}, QDir::Files | QDir::Readable,
                                  QDir::Name | QDir::IgnoreCase);
}

// The stored name may differ in letter case from the file on a case-sensitive file system (a caption
// "Dutch" is stored as "Dutch.lng" for the file DUTCH.LNG): an exact name wins, then any case.
QString FindLanguageFile(const QString& name) {
    for (const QString& folder : LanguageFolders()) {
        const QString exact = folder + name;
        if (QFileInfo(exact).isFile())
            return exact;
        const QStringList entries =
            QDir(folder).entryList({QStringLiteral("*")}, QDir::Files | QDir::Readable, QDir::Name);
        for (const QString& entry : entries)
            if (entry.compare(name, Qt::CaseInsensitive) == 0)
                return folder + entry;
    }
    return {};
}

}  // namespace

QString Translate(const QString& defaultText, const QString& key) {
    const auto file = CurrentFile();
    if (!file)
        return defaultText;
    // A key the file lacks keeps the English text: an older language file must not blank out messages
    // added since. A key present with an empty value is a deliberate empty text.
    if (!file->HasValue(QStringLiteral("Misc"), key))
        return defaultText;
    QString value = file->Value(QStringLiteral("Misc"), key, QString());
    value.replace(QStringLiteral("*|*"), QStringLiteral("\r\n"));
    return value;
}

QString LanguageValue(const QString& section, const QString& key, const QString& fallback) {
    const auto file = CurrentFile();
    return file ? file->Value(section, key, fallback) : fallback;
}

bool LoadLanguageFile(const QString& name) {
    SetCurrentFile(nullptr);
    // Only a plain file name of one of the language folders is accepted, never a path elsewhere.
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
        name == QLatin1String(".."))
        return false;
    const QString path = FindLanguageFile(name);
    if (path.isEmpty())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    SetCurrentFile(std::make_shared<const TIniFile>(TIniFile::Parse(bytes)));
    return true;
}

void UnloadLanguageFile() {
    SetCurrentFile(nullptr);
}

bool LanguageFileLoaded() {
    return CurrentFile() != nullptr;
}

QStringList AvailableLanguageFiles() {
    QStringList captions;
    for (const QString& folder : LanguageFolders()) {
        for (const QString& entry : LanguageFilesIn(folder)) {
            QString caption = entry.first(entry.size() - 4).toLower();
            if (caption.isEmpty())
                continue;
            caption[0] = caption[0].toUpper();
            if (!captions.contains(caption, Qt::CaseInsensitive))
                captions.append(caption);
        }
    }
    return captions;
}
