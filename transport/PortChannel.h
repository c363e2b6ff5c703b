#pragma once

#include "ModemLines.h"
#include "PortSettings.h"

#include <asio/io_context.hpp>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

// A byte channel to a module: a serial port (CSerialportMP) or a serial port exported over the
// network (NetworkChannel, for names that start with rfc2217:// or socket://). Each keeps an
// always-outstanding read and a bounded write queue on the io_context it was built on; the
// owner's callbacks run on that context's thread. Must be owned by a std::shared_ptr: every
// pending operation keeps the channel alive through one.
class PortChannel : public std::enable_shared_from_this<PortChannel> {
public:
    using Ptr = std::shared_ptr<PortChannel>;
    // Received bytes, or an error (no bytes) once the line failed; no read follows an error.
    using ReceiveHandler =
        std::function<void(Ptr, std::error_code&, const std::vector<std::uint8_t>&, unsigned int)>;
    using WriteHandler = std::function<void(Ptr, std::error_code&, unsigned int)>;

    static constexpr std::size_t kTxQueueLimit = 4086;

    PortChannel() = default;
    virtual ~PortChannel() = default;
    PortChannel(const PortChannel&) = delete;
    PortChannel& operator=(const PortChannel&) = delete;

    // Out-of-range option values throw std::out_of_range before anything is opened.
    virtual std::error_code Open(const std::string& portName, const PortSettings& settings) = 0;
    // Drops unsent output, then closes. Returns once no callback of this connection runs or
    // will run. Must not be called from inside the channel's own callbacks (they hold the locks
    // it takes): post it instead.
    virtual void Close() = 0;
    // Queues up to the free room of the queue; returns how many bytes were taken. A write on a
    // closed channel is dropped (0): it must never reach the next connection's device.
    virtual std::size_t Write(const void* data, std::size_t length) = 0;
    virtual bool IsOpen() const = 0;
    // Drops what waits to be sent and what the far end holds in both directions (the driver's
    // buffers, or the access server's), without waiting for anything.
    virtual void Discard() = 0;
    // The control lines of this channel; valid as long as the channel. Calls on a closed channel
    // give std::errc::bad_file_descriptor; a line this channel cannot reach gives an error that
    // IsNoModemLines recognises.
    virtual ModemLineControl& ModemLines() = 0;

    // Set before Open and cleared only while closed.
    ReceiveHandler m_onReceive;
    WriteHandler m_onWriteComplete;
    // Set before Open: opening and closing leave DTR and RTS as they are, for a board whose
    // reset is wired to them (a serial port keeps them up when it closes; a network port's
    // lines are the access server's either way). Off: the system's own behaviour.
    bool m_leaveModemLines = false;
};

// Whether `portName` names a port exported over the network (rfc2217://host:port or
// socket://host:port, the scheme in any case) rather than a local device. The one test of a
// port's kind: everything that must tell the two apart asks it.
bool IsNetworkPort(std::string_view portName);

// The channel that serves `portName`: NetworkChannel for network names, CSerialportMP otherwise.
PortChannel::Ptr MakeChannelFor(asio::io_context& ioContext, const std::string& portName);

// A channel for callers that keep one channel object and open whatever port the user names:
// every Open picks the channel for that name through MakeChannelFor (keeping the last one when
// it is of the same kind) and forwards everything to it, callbacks included (they get this
// channel, not the inner one).
class AnyPortChannel : public PortChannel {
public:
    explicit AnyPortChannel(asio::io_context& ioContext);
    ~AnyPortChannel() override;

    std::error_code Open(const std::string& portName, const PortSettings& settings) override;
    void Close() override;
    std::size_t Write(const void* data, std::size_t length) override;
    bool IsOpen() const override;
    void Discard() override;
    ModemLineControl& ModemLines() override { return m_lines; }

private:
    class ForwardedLines : public ModemLineControl {
    public:
        explicit ForwardedLines(AnyPortChannel& owner) : m_owner(owner) {}
        std::error_code SetDtr(bool asserted) override;
        std::error_code SetRts(bool asserted) override;
        std::error_code ReadInputs(ModemLineState& state) override;
        std::error_code SetBreak(bool on) override;

    private:
        AnyPortChannel& m_owner;
    };

    Ptr Current() const;
    void Attach(const Ptr& inner);

    asio::io_context& m_ioContext;
    ForwardedLines m_lines{*this};
    // Guards m_inner and m_innerIsNetwork: Open swaps them on the opener's thread while writers
    // and the modem-line watcher read them. Never held while calling into the inner channel.
    mutable std::mutex m_innerLock;
    Ptr m_inner;
    bool m_innerIsNetwork = false;
};
