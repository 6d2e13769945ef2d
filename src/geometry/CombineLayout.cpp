#include "geometry/CombineLayout.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "geometry/GeometryPrimitives.h"
#include "plotlib/CommandSets.h"
#include "plotlib/Plotter.h"

const char* const kCombineMark = "*** ";

namespace {

// Profile values are kept within +-2^30 so that a difference of two never
// overflows int32 in the search; real layouts are far inside this range.
constexpr int64_t kProfileLimit = int64_t{1} << 30;

int32_t ProfileValue(int64_t x)
{
    return static_cast<int32_t>(std::clamp(x, -kProfileLimit, kProfileLimit));
}

// Grows `profile` (new rows read 0) so that it holds at least `rows` rows,
// with some headroom, but never past `width` rows.
void EnsureRows(std::vector<int32_t>& profile, int64_t rows, int width)
{
    if (rows <= static_cast<int64_t>(profile.size()))
        return;
    int64_t size = std::max<int64_t>(rows, static_cast<int64_t>(profile.size()) * 3 / 2 + 1024);
    size = std::min<int64_t>(size, width);
    profile.resize(static_cast<size_t>(std::max(size, rows)), 0);
}

// The row walk shared by both profiles. For the layout profile `Better`
// is "greater" (the profile keeps the furthest X), for the piece profile
// "less" (the nearest X). `apply(y, x)` stores x in row y when it is
// better; `value(y)` reads row y. Rows strictly between the segment's ends
// are only intersected where the segment can still improve them; the rows
// walked are limited to [rowLo, rowHi].
template <typename Better, typename Apply, typename Value>
void WalkSegment(const PointI& a, const PointI& b, int64_t rowLo, int64_t rowHi, Better better,
                 Apply apply, Value value)
{
    apply(a.y, a.x);
    apply(b.y, b.x);
    const int64_t lo = std::max<int64_t>(std::min(a.y, b.y) + int64_t{1}, rowLo);
    const int64_t hi = std::min<int64_t>(std::max(a.y, b.y) - int64_t{1}, rowHi);
    const float ax = static_cast<float>(a.x), ay = static_cast<float>(a.y);
    const float bx = static_cast<float>(b.x), by = static_cast<float>(b.y);
    for (int64_t y = lo; y <= hi; ++y) {
        const int32_t current = value(static_cast<int>(y));
        if (!better(a.x, current) && !better(b.x, current))
            continue;  // the whole segment is behind the profile here
        float x = 0.0f;
        float yy = 0.0f;
        const float row = static_cast<float>(y);
        if (IntersectSegments(ax, ay, bx, by, 0.0f, row, 1000.0f, row, x, yy, true))
            apply(RoundHalfAway(yy), RoundHalfAway(x));
    }
}

// Calls `segment(a, b)` for every segment of every polyline in [first,
// end). A polyline of one point counts as a segment of no length, so a
// lone mark still takes its row.
template <typename Segment>
void ForEachSegment(const CPolylineIArray& drawing, int first, Segment segment)
{
    for (int i = first; i < drawing.GetCount(); ++i) {
        const std::vector<PointI>& points = drawing.GetPolyline(i)->m_points;
        if (points.size() == 1)
            segment(points[0], points[0]);
        for (size_t k = 1; k < points.size(); ++k)
            segment(points[k - 1], points[k]);
    }
}

// Moves the drawing so its bounding rectangle's centre (halves truncated
// toward zero) is at the origin and scales it there, then moves it back.
void ScaleAboutCentre(CPolylineIArray& drawing, double sx, double sy, bool moveBack)
{
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    drawing.GetBoundRect(x0, y0, x1, y1);
    const int cx = static_cast<int>((int64_t{x0} + x1) / 2);
    const int cy = static_cast<int>((int64_t{y0} + y1) / 2);
    drawing.Offset(-cx, -cy);
    drawing.Scale(sx, sy);
    if (moveBack)
        drawing.Offset(cx, cy);
}

int Extent(int minValue, int maxValue)
{
    const int64_t extent = int64_t{maxValue} - minValue + 1;
    if (extent <= 1)
        return 0;
    return static_cast<int>(std::min<int64_t>(extent, INT_MAX));
}

} // namespace

CCombineLayout::CCombineLayout(int plotWidthUnits) { SetPlotWidth(plotWidthUnits); }

void CCombineLayout::SetPlotWidth(int units)
{
    units = std::max(units, 0);
    if (units != m_plotWidth)
        InvalidateProfile();
    m_plotWidth = units;
}

