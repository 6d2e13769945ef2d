// Construction, layout and the command routing of the main window.
#include "mainframe/gui/MainForm.h"

#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/generic/statbmpg.h>
#include <wx/intl.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/socket.h>
#include <wx/splitter.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include "app/IniSettings.h"
#include "app/gui/AppLook.h"
#include "app/gui/PlotvaneApp.h"
#include "app/gui/PlotvaneTaskBarIcon.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandRules.h"
#include "mainframe/CommandTable.h"
#include "mainframe/gui/MainFormLabel.h"
#include "plotlib/Devices.h"
#include "view/gui/PlotterView.h"

wxBEGIN_EVENT_TABLE(MainForm, wxFrame)
    // left column
    EVT_CHOICE(cmd::DeviceChoice, MainForm::OnDeviceChoice)
    EVT_CHOICE(cmd::ExtractPen, MainForm::OnExtractPen)
    EVT_CHECKBOX(cmd::AutoPlot, MainForm::OnAutoPlot)
    EVT_CHECKBOX(cmd::DeleteFile, MainForm::OnDeleteFile)
    EVT_BUTTON(cmd::PlotPath, MainForm::OnChoosePlotPath)
    EVT_BUTTON(cmd::Refresh, MainForm::OnRefresh)
    EVT_BUTTON(cmd::PrevFile, MainForm::OnPrevFile)
    EVT_BUTTON(cmd::Rotate, MainForm::ToggleRotate)
    EVT_BUTTON(cmd::Mirror, MainForm::ToggleMirror)
    EVT_BUTTON(cmd::Copies, MainForm::SetCopies)
    EVT_BUTTON(cmd::Blocks, MainForm::OnEditBlocks)
    EVT_BUTTON(cmd::Remove, MainForm::OnRemovePlotRow)
    EVT_BUTTON(cmd::NextFile, MainForm::OnNextFile)
    EVT_BUTTON(cmd::AddSelected, MainForm::OnAddSelected)
    EVT_BUTTON(cmd::RemoveAll, MainForm::OnRemoveAll)
    EVT_BUTTON(cmd::AddAll, MainForm::OnAddAll)
    EVT_TEXT_ENTER(cmd::Search, MainForm::OnSearchEnter)
    EVT_LIST_ITEM_ACTIVATED(cmd::FileList, MainForm::OnFileListActivated)
    // window buttons and tool row
    EVT_BUTTON(cmd::Menu, MainForm::OnMenuButton)
    EVT_BUTTON(cmd::Minimise, MainForm::OnMinimise)
    EVT_BUTTON(cmd::Maximise, MainForm::OnMaximise)
    EVT_BUTTON(cmd::Close, MainForm::OnCloseButton)
    EVT_BUTTON(cmd::Setup, MainForm::OnPlotterConfig)
    EVT_BUTTON(cmd::Language, MainForm::OnSelectLanguage)
    EVT_BUTTON(cmd::Print, MainForm::StartPlot)
    EVT_BUTTON(cmd::PlotToFile, MainForm::PlotToFile)
    EVT_BUTTON(cmd::ToolZoom, MainForm::OnToolButton)
    EVT_BUTTON(cmd::ToolDrawPen, MainForm::OnToolButton)
    EVT_BUTTON(cmd::ToolCutPen, MainForm::OnToolButton)
    EVT_BUTTON(cmd::ToolHalfCutPen, MainForm::OnToolButton)
    EVT_BUTTON(cmd::HalfCut, MainForm::OnHalfCutSetup)
    EVT_BUTTON(cmd::Emulate, MainForm::EmulatePlot)
    EVT_BUTTON(cmd::ResetPen, MainForm::OnResetPen)
    EVT_BUTTON(cmd::Outline, MainForm::OnExtractOutline)
    EVT_BUTTON(cmd::About, MainForm::OnAbout)
    // lower panel
    EVT_SPLITTER_DCLICK(cmd::Splitter, MainForm::OnSplitterDClick)
    EVT_LIST_ITEM_SELECTED(cmd::PlotList, MainForm::OnPlotListSelected)
    EVT_BUTTON(cmd::Cancel, MainForm::CancelPlot)
    EVT_BUTTON(cmd::Pause, MainForm::PauseOrContinue)
    // edit menu and its accelerators
    EVT_MENU(cmd::Combine, MainForm::OnCombine)
    EVT_MENU(cmd::Slot, MainForm::OnSlotTool)
    EVT_MENU(cmd::SlotSetup, MainForm::OnSlotSetup)
    EVT_MENU(cmd::Undo, MainForm::OnUndo)
    EVT_MENU(cmd::Redo, MainForm::OnRedo)
    EVT_MENU(cmd::BrokenLine, MainForm::OnBrokenLine)
    EVT_MENU(cmd::Spline, MainForm::OnSplineTool)
    // enabling rules
    EVT_UPDATE_UI(cmd::AutoPlot, MainForm::OnUpdateAutoPlot)
    EVT_UPDATE_UI(cmd::DeleteFile, MainForm::OnUpdateDeleteFile)
    EVT_UPDATE_UI_RANGE(cmd::Rotate, cmd::Remove, MainForm::OnUpdateCommand)
    EVT_UPDATE_UI(cmd::AddSelected, MainForm::OnUpdateCommand)
    EVT_UPDATE_UI(cmd::Print, MainForm::OnUpdateCommand)
    EVT_UPDATE_UI(cmd::PlotToFile, MainForm::OnUpdateCommand)
    EVT_UPDATE_UI(cmd::Emulate, MainForm::OnUpdateCommand)
    EVT_UPDATE_UI(cmd::Outline, MainForm::OnUpdateCommand)
    EVT_UPDATE_UI(cmd::Cancel, MainForm::OnUpdateStatusButton)
    EVT_UPDATE_UI(cmd::Pause, MainForm::OnUpdateStatusButton)
    // the window itself
    EVT_TIMER(wxID_ANY, MainForm::OnAutoPlotTimer)
    EVT_CLOSE(MainForm::OnCloseWindow)
    EVT_ICONIZE(MainForm::OnIconize)
    EVT_CHAR_HOOK(MainForm::OnCharHook)
