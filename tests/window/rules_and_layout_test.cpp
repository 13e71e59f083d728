// The window's arithmetic, field rules and control table, and the check that
// the window logic stays free of any toolkit.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>

#include "core/paths.h"
#include "window/field_rules.h"
#include "window/window_geometry.h"
#include "window/window_layout.h"

using namespace tarnfold::window;

TEST(WindowGeometry, ScalesHeightThenWidthWithOneRoundingEach) {
    EXPECT_EQ(ScaleFactor(31), 1.24);
    EXPECT_EQ(ScaledWindowSize(DesignCompactSize, ScaleFactor(31)), (WindowSize{777, 347}));  // 777.48, 347.2
    EXPECT_EQ(ScaledWindowSize(DesignCompactSize, ScaleFactor(25)), (WindowSize{627, 280}));
    EXPECT_EQ(Scaled(145, 1.24), 180);  // 179.8
    EXPECT_EQ(Scaled(25, 1.5), 38);     // 37.5 goes to the even 38
    EXPECT_EQ(Scaled(21, 1.5), 32);     // 31.5 goes to the even 32
    EXPECT_EQ(Scaled(Rect{294, 172, 145, 25}, 1.24), (Rect{365, 213, 180, 31}));
}

TEST(WindowGeometry, ExportButtonFollowsTheFontDpi) {
    for (const auto& [dpi, height] : {std::pair{96.0, 25}, {120.0, 31}, {144.0, 38}, {0.0, 25}})
        EXPECT_EQ(ScaledExportButtonHeight(dpi), height) << dpi;
}

TEST(WindowGeometry, DetailToggleDividesFirstAndRoundsOnce) {
    struct Case {
        int from;
        int detail;
    };
    for (const Case& c : {Case{280, 420}, Case{347, 520} /* 520.5 */, Case{400, 600}, Case{281, 422} /* 421.5 */,
                          Case{283, 424} /* 424.5 */})
        EXPECT_EQ(DetailHeight(c.from), c.detail) << c.from;
    for (const auto& [from, compact] : {std::pair{420, 280}, {520, 347} /* 346.67 */, {600, 400}, {521, 347}})
        EXPECT_EQ(CompactHeight(from), compact) << from;
}

TEST(WindowGeometry, FramesAndHoldersShrinkTheInside) {
    EXPECT_EQ(Inside({627, 280}, {10, 29}), (WindowSize{617, 251}));
    EXPECT_EQ(Inside({5, 5}, {10, 29}), (WindowSize{0, 0}));
    EXPECT_EQ(DetailPanelRect({621, 398}, 1.0), (Rect{0, 208, 620, 182}));
    EXPECT_EQ(DetailPanelRect({100, 100}, 1.0), (Rect{0, 208, 99, 0}));
    EXPECT_EQ(DetailPanelRect({777, 500}, 1.24), (Rect{0, 258, 776, 232}));
}

TEST(FieldRules, YearTextThatIsNoWholeNumberIsZero) {
    for (const auto& [text, value] : {std::pair{"2007", 2007}, {"-5", -5}, {"", 0}, {"20o7", 0}, {"99999999999", 0}})
        EXPECT_EQ(YearValue(text), value) << text;
}

TEST(FieldRules, AnExistingDroppedFileGivesItsFolder) {
    const std::string separator(1, tarnfold::PathSeparator());
    EXPECT_EQ(DroppedFolderText("/srv/forms/7.doc", true), "/srv/forms" + separator);
    EXPECT_EQ(DroppedFolderText("/srv/a:b/7.doc", true), "/srv/a:b" + separator);
    EXPECT_EQ(DroppedFolderText("/srv/forms", false), "/srv/forms");
    EXPECT_EQ(DroppedFolderText("/srv/forms/7.doc", false), "/srv/forms/7.doc");
}

