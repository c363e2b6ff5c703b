#include "CSerialportMP.h"
#include "IoServiceExec.h"
#include "SerialLine.h"
#include "VirtualModule.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <memory>
#include <regex>

#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr auto kLimit = 5s;

// A started module and the program's end of its line.
struct Connected {
    explicit Connected(VirtualModuleOptions options = {}) : module(std::move(options)) {
        const std::error_code error = module.Start();
        if (error) {
            throw std::system_error(error, "VirtualModule::Start");
        }
        line = std::make_unique<SerialLine>(module.PortPath());
    }
    VirtualModule module;
    std::unique_ptr<SerialLine> line;
};

VirtualModuleOptions Named(std::string portName) {
    VirtualModuleOptions options;
    options.portName = std::move(portName);
    return options;
}

TEST(SimVirtualModule, publishesItsPortAsALinkUntilStopped) {
    VirtualModule first(Named("link-test"));
    VirtualModule second(Named("link-test"));
    ASSERT_FALSE(first.Start());
    ASSERT_FALSE(second.Start());
    EXPECT_EQ(fs::path(first.PortPath()).parent_path(), fs::path(PublishedPort::Directory()));
    EXPECT_EQ(fs::path(first.PortPath()).filename(), "link-test");
    EXPECT_EQ(fs::path(second.PortPath()).filename(), "link-test-2");
    EXPECT_EQ(fs::read_symlink(first.PortPath()), first.DevicePath());
    EXPECT_EQ(first.DevicePath().rfind("/dev/pts/", 0), 0u);

    first.Stop();
    EXPECT_FALSE(fs::exists(fs::symlink_status(first.PortPath())));
    EXPECT_TRUE(fs::exists(second.PortPath()));
}

TEST(SimVirtualModule, staleLinkOfItsName_isReplaced) {
    fs::create_directories(PublishedPort::Directory());
    const fs::path stale = fs::path(PublishedPort::Directory()) / "stale-test";
    fs::create_symlink("/dev/pts/no-such-terminal", stale);
    VirtualModule module(Named("stale-test"));
    ASSERT_FALSE(module.Start());
    EXPECT_EQ(module.PortPath(), stale.string());
}

// A killed module leaves its link; by the time the next module of that name starts, the
// terminal number may serve someone else. The name is the next module's all the same.
TEST(SimVirtualModule, orphanLinkToATerminalInUse_isReplaced) {
    VirtualModule other(Named("terminal-reused"));
    ASSERT_FALSE(other.Start());
    const fs::path orphan = fs::path(PublishedPort::Directory()) / "orphan-test";
    fs::create_symlink(other.DevicePath(), orphan);
    VirtualModule module(Named("orphan-test"));
    ASSERT_FALSE(module.Start());
    EXPECT_EQ(module.PortPath(), orphan.string());
    EXPECT_EQ(fs::read_symlink(orphan), module.DevicePath());
}

struct FolderCase {
    std::string what;
    bool otherOwner;
    std::error_code expected;
};

// The links live in a folder of the user's own; another user's folder is refused, so nobody
// can plant links there that the port list would offer.
TEST(SimPublishedPort, folder_isPrivateAndOurs) {
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedRuntime = saved != nullptr ? saved : "";
    const FolderCase cases[] = {
        {"ours", false, {}},
        {"another user's", true, std::make_error_code(std::errc::permission_denied)},
    };
    for (const FolderCase& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path runtime =
            fs::path(savedRuntime) / ("folder-" + std::to_string(c.otherOwner));
        fs::create_directories(runtime / "skw-virtual-ports");
        if (c.otherOwner && ::chown((runtime / "skw-virtual-ports").c_str(), 4242, 4242) != 0) {
            continue;  // only root can give a folder away
        }
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        PublishedPort port;
        EXPECT_EQ(port.Publish("folder-test", "/dev/null"), c.expected);
        ::setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);
    }
    ::unsetenv("XDG_RUNTIME_DIR");
    const std::string perUser = PublishedPort::Directory();
    EXPECT_EQ(perUser, "/tmp/skw-virtual-ports-" + std::to_string(::geteuid()));
    {
        PublishedPort port;
        ASSERT_FALSE(port.Publish("folder-test-" + std::to_string(::getpid()), "/dev/null"));
        struct stat info {};
        ASSERT_EQ(::lstat(perUser.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
    }
    ::setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);
}

