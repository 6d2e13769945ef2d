#include "mainframe/CommandTable.h"

#include "mainframe/CommandIds.h"
#include "plotlib/TextMark.h"

const std::vector<ButtonSpec>& LeftButtonSpecs()
{
    static const std::vector<ButtonSpec> specs = {
        {cmd::PlotPath, "XPM/Path.xpm", nullptr, N_("Setup plotter files path")},
        {cmd::Refresh, "XPM/Refresh.xpm", nullptr, N_("Refresh the plotter files")},
        {cmd::PrevFile, "XPM/Prev.xpm", nullptr, nullptr},
        {cmd::Rotate, "XPM/Rotate.xpm", nullptr, N_("Rotate current file 90 degree")},
        {cmd::Mirror, "XPM/Mirror.xpm", nullptr, N_("Mirror current file on vertical")},
        {cmd::Copies, "XPM/Copys.xpm", nullptr, N_("Set plot copys")},
        {cmd::Blocks, "XPM/Start.xpm", nullptr,
         N_("Edit the start and stop block for the selected file")},
        {cmd::Remove, "XPM/Remove.xpm", nullptr, N_("Remove selected file from plot list")},
        {cmd::NextFile, "XPM/Next.xpm", nullptr, nullptr},
        {cmd::AddSelected, "XPM/Load.xpm", nullptr, N_("Add selected file to plot list")},
        {cmd::RemoveAll, "XPM/RemoveAll.xpm", nullptr, N_("Remove all files from plot list")},
        {cmd::AddAll, "XPM/LoadAll.xpm", nullptr, N_("Add all files to plot list")},
    };
    return specs;
}

const std::vector<ButtonSpec>& WindowButtonSpecs()
{
    static const std::vector<ButtonSpec> specs = {
        {cmd::Menu, "XPM/Menu.xpm", nullptr, nullptr},
        {cmd::Minimise, "XPM/min.xpm", nullptr, nullptr},
        {cmd::Maximise, "XPM/max.xpm", nullptr, nullptr},
        {cmd::Close, "XPM/close.xpm", nullptr, nullptr},
    };
    return specs;
}

const std::vector<ButtonSpec>& ToolButtonSpecs()
{
    static const std::vector<ButtonSpec> specs = {
        {cmd::Setup, "XPM/Setup.xpm", nullptr, N_("Plotter config")},
        {cmd::Language, "XPM/Language.xpm", nullptr, N_("Select language")},
        {cmd::Print, "XPM/Print.xpm", "XPM/Print_Disabled.xpm", N_("Begin plot selected files")},
        {cmd::PlotToFile, "XPM/Save.xpm", "XPM/Save_Disabled.xpm",
         N_("Plot selected files into file")},
        {cmd::ToolZoom, "XPM/Zoom.xpm", nullptr, N_("Zoom view")},
        {cmd::ToolDrawPen, "XPM/SP1.xpm", nullptr, N_("Select draw pen")},
        {cmd::ToolCutPen, "XPM/SP2.xpm", nullptr, N_("Select cut pen")},
        {cmd::ToolHalfCutPen, "XPM/SP3.xpm", nullptr, N_("Select half cut pen")},
        {cmd::HalfCut, "XPM/HalfCut.xpm", nullptr, N_("Setup half cut data")},
        {cmd::Emulate, "XPM/Emulate.xpm", "XPM/Emulate_Disabled.xpm",
         N_("Emulate plot action, Press \"Esc\" to cancel!")},
        {cmd::ResetPen, "XPM/Reset.xpm", nullptr, N_("Reset plot pen")},
        {cmd::Outline, "XPM/Outline.xpm", "XPM/Outline_Disabled.xpm", N_("Extract outline")},
        {cmd::About, "XPM/About.xpm", nullptr, N_("About Plotvane")},
    };
    return specs;
}

const std::vector<MenuItemSpec>& EditMenuSpecs()
{
    static const std::vector<MenuItemSpec> specs = {
        {cmd::Combine, N_("Combine")},   {0, nullptr},
        {cmd::Slot, N_("&Slot")},        {cmd::SlotSetup, N_("Slot S&etup")},
        {cmd::Undo, N_("Undo")},         {cmd::Redo, N_("Redo")},
        {0, nullptr},                {cmd::BrokenLine, N_("Broken Line")},
        {cmd::Spline, N_("Spline")},
    };
    return specs;
}

const ButtonSpec* FindButtonSpec(int id)
{
    for (const auto* table : {&LeftButtonSpecs(), &WindowButtonSpecs(), &ToolButtonSpecs()}) {
        for (const ButtonSpec& entry : *table) {
            if (entry.id == id)
                return &entry;
        }
    }
    return nullptr;
}

bool IsToolGroupButton(int id)
{
    return id == cmd::ToolZoom || id == cmd::ToolDrawPen || id == cmd::ToolCutPen ||
           id == cmd::ToolHalfCutPen;
}

const char* ToolGroupBitmap(int id, bool selected)
{
    switch (id) {
    case cmd::ToolZoom:
        return selected ? "XPM/Zoom_Selected.xpm" : "XPM/Zoom.xpm";
    case cmd::ToolDrawPen:
        return selected ? "XPM/SP1_Selected.xpm" : "XPM/SP1.xpm";
    case cmd::ToolCutPen:
        return selected ? "XPM/SP2_Selected.xpm" : "XPM/SP2.xpm";
    case cmd::ToolHalfCutPen:
        return selected ? "XPM/SP3_Selected.xpm" : "XPM/SP3.xpm";
    default:
        return nullptr;
    }
}

const char* MaximiseBitmap(bool maximised)
{
    return maximised ? "XPM/restore.xpm" : "XPM/max.xpm";
}
