#pragma once

#include <system_error>

// Failures of a network channel that have no errno of their own. A failed link itself (the
// server closed the connection, a reset, the keepalive gave up) is reported with the socket's
// own error, through the same receive callback as an unplugged adapter.
enum class TransportError {
    NegotiationTimeout = 1,  // the server did not complete the Telnet/RFC 2217 set-up in time
    NotRfc2217,              // the server refused the COM-PORT-OPTION
    SettingRefused,          // the server answered a port setting with another value
    LineNotAvailable,        // the server does not answer for this control line
};

const std::error_category& TransportCategory();
std::error_code make_error_code(TransportError error);

template <>
struct std::is_error_code_enum<TransportError> : std::true_type {};
