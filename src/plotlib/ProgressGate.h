// CProgressGate: progress as the device has taken it. A plot job reports
// progress as it encodes; the bytes then wait in the encoder and in the
// connection's queue before the device has them. The gate holds each
// report until the transport says the device has taken the bytes encoded
// up to it, and holds the job's 100 % until the run has delivered the
// whole job (Release): 100 % means sent.
//
// Used on the plot thread only; the reports it passes on go to the run's
// progress callback on that thread.
#pragma once

#include <cstdint>
#include <deque>

#include "plotlib/PlotOutput.h"

class CProgressGate {
public:
    // `progress` may be null: the gate then only keeps LastJobFraction.
    CProgressGate(PlotProgressFn progress, void* context) : m_progress(progress), m_context(context) {}

    // A report (job, block) made when `position` bytes had been encoded;
    // job -1 is the preview's block report, as PlotProgressFn has it.
    void Report(uint64_t position, double job, double block);
    // The device has taken `taken` bytes.
    void Advance(uint64_t taken);
    // The whole job was delivered: every report held is passed on.
    void Release();
    // The job fraction last passed on.
    double LastJobFraction() const { return m_lastJob; }

private:
    struct Pending {
        uint64_t position;
        double job;
        double block;
    };
    void Emit(const Pending& report);

    PlotProgressFn m_progress;
    void* m_context;
    std::deque<Pending> m_pending;
    uint64_t m_taken = 0;
    bool m_holdingEnd = false;  // the 100 % report came: the rest waits for Release
    double m_lastJob = 0.0;
};
