// The rule by which a second start recognises a running copy, against a fake
// window system that records what it is asked.
#include <gtest/gtest.h>

#include <map>

#include "core/app_title.h"
#include "core/text.h"
#include "platform/win32/instance_lookup.h"

namespace tarnfold::win32 {
namespace {

class FakeWindows final : public WindowLookup {
public:
    WindowHandle found = 0;
    std::map<WindowHandle, WindowHandle> owners;
    std::map<WindowHandle, std::string> texts;
    std::vector<std::string> calls;

    WindowHandle Find(const std::string& className, const std::string& title) override {
        calls.push_back("Find " + className + " " + title);
        return found;
    }
    WindowHandle Owner(WindowHandle window) override {
        calls.push_back("Owner " + std::to_string(window));
        return owners.count(window) != 0 ? owners.at(window) : 0;
    }
    std::string Text(WindowHandle window) override {
        calls.push_back("Text " + std::to_string(window));
        return texts.count(window) != 0 ? texts.at(window) : std::string();
    }
    void ShowNormal(WindowHandle window) override { calls.push_back("ShowNormal " + std::to_string(window)); }
    void SetForeground(WindowHandle window) override { calls.push_back("SetForeground " + std::to_string(window)); }
};

const std::string kTitle = AppTitle;
const std::string kFind = "Find TApplication " + kTitle;

TEST(InstanceLookup, AnOwnerlessWindowWithExactlyTheTitleIsTheOtherCopy) {
    FakeWindows windows;
    windows.found = 42;
    windows.texts[42] = kTitle;
    EXPECT_EQ(FindOtherCopy(windows, 7, kTitle), 42u);
    EXPECT_EQ(windows.calls, (std::vector<std::string>{kFind, "Owner 42", "Text 42"}));
}

TEST(InstanceLookup, TheOtherCopyIsShownNormallyThenBroughtToTheFront) {
    FakeWindows windows;
    windows.found = 42;
    windows.texts[42] = kTitle;
    EXPECT_TRUE(BringOtherCopyForward(windows, 7, kTitle));
    EXPECT_EQ(windows.calls,
              (std::vector<std::string>{kFind, "Owner 42", "Text 42", "ShowNormal 42", "SetForeground 42"}));
}

TEST(InstanceLookup, ConditionsAreTestedInOrderAndTheFirstFailingOneEndsTheCheck) {
    {
        FakeWindows windows;  // nothing found
        EXPECT_EQ(FindOtherCopy(windows, 7, kTitle), 0u);
        EXPECT_EQ(windows.calls, (std::vector<std::string>{kFind}));
    }
    {
        FakeWindows windows;  // the program's own window
        windows.found = 7;
        windows.texts[7] = kTitle;
        EXPECT_EQ(FindOtherCopy(windows, 7, kTitle), 0u);
        EXPECT_EQ(windows.calls, (std::vector<std::string>{kFind}));
    }
    {
        FakeWindows windows;  // owned by another window
        windows.found = 42;
        windows.owners[42] = 5;
        windows.texts[42] = kTitle;
        EXPECT_EQ(FindOtherCopy(windows, 7, kTitle), 0u);
        EXPECT_EQ(windows.calls, (std::vector<std::string>{kFind, "Owner 42"}));
    }
    {
        FakeWindows windows;  // no text
        windows.found = 42;
        EXPECT_EQ(FindOtherCopy(windows, 7, kTitle), 0u);
        EXPECT_EQ(windows.calls, (std::vector<std::string>{kFind, "Owner 42", "Text 42"}));
    }
}

TEST(InstanceLookup, TheTitleMustMatchExactlyLetterCaseIncluded) {
    const std::string upper = "TARNFOLD-ВЫГРУЗКА ДАННЫХ В БЛАНКИ ФОРМ";
    ASSERT_EQ(FoldCase(upper), FoldCase(kTitle));
    for (const std::string& text : {upper, kTitle + " ", kTitle.substr(0, kTitle.size() - 2), std::string("Tarnfold")}) {
        FakeWindows windows;
        windows.found = 42;
        windows.texts[42] = text;
        EXPECT_EQ(FindOtherCopy(windows, 7, kTitle), 0u) << text;
        EXPECT_FALSE(BringOtherCopyForward(windows, 7, kTitle)) << text;
        for (const std::string& call : windows.calls) EXPECT_EQ(call.find("Show"), std::string::npos) << call;
    }
}

TEST(InstanceLookup, NothingIsShownWhenThereIsNoOtherCopy) {
    FakeWindows windows;
    EXPECT_FALSE(BringOtherCopyForward(windows, 7, kTitle));
    EXPECT_EQ(windows.calls, (std::vector<std::string>{kFind}));
}

}  // namespace
}  // namespace tarnfold::win32
