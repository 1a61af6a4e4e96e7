#include "platform/core/XdgAssociation.h"

#include "platform/core/IniFile.h"
#include "platform/core/MimeAppsList.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace velmo {

namespace {

constexpr const char* kDesktopId = "velmo.desktop";
constexpr const char* kProgramIcon = "velmo";
constexpr const char* kMimePackage = "velmo.xml";
constexpr int kToolTimeoutSeconds = 30;

std::string HomeDirectory()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
    return "/";
}

// An absolute $name, else home + fallback (relative values are to be ignored).
std::string XdgDirectory(const char* name, const char* fallback)
{
    if (const char* value = std::getenv(name); value != nullptr && value[0] == '/')
        return value;
    return HomeDirectory() + fallback;
}

bool HasControlCharacters(const std::string& s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return true;
    return false;
}

// The file as it is (a symbolic link's target, so that editing keeps the link).
std::string ResolvedPath(const std::string& path)
{
    std::error_code error;
    if (std::filesystem::is_symlink(path, error)) {
        const std::filesystem::path target = std::filesystem::canonical(path, error);
        if (!error)
            return target.string();
    }
    return path;
}

// Writes text to path when the file holds something else; changed tells
// whether it did.
bool WriteIfChanged(const std::string& path, const std::string& text, bool* changed)
{
    std::string current;
    bool missing = false;
    if (ReadWholeFile(path, current, missing) && current == text)
        return true;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    if (error || !WriteFileAtomically(ResolvedPath(path), text, false))
        return false;
    if (changed != nullptr)
        *changed = true;
    return true;
}

std::string XmlEscaped(const std::string& s)
{
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c; break;
        }
    }
    return out;
}

// A desktop entry's string value: backslashes doubled.
std::string DesktopString(const std::string& s)
{
    std::string out;
    for (char c : s) {
        if (c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

std::string Upper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return s;
}

// A document sheet with a folded corner, the type's extension on it, in the
// colour of its icon index.
std::string TypeIconSvg(const DocumentType& type)
{
    static const char* const kColours[] = {"#5a6b7c", "#2f6fb0", "#b0752f", "#3d8f4e", "#8f3d8a", "#2f9aa0", "#a03a3a"};
    const char* colour = kColours[size_t(type.iconIndex) % (sizeof kColours / sizeof kColours[0])];
    const std::string label = XmlEscaped(Upper(type.extension.size() > 1 ? type.extension.substr(1) : type.extension));
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" viewBox=\"0 0 64 64\">\n"
                       "  <path d=\"M12 4h28l14 14v42H12z\" fill=\"#f4f4f4\" stroke=\"#6b6b6b\" stroke-width=\"2\"/>\n"
                       "  <path d=\"M40 4v14h14\" fill=\"#dcdcdc\" stroke=\"#6b6b6b\" stroke-width=\"2\"/>\n"
                       "  <rect x=\"8\" y=\"34\" width=\"48\" height=\"18\" rx=\"3\" fill=\"") +
           colour +
           "\"/>\n"
           "  <text x=\"32\" y=\"48\" font-family=\"sans-serif\" font-size=\"13\" font-weight=\"bold\" "
           "text-anchor=\"middle\" fill=\"#ffffff\">" +
           label + "</text>\n</svg>\n";
}

// The program's icon: a lens with the program's initial.
std::string ProgramIconSvg()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" viewBox=\"0 0 64 64\">\n"
           "  <circle cx=\"32\" cy=\"32\" r=\"29\" fill=\"#23384f\" stroke=\"#0f1b28\" stroke-width=\"2\"/>\n"
           "  <circle cx=\"32\" cy=\"32\" r=\"20\" fill=\"#3f7fbf\" stroke=\"#a9c8e8\" stroke-width=\"3\"/>\n"
           "  <path d=\"M22 22l10 22 10-22\" fill=\"none\" stroke=\"#ffffff\" stroke-width=\"5\" "
           "stroke-linejoin=\"round\" stroke-linecap=\"round\"/>\n"
           "</svg>\n";
}

