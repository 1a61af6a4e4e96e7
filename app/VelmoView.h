// The view: the developed preview at the display size the frame gives it,
// scrolled when the display is larger than the window. This is the view's
// drawing core; its tools (crop frame, grid, pointers) come with the view's
// own commands.
#pragma once

#include "platform/gui/CmdTarget.h"

#include <QAbstractScrollArea>
#include <QImage>

#include <memory>
#include <vector>

namespace velmo {

class CVelmoDoc;
struct DisplayImage;

class CVelmoView final : public QAbstractScrollArea, public CCmdTarget {
public:
    explicit CVelmoView(CVelmoDoc& doc, QWidget* parent = nullptr);
    ~CVelmoView() override;

    CVelmoDoc& GetDocument() const { return doc; }

    // After every parameter change and load: develops the preview again (the
    // full-size picture is dropped until the document delivers a new one).
    void OnUpdate();
    // The size the picture is shown at. Unchanged sizes do nothing; a new one
    // asks the document for a full preview at that size.
    void SetDisplaySize(int width, int height);
    int DisplayWidth() const { return displayWidth; }
    int DisplayHeight() const { return displayHeight; }
    // The document's scaled full preview; null drops it.
    void SetFullSizeBitmap(std::shared_ptr<const DisplayImage> image);
    bool HasFullSizeBitmap() const { return fullImage != nullptr; }

    // The 512 x 384 (384 x 512 when turned) preview as shown.
    const QImage& PreviewImage() const { return preview; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void UpdateScrollBars();

    CVelmoDoc& doc;
    std::vector<uint8_t> previewBits;
    QImage preview;
    std::shared_ptr<const DisplayImage> fullImage;
    int displayWidth = 0;
    int displayHeight = 0;
};

} // namespace velmo
