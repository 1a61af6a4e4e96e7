#include "app/AboutDlg.h"

#include "platform/gui/ControlIds.h"
#include "platform/gui/ControlUnit.h"
#include "platform/gui/DialogFont.h"
#include "platform/gui/DialogText.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>

namespace velmo {

namespace {

constexpr const char* kBuildNumber = "164";
constexpr const char* kBuildDate = "Nov  6 2009 20:26:28";
constexpr const char* kVersionText = "velmo v0.4.7";

QLabel* ValueLabel(const std::string& text, unsigned controlId, QWidget* parent)
{
    auto* label = new QLabel(QString::fromStdString(text), parent);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    SetControlId(label, controlId);
    label->setAccessibleName(label->text());
    return label;
}

QLabel* CaptionLabel(unsigned controlId, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    SetControlCaption(label, IDD_ABOUTBOX, controlId);
    return label;
}

} // namespace

AboutTexts MakeAboutTexts(int threadLocale, int codePage)
{
    AboutTexts texts;
    texts.build = std::string("build ") + kBuildNumber + " : " + kBuildDate;
    texts.version = kVersionText;
    // The format's conversions are those of the English text (a language
    // file with others is refused), so the arguments match.
    char language[512];
    std::snprintf(language, sizeof language, LoadString(IDS_ABOUT_LANGUAGE_FORMAT).c_str(), unsigned(threadLocale),
                  codePage);
    texts.language = language;
    texts.translator = LoadString(IDS_TRANSLATOR);
    return texts;
}

QPixmap ProgramIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(QPen(QColor(0x0f, 0x1b, 0x28), 2));
    p.setBrush(QColor(0x23, 0x38, 0x4f));
    p.drawEllipse(QPointF(32, 32), 29, 29);
    p.setPen(QPen(QColor(0xa9, 0xc8, 0xe8), 3));
    p.setBrush(QColor(0x3f, 0x7f, 0xbf));
    p.drawEllipse(QPointF(32, 32), 20, 20);
    QPainterPath v;
    v.moveTo(22, 22);
    v.lineTo(32, 44);
    v.lineTo(42, 22);
    p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(v);
    return pixmap;
}

CAboutDlg::CAboutDlg(const AboutTexts& texts, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutDlg"));
    ApplyDialogFont(this);
    setWindowTitle(DialogTitle(IDD_ABOUTBOX));

    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon(48));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    icon->setAccessibleName(QStringLiteral("velmo"));

    QLabel* version = ValueLabel(texts.version, IDC_ABOUT_VERSION, this);
    QFont bold = font();
    bold.setBold(true);
    version->setFont(bold);
    QLabel* build = ValueLabel(texts.build, IDC_ABOUT_BUILD, this);
    QLabel* language = ValueLabel(texts.language, IDC_ABOUT_LANGUAGE, this);

    auto* texts1 = new QVBoxLayout;
    texts1->addWidget(version);
    texts1->addWidget(build);
    texts1->addWidget(language);
    texts1->addSpacing(fontMetrics().height() / 2);
    for (unsigned id : {IDC_ABOUT_JPEG_LIBRARY, IDC_ABOUT_BZIP2_LIBRARY, IDC_ABOUT_LCMS_LIBRARY})
        texts1->addWidget(CaptionLabel(id, this));
    texts1->addSpacing(fontMetrics().height() / 2);

    auto* translatorRow = new QHBoxLayout;
    QLabel* translatorLabel = CaptionLabel(IDC_ABOUT_TRANSLATOR_LABEL, this);
    QLabel* translator = ValueLabel(texts.translator, IDC_ABOUT_TRANSLATOR, this);
    translatorLabel->setBuddy(translator);
    translator->setAccessibleName(PlainCaption(translatorLabel->text()) + QStringLiteral(": ") + translator->text());
    translatorRow->addWidget(translatorLabel);
    translatorRow->addWidget(translator, 1);
    texts1->addLayout(translatorRow);

    auto* body = new QHBoxLayout;
    body->addWidget(icon, 0, Qt::AlignTop);
    body->addSpacing(fontMetrics().averageCharWidth() * 2);
    body->addLayout(texts1, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
    SetControlCaption(ok, IDD_ABOUTBOX, IDC_OK);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(buttons);
    // The dialog takes the size of its contents at any font: nothing clipped.
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace velmo
