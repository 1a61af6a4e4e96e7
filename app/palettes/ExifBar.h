// The Exif palette (CExifBar, "Exif info"): the Exif lines of the open image,
// every line or the digest ("All"), in a read-only text whose lines can be
// selected and copied. The palette keeps its own copy of the lines, taken
// whenever the document tells that an image was loaded or closed. When
// "All" is switched, the line at the top of the text stays at the top (or,
// when the digest leaves it out, the next line the digest shows).
#pragma once

#include "app/PaletteDock.h"
#include "app/PaletteInterfaces.h"
#include "document/DocImageEvents.h"

#include <cstddef>
#include <string>
#include <vector>

class QCheckBox;
class QPlainTextEdit;

namespace velmo {

class CVelmoDoc;

class CExifBar final : public CPaletteDock, public IExifPalette {
public:
    // doc may be null (the lines then come only from SetExifLines).
    CExifBar(unsigned id, const QString& caption, const CVelmoDoc* doc, QWidget* parent);
    CExifBar(unsigned id, const QString& caption, QWidget* parent) : CExifBar(id, caption, nullptr, parent) {}
    ~CExifBar() override;

    // The image's Exif lines (copied; empty when no image is open).
    void SetExifLines(const std::vector<std::string>& lines);
    // The text as the clipboard copy takes it (lines end in "\r\n").
    std::string Text() const override;

    // "All" as its check box sets it; the text follows at once.
    void SetAll(bool all);
    bool All() const { return all; }
    // The index (in the image's lines) of the line at the top of the text;
    // none (npos) while the text is empty.
    size_t FirstVisibleLine() const;
    // Scrolls so that the shown line of that index (or the next shown one)
    // is at the top.
    void ScrollToLine(size_t lineIndex);

    QPlainTextEdit* TextEdit() const { return edit; }
    QCheckBox* AllCheck() const { return allCheck; }

private:
    // OnAllDigest: the text again from the lines and "All".
    void OnAllDigest();

    const CVelmoDoc* doc;
    DocImageSubscription subscription;
    std::vector<std::string> lines;
    bool all = false;
    // The image line of each shown line.
    std::vector<size_t> shown;
    QPlainTextEdit* edit = nullptr;
    QCheckBox* allCheck = nullptr;
};

} // namespace velmo
