// The command route: order of targets, update handlers, disabling of
// commands nobody handles, and menus whose update handlers insert items.
#include "platform/gui/CmdTarget.h"
#include "platform/gui/QtMenus.h"
#include "platform/gui/RecentFileList.h"
#include "tests/app/AppTest.h"
#include "tests/support/TestEnv.h"

#include <QMenu>
#include <QTest>

#include <string>
#include <vector>

namespace velmo::test {

namespace {

// A target that logs which handler ran.
class LoggingTarget final : public CCmdTarget {
public:
    LoggingTarget(std::string targetName, std::vector<std::string>& calls) : name(std::move(targetName)), log(calls) {}
    void Handle(unsigned id) { OnCommand(id, [this](unsigned) { log.push_back(name); }); }
    void Pass(unsigned id) { OnCommandRangeEx(id, id, [this](unsigned) { log.push_back(name + "-passed"); return false; }); }
    void Update(unsigned id, bool enable, int check) { OnUpdate(id, [=](CCmdUI& ui) { ui.Enable(enable); ui.SetCheck(check); }); }
    void Continue(unsigned id) { OnUpdate(id, [](CCmdUI& ui) { ui.ContinueRouting(); }); }
    void Recent(unsigned id, CRecentFileList& list) { OnUpdate(id, [&list](CCmdUI& ui) { list.UpdateMenu(ui); }); }

private:
    std::string name;
    std::vector<std::string>& log;
};

QStringList MenuTexts(QMenu& menu)
{
    QStringList texts;
    for (QAction* a : menu.actions())
        texts << (a->isSeparator() ? QStringLiteral("--") : a->text() + (a->isEnabled() ? "" : " (off)"));
    return texts;
}

} // namespace

class RoutingTest : public QObject {
    Q_OBJECT

private slots:
    void FirstTargetOnTheRouteHandlesTheCommand()
    {
        std::vector<std::string> log;
        LoggingTarget owner("owner", log), view("view", log), doc("doc", log), frame("frame", log), app("app", log);
        owner.Handle(1);
        frame.Handle(1);
        app.Handle(2);
        view.Pass(3);
        doc.Handle(3);
        const CommandRoute route({&owner, &view, &doc, &frame, &app});
        QVERIFY(route.Execute(1));
        QVERIFY(route.Execute(2));
        QVERIFY(route.Execute(3)); // the view lets it pass on
        QVERIFY(!route.Execute(4));
        QCOMPARE(log, (std::vector<std::string>{"owner", "app", "view-passed", "doc"}));

        // Without the owner, the frame gets command 1.
        log.clear();
        QVERIFY(CommandRoute({nullptr, &view, &doc, &frame, &app}).Execute(1));
        QCOMPARE(log, std::vector<std::string>{"frame"});
    }

    void UpdateHandlersDecideAndUnhandledCommandsAreDisabled()
    {
        std::vector<std::string> log;
        LoggingTarget doc("doc", log), frame("frame", log), app("app", log);
        app.Handle(10);        // handler, no update: enabled
        doc.Update(11, false, 1);
        app.Handle(11);        // the document's update wins: disabled
        frame.Continue(12);
        app.Update(12, true, 2); // routed on past the frame
        const CommandRoute route({&doc, &frame, &app});

        struct Case {
            unsigned id;
            bool enabled;
            std::optional<int> check;
        };
        const Case cases[] = {{10, true, std::nullopt}, {11, false, 1}, {12, true, 2}, {13, false, std::nullopt}};
        for (const Case& c : cases) {
            CCmdUI ui(c.id);
            route.Update(ui);
            QCOMPARE(ui.enabled, c.enabled);
            QCOMPARE(ui.check, c.check);
            QCOMPARE(route.IsEnabled(c.id), c.enabled);
        }
    }

    void RecentListReplacesItsPlaceholderInTheMenu()
    {
        ScopedSettings settings;
        std::vector<std::string> log;
        LoggingTarget app("app", log);
        app.Handle(1);
        app.Handle(2);
        CRecentFileList list(0, "Recent Test", "T%d", 4, 30);
        app.Recent(100, list);
        OnRange(app, 100, 103);
        const CommandRoute route({&app});

        QMenu menu;
        QMenuAccess access(&menu, [](unsigned) {});
        access.InsertItem(0, 1, "&Open");
        menu.addSeparator();
        access.InsertItem(2, 100, "Recent Test");
        menu.addSeparator();
        access.InsertItem(4, 2, "E&xit");

        UpdateMenu(&menu, route, [](unsigned) {});
        QCOMPARE(MenuTexts(menu), (QStringList{"&Open", "--", "Recent Test (off)", "--", "E&xit"}));

        list.Add("/photos/a.RAF");
        list.Add("/photos/b&c.RAF");
        UpdateMenu(&menu, route, [](unsigned) {});
        QCOMPARE(MenuTexts(menu), (QStringList{"&Open", "--", "&1 /photos/b&&c.RAF", "&2 /photos/a.RAF", "--", "E&xit"}));
        // Opening the menu again does not add the entries twice.
        UpdateMenu(&menu, route, [](unsigned) {});
        QCOMPARE(menu.actions().size(), 6);

        list.Remove(0);
        list.Remove(0);
        UpdateMenu(&menu, route, [](unsigned) {});
        QCOMPARE(MenuTexts(menu), (QStringList{"&Open", "--", "Recent Test (off)", "--", "E&xit"}));
    }

    void ChosenEntryReachesTheSinkWithItsId()
    {
        ScopedSettings settings;
        std::vector<std::string> log;
        LoggingTarget app("app", log);
        CRecentFileList list(0, "Recent Test", "T%d", 4, 30);
        list.Add("/a.VMR");
        list.Add("/b.VMR");
        app.Recent(100, list);
        OnRange(app, 100, 103);
        std::vector<unsigned> chosen;
        QMenu menu;
        const CommandSink sink = [&chosen](unsigned id) { chosen.push_back(id); };
        QMenuAccess(&menu, sink).InsertItem(0, 100, "Recent Test");
        UpdateMenu(&menu, CommandRoute({&app}), sink);
        QCOMPARE(menu.actions().size(), 2);
        menu.actions()[1]->trigger();
        QCOMPARE(chosen, std::vector<unsigned>{101});
    }

private:
    static void OnRange(LoggingTarget& target, unsigned first, unsigned last)
    {
        for (unsigned id = first; id <= last; ++id)
            target.Handle(id);
    }
};

VELMO_APP_TEST(RoutingTest);

} // namespace velmo::test

#include "RoutingTest.moc"
