// The preview's tools driven by real mouse and key input (XTest through
// wxUIActionSimulator under Xvfb): rubber-band selection and its 5-pixel
// threshold, pens written into the plot file, Delete, splines with undo,
// slots from the stored sizes, and the pan's left-edge stop.
//
// The drawing: eleven vertical lines, line i at x = 2000 * i from y 0 to
// 20000 with pen 1, on a 0.5 m paper (20000 units at 1016 per inch), so
// the fitted lines stand about 60 pixels apart.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <wx/frame.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>
#include <wx/uiaction.h>

#include "GuiTestSupport.h"
#include "TempDir.h"
#include "app/IniSettings.h"
#include "app/gui/PlotvaneApp.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandRules.h"
#include "mainframe/gui/MainForm.h"
#include "plotlib/Devices.h"
#include "view/CanvasTools.h"
#include "view/gui/PlotterView.h"

namespace {

constexpr int kLines = 11;
constexpr int kSpacing = 2000;

// HP-GL for a list of polylines (pen, points).
std::string Hpgl(const CPolylineIArray& d)
{
    std::string text = "IN;";
    char buf[64];
    for (const CPolylineI& l : d.m_lines) {
        std::snprintf(buf, sizeof buf, "SP%d;PU%d,%d;", l.GetPenNo(), l.m_points[0].x,
                      l.m_points[0].y);
        text += buf;
        for (size_t i = 1; i < l.m_points.size(); ++i) {
            std::snprintf(buf, sizeof buf, "PD%d,%d;", l.m_points[i].x, l.m_points[i].y);
            text += buf;
        }
    }
    return text + "PU;SP0;";
}

CPolylineIArray Lines()
{
    CPolylineIArray d;
    for (int i = 0; i < kLines; ++i) {
        CPolylineI& l = d.Add(1);
        l.AddPoint(kSpacing * i, 0);
        l.AddPoint(kSpacing * i, 20000);
    }
    return d;
}

// The x of every polyline of a drawing (the lines are told apart by it).
std::vector<int> Xs(const CPolylineIArray& d)
{
    std::vector<int> xs;
    for (const CPolylineI& l : d.m_lines)
        xs.push_back(l.m_points.empty() ? -1 : l.m_points[0].x);
    return xs;
}

class CanvasToolsGuiTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_savedPlotPath = wxGetApp().m_plotPath;
        m_savedConfig = *GetPlotter();
        wxGetApp().m_plotPath = wxString::FromUTF8(m_folder.Path());
        PLOTTERCONFIG& cfg = *GetPlotter();
        cfg.resolution = 1016;
        cfg.paperWidth = 0.5f;
        cfg.blockLength = 10.0f;
        cfg.drawPen = 1;
        cfg.cutPen = 2;
        cfg.halfCutPen = 3;
        cfg.scaleX = cfg.scaleY = 1.0f;
    }

    void TearDown() override
    {
        if (m_frame)
            m_frame->Destroy();
        if (m_form)
            DestroyMainForm(m_form);
        PumpEvents();
        wxGetApp().m_plotPath = m_savedPlotPath;
        *GetPlotter() = m_savedConfig;
    }

    // A canvas of its own in a plain frame.
    void MakeCanvas()
    {
        m_frame = new wxFrame(nullptr, wxID_ANY, "tools test", wxPoint(0, 0), wxSize(800, 600));
        m_view = new CPlotterView(m_frame);
        m_frame->Show();
        ASSERT_TRUE(PumpUntil([this] { return m_view->HasGLContext(); }, 5000))
            << "no GL context on the test display";
        PumpEvents();
    }

    // Writes `d` as the plot file `name` and shows it.
    void Show(const CPolylineIArray& d, const std::string& name = "lines.plt")
    {
        m_name = name;
        std::ofstream(m_folder.File(name), std::ios::binary) << Hpgl(d);
        m_view->LoadFile(wxString::FromUTF8(name), false, false);
        ASSERT_EQ(m_view->GetDrawing().GetCount(), d.GetCount());
        PumpEvents();
    }

    std::string Path() const { return m_folder.File(m_name); }

    CPolylineIArray OnDisk() const
    {
        CPolylineIArray back;
        EXPECT_TRUE(back.Load(Path()).ok());
        return back;
    }

    // Window pixel of a drawing point.
    wxPoint Pixel(float x, float y)
    {
        EXPECT_TRUE(m_view->WorldToScreen(x, y));
        return wxPoint(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
    }

    void MoveTo(const wxPoint& client)
    {
        m_sim.MouseMove(m_view->ClientToScreen(client));
        PumpEvents();
    }

    // A drag with `button` from one window pixel to another, through a
    // point halfway so the canvas sees the motion with the button held.
    void Drag(const wxPoint& from, const wxPoint& to, int button = wxMOUSE_BTN_LEFT)
    {
        MoveTo(from);
        m_sim.MouseDown(button);
        PumpEvents();
        MoveTo(wxPoint((from.x + to.x) / 2, (from.y + to.y) / 2));
        MoveTo(to);
        m_sim.MouseUp(button);
        PumpEvents(8);
    }

    // A left drag across line i alone (or lines first..last), mid-height.
    void DragAcross(int first, int last = -1)
    {
        if (last < 0)
            last = first;
        const wxPoint a = Pixel(kSpacing * first, 14000);
        const wxPoint b = Pixel(kSpacing * last, 12000);
        Drag(wxPoint(a.x - 20, a.y), wxPoint(b.x + 20, b.y));
    }

    void RightClick(const wxPoint& at)
    {
        MoveTo(at);
        m_sim.MouseClick(wxMOUSE_BTN_RIGHT);
        PumpEvents(8);
    }

    void Key(int code, int modifiers = wxMOD_NONE)
    {
        m_sim.Char(code, modifiers);
        PumpEvents(8);
    }

    TempDir m_folder;
    std::string m_name;
    wxString m_savedPlotPath;
    PLOTTERCONFIG m_savedConfig;
    wxFrame* m_frame = nullptr;
    MainForm* m_form = nullptr;
    CPlotterView* m_view = nullptr;
    wxUIActionSimulator m_sim;
};

} // namespace

