#include "ui/ShortcutDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include "model/Task.h"
#include "platform/Autostart.h"
#include "platform/SystemInfo.h"
#include "settings/FormatText.h"
#include "settings/Language.h"
#include "ui/MainWindow.h"
#include "ui/PreferencesDialog.h"
#include "ui/TranslateForm.h"

namespace {

QString Tr(const char* text, const char* key) {
    return Translate(QString::fromUtf8(text), QString::fromLatin1(key));
}

// A desktop-entry string value: a backslash is its escape character.
QString EntryString(const QString& text) {
    QString value = text;
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return value;
}

// A one-line text for a desktop-entry value: control characters become blanks.
QString OneLine(const QString& text) {
    QString line = text;
    for (QChar& c : line)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    return line;
}

// Special-folder numbers of the folders the dialog offers.
constexpr int kDesktopFolder = 0;
constexpr int kProgramsFolder = 2;
constexpr int kStartupFolder = 7;
constexpr int kStartMenuFolder = 11;

}  // namespace

QString ShortcutFolderPath(TShortcutFolder folder, const QString& other) {
    QString path;
    switch (folder) {
        case TShortcutFolder::Desktop:
            path = SystemInfo::SpecialFolderPath(kDesktopFolder);
            break;
        case TShortcutFolder::StartMenu:
            path = SystemInfo::SpecialFolderPath(kStartMenuFolder);
            break;
        case TShortcutFolder::Autorun:
            path = SystemInfo::SpecialFolderPath(kStartupFolder);
            break;
        case TShortcutFolder::Programs:
            path = SystemInfo::SpecialFolderPath(kProgramsFolder);
            break;
        case TShortcutFolder::Other:
            if (other.trimmed().isEmpty())
                return {};
            path = QDir::home().absoluteFilePath(other.trimmed());
            break;
    }
    // A folder from a relative XDG variable cannot be trusted to be where the desktop looks.
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        return {};
    return QDir::cleanPath(path);
}