TEST(FieldRules, BrowseFallsBackToTheInitialFolderThenTheRoot) {
    const std::set<std::string> existing{"/srv/forms", "/srv/init"};
    const auto exists = [&](const std::string& f) { return existing.count(f) > 0; };
    struct Case {
        const char* text;
        const char* initial;
        const char* start;
    };
    // The root is the platform's separator alone.
    const std::string root(1, tarnfold::PathSeparator());
    for (const Case& c : {Case{"/srv/forms", "/srv/init", "/srv/forms"}, Case{"", "/srv/init", "/srv/init"},
                          Case{"", "", ""}, Case{"/gone", "/srv/init", ""}, Case{"", "/gone", ""}})
        EXPECT_EQ(BrowseStartFolder(c.text, c.initial, exists), *c.start ? c.start : root)
            << c.text << " | " << c.initial;
}

TEST(WindowLayout, EveryControlHasOneDesignNameAndItsHolderComesFirst) {
    std::set<std::string> names;
    std::set<Control> made;
    for (const ControlPlace& place : ControlPlaces()) {
        EXPECT_TRUE(names.insert(place.name).second) << place.name;
        EXPECT_TRUE(place.control == Control::Window || made.count(place.holder)) << place.name;
        made.insert(place.control);
    }
    EXPECT_EQ(made.size(), static_cast<std::size_t>(Control::ProgressPanel) + 1);
    const std::vector<std::pair<Control, std::string>> designNames{
        {Control::ThemeList, "CBTheme"},      {Control::PeriodList, "CBPeriod"},
        {Control::FormList, "CBForm"},        {Control::InstitutionList, "CBKodif"},
        {Control::SectionField, "MERazrez"},  {Control::YearField, "SE_Year"},
        {Control::Gauge, "Gauge1"},           {Control::ExportButton, "BExport"},
        {Control::DetailButton, "BView"},     {Control::DetailPanel, "Panel2"},
        {Control::ResultLine, "LRezult"},     {Control::TemplateFolder, "DirectoryEdit1"},
        {Control::JournalButton, "BJournal"}, {Control::StatusBar, "StatusBar1"},
        {Control::Panel1, "Panel1"}};
    for (const auto& [control, name] : designNames) EXPECT_EQ(ControlName(control), name);
    EXPECT_EQ(PlaceOf(Control::Window).design, (Rect{0, 0, DesignCompactSize.width, DesignCompactSize.height}));
    // The result line is made after the folder field it runs under.
    EXPECT_GT(&PlaceOf(Control::ResultLine), &PlaceOf(Control::TemplateFolder));
}

TEST(WindowLayout, TabOrderStartsAtTheFormList) {
    const std::vector<Control> expected{Control::FormList,       Control::InstitutionList, Control::SectionField,
                                        Control::YearField,      Control::ExportButton,    Control::DetailButton,
                                        Control::TemplateFolder, Control::JournalButton,   Control::ThemeList,
                                        Control::PeriodList};
    EXPECT_EQ(std::vector<Control>(TabOrder().begin(), TabOrder().end()), expected);
}

// Both views and the Windows build compile these sources: no toolkit, no
// platform SDK may creep in.
TEST(WindowSources, IncludeNoToolkitAndNoPlatformHeader) {
    const std::regex include(R"(^\s*#\s*include\s*[<"]([^>"]+)[>"])");
    const std::regex forbidden(
        R"(^(Q[A-Za-z]|q[a-z_]+\.h$|[Ww][Ii][Nn][Dd][Oo][Ww][Ss]\.h$|[Ww]inuser\.h$|X11/|xcb/|gtk))");
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TARNFOLD_SOURCE_DIR "/src/window")) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".h" && extension != ".cpp") continue;
        ++files;
        std::ifstream in(entry.path());
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            std::smatch match;
            if (!std::regex_search(line, match, include)) continue;
            const std::string header = match[1];
            EXPECT_FALSE(std::regex_search(header, forbidden))
                << entry.path().filename().string() << ":" << number << " includes " << header;
        }
    }
    EXPECT_GT(files, 0);
}
