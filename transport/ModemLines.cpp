#include "ModemLines.h"

#include "CSerialportMP.h"
#include "TransportError.h"

#include <cerrno>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace {

std::error_code LastError() {
#ifdef _WIN32
    return {static_cast<int>(::GetLastError()), std::system_category()};
#else
    return {errno, std::system_category()};
#endif
}

#ifndef _WIN32
std::error_code ModemIoctl(CSerialportMP& port, unsigned long request, int bits) {
    return port.WithNativeHandle([request, bits](int fd) {
        return ::ioctl(fd, request, &bits) == 0 ? std::error_code{} : LastError();
    });
}
#endif

}  // namespace

bool IsNoModemLines(const std::error_code& error) {
    if (error == TransportError::LineNotAvailable) {
        return true;
    }
    if (error.category() != std::system_category()) {
        return false;
    }
#ifdef _WIN32
    return error.value() == ERROR_INVALID_FUNCTION || error.value() == ERROR_NOT_SUPPORTED;
#else
    // Pseudo-terminals and drivers without modem control refuse the TIOCM* ioctls so.
    return error.value() == ENOTTY || error.value() == EINVAL;
#endif
}

#ifdef _WIN32

std::error_code CSerialportMP::NativeLines::SetDtr(bool asserted) {
    return m_port.WithNativeHandle([asserted](HANDLE handle) {
        return ::EscapeCommFunction(handle, asserted ? SETDTR : CLRDTR) ? std::error_code{}
                                                                        : LastError();
    });
}

std::error_code CSerialportMP::NativeLines::SetRts(bool asserted) {
    return m_port.WithNativeHandle([asserted](HANDLE handle) {
        return ::EscapeCommFunction(handle, asserted ? SETRTS : CLRRTS) ? std::error_code{}
                                                                        : LastError();
    });
}

std::error_code CSerialportMP::NativeLines::ReadInputs(ModemLineState& state) {
    return m_port.WithNativeHandle([&state](HANDLE handle) {
        DWORD status = 0;
        if (!::GetCommModemStatus(handle, &status)) {
            return LastError();
        }
        state = {(status & MS_CTS_ON) != 0, (status & MS_DSR_ON) != 0, (status & MS_RLSD_ON) != 0,
                 (status & MS_RING_ON) != 0};
        return std::error_code{};
    });
}

std::error_code CSerialportMP::NativeLines::SetBreak(bool on) {
    return m_port.WithNativeHandle([on](HANDLE handle) {
        return (on ? ::SetCommBreak(handle) : ::ClearCommBreak(handle)) ? std::error_code{}
                                                                        : LastError();
    });
}

#else

std::error_code CSerialportMP::NativeLines::SetDtr(bool asserted) {
    return ModemIoctl(m_port, asserted ? TIOCMBIS : TIOCMBIC, TIOCM_DTR);
}

std::error_code CSerialportMP::NativeLines::SetRts(bool asserted) {
    return ModemIoctl(m_port, asserted ? TIOCMBIS : TIOCMBIC, TIOCM_RTS);
}

std::error_code CSerialportMP::NativeLines::ReadInputs(ModemLineState& state) {
    return m_port.WithNativeHandle([&state](int fd) {
        int bits = 0;
        if (::ioctl(fd, TIOCMGET, &bits) != 0) {
            return LastError();
        }
        state = {(bits & TIOCM_CTS) != 0, (bits & TIOCM_DSR) != 0, (bits & TIOCM_CAR) != 0,
                 (bits & TIOCM_RNG) != 0};
        return std::error_code{};
    });
}

// TIOCSBRK/TIOCCBRK rather than tcsendbreak: the latter blocks for its fixed duration while
// holding the port, and its length differs between drivers.
std::error_code CSerialportMP::NativeLines::SetBreak(bool on) {
    return m_port.WithNativeHandle([on](int fd) {
        return ::ioctl(fd, on ? TIOCSBRK : TIOCCBRK) == 0 ? std::error_code{} : LastError();
    });
}

#endif

std::error_code ChannelModemLines::SetDtr(bool asserted) {
    return m_port->ModemLines().SetDtr(asserted);
}

std::error_code ChannelModemLines::SetRts(bool asserted) {
    return m_port->ModemLines().SetRts(asserted);
}

std::error_code ChannelModemLines::ReadInputs(ModemLineState& state) {
    return m_port->ModemLines().ReadInputs(state);
}

std::error_code ChannelModemLines::SetBreak(bool on) {
    return m_port->ModemLines().SetBreak(on);
}

void ModemLineWatcher::Start(ModemLineControl& lines, std::chrono::milliseconds interval,
                             Report report) {
    Stop();
    m_stop = false;
    m_thread = std::thread(
        [this, &lines, interval, report = std::move(report)] { Run(lines, interval, report); });
}

void ModemLineWatcher::Stop() {
    if (!m_thread.joinable()) {
        return;
    }
    {
        std::lock_guard lock(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void ModemLineWatcher::Run(ModemLineControl& lines, std::chrono::milliseconds interval,
                           const Report& report) {
    std::unique_lock lock(m_lock);
    while (!m_stop) {
        lock.unlock();
        ModemLineState state;
        const std::error_code error = lines.ReadInputs(state);
        report(error, state);
        lock.lock();
        if (error) {
            return;
        }
        m_wake.wait_for(lock, interval, [this] { return m_stop; });
    }
}
