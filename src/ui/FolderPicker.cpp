#include "ui/FolderPicker.h"

#include <QCollator>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/FileSystem.h"
#include "ui/TranslateForm.h"

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kFilledRole = Qt::UserRole + 1;

// The tree's form of an absolute folder: no trailing '/' except for the root itself.
QString TreePath(const QString& folder) {
    const QString clean = QDir::cleanPath(folder);
    return clean.isEmpty() ? QStringLiteral("/") : clean;
}

QString ChildPath(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? QString(folder + name)
                                             : QString(folder + QLatin1Char('/') + name);
}

QString WithSlash(const QString& path) {
    return path.endsWith(QLatin1Char('/')) ? path : QString(path + QLatin1Char('/'));
}

void CollectChecked(const QTreeWidgetItem* item, QStringList& out) {
    if (item->checkState(0) == Qt::Checked)
        out.append(WithSlash(item->data(0, kPathRole).toString()));
    for (int i = 0; i < item->childCount(); ++i)
        CollectChecked(item->child(i), out);
}

}  // namespace

QString NormalizedFolder(const QString& folder) {
    if (folder.startsWith(QLatin1Char('/')))
        return WithSlash(TreePath(folder));
    return WithSlash(folder);
}

std::function<bool(QWidget*, QStringList&)> TFoldersCheckSelectForm::Picker =
    [](QWidget* parent, QStringList& folders) { return SelectFolders(folders, parent); };

TFoldersCheckSelectForm::TFoldersCheckSelectForm(const QStringList& folders, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("FoldersCheckSelectForm"));
    setWindowTitle(QStringLiteral("Select Folders"));
    auto* layout = new QVBoxLayout(this);
    auto* hint =
        new QLabel(QStringLiteral("Tick the folders to take; open a folder to see the folders in it."));
    hint->setObjectName(QStringLiteral("HintLabel"));
    hint->setWordWrap(true);
    layout->addWidget(hint);

    tree_ = new QTreeWidget;
    tree_->setObjectName(QStringLiteral("FoldersTree"));
    tree_->setHeaderHidden(true);
    tree_->setUniformRowHeights(true);
    tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tree_->header()->setStretchLastSection(false);
    layout->addWidget(tree_, 1);
    connect(tree_, &QTreeWidget::itemExpanded, this, &TFoldersCheckSelectForm::Fill);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->setObjectName(QStringLiteral("buttons"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OkButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelButton"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    root_ = NewItem(nullptr, QStringLiteral("/"), QStringLiteral("/"));
    tree_->addTopLevelItem(root_);
    root_->setExpanded(true);

    QSet<QString> seen;
    QTreeWidgetItem* first = nullptr;
    for (const QString& folder : folders) {
        const QString key = NormalizedFolder(folder);
        if (folder.trimmed().isEmpty() || seen.contains(key))
            continue;
        seen.insert(key);
        QTreeWidgetItem* item = folder.startsWith(QLatin1Char('/')) ? FindFolder(folder) : nullptr;
        if (item == nullptr) {
            // Not a folder of this computer as it stands: kept as it was typed.
            item = NewItem(nullptr, folder, folder);
            item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
            item->setData(0, kFilledRole, true);
            item->setToolTip(0, QStringLiteral("Not found on this computer"));
            QFont italic = item->font(0);
            italic.setItalic(true);
            item->setFont(0, italic);
            tree_->addTopLevelItem(item);
        } else {
            for (QTreeWidgetItem* parentItem = item->parent(); parentItem != nullptr;
                 parentItem = parentItem->parent())
                parentItem->setExpanded(true);
        }
        item->setCheckState(0, Qt::Checked);
        if (first == nullptr)
            first = item;
    }
    tree_->setCurrentItem(first != nullptr ? first : root_);
    if (first != nullptr)
        tree_->scrollToItem(first);

    TranslateForm(this);
    resize(480, 560);
}

QTreeWidgetItem* TFoldersCheckSelectForm::NewItem(QTreeWidgetItem* parent, const QString& text,
                                                  const QString& path) {
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem;
    item->setText(0, text);
    item->setData(0, kPathRole, path);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Unchecked);
    // Whether a folder holds folders is known only once it is read; the expander is offered until then.
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

void TFoldersCheckSelectForm::Fill(QTreeWidgetItem* item) {
    if (item == nullptr || item->data(0, kFilledRole).toBool())
        return;
    item->setData(0, kFilledRole, true);
    const QString path = item->data(0, kPathRole).toString();
    std::vector<FileSystem::TFolderEntry> entries;
    FileSystem::ListFolder(path, entries);
    struct TChild {
        QString name;
        bool link;
    };
    std::vector<TChild> children;
    for (const FileSystem::TFolderEntry& entry : entries) {
        const QString child = ChildPath(path, entry.name);
        if (entry.type == FileSystem::TEntryType::Folder)
            children.push_back({entry.name, false});
        else if (entry.type == FileSystem::TEntryType::SymLink && FileSystem::IsFolder(child))
            // A link to a folder may be a source of its own; it is offered, marked, but a run never
            // follows links found inside a source.
            children.push_back({entry.name, true});
    }
    QCollator collator;
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(children.begin(), children.end(),
              [&collator](const TChild& a, const TChild& b) { return collator.compare(a.name, b.name) < 0; });
    for (const TChild& child : children) {
        QTreeWidgetItem* childItem = NewItem(item, child.name, ChildPath(path, child.name));
        if (child.link) {
            QFont italic = childItem->font(0);
            italic.setItalic(true);
            childItem->setFont(0, italic);
        }
    }
    if (children.empty())
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

QTreeWidgetItem* TFoldersCheckSelectForm::FindFolder(const QString& folder) {
    if (!folder.startsWith(QLatin1Char('/')))
        return nullptr;
    QTreeWidgetItem* item = root_;
    const QStringList parts = TreePath(folder).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        Fill(item);
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < item->childCount() && next == nullptr; ++i) {
            if (item->child(i)->text(0) == part)
                next = item->child(i);
        }
        if (next == nullptr)
            return nullptr;
        item = next;
    }
    return item;
}

