#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The virtual module, seen through standard types only: the module's own headers and the
// configuration headers both name a SlotEntry, so they never meet in one source file.
class TestModule {
public:
    struct Options {
        std::string model = "GaX-sKW523";
        std::chrono::milliseconds scanInterval{50};
        // Behaviours of a real module (see VirtualModuleOptions).
        std::uint32_t uartSpeed = 9600;
        bool echo = false;
        bool lineRate = false;
        std::chrono::milliseconds latency{0};
        std::chrono::milliseconds lateBy{0};
        unsigned lateFirst = 0;
        std::string lateCommand{};
        bool startsScanning = false;
        std::string staleAtConnect{};
    };

    explicit TestModule(Options options);
    ~TestModule();
    TestModule(const TestModule&) = delete;
    TestModule& operator=(const TestModule&) = delete;

    // Starts the module; false (with the reason in the test log) if its port cannot be made.
    bool Start();
    const std::string& PortPath() const;

    // Every command line received since the last clear, without its CR.
    std::vector<std::string> Commands() const;
    void ClearCommands();
    bool WaitForCommand(std::string_view command, std::chrono::milliseconds limit) const;
    // Silent: the module reads and logs commands but answers nothing.
    void SetSilent(bool silent);

    // Writes the bytes as they are, after what is queued (paced like the rest).
    void SendRaw(std::string bytes);
    // Bytes that crossed the line both ways so far (commands with their CR, every line sent),
    // counted from the module's trace; echoes and raw bytes are not counted.
    std::size_t WireBytes() const;
    bool IsScanning() const;

    // Settings as the module holds them.
    std::string Address() const;  // 12 hex digits
    std::string Firmware() const;
    std::string DeviceName() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
