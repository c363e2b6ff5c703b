#include "ReceivedFormatter.h"

#include <utility>

namespace {

constexpr char16_t kHexDigits[] = u"0123456789abcdef";
constexpr std::int64_t kMsPerDay = 24LL * 60 * 60 * 1000;

void AppendTwoDigits(std::u16string& out, int value) {
    out.push_back(static_cast<char16_t>(u'0' + value / 10));
    out.push_back(static_cast<char16_t>(u'0' + value % 10));
}

char16_t AsciiColumn(std::uint8_t byte) {
    return byte >= 0x20 && byte < 0x7F ? static_cast<char16_t>(byte) : u'.';
}

}  // namespace

void AppendTimeStamp(std::u16string& out, std::int64_t msOfDay) {
    const std::int64_t ms = ((msOfDay % kMsPerDay) + kMsPerDay) % kMsPerDay;
    const auto seconds = static_cast<int>(ms / 1000);
    const auto millis = static_cast<int>(ms % 1000);
    out.push_back(u'[');
    AppendTwoDigits(out, seconds / 3600);
    out.push_back(u':');
    AppendTwoDigits(out, seconds / 60 % 60);
    out.push_back(u':');
    AppendTwoDigits(out, seconds % 60);
    out.push_back(u'.');
    out.push_back(static_cast<char16_t>(u'0' + millis / 100));
    AppendTwoDigits(out, millis % 100);
    out += u"] ";
}

void ReceivedFormatter::Format(const std::uint8_t* data, std::size_t size, std::int64_t msOfDay) {
    if (m_hex) {
        FormatHex(data, size, msOfDay);
    } else {
        FormatText(data, size, msOfDay);
    }
}

void ReceivedFormatter::FormatText(const std::uint8_t* data, std::size_t size,
                                   std::int64_t msOfDay) {
    std::u16string text = m_decoder.Decode(data, size);
    m_decodedUnits += text.size();
    if (!m_timestamps) {
        if (!text.empty()) {
            m_atLineStart = text.back() == u'\n';
            if (m_final.empty()) {
                m_final = std::move(text);
            } else {
                m_final += text;
            }
        }
        return;
    }
    std::size_t from = 0;
    while (from < text.size()) {
        if (m_atLineStart) {
            AppendStamp(m_final, msOfDay);
        }
        const std::size_t lineEnd = text.find(u'\n', from);
        const std::size_t to = lineEnd == std::u16string::npos ? text.size() : lineEnd + 1;
        m_final.append(text, from, to - from);
        m_atLineStart = lineEnd != std::u16string::npos;
        from = to;
    }
}

void ReceivedFormatter::FormatHex(const std::uint8_t* data, std::size_t size,
                                  std::int64_t msOfDay) {
    for (std::size_t index = 0; index < size; ++index) {
        if (m_row.empty()) {
            m_rowStartMs = msOfDay;
        }
        m_row.push_back(static_cast<char>(data[index]));
        if (m_row.size() == kRowBytes) {
            AppendRow(m_final);
            m_final.push_back(u'\n');
            m_row.clear();
        }
    }
}

void ReceivedFormatter::AppendStamp(std::u16string& out, std::int64_t msOfDay) {
    if (msOfDay != m_stampMs) {
        m_stamp.clear();
        AppendTimeStamp(m_stamp, msOfDay);
        m_stampMs = msOfDay;
    }
    out += m_stamp;
}

void ReceivedFormatter::AppendRow(std::u16string& out) {
    if (m_timestamps) {
        AppendStamp(out, m_rowStartMs);
    }
    // Built in place: this runs for every 16 bytes of a stream shown in hex.
    char16_t row[kRowBytes * 4 + 3];
    char16_t* hex = row;
    char16_t* ascii = row + kRowBytes * 3 + 2;
    for (std::size_t index = 0; index < kRowBytes; ++index, hex += 3) {
        if (index < m_row.size()) {
            const auto byte = static_cast<std::uint8_t>(m_row[index]);
            hex[0] = kHexDigits[byte >> 4];
            hex[1] = kHexDigits[byte & 0x0F];
            *ascii++ = AsciiColumn(byte);
        } else {
            hex[0] = u' ';
            hex[1] = u' ';
        }
        hex[2] = u' ';
    }
    hex[0] = u' ';
    hex[1] = u'|';
    *ascii++ = u'|';
    out.append(row, static_cast<std::size_t>(ascii - row));
}

ShownUpdate ReceivedFormatter::TakeUpdate() {
    ShownUpdate update;
    update.dropTail = std::exchange(m_shownPartial, 0);
    update.finalText = std::move(m_final);
    m_final.clear();
    if (!m_row.empty()) {
        AppendRow(update.partialText);
        m_shownPartial = update.partialText.size();
    }
    return update;
}

void ReceivedFormatter::SetHex(bool on, std::int64_t msOfDay) {
    if (on == m_hex) {
        return;
    }
    if (on) {
        const std::string held = m_decoder.TakeHeldBytes();
        EndTextLine();
        m_hex = true;
        FormatHex(reinterpret_cast<const std::uint8_t*>(held.data()), held.size(), msOfDay);
        return;
    }
    if (!m_row.empty()) {
        AppendRow(m_final);
        m_final.push_back(u'\n');
        m_row.clear();
    }
    m_hex = false;
    m_atLineStart = true;
}

void ReceivedFormatter::EndTextLine() {
    if (!m_atLineStart) {
        m_final.push_back(u'\n');
        m_atLineStart = true;
    }
}

std::u16string ReceivedFormatter::UnfinishedRow() {
    std::u16string row;
    if (!m_row.empty()) {
        AppendRow(row);
    }
    return row;
}

std::u16string ReceivedFormatter::ViewCleared() {
    std::u16string row = UnfinishedRow();
    m_row.clear();
    m_shownPartial = 0;
    m_atLineStart = true;
    return row;
}

std::u16string ReceivedFormatter::Reset() {
    std::u16string row = ViewCleared();
    m_decoder.Reset();
    m_final.clear();
    m_decodedUnits = 0;
    return row;
}