QStringList TFoldersCheckSelectForm::CheckedFolders() const {
    QStringList folders;
    for (int i = 0; i < tree_->topLevelItemCount(); ++i)
        CollectChecked(tree_->topLevelItem(i), folders);
    return folders;
}

bool SelectFolders(QStringList& folders, QWidget* parent) {
    TFoldersCheckSelectForm form(folders, parent);
    if (form.exec() != QDialog::Accepted)
        return false;
    folders = form.CheckedFolders();
    return true;
}

TSourceFoldersList MergeChosenFolders(const TSourceFoldersList& current, const QStringList& chosen,
                                      bool includeSubfolders) {
    QStringList kept;
    for (const QString& folder : chosen) {
        const QString normal = NormalizedFolder(folder);
        if (folder.trimmed().isEmpty() || kept.contains(normal))
            continue;
        kept.append(normal);
    }
    // A folder inside another chosen folder is already taken with it.
    QStringList outer;
    for (const QString& folder : kept) {
        const bool inside = std::any_of(kept.begin(), kept.end(), [&folder](const QString& other) {
            return other != folder && other.startsWith(QLatin1Char('/')) && folder.startsWith(other);
        });
        if (!inside)
            outer.append(folder);
    }

    TSourceFoldersList result;
    QSet<QString> present;
    for (const TSourceFolder& source : current) {
        const QString normal = NormalizedFolder(source.Folder);
        if (outer.contains(normal)) {
            result.push_back(source);
            present.insert(normal);
        }
    }
    for (const QString& folder : outer) {
        if (present.contains(folder))
            continue;
        TSourceFolder source;
        source.Folder = folder;
        source.IncludeSubfolders = includeSubfolders;
        result.push_back(source);
        present.insert(folder);
    }
    return result;
}
