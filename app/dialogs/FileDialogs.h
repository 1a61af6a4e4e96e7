// The one way the program asks the user for files. Every command that opens
// or saves a file calls these; they show the program's own file dialogs
// (never the desktop's):
//   - ChooseRawFiles: the open dialog with the RAF preview and Exif panel
//     (File Open, the batch dialog's "Add files");
//   - ChooseOpenFile: the open dialog of side files
//     (parameters, curves, lens, colours, white balance, crop frames,
//     profiles);
//   - ChooseSaveFile: the save dialog, whose name follows the chosen type and
//     gets the type's extension when the user typed none.
// File types come in the framework's form "Name(*.EXT)|*.EXT|...||"; the
// type index is 0-based. Tests install a responder that answers instead of
// showing a dialog.
#pragma once

#include "app/dialogs/FileDialogBase.h"

#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace velmo {

enum class FileDialogKind { OpenRaw, Open, Save };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    FileDialogSetup setup;
};

struct FileDialogAnswer {
    bool accepted = false;
    std::vector<std::string> paths;
    int filterIndex = 0; // the type chosen
};

// The open dialog with the RAF preview panel; every chosen file (several
// when setup.multiSelect), none when cancelled.
std::vector<std::string> ChooseRawFiles(QWidget* parent, const FileDialogSetup& setup);

// An existing file, or "" when cancelled. defaultName: the name (or path)
// selected at the start; startDir: the folder shown first ("": that of
// defaultName, else the current one).
std::string ChooseOpenFile(QWidget* parent, const std::string& title, const std::string& filter,
                           const std::string& defaultName = {}, const std::string& startDir = {});

// The file to write: true with path on OK. filterIndex, when given, selects
// the type at the start and receives the type chosen. A name typed without
// extension gets the chosen type's (a crop frame "myframe" becomes
// "myframe.VMF"); an existing file is replaced only after the user said yes.
bool ChooseSaveFile(QWidget* parent, const std::string& title, const std::string& filter,
                    const std::string& defaultName, std::string& path, int* filterIndex = nullptr);

// The general form of the above.
FileDialogAnswer RunFileDialog(QWidget* parent, const FileDialogRequest& request);

// While alive, the file dialogs are not shown: responder answers them.
using FileDialogResponder = std::function<FileDialogAnswer(const FileDialogRequest&)>;
class ScopedFileDialogResponder {
public:
    explicit ScopedFileDialogResponder(FileDialogResponder responder);
    ~ScopedFileDialogResponder();
    ScopedFileDialogResponder(const ScopedFileDialogResponder&) = delete;
    ScopedFileDialogResponder& operator=(const ScopedFileDialogResponder&) = delete;

private:
    FileDialogResponder previous;
};

} // namespace velmo
