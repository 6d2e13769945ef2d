#include "mainframe/PlotQueue.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#include "plotlib/Polyline.h"

PlotQueue::PlotQueue(std::string yes, std::string no) : m_yes(std::move(yes)), m_no(std::move(no))
{
}

int PlotQueue::ParseNumber(const std::string& text)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(begin, &end, 10);
    if (end == begin || errno == ERANGE || value > INT_MAX || value < INT_MIN)
        return 0;
    return static_cast<int>(value);
}

std::string PlotQueue::FormatExtent(int width, int height, int resolution)
{
    return std::to_string(UnitsToMillimetres(width, resolution)) + " x " +
           std::to_string(UnitsToMillimetres(height, resolution));
}

void PlotQueue::BlockGeometry(const PLOTTERCONFIG& config, int& widthUnits, int& blockUnits)
{
    widthUnits = MetresToUnits(config.paperWidth, config.resolution);
    blockUnits = MetresToUnits(config.blockLength, config.resolution);
}

BlockRange PlotQueue::ClampBlocks(int total, int begin, int stop)
{
    BlockRange range;
    range.total = total;
    range.begin = std::max(std::min(begin, total), 1);
    range.stop = std::max(std::max(std::min(stop, total), 1), range.begin);
    return range;
}

bool PlotQueue::BlockRangeValid(const BlockRange& range)
{
    return range.begin >= 1 && range.begin <= range.stop && range.stop <= range.total;
}

bool PlotQueue::SameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]);
        unsigned char cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'A' && ca <= 'Z')
            ca = static_cast<unsigned char>(ca - 'A' + 'a');
        if (cb >= 'A' && cb <= 'Z')
            cb = static_cast<unsigned char>(cb - 'A' + 'a');
        if (ca != cb)
            return false;
    }
    return true;
}

std::string PlotQueue::FullPath(const std::string& folder, const std::string& name)
{
    std::filesystem::path path = std::filesystem::path(folder) / name;
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return (error ? path : absolute).lexically_normal().string();
}

PlotMeasure PlotQueue::Measure(const std::string& path, bool rotate, bool mirror,
                               const PLOTTERCONFIG& config, CPolylineIArray& drawing)
{
    PlotMeasure measure;
    measure.load = drawing.Load(path);
    measure.placement = CDrawingPlacement::Apply(drawing, rotate, mirror);
    int widthUnits = 0;
    int blockUnits = 0;
    BlockGeometry(config, widthUnits, blockUnits);
    int bands = 0;
    int perBand = 0;
    measure.blocks =
        drawing.CalcuBlocks(widthUnits, blockUnits, bands, perBand, measure.width, measure.height);
    return measure;
}

void PlotQueue::FillRow(PlotRowTexts& row, int blocks, bool rotate, bool mirror,
                        const std::string& extent, int copies) const
{
    row[ColTotal] = std::to_string(blocks);
    row[ColBegin] = blocks != 0 ? "1" : "0";
    row[ColStop] = std::to_string(blocks);
    row[ColRotate] = FlagText(rotate);
    row[ColMirror] = FlagText(mirror);
    row[ColExtent] = extent;
    row[ColCopies] = std::to_string(copies);
}

PLOTFILE PlotQueue::RowToPlotFile(const PlotRowTexts& row, const std::string& folder) const
{
    PLOTFILE job;
    job.path = FullPath(folder, row[ColName]);
    job.beginBlock = ParseNumber(row[ColBegin]) - 1;
    job.stopBlock = ParseNumber(row[ColStop]) - 1;
    job.rotate = ReadFlag(row[ColRotate]);
    job.mirror = ReadFlag(row[ColMirror]);
    job.copies = ParseNumber(row[ColCopies]);
    return job;
}

int PlotQueue::FindRow(const std::string& name) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (SameName(m_rows[i][ColName], name))
            return static_cast<int>(i);
    return -1;
}

int PlotQueue::AddFile(const std::string& name, const std::string& folder, bool load,
                       const PLOTTERCONFIG& config, CPolylineIArray& drawing, Status* loadStatus)
{
    int index = FindRow(name);
    bool rotate = false;
    bool mirror = false;
    int copies = 1;
    if (index >= 0) {
        const PlotRowTexts& row = Row(index);
        rotate = ReadFlag(row[ColRotate]);
        mirror = ReadFlag(row[ColMirror]);
        copies = ParseNumber(row[ColCopies]);
    } else {
        PlotRowTexts row;
        row[ColName] = name;
        m_rows.push_back(row);
        index = GetCount() - 1;
    }

    int blocks = kUnloadedBlocks;
    int width = 0;
    int height = 0;
    drawing.Destroy();
    if (load) {
        const PlotMeasure measure =
            Measure(FullPath(folder, name), rotate, mirror, config, drawing);
        blocks = measure.blocks;
        width = measure.width;
        height = measure.height;
        if (loadStatus)
            *loadStatus = measure.load;
    } else if (loadStatus) {
        *loadStatus = Status::Ok();
    }
    FillRow(Row(index), blocks, rotate, mirror, FormatExtent(width, height, config.resolution),
            copies);
    return index;
}

bool PlotQueue::MovePlotRow(int from, int to)
{
    if (from < 0 || to < 0 || from >= GetCount() || to >= GetCount())
        return false;
    const PlotRowTexts saved = Row(from);
    const int step = to > from ? 1 : -1;
    for (int row = from; row != to; row += step)
        Row(row) = Row(row + step);
    Row(to) = saved;
    return true;
}

bool PlotQueue::RemovePlotRow(int row)
{
    if (row < 0 || row >= GetCount())
        return false;
    m_rows.erase(m_rows.begin() + row);
    return true;
}

void PlotQueue::BuildPlotList(const std::string& folder, PlotList& list) const
{
    list.clear();
    list.reserve(m_rows.size());
    for (const PlotRowTexts& row : m_rows)
        list.push_back(RowToPlotFile(row, folder));
}

bool PlotQueue::TakeNextJob(const std::string& folder, PLOTFILE& job, bool removeRow)
{
    if (m_rows.empty())
        return false;
    job = RowToPlotFile(m_rows.front(), folder);
    if (removeRow)
        RemovePlotRow(0);
    return true;
}
