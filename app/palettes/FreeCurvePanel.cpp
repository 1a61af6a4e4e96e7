#include "app/palettes/FreeCurvePanel.h"

#include "document/VelmoDoc.h"
#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/ControlUnit.h"
#include "res/ResourceIds.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace velmo {

namespace {

const QColor kChannelColors[4] = {QColor(255, 255, 255), QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255)};

// The point list: five lines of its current font high, as wide as a point.
class ApexListWidget final : public QListWidget {
public:
    explicit ApexListWidget(QWidget* parent) : QListWidget(parent)
    {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override
    {
        const QFontMetrics fm = fontMetrics();
        const int frame = 2 * frameWidth() + 4;
        return {fm.horizontalAdvance(QStringLiteral("000/000")) + 32 + frame, fm.lineSpacing() * 5 + frame};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

} // namespace

CCurvePlot::CCurvePlot(CFreeCurvePanel& owner) : QWidget(&owner), panel(owner)
{
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

std::optional<CurvePosition> CCurvePlot::PositionAt(QPoint p) const
{
    const QRect r = PlotRect();
    return PlotPosition(p.x() - r.left(), p.y() - r.top(), r.width(), r.height());
}

void CCurvePlot::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int w = width();
    const int h = height();
    painter.fillRect(rect(), palette().color(QPalette::Window));
    // A switched-off curve leaves the plot blank.
    if (!panel.FeatureOn())
        return;
    painter.fillRect(rect(), QColor(128, 128, 128));
    painter.setPen(QPen(QColor(64, 64, 64), 1));
    for (int k = 0; k < 256; k += 64) {
        painter.drawLine(0, k * h / 256, w, k * h / 256);
        painter.drawLine(k * w / 256, 0, k * w / 256, h);
    }
    const FreeCurveEditor& editor = panel.Editor();
    const int current = editor.Channel();
    auto drawCurve = [&](int c) {
        QPolygon line;
        line << QPoint(0, h);
        for (int j = 0; j < 256; ++j) {
            const double v = std::clamp(editor.Curve(c, j / 256.0), 0.0, 1.0);
            line << QPoint(j * w / 256, h - int(h * v));
        }
        painter.setPen(QPen(kChannelColors[c], 1));
        painter.drawPolyline(line);
    };
    for (int c = 0; c < 4; ++c)
        if (c != current)
            drawCurve(c);
    drawCurve(current);

    const QRect r = PlotRect();
    const auto& xs = editor.Xs();
    const auto& ys = editor.Ys();
    for (size_t i = 0; i < xs.size(); ++i) {
        const QColor colour = int(i) == editor.Selection() ? QColor(255, 255, 0) : QColor(255, 0, 0);
        painter.fillRect(r.left() + int(r.width() * xs[i]) - 1, r.top() + r.height() - int(r.height() * ys[i]) - 1, 3,
                         3, colour);
    }
}

void CCurvePlot::mouseMoveEvent(QMouseEvent* event)
{
    panel.PlotMoved(event->position().toPoint());
}

void CCurvePlot::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        panel.PlotPressed(event->position().toPoint());
}

void CCurvePlot::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        panel.PlotReleased(event->position().toPoint());
}

CFreeCurvePanel::CFreeCurvePanel(CVelmoDoc& document, unsigned dialogId, QWidget* parent)
    : CFeaturePanel(FeatureKind::FreeCurve, document, dialogId, parent), editor(document.Edit())
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(MakeHeader(ID_FREECURVE_ENABLE, ID_POPUP_TONE_CURVE_MENU));

    plot = new CCurvePlot(*this);
    Setup(plot, IDC_CURVE_PLOT);
    plot->setFocusPolicy(Qt::ClickFocus);
    layout->addWidget(plot, 1);

    auto* row = new QHBoxLayout;
    channelCombo = static_cast<QComboBox*>(Make(IDC_CURVE_CHANNEL, this));
    channelCombo->addItems({QStringLiteral("RGB"), QStringLiteral("Red"), QStringLiteral("Green"),
                            QStringLiteral("Blue")});
    connect(channelCombo, &QComboBox::activated, this, [this](int index) { OnChannelChosen(index); });
    row->addWidget(channelCombo);
    linearCheck = static_cast<AutoCheckBox*>(Make(IDC_CURVE_LINEAR, this));
    connect(linearCheck, &QCheckBox::clicked, this, [this] { OnLinearClicked(); });
    row->addWidget(linearCheck);
    readout = new QLineEdit(this);
    readout->setReadOnly(true);
    Setup(readout, IDC_CURVE_READOUT);
    row->addWidget(readout, 1);
    layout->addLayout(row);

    auto* bottom = new QHBoxLayout;
    apexList = new ApexListWidget(this);
    Setup(apexList, IDC_CURVE_APEX_LIST);
    connect(apexList, &QListWidget::currentRowChanged, this, [this](int r) {
        if (reloading)
            return;
        editor.SetSelection(r);
        ShowSelection();
    });
    bottom->addWidget(apexList, 1);
    auto* buttons = new QVBoxLayout;
    deleteButton = static_cast<QPushButton*>(Make(ID_DELETE_APEX, this));
    connect(deleteButton, &QPushButton::clicked, this, [this] { OnDelete(); });
    buttons->addWidget(deleteButton);
    resetAllButton = static_cast<QPushButton*>(Make(ID_RESET_ALL_CHANNELS, this));
    connect(resetAllButton, &QPushButton::clicked, this, [this] { ResetAllChannels(); });
    buttons->addWidget(resetAllButton);
    buttons->addStretch(1);
    bottom->addLayout(buttons);
    layout->addLayout(bottom);
    // "&Del" only for a point between the ends, while the curve is on.
    OnUpdate(ID_DELETE_APEX, [this](CCmdUI& ui) { ui.Enable(DeleteAllowed()); });

    Reload();
}

