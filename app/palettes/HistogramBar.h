// The histogram palette (CHistogramBar): the red, green, blue and luminosity
// histograms of one of the document's three sources (0 preview, 1 magnifier
// square, 2 selected area), each channel switched on or off, with the level
// caption (static 2500) below. The caption also takes the pixel readouts of
// the preview and the magnifier, with a swatch of the pixel's colour at its
// left end. Without an image the plot stays black. The plot follows the
// document through its listeners: a new histogram of the source shown, the
// image closed (the preview source again, the caption's own text).
#pragma once

#include "app/PaletteDock.h"
#include "document/DocImageEvents.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <optional>

class QCheckBox;
class QRadioButton;

namespace velmo {

class CVelmoDoc;
class RadioGroup;

// A count of this draws a bar of the plot's full height.
inline constexpr int kHistogramFullCount = 3072;

// The channels in drawing order: red, green, blue, luminosity.
using HistogramChannels = std::array<bool, 4>;

// Draws one source's four tables (256 counts each: red, green, blue,
// luminosity) into plot: black, then for each level d the bar from
// d x W / 256 to W x (d + 1) / 256 + 1 of height min(H, H x count / 3072)
// for each channel switched on, in order, each covering the one before.
// table null: black only.
void PaintHistogram(QImage& plot, const int32_t* table, const HistogramChannels& channels);
// The level under x on a plot of that width: x x 255 / width; none for a
// plot without width or x outside it.
std::optional<int> HistogramLevelAt(int x, int width);
// "Level %03d : Count %9d" (string 61213).
QString HistogramReadout(int level, int count);

class CLevelCaption final : public QWidget {
public:
    explicit CLevelCaption(QWidget* parent);

    // The readout: text, and a square of the caption's height in colour at
    // its left edge. The readouts' leading "__ " stands for the swatch: the
    // swatch is drawn in its place and the rest of the text beside it.
    void SetReadout(const QString& text, QColor swatch);
    // The caption again, no swatch (no picture to read).
    void ClearReadout();
    // A text of no pixel (the level readout): no swatch.
    void SetText(const QString& text);
    const QString& Text() const { return text; }
    std::optional<QColor> Swatch() const { return swatch; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Where the text starts: beside the swatch while one shows.
    int TextLeft() const;

    QString text;
    std::optional<QColor> swatch;
};

class CHistogramBar final : public CPaletteDock {
public:
    // doc may be null (the plot then stays black).
    CHistogramBar(unsigned id, const QString& caption, const CVelmoDoc* doc, QWidget* parent);
    CHistogramBar(unsigned id, const QString& caption, QWidget* parent) : CHistogramBar(id, caption, nullptr, parent) {}
    ~CHistogramBar() override;

    // CHistogramBar::SetSource: the source shown (0..2); the palette repaints.
    void SetSource(int source);
    int Source() const { return source; }
    // Channel i (0 red, 1 green, 2 blue, 3 luminosity) on or off, as its check.
    void SetChannel(int channel, bool on);
    const HistogramChannels& Channels() const { return channels; }
    CLevelCaption* LevelCaption() const { return levelCaption; }
    QWidget* Plot() const { return plot; }
    QCheckBox* ChannelCheck(int channel) const { return checks[size_t(channel)]; }
    QRadioButton* SourceRadio(int index) const { return radios[size_t(index)]; }
    // The plot repaints (its data changed).
    void Invalidate();

    // The plot's events (called by the plot widget).
    void PaintPlot(QImage& plot) const;
    void PlotMoved(QPoint p);

private:
    // The current source's 1024 counts; null without an image.
    const int32_t* SourceTable() const;
    void OnImageEvent(DocImageEvent event);

    const CVelmoDoc* doc;
    DocImageSubscription subscription;
    int source = 0;
    HistogramChannels channels{true, true, true, true};
    QWidget* plot = nullptr;
    CLevelCaption* levelCaption = nullptr;
    RadioGroup* sourceGroup = nullptr;
    std::array<QRadioButton*, 3> radios{};
    std::array<QCheckBox*, 4> checks{};
};

} // namespace velmo
