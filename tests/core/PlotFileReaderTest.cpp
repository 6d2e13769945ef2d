// The plot file reader on hand-made inputs: command syntax and separators,
// scaling, encoded polylines, DM/PL, wrappers and escape sequences, arcs,
// hostile numbers, streaming across chunk boundaries, and the messages for
// files that are not plot files.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "TempDir.h"
#include "plotlib/DrawingBuilder.h"
#include "plotlib/HpglParser.h"
#include "plotlib/PlotFileReader.h"

namespace {

using Points = std::vector<PointI>;

struct Line {
    int pen;
    Points points;
};

std::vector<Line> Read(const std::string& bytes, Status* status = nullptr)
{
    CPolylineIArray d;
    CPlotFileReader reader;
    const Status st = reader.ReadBuffer(bytes.data(), bytes.size(), d, "test");
    if (status)
        *status = st;
    std::vector<Line> out;
    for (const CPolylineI& l : d.m_lines)
        out.push_back(Line{l.m_pen, l.m_points});
    return out;
}

std::string Describe(const std::vector<Line>& lines)
{
    std::string s;
    for (const Line& l : lines) {
        s += "P" + std::to_string(l.pen) + ":";
        for (const PointI& p : l.points)
            s += " " + std::to_string(p.x) + "," + std::to_string(p.y);
        s += "\n";
    }
    return s;
}

// Polyline-encoded number: sign in the lowest bit, base 64 (8-bit) or 32
// (7-bit) digits, least significant first, the last one marked.
std::string Encode(long v, bool sevenBit = false)
{
    unsigned long z = v < 0 ? static_cast<unsigned long>(-v) * 2 + 1 : static_cast<unsigned long>(v) * 2;
    const unsigned long base = sevenBit ? 32 : 64;
    std::string s;
    while (z >= base) {
        s += static_cast<char>(63 + z % base);
        z /= base;
    }
    s += static_cast<char>((sevenBit ? 95 : 191) + z);
    return s;
}

struct Case {
    const char* name;
    std::string input;
    std::string expected;  // Describe() of the drawing
};

}  // namespace

