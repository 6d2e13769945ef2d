#include "plotlib/SerialTransport.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "plotlib/PosixIo.h"

namespace {

bool BaudConstant(int baud, speed_t& speed)
{
    struct Entry {
        int baud;
        speed_t speed;
    };
    static const Entry table[] = {
        {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},
        {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
        {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800},
        {921600, B921600},
    };
    for (const Entry& e : table) {
        if (e.baud == baud) {
            speed = e.speed;
            return true;
        }
    }
    return false;
}

}  // namespace

CSerialTransport::CSerialTransport(std::string port, const SerialSettings& settings)
    : m_port(std::move(port)), m_settings(settings)
{
}

CSerialTransport::~CSerialTransport() { Abort(); }

Status CSerialTransport::CheckSettings(const SerialSettings& s)
{
    speed_t speed = 0;
    if (!BaudConstant(s.baudRate, speed))
        return Status::BadInput("baud rate " + std::to_string(s.baudRate) + " is not supported");
    if (s.dataBits < 5 || s.dataBits > 8)
        return Status::BadInput("data bits must be 5 to 8");
    if (s.parity != 'N' && s.parity != 'E' && s.parity != 'O')
        return Status::BadInput("parity must be N, E or O");
    if (s.stopBits != 1 && s.stopBits != 2)
        return Status::BadInput("stop bits must be 1 or 2");
    if (s.flow != FlowControl::None && s.flow != FlowControl::XonXoff &&
        s.flow != FlowControl::RtsCts)
        return Status::BadInput("unknown flow control");
    return Status::Ok();
}

Status CSerialTransport::Open(const std::string&)
{
    Abort();
    StartJob();
    if (m_port.empty())
        return Status::BadInput("no serial port set");
    Status check = CheckSettings(m_settings);
    if (!check)
        return check.WithMessage("cannot use " + m_port + ": " + check.message());
    int fd = ::open(m_port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        return Status::FromErrno(err, StatusKind::DeviceError, "cannot open " + m_port + ": " + ErrnoText(err));
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        const int err = errno;
        ::close(fd);
        return Status::DeviceError("cannot open " + m_port + ": not a serial port (" + ErrnoText(err) +
                             ")");
    }
    ::cfmakeraw(&tio);
    speed_t speed = B9600;
    BaudConstant(m_settings.baudRate, speed);
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    switch (m_settings.dataBits) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    default: tio.c_cflag |= CS8; break;
    }
    if (m_settings.parity == 'E')
        tio.c_cflag |= PARENB;
    else if (m_settings.parity == 'O')
        tio.c_cflag |= PARENB | PARODD;
    if (m_settings.stopBits == 2)
        tio.c_cflag |= CSTOPB;
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    if (m_settings.flow == FlowControl::XonXoff) {
        // The device's XOFF (DC3) stops our output and its XON (DC1)
        // restarts it; only those two characters do.
        tio.c_iflag |= IXON;
        tio.c_cc[VSTART] = 0x11;
        tio.c_cc[VSTOP] = 0x13;
    } else if (m_settings.flow == FlowControl::RtsCts) {
        tio.c_cflag |= CRTSCTS;
    }
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        const int err = errno;
        ::close(fd);
        return Status::DeviceError("cannot set up " + m_port + ": " + ErrnoText(err));
    }
    // Whatever the device sent before this job is
    // not meant for it.
    // A stop left over from an earlier session is cleared too; a device
    // that is really full sends its XOFF again.
    ::tcflush(fd, TCIFLUSH);
    ::tcflow(fd, TCOON);
    m_fd = fd;
    return Status::Ok();
}

Status CSerialTransport::WriteBytes(const char* data, size_t size, size_t& written)
{
    written = 0;
    if (m_fd < 0)
        return Status::DeviceError(m_port + " is not open");
    FdWriteOptions options;
    options.cancel = m_cancel;
    options.stallMs = m_stallTimeoutMs;
    options.what = m_port;
    options.queue = OutputQueue::Tty;
    options.maxQueued = QueueLimit(m_settings.baudRate);
    return WriteAllToFd(m_fd, data, size, options, written);
}

size_t CSerialTransport::QueueLimit(int baudRate)
{
    // About a tenth of the baud rate is a second of output (start and stop
    // bits included); half a second is queued at most.
    return std::max<size_t>(256, static_cast<size_t>(std::max(baudRate, 0)) / 20);
}

uint64_t CSerialTransport::QueuedBytes() const
{
    return m_fd >= 0 ? QueuedOutput(m_fd, OutputQueue::Tty) : 0;
}

Status CSerialTransport::Drain()
{
    if (m_fd < 0)
        return Status::DeviceError(m_port + " is not open");
    return WaitOutputQueueEmpty(m_fd, OutputQueue::Tty, m_cancel, m_stallTimeoutMs, m_port);
}

Status CSerialTransport::Finish()
{
    if (m_fd < 0)
        return Status::DeviceError(m_port + " is not open");
    Status s = Drain();
    if (s.cancelled())
        return s;  // the caller decides: a pen lift, then Abort
    if (!s)
        ::tcflush(m_fd, TCOFLUSH);  // a port held by XOFF would make close wait
    ::close(m_fd);
    m_fd = -1;
    return s;
}

void CSerialTransport::Abort()
{
    if (m_fd < 0)
        return;
    // Drop what the kernel still holds, so a cancelled job stops now and
    // close does not wait for a plotter that holds XOFF.
    ::tcflush(m_fd, TCOFLUSH);
    ::close(m_fd);
    m_fd = -1;
}
