#include "app/dialogs/FileDialogBase.h"

#include "platform/core/MessageBox.h"
#include "platform/gui/DataExchange.h"
#include "platform/gui/DialogFont.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QMetaObject>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QTreeView>

#include <algorithm>

namespace velmo {

namespace {

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

// Qt's own parts of its file dialog, found by the names it gives them.
QFileSystemModel* DialogModel(const QFileDialog& dialog)
{
    return dialog.findChild<QFileSystemModel*>(QStringLiteral("qt_filesystem_model"));
}

std::string WithoutDot(const std::string& extension)
{
    return !extension.empty() && extension.front() == '.' ? extension.substr(1) : extension;
}

} // namespace

CFileDialogBase::CFileDialogBase(QWidget* parent, bool openFileDialog, const FileDialogSetup& setup)
    : QFileDialog(parent), types(ParseFileTypeFilter(setup.filter)), defaultExtension(setup.defaultExtension)
{
    setObjectName(openFileDialog ? QStringLiteral("OpenFileDialog") : QStringLiteral("SaveFileDialog"));
    setOption(QFileDialog::DontUseNativeDialog);
    ApplyDialogFont(this);
    setAcceptMode(openFileDialog ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    if (openFileDialog)
        setFileMode(setup.multiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    else
        setFileMode(QFileDialog::AnyFile);
    // The question before a file is replaced goes through the program's
    // message interface (accept).
    setOption(QFileDialog::DontConfirmOverwrite);
    setWindowTitle(setup.title.empty() ? Q(LoadString(openFileDialog ? AFX_IDS_OPENFILE : AFX_IDS_SAVEFILE))
                                       : Q(setup.title));

    QStringList filters;
    for (const FileTypeFilter& type : types)
        filters << Q(QtNameFilter(type));
    if (!filters.isEmpty()) {
        setNameFilters(filters);
        const int index = setup.filterIndex >= 0 && setup.filterIndex < filters.size() ? setup.filterIndex : 0;
        selectNameFilter(filters[index]);
    }
    UpdateDefaultSuffix(FilterIndex());

    const QFileInfo initial(Q(setup.initialName));
    QString folder = Q(setup.startDir);
    if (folder.isEmpty() && !setup.initialName.empty() && setup.initialName.find('/') != std::string::npos)
        folder = initial.absolutePath();
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        setDirectory(folder);
    if (!setup.initialName.empty())
        selectFile(initial.fileName());
    lastFolder = directory().absolutePath();

    connect(this, &QFileDialog::filterSelected, this, [this](const QString& filter) {
        const int index = int(nameFilters().indexOf(filter));
        if (index >= 0)
            OnTypeChange(index);
    });
    // Qt sizes the detail view's columns once, by sample texts at the font
    // it was made with: sizes such as "24.0 MiB" and longer type names came
    // out elided, more so at a larger dialog font. They follow what the
    // folder shows instead, once its entries (and their sizes) are read.
    columnFit = new QTimer(this);
    columnFit->setSingleShot(true);
    columnFit->setInterval(0);
    connect(columnFit, &QTimer::timeout, this, &CFileDialogBase::FitFileColumns);
    if (QFileSystemModel* model = DialogModel(*this)) {
        auto fit = [this] { columnFit->start(); };
        connect(model, &QFileSystemModel::directoryLoaded, columnFit, fit);
        connect(model, &QAbstractItemModel::dataChanged, columnFit, fit);
        connect(model, &QAbstractItemModel::rowsInserted, columnFit, fit);
        connect(model, &QAbstractItemModel::layoutChanged, columnFit, fit);
    }
    if (auto* tree = findChild<QTreeView*>(QStringLiteral("treeView")))
        tree->installEventFilter(this); // shown when the user picks the detail view

    if (openFileDialog) {
        // Every folder change, by the user or by code, reaches the model's
        // root; the selection is made once the dialog has shown the folder.
        if (QFileSystemModel* model = DialogModel(*this))
            connect(model, &QFileSystemModel::rootPathChanged, this, [this](const QString& newFolder) {
                QMetaObject::invokeMethod(
                    this, [this, newFolder] { OnFolderChange(newFolder); }, Qt::QueuedConnection);
            });
    }
}

std::string CFileDialogBase::GetPathName() const
{
    const QStringList files = selectedFiles();
    return files.isEmpty() ? std::string() : files.front().toStdString();
}

std::vector<std::string> CFileDialogBase::GetPathNames() const
{
    std::vector<std::string> paths;
    for (const QString& file : selectedFiles())
        paths.push_back(file.toStdString());
    return paths;
}

int CFileDialogBase::FilterIndex() const
{
    const int index = int(nameFilters().indexOf(selectedNameFilter()));
    return index < 0 ? 0 : index;
}

QLineEdit* CFileDialogBase::FileNameEdit() const
{
    return findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

void CFileDialogBase::accept()
{
    if (acceptMode() == QFileDialog::AcceptSave) {
        const QStringList files = selectedFiles();
        if (!files.isEmpty()) {
            const QFileInfo target(files.front());
            if (target.exists() && !target.isDir()) {
                const std::string question =
                    FormatMessage2(IDS_CONFIRM_REPLACE, QDir::toNativeSeparators(target.filePath()).toStdString(), "");
                if (ShowMessage(question, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
                    return;
            }
        }
    }
    QFileDialog::accept();
}

void CFileDialogBase::showEvent(QShowEvent* event)
{
    QFileDialog::showEvent(event);
    columnFit->start();
}

bool CFileDialogBase::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show || event->type() == QEvent::Resize)
        columnFit->start();
    return QFileDialog::eventFilter(watched, event);
}

void CFileDialogBase::FitFileColumns()
{
    auto* tree = findChild<QTreeView*>(QStringLiteral("treeView"));
    if (tree == nullptr || !tree->isVisible())
        return;
    QHeaderView* header = tree->header();
    int others = 0;
    int nameColumn = -1;
    int nameWidth = 0;
    for (int c = 0; c < header->count(); ++c) {
        if (header->isSectionHidden(c))
            continue;
        // Its heading and the items shown, as the view measures them.
        tree->resizeColumnToContents(c);
        const int want = header->sectionSize(c);
        if (nameColumn < 0) {
            nameColumn = c;
            nameWidth = want;
            continue;
        }
        others += want;
    }
    if (nameColumn < 0)
        return;
    const int room = tree->viewport()->width();
    const int lack = nameWidth + others - room;
    header->resizeSection(nameColumn, std::max(nameWidth, room - others));
    if (lack > 0 && isVisible()) {
        const QScreen* shown = screen();
        const int most = shown != nullptr ? shown->availableGeometry().width() : width() + lack;
        const int wider = std::min(width() + lack, std::max(most, width()));
        if (wider > width())
            resize(wider, height());
    }
}

void CFileDialogBase::OnTypeChange(int index)
{
    UpdateDefaultSuffix(index);
    if (acceptMode() != QFileDialog::AcceptSave || index < 0 || size_t(index) >= types.size())
        return;
    const std::string extension = FileTypeExtension(types[size_t(index)]);
    if (QLineEdit* edit = FileNameEdit())
        edit->setText(Q(NameForFileType(edit->text().toStdString(), extension)));
}

void CFileDialogBase::UpdateDefaultSuffix(int index)
{
    std::string extension;
    if (index >= 0 && size_t(index) < types.size())
        extension = FileTypeExtension(types[size_t(index)]);
    if (extension.empty())
        extension = defaultExtension;
    setDefaultSuffix(Q(WithoutDot(extension)));
}

void CFileDialogBase::OnFolderChange(const QString& folder)
{
    const std::string left = FolderLeft(lastFolder.toStdString(), folder.toStdString());
    // A jump of several levels names a path that is no item of the folder:
    // nothing is selected then.
    if (!left.empty() && left.find('/') == std::string::npos)
        SelectFolderItem(QDir(folder).filePath(Q(left)));
    lastFolder = folder;
}

void CFileDialogBase::SelectFolderItem(const QString& path)
{
    QFileSystemModel* model = DialogModel(*this);
    auto* list = findChild<QListView*>(QStringLiteral("listView"));
    if (model == nullptr || list == nullptr || list->model() != model || list->selectionModel() == nullptr)
        return;
    const QModelIndex index = model->index(path);
    if (!index.isValid() || index.parent() != list->rootIndex())
        return;
    list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list->scrollTo(index);
    if (auto* tree = findChild<QTreeView*>(QStringLiteral("treeView")); tree != nullptr && tree->model() == model)
        tree->scrollTo(index);
}

} // namespace velmo
