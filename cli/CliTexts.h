#pragma once

#include "SessionTexts.h"

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

// Every text skw-manager-cli shows beside the page's messages, which it takes by their ids
// (ConfMessageId) and the page's catalogue translates, and the unit of work's (SessionText). The
// page's captions name the page's own translation context and English source text; the rest are
// the tool's own, in the context "SkwCli".
enum class TextId {
    // The page's captions.
    ModelName,
    Firmware,
    Address,
    DeviceName,
    FlowControl,
    AutoConnect,
    MasterAddress,
    Off,
    On,
    RoleSlave,
    RoleMaster,
    RoleMultiAt,
    RoleMultiBypass,
    // The tool's own.
    OperationRole,
    SlotLabel,
    ConfirmWithYes,
    Restarted,
    FactoryRestored,
    ScanNotStarted,
    ScanNotStopped,
    RssiNotSet,
    RssiNotNumber,
    NameFilterTooLong,
    BadSlotArgument,
    SlotGivenTwice,
    BadUartArgument,
    NothingToSet,
    RssiOutOfRange,
    OutputFailed,
    // The command line's mistakes; "%1" is the parser's own description.
    ArgumentMissing,
    ArgumentUnexpected,
    ArgumentInvalid,
    ArgumentsConflict,
    ArgumentsWrong,
    // The production watch.
    WatchSummary,
    RecordingInto,
    StoreWaiting,
    StationYield,
    Count,  // not a text: how many there are
};

struct TextEntry {
    TextId id;
    const char* context;
    const char* source;  // English; "%1", "%2" are filled in by Texts
};

// Every entry, in TextId order.
std::span<const TextEntry> AllTexts();

// The tool's texts, the unit of work's and the page's messages, in the user's language.
class Texts : public SessionTexts {
public:
    explicit Texts(Translator translator = {}) : SessionTexts(std::move(translator)) {}

    using SessionTexts::operator();
    // The text in the user's language with %1, %2, ... replaced by `args` in order.
    std::string operator()(TextId id, std::initializer_list<std::string_view> args = {}) const;
    // A text by its translation context and English source: a setting's caption
    // (SettingRow::label).
    std::string Translate(const char* context, const char* source) const {
        return Translated(context, source, {});
    }
};
