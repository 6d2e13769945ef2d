// CPlotSetDlg: the device settings dialog. It edits a plain value, the
// device list and the name of the default device, and hands it back; the
// caller stores it (ShowPlotSetDlg does, with SetDeviceInfos).
//
// Left: the devices, with Add, Copy, Remove and "Use as default". Right:
// every field of the selected device. Below, folded away: the DXF layer map
// (CDxfLayerPanel), which holds for every device. Fields are read back and checked
// (CheckDeviceInList) whenever the operator leaves a device and on OK; a
// refused value keeps the dialog on that device, says what is wrong in a
// message box and puts the keyboard focus on the field.
//
// GUI thread only. Created for one modal run and destroyed after it.
#pragma once

#include <string>
#include <vector>

#include <wx/dialog.h>

#include "plotlib/DeviceValidation.h"
#include "plotlib/Devices.h"
#include "plotlib/DxfLayerMap.h"

class CDxfLayerPanel;
class wxButton;
class wxCheckBox;
class wxCollapsiblePane;
class wxChoice;
class wxComboBox;
class wxListBox;
class wxStaticText;
class wxTextCtrl;
class wxWindow;

class CPlotSetDlg : public wxDialog {
public:
    // Control identifiers (tests find the controls by them).
    enum {
        ID_LIST = 10201,
        ID_ADD,
        ID_COPY,
        ID_REMOVE,
        ID_DEFAULT,
        ID_NAME,
        ID_KIND,
        ID_TARGET,
        ID_BROWSE,
        ID_BAUD,
        ID_DATA_BITS,
        ID_PARITY,
        ID_STOP_BITS,
        ID_FLOW,
        ID_TIMEOUT,
        ID_LANGUAGE,
        ID_PAPER_WIDTH,
        ID_BLOCK_LENGTH,
        ID_RESOLUTION,
        ID_DRAW_PEN,
        ID_CUT_PEN,
        ID_HALF_CUT_PEN,
        ID_SCALE_X,
        ID_SCALE_Y,
        ID_EXTRACT_ON_ADD,
        ID_EXTRACT_PEN,
        ID_DXF_PANE,
    };

    // `canEdit` false shows the devices read-only; `canChoose` false keeps
    // the default device as it is.
    CPlotSetDlg(wxWindow* parent, const std::vector<DeviceInfo>& devices,
                const std::string& defaultName, bool canEdit, bool canChoose);

    const std::vector<DeviceInfo>& GetDevices() const { return m_devices; }
    // The default device's name; empty when the list is empty.
    std::string GetDefaultName() const;

    // Shows device `index` (after accepting the one shown); false when the
    // shown device has a refused value.
    bool SelectDevice(int index);
    int GetSelection() const { return m_current; }

    // Reads the shown device's fields and checks it. On a problem: when
    // `report`, the message box; the focus goes to the field; false.
    bool CommitCurrent(bool report);
    // CommitCurrent, then every device of the list; shows the first bad one.
    bool ValidateAll(bool report);
    const DeviceProblem& GetLastProblem() const { return m_problem; }

    // The DXF layer map shown (SetDxfLayerMap) and, after OK, as edited.
    void SetDxfLayerMap(const DxfLayerMap& map);
    const DxfLayerMap& GetDxfLayerMap() const { return m_dxfMap; }

    // The standard OK handling calls this: the dialog ends only when every
    // device and the DXF layer map are acceptable.
    bool TransferDataFromWindow() override;

private:
    void BuildControls();
    void LoadFields();
    DeviceProblem ReadFields(DeviceInfo& device) const;
    void UpdateKindControls();
    void RefillList();
    void Report(const DeviceProblem& problem);
    wxWindow* FieldWindow(DeviceField field) const;
    std::string UniqueName(const std::string& base) const;

    void OnListSelect(wxCommandEvent& event);
    void OnAdd(wxCommandEvent& event);
    void OnCopy(wxCommandEvent& event);
    void OnRemove(wxCommandEvent& event);
    void OnDefault(wxCommandEvent& event);
    void OnNameText(wxCommandEvent& event);
    void OnKind(wxCommandEvent& event);
    void OnBrowse(wxCommandEvent& event);

    std::vector<DeviceInfo> m_devices;
    int m_current = -1;         // device shown in the fields
    int m_default = -1;         // default device, by position
    bool m_canEdit = true;
    bool m_canChoose = true;
    bool m_loading = false;     // fields being filled by the program
    DeviceProblem m_problem;
    std::vector<std::string> m_cupsQueues;
    bool m_cupsListed = false;

    wxListBox* m_list = nullptr;
    wxStaticText* m_defaultLabel = nullptr;
    wxTextCtrl* m_name = nullptr;
    wxChoice* m_kind = nullptr;
    wxStaticText* m_targetLabel = nullptr;
    wxComboBox* m_target = nullptr;
    wxButton* m_browse = nullptr;
    wxChoice* m_baud = nullptr;
    wxChoice* m_dataBits = nullptr;
    wxChoice* m_parity = nullptr;
    wxChoice* m_stopBits = nullptr;
    wxChoice* m_flow = nullptr;
    wxTextCtrl* m_timeout = nullptr;
    wxChoice* m_language = nullptr;
    wxTextCtrl* m_paperWidth = nullptr;
    wxTextCtrl* m_blockLength = nullptr;
    wxTextCtrl* m_resolution = nullptr;
    wxTextCtrl* m_drawPen = nullptr;
    wxTextCtrl* m_cutPen = nullptr;
    wxTextCtrl* m_halfCutPen = nullptr;
    wxTextCtrl* m_scaleX = nullptr;
    wxTextCtrl* m_scaleY = nullptr;
    wxCheckBox* m_extractOnAdd = nullptr;
    wxTextCtrl* m_extractPen = nullptr;
    wxCollapsiblePane* m_dxfPane = nullptr;
    CDxfLayerPanel* m_dxfPanel = nullptr;
    DxfLayerMap m_dxfMap;

    wxDECLARE_CLASS(CPlotSetDlg);
    wxDECLARE_EVENT_TABLE();
};

// Runs the dialog on the current device list and the DXF layer map of
// Setting.ini; on OK stores the list and the default device
// (SetDeviceInfos), then the map. A store that fails is reported and the
// dialog opens again with the edits kept. True when a new list was stored.
bool ShowPlotSetDlg(wxWindow* parent, bool canEdit, bool canChoose);
