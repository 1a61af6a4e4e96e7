// The file association on a freedesktop desktop (GNOME, KDE, Xfce ...):
//   - the program: the desktop entry $XDG_DATA_HOME/applications/velmo.desktop
//     (its command with the file as argument, its icon, its MIME types);
//   - the types: a MIME package $XDG_DATA_HOME/mime/packages/velmo.xml with
//     upper- and lower-case globs and an icon each, the icons as SVG files in
//     $XDG_DATA_HOME/icons/hicolor/scalable/;
//   - a type's binding: its line in the "Default Applications" section of
//     $XDG_CONFIG_HOME/mimeapps.list;
//   - the user's own choice that overrides it: the same line in the current
//     desktop's $XDG_CONFIG_HOME/<desktop>-mimeapps.list, where that file
//     holds one (only its value is ever changed: the file is the user's).
// Files are written only when their contents change, atomically; the
// mimeapps.list files are edited line by line. Flush runs
// update-mime-database and update-desktop-database when they are installed
// and something they index changed.
#pragma once

#include "platform/core/FileAssociationBackend.h"

#include <functional>
#include <string>
#include <vector>

namespace velmo {

struct XdgRoots {
    std::string dataHome;              // $XDG_DATA_HOME, else ~/.local/share
    std::string configHome;            // $XDG_CONFIG_HOME, else ~/.config
    std::vector<std::string> desktops; // $XDG_CURRENT_DESKTOP's names, lower case

    static XdgRoots FromEnvironment();
};

class XdgAssociationBackend final : public IFileAssociationBackend {
public:
    // Runs a refresh tool with its arguments; false when it is not installed
    // or failed.
    using ToolRunner = std::function<bool(const std::string& tool, const std::vector<std::string>& arguments)>;

    explicit XdgAssociationBackend(XdgRoots roots);

    bool RegisterProgram(const std::string& programPath, const std::vector<DocumentType>& types) override;
    std::string ProgramBinding() const override;
    std::string Binding(const DocumentType& type) override;
    bool SetBinding(const DocumentType& type, const std::string& binding) override;
    std::optional<std::string> UserChoice(const DocumentType& type) override;
    bool SetUserChoice(const DocumentType& type, const std::string& choice) override;
    void Flush() override;

    // The default runs the tool from PATH (at most 30 s, output discarded).
    void SetToolRunner(ToolRunner runner) { toolRunner = std::move(runner); }

    const XdgRoots& Roots() const { return roots; }
    std::string DesktopEntryPath() const;
    std::string MimePackagePath() const;
    std::string MimeAppsPath() const;
    std::string IconPath(const std::string& iconName, bool application) const;
    // The desktop entry's name ("velmo.desktop") and its icon's.
    static const char* DesktopId();
    static std::string TypeIconName(const DocumentType& type);

private:
    std::vector<std::string> DesktopMimeAppsPaths() const;

    XdgRoots roots;
    ToolRunner toolRunner;
    bool refreshPending = false;
};

// Runs program (searched in PATH) with arguments, waiting at most
// timeoutSeconds; true when it ran and exited with status 0.
bool RunTool(const std::string& program, const std::vector<std::string>& arguments, int timeoutSeconds);

// The desktop-entry Exec value that runs programPath on one file ("%f"),
// quoted and escaped as desktop entry files require.
std::string DesktopExecLine(const std::string& programPath);

} // namespace velmo
