#include "plotlib/gui/PlotSetDlg.h"

#include <climits>
#include <cmath>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/collpane.h>
#include <wx/combobox.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/intl.h>
#include <wx/listbox.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/gui/AppLook.h"
#include "plotlib/CupsTransport.h"
#include "plotlib/gui/DxfLayerPanel.h"
#include "view/DxfSettings.h"

namespace {

const int kBaudRates[] = {300, 600, 1200, 2400, 4800, 9600, 19200,
                          38400, 57600, 115200, 230400, 460800, 921600};
const char kParities[] = {'N', 'E', 'O'};

wxString FromStd(const std::string& s) { return wxString::FromUTF8(s.c_str()); }
std::string ToStd(const wxString& s) { return std::string(s.utf8_str()); }

// Numbers are shown in the C locale, as the device list stores them, so
// "1.8" means the same in every language.
wxString FormatNumber(double v)
{
    return wxString::FromCDouble(v);  // %g: "1.8", "0", "1016"
}

bool ParseInteger(const wxString& text, int& value)
{
    double v = 0;
    if (!ParseDecimal(ToStd(text), v) || v != std::floor(v) || v < INT_MIN || v > INT_MAX)
        return false;
    value = static_cast<int>(v);
    return true;
}

const char* TargetLabel(ConnectionKind kind)
{
    switch (kind) {
    case ConnectionKind::Folder: return wxTRANSLATE("Folder:");
    case ConnectionKind::File: return wxTRANSLATE("File or device:");
    case ConnectionKind::Tcp: return wxTRANSLATE("Host[:port]:");
    case ConnectionKind::Serial: return wxTRANSLATE("Serial port:");
    case ConnectionKind::Cups: return wxTRANSLATE("CUPS queue:");
    }
    return wxTRANSLATE("Target:");
}

} // namespace

wxIMPLEMENT_CLASS(CPlotSetDlg, wxDialog);

wxBEGIN_EVENT_TABLE(CPlotSetDlg, wxDialog)
    EVT_LISTBOX(CPlotSetDlg::ID_LIST, CPlotSetDlg::OnListSelect)
    EVT_BUTTON(CPlotSetDlg::ID_ADD, CPlotSetDlg::OnAdd)
    EVT_BUTTON(CPlotSetDlg::ID_COPY, CPlotSetDlg::OnCopy)
    EVT_BUTTON(CPlotSetDlg::ID_REMOVE, CPlotSetDlg::OnRemove)
    EVT_BUTTON(CPlotSetDlg::ID_DEFAULT, CPlotSetDlg::OnDefault)
    EVT_TEXT(CPlotSetDlg::ID_NAME, CPlotSetDlg::OnNameText)
    EVT_CHOICE(CPlotSetDlg::ID_KIND, CPlotSetDlg::OnKind)
    EVT_BUTTON(CPlotSetDlg::ID_BROWSE, CPlotSetDlg::OnBrowse)
wxEND_EVENT_TABLE()

CPlotSetDlg::CPlotSetDlg(wxWindow* parent, const std::vector<DeviceInfo>& devices,
                         const std::string& defaultName, bool canEdit, bool canChoose)
    : m_devices(devices), m_canEdit(canEdit), m_canChoose(canChoose)
{
    SetExtraStyle(wxWS_EX_VALIDATE_RECURSIVELY);
    Create(parent, wxID_ANY, wxGetTranslation("CPlotSetDlg"), wxDefaultPosition, wxDefaultSize,
           wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX | wxRESIZE_BORDER | wxTAB_TRAVERSAL);
    for (size_t i = 0; i < m_devices.size(); ++i)
        if (m_devices[i].name == defaultName)
            m_default = static_cast<int>(i);
    if (m_default < 0 && !m_devices.empty())
        m_default = 0;
    m_current = m_devices.empty() ? -1 : (m_default >= 0 ? m_default : 0);

    BuildControls();
    ApplyAppFont(this);
    RefillList();
    LoadFields();
    if (GetSizer())
        GetSizer()->SetSizeHints(this);
    Centre(wxBOTH);
}

