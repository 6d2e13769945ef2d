// CPlotter writes a drawing into a plot file in the language of the device
// whose configuration it was given: HP-GL, or DMPL for the alternate set.
// The file is written to a temporary file and renamed over the target in
// Close, so a crash never leaves half a plot file.
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

    // Packs the five command literals of a device language into one set.
    static std::string MakeCommand(const std::string& init, const std::string& end,
                                   const std::string& penUp, const std::string& penDown,
                                   const std::string& selectPen);

    bool Begin(const std::atomic<bool>* abort);
    // One polyline: a pen select when the pen changes, a pen-up move to its
    // first point and one pen-down list through the rest.
    void DrawPolyline(const CPolylineI& line);
    bool End(const std::atomic<bool>* abort);
    // Commits the file; the status says why it could not be written.
    Status Close();

    const PLOTTERCONFIG& Config() const { return m_config; }

private:
    PLOTTERCONFIG m_config;
    std::string m_path;
    std::unique_ptr<CPlotEncoder> m_encoder;
    std::unique_ptr<CAtomicFileWriter> m_file;
    Status m_status;
};
