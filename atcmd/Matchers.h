#pragma once

#include "MatchResult.h"

#include <cstdint>
#include <span>

// The response matchers: each is a pure function of one frame (a plain frame "OK\r" or an
// enclosed frame "\r\nOK\r\n") and answers AT_NO_MATCH or its own status with the decoded fields
// in the payload. Every copy into a payload is bounded by the size of its area.
//
// Terms: "the text" is the bytes before the frame's first CR (empty for an enclosed frame);
// matchers that work on it refuse a frame without CR. Numbers are read as strtol in base 10
// does (leading space and sign accepted, stops at the first non-digit, no digits give 0).

// Status only (no payload).
MatchResult MatchOk(std::span<const std::uint8_t> frame);        // AT_OK
MatchResult MatchError(std::span<const std::uint8_t> frame);     // AT_ERROR
MatchResult MatchReady(std::span<const std::uint8_t> frame);     // AT_READY
MatchResult MatchScanning(std::span<const std::uint8_t> frame);  // AT_SCANNING
MatchResult MatchStopped(std::span<const std::uint8_t> frame);   // AT_STOPPED
MatchResult MatchSetMode(std::span<const std::uint8_t> frame);   // AT_SETMODE

// Payload byte 0: 1 for ON, 0 for OFF.
MatchResult MatchFlowControl(std::span<const std::uint8_t> frame);  // AT_FLOW_CONTROL
MatchResult MatchBypass(std::span<const std::uint8_t> frame);       // AT_BYPASS
MatchResult MatchOnOffText(std::span<const std::uint8_t> frame);    // AT_ON_OFF
// Payload byte 0: 1 peripheral, 2 central, 3 multi-connection central.
MatchResult MatchRole(std::span<const std::uint8_t> frame);  // AT_ROLE

// Payload bytes 0-63: the first 63 bytes of the text, NUL-terminated.
MatchResult MatchVersion(std::span<const std::uint8_t> frame);  // AT_VERSION, text begins with v
MatchResult MatchText(std::span<const std::uint8_t> frame);     // AT_TEXT, any text
// AT_MODEL: any text except a bare status word ("OK", "+READY", "+SETMODE", "+STOPPED",
// "+SCANNING", "+OK") and a scan report line; "ERROR" is a model text.
MatchResult MatchModel(std::span<const std::uint8_t> frame);
// Payload bytes 0-52: a hex text of at most 52 digits, NUL-terminated.
MatchResult MatchHexText(std::span<const std::uint8_t> frame);  // AT_HEX_TEXT
// Payload bytes 0-1: the low 16 bits of the hex-digit text read as a decimal number.
MatchResult MatchNumber(std::span<const std::uint8_t> frame);  // AT_NUMBER

// "+<12 hex digits>,<rssi>,<name>\r"; payload: a ScanReport.
MatchResult MatchScanReport(std::span<const std::uint8_t> frame);  // AT_SCAN_REPORT
// "+SLOT,<n>,<12 hex digits>[,<name of at most 8 bytes>]\r"; payload: slot number (byte 0),
// address (1-6), name (7-70).
MatchResult MatchSlot(std::span<const std::uint8_t> frame);  // AT_SLOT
// "<address with separators>,<name>,<third>,<state>\r"; payload: address (0-5), then three
// 64-byte text areas at 6, 70 and 134.
MatchResult MatchInfo(std::span<const std::uint8_t> frame);  // AT_INFO
// "+SR,<0-7>,<0-8>,<0-8>[,...]"; payload bytes 0-2 the numbers, 3-70 zero.
MatchResult MatchSr(std::span<const std::uint8_t> frame);  // AT_SR
// "ON|OFF,[<address with separators>]\r"; payload: flag (byte 0), address (1-6). The status is
// AT_AUTOCON even when the address does not convert; the address then holds what the conversion
// left.
MatchResult MatchAutoCon(std::span<const std::uint8_t> frame);  // AT_AUTOCON
