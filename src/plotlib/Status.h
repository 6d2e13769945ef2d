// Status: the result of a core operation that can fail, carrying a message a
// user can read ("cannot open /dev/ttyUSB0: permission denied"). Core code
// returns it instead of throwing; the GUI shows the message.
#pragma once

#include <string>
#include <utility>

class Status {
public:
    Status() = default;
    static Status Ok() { return Status(); }
    static Status Error(std::string message) { return Status(std::move(message), false); }

    bool ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    const std::string& message() const { return m_message; }

private:
    Status(std::string message, bool ok) : m_ok(ok), m_message(std::move(message)) {}

    bool m_ok = true;
    std::string m_message;
};
