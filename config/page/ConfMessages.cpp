#include "ConfMessages.h"

QString ConfMessages::Text(Id id) {
    switch (id) {
        case MSG_SCAN:
            return tr("Scan");
        case MSG_STOP:
            return tr("Stop");
        case MSG_UNSUPPORTED:
            return tr("This is an unsupported device.");
        case MSG_NO_ANSWER:
            return tr(
                "This program is for the sKW52x and DTQ-50 series only.\n"
                "Please check the product name, communication port, etc., and try again.");
        case MSG_SLOTS_DONE:
            return tr("Node (device) registration has been completed");
        case MSG_SLOTS_FAILED:
            return tr("Failed to register node (device).");
        case MSG_NAME_DONE:
            return tr("Completed device name settings.");
        case MSG_NAME_FAILED:
            return tr("Failed device name settings.");
        case MSG_ADV_DONE:
            return tr("Setting advertising interval has been completed.");
        case MSG_ADV_FAILED:
            return tr("Failed to save advertising interval.");
        case MSG_UART_DONE:
            return tr(
                "The UART settings for the device have been completed. The device has "
                "restarted to apply the changed settings.");
        case MSG_UART_FAILED:
            return tr("Failed to configure UART settings.");
        case MSG_NAME_TOO_LONG:
            return tr("The device name is too long.");
        case MSG_FACTORY_RESET_QUESTION:
            return tr("Reset to factory settings. Are you sure you want to continue?");
        case MSG_BAD_ADV_INTERVAL:
            return tr("Invalid advertising interval value.");
        case MSG_PORT_ERROR:
            return tr("Error on COM port. Closing the port.");
        case MSG_BAD_ADDRESS:
            return tr("Invalid Bluetooth address.");
        case MSG_NOTHING_SELECTED:
            return tr("No device selected in the scanned devices list.");
        case MSG_ALREADY_IN_SLOT:
            return tr("The device is already assigned to a slot.");
        case MSG_DUPLICATE_SLOTS:
            return tr("Duplicated Bluetooth addresses are assigned to slot");
        case MSG_COLUMN_ADDRESS:
            return tr("Device Address");
        case MSG_COLUMN_NAME:
            return tr("Device Name");
        case MSG_AUTOCON_DONE:
            return tr("Completed automatic reconnection settings.");
        case MSG_AUTOCON_FAILED:
            return tr("Failed to configure automatic reconnection settings.");
        case MSG_ROLE_DONE:
            return tr("Completed operation role settings.");
        case MSG_ROLE_FAILED:
            return tr("Failed to configure operation role setting.");
        case MSG_MASTER_DONE:
            return tr("Master device registered successfully.");
        case MSG_MASTER_FAILED:
            return tr("Failed to register the master device.");
        case MSG_MASTER_DELETED:
            return tr("Successfully delete the master devices.");
        case MSG_MASTER_DELETE_FAILED:
            return tr("Failed to delete the master device.");
        case MSG_SLOT_BAD_ADDRESS:
            return tr("Slot %1: Invalid Bluetooth address.");
        case MSG_COLUMN_RSSI:
            return tr("RSSI");
    }
    return {};
}

QString ConfMessages::FilterErrorCaption() {
    return QStringLiteral("오류");
}

QString ConfMessages::RssiNotSet() {
    return QStringLiteral("RSSI 값이 설정되어 있지 않습니다.");
}

QString ConfMessages::RssiNotNumber() {
    return QStringLiteral("RSSI 필터값이 숫자가 아닙니다.");
}

QString ConfMessages::NameFilterTooLong() {
    return QStringLiteral("필터 장치명이 너무 깁니다.");
}

QString ConfMessages::SlotNameTooLong(int slot) {
    return QStringLiteral("Slot %1: TAG 길이가 잘못되었습니다.").arg(slot);
}
