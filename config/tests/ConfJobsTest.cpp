#include "AtStatus.h"
#include "ConfJobRunner.h"
#include "ConfWorker.h"
#include "ModelRules.h"
#include "TestModule.h"
#include "sKW523Comm.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Transcript = std::vector<std::string>;
using Clock = std::chrono::steady_clock;
constexpr auto kLimit = 10s;

BdAddr Addr(const std::string& hex) {
    BdAddr address{};
    EXPECT_TRUE(ParseBdAddr(hex, address)) << hex;
    return address;
}

SlotEntry Slot(std::uint8_t number, const std::string& hex, const std::string& name) {
    SlotEntry entry;
    entry.slot = number;
    entry.addr = hex.empty() ? BdAddr{} : Addr(hex);
    entry.name = MakeTextArea(name);
    return entry;
}

Transcript ReadSlotCommands() {
    Transcript commands;
    for (int n = 1; n <= 8; ++n) {
        commands.push_back("AT+GETSLOT=" + std::to_string(n));
    }
    return commands;
}

Transcript Concat(Transcript head, const Transcript& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// The job sequences run on the test thread against a virtual module; each test checks the
// commands the module received.
class ConfJobsTest : public ::testing::Test {
protected:
    void Connect(TestModule& module) {
        ASSERT_TRUE(module.Start());
        ASSERT_FALSE(m_comm.Open(module.PortPath(), PortSettings::At(9600)));
        m_module = &module;
    }

    // Runs a job that must report a status.
    JobStatus Run(ConfJob job, const JobInputs& inputs = {}) {
        const std::optional<JobStatus> status = m_jobs.Run(job, inputs);
        EXPECT_TRUE(status.has_value()) << "job " << job << " reported nothing";
        return status.value_or(JOB_FAILED);
    }

    // Runs a job from a clean command log and returns what the module received.
    Transcript CommandsOf(ConfJob job, const JobInputs& inputs, JobStatus expected) {
        m_module->ClearCommands();
        EXPECT_EQ(Run(job, inputs), expected) << "job " << job;
        return m_module->Commands();
    }
    Transcript CommandsOf(ConfJob job, JobStatus expected = JOB_OK) {
        return CommandsOf(job, {}, expected);
    }

    void IdentifyAs(const std::string& model) {
        ASSERT_EQ(Run(JOB_IDENTIFY), IsSupportedModel(model) ? JOB_OK : JOB_UNSUPPORTED);
        ASSERT_EQ(m_jobs.Model(), model);
    }

    static JobInputs Role(int index) {
        JobInputs inputs;
        inputs.roleIndex = index;
        return inputs;
    }

    TestModule* m_module = nullptr;
    sKW523Comm m_comm;
    ConfJobRunner m_jobs{m_comm};
};

struct ReadCase {
    std::string model;
    Transcript firstRead;   // the module leaves its standby state
    Transcript secondRead;  // the module is in its setting mode already
};

TEST_F(ConfJobsTest, eachModelIsIdentifiedAndReadWithItsOwnSequence) {
    const Transcript fullTail =
        Concat({"AT+AUTOCON?", "AT+ADVINTERVAL?", "AT+FLOWCONTROL?", "AT+ROLE?", "AT+MBYPASS?"},
               ReadSlotCommands());
    const Transcript fullFirst =
        Concat({"AT+STOPSCAN", "AT+VER?", "AT+INFO?", "AT+MODULESETMODE", "AT+INFO?"}, fullTail);
    const Transcript fullSecond = Concat({"AT+STOPSCAN", "AT+VER?", "AT+INFO?"}, fullTail);
    const ReadCase cases[] = {
        {"GaX-sKW523", fullFirst, fullSecond},
        {"GaX-DTQ50", fullFirst, fullSecond},
        {"GaX-sKW521M",
         {"AT+STOPSCAN", "AT+VER?", "AT+INFO?", "AT+MODULESETMODE", "AT+INFO?", "AT+AUTOCON?",
          "AT+FLOWCONTROL?"},
         {"AT+STOPSCAN", "AT+VER?", "AT+INFO?", "AT+AUTOCON?", "AT+FLOWCONTROL?"}},
        {"GaX-sKW521",
         {"AT+VER?", "AT+INFO?", "AT+MODULESETMODE", "AT+INFO?", "AT+FLOWCONTROL?",
          "AT+ADVINTERVAL?"},
         {"AT+VER?", "AT+INFO?", "AT+FLOWCONTROL?", "AT+ADVINTERVAL?"}},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.model);
        TestModule module({.model = c.model});
        Connect(module);
        EXPECT_EQ(CommandsOf(JOB_IDENTIFY), (Transcript{"AT", "AT+MODEL?"}));
        EXPECT_EQ(m_jobs.Model(), c.model);

        const ConfJob read = ReadJobOf(c.model);
        EXPECT_EQ(CommandsOf(read), c.firstRead);
        const ModuleState state = m_jobs.Module();
        EXPECT_EQ(state.Firmware(), module.Firmware());
        EXPECT_EQ(FormatBdAddr(state.info.addr), module.Address());
        EXPECT_EQ(state.info.DeviceName(), module.DeviceName());
        EXPECT_EQ(state.info.StateWord(), "SETMODE");

        EXPECT_EQ(CommandsOf(read), c.secondRead);
        m_comm.Close();
    }
}

