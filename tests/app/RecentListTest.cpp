// The recent lists: order, size limit, settings sections, menus, and the
// removal of entries whose file has gone.
#include "app/DocTemplate.h"
#include "platform/gui/QtMenus.h"
#include "platform/gui/RecentFileList.h"
#include "res/ResourceIds.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"
#include "tests/support/RafBuilder.h"

#include <QMenu>
#include <QMenuBar>
#include <QTest>

namespace velmo::test {

namespace {

// The File menu of the main menu bar, updated as when it opens.
QMenu* OpenFileMenu(CMainFrame& frame)
{
    QMenu* file = frame.menuBar()->actions().front()->menu();
    emit file->aboutToShow();
    return file;
}

QStringList ItemsWithIds(QMenu* menu, unsigned first, unsigned last)
{
    QStringList texts;
    for (QAction* a : menu->actions()) {
        const unsigned id = ActionCommandId(a);
        if (id >= first && id <= last)
            texts << a->text() + (a->isEnabled() ? "" : " (off)");
    }
    return texts;
}

} // namespace

class RecentListTest : public QObject {
    Q_OBJECT

private slots:
    void MostRecentFirstWithinTheSize()
    {
        ScopedSettings settings;
        CRecentFileList list(0, "Recent Para List", "Params%d", 3, 30);
        for (const char* p : {"/a.VMR", "/b.VMR", "/c.VMR", "/d.VMR"})
            list.Add(p);
        QCOMPARE(list[0], std::string("/d.VMR"));
        QCOMPARE(list[2], std::string("/b.VMR"));
        list.Add("/b.VMR"); // moves up, nothing drops out
        QCOMPARE(list[0], std::string("/b.VMR"));
        QCOMPARE(list[1], std::string("/d.VMR"));
        QCOMPARE(list[2], std::string("/c.VMR"));
        list.Remove(1);
        QCOMPARE(list[1], std::string("/c.VMR"));
        QCOMPARE(list[2], std::string());

        list.WriteList();
        QCOMPARE(settings.store().GetProfileString("Recent Para List", "Params1", ""), std::string("/b.VMR"));
        QCOMPARE(settings.store().GetProfileString("Recent Para List", "Params2", ""), std::string("/c.VMR"));
        QCOMPARE(settings.store().GetProfileString("Recent Para List", "Params3", "none"), std::string("none"));
        CRecentFileList again(0, "Recent Para List", "Params%d", 3, 30);
        again.ReadList();
        QCOMPARE(again[0], std::string("/b.VMR"));
        QCOMPARE(again[1], std::string("/c.VMR"));
    }

    void MenuTextsNumberAndShortenTheEntries()
    {
        ScopedSettings settings;
        CRecentFileList list(0, "Recent File List", "File%d", 16, 30);
        for (int i = 16; i >= 1; --i)
            list.Add("/p/" + std::to_string(i) + ".RAF");
        QCOMPARE(list.MenuText(0), std::string("&1 /p/1.RAF"));
        QCOMPARE(list.MenuText(8), std::string("&9 /p/9.RAF"));
        QCOMPARE(list.MenuText(9), std::string("1&0 /p/10.RAF"));
        QCOMPARE(list.MenuText(10), std::string("11 /p/11.RAF"));

        struct Case {
            const char* path;
            int max;
            const char* shown;
        };
        const Case cases[] = {
            {"/photos/DSCF0001.RAF", 30, "/photos/DSCF0001.RAF"},
            {"/home/someone/photos/2009/DSCF0001.RAF", 30, "/.../photos/2009/DSCF0001.RAF"},
            {"/home/someone/photos/2009/november/DSCF0001.RAF", 30, "/.../november/DSCF0001.RAF"},
            {"/home/someone/a-very-long-file-name-indeed.RAF", 30, "a-very-long-file-name-indeed.RAF"},
        };
        for (const Case& c : cases)
            QCOMPARE(AbbreviatePath(c.path, c.max), std::string(c.shown));
    }

