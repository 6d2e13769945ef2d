// The global plot settings of the left panel: the auto-plot and delete-file
// boxes with their labels, the mark and front space fields and the extract
// pen choice. They write the application's shared settings directly; the
// application saves them at exit.
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/msgdlg.h>
#include <wx/textctrl.h>

#include "app/gui/PlotvaneApp.h"
#include "mainframe/CommandIds.h"
#include "mainframe/gui/MainForm.h"
#include "mainframe/gui/MainFormLabel.h"

void MainForm::OnAutoPlot(wxCommandEvent& event)
{
    PlotvaneApp& app = wxGetApp();
    const AutoPlotOutcome outcome = ClickAutoPlot(event.IsChecked(), app.m_autoDeleteFile);
    app.m_autoPlot = outcome.autoPlot;
    if (outcome.showNote)
        wxMessageBox(_("NOTE: If selected auto plot mode, you must make 'Delete file' to "
                       "selected!"),
                     _("Information"), wxOK | wxICON_INFORMATION, this);
    if (outcome.autoPlot) {
        // Handled again as a click on the delete-file box, switched on.
        wxCommandEvent click(wxEVT_CHECKBOX, cmd::DeleteFile);
        click.SetEventObject(m_deleteFileBox);
        click.SetInt(1);
        OnDeleteFile(click);
    }
    m_autoPlotBox->SetValue(app.m_autoPlot);
    m_deleteFileBox->SetValue(app.m_autoDeleteFile);
    m_deleteFileBox->Enable(IsCommandEnabled(cmd::DeleteFile, GatherCommandState()));
    m_deleteFileLabel->Enable(m_deleteFileBox->IsEnabled());
}

void MainForm::OnDeleteFile(wxCommandEvent& event)
{
    wxGetApp().m_autoDeleteFile = event.IsChecked();
    m_deleteFileBox->SetValue(wxGetApp().m_autoDeleteFile);
}

void MainForm::OnAutoPlotLabel(wxMouseEvent& event)
{
    event.Skip();
    if (!m_autoPlotBox->IsEnabled())
        return;
    wxCommandEvent click(wxEVT_CHECKBOX, cmd::AutoPlot);
    click.SetEventObject(m_autoPlotBox);
    click.SetInt(m_autoPlotBox->GetValue() ? 0 : 1);
    OnAutoPlot(click);
}

void MainForm::OnDeleteFileLabel(wxMouseEvent& event)
{
    event.Skip();
    // The label is part of the box: while auto plot holds the box on, a
    // click on its label changes nothing either.
    if (!IsCommandEnabled(cmd::DeleteFile, GatherCommandState()))
        return;
    wxCommandEvent click(wxEVT_CHECKBOX, cmd::DeleteFile);
    click.SetEventObject(m_deleteFileBox);
    click.SetInt(m_deleteFileBox->GetValue() ? 0 : 1);
    OnDeleteFile(click);
}

void MainForm::OnSpaceKillFocus(wxFocusEvent& event)
{
    // The toolkit needs the focus change itself on GTK; the value is taken
    // all the same.
    event.Skip();
    PlotvaneApp& app = wxGetApp();
    wxTextCtrl* field = nullptr;
    float* value = nullptr;
    if (event.GetEventObject() == m_markSpaceField) {
        field = m_markSpaceField;
        value = &app.m_markSpace;
    } else if (event.GetEventObject() == m_frontSpaceField) {
        field = m_frontSpaceField;
        value = &app.m_frontSpace;
    }
    if (!field)
        return;
    // While a job plots the value is not taken. Either way the field then
    // shows the value in force, so what is shown is what will be used.
    if (!IsPlotting())
        *value = ParseSpaceField(std::string(field->GetValue().utf8_str()));
    field->ChangeValue(wxString::FromUTF8(FormatSpaceField(*value)));
}

void MainForm::OnExtractPen(wxCommandEvent&)
{
    // The choice is read where a pen is needed and saved when the window
    // closes.
}

void MainForm::OnUpdateAutoPlot(wxUpdateUIEvent& event)
{
    event.Check(wxGetApp().m_autoPlot);
}

void MainForm::OnUpdateDeleteFile(wxUpdateUIEvent& event)
{
    const bool enabled = IsCommandEnabled(cmd::DeleteFile, GatherCommandState());
    event.Check(wxGetApp().m_autoDeleteFile);
    event.Enable(enabled);
    if (m_deleteFileLabel && m_deleteFileLabel->IsEnabled() != enabled)
        m_deleteFileLabel->Enable(enabled);
}
