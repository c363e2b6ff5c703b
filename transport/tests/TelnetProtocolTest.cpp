#include "NetworkChannel.h"
#include "TelnetProtocol.h"

#include <gtest/gtest.h>

#include <string>

using namespace Telnet;

constexpr std::uint8_t IAC = kIac;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Parsed {
    Bytes data;
    std::vector<Event> events;
    bool operator==(const Parsed&) const = default;
};

Parsed FeedInPieces(const Bytes& wire, std::size_t cut) {
    Receiver receiver;
    Parsed parsed;
    for (std::size_t at = 0; at < wire.size(); at += cut) {
        const std::size_t count = std::min(cut, wire.size() - at);
        receiver.Feed(std::span(wire).subspan(at, count), parsed.data, parsed.events);
    }
    return parsed;
}

Event Negotiation(std::uint8_t verb, std::uint8_t option) {
    return {Event::Kind::Negotiation, verb, option, {}};
}

Event Sub(std::uint8_t option, Bytes payload) {
    return {Event::Kind::Subnegotiation, 0, option, std::move(payload)};
}

}  // namespace

// Each stream is read whole and cut at every size down to single bytes: the result must not
// depend on where the reads end.
TEST(TelnetReceiver, splitsDataAndEvents_atAnyReadBoundary) {
    struct Case {
        const char* what;
        Bytes wire;
        Parsed expected;
    } cases[] = {
        {"plain data", {'A', 'T', '\r'}, {{'A', 'T', '\r'}, {}}},
        {"escaped 0xFF", {'x', IAC, IAC, 'y', IAC, IAC}, {{'x', 0xFF, 'y', 0xFF}, {}}},
        {"negotiations between data",
         {'a', IAC, kWill, kBinary, 'b', IAC, kDont, kEcho},
         {{'a', 'b'}, {Negotiation(kWill, kBinary), Negotiation(kDont, kEcho)}}},
        {"modem state notification",
         {IAC, kSb, kComPortOption, 107, 0xF0, IAC, kSe, 'O', 'K'},
         {{'O', 'K'}, {Sub(kComPortOption, {107, 0xF0})}}},
        {"0xFF inside a subnegotiation",
         {IAC, kSb, kComPortOption, 101, 0, 0, IAC, IAC, IAC, kSe},
         {{}, {Sub(kComPortOption, {101, 0, 0, 0xFF})}}},
        {"other commands and a stray SE",
         {IAC, 241, 'z', IAC, kSe, 'w'},
         {{'z', 'w'}, {{Event::Kind::Command, 241, 0, {}}}}},
        {"a subnegotiation abandoned by a command",
         {IAC, kSb, kComPortOption, 107, IAC, kWill, kSuppressGoAhead, 'q'},
         {{'q'}, {Negotiation(kWill, kSuppressGoAhead)}}},
    };
    for (const Case& c : cases) {
        for (std::size_t cut = c.wire.size(); cut >= 1; --cut) {
            EXPECT_EQ(FeedInPieces(c.wire, cut), c.expected) << c.what << ", reads of " << cut;
        }
    }
}

TEST(TelnetReceiver, longSubnegotiation_keepsBoundedPayloadAndResumesData) {
    Bytes wire{IAC, kSb, kComPortOption};
    wire.insert(wire.end(), 1000, 'n');
    wire.insert(wire.end(), {IAC, kSe, 'd'});
    const Parsed parsed = FeedInPieces(wire, 7);
    ASSERT_EQ(parsed.events.size(), 1u);
    EXPECT_EQ(parsed.events[0].payload.size(), Receiver::kMaxPayload);
    EXPECT_EQ(parsed.data, Bytes{'d'});
}

TEST(TelnetWire, escapesAndFramesRequests) {
    Bytes wire;
    AppendEscaped(Bytes{1, 0xFF, 2}, wire);
    EXPECT_EQ(wire, (Bytes{1, 0xFF, 0xFF, 2}));
    wire.clear();
    AppendComPort(kSetBaudRate, Bytes{0, 0, 0x25, 0x80}, wire);
    EXPECT_EQ(wire, (Bytes{IAC, kSb, kComPortOption, 1, 0, 0, 0x25, 0x80, IAC, kSe}));
    wire.clear();
    AppendComPort(kSetBaudRate, Bytes{0, 0, 0xFF, 0}, wire);  // 65280 baud: its 0xFF doubled
    EXPECT_EQ(wire, (Bytes{IAC, kSb, kComPortOption, 1, 0, 0, IAC, IAC, 0, IAC, kSe}));
}

// A write may end only where the server's parser is between two sequences.
TEST(TelnetWire, wholeUnits_neverCutASequence) {
    const Bytes request{IAC, kSb, kComPortOption, 5, 8, IAC, kSe};  // 7 bytes
    struct Case {
        Bytes wire;
        std::size_t limit;
        std::size_t expected;
    } cases[] = {
        {{'a', 'b', 'c'}, 2, 2},
        {{'a', IAC, IAC, 'b'}, 2, 1},  // not between the two halves of an escaped 0xFF
        {{'a', IAC, IAC, 'b'}, 3, 3},
        {{IAC, kWill, kBinary, 'x'}, 2, 3},  // one unit longer than the limit still goes
        {{'a', IAC, kDo, kBinary}, 3, 1},
        {{'a', IAC, kSb, kComPortOption, 1, IAC, IAC, IAC, kSe, 'z'}, 8, 1},
        {{'a', IAC, kSb, kComPortOption, 1, IAC, IAC, IAC, kSe, 'z'}, 9, 9},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WholeUnitsWithin(c.wire, c.limit), c.expected);
    }
    Bytes twice = request;
    twice.insert(twice.end(), request.begin(), request.end());
    EXPECT_EQ(WholeUnitsWithin(twice, 10), 7u);
}

