// The free-curve editor as a widget: the enable check with its file buttons,
// the plot (drawn at whatever size the host gives it), the channel list, the
// "Linear" check, the position readout, the point list and the "Reset All"
// and "Del" buttons. The body of the free-curve palette and the Curve page.
#pragma once

#include "app/palettes/FeaturePanel.h"
#include "app/palettes/FreeCurveEditor.h"

#include <QWidget>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace velmo {

class CFreeCurvePanel;

// Static 1500: the curves of the four channels, the current one on top, and
// its points (the selected one yellow). The plot is the widget less one
// pixel on the left and the right.
class CCurvePlot final : public QWidget {
public:
    explicit CCurvePlot(CFreeCurvePanel& panel);

    QRect PlotRect() const { return rect().adjusted(1, 0, -1, 0); }
    std::optional<CurvePosition> PositionAt(QPoint p) const;

    QSize sizeHint() const override { return {256, 256}; }
    QSize minimumSizeHint() const override { return {96, 96}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    CFreeCurvePanel& panel;
};

class CFreeCurvePanel : public CFeaturePanel {
public:
    // dialogId: whose control captions the panel shows.
    CFreeCurvePanel(CVelmoDoc& doc, unsigned dialogId, QWidget* parent);

    FreeCurveEditor& Editor() { return editor; }
    const FreeCurveEditor& Editor() const { return editor; }

    // "&Reset": the current channel becomes the straight line.
    void ResetFeature() override;
    // "Reset &All": every channel.
    void ResetAllChannels();
    void Reload() override;

    // The mouse on the plot (plot coordinates).
    void PlotMoved(QPoint p);
    void PlotPressed(QPoint p);
    void PlotReleased(QPoint p);

    CCurvePlot* Plot() const { return plot; }
    QComboBox* ChannelCombo() const { return channelCombo; }
    QListWidget* ApexList() const { return apexList; }
    QLineEdit* Readout() const { return readout; }
    QPushButton* DeleteButton() const { return deleteButton; }
    QPushButton* ResetAllButton() const { return resetAllButton; }
    AutoCheckBox* LinearCheck() const { return linearCheck; }

private:
    bool DeleteAllowed() const { return FeatureOn() && editor.CanDelete(); }
    void ShowReadout(const std::optional<CurvePosition>& p);
    void ShowSelection();
    void OnChannelChosen(int index);
    void OnDelete();
    void OnLinearClicked();
    // After a change of the points made here: the development follows later.
    void Edited();

    FreeCurveEditor editor;
    CCurvePlot* plot = nullptr;
    QComboBox* channelCombo = nullptr;
    AutoCheckBox* linearCheck = nullptr;
    QLineEdit* readout = nullptr;
    QListWidget* apexList = nullptr;
    QPushButton* resetAllButton = nullptr;
    QPushButton* deleteButton = nullptr;
    bool reloading = false;
};

} // namespace velmo
