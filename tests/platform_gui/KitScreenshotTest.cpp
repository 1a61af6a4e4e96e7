// A small palette of control units, check boxes, a radio group and the file
// buttons, at the system font and at a large dialog font: written as
// velmo-kit-demo-*.png in the build folder to be looked at, and checked for
// controls smaller than their content.
#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/ControlUnit.h"
#include "platform/gui/DialogFont.h"
#include "params/ExponentMapping.h"
#include "platform/gui/FileMenuButtons.h"
#include "platform/gui/RadioGroup.h"
#include "res/ResourceIds.h"
#include "tests/platform_gui/KitTest.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

namespace velmo::test {

namespace {

const ControlRow kDemoRows[] = {
    {.id = 1613, .sliderId = 2111, .spinId = 2212, .caption = "&Gamma", .type = ValueType::Float,
     .sliderMin = kExponentSliderMin, .sliderMax = kExponentSliderMax, .pageSize = kExponentSliderPage,
     .ticStep = kExponentSliderTic, .lineSize = kExponentSliderLine, .mapping = SliderMapping::Exponent,
     .spinStep = SpinStepRule::Exponent},
    {.id = 1609, .sliderId = 2108, .spinId = 2209, .caption = "Contrast", .sliderMin = -100, .sliderMax = 100,
     .editRange = ValueRange{-100, 100}, .spinRange = UpDownRange{-100, 100}},
    {.id = 1621, .sliderId = 2120, .spinId = 2218, .caption = "Saturation", .sliderMin = -100,
     .sliderMax = 300, .editRange = ValueRange{-100, 300}, .spinRange = UpDownRange{-100, 300}},
    {.id = 1624, .sliderId = 2123, .spinId = 2208, .caption = "Color temperature", .sliderMin = 25,
     .sliderMax = 95, .pageSize = 5, .ticStep = 10, .scale = 100, .editRange = ValueRange{2500, 9500},
     .spinRange = UpDownRange{2500, 9500}},
    {.id = 1622, .sliderId = 2121, .spinId = 2219, .caption = "Sensitization (EV)", .type = ValueType::Float,
     .sliderMin = -40, .sliderMax = 30, .pageSize = 5, .ticStep = 10, .lineSize = 2, .scale = 10,
     .editRange = ValueRange{-5, 3}, .spinRange = UpDownRange{-4, 3}, .spinStep = SpinStepRule::Sensitize},
};

const double kDemoValues[] = {2.2, -15, 20, 5500, -0.7};

std::unique_ptr<QWidget> DemoPalette()
{
    auto palette = std::make_unique<QWidget>();
    palette->setWindowTitle(QStringLiteral("Parameters"));
    auto* layout = new QVBoxLayout(palette.get());
    for (size_t i = 0; i < std::size(kDemoRows); ++i) {
        auto* unit = new ControlUnit(kDemoRows[i]);
        unit->ShowValue(kDemoValues[i]);
        layout->addWidget(unit);
    }
    auto* sharpness = new QGroupBox(QStringLiteral("Sharpness"));
    auto* radios = new QHBoxLayout(sharpness);
    auto* group = new RadioGroup(sharpness);
    const char* captions[] = {"Hard", "Normal", "Soft", "Custom"};
    for (int i = 0; i < 4; ++i) {
        auto* radio = new QRadioButton(QString::fromLatin1(captions[i]));
        SetupControl(radio, IDC_SHARPNESS_HARD + unsigned(i), radio->text());
        group->Add(radio);
        radios->addWidget(radio);
    }
    group->SetCheckedIndex(1);
    layout->addWidget(sharpness);

    auto* bottom = new QHBoxLayout;
    auto* prv = new AutoCheckBox(QStringLiteral("Prv"), true);
    SetupControl(prv, IDC_CHECK_PRV, prv->text());
    prv->SetState(BST_INDETERMINATE);
    auto* mgn = new AutoCheckBox(QStringLiteral("Mgn"));
    SetupControl(mgn, IDC_CHECK_MGN, mgn->text());
    auto* parameters = new QLabel(QStringLiteral("Parameters"));
    bottom->addWidget(prv);
    bottom->addWidget(mgn);
    bottom->addStretch(1);
    bottom->addWidget(parameters);
    bottom->addWidget(new FileMenuButtons(*FileMenuForButton(ID_POPUP_PARAMS_MENU), [](unsigned) {},
                                          [] { return CommandRoute(); }));
    layout->addLayout(bottom);
    return palette;
}

// Every visible text-bearing control at least as large as its content needs.
void CheckNothingClipped(QWidget& palette, const char* which)
{
    for (QWidget* w : palette.findChildren<QWidget*>()) {
        if (!w->isVisible())
            continue;
        const QSize need = w->minimumSizeHint();
        const QByteArray what = QByteArray(which) + ": " + w->metaObject()->className() + " '" +
                                w->accessibleName().toUtf8() + "' " + QByteArray::number(w->width()) + "x" +
                                QByteArray::number(w->height()) + " < " + QByteArray::number(need.width()) + "x" +
                                QByteArray::number(need.height());
        // (The spin's arrow buttons are smaller than a tool button's hint on purpose.)
        const auto* button = qobject_cast<QAbstractButton*>(w);
        if (qobject_cast<QLabel*>(w) || (button != nullptr && !button->text().isEmpty()) || qobject_cast<QLineEdit*>(w))
            QVERIFY2(w->width() >= need.width() && w->height() >= need.height(), what);
        if (auto* label = qobject_cast<QLabel*>(w))
            QVERIFY2(label->width() >= label->fontMetrics().horizontalAdvance(PlainCaption(label->text())), what);
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            QVERIFY2(edit->width() > edit->fontMetrics().horizontalAdvance(edit->text()) + 4, what);
    }
}

} // namespace

class KitScreenshotTest : public QObject {
    Q_OBJECT

private slots:
    void DemoPaletteAtTwoFonts()
    {
        const struct {
            DialogFontSetting font;
            const char* file;
        } shots[] = {
            {{}, "velmo-kit-demo-default.png"},
            {{"", 16}, "velmo-kit-demo-large.png"},
        };
        int previousWidth = 0;
        for (const auto& shot : shots) {
            std::unique_ptr<QWidget> palette = DemoPalette();
            ApplyDialogFont(palette.get(), shot.font);
            palette->adjustSize();
            palette->show();
            QVERIFY(QTest::qWaitForWindowExposed(palette.get()));
            CheckNothingClipped(*palette, shot.file);
            const QImage image = palette->grab().toImage();
            const QString file = QStringLiteral(VELMO_BINARY_DIR "/") + QString::fromLatin1(shot.file);
            QVERIFY(image.save(file));
            qInfo("screenshot: %s (%dx%d)", qPrintable(file), image.width(), image.height());
            // The larger font gives a larger palette, not clipped controls.
            QVERIFY(palette->width() > previousWidth);
            previousWidth = palette->width();
        }
    }
};

VELMO_KIT_TEST(KitScreenshotTest);

} // namespace velmo::test

#include "KitScreenshotTest.moc"
