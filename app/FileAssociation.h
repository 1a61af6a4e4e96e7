// The file association: at every start the program registers itself as the
// opener of its document types (the RAF files and its own parameter, white
// balance, selective colour, lens and tone curve files) and makes itself the
// default for its own types; on request it binds the RAF files to itself,
// and a second request gives them back to what they were bound to before.
// What that was is kept in "AssocateApp" (the binding) and "AssocateApp2"
// (the user's own choice), so that it can be restored in a later run too.
#pragma once

#include "platform/core/FileAssociationBackend.h"

#include <string>
#include <vector>

namespace velmo {

// The types in the order they are registered; the first is the RAF type.
const std::vector<DocumentType>& VelmoDocumentTypes();

// True when a binding names the program (its first five letters, in any case,
// are "VELMO").
bool IsProgramBinding(const std::string& binding);

class CFileAssociation {
public:
    explicit CFileAssociation(IFileAssociationBackend& desktop) : backend(desktop) {}

    // mode -1: refresh the registration, leaving the RAF binding alone;
    // 1: bind the RAF files to the program; 0: restore the previous binding.
    void Update(int mode, const std::string& programPath);
    // The RAF binding as read back after the last update: true when the
    // program is the one that opens RAF files.
    bool Associated() const { return associated; }
    const std::string& SavedBinding() const { return savedBinding; }
    const std::string& SavedUserChoice() const { return savedChoice; }

private:
    IFileAssociationBackend& backend;
    bool associated = false;
    std::string savedBinding;
    std::string savedChoice;
};

} // namespace velmo