TEST_F(CanvasToolsGuiTest, DragTogglesTheLinesUnderItAndFivePixelsIsAClick)
{
    MakeCanvas();
    Show(Lines());
    m_view->SetTool(kToolCutPen);

    DragAcross(3, 5);
    EXPECT_EQ(m_view->GetSelection(), (std::vector<int>{3, 4, 5}));
    for (int i = 0; i < kLines; ++i)
        EXPECT_EQ(m_view->GetDrawing().GetPolyline(i)->m_selected != 0, i >= 3 && i <= 5) << i;
    DragAcross(3, 5);
    EXPECT_TRUE(m_view->GetSelection().empty());

    // Across line 3 by exactly 5 pixels (3 across, 4 down): a click. By 6
    // pixels: a drag that selects it.
    const wxPoint p = Pixel(kSpacing * 3, 10000);
    Drag(wxPoint(p.x - 2, p.y), wxPoint(p.x + 1, p.y + 4));
    EXPECT_TRUE(m_view->GetSelection().empty());
    Drag(wxPoint(p.x - 3, p.y), wxPoint(p.x + 3, p.y));
    EXPECT_EQ(m_view->GetSelection(), (std::vector<int>{3}));

    // The right button while the left one is held does nothing: no tool is
    // applied, and the left release with the right button held does not
    // select.
    const std::string before = ReadFileBytes(Path());
    const wxPoint q = Pixel(kSpacing * 7, 14000);
    MoveTo(wxPoint(q.x - 20, q.y));
    m_sim.MouseDown(wxMOUSE_BTN_LEFT);
    PumpEvents();
    MoveTo(wxPoint(q.x + 20, q.y + 30));
    m_sim.MouseDown(wxMOUSE_BTN_RIGHT);
    PumpEvents();
    m_sim.MouseUp(wxMOUSE_BTN_LEFT);
    PumpEvents();
    m_sim.MouseUp(wxMOUSE_BTN_RIGHT);
    PumpEvents(8);
    EXPECT_EQ(m_view->GetSelection(), (std::vector<int>{3}));
    EXPECT_EQ(ReadFileBytes(Path()), before);
}

