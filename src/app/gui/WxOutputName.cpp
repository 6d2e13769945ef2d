#include "app/gui/WxOutputName.h"

#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/msgdlg.h>

wxString CompleteOutputName(wxWindow* parent, const wxString& chosen)
{
    wxFileName name(chosen);
    if (name.HasExt())
        return chosen;
    name.SetExt("plt");
    const wxString completed = name.GetFullPath();
    if (wxFileName::FileExists(completed) &&
        wxMessageBox(wxString::Format(_("%s already exists.\nDo you want to replace it?"),
                                      completed),
                     _("Information"), wxYES_NO | wxNO_DEFAULT | wxCENTRE | wxICON_QUESTION,
                     parent) == wxNO)
        return wxString();
    return completed;
}
