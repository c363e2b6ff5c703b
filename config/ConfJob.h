#pragma once

#include <cstdint>

// Job ids of the configuration worker. 2 and 16 are not assigned; the worker ignores any id
// that is not listed here.
enum ConfJob : std::int32_t {
    JOB_QUIT = 1,
    JOB_IDENTIFY = 3,
    JOB_READ_FULL = 4,
    JOB_READ_MASTER = 5,
    JOB_READ_SLAVE = 6,
    JOB_REBOOT = 7,
    JOB_FACTORY_RESET = 8,
    JOB_WRITE_SLOTS = 9,
    JOB_SCAN_START = 10,
    JOB_SCAN_REPORT = 11,
    JOB_SCAN_STOP = 12,
    JOB_SET_NAME = 13,
    JOB_SET_ADV_INTERVAL = 14,
    JOB_SET_UART = 15,
    JOB_SET_AUTOCON = 17,
    JOB_SET_ROLE = 18,
    JOB_SET_MASTER = 19,
    JOB_DELETE_MASTER = 20,
};

// The status a job reports with its id. 3 is not assigned.
enum JobStatus : std::int32_t {
    JOB_OK = 0,
    JOB_FAILED = 1,
    JOB_UNSUPPORTED = 2,
    JOB_NO_REPORT = 4,
    JOB_NO_SETMODE = 5,
    JOB_OTHER_DEVICE = 6,
    JOB_NOT_CONFIRMED = 7,  // the settings were taken but the module never confirmed its restart
};

// True for the ids above, JOB_QUIT included.
constexpr bool IsKnownJob(std::int32_t id) {
    return (id >= JOB_QUIT && id <= JOB_DELETE_MASTER && id != 2 && id != 16);
}
