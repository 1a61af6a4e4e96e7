// Start-up: the settings it reads and writes back, the dialog font, the
// language, and the file named on the command line.
#include "app/DocTemplate.h"
#include "app/VelmoView.h"
#include "document/VelmoDoc.h"
#include "platform/gui/StatusProgress.h"
#include "platform/gui/DialogFont.h"
#include "res/ResourceIds.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"
#include "tests/support/RafBuilder.h"

#include <QFontDatabase>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <clocale>
#include <iterator>
#include <cstdio>

namespace velmo::test {

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void RecentListSizeIsClampedAndWrittenBack()
    {
        struct Case {
            const char* name;
            std::optional<int> stored;
            int size;
        };
        const Case cases[] = {{"absent", std::nullopt, 9}, {"40", 40, 16}, {"-5", -5, 0}, {"16", 16, 16}, {"3", 3, 3}};
        for (const Case& c : cases) {
            AppRun::Setup setup;
            setup.presets = [&c](SettingsStore& s) {
                if (c.stored)
                    s.WriteProfileInt(kSettingsSection, "MRUsize", *c.stored);
            };
            AppRun run(setup);
            QVERIFY2(run.Started(), c.name);
            QCOMPARE(run.App().MruSize(), c.size);
            QCOMPARE(run.App().RecentFileList()->GetSize(), c.size);
            for (int kind = 0; kind < 7; ++kind)
                QCOMPARE(run.App().RecentList(RecentListKind(kind))->GetSize(), c.size);
            // Written back at once, clamped.
            QCOMPARE(ReadSettings(run.SettingsPath())->GetProfileInt(kSettingsSection, "MRUsize", -99), c.size);
            // A list of no entries takes none.
            run.App().AddToRecent(RecentListKind::Parameters, "/photos/a.VMR");
            QCOMPARE(run.App().RecentList(RecentListKind::Parameters)->IsEmpty(), c.size == 0);
        }
    }

    void DialogFontResolution()
    {
        const QFont system = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        struct Case {
            const char* face;
            int size;
            const char* family; // nullptr: the system font's
            int pointSize;      // 0: the system font's
        };
        const Case cases[] = {
            {"DejaVu Serif", 0, nullptr, 0},   // size 0: the face is ignored
            {"DejaVu Serif", 11, "DejaVu Serif", 11},
            {"", 13, nullptr, 13},             // no face: the system face at that size
            {"DejaVu Serif", 500, nullptr, 0}, // no screen font that large: the system font
            {"DejaVu Serif", -4, nullptr, 0},
        };
        for (const Case& c : cases) {
            const QFont font = ResolveDialogFont(DialogFontSetting{c.face, c.size});
            QCOMPARE(font.family(), c.family == nullptr ? system.family() : QString::fromLatin1(c.family));
            QCOMPARE(font.pointSize(), c.pointSize == 0 ? system.pointSize() : c.pointSize);
        }
    }

    void DialogFontIsReadAtStartAndWrittenAtExit()
    {
        TempDir dir;
        const std::string path = dir.File("Velmo.ini");
        {
            AppRun::Setup setup;
            setup.settingsPath = path;
            setup.presets = [](SettingsStore& s) {
                s.WriteProfileString(kSettingsSection, "FontName", "DejaVu Sans");
                s.WriteProfileInt(kSettingsSection, "FontSize", 12);
            };
            AppRun run(setup);
            QCOMPARE(DialogFont().faceName, std::string("DejaVu Sans"));
            QCOMPARE(DialogFont().pointSize, 12);
            DialogFont().pointSize = 9;
        }
        auto stored = ReadSettings(path);
        QCOMPARE(stored->GetProfileString(kSettingsSection, "FontName", ""), std::string("DejaVu Sans"));
        QCOMPARE(stored->GetProfileInt(kSettingsSection, "FontSize", 0), 9);
        DialogFont() = {};
    }

    void WithoutLanguageFilesTheProgramRunsInEnglish()
    {
        AppRun::Setup setup;
        setup.presets = [](SettingsStore& s) { s.WriteProfileInt(kSettingsSection, "Language", 0x411); };
        AppRun run(setup);
        QCOMPARE(run.App().Languages().GetSize(), 1);
        QCOMPARE(run.App().Languages()[0].langId, 1033);
        QCOMPARE(run.App().Languages()[0].name, std::string("English"));
        QCOMPARE(run.App().CurrentLanguage(), 1033);
        // The stored choice stays for the next start.
        QCOMPARE(ReadSettings(run.SettingsPath())->GetProfileInt(kSettingsSection, "Language", 0), 0x411);
    }

