#include "AtStatus.h"
#include "Matchers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Matcher = MatchResult (*)(std::span<const std::uint8_t>);

MatchResult Apply(Matcher matcher, const std::string& frame) {
    const std::vector<std::uint8_t> bytes(frame.begin(), frame.end());
    return matcher(bytes);
}

std::vector<std::uint8_t> PayloadBytes(const MatchResult& result, std::size_t offset,
                                       std::size_t count) {
    const auto payload = result.Payload();
    return {payload.begin() + offset, payload.begin() + offset + count};
}

const std::vector<std::uint8_t> kAddress{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB};

}  // namespace

TEST(MatchResultLayout, statusAndPayloadLengthAreLittleEndian) {
    MatchResult result(0x01020304, 0x0102);
    EXPECT_EQ(result.Bytes().size(), 6u + 0x0102);
    EXPECT_EQ(result.Bytes()[0], 0x04);
    EXPECT_EQ(result.Bytes()[3], 0x01);
    EXPECT_EQ(result.Bytes()[4], 0x02);
    EXPECT_EQ(result.Bytes()[5], 0x01);
    EXPECT_EQ(result.Status(), 0x01020304);
    EXPECT_EQ(result.PayloadLength(), 0x0102);

    result.SetStatus(-2);
    EXPECT_EQ(result.Bytes()[0], 0xFE);
    EXPECT_EQ(result.Bytes()[3], 0xFF);
    EXPECT_EQ(result.Status(), -2);

    const MatchResult none;
    EXPECT_TRUE(none.IsEmpty());
    EXPECT_EQ(none.Status(), AT_NO_RESULT);
    EXPECT_TRUE(none.Payload().empty());
    EXPECT_EQ(none.PayloadText(0, 64), "");
}

TEST(StatusMatchers, acceptExactlyTheirForms) {
    struct Case {
        Matcher matcher;
        std::string frame;
        std::int32_t status;
    };
    const Case cases[] = {
        {MatchOk, "OK\r", AT_OK},
        {MatchOk, "+OK\r", AT_OK},
        {MatchOk, "\r\nOK\r\n", AT_OK},
        {MatchOk, "\r\nOK\r\n\r", AT_OK},
        {MatchOk, "OK \r", AT_NO_MATCH},
        {MatchOk, "ok\r", AT_NO_MATCH},
        {MatchOk, "ERROR\r", AT_NO_MATCH},
        // The enclosed acknowledgement is an error as well; the row order decides.
        {MatchError, "\r\nOK\r\n", AT_ERROR},
        {MatchError, "ERROR\r", AT_ERROR},
        {MatchError, "+ERROR\r", AT_ERROR},
        {MatchError, "OK\r", AT_NO_MATCH},
        {MatchReady, "+READY\r", AT_READY},
        {MatchReady, "\r\n+READY\r\n", AT_READY},
        {MatchReady, "OK\r", AT_NO_MATCH},
        {MatchScanning, "+SCANNING\r", AT_SCANNING},
        {MatchScanning, "\r\n+SCANNING\r\n", AT_NO_MATCH},
        {MatchScanning, "+SCANNING!\r", AT_NO_MATCH},
        {MatchStopped, "+STOPPED\r", AT_STOPPED},
        {MatchStopped, "\r\n+STOPPED\r\n", AT_NO_MATCH},
        {MatchSetMode, "+SETMODE\r", AT_SETMODE},
        {MatchSetMode, "SETMODE\r", AT_NO_MATCH},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.frame));
        const MatchResult result = Apply(c.matcher, c.frame);
        EXPECT_EQ(result.Status(), c.status);
        if (c.status != AT_NO_MATCH) {
            EXPECT_EQ(result.Bytes().size(), 6u);
            EXPECT_EQ(result.PayloadLength(), 0u);
        }
    }
}

