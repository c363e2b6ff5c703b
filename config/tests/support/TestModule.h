#pragma once

#include <chrono>
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

    // Settings as the module holds them.
    std::string Address() const;  // 12 hex digits
    std::string Firmware() const;
    std::string DeviceName() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
