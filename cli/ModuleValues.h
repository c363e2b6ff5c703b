#pragma once

#include "ModuleSession.h"

#include <array>
#include <optional>
#include <string>

struct SlotValue {
    std::string address;  // empty: the slot is empty
    std::string name;
    bool operator==(const SlotValue&) const = default;
};
using SlotValues = std::array<SlotValue, kSlotCount>;

// What the page shows after the model's read job; only what that job reads is set.
struct ModuleValues {
    std::string model;
    std::string firmware;
    std::string address;
    std::string name;
    int role = -1;  // the page's role radio index; -1 for a role byte it does not know
    bool flow = false;
    std::optional<unsigned> advInterval;
    std::optional<bool> autoCon;
    std::optional<std::string> masterAddress;  // empty: none
    std::optional<SlotValues> slots;
};

ModuleValues ValuesOf(const ModuleSession& session);
