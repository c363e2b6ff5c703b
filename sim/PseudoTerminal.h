#pragma once

#include <cstdint>
#include <string>
#include <system_error>

// The module's end of a pseudo-terminal: the master side, plus a slave descriptor of its own
// kept open so the line stays up while programs open and close the other end. Not thread-safe;
// one owner.
class PseudoTerminal {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Opens the pair, raw, at `speed` (so a program that sets no speed matches the module).
    std::error_code Open(std::uint32_t speed);
    // Closes both descriptors: whoever has the slave open sees the line vanish.
    void Close();

    bool IsOpen() const { return m_master >= 0; }
    int MasterFd() const { return m_master; }
    const std::string& SlavePath() const { return m_slavePath; }
    // Packet mode: every read of the master starts with a status byte, 0 before data, flags
    // (TIOCPKT_FLUSHREAD when the program flushes its input, as an open does) otherwise.
    bool EnablePacketMode();
    // The output speed the program set on its end, in baud; 0 if unknown.
    std::uint32_t ProgramSpeed() const;

private:
    int m_master = -1;
    int m_slaveKeeper = -1;
    std::string m_slavePath;
};

// Baud rate <-> termios speed constant; 0 for speeds termios does not name.
unsigned SpeedConstantFor(std::uint32_t baud);
std::uint32_t BaudOfSpeedConstant(unsigned speed);