void CPlotSetDlg::BuildControls()
{
    auto label = [this](const char* text) {
        return new wxStaticText(this, wxID_ANY, wxGetTranslation(text));
    };
    auto text = [this](int id, int width) {
        return new wxTextCtrl(this, id, wxEmptyString, wxDefaultPosition, wxSize(width, -1));
    };

    wxBoxSizer* top = new wxBoxSizer(wxVERTICAL);
    wxBoxSizer* columns = new wxBoxSizer(wxHORIZONTAL);

    // The device list.
    wxBoxSizer* left = new wxBoxSizer(wxVERTICAL);
    left->Add(label(wxTRANSLATE("Devices")), 0, wxALL, 5);
    m_list = new wxListBox(this, ID_LIST, wxDefaultPosition, wxSize(180, 240));
    left->Add(m_list, 1, wxALL | wxEXPAND, 5);
    wxBoxSizer* listButtons = new wxBoxSizer(wxHORIZONTAL);
    listButtons->Add(new wxButton(this, ID_ADD, _("Add")), 0, wxALL, 2);
    listButtons->Add(new wxButton(this, ID_COPY, _("Copy")), 0, wxALL, 2);
    listButtons->Add(new wxButton(this, ID_REMOVE, _("Remove")), 0, wxALL, 2);
    left->Add(listButtons, 0, wxLEFT | wxRIGHT, 3);
    left->Add(new wxButton(this, ID_DEFAULT, _("Use as default")), 0, wxALL | wxEXPAND, 5);
    m_defaultLabel = new wxStaticText(this, wxID_ANY, wxEmptyString);
    left->Add(m_defaultLabel, 0, wxALL, 5);
    columns->Add(left, 0, wxEXPAND);

    // The fields of the selected device.
    wxFlexGridSizer* grid = new wxFlexGridSizer(2, 4, 4);
    grid->AddGrowableCol(1);
    auto row = [&](wxWindow* lbl, wxWindow* ctrl) {
        grid->Add(lbl, 0, wxALIGN_RIGHT | wxALIGN_CENTER_VERTICAL);
        grid->Add(ctrl, 1, wxEXPAND);
    };
    auto rowSizer = [&](wxWindow* lbl, wxSizer* sizer) {
        grid->Add(lbl, 0, wxALIGN_RIGHT | wxALIGN_CENTER_VERTICAL);
        grid->Add(sizer, 1, wxEXPAND);
    };

    m_name = text(ID_NAME, 200);
    row(label(wxTRANSLATE("Name:")), m_name);

    m_kind = new wxChoice(this, ID_KIND);
    m_kind->Append(_("Folder (a new plot file per job)"));
    m_kind->Append(_("File or device node"));
    m_kind->Append(_("Network (raw TCP)"));
    m_kind->Append(_("Serial port"));
    m_kind->Append(_("CUPS queue"));
    row(label(wxTRANSLATE("Connection:")), m_kind);

    m_targetLabel = label(wxTRANSLATE("Target:"));
    wxBoxSizer* targetRow = new wxBoxSizer(wxHORIZONTAL);
    m_target = new wxComboBox(this, ID_TARGET, wxEmptyString, wxDefaultPosition, wxSize(240, -1));
    m_browse = new wxButton(this, ID_BROWSE, _("Browse..."));
    targetRow->Add(m_target, 1, wxALIGN_CENTER_VERTICAL);
    targetRow->Add(m_browse, 0, wxLEFT | wxALIGN_CENTER_VERTICAL, 4);
    rowSizer(m_targetLabel, targetRow);

    wxBoxSizer* serialRow = new wxBoxSizer(wxHORIZONTAL);
    m_baud = new wxChoice(this, ID_BAUD);
    for (int baud : kBaudRates)
        m_baud->Append(wxString::Format("%d", baud));
    m_dataBits = new wxChoice(this, ID_DATA_BITS);
    for (int bits = 5; bits <= 8; ++bits)
        m_dataBits->Append(wxString::Format("%d", bits));
    m_parity = new wxChoice(this, ID_PARITY);
    m_parity->Append(_("None"));
    m_parity->Append(_("Even"));
    m_parity->Append(_("Odd"));
    m_stopBits = new wxChoice(this, ID_STOP_BITS);
    m_stopBits->Append("1");
    m_stopBits->Append("2");
    m_flow = new wxChoice(this, ID_FLOW);
    m_flow->Append(_("None"));
    m_flow->Append(_("XON/XOFF"));
    m_flow->Append(_("RTS/CTS"));
    for (wxWindow* w : {static_cast<wxWindow*>(m_baud), static_cast<wxWindow*>(m_dataBits),
                        static_cast<wxWindow*>(m_parity), static_cast<wxWindow*>(m_stopBits),
                        static_cast<wxWindow*>(m_flow)})
        serialRow->Add(w, 0, wxRIGHT | wxALIGN_CENTER_VERTICAL, 4);
    rowSizer(label(wxTRANSLATE("Baud, data bits, parity, stop bits, flow:")), serialRow);

    m_timeout = text(ID_TIMEOUT, 80);
    row(label(wxTRANSLATE("Timeout (ms):")), m_timeout);

    m_language = new wxChoice(this, ID_LANGUAGE);
    m_language->Append("HP-GL");
    m_language->Append("DMPL");
    row(label(wxTRANSLATE("Language:")), m_language);

    m_paperWidth = text(ID_PAPER_WIDTH, 80);
    row(label(wxTRANSLATE("Paper width (m):")), m_paperWidth);
    m_blockLength = text(ID_BLOCK_LENGTH, 80);
    row(label(wxTRANSLATE("Block length (m, 0: none):")), m_blockLength);
    m_resolution = text(ID_RESOLUTION, 80);
    row(label(wxTRANSLATE("Resolution (units per inch):")), m_resolution);

    wxBoxSizer* penRow = new wxBoxSizer(wxHORIZONTAL);
    m_drawPen = text(ID_DRAW_PEN, 40);
    m_cutPen = text(ID_CUT_PEN, 40);
    m_halfCutPen = text(ID_HALF_CUT_PEN, 40);
    penRow->Add(m_drawPen, 0, wxRIGHT | wxALIGN_CENTER_VERTICAL, 4);
    penRow->Add(label(wxTRANSLATE("cut")), 0, wxRIGHT | wxALIGN_CENTER_VERTICAL, 4);
    penRow->Add(m_cutPen, 0, wxRIGHT | wxALIGN_CENTER_VERTICAL, 4);
    penRow->Add(label(wxTRANSLATE("half cut")), 0, wxRIGHT | wxALIGN_CENTER_VERTICAL, 4);
    penRow->Add(m_halfCutPen, 0, wxALIGN_CENTER_VERTICAL);
    rowSizer(label(wxTRANSLATE("Pens (1 to 8): draw")), penRow);

    wxBoxSizer* scaleRow = new wxBoxSizer(wxHORIZONTAL);
    m_scaleX = text(ID_SCALE_X, 70);
    m_scaleY = text(ID_SCALE_Y, 70);
    scaleRow->Add(m_scaleX, 0, wxRIGHT | wxALIGN_CENTER_VERTICAL, 4);
    scaleRow->Add(label(wxTRANSLATE("Y")), 0, wxRIGHT | wxALIGN_CENTER_VERTICAL, 4);
    scaleRow->Add(m_scaleY, 0, wxALIGN_CENTER_VERTICAL);
    rowSizer(label(wxTRANSLATE("Scale X")), scaleRow);

    wxBoxSizer* extractRow = new wxBoxSizer(wxHORIZONTAL);
    m_extractOnAdd = new wxCheckBox(this, ID_EXTRACT_ON_ADD, _("Extract outlines of added files"));
    m_extractPen = text(ID_EXTRACT_PEN, 40);
    extractRow->Add(m_extractOnAdd, 0, wxRIGHT | wxALIGN_CENTER_VERTICAL, 8);
    extractRow->Add(label(wxTRANSLATE("Extract pen:")), 0, wxRIGHT | wxALIGN_CENTER_VERTICAL, 4);
    extractRow->Add(m_extractPen, 0, wxALIGN_CENTER_VERTICAL);
    rowSizer(label(wxTRANSLATE("Outlines:")), extractRow);

    columns->Add(grid, 1, wxALL | wxEXPAND, 5);
    top->Add(columns, 1, wxEXPAND);

    m_dxfPane = new wxCollapsiblePane(this, ID_DXF_PANE, _("DXF pattern layers"));
    m_dxfPanel = new CDxfLayerPanel(m_dxfPane->GetPane());
    wxBoxSizer* paneSizer = new wxBoxSizer(wxVERTICAL);
    paneSizer->Add(m_dxfPanel, 1, wxEXPAND);
    m_dxfPane->GetPane()->SetSizer(paneSizer);
    m_dxfPanel->Enable(m_canEdit);
    top->Add(m_dxfPane, 0, wxLEFT | wxRIGHT | wxEXPAND, 5);

    wxBoxSizer* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->AddStretchSpacer();
    buttons->Add(new wxButton(this, wxID_OK, _("OK")), 0, wxALL, 5);
    buttons->Add(new wxButton(this, wxID_CANCEL, _("Cancel")), 0, wxALL, 5);
    top->Add(buttons, 0, wxEXPAND);
    SetSizer(top);

    FindWindow(ID_ADD)->Enable(m_canEdit);
    FindWindow(ID_COPY)->Enable(m_canEdit);
    FindWindow(ID_REMOVE)->Enable(m_canEdit);
    FindWindow(ID_DEFAULT)->Enable(m_canChoose);
}

