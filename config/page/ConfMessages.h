#pragma once

#include <QCoreApplication>
#include <QString>

// The page's message texts by their string-table number, in the user's language, and the
// filter-error texts that exist in Korean only and are shown in both languages.
class ConfMessages {
    Q_DECLARE_TR_FUNCTIONS(ConfMessages)

public:
    enum Id {
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
    };

    // The text of `id`; empty for a number the page does not use. MSG_SLOT_BAD_ADDRESS keeps
    // its "%1" for the slot number.
    static QString Text(Id id);

    // Korean-only texts.
    static QString FilterErrorCaption();  // "오류"
    static QString RssiNotSet();
    static QString RssiNotNumber();
    static QString NameFilterTooLong();
    static QString SlotNameTooLong(int slot);
};
