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

// Decodes one well-formed sequence starting at `at` into `code`, returning its length, or 0 if
// the bytes there are not one (overlong, a surrogate, beyond U+10FFFF, a bad trail byte).
std::size_t DecodeSequence(const unsigned char* at, const unsigned char* end, char32_t& code) {
    const unsigned char lead = at[0];
    const std::size_t length = SequenceLength(lead);
    if (length < 2 || static_cast<std::size_t>(end - at) < length) {
        return 0;
    }
    static constexpr unsigned char kLeadBits[] = {0, 0, 0x1F, 0x0F, 0x07};
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    code = lead & kLeadBits[length];
    for (std::size_t index = 1; index < length; ++index) {
        if (!IsTrail(at[index])) {
            return 0;
        }
        code = (code << 6) | (at[index] & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < kSmallest[length] || surrogate || code > 0x10FFFF ? 0 : length;
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
    const std::string bytes = TakeCompletePart(data, size);
    const bool lastWasCr = m_lastWasCr;
    std::u16string text;
    if (ShowWellFormed(bytes, text)) {
        return text;
    }
    // Invalid UTF-8 is rare: the general conversion marks it, as everywhere else.
    m_lastWasCr = lastWasCr;
    return ShownText(Utf8ToWide(bytes));
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

// The fast way for well-formed UTF-8, which is what a stream almost always is: decodes and
// applies the line-break and NUL rules in one pass. Returns false at the first malformed sequence.
bool ReceivedTextDecoder::ShowWellFormed(const std::string& bytes, std::u16string& text) {
    text.resize(bytes.size());  // never more UTF-16 units than UTF-8 bytes
    char16_t* out = text.data();
    const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = at + bytes.size();
    while (at != end) {
        const unsigned char byte = *at;
        if (byte >= 0x80) {
            char32_t code = 0;
            const std::size_t length = DecodeSequence(at, end, code);
            if (length == 0) {
                return false;
            }
            at += length;
            m_lastWasCr = false;
            if (code >= 0x10000) {
                *out++ = static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
                *out++ = static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
            } else {
                *out++ = static_cast<char16_t>(code);
            }
            continue;
        }
        ++at;
        if (byte == '\0') {
            continue;
        }
        if (byte == '\n' && m_lastWasCr) {
            m_lastWasCr = false;
            continue;
        }
        m_lastWasCr = byte == '\r';
        *out++ = byte == '\r' ? u'\n' : static_cast<char16_t>(byte);
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
    return true;
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
