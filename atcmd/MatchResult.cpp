#include "MatchResult.h"

#include "AtStatus.h"

#include <algorithm>

MatchResult::MatchResult(std::int32_t status, std::uint16_t payloadSize)
    : m_bytes(kHeaderSize + payloadSize, 0) {
    SetStatus(status);
    m_bytes[4] = static_cast<std::uint8_t>(payloadSize & 0xFF);
    m_bytes[5] = static_cast<std::uint8_t>(payloadSize >> 8);
}

std::int32_t MatchResult::Status() const {
    if (m_bytes.size() < kHeaderSize) {
        return AT_NO_RESULT;
    }
    const std::uint32_t value = std::uint32_t{m_bytes[0]} | std::uint32_t{m_bytes[1]} << 8 |
                                std::uint32_t{m_bytes[2]} << 16 | std::uint32_t{m_bytes[3]} << 24;
    return static_cast<std::int32_t>(value);
}

void MatchResult::SetStatus(std::int32_t status) {
    if (m_bytes.size() < kHeaderSize) {
        m_bytes.assign(kHeaderSize, 0);
    }
    const auto value = static_cast<std::uint32_t>(status);
    for (std::size_t i = 0; i < 4; ++i) {
        m_bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint16_t MatchResult::PayloadLength() const {
    if (m_bytes.size() < kHeaderSize) {
        return 0;
    }
    return static_cast<std::uint16_t>(m_bytes[4] | m_bytes[5] << 8);
}

std::span<const std::uint8_t> MatchResult::Payload() const {
    if (m_bytes.size() <= kHeaderSize) {
        return {};
    }
    return std::span(m_bytes).subspan(kHeaderSize);
}

std::span<std::uint8_t> MatchResult::Payload() {
    if (m_bytes.size() <= kHeaderSize) {
        return {};
    }
    return std::span(m_bytes).subspan(kHeaderSize);
}

std::string MatchResult::PayloadText(std::size_t offset, std::size_t area) const {
    const std::span<const std::uint8_t> payload = Payload();
    if (offset >= payload.size()) {
        return {};
    }
    const auto field = payload.subspan(offset, std::min(area, payload.size() - offset));
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    return std::string(field.begin(), end);
}

std::uint16_t MatchResult::PayloadUint16(std::size_t offset) const {
    const std::span<const std::uint8_t> payload = Payload();
    if (offset >= payload.size() || payload.size() - offset < 2) {
        return 0;
    }
    return static_cast<std::uint16_t>(payload[offset] | payload[offset + 1] << 8);
}