    void CommandLineFileOpensInTheExistingWindow()
    {
        TempDir dir;
        const std::string raf = WriteSmallRaf(dir.path(), "DSCF0001.RAF");
        AppRun::Setup setup;
        setup.arguments = {raf};
        AppRun run(setup);
        QVERIFY(run.Started());
        QVERIFY(run.Doc().HasImage());
        QCOMPARE(run.App().DocTemplate()->PathName(), raf);
        QCOMPARE(run.Frame().windowTitle(), QStringLiteral("velmo - DSCF0001.RAF"));
        QCOMPARE((*run.App().RecentFileList())[0], raf);
        QVERIFY(run.Messages().calls.empty());
        // The document was loaded with the frame in place: its host had a window.
        QVERIFY(run.App().DocTemplate()->Host().HasMainWindow());
    }

    void CommandLineFileLoadsInAWindowAlreadyDrawn()
    {
        TempDir dir;
        RafFileSpec recipe;
        recipe.model = "FinePix S9000";
        recipe.compressed = true;
        recipe.rawRows = 600;
        const std::string raf = dir.File("DSCF0003.RAF");
        QVERIFY(WriteRaf(raf, recipe));

        // Every paint of the picture view and of the status bar's message
        // pane, in order, from before the window exists.
        struct PaintLog final : QObject {
            std::vector<QString> entries;
            bool eventFilter(QObject* watched, QEvent* event) override
            {
                if (event->type() != QEvent::Paint)
                    return false;
                auto* widget = qobject_cast<QWidget*>(watched);
                auto* view = widget != nullptr ? dynamic_cast<CVelmoView*>(widget->parentWidget()) : nullptr;
                if (view != nullptr && view->viewport() == widget) {
                    const CVelmoApp* app = CVelmoApp::Instance();
                    const bool loaded = app != nullptr && app->Document() != nullptr && app->Document()->HasImage();
                    entries.push_back(loaded ? QStringLiteral("view with picture") : QStringLiteral("view"));
                } else if (auto* pane = dynamic_cast<StatusProgressPane*>(watched); pane != nullptr && pane->InProgress()) {
                    entries.push_back(pane->Text());
                }
                return false;
            }
        } log;
        qApp->installEventFilter(&log);
        AppRun::Setup setup;
        setup.arguments = {raf};
        AppRun run(setup);
        qApp->removeEventFilter(&log);

        QVERIFY(run.Doc().HasImage());
        QVERIFY(!run.App().CommandLineOpenPending());
        QVERIFY(run.Messages().calls.empty());
        QVERIFY(!log.entries.empty());
        // The empty window was drawn before the unpacking began...
        QCOMPARE(log.entries.front(), QStringLiteral("view"));
        const QRegularExpression unzipping(QStringLiteral("^Unzipping \\d\\d%$"));
        const auto first = std::find_if(log.entries.begin(), log.entries.end(),
                                        [&](const QString& e) { return unzipping.match(e).hasMatch(); });
        QVERIFY(first != log.entries.end());
        QVERIFY(std::find(log.entries.begin(), first, QStringLiteral("view")) != first);
        // ...and the unpacking's progress was drawn as it went: at most once
        // a step, though the unpacker reports after every 4 KiB.
        std::vector<QString> steps;
        std::copy_if(log.entries.begin(), log.entries.end(), std::back_inserter(steps),
                     [&](const QString& e) { return unzipping.match(e).hasMatch(); });
        QVERIFY2(steps.size() >= 3, qPrintable(QString::number(steps.size())));
        QVERIFY2(steps.back() >= QStringLiteral("Unzipping 50%"), qPrintable(steps.back()));
        QVERIFY2(steps.size() <= 101, qPrintable(QString::number(steps.size())));
    }

