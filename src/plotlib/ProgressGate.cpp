#include "plotlib/ProgressGate.h"

void CProgressGate::Report(uint64_t position, double job, double block)
{
    m_pending.push_back(Pending{position, job, block});
    Advance(m_taken);
}

void CProgressGate::Advance(uint64_t taken)
{
    if (taken > m_taken)
        m_taken = taken;
    while (!m_pending.empty() && !m_holdingEnd && m_pending.front().position <= m_taken) {
        if (m_pending.front().job >= 1.0) {
            m_holdingEnd = true;  // only a delivered job is at 100 %
            break;
        }
        Emit(m_pending.front());
        m_pending.pop_front();
    }
}

void CProgressGate::Release()
{
    while (!m_pending.empty()) {
        Emit(m_pending.front());
        m_pending.pop_front();
    }
    m_holdingEnd = false;
}

void CProgressGate::Emit(const Pending& report)
{
    if (report.job >= 0.0)
        m_lastJob = report.job;
    if (m_progress)
        m_progress(report.job, report.block, m_context);
}