TEST(PlotFileReader, ParsesCommandsAndGroupsPenRuns)
{
    const std::vector<Case> cases = {
        {"pen runs end at PU and take the pen",
         "IN;SP2;PU100,100;PD200,100,200,200;PU300,300;PD400,300;",
         "P2: 100,100 200,100 200,200\nP2: 300,300 400,300\n"},
        {"no pen selected draws in pen 1", "IN;PU0,0;PD10,0;", "P1: 0,0 10,0\n"},
        {"SP0 keeps pen 1", "IN;SP0;PU0,0;PD10,0;", "P1: 0,0 10,0\n"},
        {"a pen change ends the run where the pen stands",
         "IN;SP1;PU0,0;PD10,0;SP3;PD20,0;", "P1: 0,0 10,0\nP3: 10,0 20,0\n"},
        {"run-together commands without separators", "INSP1PU0,0PD10,0,10,10PU",
         "P1: 0,0 10,0 10,10\n"},
        {"trailing commas and empty commands", "IN;;PU0,0;PD673,4271,673,7197,;;PU;",
         "P1: 0,0 673,4271 673,7197\n"},
        {"CRLF, blanks and lower case", "in;\r\nsp 2;\r\npu 0 0;\r\npd 10 0 , 10 10;\r\n",
         "P2: 0,0 10,0 10,10\n"},
        {"PA and PR with the pen state of PD", "IN;PU5,5;PD;PR10,0,0,10;PA0,0;",
         "P1: 5,5 15,5 15,15 0,0\n"},
        {"relative fractions do not drift", "IN;PU0,0;PD;PR0.4,0,0.4,0,0.4,0,0.4,0,0.4,0;",
         "P1: 0,0 1,0 2,0\n"},
        {"a zero-length pen-down move is a dot", "IN;PA50,60;PD;PA50,60;PU;",
         "P1: 50,60 50,60\n"},
        {"stray text and an odd coordinate are skipped",
         "IN;X0=0;Y0=0;MaxY=1729;PU0,0;PD10,10,20;PU;", "P1: 0,0 10,10\n"},
        {"IP and SC map user units", "IN;IP0,0,1000,2000;SC0,10,0,10;PU0,0;PD10,10;",
         "P1: 0,0 1000,2000\n"},
        {"isotropic SC centres the picture", "IN;IP0,0,1000,2000;SC0,10,0,10,1;PU0,0;PD10,10;",
         "P1: 0,500 1000,1500\n"},
        {"point-factor SC", "IN;IP100,100,200,200;SC0,2,0,3,2;PU0,0;PD10,10;",
         "P1: 100,100 120,130\n"},
        {"a degenerate SC window is refused", "IN;SC5,5,0,10;PU0,0;PD10,10;", "P1: 0,0 10,10\n"},
        {"SC without parameters ends scaling", "IN;SC0,1,0,1;SC;PU0,0;PD10,10;",
         "P1: 0,0 10,10\n"},
        {"IN resets scaling and position", "IN;SC0,1,0,1;PA1,1;IN;PD10,0;", "P1: 0,0 10,0\n"},
        {"RO 90 turns the picture", "IN;RO90;PU0,0;PD100,0;", "P1: 0,0 0,100\n"},
        {"PJL and PCL around HP-GL/2, with a binary block",
         "\x1b%-12345X@PJL JOB\r\n@PJL ENTER LANGUAGE=HPGL2\r\n\x1b" "E\x1b%1BIN;PU0,0;PD5,5;"
         "\x1b%0A\x1b*b6WPD9,9;\x1b%1BPU;\x1b%-12345X",
         "P1: 0,0 5,5\n"},
        {"RS-232 device control sequences", "\x1b.(;\x1b.I81;;17:\x1b.N;19:IN;PU1,1;PD2,2;",
         "P1: 1,1 2,2\n"},
        {"polygon edge is closed", "IN;PU0,0;PM0;PD100,0,100,100;PM2;EP;",
         "P1: 0,0 100,0 100,100 0,0\n"},
        {"fill then edge of one polygon is drawn once",
         "IN;PU0,0;PM0;PD100,0,100,100;PM2;FP;EP;", "P1: 0,0 100,0 100,100 0,0\n"},
        {"edge rectangle", "IN;PU10,10;EA20,30;", "P1: 10,10 20,10 20,30 10,30 10,10\n"},
        {"quoted strings are skipped", "IN;CO\"PD9,9;\";PU0,0;PD1,0;", "P1: 0,0 1,0\n"},
        {"DM/PL, default step 0.1 mm", ";:HAU0,0D10,0,10,5@", "P1: 0,0 40,0 40,20\n"},
        {"DM/PL step 0.005 inch, pens, relative moves",
         "\x1b;@:\r\nSET X=1.\r\nEND.\r\n;:H A EC5 P2 U 100,100 D 200,100 R D 0,100 e@",
         "P2: 508,508 1016,508 1016,1016\n"},
        {"DM/PL step 0.025 mm and several programs", ";:ECN U0,0 D4,0 @ ;:ECN U8,0 D8,8 @",
         "P1: 0,0 4,0\nP1: 8,0 8,8\n"},
    };
    for (const Case& c : cases) {
        Status st;
        EXPECT_EQ(Describe(Read(c.input, &st)), c.expected) << c.name;
        EXPECT_TRUE(st.ok()) << c.name << ": " << st.message();
    }
}

