#include "ConfJobRunner.h"

#include "AtStatus.h"
#include "ModelRules.h"
#include "ScanFilter.h"
#include "sKW523Comm.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <thread>
#include <type_traits>

using namespace std::chrono_literals;

namespace {

constexpr Transaction kAt{"AT\r", KIND_AT, 1500, AT_OK};
constexpr Transaction kGetModel{"AT+MODEL?\r", KIND_MODEL, 1500, AT_MODEL};
constexpr Transaction kStopScan{"AT+STOPSCAN\r", KIND_STOP_SCAN, 1500, AT_STOPPED};
constexpr Transaction kStopRunningScan{"AT+STOPSCAN\r", KIND_STOP_SCAN, 3000, AT_STOPPED};
constexpr Transaction kGetVersion{"AT+VER?\r", KIND_VERSION, 1500, AT_VERSION};
constexpr Transaction kGetInfo{"AT+INFO?\r", KIND_INFO, 1500, AT_INFO};
constexpr Transaction kEnterSetMode{"AT+MODULESETMODE\r", KIND_SETMODE, 6000, AT_SETMODE};
constexpr Transaction kGetAutoCon{"AT+AUTOCON?\r", KIND_GET_AUTOCON, 1500, AT_AUTOCON};
constexpr Transaction kGetAdvInterval{"AT+ADVINTERVAL?\r", KIND_GET_ADV_INTERVAL, 1500, AT_NUMBER};
constexpr Transaction kGetFlow{"AT+FLOWCONTROL?\r", KIND_GET_FLOW_CONTROL, 1500, AT_FLOW_CONTROL};
constexpr Transaction kGetRole{"AT+ROLE?\r", KIND_GET_ROLE, 1500, AT_ROLE};
constexpr Transaction kGetBypass{"AT+MBYPASS?\r", KIND_GET_BYPASS, 1500, AT_BYPASS};
constexpr Transaction kGetSlot{"AT+GETSLOT=%u\r", KIND_GET_SLOT, 1500, AT_SLOT};
constexpr Transaction kReset{"ATZ\r", KIND_RESET, 3000, AT_READY};
constexpr Transaction kFactoryReset{"AT&F\r", KIND_FACTORY_RESET, 3000, AT_READY};
constexpr Transaction kDelSlot{"AT+DELSLOT=%u\r", KIND_DEL_SLOT, 1500, AT_OK};
constexpr Transaction kSetSlot{"AT+SETSLOT=%u,%s\r", KIND_SET_SLOT, 1500, AT_OK};
constexpr Transaction kSetNamedSlot{"AT+SETSLOT=%u,%s,%s\r", KIND_SET_SLOT, 1500, AT_OK};
constexpr Transaction kStartScan{"AT+STARTSCAN\r", KIND_START_SCAN, 1500, AT_SCANNING};
constexpr Transaction kSetName{"AT+MANUF=%s\r", KIND_SET_NAME, 1500, AT_OK};
constexpr Transaction kSetAdvInterval{"AT+ADVINTERVAL=%u\r", KIND_SET_ADV_INTERVAL, 1500, AT_OK};
constexpr Transaction kSetFlow{"AT+FLOWCONTROL=%s\r", KIND_SET_FLOW_CONTROL, 1500, AT_OK};
constexpr Transaction kSetUart{"AT+UART=%u\r", KIND_SET_UART, 3000, AT_OK};
constexpr Transaction kSetAutoCon{"AT+AUTOCON=%s\r", KIND_SET_AUTOCON, 1500, AT_OK};
constexpr Transaction kSetRole{"AT+ROLE=%c\r", KIND_SET_ROLE, 1500, AT_OK};
constexpr Transaction kSetBypass{"AT+MBYPASS=%s\r", KIND_SET_BYPASS, 1500, AT_OK};
constexpr Transaction kSetConMac{"AT+SETCONMAC=%s\r", KIND_SET_CON_MAC, 1500, AT_OK};

// Texts sent in a command keep at most this many bytes, like the module's text answers.
constexpr std::size_t kMaxSentText = 63;

const char* OnOff(bool on) {
    return on ? "ON" : "OFF";
}

std::string Cut(const std::string& text) {
    return text.substr(0, std::min(text.size(), kMaxSentText));
}

// Copies the leading payload bytes into a record of the same layout; false if the payload is
// shorter than the record.
template <typename Record>
bool CopyPayload(const MatchResult& answer, Record& record) {
    static_assert(std::is_trivially_copyable_v<Record>);
    const auto payload = answer.Payload();
    if (payload.size() < sizeof(Record)) {
        return false;
    }
    std::memcpy(&record, payload.data(), sizeof(Record));
    return true;
}

// The role letter and bypass value sent for a role radio index; nothing for an unknown index.
struct RoleSetting {
    char letter;
    bool bypass;
};
std::optional<RoleSetting> RoleSettingOf(int roleIndex, std::uint8_t bypassAsRead) {
    switch (roleIndex) {
        case 0:
            return RoleSetting{'S', bypassAsRead != 0};
        case 1:
            return RoleSetting{'C', bypassAsRead != 0};
        case 2:
            return RoleSetting{'M', false};
        case 3:
            return RoleSetting{'M', true};
        default:
            return std::nullopt;
    }
}

}  // namespace