void CCombineLayout::InvalidateProfile()
{
    m_profileValid = false;
    m_profile.clear();
    m_profileLines = 0;
    m_profileRows = 0;
}

void CCombineLayout::BeginCombine()
{
    m_undoCopy = m_layout;
    m_canUndo = true;
}

void CCombineLayout::Clear()
{
    if (HasPolylines()) {
        m_undoCopy = m_layout;
        m_canUndo = true;
    }
    m_layout.Destroy();
    InvalidateProfile();
}

bool CCombineLayout::Undo()
{
    if (!m_canUndo)
        return false;
    m_layout = m_undoCopy;
    m_undoCopy.Destroy();
    m_canUndo = false;
    InvalidateProfile();
    return true;
}

int CCombineLayout::LayoutLength() const
{
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    m_layout.GetBoundRect(x0, y0, x1, y1);
    return Extent(x0, x1);
}

int CCombineLayout::LayoutHeight() const
{
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    m_layout.GetBoundRect(x0, y0, x1, y1);
    return Extent(y0, y1);
}

void CCombineLayout::ExtendLayoutProfile(int firstLine)
{
    const int width = m_plotWidth;
    std::vector<int32_t>& profile = m_profile;
    int& rows = m_profileRows;
    auto apply = [&](int64_t y, int64_t x) {
        if (y < 0 || y >= width)
            return;  // outside the paper: never read by the search
        EnsureRows(profile, y + 1, width);
        int32_t& slot = profile[static_cast<size_t>(y)];
        slot = std::max(slot, ProfileValue(x));
        rows = std::max(rows, static_cast<int>(y) + 1);
    };
    auto value = [&](int y) { return profile[static_cast<size_t>(y)]; };
    auto greater = [](int32_t x, int32_t current) { return x > current; };
    ForEachSegment(m_layout, firstLine, [&](const PointI& a, const PointI& b) {
        const int64_t hi = std::min<int64_t>(std::max(a.y, b.y) - int64_t{1}, width - int64_t{1});
        if (hi >= 0)
            EnsureRows(profile, hi + 1, width);  // the walked rows must exist
        WalkSegment(a, b, 0, width - int64_t{1}, greater, apply, value);
    });
    m_profileLines = m_layout.GetCount();
}

