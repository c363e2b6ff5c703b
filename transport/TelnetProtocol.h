#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The Telnet layer (RFC 854, 855) and its COM-PORT-OPTION (RFC 2217) as the client of an access
// server speaks them: pure functions and classes over bytes, no I/O.
namespace Telnet {

constexpr std::uint8_t kIac = 255;
constexpr std::uint8_t kDont = 254;
constexpr std::uint8_t kDo = 253;
constexpr std::uint8_t kWont = 252;
constexpr std::uint8_t kWill = 251;
constexpr std::uint8_t kSb = 250;
constexpr std::uint8_t kSe = 240;

constexpr std::uint8_t kBinary = 0;
constexpr std::uint8_t kEcho = 1;
constexpr std::uint8_t kSuppressGoAhead = 3;
constexpr std::uint8_t kComPortOption = 44;

// COM-PORT-OPTION commands, as the client sends them; the server answers with the same
// command plus kServerOffset.
enum ComPortCommand : std::uint8_t {
    kSetBaudRate = 1,
    kSetDataSize = 2,
    kSetParity = 3,
    kSetStopSize = 4,
    kSetControl = 5,
    kNotifyLineState = 6,
    kNotifyModemState = 7,
    kFlowControlSuspend = 8,
    kFlowControlResume = 9,
    kSetLineStateMask = 10,
    kSetModemStateMask = 11,
    kPurgeData = 12,
};
constexpr std::uint8_t kServerOffset = 100;

// SET-CONTROL values.
enum ControlValue : std::uint8_t {
    kControlNoFlow = 1,
    kControlSoftwareFlow = 2,
    kControlHardwareFlow = 3,
    kControlBreakRequest = 4,
    kControlBreakOn = 5,
    kControlBreakOff = 6,
    kControlDtrRequest = 7,
    kControlDtrOn = 8,
    kControlDtrOff = 9,
    kControlRtsRequest = 10,
    kControlRtsOn = 11,
    kControlRtsOff = 12,
};

// The line a SET-CONTROL value (of a request or of its answer) is about.
enum class ControlGroup { Flow, Break, Dtr, Rts };
ControlGroup GroupOf(std::uint8_t controlValue);

// NOTIFY-MODEMSTATE bits.
constexpr std::uint8_t kModemCts = 0x10;
constexpr std::uint8_t kModemDsr = 0x20;
constexpr std::uint8_t kModemRi = 0x40;
constexpr std::uint8_t kModemDcd = 0x80;

// PURGE-DATA values: the access server's buffer of what it received from the serial line, of
// what it has still to send on it, or both.
constexpr std::uint8_t kPurgeReceived = 1;
constexpr std::uint8_t kPurgeToSend = 2;
constexpr std::uint8_t kPurgeBoth = 3;

// What the receiver found in the stream besides data.
struct Event {
    enum class Kind {
        Negotiation,     // IAC WILL/WONT/DO/DONT option: `verb`, `option`
        Subnegotiation,  // IAC SB option payload IAC SE: `option`, `payload` (IAC IAC undone)
        Command,         // IAC and any other byte (NOP, BRK, ...): `verb`
    };
    Kind kind = Kind::Command;
    std::uint8_t verb = 0;
    std::uint8_t option = 0;
    std::vector<std::uint8_t> payload;
    bool operator==(const Event&) const = default;
};

// Splits the bytes received from the server into data and events. The state carries over
// from one Feed to the next, so a sequence may be cut anywhere between two reads; the result
// never depends on where the cuts are.
class Receiver {
public:
    // A subnegotiation keeps at most this much payload; the rest up to its IAC SE is dropped
    // (ours are a handful of bytes; a longer one is noise, and memory stays bounded).
    static constexpr std::size_t kMaxPayload = 64;

    // Appends the data bytes to `data` and the events to `events`.
    void Feed(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& data,
              std::vector<Event>& events);
    void Reset() { *this = Receiver{}; }

private:
    enum class State { Data, Iac, Option, SubOption, Sub, SubIac };
    State m_state = State::Data;
    std::uint8_t m_verb = 0;
    Event m_sub;
};

// Data as it goes on the wire: every 0xFF doubled.
void AppendEscaped(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& wire);
// IAC verb option.
void AppendNegotiation(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& wire);
// IAC SB COM-PORT-OPTION command value IAC SE, with the value escaped.
void AppendComPort(std::uint8_t command, std::span<const std::uint8_t> value,
                   std::vector<std::uint8_t>& wire);
// How many bytes from the front of `wire` (data escaped as above, with whole negotiations and
// subnegotiations between) may go in one write of at most `limit` bytes without cutting an
// escaped byte, a negotiation or a subnegotiation: what stays behind can be dropped without
// leaving the server in the middle of a sequence. At least one whole unit, however long.
std::size_t WholeUnitsWithin(std::span<const std::uint8_t> wire, std::size_t limit);

// A COM-PORT-OPTION answer of the server, with the client's command number.
struct ComPortAnswer {
    std::uint8_t command = 0;
    std::vector<std::uint8_t> value;
};
// The answer an event carries, if it is one.
std::optional<ComPortAnswer> ComPortAnswerOf(const Event& event);

// The option negotiation of the client: it wants BINARY and SUPPRESS-GO-AHEAD both ways and
// COM-PORT-OPTION on its own side, and refuses everything else (the server's ECHO included).
// Answers only what changes a state (RFC 854, with RFC 1143's rule that an option stays in its
// state until it changes): an option refused once is not refused again however often the
// server asks, so a server that repeats a request cannot make the client's answers pile up.
class Options {
public:
    // The client's opening requests.
    void Start(std::vector<std::uint8_t>& wire);
    // Takes one negotiation of the server; appends the answer, if any, to `wire`.
    void Receive(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& wire);
    // The server agreed to COM-PORT-OPTION (DO), or refused it (DONT).
    bool ComPortAccepted() const { return m_ours[kComPortIndex] == State::On; }
    bool ComPortRefused() const { return m_comPortRefused; }

private:
    enum class State { Off, Asked, On };
    static constexpr std::size_t kBinaryIndex = 0;
    static constexpr std::size_t kSgaIndex = 1;
    static constexpr std::size_t kComPortIndex = 2;
    static std::optional<std::size_t> IndexOf(std::uint8_t option);

    // Our side (WILL/WONT from us, DO/DONT from them) and theirs (DO/DONT from us).
    State m_ours[3] = {State::Off, State::Off, State::Off};
    State m_theirs[3] = {State::Off, State::Off, State::Off};
    bool m_comPortRefused = false;
    // Options the client does not know, already refused on its side (WONT) and on theirs (DONT).
    std::bitset<256> m_refusedOurs;
    std::bitset<256> m_refusedTheirs;
};

}  // namespace Telnet
