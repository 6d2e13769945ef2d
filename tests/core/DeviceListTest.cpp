// The device list: the first start's working default, the file format's
// round trip, refused edits that leave the file alone, and the current
// device surviving a restart.
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "plotlib/AtomicFile.h"
#include "plotlib/DeviceList.h"
#include "plotlib/ProgramDir.h"

namespace {

DeviceInfo SerialCutter()
{
    DeviceInfo d;
    d.name = "Cutter, bay 2";
    d.kind = ConnectionKind::Serial;
    d.target = "/dev/ttyUSB0";
    d.serial = SerialSettings{38400, 7, 'E', 2, FlowControl::RtsCts};
    d.timeoutMs = 0;
    d.config.language = PlotLanguage::Dmpl;
    d.config.paperWidth = 1.625f;
    d.config.blockLength = 0.1f;
    d.config.resolution = 254;
    d.config.drawPen = 3;
    d.config.cutPen = 5;
    d.config.halfCutPen = 6;
    d.config.scaleX = 1.0025f;
    d.config.scaleY = 0.9975f;
    d.config.extractOnAdd = true;
    d.config.extractPen = 3;
    return d;
}

DeviceInfo TcpPlotter(const std::string& name)
{
    DeviceInfo d;
    d.name = name;
    d.kind = ConnectionKind::Tcp;
    d.target = "plotter.local:9100";
    return d;
}

class DeviceListTest : public ::testing::Test {
protected:
    void SetUp() override { OverrideProgramDirectoryForTests(m_dir.Path()); }
    void TearDown() override { OverrideProgramDirectoryForTests(""); }
    TempDir m_dir;
};

}  // namespace

TEST_F(DeviceListTest, FirstStartCreatesAWorkingFolderDevice)
{
    CDeviceList list;
    ASSERT_TRUE(list.Load());
    EXPECT_EQ(list.Names(), std::vector<std::string>{"Plot output"});
    EXPECT_EQ(list.DefaultName(), "Plot output");
    DeviceInfo d;
    ASSERT_TRUE(list.CurrentDevice(d));
    EXPECT_EQ(d.kind, ConnectionKind::Folder);
    EXPECT_EQ(CDeviceList::ResolveTarget(d), m_dir.File("Plot output"));
    EXPECT_TRUE(CDeviceList::Validate(d)) << CDeviceList::Validate(d).message();
    EXPECT_TRUE(std::filesystem::exists(m_dir.File("Devices.ini")));

    // A second start reads the saved list instead of making another.
    CDeviceList again;
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(again.Names(), list.Names());
}

TEST_F(DeviceListTest, EveryFieldSurvivesSaveAndLoad)
{
    CDeviceList list;
    ASSERT_TRUE(list.Load());
    const DeviceInfo cutter = SerialCutter();
    ASSERT_TRUE(list.Replace({TcpPlotter("Plotter"), cutter}, cutter.name));

    CDeviceList again;
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(again.DefaultName(), cutter.name);
    DeviceInfo d;
    ASSERT_TRUE(again.Find(cutter.name, d));
    EXPECT_EQ(d.kind, cutter.kind);
    EXPECT_EQ(d.target, cutter.target);
    EXPECT_EQ(d.serial.baudRate, 38400);
    EXPECT_EQ(d.serial.dataBits, 7);
    EXPECT_EQ(d.serial.parity, 'E');
    EXPECT_EQ(d.serial.stopBits, 2);
    EXPECT_EQ(d.serial.flow, FlowControl::RtsCts);
    EXPECT_EQ(d.timeoutMs, 0);
    const PLOTTERCONFIG& c = d.config;
    EXPECT_EQ(c.language, PlotLanguage::Dmpl);
    EXPECT_EQ(c.paperWidth, 1.625f);
    EXPECT_EQ(c.blockLength, 0.1f);
    EXPECT_EQ(c.resolution, 254);
    EXPECT_EQ(c.drawPen, 3);
    EXPECT_EQ(c.cutPen, 5);
    EXPECT_EQ(c.halfCutPen, 6);
    EXPECT_EQ(c.scaleX, 1.0025f);  // exact: shortest round-trip text
    EXPECT_EQ(c.scaleY, 0.9975f);
    EXPECT_TRUE(c.extractOnAdd);
    EXPECT_EQ(c.extractPen, 3);
    // The current configuration follows the default device.
    EXPECT_EQ(again.CurrentConfig()->resolution, 254);
}