ConfJobRunner::ConfJobRunner(sKW523Comm& comm) : m_comm(comm) {}

std::optional<JobStatus> ConfJobRunner::Run(ConfJob job, const JobInputs& inputs) {
    const std::optional<JobStatus> status = Dispatch(job, inputs);
    Publish();
    return status;
}

std::optional<JobStatus> ConfJobRunner::Dispatch(ConfJob job, const JobInputs& inputs) {
    switch (job) {
        case JOB_IDENTIFY:
            return Identify();
        case JOB_READ_FULL:
            return ReadFull();
        case JOB_READ_MASTER:
            return ReadMaster();
        case JOB_READ_SLAVE:
            return ReadSlave();
        case JOB_REBOOT:
            return ReadyAfter(kReset);
        case JOB_FACTORY_RESET:
            return ReadyAfter(kFactoryReset);
        case JOB_WRITE_SLOTS:
            return WriteSlots(inputs.writeSlots);
        case JOB_SCAN_START:
            return ScanStart(inputs);
        case JOB_SCAN_REPORT:
            return ScanReportJob();
        case JOB_SCAN_STOP:
            return ScanStop();
        case JOB_SET_NAME:
            return SetName(inputs.deviceName);
        case JOB_SET_ADV_INTERVAL:
            return SetNumber(kSetAdvInterval, inputs.number);
        case JOB_SET_UART:
            return SetUart(inputs.flowControl, inputs.baudRate);
        case JOB_SET_AUTOCON:
            return SetAutoCon(inputs.autoConIndex);
        case JOB_SET_ROLE:
            return SetRole(inputs.roleIndex);
        case JOB_SET_MASTER:
            return SetMaster(inputs.masterAddr);
        case JOB_DELETE_MASTER:
            return SetMaster(BdAddr{});
        case JOB_QUIT:
            break;
    }
    return std::nullopt;
}

void ConfJobRunner::Publish() {
    std::lock_guard lock(m_publishLock);
    m_publishedDev = m_dev;
    m_publishedModel = m_model;
    m_publishedReport = m_scanReport;
}

ModuleState ConfJobRunner::Module() const {
    std::lock_guard lock(m_publishLock);
    return m_publishedDev;
}

std::string ConfJobRunner::Model() const {
    std::lock_guard lock(m_publishLock);
    return m_publishedModel;
}

ScanReport ConfJobRunner::LastScanReport() const {
    std::lock_guard lock(m_publishLock);
    return m_publishedReport;
}

JobStatus ConfJobRunner::VerifyModel() {
    if (!m_comm.IsOpen()) {
        return JOB_FAILED;
    }
    MatchResult answer;
    if (!Expect(kGetModel, answer)) {
        return JOB_FAILED;
    }
    if (answer.PayloadText(0, sizeof(TextArea)) != m_model) {
        return JOB_OTHER_DEVICE;
    }
    return IsSupportedModel(m_model) ? JOB_OK : JOB_UNSUPPORTED;
}

