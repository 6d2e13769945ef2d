#include "mainframe/CommandRules.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "mainframe/CommandIds.h"

bool IsCommandEnabled(int id, const CommandState& state)
{
    switch (id) {
    case cmd::Rotate:
    case cmd::Mirror:
    case cmd::Copies:
    case cmd::Blocks:
    case cmd::Remove:
    case cmd::Outline:
        return state.plotRowSelected;
    case cmd::AddSelected:
        return state.fileRowSelected;
    case cmd::Print:
    case cmd::PlotToFile:
    case cmd::Emulate:
        return state.plotRows;
    case cmd::Cancel:
    case cmd::Pause:
        return state.plotting;
    case cmd::DeleteFile:
        return !state.autoPlot;
    case cmd::Undo:
        return state.canUndo;
    case cmd::Redo:
        return state.canRedo;
    default:
        return true;
    }
}

AutoPlotOutcome ClickAutoPlot(bool newAutoPlot, bool deleteFile)
{
    AutoPlotOutcome outcome;
    outcome.autoPlot = newAutoPlot;
    outcome.showNote = newAutoPlot && !deleteFile;
    outcome.deleteFile = newAutoPlot ? true : deleteFile;
    return outcome;
}

float ParseSpaceField(const std::string& text)
{
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\n' ||
                                 text[pos] == '\r' || text[pos] == '\f' || text[pos] == '\v'))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    // from_chars takes no sign of its own (only '-', and that is handled
    // above) and, unlike atof, ignores the locale.
    if (pos >= text.size() || text[pos] == '-' || text[pos] == '+')
        return 0.0f;
    float value = 0.0f;
    const char* first = text.data() + pos;
    const auto result =
        std::from_chars(first, text.data() + text.size(), value, std::chars_format::general);
    if (result.ec != std::errc() || !std::isfinite(value))
        return 0.0f;
    return negative ? -value : value;
}

std::string FormatSpaceField(float value)
{
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    if (result.ec != std::errc())
        return "0.00";
    return std::string(buffer, result.ptr);
}

int ExtractPenSelection(const std::vector<std::string>& items, int storedIndex, int devicePen,
                        int fallbackIndex)
{
    int selection = fallbackIndex;
    if (storedIndex >= 0 && storedIndex < static_cast<int>(items.size()))
        selection = storedIndex;
    const int fromDevice = IndexOfName(items, "SP" + std::to_string(devicePen));
    if (fromDevice >= 0)
        selection = fromDevice;
    return selection;
}

int IndexOfName(const std::vector<std::string>& names, const std::string& name)
{
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name)
            return static_cast<int>(i);
    }
    return -1;
}

namespace {

std::string FormatFixed4(double value)
{
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
    if (result.ec != std::errc())
        return "0.0000";
    return std::string(buffer, result.ptr);
}

} // namespace

std::string FormatMillimetres(double units, int resolution)
{
    if (resolution <= 0 || !std::isfinite(units))
        return "0.0000";
    return FormatFixed4(units / resolution * 25.4);
}

std::string FormatScale(double scale)
{
    if (!std::isfinite(scale))
        scale = 0.0;
    return FormatFixed4(scale) + ":1";
}