TEST(SimVirtualModule, answersCommandsAndLogsThem) {
    Connected c;
    EXPECT_EQ(c.line->Ask("AT"), "OK\r");
    EXPECT_EQ(c.line->Ask("AT+MODEL?"), "GaX-sKW523\r");
    c.line->Write("AT+MANU");
    c.line->Write("F=Lab\r");
    EXPECT_EQ(c.line->ReadLine(), "OK\r");
    EXPECT_EQ(c.module.Commands(), (std::vector<std::string>{"AT", "AT+MODEL?", "AT+MANUF=Lab"}));
    EXPECT_EQ(c.module.Settings().deviceName, "Lab");
}

TEST(SimVirtualModule, lineOptions_shapeTheBytesOnTheWire) {
    struct Case {
        const char* what;
        bool echo, enclosed, crlf;
        const char* command;
        std::string expected;
    };
    const Case cases[] = {
        {"echo", true, false, false, "AT+VER?\r", "AT+VER?\rv2.1.4\r"},
        {"enclosed OK", false, true, false, "AT\r", "\r\nOK\r\n"},
        {"enclosed READY", false, true, false, "ATZ\r", "\r\n+READY\r\n"},
        {"enclosed keeps data plain", false, true, false, "AT+ROLE?\r", "SERVER[PERIPHERAL]\r"},
        {"enclosed keeps ERROR plain", false, true, false, "AT+GETSLOT=1\r", "ERROR\r"},
        {"CR LF", false, false, true, "AT+FLOWCONTROL?\r", "OFF\r\n"},
        {"everything", true, true, true, "AT\r", "AT\r\r\nOK\r\n"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        VirtualModuleOptions options = Named(k.what);
        options.echo = k.echo;
        options.enclosed = k.enclosed;
        options.crlf = k.crlf;
        Connected c(options);
        c.line->Write(k.command);
        EXPECT_EQ(c.line->ReadExactly(k.expected.size()), k.expected);
    }
}

TEST(SimVirtualModule, latency_delaysTheAnswer) {
    VirtualModuleOptions options;
    options.latency = 300ms;
    Connected c(options);
    const auto sent = std::chrono::steady_clock::now();
    EXPECT_EQ(c.line->Ask("AT"), "OK\r");
    EXPECT_GE(std::chrono::steady_clock::now() - sent, 300ms);
}

// Wire time of a command and its answer at 10 bit times a byte, both ways.
TEST(SimVirtualModule, lineRate_paceBytesAtTheUartSpeed) {
    struct Case {
        std::uint32_t baud;
        std::chrono::microseconds byteTime;
    };
    const std::string answer = "00:A0:C8:52:30:01,sKW523,PERIPHERAL,STANDBY\r";
    const std::string command = "AT+INFO?\r";
    for (const Case k : {Case{9600, 1042us}, Case{115200, 87us}}) {
        SCOPED_TRACE(k.baud);
        VirtualModuleOptions options;
        options.uartSpeed = k.baud;
        options.lineRate = true;
        Connected c(options);
        const auto wire = k.byteTime * static_cast<int>(command.size() + answer.size());
        const auto sent = std::chrono::steady_clock::now();
        c.line->Write(command);
        EXPECT_EQ(c.line->ReadExactly(answer.size()), answer);
        const auto took = std::chrono::steady_clock::now() - sent;
        EXPECT_GE(took, wire - 1ms);
        EXPECT_LT(took, 3 * wire + 200ms);  // loose: a busy machine delays the module's thread
    }
}

TEST(SimVirtualModule, lateAnswers_comeLateAndInOrder) {
    VirtualModuleOptions options;
    options.lateBy = 300ms;
    options.lateFirst = 1;
    options.lateCommand = "AT+VER?";
    Connected c(options);
    const auto sent = std::chrono::steady_clock::now();
    c.line->Write("AT\rAT+MODEL?\r");
    EXPECT_EQ(c.line->ReadLine(), "OK\r");
    EXPECT_GE(std::chrono::steady_clock::now() - sent, 300ms);
    EXPECT_EQ(c.line->ReadLine(), "GaX-sKW523\r");  // held behind the late answer

    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(c.line->Ask("AT+FLOWCONTROL?"), "OFF\r");
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 300ms);
    EXPECT_EQ(c.line->Ask("AT+VER?"), "v2.1.4\r");
    EXPECT_GE(std::chrono::steady_clock::now() - asked, 300ms);
}

