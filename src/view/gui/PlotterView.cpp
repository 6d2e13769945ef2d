#include "view/gui/PlotterView.h"

#include <GL/gl.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/intl.h>
#include <wx/msgdlg.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include "app/gui/AppLook.h"
#include "app/gui/PlotvaneApp.h"
#include "plotlib/CommandSets.h"
#include "plotlib/Devices.h"
#include "plotlib/DxfReader.h"
#include "plotlib/Plotter.h"
#include "plotlib/ProgramDir.h"
#include "view/CanvasTools.h"

namespace {

std::string ToStd(const wxString& s) { return std::string(s.utf8_str()); }

} // namespace

wxBEGIN_EVENT_TABLE(CPlotterView, wxGLCanvas)
    EVT_PAINT(CPlotterView::OnPaint)
    EVT_SIZE(CPlotterView::OnSize)
    EVT_MOUSEWHEEL(CPlotterView::OnMouseWheel)
    EVT_MOTION(CPlotterView::OnMotion)
    EVT_ERASE_BACKGROUND(CPlotterView::OnEraseBackground)
    EVT_LEFT_DOWN(CPlotterView::OnLeftDown)
    EVT_LEFT_UP(CPlotterView::OnLeftUp)
    EVT_LEFT_DCLICK(CPlotterView::OnLeftDClick)
    EVT_RIGHT_DOWN(CPlotterView::OnRightDown)
    EVT_RIGHT_DCLICK(CPlotterView::OnRightDClick)
    EVT_CHAR(CPlotterView::OnChar)
    EVT_MOUSE_CAPTURE_LOST(CPlotterView::OnCaptureLost)
wxEND_EVENT_TABLE()

CPlotterView::CPlotterView(wxWindow* parent, wxWindowID id, const wxPoint& pos,
                           const wxSize& size, long style, const wxString& name)
    : wxGLCanvas(parent, id, nullptr, pos, size, style, name),
      // The program ships no cursor images of its own; the stock pencil and
      // cross stand for the pen and the knife.
      m_penCursor(wxCURSOR_PENCIL),
      m_knifeCursor(wxCURSOR_CROSS)
{
    m_context = new wxGLContext(this);
    if (!m_context->IsOK()) {
        delete m_context;
        m_context = nullptr;
    }
    if (wxTheApp)
        ApplyAppFont(this);
    MakeCurrent();
}

CPlotterView::~CPlotterView()
{
    if (MakeCurrent())
        DeleteDisplayLists();
    m_drawing.Destroy();
    delete m_context;
}

bool CPlotterView::HasGLContext() { return MakeCurrent(); }

bool CPlotterView::MakeCurrent()
{
    // A GL context can only be bound to a window that exists on the X server.
    if (!m_context || !IsShownOnScreen() || GetXWindow() == 0)
        return false;
    if (!SetCurrent(*m_context))
        return false;
    if (!m_glReady)
        InitGL();
    return true;
}

void CPlotterView::InitGL()
{
    m_glReady = true;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_POINT_SMOOTH);
    glEnable(GL_LINE_SMOOTH);
    glHint(GL_POINT_SMOOTH_HINT, GL_DONT_CARE);
    glHint(GL_LINE_SMOOTH_HINT, GL_DONT_CARE);
    glPointSize(5.0f);
    glLineWidth(1.0f);
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const wxString name = renderer ? wxString::FromUTF8(renderer).Lower() : wxString();
    m_softwareGL = name.Contains("llvmpipe") || name.Contains("softpipe") ||
                   name.Contains("software") || name.Contains("swrast");
}

void CPlotterView::SetupProjection(int* w, int* h)
{
    const wxSize size = GetClientSize();
    m_view.SetupProjection(size.x, size.y, m_bounds, PaperWidthUnits(*GetPlotter()));
    if (w)
        *w = size.x;
    if (h)
        *h = size.y;
}

void CPlotterView::LoadMatrices()
{
    glViewport(0, 0, m_view.ClientWidth(), m_view.ClientHeight());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, m_view.ProjectionRight(), 0, m_view.ProjectionTop(), -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslated(m_view.OffsetX(), m_view.OffsetY(), 0);
    glScaled(m_view.Scale(), m_view.Scale(), 1);
}

bool CPlotterView::ScreenToWorld(float& x, float& y)
{
    if (!MakeCurrent())
        return false;
    SetupProjection();
    double dx = x, dy = y;
    m_view.ScreenToWorld(dx, dy);
    x = static_cast<float>(dx);
    y = static_cast<float>(dy);
    return true;
}

bool CPlotterView::WorldToScreen(float& x, float& y)
{
    if (!MakeCurrent())
        return false;
    SetupProjection();
    double dx = x, dy = y;
    m_view.WorldToScreen(dx, dy);
    x = static_cast<float>(dx);
    y = static_cast<float>(dy);
    return true;
}

