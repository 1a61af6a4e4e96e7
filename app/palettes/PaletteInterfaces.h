// What the frame and the document's commands ask of some palettes beyond
// what every palette does (CPaletteDock).
//
// The parameter and feature palettes follow the edit state through its
// listeners only (params/EditState.h): a palette shows the current values,
// writes back only what the user edited, and asks the document to develop
// (CVelmoDoc::ApplyEdits). The magnifier, histogram, parameters-curve and
// Exif palettes follow the document's image in the same way
// (CVelmoDoc::Subscribe), the lens captions of the loaded picture too. The
// calls below are the magnifier's commands and the texts a command copies;
// the frame finds the interface on the dock it created.
#pragma once

#include <string>

namespace velmo {

// The magnifier palette's commands (CMagnifierBar).
class IMagnifierPalette {
public:
    virtual ~IMagnifierPalette() = default;

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

    // The text shown: every line or the digest ("All").
    virtual std::string Text() const = 0;
};

} // namespace velmo
