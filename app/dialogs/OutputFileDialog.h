// The save dialog: "Save As output" with the output formats as its file
// types, and every other save of the program. The chosen type is kept as
// the format index, and the name's extension follows the type.
#pragma once

#include "app/dialogs/FileDialogBase.h"

namespace velmo {

class COutputFileDialog : public CFileDialogBase {
public:
    // setup.filterIndex: the format chosen at the start (0-based).
    explicit COutputFileDialog(const FileDialogSetup& setup, QWidget* parent = nullptr);

    // The 0-based index of the chosen type (the output format).
    int Format() const { return format; }

protected:
    void OnTypeChange(int index) override;

private:
    int format = 0;
};

} // namespace velmo
