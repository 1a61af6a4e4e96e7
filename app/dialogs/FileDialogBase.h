// The program's file dialog: Qt's own file dialog (never the desktop's, so
// that the open dialog's side panel works and tests run offscreen), set up
// from the framework's arguments: a title, a file-type list
// "Name(*.A)|*.A|...||" with the type chosen at the start, a default
// extension, an initial name and folder.
//
// Open dialogs select, after the user went up one folder, the folder that
// was left. Save dialogs rewrite the name's extension when the user chooses
// another type, add the chosen type's extension to a name typed without one,
// and ask before replacing a file through the program's message interface.
#pragma once

#include "app/dialogs/FileDialogRules.h"

#include <QFileDialog>

#include <string>
#include <vector>

class QLineEdit;
class QTimer;

namespace velmo {

struct FileDialogSetup {
    std::string title;            // "": "Open" or "Save As" from the string table
    std::string filter;           // the framework's file-type list; "": every file
    int filterIndex = 0;          // 0-based type chosen at the start
    std::string defaultExtension; // ".RAF": added to a typed name without one when the type has none
    std::string initialName;      // a name or path selected at the start
    std::string startDir;         // the folder shown first; "": the initial name's, else the current one
    bool multiSelect = false;     // open dialogs: any number of files
};

class CFileDialogBase : public QFileDialog {
public:
    CFileDialogBase(QWidget* parent, bool openFileDialog, const FileDialogSetup& setup);

    // QDialog::Accepted or QDialog::Rejected.
    int DoModal() { return exec(); }
    // The chosen file (the first of several).
    std::string GetPathName() const;
    // Every chosen file, in the order of the selection.
    std::vector<std::string> GetPathNames() const;
    // The 0-based index of the file type chosen.
    int FilterIndex() const;
    const std::vector<FileTypeFilter>& FileTypes() const { return types; }

    // The file-name edit of the dialog (nullptr when Qt has none).
    QLineEdit* FileNameEdit() const;
    // The folder the user was in before the last folder change.
    const QString& LastFolder() const { return lastFolder; }

protected:
    void accept() override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The chosen type changed to index (save dialogs rewrite the name).
    virtual void OnTypeChange(int index);

private:
    void OnFolderChange(const QString& folder);
    void SelectFolderItem(const QString& path);
    void UpdateDefaultSuffix(int index);
    // The detail view's columns as wide as their headings and the items
    // shown, the name taking the rest; the dialog grows (within the screen)
    // when the list is too narrow for them.
    void FitFileColumns();

    std::vector<FileTypeFilter> types;
    std::string defaultExtension;
    QString lastFolder;
    QTimer* columnFit = nullptr;
};

} // namespace velmo
