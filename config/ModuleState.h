#pragma once

#include "Conversions.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

// The module's values as its answers carry them. Each record has the byte layout of the answer
// payload it is copied from, so a payload is taken over with one copy; texts are NUL-padded
// byte areas and are read back only up to their first NUL, never past their area.

using TextArea = std::array<char, 64>;

// Text of an area up to its first NUL (the whole area if it has none).
std::string TextOf(const TextArea& area);
// The area filled with `text` cut to 63 bytes and NUL-padded.
TextArea MakeTextArea(const std::string& text);
bool IsZeroAddr(const BdAddr& address);

// One slot of a multi-connection module: the payload of a slot answer (71 bytes).
struct SlotEntry {
    std::uint8_t slot = 0;  // 1-8
    BdAddr addr{};          // all zero: the slot is empty
    TextArea name{};        // UTF-8, at most 8 bytes used

    std::string Name() const { return TextOf(name); }
};

// Automatic connection at power-on: the payload of an automatic-connection answer (7 bytes).
struct AutoConState {
    std::uint8_t on = 0;  // 0 off
    BdAddr addr{};        // the device connected to; all zero: none
};

// The payload of an information answer (198 bytes).
struct InfoBlock {
    BdAddr addr{};     // the module's own address
    TextArea name{};   // device name, UTF-8
    TextArea extra{};  // carried, not interpreted
    TextArea state{};  // state word: "SETMODE", "SCANNING", ...

    // The state words a module reports.
    static constexpr std::string_view kSetMode = "SETMODE";
    static constexpr std::string_view kScanning = "SCANNING";

    std::string DeviceName() const { return TextOf(name); }
    std::string StateWord() const { return TextOf(state); }
    bool InSetMode() const { return StateWord() == kSetMode; }
    bool Scanning() const { return StateWord() == kScanning; }
};

static_assert(sizeof(SlotEntry) == 71 && std::is_trivially_copyable_v<SlotEntry>);
static_assert(sizeof(AutoConState) == 7 && std::is_trivially_copyable_v<AutoConState>);
static_assert(sizeof(InfoBlock) == 198 && std::is_trivially_copyable_v<InfoBlock>);

inline constexpr std::size_t kSlotCount = 8;
using SlotArray = std::array<SlotEntry, kSlotCount>;

// What the read jobs last read from the module. Each field changes only on an answer of the
// expected kind; a failed job leaves what its earlier steps stored.
struct ModuleState {
    TextArea firmware{};
    InfoBlock info{};
    SlotArray slots{};
    std::uint16_t advInterval = 0;  // ms
    AutoConState autoCon{};
    std::uint8_t flow = 0;    // 0 off, 1 on
    std::uint8_t role = 0;    // 1 peripheral, 2 central 1:1, 3 multi-connection
    std::uint8_t bypass = 0;  // multi-connection bypass: 0 off (AT command mode), 1 on

    std::string Firmware() const { return TextOf(firmware); }
};
