// "Jpeg options": the JPEG quality (an edit and a slider kept in step, 1 to
// 100) and the progressive flag of the output options. The caller copies
// the document's values into quality and progressive, runs DoModal and on
// QDialog::Accepted copies them back.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace velmo {

class TrackBar;

inline constexpr int kJpegQualityMin = 1;
inline constexpr int kJpegQualityMax = 100;

class CJpegOptionsDlg : public QDialog {
public:
    explicit CJpegOptionsDlg(QWidget* parent = nullptr);

    int DoModal() { return exec(); }
    void setVisible(bool visible) override;

    // The exchange between the controls and the members; false when an
    // entry was refused (its message shown through the message interface).
    bool UpdateData(bool saveAndValidate);

    QLineEdit* QualityEdit() const { return qualityEdit; }
    TrackBar* QualitySlider() const { return qualitySlider; }
    QCheckBox* ProgressiveCheck() const { return progressiveCheck; }

    int quality = 1;
    int sliderPos = 1;
    int progressive = 0;

protected:
    void accept() override;

private:
    void OnInitDialog();
    void OnQualityEdited();
    void OnSliderMoved();

    QLineEdit* qualityEdit = nullptr;
    TrackBar* qualitySlider = nullptr;
    QCheckBox* progressiveCheck = nullptr;
    bool initialised = false;
};

// Runs the dialog on quality and progressive; true (and both changed) on OK.
bool RunJpegOptionsDialog(QWidget* parent, int& quality, int& progressive);

} // namespace velmo
