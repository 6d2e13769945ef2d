// Small POSIX helpers shared by the transports that write to a file
// descriptor (device nodes, FIFOs, serial ports, sockets): a full write
// that survives EINTR and EAGAIN, waits in 100 ms slices for the
// descriptor to take more bytes (so a cancel flag is seen at once), can
// keep the kernel's output queue short, and gives up after a stall
// timeout; the size of a descriptor's output queue; and a wait until that
// queue is empty.
//
// Writes never raise SIGPIPE: a FIFO whose reader went away or a dropped
// connection is a failed write with its reason, in the window and in the
// command-line tool alike.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>

#include "plotlib/Status.h"

// strerror text with a lower-case first letter, for "cannot ...: reason".
std::string ErrnoText(int error);

// How the bytes still waiting in a descriptor's output queue are counted.
enum class OutputQueue {
    None,    // not known (a printer node, a plain file)
    Tty,     // TIOCOUTQ: a tty or a TCP socket (unacknowledged bytes)
    Pipe,    // FIONREAD: a FIFO (bytes its reader has not read)
};

// The kind of output queue `fd` has.
OutputQueue OutputQueueOf(int fd);
// Bytes in the output queue (0 when there is none or it cannot be read).
size_t QueuedOutput(int fd, OutputQueue queue);

struct FdWriteOptions {
    const std::atomic<bool>* cancel = nullptr;
    int stallMs = 0;       // <= 0: no limit
    std::string what;      // names the device in messages
    OutputQueue queue = OutputQueue::None;
    // More than 0: no byte is written while the output queue holds this
    // many, so what follows a cancel or pause is not stuck behind a long
    // queue (a slow serial line).
    size_t maxQueued = 0;
};

// Writes every byte to a non-blocking `fd`; `written` receives how many
// went out, also on failure. Fails on a write error, on cancel (kind
// Cancelled, "cancelled") and when no byte could be written for the stall
// time.
Status WriteAllToFd(int fd, const char* data, size_t size, const FdWriteOptions& options,
                    size_t& written);

// Waits until the output queue of `fd` is empty (the kernel has sent, or
// for TCP the peer has acknowledged, every byte; a FIFO's reader has read
// everything). The stall timeout counts from the last time the queue
// shrank. Descriptors without a known queue answer at once.
Status WaitOutputQueueEmpty(int fd, OutputQueue queue, const std::atomic<bool>* cancel,
                            int stallMs, const std::string& what);
