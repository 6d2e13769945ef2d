#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <string>

#include "mainframe/CommandIds.h"
#include "mainframe/CommandRules.h"
#include "mainframe/CommandTable.h"

namespace {

struct EnableCase {
    const char* name;
    int id;
    CommandState state;
    bool enabled;
};

CommandState With(void (*change)(CommandState&))
{
    CommandState state;
    change(state);
    return state;
}

} // namespace

TEST(CommandRules, EnablingFollowsTheCommandTable)
{
    const CommandState none;
    const CommandState rowSelected = With([](CommandState& s) {
        s.plotRows = true;
        s.plotRowSelected = true;
    });
    const CommandState rowsOnly = With([](CommandState& s) { s.plotRows = true; });
    const CommandState fileSelected = With([](CommandState& s) { s.fileRowSelected = true; });
    const CommandState plotting = With([](CommandState& s) { s.plotting = true; });
    const CommandState autoPlot = With([](CommandState& s) { s.autoPlot = true; });
    const CommandState undoable = With([](CommandState& s) { s.canUndo = true; });

    const EnableCase cases[] = {
        {"rotate needs a selected plot row", cmd::Rotate, none, false},
        {"rotate with a selected plot row", cmd::Rotate, rowSelected, true},
        {"remove needs a selection, not only rows", cmd::Remove, rowsOnly, false},
        {"outline needs a selected plot row", cmd::Outline, rowsOnly, false},
        {"outline with a selected plot row", cmd::Outline, rowSelected, true},
        {"add selected needs a file row", cmd::AddSelected, rowSelected, false},
        {"add selected with a file row", cmd::AddSelected, fileSelected, true},
        {"plot needs rows", cmd::Print, none, false},
        {"plot with rows, nothing selected", cmd::Print, rowsOnly, true},
        {"plot to file with rows", cmd::PlotToFile, rowsOnly, true},
        {"emulate needs rows", cmd::Emulate, fileSelected, false},
        {"cancel only during a job", cmd::Cancel, rowSelected, false},
        {"cancel during a job", cmd::Cancel, plotting, true},
        {"pause during a job", cmd::Pause, plotting, true},
        {"delete file while auto plot is off", cmd::DeleteFile, none, true},
        {"delete file locked by auto plot", cmd::DeleteFile, autoPlot, false},
        {"undo follows the undo store", cmd::Undo, none, false},
        {"undo when the store can undo", cmd::Undo, undoable, true},
        {"redo is not undo", cmd::Redo, undoable, false},
        {"buttons without a rule stay enabled", cmd::AddAll, none, true},
        {"remove all has no rule", cmd::RemoveAll, none, true},
        {"about has no rule", cmd::About, plotting, true},
    };
    for (const EnableCase& c : cases)
        EXPECT_EQ(IsCommandEnabled(c.id, c.state), c.enabled) << c.name;
}

TEST(CommandRules, AutoPlotForcesDeleteFile)
{
    // Switching auto plot on with delete-file off: note, both on.
    AutoPlotOutcome on = ClickAutoPlot(true, false);
    EXPECT_TRUE(on.autoPlot);
    EXPECT_TRUE(on.deleteFile);
    EXPECT_TRUE(on.showNote);

    // Already deleting: no note.
    on = ClickAutoPlot(true, true);
    EXPECT_TRUE(on.deleteFile);
    EXPECT_FALSE(on.showNote);

    // Switching it off leaves delete-file as it was.
    const AutoPlotOutcome off = ClickAutoPlot(false, true);
    EXPECT_FALSE(off.autoPlot);
    EXPECT_TRUE(off.deleteFile);
    EXPECT_FALSE(off.showNote);
    EXPECT_FALSE(ClickAutoPlot(false, false).deleteFile);
}

