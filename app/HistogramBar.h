// The histogram palette as far as the view needs it: the level caption
// (static 2500) that the pixel readouts of the preview and the magnifier
// write into, with a swatch of the pixel's colour at its left end, and the
// histogram source (0 preview, 1 magnifier, 2 selection). The plot itself is
// drawn by the palette's own class.
#pragma once

#include "app/PaletteDock.h"

#include <QColor>
#include <QString>
#include <QWidget>

#include <optional>

namespace velmo {

class CLevelCaption final : public QWidget {
public:
    explicit CLevelCaption(QWidget* parent);

    // The readout: text, and a square of the caption's height in colour at
    // its left edge (the text's leading "__ " keeps clear of it).
    void SetReadout(const QString& text, QColor swatch);
    // Text only (the swatch stays).
    void SetText(const QString& text);
    const QString& Text() const { return text; }
    std::optional<QColor> Swatch() const { return swatch; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text;
    std::optional<QColor> swatch;
};

class CHistogramBar final : public CPaletteDock {
public:
    CHistogramBar(unsigned id, const QString& caption, QWidget* parent);

    // CHistogramBar::SetSource: the source shown; the palette repaints.
    void SetSource(int source);
    int Source() const { return source; }
    CLevelCaption* LevelCaption() const { return levelCaption; }
    // The plot repaints (its data changed).
    void Invalidate();

private:
    int source = 0;
    QWidget* plot = nullptr;
    CLevelCaption* levelCaption = nullptr;
};

} // namespace velmo