TEST(FlagMatchers, decodeOnOffAndRole) {
    struct Case {
        Matcher matcher;
        std::string frame;
        std::int32_t status;
        std::uint8_t flag;
    };
    const Case cases[] = {
        {MatchFlowControl, "ON\r", AT_FLOW_CONTROL, 1},
        {MatchFlowControl, "OFF\r", AT_FLOW_CONTROL, 0},
        {MatchFlowControl, "on\r", AT_NO_MATCH, 0},
        {MatchFlowControl, "ONE\r", AT_NO_MATCH, 0},
        {MatchBypass, "ON\r", AT_BYPASS, 1},
        {MatchBypass, "OFF\r", AT_BYPASS, 0},
        {MatchBypass, "\r\nON\r\n", AT_NO_MATCH, 0},
        {MatchOnOffText, "ON\r", AT_ON_OFF, 1},
        {MatchOnOffText, "OFF\r", AT_ON_OFF, 0},
        {MatchOnOffText, "ON \r", AT_NO_MATCH, 0},
        {MatchOnOffText, "\r\nOFF\r\n", AT_NO_MATCH, 0},
        {MatchRole, "SERVER[PERIPHERAL]\r", AT_ROLE, 1},
        {MatchRole, "CLIENT[CENTRAL]\r", AT_ROLE, 2},
        {MatchRole, "CLIENT[MULTI]\r", AT_ROLE, 3},
        {MatchRole, "client[multi]\r", AT_NO_MATCH, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.frame));
        const MatchResult result = Apply(c.matcher, c.frame);
        ASSERT_EQ(result.Status(), c.status);
        if (c.status != AT_NO_MATCH) {
            ASSERT_EQ(result.Bytes().size(), 7u);
            EXPECT_EQ(result.Payload()[0], c.flag);
        }
    }
}

TEST(TextMatchers, copyTheTextBeforeTheFirstCrCutTo63Bytes) {
    const std::string v80 = "v" + std::string(79, '9');
    struct Case {
        Matcher matcher;
        std::string frame;
        std::int32_t status;
        std::string text;
    };
    const Case cases[] = {
        {MatchVersion, "v1.2.3\r", AT_VERSION, "v1.2.3"},
        {MatchVersion, v80 + "\r", AT_VERSION, v80.substr(0, 63)},
        {MatchVersion, "V1.2.3\r", AT_NO_MATCH, ""},
        {MatchVersion, "\r\nv1.2.3\r\n", AT_NO_MATCH, ""},  // its text is empty
        {MatchVersion, "v1.2.3", AT_NO_MATCH, ""},
        {MatchText, std::string(63, 't') + "\r", AT_TEXT, std::string(63, 't')},
        {MatchText, std::string(64, 't') + "\r", AT_TEXT, std::string(63, 't')},
        // Whatever the module answers to the model query is its model, an error included.
        {MatchModel, "ERROR\r", AT_MODEL, "ERROR"},
        {MatchModel, "\r\nOK\r\n", AT_MODEL, ""},
        {MatchModel, "GaX", AT_NO_MATCH, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.frame));
        const MatchResult result = Apply(c.matcher, c.frame);
        ASSERT_EQ(result.Status(), c.status);
        if (c.status != AT_NO_MATCH) {
            ASSERT_EQ(result.Bytes().size(), 70u);
            EXPECT_EQ(result.PayloadText(0, 64), c.text);
            EXPECT_EQ(result.Payload()[63], 0);
        }
    }
}

TEST(HexMatchers, hexTextAndTheNumberReadAsDecimal) {
    const std::string hex52(52, 'a');
    struct TextCase {
        std::string frame;
        std::int32_t status;
        std::string text;
    };
    const TextCase texts[] = {
        {"0123abcDEF\r", AT_HEX_TEXT, "0123abcDEF"},
        {hex52 + "\r", AT_HEX_TEXT, hex52},
        {hex52 + "a\r", AT_NO_MATCH, ""},
        {"12G4\r", AT_NO_MATCH, ""},
        {"\r\nOK\r\n", AT_HEX_TEXT, ""},
    };
    for (const TextCase& c : texts) {
        SCOPED_TRACE(testing::PrintToString(c.frame));
        const MatchResult result = Apply(MatchHexText, c.frame);
        ASSERT_EQ(result.Status(), c.status);
        if (c.status != AT_NO_MATCH) {
            ASSERT_EQ(result.Bytes().size(), 59u);
            EXPECT_EQ(result.PayloadText(0, 53), c.text);
        }
    }

    struct NumberCase {
        std::string frame;
        std::int32_t status;
        std::uint16_t value;
    };
    const NumberCase numbers[] = {
        {"100\r", AT_NUMBER, 100},    {"1A\r", AT_NUMBER, 1},     // hex digits are allowed, but the
                                                                  // reading is decimal
        {"\r\nOK\r\n", AT_NUMBER, 0}, {"65537\r", AT_NUMBER, 1},  // the low 16 bits
        {"12G\r", AT_NO_MATCH, 0},    {"ERROR\r", AT_NO_MATCH, 0}, {"-5\r", AT_NO_MATCH, 0},
    };
    for (const NumberCase& c : numbers) {
        SCOPED_TRACE(testing::PrintToString(c.frame));
        const MatchResult result = Apply(MatchNumber, c.frame);
        ASSERT_EQ(result.Status(), c.status);
        if (c.status != AT_NO_MATCH) {
            ASSERT_EQ(result.Bytes().size(), 8u);
            EXPECT_EQ(result.PayloadUint16(0), c.value);
        }
    }
}