wxEND_EVENT_TABLE()

namespace {

constexpr int kLeftColumnWidth = 210;  // the logo's width

std::vector<std::string> ChoiceItems(const wxChoice* choice)
{
    std::vector<std::string> items;
    for (unsigned i = 0; i < choice->GetCount(); ++i)
        items.emplace_back(choice->GetString(i).utf8_str());
    return items;
}

} // namespace

long MainForm::DefaultStyle()
{
    return wxBORDER_NONE | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxMAXIMIZE_BOX | wxCLOSE_BOX |
           wxRESIZE_BORDER;
}

MainForm::MainForm(wxWindow* parent, wxWindowID id, const wxString& title, const wxPoint& pos,
                   const wxSize& size, long style)
{
    Create(parent, id, title, pos, size, style);
    ApplyAppFont(this);
    CreateControls();

    const wxIcon icon = LoadIconFile("XPM/Plotter.ico");
    if (icon.IsOk())
        SetIcon(icon);
    SetupListColumns();

    SelectExtractPen();
    if (GetIniInt("Emulate", "Speed", -1) == -1)
        SetIniInt("Emulate", "Speed", 10);
    FillDeviceChoice();

    RefreshFileList(false);
    ApplyWorkArea();
    StartFolderWatch();
    BuildTopBackground();

    m_taskBarIcon = new PlotvaneTaskBarIcon(this);
    if (icon.IsOk())
        m_taskBarIcon->SetIcon(icon, wxGetTranslation("CMainFrame"));
}

MainForm::~MainForm()
{
    if (m_timer) {
        m_timer->Stop();
        delete m_timer;
        m_timer = nullptr;
    }
    if (m_taskBarIcon) {
        m_taskBarIcon->RemoveIcon();
        delete m_taskBarIcon;
        m_taskBarIcon = nullptr;
    }
    delete m_popupMenu;
    m_popupMenu = nullptr;
    JoinPlotThread();
}