std::string DesktopEntryText(const std::string& programPath, const std::vector<DocumentType>& types)
{
    std::string mimeTypes;
    for (const DocumentType& type : types)
        mimeTypes += type.mimeType + ";";
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Version=1.0\n"
           "Name=Velmo\n"
           "GenericName=RAW Developer\n"
           "Comment=Develop FinePix RAW files\n"
           "Exec=" +
           DesktopExecLine(programPath) +
           "\n"
           "TryExec=" +
           DesktopString(programPath) +
           "\n"
           "Icon=" +
           kProgramIcon +
           "\n"
           "Terminal=false\n"
           "Categories=Graphics;Photography;\n"
           "MimeType=" +
           mimeTypes + "\n";
}

std::string MimePackageText(const std::vector<DocumentType>& types)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
    for (const DocumentType& type : types) {
        xml += "  <mime-type type=\"" + XmlEscaped(type.mimeType) + "\">\n";
        xml += "    <comment>" + XmlEscaped(type.description) + "</comment>\n";
        xml += "    <icon name=\"" + XmlEscaped(XdgAssociationBackend::TypeIconName(type)) + "\"/>\n";
        xml += "    <glob pattern=\"*" + XmlEscaped(Upper(type.extension)) + "\"/>\n";
        xml += "    <glob pattern=\"*" + XmlEscaped(Lower(type.extension)) + "\"/>\n";
        xml += "  </mime-type>\n";
    }
    xml += "</mime-info>\n";
    return xml;
}

// Edits the mimeapps file at path with edit; the file is written only when
// its text changed, and removed when nothing is left in it.
bool EditMimeApps(const std::string& path, const std::function<bool(MimeAppsList&)>& edit)
{
    std::string text;
    bool missing = false;
    if (!ReadWholeFile(path, text, missing) && !missing)
        return false;
    MimeAppsList list(text);
    if (!edit(list))
        return true;
    const std::string updated = list.Text();
    if (updated.empty())
        return ::unlink(ResolvedPath(path).c_str()) == 0 || errno == ENOENT;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    return !error && WriteFileAtomically(ResolvedPath(path), updated, false);
}

std::optional<std::string> ReadMimeAppsValue(const std::string& path, const std::string& mimeType, bool* exists)
{
    std::string text;
    bool missing = false;
    const bool read = ReadWholeFile(path, text, missing);
    if (exists != nullptr)
        *exists = read;
    if (!read)
        return std::nullopt;
    return MimeAppsList(text).Get(kDefaultApplicationsSection, mimeType);
}

bool RunToolFromPath(const std::string& tool, const std::vector<std::string>& arguments)
{
    return RunTool(tool, arguments, kToolTimeoutSeconds);
}

} // namespace

XdgRoots XdgRoots::FromEnvironment()
{
    XdgRoots roots;
    roots.dataHome = XdgDirectory("XDG_DATA_HOME", "/.local/share");
    roots.configHome = XdgDirectory("XDG_CONFIG_HOME", "/.config");
    if (const char* current = std::getenv("XDG_CURRENT_DESKTOP")) {
        std::string names = current;
        size_t start = 0;
        while (start <= names.size()) {
            const size_t colon = names.find(':', start);
            std::string name = Lower(names.substr(start, colon == std::string::npos ? std::string::npos : colon - start));
            // Only names that make a plain file name.
            const bool plain = !name.empty() && name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_-") ==
                                                    std::string::npos;
            if (plain)
                roots.desktops.push_back(name);
            if (colon == std::string::npos)
                break;
            start = colon + 1;
        }
    }
    return roots;
}

XdgAssociationBackend::XdgAssociationBackend(XdgRoots xdgRoots)
    : roots(std::move(xdgRoots)), toolRunner(RunToolFromPath)
{
}

const char* XdgAssociationBackend::DesktopId()
{
    return kDesktopId;
}

std::string XdgAssociationBackend::TypeIconName(const DocumentType& type)
{
    return "velmo-" + Lower(type.extension.size() > 1 ? type.extension.substr(1) : type.extension);
}

std::string XdgAssociationBackend::DesktopEntryPath() const
{
    return roots.dataHome + "/applications/" + kDesktopId;
}

std::string XdgAssociationBackend::MimePackagePath() const
{
    return roots.dataHome + "/mime/packages/" + kMimePackage;
}

std::string XdgAssociationBackend::MimeAppsPath() const
{
    return roots.configHome + "/mimeapps.list";
}

std::string XdgAssociationBackend::IconPath(const std::string& iconName, bool application) const
{
    return roots.dataHome + "/icons/hicolor/scalable/" + (application ? "apps/" : "mimetypes/") + iconName + ".svg";
}

