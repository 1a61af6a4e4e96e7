#include "app/dialogs/FileDialogs.h"

#include "app/dialogs/OpenRawDialog.h"
#include "app/dialogs/OutputFileDialog.h"

#include <memory>
#include <utility>

namespace velmo {

namespace {

FileDialogResponder& Responder()
{
    static FileDialogResponder responder;
    return responder;
}

std::unique_ptr<CFileDialogBase> MakeDialog(QWidget* parent, const FileDialogRequest& request)
{
    switch (request.kind) {
    case FileDialogKind::OpenRaw:
        return std::make_unique<COpenRawDialog>(request.setup, parent);
    case FileDialogKind::Save:
        return std::make_unique<COutputFileDialog>(request.setup, parent);
    case FileDialogKind::Open:
        break;
    }
    return std::make_unique<CFileDialogBase>(parent, true, request.setup);
}

FileDialogSetup Setup(const std::string& title, const std::string& filter, const std::string& defaultName,
                      const std::string& startDir, bool multi)
{
    FileDialogSetup setup;
    setup.title = title;
    setup.filter = filter;
    setup.initialName = defaultName;
    setup.startDir = startDir;
    setup.multiSelect = multi;
    return setup;
}

} // namespace

FileDialogAnswer RunFileDialog(QWidget* parent, const FileDialogRequest& request)
{
    if (Responder())
        return Responder()(request);
    FileDialogAnswer answer;
    std::unique_ptr<CFileDialogBase> dialog = MakeDialog(parent, request);
    if (dialog->DoModal() != QDialog::Accepted)
        return answer;
    answer.paths = dialog->GetPathNames();
    answer.filterIndex = dialog->FilterIndex();
    answer.accepted = !answer.paths.empty();
    return answer;
}

std::vector<std::string> ChooseRawFiles(QWidget* parent, const FileDialogSetup& setup)
{
    FileDialogAnswer answer = RunFileDialog(parent, {FileDialogKind::OpenRaw, setup});
    return answer.accepted ? std::move(answer.paths) : std::vector<std::string>{};
}

std::string ChooseOpenFile(QWidget* parent, const std::string& title, const std::string& filter,
                           const std::string& defaultName, const std::string& startDir)
{
    const FileDialogAnswer answer =
        RunFileDialog(parent, {FileDialogKind::Open, Setup(title, filter, defaultName, startDir, false)});
    return answer.accepted && !answer.paths.empty() ? answer.paths.front() : std::string();
}

bool ChooseSaveFile(QWidget* parent, const std::string& title, const std::string& filter,
                    const std::string& defaultName, std::string& path, int* filterIndex)
{
    FileDialogRequest request{FileDialogKind::Save, Setup(title, filter, defaultName, {}, false)};
    if (filterIndex != nullptr)
        request.setup.filterIndex = *filterIndex;
    const FileDialogAnswer answer = RunFileDialog(parent, request);
    if (!answer.accepted || answer.paths.empty())
        return false;
    path = answer.paths.front();
    if (filterIndex != nullptr)
        *filterIndex = answer.filterIndex;
    return true;
}

ScopedFileDialogResponder::ScopedFileDialogResponder(FileDialogResponder responder)
    : previous(std::exchange(Responder(), std::move(responder)))
{
}

ScopedFileDialogResponder::~ScopedFileDialogResponder()
{
    Responder() = std::move(previous);
}

} // namespace velmo
