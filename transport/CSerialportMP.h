#pragma once

#include "PortChannel.h"

#include <asio/io_context.hpp>
#include <asio/io_context_strand.hpp>
#include <asio/serial_port.hpp>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

// One serial port, the local PortChannel: an always-outstanding read and a bounded write queue.
// Completions and the owner's callbacks run on the thread of the io_context it was built on.
class CSerialportMP : public PortChannel {
public:
    static constexpr std::size_t kReadBufferSize = 1024;
    static constexpr std::size_t kWriteBufferSize = 1024;

    explicit CSerialportMP(asio::io_context& ioContext);
    ~CSerialportMP() override;

    // portName is the device path (/dev/ttyUSB0) or, on Windows, the COM name.
    std::error_code Open(const std::string& portName, const PortSettings& settings) override;
    void Close() override;
    std::size_t Write(const void* data, std::size_t length) override;
    bool IsOpen() const override { return m_isOpen; }
    void Discard() override;
    ModemLineControl& ModemLines() override { return m_nativeLines; }
    // Runs `call` on the native handle while the port is open, serialised with the other calls
    // on the port; std::errc::bad_file_descriptor when closed. For the modem lines.
    using NativeCall = std::function<std::error_code(asio::serial_port::native_handle_type)>;
    std::error_code WithNativeHandle(const NativeCall& call);

private:
    // The lines through the native handle (ModemLines.cpp). Linux: the TIOCM* and
    // TIOCSBRK/TIOCCBRK ioctls. Windows: EscapeCommFunction (SETDTR/CLRDTR, SETRTS/CLRRTS),
    // GetCommModemStatus (MS_CTS_ON, MS_DSR_ON, MS_RLSD_ON, MS_RING_ON), SetCommBreak and
    // ClearCommBreak.
    class NativeLines : public ModemLineControl {
    public:
        explicit NativeLines(CSerialportMP& port) : m_port(port) {}
        std::error_code SetDtr(bool asserted) override;
        std::error_code SetRts(bool asserted) override;
        std::error_code ReadInputs(ModemLineState& state) override;
        std::error_code SetBreak(bool on) override;

    private:
        CSerialportMP& m_port;
    };

    std::shared_ptr<CSerialportMP> SharedSelf();
    struct LineOptions;
    std::error_code ApplyOptions(const LineOptions& options);
    void DiscardDriverBuffers();
    void DiscardUnsentOutput();
    void StartRead(std::uint64_t generation);
    void HandleRead(std::uint64_t generation, const std::error_code& error, std::size_t bytesRead);
    void StartWrite();  // m_writeLock held
    void HandleWrite(std::uint64_t generation, const std::error_code& error,
                     std::size_t bytesWritten);
    // Whether a completion started under `generation` belongs to the connection open now.
    bool IsCurrent(std::uint64_t generation) const {
        return m_isOpen && m_generation == generation;
    }

    std::atomic<bool> m_isOpen{false};
    // Counts connections. Handlers carry the one they were started under, so completions left
    // behind by a stopped connection (queued in a stopped io_context) do nothing to the next.
    std::atomic<std::uint64_t> m_generation{0};
    std::vector<std::uint8_t> m_rxData;
    std::array<std::uint8_t, kReadBufferSize> m_readBuf{};
    std::vector<std::uint8_t> m_txQueue;
    std::array<std::uint8_t, kWriteBufferSize> m_writeBuf{};
    bool m_writing = false;
    std::size_t m_writeInFlight = 0;  // bytes of m_txQueue's front in the write under way
    std::mutex m_readLock;
    std::mutex m_writeLock;
    // Serialises calls on the port object itself: operations are started on the I/O thread or
    // a writer's thread while Close runs on the window thread, and asio's port object is not
    // safe for concurrent use. Taken last, held only for the call on the port.
    std::mutex m_portLock;
    asio::serial_port m_serialPort;
    asio::io_context::strand m_strand;
    NativeLines m_nativeLines{*this};
};
