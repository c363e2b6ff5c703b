#include "Matchers.h"

#include "AtStatus.h"
#include "Conversions.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace {

using Frame = std::span<const std::uint8_t>;

// Payload sizes (result size minus the 6-byte header).
constexpr std::uint16_t kFlagPayload = 1;
constexpr std::uint16_t kTextPayload = 64;
constexpr std::uint16_t kHexTextPayload = 53;
constexpr std::uint16_t kNumberPayload = 2;
constexpr std::uint16_t kRecordPayload = 71;  // scan report, slot and +SR answers
constexpr std::uint16_t kInfoPayload = 198;
constexpr std::uint16_t kAutoConPayload = 7;

// Longest texts that still leave room for their NUL.
constexpr std::size_t kTextLimit = 63;
constexpr std::size_t kHexTextLimit = 52;
constexpr std::size_t kSlotNameLimit = 8;

constexpr std::size_t kAddressLength = 12;
constexpr std::size_t kBracketedAddressMinLength = 19;
constexpr std::uint8_t kMaxSlot = 8;
constexpr std::uint8_t kMaxSrFirst = 7;

std::string_view AsText(Frame frame) {
    return {reinterpret_cast<const char*>(frame.data()), frame.size()};
}

MatchResult NoMatch() {
    return MatchResult(AT_NO_MATCH);
}

MatchResult StatusIfBeginsWith(Frame frame, std::int32_t status,
                               std::initializer_list<std::string_view> forms) {
    const std::string_view text = AsText(frame);
    const bool found = std::any_of(forms.begin(), forms.end(), [text](std::string_view form) {
        return text.starts_with(form);
    });
    return found ? MatchResult(status) : NoMatch();
}

MatchResult StatusIfExactly(Frame frame, std::int32_t status, std::string_view form) {
    return AsText(frame) == form ? MatchResult(status) : NoMatch();
}

// The bytes before the frame's first CR.
std::optional<std::string_view> TextOf(Frame frame) {
    const std::string_view text = AsText(frame);
    const std::size_t end = text.find('\r');
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    return text.substr(0, end);
}

// Cuts the field up to `delimiter` off the front of `rest`; the delimiter belongs to neither
// side. Without the delimiter nothing is cut.
std::optional<std::string_view> CutField(std::string_view& rest, char delimiter) {
    const std::size_t end = rest.find(delimiter);
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view field = rest.substr(0, end);
    rest.remove_prefix(end + 1);
    return field;
}

long ReadDecimal(std::string_view field) {
    const std::string terminated(field);
    return std::strtol(terminated.c_str(), nullptr, 10);
}

std::uint8_t LowByte(long value) {
    return static_cast<std::uint8_t>(value);
}

// Copies `text` to the payload at `offset`, cut to the area's room.
void PutText(MatchResult& result, std::size_t offset, std::string_view text, std::size_t limit) {
    const std::span<std::uint8_t> payload = result.Payload();
    const std::size_t room = offset < payload.size() ? payload.size() - offset : 0;
    const std::size_t count = std::min({text.size(), limit, room});
    std::copy_n(text.begin(), count, payload.begin() + static_cast<std::ptrdiff_t>(offset));
}

void PutAddress(MatchResult& result, std::size_t offset, const BdAddr& address) {
    std::copy(address.begin(), address.end(),
              result.Payload().begin() + static_cast<std::ptrdiff_t>(offset));
}

MatchResult FlagIfBeginsWith(Frame frame, std::int32_t status, std::string_view on,
                             std::string_view off) {
    const std::string_view text = AsText(frame);
    std::uint8_t flag = 0;
    if (text.starts_with(on)) {
        flag = 1;
    } else if (!text.starts_with(off)) {
        return NoMatch();
    }
    MatchResult result(status, kFlagPayload);
    result.Payload()[0] = flag;
    return result;
}

std::optional<std::uint8_t> OnOffFlag(std::string_view text) {
    if (text == "ON") {
        return 1;
    }
    if (text == "OFF") {
        return 0;
    }
    return std::nullopt;
}

MatchResult TextResult(std::int32_t status, std::string_view text) {
    MatchResult result(status, kTextPayload);
    PutText(result, 0, text, kTextLimit);
    return result;
}

// A field read as a decimal number whose low eight bits, unsigned, are at most `limit`.
std::optional<std::uint8_t> SmallNumber(std::string_view field, std::uint8_t limit) {
    const std::uint8_t value = LowByte(ReadDecimal(field));
    if (value > limit) {
        return std::nullopt;
    }
    return value;
}

bool IsBareStatus(std::string_view text) {
    constexpr std::string_view kStatusWords[] = {"OK",       "+OK",      "+READY",
                                                 "+SETMODE", "+STOPPED", "+SCANNING"};
    return std::find(std::begin(kStatusWords), std::end(kStatusWords), text) !=
           std::end(kStatusWords);
}