TEST_F(ConfJobsTest, identificationRetriesAnUnansweredFirstAt) {
    TestModule module({});
    Connect(module);
    module.SetSilent(true);
    auto job = std::async(std::launch::async, [this] { return Run(JOB_IDENTIFY); });
    ASSERT_TRUE(module.WaitForCommand("AT", kLimit));
    module.SetSilent(false);
    EXPECT_EQ(job.get(), JOB_OK);
    EXPECT_EQ(module.Commands(), (Transcript{"AT", "AT", "AT+MODEL?"}));
}

TEST_F(ConfJobsTest, fullReadSkipsAutoConWhenTheModuleLeftTheSettingModeAgain) {
    TestModule module({});
    Connect(module);
    IdentifyAs("GaX-sKW523");
    ASSERT_EQ(Run(JOB_SET_ROLE, Role(1)), JOB_OK);  // a central may scan

    module.ClearCommands();
    auto job = std::async(std::launch::async, [this] { return Run(JOB_READ_FULL); });
    // The module starts scanning during the pause after the mode change, so its state word
    // reads "SCANNING" when the job looks again.
    ASSERT_TRUE(module.WaitForCommand("AT+MODULESETMODE", kLimit));
    EXPECT_EQ(m_comm.SendCommand("AT+STARTSCAN\r", KIND_START_SCAN, 1500).Status(), AT_SCANNING);
    EXPECT_EQ(job.get(), JOB_OK);

    EXPECT_EQ(module.Commands(),
              Concat({"AT+STOPSCAN", "AT+VER?", "AT+INFO?", "AT+MODULESETMODE", "AT+STARTSCAN",
                      "AT+INFO?", "AT+ADVINTERVAL?", "AT+FLOWCONTROL?", "AT+ROLE?", "AT+MBYPASS?"},
                     ReadSlotCommands()));
    EXPECT_EQ(m_jobs.Module().info.StateWord(), "SCANNING");
}

TEST_F(ConfJobsTest, slotsAreWrittenEntryByEntryAndEmptySlotsReadBackAsZero) {
    TestModule module({});
    Connect(module);
    IdentifyAs("GaX-sKW523");

    JobInputs inputs;
    for (std::uint8_t n = 1; n <= 8; ++n) {
        inputs.writeSlots[n - 1] = Slot(n, "", "");
    }
    inputs.writeSlots[0] = Slot(1, "C0FFEE000001", "Sensor");
    inputs.writeSlots[1] = Slot(2, "d4ca6e10a2b3", "");
    inputs.writeSlots[2] = Slot(3, "", "Ghost");  // no address: deleted despite its name

    const Clock::time_point start = Clock::now();
    EXPECT_EQ(CommandsOf(JOB_WRITE_SLOTS, inputs, JOB_OK),
              (Transcript{"AT+MODEL?", "AT+SETSLOT=1,C0FFEE000001,Sensor",
                          "AT+SETSLOT=2,D4CA6E10A2B3", "AT+DELSLOT=3", "AT+DELSLOT=4",
                          "AT+DELSLOT=5", "AT+DELSLOT=6", "AT+DELSLOT=7", "AT+DELSLOT=8"}));
    EXPECT_GE(Clock::now() - start, 8 * 100ms);  // a pause after every slot command

    ASSERT_EQ(Run(JOB_READ_FULL), JOB_OK);
    const SlotArray slots = m_jobs.Module().slots;
    EXPECT_EQ(FormatBdAddr(slots[0].addr), "C0FFEE000001");
    EXPECT_EQ(slots[0].Name(), "Sensor");
    EXPECT_EQ(FormatBdAddr(slots[1].addr), "D4CA6E10A2B3");
    EXPECT_EQ(slots[1].Name(), "");
    for (std::uint8_t n = 3; n <= 8; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(slots[n - 1].slot, n);
        EXPECT_TRUE(IsZeroAddr(slots[n - 1].addr));
        EXPECT_EQ(slots[n - 1].Name(), "");
    }
}

