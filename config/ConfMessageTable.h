#pragma once

#include <array>

// Marks a text for Qt's translation tools without a Qt header here.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif

// The configuration page's message texts, by their string-table number, in one toolkit-free
// table: the page translates them in the context "ConfMessages" (its Korean catalogue holds
// them), and the command-line tool shows the same texts.
enum class ConfMessageId {
    MSG_SCAN = 108,
    MSG_STOP = 109,
    MSG_UNSUPPORTED = 110,
    MSG_NO_ANSWER = 111,
    MSG_SLOTS_DONE = 112,
    MSG_SLOTS_FAILED = 113,
    MSG_NAME_DONE = 114,
    MSG_NAME_FAILED = 115,
    MSG_ADV_DONE = 116,
    MSG_ADV_FAILED = 117,
    MSG_UART_DONE = 118,
    MSG_UART_FAILED = 119,
    MSG_NAME_TOO_LONG = 124,
    MSG_FACTORY_RESET_QUESTION = 125,
    MSG_BAD_ADV_INTERVAL = 126,
    MSG_PORT_ERROR = 127,
    MSG_BAD_ADDRESS = 128,
    MSG_NOTHING_SELECTED = 129,
    MSG_ALREADY_IN_SLOT = 130,
    MSG_DUPLICATE_SLOTS = 131,
    MSG_COLUMN_ADDRESS = 133,
    MSG_COLUMN_NAME = 134,
    MSG_AUTOCON_DONE = 135,
    MSG_AUTOCON_FAILED = 136,
    MSG_ROLE_DONE = 137,
    MSG_ROLE_FAILED = 138,
    MSG_MASTER_DONE = 139,
    MSG_MASTER_FAILED = 140,
    MSG_MASTER_DELETED = 141,
    MSG_MASTER_DELETE_FAILED = 142,
    MSG_SLOT_BAD_ADDRESS = 143,
    MSG_COLUMN_RSSI = 144,
    MSG_UART_NOT_CONFIRMED = 145,
    // Our own, beyond the historic table.
    MSG_TEXT_NOT_ALLOWED = 200,
    MSG_SLOT_NAME_NOT_ALLOWED = 201,
    MSG_SLOT_NAME_TOO_LONG = 202,  // the page shows its own Korean text in both languages
    // Settings files; "%1" is the field, or the file and "%2" the system's reason.
    MSG_PROFILE_CANNOT_READ = 210,
    MSG_PROFILE_CANNOT_WRITE = 211,
    MSG_PROFILE_NOT_JSON = 212,
    MSG_PROFILE_UNKNOWN_FIELD = 213,
    MSG_PROFILE_WRONG_TYPE = 214,
    MSG_PROFILE_BAD_VALUE = 215,
    MSG_PROFILE_SLOTS_NEED_MULTI = 216,
    MSG_PROFILE_MATCHES = 217,
    MSG_PROFILE_NOT_OFFERED = 218,
    MSG_PROFILE_APPLIED = 219,
    MSG_PROFILE_TOO_LARGE = 220,
    MSG_PROFILE_MISSING_FIELD = 221,
    MSG_PROFILE_DUPLICATE_FIELD = 222,
    MSG_NAME_NOT_ALLOWED = 223,
};

struct ConfMessageText {
    ConfMessageId id;
    const char* source;  // English; MSG_SLOT_BAD_ADDRESS keeps "%1" for the slot number
};

inline constexpr char kConfMessageContext[] = "ConfMessages";