TEST(PlotFileReader, DecodesPolylineEncodedData)
{
    const std::vector<Case> cases = {
        {"8-bit: absolute pen-up move, then relative pen-down moves",
         "IN;PE<=" + Encode(100) + Encode(200) + Encode(50) + Encode(0) + Encode(0) + Encode(-30) + ";",
         "P1: 100,200 150,200 150,170\n"},
        {"large values span several digits",
         "IN;PE<=" + Encode(70000) + Encode(-5000) + Encode(1) + Encode(1) + ";",
         "P1: 70000,-5000 70001,-4999\n"},
        {"7-bit mode", "IN;PE7<=" + Encode(10, true) + Encode(20, true) + Encode(5, true) +
                           Encode(5, true) + ";",
         "P1: 10,20 15,25\n"},
        {"fraction bits", "IN;PE>" + Encode(1) + "<=" + Encode(20) + Encode(40) + Encode(3) +
                              Encode(0) + ";",
         "P1: 10,20 12,20\n"},  // 1.5 rounds half away from zero
        {"pen select and line breaks inside the data",
         "IN;PE:" + Encode(3) + "<=" + Encode(0) + "\r\n" + Encode(0) + Encode(9) + Encode(0) + ";",
         "P3: 0,0 9,0\n"},
        {"user scaling applies", "IN;IP0,0,100,100;SC0,10,0,10;PE<=" + Encode(1) + Encode(1) +
                                     Encode(2) + Encode(0) + ";",
         "P1: 10,10 30,10\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Describe(Read(c.input)), c.expected) << c.name;
}

TEST(PlotFileReader, ArcsAndCirclesStayWithinTheChordError)
{
    struct Arc {
        const char* name;
        std::string input;
        double cx, cy, r;
    };
    for (const Arc& a : std::vector<Arc>{
             {"small circle", "IN;PA1000,1000;CI40;", 1000, 1000, 40},
             {"large circle", "IN;PA0,0;CI72000;", 0, 0, 72000},
             {"arc absolute", "IN;PA1000,0;PD;AA0,0,90;", 0, 0, 1000},
             {"arc relative, clockwise", "IN;PA1000,0;PD;AR-1000,0,-270;", 0, 0, 1000},
         }) {
        const std::vector<Line> lines = Read(a.input);
        ASSERT_EQ(lines.size(), 1u) << a.name;
        const Points& p = lines[0].points;
        ASSERT_GE(p.size(), 3u) << a.name;
        for (size_t i = 0; i < p.size(); ++i) {
            EXPECT_NEAR(std::hypot(p[i].x - a.cx, p[i].y - a.cy), a.r, 1.0) << a.name << " point " << i;
            if (i > 0) {
                const double mx = (p[i].x + p[i - 1].x) / 2.0 - a.cx;
                const double my = (p[i].y + p[i - 1].y) / 2.0 - a.cy;
                EXPECT_LE(a.r - std::hypot(mx, my), CDrawingBuilder::kChordError + 1.0)
                    << a.name << " chord " << i;
            }
        }
    }
    // The arc ends where it says and the pen continues from there.
    const std::vector<Line> lines = Read("IN;PA1000,0;PD;AA0,0,90;PA0,0;");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].points[lines[0].points.size() - 2], (PointI{0, 1000}));
    // A circle returns the pen to its centre, up.
    const std::vector<Line> circle = Read("IN;PA500,500;CI100;PA0,0;PD10,0;");
    ASSERT_EQ(circle.size(), 2u);
    EXPECT_EQ(circle[1].points.front(), (PointI{0, 0}));
}

TEST(PlotFileReader, LabelsBecomeStrokesWithoutSwallowingCommands)
{
    // Label text holds ';', CR/LF and letters that look like commands; the
    // drawing after it must be read as usual.
    std::vector<Line> lines = Read("IN;SP4;PU0,0;LBa;PD9,9\r\nb\x03SP1;PU0,0;PD7,7;");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(Describe({lines.back()}), "P1: 0,0 7,7\n");
    for (size_t i = 0; i + 1 < lines.size(); ++i)
        EXPECT_EQ(lines[i].pen, 4) << "label strokes take the label's pen";

    // Another terminator, a label size, and the pen left after the text.
    lines = Read("IN;DT*;SI1,1;PU0,0;LBT*PD;PR0,0;");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back().points.front(), (PointI{600, 0})) << "one cell is 1.5 x the width";
    int maxY = 0;
    for (const Line& l : lines)
        for (const PointI& p : l.points)
            maxY = std::max(maxY, p.y);
    EXPECT_NEAR(maxY, 400, 2) << "capital height is the SI height";

    // A label that never ends is cut off; the commands after the cut are read.
    lines = Read("IN;PU0,0;LB" + std::string(CPlotFileReader::kChunkSize / 200, 'x') + ";PU0,0;PD3,3;");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(Describe({lines.back()}), "P1: 0,0 3,3\n");
}

TEST(PlotFileReader, HostileNumbersAreSaturatedAndBounded)
{
    std::vector<Line> lines = Read("IN;PU0,0;PD99999999999999999999999,-99999999999999999999;");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].points[1], (PointI{2147483647, -2147483647 - 1}));

    lines = Read("IN;PU0,0;PD;PR2000000000,0,2000000000,0,2000000000,0;");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].points.back().x, 2147483647);

    // Huge radii and sweeps, many circles: the point count stays bounded.
    std::string many = "IN;PA0,0;";
    for (int i = 0; i < 200; ++i)
        many += "CI99999999999999;AA1,1,1000000000;";
    lines = Read(many);
    size_t points = 0;
    for (const Line& l : lines)
        points += l.points.size();
    EXPECT_LE(points, size_t{1} << 21);

    // Long runs of digits and points: finite values.
    lines = Read("IN;PU0." + std::string(100000, '0') + "1,5;PD" + std::string(5000, '9') + ",0;");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].points[0], (PointI{0, 5}));
}

