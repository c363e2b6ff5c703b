#include "StationSetup.h"

#include "NetworkChannel.h"
#include "ProfileApply.h"
#include "SessionReporter.h"
#include "SettingTable.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>

namespace {

// A unit's transcript keeps at most this much: enough for every command of a full apply.
constexpr std::size_t kTranscriptLimit = 64 * 1024;

std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return text;
}

// Failures on the line, worth another try; a module that refused, or is not the right one, is
// not.
bool IsLineFailure(SessionOutcome outcome) {
    return outcome == SessionOutcome::PortNotOpened || outcome == SessionOutcome::NoAnswer ||
           outcome == SessionOutcome::PortError;
}

// The counter that gives `name` from the profile's name pattern, if one does: every run of
// digits in the name is tried (a name has at most 8 bytes).
std::optional<unsigned> CounterOf(const Profile& profile, const std::string& name) {
    for (std::size_t begin = 0; begin < name.size(); ++begin) {
        for (std::size_t end = begin; end < name.size() && end - begin < 9 &&
                                      std::isdigit(static_cast<unsigned char>(name[end]));
             ++end) {
            const auto number =
                static_cast<unsigned>(std::stoul(name.substr(begin, end + 1 - begin)));
            if (ProfileNameFor(profile, number) == name) {
                return number;
            }
        }
    }
    return std::nullopt;
}

}  // namespace

StationSetup::StationSetup(Profile profile, StationRequest request, SessionTexts texts)
    : m_profile(std::move(profile)),
      m_request(std::move(request)),
      m_texts(std::move(texts)),
      m_counter(m_request.nameCounter) {}

StationSetup::~StationSetup() = default;

Step StationSetup::Open() {
    if (const Step badName = CheckNameCounter()) {
        return badName;
    }
    if (const Step refused = TakeLocks()) {
        return refused;
    }
    return m_request.report ? OpenReport() : OpenStore();
}

// A counter that makes the name too long would fail every unit, one by one, on the line.
Step StationSetup::CheckNameCounter() const {
    for (const unsigned number : {m_request.nameCounter, m_request.resetCounter.value_or(1)}) {
        if (!ProfileNameFor(m_profile, number)) {
            return Failure{SessionOutcome::BadInput,
                           m_texts(ConfMessageId::MSG_PROFILE_BAD_VALUE,
                                   {std::string(SettingRowOf(JOB_SET_NAME)->fileField)})};
        }
    }
    return std::nullopt;
}

StationOptions StationSetup::Options() const {
    StationOptions options;
    options.portPattern = m_chosenPorts.empty() ? m_request.portPattern : "*";
    options.parallel = m_request.parallel;
    options.retries = m_request.retries;
    options.station = m_request.station.value_or(StationPlatform::HostName());
    options.operatorName = m_request.operatorName.value_or("");
    options.lot = m_request.lot.value_or("");
    return options;
}

StationPortLister StationSetup::Lister(StationPortLister system) const {
    if (m_chosenPorts.empty()) {
        return system;
    }
    return [system = std::move(system), chosen = m_chosenPorts] {
        const std::vector<std::string> listed = system ? system() : std::vector<std::string>{};
        std::vector<std::string> ports;
        for (const std::string& port : chosen) {
            if (IsNetworkPort(port) ||
                std::find(listed.begin(), listed.end(), port) != listed.end()) {
                ports.push_back(port);
            }
        }
        return ports;
    };
}

RecordSink* StationSetup::Record() {
    return m_report ? static_cast<RecordSink*>(m_report.get()) : m_store.get();
}

NameCounter& StationSetup::Counter() {
    return m_storeCounter ? static_cast<NameCounter&>(*m_storeCounter)
                          : static_cast<NameCounter&>(m_counter);
}

std::string StationSetup::LockKey() const {
    if (m_chosenPorts.empty()) {
        return m_request.portPattern;
    }
    std::vector<std::string> sorted = m_chosenPorts;
    std::sort(sorted.begin(), sorted.end());
    std::string key;
    for (const std::string& port : sorted) {
        key += port + '\n';
    }
    return key;
}

// Two stations over one record or one pattern would give two modules one name.
Step StationSetup::TakeLocks() {
    std::error_code error;
    const std::string folder = StationPlatform::LockFolder();
    m_patternLock = StationPlatform::TryLock(
        folder + "/pattern-" + std::to_string(std::hash<std::string>{}(LockKey())) + ".lock",
        error);
    if (!m_patternLock && error == std::errc::device_or_resource_busy) {
        return Failure{SessionOutcome::StationTaken,
                       m_chosenPorts.empty()
                           ? m_texts(SessionText::WatchTaken, {m_request.portPattern})
                           : m_texts(SessionText::ChosenPortsTaken)};
    }
    if (m_request.report) {
        m_reportLock = StationPlatform::TryLock(*m_request.report + ".lock", error);
        if (!m_reportLock && error == std::errc::device_or_resource_busy) {
            return Failure{SessionOutcome::StationTaken,
                           m_texts(SessionText::WatchTaken, {*m_request.report})};
        }
    }
    return std::nullopt;
}

