// Palette controls and the command routing: the idle enable pass and the
// "L"/"S"/"..." file buttons with the recent list in the popup.
#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/ControlUpdate.h"
#include "platform/gui/FileMenuButtons.h"
#include "platform/gui/RadioGroup.h"
#include "platform/gui/RecentFileList.h"
#include "res/ResourceIds.h"
#include "tests/platform_gui/KitTest.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <vector>

namespace velmo::test {

namespace {

// A target on the route with handlers added by the test.
class Target final : public CCmdTarget {
public:
    using CCmdTarget::OnCommand;
    using CCmdTarget::OnCommandRange;
    using CCmdTarget::OnUpdate;
};

template <class W>
W* AddControl(QWidget* parent, W* control, unsigned id)
{
    SetControlId(control, id);
    parent->layout()->addWidget(control);
    return control;
}

} // namespace

class KitRoutingTest : public QObject {
    Q_OBJECT

private slots:
    void IdlePassEnablesPushButtonsByTheRoute()
    {
        QWidget palette;
        new QVBoxLayout(&palette);
        auto* apply = AddControl(&palette, new QPushButton(QStringLiteral("&Apply")), IDC_APPLY);
        auto* load = AddControl(&palette, new QPushButton(QStringLiteral("L")), ID_LOAD_PARAMS);
        auto* menu = AddControl(&palette, new QToolButton, ID_POPUP_PARAMS_MENU);
        auto* reset = AddControl(&palette, new QPushButton(QStringLiteral("&Reset")), ID_RESET);
        auto* easy = AddControl(&palette, new AutoCheckBox(QStringLiteral("Easy Mode")), ID_EASY_SR);
        auto* vivid = AddControl(&palette, new AutoCheckBox(QStringLiteral("Vivid"), true), ID_VIVID_COLOR);
        auto* gammaRadio = AddControl(&palette, new QRadioButton(QStringLiteral("&Gamma")), ID_TONE_GAMMA);
        auto* group = AddControl(&palette, new QGroupBox(QStringLiteral("SR mixing")), 2421);
        auto* temperature = AddControl(&palette, new QLineEdit, 1624);
        auto* contrast = AddControl(&palette, new QLineEdit, 1609);
        auto* noId = AddControl(&palette, new QPushButton(QStringLiteral("no id")), 0);

        Target document;
        document.OnCommand(ID_LOAD_PARAMS, [](unsigned) {});
        document.OnCommand(ID_RESET, [](unsigned) {});
        // A document update handler checks the "Vivid" box, as its menu item.
        document.OnUpdate(ID_VIVID_COLOR, [](CCmdUI& ui) { ui.SetCheck(2); });
        Target own; // the palette's own update entries
        own.OnUpdate(IDC_APPLY, [](CCmdUI& ui) { ui.Enable(true); });
        own.OnUpdate(1624, [](CCmdUI& ui) { ui.Enable(false); });
        own.OnUpdate(ID_RESET, [](CCmdUI& ui) { ui.Enable(false); });
        const CommandRoute route({nullptr, &document});

        UpdateDialogControls(&palette, &own, route);
        QVERIFY(apply->isEnabled());        // own entry, though nobody handles it
        QVERIFY(load->isEnabled());         // handled on the route
        QVERIFY(!menu->isEnabled());        // push button without a handler
        QVERIFY(!reset->isEnabled());       // own entry overrides the route's handler
        QVERIFY(easy->isEnabled());         // check boxes are never disabled automatically
        QVERIFY(vivid->isEnabled());
        QCOMPARE(vivid->checkState(), Qt::PartiallyChecked);
        QVERIFY(gammaRadio->isEnabled());   // nor radios
        QVERIFY(group->isEnabled());        // nor group boxes
        QVERIFY(!temperature->isEnabled()); // own entry
        QVERIFY(contrast->isEnabled());     // other controls only by a handler
        QVERIFY(noId->isEnabled());

        // The next pass follows the route's change.
        document.OnCommand(ID_POPUP_PARAMS_MENU, [](unsigned) {});
        UpdateDialogControls(&palette, &own, route);
        QVERIFY(menu->isEnabled());

        // The plain rule, without widgets.
        QCOMPARE(QueryControlState(IDC_APPLY, ControlKind::PushButton, nullptr, route).enabled,
                 std::optional<bool>(false));
        QCOMPARE(QueryControlState(ID_EASY_SR, ControlKind::CheckBox, nullptr, route).enabled,
                 std::optional<bool>());
        QCOMPARE(QueryControlState(0xFFFF, ControlKind::PushButton, nullptr, route).enabled, std::optional<bool>());
    }