void MainForm::CreateControls()
{
    auto* top = new wxBoxSizer(wxHORIZONTAL);
    auto* left = new wxBoxSizer(wxVERTICAL);
    auto* right = new wxBoxSizer(wxVERTICAL);
    top->Add(left, 0, wxEXPAND);
    top->Add(right, 1, wxEXPAND);
    CreateLeftColumn(left);
    CreateRightColumn(right);
    CreateEditMenu();
    SetSizer(top);

    wxAcceleratorEntry keys[2];
    keys[0].Set(wxACCEL_CTRL, 'Z', cmd::Undo);
    keys[1].Set(wxACCEL_CTRL, 'Y', cmd::Redo);
    SetAcceleratorTable(wxAcceleratorTable(2, keys));

    SetCanvasTool(cmd::ToolZoom);
    SelectToolButton(cmd::ToolZoom);
    SetSize(WorkArea());
    Layout();

    const PlotvaneApp& app = wxGetApp();
    m_markSpaceField->ChangeValue(wxString::FromUTF8(FormatSpaceField(app.m_markSpace)));
    m_frontSpaceField->ChangeValue(wxString::FromUTF8(FormatSpaceField(app.m_frontSpace)));

    m_timer = new wxTimer(this, wxID_ANY);
    m_timer->Start(1000);
    wxSocketBase::Initialize();
}

void MainForm::CreateLeftColumn(wxBoxSizer* left)
{
    m_logo = new wxGenericStaticBitmap(this, wxID_ANY, LoadBitmapFile("XPM/Icon.jpg"),
                                       wxDefaultPosition, wxSize(kLeftColumnWidth, 59));
    m_logo->SetScaleMode(wxStaticBitmapBase::Scale_None);
    m_logo->Bind(wxEVT_LEFT_DOWN, &MainForm::OnStartMove, this);
    left->Add(m_logo, 0, wxFIXED_MINSIZE);

    m_leftBackground = LoadBitmapFile("XPM/left_bg.jpg");
    m_leftPanel = new wxPanel(this, cmd::LeftPanel, wxDefaultPosition,
                              wxSize(kLeftColumnWidth, -1), wxBORDER_NONE | wxTAB_TRAVERSAL);
    m_leftPanel->SetBackgroundColour(wxColour(224, 232, 240));
    m_leftPanel->SetBackgroundStyle(wxBG_STYLE_PAINT);
    m_leftPanel->Bind(wxEVT_PAINT, &MainForm::OnPaintLeftPanel, this);
    m_leftPanel->Bind(wxEVT_LEFT_DOWN, &MainForm::OnStartMove, this);
    left->Add(m_leftPanel, 1, wxEXPAND);

    wxWindow* panel = m_leftPanel;
    auto label = [&](const wxString& text) {
        return new MainFormLabel(panel, text, &m_leftBackground);
    };
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* grid = new wxFlexGridSizer(3, 4, 4);
    grid->AddGrowableCol(1, 1);

    // Narrow minimum widths: the growable column then fits the fixed-width
    // column with the "CM" labels beside the fields.
    const wxSize narrow(60, -1);
    m_deviceChoice = new wxChoice(panel, cmd::DeviceChoice, wxDefaultPosition, narrow);
    grid->Add(label(_("SetType")), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_deviceChoice, 1, wxEXPAND);
    grid->AddSpacer(0);

    const wxString pens[] = {"SP2", "SP3"};
    m_extractPenChoice = new wxChoice(panel, cmd::ExtractPen, wxDefaultPosition, wxDefaultSize,
                                      2, pens);
    m_extractPenChoice->SetMinSize(narrow);
    m_extractPenChoice->SetSelection(1);
    grid->Add(label(_("Extract")), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_extractPenChoice, 1, wxEXPAND);
    grid->AddSpacer(0);

    m_markSpaceField = new wxTextCtrl(panel, cmd::MarkSpace, wxEmptyString, wxDefaultPosition,
                                      narrow);
    m_markSpaceField->Bind(wxEVT_KILL_FOCUS, &MainForm::OnSpaceKillFocus, this);
    grid->Add(label(_("Mark space")), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_markSpaceField, 1, wxEXPAND);
    grid->Add(label(_("CM")), 0, wxALIGN_CENTER_VERTICAL);

    m_frontSpaceField = new wxTextCtrl(panel, cmd::FrontSpace, wxEmptyString, wxDefaultPosition,
                                       narrow);
    m_frontSpaceField->Bind(wxEVT_KILL_FOCUS, &MainForm::OnSpaceKillFocus, this);
    grid->Add(label(_("Front space")), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_frontSpaceField, 1, wxEXPAND);
    grid->Add(label(_("CM")), 0, wxALIGN_CENTER_VERTICAL);
    sizer->Add(grid, 0, wxEXPAND | wxALL, 6);

    auto addCheckRow = [&](wxCheckBox*& box, MainFormLabel*& boxLabel, int id,
                           const wxString& text, void (MainForm::*onLabel)(wxMouseEvent&)) {
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        box = new wxCheckBox(panel, id, wxEmptyString);
        boxLabel = label(text);
        boxLabel->Bind(wxEVT_LEFT_UP, onLabel, this);
        row->Add(box, 0, wxALIGN_CENTER_VERTICAL);
        row->Add(boxLabel, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 4);
        sizer->Add(row, 0, wxLEFT | wxRIGHT | wxBOTTOM, 6);
    };
    addCheckRow(m_autoPlotBox, m_autoPlotLabel, cmd::AutoPlot, _("Auto plot"),
                &MainForm::OnAutoPlotLabel);
    addCheckRow(m_deleteFileBox, m_deleteFileLabel, cmd::DeleteFile, _("Delete file"),
                &MainForm::OnDeleteFileLabel);

    const auto& buttons = LeftButtonSpecs();
    for (size_t rowStart = 0; rowStart < buttons.size(); rowStart += 6) {
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        for (size_t i = rowStart; i < rowStart + 6 && i < buttons.size(); ++i)
            row->Add(AddBitmapButton(panel, buttons[i].id, true), 1, wxEXPAND);
        sizer->Add(row, 0, wxEXPAND | wxLEFT | wxRIGHT, 2);
    }

    m_searchBox = new wxTextCtrl(panel, cmd::Search, wxEmptyString, wxDefaultPosition,
                                 wxDefaultSize, wxTE_PROCESS_ENTER | wxTE_NOHIDESEL);
    sizer->Add(m_searchBox, 0, wxEXPAND | wxALL, 4);

    m_fileList = new wxListCtrl(panel, cmd::FileList, wxDefaultPosition, wxDefaultSize,
                                wxLC_REPORT | wxLC_HRULES | wxLC_VRULES | wxBORDER_NONE);
    m_fileList->SetBackgroundColour(wxColour(252, 255, 255));
    sizer->Add(m_fileList, 1, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 4);
    panel->SetSizer(sizer);
}

