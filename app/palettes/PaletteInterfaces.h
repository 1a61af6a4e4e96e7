// What the frame and the document's commands ask of some palettes beyond
// what every palette does (CPaletteDock).
//
// The parameter and feature palettes follow the edit state through its
// listeners only (params/EditState.h): a palette shows the current values,
// writes back only what the user edited, and asks the document to develop
// (CVelmoDoc::ApplyEdits). The calls below are the lens captions of the
// loaded picture, the magnifier's own operations and the texts a command
// copies; the frame finds the interface on the dock it created.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace velmo {

struct DisplayImage;

// The lens palette also shows what it corrects.
class ILensPalette {
public:
    virtual ~ILensPalette() = default;

    // SetLensInfo: the captions "ModelName:%s" and "FocalLength:%3.3fmm".
    virtual void SetLensInfo(const std::string& modelName, double focalLength) = 0;
};

// The magnifier palette (CMagnifierBar).
class IMagnifierPalette {
public:
    virtual ~IMagnifierPalette() = default;

    // SetSize: the square is n x n ("MagnifierSize" is already n); the
    // bitmap is made anew.
    virtual void SetSize(int n) = 0;
    // UpdateBitmap: the document rendered a square (image->colorManaged:
    // the GUI converts from image->profile, else the pixels are converted).
    virtual void UpdateBitmap(std::shared_ptr<const DisplayImage> image) = 0;
    // SetCenter: the view shows the middle of the square.
    virtual void SetCenter() = 0;
    // SetZoom: 1..5, 0 keeps the zoom (the view's centre stays).
    virtual void SetZoom(int zoom) = 0;
    virtual int Zoom() const = 0;
    // ToggleDock: the dock flag flips (floating palette or docked).
    virtual void ToggleDock() = 0;
    virtual bool DockFlag() const = 0;
    // OnCopyImage: the whole square at 1:1 to the clipboard; false when
    // there is no square yet.
    virtual bool OnCopyImage() = 0;
};

// The Exif palette (CExifBar).
class IExifPalette {
public:
    virtual ~IExifPalette() = default;

    // The image's Exif lines (copied; empty when no image is open).
    virtual void SetExifLines(const std::vector<std::string>& lines) = 0;
    // The text shown: every line or the digest ("All").
    virtual std::string Text() const = 0;
};

} // namespace velmo
