// What the document tells about its image and what it derives from it: the
// views and palettes that show the image, its previews, histograms, tone
// response, Exif lines or magnifier square follow these instead of being
// pushed by the host.
//
// A listener is registered with CVelmoDoc::Subscribe and stays registered
// while the returned token lives. Destroying the token removes the listener
// at once, also in the middle of a notification (it is not called after
// that); a token that outlives the document does nothing. User-interface
// thread only.
#pragma once

#include <functional>
#include <memory>
#include <vector>

namespace velmo {

enum class DocImageEvent {
    // A new image replaced the old one (its frames, sizes and Exif lines).
    Loaded,
    // The image went (File New, a load starting, the document closing):
    // nothing of it is left to show; the histograms and the tone response
    // are zero.
    Closed,
    // The preview was developed: its histogram (source 0) and the tone
    // response are new.
    PreviewDeveloped,
    // The selection histogram (source 2) is new.
    SelectionHistogram,
    // A new magnifier square, with its histogram (source 1), or the same
    // square under another profile.
    MagnifierRendered,
    // The magnifier centre was set: the palette's view goes to the middle of
    // the square.
    MagnifierMoved,
    // A RAF load read the camera's model name and focal length
    // (CVelmoDoc::Lens()), which the lens palettes show.
    LensInfoChanged,
};

// The histogram source an event renews: 0 preview, 1 magnifier, 2 selection;
// -1 none (Closed renews all of them).
int HistogramSourceOf(DocImageEvent event);

using DocImageListener = std::function<void(DocImageEvent)>;

namespace detail {
struct DocImageListenerEntry {
    DocImageListener listener;
};
} // namespace detail

// Keeps a listener registered; move-only.
class DocImageSubscription {
public:
    DocImageSubscription() = default;
    DocImageSubscription(DocImageSubscription&&) noexcept = default;
    DocImageSubscription& operator=(DocImageSubscription&&) noexcept = default;
    DocImageSubscription(const DocImageSubscription&) = delete;
    DocImageSubscription& operator=(const DocImageSubscription&) = delete;
    ~DocImageSubscription() = default;

    void Reset() { entry.reset(); }
    bool Holds() const { return entry != nullptr; }

private:
    friend class DocImageListeners;
    explicit DocImageSubscription(std::shared_ptr<detail::DocImageListenerEntry> e) : entry(std::move(e)) {}
    // The only owner of the entry: the registry holds it weakly.
    std::shared_ptr<detail::DocImageListenerEntry> entry;
};

// The document's registry.
class DocImageListeners {
public:
    [[nodiscard]] DocImageSubscription Subscribe(DocImageListener listener);
    // Tells every listener registered now; one that subscribes meanwhile is
    // told from the next event on. A listener may subscribe, unsubscribe
    // (itself or others) and notify while it is told.
    void Notify(DocImageEvent event);
    // Forgets every listener (their tokens then do nothing).
    void Clear() { entries.clear(); }

private:
    std::vector<std::weak_ptr<detail::DocImageListenerEntry>> entries;
};

} // namespace velmo
