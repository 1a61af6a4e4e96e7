// Every text the program shows by id goes through LoadString: the one place
// where a language file's translation replaces the built-in English.
//
// The ids (res/ResourceIds.h):
//   - string ids as they are (prompts "prompt\ntip", messages, lists "a|b||");
//   - a menu command's item text: MenuText(commandId);
//   - popup titles and other texts of our own: kPopupTextBase + n (IDS_POPUP_*);
//   - a dialog's or palette's caption: DialogCaption(dialogId);
//   - a control's caption: ControlCaption(dialogId, controlId). Give every
//     control that shows a caption an id of its own within its dialog.
// New texts are added to the English table (res/EnglishStrings.cpp) and to the
// shipped translation (res/lang/); code asks for them by id only, so that it
// shows the translation with nothing more to do. The Qt side wraps this in
// platform/gui/QtMenus.h (StringText, CommandPrompt, CommandTip) and
// platform/gui/DialogText.h (DialogTitle, ControlText, SetControlCaption).
#pragma once

#include <map>
#include <string>
#include <vector>

namespace velmo {

struct StringEntry {
    unsigned id;
    const char* text;
};

// The built-in English table, sorted by id.
extern const StringEntry kEnglishStrings[];
extern const size_t kEnglishStringCount;

// The text of id: the translation when one is loaded, else the built-in
// English text, else "".
std::string LoadString(unsigned id);
bool HasString(unsigned id);
// The built-in English text whatever language is loaded (names that must not
// change with the language, such as the file-type id); nullptr when none.
const char* EnglishString(unsigned id);
// Replaces texts (a language file, already checked); an empty map restores
// English.
void SetStringOverrides(std::map<unsigned, std::string> overrides);

// Splits the text of stringId at '|' and appends the pieces to list, stopping
// at an empty piece or the end. Returns the list's new size.
int LoadStringList(unsigned stringId, std::vector<std::string>* list);
int SplitStringList(const std::string& text, std::vector<std::string>* list);

// The text of stringId with %1, %2 ... replaced by the arguments in order
// (a translation may put them elsewhere); "%%" stands for '%'.
std::string FormatString(unsigned stringId, const std::vector<std::string>& arguments);

// The text a progress label is shown with: the engine reports the English
// text of a label id (IDS_PROGRESS_FIRST..LAST); the language's text of that
// id. Any other label is shown as it is.
std::string ProgressLabelText(const std::string& label);

} // namespace velmo
