#include "AwkwardRecord.h"
#include "RecordFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

namespace {

std::filesystem::path Scratch(const std::string& name) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("skw-record-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::filesystem::remove(folder / name);
    return folder / name;
}

std::string Read(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The rows of a CSV text: fields in quotes may hold commas, quotes ("") and line breaks; a row
// ends with CR LF outside quotes.
std::vector<std::vector<std::string>> CsvRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row(1);
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
            row.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == ',') {
            row.emplace_back();
        } else if (!quoted && text.compare(i, 2, "\r\n") == 0) {
            rows.push_back(std::move(row));
            row.assign(1, "");
            ++i;
        } else {
            row.back() += c;
        }
    }
    return rows;
}

UnitRecord Sample(UnitRecord::Result result, const std::string& address) {
    UnitRecord record;
    record.time = "2026-12-10T23:00:00Z";
    record.station = "S1";
    record.port = "/dev/ttyUSB0";
    record.address = address;
    record.name = "SNS-001";
    record.confirmed = {"name=SNS-001", "advInterval=250"};
    record.result = result;
    record.seconds = 4.26;
    return record;
}

}  // namespace

// Both formats append, and what passed in an earlier run counts as passed.
TEST(RecordFileTest, csvAndJsonLines_appendAndRememberWhatPassed) {
    const struct {
        const char* name;
        const char* confirmed;
    } cases[] = {
        {"line.csv", "\"name=SNS-001;advInterval=250\""},
        {"line.jsonl", R"("confirmed":["name=SNS-001","advInterval=250"])"},
    };
    for (const auto& [name, confirmed] : cases) {
        SCOPED_TRACE(name);
        const auto path = Scratch(name);
        std::error_code error;
        std::string why;
        {
            auto file = RecordFile::Open(path.string(), error, why);
            ASSERT_TRUE(file) << why << error.message();
            ASSERT_FALSE(file->Write(Sample(UnitRecord::Result::Pass, "C0FFEE000001")));
            ASSERT_FALSE(file->Write(Sample(UnitRecord::Result::Fail, "C0FFEE000002")));
        }
        auto again = RecordFile::Open(path.string(), error, why);
        ASSERT_TRUE(again) << why;
        EXPECT_EQ(again->PassedAddresses(), std::set<std::string>{"C0FFEE000001"});
        const std::string text = Read(path);
        EXPECT_EQ(text.find("time,"), text.rfind("time,")) << "one header, however often opened";
        EXPECT_NE(text.find(confirmed), std::string::npos) << text;
        EXPECT_NE(text.find("4.3"), std::string::npos) << text;
    }
}

// A CSV is read by its quotes, not by its lines: a field may hold commas, quotes and line
// breaks, and a row ends at CR LF or LF outside quotes.
TEST(RecordFileTest, csvRecords_readQuotedFieldsWhole) {
    using Rows = std::vector<std::vector<std::string>>;
    const struct {
        const char* what;
        std::string text;
        Rows rows;
    } cases[] = {
        {"plain", "a,b\r\nc,d\r\n", {{"a", "b"}, {"c", "d"}}},
        {"LF rows, no last break", "a,b\nc,d", {{"a", "b"}, {"c", "d"}}},
        {"quoted comma and quote", "\"a,1\",\"say \"\"hi\"\"\"\r\n", {{"a,1", "say \"hi\""}}},
        {"line breaks in quotes",
         "\"> AT\n< ERROR\r\n\",x\r\ny,z\r\n",
         {{"> AT\n< ERROR\r\n", "x"}, {"y", "z"}}},
        {"empty fields", ",,\r\n\"\",\r\n", {{"", "", ""}, {"", ""}}},
        {"quote inside a plain field", "a\"b,c\r\n", {{"a\"b", "c"}}},
        {"nothing", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CsvRecords(c.text), c.rows);
    }
}