struct RoleCase {
    int roleIndex;
    Transcript commands;
    JobStatus status;
};

TEST_F(ConfJobsTest, roleIndexGivesTheRoleLetterAndBypassValue) {
    TestModule module({});
    Connect(module);
    IdentifyAs("GaX-sKW523");
    ASSERT_EQ(Run(JOB_SET_ROLE, Role(3)), JOB_OK);
    ASSERT_EQ(Run(JOB_READ_FULL), JOB_OK);
    ASSERT_EQ(m_jobs.Module().bypass, 1);  // the first two roles repeat this value

    const RoleCase cases[] = {
        {0, {"AT+MODEL?", "AT+ROLE=S", "AT+MBYPASS=ON"}, JOB_OK},
        {1, {"AT+MODEL?", "AT+ROLE=C", "AT+MBYPASS=ON"}, JOB_OK},
        {2, {"AT+MODEL?", "AT+ROLE=M", "AT+MBYPASS=OFF"}, JOB_OK},
        {3, {"AT+MODEL?", "AT+ROLE=M", "AT+MBYPASS=ON"}, JOB_OK},
        {4, {"AT+MODEL?"}, JOB_FAILED},
        {-1, {"AT+MODEL?"}, JOB_FAILED},
    };
    for (const RoleCase& c : cases) {
        SCOPED_TRACE(c.roleIndex);
        EXPECT_EQ(CommandsOf(JOB_SET_ROLE, Role(c.roleIndex), c.status), c.commands);
    }
}

struct SettingCase {
    ConfJob job;
    JobInputs inputs;
    Transcript commands;
};

TEST_F(ConfJobsTest, settingJobsVerifyTheModelThenSendTheirCommands) {
    TestModule module({});
    Connect(module);
    IdentifyAs("GaX-sKW523");

    const SettingCase cases[] = {
        {JOB_SET_NAME, {.deviceName = "Lab-7"}, {"AT+MODEL?", "AT+MANUF=Lab-7"}},
        {JOB_SET_NAME, {.deviceName = ""}, {"AT+MODEL?", "AT+MANUF="}},
        {JOB_SET_ADV_INTERVAL, {.number = 0x10000 + 100}, {"AT+MODEL?", "AT+ADVINTERVAL=100"}},
        {JOB_SET_AUTOCON, {.autoConIndex = 1}, {"AT+MODEL?", "AT+AUTOCON=ON"}},
        {JOB_SET_AUTOCON, {.autoConIndex = 0}, {"AT+MODEL?", "AT+AUTOCON=OFF"}},
        {JOB_SET_MASTER,
         {.masterAddr = Addr("C0FFEE0000A1")},
         {"AT+MODEL?", "AT+SETCONMAC=C0FFEE0000A1"}},
        {JOB_DELETE_MASTER,
         {.masterAddr = Addr("C0FFEE0000A1")},
         {"AT+MODEL?", "AT+SETCONMAC=000000000000"}},
        {JOB_SET_UART,
         {.baudRate = 115200, .flowControl = 1},
         {"AT+MODEL?", "AT+FLOWCONTROL=ON", "AT+UART=115200", "ATZ"}},
        {JOB_SET_UART,
         {.baudRate = 9600, .flowControl = 0},
         {"AT+MODEL?", "AT+FLOWCONTROL=OFF", "AT+UART=9600", "ATZ"}},
        {JOB_REBOOT, {}, {"ATZ"}},
        {JOB_FACTORY_RESET, {}, {"AT&F"}},
    };
    for (const SettingCase& c : cases) {
        SCOPED_TRACE(c.job);
        EXPECT_EQ(CommandsOf(c.job, c.inputs, JOB_OK), c.commands);
    }
}

TEST_F(ConfJobsTest, overlongTextsAreCutToTheirAreaBeforeTheyAreSent) {
    TestModule module({});
    Connect(module);
    IdentifyAs("GaX-sKW523");
    const std::string longText(100, 'n');
    const std::string sent(63, 'n');

    // The module refuses names of that length; what matters is what reached it.
    EXPECT_EQ(CommandsOf(JOB_SET_NAME, {.deviceName = longText}, JOB_FAILED),
              (Transcript{"AT+MODEL?", "AT+MANUF=" + sent}));
    EXPECT_EQ(
        CommandsOf(JOB_SCAN_START, {.nameFilterOn = true, .nameFilter = longText}, JOB_FAILED),
        (Transcript{"AT+MODEL?", "AT+SF=ON," + sent}));
    EXPECT_EQ(m_jobs.GetScanState(), SCAN_IDLE);
}

