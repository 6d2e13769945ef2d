#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "IppConfig.h"
#include "TempDir.h"

namespace fs = std::filesystem;

// Setting.ini decides the printers; the command line overrides it.
TEST(IppConfig, PrintersComeFromSettingIniAndTheCommandLine)
{
    TempDir dir;
    fs::create_directory(dir.File("plots"));
    fs::create_directory(dir.File("cut"));
    const std::string ini = dir.File("Setting.ini");
    IppConfig config;

    // Nothing configured: one printer "Plotvane" for the window's plot folder.
    std::ofstream(ini) << "[Global]\nPlotPath=" << dir.File("plots") << "\n";
    ASSERT_TRUE(IppConfig::Load(ini, {}, dir.Path(), config).ok());
    ASSERT_EQ(config.printers.size(), 1u);
    EXPECT_EQ(config.printers[0].name, "Plotvane");
    EXPECT_EQ(config.printers[0].folder, dir.File("plots"));
    EXPECT_EQ(config.port, 8631);
    EXPECT_TRUE(config.LoopbackOnly());
    EXPECT_EQ(config.jobSettingsFolder, dir.Path() + "/IPP jobs");

    // Two printers, one with its own folder; port and listening from the
    // file, then from the command line.
    std::ofstream(ini) << "[Global]\nPlotPath=" << dir.File("plots") << "\n[IPP]\nPort=9100\nListen=any\n"
                       << "AuthService=login\nPrinters=Plotvane; Cutter\n[IPP Cutter]\nPlotPath=" << dir.File("cut")
                       << "/\n";
    ASSERT_TRUE(IppConfig::Load(ini, {}, dir.Path(), config).ok());
    ASSERT_EQ(config.printers.size(), 2u);
    EXPECT_EQ(config.printers[1].name, "Cutter");
    EXPECT_EQ(config.printers[1].folder, dir.File("cut"));
    EXPECT_EQ(config.port, 9100);
    EXPECT_FALSE(config.LoopbackOnly());
    EXPECT_EQ(config.authService, "login");
    ASSERT_TRUE(IppConfig::Load(ini, {{"server-port", "8632"}, {"plot-folder", dir.File("cut")}, {"listen", "loopback"}},
                                dir.Path(), config)
                    .ok());
    EXPECT_EQ(config.port, 8632);
    EXPECT_EQ(config.printers[0].folder, dir.File("cut"));
    EXPECT_TRUE(config.LoopbackOnly());
    EXPECT_TRUE(config.authService.empty());  // loopback needs no password
}

TEST(IppConfig, BadSettingsAreRefusedWithAReadableReason)
{
    TempDir dir;
    fs::create_directory(dir.File("plots"));
    const std::string ini = dir.File("Setting.ini");
    IppConfig config;
    struct Case {
        const char* what;
        std::string file;
        std::map<std::string, std::string> options;
        const char* says;
    };
    const std::string plots = "[Global]\nPlotPath=" + dir.File("plots") + "\n";
    const Case cases[] = {
        {"no plot folder", "", {}, "no plot folder"},
        {"missing folder", "", {{"plot-folder", dir.File("gone")}}, "is not there"},
        {"port out of range", plots, {{"server-port", "70000"}}, "not a number from 1 to 65535"},
        {"port not a number", plots + "[IPP]\nPort=ipp\n", {}, "not a number"},
        {"name with a slash", plots + "[IPP]\nPrinters=../x\n", {}, "may only hold"},
        {"name twice", plots + "[IPP]\nPrinters=A;A\n", {}, "given twice"},
    };
    for (const Case& c : cases) {
        std::ofstream(ini) << c.file;
        const Status status = IppConfig::Load(ini, c.options, dir.Path(), config);
        EXPECT_FALSE(status.ok()) << c.what;
        EXPECT_NE(status.message().find(c.says), std::string::npos) << c.what << ": " << status.message();
    }
}
