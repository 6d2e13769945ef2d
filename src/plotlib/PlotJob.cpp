#include "plotlib/PlotJob.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "plotlib/HalfCut.h"
#include "plotlib/PenPathOrder.h"
#include "plotlib/PlotEncoder.h"

namespace {

int64_t CmToUnits(float cm, int resolution)
{
    if (!std::isfinite(cm) || cm <= 0.0f)
        return 0;
    return RoundHalfAway(static_cast<double>(cm) / 2.54 * resolution);
}

bool Cancelled(const PlotControl& c) { return c.cancel && c.cancel->load(); }

}  // namespace

Status CPlotJob::Prepare(const PLOTFILE& job, const PLOTTERCONFIG& config,
                         const PlotSpacing& spacing)
{
    CPolylineIArray drawing;
    Status s = drawing.Load(job.path);
    if (!s)
        return s;  // the reader's message names the file
    return PrepareDrawing(std::move(drawing), job, config, spacing);
}

Status CPlotJob::PrepareDrawing(CPolylineIArray drawing, const PLOTFILE& job,
                                const PLOTTERCONFIG& config, const PlotSpacing& spacing)
{
    m_config = config;
    m_spacing = spacing;
    m_drawing = std::move(drawing);
    if (job.rotate)
        m_drawing.Rotate(90.0);
    if (job.mirror)
        m_drawing.Mirror();
    m_drawing.AlignZero();

    const int width = MetresToUnits(config.paperWidth, config.resolution);
    const int block = MetresToUnits(config.blockLength, config.resolution);
    m_split = std::make_unique<CBlockSplitter>(m_drawing, width, block);
    const int count = m_split->Count();
    if (count > kMaxBlocks)
        return Status::BadInput("cannot plot " + job.path + ": it would take " +
                             std::to_string(count) +
                             " blocks; check the paper width and block length");

    // Half-cut stretches, measured on the drawing before it is split.
    if (config.halfCutPen != config.drawPen && config.halfCutPen != config.cutPen) {
        const double solid = CHalfCut::CmToUnits(spacing.halfSolid, config.resolution);
        const double gap = CHalfCut::CmToUnits(spacing.halfSpace, config.resolution);
        std::vector<CPolylineI> lines;
        lines.reserve(m_drawing.m_lines.size());
        for (CPolylineI& line : m_drawing.m_lines) {
            if (line.GetPenNo() == config.halfCutPen)
                CHalfCut::Dash(line, solid, gap, lines);
            else
                lines.push_back(std::move(line));
        }
        m_drawing.m_lines.swap(lines);
    }

    m_boxes.clear();
    m_boxes.reserve(m_drawing.m_lines.size());
    for (const CPolylineI& line : m_drawing.m_lines) {
        LineBox b{INT64_MAX, INT64_MAX, INT64_MIN, INT64_MIN};
        for (const PointI& p : line.m_points) {
            b.minX = std::min<int64_t>(b.minX, p.x);
            b.minY = std::min<int64_t>(b.minY, p.y);
            b.maxX = std::max<int64_t>(b.maxX, p.x);
            b.maxY = std::max<int64_t>(b.maxY, p.y);
        }
        m_boxes.push_back(b);
    }

    // The blocks to send: the row's range within the drawing's blocks. A
    // drawing without blocks sends none.
    if (count == 0) {
        m_first = 0;
        m_last = -1;
    } else {
        m_first = std::max(0, job.beginBlock);
        m_last = std::min(count - 1, job.stopBlock);
        if (m_first > m_last)
            return Status::BadInput("cannot plot " + job.path + ": blocks " +
                                 std::to_string(job.beginBlock + 1) + " to " +
                                 std::to_string(job.stopBlock + 1) + " are not in its " +
                                 std::to_string(count) + " blocks");
    }

    m_spanStart = 0;
    m_spanLength = 0;
    if (m_first <= m_last) {
        int64_t start = INT64_MAX, end = INT64_MIN;
        for (int i = m_first; i <= m_last; ++i) {
            const BlockRect r = m_split->Block(i);
            start = std::min(start, r.originX);
            end = std::max(end, r.originX + r.lengthX);
        }
        m_spanStart = start;
        m_spanLength = std::max<int64_t>(0, end - start);
    }
    return Status::Ok();
}

int64_t CPlotJob::MarkUnits() const { return CmToUnits(m_spacing.markSpace, m_config.resolution); }

int64_t CPlotJob::FrontUnits() const
{
    return CmToUnits(m_spacing.frontSpace, m_config.resolution);
}