// "+", twelve hex digits and a comma: the start of a scan report.
bool IsScanReportLine(std::string_view text) {
    return text.size() > kAddressLength + 1 && text[0] == '+' && text[kAddressLength + 1] == ',' &&
           IsHexString(std::string(text.substr(1, kAddressLength)));
}

}  // namespace

MatchResult MatchOk(Frame frame) {
    return StatusIfBeginsWith(frame, AT_OK, {"+OK\r", "OK\r", "\r\nOK\r\n"});
}

// The enclosed acknowledgement is an error here too: which of MatchOk and MatchError sees it
// first is decided by the order in the kind's row.
MatchResult MatchError(Frame frame) {
    return StatusIfBeginsWith(frame, AT_ERROR, {"+ERROR\r", "ERROR\r", "\r\nOK\r\n"});
}

MatchResult MatchReady(Frame frame) {
    return StatusIfBeginsWith(frame, AT_READY, {"+READY\r", "\r\n+READY\r\n"});
}

MatchResult MatchScanning(Frame frame) {
    return StatusIfExactly(frame, AT_SCANNING, "+SCANNING\r");
}

MatchResult MatchStopped(Frame frame) {
    return StatusIfExactly(frame, AT_STOPPED, "+STOPPED\r");
}

MatchResult MatchSetMode(Frame frame) {
    return StatusIfBeginsWith(frame, AT_SETMODE, {"+SETMODE\r"});
}

MatchResult MatchFlowControl(Frame frame) {
    return FlagIfBeginsWith(frame, AT_FLOW_CONTROL, "ON\r", "OFF\r");
}

MatchResult MatchBypass(Frame frame) {
    return FlagIfBeginsWith(frame, AT_BYPASS, "ON\r", "OFF\r");
}

MatchResult MatchOnOffText(Frame frame) {
    const auto text = TextOf(frame);
    const auto flag = text ? OnOffFlag(*text) : std::nullopt;
    if (!flag) {
        return NoMatch();
    }
    MatchResult result(AT_ON_OFF, kFlagPayload);
    result.Payload()[0] = *flag;
    return result;
}

MatchResult MatchRole(Frame frame) {
    const std::string_view text = AsText(frame);
    std::uint8_t role = 0;
    if (text.starts_with("SERVER[PERIPHERAL]\r")) {
        role = 1;
    } else if (text.starts_with("CLIENT[CENTRAL]\r")) {
        role = 2;
    } else if (text.starts_with("CLIENT[MULTI]\r")) {
        role = 3;
    } else {
        return NoMatch();
    }
    MatchResult result(AT_ROLE, kFlagPayload);
    result.Payload()[0] = role;
    return result;
}

MatchResult MatchVersion(Frame frame) {
    const auto text = TextOf(frame);
    if (!text || !text->starts_with('v')) {
        return NoMatch();
    }
    return TextResult(AT_VERSION, *text);
}

MatchResult MatchText(Frame frame) {
    const auto text = TextOf(frame);
    return text ? TextResult(AT_TEXT, *text) : NoMatch();
}

// Accepts every frame with a CR, so an "ERROR\r" answer to the model query is the model ERROR;
// but never a line that is plainly something else: a bare status answer (a late answer to an
// earlier command) or a scan report (a module still scanning).
MatchResult MatchModel(Frame frame) {
    const auto text = TextOf(frame);
    if (!text || IsBareStatus(*text) || IsScanReportLine(*text)) {
        return NoMatch();
    }
    return TextResult(AT_MODEL, *text);
}

MatchResult MatchHexText(Frame frame) {
    const auto text = TextOf(frame);
    if (!text || text->size() > kHexTextLimit || !IsHexString(std::string(*text))) {
        return NoMatch();
    }
    MatchResult result(AT_HEX_TEXT, kHexTextPayload);
    PutText(result, 0, *text, kHexTextLimit);
    return result;
}

// The digits are checked as hex but read as decimal: "1A" gives 1.
MatchResult MatchNumber(Frame frame) {
    const auto text = TextOf(frame);
    if (!text || !IsHexString(std::string(*text))) {
        return NoMatch();
    }
    const auto value = static_cast<std::uint16_t>(ReadDecimal(*text));
    MatchResult result(AT_NUMBER, kNumberPayload);
    result.Payload()[0] = static_cast<std::uint8_t>(value & 0xFF);
    result.Payload()[1] = static_cast<std::uint8_t>(value >> 8);
    return result;
}

