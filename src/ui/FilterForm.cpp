#include "ui/FilterForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimeEdit>
#include <QUrl>
#include <QVBoxLayout>
#include <cmath>

#include "model/Task.h"
#include "platform/LocaleFormats.h"
#include "platform/Paths.h"
#include "ui/FieldControls.h"
#include "ui/PreferencesDialog.h"
#include "ui/TranslateForm.h"

using namespace FieldControls;

namespace {

constexpr int kMaxValue = 32767;

QRadioButton* Radio(const QString& text, const char* name, QButtonGroup* group, int id) {
    auto* radio = new QRadioButton(text);
    radio->setObjectName(QString::fromLatin1(name));
    group->addButton(radio, id);
    return radio;
}

QLineEdit* Edit(const char* name) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QComboBox* Combo(const char* name, const QStringList& items) {
    auto* combo = new QComboBox;
    combo->setObjectName(QString::fromLatin1(name));
    combo->addItems(items);
    return combo;
}

QSpinBox* Spin(const char* name) {
    auto* spin = new QSpinBox;
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(0, kMaxValue);
    spin->setMinimumWidth(90);
    return spin;
}

QPushButton* BrowseButton(const char* name) {
    auto* button = new QPushButton(QStringLiteral("..."));
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    button->setFixedWidth(32);
    return button;
}

QLabel* Label(const QString& text, const char* name) {
    auto* label = new QLabel(text);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QWidget* Row(std::initializer_list<QWidget*> widgets, int indent = 0) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(indent, 0, 0, 0);
    for (QWidget* widget : widgets)
        layout->addWidget(widget);
    layout->addStretch(1);
    return row;
}

}  // namespace

std::function<QString(QWidget*, const QString&)> TFilterForm::AskFile = [](QWidget* parent,
                                                                           const QString& start) {
    return QFileDialog::getOpenFileName(parent, QString(), start);
};

