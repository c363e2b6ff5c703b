// A station's setup: what Open refuses, and one try at a unit against a virtual module, whose
// record the unit of work fills in whole.

#include "StationSetup.h"
#include "VirtualModule.h"

#include <gmock/gmock.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

std::string Scratch(const std::string& name) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("skw-session-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::filesystem::remove(folder / name);
    return (folder / name).string();
}

Profile AdvInterval(unsigned msec) {
    Profile profile;
    profile.name = "SNS-{n:03}";
    profile.numbers[ProfileField::AdvInterval] = msec;
    return profile;
}

StationRequest ReportRequest(const std::string& report, const std::string& pattern) {
    StationRequest request;
    request.file = Scratch("settings.json");
    request.portPattern = pattern;
    request.report = report;
    return request;
}

// The station's context as Station hands it to a unit.
UnitContext Unit(const std::string& port, unsigned attempt, bool claimed) {
    UnitContext unit;
    unit.port = port;
    unit.number = 7;
    unit.attempt = attempt;
    unit.claim = [claimed](const std::string&) { return claimed; };
    unit.station = "ST-1";
    unit.operatorName = "Kim";
    unit.lot = "L7";
    return unit;
}

// Each way a try ends fills the same record: the module and what became of it from the try,
// the rest from the station's context and the serial handed in.
TEST(StationSetupTest, aTry_fillsItsWholeRecord) {
    struct Case {
        const char* what;
        std::string refusedCommand;  // the virtual module answers ERROR to it
        bool module;                 // false: nothing on the port
        bool claimed;
        UnitRecord::Result result;
        const char* reason;
        bool lineFailure;
        bool silent;  // the module answers nothing
    };
    const Case cases[] = {
        {"pass", "", true, true, UnitRecord::Result::Pass, "", false, false},
        {"claimed by another", "", true, false, UnitRecord::Result::Duplicate,
         "already configured; left as it is", false, false},
        {"refused", "AT+ADVINTERVAL=", true, true, UnitRecord::Result::Fail, "", false, false},
        {"no module", "", false, true, UnitRecord::Result::Fail, "Cannot open", true, false},
        {"no answer", "", true, true, UnitRecord::Result::Fail, "The module does not answer.", true,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VirtualModuleOptions options;
        options.portName = std::string("skw-session-") + std::to_string(::getpid());
        options.refusedCommand = c.refusedCommand;
        VirtualModule module(options);
        ASSERT_FALSE(module.Start());
        module.SetFault(SimFault::Silence, c.silent);
        const std::string port = c.module ? module.PortPath() : "/dev/skw-session-absent";
        StationSetup setup(AdvInterval(300),
                           ReportRequest(Scratch("report.csv"), "/dev/skw-session-try-*"),
                           SessionTexts());
        ASSERT_FALSE(setup.Open());

        const UnitTry tried = setup.Try(Unit(port, 2, c.claimed), "SN-0042");
        const UnitRecord& r = tried.record;
        EXPECT_EQ(r.result, c.result);
        EXPECT_THAT(r.reason, HasSubstr(c.reason));
        EXPECT_EQ(tried.lineFailure, c.lineFailure);
        EXPECT_EQ(r.station, "ST-1");
        EXPECT_EQ(r.operatorName, "Kim");
        EXPECT_EQ(r.lot, "L7");
        EXPECT_EQ(r.port, port);
        EXPECT_EQ(r.attempt, 2u);
        EXPECT_EQ(r.serial, "SN-0042");
        EXPECT_THAT(r.time, Not(IsEmpty()));
        EXPECT_GE(r.seconds, 0.0);
        EXPECT_EQ(r.address.empty(), !c.module || c.silent);
        if (c.result == UnitRecord::Result::Pass) {
            EXPECT_EQ(r.name, "SNS-007");
            EXPECT_THAT(r.confirmed, ::testing::Contains("advInterval=300"));
            EXPECT_TRUE(tried.nameWritten);
        }
        // The transcript is kept for a failure only, and only when the module was talked to.
        EXPECT_EQ(r.transcript.empty(), c.result != UnitRecord::Result::Fail || !c.module);
        EXPECT_THAT(r.reason, Not(HasSubstr("series only")));
    }
}

// A unit's number stays used only while its module may hold the name: one that carries it
// already keeps it, one that refused or forgot it gives it back, one that did not answer keeps
// it. The record names only a name the module may hold; a planned one it never got is told in
// the reason.
TEST(StationSetupTest, theNumberStaysUsed_onlyWhileTheModuleMayHoldTheName) {
    struct Case {
        const char* what;
        bool configuredBefore;  // an earlier try gave it every setting, the name included
        std::string refusedCommand;
        std::string lateCommand;  // answered after the setting's limit
        bool forgetsName;
        UnitRecord::Result result;
        bool nameWritten;
        const char* name;  // in the record
        const char* reason;
    };
    const Case cases[] = {
        {"carries every setting already", true, "", "", false, UnitRecord::Result::Pass, true,
         "SNS-007", ""},
        {"refuses the name", false, "AT+MANUF=", "", false, UnitRecord::Result::Fail, false, "",
         "Failed device name settings. The name SNS-007 was not given to it."},
        {"forgets the name", false, "", "", true, UnitRecord::Result::Fail, false, "",
         "The name SNS-007 was not given to it."},
        {"does not answer the name", false, "", "AT+MANUF=SNS-007", false, UnitRecord::Result::Fail,
         true, "SNS-007", "No readable answer came"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VirtualModuleOptions options;
        options.portName = std::string("skw-session-name-") + std::to_string(::getpid());
        options.refusedCommand = c.refusedCommand;
        options.lateCommand = c.lateCommand;
        options.lateBy = std::chrono::milliseconds(2500);
        VirtualModule module(options);
        ASSERT_FALSE(module.Start());
        module.SetFault(SimFault::ForgetsName, c.forgetsName);
        StationSetup setup(AdvInterval(300),
                           ReportRequest(Scratch("names.csv"), "/dev/skw-session-names-*"),
                           SessionTexts());
        ASSERT_FALSE(setup.Open());
        if (c.configuredBefore) {
            ASSERT_EQ(setup.Try(Unit(module.PortPath(), 1, true)).record.result,
                      UnitRecord::Result::Pass);
        }

        const UnitTry tried = setup.Try(Unit(module.PortPath(), 1, true));
        EXPECT_EQ(tried.record.result, c.result);
        EXPECT_EQ(tried.nameWritten, c.nameWritten);
        EXPECT_EQ(tried.record.name, c.name);
        EXPECT_THAT(tried.record.reason, HasSubstr(c.reason));
    }
}

// A report appended to is continued: the counter starts after the highest number of its PASS
// names that the name pattern gives, whatever --name-counter says below it.
TEST(StationSetupTest, aReportAppendedTo_continuesItsCounter) {
    const struct {
        const char* what;
        std::vector<std::pair<UnitRecord::Result, std::string>> records;
        unsigned nameCounter;
        unsigned next;
    } cases[] = {
        {"new report", {}, 1, 1},
        {"after its highest PASS",
         {{UnitRecord::Result::Pass, "SNS-004"},
          {UnitRecord::Result::Pass, "SNS-002"},
          {UnitRecord::Result::Fail, "SNS-009"}},
         1,
         5},
        {"a counter given above it", {{UnitRecord::Result::Pass, "SNS-004"}}, 20, 20},
        {"names of another pattern", {{UnitRecord::Result::Pass, "OTHER-7"}}, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string report = Scratch("continued.csv");
        {
            std::error_code error;
            std::string why;
            auto file = RecordFile::Open(report, error, why);
            ASSERT_TRUE(file) << why;
            int address = 0;
            for (const auto& [result, name] : c.records) {
                UnitRecord record;
                record.result = result;
                record.name = name;
                record.address = "C0FFEE00000" + std::to_string(++address);
                record.transcript = result == UnitRecord::Result::Fail ? "> AT\n< ERROR\n" : "";
                ASSERT_FALSE(file->Write(record));
            }
        }
        StationRequest request = ReportRequest(report, "/dev/skw-session-continued-*");
        request.nameCounter = c.nameCounter;
        StationSetup setup(AdvInterval(300), request, SessionTexts());
        ASSERT_FALSE(setup.Open());
        EXPECT_EQ(setup.Counter().Take(), c.next);
    }
}

// A second station over the same ports is refused as taken, with the text for what it was
// given: a pattern names itself, chosen ports are "the chosen ports". A record that cannot be
// used is a refusal of its own.
TEST(StationSetupTest, open_refusesATakenStationAndAnUnusableRecord) {
    const std::string kPattern = "/dev/skw-session-taken-*";
    const std::string report = Scratch("taken.csv");
    StationSetup first(AdvInterval(300), ReportRequest(report, kPattern), SessionTexts());
    ASSERT_FALSE(first.Open());

    StationSetup samePattern(AdvInterval(300), ReportRequest(Scratch("other.csv"), kPattern),
                             SessionTexts());
    const Step pattern = samePattern.Open();
    ASSERT_TRUE(pattern);
    EXPECT_EQ(pattern->outcome, SessionOutcome::StationTaken);
    EXPECT_EQ(pattern->message, "Another watch already uses " + kPattern + "; this one stops.");

    StationSetup chosenFirst(AdvInterval(300), ReportRequest(Scratch("chosen1.csv"), kPattern),
                             SessionTexts());
    chosenFirst.ChoosePorts({"/dev/ttyUSB1", "/dev/ttyUSB0"});
    ASSERT_FALSE(chosenFirst.Open());
    StationSetup chosenAgain(AdvInterval(300), ReportRequest(Scratch("chosen2.csv"), kPattern),
                             SessionTexts());
    chosenAgain.ChoosePorts({"/dev/ttyUSB0", "/dev/ttyUSB1"});
    const Step chosen = chosenAgain.Open();
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->outcome, SessionOutcome::StationTaken);
    EXPECT_EQ(chosen->message, "Another watch already uses the chosen ports; this one stops.");

    StationRequest database = ReportRequest("", "/dev/skw-session-database-*");
    database.report.reset();
    database.record = "mysql://line/records";
    StationSetup unusable(AdvInterval(300), database, SessionTexts());
    const Step refused = unusable.Open();
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->outcome, SessionOutcome::RecordRefused);
    EXPECT_THAT(refused->message, HasSubstr("The line's database mysql://line/records cannot"));
}

}  // namespace
