#pragma once

// Values the page keeps beside its controls: the checked role and automatic-connection radio
// indexes (-1 when none is checked), exchanged with the radio groups.
struct PageValues {
    int role = -1;
    int autoCon = -1;
};
