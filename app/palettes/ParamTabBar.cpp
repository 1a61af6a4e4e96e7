#include "app/palettes/ParamTabBar.h"

#include "app/palettes/FeaturePanel.h"
#include "document/VelmoDoc.h"
#include "platform/core/SettingsStore.h"
#include "params/ParamFields.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/ControlUnit.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

namespace velmo {

namespace {

constexpr unsigned kTabCaptions = 61234;

constexpr FeatureKind kFeatureOfTab[3] = {FeatureKind::FreeCurve, FeatureKind::LensCorrection,
                                          FeatureKind::SelectiveColors};

std::vector<std::string> TabCaptions()
{
    std::vector<std::string> captions;
    LoadStringList(kTabCaptions, &captions);
    if (captions.size() < size_t(CParamTabBar::kPageCount))
        captions = {"Adjust1", "Adjust2", "Detail", "Curve", "Lens", "Color"};
    return captions;
}

// A pane in a scroll area: a short window still reaches every control,
// and the dock is never narrower than the pane.
QScrollArea* Scrolled(QWidget* pane, QWidget* parent)
{
    auto* scroll = new QScrollArea(parent);
    scroll->setWidget(pane);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return scroll;
}

} // namespace

CParamTabBar::CParamTabBar(PaletteCommands paletteCommands, CVelmoDoc& document, const QString& caption, QWidget* parent)
    : CPaletteDock(ID_VIEW_PARAMTAB, QStringLiteral("ParamTabBar"), caption, new QWidget, parent), doc(document)
{
    CParamControls::Options options;
    options.dialogId = IDD_PARAMTAB_BAR;
    options.commands = paletteCommands.run;
    options.route = paletteCommands.route;
    options.onApply = [this] { OnApply(); };
    // The feature pages that OnApply would apply hold typed values too.
    options.typedValuesReady = [this] {
        for (int i = 3; i < kPageCount; ++i) {
            if (i != CurrentPage() && !pendingPages[size_t(i)])
                continue;
            const auto* panel = dynamic_cast<const CFeaturePanel*>(Page(i));
            if (panel != nullptr && !panel->TypedValuesReady())
                return false;
        }
        return true;
    };
    params = std::make_unique<CParamControls>(&doc, std::move(options));
    BuildBody(std::move(paletteCommands));
    params->InitControls();
    params->SetParams(doc.Edit().Params());
    subscription = doc.Edit().Subscribe([this](const EditChange& change) { OnEditChange(change); });

    // The stored tab; a value outside the six opens on Adjust1.
    int pane = Settings().GetProfileInt(kSettingsSection, "CurrentPane", 0);
    if (pane < 0 || pane >= kPageCount)
        pane = 0;
    ShowPage(pane);
}

CParamTabBar::~CParamTabBar()
{
    Settings().WriteProfileInt(kSettingsSection, "CurrentPane", CurrentPage());
}

void CParamTabBar::BuildBody(PaletteCommands paletteCommands)
{
    QWidget* body = widget();
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);

    tabs = new QTabBar(body);
    SetupRowControl(tabs, *ControlRowById(IDC_PARAM_TABS));
    tabs->setExpanding(false);
    tabs->setUsesScrollButtons(false);
    tabs->setDrawBase(true);
    for (const std::string& c : TabCaptions())
        if (tabs->count() < kPageCount)
            tabs->addTab(QString::fromStdString(c));
    layout->addWidget(tabs);

    stack = new QStackedWidget(body);
    for (const ControlPage p : {ControlPage::Adjust1, ControlPage::Adjust2, ControlPage::Detail}) {
        QWidget* pane = params->BuildPage(p, nullptr);
        stack->addWidget(Scrolled(pane, stack));
        pages[size_t(p)] = pane;
    }
    FeaturePageHost host;
    host.armCountdown = [this] {
        pendingPages[size_t(CurrentPage())] = true;
        params->Countdown().Arm();
    };
    host.applyNow = [this] { OnApply(); };
    host.commands = std::move(paletteCommands);
    for (int i = 0; i < 3; ++i) {
        std::unique_ptr<QWidget> pane = MakeFeaturePage(kFeatureOfTab[i], doc, host, nullptr);
        QWidget* raw = pane.release();
        stack->addWidget(Scrolled(raw, stack));
        pages[size_t(3 + i)] = raw;
    }
    layout->addWidget(stack, 1);

    layout->addLayout(params->MakeBottomRow(body, [this] { OnReset(); }));

    connect(tabs, &QTabBar::currentChanged, this, [this](int index) {
        if (index >= 0 && index < stack->count())
            stack->setCurrentIndex(index);
    });
    // Enter in any edit box applies at once.
    for (QLineEdit* edit : body->findChildren<QLineEdit*>())
        connect(edit, &QLineEdit::returnPressed, this, [this] { OnApply(); });
    WatchKeys(body);
    ApplyFont();
}

