#include "plotlib/Plotter.h"

#include "plotlib/AtomicFile.h"
#include "plotlib/PlotEncoder.h"
#include "plotlib/Polyline.h"

namespace {

bool IsSet(const std::atomic<bool>* flag) { return flag && flag->load(); }

} // namespace

CPlotter::CPlotter(const PLOTTERCONFIG& config, const std::string& path,
                   const std::string& hpglSet, const std::string& alternateSet)
    : m_config(config), m_path(path), m_file(std::make_unique<CAtomicFileWriter>())
{
    const bool dmpl = m_config.language == PlotLanguage::Dmpl;
    PlotCommandSet set;
    if (!UnpackCommandSet(dmpl ? alternateSet : hpglSet, set)) {
        // Refused rather than guessed: a file written with the wrong
        // commands would overwrite a good plot file with one no device reads.
        m_status = Status::IoError(std::string("cannot write ") + path + ": the " +
                                 (dmpl ? "DMPL" : "HP-GL") + " command set is not valid");
        return;
    }
    CAtomicFileWriter* file = m_file.get();
    m_encoder = std::make_unique<CPlotEncoder>(
        m_config.language, std::move(set), m_config.scaleX, m_config.scaleY,
        m_config.resolution, [file](const char* data, size_t size) {
            file->Write(data, size);
            return true;  // the writer remembers a failure; Commit reports it
        });
}

CPlotter::~CPlotter() = default;

std::string CPlotter::MakeCommand(const std::string& init, const std::string& end,
                                  const std::string& penUp, const std::string& penDown,
                                  const std::string& selectPen)
{
    return PackCommandSet(PlotCommandSet{init, end, penUp, penDown, selectPen});
}

bool CPlotter::Begin(const std::atomic<bool>* abort)
{
    if (!m_status.ok() || m_begun || m_closed)
        return false;
    if (IsSet(abort)) {
        Abort();
        return false;
    }
    m_status = m_file->Open(m_path);
    if (!m_status.ok())
        return false;
    m_begun = true;
    m_encoder->Begin();
    return true;
}

void CPlotter::DrawPolyline(const CPolylineI& line)
{
    if (!m_begun || m_ended || m_aborted || !m_status.ok())
        return;
    m_encoder->WritePolyline(line);
}

bool CPlotter::End(const std::atomic<bool>* abort)
{
    if (IsSet(abort))
        Abort();
    if (!m_begun || m_ended || m_aborted || !m_status.ok())
        return false;
    m_encoder->End();
    m_encoder->Flush();
    m_ended = true;
    return true;
}

void CPlotter::Abort()
{
    if (m_closed)
        return;
    m_aborted = true;
    if (m_status.ok())
        m_status = Status::Cancelled("writing " + m_path + " was cancelled; the file is unchanged");
}

Status CPlotter::Close()
{
    if (m_closed)
        return m_status;
    m_closed = true;
    if (m_status.ok() && !m_begun)
        m_status = Status::IoError("cannot write " + m_path + ": nothing was written");
    if (m_status.ok() && !m_ended) {
        // Close without End: finish the file properly rather than leave a
        // plotter waiting for the rest of the job.
        m_encoder->End();
        m_ended = true;
    }
    if (!m_status.ok()) {
        m_file->Abort();
        return m_status;
    }
    m_encoder->Flush();
    m_status = m_file->Commit();
    return m_status;
}