// ---- Jobs ----

JobStatus ConfJobRunner::Identify() {
    if (!CheckAlive() || !ReadModel()) {
        return JOB_FAILED;
    }
    return IsSupportedModel(m_model) ? JOB_OK : JOB_UNSUPPORTED;
}

JobStatus ConfJobRunner::ReadFull() {
    StopScanQuietly();
    if (!ReadFirmware() || !ReadInfo()) {
        return JOB_FAILED;
    }
    if (const JobStatus mode = EnterSetMode(); mode != JOB_OK) {
        return mode;
    }
    // Only a module in its setting mode is asked; otherwise the last value stays.
    if (InSetMode() && !ReadAutoCon()) {
        return JOB_FAILED;
    }
    if (!ReadNumber(kGetAdvInterval, m_dev.advInterval) || !ReadFlow() || !ReadRole() ||
        !ReadBypass()) {
        return JOB_FAILED;
    }
    for (unsigned number = 1; number <= kSlotCount; ++number) {
        if (!ReadSlot(number)) {
            return JOB_FAILED;
        }
    }
    return JOB_OK;
}

JobStatus ConfJobRunner::ReadMaster() {
    StopScanQuietly();
    if (!ReadFirmware() || !ReadInfo()) {
        return JOB_FAILED;
    }
    if (const JobStatus mode = EnterSetMode(); mode != JOB_OK) {
        return mode;
    }
    return OkIf(ReadAutoCon() && ReadFlow());
}

JobStatus ConfJobRunner::ReadSlave() {
    if (!ReadFirmware() || !ReadInfo()) {
        return JOB_FAILED;
    }
    Pause(200ms);
    if (const JobStatus mode = EnterSetMode(); mode != JOB_OK) {
        return mode;
    }
    return OkIf(ReadFlow() && ReadNumber(kGetAdvInterval, m_dev.advInterval));
}

JobStatus ConfJobRunner::ReadyAfter(const Transaction& command) {
    return OkIf(Succeeds(command));
}

JobStatus ConfJobRunner::WriteSlots(const SlotArray& slots) {
    if (const JobStatus verified = VerifyModel(); verified != JOB_OK) {
        return verified;
    }
    for (unsigned i = 0; i < kSlotCount; ++i) {
        if (!WriteSlot(i + 1, slots[i])) {
            return JOB_FAILED;
        }
        Pause(100ms);
    }
    return JOB_OK;
}

std::optional<JobStatus> ConfJobRunner::ScanStart(const JobInputs& inputs) {
    if (GetScanState() != SCAN_IDLE) {
        return std::nullopt;
    }
    if (const JobStatus verified = VerifyModel(); verified != JOB_OK) {
        return verified;
    }
    if (SetScanFilter(inputs.nameFilterOn, inputs.nameFilter) != AT_OK) {
        return JOB_FAILED;
    }
    Pause(500ms);
    if (!Succeeds(kStartScan)) {
        return JOB_FAILED;
    }
    // The page empties its list of seen devices when this result arrives.
    SetScanState(SCAN_RUNNING);
    return JOB_OK;
}

std::optional<JobStatus> ConfJobRunner::ScanReportJob() {
    if (GetScanState() != SCAN_RUNNING) {
        return std::nullopt;
    }
    switch (Aborted() ? std::int32_t{AT_ABORTED} : m_comm.WaitScanReport(m_scanReport)) {
        case AT_SCAN_REPORT:
            return JOB_OK;
        case AT_TIMEOUT:
            return JOB_NO_REPORT;
        default:
            return JOB_FAILED;
    }
}

std::optional<JobStatus> ConfJobRunner::ScanStop() {
    if (GetScanState() != SCAN_STOPPING) {
        return std::nullopt;
    }
    const bool stopped = Succeeds(kStopRunningScan);
    SetScanFilter(false, {});
    return OkIf(stopped);
}