void CPlotterView::UpdateBounds()
{
    int minX = 0, minY = 0, maxX = 0, maxY = 0;
    m_bounds = DrawingBounds{};
    if (m_drawing.GetBoundRect(minX, minY, maxX, maxY)) {
        m_bounds.empty = false;
        m_bounds.minX = minX;
        m_bounds.minY = minY;
        m_bounds.maxX = maxX;
        m_bounds.maxY = maxY;
    }
    // The plot thread works from these while the job runs; they are taken
    // here, on the GUI thread, whenever the drawing changes.
    const PLOTTERCONFIG& cfg = *GetPlotter();
    m_progress.SetExtents(maxX - minX, maxY - minY, PaperWidthRounded(cfg),
                          BlockLengthRounded(cfg));
}

void CPlotterView::DrawPaper()
{
    const double paper = PaperWidthUnits(*GetPlotter());
    double x0 = 0, y0 = 0;
    m_view.ScreenToWorld(x0, y0);
    const double x1 =
        m_bounds.empty ? x0 + m_view.PixelsToWorld(m_view.ClientWidth()) : m_bounds.maxX;
    glColor3f(1.0f, 1.0f, 1.0f);
    glRectd(x0, 0, x1, paper);
}

void CPlotterView::DrawSelection() const
{
    for (int index : m_selection) {
        if (index >= 0 && index < m_drawing.GetCount())
            m_drawing.GetPolyline(index)->Draw();
    }
}

void CPlotterView::Render(bool rebuild)
{
    if (rebuild) {
        UpdateBounds();
        m_listStale = true;
    }
    if (!MakeCurrent())
        return;
    DrawFrame(true);
    SwapAndFlush();
}

void CPlotterView::RenderNoSwap()
{
    if (!MakeCurrent())
        return;
    DrawFrame(false);
}

