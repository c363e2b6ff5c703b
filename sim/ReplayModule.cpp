#include "ReplayModule.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace {

int HexValue(char digit) {
    if (digit >= '0' && digit <= '9') {
        return digit - '0';
    }
    if (digit >= 'A' && digit <= 'F') {
        return digit - 'A' + 10;
    }
    if (digit >= 'a' && digit <= 'f') {
        return digit - 'a' + 10;
    }
    return -1;
}

bool Unescape(const std::string& text, std::string& bytes) {
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] != '\\') {
            bytes += text[index];
            continue;
        }
        if (++index >= text.size()) {
            return false;
        }
        switch (text[index]) {
            case '\\':
                bytes += '\\';
                break;
            case 'r':
                bytes += '\r';
                break;
            case 'n':
                bytes += '\n';
                break;
            case 't':
                bytes += '\t';
                break;
            case 'x': {
                const int high = index + 1 < text.size() ? HexValue(text[index + 1]) : -1;
                const int low = index + 2 < text.size() ? HexValue(text[index + 2]) : -1;
                if (high < 0 || low < 0) {
                    return false;
                }
                bytes += static_cast<char>(high * 16 + low);
                index += 2;
                break;
            }
            default:
                return false;
        }
    }
    return true;
}

bool ParseLine(const std::string& line, SessionEntry& entry) {
    const std::size_t space = line.find(' ');
    if (space == std::string::npos || space == 0 || line.size() < space + 4 ||
        line[space + 3] != ' ') {
        return false;
    }
    char* end = nullptr;
    entry.ms = std::strtoll(line.c_str(), &end, 10);
    const std::string direction = line.substr(space + 1, 2);
    if (end != line.c_str() + space || entry.ms < 0 || (direction != "tx" && direction != "rx")) {
        return false;
    }
    entry.fromProgram = direction == "tx";
    return Unescape(line.substr(space + 4), entry.bytes) && !entry.bytes.empty();
}

}  // namespace

bool ParseSession(std::istream& input, std::vector<SessionEntry>& entries, std::string& error) {
    std::string line;
    for (int number = 1; std::getline(input, line); ++number) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        SessionEntry entry;
        if (!ParseLine(line, entry)) {
            error = "line " + std::to_string(number) + ": not \"<ms> tx|rx <bytes>\"";
            return false;
        }
        entries.push_back(std::move(entry));
    }
    return true;
}

ReplayModule::ReplayModule(std::vector<SessionEntry> session, std::string portName)
    : m_session(std::move(session)), m_portName(std::move(portName)) {}

ReplayModule::~ReplayModule() {
    Stop();
}

std::error_code ReplayModule::Start() {
    if (const std::error_code error = m_pty.Open(115200)) {
        return error;
    }
    if (const std::error_code error = m_port.Publish(m_portName, m_pty.SlavePath())) {
        m_pty.Close();
        return error;
    }
    m_portPath = m_port.LinkPath();
    if (::pipe2(m_wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        return {errno, std::generic_category()};
    }
    m_packetMode = m_pty.EnablePacketMode();
    m_anchor = Clock::now();
    m_thread = std::thread(&ReplayModule::Run, this);
    return {};
}

void ReplayModule::Stop() {
    if (m_thread.joinable()) {
        {
            std::lock_guard guard(m_lock);
            m_stop = true;
        }
        const char wake = 1;
        (void)!::write(m_wake[1], &wake, 1);
        m_thread.join();
    }
    m_port.Withdraw();
    m_pty.Close();
    for (int& fd : m_wake) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

bool ReplayModule::Finished() const {
    std::lock_guard guard(m_lock);
    return m_next >= m_session.size();
}

bool ReplayModule::Diverged() const {
    std::lock_guard guard(m_lock);
    return !m_unexpected.empty();
}

std::string ReplayModule::Unexpected() const {
    std::lock_guard guard(m_lock);
    return m_unexpected;
}

void ReplayModule::Run() {
    if (!m_packetMode) {
        ProgramOpened(Clock::now());  // no way to tell when the program opens
    }
    for (;;) {
        {
            std::lock_guard guard(m_lock);
            if (m_stop) {
                return;
            }
        }
        const Clock::time_point now = Clock::now();
        ReadProgram(now);
        WriteDue(now);
        int timeout = -1;
        if (const auto due = m_output.NextDue()) {
            timeout = static_cast<int>(std::max<Clock::duration::rep>(
                0, std::chrono::duration_cast<std::chrono::milliseconds>(*due - Clock::now())
                       .count()));
        }
        pollfd fds[2] = {{m_wake[0], POLLIN, 0}, {m_pty.MasterFd(), POLLIN, 0}};
        ::poll(fds, 2, timeout);
    }
}

void ReplayModule::ReadProgram(Clock::time_point now) {
    char buffer[1024];
    ssize_t count = 0;
    bool heard = false;
    while ((count = ::read(m_pty.MasterFd(), buffer, sizeof buffer)) > 0) {
        std::string_view bytes(buffer, static_cast<std::size_t>(count));
        if (m_packetMode) {
            const auto status = static_cast<unsigned char>(bytes.front());
            bytes.remove_prefix(1);
            if (status != TIOCPKT_DATA) {
                if ((status & TIOCPKT_FLUSHREAD) != 0) {
                    ProgramOpened(now);
                }
                continue;
            }
        }
        ProgramOpened(now);
        m_heard.append(bytes);
        heard = true;
    }
    if (heard) {
        Advance(now);
    }
}

// The recording's time starts when the program first opens the port: what the device sent
// before the first command goes out from then on.
void ReplayModule::ProgramOpened(Clock::time_point now) {
    if (m_opened) {
        return;
    }
    m_opened = true;
    m_anchor = now;
    Advance(now);
}

// Plays the session on from the next entry: a piece the program wrote is matched against what
// it has written, a piece the device sent is scheduled at its recorded distance.
void ReplayModule::Advance(Clock::time_point now) {
    std::lock_guard guard(m_lock);
    while (m_unexpected.empty() && m_next < m_session.size()) {
        const SessionEntry& entry = m_session[m_next];
        if (!entry.fromProgram) {
            m_output.Add(entry.bytes, m_anchor + std::chrono::milliseconds(entry.ms - m_anchorMs));
            ++m_next;
            continue;
        }
        const std::size_t compared = std::min(m_heard.size(), entry.bytes.size());
        if (m_heard.compare(0, compared, entry.bytes, 0, compared) != 0) {
            m_unexpected = m_heard;
            return;
        }
        if (compared < entry.bytes.size()) {
            return;  // the rest of this piece is still to come
        }
        m_heard.erase(0, compared);
        m_anchorMs = entry.ms;
        m_anchor = now;
        ++m_next;
    }
    if (m_next >= m_session.size() && !m_heard.empty() && m_unexpected.empty()) {
        m_unexpected = m_heard;
    }
}

void ReplayModule::WriteDue(Clock::time_point now) {
    while (std::string* bytes = m_output.Due(now)) {
        const ssize_t written = ::write(m_pty.MasterFd(), bytes->data(), bytes->size());
        if (written <= 0) {
            return;
        }
        m_output.Consume(static_cast<std::size_t>(written));
    }
}