void MainForm::CreateRightColumn(wxBoxSizer* right)
{
    m_topPanel = new wxPanel(this, cmd::TopPanel, wxDefaultPosition, wxDefaultSize,
                             wxBORDER_NONE | wxTAB_TRAVERSAL);
    m_topPanel->SetBackgroundColour(wxColour(255, 255, 204));
    m_topPanel->SetBackgroundStyle(wxBG_STYLE_PAINT);
    m_topPanel->Bind(wxEVT_PAINT, &MainForm::OnPaintTopPanel, this);
    m_topPanel->Bind(wxEVT_LEFT_DOWN, &MainForm::OnStartMove, this);
    m_topPanel->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        BuildTopBackground();
        m_topPanel->Refresh(false);
        event.Skip();
    });

    auto* topSizer = new wxBoxSizer(wxVERTICAL);
    auto* windowRow = new wxBoxSizer(wxHORIZONTAL);
    windowRow->AddStretchSpacer(1);
    for (const ButtonSpec& entry : WindowButtonSpecs()) {
        wxBitmapButton* button = AddBitmapButton(m_topPanel, entry.id, false);
        if (entry.id == cmd::Maximise)
            m_maximiseButton = button;
        windowRow->Add(button, 0);
    }
    topSizer->Add(windowRow, 0, wxEXPAND | wxTOP | wxRIGHT, 2);

    auto* toolRow = new wxBoxSizer(wxHORIZONTAL);
    for (const ButtonSpec& entry : ToolButtonSpecs()) {
        toolRow->Add(AddBitmapButton(m_topPanel, entry.id, false), 0);
        toolRow->AddSpacer(5);
    }
    topSizer->Add(toolRow, 0, wxLEFT | wxBOTTOM, 6);
    m_topPanel->SetSizer(topSizer);
    right->Add(m_topPanel, 0, wxEXPAND);

    m_lowerPanel = new wxPanel(this, cmd::LowerPanel, wxDefaultPosition, wxDefaultSize,
                               wxBORDER_NONE | wxTAB_TRAVERSAL);
    m_lowerPanel->SetBackgroundStyle(wxBG_STYLE_PAINT);
    m_lowerPanel->Bind(wxEVT_PAINT, &MainForm::OnPaintLowerPanel, this);
    m_lowerPanel->Bind(wxEVT_LEFT_DOWN, &MainForm::OnStartMove, this);
    m_lowerPanel->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        m_lowerPanel->Refresh(false);  // the gradient spans the whole width
        event.Skip();
    });
    auto* lowerSizer = new wxBoxSizer(wxVERTICAL);

    m_splitter = new wxSplitterWindow(m_lowerPanel, cmd::Splitter, wxDefaultPosition,
                                      wxDefaultSize, wxSP_3DSASH | wxSP_LIVE_UPDATE);
    m_plotPanel = new wxPanel(m_splitter, cmd::PlotPanel);
    m_plotList = new wxListCtrl(m_plotPanel, cmd::PlotList, wxDefaultPosition, wxDefaultSize,
                                wxLC_REPORT | wxLC_HRULES | wxLC_VRULES | wxBORDER_NONE);
    m_plotList->SetBackgroundColour(wxColour(252, 255, 255));
    BindPlotListEvents();
    auto* plotSizer = new wxBoxSizer(wxVERTICAL);
    plotSizer->Add(m_plotList, 1, wxEXPAND);
    m_plotPanel->SetSizer(plotSizer);
    m_preview = CreatePreview(m_splitter);
    m_splitter->SetMinimumPaneSize(0);
    m_splitter->SplitHorizontally(m_plotPanel, m_preview, 155);
    lowerSizer->Add(m_splitter, 1, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 4);

    CreateStatusBar36(m_lowerPanel);
    lowerSizer->Add(m_statusBar, 0, wxEXPAND | wxTOP, 4);
    m_lowerPanel->SetSizer(lowerSizer);
    right->Add(m_lowerPanel, 1, wxEXPAND);
}

