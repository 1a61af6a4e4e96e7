// The resources hang together: every menu, toolbar and accelerator command
// has a handler on the route, and every string the menus, toolbars and code
// use exists.
#include "platform/gui/QtMenus.h"
#include "platform/gui/SvgIcon.h"
#include "res/Menus.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"

#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <set>

namespace velmo::test {

namespace {

std::set<unsigned> MenuCommandIds()
{
    std::set<unsigned> ids;
    for (size_t m = 0; m < kMenuResourceCount; ++m)
        for (size_t i = 0; i < kMenuResources[m].count; ++i)
            if (kMenuResources[m].items[i].kind == MenuItemKind::Command)
                ids.insert(kMenuResources[m].items[i].id);
    return ids;
}

std::set<unsigned> ToolBarCommandIds()
{
    std::set<unsigned> ids;
    for (size_t t = 0; t < kToolBarResourceCount; ++t)
        for (size_t i = 0; i < kToolBarResources[t].count; ++i)
            if (kToolBarResources[t].buttons[i] != 0)
                ids.insert(kToolBarResources[t].buttons[i]);
    return ids;
}

} // namespace

class ResourceTest : public QObject {
    Q_OBJECT

private slots:
    void EveryCommandIsServed()
    {
        AppRun run;
        const CommandRoute route = run.Frame().Route();
        std::set<unsigned> ids = MenuCommandIds();
        const std::set<unsigned> buttons = ToolBarCommandIds();
        ids.insert(buttons.begin(), buttons.end());
        for (size_t i = 0; i < kAcceleratorCount; ++i)
            ids.insert(kAccelerators[i].id);
        for (unsigned id : ids)
            QVERIFY2(route.HasHandler(id), qPrintable(QStringLiteral("command %1 has no handler").arg(id)));
        // The commands of this shell are served, not just declared.
        for (unsigned id : {ID_FILE_NEW, ID_FILE_OPEN, ID_RESET_ALL, ID_APP_EXIT, ID_FILE_MRU_FILE1, ID_RESET,
                            ID_VIEW_PARAMS, ID_FLOAT_PALETTES, ID_RESET_PALETTES, ID_HIDE_PALETTES, ID_ZOOM_FREE,
                            ID_PREVIEW_SIZE_FIRST, ID_FONT_NORMAL, ID_FONT_CHOOSE, ID_USE_OLD_UI, ID_LANGUAGE_FIRST,
                            ID_RECENT_CROP_FIRST, ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR})
            QVERIFY2(route.HasHandler(id), qPrintable(QString::number(id)));
        QVERIFY(route.IsEnabled(ID_FILE_OPEN));
        QVERIFY(!route.IsEnabled(ID_FILE_SAVE));
    }

    void EveryStringInUseExists()
    {
        for (size_t m = 0; m < kMenuResourceCount; ++m)
            for (size_t i = 0; i < kMenuResources[m].count; ++i) {
                const MenuItem& item = kMenuResources[m].items[i];
                if (item.kind != MenuItemKind::Command && item.kind != MenuItemKind::Popup)
                    continue;
                const unsigned text = MenuItemTextId(item);
                QVERIFY2(HasString(text) && !LoadString(text).empty(),
                         qPrintable(QStringLiteral("menu %1 item %2: no text %3").arg(kMenuResources[m].id).arg(item.id).arg(text)));
                if (item.kind == MenuItemKind::Command)
                    QVERIFY2(HasString(item.id), qPrintable(QStringLiteral("no prompt for %1").arg(item.id)));
            }
        // Toolbar buttons: a prompt with a tip after the line break; main
        // toolbar buttons a drawing of our own that loads (also where the
        // desktop theme may have one).
        for (unsigned id : ToolBarCommandIds()) {
            QVERIFY2(!CommandTip(id).isEmpty(), qPrintable(QStringLiteral("no tip for %1").arg(id)));
        }
        for (size_t i = 0; i < FindToolBarResource(IDR_MAINFRAME)->count; ++i)
            if (const unsigned id = FindToolBarResource(IDR_MAINFRAME)->buttons[i])
                QVERIFY2(!SvgIcon(ToolButtonDrawingPath(id)).isNull(), qPrintable(QString::number(id)));
        // The strings the code asks for by id.
        for (unsigned id : {IDS_BUILD_STAMP, IDS_DOC_STRINGS, IDS_LANGUAGE_NAME, IDS_TRANSLATOR, AFX_IDS_IDLEMESSAGE,
                            ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL, IDS_DROP_ONE_FILE, IDS_SIZE_NAMES,
                            IDS_RESTART_LANGUAGE, IDS_RESET_ALL, IDS_PALETTE_CAPTIONS, IDS_SIZE_PANE,
                            IDS_FILE_OPEN_FILTER})
            QVERIFY2(HasString(id), qPrintable(QString::number(id)));
        // One palettes-bar caption per button, the separator included.
        std::vector<std::string> captions;
        const std::string all = LoadString(IDS_PALETTE_CAPTIONS);
        size_t start = 0;
        while (true) {
            const size_t bar = all.find('|', start);
            const std::string item = all.substr(start, bar - start);
            if (bar == std::string::npos || item.empty())
                break;
            captions.push_back(item);
            start = bar + 1;
        }
        QCOMPARE(captions.size(), FindToolBarResource(IDR_PALETTES_BAR)->count);
    }

    void AcceleratorsParse()
    {
        for (size_t i = 0; i < kAcceleratorCount; ++i) {
            const QKeySequence keys(QString::fromLatin1(kAccelerators[i].keys));
            QVERIFY2(keys.count() == 1 && !keys.isEmpty(), kAccelerators[i].keys);
        }
    }

    void MenusAreBuiltWithTheirTexts()
    {
        AppRun run;
        QStringList titles;
        for (QAction* a : run.Frame().menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{"&File", "&Edit", "&View", "&Parameters", "&Output", "Crop &Tool", "&Help"}));
        QMenu* file = run.Frame().menuBar()->actions().front()->menu();
        QCOMPARE(file->actions()[1]->text(), QStringLiteral("&Open...\tCtrl+O"));
        emit file->aboutToShow();
        QVERIFY(file->actions()[1]->isEnabled());
        QVERIFY(!file->actions()[2]->isEnabled()); // "&Save": nothing to save
    }
};

VELMO_APP_TEST(ResourceTest);

} // namespace velmo::test

#include "ResourceTest.moc"
