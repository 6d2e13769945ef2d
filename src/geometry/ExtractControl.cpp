#include "geometry/ExtractControl.h"

void CExtractControl::RequestCancel()
{
    m_cancel.store(true, std::memory_order_release);
    // A worker waiting on the hold re-checks; it still waits for Release.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_wake.notify_all();
}

void CExtractControl::Hold()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_held.store(true, std::memory_order_release);
}

void CExtractControl::Release()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_held.store(false, std::memory_order_release);
    }
    m_wake.notify_all();
}

bool CExtractControl::Checkpoint()
{
    if (m_held.load(std::memory_order_acquire)) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait(lock, [this] { return !m_held.load(std::memory_order_acquire); });
    }
    return m_cancel.load(std::memory_order_acquire);
}
