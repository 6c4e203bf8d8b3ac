#include "SelectFolderDialog.h"

#include "ScreenCentre.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// The folder tree, able to say whether a name is being edited and to end that edit accepting the name.
class FolderTree : public QTreeView {
public:
    using QTreeView::QTreeView;

    bool finishEdit() {
        if (state() != EditingState)
            return false;
        const QList<QLineEdit*> editors = viewport()->findChildren<QLineEdit*>();
        if (!editors.isEmpty()) {
            // Committing renames the folder on disk; the refresh timer then shows the new path.
            commitData(editors.last());
            closeEditor(editors.last(), QAbstractItemDelegate::NoHint);
        }
        return true;
    }
};

} // namespace

SelectFolderDialog::SelectFolderDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SelectFolderForm"));
    setWindowTitle(QStringLiteral("Select folder"));
    ui::centreOnScreen(this);
    setSizeGripEnabled(true);

    FolderEdit = new QLineEdit(this);
    FolderEdit->setObjectName(QStringLiteral("FolderEdit"));
    FolderEdit->setReadOnly(true);
    NewFolderBtn = new QToolButton(this);
    NewFolderBtn->setObjectName(QStringLiteral("NewFolderBtn"));
    NewFolderBtn->setToolTip(QStringLiteral("New folder"));
    NewFolderBtn->setIcon(style()->standardIcon(QStyle::SP_FileDialogNewFolder));

    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setReadOnly(false); // label edits rename the folder on disk
    TreeView = new FolderTree(this);
    TreeView->setObjectName(QStringLiteral("TreeView"));
    TreeView->setModel(model_);
    for (int c = 1; c < model_->columnCount(); ++c)
        TreeView->hideColumn(c);
    TreeView->setHeaderHidden(true);
    TreeView->setContextMenuPolicy(Qt::NoContextMenu);
    TreeView->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    OKBtn->setAutoDefault(false);
    // A click must not take the focus from a name being edited: OK first ends that edit itself.
    OKBtn->setFocusPolicy(Qt::TabFocus);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);

    RefreshTimer = new QTimer(this);
    RefreshTimer->setInterval(10);
    RefreshTimer->setSingleShot(true);

    auto* top = new QHBoxLayout;
    top->addWidget(FolderEdit, 1);
    top->addWidget(NewFolderBtn);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(OKBtn);
    bottom->addWidget(CancelBtn);
    bottom->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(TreeView, 1);
    layout->addLayout(bottom);

    const qreal scale = logicalDpiX() / 96.0;
    setMinimumSize(qRound(340 * scale), qRound(170 * scale));

    connect(TreeView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { showSelectedPath(); });
    connect(TreeView, &QTreeView::doubleClicked, this, [this] { okClick(); });
    connect(model_, &QFileSystemModel::fileRenamed, this,
            [this](const QString& path, const QString&, const QString& newName) {
                renamed_ = QDir(path).filePath(newName);
                RefreshTimer->start();
            });
    connect(RefreshTimer, &QTimer::timeout, this, [this] {
        // The model re-reads the parent after a rename; keep the renamed folder selected.
        const QModelIndex node = model_->index(renamed_);
        if (node.isValid())
            TreeView->setCurrentIndex(node);
        renamed_.clear();
        showSelectedPath();
    });
    connect(NewFolderBtn, &QToolButton::clicked, this, [this] { NewFolderBtnClick(); });
    connect(OKBtn, &QPushButton::clicked, this, &SelectFolderDialog::okClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

bool SelectFolderDialog::execute(const QString& root, const QString& startFolder) {
    root_ = root;
    start_ = startFolder;
    prepare();
    return exec() == QDialog::Accepted;
}

void SelectFolderDialog::prepare() {
    QModelIndex rootIndex;
    if (!root_.isEmpty()) {
        QDir().mkpath(root_);
        model_->setRootPath(root_);
        rootIndex = model_->index(root_);
        TreeView->setRootIndex(rootIndex.parent());
    } else {
        // Without a desktop, the top of the file system stands for it.
        model_->setRootPath(QDir::rootPath());
        TreeView->setRootIndex(QModelIndex());
        rootIndex = model_->index(QDir::rootPath());
    }
    TreeView->setCurrentIndex(rootIndex);
    if (!start_.isEmpty() && QFileInfo(start_).isDir()) {
        const QModelIndex node = model_->index(QDir::cleanPath(start_));
        if (node.isValid()) {
            for (QModelIndex p = node.parent(); p.isValid(); p = p.parent())
                TreeView->expand(p);
            TreeView->setCurrentIndex(node);
            TreeView->scrollTo(node);
        }
    }
    showSelectedPath();
}

QString SelectFolderDialog::pathOf(const QModelIndex& index) const {
    return index.isValid() ? QDir::toNativeSeparators(model_->filePath(index)) : QString();
}

void SelectFolderDialog::showSelectedPath() {
    FolderEdit->setText(pathOf(TreeView->currentIndex()));
}

QString SelectFolderDialog::folder() const {
    return FolderEdit->text();
}

QString SelectFolderDialog::newFolderName(const QString& parent) {
    const QDir dir(parent);
    QString name = QStringLiteral("New Folder");
    for (int n = 1; dir.exists(name); ++n)
        name = QStringLiteral("New Folder_%1").arg(n);
    return name;
}

bool SelectFolderDialog::NewFolderBtnClick() {
    const QString parent = FolderEdit->text();
    if (parent.isEmpty())
        return false;
    const QString name = newFolderName(parent);
    const QString path = QDir(parent).filePath(name);
    QDir().mkpath(path);
    if (!QFileInfo(path).isDir())
        return false; // a folder that cannot be made is passed over silently
    const QModelIndex parentIndex = model_->index(parent);
    TreeView->expand(parentIndex);
    const QModelIndex node = model_->index(path);
    if (!node.isValid())
        return false;
    TreeView->setCurrentIndex(node);
    showSelectedPath();
    TreeView->setFocus();
    TreeView->edit(node);
    return true;
}

bool SelectFolderDialog::finishEditing() {
    return static_cast<FolderTree*>(TreeView)->finishEdit();
}

void SelectFolderDialog::okClick() {
    if (finishEditing())
        return;
    accept();
}
