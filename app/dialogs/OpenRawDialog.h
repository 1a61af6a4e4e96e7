// The open dialog of File Open and of the batch dialog's "Add files": the
// file dialog with a side panel that shows, for the selected RAF file, the
// camera's embedded JPEG preview and its Exif text (the digest, or every
// line with "All"). Any number of files can be chosen when the setup asks
// for several.
#pragma once

#include "app/dialogs/FileDialogBase.h"
#include "exif/ExifParser.h"

#include <QImage>

#include <cstddef>
#include <vector>

class QCheckBox;
class QLabel;
class QPlainTextEdit;

namespace velmo {

class COpenRawDialog : public CFileDialogBase {
public:
    explicit COpenRawDialog(const FileDialogSetup& setup, QWidget* parent = nullptr);

    // The selection changed to path: the preview and the Exif text follow.
    void OnFileNameChange(const QString& path);

    // The panel, for tests and tools.
    QWidget* Panel() const { return panel; }
    QLabel* PreviewStatic() const { return previewStatic; }
    QCheckBox* EmbeddedPreviewCheck() const { return embeddedCheck; }
    QCheckBox* AllCheck() const { return allCheck; }
    QPlainTextEdit* ExifEdit() const { return exifEdit; }
    const ExifTextLines& ExifLines() const { return exifLines; }
    // The picture shown (black without a preview).
    const QImage& PreviewImage() const { return previewImage; }
    // The Exif line shown at the top of the text pane.
    size_t FirstVisibleLine() const;

    // The check boxes' members: "Embedded preview" (1 at the start), "All" (0).
    int embeddedPreview = 1;
    int allExif = 0;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildPanel();
    bool UpdateData(bool saveAndValidate);
    void OnEmbeddedPreviewClicked();
    void OnAllClicked();
    void ShowExifText(size_t firstLine);
    void ScrollToLine(size_t line);
    void ShowPicture();

    QWidget* panel = nullptr;
    QLabel* previewStatic = nullptr;
    QCheckBox* embeddedCheck = nullptr;
    QCheckBox* allCheck = nullptr;
    QPlainTextEdit* exifEdit = nullptr;
    QImage previewImage;
    QString currentPath;
    bool arranged = false;
    ExifTextLines exifLines;
    std::vector<size_t> shownLines; // the indices in exifLines of the text's lines
};

} // namespace velmo
