#include "CliTexts.h"

#include <array>
#include <cstddef>

namespace {

constexpr const char* kPage = "ConfMessages";
constexpr const char* kLayout = "ConfPageLayout";
constexpr const char* kOwn = "SkwCli";

// The page's texts must stay byte for byte the page's sources, or its catalogue no longer
// finds them; a test checks that every entry has a Korean translation.
constexpr std::array kTexts = {
    TextEntry{TextId::Unsupported, kPage, "This is an unsupported device."},
    TextEntry{TextId::NoAnswer, kPage,
              "This program is for the sKW52x and DTQ-50 series only.\n"
              "Please check the product name, communication port, etc., and try again."},
    TextEntry{TextId::SlotsDone, kPage, "Node (device) registration has been completed"},
    TextEntry{TextId::SlotsFailed, kPage, "Failed to register node (device)."},
    TextEntry{TextId::NameDone, kPage, "Completed device name settings."},
    TextEntry{TextId::NameFailed, kPage, "Failed device name settings."},
    TextEntry{TextId::AdvDone, kPage, "Setting advertising interval has been completed."},
    TextEntry{TextId::AdvFailed, kPage, "Failed to save advertising interval."},
    TextEntry{TextId::UartDone, kPage,
              "The UART settings for the device have been completed. The device has restarted "
              "to apply the changed settings."},
    TextEntry{TextId::UartFailed, kPage, "Failed to configure UART settings."},
    TextEntry{TextId::NameTooLong, kPage, "The device name is too long."},
    TextEntry{TextId::FactoryResetQuestion, kPage,
              "Reset to factory settings. Are you sure you want to continue?"},
    TextEntry{TextId::BadAdvInterval, kPage, "Invalid advertising interval value."},
    TextEntry{TextId::PortError, kPage, "Error on COM port. Closing the port."},
    TextEntry{TextId::BadAddress, kPage, "Invalid Bluetooth address."},
    TextEntry{TextId::DuplicateSlots, kPage, "Duplicated Bluetooth addresses are assigned to slot"},
    TextEntry{TextId::ColumnAddress, kPage, "Device Address"},
    TextEntry{TextId::ColumnName, kPage, "Device Name"},
    TextEntry{TextId::AutoConDone, kPage, "Completed automatic reconnection settings."},
    TextEntry{TextId::AutoConFailed, kPage, "Failed to configure automatic reconnection settings."},
    TextEntry{TextId::RoleDone, kPage, "Completed operation role settings."},
    TextEntry{TextId::RoleFailed, kPage, "Failed to configure operation role setting."},
    TextEntry{TextId::MasterDone, kPage, "Master device registered successfully."},
    TextEntry{TextId::MasterFailed, kPage, "Failed to register the master device."},
    TextEntry{TextId::MasterDeleted, kPage, "Successfully delete the master devices."},
    TextEntry{TextId::MasterDeleteFailed, kPage, "Failed to delete the master device."},
    TextEntry{TextId::SlotBadAddress, kPage, "Slot %1: Invalid Bluetooth address."},
    TextEntry{TextId::ColumnRssi, kPage, "RSSI"},

    TextEntry{TextId::ModelName, kLayout, "Model name"},
    TextEntry{TextId::Firmware, kLayout, "Firmware ver."},
    TextEntry{TextId::Address, kLayout, "Bluetooth addr."},
    TextEntry{TextId::DeviceName, kLayout, "Device name"},
    TextEntry{TextId::FlowControl, kLayout, "Flow control"},
    TextEntry{TextId::AdvInterval, kLayout, "Adv. Interval"},
    TextEntry{TextId::Msec, kLayout, "msec"},
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
    TextEntry{TextId::SlotNameTooLong, kOwn,
              QT_TRANSLATE_NOOP("SkwCli", "Slot %1: invalid name length.")},
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
};

static_assert(kTexts.size() == static_cast<std::size_t>(TextId::NothingToSet) + 1);

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
    std::string text = m_translate ? m_translate(entry.context, entry.source) : entry.source;
    return Fill(text, args);
}
