// The file association: the binding of RAF files saved, taken and given
// back, the check showing what the desktop holds, and the menu item over a
// real freedesktop setup in temporary XDG folders.
#include "app/FileAssociation.h"
#include "platform/core/IniFile.h"
#include "platform/core/MimeAppsList.h"
#include "platform/core/XdgAssociation.h"
#include "res/ResourceIds.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"

#include <QTest>

#include <filesystem>
#include <fstream>
#include <map>

namespace velmo::test {

namespace {

constexpr const char* kRaf = "image/x-fuji-raf";

// The desktop as a few maps; writes can be made to fail.
class FakeDesktop final : public IFileAssociationBackend {
public:
    bool RegisterProgram(const std::string& path, const std::vector<DocumentType>& types) override
    {
        programPath = path;
        registeredTypes = types.size();
        return !readOnly;
    }
    std::string ProgramBinding() const override { return "velmo.desktop;"; }
    std::string Binding(const DocumentType& type) override
    {
        auto found = bindings.find(type.mimeType);
        return found != bindings.end() ? found->second : std::string();
    }
    bool SetBinding(const DocumentType& type, const std::string& binding) override
    {
        if (readOnly)
            return false;
        log.push_back("bind " + type.mimeType + "=" + binding);
        if (binding.empty())
            bindings.erase(type.mimeType);
        else
            bindings[type.mimeType] = binding;
        return true;
    }
    std::optional<std::string> UserChoice(const DocumentType& type) override
    {
        if (!hasChoices)
            return std::nullopt;
        auto found = choices.find(type.mimeType);
        return found != choices.end() ? found->second : std::string();
    }
    bool SetUserChoice(const DocumentType& type, const std::string& choice) override
    {
        if (readOnly || !hasChoices)
            return false;
        if (choice.empty())
            choices.erase(type.mimeType);
        else
            choices[type.mimeType] = choice;
        return true;
    }
    void Flush() override { ++flushes; }

    std::map<std::string, std::string> bindings;
    std::map<std::string, std::string> choices;
    bool hasChoices = true;
    bool readOnly = false;
    std::string programPath;
    size_t registeredTypes = 0;
    int flushes = 0;
    std::vector<std::string> log;
};

std::string Stored(const char* key)
{
    return Settings().GetProfileString(kSettingsSection, key, "(absent)");
}

std::string ReadFile(const std::string& path)
{
    std::string text;
    bool missing = false;
    return ReadWholeFile(path, text, missing) ? text : std::string("(absent)");
}

bool MenuChecked(AppRun& run)
{
    CCmdUI ui(ID_ASSOCIATE);
    run.Frame().Route().Update(ui);
    return ui.check.value_or(0) != 0;
}

} // namespace

class AssociationTest : public QObject {
    Q_OBJECT

private slots:
    void StartRemembersTheOtherProgramAndRegistersTheTypes()
    {
        ScopedSettings settings;
        FakeDesktop desktop;
        desktop.bindings[kRaf] = "rawviewer.desktop;";
        desktop.choices[kRaf] = "darkroom.desktop;";
        CFileAssociation association(desktop);
        association.Update(-1, "/opt/velmo/velmo");
        QVERIFY(!association.Associated());
        QCOMPARE(Stored("AssocateApp"), std::string("rawviewer.desktop;"));
        QCOMPARE(Stored("AssocateApp2"), std::string("darkroom.desktop;"));
        QCOMPARE(desktop.programPath, std::string("/opt/velmo/velmo"));
        QCOMPARE(desktop.registeredTypes, VelmoDocumentTypes().size());
        // The program's own types open with it; RAF files are left alone.
        QCOMPARE(desktop.bindings[kRaf], std::string("rawviewer.desktop;"));
        for (size_t i = 1; i < VelmoDocumentTypes().size(); ++i)
            QCOMPARE(desktop.bindings[VelmoDocumentTypes()[i].mimeType], std::string("velmo.desktop;"));
        QCOMPARE(desktop.flushes, 1);
    }

    void TogglingTwiceGivesBackExactlyWhatWasThere()
    {
        ScopedSettings settings;
        FakeDesktop desktop;
        desktop.bindings[kRaf] = "rawviewer.desktop;";
        desktop.choices[kRaf] = "darkroom.desktop;";
        CFileAssociation association(desktop);
        association.Update(-1, "/opt/velmo/velmo");
        association.Update(1, "/opt/velmo/velmo");
        QVERIFY(association.Associated());
        QCOMPARE(desktop.bindings[kRaf], std::string("velmo.desktop;"));
        QCOMPARE(desktop.choices.count(kRaf), size_t(0)); // it would win over the binding
        association.Update(0, "/opt/velmo/velmo");
        QVERIFY(!association.Associated());
        QCOMPARE(desktop.bindings[kRaf], std::string("rawviewer.desktop;"));
        QCOMPARE(desktop.choices[kRaf], std::string("darkroom.desktop;"));
    }