// A field a spreadsheet would take for a formula (its first character =, +, -, @, a TAB or a
// CR) is written with a leading apostrophe; any other is written as it is.
TEST(RecordFileTest, csvFieldsThatLookLikeFormulas_areNeutralised) {
    const struct {
        std::string name;
        std::string field;
    } cases[] = {
        {"=1+1", "\"'=1+1\""},         {"+1", "\"'+1\""},     {"-1", "\"'-1\""},
        {"@SUM(A1)", "\"'@SUM(A1)\""}, {"\t=1", "\"'\t=1\""}, {"\r=1", "\"'\r=1\""},
        {"SNS=1", "\"SNS=1\""},        {"", "\"\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UnitRecord record = Sample(UnitRecord::Result::Pass, "C0FFEE000001");
        record.name = c.name;
        EXPECT_NE(CsvLine(record).find(",\"C0FFEE000001\",\"\",\"\"," + c.field + ","),
                  std::string::npos)
            << CsvLine(record);
    }
}

// A FAIL row's transcript holds line breaks; the rows after it, and their PASS, still count
// when the report is opened again, and a transcript's line never reads as a row of its own.
TEST(RecordFileTest, rowsAfterAMultiLineTranscript_areReadAgain) {
    const auto path = Scratch("transcript.csv");
    std::error_code error;
    std::string why;
    {
        auto file = RecordFile::Open(path.string(), error, why);
        ASSERT_TRUE(file) << why;
        UnitRecord fail = Sample(UnitRecord::Result::Fail, "C0FFEE000001");
        // A module that echoed noise: on a line of its own this would read as a PASS row.
        UnitRecord echoed = Sample(UnitRecord::Result::Pass, "C0FFEE000009");
        fail.transcript = "> AT\n" + CsvLine(echoed) + "< ERROR\n";
        ASSERT_FALSE(file->Write(fail));
        ASSERT_FALSE(file->Write(Sample(UnitRecord::Result::Pass, "C0FFEE000002")));
    }
    auto again = RecordFile::Open(path.string(), error, why);
    ASSERT_TRUE(again) << why;
    EXPECT_EQ(again->PassedAddresses(), std::set<std::string>{"C0FFEE000002"});
    EXPECT_EQ(again->PassedNames(), std::set<std::string>{"SNS-001"});
}

// A file that is not this program's report is not appended to; a report that disappears, or a
// write that fails, is an error at once.
TEST(RecordFileTest, foreignFiles_removedFiles_andFullDisks_areErrors) {
    const auto foreign = Scratch("foreign.csv");
    std::ofstream(foreign) << "time,port,address,model,firmware,result,applied\r\n";
    std::error_code error;
    std::string why;
    EXPECT_FALSE(RecordFile::Open(foreign.string(), error, why));
    EXPECT_NE(why.find("header"), std::string::npos);

#ifndef _WIN32
    // Windows refuses to remove a file that is open, so a report cannot vanish under a station
    // there.
    const auto removed = Scratch("removed.csv");
    auto file = RecordFile::Open(removed.string(), error, why);
    ASSERT_TRUE(file);
    std::filesystem::remove(removed);
    EXPECT_TRUE(file->Write(Sample(UnitRecord::Result::Pass, "C0FFEE000001")));
#endif

    if (std::filesystem::exists("/dev/full")) {
        auto full = RecordFile::Open("/dev/full", error, why);
        // Either the header or the first record cannot be written.
        EXPECT_TRUE(!full || full->Write(Sample(UnitRecord::Result::Pass, "C0FFEE000001")));
    }
}

// A CSV report begun before serial numbers were recorded is appended in its own columns; a new
// one, and every JSON Lines report, carries the serial.
TEST(RecordFileTest, olderCsvReports_keepTheirColumns_newOnesCarryTheSerial) {
    const std::string olderHeader =
        "time,station,operator,lot,port,address,model,firmware,name,confirmed,result,reason,"
        "seconds,attempt,transcript\r\n";
    const struct {
        const char* name;
        std::string before;
        bool withSerial;
        int version;  // whose columns the rows have
    } cases[] = {
        {"older.csv", olderHeader, false, 1},
        {"new.csv", "", true, kRecordVersion},
        {"new.jsonl", "", true, kRecordVersion},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = Scratch(c.name);
        std::ofstream(path, std::ios::binary) << c.before;
        std::error_code error;
        std::string why;
        auto file = RecordFile::Open(path.string(), error, why);
        ASSERT_TRUE(file) << why << error.message();
        UnitRecord record = Sample(UnitRecord::Result::Pass, "C0FFEE000003");
        record.serial = "SN-77";
        ASSERT_FALSE(file->Write(record));
        const std::string text = Read(path);
        EXPECT_EQ(text.find("SN-77") != std::string::npos, c.withSerial) << text;
        if (!c.before.empty()) {
            EXPECT_EQ(text.substr(0, c.before.size()), c.before);
            EXPECT_EQ(text.substr(c.before.size()), CsvLine(record, c.version));
        }
    }
}

// Every column of a record is written under its own header (CSV) or key (JSON Lines), in the
// report's order, whatever its text.
TEST(RecordFileTest, everyColumn_isWrittenUnderItsHeaderAndKey) {
    const UnitRecord record = AwkwardRecord("S,\"1\"");
    const std::vector<std::pair<std::string, std::string>> csv = {
        {"time", "2026-12-11T01:02:03Z"},
        {"station", "S,\"1\""},
        {"operator", "김 운영자"},
        {"lot", "L\r\n2"},
        {"port", ""},
        {"address", "C0FFEE0000A1"},
        {"model", "'); DROP TABLE units; --"},
        {"firmware", "v\t2.1"},
        {"name", "'=SNS-1"},  // not a formula to a spreadsheet
        {"confirmed", "name=a,b;advInterval=\"250\""},
        {"result", "DUPLICATE"},
        {"reason", "passed before\nat S2"},
        {"seconds", "12.3"},
        {"attempt", "3"},
        {"transcript", "> AT\r\n< OK\r\n< \\xF8\\x9B~\\xC3#\\\\x41\\x00\r\n"},
        {"serial", "SN-ü-7"},
    };
    const auto csvPath = Scratch("columns.csv");
    const auto jsonPath = Scratch("columns.jsonl");
    std::error_code error;
    std::string why;
    for (const auto& path : {csvPath, jsonPath}) {
        auto file = RecordFile::Open(path.string(), error, why);
        ASSERT_TRUE(file) << why << error.message();
        ASSERT_FALSE(file->Write(record));
    }

    const auto rows = CsvRows(Read(csvPath));
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_EQ(rows[0].size(), csv.size());
    ASSERT_EQ(rows[1].size(), csv.size());
    for (std::size_t i = 0; i < csv.size(); ++i) {
        EXPECT_EQ(rows[0][i], csv[i].first);
        EXPECT_EQ(rows[1][i], csv[i].second) << csv[i].first;
    }

    using Json = nlohmann::ordered_json;
    const Json json = Json::parse(Read(jsonPath));
    // The same values, but the name as it is, the fields as a list and the numbers as numbers.
    const std::map<std::string, Json> jsonDiffers = {
        {"name", "=SNS-1"},
        {"confirmed", Json::array({"name=a,b", "advInterval=\"250\""})},
        {"seconds", 12.3},
        {"attempt", 3},
    };
    ASSERT_EQ(json.size(), csv.size()) << json.dump();
    auto item = json.items().begin();
    for (const auto& [key, text] : csv) {
        const auto differs = jsonDiffers.find(key);
        EXPECT_EQ(item.key(), key);
        EXPECT_EQ(item.value(), differs != jsonDiffers.end() ? differs->second : Json(text)) << key;
        ++item;
    }
}