void CFreeCurvePanel::Reload()
{
    reloading = true;
    {
        const QSignalBlocker blockCombo(channelCombo);
        channelCombo->setCurrentIndex(editor.Channel());
        linearCheck->SetState(editor.Linear() ? BST_CHECKED : BST_UNCHECKED);
        const QSignalBlocker blockList(apexList);
        const std::vector<std::string> lines = editor.ApexLines();
        if (apexList->count() != int(lines.size())) {
            apexList->clear();
            for (const std::string& line : lines)
                apexList->addItem(QString::fromStdString(line));
        } else {
            for (size_t i = 0; i < lines.size(); ++i)
                apexList->item(int(i))->setText(QString::fromStdString(lines[i]));
        }
        // A point removed by the other host may take the selection with it.
        editor.SetSelection(editor.Selection());
    }
    reloading = false;
    ShowSelection();
}

void CFreeCurvePanel::ShowSelection()
{
    {
        const QSignalBlocker block(apexList);
        apexList->setCurrentRow(editor.Selection());
        if (editor.Selection() < 0)
            apexList->clearSelection();
    }
    deleteButton->setEnabled(DeleteAllowed());
    // Resetting every channel is for a curve in use (as its menu command).
    resetAllButton->setEnabled(FeatureOn());
    plot->update();
}

void CFreeCurvePanel::ShowReadout(const std::optional<CurvePosition>& p)
{
    if (p)
        readout->setText(QString::fromStdString(CurveReadout(*p)));
}

void CFreeCurvePanel::Edited()
{
    Arm();
}

void CFreeCurvePanel::PlotMoved(QPoint point)
{
    const std::optional<CurvePosition> p = plot->PositionAt(point);
    ShowReadout(p);
    if (!FeatureOn() || !p) {
        plot->unsetCursor();
        return;
    }
    if (editor.Dragging()) {
        plot->setCursor(Qt::SizeAllCursor);
        if (editor.DragTo(*p))
            Edited();
        ShowSelection();
        return;
    }
    switch (editor.Hover(*p)) {
    case FreeCurveEditor::Cursor::Move: plot->setCursor(Qt::SizeAllCursor); break;
    case FreeCurveEditor::Cursor::Add: plot->setCursor(Qt::CrossCursor); break;
    case FreeCurveEditor::Cursor::Arrow: plot->unsetCursor(); break;
    }
    ShowSelection();
}

void CFreeCurvePanel::PlotPressed(QPoint point)
{
    const std::optional<CurvePosition> p = plot->PositionAt(point);
    ShowReadout(p);
    if (!FeatureOn() || !p)
        return;
    const FreeCurvePoints before = Doc().Edit().FreeCurvePointSet();
    editor.Press(*p);
    if (!(before == Doc().Edit().FreeCurvePointSet()))
        Edited();
    ShowSelection();
}

void CFreeCurvePanel::PlotReleased(QPoint)
{
    editor.Release();
}

void CFreeCurvePanel::OnChannelChosen(int index)
{
    // Choosing a channel only shows it; a development still waiting for
    // the countdown keeps waiting.
    editor.SetChannel(index);
    Reload();
}

void CFreeCurvePanel::OnDelete()
{
    if (editor.DeleteSelected())
        Edited();
    ShowSelection();
}

void CFreeCurvePanel::OnLinearClicked()
{
    editor.SetLinear(linearCheck->State() == BST_CHECKED);
    Edited();
}

void CFreeCurvePanel::ResetFeature()
{
    editor.ResetChannel(editor.Channel());
    ApplyNow();
}

void CFreeCurvePanel::ResetAllChannels()
{
    editor.ResetAll();
    Reload();
    ApplyNow();
    resetAllButton->setDefault(false);
}

} // namespace velmo