QString ShortcutFileName(const QString& name) {
    QString file = name.trimmed();
    if (file.isEmpty())
        return {};
    const qsizetype point = file.lastIndexOf(QLatin1Char('.'));
    if (point >= 0)
        file.truncate(point);
    for (QChar& c : file)
        if (c == QLatin1Char('/') || c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char('_');
    return file + QStringLiteral(".desktop");
}

QString ShortcutEntryText(const QString& name, const QString& taskName, const QString& taskId,
                          bool exitWhenIdle, const QString& programPath) {
    const QString file = ShortcutFileName(name);
    if (file.isEmpty())
        return {};
    QStringList arguments{QStringLiteral("/RunTaskById=") + taskId};
    if (exitWhenIdle)
        arguments << QStringLiteral("/ExitWhenIdle");
    const QString exec = Autostart::ExecLine(programPath, arguments);
    if (exec.isEmpty())
        return {};
    const QString comment = OneLine(QStringLiteral("Runs the Tarnovex Task ") + taskName.simplified());
    // A name that is all extension (".v2") still gives the launcher a visible name.
    const QString shown = file.size() > 8 ? file.chopped(8) : OneLine(name.trimmed());
    return QStringLiteral("[Desktop Entry]\nType=Application\nVersion=1.0\nName=") + EntryString(shown) +
           QStringLiteral("\nComment=") + EntryString(comment) + QStringLiteral("\nExec=") + exec +
           QStringLiteral("\nIcon=tarnovex\nTerminal=false\n");
}

QString TShortcutForm::ProgramPath;

TShortcutForm::TShortcutForm(const TTask& task, QWidget* parent)
    : QDialog(parent), taskName_(task.Name), taskId_(task.ID) {
    setObjectName(QStringLiteral("ShortcutForm"));
    setWindowTitle(QStringLiteral("Create Shortcut"));
    auto* layout = new QVBoxLayout(this);

    auto* nameLabel = new QLabel(QStringLiteral("Shortcut &name:"));
    nameLabel->setObjectName(QStringLiteral("NameLabel"));
    name_ =
        new QLineEdit(QString(Tr("Start", "strStart") + QLatin1Char(' ') + task.Name.trimmed()).trimmed());
    name_->setObjectName(QStringLiteral("NameEdit"));
    nameLabel->setBuddy(name_);
    layout->addWidget(nameLabel);
    layout->addWidget(name_);

    auto* where = new QGroupBox(QStringLiteral("Create shortcut in"));
    where->setObjectName(QStringLiteral("FolderGroupBox"));
    auto* grid = new QGridLayout(where);
    auto* group = new QButtonGroup(this);
    group->setObjectName(QStringLiteral("FolderRadioGroup"));
    const char* const captions[5] = {"&Desktop", "&Start menu", "&Autorun menu", "&Programs menu",
                                     "&Other folder:"};
    const char* const names[5] = {"DesktopRadio", "StartMenuRadio", "AutorunRadio", "ProgramsRadio",
                                  "OtherRadio"};
    for (int i = 0; i < 5; ++i) {
        choices_[i] = new QRadioButton(QString::fromUtf8(captions[i]));
        choices_[i]->setObjectName(QString::fromLatin1(names[i]));
        group->addButton(choices_[i], i);
        grid->addWidget(choices_[i], i, 0, 1, i == 4 ? 1 : 3);
    }
    otherFolder_ = new QLineEdit;
    otherFolder_->setObjectName(QStringLiteral("OtherFolderEdit"));
    otherFolder_->setMinimumWidth(240);
    browse_ = new QPushButton(QStringLiteral("..."));
    browse_->setObjectName(QStringLiteral("BrowseButton"));
    browse_->setAutoDefault(false);
    browse_->setFixedWidth(browse_->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
    browse_->setToolTip(QStringLiteral("Browse for folder"));
    grid->addWidget(otherFolder_, 4, 1);
    grid->addWidget(browse_, 4, 2);
    grid->setColumnStretch(1, 1);
    layout->addWidget(where);
    choices_[0]->setChecked(true);

    exitWhenIdle_ = new QCheckBox(QStringLiteral("Shut &down Tarnovex after the Task is finished"));
    exitWhenIdle_->setObjectName(QStringLiteral("ExitWhenIdleCheckBox"));
    layout->addWidget(exitWhenIdle_);
    layout->addStretch(1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setObjectName(QStringLiteral("OkButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelButton"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TShortcutForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TShortcutForm::reject);
    connect(group, &QButtonGroup::idToggled, this, [this] { UpdateEnabling(); });
    connect(name_, &QLineEdit::textChanged, this, [this] { UpdateEnabling(); });
    connect(otherFolder_, &QLineEdit::textChanged, this, [this] { UpdateEnabling(); });
    connect(browse_, &QPushButton::clicked, this, [this] {
        const QString folder =
            DialogMessages().AskFolder(this, QStringLiteral("Browse for folder"), otherFolder_->text());
        if (!folder.isEmpty())
            otherFolder_->setText(folder);
    });
    UpdateEnabling();
    name_->setFocus();
    name_->selectAll();
    TranslateForm(this);
}

QString TShortcutForm::ShortcutName() const {
    return name_->text().trimmed();
}

TShortcutFolder TShortcutForm::Folder() const {
    for (int i = 0; i < 5; ++i)
        if (choices_[i]->isChecked())
            return static_cast<TShortcutFolder>(i);
    return TShortcutFolder::Desktop;
}

bool TShortcutForm::ExitWhenIdle() const {
    return exitWhenIdle_->isChecked();
}

void TShortcutForm::UpdateEnabling() {
    const bool other = choices_[4]->isChecked();
    otherFolder_->setEnabled(other);
    browse_->setEnabled(other);
    // Without a name, or without the other folder it is to go to, there is nothing to write.
    ok_->setEnabled(!ShortcutName().isEmpty() && (!other || !otherFolder_->text().trimmed().isEmpty()));
}

void TShortcutForm::accept() {
    if (!ok_->isEnabled())
        return;
    const QString folder = ShortcutFolderPath(Folder(), otherFolder_->text());
    if (folder.isEmpty()) {
        // Nothing can be written where no folder is known.
        QDialog::accept();
        return;
    }
    if (WriteShortcut(folder))
        QDialog::accept();
}

bool TShortcutForm::WriteShortcut(const QString& folder) {
    const QString program = ProgramPath.isEmpty() ? Autostart::ProgramPath() : ProgramPath;
    const QString text = ShortcutEntryText(ShortcutName(), taskName_, taskId_, ExitWhenIdle(), program);
    const QString path = folder + QLatin1Char('/') + ShortcutFileName(ShortcutName());
    const QString error = Tr("Error", "strError");
    if (text.isEmpty() || !QDir().mkpath(folder)) {
        DialogMessages().Error(this, error,
                               FormatText(QStringLiteral("Can't create the shortcut \"%s\"."), {path}));
        return false;
    }
    const QFileInfo existing(path);
    if (existing.exists() || existing.isSymLink()) {
        if (existing.isDir()) {
            DialogMessages().Error(this, error,
                                   FormatText(QStringLiteral("Can't create the shortcut \"%s\"."), {path}));
            return false;
        }
        if (!DialogMessages().Confirm(
                this, Tr("Confirmation", "strConfirmation"),
                FormatText(QStringLiteral("The file \"%s\" already exists. Do you want to "
                                          "replace it?"),
                           {path})))
            return false;
    }
    // Written beside the target and renamed over it: a desktop never reads half a launcher, and a
    // link already there is replaced rather than followed.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    const QByteArray bytes = text.toUtf8();
    bool written = file.open(QIODevice::WriteOnly);
    // Launchers on the desktop run only when they are executable.
    written = written &&
              file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                  QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                  QFileDevice::ExeOther);
    written = written && file.write(bytes) == bytes.size();
    if (!written)
        file.cancelWriting();
    if (!written || !file.commit()) {
        DialogMessages().Error(this, error,
                               FormatText(QStringLiteral("Can't create the shortcut \"%s\"."), {path}));
        return false;
    }
    written_ = path;
    return true;
}

void CreateTaskShortcut(QWidget* parent, const TTask& task) {
    TShortcutForm form(task, parent);
    form.exec();
}

void InstallTaskShortcut(TMainWindow& window) {
    window.SetCommand(QStringLiteral("actTaskShortcut"), [&window] {
        if (const TTask* task = window.SelectedTask())
            CreateTaskShortcut(&window, *task);
    });
}
