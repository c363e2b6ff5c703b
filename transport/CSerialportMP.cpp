#include "CSerialportMP.h"

#include "SerialPlatform.h"
#include "VirtualPorts.h"

#include <asio/bind_executor.hpp>
#include <asio/post.hpp>

#include <algorithm>
#include <stdexcept>

CSerialportMP::CSerialportMP(asio::io_context& ioContext)
    : m_serialPort(ioContext), m_strand(ioContext) {}

CSerialportMP::~CSerialportMP() {
    Close();
}

std::shared_ptr<CSerialportMP> CSerialportMP::SharedSelf() {
    try {
        return std::static_pointer_cast<CSerialportMP>(shared_from_this());
    } catch (const std::bad_weak_ptr& error) {
        throw std::runtime_error(
            std::string("It seems like that instance is not created from shared_ptr: ") +
            error.what());
    }
}

struct CSerialportMP::LineOptions {
    asio::serial_port_base::baud_rate baud;
    asio::serial_port_base::character_size size;
    asio::serial_port_base::parity parity;
    asio::serial_port_base::stop_bits stop;
    asio::serial_port_base::flow_control flow;
};

std::error_code CSerialportMP::Open(const std::string& portName, const PortSettings& settings) {
    std::shared_ptr<CSerialportMP> self = SharedSelf();
    if (m_isOpen) {
        return std::make_error_code(std::errc::device_or_resource_busy);
    }
    // The option constructors throw std::out_of_range for bad values; build them before the
    // device is opened so a rejected value never leaves the device open behind our back.
    using base = asio::serial_port_base;
    const LineOptions options{
        base::baud_rate(settings.baudRate), base::character_size(settings.characterSize),
        base::parity(static_cast<base::parity::type>(settings.parity)),
        base::stop_bits(static_cast<base::stop_bits::type>(settings.stopBits)),
        base::flow_control(static_cast<base::flow_control::type>(settings.flowControl))};
    // A stale virtual link may point at another program's terminal by now.
    std::error_code error = VirtualPorts::CheckBeforeOpen(portName);
    if (error) {
        return error;
    }
    {
        std::lock_guard portLock(m_portLock);
        m_serialPort.open(SerialPlatform::DeviceName(portName), error);
        if (!error) {
            error = SerialPlatform::LockExclusively(m_serialPort.native_handle());
        }
        if (error && m_serialPort.is_open()) {
            std::error_code ignored;
            m_serialPort.close(ignored);
        }
    }
    if (error) {
        return error;
    }
    DiscardDriverBuffers();
    error = ApplyOptions(options);
    if (!error && m_leaveModemLines) {
        std::lock_guard portLock(m_portLock);
        error = SerialPlatform::KeepModemLinesOnClose(m_serialPort.native_handle());
    }
    if (error) {
        std::lock_guard portLock(m_portLock);
        SerialPlatform::ReleaseExclusiveLock(m_serialPort.native_handle());
        m_serialPort.close();
        return error;
    }
    {
        std::lock_guard writeLock(m_writeLock);
        m_txQueue.clear();
        m_writing = false;
    }
    const std::uint64_t generation = ++m_generation;
    m_isOpen = true;
    asio::io_context& context = static_cast<asio::io_context&>(m_strand.context());
    asio::post(context, [self, generation] { self->StartRead(generation); });
    asio::post(context, [self] {
        std::lock_guard writeLock(self->m_writeLock);
        self->StartWrite();
    });
    return {};
}

std::error_code CSerialportMP::ApplyOptions(const LineOptions& options) {
    std::lock_guard portLock(m_portLock);
    std::error_code error;
    if (m_serialPort.set_option(options.baud, error); error)
        return error;
    if (m_serialPort.set_option(options.size, error); error)
        return error;
    if (m_serialPort.set_option(options.parity, error); error)
        return error;
    if (m_serialPort.set_option(options.stop, error); error)
        return error;
    m_serialPort.set_option(options.flow, error);
    return error;
}

void CSerialportMP::Discard() {
    {
        std::lock_guard writeLock(m_writeLock);
        // What is already handed to the driver goes with its buffers below.
        m_txQueue.resize(m_writing ? std::min(m_txQueue.size(), m_writeInFlight) : 0);
    }
    std::lock_guard portLock(m_portLock);
    if (m_isOpen && m_serialPort.is_open()) {
        SerialPlatform::DiscardInputAndOutput(m_serialPort.native_handle());
    }
}

void CSerialportMP::DiscardDriverBuffers() {
    std::lock_guard portLock(m_portLock);
    SerialPlatform::DiscardInputAndOutput(m_serialPort.native_handle());
}

