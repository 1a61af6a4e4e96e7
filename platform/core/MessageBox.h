// Message boxes and prompts. The document and the engine ask through this
// interface; the GUI shows real boxes, headless programs print the text, and
// tests record the calls and answer them.
#pragma once

#include <string>

namespace velmo {

enum MessageBoxType : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONSTOP = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
};

enum MessageBoxResult : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

class IMessageBoxHost {
public:
    virtual ~IMessageBoxHost() = default;
    // Shows text and returns the button chosen.
    virtual int Show(const std::string& text, unsigned type) = 0;
};

// Shows a message through the installed host (headless default: prints to
// stderr and answers IDOK, or IDYES for a yes/no question).
int ShowMessage(const std::string& text, unsigned type = MB_OK);
// Installs host (not owned); nullptr restores the headless default.
void InstallMessageBoxHost(IMessageBoxHost* host);

// While alive, the messages shown on the constructing thread go to host (not
// owned) instead of the installed one: a batch run on its own thread keeps
// each file's messages for its result line instead of stopping at a box.
// Scopes nest; the previous host of the thread comes back at the end.
class ScopedThreadMessageHost {
public:
    explicit ScopedThreadMessageHost(IMessageBoxHost* host);
    ~ScopedThreadMessageHost();
    ScopedThreadMessageHost(const ScopedThreadMessageHost&) = delete;
    ScopedThreadMessageHost& operator=(const ScopedThreadMessageHost&) = delete;

private:
    IMessageBoxHost* previous;
};

} // namespace velmo
