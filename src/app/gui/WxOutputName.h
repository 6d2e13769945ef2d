// The name of a plot file the operator chose in a save dialog, completed
// with ".plt" when no extension was typed. The dialog's overwrite question
// covered only the name as typed; when the completed name is an existing
// file, the operator is asked here, so no file is replaced unasked.
#pragma once

#include <wx/string.h>

class wxWindow;

// The completed name, or empty when the operator declines to replace an
// existing file.
wxString CompleteOutputName(wxWindow* parent, const wxString& chosen);
