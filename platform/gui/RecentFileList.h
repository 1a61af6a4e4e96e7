// A recent-file list: the most recent path first, kept in a settings
// section as numbered entries ("File1", "Params1", ...), shown in a menu in
// place of its placeholder item.
#pragma once

#include "platform/gui/CmdTarget.h"

#include <string>
#include <vector>

namespace velmo {

class CRecentFileList {
public:
    // firstIndex: the number of the first entry's mnemonic less one (0 gives
    // "&1"); size: entries kept (negative counts as 0); maxDisplayLength:
    // characters of a path shown in the menu.
    CRecentFileList(unsigned firstIndex, std::string section, std::string entryFormat, int size,
                    int maxDisplayLength);

    // Puts path first (moving it when listed); the last entry drops out.
    void Add(const std::string& path);
    void Remove(int index);
    int GetSize() const { return int(names.size()); }
    // The entry at index ("" when empty or out of range).
    const std::string& operator[](int index) const;
    bool IsEmpty() const { return names.empty() || names[0].empty(); }

    // Settings: the section is rewritten whole, empty entries left out.
    void ReadList();
    void WriteList() const;

    // The menu text of an entry: the path shortened to the display length
    // ("/.../dir/file.RAF"), '&' doubled, after the mnemonic.
    std::string MenuText(int index) const;
    // Replaces the placeholder (the item ui stands on) and any earlier
    // entries by the list; an empty list shows the placeholder's original
    // text, disabled.
    void UpdateMenu(CCmdUI& ui);

    const std::string& Section() const { return section; }
    std::string EntryName(int index) const;

private:
    unsigned firstIndex;
    std::string section;
    std::string entryFormat;
    int maxDisplayLength;
    std::vector<std::string> names;
    std::string originalText;
};

// A path cut to at most maxLength characters by replacing directories after
// the root with "...": "/home/user/photos/2009/DSCF0001.RAF" becomes
// "/.../2009/DSCF0001.RAF". A file name longer than maxLength is returned alone.
std::string AbbreviatePath(const std::string& path, int maxLength);

} // namespace velmo
