// Feeds arbitrary bytes from an access server through the Telnet/RFC 2217 receiver, the option
// negotiation and the answer decoding, checking what each promises: the result does not depend
// on where the reads are cut, memory stays bounded, an option the client does not know is
// refused at most once per side however often it is asked, and escaped data comes back
// unchanged.
#include "TelnetProtocol.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace {

void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

struct Parsed {
    std::vector<std::uint8_t> data;
    std::vector<Telnet::Event> events;
};

Parsed Feed(std::span<const std::uint8_t> bytes, std::size_t cut) {
    Telnet::Receiver receiver;
    Parsed parsed;
    for (std::size_t at = 0; at < bytes.size(); at += cut) {
        const std::size_t count = bytes.size() - at < cut ? bytes.size() - at : cut;
        receiver.Feed(bytes.subspan(at, count), parsed.data, parsed.events);
    }
    return parsed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t cut = 1 + input[0] % 16;
    const std::span<const std::uint8_t> bytes(input + 1, size - 1);

    const Parsed whole = Feed(bytes, bytes.size() + 1);
    const Parsed pieces = Feed(bytes, cut);
    Require(whole.data == pieces.data);
    Require(whole.events == pieces.events);
    Require(whole.data.size() <= bytes.size());

    Telnet::Options options;
    std::vector<std::uint8_t> wire;
    options.Start(wire);
    std::array<unsigned, 256> refusedOurs{};
    std::array<unsigned, 256> refusedTheirs{};
    for (const Telnet::Event& event : whole.events) {
        Require(event.payload.size() <= Telnet::Receiver::kMaxPayload);
        if (event.kind == Telnet::Event::Kind::Negotiation) {
            std::vector<std::uint8_t> answer;
            options.Receive(event.verb, event.option, answer);
            Require(answer.empty() || (answer.size() == 3 && answer[0] == Telnet::kIac));
            const bool known = event.option == Telnet::kBinary ||
                               event.option == Telnet::kSuppressGoAhead ||
                               event.option == Telnet::kComPortOption;
            if (!answer.empty() && !known) {
                Require(answer[1] == Telnet::kWont || answer[1] == Telnet::kDont);
                auto& count = answer[1] == Telnet::kWont ? refusedOurs : refusedTheirs;
                Require(++count[event.option] == 1);
            }
        }
        if (const auto reply = Telnet::ComPortAnswerOf(event)) {
            Require(reply->value.size() + 1 == event.payload.size());
        }
    }

    // Any bytes sent as data arrive as the same data and nothing else.
    std::vector<std::uint8_t> escaped;
    Telnet::AppendEscaped(bytes, escaped);
    const Parsed echoed = Feed(escaped, cut);
    Require(echoed.events.empty());
    Require(std::equal(echoed.data.begin(), echoed.data.end(), bytes.begin(), bytes.end()));

    // A write cut at whole units leaves the rest starting at a unit of its own.
    const std::size_t units = Telnet::WholeUnitsWithin(escaped, cut);
    Require(escaped.empty() ? units == 0 : units > 0 && units <= escaped.size());
    Require(units == escaped.size() || units <= cut + 1);
    const Parsed rest = Feed(std::span(escaped).subspan(units), cut);
    Require(rest.events.empty());
    return 0;
}
