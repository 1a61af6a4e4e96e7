// The freedesktop file association in temporary XDG folders: the desktop
// entry, the MIME package and icons, the bindings in mimeapps.list and the
// desktop's own choices, the refresh of the databases.
#include "platform/core/IniFile.h"
#include "platform/core/MimeAppsList.h"
#include "platform/core/XdgAssociation.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace velmo {
namespace {

using test::TempDir;

const std::vector<DocumentType>& Types()
{
    static const std::vector<DocumentType> types = {
        {"Velmo.Document", 1, ".RAF", "image/x-fuji-raf", "FinePix RAW image"},
        {"Velmo.Document.2", 3, ".VMR", "application/x-velmo-parameters", "Velmo development parameters"},
    };
    return types;
}

std::string ReadFile(const std::string& path)
{
    std::string text;
    bool missing = false;
    ReadWholeFile(path, text, missing);
    return text;
}

void WriteFile(const std::string& path, const std::string& text)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

struct Desktop {
    TempDir dir;
    XdgAssociationBackend backend{{dir.File("data"), dir.File("config"), {"gnome"}}};
    std::vector<std::string> toolsRun;

    Desktop()
    {
        backend.SetToolRunner([this](const std::string& tool, const std::vector<std::string>& arguments) {
            toolsRun.push_back(tool + " " + arguments.at(0));
            return true;
        });
    }
};

TEST(XdgAssociationTest, RegistersTheProgramWithItsTypesAndIcons)
{
    Desktop d;
    ASSERT_TRUE(d.backend.RegisterProgram("/opt/my photo tools/velmo", Types()));
    const std::string entry = ReadFile(d.backend.DesktopEntryPath());
    EXPECT_EQ(d.backend.DesktopEntryPath(), d.dir.File("data") + "/applications/velmo.desktop");
    EXPECT_NE(entry.find("\nExec=\"/opt/my photo tools/velmo\" %f\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nTryExec=/opt/my photo tools/velmo\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nMimeType=image/x-fuji-raf;application/x-velmo-parameters;\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nIcon=velmo\n"), std::string::npos);

    const std::string package = ReadFile(d.backend.MimePackagePath());
    for (const char* part : {"<mime-type type=\"image/x-fuji-raf\">", "<glob pattern=\"*.RAF\"/>", "<glob pattern=\"*.raf\"/>",
                             "<icon name=\"velmo-raf\"/>", "<mime-type type=\"application/x-velmo-parameters\">",
                             "<glob pattern=\"*.VMR\"/>", "<glob pattern=\"*.vmr\"/>", "<icon name=\"velmo-vmr\"/>"})
        EXPECT_NE(package.find(part), std::string::npos) << part;
    for (const std::string& icon : {d.backend.IconPath("velmo", true), d.backend.IconPath("velmo-raf", false),
                                    d.backend.IconPath("velmo-vmr", false)})
        EXPECT_EQ(ReadFile(icon).rfind("<?xml", 0), 0u) << icon;

    // The databases are refreshed once, after the change.
    d.backend.Flush();
    EXPECT_EQ(d.toolsRun, (std::vector<std::string>{"update-mime-database " + d.dir.File("data") + "/mime",
                                                   "update-desktop-database " + d.dir.File("data") + "/applications"}));
    d.backend.Flush();
    EXPECT_EQ(d.toolsRun.size(), 2u);

    // The same registration again writes nothing and refreshes nothing.
    struct stat before {};
    ASSERT_EQ(::stat(d.backend.DesktopEntryPath().c_str(), &before), 0);
    ASSERT_TRUE(d.backend.RegisterProgram("/opt/my photo tools/velmo", Types()));
    d.backend.Flush();
    EXPECT_EQ(d.toolsRun.size(), 2u);
    struct stat after {};
    ASSERT_EQ(::stat(d.backend.DesktopEntryPath().c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);

    // A moved program is registered anew.
    ASSERT_TRUE(d.backend.RegisterProgram("/usr/bin/velmo", Types()));
    EXPECT_NE(ReadFile(d.backend.DesktopEntryPath()).find("\nExec=/usr/bin/velmo %f\n"), std::string::npos);
    d.backend.Flush();
    EXPECT_EQ(d.toolsRun.size(), 4u);

    // A path a desktop entry cannot hold is not registered.
    EXPECT_FALSE(d.backend.RegisterProgram("velmo", Types()));
    EXPECT_FALSE(d.backend.RegisterProgram("/opt/new\nline/velmo", Types()));
}

TEST(XdgAssociationTest, ExecLinesAreQuotedAndEscaped)
{
    struct Case {
        const char* path;
        const char* exec;
    };
    const Case cases[] = {
        {"/usr/bin/velmo", "/usr/bin/velmo %f"},
        {"/opt/my tools/velmo", "\"/opt/my tools/velmo\" %f"},
        {"/opt/100%/velmo", "/opt/100%%/velmo %f"},
        {"/opt/$HOME/velmo", "\"/opt/\\\\$HOME/velmo\" %f"},          // \$ inside quotes, backslash doubled
        {"/opt/a\"b/velmo", "\"/opt/a\\\\\"b/velmo\" %f"},
        {"/opt/back\\slash/velmo", "\"/opt/back\\\\\\\\slash/velmo\" %f"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DesktopExecLine(c.path), c.exec) << c.path;
}

TEST(XdgAssociationTest, BindingsLiveInMimeAppsAndTheDesktopsOwnChoices)
{
    Desktop d;
    const DocumentType& raf = Types().front();
    EXPECT_EQ(d.backend.Binding(raf), "");
    EXPECT_EQ(d.backend.UserChoice(raf), std::nullopt); // no gnome-mimeapps.list

    const std::string user = "# mine\n[Default Applications]\nimage/x-fuji-raf=rawviewer.desktop;\ntext/plain=gedit.desktop;\n";
    WriteFile(d.backend.MimeAppsPath(), user);
    EXPECT_EQ(d.backend.Binding(raf), "rawviewer.desktop;");
    ASSERT_TRUE(d.backend.SetBinding(raf, d.backend.ProgramBinding()));
    EXPECT_EQ(d.backend.Binding(raf), "velmo.desktop;");
    ASSERT_TRUE(d.backend.SetBinding(raf, "rawviewer.desktop;"));
    EXPECT_EQ(ReadFile(d.backend.MimeAppsPath()), user);
    // An empty binding removes the line.
    ASSERT_TRUE(d.backend.SetBinding(raf, ""));
    EXPECT_EQ(ReadFile(d.backend.MimeAppsPath()), "# mine\n[Default Applications]\ntext/plain=gedit.desktop;\n");

    // The desktop's own file is the user's: its choice is replaced on its
    // line and written back there; the file is never removed or created and
    // gets no line it did not have.
    const std::string own = d.dir.File("config") + "/gnome-mimeapps.list";
    const std::string only = "[Default Applications]\nimage/x-fuji-raf=other.desktop;\n";
    WriteFile(own, only);
    EXPECT_EQ(d.backend.UserChoice(raf), "other.desktop;");
    ASSERT_TRUE(d.backend.SetUserChoice(raf, "velmo.desktop;"));
    EXPECT_EQ(ReadFile(own), "[Default Applications]\nimage/x-fuji-raf=velmo.desktop;\n");
    ASSERT_TRUE(d.backend.SetUserChoice(raf, "other.desktop;"));
    EXPECT_EQ(ReadFile(own), only);
    EXPECT_FALSE(d.backend.SetUserChoice(raf, "")) << "no choice is no value to write";
    EXPECT_EQ(ReadFile(own), only);

    const std::string between = "# mine\r\n[Default Applications]\r\ntext/plain=gedit.desktop;\r\n"
                                "image/x-fuji-raf = darkroom.desktop;gimp.desktop; \r\nimage/png=eog.desktop;\r\n";
    WriteFile(own, between);
    EXPECT_EQ(d.backend.UserChoice(raf), "darkroom.desktop;gimp.desktop; ");
    ASSERT_TRUE(d.backend.SetUserChoice(raf, "velmo.desktop;"));
    EXPECT_EQ(ReadFile(own), "# mine\r\n[Default Applications]\r\ntext/plain=gedit.desktop;\r\n"
                             "image/x-fuji-raf = velmo.desktop;\r\nimage/png=eog.desktop;\r\n");
    ASSERT_TRUE(d.backend.SetUserChoice(raf, "darkroom.desktop;gimp.desktop; "));
    EXPECT_EQ(ReadFile(own), between);

    std::filesystem::remove(own);
    EXPECT_EQ(d.backend.UserChoice(raf), std::nullopt);
    ASSERT_TRUE(d.backend.SetUserChoice(raf, "darkroom.desktop;"));
    EXPECT_FALSE(std::filesystem::exists(own)); // not created
    WriteFile(own, "[Added Associations]\nimage/png=eog.desktop;\n");
    EXPECT_EQ(d.backend.UserChoice(raf), "");
    ASSERT_TRUE(d.backend.SetUserChoice(raf, "darkroom.desktop;"));
    EXPECT_EQ(ReadFile(own), "[Added Associations]\nimage/png=eog.desktop;\n"); // no line added
}

TEST(XdgAssociationTest, ALinkedMimeAppsListStaysALink)
{
    Desktop d;
    const std::string target = d.dir.File("dotfiles/mimeapps.list");
    WriteFile(target, "[Default Applications]\ntext/plain=gedit.desktop;\n");
    std::filesystem::create_directories(d.dir.File("config"));
    std::filesystem::create_symlink(target, d.backend.MimeAppsPath());
    ASSERT_TRUE(d.backend.SetBinding(Types().front(), d.backend.ProgramBinding()));
    EXPECT_TRUE(std::filesystem::is_symlink(d.backend.MimeAppsPath()));
    EXPECT_NE(ReadFile(target).find("image/x-fuji-raf=velmo.desktop;"), std::string::npos);
}

TEST(XdgAssociationTest, RootsComeFromTheEnvironment)
{
    const char* names[] = {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CURRENT_DESKTOP"};
    std::vector<std::optional<std::string>> saved;
    for (const char* name : names)
        saved.push_back(std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt);

    setenv("HOME", "/home/ann", 1);
    setenv("XDG_DATA_HOME", "/data/ann", 1);
    setenv("XDG_CONFIG_HOME", "relative/config", 1); // to be ignored
    setenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME:bad/name", 1);
    XdgRoots roots = XdgRoots::FromEnvironment();
    EXPECT_EQ(roots.dataHome, "/data/ann");
    EXPECT_EQ(roots.configHome, "/home/ann/.config");
    EXPECT_EQ(roots.desktops, (std::vector<std::string>{"ubuntu", "gnome"}));
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_CURRENT_DESKTOP");
    roots = XdgRoots::FromEnvironment();
    EXPECT_EQ(roots.dataHome, "/home/ann/.local/share");
    EXPECT_TRUE(roots.desktops.empty());

    for (size_t i = 0; i < saved.size(); ++i) {
        if (saved[i])
            setenv(names[i], saved[i]->c_str(), 1);
        else
            unsetenv(names[i]);
    }
}

// With the real tool, the MIME database of the temporary folder knows the types.
TEST(XdgAssociationTest, RefreshBuildsTheMimeDatabaseWhenTheToolExists)
{
    TempDir dir;
    XdgAssociationBackend backend({dir.File("data"), dir.File("config"), {}});
    ASSERT_TRUE(backend.RegisterProgram("/usr/bin/velmo", Types()));
    backend.Flush();
    if (!RunTool("update-mime-database", {"-v"}, 10))
        GTEST_SKIP() << "update-mime-database is not installed";
    const std::string globs = ReadFile(dir.File("data") + "/mime/globs2");
    EXPECT_NE(globs.find("image/x-fuji-raf:*.raf"), std::string::npos) << globs;
    EXPECT_NE(globs.find("application/x-velmo-parameters:*.vmr"), std::string::npos) << globs;
}

} // namespace
} // namespace velmo