    // The file opens as soon as the window is on screen, in the fixed-size
    // view and in full mode alike (where the view covers the whole centre
    // of the window). No clock decides: once the window's exposure has been
    // handled and the events it queued have run, the file is open, and the
    // empty view was drawn before it.
    void CommandLineFileOpensOnceTheWindowIsShownInEitherViewMode()
    {
        TempDir dir;
        const std::string raf = WriteSmallRaf(dir.path(), "DSCF0008.RAF");
        for (const bool full : {false, true}) {
            const char* mode = full ? "full mode" : "fixed size";
            AppRun::Setup setup;
            setup.settingsPath = dir.File(full ? "full.ini" : "fixed.ini");
            {
                // The previous run ended in that view mode.
                AppRun previous(setup);
                if (full)
                    previous.Frame().ExecuteCommand(ID_ZOOM_FREE);
                previous.Quit();
            }
            struct ViewPaints final : QObject {
                std::vector<bool> loaded; // each paint of the view: was the picture there?
                bool eventFilter(QObject* watched, QEvent* event) override
                {
                    auto* widget = qobject_cast<QWidget*>(watched);
                    auto* view = widget != nullptr ? dynamic_cast<CVelmoView*>(widget->parentWidget()) : nullptr;
                    if (event->type() == QEvent::Paint && view != nullptr && view->viewport() == widget) {
                        const CVelmoApp* app = CVelmoApp::Instance();
                        loaded.push_back(app != nullptr && app->Document() != nullptr && app->Document()->HasImage());
                    }
                    return false;
                }
            } paints;
            qApp->installEventFilter(&paints);
            setup.arguments = {raf};
            setup.waitForOpen = false;
            AppRun run(setup);
            QVERIFY2(run.Started(), mode);
            QVERIFY2(run.Frame().IsFullMode() == full, mode);
            QVERIFY2(run.App().CommandLineOpenPending(), mode); // not before the window is shown
            const bool exposed = QTest::qWaitForWindowExposed(&run.Frame());
            ProcessEvents();
            qApp->removeEventFilter(&paints);
            QVERIFY2(exposed, mode);
            QVERIFY2(!run.App().CommandLineOpenPending(), mode);
            QVERIFY2(run.Doc().HasImage(), mode);
            QCOMPARE(run.App().DocTemplate()->PathName(), raf);
            QVERIFY2(!paints.loaded.empty() && !paints.loaded.front(), mode); // the empty view first
            QVERIFY(run.Messages().calls.empty());
        }
    }

    void OnlyASuccessfulLoadSetsPathTitleAndRecentList()
    {
        TempDir dir;
        const std::string raf = WriteSmallRaf(dir.path(), "DSCF0002.RAF");
        const std::string broken = dir.File("broken.RAF");
        WriteFile(broken, std::vector<uint8_t>(100, 0x41));
        const std::string profile = dir.File("display.icc");
        WriteFile(profile, std::vector<uint8_t>(64, 0));

        AppRun::Setup setup;
        setup.arguments = {raf};
        AppRun run(setup);
        const QString title = run.Frame().windowTitle();
        // A side file changes the current image and keeps its name.
        QVERIFY(run.App().OpenDocumentFile(profile) == nullptr);
        QCOMPARE(run.App().DocTemplate()->PathName(), raf);
        QCOMPARE(run.Frame().windowTitle(), title);
        QVERIFY(run.Doc().HasImage());
        // A RAW file that cannot be read leaves the image open, with its
        // name in the title.
        for (const std::string& other : {broken, dir.File("missing.RAF")}) {
            QVERIFY(run.App().OpenDocumentFile(other) == nullptr);
            QCOMPARE(run.App().DocTemplate()->PathName(), raf);
            QCOMPARE(run.Frame().windowTitle(), title);
            QVERIFY(run.Doc().HasImage());
        }
        QCOMPARE((*run.App().RecentFileList())[0], raf);
        QCOMPARE((*run.App().RecentFileList())[1], std::string());
        QCOMPARE(run.Messages().calls.size(), size_t(3)); // each failure said why
    }

    void EmptyDocumentIsTitledWithTheProgramsNameAlone()
    {
        TempDir dir;
        AppRun run;
        // No dash before a blank document title.
        QCOMPARE(run.Frame().windowTitle(), QStringLiteral("velmo"));
        QVERIFY(!run.Doc().HasImage());
        QVERIFY(run.Frame().isVisible());
        QVERIFY(run.Frame().acceptDrops());
        QVERIFY(run.App().OpenDocumentFile(WriteSmallRaf(dir.path(), "DSCF0003.RAF")) != nullptr);
        QCOMPARE(run.Frame().windowTitle(), QStringLiteral("velmo - DSCF0003.RAF"));
        run.Frame().ExecuteCommand(ID_FILE_NEW);
        QCOMPARE(run.Frame().windowTitle(), QStringLiteral("velmo"));
    }

    void NumericLocaleIsC()
    {
        // A decimal-comma locale from the environment must not reach the
        // parameter files.
        if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr && std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") == nullptr)
            QSKIP("no decimal-comma locale installed");
        AppRun run;
        char text[32];
        std::snprintf(text, sizeof text, "%f", 2.2);
        QCOMPARE(QString::fromLatin1(text), QStringLiteral("2.200000"));
    }
};

VELMO_APP_TEST(StartupTest);

} // namespace velmo::test

#include "StartupTest.moc"
