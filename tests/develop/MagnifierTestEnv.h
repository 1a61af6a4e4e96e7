// Shared by the magnifier and chromatic-correction tests: a host that records
// the search hooks, a document with a synthetic image, and what the document
// tells the magnifier palette (a rendered square, a moved centre, a size).
#pragma once

#include "develop/preview/FullPreviewBitmap.h"
#include "document/VelmoDoc.h"
#include "params/LensCorrectionSettings.h"
#include "support/TestEnv.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velmo::test {

class MagnifierHost : public RecordingHost {
public:
    // What the magnifier palette is told.
    void OnImageEvent(const CVelmoDoc& doc, DocImageEvent event)
    {
        if (event == DocImageEvent::MagnifierMoved)
            ++centres;
        if (event != DocImageEvent::MagnifierRendered)
            return;
        ++bitmaps;
        last = doc.MagnifierImage();
        if (onBitmap)
            onBitmap();
    }
    void BeginChromaticSearch() override { ++begins; }
    bool ChromaticSearchProgress(int percent) override
    {
        percents.push_back(percent);
        return abortAfter >= 0 && int(percents.size()) > abortAfter;
    }
    void EndChromaticSearch() override { ++ends; }
    void SetStatusText(const std::string& text) override { statuses.push_back(text); }
    void RefreshFeaturePalettes(FeatureKind kind) override { refreshed.push_back(kind); }
    void OnFeatureToggled(FeatureKind kind, bool enabled) override { toggled.push_back({kind, enabled}); }

    int bitmaps = 0;
    std::shared_ptr<const DisplayImage> last;
    std::function<void()> onBitmap;
    int centres = 0;
    std::vector<int> sizes;
    int begins = 0, ends = 0;
    std::vector<int> percents;
    int abortAfter = -1; // progress reports answered before the abort; -1 never
    std::vector<std::string> statuses;
    std::vector<FeatureKind> refreshed;
    struct Toggle {
        FeatureKind kind;
        bool enabled;
    };
    std::vector<Toggle> toggled;
};

// A document whose host records the hooks; no worker builds.
struct MagnifierDoc {
    ScopedSettings settings;
    MagnifierHost host;
    CVelmoDoc doc{&host};
    DocImageSubscription images = doc.Subscribe([this](DocImageEvent event) { host.OnImageEvent(doc, event); });
    EditSubscription sizes = doc.Edit().Subscribe([this](const EditChange& change) {
        if (change.target == EditTarget::Switch && change.switchId == SwitchId::MagnifierSize)
            host.sizes.push_back(doc.Edit().Switch(SwitchId::MagnifierSize));
    });

    MagnifierDoc()
    {
        doc.StopWorker();
        doc.Edit().SetSwitch(SwitchId::UseRafWB, 0);
        doc.Edit().SetField(ParamField::whiteBalance, -1); // gains 1: no camera presets needed
    }

    // A w x h image, one frame (Bayer-type or honeycomb), every pixel
    // different enough that a misplaced square shows.
    void Image(int w, int h, bool bayer)
    {
        RawImage img;
        img.cameraFamily = doc.CameraFamily();
        img.imageWidth = w;
        img.imageHeight = h;
        img.whiteLevel = 16383;
        img.maxGreen = 16000;
        img.bayerFlag = bayer ? 1 : 0;
        img.mainImage.resize(size_t(w) * size_t(h) * 3);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint16_t* p = &img.mainImage[(size_t(y) * size_t(w) + size_t(x)) * 3];
                const int block = ((x / 8) * 7 + (y / 8) * 13) % 9;
                p[0] = uint16_t(1000 + (x * 13) % 9000 + block * 300);
                p[1] = uint16_t(1500 + (y * 11) % 9000 + block * 200);
                p[2] = uint16_t(800 + ((x + y) * 7) % 9000);
            }
        doc.AdoptImage(std::move(img));
        doc.Edit().SetField(ParamField::twoFrames, 0);
        doc.Edit().SetField(ParamField::honeycomb, 1);
    }
};

} // namespace velmo::test
