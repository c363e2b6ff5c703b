#pragma once

#include "CommandLineReader.h"
#include "ModuleBehaviour.h"
#include "ModuleSettings.h"
#include "OutputSchedule.h"
#include "PseudoTerminal.h"
#include "PublishedPort.h"
#include "VirtualDevice.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

// Misbehaviour on demand. Each is on until switched off.
enum class SimFault {
    Silence,       // write nothing at all
    GarbageLines,  // a line of noise before every answer
    LongLines,     // a 300-byte line before every answer
    SplitWrites,   // everything written in pieces of 1 to 3 bytes, a few ms apart
    ForgetsName,   // "AT+MANUF=..." is acknowledged, but the name stays as it was
};

enum class SimTraceDirection { Received, Sent };

struct VirtualModuleOptions {
    std::string model = "GaX-sKW523";
    std::string address{};   // its own Bluetooth address, 12 hex digits; empty: the model's
    std::string portName{};  // of the published link; the model name if empty
    std::uint32_t uartSpeed = 9600;
    bool echo = false;         // send every received byte straight back
    bool enclosed = false;     // "\r\nOK\r\n" and "\r\n+READY\r\n" instead of "OK\r", "+READY\r"
    bool crlf = false;         // end plain lines with CR LF instead of CR
    bool strictSpeed = false;  // garbage both ways while the port's speed is not the module's
    std::chrono::milliseconds latency{0};  // before every answer
    std::chrono::milliseconds scanInterval{200};
    // Like hardware. Line rate: bytes leave at the pace of the UART speed, 10 bit times a byte,
    // and a command counts as heard once its bytes would have crossed the line.
    bool lineRate = false;
    // Late answers: the first `lateFirst` commands, and every `lateCommand`, are answered
    // `lateBy` later than usual; the module answers in order, so what follows waits for them.
    std::chrono::milliseconds lateBy{0};
    unsigned lateFirst = 0;
    std::string lateCommand{};
    std::string refusedCommand{};  // commands that begin with it are answered "ERROR"
    bool startsScanning = false;   // central role, already scanning, as a module left so
    std::string staleAtConnect{};  // written whenever the program opens the port (e.g. "+REA")
    std::vector<VirtualDevice> devices = BuiltInVirtualDevices();
    // Each command received and each answer produced, on the module's thread.
    std::function<void(SimTraceDirection, std::string_view)> trace{};
};

// A module at the far end of a pseudo-terminal, answering on its own thread.
//
//   VirtualModule module({.model = "GaX-sKW521"});
//   module.Start();                        // then open module.PortPath() like a serial port
//   module.WaitForCommand("AT+VER?", 5s);
//   module.Commands();                     // every command line received, without its CR
//
// All public functions may be called from any thread except Start and Stop, which belong to
// the owner.
class VirtualModule {
public:
    explicit VirtualModule(VirtualModuleOptions options = {});
    ~VirtualModule();
    VirtualModule(const VirtualModule&) = delete;
    VirtualModule& operator=(const VirtualModule&) = delete;

    // Opens the pseudo-terminal, publishes its link and starts the thread.
    std::error_code Start();
    // Ends the thread, closes the pseudo-terminal and removes the link.
    void Stop();

    // The published link, e.g. /run/user/1000/skw-virtual-ports/GaX-sKW523.
    const std::string& PortPath() const { return m_portPath; }
    // The pseudo-terminal itself, e.g. /dev/pts/7.
    const std::string& DevicePath() const { return m_devicePath; }

    std::vector<std::string> Commands() const;
    void ClearCommands();
    // Waits until `command` has been received (and answered) since the log was last cleared.
    bool WaitForCommand(std::string_view command, std::chrono::milliseconds limit) const;

    ModuleSettings Settings() const;

    // Bytes waiting to be written to the program, and bytes dropped since the start because
    // too many were waiting (the program sends without reading).
    std::size_t QueuedOutputBytes() const { return m_queuedBytes.load(); }
    std::size_t DroppedOutputBytes() const { return m_droppedBytes.load(); }

    void SetFault(SimFault fault, bool on);
    // Writes `bytes` as they are, after whatever is already queued.
    void SendRaw(std::string bytes);
    // Closes the module's side of the pseudo-terminal and withdraws the link; the program sees
    // a read error. Returns once done.
    void Unplug();

private:
    struct Faults {
        bool silence = false;
        bool garbage = false;
        bool longLines = false;
        bool split = false;
    };
    using Clock = OutputSchedule::Clock;

    void Run();
    void WaitForActivity();
    std::optional<Clock::time_point> NextWake() const;
    // When the next piece of output may be written, and how many bytes it holds.
    std::optional<Clock::time_point> NextRelease(std::size_t* count = nullptr) const;
    std::size_t PacedChunk(std::size_t available) const;
    void NoteReceived(std::size_t count, Clock::time_point now);
    Clock::time_point AnswerTime(const std::string& command, Clock::time_point heard);
    void StartScanningNow();
    bool TakeRequests();  // false once asked to stop
    void ReadCommands();
    void HandleLine(const CommandLineReader::Line& line);
    void SendScanReportIfDue();
    void SendLine(const std::string& bytes, Clock::time_point notBefore);
    void Emit(const std::string& bytes, Clock::time_point notBefore);
    std::string FrameReply(const ModuleReply& reply) const;
    std::string LineOf(const std::string& text) const;
    bool SpeedMismatch() const;
    void WriteDue();
    void CloseLine();
    void WakeLocked();
    void Trace(SimTraceDirection direction, std::string_view text) const;

    const VirtualModuleOptions m_options;
    std::string m_portPath;
    std::string m_devicePath;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    std::thread m_thread;

    // Only the module's thread touches these (and the owner before Start / after Stop).
    PseudoTerminal m_pty;
    PublishedPort m_link;
    CommandLineReader m_reader;
    OutputSchedule m_output;
    Clock::time_point m_nextScanReport;
    Faults m_activeFaults;  // m_faults as last seen under the lock
    bool m_scanning = false;
    bool m_waitingForRoom = false;       // the pty is full; wait until it can take more
    bool m_packetMode = false;           // reads carry a status byte (staleAtConnect)
    Clock::duration m_byteTime{};        // 10 bit times at the module's UART speed
    Clock::time_point m_txLineFreeAt{};  // the module's last byte is off the line
    Clock::time_point m_rxWireEnd{};     // the program's last byte has crossed the line
    Clock::time_point m_busyUntil{};     // the last answer is due
    unsigned m_commandsHeard = 0;
    bool m_overrun = false;  // output is being dropped

    std::atomic<std::size_t> m_queuedBytes{0};
    std::atomic<std::size_t> m_droppedBytes{0};

    // m_lock guards what other threads read or request; the module's thread takes it briefly
    // and never calls out while holding it.
    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    ModuleBehaviour m_behaviour;
    std::vector<std::string> m_commands;
    Faults m_faults;
    std::string m_pendingRaw;
    bool m_running = false;
    bool m_stopRequested = false;
    bool m_unplugRequested = false;
    bool m_unplugged = false;
};