    void LargeSizeIsClampedAndTheToneCurveBlockHoldsSixteen()
    {
        AppRun::Setup setup;
        setup.presets = [](SettingsStore& s) {
            s.WriteProfileInt(kSettingsSection, "MRUsize", 40);
            for (int i = 1; i <= 20; ++i)
                s.WriteProfileString("Recent TC List", "TC" + std::to_string(i), "/curves/" + std::to_string(i) + ".VMT");
        };
        AppRun run(setup);
        CRecentFileList* curves = run.App().RecentList(RecentListKind::ToneCurve);
        QCOMPARE(curves->GetSize(), 16);
        QCOMPARE((*curves)[15], std::string("/curves/16.VMT"));
        // Menu 206 shows them from position 3 with ids 33953 ... 33968.
        std::unique_ptr<QMenu> popup(BuildContextMenu(*FindMenuResource(IDR_TONE_CURVE_MENU),
                                                      [](unsigned) {}, [&run] { return run.Frame().Route(); }, nullptr));
        emit popup->aboutToShow();
        QCOMPARE(popup->actions().size(), 3 + 16);
        QCOMPARE(ActionCommandId(popup->actions()[3]), ID_RECENT_TC_FIRST);
        QCOMPARE(ActionCommandId(popup->actions()[18]), ID_RECENT_TC_FIRST + 15);
        QVERIFY(ID_RECENT_TC_FIRST + 15 <= ID_RECENT_TC_LAST);
    }

    void ChoosingAMissingFileRemovesItAndOpensNothing()
    {
        TempDir dir;
        const std::string present = dir.File("present.VMR");
        WriteFile(present, {'x'});
        const std::string missing = dir.File("gone.VMR");
        AppRun::Setup setup;
        setup.presets = [&](SettingsStore& s) {
            s.WriteProfileString("Recent Para List", "Params1", missing);
            s.WriteProfileString("Recent Para List", "Params2", present);
        };
        AppRun run(setup);
        QMenu* file = OpenFileMenu(run.Frame());
        QCOMPARE(ItemsWithIds(file, ID_RECENT_PARAMS_FIRST, ID_RECENT_PARAMS_LAST).size(), 2);

        run.Frame().ExecuteCommand(ID_RECENT_PARAMS_FIRST);
        QVERIFY(run.Messages().calls.empty());
        QVERIFY(!run.Doc().HasImage());
        CRecentFileList* params = run.App().RecentList(RecentListKind::Parameters);
        QCOMPARE((*params)[0], present);
        QCOMPARE((*params)[1], std::string());
        file = OpenFileMenu(run.Frame());
        QCOMPARE(ItemsWithIds(file, ID_RECENT_PARAMS_FIRST, ID_RECENT_PARAMS_LAST),
                 QStringList{QString::fromStdString("&1 " + AbbreviatePath(present, 30))});

        // Written back without the missing entry.
        run.Quit();
        auto stored = ReadSettings(run.SettingsPath());
        QCOMPARE(stored->GetProfileString("Recent Para List", "Params1", ""), present);
        QCOMPARE(stored->GetProfileString("Recent Para List", "Params2", "none"), std::string("none"));
    }

    void RecentFileMenuOpensAndForgetsFilesThatFail()
    {
        TempDir dir;
        const std::string raf = WriteSmallRaf(dir.path(), "DSCF0003.RAF");
        AppRun run;
        QMenu* file = OpenFileMenu(run.Frame());
        QCOMPARE(ItemsWithIds(file, ID_FILE_MRU_FILE1, ID_FILE_MRU_LAST), QStringList{"Recent File (off)"});

        QVERIFY(run.App().OpenDocumentFile(raf) != nullptr);
        run.App().AddToRecentFileList(dir.File("vanished.RAF"));
        file = OpenFileMenu(run.Frame());
        QCOMPARE(ItemsWithIds(file, ID_FILE_MRU_FILE1, ID_FILE_MRU_LAST).size(), 2);

        run.Frame().ExecuteCommand(ID_FILE_MRU_FILE1); // the vanished file: fails, goes
        QCOMPARE(run.Messages().calls.size(), size_t(1));
        QCOMPARE((*run.App().RecentFileList())[0], raf);
        run.Frame().ExecuteCommand(ID_FILE_MRU_FILE1);
        QVERIFY(run.Doc().HasImage());
        QCOMPARE(run.App().DocTemplate()->PathName(), raf);
    }

    void PlaceholdersAreDisabledWhileTheirListIsEmpty()
    {
        AppRun run;
        QMenu* file = OpenFileMenu(run.Frame());
        QCOMPARE(ItemsWithIds(file, ID_RECENT_PARAMS_FIRST, ID_RECENT_PARAMS_LAST), QStringList{"Recent Params (off)"});
        run.App().AddToRecent(RecentListKind::Parameters, "/photos/look.VMR");
        file = OpenFileMenu(run.Frame());
        QCOMPARE(ItemsWithIds(file, ID_RECENT_PARAMS_FIRST, ID_RECENT_PARAMS_LAST), QStringList{"&1 /photos/look.VMR"});
    }
};

VELMO_APP_TEST(RecentListTest);

} // namespace velmo::test

#include "RecentListTest.moc"
