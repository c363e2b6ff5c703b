#pragma once

#include <asio/detail/noncopyable.hpp>
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

// One serial port with an always-outstanding read and a bounded write queue. Completions and the
// owner's callbacks run on the thread of the io_context it was built on. Must be owned by a
// std::shared_ptr: every pending operation keeps the channel alive through one.
class CSerialportMP : public std::enable_shared_from_this<CSerialportMP>,
                      private asio::detail::noncopyable {
public:
    using Ptr = std::shared_ptr<CSerialportMP>;
    using ReceiveHandler = std::function<void(Ptr, std::error_code&,
                                              const std::vector<std::uint8_t>&, unsigned int)>;
    using WriteHandler = std::function<void(Ptr, std::error_code&, unsigned int)>;

    static constexpr std::size_t kReadBufferSize = 1024;
    static constexpr std::size_t kWriteBufferSize = 1024;
    static constexpr std::size_t kTxQueueLimit = 4086;

    explicit CSerialportMP(asio::io_context& ioContext);
    virtual ~CSerialportMP();

    // portName is the device path (/dev/ttyUSB0) or, on Windows, the COM name.
    // Option values: parity 0 none/1 odd/2 even, stopBits 0 one/1 one and a half/2 two,
    // flowControl 0 none/1 software/2 hardware. Out-of-range values throw std::out_of_range.
    std::error_code Open(const std::string& portName, std::uint32_t baudRate,
                         std::uint8_t characterSize, std::uint8_t parity, std::uint8_t stopBits,
                         std::uint8_t flowControl);
    // Returns once no callback of this connection runs or will run. Must not be called from
    // inside the channel's own callbacks (they hold the locks it takes): post it instead.
    void Close();
    // Queues up to the free room of the queue; returns how many bytes were taken. A write on a
    // closed channel is dropped (0): it must never reach the next connection's device.
    std::size_t Write(const void* data, std::size_t length);
    bool IsOpen() const { return m_isOpen; }
    // Runs `call` on the native handle while the port is open, serialised with the other calls
    // on the port; std::errc::bad_file_descriptor when closed. For the modem lines.
    using NativeCall = std::function<std::error_code(asio::serial_port::native_handle_type)>;
    std::error_code WithNativeHandle(const NativeCall& call);

    ReceiveHandler m_onReceive;
    WriteHandler m_onWriteComplete;

private:
    Ptr SharedSelf();
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
    std::mutex m_readLock;
    std::mutex m_writeLock;
    // Serialises calls on the port object itself: operations are started on the I/O thread or
    // a writer's thread while Close runs on the window thread, and asio's port object is not
    // safe for concurrent use. Taken last, held only for the call on the port.
    std::mutex m_portLock;
    asio::serial_port m_serialPort;
    asio::io_context::strand m_strand;
};
