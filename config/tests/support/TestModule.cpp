#include "TestModule.h"

#include "VirtualModule.h"

#include <unistd.h>

#include <atomic>
#include <iostream>

namespace {

// Test processes run side by side; each module publishes its port under a name of its own.
std::string UniquePortName(const std::string& model) {
    static std::atomic<int> counter{0};
    return model + "-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

}  // namespace

struct TestModule::Impl {
    explicit Impl(const Options& options) : module(ModuleOptions(options, wireBytes)) {}

    static VirtualModuleOptions ModuleOptions(const Options& options,
                                              std::atomic<std::size_t>& wireBytes) {
        VirtualModuleOptions result;
        result.model = options.model;
        result.portName = UniquePortName(options.model);
        result.scanInterval = options.scanInterval;
        result.uartSpeed = options.uartSpeed;
        result.echo = options.echo;
        result.lineRate = options.lineRate;
        result.latency = options.latency;
        result.lateBy = options.lateBy;
        result.lateFirst = options.lateFirst;
        result.lateCommand = options.lateCommand;
        result.startsScanning = options.startsScanning;
        result.staleAtConnect = options.staleAtConnect;
        // Each traced line crossed the line with its CR (the module ends its lines with CR).
        result.trace = [&wireBytes](SimTraceDirection, std::string_view text) {
            wireBytes += text.size() + 1;
        };
        return result;
    }

    std::atomic<std::size_t> wireBytes{0};
    VirtualModule module;
};

TestModule::TestModule(Options options) : m_impl(std::make_unique<Impl>(options)) {}

TestModule::~TestModule() {
    m_impl->module.Stop();
}

bool TestModule::Start() {
    const std::error_code error = m_impl->module.Start();
    if (error) {
        std::cerr << "virtual module: " << error.message() << '\n';
    }
    return !error;
}

const std::string& TestModule::PortPath() const {
    return m_impl->module.PortPath();
}

std::vector<std::string> TestModule::Commands() const {
    return m_impl->module.Commands();
}

void TestModule::ClearCommands() {
    m_impl->module.ClearCommands();
}

bool TestModule::WaitForCommand(std::string_view command, std::chrono::milliseconds limit) const {
    return m_impl->module.WaitForCommand(command, limit);
}

void TestModule::SetSilent(bool silent) {
    m_impl->module.SetFault(SimFault::Silence, silent);
}

std::string TestModule::Address() const {
    return m_impl->module.Settings().address;
}

std::string TestModule::Firmware() const {
    return m_impl->module.Settings().firmware;
}

std::string TestModule::DeviceName() const {
    return m_impl->module.Settings().deviceName;
}

void TestModule::SendRaw(std::string bytes) {
    m_impl->module.SendRaw(std::move(bytes));
}

std::size_t TestModule::WireBytes() const {
    return m_impl->wireBytes.load();
}

bool TestModule::IsScanning() const {
    return m_impl->module.Settings().scanning;
}
