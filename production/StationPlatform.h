#pragma once

#include <memory>
#include <string>
#include <system_error>

// What a station needs of the operating system. One source per system
// (StationPlatformPosix.cpp, StationPlatformWin.cpp); callers never test the platform.
namespace StationPlatform {

// An exclusive lock on a file, held while the object lives; other processes' attempts fail at
// once. Posix: flock. Windows: the file opened without sharing.
class FileLock {
public:
    virtual ~FileLock() = default;
};

// The lock on `path` (created if missing); nothing, with `error` set, when another process
// holds it (std::errc::device_or_resource_busy) or it cannot be made.
std::unique_ptr<FileLock> TryLock(const std::string& path, std::error_code& error);

// A folder of the user's own for the stations' locks: ${XDG_RUNTIME_DIR}/skw-station-locks,
// else one in the temporary folder; created if missing.
std::string LockFolder();

// The user's data folder for this program: $XDG_DATA_HOME/skw-manager (~/.local/share/...);
// on Windows %LOCALAPPDATA%\skw-manager. Created if missing.
std::string DataFolder();

// Now in UTC, "2026-12-10T23:08:03Z".
std::string UtcNow();

// The machine's name, the default station name.
std::string HostName();

}  // namespace StationPlatform
