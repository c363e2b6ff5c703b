#include "PtyPeer.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace {

void MakeRaw(int fd) {
    termios attributes{};
    if (::tcgetattr(fd, &attributes) == 0) {
        ::cfmakeraw(&attributes);
        ::tcsetattr(fd, TCSANOW, &attributes);
    }
}

}  // namespace

PtyPeer::PtyPeer() {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        throw std::runtime_error("posix_openpt failed");
    }
    m_slavePath = ::ptsname(m_master);
    m_slaveKeeper = ::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY);
    MakeRaw(m_slaveKeeper);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
}

PtyPeer::~PtyPeer() {
    Unplug();
}

void PtyPeer::Unplug() {
    if (m_slaveKeeper >= 0) {
        ::close(m_slaveKeeper);
        m_slaveKeeper = -1;
    }
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

void PtyPeer::Write(const std::string& bytes) {
    Write(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

void PtyPeer::Write(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            throw std::runtime_error("pty write failed");
        } else {
            pollfd waiter{m_master, POLLOUT, 0};
            ::poll(&waiter, 1, 50);
        }
    }
}

std::vector<std::uint8_t> PtyPeer::ReadExactly(std::size_t count,
                                               std::chrono::milliseconds limit) {
    std::vector<std::uint8_t> received;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (received.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd waiter{m_master, POLLIN, 0};
        if (::poll(&waiter, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        std::uint8_t buffer[4096];
        const ssize_t n = ::read(m_master, buffer, std::min(sizeof buffer, count - received.size()));
        if (n > 0) {
            received.insert(received.end(), buffer, buffer + n);
        }
    }
    return received;
}

std::vector<std::uint8_t> PtyPeer::ReadUntilQuiet(std::chrono::milliseconds quiet,
                                                  std::chrono::milliseconds limit) {
    std::vector<std::uint8_t> received;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd waiter{m_master, POLLIN, 0};
        if (::poll(&waiter, 1, static_cast<int>(quiet.count())) <= 0) {
            break;
        }
        std::uint8_t buffer[4096];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            received.insert(received.end(), buffer, buffer + n);
        }
    }
    return received;
}
