#include "plotlib/HalfCut.h"

#include <cmath>

#include "plotlib/PlotterConfig.h"

namespace {

PointI PointAlong(const PointI& a, const PointI& b, double t)
{
    const double x = a.x + (static_cast<double>(b.x) - a.x) * t;
    const double y = a.y + (static_cast<double>(b.y) - a.y) * t;
    return PointI{static_cast<int32_t>(RoundHalfAway(x)), static_cast<int32_t>(RoundHalfAway(y))};
}

void AddIfNew(CPolylineI& line, const PointI& p)
{
    if (line.m_points.empty() || line.m_points.back() != p)
        line.m_points.push_back(p);
}

}  // namespace

void CHalfCut::Dash(const CPolylineI& line, double solid, double gap, std::vector<CPolylineI>& out)
{
    const std::vector<PointI>& pts = line.m_points;
    double total = 0.0;
    for (size_t i = 1; i < pts.size(); ++i)
        total += std::hypot(static_cast<double>(pts[i].x) - pts[i - 1].x,
                            static_cast<double>(pts[i].y) - pts[i - 1].y);
    if (!(solid > 0.0) || !(gap > 0.0) || !std::isfinite(solid) || !std::isfinite(gap) ||
        pts.size() < 2 || total <= 0.0 || total <= solid) {
        out.push_back(line);
        return;
    }

    bool cutting = true;        // in a cut stretch, else in a gap
    double remaining = solid;   // length left in the current stretch or gap
    CPolylineI piece(line.GetPenNo());
    piece.m_points.push_back(pts[0]);
    for (size_t i = 1; i < pts.size(); ++i) {
        const PointI& a = pts[i - 1];
        const PointI& b = pts[i];
        const double len = std::hypot(static_cast<double>(b.x) - a.x,
                                      static_cast<double>(b.y) - a.y);
        double pos = 0.0;  // how far along a-b we are
        while (len - pos > remaining) {
            pos += remaining;
            const PointI p = PointAlong(a, b, pos / len);
            if (cutting) {
                AddIfNew(piece, p);
                if (piece.m_points.size() >= 2)
                    out.push_back(piece);
                piece.m_points.clear();
                remaining = gap;
            } else {
                piece.m_points.push_back(p);
                remaining = solid;
            }
            cutting = !cutting;
        }
        remaining -= len - pos;
        if (cutting)
            AddIfNew(piece, b);
    }
    if (cutting && piece.m_points.size() >= 2)
        out.push_back(piece);
}
