#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Turns the received byte stream into display text one read batch at a time, so that what is
// shown does not depend on where the stream happened to be cut into reads:
// - a UTF-8 sequence whose last bytes are still to come waits for the next batch;
// - every line break (CR LF, CR, LF) becomes one LF, also a CR LF pair cut between two batches;
// - NUL is not shown, and what follows it is.
// Invalid UTF-8 becomes U+FFFD. Toolkit-free; one instance per stream, one thread at a time.
class ReceivedTextDecoder {
public:
    std::u16string Decode(const std::uint8_t* data, std::size_t size);
    // Forgets a held partial sequence and the pending CR (a new connection starts afresh).
    void Reset();

    // Bytes of an incomplete sequence held back for the next batch.
    std::size_t HeldBytes() const { return m_carry.size(); }
    // Hands the held bytes to another reader of the stream (the hex view) and starts afresh.
    std::string TakeHeldBytes();

private:
    std::string TakeCompletePart(const std::uint8_t* data, std::size_t size);
    bool ShowWellFormed(const std::string& bytes, std::u16string& text);
    std::u16string ShownText(const std::u16string& decoded);

    std::string m_carry;
    bool m_lastWasCr = false;
};
