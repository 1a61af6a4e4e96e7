// "Processing...": a modeless progress window with a Cancel button for long
// work on the user-interface thread (the automatic chromatic-aberration
// search). The caller creates it (it shows at once), reports with
// SetProgress while pumping events, reads cancelRequested between steps and
// destroys it when done. Cancel (or Esc, or the window's close button)
// only asks: the window says "Aborting, Please wait." and stays open until
// its caller ends the work.
#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

namespace velmo {

class CProcessingDlg : public QDialog {
public:
    CProcessingDlg(const std::string& initialText, QWidget* parent);

    // percent is clamped to 0..100.
    void SetProgress(int percent);
    bool UpdateData(bool saveAndValidate);

    QLabel* TextStatic() const { return textStatic; }
    QProgressBar* ProgressBar() const { return progress; }
    QPushButton* CancelButton() const { return cancelButton; }

    int cancelRequested = 0;
    std::string text;

    // Cancel, Esc and the close button.
    void reject() override;

private:
    void OnInitDialog();
    void OnCancel();

    QLabel* textStatic = nullptr;
    QProgressBar* progress = nullptr;
    QPushButton* cancelButton = nullptr;
};

} // namespace velmo
