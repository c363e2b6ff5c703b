// `report` over a line's database: what each output prints for the same records, and which
// records each filter keeps.

#include "CliFixture.h"
#include "RecordStore.h"

#include <unistd.h>

#include <filesystem>

namespace {

// Three tries on two stations, with the values a report must not mangle: a comma, quotes, a
// line break, a leading `=`, non-ASCII, an empty address.
std::string LineDatabase() {
    const auto path = std::filesystem::temp_directory_path() /
                      ("skw-cli-report-" + std::to_string(::getpid()) + ".sqlite");
    std::filesystem::remove(path);
    const std::string address = "sqlite:" + path.string();
    std::string why;
    auto store = OpenRecordStore(address, why);
    if (!store) {
        return {};
    }
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
    for (const UnitRecord* record : {&pass, &fail, &duplicate}) {
        if (store->Write(*record)) {
            return {};
        }
    }
    return address;
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
         R"("result":"PASS","reason":"","seconds":4.26,"attempt":1,"transcript":"",)"
         R"("serial":"SN-7"})"
         "\n"},
        {{"--result", "FAIL"},
         "2026-12-11T08:01:00Z  S1  FAIL  /dev/ttyUSB1  =SNS-002  no answer: 응답 없음\n"},
        {{"--since", "2026-12-11T08:30"},
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