TEST_F(ConfJobsTest, modelVerificationStopsWritingJobsBeforeTheyWrite) {
    TestModule first({.model = "GaX-sKW523"});
    TestModule swapped({.model = "GaX-DTQ50"});
    TestModule unsupported({.model = "GaX-sKW599"});

    Connect(first);
    IdentifyAs("GaX-sKW523");
    m_comm.Close();
    EXPECT_EQ(Run(JOB_SET_NAME, {.deviceName = "X"}), JOB_FAILED);  // closed: nothing sent
    EXPECT_EQ(first.Commands(), (Transcript{"AT", "AT+MODEL?"}));

    Connect(swapped);
    EXPECT_EQ(CommandsOf(JOB_SET_NAME, {.deviceName = "X"}, JOB_OTHER_DEVICE),
              (Transcript{"AT+MODEL?"}));
    m_comm.Close();

    Connect(unsupported);
    IdentifyAs("GaX-sKW599");
    EXPECT_EQ(CommandsOf(JOB_WRITE_SLOTS, {}, JOB_UNSUPPORTED), (Transcript{"AT+MODEL?"}));
}

TEST_F(ConfJobsTest, scanJobsFollowTheScanStateAndStopWithTheFilterOff) {
    TestModule module({});
    Connect(module);
    IdentifyAs("GaX-sKW523");
    ASSERT_EQ(Run(JOB_SET_ROLE, Role(1)), JOB_OK);

    // Out of turn, scan jobs do nothing and report nothing.
    module.ClearCommands();
    EXPECT_FALSE(m_jobs.Run(JOB_SCAN_REPORT, {}));
    EXPECT_FALSE(m_jobs.Run(JOB_SCAN_STOP, {}));

    EXPECT_EQ(CommandsOf(JOB_SCAN_START, {.nameFilterOn = true, .nameFilter = "QUORVEX"}, JOB_OK),
              (Transcript{"AT+MODEL?", "AT+SF=ON,QUORVEX", "AT+STARTSCAN"}));
    EXPECT_EQ(m_jobs.GetScanState(), SCAN_RUNNING);
    EXPECT_FALSE(m_jobs.Run(JOB_SCAN_START, {}));

    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(Run(JOB_SCAN_REPORT), JOB_OK);
        const ScanReport report = m_jobs.LastScanReport();
        EXPECT_NE(std::string(report.name).find("QUORVEX"), std::string::npos) << report.name;
    }

    m_jobs.SetScanState(SCAN_STOPPING);
    EXPECT_FALSE(m_jobs.Run(JOB_SCAN_REPORT, {}));
    EXPECT_EQ(CommandsOf(JOB_SCAN_STOP), (Transcript{"AT+STOPSCAN", "AT+SF=OFF"}));
}

TEST_F(ConfJobsTest, scanWithoutAMatchingDeviceReportsNoReport) {
    TestModule module({});
    Connect(module);
    IdentifyAs("GaX-sKW523");
    ASSERT_EQ(Run(JOB_SET_ROLE, Role(1)), JOB_OK);
    ASSERT_EQ(Run(JOB_SCAN_START, {.nameFilterOn = true, .nameFilter = "NOBODY"}), JOB_OK);
    EXPECT_EQ(Run(JOB_SCAN_REPORT), JOB_NO_REPORT);
}

