#include "ScratchPostgres.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

// A port nobody listens on now: the one the kernel gives a socket bound to port 0.
int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

std::string Script() {
    return std::string(SKW_SCRATCH_POSTGRES_SCRIPT);
}

}  // namespace

ScratchPostgres::ScratchPostgres() {
    m_folder =
        (std::filesystem::temp_directory_path() / ("skw-postgres-" + std::to_string(::getpid())))
            .string();
    std::filesystem::remove_all(m_folder);
    m_port = FreePort();
    const std::string start =
        "bash '" + Script() + "' start '" + m_folder + "' " + std::to_string(m_port);
    m_running = m_port != 0 && std::system(start.c_str()) == 0;
}

ScratchPostgres::~ScratchPostgres() {
    Stop();
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

std::string ScratchPostgres::Address() const {
    return "postgresql://skw@127.0.0.1:" + std::to_string(m_port) + "/postgres?connect_timeout=2";
}

void ScratchPostgres::Stop() {
    const std::string stop = "bash '" + Script() + "' stop '" + m_folder + "'";
    if (std::system(stop.c_str()) == 0) {
        m_running = false;
    }
}

bool ScratchPostgres::Start() {
    const std::string start =
        "bash '" + Script() + "' start '" + m_folder + "' " + std::to_string(m_port);
    m_running = std::system(start.c_str()) == 0;
    return m_running;
}

void ScratchPostgres::Signal(int signal) const {
    int postmaster = 0;
    std::ifstream(m_folder + "/data/postmaster.pid") >> postmaster;
    if (postmaster <= 0) {
        return;
    }
    std::vector<int> pids = {postmaster};
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        // pid (comm) state ppid ...: the name may hold spaces, so read after its ')'.
        std::istringstream rest(line.substr(line.rfind(')') + 1));
        std::string state;
        int parent = 0;
        if (rest >> state >> parent && parent == postmaster) {
            pids.push_back(std::stoi(name));
        }
    }
    for (const int pid : pids) {
        ::kill(pid, signal);
    }
}