void MainForm::CreateStatusBar36(wxWindow* parent)
{
    m_statusBar = new wxStatusBar(parent, cmd::StatusBar, wxSTB_DEFAULT_STYLE);
    const int widths[] = {-1, 80, 80, 80, 200, 120, 130};
    m_statusBar->SetFieldsCount(7, widths);
    m_statusBar->SetMinHeight(30);
    m_statusBar->SetMinSize(wxSize(-1, 30));  // room for the 26-pixel buttons
    m_cancelButton = new wxButton(m_statusBar, cmd::Cancel, _("Cancel"), wxDefaultPosition,
                                  wxSize(50, 26));
    m_pauseButton = new wxButton(m_statusBar, cmd::Pause, _("Pause"), wxDefaultPosition,
                                 wxSize(60, 26));
    m_statusBar->Bind(wxEVT_SIZE, &MainForm::OnStatusBarSize, this);
}

// The preview canvas in the splitter's lower pane. Its mouse position goes
// to status fields 1 to 3; its title (file name) to the window title.
wxWindow* MainForm::CreatePreview(wxWindow* parent)
{
    auto* view = new CPlotterView(parent, wxID_ANY);
    view->SetStatusCallback([this](float x, float y, float scale) {
        if (!m_statusBar)
            return;
        const int resolution = GetPlotter()->resolution;
        m_statusBar->SetStatusText(FormatMillimetres(x, resolution), 1);
        m_statusBar->SetStatusText(FormatMillimetres(y, resolution), 2);
        m_statusBar->SetStatusText(FormatScale(scale), 3);
    });
    return view;
}

CPlotterView* MainForm::GetPlotterView() const
{
    return dynamic_cast<CPlotterView*>(m_preview);
}