CombinePlacement CCombineLayout::PlacePiece(CPolylineIArray piece, int gapUnits)
{
    CombinePlacement placement;
    const int width = m_plotWidth;
    const int gap = std::clamp(gapUnits, 0, kMaxRows);

    // The piece starts right after the layout's right edge.
    int lx0 = 0, ly0 = 0, lx1 = 0, ly1 = 0;
    const int startX = m_layout.GetBoundRect(lx0, ly0, lx1, ly1)
                           ? static_cast<int>(std::min<int64_t>(int64_t{lx1} + 1, INT_MAX))
                           : 0;

    // Enlarge by the gap on every side.
    double sx = 1.0, sy = 1.0;
    if (gap > 0) {
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        piece.GetBoundRect(x0, y0, x1, y1);
        const double w = static_cast<double>(x1) - x0 + 1.0;
        const double h = static_cast<double>(y1) - y0 + 1.0;
        sx = (w + 2.0 * gap) / w;
        sy = (h + 2.0 * gap) / h;
        ScaleAboutCentre(piece, sx, sy, false);
    }
    piece.AlignZero();
    int px0 = 0, py0 = 0, px1 = 0, py1 = 0;
    piece.GetBoundRect(px0, py0, px1, py1);
    const int height = Extent(py0, py1);
    if (height > width || height > kMaxRows)
        return placement;  // does not fit across the paper
    placement.placed = true;

    piece.Offset(startX, 0);

    if (!m_profileValid) {
        InvalidateProfile();
        m_profileValid = true;
    }
    ExtendLayoutProfile(m_profileLines);

    // The piece profile over rows [0, height).
    int pieceRight = 0;
    {
        int a = 0, b = 0, c = 0;
        piece.GetBoundRect(a, b, pieceRight, c);
    }
    std::vector<int32_t>& pp = m_pieceProfile;
    pp.assign(static_cast<size_t>(height), ProfileValue(pieceRight));
    auto applyPiece = [&](int64_t y, int64_t x) {
        if (y < 0 || y >= height)
            return;
        int32_t& slot = pp[static_cast<size_t>(y)];
        slot = std::min(slot, ProfileValue(x));
    };
    auto valuePiece = [&](int y) { return pp[static_cast<size_t>(y)]; };
    auto less = [](int32_t x, int32_t current) { return x < current; };
    ForEachSegment(piece, 0, [&](const PointI& a, const PointI& b) {
        WalkSegment(a, b, 0, height - int64_t{1}, less, applyPiece, valuePiece);
    });

    // The search over heights. Past the layout's highest row every window
    // reads zeros, so all those heights have the same clearance and only
    // the first of them can win: the search stops there.
    const int free = width - height;
    int64_t best = 0;
    int bestDy = 0;
    if (free > 0 && height > 0) {
        // The last height tried is below m_profileRows + one step.
        EnsureRows(m_profile,
                   std::min<int64_t>(int64_t{m_profileRows} + kHeightStep + height, width), width);
        const int32_t* layoutRows = m_profile.data();
        const int32_t* pieceRows = pp.data();
        constexpr int kBlock = 256;
        bool first = true;
        for (int64_t dy = 0; dy < free; dy += kHeightStep) {
            const int32_t* window = layoutRows + dy;
            int32_t clearance = INT32_MAX;
            bool beaten = false;
            for (int start = 0; start < height; start += kBlock) {
                const int end = std::min(height, start + kBlock);
                int32_t blockMin = INT32_MAX;
                for (int y = start; y < end; ++y)
                    blockMin = std::min(blockMin, pieceRows[y] - window[y]);
                clearance = std::min(clearance, blockMin);
                // A later height must be strictly better; once it cannot
                // be, the rest of its rows do not matter.
                if (!first && clearance <= best) {
                    beaten = true;
                    break;
                }
            }
            if (first || (!beaten && clearance > best)) {
                best = clearance;
                bestDy = static_cast<int>(dy);
                first = false;
            }
            if (dy >= m_profileRows)
                break;
        }
    }
    placement.dx = static_cast<int>(-best);
    placement.dy = bestDy;

    if (gap > 0)
        ScaleAboutCentre(piece, 1.0 / sx, 1.0 / sy, true);
    piece.Offset(placement.dx, placement.dy);
    m_layout.Append(piece);
    return placement;
}

Status CCombineLayout::Save(const std::string& path, const PLOTTERCONFIG& config) const
{
    PLOTTERCONFIG oneToOne = config;
    oneToOne.scaleX = 1.0f;
    oneToOne.scaleY = 1.0f;
    CPlotter plotter(oneToOne, path, HpglCommandSet(), AlternateCommandSet());
    plotter.Begin(nullptr);
    m_layout.Draw(plotter, nullptr);
    plotter.End(nullptr);
    return plotter.Close();
}

int CCombineLayout::PlotWidthUnits(double paperWidthMetres, int resolution)
{
    if (!std::isfinite(paperWidthMetres) || paperWidthMetres <= 0.0 || resolution <= 0)
        return 0;
    const double units = paperWidthMetres * 100.0 / 2.54 * resolution;
    if (units >= static_cast<double>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(units);  // truncated toward zero
}

int CCombineLayout::GapUnits(double gapMillimetres, int resolution)
{
    if (!std::isfinite(gapMillimetres) || gapMillimetres <= 0.0 || resolution <= 0)
        return 0;
    const double units = gapMillimetres / 25.4 * resolution;
    if (units >= kMaxRows)
        return kMaxRows;
    return static_cast<int>(RoundHalfAway(units));
}

int CCombineLayout::SpaceMillimetres(double paperWidthMetres, int layoutHeight, int resolution)
{
    double used = 0.0;
    if (resolution > 0)
        used = static_cast<double>(layoutHeight) / resolution * 25.4;
    const double space = paperWidthMetres * 1000.0 - used;
    if (!std::isfinite(space))
        return 0;
    return static_cast<int>(std::clamp<long long>(RoundHalfAway(space), INT_MIN, INT_MAX));
}

int CCombineLayout::ExtentMillimetres(int minValue, int maxValue, int resolution)
{
    return UnitsToMillimetres(Extent(minValue, maxValue), resolution);
}

std::string StripCombineMarks(const std::string& itemText)
{
    const std::string mark = kCombineMark;
    size_t start = 0;
    while (itemText.compare(start, mark.size(), mark) == 0)
        start += mark.size();
    return itemText.substr(start);
}

std::string CombineMarkedName(const std::string& itemText)
{
    return kCombineMark + StripCombineMarks(itemText);
}
