// Reading a settings file on POSIX systems: a regular file is read at once; anything else (a
// pipe, a terminal, a device) is read as it becomes readable, so that a stop request ends a
// read that would otherwise wait for ever; /dev/zero ends at the size limit.

#include "ProfileFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kPollMs = 100;

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

bool Stopped(const std::atomic<bool>* stop) {
    return stop != nullptr && stop->load();
}

// Waits until `fd` is readable (or hung up, or failed: the read tells) or a stop is requested;
// false on a stop.
bool WaitReadable(int fd, const std::atomic<bool>* stop) {
    pollfd entry{fd, POLLIN, 0};
    while (!Stopped(stop)) {
        if (::poll(&entry, 1, kPollMs) > 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::variant<std::string, std::string> ReadFileUpTo(const std::string& path, std::size_t limit,
                                                    const std::atomic<bool>* stop) {
    // Non-blocking, so that opening a pipe without a writer does not wait.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.Get() < 0) {
        return std::variant<std::string, std::string>(std::in_place_index<1>, std::strerror(errno));
    }
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0) {
        return std::variant<std::string, std::string>(std::in_place_index<1>, std::strerror(errno));
    }
    if (S_ISDIR(status.st_mode)) {
        return std::variant<std::string, std::string>(std::in_place_index<1>,
                                                      std::strerror(EISDIR));
    }
    // A pipe without a writer reads as empty at once; waiting for it to become readable waits
    // for the writer (and ends on a stop request).
    const bool waits = !S_ISREG(status.st_mode);
    std::string text;
    char buffer[64 * 1024];
    while (text.size() <= limit) {
        if (waits && !WaitReadable(file.Get(), stop)) {
            return std::variant<std::string, std::string>(std::in_place_index<1>,
                                                          std::strerror(EINTR));
        }
        const std::size_t wanted = std::min(sizeof buffer, limit + 1 - text.size());
        const ssize_t got = ::read(file.Get(), buffer, wanted);
        if (got > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0) {
            break;
        } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return std::variant<std::string, std::string>(std::in_place_index<1>,
                                                          std::strerror(errno));
        }
    }
    return std::variant<std::string, std::string>(std::in_place_index<0>, std::move(text));
}
