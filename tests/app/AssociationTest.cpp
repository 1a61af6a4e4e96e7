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

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

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
        if (readOnly || choice.empty())
            return false;
        if (auto found = choices.find(type.mimeType); hasChoices && found != choices.end())
            found->second = choice;
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

// Environment variables set for a scope, then put back as they were.
class ScopedEnv {
public:
    explicit ScopedEnv(std::initializer_list<std::pair<const char*, std::string>> values)
    {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name);
            saved.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
            setenv(name, value.c_str(), 1);
        }
    }
    ~ScopedEnv()
    {
        for (const auto& [name, value] : saved) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};

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
        QCOMPARE(desktop.choices[kRaf], std::string("velmo.desktop;")); // another would win over the binding
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

    // The menu item over real files: associating then restoring gives every
    // list back byte for byte, present or absent, comments and unrelated
    // lines included: mimeapps.list as the start left it (with the
    // program's own types) and the desktop's own lists as the user keeps
    // them. Meanwhile the desktop's own choice names the program, so that it
    // does not win over the binding. The restore in a later run does the same.
    void MenuItemTogglesTheBindingAndRestoresEveryListByteForByte()
    {
        const std::string userFile = "# my file types\n"
                                     "[Default Applications]\n"
                                     "text/plain = gedit.desktop;\n"
                                     "image/x-fuji-raf=rawviewer.desktop;\n"
                                     "\n"
                                     "[Added Associations]\n"
                                     "image/x-fuji-raf=gimp.desktop;rawviewer.desktop;\n";
        using Lists = std::map<std::string, std::optional<std::string>>; // file name -> text, nullopt: absent
        struct Case {
            const char* name;
            const char* currentDesktop; // XDG_CURRENT_DESKTOP
            Lists lists;                // the files in $XDG_CONFIG_HOME before the start
        };
        const Case cases[] = {
            {"a desktop list holding only the RAF choice", "GNOME",
             {{"mimeapps.list", userFile},
              {"gnome-mimeapps.list", "[Default Applications]\nimage/x-fuji-raf=other.desktop;\n"}}},
            {"the choice before another line, no mimeapps.list yet", "KDE",
             {{"mimeapps.list", std::nullopt},
              {"kde-mimeapps.list",
               "[Default Applications]\nimage/x-fuji-raf=darkroom.desktop;\nimage/png=eog.desktop;\n"}}},
            {"two desktops, the choice in the second", "ubuntu:GNOME",
             {{"mimeapps.list", userFile},
              {"ubuntu-mimeapps.list", "[Added Associations]\nimage/png=eog.desktop;\n"},
              {"gnome-mimeapps.list", "# chosen in Settings\r\n[Default Applications]\r\n"
                                      "image/x-fuji-raf = other.desktop;\r\n"}}},
            {"no desktop list", "GNOME", {{"mimeapps.list", userFile}, {"gnome-mimeapps.list", std::nullopt}}},
        };
        for (const Case& c : cases) {
            for (const bool laterRun : {false, true}) {
                const std::string what = std::string(c.name) + (laterRun ? ", restored in a later run" : "");
                TempDir xdg;
                const std::string config = xdg.File("config");
                std::filesystem::create_directories(config);
                for (const auto& [name, text] : c.lists)
                    if (text)
                        std::ofstream(config + "/" + name, std::ios::binary) << *text;
                // The desktop as the program finds it in its environment.
                XdgRoots roots;
                {
                    ScopedEnv env({{"XDG_CURRENT_DESKTOP", c.currentDesktop},
                                   {"XDG_CONFIG_HOME", config},
                                   {"XDG_DATA_HOME", xdg.File("data")}});
                    roots = XdgRoots::FromEnvironment();
                }
                XdgAssociationBackend desktop(roots);
                desktop.SetToolRunner({});
                auto listsNow = [&] {
                    Lists now;
                    for (const auto& entry : c.lists) {
                        const std::string text = ReadFile(config + "/" + entry.first);
                        now[entry.first] = text == "(absent)" ? std::nullopt : std::optional<std::string>(text);
                    }
                    return now;
                };

                AppRun::Setup setup;
                setup.settingsPath = xdg.File("Velmo.ini");
                setup.association = &desktop;
                auto run = std::make_unique<AppRun>(setup);
                QVERIFY2(!MenuChecked(*run), what.c_str());
                // The start adds the program's own types to mimeapps.list and
                // touches nothing else.
                const Lists started = listsNow();
                for (const auto& [name, text] : c.lists)
                    if (name != "mimeapps.list")
                        QVERIFY2(started.at(name) == text, (what + ": " + name).c_str());
                const std::optional<std::string> startedMimeApps = started.at("mimeapps.list");
                QVERIFY2(startedMimeApps && startedMimeApps->find("application/x-velmo-parameters=velmo.desktop;") !=
                                                std::string::npos,
                         what.c_str());
                if (c.lists.at("mimeapps.list"))
                    QVERIFY2(startedMimeApps->rfind(userFile.substr(0, userFile.find("\n\n")), 0) == 0, what.c_str());

                run->Frame().ExecuteCommand(ID_ASSOCIATE);
                QVERIFY2(MenuChecked(*run), what.c_str());
                QVERIFY2(MimeAppsList(*listsNow().at("mimeapps.list")).Get(kDefaultApplicationsSection, kRaf) ==
                             "velmo.desktop;",
                         what.c_str());
                const std::optional<std::string> choice = desktop.UserChoice(VelmoDocumentTypes().front());
                QVERIFY2(!choice || choice->empty() || *choice == "velmo.desktop;", what.c_str());
                for (const auto& [name, text] : listsNow())
                    QVERIFY2(text.has_value() == started.at(name).has_value(), (what + ": " + name).c_str());

                if (laterRun) {
                    run.reset();
                    run = std::make_unique<AppRun>(setup);
                    QVERIFY2(MenuChecked(*run), what.c_str());
                }
                run->Frame().ExecuteCommand(ID_ASSOCIATE);
                QVERIFY2(!MenuChecked(*run), what.c_str());
                const Lists restored = listsNow();
                for (const auto& [name, text] : started) {
                    const std::string shown = (what + ": " + name + " is\n" + restored.at(name).value_or("(absent)") +
                                               "\ninstead of\n" + text.value_or("(absent)"));
                    QVERIFY2(restored.at(name) == text, shown.c_str());
                }
            }
        }
    }
};

VELMO_APP_TEST(AssociationTest);

} // namespace velmo::test

#include "AssociationTest.moc"
