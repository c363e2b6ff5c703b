#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The answer of a matcher or of a transaction: one owning byte array with a fixed layout that
// callers read by position. Bytes 0-3 hold a signed 32-bit status (AtStatus), bytes 4-5 the
// unsigned 16-bit payload length, both little-endian; the payload follows from byte 6. A
// default-constructed result is empty, meaning "no result".
class MatchResult {
public:
    static constexpr std::size_t kHeaderSize = 6;

    MatchResult() = default;
    // A result with a zero-filled payload of `payloadSize` bytes.
    explicit MatchResult(std::int32_t status, std::uint16_t payloadSize = 0);

    bool IsEmpty() const { return m_bytes.empty(); }
    // AT_NO_RESULT for an empty result.
    std::int32_t Status() const;
    void SetStatus(std::int32_t status);
    std::uint16_t PayloadLength() const;

    std::span<const std::uint8_t> Payload() const;
    std::span<std::uint8_t> Payload();
    // The text in payload bytes [offset, offset + area) up to its first NUL, clipped to the
    // payload.
    std::string PayloadText(std::size_t offset, std::size_t area) const;
    // The little-endian 16-bit value at payload bytes offset and offset + 1; 0 past the payload.
    std::uint16_t PayloadUint16(std::size_t offset) const;

    // The whole array, header included.
    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};
