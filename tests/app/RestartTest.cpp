// "Reset All" and a change of language: a restart after the settings were
// written and synced, through a launcher that records instead of starting.
#include "app/FileAssociation.h"
#include "platform/core/XdgAssociation.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"

#include <QTest>

namespace velmo::test {

class RestartTest : public QObject {
    Q_OBJECT

private slots:
    void ResetAllAnsweredNoChangesNothing()
    {
        AppRun::Setup setup;
        setup.messageAnswer = IDNO;
        setup.presets = [](SettingsStore& s) { s.WriteProfileInt(kSettingsSection, "PreviewSize", 1); };
        AppRun run(setup);
        run.Frame().ExecuteCommand(ID_RESET_ALL);
        ProcessEvents(50);
        QCOMPARE(run.Messages().calls.size(), size_t(1));
        QCOMPARE(run.Messages().calls[0].text, LoadString(IDS_RESET_ALL));
        QCOMPARE(run.Messages().calls[0].type & 0xF, unsigned(MB_YESNO));
        QVERIFY(run.Frame().isVisible());
        run.Quit();
        QVERIFY(run.Launcher().calls.empty());
        QCOMPARE(ReadSettings(run.SettingsPath())->GetProfileInt(kSettingsSection, "PreviewSize", -1), 1);
    }

    void ResetAllAnsweredYesDeletesTheSettingsAfterShutdownAndRestarts()
    {
        // RAF files open with velmo; what they opened with before is stored.
        TempDir xdg;
        XdgAssociationBackend desktop({xdg.File("data"), xdg.File("config"), {}});
        QVERIFY(desktop.SetBinding(VelmoDocumentTypes().front(), desktop.ProgramBinding()));
        AppRun::Setup setup;
        setup.messageAnswer = IDYES;
        setup.association = &desktop;
        setup.presets = [](SettingsStore& s) {
            s.WriteProfileInt(kSettingsSection, "PreviewSize", 1);
            s.WriteProfileString(kSettingsSection, "AssocateApp", "rawviewer.desktop;");
            s.WriteProfileString(kSettingsSection, "AssocateApp2", "darkroom.desktop;");
            s.WriteProfileString("Recent Para List", "Params1", "/photos/a.VMR");
        };
        AppRun run(setup);
        run.Frame().ExecuteCommand(ID_RESET_ALL);
        ProcessEvents(50);
        QVERIFY(!run.Frame().isVisible()); // the posted close ran
        QVERIFY(run.Launcher().calls.empty()); // not before the shutdown
        int previewSizeSeen = 0;
        run.Launcher().onStart = [&] {
            previewSizeSeen = ReadSettings(run.SettingsPath())->GetProfileInt(kSettingsSection, "PreviewSize", -1);
        };
        run.FinishShutdown();
        QCOMPARE(run.Launcher().calls.size(), size_t(1));
        QCOMPARE(run.Launcher().calls[0].program, std::string("/opt/velmo/bin/velmo"));
        QCOMPARE(previewSizeSeen, -1); // deleted before the new instance starts
        auto stored = ReadSettings(run.SettingsPath());
        // Everything the shutdown wrote into "Settings" is gone too ...
        QCOMPARE(stored->GetProfileInt(kSettingsSection, "PreviewSize", -1), -1);
        QCOMPARE(stored->GetProfileString(kSettingsSection, "FrameVer", "none"), std::string("none"));
        QCOMPARE(stored->GetProfileInt(kSettingsSection, "MRUsize", -1), -1);
        // ... except the file-type binding to restore, and the other sections.
        QCOMPARE(stored->GetProfileString(kSettingsSection, "AssocateApp", ""), std::string("rawviewer.desktop;"));
        QCOMPARE(stored->GetProfileString(kSettingsSection, "AssocateApp2", ""), std::string("darkroom.desktop;"));
        QCOMPARE(stored->GetProfileString("Recent Para List", "Params1", ""), std::string("/photos/a.VMR"));
    }

    void RelaunchFindsTheFinalSettingsOnDisk()
    {
        AppRun::Setup setup;
        setup.messageAnswer = IDYES;
        setup.programPath = "/opt/my photo tools/velmo";
        AppRun run(setup);
        run.App().Languages().Add(0x411, "Japanese");
        // What the new process reads when it starts: the file on disk.
        std::string frameVersionSeen;
        int languageSeen = 0;
        run.Launcher().onStart = [&] {
            auto seen = ReadSettings(run.SettingsPath());
            frameVersionSeen = seen->GetProfileString(kSettingsSection, "FrameVer", "");
            languageSeen = seen->GetProfileInt(kSettingsSection, "Language", 0);
        };
        run.Frame().ExecuteCommand(ID_LANGUAGE_FIRST + 1);
        // The choice is stored at once, before any restart.
        QCOMPARE(ReadSettings(run.SettingsPath())->GetProfileInt(kSettingsSection, "Language", 0), 0x411);
        QCOMPARE(run.Messages().calls.size(), size_t(1));
        QCOMPARE(run.Messages().calls[0].text, LoadString(IDS_RESTART_LANGUAGE));
        ProcessEvents(50);
        QVERIFY(!run.Frame().isVisible());
        run.FinishShutdown();
        QCOMPARE(run.Launcher().calls.size(), size_t(1));
        // A path with blanks is passed whole: no shell, no quoting needed.
        QCOMPARE(run.Launcher().calls[0].program, std::string("/opt/my photo tools/velmo"));
        QVERIFY(run.Launcher().calls[0].arguments.empty());
        // The frame's last writes were on disk before the restart.
        QCOMPARE(frameVersionSeen, std::string(kFrameVersion));
        QCOMPARE(languageSeen, 0x411);
    }

    void LanguageAnsweredNoStoresTheChoiceOnly()
    {
        AppRun::Setup setup;
        setup.messageAnswer = IDNO;
        AppRun run(setup);
        run.App().Languages().Add(0x407, "Deutsch");
        run.Frame().ExecuteCommand(ID_LANGUAGE_FIRST + 1);
        ProcessEvents(50);
        QVERIFY(run.Frame().isVisible());
        QCOMPARE(ReadSettings(run.SettingsPath())->GetProfileInt(kSettingsSection, "Language", 0), 0x407);
        QCOMPARE(run.App().CurrentLanguage(), 1033); // applies at the next start
        run.Quit();
        QVERIFY(run.Launcher().calls.empty());
    }

    void ChoosingTheCurrentLanguageDoesNothing()
    {
        AppRun run;
        run.Frame().ExecuteCommand(ID_LANGUAGE_FIRST);
        ProcessEvents(20);
        QVERIFY(run.Messages().calls.empty());
        QVERIFY(run.Frame().isVisible());
        run.Quit();
        QVERIFY(run.Launcher().calls.empty());
    }
};

VELMO_APP_TEST(RestartTest);

} // namespace velmo::test

#include "RestartTest.moc"