std::string CPlotSetDlg::GetDefaultName() const
{
    if (m_default < 0 || m_default >= static_cast<int>(m_devices.size()))
        return std::string();
    return m_devices[static_cast<size_t>(m_default)].name;
}

void CPlotSetDlg::RefillList()
{
    m_list->Clear();
    for (const DeviceInfo& d : m_devices)
        m_list->Append(FromStd(d.name));
    if (m_current >= 0)
        m_list->SetSelection(m_current);
    m_defaultLabel->SetLabel(wxString::Format(_("Default device: %s"), FromStd(GetDefaultName())));
}

void CPlotSetDlg::LoadFields()
{
    m_loading = true;
    const bool have = m_current >= 0;
    const DeviceInfo d = have ? m_devices[static_cast<size_t>(m_current)] : DeviceInfo();
    const PLOTTERCONFIG& c = d.config;
    m_name->ChangeValue(FromStd(d.name));
    m_kind->SetSelection(static_cast<int>(d.kind));
    m_target->SetValue(FromStd(d.target));

    int baud = m_baud->FindString(wxString::Format("%d", d.serial.baudRate));
    if (baud == wxNOT_FOUND)  // a rate from the file the list does not offer
        baud = m_baud->Append(wxString::Format("%d", d.serial.baudRate));
    m_baud->SetSelection(baud);
    m_dataBits->SetSelection(m_dataBits->FindString(wxString::Format("%d", d.serial.dataBits)));
    m_parity->SetSelection(d.serial.parity == 'E' ? 1 : d.serial.parity == 'O' ? 2 : 0);
    m_stopBits->SetSelection(d.serial.stopBits == 2 ? 1 : 0);
    m_flow->SetSelection(static_cast<int>(d.serial.flow));
    m_timeout->ChangeValue(wxString::Format("%d", d.timeoutMs));
    m_language->SetSelection(c.language == PlotLanguage::Dmpl ? 1 : 0);
    m_paperWidth->ChangeValue(FormatNumber(c.paperWidth));
    m_blockLength->ChangeValue(FormatNumber(c.blockLength));
    m_resolution->ChangeValue(wxString::Format("%d", c.resolution));
    m_drawPen->ChangeValue(wxString::Format("%d", c.drawPen));
    m_cutPen->ChangeValue(wxString::Format("%d", c.cutPen));
    m_halfCutPen->ChangeValue(wxString::Format("%d", c.halfCutPen));
    m_scaleX->ChangeValue(FormatNumber(c.scaleX));
    m_scaleY->ChangeValue(FormatNumber(c.scaleY));
    m_extractOnAdd->SetValue(c.extractOnAdd);
    m_extractPen->ChangeValue(wxString::Format("%d", c.extractPen));

    for (wxWindow* w : {static_cast<wxWindow*>(m_name), static_cast<wxWindow*>(m_kind),
                        static_cast<wxWindow*>(m_target), static_cast<wxWindow*>(m_browse),
                        static_cast<wxWindow*>(m_timeout), static_cast<wxWindow*>(m_language),
                        static_cast<wxWindow*>(m_paperWidth), static_cast<wxWindow*>(m_blockLength),
                        static_cast<wxWindow*>(m_resolution), static_cast<wxWindow*>(m_drawPen),
                        static_cast<wxWindow*>(m_cutPen), static_cast<wxWindow*>(m_halfCutPen),
                        static_cast<wxWindow*>(m_scaleX), static_cast<wxWindow*>(m_scaleY),
                        static_cast<wxWindow*>(m_extractOnAdd), static_cast<wxWindow*>(m_extractPen)})
        w->Enable(have && m_canEdit);
    FindWindow(ID_COPY)->Enable(have && m_canEdit);
    FindWindow(ID_REMOVE)->Enable(have && m_canEdit);
    FindWindow(ID_DEFAULT)->Enable(have && m_canChoose);
    UpdateKindControls();
    m_loading = false;
}