inline constexpr std::array kConfMessageTexts = {
    ConfMessageText{ConfMessageId::MSG_SCAN, QT_TRANSLATE_NOOP("ConfMessages", "Scan")},
    ConfMessageText{ConfMessageId::MSG_STOP, QT_TRANSLATE_NOOP("ConfMessages", "Stop")},
    ConfMessageText{ConfMessageId::MSG_UNSUPPORTED,
                    QT_TRANSLATE_NOOP("ConfMessages", "This is an unsupported device.")},
    ConfMessageText{
        ConfMessageId::MSG_NO_ANSWER,
        QT_TRANSLATE_NOOP("ConfMessages",
                          "This program is for the sKW52x and DTQ-50 series only.\nPlease check "
                          "the product name, communication port, etc., and try again.")},
    ConfMessageText{
        ConfMessageId::MSG_SLOTS_DONE,
        QT_TRANSLATE_NOOP("ConfMessages", "Node (device) registration has been completed")},
    ConfMessageText{ConfMessageId::MSG_SLOTS_FAILED,
                    QT_TRANSLATE_NOOP("ConfMessages", "Failed to register node (device).")},
    ConfMessageText{ConfMessageId::MSG_NAME_DONE,
                    QT_TRANSLATE_NOOP("ConfMessages", "Completed device name settings.")},
    ConfMessageText{ConfMessageId::MSG_NAME_FAILED,
                    QT_TRANSLATE_NOOP("ConfMessages", "Failed device name settings.")},
    ConfMessageText{
        ConfMessageId::MSG_ADV_DONE,
        QT_TRANSLATE_NOOP("ConfMessages", "Setting advertising interval has been completed.")},
    ConfMessageText{ConfMessageId::MSG_ADV_FAILED,
                    QT_TRANSLATE_NOOP("ConfMessages", "Failed to save advertising interval.")},
    ConfMessageText{ConfMessageId::MSG_UART_DONE,
                    QT_TRANSLATE_NOOP("ConfMessages",
                                      "The UART settings for the device have been completed. The "
                                      "device has restarted to apply the changed settings.")},
    ConfMessageText{ConfMessageId::MSG_UART_FAILED,
                    QT_TRANSLATE_NOOP("ConfMessages", "Failed to configure UART settings.")},
    ConfMessageText{ConfMessageId::MSG_NAME_TOO_LONG,
                    QT_TRANSLATE_NOOP("ConfMessages", "The device name is too long.")},
    ConfMessageText{
        ConfMessageId::MSG_FACTORY_RESET_QUESTION,
        QT_TRANSLATE_NOOP("ConfMessages",
                          "Reset to factory settings. Are you sure you want to continue?")},
    ConfMessageText{ConfMessageId::MSG_BAD_ADV_INTERVAL,
                    QT_TRANSLATE_NOOP("ConfMessages", "Invalid advertising interval value.")},
    ConfMessageText{ConfMessageId::MSG_PORT_ERROR,
                    QT_TRANSLATE_NOOP("ConfMessages", "Error on COM port. Closing the port.")},
    ConfMessageText{ConfMessageId::MSG_BAD_ADDRESS,
                    QT_TRANSLATE_NOOP("ConfMessages", "Invalid Bluetooth address.")},
    ConfMessageText{
        ConfMessageId::MSG_NOTHING_SELECTED,
        QT_TRANSLATE_NOOP("ConfMessages", "No device selected in the scanned devices list.")},
    ConfMessageText{ConfMessageId::MSG_ALREADY_IN_SLOT,
                    QT_TRANSLATE_NOOP("ConfMessages", "The device is already assigned to a slot.")},
    ConfMessageText{
        ConfMessageId::MSG_DUPLICATE_SLOTS,
        QT_TRANSLATE_NOOP("ConfMessages", "Duplicated Bluetooth addresses are assigned to slot")},
    ConfMessageText{ConfMessageId::MSG_COLUMN_ADDRESS,
                    QT_TRANSLATE_NOOP("ConfMessages", "Device Address")},
    ConfMessageText{ConfMessageId::MSG_COLUMN_NAME,
                    QT_TRANSLATE_NOOP("ConfMessages", "Device Name")},
    ConfMessageText{
        ConfMessageId::MSG_AUTOCON_DONE,
        QT_TRANSLATE_NOOP("ConfMessages", "Completed automatic reconnection settings.")},
    ConfMessageText{
        ConfMessageId::MSG_AUTOCON_FAILED,
        QT_TRANSLATE_NOOP("ConfMessages", "Failed to configure automatic reconnection settings.")},
    ConfMessageText{ConfMessageId::MSG_ROLE_DONE,
                    QT_TRANSLATE_NOOP("ConfMessages", "Completed operation role settings.")},
    ConfMessageText{
        ConfMessageId::MSG_ROLE_FAILED,
        QT_TRANSLATE_NOOP("ConfMessages", "Failed to configure operation role setting.")},
    ConfMessageText{ConfMessageId::MSG_MASTER_DONE,
                    QT_TRANSLATE_NOOP("ConfMessages", "Master device registered successfully.")},
    ConfMessageText{ConfMessageId::MSG_MASTER_FAILED,
                    QT_TRANSLATE_NOOP("ConfMessages", "Failed to register the master device.")},
    ConfMessageText{ConfMessageId::MSG_MASTER_DELETED,
                    QT_TRANSLATE_NOOP("ConfMessages", "Successfully delete the master devices.")},
    ConfMessageText{ConfMessageId::MSG_MASTER_DELETE_FAILED,
                    QT_TRANSLATE_NOOP("ConfMessages", "Failed to delete the master device.")},
    ConfMessageText{ConfMessageId::MSG_SLOT_BAD_ADDRESS,
                    QT_TRANSLATE_NOOP("ConfMessages", "Slot %1: Invalid Bluetooth address.")},
    ConfMessageText{ConfMessageId::MSG_COLUMN_RSSI, QT_TRANSLATE_NOOP("ConfMessages", "RSSI")},
    ConfMessageText{
        ConfMessageId::MSG_UART_NOT_CONFIRMED,
        QT_TRANSLATE_NOOP("ConfMessages",
                          "The UART settings were sent, but the device did not confirm its "
                          "restart. Check the device and its port speed.")},
    ConfMessageText{ConfMessageId::MSG_TEXT_NOT_ALLOWED,
                    QT_TRANSLATE_NOOP("ConfMessages",
                                      "The name must not contain control characters such as "
                                      "line breaks or tabs. Nothing was sent.")},
    ConfMessageText{ConfMessageId::MSG_SLOT_NAME_NOT_ALLOWED,
                    QT_TRANSLATE_NOOP("ConfMessages",
                                      "Slot %1: the name must not contain commas or control "
                                      "characters such as line breaks. Nothing was sent.")},
    ConfMessageText{ConfMessageId::MSG_SLOT_NAME_TOO_LONG,
                    QT_TRANSLATE_NOOP("ConfMessages", "Slot %1: invalid name length.")},
    ConfMessageText{ConfMessageId::MSG_PROFILE_CANNOT_READ,
                    QT_TRANSLATE_NOOP("ConfMessages", "Cannot read the settings file %1: %2")},
    ConfMessageText{ConfMessageId::MSG_PROFILE_CANNOT_WRITE,
                    QT_TRANSLATE_NOOP("ConfMessages", "Cannot write the settings file %1: %2")},
    ConfMessageText{ConfMessageId::MSG_PROFILE_NOT_JSON,
                    QT_TRANSLATE_NOOP("ConfMessages", "The settings file is not valid JSON.")},
    ConfMessageText{ConfMessageId::MSG_PROFILE_UNKNOWN_FIELD,
                    QT_TRANSLATE_NOOP("ConfMessages", "Unknown field in the settings file: %1")},
    ConfMessageText{
        ConfMessageId::MSG_PROFILE_WRONG_TYPE,
        QT_TRANSLATE_NOOP("ConfMessages", "Wrong type of field in the settings file: %1")},
    ConfMessageText{
        ConfMessageId::MSG_PROFILE_BAD_VALUE,
        QT_TRANSLATE_NOOP("ConfMessages", "Invalid value of field in the settings file: %1")},
    ConfMessageText{ConfMessageId::MSG_PROFILE_SLOTS_NEED_MULTI,
                    QT_TRANSLATE_NOOP("ConfMessages",
                                      "Field %1 of the settings file needs the role multi-at or "
                                      "multi-bypass.")},
    ConfMessageText{
        ConfMessageId::MSG_PROFILE_MATCHES,
        QT_TRANSLATE_NOOP("ConfMessages", "The module already has every setting of the file.")},
    ConfMessageText{ConfMessageId::MSG_PROFILE_NOT_OFFERED,
                    QT_TRANSLATE_NOOP("ConfMessages",
                                      "Field %1 of the settings file is not available on the %2 "
                                      "in the role it would have. Nothing was sent.")},
    ConfMessageText{ConfMessageId::MSG_PROFILE_APPLIED,
                    QT_TRANSLATE_NOOP("ConfMessages",
                                      "The settings of the file have been applied, and the module "
                                      "has been read again.")},
    ConfMessageText{
        ConfMessageId::MSG_PROFILE_TOO_LARGE,
        QT_TRANSLATE_NOOP("ConfMessages",
                          "The settings file %1 is larger than 1 MiB; it is not read.")},
    ConfMessageText{ConfMessageId::MSG_PROFILE_MISSING_FIELD,
                    QT_TRANSLATE_NOOP("ConfMessages", "Missing field in the settings file: %1")},
    ConfMessageText{
        ConfMessageId::MSG_PROFILE_DUPLICATE_FIELD,
        QT_TRANSLATE_NOOP("ConfMessages", "Field given twice in the settings file: %1")},
    ConfMessageText{ConfMessageId::MSG_NAME_NOT_ALLOWED,
                    QT_TRANSLATE_NOOP("ConfMessages",
                                      "The device name must not contain commas: the module would "
                                      "cut it there. Nothing was sent.")},
};

// The English source of `id`; nullptr for a number the page does not use.
constexpr const char* ConfMessageSource(ConfMessageId id) {
    for (const ConfMessageText& text : kConfMessageTexts) {
        if (text.id == id) {
            return text.source;
        }
    }
    return nullptr;
}
