#include "view/PlotProgressEvent.h"

#include <chrono>

void CPlotProgressEvent::Signal()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_signalled = true;
    }
    m_cond.notify_one();
}

bool CPlotProgressEvent::Wait(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_cond.wait_for(lock, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs),
                         [this] { return m_signalled; }))
        return false;
    m_signalled = false;
    return true;
}

void CPlotProgressEvent::Reset()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signalled = false;
}

bool CPlotProgressEvent::IsSignalled() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_signalled;
}