JobStatus ConfJobRunner::SetName(const std::string& name) {
    if (const JobStatus verified = VerifyModel(); verified != JOB_OK) {
        return verified;
    }
    return OkIf(Succeeds(kSetName, Cut(name).c_str()));
}

// A number setting's command takes the number's low 16 bits.
JobStatus ConfJobRunner::SetNumber(const Transaction& command, std::uint32_t number) {
    if (const JobStatus verified = VerifyModel(); verified != JOB_OK) {
        return verified;
    }
    return OkIf(Succeeds(command, static_cast<unsigned>(number & 0xFFFFu)));
}

JobStatus ConfJobRunner::SetUart(std::uint32_t flowControl, std::uint32_t baudRate) {
    if (const JobStatus verified = VerifyModel(); verified != JOB_OK) {
        return verified;
    }
    if (!Succeeds(kSetFlow, OnOff(flowControl != 0))) {
        return JOB_FAILED;
    }
    Pause(200ms);
    if (!Succeeds(kSetUart, static_cast<unsigned>(baudRate))) {
        return JOB_FAILED;
    }
    Pause(200ms);
    // The module applies the new speed only when it restarts; without its ready answer the
    // change cannot be called done.
    return Succeeds(kReset) ? JOB_OK : JOB_NOT_CONFIRMED;
}

JobStatus ConfJobRunner::SetAutoCon(int autoConIndex) {
    if (const JobStatus verified = VerifyModel(); verified != JOB_OK) {
        return verified;
    }
    return OkIf(Succeeds(kSetAutoCon, OnOff(autoConIndex != 0)));
}

JobStatus ConfJobRunner::SetRole(int roleIndex) {
    if (const JobStatus verified = VerifyModel(); verified != JOB_OK) {
        return verified;
    }
    const std::optional<RoleSetting> role = RoleSettingOf(roleIndex, m_dev.bypass);
    if (!role || !Succeeds(kSetRole, role->letter)) {
        return JOB_FAILED;
    }
    Pause(200ms);
    return OkIf(Succeeds(kSetBypass, OnOff(role->bypass)));
}

JobStatus ConfJobRunner::SetMaster(const BdAddr& address) {
    if (const JobStatus verified = VerifyModel(); verified != JOB_OK) {
        return verified;
    }
    return OkIf(Succeeds(kSetConMac, FormatBdAddr(address).c_str()));
}

// ---- One helper per transaction ----

bool ConfJobRunner::CheckAlive() {
    // The first "AT" after opening may meet a module that is still waking up.
    return Succeeds(kAt) || Succeeds(kAt);
}

bool ConfJobRunner::ReadModel() {
    MatchResult answer;
    if (!Expect(kGetModel, answer)) {
        return false;
    }
    m_model = answer.PayloadText(0, sizeof(TextArea));
    return true;
}

void ConfJobRunner::StopScanQuietly() {
    Exchange(kStopScan);
}

bool ConfJobRunner::ReadFirmware() {
    MatchResult answer;
    return Expect(kGetVersion, answer) && CopyPayload(answer, m_dev.firmware);
}

bool ConfJobRunner::ReadInfo() {
    MatchResult answer;
    return Expect(kGetInfo, answer) && CopyPayload(answer, m_dev.info);
}

JobStatus ConfJobRunner::EnterSetMode() {
    if (InSetMode()) {
        return JOB_OK;
    }
    if (!Succeeds(kEnterSetMode)) {
        return JOB_NO_SETMODE;
    }
    Pause(200ms);
    return OkIf(ReadInfo());
}

bool ConfJobRunner::ReadAutoCon() {
    MatchResult answer;
    return Expect(kGetAutoCon, answer) && CopyPayload(answer, m_dev.autoCon);
}

bool ConfJobRunner::ReadNumber(const Transaction& query, std::uint16_t& into) {
    MatchResult answer;
    if (!Expect(query, answer) || answer.Payload().size() < 2) {
        return false;
    }
    into = answer.PayloadUint16(0);
    return true;
}

bool ConfJobRunner::ReadFlow() {
    MatchResult answer;
    return Expect(kGetFlow, answer) && CopyPayload(answer, m_dev.flow);
}

