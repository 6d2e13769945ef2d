#include <gtest/gtest.h>

#include <wx/frame.h>

#include "GuiTestSupport.h"
#include "app/IniSettings.h"
#include "app/PlotvaneApp.h"

TEST(PlotvaneApp, SharedSettingsRoundTripThroughSettingIni)
{
    PlotvaneApp& app = wxGetApp();
    app.m_plotPath = "/tmp/plots";
    app.m_autoDeleteFile = true;
    app.m_markSpace = 2.5f;
    app.m_autoPlot = false;
    app.m_frontSpace = 1.0f;
    app.WriteSharedSettings();
    EXPECT_EQ(GetIniString("Global", "MarkSpace", ""), "2.500000");
    EXPECT_EQ(GetIniString("Global", "AutoDeleteFile", ""), "TRUE");

    SetIniString("Global", "MarkSpace", "2*3");
    SetIniString("Global", "PlotPath", "");
    app.ReadSharedSettings();
    EXPECT_FLOAT_EQ(app.m_markSpace, 6.0f);
    EXPECT_TRUE(app.m_autoDeleteFile);
    // An empty plot folder means the executable's folder.
    EXPECT_FALSE(app.m_plotPath.empty());
    EXPECT_NE(app.m_plotPath, "/tmp/plots");
}
