// The document's place on the command route: the commands of the
// "&Parameters" and "&Output" menus, parts of "&File", "&Edit" and "&View",
// the main toolbar and the palettes' popup menus. Each handler changes the
// document through its methods and lets the frame refresh what shows the
// change; the update handlers give every item its enabled, checked and text
// state.
#pragma once

#include "params/ParamFields.h"
#include "platform/gui/CmdTarget.h"

#include <string>

namespace velmo {

class CMainFrame;
class CVelmoDoc;
enum class FeatureKind;

class CDocCommands final : public CCmdTarget {
public:
    CDocCommands(CVelmoDoc& document, CMainFrame& mainFrame);
    CVelmoDoc& Document() const { return doc; }

    // The colour profiles' folder the profile dialogs start in: the first
    // of the desktop's ICC folders that exists, else "".
    static std::string ColorProfileFolder();

private:
    void BuildCommandMap();
    void BuildParameterCommands();
    void BuildFeatureCommands();
    void BuildOutputCommands();
    void BuildColourCommands();
    void BuildSideFileCommands();
    void BuildMagnifierCommands();
    void BuildEditCommands();

    // The focus operation of the parameters palette in use.
    void Focus(unsigned controlId);
    // A field of the record by a command, then the refresh.
    void SetFieldAndRefresh(ParamField field, double value);
    void ToggleFeature(FeatureKind kind);
    void OnOpenColorProfile();
    void OnOpenDisplayProfile();
    void OnJpegOptions();
    void OnCopyExif();
    void OnBatchJob();

    CVelmoDoc& doc;
    CMainFrame& frame;
};

} // namespace velmo
