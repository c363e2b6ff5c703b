#include "VirtualPorts.h"

namespace VirtualPorts {

namespace {

class Errors : public std::error_category {
public:
    const char* name() const noexcept override { return "virtual port"; }
    std::string message(int) const override { return "no module is running on this port"; }
};

}  // namespace

const std::error_category& Category() {
    static const Errors kErrors;
    return kErrors;
}

std::error_code make_error_code(VirtualPortError error) {
    return {static_cast<int>(error), Category()};
}

}  // namespace VirtualPorts
