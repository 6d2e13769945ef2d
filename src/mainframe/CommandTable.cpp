#include "mainframe/CommandTable.h"

#include "mainframe/CommandIds.h"

const std::vector<ButtonSpec>& LeftButtonSpecs()
{
    static const std::vector<ButtonSpec> specs = {
        {cmd::PlotPath, "XPM/Path.xpm", nullptr, "Setup plotter files path"},
        {cmd::Refresh, "XPM/Refresh.xpm", nullptr, "Refresh the plotter files"},
        {cmd::PrevFile, "XPM/Prev.xpm", nullptr, nullptr},
        {cmd::Rotate, "XPM/Rotate.xpm", nullptr, "Rotate current file 90 degree"},
        {cmd::Mirror, "XPM/Mirror.xpm", nullptr, "Mirror current file on vertical"},
        {cmd::Copies, "XPM/Copys.xpm", nullptr, "Set plot copys"},
        {cmd::Blocks, "XPM/Start.xpm", nullptr,
         "Edit the start and stop block for the selected file"},
        {cmd::Remove, "XPM/Remove.xpm", nullptr, "Remove selected file from plot list"},
        {cmd::NextFile, "XPM/Next.xpm", nullptr, nullptr},
        {cmd::AddSelected, "XPM/Load.xpm", nullptr, "Add selected file to plot list"},
        {cmd::RemoveAll, "XPM/RemoveAll.xpm", nullptr, "Remove all files from plot list"},
        {cmd::AddAll, "XPM/LoadAll.xpm", nullptr, "Add all files to plot list"},
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
        {cmd::Setup, "XPM/Setup.xpm", nullptr, "Plotter config"},
        {cmd::Language, "XPM/Language.xpm", nullptr, "Select language"},
        {cmd::Print, "XPM/Print.xpm", "XPM/Print_Disabled.xpm", "Begin plot selected files"},
        {cmd::PlotToFile, "XPM/Save.xpm", "XPM/Save_Disabled.xpm",
         "Plot selected files into file"},
        {cmd::ToolZoom, "XPM/Zoom.xpm", nullptr, "Zoom view"},
        {cmd::ToolDrawPen, "XPM/SP1.xpm", nullptr, "Select draw pen"},
        {cmd::ToolCutPen, "XPM/SP2.xpm", nullptr, "Select cut pen"},
        {cmd::ToolHalfCutPen, "XPM/SP3.xpm", nullptr, "Select half cut pen"},
        {cmd::HalfCut, "XPM/HalfCut.xpm", nullptr, "Setup half cut data"},
        {cmd::Emulate, "XPM/Emulate.xpm", "XPM/Emulate_Disabled.xpm",
         "Emulate plot action, Press \"Esc\" to cancel!"},
        {cmd::ResetPen, "XPM/Reset.xpm", nullptr, "Reset plot pen"},
        {cmd::Outline, "XPM/Outline.xpm", "XPM/Outline_Disabled.xpm", "Extract outline"},
        {cmd::About, "XPM/About.xpm", nullptr, "About Plotvane"},
    };
    return specs;
}

const std::vector<MenuItemSpec>& EditMenuSpecs()
{
    static const std::vector<MenuItemSpec> specs = {
        {cmd::Combine, "Combine"},   {0, nullptr},
        {cmd::Slot, "&Slot"},        {cmd::SlotSetup, "Slot S&etup"},
        {cmd::Undo, "Undo"},         {cmd::Redo, "Redo"},
        {0, nullptr},                {cmd::BrokenLine, "Broken Line"},
        {cmd::Spline, "Spline"},
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
