#include "TelnetProtocol.h"

#include <algorithm>

namespace Telnet {

ControlGroup GroupOf(std::uint8_t controlValue) {
    switch (controlValue) {
        case kControlBreakRequest:
        case kControlBreakOn:
        case kControlBreakOff:
            return ControlGroup::Break;
        case kControlDtrRequest:
        case kControlDtrOn:
        case kControlDtrOff:
            return ControlGroup::Dtr;
        case kControlRtsRequest:
        case kControlRtsOn:
        case kControlRtsOff:
            return ControlGroup::Rts;
        default:
            return ControlGroup::Flow;  // 0 to 3 and the inbound flow values 13 to 19
    }
}

void Receiver::Feed(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& data,
                    std::vector<Event>& events) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::uint8_t byte = bytes[i];
        switch (m_state) {
            case State::Data:
                if (byte == kIac) {
                    m_state = State::Iac;
                } else {
                    data.push_back(byte);
                }
                break;
            case State::Iac:
                m_state = State::Data;
                if (byte == kIac) {
                    data.push_back(byte);
                } else if (byte == kSb) {
                    m_state = State::SubOption;
                } else if (byte >= kWill && byte <= kDont) {
                    m_verb = byte;
                    m_state = State::Option;
                } else if (byte != kSe) {  // a stray SE ends nothing
                    events.push_back({Event::Kind::Command, byte, 0, {}});
                }
                break;
            case State::Option:
                events.push_back({Event::Kind::Negotiation, m_verb, byte, {}});
                m_state = State::Data;
                break;
            case State::SubOption:
                m_sub = {Event::Kind::Subnegotiation, 0, byte, {}};
                m_state = State::Sub;
                break;
            case State::Sub:
                if (byte == kIac) {
                    m_state = State::SubIac;
                } else if (m_sub.payload.size() < kMaxPayload) {
                    m_sub.payload.push_back(byte);
                }
                break;
            case State::SubIac:
                if (byte == kIac) {
                    if (m_sub.payload.size() < kMaxPayload) {
                        m_sub.payload.push_back(byte);
                    }
                    m_state = State::Sub;
                } else if (byte == kSe) {
                    events.push_back(std::move(m_sub));
                    m_sub = {};
                    m_state = State::Data;
                } else {
                    // IAC and a command inside a subnegotiation: the server gave up on it; the
                    // byte is a command of its own.
                    m_sub = {};
                    m_state = State::Iac;
                    --i;
                }
                break;
        }
    }
}

void AppendEscaped(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& wire) {
    for (const std::uint8_t byte : data) {
        wire.push_back(byte);
        if (byte == kIac) {
            wire.push_back(kIac);
        }
    }
}

void AppendNegotiation(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& wire) {
    wire.insert(wire.end(), {kIac, verb, option});
}

void AppendComPort(std::uint8_t command, std::span<const std::uint8_t> value,
                   std::vector<std::uint8_t>& wire) {
    wire.insert(wire.end(), {kIac, kSb, kComPortOption, command});
    AppendEscaped(value, wire);
    wire.insert(wire.end(), {kIac, kSe});
}

namespace {

// The length of the unit that starts at `at`.
std::size_t UnitLength(std::span<const std::uint8_t> wire, std::size_t at) {
    if (wire[at] != kIac || at + 1 >= wire.size()) {
        return 1;
    }
    const std::uint8_t next = wire[at + 1];
    if (next >= kWill && next <= kDont) {
        return std::min<std::size_t>(3, wire.size() - at);
    }
    if (next != kSb) {
        return 2;
    }
    for (std::size_t j = at + 2; j + 1 < wire.size(); ++j) {
        if (wire[j] == kIac) {
            if (wire[j + 1] == kSe) {
                return j + 2 - at;
            }
            ++j;  // an escaped 0xFF inside the value
        }
    }
    return wire.size() - at;
}

}  // namespace

std::size_t WholeUnitsWithin(std::span<const std::uint8_t> wire, std::size_t limit) {
    std::size_t taken = 0;
    while (taken < wire.size()) {
        const std::size_t length = UnitLength(wire, taken);
        if (taken != 0 && taken + length > limit) {
            break;
        }
        taken += length;
    }
    return taken;
}

std::optional<ComPortAnswer> ComPortAnswerOf(const Event& event) {
    if (event.kind != Event::Kind::Subnegotiation || event.option != kComPortOption ||
        event.payload.empty() || event.payload[0] <= kServerOffset) {
        return std::nullopt;
    }
    return ComPortAnswer{static_cast<std::uint8_t>(event.payload[0] - kServerOffset),
                         {event.payload.begin() + 1, event.payload.end()}};
}

std::optional<std::size_t> Options::IndexOf(std::uint8_t option) {
    switch (option) {
        case kBinary:
            return kBinaryIndex;
        case kSuppressGoAhead:
            return kSgaIndex;
        case kComPortOption:
            return kComPortIndex;
        default:
            return std::nullopt;
    }
}

void Options::Start(std::vector<std::uint8_t>& wire) {
    for (const std::uint8_t option : {kBinary, kSuppressGoAhead}) {
        AppendNegotiation(kWill, option, wire);
        AppendNegotiation(kDo, option, wire);
    }
    AppendNegotiation(kWill, kComPortOption, wire);
    m_ours[kBinaryIndex] = m_ours[kSgaIndex] = m_ours[kComPortIndex] = State::Asked;
    // Their side of COM-PORT-OPTION is not asked for; it is accepted when offered.
    m_theirs[kBinaryIndex] = m_theirs[kSgaIndex] = State::Asked;
}

void Options::Receive(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& wire) {
    const bool aboutOurs = verb == kDo || verb == kDont;
    const bool enable = verb == kDo || verb == kWill;
    const auto index = IndexOf(option);
    if (!index) {
        std::bitset<256>& refused = aboutOurs ? m_refusedOurs : m_refusedTheirs;
        if (enable && !refused.test(option)) {  // what we do not know stays off: said once
            AppendNegotiation(aboutOurs ? kWont : kDont, option, wire);
            refused.set(option);
        }
        return;
    }
    State& state = aboutOurs ? m_ours[*index] : m_theirs[*index];
    if (enable) {
        if (state == State::Off) {
            AppendNegotiation(aboutOurs ? kWill : kDo, option, wire);
        }
        state = State::On;
        return;
    }
    if (state == State::On) {
        AppendNegotiation(aboutOurs ? kWont : kDont, option, wire);
    }
    if (aboutOurs && *index == kComPortIndex && state != State::Off) {
        m_comPortRefused = true;
    }
    state = State::Off;
}

}  // namespace Telnet
