// CPlotter writes a drawing into a plot file in the language of the device
// whose configuration it was given (config.language): HP-GL with the HP-GL
// command set, or DMPL with the alternate set. The bytes come from
// CPlotEncoder (PlotEncoder.h), the same encoder that feeds real plotters;
// coordinates are scaled by config.scaleX / scaleY.
//
// The file is written to a temporary file and renamed over the target in
// Close, so a crash never leaves half a plot file. A write that was aborted
// (the abort flag of Begin, End or Draw, or Abort()) or that failed is never
// committed: Close then leaves the old file as it was and says why.
//
// Typical use (writing an edited drawing back 1:1):
//     PLOTTERCONFIG cfg = *GetPlotter(); cfg.scaleX = cfg.scaleY = 1.0f;
//     CPlotter plotter(cfg, path, hpglSet, altSet);
//     plotter.Begin(nullptr); drawing.Draw(plotter, nullptr);
//     plotter.End(nullptr); Status s = plotter.Close();
//
// One thread uses a CPlotter at a time.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "plotlib/PlotterConfig.h"
#include "plotlib/Status.h"

class CPolylineI;
class CPlotEncoder;
class CAtomicFileWriter;

class CPlotter {
public:
    CPlotter(const PLOTTERCONFIG& config, const std::string& path,
             const std::string& hpglSet, const std::string& alternateSet);
    ~CPlotter();
    CPlotter(const CPlotter&) = delete;
    CPlotter& operator=(const CPlotter&) = delete;

    // Packs the five command literals of a device language into one set
    // (PackCommandSet; UnpackCommandSet reads it back).
    static std::string MakeCommand(const std::string& init, const std::string& end,
                                   const std::string& penUp, const std::string& penDown,
                                   const std::string& selectPen);

    // Opens the temporary file and writes the init sequence. False when the
    // file cannot be created, the command set is unusable or `abort` is set.
    bool Begin(const std::atomic<bool>* abort);
    // One polyline: a pen select when the pen changes, a pen-up move to its
    // first point and one pen-down list through the rest. Ignored unless
    // Begin succeeded.
    void DrawPolyline(const CPolylineI& line);
    // Writes the end sequence. False when anything failed or `abort` is set.
    bool End(const std::atomic<bool>* abort);
    // Marks the write as cancelled: Close will discard it.
    void Abort();
    bool IsAborted() const { return m_aborted; }
    // Commits the file; the status says why it could not be written. A
    // second call answers the first call's result.
    Status Close();

    const PLOTTERCONFIG& Config() const { return m_config; }

private:
    PLOTTERCONFIG m_config;
    std::string m_path;
    std::unique_ptr<CPlotEncoder> m_encoder;
    std::unique_ptr<CAtomicFileWriter> m_file;
    Status m_status;
    bool m_begun = false;
    bool m_ended = false;
    bool m_aborted = false;
    bool m_closed = false;
};
