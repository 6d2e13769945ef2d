// The program's look, shared by every window and dialog: the application
// font and the images under XPM/ beside the executable. Dialogs take their
// look from here, so none of them needs the application or the main window.
// GUI thread only.
#pragma once

#include <wx/bitmap.h>
#include <wx/font.h>
#include <wx/icon.h>
#include <wx/string.h>

class wxWindow;

// The application font (a 9-point sans face; SimSun by its Chinese name where
// the machine has it).
const wxFont& AppFont();
void ApplyAppFont(wxWindow* window);

// An image under XPM/ relative to the executable's folder (a backslash in the
// name is read as a folder separator). JPEG by the .jpg/.jpeg extension, XPM
// otherwise; a missing or damaged file gives an invalid bitmap, never a
// message.
wxBitmap LoadBitmapFile(const wxString& name);
// The program icon "XPM/Plotter.ico"; any other name, a missing or a damaged
// file gives an invalid icon.
wxIcon LoadIconFile(const wxString& name);