TEST(SimVirtualModule, startsScanning_reportsBeforeAnyCommandAsACentral) {
    VirtualModuleOptions options;
    options.scanInterval = 20ms;
    options.startsScanning = true;
    Connected c(options);
    EXPECT_TRUE(std::regex_match(c.line->ReadLine(), std::regex(R"(\+[0-9A-F]{12},-[0-9]+,.*\r)")));
    EXPECT_EQ(c.module.Settings().role, ModuleRole::Central);
    EXPECT_TRUE(c.module.Settings().scanning);
}

TEST(SimVirtualModule, staleAtConnect_isSentEachTimeTheProgramOpensThePort) {
    VirtualModuleOptions options;
    options.staleAtConnect = "+REA";
    VirtualModule module(options);
    ASSERT_FALSE(module.Start());
    for (int round = 0; round < 2; ++round) {
        IoServiceExec service;
        auto port = std::make_shared<CSerialportMP>(service.GetIoContext());
        std::mutex lock;
        std::condition_variable changed;
        std::string received;
        port->m_onReceive = [&](CSerialportMP::Ptr, std::error_code&,
                                const std::vector<std::uint8_t>& data, unsigned int) {
            std::lock_guard guard(lock);
            received.append(data.begin(), data.end());
            changed.notify_all();
        };
        ASSERT_FALSE(
            port->Open(module.PortPath(), PortSettings::At(9600)));  // flushes, as opens do
        service.Start();
        port->Write("AT\r", 3);
        {
            std::unique_lock guard(lock);
            EXPECT_TRUE(changed.wait_for(guard, kLimit, [&] { return received == "+REAOK\r"; }))
                << received;
        }
        port->Close();
        service.Stop();
    }
}

TEST(SimVirtualModule, silence_writesNothingUntilSwitchedOff) {
    Connected c;
    c.module.SetFault(SimFault::Silence, true);
    c.line->Write("AT\r");
    ASSERT_TRUE(c.module.WaitForCommand("AT", kLimit));
    c.module.SetFault(SimFault::Silence, false);
    // Had "OK" for the first command gone out, it would be the first line here.
    EXPECT_EQ(c.line->Ask("AT+MODEL?"), "GaX-sKW523\r");
}

TEST(SimVirtualModule, noiseFaults_putALineBeforeEveryAnswer) {
    struct Case {
        SimFault fault;
        std::size_t noiseBytes;
    };
    for (const Case k : {Case{SimFault::GarbageLines, 10}, Case{SimFault::LongLines, 300}}) {
        Connected c;
        c.module.SetFault(k.fault, true);
        for (const char* command : {"AT", "AT+FLOWCONTROL?"}) {
            c.line->Write(std::string(command) + "\r");
            const std::string noise = c.line->ReadLine();
            EXPECT_EQ(noise.size(), k.noiseBytes);
            EXPECT_EQ(noise.find_first_of("\r\n"), noise.size() - 1);
            EXPECT_EQ(c.line->ReadLine(), command == std::string("AT") ? "OK\r" : "OFF\r");
        }
    }
}

TEST(SimVirtualModule, splitWrites_arriveInSeveralReadsAndInOrder) {
    Connected c;
    c.module.SetFault(SimFault::SplitWrites, true);
    const int readsBefore = c.line->Reads();
    EXPECT_EQ(c.line->Ask("AT+INFO?"), "00:A0:C8:52:30:01,sKW523,PERIPHERAL,STANDBY\r");
    EXPECT_GT(c.line->Reads() - readsBefore, 1);
}

TEST(SimVirtualModule, sendRaw_writesTheBytesAsGiven) {
    Connected c;
    c.module.SendRaw("\r\n\r\nOK\r\n\x01");
    EXPECT_EQ(c.line->ReadExactly(9), "\r\n\r\nOK\r\n\x01");
}

const std::regex kScanReport(R"(\+[0-9A-F]{12},-[0-9]{1,3},[^\r]*\r)");

