// `report` over a line's database: what each output prints for the same records, and which
// records each filter keeps.

#include "CliFixture.h"
#include "RecordStore.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace {

// A database of its own holding `records`; empty when this build has no SQLite.
std::string DatabaseOf(const std::string& name, const std::vector<UnitRecord>& records) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("skw-cli-report-" + name + "-" + std::to_string(::getpid()) + ".sqlite");
    std::filesystem::remove(path);
    const std::string address = "sqlite:" + path.string();
    std::string why;
    auto store = OpenRecordStore(address, why);
    if (!store) {
        return {};
    }
    for (const UnitRecord& record : records) {
        if (store->Write(record)) {
            return {};
        }
    }
    return address;
}

// Three tries on two stations, with the values a report must not mangle: a comma, quotes, a
// line break, a leading `=`, non-ASCII, an empty address.
std::string LineDatabase() {
    UnitRecord pass;
    pass.time = "2026-12-11T08:00:00Z";
    pass.station = "S1";
    pass.operatorName = "kim, \"lee\"";
    pass.lot = "L1";
    pass.port = "/dev/ttyUSB0";
    pass.address = "C0FFEE000001";
    pass.model = "GaX-sKW523";
    pass.firmware = "v2.1.4";
    pass.name = "SNS-001";
    pass.confirmed = {"name=SNS-001", "advInterval=250"};
    pass.result = UnitRecord::Result::Pass;
    pass.seconds = 4.26;
    pass.serial = "SN-7";
    UnitRecord fail = pass;
    fail.time = "2026-12-11T08:01:00Z";
    fail.port = "/dev/ttyUSB1";
    fail.address = "";
    fail.name = "=SNS-002";
    fail.confirmed = {};
    fail.result = UnitRecord::Result::Fail;
    fail.reason = "no answer: 응답 없음";
    fail.seconds = 10;
    fail.attempt = 2;
    fail.transcript = "> AT\n< ERROR";
    fail.serial = "";
    UnitRecord duplicate = pass;
    duplicate.time = "2026-12-11T09:00:00Z";
    duplicate.station = "S2";
    duplicate.lot = "L2";
    duplicate.result = UnitRecord::Result::Duplicate;
    duplicate.reason = "passed before";
    duplicate.seconds = 0.5;
    return DatabaseOf("line", {pass, fail, duplicate});
}

UnitRecord Try(const std::string& time, const std::string& address, UnitRecord::Result result,
               unsigned attempt, const std::string& reason = {}) {
    UnitRecord record;
    record.time = time;
    record.station = "S1";
    record.port = "/dev/ttyUSB3";
    record.address = address;
    record.result = result;
    record.attempt = attempt;
    record.reason = reason;
    return record;
}

class CliReportTest : public CliFixture {};

}  // namespace

TEST_F(CliReportTest, everyOutput_keepsAwkwardValues_andEachFilterItsRecords) {
    const std::string database = LineDatabase();
    if (database.empty()) {
        GTEST_SKIP() << "this build has no SQLite";
    }
    const std::string header =
        "time,station,operator,lot,port,address,model,firmware,name,confirmed,result,reason,"
        "seconds,attempt,transcript,serial\r\n";
    const std::string passCsv =
        R"("2026-12-11T08:00:00Z","S1","kim, ""lee""","L1","/dev/ttyUSB0","C0FFEE000001",)"
        R"("GaX-sKW523","v2.1.4","SNS-001","name=SNS-001;advInterval=250","PASS","","4.3","1",)"
        "\"\",\"SN-7\"\r\n";
    const std::string failCsv =
        R"("2026-12-11T08:01:00Z","S1","kim, ""lee""","L1","/dev/ttyUSB1","","GaX-sKW523",)"
        R"("v2.1.4","'=SNS-002","","FAIL","no answer: 응답 없음","10.0","2",)"
        "\"> AT\n< ERROR\",\"\"\r\n";
    const struct {
        std::vector<std::string> options;
        std::string out;
    } cases[] = {
        {{"--csv", "--station", "S1"}, header + passCsv + failCsv},
        {{"--json", "--result", "PASS"},
         R"({"time":"2026-12-11T08:00:00Z","station":"S1","operator":"kim, \"lee\"","lot":"L1",)"
         R"("port":"/dev/ttyUSB0","address":"C0FFEE000001","model":"GaX-sKW523",)"
         R"("firmware":"v2.1.4","name":"SNS-001","confirmed":["name=SNS-001","advInterval=250"],)"
         R"("result":"PASS","reason":"","seconds":4.3,"attempt":1,"transcript":"",)"
         R"("serial":"SN-7"})"
         "\n"},
        {{"--result", "FAIL"},
         "2026-12-11T08:01:00Z  S1  FAIL  /dev/ttyUSB1  =SNS-002  no answer: 응답 없음\n"},
        {{"--since", "2026-12-11T08:30Z"},
         "2026-12-11T09:00:00Z  S2  DUPLICATE  C0FFEE000001  SNS-001  passed before\n"},
        {{"--lot", "L1", "--address", "C0FFEE000001"},
         "2026-12-11T08:00:00Z  S1  PASS  C0FFEE000001  SNS-001  \n"},
        {{"--summary"},
         "Station S1: 2 units, PASS 1, first-pass yield 50.0 %\n"
         "Station S2: 1 units, PASS 0, first-pass yield 0.0 %\n"
         "1  no answer: 응답 없음\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.front());
        std::vector<std::string> args = {"report", "--record", database};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const CliResult result = RunArgs(args);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, c.out);
    }
}