TEST(ScanReportMatcher, splitsAddressSignalAndNameWithCommas) {
    const MatchResult report = Apply(MatchScanReport, "+0123456789AB,-45,Sensor, A\r");
    ASSERT_EQ(report.Status(), AT_SCAN_REPORT);
    ASSERT_EQ(report.Bytes().size(), 77u);
    EXPECT_EQ(PayloadBytes(report, 0, 6), kAddress);
    EXPECT_EQ(report.Payload()[6], 0xD3);
    EXPECT_EQ(report.PayloadText(7, 64), "Sensor, A");

    EXPECT_EQ(Apply(MatchScanReport, "+0123456789ab,200,x\r").Payload()[6], 0xC8);  // -56
    EXPECT_EQ(Apply(MatchScanReport, "+0123456789AB,-45," + std::string(63, 'n') + "\r")
                  .PayloadText(7, 64),
              std::string(63, 'n'));

    const std::string refused[] = {
        "0123456789AB,-45,Sensor\r",   // no plus sign
        "+0123456789A,-45,Sensor\r",   // 11 digits
        "+0123456789AG,-45,Sensor\r",  // not hex
        "+0123456789AB,-45\r",         // no name field
        "+0123456789AB,-45," + std::string(64, 'n') + "\r",
        "\r\n+0123456789AB,-45,Sensor\r\n",  // enclosed
    };
    for (const std::string& frame : refused) {
        SCOPED_TRACE(testing::PrintToString(frame));
        EXPECT_EQ(Apply(MatchScanReport, frame).Status(), AT_NO_MATCH);
    }
}

TEST(SlotMatcher, slotAddressAndOptionalName) {
    const MatchResult bare = Apply(MatchSlot, "+SLOT,3,0123456789AB\r");
    ASSERT_EQ(bare.Status(), AT_SLOT);
    ASSERT_EQ(bare.Bytes().size(), 77u);
    EXPECT_EQ(bare.Payload()[0], 3);
    EXPECT_EQ(PayloadBytes(bare, 1, 6), kAddress);
    EXPECT_EQ(bare.PayloadText(7, 64), "");

    const MatchResult named = Apply(MatchSlot, "+SLOT,8,0123456789ab,ABCDEFGH\r");
    ASSERT_EQ(named.Status(), AT_SLOT);
    EXPECT_EQ(named.Payload()[0], 8);
    EXPECT_EQ(named.PayloadText(7, 64), "ABCDEFGH");

    const std::string refused[] = {
        "+SLOT,3,0123456789AB,ABCDEFGHI\r",  // name of 9 bytes
        "+SLOT,9,0123456789AB\r",
        "+SLOT,3,0123456789ABC\r",
        "+SLOT,3\r",
        "+SLOTS,3,0123456789AB\r",
        "ERROR\r",
    };
    for (const std::string& frame : refused) {
        SCOPED_TRACE(testing::PrintToString(frame));
        EXPECT_EQ(Apply(MatchSlot, frame).Status(), AT_NO_MATCH);
    }
}

