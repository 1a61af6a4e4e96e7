#include "document/DocImageEvents.h"

#include <algorithm>

namespace velmo {

int HistogramSourceOf(DocImageEvent event)
{
    switch (event) {
    case DocImageEvent::PreviewDeveloped: return 0;
    case DocImageEvent::MagnifierRendered: return 1;
    case DocImageEvent::SelectionHistogram: return 2;
    case DocImageEvent::Loaded:
    case DocImageEvent::Closed:
    case DocImageEvent::MagnifierMoved:
    case DocImageEvent::LensInfoChanged: break;
    }
    return -1;
}

DocImageSubscription DocImageListeners::Subscribe(DocImageListener listener)
{
    std::erase_if(entries, [](const std::weak_ptr<detail::DocImageListenerEntry>& e) { return e.expired(); });
    auto entry = std::make_shared<detail::DocImageListenerEntry>();
    entry->listener = std::move(listener);
    entries.push_back(entry);
    return DocImageSubscription(std::move(entry));
}

void DocImageListeners::Notify(DocImageEvent event)
{
    // The listeners of now; each is looked up again just before its call, so
    // that one removed meanwhile is not called. The lock keeps the one being
    // called alive while it runs, even when it drops its own token.
    const std::vector<std::weak_ptr<detail::DocImageListenerEntry>> current = entries;
    for (const std::weak_ptr<detail::DocImageListenerEntry>& weak : current)
        if (const std::shared_ptr<detail::DocImageListenerEntry> entry = weak.lock())
            entry->listener(event);
}

} // namespace velmo
