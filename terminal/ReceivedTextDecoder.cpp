#include "ReceivedTextDecoder.h"

#include "Conversions.h"

namespace {

bool IsTrail(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Length of the sequence a lead byte announces; 0 for a byte that cannot start one.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 0;
}

// Where the unfinished sequence at the end of `bytes` starts, or bytes.size() if there is none.
std::size_t IncompleteTailStart(const std::string& bytes) {
    const std::size_t size = bytes.size();
    std::size_t lead = size;
    while (lead > 0 && size - lead < 4) {
        --lead;
        const auto byte = static_cast<unsigned char>(bytes[lead]);
        if (!IsTrail(byte)) {
            return size - lead < SequenceLength(byte) ? lead : size;
        }
    }
    return size;
}

}  // namespace

std::u16string ReceivedTextDecoder::Decode(const std::uint8_t* data, std::size_t size) {
    return ShownText(Utf8ToWide(TakeCompletePart(data, size)));
}

void ReceivedTextDecoder::Reset() {
    m_carry.clear();
    m_lastWasCr = false;
}

std::string ReceivedTextDecoder::TakeHeldBytes() {
    std::string held = std::move(m_carry);
    Reset();
    return held;
}

std::string ReceivedTextDecoder::TakeCompletePart(const std::uint8_t* data, std::size_t size) {
    std::string bytes = std::move(m_carry);
    m_carry.clear();
    bytes.append(reinterpret_cast<const char*>(data), size);
    const std::size_t tail = IncompleteTailStart(bytes);
    m_carry.assign(bytes, tail);
    bytes.resize(tail);
    return bytes;
}

std::u16string ReceivedTextDecoder::ShownText(const std::u16string& decoded) {
    std::u16string text;
    text.reserve(decoded.size());
    for (const char16_t unit : decoded) {
        if (unit == u'\0') {
            continue;
        }
        // The LF of a CR LF pair, also one cut between two batches, adds no second break.
        if (unit == u'\n' && m_lastWasCr) {
            m_lastWasCr = false;
            continue;
        }
        m_lastWasCr = unit == u'\r';
        text.push_back(unit == u'\r' ? u'\n' : unit);
    }
    return text;
}
