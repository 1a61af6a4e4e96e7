#include "params/SelectiveColorTable.h"

#include <mutex>

namespace velmo {

namespace {

struct SelectiveColorSlot {
    std::mutex mutex;
    SelectiveColorTable table;
};

SelectiveColorSlot& Slot()
{
    static SelectiveColorSlot slot;
    return slot;
}

} // namespace

SelectiveColorTable CurrentSelectiveColors()
{
    SelectiveColorSlot& slot = Slot();
    std::lock_guard lock(slot.mutex);
    return slot.table;
}

void SetSelectiveColors(const SelectiveColorTable& table)
{
    SelectiveColorSlot& slot = Slot();
    std::lock_guard lock(slot.mutex);
    slot.table = table;
}

} // namespace velmo
