#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// The far end of a real pseudo-terminal, for tests: the code under test opens SlavePath(), the
// test reads and writes the master side.
class PtyPeer {
public:
    PtyPeer();
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    const std::string& SlavePath() const { return m_slavePath; }

    void Write(const std::string& bytes);
    void Write(const std::vector<std::uint8_t>& bytes);
    // Returns what arrives until `count` bytes are read or the limit passes.
    std::vector<std::uint8_t> ReadExactly(std::size_t count, std::chrono::milliseconds limit);
    // Returns what arrives until the line stays quiet for `quiet` (or `limit` passes).
    std::vector<std::uint8_t> ReadUntilQuiet(std::chrono::milliseconds quiet,
                                             std::chrono::milliseconds limit);
    // Closes the master side: the program sees its port vanish, as with an unplugged adapter.
    void Unplug();

private:
    int m_master = -1;
    int m_slaveKeeper = -1;  // keeps the line up while the program reopens its side
    std::string m_slavePath;
};
