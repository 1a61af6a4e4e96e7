#include "platform/core/MessageBox.h"

#include "res/StringMessage.h"
#include "res/StringTable.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace velmo {
namespace {

class RecordingHost : public IMessageBoxHost {
public:
    int Show(const std::string& text, unsigned type) override
    {
        calls.push_back({text, type});
        return IDNO;
    }
    std::vector<std::pair<std::string, unsigned>> calls;
};

TEST(MessageBoxTest, HeadlessPrintsAndAgrees)
{
    InstallMessageBoxHost(nullptr);
    struct Case {
        unsigned type;
        int answer;
    };
    const Case cases[] = {
        {MB_OK, IDOK},
        {MB_OK | MB_ICONSTOP, IDOK},
        {MB_OKCANCEL | MB_ICONEXCLAMATION, IDOK},
        {MB_YESNO | MB_ICONQUESTION, IDYES},
        {MB_YESNOCANCEL | MB_ICONQUESTION, IDYES},
    };
    for (const Case& c : cases) {
        ::testing::internal::CaptureStderr();
        int answer = ShowMessage("Cannot open the file.", c.type);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Cannot open the file.\n");
        EXPECT_EQ(answer, c.answer) << c.type;
    }
}

TEST(MessageBoxTest, InstalledHostGetsTextTypeAndStringIds)
{
    RecordingHost host;
    InstallMessageBoxHost(&host);
    EXPECT_EQ(ShowMessage("Save changes?", MB_YESNO | MB_ICONQUESTION), IDNO);
    const StringEntry& entry = kEnglishStrings[0];
    ShowMessageId(entry.id, MB_OK | MB_ICONINFORMATION);
    InstallMessageBoxHost(nullptr);

    ASSERT_EQ(host.calls.size(), 2u);
    EXPECT_EQ(host.calls[0].first, "Save changes?");
    EXPECT_EQ(host.calls[0].second, unsigned{MB_YESNO | MB_ICONQUESTION});
    EXPECT_EQ(host.calls[1].first, entry.text);
    EXPECT_EQ(host.calls[1].second, unsigned{MB_OK | MB_ICONINFORMATION});
}

TEST(MessageBoxTest, ThreadScopeTakesOnlyItsThreadsMessagesAndNests)
{
    RecordingHost installed, outer, inner;
    InstallMessageBoxHost(&installed);
    {
        ScopedThreadMessageHost outerScope(&outer);
        ShowMessage("outer 1");
        {
            ScopedThreadMessageHost innerScope(&inner);
            ShowMessage("inner");
            // Another thread still reaches the installed host.
            std::thread([] { ShowMessage("other thread"); }).join();
        }
        ShowMessage("outer 2");
    }
    ShowMessage("after");
    InstallMessageBoxHost(nullptr);

    auto texts = [](const RecordingHost& h) {
        std::vector<std::string> t;
        for (const auto& c : h.calls)
            t.push_back(c.first);
        return t;
    };
    EXPECT_EQ(texts(outer), (std::vector<std::string>{"outer 1", "outer 2"}));
    EXPECT_EQ(texts(inner), (std::vector<std::string>{"inner"}));
    EXPECT_EQ(texts(installed), (std::vector<std::string>{"other thread", "after"}));
}

} // namespace
} // namespace velmo
