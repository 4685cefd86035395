#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>

#include "model/SourceFolders.h"

class QTreeWidget;
class QTreeWidgetItem;

// The folder picker: the computer's folders as a tree with check boxes, filled as its branches are
// opened. The given folders are checked, and their parents opened, when it shows. A given folder that
// the tree cannot show (it does not exist here, or holds path variables) is listed below the tree,
// checked, so that OK hands it back unless the user unticks it.
class TFoldersCheckSelectForm : public QDialog {
    Q_OBJECT
public:
    explicit TFoldersCheckSelectForm(const QStringList& folders, QWidget* parent = nullptr);

    // The checked folders, each with a trailing '/': the tree's in tree order, then the listed ones.
    QStringList CheckedFolders() const;
    // The tree item of an absolute folder, filling the branches on the way; nullptr when the tree has
    // none. Does not open the branches.
    QTreeWidgetItem* FindFolder(const QString& folder);
    QTreeWidget* Tree() const { return tree_; }

    // What "Select Multiple Folders..." of the task properties calls: true on OK with folders replaced
    // by the checked ones. Tests replace it; the default shows this dialog.
    static std::function<bool(QWidget* parent, QStringList& folders)> Picker;

private:
    void Fill(QTreeWidgetItem* item);
    QTreeWidgetItem* NewItem(QTreeWidgetItem* parent, const QString& text, const QString& path);

    QTreeWidget* tree_ = nullptr;
    QTreeWidgetItem* root_ = nullptr;
};

// Shows the picker modally; true on OK with folders replaced by the checked folders.
bool SelectFolders(QStringList& folders, QWidget* parent = nullptr);

// A folder as the picker and the source list compare it: an absolute path without "." and ".." steps
// or doubled '/', with one trailing '/'; any other text only gains the trailing '/'.
QString NormalizedFolder(const QString& folder);

// The source folders after the picker returned chosen: a chosen folder that lies in another chosen
// folder is dropped; a current source that is not among the rest is removed; the chosen folders that
// are new are added, in their order, with includeSubfolders. The current sources keep their order, text
// and subfolder choice.
TSourceFoldersList MergeChosenFolders(const TSourceFoldersList& current, const QStringList& chosen,
                                      bool includeSubfolders);
