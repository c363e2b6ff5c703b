#pragma once

#include <cstdint>

// Where the page is in a scan. The worker moves IDLE -> RUNNING (JOB_SCAN_START); the page
// moves RUNNING -> STOPPING before it queues JOB_SCAN_STOP and back to IDLE on its result.
enum ScanState : std::int32_t {
    SCAN_IDLE = 0,
    SCAN_RUNNING = 1,
    SCAN_STOPPING = 2,
};
