#include "PublishedPort.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr int kMaxNameSuffix = 99;

bool IsPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

bool IsStaleLink(const fs::path& link) {
    std::error_code error;
    return fs::is_symlink(fs::symlink_status(link, error)) && !fs::exists(link, error);
}

}  // namespace

PublishedPort::~PublishedPort() {
    Withdraw();
}

std::string PublishedPort::Directory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string base = runtime != nullptr && *runtime != '\0' ? runtime : "/tmp";
    return base + "/skw-virtual-ports";
}

std::error_code PublishedPort::Publish(const std::string& name, const std::string& target) {
    Withdraw();
    if (!IsPlainFileName(name)) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    const fs::path directory = Directory();
    std::error_code error;
    fs::create_directories(directory, error);
    if (error) {
        return error;
    }
    for (int suffix = 1; suffix <= kMaxNameSuffix; ++suffix) {
        const fs::path link =
            directory / (suffix == 1 ? name : name + "-" + std::to_string(suffix));
        if (IsStaleLink(link)) {
            fs::remove(link, error);
        }
        fs::create_symlink(target, link, error);
        if (!error) {
            m_linkPath = link.string();
            m_target = target;
            m_published = true;
            return {};
        }
        if (error != std::errc::file_exists) {
            return error;
        }
    }
    return std::make_error_code(std::errc::file_exists);
}

void PublishedPort::Withdraw() {
    if (!m_published) {
        return;
    }
    m_published = false;
    std::error_code error;
    const fs::path target = fs::read_symlink(m_linkPath, error);
    if (!error && target == m_target) {
        fs::remove(m_linkPath, error);
    }
}