void MainForm::CreateEditMenu()
{
    m_popupMenu = new wxMenu;
    for (const MenuItemSpec& item : EditMenuSpecs()) {
        if (item.id == 0)
            m_popupMenu->AppendSeparator();
        else
            m_popupMenu->Append(item.id, wxGetTranslation(item.label));
    }
}

wxBitmapButton* MainForm::AddBitmapButton(wxWindow* parent, int id, bool leftRow)
{
    const ButtonSpec* entry = FindButtonSpec(id);
    auto* button = new wxBitmapButton(parent, id, LoadBitmapFile(entry->bitmap),
                                      wxDefaultPosition, wxDefaultSize,
                                      wxBORDER_NONE | wxBU_EXACTFIT);
    if (entry->disabledBitmap) {
        const wxBitmap disabled = LoadBitmapFile(entry->disabledBitmap);
        if (disabled.IsOk())
            button->SetBitmapDisabled(disabled);
    }
    if (entry->tooltip) {
        const wxString text = wxGetTranslation(entry->tooltip);
        button->SetToolTip(text);
        button->SetHelpText(text);
    }
    // The help line shows for the left rows and the tool row, not for the
    // window buttons (they carry no help text).
    if (leftRow || entry->tooltip)
        button->Bind(wxEVT_ENTER_WINDOW, &MainForm::OnEnterButton, this);
    return button;
}

void MainForm::SetupListColumns()
{
    m_fileList->InsertColumn(0, _("File name"), wxLIST_FORMAT_LEFT, 170);
    m_fileList->InsertColumn(1, _("File size"), wxLIST_FORMAT_RIGHT, 80);
    m_fileList->InsertColumn(2, _("Create Time"), wxLIST_FORMAT_LEFT, 150);

    const struct {
        const char* title;
        int width;
    } plotColumns[] = {
        {wxTRANSLATE("File name"), 250},  {wxTRANSLATE("Total block"), 60},
        {wxTRANSLATE("Begin block"), 60}, {wxTRANSLATE("Stop block"), 60},
        {wxTRANSLATE("Rotate"), 70},      {wxTRANSLATE("Mirror"), 70},
        {wxTRANSLATE("W x H (MM)"), 90},  {wxTRANSLATE("Copys"), 70},
    };
    long column = 0;
    for (const auto& c : plotColumns)
        m_plotList->InsertColumn(column++, wxGetTranslation(c.title), wxLIST_FORMAT_LEFT,
                                 c.width);
}

void MainForm::FillDeviceChoice()
{
    std::vector<std::string> names;
    GetAllDevices(names);
    for (const std::string& name : names)
        m_deviceChoice->Append(wxString::FromUTF8(name));
    const int index = IndexOfName(names, GetDefaultDevice());
    if (index >= 0)
        m_deviceChoice->SetSelection(index);
}

void MainForm::SelectExtractPen()
{
    const int stored = GetIniInt("Global", "ExtractPen", 1);
    const PLOTTERCONFIG* config = GetPlotter();
    const int selection = ExtractPenSelection(ChoiceItems(m_extractPenChoice), stored,
                                              config ? config->extractPen : -1,
                                              m_extractPenChoice->GetSelection());
    if (selection >= 0)
        m_extractPenChoice->SetSelection(selection);
}

CommandState MainForm::GatherCommandState() const
{
    CommandState state;
    state.plotting = IsPlotting();
    state.plotRows = m_plotList && m_plotList->GetItemCount() > 0;
    state.plotRowSelected = m_plotList && m_plotList->GetSelectedItemCount() > 0;
    state.fileRowSelected = m_fileList && m_fileList->GetSelectedItemCount() > 0;
    state.autoPlot = wxGetApp().m_autoPlot;
    state.canUndo = CanvasCanUndo();
    state.canRedo = CanvasCanRedo();
    return state;
}

void MainForm::SetStatusPosition(double x, double y, double scale)
{
    const PLOTTERCONFIG* config = GetPlotter();
    const int resolution = config ? config->resolution : 0;
    m_statusBar->SetStatusText(wxString::FromUTF8(FormatMillimetres(x, resolution)), 1);
    m_statusBar->SetStatusText(wxString::FromUTF8(FormatMillimetres(y, resolution)), 2);
    m_statusBar->SetStatusText(wxString::FromUTF8(FormatScale(scale)), 3);
}