TEST(CommandRules, SpaceFieldsReadTheLeadingNumber)
{
    const struct {
        const char* text;
        float value;
    } cases[] = {
        {"2.5", 2.5f},  {"2.5cm", 2.5f}, {"  7", 7.0f},    {"+3", 3.0f},    {"-1.25", -1.25f},
        {".5", 0.5f},   {"1e1", 10.0f},  {"abc", 0.0f},    {"", 0.0f},      {"cm 5", 0.0f},
        {"--1", 0.0f},  {"-+1", 0.0f},   {"2,5", 2.0f},    {"inf", 0.0f},   {"nan", 0.0f},
        {"-inf", 0.0f}, {"1e39", 0.0f},  {"5.", 5.0f},
    };
    for (const auto& c : cases) {
        const float v = ParseSpaceField(c.text);
        EXPECT_TRUE(std::isfinite(v)) << c.text;
        EXPECT_FLOAT_EQ(v, c.value) << "\"" << c.text << "\"";
    }
}

TEST(CommandRules, SpaceFieldTextRoundTrips)
{
    EXPECT_EQ(FormatSpaceField(5.0f), "5.00");
    EXPECT_EQ(FormatSpaceField(0.0f), "0.00");
    EXPECT_EQ(FormatSpaceField(2.125f), "2.12");  // 2.125 is exact: ties to even
    EXPECT_EQ(FormatSpaceField(-1.5f), "-1.50");
    for (float v : {0.0f, 1.0f, 2.5f, 12.75f, 100.0f})
        EXPECT_FLOAT_EQ(ParseSpaceField(FormatSpaceField(v)), v);
}

TEST(CommandRules, ExtractPenSelection)
{
    const std::vector<std::string> items = {"SP2", "SP3"};
    // The device's pen wins when it names an item.
    EXPECT_EQ(ExtractPenSelection(items, 1, 2, 1), 0);
    EXPECT_EQ(ExtractPenSelection(items, 0, 3, 1), 1);
    // Otherwise the stored index, when it is one.
    EXPECT_EQ(ExtractPenSelection(items, 0, 7, 1), 0);
    // A stored index that names no item keeps the default ("SP3").
    EXPECT_EQ(ExtractPenSelection(items, 5, 7, 1), 1);
    EXPECT_EQ(ExtractPenSelection(items, -3, 0, 1), 1);
}

TEST(CommandRules, StatusTexts)
{
    EXPECT_EQ(FormatMillimetres(1016, 1016), "25.4000");
    EXPECT_EQ(FormatMillimetres(-40, 1016), "-1.0000");
    EXPECT_EQ(FormatMillimetres(100, 0), "0.0000");
    EXPECT_EQ(FormatScale(2.5), "2.5000:1");
    EXPECT_EQ(IndexOfName({"A", "B"}, "B"), 1);
    EXPECT_EQ(IndexOfName({"A", "B"}, "b"), -1);
}

// Every image the window names must exist among the shipped images: a
// renamed or forgotten file shows up here, not as an empty button.
TEST(CommandTable, EveryNamedImageIsShipped)
{
    const std::filesystem::path root = PLOTVANE_SOURCE_DIR "/resources";
    std::set<int> ids;
    auto check = [&](const char* name) {
        ASSERT_NE(name, nullptr);
        EXPECT_TRUE(std::filesystem::is_regular_file(root / name)) << name;
    };
    for (const auto* table : {&LeftButtonSpecs(), &WindowButtonSpecs(), &ToolButtonSpecs()}) {
        for (const ButtonSpec& entry : *table) {
            EXPECT_TRUE(ids.insert(entry.id).second) << "duplicate id " << entry.id;
            check(entry.bitmap);
            if (entry.disabledBitmap)
                check(entry.disabledBitmap);
            if (IsToolGroupButton(entry.id)) {
                check(ToolGroupBitmap(entry.id, true));
                check(ToolGroupBitmap(entry.id, false));
            }
        }
    }
    EXPECT_EQ(LeftButtonSpecs().size(), 12u);
    EXPECT_EQ(ToolButtonSpecs().size(), 13u);
    check(MaximiseBitmap(true));
    check(MaximiseBitmap(false));
    for (const char* other : {"XPM/Plotter.ico", "XPM/Icon.jpg", "XPM/left_bg.jpg",
                              "XPM/right_top_bg.jpg"})
        check(other);
}
