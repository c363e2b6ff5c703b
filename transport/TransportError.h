#pragma once

#include <system_error>

// Failures of a network channel told in the channel's own words, where the system's text
// ("End of file", "Resource temporarily unavailable") would not say what happened. A link that
// fails once open (a reset, the keepalive given up) keeps the socket's own error; either way it
// reaches the same receive callback as an unplugged adapter.
enum class TransportError {
    NegotiationTimeout = 1,  // the server did not complete the Telnet/RFC 2217 set-up in time
    NotRfc2217,              // the server refused the COM-PORT-OPTION
    SettingRefused,          // the server answered a port setting with another value
    LineNotAvailable,        // the server does not answer for this control line
    ClosedDuringSetUp,       // the server closed the connection before the set-up was done
    FlowControlRefused,      // the server answered the flow control with another kind
    ServerClosed,            // the server closed the connection (end of stream) once open
    ServerNotReading,        // the server took nothing of what waits to be sent for too long
    TooManyRequests,         // the server's requests outran it reading the answers they need
    NameNotResolved,         // the host name was not resolved within the connect limit
};

const std::error_category& TransportCategory();
std::error_code make_error_code(TransportError error);

template <>
struct std::is_error_code_enum<TransportError> : std::true_type {};
