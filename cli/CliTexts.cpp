#include "CliTexts.h"

#include "ConfMessageTable.h"

#include <array>
#include <cstddef>

namespace {

constexpr const char* kLayout = "ConfPageLayout";
constexpr const char* kOwn = "SkwCli";

// A test checks that every entry has a Korean translation.
constexpr std::array kTexts = {

    // The page's captions must stay byte for byte the layout's sources, or its catalogue no
    // longer finds them.
    TextEntry{TextId::ModelName, kLayout, "Model name"},
    TextEntry{TextId::Firmware, kLayout, "Firmware ver."},
    TextEntry{TextId::Address, kLayout, "Bluetooth addr."},
    TextEntry{TextId::DeviceName, kLayout, "Device name"},
    TextEntry{TextId::FlowControl, kLayout, "Flow control"},
    TextEntry{TextId::AutoConnect, kLayout, "Automatic connection upon power-on"},
    TextEntry{TextId::MasterAddress, kLayout, "Master device address"},
    TextEntry{TextId::Off, kLayout, "OFF"},
    TextEntry{TextId::On, kLayout, "ON"},
    TextEntry{TextId::RoleSlave, kLayout, "Slave"},
    TextEntry{TextId::RoleMaster, kLayout, "Master(1:1)"},
    TextEntry{TextId::RoleMultiAt, kLayout, "Multi (AT Cmd.)"},
    TextEntry{TextId::RoleMultiBypass, kLayout, "Multi (Bypass)"},

    TextEntry{TextId::OperationRole, kOwn, QT_TRANSLATE_NOOP("SkwCli", "Operation role")},
    TextEntry{TextId::SlotLabel, kOwn, QT_TRANSLATE_NOOP("SkwCli", "Slot %1")},
    TextEntry{TextId::CannotOpenPort, kOwn, QT_TRANSLATE_NOOP("SkwCli", "Cannot open %1: %2")},
    TextEntry{TextId::ExpectedModel, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "The module is a %1, not a %2.")},
    TextEntry{TextId::OtherModelAnswers, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "Another model answers than the one identified.")},
    TextEntry{TextId::NotAvailable, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "%1 is not available on the %2 in its current role.")},
    TextEntry{TextId::ConfirmWithYes, kOwn, QT_TRANSLATE_NOOP("SkwCli", "Confirm with --yes.")},
    TextEntry{TextId::Restarted, kOwn, QT_TRANSLATE_NOOP("SkwCli", "The module has restarted.")},
    TextEntry{
        TextId::FactoryRestored, kOwn,
        QT_TRANSLATE_NOOP("SkwCli", "The module has restored its factory settings and restarted.")},
    TextEntry{TextId::RestartNotConfirmed, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "The module did not confirm its restart.")},
    TextEntry{TextId::ScanNotStarted, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "The module did not start scanning.")},
    TextEntry{TextId::ScanNotStopped, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "The module did not confirm the end of the scan.")},
    TextEntry{TextId::RssiNotSet, kOwn, QT_TRANSLATE_NOOP("SkwCli", "No RSSI value is set.")},
    TextEntry{TextId::RssiNotNumber, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "The RSSI filter value is not a number.")},
    TextEntry{TextId::NameFilterTooLong, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "The filter device name is too long.")},
    TextEntry{TextId::BadSlotArgument, kOwn,
              QT_TRANSLATE_NOOP("SkwCli",
                                "Invalid --slot value: %1 (use N=ADDRESS[,NAME], N from 1 to 8).")},
    TextEntry{TextId::SlotGivenTwice, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "Slot %1 is given more than once.")},
    TextEntry{TextId::BadUartArgument, kOwn,
              QT_TRANSLATE_NOOP("SkwCli",
                                "Invalid --uart value: %1 (use BAUD[,on|off], BAUD from 9600 to "
                                "460800).")},
    TextEntry{TextId::NothingToSet, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "Nothing to set: give at least one setting.")},
    TextEntry{TextId::RssiOutOfRange, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "The RSSI filter value is out of range.")},
    TextEntry{TextId::OutputFailed, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "Cannot write to standard output.")},
    TextEntry{TextId::Interrupted, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "Interrupted; the module was left at a safe point.")},
    TextEntry{
        TextId::ProfileNotVerified, kOwn,
        QT_TRANSLATE_NOOP("SkwCli", "%1 did not read back as applied: %2 expected, %3 read.")},
    TextEntry{TextId::ProfileDryRun, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "Dry run: no setting was sent.")},
    TextEntry{TextId::UartSpeedMayHaveChanged, kOwn,
              QT_TRANSLATE_NOOP("SkwCli",
                                "The module may run at %1 baud once it has restarted; if it does "
                                "not answer at its old speed, try %1.")},
    TextEntry{TextId::ArgumentMissing, kOwn, QT_TRANSLATE_NOOP("SkwCli", "Missing argument: %1")},
    TextEntry{TextId::ArgumentUnexpected, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "Unexpected argument: %1")},
    TextEntry{TextId::ArgumentInvalid, kOwn, QT_TRANSLATE_NOOP("SkwCli", "Invalid argument: %1")},
    TextEntry{TextId::ArgumentsConflict, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "Arguments that do not go together: %1")},
    TextEntry{TextId::ArgumentsWrong, kOwn, QT_TRANSLATE_NOOP("SkwCli", "Wrong command line: %1")},
    TextEntry{TextId::WatchTaken, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "Another watch already uses %1; this one stops.")},
    TextEntry{TextId::ReportIsSettingsFile, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "The report must not be the settings file.")},
    TextEntry{TextId::ReportRefused, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "The report %1 cannot be used: %2.")},
    TextEntry{TextId::ReportFailed, kOwn,
              QT_TRANSLATE_NOOP("SkwCli",
                                "The report %1 cannot be written (%2); the watch stopped before "
                                "the next module.")},
    TextEntry{TextId::AlreadyConfigured, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "already configured; left as it is")},
    TextEntry{TextId::WatchSummary, kOwn,
              QT_TRANSLATE_NOOP("SkwCli",
                                "Units %1: PASS %2, FAIL %3, DUPLICATE %4; first-pass yield %5 %, "
                                "%6 units per hour.")},
    TextEntry{TextId::StoreRefused, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "The line's database %1 cannot be used: %2")},
    TextEntry{TextId::CounterNotReset, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "The name counter was not reset: %1.")},
    TextEntry{TextId::RecordingInto, kOwn, QT_TRANSLATE_NOOP("SkwCli", "Recording into %1.")},
    TextEntry{TextId::StoreWaiting, kOwn,
              QT_TRANSLATE_NOOP("SkwCli",
                                "The line's database cannot be reached; no module is configured "
                                "until it is back.")},
    TextEntry{TextId::StationYield, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "Station %1: %2 units, PASS %3, first-pass yield %4 %")},
};

static_assert(kTexts.size() == static_cast<std::size_t>(TextId::Count));

constexpr bool InIdOrder() {
    for (std::size_t i = 0; i < kTexts.size(); ++i) {
        if (static_cast<std::size_t>(kTexts[i].id) != i) {
            return false;
        }
    }
    return true;
}
static_assert(InIdOrder(), "kTexts is indexed by TextId");

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

std::span<const TextEntry> AllTexts() {
    return kTexts;
}

std::string Texts::operator()(TextId id, std::initializer_list<std::string_view> args) const {
    const TextEntry& entry = kTexts[static_cast<std::size_t>(id)];
    return Translated(entry.context, entry.source, args);
}

std::string Texts::operator()(ConfMessageId id,
                              std::initializer_list<std::string_view> args) const {
    return Translated(kConfMessageContext, ConfMessageSource(id), args);
}

std::string Texts::Translated(const char* context, const char* source,
                              std::initializer_list<std::string_view> args) const {
    std::string text = m_translate ? m_translate(context, source) : source;
    return Fill(text, args);
}