Step StationSetup::OpenReport() {
    std::error_code same;
    if (std::filesystem::equivalent(*m_request.report, m_request.file, same)) {
        return Failure{SessionOutcome::BadInput, m_texts(SessionText::ReportIsSettingsFile)};
    }
    std::error_code error;
    std::string why;
    m_report = RecordFile::Open(*m_request.report, error, why);
    if (!m_report) {
        return Failure{SessionOutcome::RecordRefused,
                       m_texts(SessionText::ReportRefused,
                               {*m_request.report, why.empty() ? error.message() : why})};
    }
    // A report appended to goes on after its own names: a new start would give them again.
    if (m_profile.name) {
        for (const std::string& name : m_report->PassedNames()) {
            if (const std::optional<unsigned> number = CounterOf(m_profile, name)) {
                m_counter.StartAtLeast(*number + 1);
            }
        }
    }
    return std::nullopt;
}

// The line's database: the one named, or this station's own SQLite file; its counter is kept
// under the name pattern.
Step StationSetup::OpenStore() {
    const std::string address = m_request.record.value_or(DefaultRecordAddress());
    std::string why;
    m_store = OpenRecordStore(address, why);
    if (!m_store) {
        return Failure{SessionOutcome::RecordRefused,
                       m_texts(SessionText::StoreRefused, {ShownAddress(address), why})};
    }
    const std::string key = m_profile.name.value_or("");
    if (m_request.resetCounter && !m_store->RaiseCounter(key, *m_request.resetCounter, why)) {
        return Failure{SessionOutcome::RecordRefused, m_texts(SessionText::CounterNotReset, {why})};
    }
    m_storeCounter = std::make_unique<StoreNameCounter>(*m_store, key, m_request.nameCounter);
    return std::nullopt;
}

// A failure's message as a record gives it: the page's no-answer message tells the user to
// check the product, which a line's record and its counts by reason must not take for a
// wrong module.
std::string StationSetup::ReasonOf(const Failure& failure) const {
    std::string reason = failure.message;
    if (failure.outcome == SessionOutcome::NoAnswer) {
        const std::string checkProduct = m_texts(ConfMessageId::MSG_NO_ANSWER);
        if (const auto at = reason.find(checkProduct); at != std::string::npos) {
            reason.replace(at, checkProduct.size(), m_texts(SessionText::ModuleSilent));
        }
    }
    return reason;
}

Failure StationSetup::RecordFailure(const std::error_code& error) const {
    const RecordSink* sink =
        m_report ? static_cast<const RecordSink*>(m_report.get()) : m_store.get();
    if (sink == nullptr) {
        return Failure{SessionOutcome::RecordFailed, error.message()};
    }
    const std::string own = sink->WriteFailure();
    const std::string why = own.empty() ? error.message() : own;
    return Failure{SessionOutcome::RecordFailed,
                   m_report ? m_texts(SessionText::ReportFailed, {sink->Name(), why})
                            : m_texts(SessionText::StoreWriteFailed, {sink->Name(), why})};
}

UnitTry StationSetup::Try(const UnitContext& unit, const std::string& serial,
                          const UnitProgressSink& progress) const {
    const auto began = std::chrono::steady_clock::now();
    Connection connection = m_request.connection;
    connection.port = unit.port;
    std::string transcript;
    ApplyOptions options{connection, unit.number, false};
    options.accept = [&unit](const ModuleValues& module) { return unit.claim(module.address); };
    options.transcript = [&transcript](bool sent, std::string_view line) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
            line.remove_suffix(1);
        }
        if (transcript.size() < kTranscriptLimit) {
            transcript += (sent ? "> " : "< ") + std::string(line) + "\n";
        }
    };
    options.progress = progress;
    options.stopRequested = unit.stopNow;
    SilentReporter silent;  // the details of one module stay out of its line
    const ApplyOutcome outcome = ApplyProfile(m_profile, options, m_texts, silent);

    UnitTry tried;
    tried.nameWritten = outcome.nameWritten;
    UnitRecord& record = tried.record;
    record.station = unit.station;
    record.operatorName = unit.operatorName;
    record.lot = unit.lot;
    record.port = unit.port;
    record.attempt = unit.attempt;
    record.serial = serial;
    record.address = outcome.module.address;
    record.model = outcome.module.model;
    record.firmware = outcome.module.firmware;
    // Only a name the module may hold: a planned one it never got would read as given twice.
    record.name = outcome.nameWritten ? outcome.name : std::string();
    record.confirmed = outcome.confirmed;
    if (outcome.refused) {
        record.result = UnitRecord::Result::Duplicate;
        record.reason = m_texts(SessionText::AlreadyConfigured);
    } else if (outcome.failure) {
        record.result = UnitRecord::Result::Fail;
        record.reason = OneLine(ReasonOf(*outcome.failure));
        if (!outcome.nameWritten && !outcome.name.empty()) {
            record.reason += ' ';
            record.reason += m_texts(SessionText::NameNotGiven, {outcome.name});
        }
        record.transcript = std::move(transcript);  // kept for a failure only
        tried.lineFailure = IsLineFailure(outcome.failure->outcome);
    } else {
        record.result = UnitRecord::Result::Pass;
    }
    record.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    record.time = StationPlatform::UtcNow();
    return tried;
}
