// The preview's display lists: the block grid, and the drawing in levels of
// detail and slices along X (see DrawingLod.h for why).
#include <GL/gl.h>

#include <algorithm>

#include "plotlib/Devices.h"
#include "plotlib/PenColour.h"
#include "view/gui/PlotterView.h"

namespace {

// More grid lines than this in one direction means a misconfigured block
// length or paper width (a few units); the grid is then left out rather
// than compiling millions of lines.
constexpr double kMaxGridLines = 20000;

// Slices along X: enough that a zoomed-in view of a long marker calls a few
// of them, few enough that a small drawing costs nothing extra.
constexpr int kChunks = 256;

// From this level of detail on (tolerance 64 units, a pixel of 128 units or
// more) a software renderer draws plain lines; see DrawChunk.
constexpr int kPlainLinesLevel = 4;

} // namespace

void CPlotterView::DrawBlockGrid() const
{
    const PLOTTERCONFIG& cfg = *GetPlotter();
    const double w = PaperWidthRounded(cfg);
    const double l = BlockLengthRounded(cfg);
    const double maxX = m_bounds.empty ? 0 : m_bounds.maxX;
    const double maxY = m_bounds.empty ? 0 : m_bounds.maxY;
    const double top = std::max(maxY, w);
    glColor3f(0.0f, 0.0f, 1.0f);
    glLineStipple(1, 0xFFBB);
    glEnable(GL_LINE_STIPPLE);
    glBegin(GL_LINES);
    if (l > 0 && maxX / l < kMaxGridLines) {
        for (double x = l; x < maxX; x += l) {
            glVertex2d(x, 0);
            glVertex2d(x, top);
        }
    }
    if (w > 0 && top / w < kMaxGridLines) {
        for (double y = w; y < top; y += w) {
            glVertex2d(0, y);
            glVertex2d(maxX, y);
        }
    }
    glEnd();
    glDisable(GL_LINE_STIPPLE);
}

void CPlotterView::DrawChunk(const CDrawingLod::Chunk& chunk, int level) const
{
    // The same pen colours as the drawing's own GL drawing, batched per pen.
    const PLOTTERCONFIG config = *GetPlotter();
    std::vector<CDrawingLod::Batch> batches;
    CDrawingLod::MakeBatches(m_drawing, chunk, level, batches);
    // Smoothed lines cost a software renderer several times the plain ones
    // (a fitted marker: about 150 ms a frame instead of 20); zoomed out so
    // far that a pixel spans 64 units or more, the plain ones are drawn.
    const bool plain = m_softwareGL && level >= kPlainLinesLevel;
    glPushAttrib(GL_ENABLE_BIT);
    if (plain)
        glDisable(GL_LINE_SMOOTH);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    for (const CDrawingLod::Batch& batch : batches) {
        const PenRgb colour = PenColour(batch.pen, config);
        glColor3f(colour.r, colour.g, colour.b);
        if (!batch.segments.empty()) {
            glVertexPointer(2, GL_INT, 0, batch.segments.data());
            glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(batch.segments.size() / 2));
        }
        if (!batch.points.empty()) {
            glVertexPointer(2, GL_INT, 0, batch.points.data());
            glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(batch.points.size() / 2));
        }
    }
    glPopClientAttrib();
    glPopAttrib();
}

void CPlotterView::DeleteDisplayLists()
{
    for (LevelLists& level : m_levelLists) {
        for (unsigned int list : level.lists) {
            if (list != 0)
                glDeleteLists(list, 1);
        }
        level = LevelLists{};
    }
    if (m_gridList != 0)
        glDeleteLists(m_gridList, 1);
    m_gridList = 0;
}

void CPlotterView::CompileDisplayList()
{
    DeleteDisplayLists();
    m_lod.Partition(m_drawing, kChunks);
    m_gridList = glGenLists(1);
    if (m_gridList != 0) {
        glNewList(m_gridList, GL_COMPILE);
        DrawBlockGrid();
        glEndList();
    }
    m_listStale = false;
}

void CPlotterView::CallDisplayList()
{
    const int level = CDrawingLod::LevelFor(m_view.PixelsToWorld(1.0));
    LevelLists& lists = m_levelLists[static_cast<size_t>(level)];
    if (!lists.built) {
        // First use of this level since the drawing changed: compile it in
        // groups of about half the window's width at this zoom.
        lists.built = true;
        lists.groups = CDrawingLod::Group(m_lod.Chunks(),
                                          m_view.PixelsToWorld(m_view.ClientWidth()) / 2);
        lists.lists.assign(lists.groups.size(), 0);
        for (size_t g = 0; g < lists.groups.size(); ++g) {
            lists.lists[g] = glGenLists(1);
            if (lists.lists[g] == 0)
                continue;  // no list to be had: drawn directly below
            glNewList(lists.lists[g], GL_COMPILE);
            DrawChunk(lists.groups[g], level);
            glEndList();
        }
    }
    // Only the groups that reach into the window (with a margin for the
    // width of points and lines).
    double left = 0, top = 0;
    m_view.ScreenToWorld(left, top);
    double right = m_view.ClientWidth(), bottom = m_view.ClientHeight();
    m_view.ScreenToWorld(right, bottom);
    const double margin = m_view.PixelsToWorld(8.0);
    for (size_t g = 0; g < lists.groups.size(); ++g) {
        const CDrawingLod::Chunk& group = lists.groups[g];
        if (group.maxX < left - margin || group.minX > right + margin)
            continue;
        if (lists.lists[g] != 0)
            glCallList(lists.lists[g]);
        else
            DrawChunk(group, level);
    }
    if (m_gridList != 0)
        glCallList(m_gridList);
    else
        DrawBlockGrid();
}
