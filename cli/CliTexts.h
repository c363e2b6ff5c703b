#pragma once

#include "ConfMessageTable.h"

#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

// Marks a text for Qt's translation tools without needing a Qt header here.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif

// Every text skw-manager-cli shows beside the page's messages, which it takes by their ids
// (ConfMessageId) and the page's catalogue translates. The page's captions name the page's own
// translation context and English source text; the rest are the tool's own, in the context
// "SkwCli".
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
    CannotOpenPort,
    ExpectedModel,
    OtherModelAnswers,
    NotAvailable,
    ConfirmWithYes,
    Restarted,
    FactoryRestored,
    RestartNotConfirmed,
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
    Interrupted,
    // Settings files.
    ProfileNotVerified,
    ProfileDryRun,
    UartSpeedMayHaveChanged,
    // The command line's mistakes; "%1" is the parser's own description.
    ArgumentMissing,
    ArgumentUnexpected,
    ArgumentInvalid,
    ArgumentsConflict,
    ArgumentsWrong,
    // The production watch.
    WatchTaken,
    ReportIsSettingsFile,
    ReportRefused,
    ReportFailed,
    AlreadyConfigured,
    WatchSummary,
    StoreRefused,
    CounterNotReset,
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

// Looks a text up in the user's language: (context, English source) -> UTF-8. Without one the
// English source is used.
using Translator = std::function<std::string(const char* context, const char* source)>;

class Texts {
public:
    explicit Texts(Translator translator = {}) : m_translate(std::move(translator)) {}

    // The text in the user's language with %1, %2, ... replaced by `args` in order.
    std::string operator()(TextId id, std::initializer_list<std::string_view> args = {}) const;
    // A text by its translation context and English source: a setting's caption
    // (SettingRow::label).
    std::string Translate(const char* context, const char* source) const {
        return Translated(context, source, {});
    }
    // One of the page's messages (a settings file's refusal, ...), in the same way.
    std::string operator()(ConfMessageId id,
                           std::initializer_list<std::string_view> args = {}) const;

private:
    std::string Translated(const char* context, const char* source,
                           std::initializer_list<std::string_view> args) const;

    Translator m_translate;
};
