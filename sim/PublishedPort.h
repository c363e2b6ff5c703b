#pragma once

#include <string>
#include <system_error>

// A symlink ${XDG_RUNTIME_DIR:-/tmp}/skw-virtual-ports/<name> to a pseudo-terminal, through
// which the program lists and opens the virtual module like a real port. Not thread-safe.
class PublishedPort {
public:
    PublishedPort() = default;
    ~PublishedPort();
    PublishedPort(const PublishedPort&) = delete;
    PublishedPort& operator=(const PublishedPort&) = delete;

    static std::string Directory();

    // Creates the link. A stale link of that name (its target gone) is replaced; a live one is
    // left alone and "<name>-2", "<name>-3", ... are tried instead.
    std::error_code Publish(const std::string& name, const std::string& target);
    // Removes the link if it still points at our target.
    void Withdraw();

    const std::string& LinkPath() const { return m_linkPath; }

private:
    std::string m_linkPath;
    std::string m_target;
    bool m_published = false;
};