TEST(PlotFileReader, ExplainsFilesThatAreNotPlotFiles)
{
    struct Bad {
        const char* name;
        std::string input;
        const char* message;
    };
    std::string binary(4096, '\0');
    for (size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>((i * 7919u) >> 3);
    for (const Bad& b : std::vector<Bad>{
             {"empty", "", "test is empty"},
             {"binary", binary, "test is not a plot file"},
             {"PNG header then text", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + "IN;PD1,1;",
              "test is not a plot file"},
             {"prose mentioning commands",
              "Plot files start in\nmost cases with IN and SP, then PU and PD runs follow in\n"
              "groups; this text only talks about them and should not be drawn at all, as\n"
              "any reader can see from the many words that are not commands here.\n",
              "test is not a plot file"},
         }) {
        Status st;
        EXPECT_TRUE(Read(b.input, &st).empty()) << b.name;
        EXPECT_FALSE(st.ok()) << b.name;
        EXPECT_EQ(st.message().rfind(b.message, 0), 0u) << b.name << ": " << st.message();
    }
    // A plot file without drawing is fine.
    Status st;
    EXPECT_TRUE(Read("IN;SP1;PG;", &st).empty());
    EXPECT_TRUE(st.ok()) << st.message();

    CPolylineIArray d;
    d.Add(1).AddPoint(1, 1);
    st = d.Load("/nonexistent/folder/file.plt");
    EXPECT_FALSE(st.ok());
    EXPECT_EQ(st.message(), "cannot open /nonexistent/folder/file.plt: no such file or directory");
    EXPECT_EQ(d.GetCount(), 0) << "a failed load leaves an empty drawing";
}

// Every sample read in one piece and fed one byte at a time gives the same
// drawing: numbers, labels, PE data and escape sequences may straddle the
// reader's chunks.
TEST(PlotFileReader, ChunkBoundariesDoNotChangeTheDrawing)
{
    for (const char* name : {"hp2xx_spectrum.plt", "ezdxf_PLOTFILE.plt", "hp2xx_charsets.hp",
                             "hp2xx_win_1.hp", "hp2xx_acad.hp", "summa_test.plt",
                             "tgoodhew_feature-exercise.plt", "vk2bea_HP8595E-FM.hpgl"}) {
        const std::string path = std::string(PLOTVANE_SAMPLES_DIR) + "/" + name;
        std::ifstream in(path, std::ios::binary);
        ASSERT_TRUE(in) << path;
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        CPolylineIArray whole;
        ASSERT_TRUE(whole.Load(path).ok()) << name;
        ASSERT_GT(whole.GetCount(), 0) << name;
        if (CPlotFileReader::Sniff(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) !=
            CPlotFileReader::Format::Hpgl)
            continue;
        CPolylineIArray pieces;
        CDrawingBuilder builder(pieces);
        builder.GrantBudget(bytes.size());
        CHpglParser parser(builder);
        for (char c : bytes) {
            const uint8_t b = static_cast<uint8_t>(c);
            parser.Feed(&b, 1);
        }
        parser.Finish();
        builder.Finish();
        ASSERT_EQ(pieces.GetCount(), whole.GetCount()) << name;
        for (int i = 0; i < whole.GetCount(); ++i)
            ASSERT_EQ(pieces.GetPolyline(i)->m_points, whole.GetPolyline(i)->m_points) << name << " #" << i;
    }
}

// Every sample loads, with its drawing where SOURCES.md says it is.
TEST(PlotFileReader, SamplesLoadWithTheirExtents)
{
    struct Sample {
        const char* name;
        int minX, minY, maxX, maxY;
    };
    for (const Sample& s : std::vector<Sample>{
             {"sds_Basic_Tee_layered.plt", 28, 28, 4365, 2639},
             {"sds_SCAN-FAT-MAN-001-20260131015852.plt", 0, 0, 61353, 21631},
             {"sds_Light_Jacket_2D.plt", 0, 0, 60557, 50223},
             {"sds_JOB-ORD-BATCH-002-1769795305.plt", 0, 0, 53504, 105035},
             {"schwittlick_composition100_manual_14d5a114_mutoh_xp500_a1__b2601bb5_260214_102422_0.hpgl",
              -15309, -10844, 15310, 10845},
             {"summa_test.plt", 1150, 249, 7250, 9200},  // ECN: one step per unit
         }) {
        CPolylineIArray d;
        const Status st = d.Load(std::string(PLOTVANE_SAMPLES_DIR) + "/" + s.name);
        ASSERT_TRUE(st.ok()) << s.name << ": " << st.message();
        int a, b, c, e;
        ASSERT_TRUE(d.GetBoundRect(a, b, c, e)) << s.name;
        EXPECT_EQ(a, s.minX) << s.name;
        EXPECT_EQ(b, s.minY) << s.name;
        EXPECT_EQ(c, s.maxX) << s.name;
        EXPECT_EQ(e, s.maxY) << s.name;
    }
}