void CSerialportMP::Close() {
    if (!m_isOpen.exchange(false)) {
        return;
    }
    {
        std::lock_guard portLock(m_portLock);
        std::error_code ignored;
        m_serialPort.cancel(ignored);
        DiscardUnsentOutput();
        SerialPlatform::ReleaseExclusiveLock(m_serialPort.native_handle());
        m_serialPort.close(ignored);
    }
    {
        // A receive callback of this connection that runs now finishes before Close returns;
        // the ones that start later find the channel closed. The owner may go away then.
        std::lock_guard readLock(m_readLock);
    }
    // Taken after m_isOpen is cleared, for the same reason: a Write that got the lock first has
    // queued its bytes and they go here; one that comes later sees the channel closed.
    std::lock_guard writeLock(m_writeLock);
    m_txQueue.clear();
    m_writing = false;
}

// With hardware flow control and CTS never asserted, close() would wait for the driver to drain
// its output (up to 30 s on Linux); what was not sent is of no use to the next connection.
void CSerialportMP::DiscardUnsentOutput() {
    SerialPlatform::DiscardOutput(m_serialPort.native_handle());
}

std::error_code CSerialportMP::WithNativeHandle(const NativeCall& call) {
    std::lock_guard portLock(m_portLock);
    if (!m_isOpen || !m_serialPort.is_open()) {
        return std::make_error_code(std::errc::bad_file_descriptor);
    }
    return call(m_serialPort.native_handle());
}

std::size_t CSerialportMP::Write(const void* data, std::size_t length) {
    if (data == nullptr || length == 0) {
        return 0;
    }
    std::lock_guard writeLock(m_writeLock);
    if (!m_isOpen || m_txQueue.size() >= kTxQueueLimit) {
        return 0;
    }
    const std::size_t taken = std::min(length, kTxQueueLimit - m_txQueue.size());
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    m_txQueue.insert(m_txQueue.end(), bytes, bytes + taken);
    StartWrite();
    return taken;
}

void CSerialportMP::StartRead(std::uint64_t generation) {
    if (!IsCurrent(generation)) {
        return;
    }
    std::lock_guard portLock(m_portLock);
    m_serialPort.async_read_some(
        asio::buffer(m_readBuf),
        asio::bind_executor(m_strand, [self = SharedSelf(), generation](
                                          const std::error_code& error, std::size_t bytesRead) {
            self->HandleRead(generation, error, bytesRead);
        }));
}

void CSerialportMP::HandleRead(std::uint64_t generation, const std::error_code& error,
                               std::size_t bytesRead) {
    std::lock_guard readLock(m_readLock);
    if (!IsCurrent(generation)) {
        return;
    }
    if (!error) {
        m_rxData.insert(m_rxData.end(), m_readBuf.begin(), m_readBuf.begin() + bytesRead);
    }
    if (m_onReceive) {
        std::error_code reported = error;
        m_onReceive(shared_from_this(), reported, m_rxData,
                    static_cast<unsigned int>(m_rxData.size()));
    }
    m_rxData.clear();
    if (!error) {
        StartRead(generation);
    }
}

void CSerialportMP::StartWrite() {
    if (!m_isOpen || m_writing) {
        return;
    }
    const std::size_t count = std::min(m_txQueue.size(), kWriteBufferSize);
    if (count == 0) {
        return;
    }
    std::copy_n(m_txQueue.begin(), count, m_writeBuf.begin());
    {
        std::lock_guard portLock(m_portLock);
        m_serialPort.async_write_some(
            asio::buffer(m_writeBuf.data(), count),
            asio::bind_executor(m_strand,
                                [self = SharedSelf(), generation = m_generation.load()](
                                    const std::error_code& error, std::size_t bytesWritten) {
                                    self->HandleWrite(generation, error, bytesWritten);
                                }));
    }
    m_writing = true;
    m_writeInFlight = count;
}

void CSerialportMP::HandleWrite(std::uint64_t generation, const std::error_code& error,
                                std::size_t bytesWritten) {
    std::lock_guard writeLock(m_writeLock);
    if (!IsCurrent(generation)) {
        return;
    }
    if (m_onWriteComplete) {
        std::error_code reported = error;
        m_onWriteComplete(shared_from_this(), reported, static_cast<unsigned int>(bytesWritten));
    }
    if (bytesWritten != 0 && m_txQueue.size() >= bytesWritten) {
        m_txQueue.erase(m_txQueue.begin(), m_txQueue.begin() + bytesWritten);
    }
    m_writing = false;
    // Carry on with what is still queued (the rest of a long Write, or what a short write left);
    // after an error the unsent bytes stay queued until the next Write or Open.
    if (!error) {
        StartWrite();
    }
}
