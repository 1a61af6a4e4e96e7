#include "app/dialogs/OutputFileDialog.h"

namespace velmo {

COutputFileDialog::COutputFileDialog(const FileDialogSetup& setup, QWidget* parent)
    : CFileDialogBase(parent, false, setup), format(FilterIndex())
{
}

void COutputFileDialog::OnTypeChange(int index)
{
    format = index;
    CFileDialogBase::OnTypeChange(index);
}

} // namespace velmo