void CPlotterView::DrawFrame(bool withProgress)
{
    // The projection follows the drawing and the client size at every
    // frame, so the picture and the conversions always agree.
    SetupProjection();
    LoadMatrices();
    glClearColor(144.0f / 255, 144.0f / 255, 144.0f / 255, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawPaper();
    if (withProgress && m_progress.Showing())
        DrawProgress();
    if (m_listStale)
        CompileDisplayList();
    CallDisplayList();
    DrawSelection();
}

wxImage CPlotterView::CaptureFrame()
{
    if (!MakeCurrent())
        return wxImage();
    DrawFrame(true);
    glFinish();
    const int w = m_view.ClientWidth();
    const int h = m_view.ClientHeight();
    std::vector<unsigned char> rows(static_cast<size_t>(w) * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    wxImage image(w, h, false);
    unsigned char* out = image.GetData();
    // GL's rows run bottom-up, the image's top-down.
    for (int y = 0; y < h; ++y)
        std::copy_n(&rows[static_cast<size_t>(h - 1 - y) * w * 3], static_cast<size_t>(w) * 3,
                    out + static_cast<size_t>(y) * w * 3);
    return image;
}

void CPlotterView::SwapAndFlush()
{
    glFlush();
    SwapBuffers();
}

void CPlotterView::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(this);
    Render(false);
}

void CPlotterView::OnSize(wxSizeEvent& event)
{
    event.Skip();  // the GL canvas resizes its drawable
    if (!MakeCurrent())
        return;
    SetupProjection();
    LoadMatrices();
    glFlush();
}

void CPlotterView::OnEraseBackground(wxEraseEvent&)
{
    // The whole client area is painted by GL; erasing first only flickers.
}

void CPlotterView::OnMouseWheel(wxMouseEvent& event)
{
    if (!MakeCurrent())
        return;
    SetupProjection();
    const wxPoint pos = event.GetPosition();
    m_view.WheelZoom(event.GetWheelRotation() > 0, pos.x, pos.y);
    Render(false);
    // The status line follows the pointer's new drawing position.
    wxMouseEvent motion(wxEVT_MOTION);
    motion.SetEventObject(this);
    motion.SetPosition(pos);
    ProcessWindowEvent(motion);
}

void CPlotterView::FitToWindow()
{
    if (!MakeCurrent() || m_bounds.empty)
        return;
    SetupProjection();
    m_view.FitToWindow(m_bounds, PaperWidthUnits(*GetPlotter()));
    Render(false);
}

void CPlotterView::ZoomToRect(float x1, float y1, float x2, float y2)
{
    if (!MakeCurrent())
        return;
    SetupProjection();
    m_view.ZoomToRect(x1, y1, x2, y2);
    Render(false);
}

void CPlotterView::ClearSelection() { ::ClearSelection(m_drawing, m_selection); }

std::string CPlotterView::FullPath(const wxString& name) const
{
    const std::string n = ToStd(name);
    if (!n.empty() && n[0] == '/')
        return n;
    return JoinPath(ToStd(wxGetApp().m_plotPath), n);
}

void CPlotterView::ResetUndoFor(const wxString& name)
{
    if (name.IsSameAs(m_fileName, false))
        return;
    // The empty view has no file: the store is emptied rather than pointed
    // at the plot folder itself.
    if (name.empty())
        m_undo.Clear();
    else
        m_undo.Reset(FullPath(name));
}

void CPlotterView::ShowTitle(const wxString& name)
{
    const wxString title = name.empty()
                               ? wxGetTranslation("CMainFrame")
                               : name + wxGetTranslation(" - ") + wxGetTranslation("CMainFrame");
    if (m_titleCallback) {
        m_titleCallback(title);
        return;
    }
    if (wxWindow* top = wxGetTopLevelParent(this))
        top->SetLabel(title);
}

void CPlotterView::LoadFile(const wxString& name, bool rotate, bool mirror)
{
    ClearSelection();
    ResetUndoFor(name);
    wxBusyCursor busy;
    ShowTitle(name);
    m_view.ResetView();
    m_fileName = name;
    m_drawing.Destroy();
    m_loadStatus = Status::Ok();
    if (!name.empty()) {
        // A file that cannot be read shows as an empty drawing under its
        // name; the reason stays available to the owner.
        m_loadStatus = m_drawing.Load(FullPath(name));
    }
    m_placement = CDrawingPlacement::Apply(m_drawing, rotate && !name.empty(),
                                           mirror && !name.empty());
    UpdateBounds();
    if (!name.empty() && MakeCurrent()) {
        SetupProjection();
        m_view.FitToWindow(m_bounds, PaperWidthUnits(*GetPlotter()));
    }
    Render(true);
}

void CPlotterView::SetDrawing(const wxString& name, const CPolylineIArray& drawing,
                              const CDrawingPlacement& placement)
{
    ClearSelection();
    ResetUndoFor(name);
    wxBusyCursor busy;
    ShowTitle(name);
    m_view.ResetView();
    m_fileName = name;
    m_loadStatus = Status::Ok();
    m_placement = name.empty() ? CDrawingPlacement() : placement;
    if (name.empty())
        m_drawing.Destroy();
    else
        m_drawing = drawing;
    UpdateBounds();
    if (!name.empty() && MakeCurrent()) {
        SetupProjection();
        m_view.FitToWindow(m_bounds, PaperWidthUnits(*GetPlotter()));
    }
    Render(true);
}

Status CPlotterView::SaveDrawingToFile()
{
    if (m_fileName.empty())
        return Status::NotFound("no file is shown");
    // Only an existing plot file is rewritten. A drawing shown under a name
    // that is no file (the emulation's, or a file deleted after plotting)
    // must not turn up in the plot folder, where it would be listed and,
    // in auto-plot mode, plotted.
    const std::string path = FullPath(m_fileName);
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return Status::NotFound("the file does not exist any more");
    if (CDxfReader::FileIsDxf(path))
        return Status::BadInput(CDxfReader::kNotRewritten);
    // Written in the file's own frame: the view's turn, mirror and move
    // are undone on a copy.
    const CPolylineIArray* drawing = &m_drawing;
    CPolylineIArray restored;
    if (!m_placement.IsIdentity()) {
        restored = m_drawing;
        m_placement.Restore(restored);
        drawing = &restored;
    }
    // The write is 1:1 whatever the device scales its output by. The scale
    // factors are set on the writer's own copy, so the device's
    // configuration is never changed, not even for a moment.
    PLOTTERCONFIG config = *GetPlotter();
    config.scaleX = 1.0f;
    config.scaleY = 1.0f;
    CPlotter plotter(config, path, HpglCommandSet(), AlternateCommandSet());
    plotter.Begin(nullptr);
    drawing->Draw(plotter, nullptr);
    plotter.End(nullptr);
    return plotter.Close();
}

void CPlotterView::ResetPens()
{
    if (m_fileName.empty())
        return;
    wxMessageDialog ask(this, wxGetTranslation("Be sure to reset plot pen ?"),
                        wxGetTranslation("Information"),
                        wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION | wxCENTRE);
    if (ask.ShowModal() == wxID_NO)
        return;
    const int pen = GetPlotter()->drawPen;
    for (int i = 0; i < m_drawing.GetCount(); ++i)
        m_drawing.GetPolyline(i)->SetPenNo(pen);
    Render(true);
    static_cast<void>(SaveDrawingToFile());
}