void CPlotJob::BlockLines(int index, PointI& pen, std::vector<CPolylineI>& out) const
{
    out.clear();
    if (!m_split)
        return;
    const BlockRect r = m_split->Block(index);
    for (size_t i = 0; i < m_drawing.m_lines.size(); ++i) {
        const LineBox& b = m_boxes[i];
        if (b.minX > b.maxX || !CBlockSplitter::MayTouch(b.minX, b.minY, b.maxX, b.maxY, r))
            continue;
        CBlockSplitter::Clip(m_drawing.m_lines[i], r, out);
    }
    CPenPathOrder::Order(out, m_config, pen);
}

void CPlotJob::PenLift(CPlotEncoder& encoder, const std::string& penUp)
{
    // The pen-up literal without coordinates lifts the pen where it is.
    encoder.Raw(encoder.Language() == PlotLanguage::Dmpl ? penUp + " " : penUp + ";");
}

void CPlotJob::PaperAdvance(CPlotEncoder& encoder, int64_t distance)
{
    encoder.SetOffset(0, 0);
    encoder.PenUpTo(PointI{static_cast<int32_t>(std::clamp<int64_t>(distance, 0, INT32_MAX)), 0});
    if (encoder.Language() == PlotLanguage::Dmpl) {
        encoder.End();
        encoder.Begin();
    } else {
        encoder.Raw("PG;\n");
    }
}

bool CPlotJob::HoldWhilePaused(CPlotEncoder& encoder, const PlotControl& control)
{
    if (!control.command || control.command->Get() != "PP")
        return true;
    PenLift(encoder, m_penUp);
    if (!encoder.Flush())
        return false;
    while (control.command->Get() == "PP" && !Cancelled(control))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return true;
}

void CPlotJob::Report(const PlotControl& control, int blocksDone, double blockFraction, bool force)
{
    if (!control.progress)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - m_lastReport < std::chrono::milliseconds(50))
        return;
    m_lastReport = now;
    const int blocks = m_last - m_first + 1;
    const double job = blocks > 0 ? std::clamp((blocksDone + blockFraction) / blocks, 0.0, 1.0) : 1.0;
    control.progress(job, blockFraction, control.context);
    control.progress(-1.0, blockFraction, control.context);
}

SendResult CPlotJob::Send(CPlotEncoder& encoder, PlotLayout layout, bool begin, bool end,
                          int64_t offsetX, const PlotControl& control)
{
    m_lastReport = std::chrono::steady_clock::time_point();
    const bool device = layout == PlotLayout::Device;
    if (begin) {
        encoder.Begin();
        if (device && FrontUnits() > 0)
            PaperAdvance(encoder, FrontUnits());
    }
    // On a cancel nothing more is written: what is still in the encoder
    // never went out, and the caller ends the stream (CPlotRun lifts the pen
    // where the device is).
    auto cancelNow = [] { return SendResult::Cancelled; };

    PointI pen{0, 0};
    std::vector<CPolylineI> lines;
    for (int index = m_first; index <= m_last; ++index) {
        const BlockRect r = m_split->Block(index);
        BlockLines(index, pen, lines);
        if (device)
            encoder.SetOffset(-r.originX, -r.originY);
        else
            encoder.SetOffset(offsetX - m_spanStart, 0);
        const int done = index - m_first;
        Report(control, done, 0.0, true);
        for (size_t k = 0; k < lines.size(); ++k) {
            if (Cancelled(control))
                return cancelNow();
            if (!HoldWhilePaused(encoder, control))
                return SendResult::Failed;
            if (Cancelled(control))
                return cancelNow();
            encoder.WritePolyline(lines[k]);
            if (encoder.Failed())
                return SendResult::Failed;
            Report(control, done, static_cast<double>(k + 1) / (lines.size() + 1), false);
        }
        if (device && index < m_last)
            PaperAdvance(encoder, r.lengthX);
        if (encoder.Failed())
            return SendResult::Failed;
        Report(control, done, 1.0, true);
    }
    if (device && end) {
        // Mark space: the pen moves past the last block by the mark space
        // and the end sequence finishes the page there.
        const int64_t last = m_first <= m_last ? m_split->Block(m_last).lengthX : 0;
        encoder.SetOffset(0, 0);
        encoder.PenUpTo(
            PointI{static_cast<int32_t>(std::clamp<int64_t>(last + MarkUnits(), 0, INT32_MAX)), 0});
    }
    if (end)
        encoder.End();
    if (!encoder.Flush())
        return SendResult::Failed;
    return SendResult::Done;
}
