#include "TransportError.h"

#include <string>

namespace {

class Category : public std::error_category {
public:
    const char* name() const noexcept override { return "skw-transport"; }
    std::string message(int value) const override {
        switch (static_cast<TransportError>(value)) {
            case TransportError::NegotiationTimeout:
                return "the server did not complete the RFC 2217 negotiation in time";
            case TransportError::NotRfc2217:
                return "the server does not offer RFC 2217 port control";
            case TransportError::SettingRefused:
                return "the server refused a port setting";
            case TransportError::LineNotAvailable:
                return "the server does not control this line";
        }
        return "transport error";
    }
};

}  // namespace

const std::error_category& TransportCategory() {
    static const Category category;
    return category;
}

std::error_code make_error_code(TransportError error) {
    return {static_cast<int>(error), TransportCategory()};
}