void CPlotSetDlg::UpdateKindControls()
{
    const bool editable = m_current >= 0 && m_canEdit;
    const ConnectionKind kind = static_cast<ConnectionKind>(std::max(0, m_kind->GetSelection()));
    m_targetLabel->SetLabel(wxGetTranslation(TargetLabel(kind)));
    const bool serial = kind == ConnectionKind::Serial;
    for (wxWindow* w : {static_cast<wxWindow*>(m_baud), static_cast<wxWindow*>(m_dataBits),
                        static_cast<wxWindow*>(m_parity), static_cast<wxWindow*>(m_stopBits),
                        static_cast<wxWindow*>(m_flow)})
        w->Enable(editable && serial);
    m_timeout->Enable(editable && (serial || kind == ConnectionKind::Tcp ||
                                   kind == ConnectionKind::Cups));
    m_browse->Enable(editable && (kind == ConnectionKind::Folder || kind == ConnectionKind::File));

    // The drop-down offers the machine's CUPS queues for a CUPS device;
    // other kinds are typed (or browsed).
    const wxString value = m_target->GetValue();
    m_target->Clear();
    if (kind == ConnectionKind::Cups) {
        if (!m_cupsListed) {
            m_cupsQueues = ListCupsQueues();
            m_cupsListed = true;
        }
        for (const std::string& q : m_cupsQueues)
            m_target->Append(FromStd(q));
    }
    m_target->ChangeValue(value);
    Layout();
}