TEST_F(DeviceListTest, NumbersIgnoreTheProgramLocale)
{
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "no German locale installed";
    DeviceInfo d = TcpPlotter("Plotter");
    d.config.paperWidth = 1.5f;
    const std::string text = CDeviceList::Serialize({d}, d.name);
    std::vector<DeviceInfo> back;
    std::string def;
    ASSERT_TRUE(CDeviceList::Parse(text, back, def));
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_NE(text.find("PaperWidth=1.5\n"), std::string::npos);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].config.paperWidth, 1.5f);
}

TEST_F(DeviceListTest, RefusedEditsLeaveListAndFileAlone)
{
    CDeviceList list;
    ASSERT_TRUE(list.Load());
    std::string before;
    ASSERT_TRUE(ReadWholeFile(list.IniPath(), before));

    struct Case {
        const char* what;
        std::vector<DeviceInfo> devices;
        const char* message;
    };
    DeviceInfo noWidth = TcpPlotter("A");
    noWidth.config.paperWidth = 0.0f;
    DeviceInfo badPen = TcpPlotter("A");
    badPen.config.cutPen = 9;
    DeviceInfo noHost = TcpPlotter("A");
    noHost.target = ":9100";
    DeviceInfo badBaud = SerialCutter();
    badBaud.serial.baudRate = 1234;
    const Case cases[] = {
        {"duplicate", {TcpPlotter("A"), TcpPlotter("A")}, "two devices called \"A\""},
        {"same name, other case", {TcpPlotter("A"), TcpPlotter("a")}, "two devices called"},
        {"paper width", {noWidth}, "Paper width"},
        {"pen", {badPen}, "Cut pen: must be 1 to 8"},
        {"host", {noHost}, "Host: no host given"},
        {"baud", {badBaud}, "baud rate 1234"},
        {"empty name", {TcpPlotter("")}, "Name"},
    };
    for (const Case& c : cases) {
        Status s = list.Replace(c.devices, "A");
        EXPECT_FALSE(s) << c.what;
        EXPECT_NE(s.message().find(c.message), std::string::npos) << c.what << ": " << s.message();
    }
    EXPECT_EQ(list.Names(), std::vector<std::string>{"Plot output"});
    std::string after;
    ASSERT_TRUE(ReadWholeFile(list.IniPath(), after));
    EXPECT_EQ(after, before);
}

TEST_F(DeviceListTest, DefaultDeviceIsRememberedAndFallsBack)
{
    CDeviceList list;
    ASSERT_TRUE(list.Load());
    ASSERT_TRUE(list.Replace({TcpPlotter("One"), TcpPlotter("Two")}, "Nobody"));
    EXPECT_EQ(list.DefaultName(), "One");  // unknown default: the first
    EXPECT_FALSE(list.SetDefault("Three"));
    EXPECT_TRUE(list.SetDefault("Two"));
    CDeviceList again;
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(again.DefaultName(), "Two");
}

TEST_F(DeviceListTest, ChangesThroughTheCurrentConfigStayTemporary)
{
    CDeviceList list;
    ASSERT_TRUE(list.Load());
    PLOTTERCONFIG* config = list.CurrentConfig();
    config->scaleX = 7.0f;  // as the program does while writing a file 1:1
    DeviceInfo d;
    ASSERT_TRUE(list.CurrentDevice(d));
    EXPECT_EQ(d.config.scaleX, 1.0f);
    ASSERT_TRUE(list.Replace({TcpPlotter("One")}, "One"));
    EXPECT_EQ(list.CurrentConfig(), config) << "the pointer must stay valid";
}

TEST_F(DeviceListTest, UnreadableListIsNotOverwritten)
{
    const std::string path = m_dir.File("Devices.ini");
    ASSERT_TRUE(WriteFileAtomically(path, "[Devices]\nCount=1\n[Device1]\nName=Old\n"));
    ::chmod(path.c_str(), 0);
    CDeviceList list;
    Status s = list.Load();
    const bool root = ::geteuid() == 0;  // root reads it anyway
    ::chmod(path.c_str(), 0644);
    if (!root) {
        EXPECT_FALSE(s);
        EXPECT_TRUE(list.Names().empty());
    }
    std::string content;
    ASSERT_TRUE(ReadWholeFile(path, content));
    EXPECT_EQ(content, "[Devices]\nCount=1\n[Device1]\nName=Old\n");
}
