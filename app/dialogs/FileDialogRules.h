// The rules of the file dialogs, without widgets: file-type lists in the
// framework's form, the name that follows a chosen type, the extension added
// to a bare name, and the folder to select after the user went up a level.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmo {

// One entry of a file-type list "Name(*.A;*.B)|*.A;*.B|...||".
struct FileTypeFilter {
    std::string display;               // "JPEG (*.JPG)"
    std::vector<std::string> patterns; // "*.JPG"
};

// The entries up to the first empty display name (the closing "||") or the
// end of the text; an entry without patterns matches every file ("*").
std::vector<FileTypeFilter> ParseFileTypeFilter(std::string_view filter);

// The entry as a Qt name filter: "Name (*.A *.a *.B *.b)". A display name
// that already ends in its pattern list keeps it written once. Each pattern
// is listed in upper and lower case as well, since the folders on this
// system tell "A" and "a" apart and camera files come in both.
std::string QtNameFilter(const FileTypeFilter& type);

// The extension a type gives a file name: the first pattern's ".EXT", or ""
// when that pattern names no plain extension ("*", "*.*", "*.J?G").
std::string FileTypeExtension(const FileTypeFilter& type);

// The position of the extension's dot in the last part of path, or npos
// when that part has none (a leading dot starts a name, not an extension).
size_t ExtensionDot(std::string_view path);

// The name shown after the user chose a type: name without its extension
// followed by extension; name unchanged when extension is empty or the name
// is empty.
std::string NameForFileType(const std::string& name, const std::string& extension);

// path with extension appended when its last part has no extension of its
// own ("myframe" -> "myframe.VMF"); unchanged otherwise.
std::string WithTypeExtension(const std::string& path, const std::string& extension);

// The child folder the user left by going up from lastFolder to
// currentFolder ("/a/b" -> "/a" gives "b"; "/a/b/c" -> "/a" gives "b/c",
// which names no item), or "" when currentFolder is not an ancestor of
// lastFolder. Trailing separators do not count, so that the root works.
std::string FolderLeft(const std::string& lastFolder, const std::string& currentFolder);

} // namespace velmo