// A unit is counted once however often it was tried or passed: the yield is the share of units
// that passed at their first try, and failures by reason count units, their tries apart.
TEST_F(CliReportTest, summary_countsEachUnitOnce) {
    using R = UnitRecord::Result;
    const std::string database = DatabaseOf(
        "units", {
                     Try("2026-12-11T08:00:00Z", "C0FFEE00000A", R::Fail, 1, "no answer"),
                     Try("2026-12-11T08:00:10Z", "C0FFEE00000A", R::Pass, 2),
                     Try("2026-12-11T08:01:00Z", "C0FFEE00000B", R::Pass, 1),
                     Try("2026-12-11T09:01:00Z", "C0FFEE00000B", R::Pass, 1),  // a later run
                     Try("2026-12-11T08:02:00Z", "", R::Fail, 1, "no answer"),
                     Try("2026-12-11T08:02:10Z", "", R::Fail, 2, "no answer"),
                     Try("2026-12-11T08:03:00Z", "C0FFEE00000D", R::Pass, 1),
                     Try("2026-12-11T08:04:00Z", "C0FFEE00000D", R::Duplicate, 1, "passed"),
                 });
    if (database.empty()) {
        GTEST_SKIP() << "this build has no SQLite";
    }
    const CliResult result = RunArgs({"report", "--record", database, "--summary"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "Station S1: 4 units, PASS 3, first-pass yield 50.0 %\n"
              "2 (3 tries)  no answer\n");
}

// --since takes ISO 8601: a date (local midnight), a date and time with T or a space, local or
// with Z or an offset; anything else is a bad argument.
TEST_F(CliReportTest, since_takesIsoDatesAndTimes) {
    const std::string database = LineDatabase();
    if (database.empty()) {
        GTEST_SKIP() << "this build has no SQLite";
    }
    const std::string zone = std::getenv("TZ") != nullptr ? std::getenv("TZ") : "";
    ::setenv("TZ", "KST-9", 1);  // local time is UTC+9 here
    ::tzset();
    const std::string pass = "2026-12-11T08:00:00Z  S1  PASS  C0FFEE000001  SNS-001  \n";
    const std::string fail =
        "2026-12-11T08:01:00Z  S1  FAIL  /dev/ttyUSB1  =SNS-002  no answer: 응답 없음\n";
    const std::string duplicate =
        "2026-12-11T09:00:00Z  S2  DUPLICATE  C0FFEE000001  SNS-001  passed before\n";
    const struct {
        std::string since;
        int status;
        std::string out;
    } cases[] = {
        {"2026-12-11", 0, pass + fail + duplicate},  // 2026-12-10T15:00Z
        {"2026-12-11 17:30", 0, duplicate},
        {"2026-12-11T17:00:30", 0, fail + duplicate},
        {"2026-12-11T08:30Z", 0, duplicate},
        {"2026-12-11 10:00:30+02:00", 0, fail + duplicate},
        {"2026-12-11T04:00-0500", 0, duplicate},
        {"2026-12-12", 0, ""},
        {"yesterday", 2, ""},
        {"2026-13-01", 2, ""},
        {"2026-12-11T08", 2, ""},
        {"2026-12-11T24:00", 2, ""},
        {"2026-12-11 08:00 ", 2, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.since);
        const CliResult result = RunArgs({"report", "--record", database, "--since", c.since});
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_EQ(result.out, c.out);
    }
    zone.empty() ? ::unsetenv("TZ") : ::setenv("TZ", zone.c_str(), 1);
    ::tzset();
}

// What a module sent is shown safely in CSV too (its line breaks kept), a typed address finds
// its unit however it is written, and JSON gives the seconds as the CSV does.
TEST_F(CliReportTest, outputs_escapeControls_normaliseAddresses_andRoundSeconds) {
    UnitRecord noisy =
        Try("2026-12-11T08:00:00Z", "C0FFEE0000AB", UnitRecord::Result::Fail, 1, "\x1b[31mred");
    noisy.transcript = "> AT\n< \x1b]0;title\x07";
    noisy.seconds = 1.26;
    const std::string database = DatabaseOf("noisy", {noisy});
    if (database.empty()) {
        GTEST_SKIP() << "this build has no SQLite";
    }
    const struct {
        std::vector<std::string> options;
        std::string contains;
    } cases[] = {
        // The CSV holds stored text, whose own backslashes are doubled (the shown escape's too).
        {{"--csv"},
         R"("\\x1b[31mred","1.3","1","> AT)"
         "\n"
         R"(< \\x1b]0;title\\x07")"},
        {{"--address", "c0:ff:ee:00:00:ab"}, "C0FFEE0000AB    \\x1b[31mred"},
        {{"--json"}, R"("seconds":1.3,)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.front());
        std::vector<std::string> args = {"report", "--record", database};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const CliResult result = RunArgs(args);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_NE(result.out.find(c.contains), std::string::npos) << result.out;
        EXPECT_EQ(result.out.find('\x1b'), std::string::npos) << result.out;
    }
}

// A database address the tool does not know is a bad argument, as for the watch.
TEST_F(CliReportTest, anUnknownDatabase_isABadArgument) {
    const CliResult result = RunArgs({"report", "--record", "mysql://line/records"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("mysql://line/records"), std::string::npos) << result.err;
}

// A mistyped database is refused (status 2), not created empty and reported as holding nothing.
TEST_F(CliReportTest, aMissingDatabase_isRefused_andNotCreated) {
    const auto typo = std::filesystem::temp_directory_path() /
                      ("skw-cli-report-typo-" + std::to_string(::getpid()) + ".sqlite");
    std::filesystem::remove(typo);
    const CliResult result = RunArgs({"report", "--record", "sqlite:" + typo.string()});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("no such file"), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(std::filesystem::exists(typo));
}
