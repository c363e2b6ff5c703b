// The production line's watch mode: the ports matching a pattern are listed again and again; a
// module that appears on one gets the settings file applied, one module after the other, with
// one result line and one report row each.

#include "WatchMode.h"

#include "ProfileApply.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <deque>
#include <fstream>
#include <iomanip>
#include <set>
#include <sstream>
#include <thread>

namespace {

// One bracket set of a shell pattern, "[abc]", "[a-z]" or "[!x]", at `p` (just after '[').
// Returns whether `c` is in it and moves `p` past the closing ']'; an unclosed '[' is a literal.
bool MatchesSet(const std::string& pattern, std::size_t& p, char c) {
    const std::size_t open = p;
    const bool negated = p < pattern.size() && (pattern[p] == '!' || pattern[p] == '^');
    std::size_t i = negated ? p + 1 : p;
    bool found = false;
    bool first = true;
    for (; i < pattern.size() && (first || pattern[i] != ']'); ++i, first = false) {
        if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
            found = found || (pattern[i] <= c && c <= pattern[i + 2]);
            i += 2;
        } else {
            found = found || pattern[i] == c;
        }
    }
    if (i >= pattern.size()) {
        p = open;
        return c == '[';
    }
    p = i + 1;
    return found != negated;
}

// The shell's pattern match for port paths ('*', '?', bracket sets; '*' crosses '/'), on every
// system: the watch mode's --ports.
bool MatchesPattern(const std::string& pattern, const std::string& text) {
    std::size_t p = 0;
    std::size_t t = 0;
    std::size_t starP = std::string::npos;
    std::size_t starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = ++p;
            starT = t;
            continue;
        }
        if (p < pattern.size()) {
            std::size_t next = p + 1;
            bool matched = false;
            if (pattern[p] == '?') {
                matched = true;
            } else if (pattern[p] == '[') {
                matched = MatchesSet(pattern, next, text[t]);
            } else {
                matched = pattern[p] == text[t];
            }
            if (matched) {
                p = next;
                ++t;
                continue;
            }
        }
        if (starP == std::string::npos) {
            return false;
        }
        p = starP;
        t = ++starT;
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

using namespace std::chrono_literals;

constexpr auto kPollInterval = 250ms;
// A USB adapter's device node appears before udev has given it its permissions, and before a
// module the adapter powers has started; a new port is taken once it has been listed this long.
constexpr auto kSettleTime = 500ms;
const char kCsvHeader[] = "time,port,address,model,firmware,result,applied";

// A CSV field, quoted; a leading character a spreadsheet takes for a formula is neutralised.
std::string CsvField(const std::string& text) {
    std::string quoted = "\"";
    if (!text.empty() && std::string_view("=+-@").find(text.front()) != std::string_view::npos) {
        quoted.push_back('\'');
    }
    for (const char c : text) {
        if (c == '"') {
            quoted.push_back('"');
        }
        quoted.push_back(c);
    }
    quoted.push_back('"');
    return quoted;
}

std::string UtcNow() {
    const std::time_t now = std::time(nullptr);
    const std::tm utc = *std::gmtime(&now);  // the watch is the only thread that asks
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string Seconds(std::chrono::steady_clock::duration elapsed) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << std::chrono::duration<double>(elapsed).count();
    return text.str();
}

class Watch {
public:
    Watch(const Profile& profile, const ApplyRequest& request, const CliContext& context,
          const PortLister& listPorts)
        : m_profile(profile),
          m_request(request),
          m_context(context),
          m_listPorts(listPorts),
          m_counter(request.nameCounter) {}

    int Run() {
        if (m_request.report) {
            if (const Step failed = OpenReport()) {
                return m_context.Fail(failed->code, failed->message);
            }
        }
        m_present = Matching();  // what is there already is not new
        while (!m_context.StopRequested()) {
            Poll();
            if (m_waiting.empty() || !Settled(m_waiting.front())) {
                std::this_thread::sleep_for(kPollInterval);
                continue;
            }
            const std::string port = m_waiting.front().port;
            m_waiting.pop_front();
            Handle(port);
        }
        return ToInt(ExitCode::Ok);
    }

private:
    std::set<std::string> Matching() const {
        std::set<std::string> ports;
        for (const std::string& port : m_listPorts ? m_listPorts() : std::vector<std::string>{}) {
            if (MatchesPattern(m_request.portPattern, port)) {
                ports.insert(port);
            }
        }
        return ports;
    }

