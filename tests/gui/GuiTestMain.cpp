// The GUI test runner: starts a real PlotvaneApp (wxEntryStart) on the
// display that xvfb-run provides, with Setting.ini and the device list in a
// temporary folder, then runs the GoogleTest suites on the GUI thread.
// A wx assertion fails the running test instead of opening a dialog.
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/init.h>
#include <wx/image.h>
#include <wx/log.h>

#include "GuiTestSupport.h"
#include "app/PlotvaneApp.h"
#include "plotlib/Devices.h"
#include "plotlib/ProgramDir.h"

wxIMPLEMENT_APP_NO_MAIN(PlotvaneApp);

namespace {

void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg)
{
    ADD_FAILURE_AT(file.utf8_str(), line)
        << "wx assertion in " << func.utf8_str() << ": " << cond.utf8_str() << " "
        << msg.utf8_str();
}

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    GuiTestFolder folder;  // Setting.ini and Devices.ini live here for the whole run
    OverrideProgramDirectoryForTests(folder.Path());

    wxApp::SetInstance(new PlotvaneApp);
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "cannot start wxWidgets (is there a display?)\n");
        return 1;
    }
    wxSetAssertHandler(FailOnAssert);
    wxLog::SetActiveTarget(new wxLogStderr);
    InitDevices();
    wxInitAllImageHandlers();
    wxGetApp().ReadSharedSettings();

    const int result = RUN_ALL_TESTS();

    wxEntryCleanup();
    return result;
}
