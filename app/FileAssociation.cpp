#include "app/FileAssociation.h"

#include "platform/core/SettingsStore.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

namespace velmo {

namespace {

constexpr const char* kS = kSettingsSection;

// The document template's file-type id ("Velmo.Document"), in English
// whatever the language: the desktop keeps it across languages.
std::string BaseProgId()
{
    const char* strings = EnglishString(IDS_DOC_STRINGS);
    std::string field;
    int index = 0;
    for (const char* c = strings != nullptr ? strings : ""; *c != '\0'; ++c) {
        if (*c == '\n') {
            if (index == 5)
                return field;
            ++index;
            field.clear();
        } else {
            field += *c;
        }
    }
    return index == 5 && !field.empty() ? field : "Velmo.Document";
}

} // namespace

const std::vector<DocumentType>& VelmoDocumentTypes()
{
    static const std::vector<DocumentType> types = [] {
        const std::string base = BaseProgId();
        return std::vector<DocumentType>{
            {base, 1, ".RAF", "image/x-fuji-raf", "FinePix RAW image"},
            {base + ".2", 3, ".VMR", "application/x-velmo-parameters", "Velmo development parameters"},
            {base + ".3", 2, ".VMW", "application/x-velmo-white-balance", "Velmo white balance"},
            {base + ".4", 4, ".VMC", "application/x-velmo-selective-colors", "Velmo selective colours"},
            {base + ".5", 5, ".VML", "application/x-velmo-lens-correction", "Velmo lens correction"},
            {base + ".6", 6, ".VMT", "application/x-velmo-tone-curve", "Velmo tone curve"},
        };
    }();
    return types;
}

bool IsProgramBinding(const std::string& binding)
{
    static const char kName[] = "VELMO";
    if (binding.size() < 5)
        return false;
    for (size_t i = 0; i < 5; ++i) {
        char c = binding[i];
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        if (c != kName[i])
            return false;
    }
    return true;
}

void CFileAssociation::Update(int mode, const std::string& programPath)
{
    const std::vector<DocumentType>& types = VelmoDocumentTypes();
    const DocumentType& raf = types.front();
    SettingsStore& s = Settings();

    // What RAF files opened with before the program took them over: read
    // once a run (while nothing is known), or, when they are the program's
    // already, taken from what an earlier run stored.
    if (savedBinding.empty()) {
        savedBinding = backend.Binding(raf);
        savedChoice = backend.UserChoice(raf).value_or(std::string());
        if (IsProgramBinding(savedBinding)) {
            savedBinding = s.GetProfileString(kS, "AssocateApp", "");
            savedChoice = s.GetProfileString(kS, "AssocateApp2", "");
        } else {
            s.WriteProfileString(kS, "AssocateApp", savedBinding);
            if (!savedChoice.empty())
                s.WriteProfileString(kS, "AssocateApp2", savedChoice);
        }
    }

    // The program opens every type; its own types open with it by default.
    backend.RegisterProgram(programPath, types);
    if (mode == 1)
        backend.SetBinding(raf, backend.ProgramBinding());
    for (size_t i = 1; i < types.size(); ++i)
        backend.SetBinding(types[i], backend.ProgramBinding());

    if (mode == 0) {
        // Nothing saved: the program's binding is removed, not replaced by
        // an empty one.
        backend.SetBinding(raf, savedBinding);
        if (!savedChoice.empty())
            backend.SetUserChoice(raf, savedChoice);
    } else if (mode == 1) {
        // The user's own choice would win over the new binding: it names the
        // program meanwhile, on its own line, and the restore writes the
        // saved one back. A choice that was not saved is left alone.
        if (!savedChoice.empty())
            backend.SetUserChoice(raf, backend.ProgramBinding());
    }
    backend.Flush();

    // The check shows what the desktop now holds, also when a write failed.
    associated = IsProgramBinding(backend.Binding(raf));
}

} // namespace velmo
