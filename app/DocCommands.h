// The document's place on the command route. Its command map holds the
// document's menu commands; those that are not served yet are declared
// disabled (app/UnservedCommands.h) and show greyed.
#pragma once

#include "platform/gui/CmdTarget.h"

namespace velmo {

class CVelmoDoc;

class CDocCommands final : public CCmdTarget {
public:
    explicit CDocCommands(CVelmoDoc& document) : doc(document) {}
    CVelmoDoc& Document() const { return doc; }

private:
    CVelmoDoc& doc;
};

} // namespace velmo