bool ConfJobRunner::ReadRole() {
    MatchResult answer;
    return Expect(kGetRole, answer) && CopyPayload(answer, m_dev.role);
}

bool ConfJobRunner::ReadBypass() {
    MatchResult answer;
    return Expect(kGetBypass, answer) && CopyPayload(answer, m_dev.bypass);
}

bool ConfJobRunner::ReadSlot(unsigned number) {
    const MatchResult answer = ExchangeFormatted(kGetSlot, number);
    SlotEntry& entry = m_dev.slots[number - 1];
    if (answer.Status() == AT_SLOT) {
        return CopyPayload(answer, entry);
    }
    if (answer.Status() == AT_ERROR) {  // the module's answer for an empty slot
        entry = SlotEntry{};
        entry.slot = static_cast<std::uint8_t>(number);
        return true;
    }
    return false;
}

bool ConfJobRunner::WriteSlot(unsigned number, const SlotEntry& entry) {
    if (IsZeroAddr(entry.addr)) {
        return Succeeds(kDelSlot, number);
    }
    const std::string address = FormatBdAddr(entry.addr);
    const std::string name = entry.Name();
    if (name.empty()) {
        return Succeeds(kSetSlot, unsigned{entry.slot}, address.c_str());
    }
    return Succeeds(kSetNamedSlot, unsigned{entry.slot}, address.c_str(), name.c_str());
}

std::int32_t ConfJobRunner::SetScanFilter(bool on, const std::string& name) {
    ScanFilter filter;
    filter.enabled = on ? 1 : 0;
    if (on) {
        const std::string cut = Cut(name);
        std::memcpy(filter.name, cut.data(), cut.size());
    }
    return Aborted() ? std::int32_t{AT_ABORTED} : m_comm.SetScanFilter(filter);
}

// ---- Transaction primitives ----

bool ConfJobRunner::LastAnswerWasRead() const {
    switch (m_lastAnswer) {
        case AT_NO_MATCH:
        case AT_INCOMPLETE:
        case AT_NO_RESULT:
        case AT_FRAME_TOO_LONG:
        case AT_TIMEOUT:
            return false;
        default:
            return true;
    }
}

MatchResult ConfJobRunner::Exchange(const Transaction& t, std::string_view command) {
    if (Aborted()) {
        m_lastAnswer = AT_ABORTED;
        return MatchResult(AT_ABORTED);
    }
    MatchResult answer = m_comm.SendCommand(command, t.kind, t.limitMs);
    m_lastAnswer = answer.Status();
    return answer;
}

template <typename... Args>
MatchResult ConfJobRunner::ExchangeFormatted(const Transaction& t, Args... args) {
    std::array<char, 128> buffer{};
    const int length = std::snprintf(buffer.data(), buffer.size(), t.command, args...);
    const std::size_t size = std::clamp<std::size_t>(length < 0 ? 0 : length, 0, 127);
    return Exchange(t, std::string_view(buffer.data(), size));
}

bool ConfJobRunner::Expect(const Transaction& t, MatchResult& answer) {
    answer = Exchange(t);
    return answer.Status() == t.expected;
}

template <typename... Args>
bool ConfJobRunner::Succeeds(const Transaction& t, Args... args) {
    if constexpr (sizeof...(Args) == 0) {
        return Exchange(t).Status() == t.expected;
    } else {
        return ExchangeFormatted(t, args...).Status() == t.expected;
    }
}

void ConfJobRunner::Pause(std::chrono::milliseconds pause) {
    std::unique_lock lock(m_pauseLock);
    m_pauseCond.wait_for(lock, pause, [this] { return Aborted(); });
}

void ConfJobRunner::WakeForAbort() {
    {
        std::lock_guard lock(m_pauseLock);  // a pause that checked Aborted() is waiting by now
    }
    m_pauseCond.notify_all();
    m_comm.AbortTransaction();
}

bool ConfJobRunner::InSetMode() const {
    return m_dev.info.InSetMode();
}
