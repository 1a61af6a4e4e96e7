// The document's image listeners: what a load, File New, a preview
// development, a selection histogram and the magnifier tell, the square of a
// new image rendered where the magnifier was, and the tokens' lifetimes
// (removed in the middle of a notification, outliving the document).
#include "document/VelmoDoc.h"
#include "support/RafBuilder.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace velmo {
namespace {

using Events = std::vector<DocImageEvent>;

class ImageEvents : public ::testing::Test {
protected:
    test::ScopedSettings settings;
    test::RecordingMessages messages;
    test::RecordingHost host;
    test::TempDir dir;
    std::vector<uint8_t> bits = std::vector<uint8_t>(size_t(CVelmoDoc::kPreviewWidth) * CVelmoDoc::kPreviewHeight * 3);

    std::string Raf(const std::string& name)
    {
        const std::string path = dir.File(name);
        EXPECT_TRUE(test::WriteRaf(path, test::RafFileSpec{}));
        return path;
    }
};

TEST_F(ImageEvents, LoadDevelopAndCloseTellWhatChanged)
{
    CVelmoDoc doc(&host);
    doc.StopWorker();
    test::ImageEventLog log(doc);
    ASSERT_TRUE(doc.OnOpenDocument(Raf("FIRST.RAF")));
    // The old image goes first, the load names the camera's lens, then the
    // new image is complete.
    EXPECT_EQ(log.events, (Events{DocImageEvent::Closed, DocImageEvent::LensInfoChanged, DocImageEvent::Loaded}));

    log.events.clear();
    doc.DevelopPreview(bits.data());
    EXPECT_EQ(log.events, Events{DocImageEvent::PreviewDeveloped});

    log.events.clear();
    doc.ComputePreviewHistogram(bits.data(), CVelmoDoc::kPreviewWidth, CVelmoDoc::kPreviewHeight, 0, 0, 10, 10);
    doc.ComputeRegionHistogram(0, 0, 10, 10);
    EXPECT_EQ(log.events, (Events{DocImageEvent::SelectionHistogram, DocImageEvent::SelectionHistogram}));

    log.events.clear();
    doc.SetMagnifierCentre(256, 192);
    doc.UpdateMagnifier();
    EXPECT_EQ(log.events, (Events{DocImageEvent::MagnifierMoved, DocImageEvent::MagnifierRendered}));
    // The preview's next development renders nothing again.
    log.events.clear();
    doc.DevelopPreview(bits.data());
    EXPECT_EQ(log.events, Events{DocImageEvent::PreviewDeveloped});

    log.events.clear();
    doc.DeleteContents();
    EXPECT_EQ(log.events, Events{DocImageEvent::Closed});
    EXPECT_EQ(doc.MagnifierImage(), nullptr);
    // Without an image nothing is developed, nothing told.
    log.events.clear();
    doc.DevelopPreview(bits.data());
    doc.UpdateMagnifier();
    EXPECT_TRUE(log.events.empty());

    // Which histogram source each event renews.
    EXPECT_EQ(HistogramSourceOf(DocImageEvent::PreviewDeveloped), 0);
    EXPECT_EQ(HistogramSourceOf(DocImageEvent::MagnifierRendered), 1);
    EXPECT_EQ(HistogramSourceOf(DocImageEvent::SelectionHistogram), 2);
    EXPECT_EQ(HistogramSourceOf(DocImageEvent::Loaded), -1);
}

TEST_F(ImageEvents, NewImageGetsItsSquareWhereTheMagnifierWas)
{
    CVelmoDoc doc(&host);
    doc.StopWorker();
    ASSERT_TRUE(doc.OnOpenDocument(Raf("FIRST.RAF")));
    doc.DevelopPreview(bits.data());
    // Before the first centre: no square (the palette shows its pattern).
    EXPECT_EQ(doc.MagnifierImage(), nullptr);
    doc.SetMagnifierCentre(300, 200);
    doc.UpdateMagnifier();
    const std::shared_ptr<const DisplayImage> first = doc.MagnifierImage();
    ASSERT_NE(first, nullptr);

    test::ImageEventLog log(doc);
    ASSERT_TRUE(doc.OnOpenDocument(Raf("SECOND.RAF")));
    EXPECT_EQ(doc.MagnifierImage(), nullptr); // the old square went with its image
    doc.DevelopPreview(bits.data());
    EXPECT_EQ(log.events, (Events{DocImageEvent::Closed, DocImageEvent::LensInfoChanged, DocImageEvent::Loaded,
                                  DocImageEvent::PreviewDeveloped, DocImageEvent::MagnifierRendered}));
    ASSERT_NE(doc.MagnifierImage(), nullptr);
    EXPECT_NE(doc.MagnifierImage(), first);
    EXPECT_EQ(doc.MagnifierX(), 300);
    EXPECT_EQ(doc.MagnifierY(), 200);
}

TEST(ImageListeners, TokensLiveAsLongAsTheyAreKept)
{
    test::ScopedSettings settings;
    auto doc = std::make_unique<CVelmoDoc>();
    std::vector<int> told;
    DocImageSubscription first = doc->Subscribe([&](DocImageEvent) { told.push_back(1); });
    DocImageSubscription second;
    DocImageSubscription late;
    // The first listener drops the second in the middle of a notification
    // and subscribes another: the second is not called, the new one only
    // from the next event on.
    DocImageSubscription dropper = doc->Subscribe([&](DocImageEvent) {
        told.push_back(2);
        second.Reset();
        if (!late.Holds())
            late = doc->Subscribe([&](DocImageEvent) { told.push_back(4); });
    });
    second = doc->Subscribe([&](DocImageEvent) { told.push_back(3); });
    doc->SetMagnifierCentre(1, 1);
    EXPECT_EQ(told, (std::vector<int>{1, 2}));
    told.clear();
    doc->SetMagnifierCentre(2, 2);
    EXPECT_EQ(told, (std::vector<int>{1, 2, 4}));

    // A moved token keeps its listener; a reset or destroyed one does not.
    DocImageSubscription moved = std::move(first);
    dropper.Reset();
    late = {};
    told.clear();
    doc->SetMagnifierCentre(3, 3);
    EXPECT_EQ(told, std::vector<int>{1});

    // A listener that drops its own token finishes its call.
    DocImageSubscription self;
    int calls = 0;
    self = doc->Subscribe([&](DocImageEvent) {
        self.Reset();
        ++calls;
    });
    doc->SetMagnifierCentre(4, 4);
    doc->SetMagnifierCentre(5, 5);
    EXPECT_EQ(calls, 1);

    // The document going tells no one, and the tokens outlive it.
    told.clear();
    doc.reset();
    EXPECT_TRUE(told.empty());
    moved.Reset();
}

} // namespace
} // namespace velmo
