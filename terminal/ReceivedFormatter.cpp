#include "ReceivedFormatter.h"

#include <algorithm>
#include <string>
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

void AppendNumber(std::u16string& out, std::int64_t value) {
    for (const char digit : std::to_string(value)) {
        out.push_back(static_cast<char16_t>(digit));
    }
}

// "YYYY-MM-DD " of a day counted from 1970-01-01 (the civil calendar, proleptic Gregorian).
void AppendDate(std::u16string& out, std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    const auto day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const auto month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    AppendNumber(out, year);
    out.push_back(u'-');
    AppendTwoDigits(out, month);
    out.push_back(u'-');
    AppendTwoDigits(out, day);
    out.push_back(u' ');
}

// "S.mmm" of a duration, never negative (a clock set back gives 0).
void AppendSeconds(std::u16string& out, std::int64_t ms) {
    ms = std::max<std::int64_t>(0, ms);
    AppendNumber(out, ms / 1000);
    out.push_back(u'.');
    const auto millis = static_cast<int>(ms % 1000);
    out.push_back(static_cast<char16_t>(u'0' + millis / 100));
    AppendTwoDigits(out, millis % 100);
}

void AppendClock(std::u16string& out, std::int64_t msOfDay) {
    const std::int64_t ms = ((msOfDay % kMsPerDay) + kMsPerDay) % kMsPerDay;
    const auto seconds = static_cast<int>(ms / 1000);
    const auto millis = static_cast<int>(ms % 1000);
    AppendTwoDigits(out, seconds / 3600);
    out.push_back(u':');
    AppendTwoDigits(out, seconds / 60 % 60);
    out.push_back(u':');
    AppendTwoDigits(out, seconds % 60);
    out.push_back(u'.');
    out.push_back(static_cast<char16_t>(u'0' + millis / 100));
    AppendTwoDigits(out, millis % 100);
}

}  // namespace

void AppendTimeStamp(std::u16string& out, std::int64_t localMs) {
    out.push_back(u'[');
    AppendClock(out, localMs);
    out += u"] ";
}

void AppendStampOf(std::u16string& out, StampFormat format, std::int64_t localMs,
                   std::int64_t referenceMs) {
    out.push_back(u'[');
    switch (format) {
        case StampFormat::kTimeOfDay:
            AppendClock(out, localMs);
            break;
        case StampFormat::kDateAndTime:
            AppendDate(out, (localMs >= 0 ? localMs : localMs - kMsPerDay + 1) / kMsPerDay);
            AppendClock(out, localMs);
            break;
        case StampFormat::kSinceOpen:
            AppendSeconds(out, localMs - referenceMs);
            break;
        case StampFormat::kSincePrevious:
            out.push_back(u'+');
            AppendSeconds(out, referenceMs < 0 ? 0 : localMs - referenceMs);
            break;
    }
    out += u"] ";
}

void ReceivedFormatter::Format(const std::uint8_t* data, std::size_t size, std::int64_t localMs) {
    if (m_hex) {
        FormatHex(data, size, localMs);
    } else {
        FormatText(data, size, localMs);
    }
}

void ReceivedFormatter::FormatText(const std::uint8_t* data, std::size_t size,
                                   std::int64_t localMs) {
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
            AppendStamp(m_final, localMs);
        }
        const std::size_t lineEnd = text.find(u'\n', from);
        const std::size_t to = lineEnd == std::u16string::npos ? text.size() : lineEnd + 1;
        m_final.append(text, from, to - from);
        m_atLineStart = lineEnd != std::u16string::npos;
        from = to;
    }
}

void ReceivedFormatter::FormatHex(const std::uint8_t* data, std::size_t size,
                                  std::int64_t localMs) {
    for (std::size_t index = 0; index < size; ++index) {
        if (m_row.empty()) {
            m_rowStartMs = localMs;
        }
        m_row.push_back(static_cast<char>(data[index]));
        if (m_row.size() == kRowBytes) {
            AppendRow(m_final);
            m_final.push_back(u'\n');
            m_row.clear();
        }
    }
}

void ReceivedFormatter::AppendStamp(std::u16string& out, std::int64_t localMs) {
    if (m_stampFormat == StampFormat::kSincePrevious) {
        AppendStampOf(out, m_stampFormat, localMs, m_lastLineMs);
    } else {
        if (localMs != m_stampMs) {
            m_stamp.clear();
            AppendStampOf(m_stamp, m_stampFormat, localMs, m_openedMs);
            m_stampMs = localMs;
        }
        out += m_stamp;
    }
    // An unfinished row is stamped again with each update; only a line shown for good counts.
    if (&out == &m_final) {
        m_lastLineMs = localMs;
    }
}

void ReceivedFormatter::SetStampFormat(StampFormat format) {
    m_stampFormat = format;
    m_stampMs = -1;
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

void ReceivedFormatter::SetHex(bool on, std::int64_t localMs) {
    if (on == m_hex) {
        return;
    }
    if (on) {
        const std::string held = m_decoder.TakeHeldBytes();
        EndTextLine();
        m_hex = true;
        FormatHex(reinterpret_cast<const std::uint8_t*>(held.data()), held.size(), localMs);
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
    m_lastLineMs = -1;
    m_decodedUnits = 0;
    return row;
}
