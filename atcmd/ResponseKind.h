#pragma once

#include <cstdint>

// Which answers end a transaction; each kind has one row of matchers in the channel's table.
// Kinds 0, 1, 8 and those above 37 have no row: nothing answers them. The kinds named by their
// answer form rather than a command are in the table although no command of ours waits for them.
enum ResponseKind : std::int32_t {
    KIND_AT = 2,             // "AT\r"
    KIND_RESET = 3,          // "ATZ\r"
    KIND_FACTORY_RESET = 4,  // "AT&F\r"
    KIND_START_SCAN = 5,     // "AT+STARTSCAN\r"
    KIND_STOP_SCAN = 6,      // "AT+STOPSCAN\r"
    KIND_SCAN_REPORT = 7,    // nothing sent: the next report of a running scan
    KIND_INFO = 9,           // "AT+INFO?\r"
    KIND_VERSION = 10,       // "AT+VER?\r"
    KIND_TEXT = 11,
    KIND_SET_NAME = 12,     // "AT+MANUF=%s\r"
    KIND_SCAN_FILTER = 13,  // "AT+SF=ON,%s\r", "AT+SF=OFF\r"
    KIND_SET_SLOT = 14,     // "AT+SETSLOT=%u,%s\r", "AT+SETSLOT=%u,%s,%s\r"
    KIND_DEL_SLOT = 15,     // "AT+DELSLOT=%u\r"
    KIND_GET_SLOT = 16,     // "AT+GETSLOT=%u\r"
    KIND_ON_OFF = 17,
    KIND_ACK_18 = 18,
    KIND_HEX_TEXT = 19,
    KIND_ACK_20 = 20,
    KIND_MODEL = 21,             // "AT+MODEL?\r"
    KIND_GET_ADV_INTERVAL = 22,  // "AT+ADVINTERVAL?\r"
    KIND_SET_ADV_INTERVAL = 23,  // "AT+ADVINTERVAL=%u\r"
    KIND_SR = 24,
    KIND_ACK_25 = 25,
    KIND_ACK_26 = 26,
    KIND_SETMODE = 27,           // "AT+MODULESETMODE\r"
    KIND_SET_UART = 28,          // "AT+UART=%u\r"
    KIND_SET_FLOW_CONTROL = 29,  // "AT+FLOWCONTROL=%s\r"
    KIND_GET_FLOW_CONTROL = 30,  // "AT+FLOWCONTROL?\r"
    KIND_GET_AUTOCON = 31,       // "AT+AUTOCON?\r"
    KIND_SET_AUTOCON = 32,       // "AT+AUTOCON=%s\r"
    KIND_SET_ROLE = 33,          // "AT+ROLE=%c\r"
    KIND_GET_ROLE = 34,          // "AT+ROLE?\r"
    KIND_SET_BYPASS = 35,        // "AT+MBYPASS=%s\r"
    KIND_GET_BYPASS = 36,        // "AT+MBYPASS?\r"
    KIND_SET_CON_MAC = 37,       // "AT+SETCONMAC=%s\r"
};
