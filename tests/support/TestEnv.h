// Test helpers: a fresh settings store per test, a recorder for message
// boxes, a recording document host and a recorder of a document's image
// events.
#pragma once

#include "document/DocHost.h"
#include "document/VelmoDoc.h"
#include "platform/core/MessageBox.h"
#include "platform/core/SettingsStore.h"

#include <memory>
#include <string>
#include <vector>

namespace velmo::test {

// Installs an empty in-memory settings store for its lifetime.
class ScopedSettings {
public:
    ScopedSettings();
    ~ScopedSettings();
    MemorySettingsStore& store() { return *store_; }

private:
    std::shared_ptr<MemorySettingsStore> store_;
};

// Records every message box and answers with a fixed button.
class RecordingMessages final : public IMessageBoxHost {
public:
    explicit RecordingMessages(int answer = IDOK);
    ~RecordingMessages() override;
    int Show(const std::string& text, unsigned type) override;

    struct Call {
        std::string text;
        unsigned type;
    };
    std::vector<Call> calls;
    int answer;
};

// A document host with a main window whose calls are counted.
class RecordingHost : public CDocHost {
public:
    bool HasMainWindow() const override { return mainWindow; }
    ScreenSize DesktopSize() const override { return desktop; }
    void UpdateAllViews() override { ++viewUpdates; }
    void RecalcLayout() override { ++layouts; }
    void ResendCropFrame() override { ++cropResends; }

    bool mainWindow = true;
    ScreenSize desktop{1920, 1080};
    int viewUpdates = 0;
    int layouts = 0;
    int cropResends = 0;
};

// Records the events a document tells its image listeners, for as long as
// it lives.
class ImageEventLog {
public:
    explicit ImageEventLog(const CVelmoDoc& doc)
        : subscription(doc.Subscribe([this](DocImageEvent event) { events.push_back(event); }))
    {
    }
    int Count(DocImageEvent event) const
    {
        int n = 0;
        for (DocImageEvent e : events)
            n += e == event ? 1 : 0;
        return n;
    }

    std::vector<DocImageEvent> events;

private:
    DocImageSubscription subscription;
};

// What an edit state tells its listeners while the log lives: every change,
// and the user's feature switches with the flag after each.
class EditLog {
public:
    explicit EditLog(EditState& state);
    int Count(EditTarget target) const;
    // The document's refreshes (OnParametersChanged).
    int Refreshes() const { return Count(EditTarget::Refresh); }
    // The tables replaced, by feature, in order.
    std::vector<FeatureKind> Tables() const;

    std::vector<EditChange> changes;
    std::vector<std::pair<FeatureKind, bool>> toggles;

private:
    EditSubscription token;
};

// Changes doc's image through a copy handed over whole (AdoptImage, which
// also stops the worker and drops the previews and the cached image).
template <class Edit>
void EditImage(CVelmoDoc& doc, Edit&& edit)
{
    RawImage img = doc.Image();
    // The copy keeps the family the document uses, as SetCameraFamily left it.
    img.cameraFamily = doc.CameraFamily();
    edit(img);
    doc.AdoptImage(std::move(img));
}

// A fresh temporary directory, removed with its contents at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

} // namespace velmo::test
