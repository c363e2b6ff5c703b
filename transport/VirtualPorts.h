#pragma once

#include <string>
#include <system_error>

// The virtual modules' published ports: symbolic links to pseudo-terminals in a private folder
// of the user's, each with "<link>.lock" beside it that the running module holds (flock). A link
// whose lock is free was left by a module that was killed; its pseudo-terminal number may serve
// another program by now. One source per system (VirtualPortsPosix.cpp, VirtualPortsWin.cpp;
// Windows has no virtual modules).
namespace VirtualPorts {

// ${XDG_RUNTIME_DIR}/skw-virtual-ports, or /tmp/skw-virtual-ports-<uid> without it.
std::string Folder();

// Only a folder of our own that no one else may write: another user could plant links to
// terminals of ours in it.
bool IsTrustedFolder(const std::string& folder);

// Whether `linkPath` is a link of ours in a trusted folder, with a lock file of ours beside it
// that a running module holds.
bool IsLive(const std::string& linkPath);

// Before a port is opened: a path in the virtual-port folder is opened only while a module
// runs on it (VirtualPortError::NoModule otherwise); any other name passes.
std::error_code CheckBeforeOpen(const std::string& portName);

enum class VirtualPortError { NoModule = 1 };
const std::error_category& Category();
std::error_code make_error_code(VirtualPortError error);

}  // namespace VirtualPorts

template <>
struct std::is_error_code_enum<VirtualPorts::VirtualPortError> : std::true_type {};
