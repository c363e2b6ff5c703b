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

// The texts of a unit of work beside the page's messages (ConfMessageId, which the page's
// catalogue translates): what a session, a settings file's apply and a station say. Their
// translation context is "SkwSession"; the Korean is in session_ko.ts.
enum class SessionText {
    CannotOpenPort,
    ExpectedModel,
    OtherModelAnswers,
    NotAvailable,
    RestartNotConfirmed,
    Interrupted,
    AnswerNotRead,
    // Settings files.
    ProfileNotVerified,
    ProfileDryRun,
    UartSpeedMayHaveChanged,
    // The station.
    WatchTaken,
    ChosenPortsTaken,
    ReportIsSettingsFile,
    ReportRefused,
    ReportFailed,
    AlreadyConfigured,
    StoreRefused,
    CounterNotReset,
    NameNotGiven,
    ModuleSilent,
    StoreWriteFailed,
    Count,  // not a text: how many there are
};

struct SessionTextEntry {
    SessionText id;
    const char* context;
    const char* source;  // English; "%1", "%2" are filled in by SessionTexts
};

// Every entry, in SessionText order.
std::span<const SessionTextEntry> AllSessionTexts();

// Looks a text up in the user's language: (context, English source) -> UTF-8. Without one the
// English source is used.
using Translator = std::function<std::string(const char* context, const char* source)>;

class SessionTexts {
public:
    explicit SessionTexts(Translator translator = {}) : m_translate(std::move(translator)) {}

    // The text in the user's language with %1, %2, ... replaced by `args` in order.
    std::string operator()(SessionText id, std::initializer_list<std::string_view> args = {}) const;
    // One of the page's messages (a settings file's refusal, ...), in the same way.
    std::string operator()(ConfMessageId id,
                           std::initializer_list<std::string_view> args = {}) const;

protected:
    std::string Translated(const char* context, const char* source,
                           std::initializer_list<std::string_view> args) const;

private:
    Translator m_translate;
};