std::vector<std::string> XdgAssociationBackend::DesktopMimeAppsPaths() const
{
    std::vector<std::string> paths;
    for (const std::string& desktop : roots.desktops)
        paths.push_back(roots.configHome + "/" + desktop + "-mimeapps.list");
    return paths;
}

bool XdgAssociationBackend::RegisterProgram(const std::string& programPath, const std::vector<DocumentType>& types)
{
    // A path the desktop entry cannot hold is not registered.
    if (programPath.empty() || programPath[0] != '/' || HasControlCharacters(programPath) || roots.dataHome.empty())
        return false;
    bool changed = false;
    bool ok = WriteIfChanged(DesktopEntryPath(), DesktopEntryText(programPath, types), &changed);
    ok = WriteIfChanged(MimePackagePath(), MimePackageText(types), &changed) && ok;
    bool iconsChanged = false;
    ok = WriteIfChanged(IconPath(kProgramIcon, true), ProgramIconSvg(), &iconsChanged) && ok;
    for (const DocumentType& type : types)
        ok = WriteIfChanged(IconPath(TypeIconName(type), false), TypeIconSvg(type), &iconsChanged) && ok;
    if (changed)
        refreshPending = true;
    return ok;
}

std::string XdgAssociationBackend::ProgramBinding() const
{
    return std::string(kDesktopId) + ";";
}

std::string XdgAssociationBackend::Binding(const DocumentType& type)
{
    return ReadMimeAppsValue(MimeAppsPath(), type.mimeType, nullptr).value_or(std::string());
}

bool XdgAssociationBackend::SetBinding(const DocumentType& type, const std::string& binding)
{
    if (HasControlCharacters(binding))
        return false;
    return EditMimeApps(MimeAppsPath(), [&](MimeAppsList& list) {
        return binding.empty() ? list.Remove(kDefaultApplicationsSection, type.mimeType)
                               : list.Set(kDefaultApplicationsSection, type.mimeType, binding);
    });
}

std::optional<std::string> XdgAssociationBackend::UserChoice(const DocumentType& type)
{
    std::optional<std::string> choice;
    for (const std::string& path : DesktopMimeAppsPaths()) {
        bool exists = false;
        const std::optional<std::string> value = ReadMimeAppsValue(path, type.mimeType, &exists);
        if (value)
            return value;
        if (exists && !choice)
            choice = std::string();
    }
    return choice;
}

bool XdgAssociationBackend::SetUserChoice(const DocumentType& type, const std::string& choice)
{
    if (choice.empty() || HasControlCharacters(choice))
        return false;
    // On the line of the first list that holds a choice for the type, in its
    // place: no file is created or removed and no line added or moved, so
    // that writing the earlier choice back gives each list back as it was.
    for (const std::string& path : DesktopMimeAppsPaths()) {
        if (!ReadMimeAppsValue(path, type.mimeType, nullptr))
            continue;
        return EditMimeApps(path, [&](MimeAppsList& list) {
            return list.Set(kDefaultApplicationsSection, type.mimeType, choice);
        });
    }
    return true; // the desktop keeps no choice for the type: nothing to do
}

void XdgAssociationBackend::Flush()
{
    if (!refreshPending)
        return;
    refreshPending = false;
    if (!toolRunner)
        return;
    std::error_code error;
    if (std::filesystem::is_directory(roots.dataHome + "/mime/packages", error))
        toolRunner("update-mime-database", {roots.dataHome + "/mime"});
    if (std::filesystem::is_directory(roots.dataHome + "/applications", error))
        toolRunner("update-desktop-database", {roots.dataHome + "/applications"});
}

std::string DesktopExecLine(const std::string& programPath)
{
    static const char* const kReserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string argument;
    const bool quote = programPath.find_first_of(kReserved) != std::string::npos;
    for (char c : programPath) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            argument += '\\';
        argument += c;
        if (c == '%')
            argument += '%'; // a literal percent sign, not a field code
    }
    if (quote)
        argument = "\"" + argument + "\"";
    return DesktopString(argument) + " %f";
}

bool RunTool(const std::string& program, const std::vector<std::string>& arguments, int timeoutSeconds)
{
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& a : argv)
        pointers.push_back(a.data());
    pointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return false;
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false; // not installed

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    int status = 0;
    while (true) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR)
            return false;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace velmo
