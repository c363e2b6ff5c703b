#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

class PortChannel;

// The inputs of the modem lines as last read.
struct ModemLineState {
    bool cts = false;
    bool dsr = false;
    bool dcd = false;  // carrier detect
    bool ri = false;   // ring indicator
    bool operator==(const ModemLineState&) const = default;
};

// The control lines of an open port: the two outputs, the four inputs and the break
// condition. Calls on a closed port give std::errc::bad_file_descriptor; a port without modem
// lines (a pseudo-terminal, some adapters, a raw TCP port, an access server that does not answer
// for a line) gives an error that IsNoModemLines() recognises.
class ModemLineControl {
public:
    virtual ~ModemLineControl() = default;
    virtual std::error_code SetDtr(bool asserted) = 0;
    virtual std::error_code SetRts(bool asserted) = 0;
    virtual std::error_code ReadInputs(ModemLineState& state) = 0;
    // Holds the line in the break condition while `on`; the caller times it.
    virtual std::error_code SetBreak(bool on) = 0;
};

// Whether `error` means the port has no modem lines at all, as opposed to a failure.
bool IsNoModemLines(const std::error_code& error);

// The modem lines of a channel (PortChannel::ModemLines), for a holder that keeps the channel
// alive through its shared pointer.
class ChannelModemLines : public ModemLineControl {
public:
    explicit ChannelModemLines(std::shared_ptr<PortChannel> port) : m_port(std::move(port)) {}
    std::error_code SetDtr(bool asserted) override;
    std::error_code SetRts(bool asserted) override;
    std::error_code ReadInputs(ModemLineState& state) override;
    std::error_code SetBreak(bool on) override;

private:
    std::shared_ptr<PortChannel> m_port;
};
// The name the serial channel's lines had before there were network channels.
using SerialModemLines = ChannelModemLines;

// Reads the inputs of a ModemLineControl every `interval` on a thread of its own and reports
// each reading (or the error that stopped it) through the callback, on that thread. Reading
// stops at the first error: a port without modem lines is read once.
class ModemLineWatcher {
public:
    using Report = std::function<void(const std::error_code&, const ModemLineState&)>;

    ModemLineWatcher() = default;
    ~ModemLineWatcher() { Stop(); }
    ModemLineWatcher(const ModemLineWatcher&) = delete;
    ModemLineWatcher& operator=(const ModemLineWatcher&) = delete;

    // `lines` must outlive the watching (until Stop returns).
    void Start(ModemLineControl& lines, std::chrono::milliseconds interval, Report report);
    // Ends the thread and joins it; returns at once when not watching. No report after it.
    void Stop();

private:
    void Run(ModemLineControl& lines, std::chrono::milliseconds interval, const Report& report);

    std::thread m_thread;  // owned by the caller of Start/Stop
    std::mutex m_lock;     // guards m_stop
    std::condition_variable m_wake;
    bool m_stop = false;
};