DeviceProblem CPlotSetDlg::ReadFields(DeviceInfo& d) const
{
    auto number = [](wxTextCtrl* ctrl, DeviceField field, double& out) {
        if (ParseDecimal(ToStd(ctrl->GetValue()), out))
            return DeviceProblem{};
        return DeviceProblem{field, "Enter a number."};
    };
    auto integer = [](wxTextCtrl* ctrl, DeviceField field, int& out) {
        if (ParseInteger(ctrl->GetValue(), out))
            return DeviceProblem{};
        return DeviceProblem{field, "Enter a whole number."};
    };

    d.name = ToStd(m_name->GetValue().Strip(wxString::both));
    d.kind = static_cast<ConnectionKind>(std::max(0, m_kind->GetSelection()));
    d.target = ToStd(m_target->GetValue().Strip(wxString::both));
    long baud = 0;
    if (m_baud->GetStringSelection().ToLong(&baud))
        d.serial.baudRate = static_cast<int>(baud);
    d.serial.dataBits = 5 + std::max(0, m_dataBits->GetSelection());
    d.serial.parity = kParities[std::max(0, m_parity->GetSelection())];
    d.serial.stopBits = m_stopBits->GetSelection() == 1 ? 2 : 1;
    d.serial.flow = static_cast<FlowControl>(std::max(0, m_flow->GetSelection()));
    d.config.language = m_language->GetSelection() == 1 ? PlotLanguage::Dmpl : PlotLanguage::Hpgl;
    d.config.extractOnAdd = m_extractOnAdd->GetValue();

    DeviceProblem p;
    double paper = 0, block = 0, sx = 0, sy = 0;
    if (!(p = integer(m_timeout, DeviceField::Timeout, d.timeoutMs)).ok()) return p;
    if (!(p = number(m_paperWidth, DeviceField::PaperWidth, paper)).ok()) return p;
    if (!(p = number(m_blockLength, DeviceField::BlockLength, block)).ok()) return p;
    if (!(p = integer(m_resolution, DeviceField::Resolution, d.config.resolution)).ok()) return p;
    if (!(p = integer(m_drawPen, DeviceField::DrawPen, d.config.drawPen)).ok()) return p;
    if (!(p = integer(m_cutPen, DeviceField::CutPen, d.config.cutPen)).ok()) return p;
    if (!(p = integer(m_halfCutPen, DeviceField::HalfCutPen, d.config.halfCutPen)).ok()) return p;
    if (!(p = number(m_scaleX, DeviceField::ScaleX, sx)).ok()) return p;
    if (!(p = number(m_scaleY, DeviceField::ScaleY, sy)).ok()) return p;
    if (!(p = integer(m_extractPen, DeviceField::ExtractPen, d.config.extractPen)).ok()) return p;
    d.config.paperWidth = static_cast<float>(paper);
    d.config.blockLength = static_cast<float>(block);
    d.config.scaleX = static_cast<float>(sx);
    d.config.scaleY = static_cast<float>(sy);
    return DeviceProblem{};
}

