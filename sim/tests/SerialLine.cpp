#include "SerialLine.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace {

speed_t SpeedConstant(std::uint32_t baud) {
    switch (baud) {
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        case 460800:
            return B460800;
    }
    throw std::invalid_argument("unsupported baud rate");
}

}  // namespace

SerialLine::SerialLine(const std::string& path, std::uint32_t baud) {
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        throw std::runtime_error("cannot open " + path);
    }
    SetSpeed(baud);
}

SerialLine::~SerialLine() {
    ::close(m_fd);
}

void SerialLine::SetSpeed(std::uint32_t baud) {
    termios attributes{};
    ::tcgetattr(m_fd, &attributes);
    ::cfmakeraw(&attributes);
    ::cfsetispeed(&attributes, SpeedConstant(baud));
    ::cfsetospeed(&attributes, SpeedConstant(baud));
    if (::tcsetattr(m_fd, TCSANOW, &attributes) != 0) {
        throw std::runtime_error("tcsetattr failed");
    }
}

void SerialLine::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(m_fd, bytes.data(), bytes.size());
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
        } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
            throw std::runtime_error("write failed");
        } else {
            pollfd waiter{m_fd, POLLOUT, 0};
            ::poll(&waiter, 1, 50);
        }
    }
}

std::string SerialLine::ReadLine(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::size_t end = std::string::npos;
    while ((end = m_pending.find('\r')) == std::string::npos && ReadMore(deadline)) {
    }
    const std::size_t size = end == std::string::npos ? m_pending.size() : end + 1;
    std::string line = m_pending.substr(0, size);
    m_pending.erase(0, size);
    return line;
}

std::string SerialLine::ReadExactly(std::size_t count, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (m_pending.size() < count && ReadMore(deadline)) {
    }
    std::string bytes = m_pending.substr(0, count);
    m_pending.erase(0, bytes.size());
    return bytes;
}

std::string SerialLine::Ask(std::string_view command) {
    Write(std::string(command) + "\r");
    return ReadLine();
}

bool SerialLine::ReadMore(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
        return false;
    }
    pollfd waiter{m_fd, POLLIN, 0};
    if (::poll(&waiter, 1, static_cast<int>(left.count()) + 1) > 0) {
        char buffer[4096];
        const ssize_t count = ::read(m_fd, buffer, sizeof buffer);
        if (count > 0) {
            m_pending.append(buffer, static_cast<std::size_t>(count));
            ++m_reads;
        } else if (count == 0 || (errno != EAGAIN && errno != EINTR)) {
            return false;  // the other end is gone
        }
    }
    return true;
}
