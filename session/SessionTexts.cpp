#include "SessionTexts.h"

#include <array>
#include <cstddef>

namespace {

constexpr const char* kOwn = "SkwSession";

// A test checks that every entry has a Korean translation.
constexpr std::array kTexts = {
    SessionTextEntry{SessionText::CannotOpenPort, kOwn,
                     QT_TRANSLATE_NOOP("SkwSession", "Cannot open %1: %2")},
    SessionTextEntry{SessionText::ExpectedModel, kOwn,
                     QT_TRANSLATE_NOOP("SkwSession", "The module is a %1, not a %2.")},
    SessionTextEntry{
        SessionText::OtherModelAnswers, kOwn,
        QT_TRANSLATE_NOOP("SkwSession", "Another model answers than the one identified.")},
    SessionTextEntry{
        SessionText::NotAvailable, kOwn,
        QT_TRANSLATE_NOOP("SkwSession", "%1 is not available on the %2 in its current role.")},
    SessionTextEntry{SessionText::RestartNotConfirmed, kOwn,
                     QT_TRANSLATE_NOOP("SkwSession", "The module did not confirm its restart.")},
    SessionTextEntry{
        SessionText::Interrupted, kOwn,
        QT_TRANSLATE_NOOP("SkwSession", "Interrupted; the module was left at a safe point.")},
    SessionTextEntry{SessionText::AnswerNotRead, kOwn,
                     QT_TRANSLATE_NOOP("SkwSession",
                                       "No readable answer came: the module may not have "
                                       "received the command.")},
    SessionTextEntry{
        SessionText::ProfileNotVerified, kOwn,
        QT_TRANSLATE_NOOP("SkwSession", "%1 did not read back as applied: %2 expected, %3 read.")},
    SessionTextEntry{SessionText::ProfileDryRun, kOwn,
                     QT_TRANSLATE_NOOP("SkwSession", "Dry run: no setting was sent.")},
    SessionTextEntry{SessionText::UartSpeedMayHaveChanged, kOwn,
                     QT_TRANSLATE_NOOP("SkwSession",
                                       "The module may run at %1 baud once it has restarted; if "
                                       "it does not answer at its old speed, try %1.")},
    SessionTextEntry{
        SessionText::WatchTaken, kOwn,
        QT_TRANSLATE_NOOP("SkwSession", "Another watch already uses %1; this one stops.")},
    SessionTextEntry{SessionText::ChosenPortsTaken, kOwn,
                     QT_TRANSLATE_NOOP("SkwSession",
                                       "Another watch already uses the chosen ports; this one "
                                       "stops.")},
    SessionTextEntry{SessionText::ReportIsSettingsFile, kOwn,
                     QT_TRANSLATE_NOOP("SkwSession", "The report must not be the settings file.")},
    SessionTextEntry{SessionText::ReportRefused, kOwn,
                     QT_TRANSLATE_NOOP("SkwSession", "The report %1 cannot be used: %2.")},
    SessionTextEntry{SessionText::ReportFailed, kOwn,
                     QT_TRANSLATE_NOOP("SkwSession",
                                       "The report %1 cannot be written (%2); the watch stopped "
                                       "before the next module.")},
    SessionTextEntry{SessionText::AlreadyConfigured, kOwn,
                     QT_TRANSLATE_NOOP("SkwSession", "already configured; left as it is")},
    SessionTextEntry{SessionText::StoreRefused, kOwn,
                     QT_TRANSLATE_NOOP("SkwSession", "The line's database %1 cannot be used: %2")},
    SessionTextEntry{SessionText::CounterNotReset, kOwn,
                     QT_TRANSLATE_NOOP("SkwSession", "The name counter was not reset: %1.")},
    SessionTextEntry{SessionText::NameNotGiven, kOwn,
                     QT_TRANSLATE_NOOP("SkwSession", "The name %1 was not given to it.")},
    SessionTextEntry{SessionText::ModuleSilent, kOwn,
                     QT_TRANSLATE_NOOP("SkwSession", "The module does not answer.")},
    SessionTextEntry{SessionText::StoreWriteFailed, kOwn,
                     QT_TRANSLATE_NOOP("SkwSession",
                                       "The line's database %1 did not take a record (%2); the "
                                       "station stopped before the next module.")},
};

static_assert(kTexts.size() == static_cast<std::size_t>(SessionText::Count));

constexpr bool InIdOrder() {
    for (std::size_t i = 0; i < kTexts.size(); ++i) {
        if (static_cast<std::size_t>(kTexts[i].id) != i) {
            return false;
        }
    }
    return true;
}
static_assert(InIdOrder(), "kTexts is indexed by SessionText");

// One pass, like QString::arg with several arguments: %1 takes the first argument, %2 the
// second; an argument's own text is never scanned for markers.
std::string Fill(std::string_view text, std::initializer_list<std::string_view> args) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool marker =
            text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9';
        const auto index = marker ? static_cast<std::size_t>(text[i + 1] - '1') : args.size();
        if (index < args.size()) {
            result += *(args.begin() + index);
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

}  // namespace

std::span<const SessionTextEntry> AllSessionTexts() {
    return kTexts;
}

std::string SessionTexts::operator()(SessionText id,
                                     std::initializer_list<std::string_view> args) const {
    const SessionTextEntry& entry = kTexts[static_cast<std::size_t>(id)];
    return Translated(entry.context, entry.source, args);
}

std::string SessionTexts::operator()(ConfMessageId id,
                                     std::initializer_list<std::string_view> args) const {
    return Translated(kConfMessageContext, ConfMessageSource(id), args);
}

std::string SessionTexts::Translated(const char* context, const char* source,
                                     std::initializer_list<std::string_view> args) const {
    std::string text = m_translate ? m_translate(context, source) : source;
    return Fill(text, args);
}
