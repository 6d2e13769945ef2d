// FolderWatch: follows the plot folder and all its subfolders on a thread of
// its own and says "look again" whenever a file or folder is created,
// deleted or renamed there, or a writer closes a file it wrote (which is
// when a file held back by FolderScan becomes listable).
//
// Changes that arrive together are reported once. While `isPlotting` says
// a plot job runs, a change is held and reported once the job has ended.
// RecheckAfter asks for one more report after a delay; the file list uses
// it when a scan left out files whose writer check has to wait for quiet.
//
// Built on inotify rather than wxFileSystemWatcher: the latter needs a
// running event loop at creation (the main window is built before the
// loop starts) and does not report close-after-write.
//
// Threads: Start, Stop and the destructor are called by the owner (the GUI
// thread); `onChange` and `isPlotting` run on the watch thread, so the
// owner hands the refresh to its own thread (CallAfter). RecheckAfter is
// called by the owner too, between Start and Stop.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "plotlib/Status.h"

class FolderWatch {
public:
    FolderWatch() = default;
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Watches `folder` (stopping any earlier watch first). Fails, with no
    // watch left running, when the folder cannot be watched (it is missing).
    Status Start(const std::string& folder, std::function<void()> onChange,
                 std::function<bool()> isPlotting);
    // Ends the watch thread and waits for it; a few milliseconds at most.
    void Stop();

    bool IsRunning() const { return m_thread.joinable(); }
    const std::string& Folder() const { return m_folder; }

    // One more change report after `delay` (while the watch runs; owner's thread).
    void RecheckAfter(std::chrono::milliseconds delay);

private:
    void Run();
    void AddTree(const std::string& folder, int depth);

    std::string m_folder;
    std::function<void()> m_onChange;
    std::function<bool()> m_isPlotting;
    std::thread m_thread;
    int m_inotify = -1;
    std::unordered_map<int, std::string> m_folders; // watch descriptor -> folder
    int m_rootWatch = -1;
    int m_wake = -1; // eventfd: stop, or a recheck was requested
    std::atomic<bool> m_stop{false};
    std::mutex m_recheckMutex;
    std::chrono::steady_clock::time_point m_recheckAt{};
    bool m_recheck = false;
};
