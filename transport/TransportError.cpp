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
                return "the server refused a port setting (speed, data bits, parity or stop bits)";
            case TransportError::LineNotAvailable:
                return "the server does not control this line";
            case TransportError::ClosedDuringSetUp:
                return "the server closed the connection during set-up";
            case TransportError::FlowControlRefused:
                return "the server cannot do the flow control asked for";
            case TransportError::ServerClosed:
                return "the server closed the connection";
            case TransportError::ServerNotReading:
                return "the server stopped taking data: the link counts as lost";
            case TransportError::TooManyRequests:
                return "the server sent more requests than it read answers: the link was dropped";
            case TransportError::NameNotResolved:
                return "the server's host name could not be resolved in time";
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