    void FileMenuTableComesFromTheMenus()
    {
        const struct {
            unsigned button, menu, load, save, recent;
        } rows[] = {
            {33201, 204, 33200, 33203, 32901}, {33304, 207, 33303, 33305, 33101},
            {33301, 205, 33300, 33302, 33001}, {32782, 203, 32781, 32783, 32801},
            {33310, 206, 33308, 33309, 33953},
        };
        for (const auto& r : rows) {
            const std::optional<FileMenuInfo> info = FileMenuForButton(r.button);
            QVERIFY(info);
            QCOMPARE(info->popupButtonId, r.button);
            QCOMPARE(info->menuId, r.menu);
            QCOMPARE(info->loadId, r.load);
            QCOMPARE(info->saveId, r.save);
            QCOMPARE(info->recentFirstId, r.recent);
        }
        QVERIFY(!FileMenuForButton(1003));
        QVERIFY(!ReadFileMenu(9999));
    }

    void FileButtonsSendLoadSaveAndPopUpTheRecentList()
    {
        CRecentFileList recent(0, "Recent Para List", "Para%d", 4, 40);
        recent.Add("/photos/a.vmr");
        recent.Add("/photos/b.vmr");
        std::vector<unsigned> executed;
        Target app;
        app.OnUpdate(ID_RECENT_PARAMS_FIRST, [&](CCmdUI& ui) { recent.UpdateMenu(ui); });
        app.OnCommandRange(ID_RECENT_PARAMS_FIRST, ID_RECENT_PARAMS_LAST, [&](unsigned id) { executed.push_back(id); });
        app.OnCommand(ID_LOAD_PARAMS, [&](unsigned id) { executed.push_back(id); });
        app.OnCommand(ID_SAVE_PARAMS_AS, [&](unsigned id) { executed.push_back(id); });
        const CommandRoute route({&app});
        const CommandSink sink = [&](unsigned id) { route.Execute(id); };

        QWidget palette;
        auto* layout = new QVBoxLayout(&palette);
        auto* buttons = new FileMenuButtons(*FileMenuForButton(ID_POPUP_PARAMS_MENU), sink, [&] { return route; });
        layout->addWidget(buttons);
        palette.move(40, 40);
        palette.show();
        QVERIFY(QTest::qWaitForWindowExposed(&palette));
        QCOMPARE(FindControl(&palette, ID_LOAD_PARAMS), buttons->LoadButton());
        // Tip and status-bar prompt: the two halves of the string with the button's id.
        QCOMPARE(buttons->MenuButton()->toolTip(), QStringLiteral("Popup Parameters menu"));
        QCOMPARE(buttons->MenuButton()->statusTip(), QStringLiteral("Show the parameters file menu"));
        QCOMPARE(buttons->LoadButton()->toolTip(), QStringLiteral("Load Parameters"));

        QTest::mouseClick(buttons->LoadButton(), Qt::LeftButton);
        QTest::mouseClick(buttons->SaveButton(), Qt::LeftButton);
        QCOMPARE(executed, (std::vector<unsigned>{ID_LOAD_PARAMS, ID_SAVE_PARAMS_AS}));

        QTest::mouseClick(buttons->MenuButton(), Qt::LeftButton);
        QMenu* menu = buttons->ShownMenu();
        QVERIFY(menu != nullptr);
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->pos(), buttons->MenuButton()->mapToGlobal(QPoint(0, 0)));
        const QList<QAction*> items = menu->actions();
        QCOMPARE(items.size(), 5);
        QCOMPARE(items[0]->text(), QStringLiteral("&Load Parameters"));
        QCOMPARE(items[1]->text(), QStringLiteral("&Save Parameters As..."));
        QVERIFY(items[2]->isSeparator());
        QVERIFY(items[3]->text().endsWith(QStringLiteral("b.vmr")));
        QVERIFY(items[4]->text().endsWith(QStringLiteral("a.vmr")));
        items[4]->trigger();
        QCOMPARE(executed.back(), ID_RECENT_PARAMS_FIRST + 1);
        menu->close();
        QTRY_VERIFY(buttons->ShownMenu() == nullptr);
    }
};

VELMO_KIT_TEST(KitRoutingTest);

} // namespace velmo::test

#include "KitRoutingTest.moc"