MatchResult MatchScanReport(Frame frame) {
    std::string_view rest = AsText(frame);
    const auto addressField = CutField(rest, ',');
    BdAddr address{};
    if (!addressField || !addressField->starts_with('+') ||
        !ParseBdAddr(std::string(addressField->substr(1)), address)) {
        return NoMatch();
    }
    const auto rssiField = CutField(rest, ',');
    if (!rssiField) {
        return NoMatch();
    }
    // The name is the rest of the line and may hold commas.
    const auto name = CutField(rest, '\r');
    if (!name || name->size() > kTextLimit) {
        return NoMatch();
    }
    MatchResult result(AT_SCAN_REPORT, kRecordPayload);
    PutAddress(result, 0, address);
    result.Payload()[6] = LowByte(ReadDecimal(*rssiField));
    PutText(result, 7, *name, kTextLimit);
    return result;
}

MatchResult MatchSlot(Frame frame) {
    std::string_view rest = AsText(frame);
    const auto tag = CutField(rest, ',');
    if (!tag || *tag != "+SLOT") {
        return NoMatch();
    }
    const auto numberField = CutField(rest, ',');
    const auto slot = numberField ? SmallNumber(*numberField, kMaxSlot) : std::nullopt;
    if (!slot) {
        return NoMatch();
    }
    // A comma after the address means a name follows; otherwise the address ends the line.
    auto addressField = CutField(rest, ',');
    std::optional<std::string_view> name;
    if (addressField) {
        name = CutField(rest, '\r');
        if (!name) {
            return NoMatch();
        }
    } else {
        addressField = CutField(rest, '\r');
    }
    BdAddr address{};
    if (!addressField || addressField->size() != kAddressLength ||
        !ParseBdAddr(std::string(*addressField), address)) {
        return NoMatch();
    }
    if (name && name->size() > kSlotNameLimit) {
        return NoMatch();
    }
    MatchResult result(AT_SLOT, kRecordPayload);
    result.Payload()[0] = *slot;
    PutAddress(result, 1, address);
    if (name) {
        PutText(result, 7, *name, kSlotNameLimit);
    }
    return result;
}

MatchResult MatchInfo(Frame frame) {
    std::string_view rest = AsText(frame);
    // The conversion trims white space, so the CR LF that opens an enclosed frame is harmless.
    const auto addressField = CutField(rest, ',');
    BdAddr address{};
    if (!addressField || !ParseBdAddrDelimited(std::string(*addressField), address)) {
        return NoMatch();
    }
    const auto name = CutField(rest, ',');
    const auto third = CutField(rest, ',');
    const auto state = CutField(rest, '\r');
    const auto fits = [](const std::optional<std::string_view>& field) {
        return field && field->size() <= kTextLimit;
    };
    if (!fits(name) || !fits(third) || !fits(state)) {
        return NoMatch();
    }
    MatchResult result(AT_INFO, kInfoPayload);
    PutAddress(result, 0, address);
    PutText(result, 6, *name, kTextLimit);
    PutText(result, 70, *third, kTextLimit);
    PutText(result, 134, *state, kTextLimit);
    return result;
}

MatchResult MatchSr(Frame frame) {
    std::string_view rest = AsText(frame);
    const auto tag = CutField(rest, ',');
    if (!tag || *tag != "+SR") {
        return NoMatch();
    }
    const auto first = CutField(rest, ',');
    const auto second = CutField(rest, ',');
    auto third = CutField(rest, ',');
    if (!third) {
        third = CutField(rest, '\r');
    }
    if (!first || !second || !third) {
        return NoMatch();
    }
    const auto a = SmallNumber(*first, kMaxSrFirst);
    const auto b = SmallNumber(*second, kMaxSlot);
    const auto c = SmallNumber(*third, kMaxSlot);
    if (!a || !b || !c) {
        return NoMatch();
    }
    MatchResult result(AT_SR, kRecordPayload);
    result.Payload()[0] = *a;
    result.Payload()[1] = *b;
    result.Payload()[2] = *c;
    return result;
}

MatchResult MatchAutoCon(Frame frame) {
    std::string_view rest = AsText(frame);
    const auto flagField = CutField(rest, ',');
    const auto flag = flagField ? OnOffFlag(*flagField) : std::nullopt;
    if (!flag) {
        return NoMatch();
    }
    const auto bracketed = CutField(rest, '\r');
    if (!bracketed || bracketed->size() < kBracketedAddressMinLength ||
        !bracketed->starts_with('[') || !bracketed->ends_with(']')) {
        return NoMatch();
    }
    // A failed conversion still counts: the address keeps what was converted before the fault.
    BdAddr address{};
    ParseBdAddrDelimited(std::string(bracketed->substr(1, bracketed->size() - 2)), address);
    MatchResult result(AT_AUTOCON, kAutoConPayload);
    result.Payload()[0] = *flag;
    PutAddress(result, 1, address);
    return result;
}
