#pragma once

#include <cstdint>

// Values the page keeps beside its controls: the checked role and automatic-connection radio
// indexes (-1 when none is checked), exchanged with the radio groups, and the advertising
// interval last shown or applied, in ms.
struct PageValues {
    int role = -1;
    int autoCon = -1;
    std::uint32_t advInterval = 0;
};
