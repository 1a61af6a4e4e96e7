// A message box whose text is a string id's: kept apart from the string
// table so that the table itself knows nothing of message boxes.
#pragma once

#include "platform/core/MessageBox.h"

namespace velmo {

// ShowMessage with the text of a string id.
int ShowMessageId(unsigned stringId, unsigned type = MB_OK);

} // namespace velmo
