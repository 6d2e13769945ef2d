// CExtractControl: the flags an outline extraction shares between the GUI
// thread and its worker. The GUI thread asks to cancel, and holds the worker
// still while it asks the operator whether to cancel; the worker looks at
// both between items of work (Checkpoint).
//
// One control per extraction run. Every member is safe to call from any
// thread; Checkpoint is meant for the worker only, since it may block.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

class CExtractControl {
public:
    // GUI thread: the operator confirmed the cancel question.
    void RequestCancel();
    bool IsCancelRequested() const { return m_cancel.load(std::memory_order_acquire); }

    // GUI thread: keeps the worker at its next checkpoint until Release.
    void Hold();
    void Release();
    bool IsHeld() const { return m_held.load(std::memory_order_acquire); }

    // Worker: waits while held, then answers whether cancel was requested.
    // The wait holds no lock that the GUI thread needs in the meantime.
    bool Checkpoint();

private:
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_held{false};
    std::mutex m_mutex;
    std::condition_variable m_wake;
};