TFilterForm::TFilterForm(const TTask& task, TTaskFilterItem& item, QWidget* parent)
    : QDialog(parent), item_(item), original_(item), startFolder_(task.SourceFolderPath(0)) {
    setObjectName(QStringLiteral("FilterForm"));
    setWindowTitle(QStringLiteral("File Filter Properties"));
    auto* layout = new QVBoxLayout(this);

    caption_ = Edit("CaptionEdit");
    caption_->setReadOnly(true);
    caption_->setFocusPolicy(Qt::ClickFocus);
    layout->addWidget(caption_);

    auto* typeBox = new QGroupBox(QStringLiteral("Filter type"));
    typeBox->setObjectName(QStringLiteral("TypeBox"));
    type_ = new QButtonGroup(this);
    type_->setObjectName(QStringLiteral("TypeGroup"));
    auto* typeLayout = new QHBoxLayout(typeBox);
    typeLayout->addWidget(Radio(QStringLiteral("&Include "), "IncludeRadio", type_, 0));
    typeLayout->addWidget(Radio(QStringLiteral("E&xclude"), "ExcludeRadio", type_, 1));
    typeLayout->addStretch(1);
    enabled_ = new QCheckBox(QStringLiteral("&Enabled"));
    enabled_->setObjectName(QStringLiteral("EnabledCheck"));
    typeLayout->addWidget(enabled_);
    layout->addWidget(typeBox);

    kind_ =
        Combo("KindCombo", {QStringLiteral("File"), QStringLiteral("Folder"), QStringLiteral("Date & Time"),
                            QStringLiteral("Attributes"), QStringLiteral("Size")});
    auto* kindLabel = Label(QStringLiteral("&Kind:"), "KindLabel");
    kindLabel->setBuddy(kind_);
    layout->addWidget(Row({kindLabel, kind_}));

    panels_ = new QStackedWidget;
    panels_->setObjectName(QStringLiteral("KindPanels"));
    panels_->addWidget(BuildFilePanel());
    panels_->addWidget(BuildFolderPanel());
    panels_->addWidget(BuildDateTimePanel());
    panels_->addWidget(BuildAttributesPanel());
    panels_->addWidget(BuildSizePanel());
    layout->addWidget(panels_);
    layout->addStretch(1);

    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help);
    buttons->setObjectName(QStringLiteral("buttons"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OkButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelButton"));
    buttons->button(QDialogButtonBox::Help)->setObjectName(QStringLiteral("HelpButton"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [] {
        QDesktopServices::openUrl(QUrl::fromLocalFile(
            QDir(Paths::ShippedDataFolder()).filePath(QStringLiteral("help/files/task.filefilter.html"))));
    });
    layout->addWidget(buttons);

    LoadControls();
    connect(kind_, &QComboBox::currentIndexChanged, this, [this](int index) {
        panels_->setCurrentIndex(index);
        UpdateEnabling();
    });
    for (QButtonGroup* group : {fileKind_, folderKind_, dtChoice_})
        connect(group, &QButtonGroup::idToggled, this, [this] { UpdateEnabling(); });
    connect(lastUnitBox_, &QComboBox::currentIndexChanged, this, &TFilterForm::OnLastUnitChanged);

    TranslateForm(this);
    StoreControls();
    refresh_.setInterval(kRefreshMs);
    connect(&refresh_, &QTimer::timeout, this, &TFilterForm::StoreControls);
    refresh_.start();
    setMinimumWidth(560);
}

QWidget* TFilterForm::BuildFilePanel() {
    auto* panel = new QWidget;
    auto* grid = new QGridLayout(panel);
    fileKind_ = new QButtonGroup(this);
    fileKind_->setObjectName(QStringLiteral("FileKindGroup"));
    wildcard_ = Edit("filterWildcard");
    singleFile_ = Edit("SingleFileEdit");
    fileBrowse_ = BrowseButton("SingleFileBrowse");
    grid->addWidget(Radio(QStringLiteral("Files matching the &wildcard:"), "WildcardRadio", fileKind_, 0), 0,
                    0);
    grid->addWidget(wildcard_, 0, 1, 1, 2);
    grid->addWidget(Radio(QStringLiteral("&Single file:"), "SingleFileRadio", fileKind_, 1), 1, 0);
    grid->addWidget(singleFile_, 1, 1);
    grid->addWidget(fileBrowse_, 1, 2);
    auto* note = Label(QStringLiteral("Several masks are separated by \";\" or blanks; a mask with blanks is "
                                      "written in double quotes."),
                       "WildcardNoteLabel");
    note->setWordWrap(true);
    grid->addWidget(note, 2, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);
    connect(fileBrowse_, &QPushButton::clicked, this, [this] {
        const QString start = singleFile_->text().trimmed().isEmpty() ? StartFolder() : singleFile_->text();
        const QString file = AskFile ? AskFile(this, start) : QString();
        if (!file.isEmpty())
            singleFile_->setText(file);
    });
    return panel;
}

QWidget* TFilterForm::BuildFolderPanel() {
    auto* panel = new QWidget;
    auto* grid = new QGridLayout(panel);
    folderKind_ = new QButtonGroup(this);
    folderKind_->setObjectName(QStringLiteral("FolderKindGroup"));
    contains_ = Edit("FolderContainsEdit");
    folderBrowse_ = BrowseButton("FolderBrowse");
    grid->addWidget(
        Radio(QStringLiteral("Folder name/path &contains:"), "FolderContainsRadio", folderKind_, 0), 0, 0);
    grid->addWidget(contains_, 0, 1);
    grid->addWidget(folderBrowse_, 0, 2);
    grid->addWidget(Radio(QStringLiteral("E&mpty folders"), "EmptyFoldersRadio", folderKind_, 1), 1, 0);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);
    connect(folderBrowse_, &QPushButton::clicked, this, [this] {
        const QString start = contains_->text().trimmed().isEmpty() ? StartFolder() : contains_->text();
        const QString folder =
            DialogMessages().AskFolder
                ? DialogMessages().AskFolder(this, QStringLiteral("Browse for folder"), start)
                : QString();
        if (!folder.isEmpty())
            contains_->setText(folder);
    });
    return panel;
}

QWidget* TFilterForm::BuildDateTimePanel() {
    auto* panel = new QWidget;
    auto* grid = new QGridLayout(panel);
    dtKind_ = Combo("DateKindCombo", {QStringLiteral("Files Modified"), QStringLiteral("Files Created"),
                                      QStringLiteral("Files Last Accessed")});
    grid->addWidget(dtKind_, 0, 0, 1, 2, Qt::AlignLeft);

    dtChoice_ = new QButtonGroup(this);
    dtChoice_->setObjectName(QStringLiteral("DateChoiceGroup"));
    lastValue_ = Spin("LastValueSpin");
    lastUnitBox_ = Combo("LastUnitCombo", {QStringLiteral("months"), QStringLiteral("days"),
                                           QStringLiteral("hours"), QStringLiteral("minutes")});
    grid->addWidget(Radio(QStringLiteral("in the &last"), "LastRadio", dtChoice_, 0), 1, 0);
    grid->addWidget(Row({lastValue_, lastUnitBox_}), 1, 1);

    const QString dateFormat = LocaleFormats::Current().shortDate;
    // A time zone in the locale's long format cannot be edited; the field shows the time alone.
    QString timeFormat = LocaleFormats::Current().longTime;
    timeFormat = timeFormat.remove(QRegularExpression(QStringLiteral("\\s*t+"))).trimmed();
    dateStart_ = new QDateEdit;
    dateStart_->setObjectName(QStringLiteral("DateStartEdit"));
    dateEnd_ = new QDateEdit;
    dateEnd_->setObjectName(QStringLiteral("DateEndEdit"));
    for (QDateEdit* edit : {dateStart_, dateEnd_}) {
        edit->setCalendarPopup(true);
        if (!dateFormat.isEmpty())
            edit->setDisplayFormat(dateFormat);
    }
    grid->addWidget(Radio(QStringLiteral("&date between"), "DateBetweenRadio", dtChoice_, 1), 2, 0);
    grid->addWidget(Row({dateStart_, Label(QStringLiteral("and"), "DateAndLabel"), dateEnd_}), 2, 1);

    timeStart_ = new QTimeEdit;
    timeStart_->setObjectName(QStringLiteral("TimeStartEdit"));
    timeEnd_ = new QTimeEdit;
    timeEnd_->setObjectName(QStringLiteral("TimeEndEdit"));
    for (QTimeEdit* edit : {timeStart_, timeEnd_})
        edit->setDisplayFormat(timeFormat.isEmpty() ? QStringLiteral("HH:mm:ss") : timeFormat);
    grid->addWidget(Radio(QStringLiteral("&time between"), "TimeBetweenRadio", dtChoice_, 2), 3, 0);
    grid->addWidget(Row({timeStart_, Label(QStringLiteral("and"), "TimeAndLabel"), timeEnd_}), 3, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);
    return panel;
}

QWidget* TFilterForm::BuildAttributesPanel() {
    auto* panel = new QWidget;
    auto* grid = new QGridLayout(panel);
    const char* const names[6][2] = {{"&Read Only", "ReadOnlyCheck"},    {"&Archive", "ArchiveCheck"},
                                     {"&Hidden", "HiddenCheck"},         {"S&ystem", "SystemCheck"},
                                     {"&Compressed", "CompressedCheck"}, {"E&ncrypted", "EncryptedCheck"}};
    for (int i = 0; i < 6; ++i) {
        attributes_[i] = new QCheckBox(QString::fromLatin1(names[i][0]));
        attributes_[i]->setObjectName(QString::fromLatin1(names[i][1]));
        grid->addWidget(attributes_[i], i % 3, i / 3);
    }
    // This system keeps no archive or system attribute: an item that asks only for them never matches.
    attributes_[1]->setToolTip(QStringLiteral("Not reported on this system"));
    attributes_[3]->setToolTip(QStringLiteral("Not reported on this system"));
    auto* note = Label(QStringLiteral("With no attribute ticked, files that have none of them match."),
                       "AttributesNoteLabel");
    note->setWordWrap(true);
    grid->addWidget(note, 3, 0, 1, 2);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(4, 1);
    return panel;
}

QWidget* TFilterForm::BuildSizePanel() {
    auto* panel = new QWidget;
    auto* layout = new QVBoxLayout(panel);
    szKind_ = Combo("SizeKindCombo", {QStringLiteral("less than (<)"), QStringLiteral("equal to (=)"),
                                      QStringLiteral("greater than (>)")});
    szValue_ = Spin("SizeValueSpin");
    szMeasure_ = Combo("SizeMeasureCombo",
                       {QStringLiteral("Bytes"), QStringLiteral("KBytes"), QStringLiteral("MBytes")});
    auto* label = Label(QStringLiteral("File si&ze:"), "SizeLabel");
    label->setBuddy(szKind_);
    layout->addWidget(Row({label, szKind_, szValue_, szMeasure_}));
    layout->addStretch(1);
    return panel;
}

int& TFilterForm::LastValueField(int unit) {
    switch (unit) {
        case 1:
            return item_.dtDays;
        case 2:
            return item_.dtHours;
        case 3:
            return item_.dtMinutes;
        default:
            return item_.dtMonths;
    }
}

void TFilterForm::OnLastUnitChanged(int unit) {
    // The shown number still belongs to the unit chosen before.
    StoreNumber(LastValueField(lastUnit_), lastValue_);
    lastUnit_ = unit;
    const QSignalBlocker block(lastValue_);
    lastValue_->setValue(LastValueField(unit));
}

void TFilterForm::LoadControls() {
    const TTaskFilterItem& it = item_;
    enabled_->setChecked(it.Enabled);
    type_->button(static_cast<int>(it.FilterType))->setChecked(true);
    kind_->setCurrentIndex(static_cast<int>(it.FilterKind));
    panels_->setCurrentIndex(kind_->currentIndex());

    fileKind_->button(static_cast<int>(it.fnKind))->setChecked(true);
    wildcard_->setText(it.fnWildcard);
    singleFile_->setText(it.fnSingleFile);
    folderKind_->button(static_cast<int>(it.frKind))->setChecked(true);
    contains_->setText(it.frContains);

    dtKind_->setCurrentIndex(static_cast<int>(it.dtKind));
    const int selector = static_cast<int>(it.dtSelector);
    // The four "in the last" selectors share one choice and name their unit; the item's unit comes
    // first, so that its value is the one shown.
    lastUnit_ = selector <= static_cast<int>(TDateTimeSelector::fidtsMinutes) ? selector : 0;
    lastUnitBox_->setCurrentIndex(lastUnit_);
    lastValue_->setValue(LastValueField(lastUnit_));
    dtChoice_
        ->button(selector == static_cast<int>(TDateTimeSelector::fidtsDateBetween)   ? 1
                 : selector == static_cast<int>(TDateTimeSelector::fidtsTimeBetween) ? 2
                                                                                     : 0)
        ->setChecked(true);
    dateStart_->setDate(DateOf(it.dtDateBetweenStart));
    dateEnd_->setDate(DateOf(it.dtDateBetweenEnd));
    timeStart_->setTime(TimeOf(it.dtTimeBetweenStart));
    timeEnd_->setTime(TimeOf(it.dtTimeBetweenEnd));

    const bool flags[6] = {it.atReadOnly, it.atArchive,    it.atHidden,
                           it.atSystem,   it.atCompressed, it.atEncrypted};
    for (int i = 0; i < 6; ++i)
        attributes_[i]->setChecked(flags[i]);

    szKind_->setCurrentIndex(static_cast<int>(it.szKind));
    szValue_->setValue(it.szValue);
    szMeasure_->setCurrentIndex(static_cast<int>(it.szMeasure));
    UpdateEnabling();
}

void TFilterForm::StoreControls() {
    TTaskFilterItem& it = item_;
    it.Enabled = enabled_->isChecked();
    StoreChoice(it.FilterType, type_->checkedId());
    StoreChoice(it.FilterKind, kind_->currentIndex());

    StoreChoice(it.fnKind, fileKind_->checkedId());
    it.fnWildcard = wildcard_->text();
    it.fnSingleFile = singleFile_->text();
    StoreChoice(it.frKind, folderKind_->checkedId());
    it.frContains = contains_->text();

    StoreChoice(it.dtKind, dtKind_->currentIndex());
    switch (dtChoice_->checkedId()) {
        case 0:
            StoreChoice(it.dtSelector, lastUnit_);
            break;
        case 1:
            it.dtSelector = TDateTimeSelector::fidtsDateBetween;
            break;
        case 2:
            it.dtSelector = TDateTimeSelector::fidtsTimeBetween;
            break;
        default:
            break;
    }
    StoreNumber(LastValueField(lastUnit_), lastValue_);
    StoreDate(it.dtDateBetweenStart, dateStart_);
    StoreDate(it.dtDateBetweenEnd, dateEnd_);
    StoreTime(it.dtTimeBetweenStart, timeStart_);
    StoreTime(it.dtTimeBetweenEnd, timeEnd_);

    bool* flags[6] = {&it.atReadOnly, &it.atArchive,    &it.atHidden,
                      &it.atSystem,   &it.atCompressed, &it.atEncrypted};
    for (int i = 0; i < 6; ++i)
        *flags[i] = attributes_[i]->isChecked();

    StoreChoice(it.szKind, szKind_->currentIndex());
    StoreNumber(it.szValue, szValue_);
    StoreChoice(it.szMeasure, szMeasure_->currentIndex());

    const QString caption = FilterCaption(it);
    if (caption_->text() != caption)
        caption_->setText(caption);
}

void TFilterForm::UpdateEnabling() {
    const bool wildcard = fileKind_->checkedId() == 0;
    wildcard_->setEnabled(wildcard);
    singleFile_->setEnabled(!wildcard);
    fileBrowse_->setEnabled(!wildcard);
    const bool contains = folderKind_->checkedId() == 0;
    contains_->setEnabled(contains);
    folderBrowse_->setEnabled(contains);
    const int choice = dtChoice_->checkedId();
    lastValue_->setEnabled(choice == 0);
    lastUnitBox_->setEnabled(choice == 0);
    dateStart_->setEnabled(choice == 1);
    dateEnd_->setEnabled(choice == 1);
    timeStart_->setEnabled(choice == 2);
    timeEnd_->setEnabled(choice == 2);
}

QString TFilterForm::CaptionText() const {
    return caption_->text();
}

QString TFilterForm::StartFolder() const {
    return startFolder_.isEmpty() ? QDir::homePath() : startFolder_;
}

void TFilterForm::done(int result) {
    refresh_.stop();
    if (result == QDialog::Accepted)
        StoreControls();
    else
        item_ = original_;
    QDialog::done(result);
}

bool EditFilterItem(const TTask& task, TTaskFilterItem& item, QWidget* parent) {
    TFilterForm form(task, item, parent);
    return form.exec() == QDialog::Accepted;
}
