#include "mainframe/FolderWatch.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kFolderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                   IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

// Changes usually come in bursts (a copy creates, writes and closes; a
// program writes several files). Report once the burst has been quiet this
// long, but never later than kLongestHold after its first event.
constexpr std::chrono::milliseconds kQuiet(40);
constexpr std::chrono::milliseconds kLongestHold(250);
// How often a held change looks whether the plot job has ended.
constexpr std::chrono::milliseconds kPlotPoll(100);

} // namespace

FolderWatch::~FolderWatch()
{
    Stop();
}

Status FolderWatch::Start(const std::string& folder, std::function<void()> onChange,
                          std::function<bool()> isPlotting)
{
    Stop();
    const std::string root = folder.empty() ? std::string(".") : folder;
    std::error_code ec;
    if (!fs::is_directory(root, ec))
        return Status::NotFound("cannot watch " + root + ": no such folder");
    m_inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify < 0)
        return Status::IoError("cannot watch " + root + ": " + std::strerror(errno));
    m_wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    m_rootWatch = inotify_add_watch(m_inotify, root.c_str(), kFolderEvents);
    if (m_wake < 0 || m_rootWatch < 0) {
        const std::string why = std::strerror(errno);
        Stop();
        return Status::IoError("cannot watch " + root + ": " + why);
    }
    m_folders[m_rootWatch] = root;
    AddTree(root, 0);
    m_folder = folder;
    m_onChange = std::move(onChange);
    m_isPlotting = std::move(isPlotting);
    m_stop = false;
    m_recheck = false;
    m_thread = std::thread(&FolderWatch::Run, this);
    return Status::Ok();
}

void FolderWatch::Stop()
{
    m_stop = true;
    if (m_wake >= 0) {
        const uint64_t one = 1;
        if (write(m_wake, &one, sizeof one) < 0) {
            // The counter cannot overflow with one write; the thread also
            // polls m_stop after every wake-up.
        }
    }
    if (m_thread.joinable())
        m_thread.join();
    if (m_inotify >= 0)
        close(m_inotify);
    if (m_wake >= 0)
        close(m_wake);
    m_inotify = -1;
    m_wake = -1;
    m_rootWatch = -1;
    m_folders.clear();
}

void FolderWatch::RecheckAfter(std::chrono::milliseconds delay)
{
    {
        std::lock_guard<std::mutex> lock(m_recheckMutex);
        const auto at = std::chrono::steady_clock::now() + delay;
        if (!m_recheck || at < m_recheckAt)
            m_recheckAt = at;
        m_recheck = true;
    }
    if (m_wake >= 0) {
        const uint64_t one = 1;
        if (write(m_wake, &one, sizeof one) < 0) {
            // A full counter already means "wake up".
        }
    }
}

void FolderWatch::AddTree(const std::string& folder, int depth)
{
    // Deeper than this is a loop through bind mounts, not a plot folder.
    if (depth > 64)
        return;
    std::error_code ec;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (it->is_symlink(typeError) || !it->is_directory(typeError))
            continue;
        const std::string sub = it->path().string();
        const int wd = inotify_add_watch(m_inotify, sub.c_str(), kFolderEvents | IN_DONT_FOLLOW);
        if (wd >= 0) {
            m_folders[wd] = sub;
            AddTree(sub, depth + 1);
        }
    }
}

void FolderWatch::Run()
{
    using Clock = std::chrono::steady_clock;
    bool pending = false;
    bool rootGone = false;
    Clock::time_point firstEvent{};
    alignas(inotify_event) char buffer[16384];

    while (!m_stop) {
        // How long to wait: for the end of a burst, or for a requested recheck.
        int timeoutMs = -1;
        const Clock::time_point now = Clock::now();
        if (pending) {
            const auto left = std::min(kQuiet, std::chrono::duration_cast<std::chrono::milliseconds>(
                                                   firstEvent + kLongestHold - now));
            timeoutMs = static_cast<int>(std::max<long long>(0, left.count()));
        }
        {
            std::lock_guard<std::mutex> lock(m_recheckMutex);
            if (m_recheck) {
                const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(m_recheckAt - now).count();
                const int ms = static_cast<int>(std::max<long long>(0, left));
                timeoutMs = timeoutMs < 0 ? ms : std::min(timeoutMs, ms);
            }
        }

        pollfd fds[2] = {{m_inotify, POLLIN, 0}, {m_wake, POLLIN, 0}};
        const int ready = poll(fds, 2, timeoutMs);
        if (m_stop)
            break;
        if (ready < 0 && errno != EINTR)
            break;
        if (ready > 0 && (fds[1].revents & POLLIN)) {
            uint64_t count = 0;
            if (read(m_wake, &count, sizeof count) < 0) {
                // Already drained; nothing to do.
            }
        }
        bool sawEvent = false;
        if (ready > 0 && (fds[0].revents & POLLIN)) {
            const ssize_t n = read(m_inotify, buffer, sizeof buffer);
            for (ssize_t offset = 0; n > 0 && offset < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
                offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                sawEvent = true;
                if (event->mask & IN_IGNORED) {
                    if (event->wd == m_rootWatch)
                        rootGone = true;
                    m_folders.erase(event->wd);
                    continue;
                }
                if ((event->mask & IN_ISDIR) && (event->mask & (IN_CREATE | IN_MOVED_TO)) &&
                    event->len > 0) {
                    // A new subfolder: watch it and whatever it already holds.
                    const auto parent = m_folders.find(event->wd);
                    if (parent != m_folders.end()) {
                        const std::string sub = parent->second + "/" + event->name;
                        const int wd =
                            inotify_add_watch(m_inotify, sub.c_str(), kFolderEvents | IN_DONT_FOLLOW);
                        if (wd >= 0) {
                            m_folders[wd] = sub;
                            AddTree(sub, 1);
                        }
                    }
                }
            }
        }
        if (sawEvent && !pending) {
            pending = true;
            firstEvent = Clock::now();
        }
        {
            std::lock_guard<std::mutex> lock(m_recheckMutex);
            if (m_recheck && Clock::now() >= m_recheckAt) {
                m_recheck = false;
                if (!pending) {
                    pending = true;
                    firstEvent = Clock::now() - kLongestHold; // due now
                }
            }
        }
        const Clock::time_point after = Clock::now();
        const bool burstOver = !sawEvent || after - firstEvent >= kLongestHold;
        if (pending && (burstOver || rootGone)) {
            // Hold the change while a plot job runs; the refresh would be
            // refused anyway and the job owns the folder meanwhile.
            while (!m_stop && m_isPlotting && m_isPlotting())
                std::this_thread::sleep_for(kPlotPoll);
            if (m_stop)
                break;
            pending = false;
            if (m_onChange)
                m_onChange();
        }
        if (rootGone)
            break; // the folder itself is gone: nothing left to watch
    }
}
