#pragma once

#include <string>
#include <system_error>

// A symlink <Directory()>/<name> to a pseudo-terminal, through which the program lists and
// opens the virtual module like a real port. Not thread-safe.
//
// The link is the module's while it holds an flock on "<name>.lock" beside it: a module that was
// killed leaves its link behind, and its pseudo-terminal number may already serve another
// program, so a link's target existing proves nothing. The port list shows only locked links.
class PublishedPort {
public:
    PublishedPort() = default;
    ~PublishedPort();
    PublishedPort(const PublishedPort&) = delete;
    PublishedPort& operator=(const PublishedPort&) = delete;

    // ${XDG_RUNTIME_DIR}/skw-virtual-ports, or /tmp/skw-virtual-ports-<uid> without it.
    static std::string Directory();
    // The lock file that proves the module behind `linkPath` runs.
    static std::string LockPathOf(const std::string& linkPath);

    // Creates the link. A link whose lock nobody holds is replaced; a live one is left alone
    // and "<name>-2", "<name>-3", ... are tried instead. The folder is created private (0700);
    // one that belongs to another user is refused (permission_denied).
    std::error_code Publish(const std::string& name, const std::string& target);
    // Removes the link if it still points at our target, and lets go of the lock.
    void Withdraw();

    const std::string& LinkPath() const { return m_linkPath; }

private:
    std::string m_linkPath;
    std::string m_target;
    int m_lockFd = -1;
    bool m_published = false;
};
