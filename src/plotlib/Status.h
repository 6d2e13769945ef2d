// Status: the result of a core operation that can fail, carrying a message a
// user can read ("cannot open /dev/ttyUSB0: permission denied") and the kind
// of failure, so that callers decide on the kind and only show the message.
// Core code returns it instead of throwing; the GUI shows the message.
#pragma once

#include <cerrno>
#include <string>
#include <utility>

enum class StatusKind {
    Ok,
    Cancelled,    // the operator (or a closing window) asked to stop
    NotFound,     // a file, folder, device node or queue that is not there
    IoError,      // reading or writing a file or folder failed
    DeviceError,  // the output device refused, dropped or stalled the job
    BadInput,     // the input or a setting cannot be used as it is
};

class [[nodiscard]] Status {
public:
    Status() = default;
    static Status Ok() { return Status(); }
    static Status Error(StatusKind kind, std::string message)
    {
        return Status(kind == StatusKind::Ok ? StatusKind::IoError : kind, std::move(message));
    }
    static Status Cancelled(std::string message) { return Error(StatusKind::Cancelled, std::move(message)); }
    static Status NotFound(std::string message) { return Error(StatusKind::NotFound, std::move(message)); }
    static Status IoError(std::string message) { return Error(StatusKind::IoError, std::move(message)); }
    static Status DeviceError(std::string message) { return Error(StatusKind::DeviceError, std::move(message)); }
    static Status BadInput(std::string message) { return Error(StatusKind::BadInput, std::move(message)); }
    // A failed system call: a missing file is NotFound, anything else the
    // given kind.
    static Status FromErrno(int err, StatusKind kind, std::string message)
    {
        return Error(err == ENOENT || err == ENOTDIR ? StatusKind::NotFound : kind, std::move(message));
    }

    bool ok() const { return m_kind == StatusKind::Ok; }
    explicit operator bool() const { return ok(); }
    StatusKind kind() const { return m_kind; }
    bool cancelled() const { return m_kind == StatusKind::Cancelled; }
    const std::string& message() const { return m_message; }

    // The same kind with a new message (for adding context on the way up).
    Status WithMessage(std::string message) const
    {
        return ok() ? Status() : Status(m_kind, std::move(message));
    }

private:
    Status(StatusKind kind, std::string message) : m_kind(kind), m_message(std::move(message)) {}

    StatusKind m_kind = StatusKind::Ok;
    std::string m_message;
};