TEST(TelnetOptions, negotiatesWhatTheClientWants_andRefusesTheRest) {
    Options options;
    Bytes wire;
    options.Start(wire);
    EXPECT_EQ(wire, (Bytes{IAC, kWill, kBinary, IAC, kDo, kBinary, IAC, kWill, kSuppressGoAhead,
                           IAC, kDo, kSuppressGoAhead, IAC, kWill, kComPortOption}));
    EXPECT_FALSE(options.ComPortAccepted());
    struct Step {
        std::uint8_t verb;
        std::uint8_t option;
        Bytes answer;
    } steps[] = {
        {kDo, kBinary, {}},  // agrees to what we asked: nothing to answer
        {kWill, kBinary, {}},
        {kWill, kEcho, {IAC, kDont, kEcho}},  // no echo from the server
        {kDont, kEcho, {}},                   // already off
        {kDo, 24, {IAC, kWont, 24}},          // terminal type: unknown, refused
        {kDo, 24, {}},                        // asked again: still off, said once
        {kWill, kEcho, {}},
        {kWill, 24, {IAC, kDont, 24}},        // the other side of the option is its own
        {kWill, 24, {}},
        {kDo, kComPortOption, {}},
        {kWill, kComPortOption, {IAC, kDo, kComPortOption}},  // offered: accepted
        {kDo, kBinary, {}},                                   // repeated: no loop
        {kWill, kSuppressGoAhead, {}},
        {kWont, kSuppressGoAhead, {IAC, kDont, kSuppressGoAhead}},  // was on: confirm off
    };
    for (const Step& step : steps) {
        Bytes answer;
        options.Receive(step.verb, step.option, answer);
        EXPECT_EQ(answer, step.answer) << int(step.verb) << " " << int(step.option);
    }
    EXPECT_TRUE(options.ComPortAccepted());
    EXPECT_FALSE(options.ComPortRefused());
}

TEST(TelnetOptions, comPortRefused) {
    Options options;
    Bytes wire;
    options.Start(wire);
    wire.clear();
    options.Receive(kDont, kComPortOption, wire);
    EXPECT_TRUE(wire.empty());
    EXPECT_TRUE(options.ComPortRefused());
    EXPECT_FALSE(options.ComPortAccepted());
}

TEST(TelnetAnswers, comPortAnswerOf) {
    const auto answer = ComPortAnswerOf(Sub(kComPortOption, {105, 8}));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->command, kSetControl);
    EXPECT_EQ(answer->value, Bytes{8});
    EXPECT_FALSE(ComPortAnswerOf(Sub(kComPortOption, {5, 8})));  // a request, not an answer
    EXPECT_FALSE(ComPortAnswerOf(Sub(kComPortOption, {})));
    EXPECT_FALSE(ComPortAnswerOf(Sub(24, {105, 8})));
    EXPECT_EQ(GroupOf(kControlBreakOff), ControlGroup::Break);
    EXPECT_EQ(GroupOf(kControlDtrRequest), ControlGroup::Dtr);
    EXPECT_EQ(GroupOf(kControlRtsOff), ControlGroup::Rts);
    EXPECT_EQ(GroupOf(kControlHardwareFlow), ControlGroup::Flow);
}

TEST(NetworkPortNames, parse) {
    using Mode = NetworkPortName::Mode;
    struct Case {
        std::string name;
        bool valid;
        Mode mode;
        std::string host;
        std::uint16_t port;
    } cases[] = {
        {"rfc2217://127.0.0.1:2217", true, Mode::Rfc2217, "127.0.0.1", 2217},
        {"RFC2217://box.local:7000", true, Mode::Rfc2217, "box.local", 7000},
        {"socket://10.1.2.3:4001", true, Mode::Raw, "10.1.2.3", 4001},
        {"rfc2217://[::1]:2217", true, Mode::Rfc2217, "::1", 2217},
        {"rfc2217://::1:2217", false, {}, {}, 0},
        {"rfc2217://host", false, {}, {}, 0},
        {"rfc2217://host:", false, {}, {}, 0},
        {"rfc2217://:2217", false, {}, {}, 0},
        {"rfc2217://host:0", false, {}, {}, 0},
        {"rfc2217://host:65536", false, {}, {}, 0},
        {"rfc2217://host:22x", false, {}, {}, 0},
        {"/dev/ttyUSB0", false, {}, {}, 0},
    };
    for (const Case& c : cases) {
        const auto name = NetworkPortName::Parse(c.name);
        ASSERT_EQ(name.has_value(), c.valid) << c.name;
        if (name) {
            EXPECT_EQ(name->mode, c.mode) << c.name;
            EXPECT_EQ(name->host, c.host) << c.name;
            EXPECT_EQ(name->port, c.port) << c.name;
        }
    }
    EXPECT_TRUE(IsNetworkPort("rfc2217://host"));  // the network channel says what is wrong
    EXPECT_TRUE(IsNetworkPort("Socket://h:1"));
    EXPECT_FALSE(IsNetworkPort("COM3"));
    EXPECT_FALSE(IsNetworkPort("/tmp/rfc2217://x"));
}