void CParamTabBar::WatchKeys(QWidget* root)
{
    root->installEventFilter(this);
    for (QWidget* w : root->findChildren<QWidget*>())
        w->installEventFilter(this);
}

bool CParamTabBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (tab && (key->modifiers() & Qt::ControlModifier)) {
            const bool back = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
            SelectPane((CurrentPage() + (back ? kPageCount - 1 : 1)) % kPageCount);
            return true;
        }
    }
    return CPaletteDock::eventFilter(watched, event);
}

QWidget* CParamTabBar::Page(int index) const
{
    return index >= 0 && index < kPageCount ? pages[size_t(index)] : nullptr;
}

int CParamTabBar::FeatureTab(FeatureKind kind) const
{
    for (int i = 0; i < 3; ++i)
        if (kFeatureOfTab[i] == kind)
            return 3 + i;
    return 3;
}

IFeaturePage* CParamTabBar::FeaturePage(FeatureKind kind) const
{
    return dynamic_cast<IFeaturePage*>(Page(FeatureTab(kind)));
}

int CParamTabBar::CurrentPage() const
{
    return tabs != nullptr ? tabs->currentIndex() : 0;
}

void CParamTabBar::ShowPage(int pane)
{
    if (pane < 0 || pane >= kPageCount)
        pane = 0;
    tabs->setCurrentIndex(pane);
    stack->setCurrentIndex(pane);
    CPaletteDock::ShowPage(pane);
}

void CParamTabBar::FocusFirstControl(int index)
{
    QWidget* pane = Page(index);
    if (pane == nullptr)
        return;
    for (QWidget* w = pane->nextInFocusChain(); w != nullptr && w != pane; w = w->nextInFocusChain()) {
        if (!pane->isAncestorOf(w))
            continue;
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(pane)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
    tabs->setFocus(Qt::TabFocusReason);
}

void CParamTabBar::SelectPane(int index)
{
    ShowPage(index);
    FocusFirstControl(CurrentPage());
}

bool CParamTabBar::ShowControl(unsigned controlId)
{
    for (int i = 0; i < kPageCount; ++i) {
        QWidget* control = FindControl(pages[size_t(i)], controlId);
        if (control == nullptr)
            continue;
        ShowPage(i);
        control->setFocus(Qt::OtherFocusReason);
        return true;
    }
    // A control of the palette itself ("Prv", "Mgn", "&Reset") is there already.
    return FindControl(widget(), controlId) != nullptr;
}

bool CParamTabBar::OnCmdMsg(unsigned id, CCmdUI* ui)
{
    if (ui == nullptr)
        return false;
    if (params->UpdateOwnControl(id, *ui))
        return true;
    for (int i = 3; i < kPageCount; ++i)
        if (auto* pane = dynamic_cast<CCmdTarget*>(Page(i)); pane != nullptr && pane->OnCmdMsg(id, ui))
            return true;
    return false;
}

void CParamTabBar::OnEditChange(const EditChange& change)
{
    switch (change.target) {
    case EditTarget::Refresh:
        // What the feature pages held is in the state that was developed.
        pendingPages.fill(false);
        if (QWidget* strip = params->Control(IDC_HUE_STRIP_SHIFTED))
            strip->update();
        return;
    case EditTarget::Feature:
        // The user switched a feature on while this palette is the one in
        // use: its page comes forward.
        if (change.toggled && doc.Edit().FeatureOn(change.feature) && doc.Edit().Switch(SwitchId::UseOldUI) == 0) {
            ShowPage(FeatureTab(change.feature));
            show();
            setFocus();
        }
        return;
    default: return;
    }
}

void CParamTabBar::OnApply()
{
    if (!params->UpdateData(true))
        return;
    // The shown feature pane, and any other whose edit was still counting
    // down when the user switched tab: its edit is applied, not lost.
    const int current = CurrentPage();
    if (current >= 3)
        pendingPages[size_t(current)] = true;
    for (int i = 3; i < kPageCount; ++i) {
        if (!pendingPages[size_t(i)])
            continue;
        pendingPages[size_t(i)] = false;
        auto* pane = dynamic_cast<IFeaturePage*>(Page(i));
        if (pane != nullptr && !pane->ApplyPage()) {
            pendingPages[size_t(i)] = true;
            return;
        }
    }
    Apply();
}

void CParamTabBar::OnReset()
{
    const int current = CurrentPage();
    if (current >= 3) {
        if (auto* pane = dynamic_cast<IFeaturePage*>(Page(current)))
            pane->ResetPage();
        return;
    }
    doc.SetDefaultParameters();
    params->SetParams(doc.Edit().Params());
    widget()->update();
    Apply();
}

void CParamTabBar::ApplyFont()
{
    CPaletteDock::ApplyFont();
    if (stack == nullptr)
        return;
    for (int i = 0; i < stack->count(); ++i)
        FitScrollToPane(qobject_cast<QScrollArea*>(stack->widget(i)));
}

} // namespace velmo