// Modules that behave like hardware: echoing, left scanning, answering the first "AT" late.
TEST_F(ConfJobsTest, realModuleBehaviours_stillIdentifyAndReadTheModule) {
    struct Case {
        const char* what;
        TestModule::Options options;
        Transcript identify;
    };
    const Case cases[] = {
        {"echo", {.echo = true, .lineRate = true}, {"AT", "AT+MODEL?"}},
        {"left scanning",
         {.scanInterval = 5ms, .startsScanning = true},
         {"AT", "AT+MODEL?"}},
        // The late "OK" is taken by the retried "AT"; the retry's own "OK" follows 50 ms later,
        // when the model is asked.
        {"late first answer",
         {.latency = 50ms, .lateBy = 1800ms, .lateFirst = 1},
         {"AT", "AT", "AT+MODEL?"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestModule module(c.options);
        Connect(module);
        EXPECT_EQ(CommandsOf(JOB_IDENTIFY), c.identify);
        EXPECT_EQ(m_jobs.Model(), "GaX-sKW523");
        EXPECT_EQ(Run(JOB_READ_FULL), JOB_OK);
        EXPECT_EQ(m_jobs.Module().info.DeviceName(), module.DeviceName());
        EXPECT_FALSE(module.IsScanning());
        m_comm.Close();
    }
}

// The jobs' time limits and fixed pauses, against a module that answers one command too late
// (or never in time): each job takes its pauses plus the limit of the command left unanswered.
TEST_F(ConfJobsTest, jobsKeepTheirTimeLimitsAndPauses) {
    struct Case {
        const char* what;
        std::string model;
        ConfJob job;
        JobInputs inputs;
        std::string lateCommand;
        JobStatus status;
        std::chrono::milliseconds expected;
        Transcript lastCommands;
    };
    const Case cases[] = {
        {"set mode waits 6000 ms", "GaX-sKW523", JOB_READ_FULL, {}, "AT+MODULESETMODE",
         JOB_NO_SETMODE, 6000ms, {"AT+INFO?", "AT+MODULESETMODE"}},
        {"restart waits 3000 ms", "GaX-sKW523", JOB_REBOOT, {}, "ATZ", JOB_FAILED, 3000ms,
         {"ATZ"}},
        {"UART change ends without +READY", "GaX-sKW523", JOB_SET_UART,
         {.baudRate = 9600, .flowControl = 0}, "ATZ", JOB_NOT_CONFIRMED, 200ms + 200ms + 3000ms,
         {"AT+UART=9600", "ATZ"}},
        {"a slot read without its answer fails the read", "GaX-sKW523", JOB_READ_FULL, {},
         "AT+GETSLOT=3", JOB_FAILED, 200ms + 1500ms, {"AT+GETSLOT=2", "AT+GETSLOT=3"}},
        {"scan start pauses 500 ms", "GaX-sKW521M", JOB_SCAN_START, {}, "", JOB_OK, 500ms,
         {"AT+SF=OFF", "AT+STARTSCAN"}},
        {"slot save pauses 100 ms a slot", "GaX-sKW523", JOB_WRITE_SLOTS, {}, "", JOB_OK,
         8 * 100ms, {"AT+DELSLOT=7", "AT+DELSLOT=8"}},
    };
    constexpr auto kTolerance = 400ms;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestModule module({.model = c.model, .lateBy = 10s, .lateCommand = c.lateCommand});
        Connect(module);
        IdentifyAs(c.model);
        module.ClearCommands();
        const Clock::time_point start = Clock::now();
        EXPECT_EQ(Run(c.job, c.inputs), c.status);
        const auto took = Clock::now() - start;
        EXPECT_GE(took, c.expected);
        EXPECT_LT(took, c.expected + kTolerance);
        const Transcript commands = module.Commands();
        ASSERT_GE(commands.size(), c.lastCommands.size());
        EXPECT_EQ(Transcript(commands.end() - static_cast<std::ptrdiff_t>(c.lastCommands.size()),
                             commands.end()),
                  c.lastCommands);
        m_comm.Close();
        m_jobs.SetScanState(SCAN_IDLE);
    }
}

// The worker and the job sequences together, as the page runs them.
TEST_F(ConfJobsTest, closingTheChannelEndsAWaitingJobAtOnceAndTheWorkerJoins) {
    // "AT+MODULESETMODE" is answered long after the job's 6000 ms; set before the job starts, so
    // the answer cannot slip out before the module is told.
    TestModule module({.lateBy = 20s, .lateCommand = "AT+MODULESETMODE"});
    Connect(module);
    std::mutex lock;
    std::vector<std::pair<std::int32_t, std::int32_t>> results;
    ConfWorker worker([this](ConfJob job, const JobInputs& in) { return m_jobs.Run(job, in); },
                      [&](std::int32_t job, std::int32_t status) {
                          std::lock_guard guard(lock);
                          results.emplace_back(job, status);
                      });
    ASSERT_TRUE(worker.Start());
    worker.PostJob(JOB_READ_FULL, false);
    ASSERT_TRUE(module.WaitForCommand("AT+MODULESETMODE", kLimit));

    const Clock::time_point start = Clock::now();
    m_comm.Close();
    worker.Stop();
    EXPECT_LT(Clock::now() - start, 2s);

    std::lock_guard guard(lock);
    EXPECT_EQ(
        results,
        (std::vector<std::pair<std::int32_t, std::int32_t>>{{JOB_READ_FULL, JOB_NO_SETMODE}}));
    EXPECT_EQ(module.Commands(),
              (Transcript{"AT+STOPSCAN", "AT+VER?", "AT+INFO?", "AT+MODULESETMODE"}));
}

}  // namespace