bool CPlotSetDlg::CommitCurrent(bool report)
{
    m_problem = DeviceProblem{};
    if (m_current < 0 || !m_canEdit)
        return true;
    DeviceInfo& device = m_devices[static_cast<size_t>(m_current)];
    DeviceInfo edited = device;
    m_problem = ReadFields(edited);
    if (m_problem.ok()) {
        device = edited;
        m_problem = CheckDeviceInList(m_devices, static_cast<size_t>(m_current));
    }
    if (m_problem.ok())
        return true;
    if (report)
        Report(m_problem);
    else if (wxWindow* w = FieldWindow(m_problem.field))
        w->SetFocus();
    return false;
}

bool CPlotSetDlg::ValidateAll(bool report)
{
    if (!CommitCurrent(report))
        return false;
    for (size_t i = 0; i < m_devices.size(); ++i) {
        m_problem = CheckDeviceInList(m_devices, i);
        if (m_problem.ok())
            continue;
        // Show the device that is wrong, then say what is wrong with it.
        m_current = static_cast<int>(i);
        m_list->SetSelection(m_current);
        LoadFields();
        if (report)
            Report(m_problem);
        return false;
    }
    return true;
}

void CPlotSetDlg::SetDxfLayerMap(const DxfLayerMap& map)
{
    m_dxfMap = map;
    m_dxfPanel->SetValue(map);
}

bool CPlotSetDlg::TransferDataFromWindow()
{
    if (!ValidateAll(true))
        return false;
    wxString problem;
    if (m_canEdit && !m_dxfPanel->ReadValue(m_dxfMap, problem)) {
        m_dxfPane->Expand();
        Layout();
        wxMessageBox(problem, _("Information"), wxOK | wxICON_INFORMATION, this);
        return false;
    }
    return true;
}

bool CPlotSetDlg::SelectDevice(int index)
{
    if (index == m_current)
        return true;
    if (!CommitCurrent(true)) {
        m_list->SetSelection(m_current);
        return false;
    }
    if (index < 0 || index >= static_cast<int>(m_devices.size()))
        return false;
    m_current = index;
    RefillList();
    LoadFields();
    return true;
}

void CPlotSetDlg::Report(const DeviceProblem& problem)
{
    wxString message = wxGetTranslation(FromStd(problem.message));
    if (m_current >= 0)
        message = wxString::Format(_("Device \"%s\": %s"),
                                   FromStd(m_devices[static_cast<size_t>(m_current)].name), message);
    wxMessageBox(message, _("Information"), wxOK | wxICON_INFORMATION, this);
    if (wxWindow* w = FieldWindow(problem.field))
        w->SetFocus();
}

wxWindow* CPlotSetDlg::FieldWindow(DeviceField field) const
{
    switch (field) {
    case DeviceField::None: return nullptr;
    case DeviceField::Name: return m_name;
    case DeviceField::Target: return m_target;
    case DeviceField::BaudRate: return m_baud;
    case DeviceField::DataBits: return m_dataBits;
    case DeviceField::Parity: return m_parity;
    case DeviceField::StopBits: return m_stopBits;
    case DeviceField::Timeout: return m_timeout;
    case DeviceField::PaperWidth: return m_paperWidth;
    case DeviceField::BlockLength: return m_blockLength;
    case DeviceField::Resolution: return m_resolution;
    case DeviceField::DrawPen: return m_drawPen;
    case DeviceField::CutPen: return m_cutPen;
    case DeviceField::HalfCutPen: return m_halfCutPen;
    case DeviceField::ExtractPen: return m_extractPen;
    case DeviceField::ScaleX: return m_scaleX;
    case DeviceField::ScaleY: return m_scaleY;
    }
    return nullptr;
}

