#include "geometry/CellIndex.h"

#include <algorithm>
#include <cmath>
#include <limits>

CCellIndex::CCellIndex(double cellSize) : m_cellSize(cellSize >= 1.0 ? cellSize : 1.0) {}

int32_t CCellIndex::CellOf(double v) const
{
    // Drawings hold 32-bit coordinates, so cells of at least one unit always
    // fit; the clamp only guards against NaN and infinities from callers.
    const double c = std::floor(v / m_cellSize);
    if (!(c > std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    if (!(c < std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(c);
}

uint64_t CCellIndex::Key(int32_t cx, int32_t cy)
{
    return (static_cast<uint64_t>(static_cast<uint32_t>(cx)) << 32) |
           static_cast<uint64_t>(static_cast<uint32_t>(cy));
}

void CCellIndex::InsertPoint(double x, double y, int id)
{
    m_cells[Key(CellOf(x), CellOf(y))].push_back(id);
}

void CCellIndex::InsertRect(double minX, double minY, double maxX, double maxY, int id)
{
    const int64_t x0 = CellOf(std::min(minX, maxX));
    const int64_t x1 = CellOf(std::max(minX, maxX));
    const int64_t y0 = CellOf(std::min(minY, maxY));
    const int64_t y1 = CellOf(std::max(minY, maxY));
    if ((x1 - x0 + 1) * (y1 - y0 + 1) > kMaxCellsPerRect) {
        m_everywhere.push_back(id);
        return;
    }
    for (int64_t cx = x0; cx <= x1; ++cx)
        for (int64_t cy = y0; cy <= y1; ++cy)
            m_cells[Key(static_cast<int32_t>(cx), static_cast<int32_t>(cy))].push_back(id);
}

void CCellIndex::Query(double minX, double minY, double maxX, double maxY,
                       std::vector<int>& out) const
{
    out.insert(out.end(), m_everywhere.begin(), m_everywhere.end());
    if (m_cells.empty())
        return;
    const int64_t x0 = CellOf(std::min(minX, maxX));
    const int64_t x1 = CellOf(std::max(minX, maxX));
    const int64_t y0 = CellOf(std::min(minY, maxY));
    const int64_t y1 = CellOf(std::max(minY, maxY));
    const int64_t span = (x1 - x0 + 1) * (y1 - y0 + 1);
    if (span > static_cast<int64_t>(m_cells.size())) {
        // A query wider than the occupied cells: walking the occupied ones
        // is cheaper than walking the empty part of the rectangle.
        for (const auto& cell : m_cells) {
            const int64_t cx = static_cast<int32_t>(cell.first >> 32);
            const int64_t cy = static_cast<int32_t>(cell.first & 0xffffffffu);
            if (cx >= x0 && cx <= x1 && cy >= y0 && cy <= y1)
                out.insert(out.end(), cell.second.begin(), cell.second.end());
        }
        return;
    }
    for (int64_t cx = x0; cx <= x1; ++cx) {
        for (int64_t cy = y0; cy <= y1; ++cy) {
            const auto it = m_cells.find(Key(static_cast<int32_t>(cx), static_cast<int32_t>(cy)));
            if (it != m_cells.end())
                out.insert(out.end(), it->second.begin(), it->second.end());
        }
    }
}
