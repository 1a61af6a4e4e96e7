// What the file association needs from the desktop: the program registered
// as the opener of its document types, the binding of a type (the
// application its files open with) and the user's own choice that can
// override that binding.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velmo {

struct DocumentType {
    std::string progId;      // the type's name for the program ("Velmo.Document.2")
    int iconIndex = 0;       // which of the program's icons its files show
    std::string extension;   // ".VMR"
    std::string mimeType;    // "application/x-velmo-parameters"
    std::string description; // "Velmo parameters"
};

class IFileAssociationBackend {
public:
    virtual ~IFileAssociationBackend() = default;

    // Registers programPath as the opener of every type, with their icons.
    virtual bool RegisterProgram(const std::string& programPath, const std::vector<DocumentType>& types) = 0;
    // The binding that means "opens with this program".
    virtual std::string ProgramBinding() const = 0;

    // The type's binding ("" when none).
    virtual std::string Binding(const DocumentType& type) = 0;
    // Binds the type; "" removes the binding.
    virtual bool SetBinding(const DocumentType& type, const std::string& binding) = 0;

    // The user's own choice for the type, which wins over the binding
    // (nullopt when the desktop keeps no such choice for the user).
    virtual std::optional<std::string> UserChoice(const DocumentType& type) = 0;
    // Replaces the user's own choice where the desktop keeps one for the type,
    // in its place, so that writing the earlier choice back later gives the
    // desktop's lists back byte for byte. Where it keeps none nothing is
    // written; an empty choice is refused (false).
    virtual bool SetUserChoice(const DocumentType& type, const std::string& choice) = 0;

    // Makes the changes visible to the desktop (refreshes its databases).
    virtual void Flush() = 0;
};

} // namespace velmo