std::string CPlotSetDlg::UniqueName(const std::string& base) const
{
    for (int n = 1;; ++n) {
        const std::string name = n == 1 ? base : base + " " + std::to_string(n);
        std::vector<DeviceInfo> probe = m_devices;
        probe.emplace_back();
        probe.back().name = name;
        const DeviceProblem p = CheckDeviceInList(probe, probe.size() - 1);
        if (p.field != DeviceField::Name)
            return name;
    }
}

void CPlotSetDlg::OnListSelect(wxCommandEvent& event)
{
    SelectDevice(event.GetSelection());
}

void CPlotSetDlg::OnAdd(wxCommandEvent&)
{
    if (!CommitCurrent(true))
        return;
    DeviceInfo device;
    device.name = UniqueName(ToStd(_("New device")));
    m_devices.push_back(device);
    m_current = static_cast<int>(m_devices.size()) - 1;
    if (m_default < 0)
        m_default = m_current;
    RefillList();
    LoadFields();
    m_name->SetFocus();
    m_name->SelectAll();
}

void CPlotSetDlg::OnCopy(wxCommandEvent&)
{
    if (m_current < 0 || !CommitCurrent(true))
        return;
    DeviceInfo device = m_devices[static_cast<size_t>(m_current)];
    device.name = UniqueName(device.name + " " + ToStd(_("copy")));
    m_devices.push_back(device);
    m_current = static_cast<int>(m_devices.size()) - 1;
    RefillList();
    LoadFields();
}

void CPlotSetDlg::OnRemove(wxCommandEvent&)
{
    if (m_current < 0)
        return;
    m_devices.erase(m_devices.begin() + m_current);
    if (m_default == m_current)
        m_default = m_devices.empty() ? -1 : 0;
    else if (m_default > m_current)
        --m_default;
    if (m_current >= static_cast<int>(m_devices.size()))
        m_current = static_cast<int>(m_devices.size()) - 1;
    RefillList();
    LoadFields();
}

void CPlotSetDlg::OnDefault(wxCommandEvent&)
{
    if (m_current < 0 || !CommitCurrent(true))
        return;
    m_default = m_current;
    RefillList();
}

void CPlotSetDlg::OnNameText(wxCommandEvent&)
{
    if (m_loading || m_current < 0)
        return;
    // The list follows the name as it is typed; the device takes it when the
    // fields are accepted.
    m_list->SetString(static_cast<unsigned>(m_current), m_name->GetValue());
}

void CPlotSetDlg::OnKind(wxCommandEvent&)
{
    UpdateKindControls();
}

void CPlotSetDlg::OnBrowse(wxCommandEvent&)
{
    const ConnectionKind kind = static_cast<ConnectionKind>(std::max(0, m_kind->GetSelection()));
    wxString chosen;
    if (kind == ConnectionKind::Folder) {
        wxDirDialog dlg(this, _("Choose the output folder"), m_target->GetValue());
        if (dlg.ShowModal() == wxID_OK)
            chosen = dlg.GetPath();
    } else if (kind == ConnectionKind::File) {
        wxFileDialog dlg(this, _("Choose the output file or device"), wxEmptyString,
                         m_target->GetValue(), "*", wxFD_SAVE);
        if (dlg.ShowModal() == wxID_OK)
            chosen = dlg.GetPath();
    }
    if (!chosen.empty())
        m_target->SetValue(chosen);
}

bool ShowPlotSetDlg(wxWindow* parent, bool canEdit, bool canChoose)
{
    CPlotSetDlg dlg(parent, GetDeviceInfos(), GetDefaultDevice(), canEdit, canChoose);
    const DxfLayerMap dxfMap = ReadDxfLayerMap();
    dlg.SetDxfLayerMap(dxfMap);
    while (dlg.ShowModal() == wxID_OK) {
        const Status stored = SetDeviceInfos(dlg.GetDevices(), dlg.GetDefaultName());
        if (stored) {
            if (dlg.GetDxfLayerMap() != dxfMap)
                StoreDxfLayerMap(dlg.GetDxfLayerMap());
            return true;
        }
        // Nothing is lost: the dialog comes back with the edits.
        wxMessageBox(wxString::Format(_("The devices could not be saved: %s"),
                                      FromStd(stored.message())),
                     _("Information"), wxOK | wxICON_INFORMATION, parent);
    }
    return false;
}