TEST(InfoMatcher, addressWithSeparatorsAndThreeTextFields) {
    const std::string accepted[] = {
        "01:23:45:67:89:AB,sKW523,Third,SETMODE\r", "01-23-45-67-89-ab,sKW523,Third,SETMODE\r",
        "\r\n01:23:45:67:89:AB,sKW523,Third,SETMODE\r\n",  // trimming lets the enclosed form in
    };
    for (const std::string& frame : accepted) {
        SCOPED_TRACE(testing::PrintToString(frame));
        const MatchResult info = Apply(MatchInfo, frame);
        ASSERT_EQ(info.Status(), AT_INFO);
        ASSERT_EQ(info.Bytes().size(), 204u);
        EXPECT_EQ(PayloadBytes(info, 0, 6), kAddress);
        EXPECT_EQ(info.PayloadText(6, 64), "sKW523");
        EXPECT_EQ(info.PayloadText(70, 64), "Third");
        EXPECT_EQ(info.PayloadText(134, 64), "SETMODE");
    }
    const std::string longest(63, 'f');
    const MatchResult full =
        Apply(MatchInfo, "01:23:45:67:89:AB," + longest + "," + longest + "," + longest + "\r");
    ASSERT_EQ(full.Status(), AT_INFO);
    EXPECT_EQ(full.PayloadText(134, 64), longest);

    const std::string refused[] = {
        "0123456789AB,sKW523,Third,SETMODE\r",
        "01:23:45:67:89:AB," + std::string(64, 'f') + ",Third,SETMODE\r",
        "01:23:45:67:89:AB,sKW523,Third," + std::string(64, 'f') + "\r",
        "01:23:45:67:89:AB,sKW523,SETMODE\r",
    };
    for (const std::string& frame : refused) {
        SCOPED_TRACE(testing::PrintToString(frame));
        EXPECT_EQ(Apply(MatchInfo, frame).Status(), AT_NO_MATCH);
    }
}

TEST(SrMatcher, threeBoundedNumbers) {
    struct Case {
        std::string frame;
        std::int32_t status;
        std::vector<std::uint8_t> numbers;
    };
    const Case cases[] = {
        {"+SR,7,8,8\r", AT_SR, {7, 8, 8}}, {"+SR,1,2,3,more\r", AT_SR, {1, 2, 3}},
        {"+SR,8,0,0\r", AT_NO_MATCH, {}},  {"+SR,0,9,0\r", AT_NO_MATCH, {}},
        {"+SR,0,0,9\r", AT_NO_MATCH, {}},  {"+SR,1,2\r", AT_NO_MATCH, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.frame));
        const MatchResult result = Apply(MatchSr, c.frame);
        ASSERT_EQ(result.Status(), c.status);
        if (c.status == AT_SR) {
            ASSERT_EQ(result.Bytes().size(), 77u);
            EXPECT_EQ(PayloadBytes(result, 0, 3), c.numbers);
        }
    }
}

TEST(AutoConMatcher, flagAndBracketedAddressEvenWhenItDoesNotConvert) {
    struct Case {
        std::string frame;
        std::int32_t status;
        std::uint8_t flag;
        std::vector<std::uint8_t> address;
    };
    const Case cases[] = {
        {"ON,[01:23:45:67:89:AB]\r", AT_AUTOCON, 1, kAddress},
        {"OFF,[01:23:45:67:89:AB]\r", AT_AUTOCON, 0, kAddress},
        // No address, yet accepted: the bytes are what the conversion left.
        {"OFF,[01:23:4X:67:89:AB]\r", AT_AUTOCON, 0, {0x01, 0x23, 0x40, 0, 0, 0}},
        {"OFF,[0123456789ABCDEFG]\r", AT_AUTOCON, 0, {0x01, 0x34, 0x67, 0x9A, 0xCD, 0xF0}},
        {"OFF,[0123456789ABCDEF]\r", AT_NO_MATCH, 0, {}},  // 18 bytes with the brackets
        {"OFF\r", AT_NO_MATCH, 0, {}},
        {"ON,01:23:45:67:89:AB\r", AT_NO_MATCH, 0, {}},
        {"on,[01:23:45:67:89:AB]\r", AT_NO_MATCH, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.frame));
        const MatchResult result = Apply(MatchAutoCon, c.frame);
        ASSERT_EQ(result.Status(), c.status);
        if (c.status == AT_AUTOCON) {
            ASSERT_EQ(result.Bytes().size(), 13u);
            EXPECT_EQ(result.Payload()[0], c.flag);
            EXPECT_EQ(PayloadBytes(result, 1, 6), c.address);
        }
    }
}