    // A later run finds RAF files bound to the program: what to give back
    // comes from the settings, whatever the case of the binding.
    void ALaterRunRestoresWhatAnEarlierOneSaved()
    {
        for (const char* binding : {"velmo.desktop;", "velmo.Document", "VELMO.desktop;"}) {
            ScopedSettings settings;
            Settings().WriteProfileString(kSettingsSection, "AssocateApp", "rawviewer.desktop;");
            FakeDesktop desktop;
            desktop.bindings[kRaf] = binding;
            CFileAssociation association(desktop);
            association.Update(-1, "/opt/velmo/velmo");
            QVERIFY2(association.Associated(), binding);
            QCOMPARE(Stored("AssocateApp"), std::string("rawviewer.desktop;")); // not overwritten
            association.Update(0, "/opt/velmo/velmo");
            QVERIFY2(!association.Associated(), binding);
            QCOMPARE(desktop.bindings[kRaf], std::string("rawviewer.desktop;"));
        }
    }

    void RestoringWithNothingSavedRemovesTheBinding()
    {
        ScopedSettings settings;
        FakeDesktop desktop;
        CFileAssociation association(desktop);
        association.Update(-1, "/opt/velmo/velmo");
        QCOMPARE(Stored("AssocateApp"), std::string(""));
        QCOMPARE(Stored("AssocateApp2"), std::string("(absent)")); // only written when there is one
        association.Update(1, "/opt/velmo/velmo");
        association.Update(0, "/opt/velmo/velmo");
        QVERIFY(!association.Associated());
        QCOMPARE(desktop.bindings.count(kRaf), size_t(0));
        QCOMPARE(desktop.log.back(), std::string("bind image/x-fuji-raf=")); // removed, not set empty
    }

    void TheCheckShowsWhatTheDesktopHolds()
    {
        ScopedSettings settings;
        FakeDesktop desktop;
        desktop.readOnly = true;
        desktop.bindings[kRaf] = "rawviewer.desktop;";
        CFileAssociation association(desktop);
        association.Update(-1, "/opt/velmo/velmo");
        association.Update(1, "/opt/velmo/velmo"); // every write fails
        QVERIFY(!association.Associated());
        desktop.readOnly = false;
        desktop.bindings[kRaf] = "velmo.desktop;"; // bound meanwhile by someone else
        association.Update(-1, "/opt/velmo/velmo");
        QVERIFY(association.Associated());
    }

    // The menu item over real files: associating then restoring leaves the
    // user's mimeapps.list byte for byte as it was, comments and unrelated
    // lines included, and gives the desktop's own file its choice back.
    void MenuItemTogglesTheDesktopsBindingAndRestoresItsFiles()
    {
        const std::string userFile = "# my file types\n"
                                     "[Default Applications]\n"
                                     "text/plain = gedit.desktop;\n"
                                     "image/x-fuji-raf=rawviewer.desktop;\n"
                                     "\n"
                                     "[Added Associations]\n"
                                     "image/x-fuji-raf=gimp.desktop;rawviewer.desktop;\n";
        const std::string desktopFile = "[Default Applications]\nimage/x-fuji-raf=darkroom.desktop;\nimage/png=eog.desktop;\n";
        struct Case {
            const char* name;
            std::optional<std::string> mimeApps; // nullopt: no file yet
        };
        const Case cases[] = {{"the user's file", userFile}, {"no file yet", std::nullopt}};
        for (const Case& c : cases) {
            TempDir xdg;
            XdgAssociationBackend desktop({xdg.File("data"), xdg.File("config"), {"kde"}});
            desktop.SetToolRunner({});
            std::filesystem::create_directories(xdg.File("config"));
            if (c.mimeApps)
                std::ofstream(desktop.MimeAppsPath(), std::ios::binary) << *c.mimeApps;
            const std::string kdeFile = xdg.File("config") + "/kde-mimeapps.list";
            std::ofstream(kdeFile, std::ios::binary) << desktopFile;

            AppRun::Setup setup;
            setup.association = &desktop;
            AppRun run(setup);
            QVERIFY2(!MenuChecked(run), c.name);
            QVERIFY2(std::filesystem::exists(desktop.DesktopEntryPath()), c.name);
            QVERIFY2(std::filesystem::exists(desktop.MimePackagePath()), c.name);
            const std::string started = ReadFile(desktop.MimeAppsPath());
            QVERIFY2(started.find("application/x-velmo-parameters=velmo.desktop;") != std::string::npos, c.name);
            if (c.mimeApps) // the start adds the program's own types and nothing else
                QVERIFY2(started.rfind(userFile.substr(0, userFile.find("\n\n")), 0) == 0, c.name);

            run.Frame().ExecuteCommand(ID_ASSOCIATE);
            QVERIFY2(MenuChecked(run), c.name);
            QVERIFY2(MimeAppsList(ReadFile(desktop.MimeAppsPath())).Get(kDefaultApplicationsSection, kRaf) ==
                         "velmo.desktop;",
                     c.name);
            QVERIFY2(ReadFile(kdeFile) == "[Default Applications]\nimage/png=eog.desktop;\n", c.name);

            run.Frame().ExecuteCommand(ID_ASSOCIATE);
            QVERIFY2(!MenuChecked(run), c.name);
            QCOMPARE(ReadFile(desktop.MimeAppsPath()), started);
            // The desktop's own choice is back, at the end of its section.
            QCOMPARE(ReadFile(kdeFile),
                     std::string("[Default Applications]\nimage/png=eog.desktop;\nimage/x-fuji-raf=darkroom.desktop;\n"));
        }
    }
};

VELMO_APP_TEST(AssociationTest);

} // namespace velmo::test

#include "AssociationTest.moc"
