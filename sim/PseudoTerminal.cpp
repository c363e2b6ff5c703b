#include "PseudoTerminal.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

namespace {

constexpr std::pair<std::uint32_t, speed_t> kSpeeds[] = {
    {1200, B1200},     {2400, B2400},     {4800, B4800},     {9600, B9600},
    {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
    {230400, B230400}, {460800, B460800}, {921600, B921600},
};

std::error_code LastError() {
    return {errno, std::system_category()};
}

std::error_code MakeRaw(int fd, std::uint32_t baud) {
    termios attributes{};
    if (::tcgetattr(fd, &attributes) != 0) {
        return LastError();
    }
    ::cfmakeraw(&attributes);
    if (const speed_t speed = SpeedConstantFor(baud); speed != 0) {
        ::cfsetispeed(&attributes, speed);
        ::cfsetospeed(&attributes, speed);
    }
    if (::tcsetattr(fd, TCSANOW, &attributes) != 0) {
        return LastError();
    }
    return {};
}

}  // namespace

unsigned SpeedConstantFor(std::uint32_t baud) {
    for (const auto& [rate, constant] : kSpeeds) {
        if (rate == baud) {
            return constant;
        }
    }
    return 0;
}

std::uint32_t BaudOfSpeedConstant(unsigned speed) {
    for (const auto& [rate, constant] : kSpeeds) {
        if (constant == speed) {
            return rate;
        }
    }
    return 0;
}

PseudoTerminal::~PseudoTerminal() {
    Close();
}

std::error_code PseudoTerminal::Open(std::uint32_t speed) {
    Close();
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0) {
        return LastError();
    }
    std::error_code error;
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        error = LastError();
    } else if (char name[128]; ::ptsname_r(m_master, name, sizeof name) != 0) {
        error = LastError();
    } else {
        m_slavePath = name;
        m_slaveKeeper = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        error = m_slaveKeeper < 0 ? LastError() : MakeRaw(m_slaveKeeper, speed);
    }
    if (!error && ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK) != 0) {
        error = LastError();
    }
    if (error) {
        Close();
    }
    return error;
}

void PseudoTerminal::Close() {
    if (m_slaveKeeper >= 0) {
        ::close(m_slaveKeeper);
        m_slaveKeeper = -1;
    }
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

// Every descriptor of the slave shares one termios, so the kept one shows what the program set.
std::uint32_t PseudoTerminal::ProgramSpeed() const {
    termios attributes{};
    if (m_slaveKeeper < 0 || ::tcgetattr(m_slaveKeeper, &attributes) != 0) {
        return 0;
    }
    return BaudOfSpeedConstant(::cfgetospeed(&attributes));
}

bool PseudoTerminal::EnablePacketMode() {
    int on = 1;
    return m_master >= 0 && ::ioctl(m_master, TIOCPKT, &on) == 0;
}
