#include "CliTexts.h"

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
    TextEntry{TextId::ConfirmWithYes, kOwn, QT_TRANSLATE_NOOP("SkwCli", "Confirm with --yes.")},
    TextEntry{TextId::Restarted, kOwn, QT_TRANSLATE_NOOP("SkwCli", "The module has restarted.")},
    TextEntry{
        TextId::FactoryRestored, kOwn,
        QT_TRANSLATE_NOOP("SkwCli", "The module has restored its factory settings and restarted.")},
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
    TextEntry{TextId::ArgumentMissing, kOwn, QT_TRANSLATE_NOOP("SkwCli", "Missing argument: %1")},
    TextEntry{TextId::ArgumentUnexpected, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "Unexpected argument: %1")},
    TextEntry{TextId::ArgumentInvalid, kOwn, QT_TRANSLATE_NOOP("SkwCli", "Invalid argument: %1")},
    TextEntry{TextId::ArgumentsConflict, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "Arguments that do not go together: %1")},
    TextEntry{TextId::ArgumentsWrong, kOwn, QT_TRANSLATE_NOOP("SkwCli", "Wrong command line: %1")},
    TextEntry{TextId::WatchSummary, kOwn,
              QT_TRANSLATE_NOOP("SkwCli",
                                "Units %1: PASS %2, FAIL %3, DUPLICATE %4; first-pass yield %5 %, "
                                "%6 units per hour.")},
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

}  // namespace

std::span<const TextEntry> AllTexts() {
    return kTexts;
}

std::string Texts::operator()(TextId id, std::initializer_list<std::string_view> args) const {
    const TextEntry& entry = kTexts[static_cast<std::size_t>(id)];
    return Translated(entry.context, entry.source, args);
}
