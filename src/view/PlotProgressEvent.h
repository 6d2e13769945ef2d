// CPlotProgressEvent: the auto-reset event "PlotProgress". The GUI thread
// signals it once it has shown a plot job's file; the plot thread waits on it
// in short slices so it can notice a cancel in between.
//
// Signal() and Wait() may be called from any thread. A signal that nobody
// waits for stays set until the next Wait() takes it; Wait() takes (resets)
// the signal it returns true for.
#pragma once

#include <condition_variable>
#include <mutex>

class CPlotProgressEvent {
public:
    void Signal();
    // Waits up to `timeoutMs` for the signal; true when it came (and clears it).
    bool Wait(int timeoutMs);
    // Drops a signal nobody took (before a new request).
    void Reset();
    bool IsSignalled() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cond;
    bool m_signalled = false;
};
