// The GUI test runner: starts a real PlotvaneApp (wxEntryStart) on the
// display that xvfb-run provides, with Setting.ini, the device list and a
// copy of the images in a temporary program folder, then runs the
// GoogleTest suites on the GUI thread. A wx assertion fails the running
// test instead of opening a dialog, and so does a modal dialog that no
// wxTEST_DIALOG expects.
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/cshelp.h>
#include <wx/dialog.h>
#include <wx/init.h>
#include <wx/image.h>
#include <wx/listctrl.h>
#include <wx/log.h>

#include "GuiTestSupport.h"
#include "app/gui/PlotvaneApp.h"
#include "mainframe/CommandIds.h"
#include "mainframe/gui/MainForm.h"
#include "plotlib/Devices.h"
#include "plotlib/ProgramDir.h"

wxIMPLEMENT_APP_NO_MAIN(PlotvaneApp);

namespace {

std::string g_programFolder;

void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg)
{
    ADD_FAILURE_AT(file.utf8_str(), line)
        << "wx assertion in " << func.utf8_str() << ": " << cond.utf8_str() << " "
        << msg.utf8_str();
}

// The last hook asked: registered first, so every wxTEST_DIALOG hook comes
// before it. A dialog that reaches it was not expected by any test.
class UnexpectedDialogGuard : public wxModalDialogHook {
protected:
    int Enter(wxDialog* dialog) override
    {
        ADD_FAILURE() << "unexpected modal dialog \"" << dialog->GetTitle().utf8_str()
                      << "\" (answer it with wxTEST_DIALOG)";
        return wxID_CANCEL;
    }
    void Exit(wxDialog*) override {}
};

} // namespace

std::string GuiProgramFolder() { return g_programFolder; }

MainForm* CreateMainForm()
{
    auto* form = new MainForm(nullptr, cmd::MainWindow, wxGetTranslation("CMainFrame"),
                              wxPoint(10, 10), wxSize(1024, 768), MainForm::DefaultStyle());
    form->Show(true);
    PumpUntil([form] { return form->IsShownOnScreen(); });
    PumpEvents();
    return form;
}

void DestroyMainForm(MainForm* form)
{
    if (!form)
        return;
    form->SimulatePlotJobForTests(false);
    if (!form->IsBeingDeleted())
        form->Destroy();
    PumpEvents();
}

void SendCommand(wxWindow* top, int id, wxEventType type, int intValue)
{
    wxWindow* control = top->FindWindow(id);
    wxCommandEvent event(type, id);
    event.SetInt(intValue);
    event.SetEventObject(control ? control : top);
    (control ? control : top)->ProcessWindowEvent(event);
}

bool QueueThroughFileList(MainForm* form, std::initializer_list<const char*> names)
{
    wxListCtrl* files = form->GetFileList();
    for (long row = 0; row < files->GetItemCount(); ++row)
        files->SetItemState(row, 0, wxLIST_STATE_SELECTED);
    for (const char* name : names) {
        const long row = files->FindItem(-1, name);
        EXPECT_GE(row, 0) << name << " is not in the file list";
        if (row < 0)
            return false;
        files->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }
    SendCommand(form, cmd::AddSelected);
    PumpEvents();
    return true;
}

void UpdateUI(wxWindow* top)
{
    top->UpdateWindowUI(wxUPDATE_UI_RECURSE);
}

void ClickWindow(wxWindow* window, const wxPoint& offset)
{
    const wxSize size = window->GetSize();
    const wxPoint local = offset == wxDefaultPosition ? wxPoint(size.x / 2, size.y / 2) : offset;
    wxUIActionSimulator sim;
    sim.MouseMove(window->ClientToScreen(local));
    PumpEvents();
    sim.MouseClick();
    PumpEvents();
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    GuiTestFolder folder;  // Setting.ini and Devices.ini live here for the whole run
    // The images are copied beside them, as the build puts them beside the
    // program; a test can take them away to see the window without them.
    const std::string executableDir = ProgramDirectory();
    std::error_code ec;
    std::filesystem::copy(executableDir + "/XPM", folder.Path() + "/XPM",
                          std::filesystem::copy_options::recursive, ec);
    if (ec)
        std::fprintf(stderr, "warning: no images copied: %s\n", ec.message().c_str());
    OverrideProgramDirectoryForTests(folder.Path());
    g_programFolder = folder.Path();

    wxApp::SetInstance(new PlotvaneApp);
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "cannot start wxWidgets (is there a display?)\n");
        return 1;
    }
    wxSetAssertHandler(FailOnAssert);
    wxLog::SetActiveTarget(new wxLogStderr);
    UnexpectedDialogGuard guard;
    guard.Register();
    wxHelpProvider::Set(new wxSimpleHelpProvider);
    InitDevices();
    wxInitAllImageHandlers();
    wxGetApp().ReadSharedSettings();

    const int result = RUN_ALL_TESTS();

    guard.Unregister();
    delete wxHelpProvider::Set(nullptr);
    wxEntryCleanup();
    return result;
}
