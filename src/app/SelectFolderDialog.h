#pragma once

#include <QDialog>

class QFileSystemModel;
class QLineEdit;
class QPushButton;
class QTimer;
class QToolButton;
class QTreeView;

// The folder picker: a tree of the file system's folders, the chosen path above it, a button that creates a
// new folder ready to be renamed, and OK and Cancel.
class SelectFolderDialog : public QDialog {
    Q_OBJECT

public:
    explicit SelectFolderDialog(QWidget* parent = nullptr);

    // Shows the picker modally; `root` (created when missing) limits the tree, empty means the whole file
    // system. Returns true on OK; the chosen folder is then folder().
    bool execute(const QString& root, const QString& startFolder);
    QString folder() const;

    // The name a new folder in `parent` gets: "New Folder", or "New Folder_n" with the first free n.
    static QString newFolderName(const QString& parent);

    // Creates a new folder under the selected one and starts editing its name; false when it could not be
    // made.
    bool NewFolderBtnClick();
    // Ends a name edit in progress; true when one was in progress.
    bool finishEditing();

    QLineEdit* FolderEdit = nullptr;
    QToolButton* NewFolderBtn = nullptr;
    QTreeView* TreeView = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QTimer* RefreshTimer = nullptr;

private:
    void prepare();
    void showSelectedPath();
    QString pathOf(const QModelIndex& index) const;
    void okClick();

    QFileSystemModel* model_ = nullptr;
    QString root_;
    QString start_;
    QString renamed_; // the folder a completed name edit produced
};