TEST_F(CanvasToolsGuiTest, RubberBandIsADashedBlackRectangleWhileDragging)
{
    MakeCanvas();
    Show(Lines());
    m_view->SetTool(kToolDrawPen);
    // Between lines 3 and 4, on white paper.
    const wxPoint l3 = Pixel(kSpacing * 3, 15000);
    const wxPoint l4 = Pixel(kSpacing * 4, 10000);
    const wxPoint from(l3.x + 8, l3.y), to(l4.x - 8, l4.y);
    MoveTo(from);
    m_sim.MouseDown(wxMOUSE_BTN_LEFT);
    PumpEvents();
    MoveTo(to);

    // The band is on screen now: its top edge runs along the press's row,
    // dashed six on, two off (0xFCFC), in black (smoothed, so grey over two
    // rows). The front buffer cannot be read back under Xvfb; Mesa keeps the
    // swapped frame in the back buffer, which is read instead.
    ASSERT_TRUE(m_view->HasGLContext());
    const int w = to.x - from.x - 4;
    const int h = m_view->GetClientSize().y;
    int bestDark = 0;
    for (int row = from.y - 1; row <= from.y + 1; ++row) {
        std::vector<unsigned char> rgb(static_cast<size_t>(w) * 3);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(from.x + 2, h - 1 - row, w, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        int dark = 0;
        for (int i = 0; i < w; ++i)
            dark += rgb[3 * i] + rgb[3 * i + 1] + rgb[3 * i + 2] < 600 ? 1 : 0;
        bestDark = std::max(bestDark, dark);
    }
    m_sim.MouseUp(wxMOUSE_BTN_LEFT);
    PumpEvents(8);
    EXPECT_GT(bestDark, w / 2) << "no band along the top edge";
    EXPECT_LT(bestDark, w * 7 / 8) << "the band's edge is not dashed";
    EXPECT_TRUE(m_view->GetSelection().empty());  // nothing under it
}

TEST_F(CanvasToolsGuiTest, CutPenToolWritesThePenIntoThePlotFile)
{
    MakeCanvas();
    Show(Lines());
    m_view->SetTool(kToolCutPen);
    DragAcross(3, 5);
    DragAcross(9);
    ASSERT_EQ(m_view->GetSelection(), (std::vector<int>{3, 4, 5, 9}));

    RightClick(Pixel(kSpacing * 7, 5000));
    EXPECT_TRUE(m_view->GetSelection().empty());
    const CPolylineIArray back = OnDisk();
    ASSERT_EQ(back.GetCount(), kLines);
    for (int i = 0; i < kLines; ++i) {
        const int pen = (i >= 3 && i <= 5) || i == 9 ? 2 : 1;
        EXPECT_EQ(back.GetPolyline(i)->GetPenNo(), pen) << i;
        EXPECT_EQ(m_view->GetDrawing().GetPolyline(i)->GetPenNo(), pen) << i;
        EXPECT_EQ(m_view->GetDrawing().GetPolyline(i)->m_selected, 0) << i;
    }
    EXPECT_EQ(m_view->GetUndo().GetPosition(), 1);  // pens push no undo copy

    // With nothing selected a right click changes nothing on disk.
    const std::string bytes = ReadFileBytes(Path());
    m_view->SetTool(kToolHalfCutPen);
    RightClick(Pixel(kSpacing * 7, 5000));
    EXPECT_EQ(ReadFileBytes(Path()), bytes);
}

TEST_F(CanvasToolsGuiTest, AnEditThatCannotBeWrittenSaysSo)
{
    // The file's folder is gone: the edit shows on screen, but what gets
    // plotted is the file, so the operator is told it was not saved.
    MakeCanvas();
    m_view->SetDrawing("gone/lines.plt", Lines());
    PumpEvents();
    m_view->SetTool(kToolCutPen);
    DragAcross(2);
    ASSERT_EQ(m_view->GetSelection(), (std::vector<int>{2}));
    wxTEST_DIALOG(RightClick(Pixel(kSpacing * 7, 5000)),
                  wxExpectModal<wxMessageDialog>(wxID_OK).Describe("save failure note"));
    EXPECT_EQ(m_view->GetDrawing().GetPolyline(2)->GetPenNo(), 2);
}

TEST_F(CanvasToolsGuiTest, DeleteRemovesTheSelectionFromTheHighestIndexDown)
{
    MakeCanvas();
    Show(Lines());
    m_view->SetTool(kToolDrawPen);
    DragAcross(3);
    DragAcross(7);
    DragAcross(5);
    ASSERT_EQ(m_view->GetSelection(), (std::vector<int>{3, 7, 5}));

    // Escape drops the selection, the drawing stays.
    Key(WXK_ESCAPE);
    EXPECT_TRUE(m_view->GetSelection().empty());
    EXPECT_EQ(m_view->GetDrawing().GetCount(), kLines);

    // In the slot tool neither Escape nor Delete does anything.
    m_view->SetTool(kToolSlot);
    DragAcross(3);
    ASSERT_EQ(m_view->GetSelection(), (std::vector<int>{3}));
    Key(WXK_DELETE);
    Key(WXK_ESCAPE);
    EXPECT_EQ(m_view->GetSelection(), (std::vector<int>{3}));
    EXPECT_EQ(m_view->GetDrawing().GetCount(), kLines);

    m_view->SetTool(kToolDrawPen);
    DragAcross(3);
    DragAcross(7);
    DragAcross(5);
    Key(WXK_DELETE);
    EXPECT_TRUE(m_view->GetSelection().empty());
    const std::vector<int> kept{0, 2000, 4000, 8000, 12000, 16000, 18000, 20000};
    EXPECT_EQ(Xs(m_view->GetDrawing()), kept);
    EXPECT_EQ(Xs(OnDisk()), kept);
    EXPECT_EQ(m_view->GetUndo().GetPosition(), 1);  // no undo copy for Delete
}

TEST_F(CanvasToolsGuiTest, SplineSmoothsPushesAnUndoCopyAndCtrlZBringsTheFileBack)
{
    m_form = CreateMainForm();
    m_view = m_form->GetPlotterView();
    ASSERT_NE(m_view, nullptr);
    ASSERT_TRUE(PumpUntil([this] { return m_view->HasGLContext(); }, 5000));
    ASSERT_GT(m_view->GetClientSize().y, 150) << "the preview is too small to drag in";

    // Lines 0 and 1 frame the drawing; line 2 becomes a zigzag.
    CPolylineIArray d = Lines();
    CPolylineI& zig = *d.GetPolyline(2);
    zig.Destroy();
    for (int k = 0; k <= 10; ++k)
        zig.AddPoint(kSpacing * 2 + (k % 2 ? 800 : 0), 2000 * k);
    Show(d, "zigzag.plt");
    const std::string original = ReadFileBytes(Path());

    // The tool comes from the window's menu command.
    wxCommandEvent pick(wxEVT_MENU, cmd::Spline);
    m_form->ProcessWindowEvent(pick);
    ASSERT_EQ(m_view->GetTool(), kToolSpline);
    DragAcross(2);
    ASSERT_EQ(m_view->GetSelection(), (std::vector<int>{2}));
    RightClick(Pixel(kSpacing * 8, 5000));

    const CPolylineIArray smoothed = OnDisk();
    ASSERT_EQ(smoothed.GetCount(), kLines);
    EXPECT_GT(smoothed.GetPolyline(2)->GetCount(), 11);
    EXPECT_EQ(smoothed.GetPolyline(2)->GetPenNo(), 1);
    EXPECT_EQ(smoothed.GetPolyline(3)->m_points, d.GetPolyline(3)->m_points);
    EXPECT_EQ(m_view->GetUndo().GetPosition(), 2);
    ASSERT_TRUE(m_view->GetUndo().CanUndo());

    // A right click with nothing selected still pushes a copy.
    RightClick(Pixel(kSpacing * 8, 5000));
    EXPECT_EQ(m_view->GetUndo().GetPosition(), 3);

    // The status line follows the pointer: X in millimetres, and the zoom.
    MoveTo(Pixel(kSpacing * 8, 5000));
    auto* status = wxDynamicCast(m_form->FindWindow(cmd::StatusBar), wxStatusBar);
    ASSERT_NE(status, nullptr);
    double mm = 0;
    ASSERT_TRUE(status->GetStatusText(1).ToCDouble(&mm));
    EXPECT_NEAR(mm, kSpacing * 8 / 40.0, 2.0);
    EXPECT_EQ(status->GetStatusText(3),
              FormatScale(static_cast<float>(m_view->GetTransform().Scale())));
    m_view->SetFocus();
    PumpEvents();
    Key('z', wxMOD_CONTROL);  // back over the empty click's copy: same bytes
    Key('z', wxMOD_CONTROL);
    EXPECT_EQ(m_view->GetUndo().GetPosition(), 1);
    EXPECT_EQ(ReadFileBytes(Path()), original);
    EXPECT_EQ(m_view->GetDrawing().GetPolyline(2)->GetCount(), 11);  // reloaded
}

TEST_F(CanvasToolsGuiTest, SlotToolUsesTheStoredSlotSizes)
{
    MakeCanvas();
    // A square piece with a notch mark across its bottom edge. The drawing
    // starts at the origin so loading it keeps its coordinates.
    CPolylineIArray d;
    CPolylineI& piece = d.Add(1);
    for (PointI p : {PointI{0, 400}, PointI{20000, 400}, PointI{20000, 20000},
                     PointI{0, 20000}, PointI{0, 400}})
        piece.AddPoint(p.x, p.y);
    CPolylineI& mark = d.Add(1);
    mark.AddPoint(6000, 0);
    mark.AddPoint(6000, 1000);
    Show(d, "slot.plt");

    // The run's Setting.ini is shared by every test: the sizes go back to
    // the defaults afterwards.
    struct Restore {
        ~Restore()
        {
            SetIniInt("Global", "Slot_Width", 6);
            SetIniInt("Global", "Slot_Length", 10);
            SetIniInt("Global", "Slot_PreSpaceA", 3);
            SetIniInt("Global", "Slot_PreSpaceB", 3);
            SetIniInt("Global", "SlotSpace", 3);
        }
    } restore;
    SetIniInt("Global", "Slot_Width", 8);
    SetIniInt("Global", "Slot_Length", 12);
    SetIniInt("Global", "Slot_PreSpaceA", 2);
    SetIniInt("Global", "Slot_PreSpaceB", 4);
    SetIniInt("Global", "SlotSpace", 5);
    CPolylineIArray expected = m_view->GetDrawing();
    expected.GetPolyline(1)->CreateSlot(expected, 2, 8, 12, 2, 4, 5);

    m_view->SetTool(kToolSlot);
    // Across the mark above the piece's edge, clear of every other line.
    const wxPoint a = Pixel(5000, 900);
    const wxPoint b = Pixel(7000, 600);
    Drag(a, b);
    ASSERT_EQ(m_view->GetSelection(), (std::vector<int>{1}));
    RightClick(Pixel(10000, 10000));

    const CPolylineIArray back = OnDisk();
    ASSERT_EQ(back.GetCount(), 2);
    EXPECT_EQ(back.GetPolyline(0)->m_points, d.GetPolyline(0)->m_points);
    EXPECT_EQ(back.GetPolyline(1)->GetPenNo(), 2);
    EXPECT_EQ(back.GetPolyline(1)->m_points, expected.GetPolyline(1)->m_points);
    EXPECT_NE(back.GetPolyline(1)->m_points, d.GetPolyline(1)->m_points);
    EXPECT_EQ(m_view->GetUndo().GetPosition(), 2);
}

TEST_F(CanvasToolsGuiTest, ZoomToolZoomsPansAndNeverPansThePaperRightOfTheLeftEdge)
{
    MakeCanvas();
    Show(Lines());
    m_view->SetTool(kToolZoom);
    ASSERT_LE(m_view->GetTransform().OffsetX(), 0);

    // A left drag around lines 4 to 6 zooms to them.
    const double fitted = m_view->GetTransform().Scale();
    const wxPoint a = Pixel(kSpacing * 4, 12000);
    const wxPoint b = Pixel(kSpacing * 6, 8000);
    Drag(a, b);
    EXPECT_GT(m_view->GetTransform().Scale(), 2 * fitted);
    EXPECT_TRUE(m_view->GetSelection().empty());  // zooming selects nothing

    // Dragging the drawing left moves it; dragging it right by far more
    // than its offset stops with its left edge at the window's.
    const double offset = m_view->GetTransform().OffsetX();
    ASSERT_LT(offset, 0);
    const wxSize client = m_view->GetClientSize();
    const wxPoint mid(client.x / 2, client.y / 2);
    Drag(mid, wxPoint(mid.x - 100, mid.y), wxMOUSE_BTN_RIGHT);
    EXPECT_LT(m_view->GetTransform().OffsetX(), offset);
    for (int i = 0; i < 6; ++i)
        Drag(wxPoint(20, mid.y), wxPoint(client.x - 20, mid.y), wxMOUSE_BTN_RIGHT);
    EXPECT_EQ(m_view->GetTransform().OffsetX(), 0);
    float left = 0, y = 0;
    ASSERT_TRUE(m_view->WorldToScreen(left, y));
    EXPECT_NEAR(left, 0, 0.5);

    // Right double click: offsets 0, scale 1. Left double click: fitted.
    MoveTo(mid);
    m_sim.MouseDblClick(wxMOUSE_BTN_RIGHT);
    PumpEvents(8);
    EXPECT_EQ(m_view->GetTransform().Scale(), 1);
    m_sim.MouseDblClick(wxMOUSE_BTN_LEFT);
    PumpEvents(8);
    EXPECT_DOUBLE_EQ(m_view->GetTransform().Scale(), fitted);
}

// An edit on a row shown turned and mirrored is written back in the file's
// own frame: only the pens change on disk, every point stays where the
// pattern program put it (the drawing is off the origin on purpose). A
// drawing that is no file is never written into the plot folder.
TEST_F(CanvasToolsGuiTest, EditsOnATurnedMirroredViewKeepTheFileFrame)
{
    MakeCanvas();
    CPolylineIArray original = Lines();
    original.Offset(1500, 700);
    std::ofstream(m_folder.File("turned.plt"), std::ios::binary) << Hpgl(original);
    m_name = "turned.plt";
    m_view->LoadFile("turned.plt", true, true);
    ASSERT_EQ(m_view->GetDrawing().GetCount(), kLines);
    m_view->ZoomToRect(-3000, -3000, 23000, 23000);  // room around the lines
    PumpEvents();
    m_view->SetTool(kToolCutPen);

    const wxSize size = m_view->GetClientSize();
    // Corner to corner around the whole drawing, kept inside the window.
    const auto inside = [&size](wxPoint p) {
        return wxPoint(std::clamp(p.x, 1, size.x - 2), std::clamp(p.y, 1, size.y - 2));
    };
    Drag(inside(Pixel(-400, -400)), inside(Pixel(20400, 20400)));
    ASSERT_EQ(m_view->GetSelection().size(), static_cast<size_t>(kLines));
    RightClick(wxPoint(size.x / 2, size.y / 2));

    const CPolylineIArray back = OnDisk();
    ASSERT_EQ(back.GetCount(), kLines);
    for (int i = 0; i < kLines; ++i) {
        EXPECT_EQ(back.GetPolyline(i)->GetPenNo(), 2) << i;
        EXPECT_EQ(back.GetPolyline(i)->m_points, original.GetPolyline(i)->m_points) << i;
    }

    m_view->SetDrawing("Emulate plotter", Lines());
    EXPECT_FALSE(m_view->SaveDrawingToFile().ok());
    EXPECT_FALSE(std::ifstream(m_folder.File("Emulate plotter")).good());
}
