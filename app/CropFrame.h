// The crop frame of the preview view in crop units: drawing a new frame,
// moving and resizing it under the aspect and bound rules, the size presets,
// centring, the last frame, and the frame's settings and crop-frame files.
// No widget involved: the view feeds it content points (window point plus
// scroll position) with the view's geometry.
#pragma once

#include "app/ViewGeometry.h"
#include "platform/core/Rect.h"

#include <string>

namespace velmo {

class SettingsStore;

inline constexpr int kCropAspectCount = 8; // Free, 4x3, 3x2, 16x9, 16x10, 1x1, 14x10, 10x8

// The aspect table: the height for a width and the width for a height
// (multiply first, divide with truncation). Free (0) and indexes outside the
// table give 0.
int CropHeightForWidth(int aspect, int width);
int CropWidthForHeight(int aspect, int height);

// The crop in image pixels that saving cuts and the size caption shows:
// the units rectangle mapped onto the image (CropUnitsToImage) and, with an
// aspect, narrowed about its centre to exactly that aspect in pixels. The
// unit frame is coarser than the image (a unit is one to two output
// pixels), so only the pixels themselves can hold the ratio exactly.
Rect CropImageRect(const Rect& units, int aspect, const ViewGeometry& g);

// Hit codes of a point over the frame.
enum CropHit : int {
    kCropHitNone = 0,
    kCropHitMove = 1,
    kCropHitTop = 2,
    kCropHitBottom = 4,
    kCropHitRight = 8,
    kCropHitLeft = 16,
};

// The crop-frame file keys and their section (in .VMF and .VMR files).
inline constexpr const char* kCropAspectKey = "CropAspectRatio";

class CropFrame {
public:
    // The members as the view keeps them; (-1, -1) for cropStart = no frame.
    int cropAspect = 0;
    IntPoint cropStart{-1, -1};
    IntPoint cropEnd{-1, -1};
    IntPoint lastCropStart{-1, -1};
    IntPoint lastCropEnd{-1, -1};
    int cropModified = 0;
    std::string cropFilePath;
    int dragMode = 0;
    IntPoint dragStartCrop0, dragStartCrop1, dragStartPoint;
    int minX = 0, minY = 0, maxX = kUnitFrameLong, maxY = kUnitFrameShort;

    // cropStart is not (-1, -1) and differs from cropEnd.
    bool IsSelected() const;
    bool HasLastFrame() const { return !(lastCropStart == IntPoint{-1, -1}); }
    // The bounds of a unit frame (the view's preview refresh sets them).
    void SetBounds(const UnitFrame& f);
    // Corners outside the unit frame (a turned image, a damaged setting)
    // are brought inside it.
    void ClampToUnitFrame(int unitWidth, int unitHeight);
    // The frame's corners brought within the bounds (a frame kept from
    // another picture onto the picture band of this one).
    void ClampToBounds();
    // The frame as the document takes it: ordered per axis; empty (all 0)
    // without a frame or for a frame of no area.
    Rect UnitsRect() const;

    // The code of a content point: 0 outside the frame (or without one),
    // 1 inside (move), else the OR of the edges it lies on (4 pixels each way).
    int HitTest(IntPoint content, const ViewGeometry& g) const;

    // Button down in crop mode: a new frame at the point (the current one
    // becomes the last frame), or the start of a move or resize.
    void ButtonDown(IntPoint content, const ViewGeometry& g);
    // The pointer moved with the button held: the new frame's end follows
    // within the bounds and the aspect, or the frame moves or resizes.
    void Drag(IntPoint content, const ViewGeometry& g);
    // Button up: the drag ends; a selected frame is ordered per axis.
    void ButtonUp();
    void Normalise();

    // The selected frame becomes the last frame.
    void MakeLast();
    // "&Deselect": the selected frame becomes the last frame; no frame.
    void Deselect();
    // "&Last CropFrame": current and last exchanged; without a current
    // frame the last becomes current (and stays the last).
    void RecallLast();
    // The size presets 34004 (current size), 34005 half, 34006 2/3, 34007
    // 1/4, 34008 1/3 of the picture (the bounds within the unit frame): the
    // aspect becomes Free; without a frame it is centred on the picture.
    void SizePreset(unsigned id, int unitWidth, int unitHeight);
    // The preset's size matches the frame's (34004: a frame of zero size).
    bool IsSizePreset(unsigned id, int unitWidth, int unitHeight) const;
    // The aspect command: index outside the table counts as Free; a selected
    // frame takes the aspect within the bounds.
    void SetAspect(int index);
    // "C&entring" (both), "&Vertical Centring " (y), "&Horizontal Centring " (x).
    void Centre(bool horizontal, bool vertical, int unitWidth, int unitHeight);
    bool IsCentred(bool horizontal, bool vertical, int unitWidth, int unitHeight) const;

    // Settings: "CropAspectRatio" and the four corners "CropSelect0",
    // "CropSelect1", "CropSelect0L", "CropSelect1L" (8 bytes: x, y as
    // little-endian int32). Shorter values are ignored; an aspect outside
    // the table reads as Free and corners are kept within any unit frame.
    void ReadSettings(SettingsStore& s);
    void WriteCorners(SettingsStore& s) const;
    void WriteAspect(SettingsStore& s) const;

    // The crop keys of a crop-frame or parameter file: missing keys read as
    // Free and no frame; the aspect is checked and the corners brought into
    // the unit frame.
    void ReadFile(const std::string& path, int unitWidth, int unitHeight);
    // Writes the five keys; false when the file could not be written.
    bool WriteFile(const std::string& path) const;
};

} // namespace velmo
