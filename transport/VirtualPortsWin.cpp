// Windows has no virtual modules (no pseudo-terminals): no folder is trusted, every name passes.

#include "VirtualPorts.h"

namespace VirtualPorts {

std::string Folder() {
    return {};
}

bool IsTrustedFolder(const std::string&) {
    return false;
}

bool IsLive(const std::string&) {
    return false;
}

std::error_code CheckBeforeOpen(const std::string&) {
    return {};
}

}  // namespace VirtualPorts