    // New entries wait their turn; a port that went away and comes back is new again.
    void Poll() {
        const std::set<std::string> now = Matching();
        for (const std::string& port : now) {
            if (!m_present.contains(port)) {
                m_waiting.push_back({port, std::chrono::steady_clock::now()});
            }
        }
        std::erase_if(m_waiting,
                      [&now](const NewPort& entry) { return !now.contains(entry.port); });
        m_present = now;
    }

    void Handle(const std::string& port) {
        const auto started = std::chrono::steady_clock::now();
        Connection connection = m_request.connection;
        connection.port = port;
        // The details of one module stay out of the line that reports it.
        std::ostringstream detail;
        std::ostringstream errors;
        // No stop request reaches the module in progress: Ctrl+C ends the watch between modules.
        const CliContext quiet{detail, errors, m_context.texts, nullptr};
        const ApplyOutcome outcome =
            ApplyProfile(m_profile, ApplyOptions{connection, m_counter, false}, quiet);
        const ModuleValues& module = outcome.module;
        std::string result;
        if (outcome.failure) {
            result = "FAIL " + OneLine(outcome.failure->message);
            m_context.Say("FAIL " + (module.address.empty() ? port : module.address) + " " +
                          OneLine(outcome.failure->message));
        } else {
            result = "PASS";
            m_context.Say("PASS " + module.address + " " + module.name + " " +
                          Seconds(std::chrono::steady_clock::now() - started));
            ++m_counter;
        }
        Report(port, module, result, outcome.changes);
    }

    static std::string OneLine(std::string text) {
        std::replace_if(
            text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
        return text;
    }

    Step OpenReport() {
        m_report.open(*m_request.report, std::ios::binary | std::ios::app);
        if (!m_report) {
            return Failure{ExitCode::BadArgument,
                           m_context.texts(ConfMessageId::MSG_PROFILE_CANNOT_WRITE,
                                           {*m_request.report, std::strerror(errno)})};
        }
        if (m_report.tellp() == 0) {
            m_report << kCsvHeader << "\r\n" << std::flush;
        }
        return std::nullopt;
    }

    void Report(const std::string& port, const ModuleValues& module, const std::string& result,
                const std::vector<FieldChange>& changes) {
        if (!m_report.is_open()) {
            return;
        }
        std::string applied;
        for (const FieldChange& change : changes) {
            applied += (applied.empty() ? "" : ";") + change.field + "=" + change.to;
        }
        m_report << CsvField(UtcNow()) << ',' << CsvField(port) << ',' << CsvField(module.address)
                 << ',' << CsvField(module.model) << ',' << CsvField(module.firmware) << ','
                 << CsvField(result) << ',' << CsvField(applied) << "\r\n"
                 << std::flush;
        if (!m_report) {
            m_context.Fail(ExitCode::Internal,
                           m_context.texts(ConfMessageId::MSG_PROFILE_CANNOT_WRITE,
                                           {*m_request.report, std::strerror(errno)}));
        }
    }

    const Profile& m_profile;
    const ApplyRequest& m_request;
    const CliContext& m_context;
    const PortLister& m_listPorts;
    unsigned m_counter;
    std::set<std::string> m_present;
    struct NewPort {
        std::string port;
        std::chrono::steady_clock::time_point listedSince;
    };
    static bool Settled(const NewPort& entry) {
        return std::chrono::steady_clock::now() - entry.listedSince >= kSettleTime;
    }
    std::deque<NewPort> m_waiting;
    std::ofstream m_report;
};

}  // namespace

int RunWatch(const Profile& profile, const ApplyRequest& request, const CliContext& context,
             const PortLister& listPorts) {
    return Watch(profile, request, context, listPorts).Run();
}
