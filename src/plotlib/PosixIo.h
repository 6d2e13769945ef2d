// Small POSIX helpers shared by the transports that write to a file
// descriptor (device nodes, serial ports, sockets): a full write that
// survives EINTR and EAGAIN, waits in 100 ms slices for the descriptor to
// take more bytes (so a cancel flag is seen at once) and gives up after a
// stall timeout; and a wait until a tty's or socket's output queue is empty.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>

#include "plotlib/Status.h"

// strerror text with a lower-case first letter, for "cannot ...: reason".
std::string ErrnoText(int error);

// Writes every byte to a non-blocking `fd`. `what` names the device in
// messages. Fails on a write error, on cancel ("cancelled") and when no
// byte could be written for `stallMs` (<= 0: no limit).
Status WriteAllToFd(int fd, const char* data, size_t size, const std::atomic<bool>* cancel,
                    int stallMs, const std::string& what);

// Waits until the output queue of a tty or TCP socket is empty (the kernel
// has sent, or for TCP the peer has acknowledged, every byte). The stall
// timeout counts from the last time the queue shrank. Descriptors that
// have no output queue answer at once.
Status WaitOutputQueueEmpty(int fd, const std::atomic<bool>* cancel, int stallMs,
                            const std::string& what);
