// CCellIndex: a uniform grid of square cells over the plane, each cell
// holding the ids of the points or rectangles that fall into it. Outline
// extraction uses it to find the few polylines whose end meets a chain's
// end, the polylines starting inside an outline, and the outlines that may
// contain another one, instead of scanning the whole drawing each time.
//
// Answers are candidate lists: they hold every id that can qualify (plus
// some that do not) in no particular order, possibly repeated. Callers
// apply the exact test.
//
// A plain value; one thread at a time.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

class CCellIndex {
public:
    // A cell size below 1 is taken as 1.
    explicit CCellIndex(double cellSize);

    void InsertPoint(double x, double y, int id);
    // Enters the id in every cell the rectangle touches. A rectangle that
    // would cover more than kMaxCellsPerRect cells is kept in a side list
    // that every query returns, so one huge outline cannot blow up memory.
    void InsertRect(double minX, double minY, double maxX, double maxY, int id);

    // Appends the ids of every cell the rectangle touches, and the side list.
    void Query(double minX, double minY, double maxX, double maxY, std::vector<int>& out) const;

    static constexpr long long kMaxCellsPerRect = 4096;

private:
    int32_t CellOf(double v) const;
    static uint64_t Key(int32_t cx, int32_t cy);

    double m_cellSize;
    std::unordered_map<uint64_t, std::vector<int>> m_cells;
    std::vector<int> m_everywhere;
};