TEST(SimVirtualModule, scanning_reportsSteadilyUntilStopped) {
    VirtualModuleOptions options;
    options.model = "GaX-sKW521M";
    options.scanInterval = 20ms;
    Connected c(options);
    EXPECT_EQ(c.line->Ask("AT+SF=OFF"), "OK\r");
    EXPECT_EQ(c.line->Ask("AT+STARTSCAN"), "+SCANNING\r");
    for (int i = 0; i < 3; ++i) {
        const std::string report = c.line->ReadLine();
        EXPECT_TRUE(std::regex_match(report, kScanReport)) << report;
    }
    c.line->Write("AT+STOPSCAN\r");
    std::string line;
    while (!(line = c.line->ReadLine()).empty() && line != "+STOPPED\r") {
        EXPECT_TRUE(std::regex_match(line, kScanReport)) << line;
    }
    EXPECT_EQ(line, "+STOPPED\r");
    // Nothing was reported after "+STOPPED", so the next line is the next answer.
    EXPECT_EQ(c.line->Ask("AT"), "OK\r");
}

TEST(SimVirtualModule, strictSpeed_answersGarbageAndIgnoresCommandsAtAnotherSpeed) {
    VirtualModuleOptions options;
    options.strictSpeed = true;
    Connected c(options);
    EXPECT_EQ(c.line->Ask("AT"), "OK\r");

    c.line->SetSpeed(115200);
    c.line->Write("AT+MANUF=Wrong\r");
    const std::string garbage = c.line->ReadExactly(6);
    EXPECT_EQ(garbage.size(), 6u);
    EXPECT_EQ(garbage.find_first_of("\r\n"), std::string::npos);
    EXPECT_TRUE(c.module.WaitForCommand("AT+MANUF=Wrong", kLimit));
    EXPECT_EQ(c.module.Settings().deviceName, "sKW523");

    // A new UART speed applies from the restart on: "+READY" already comes at 115200.
    c.line->SetSpeed(9600);
    EXPECT_EQ(c.line->Ask("AT+UART=115200"), "OK\r");
    c.line->Write("ATZ\r");
    EXPECT_EQ(c.line->ReadExactly(7).find('\r'), std::string::npos);
    c.line->SetSpeed(115200);
    EXPECT_EQ(c.line->Ask("AT"), "OK\r");
}

// What the program's serial channel reports, for waiting on from the test thread.
struct ChannelErrors {
    std::mutex lock;
    std::condition_variable changed;
    int receiveCalls = 0;
    int errors = 0;
};

// A program that sends without reading costs the module a bounded amount of memory: what it
// cannot write is dropped, as a real module's UART overruns.
TEST(SimVirtualModule, programThatNeverReads_keepsTheModuleBounded) {
    Connected c;
    std::string flood;
    for (int i = 0; i < 100000; ++i) {
        flood += "AT+VER?\r";
    }
    c.line->Write(flood);
    c.line->Write("AT+MODEL?\r");
    ASSERT_TRUE(c.module.WaitForCommand("AT+MODEL?", 30s));
    EXPECT_LE(c.module.QueuedOutputBytes(), 256u * 1024u);
    EXPECT_GT(c.module.DroppedOutputBytes(), 0u);
    EXPECT_LE(c.module.Commands().size(), 65536u);
}

TEST(SimVirtualModule, unplug_reachesTheSerialChannelAsOneReceiveError) {
    VirtualModule module;
    ASSERT_FALSE(module.Start());
    IoServiceExec service;
    auto port = std::make_shared<CSerialportMP>(service.GetIoContext());
    ChannelErrors seen;
    port->m_onReceive = [&seen](CSerialportMP::Ptr, std::error_code& error,
                                const std::vector<std::uint8_t>&, unsigned int) {
        std::lock_guard guard(seen.lock);
        ++seen.receiveCalls;
        seen.errors += error ? 1 : 0;
        seen.changed.notify_all();
    };
    ASSERT_FALSE(port->Open(module.PortPath(), PortSettings::At(9600)));
    service.Start();

    module.Unplug();
    EXPECT_FALSE(fs::exists(fs::symlink_status(module.PortPath())));
    {
        std::unique_lock guard(seen.lock);
        EXPECT_TRUE(seen.changed.wait_for(guard, kLimit, [&] { return seen.errors == 1; }));
        EXPECT_EQ(seen.receiveCalls, 1);
    }
    port->Close();
    service.Stop();
}

}  // namespace
