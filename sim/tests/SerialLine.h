#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

// The program's end of the line, for tests: opens a port path raw, as a serial program would.
class SerialLine {
public:
    explicit SerialLine(const std::string& path, std::uint32_t baud = 9600);
    ~SerialLine();
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    void SetSpeed(std::uint32_t baud);
    void Write(std::string_view bytes);
    // Bytes up to and including the next CR, or what arrived before the limit passed.
    std::string ReadLine(std::chrono::milliseconds limit = std::chrono::seconds(5));
    std::string ReadExactly(std::size_t count,
                            std::chrono::milliseconds limit = std::chrono::seconds(5));
    // Writes the command with a CR and returns the next line.
    std::string Ask(std::string_view command);
    // How many reads have returned data so far.
    int Reads() const { return m_reads; }

private:
    bool ReadMore(std::chrono::steady_clock::time_point deadline);

    int m_fd = -1;
    std::string m_pending;
    int m_reads = 0;
};
