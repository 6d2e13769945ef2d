// CPlotJob: one plot file made ready for output and streamed into an
// encoder, block by block. It is the part of plotting that does not care
// where the bytes go; CPlotRun (a device) and PlotterToFile (one file) feed
// its bytes on.
//
// Preparing a job: the file is loaded, rotated by 90 degrees and mirrored
// as the plot list row says, aligned to the origin (AlignZero), and its
// half-cut polylines are dashed (CHalfCut, in drawing units before the
// split, so the dash pattern runs on across block boundaries). Blocks are
// counted on this drawing as CalcuBlocks counts them, which is what the plot
// list and the preview show. The device's scale factors are applied by the
// encoder to the output coordinates, so a calibrated device still gets the
// block layout the operator saw.
//
// Sending (layout Device): the init sequence; front space as a paper
// advance; then for each block from beginBlock to stopBlock its polylines,
// clipped to the block (CBlockSplitter), shifted so the block's origin is
// (0, 0), in pen order and nearest-neighbour order (CPenPathOrder); after
// each block but the last a paper advance by the block's length; after the
// last block a pen-up move past it by the mark space and the end sequence
// (the standard end sequence ends the page).
//
//   Paper advance by D units: HP-GL - a pen-up move to (D, 0) and "PG;"
//   (advance the page; on roll media the next frame starts there). DMPL has
//   no frame advance: the pen-up move to (D, 0), the set's end sequence and
//   a new init, so each block is a program of its own on the roll.
//
// Sending (layout File): the same blocks in the same order, but in the
// drawing's own coordinates moved along X by an offset, without advances,
// so several jobs can follow one another in one file (PlotterToFile) and
// the file shows the drawing as it is.
//
// Between polylines Send polls the cancel flag (cancel: result Cancelled,
// with nothing more written; the caller ends the stream, since only it
// knows where the device is) and the pause command ("PP": the pen is
// lifted, the encoder flushed, and the run holds until "PS" or cancel). It
// reports progress: (job fraction, block fraction) and (-1, block
// fraction); each block reports 1.0 exactly once, when it is done.
//
// One thread uses a job at a time.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <cstdint>
#include <string>
#include <vector>

#include "plotlib/BlockSplitter.h"
#include "plotlib/PlotOutput.h"
#include "plotlib/PlotterConfig.h"
#include "plotlib/Polyline.h"
#include "plotlib/Status.h"

class CPlotEncoder;

// Spaces and half-cut lengths in centimetres, as the program's settings
// hold them.
struct PlotSpacing {
    float markSpace = 5.0f;
    float frontSpace = 0.0f;
    float halfSolid = 2.0f;
    float halfSpace = 0.1f;
};

enum class PlotLayout { Device, File };

enum class SendResult { Done, Cancelled, Failed };

// What a running job watches and reports to; every member may be null.
struct PlotControl {
    std::atomic<bool>* cancel = nullptr;
    CPlotCommand* command = nullptr;
    PlotProgressFn progress = nullptr;
    void* context = nullptr;
};

class CPlotJob {
public:
    // More blocks than this make a job fail instead of plotting a swarm of
    // empty blocks (a block length typed in the wrong unit).
    static constexpr int kMaxBlocks = 100000;

    // Loads `job.path` and prepares it. The status names the file.
    Status Prepare(const PLOTFILE& job, const PLOTTERCONFIG& config, const PlotSpacing& spacing);
    // Prepares an already loaded drawing (rotate and mirror still applied).
    Status PrepareDrawing(CPolylineIArray drawing, const PLOTFILE& job,
                          const PLOTTERCONFIG& config, const PlotSpacing& spacing);

    int BlockCount() const { return m_split ? m_split->Count() : 0; }
    int FirstBlock() const { return m_first; }
    int LastBlock() const { return m_last; }
    const CPolylineIArray& Drawing() const { return m_drawing; }
    const CBlockSplitter* Splitter() const { return m_split.get(); }
    // X range, in drawing units, that the plotted blocks cover.
    int64_t SpanStart() const { return m_spanStart; }
    int64_t SpanLength() const { return m_spanLength; }

    // The polylines of block `index` in plotting order, in drawing
    // coordinates, starting from the pen position `pen` (updated).
    void BlockLines(int index, PointI& pen, std::vector<CPolylineI>& out) const;

    // Streams the job into `encoder` (which has not begun yet when
    // `begin` is true). In the File layout the drawing is moved by
    // `offsetX`. Failed means the encoder's sink failed (its owner knows why).
    SendResult Send(CPlotEncoder& encoder, PlotLayout layout, bool begin, bool end,
                    int64_t offsetX, const PlotControl& control);

    // Mark and front space in plotter units of the prepared configuration.
    int64_t MarkUnits() const;
    int64_t FrontUnits() const;

    // The pen-up literal of the command set the encoder uses ("PU" unless
    // set otherwise), for pen lifts on pause and cancel.
    void SetPenUpCommand(const std::string& penUp) { m_penUp = penUp; }
    // Sends a pen lift without a move.
    static void PenLift(CPlotEncoder& encoder, const std::string& penUp);
    // Sends a paper advance by `distance` units (block-local coordinates).
    static void PaperAdvance(CPlotEncoder& encoder, int64_t distance);

private:
    struct LineBox {
        int64_t minX, minY, maxX, maxY;
    };
    bool HoldWhilePaused(CPlotEncoder& encoder, const PlotControl& control);
    void Report(const PlotControl& control, int blocksDone, double blockFraction, bool force);

    CPolylineIArray m_drawing;
    std::vector<LineBox> m_boxes;
    std::unique_ptr<CBlockSplitter> m_split;
    PLOTTERCONFIG m_config;
    PlotSpacing m_spacing;
    std::string m_penUp = "PU";
    int m_first = 0;
    int m_last = -1;
    int64_t m_spanStart = 0;
    int64_t m_spanLength = 0;
    std::chrono::steady_clock::time_point m_lastReport;
};
