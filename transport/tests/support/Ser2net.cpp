#include "Ser2net.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using namespace std::chrono_literals;

// A port nobody listens on now; ser2net binds it right after (retried should it be taken).
std::uint16_t FreeLoopbackPort() {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(probe);
    return ntohs(address.sin_port);
}

}  // namespace

Ser2net::Ser2net(Options options) : m_options(std::move(options)) {}

std::string Ser2net::Program() {
    for (const char* path : {"/usr/sbin/ser2net", "/usr/bin/ser2net", "/usr/local/sbin/ser2net"}) {
        if (::access(path, X_OK) == 0) {
            return path;
        }
    }
    return {};
}

std::string Ser2net::Url() const {
    return (m_options.rfc2217 ? "rfc2217://127.0.0.1:" : "socket://127.0.0.1:") +
           std::to_string(m_port);
}

std::string Ser2net::Log() const {
    std::ifstream log(m_folder + "/ser2net.log");
    std::ostringstream text;
    text << log.rdbuf();
    return text.str();
}

// Whether the kernel lists a socket listening on 127.0.0.1:m_port: asking this way makes no
// connection, which ser2net would answer by opening the device.
bool Ser2net::Listening() const {
    std::ifstream table("/proc/net/tcp");
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X", m_port);
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (local == wanted && state == "0A") {
            return true;
        }
    }
    return false;
}

std::error_code Ser2net::Start() {
    const std::string program = Program();
    if (program.empty()) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    if (m_folder.empty()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "skw-ser2net-XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr) {
            return {errno, std::generic_category()};
        }
        m_folder = pattern;
    }
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = FreeLoopbackPort();
        const std::string config = m_folder + "/ser2net.yaml";
        {
            std::ofstream yaml(config);
            yaml << "%YAML 1.1\n---\n"
                 << "connection: &skw\n"
                 << "  accepter: " << (m_options.rfc2217 ? "telnet(rfc2217),tcp," : "tcp,")
                 << "127.0.0.1," << m_port << "\n"
                 << "  connector: serialdev," << m_options.device << "," << m_options.lineSettings
                 << ",local\n"
                 << "  options:\n"
                 << "    kickolduser: true\n";
        }
        const std::string log = m_folder + "/ser2net.log";
        const std::string pidFile = m_folder + "/ser2net.pid";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        std::vector<std::string> args = {program, "-n", "-c", config, "-P", pidFile};
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        pid_t pid = -1;
        const int failed =
            ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (failed != 0) {
            return {failed, std::generic_category()};
        }
        m_pid = pid;
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (std::chrono::steady_clock::now() < deadline) {
            if (Listening()) {
                return {};
            }
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;  // ended: most likely the port was taken meanwhile
                break;
            }
            std::this_thread::sleep_for(10ms);
        }
        Stop();
    }
    return std::make_error_code(std::errc::address_in_use);
}

void Ser2net::Stop() {
    if (m_pid <= 0) {
        return;
    }
    ::kill(m_pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    int status = 0;
    while (::waitpid(m_pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(5ms);
    }
    m_pid = -1;
}
