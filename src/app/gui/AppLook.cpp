#include "app/gui/AppLook.h"

#include <wx/image.h>
#include <wx/log.h>
#include <wx/strconv.h>
#include <wx/window.h>

#include "plotlib/ProgramDir.h"

const wxFont& AppFont()
{
    // The face name is SimSun's Chinese name, as the pattern room's Windows
    // machines know it; where it is missing the toolkit picks a sans face.
    // Made once and never destroyed: a font freed after the toolkit shut
    // down would reach into a finished GTK.
    static const wxFont* const font = [] {
        const char simSun[] = "\xCB\xCE\xCC\xE5";
        return new wxFont(9, wxFONTFAMILY_SWISS, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL, false,
                          wxString(simSun, wxCSConv("GBK")), wxFONTENCODING_DEFAULT);
    }();
    return *font;
}

void ApplyAppFont(wxWindow* window)
{
    if (window)
        window->SetFont(AppFont());
}

namespace {

wxString ProgramFile(const wxString& relative)
{
    wxString name = relative;
    name.Replace("\\", "/");
    return wxString::FromUTF8(JoinPath(ProgramDirectory(), std::string(name.utf8_str())));
}

} // namespace

wxBitmap LoadBitmapFile(const wxString& name)
{
    const wxString path = ProgramFile(name);
    if (!wxFileExists(path))
        return wxBitmap();
    const wxString upper = name.Upper();
    const wxBitmapType type = upper.EndsWith(".JPG") || upper.EndsWith(".JPEG")
                                  ? wxBITMAP_TYPE_JPEG
                                  : wxBITMAP_TYPE_XPM;
    wxLogNull quiet;  // a damaged image gives an invalid bitmap, not a dialog
    wxImage image;
    if (!image.LoadFile(path, type))
        return wxBitmap();
    return wxBitmap(image);
}

wxIcon LoadIconFile(const wxString& name)
{
    if (name != "XPM/Plotter.ico")
        return wxNullIcon;
    const wxString path = ProgramFile(name);
    if (!wxFileExists(path))
        return wxNullIcon;
    if (!wxImage::FindHandler(wxBITMAP_TYPE_ICO))
        wxImage::AddHandler(new wxICOHandler);
    wxLogNull quiet;
    wxImage image;
    if (!image.LoadFile(path, wxBITMAP_TYPE_ICO))
        return wxNullIcon;
    wxIcon icon;
    icon.CopyFromBitmap(wxBitmap(image));
    return icon;
}
