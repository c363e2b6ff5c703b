#include "CommandLineReader.h"

namespace {

constexpr char kBackspace = '\b';
constexpr char kDelete = '\x7f';

}  // namespace

std::vector<CommandLineReader::Line> CommandLineReader::Feed(std::string_view bytes) {
    std::vector<Line> lines;
    for (const char byte : bytes) {
        if (byte == '\r') {
            lines.push_back(std::move(m_current));
            m_current = Line{};
            m_atLineStart = true;
        } else if (byte == '\n' && m_atLineStart) {
            continue;
        } else if (byte == kBackspace || byte == kDelete) {
            if (!m_current.text.empty()) {
                m_current.text.pop_back();
            }
        } else {
            Append(byte);
        }
    }
    return lines;
}

void CommandLineReader::Append(char byte) {
    m_atLineStart = false;
    if (m_current.text.size() < kMaxLineBytes) {
        m_current.text += byte;
    } else {
        m_current.tooLong = true;
    }
}
