#include "ModuleState.h"

#include <algorithm>
#include <cstring>

std::string TextOf(const TextArea& area) {
    const auto end = std::find(area.begin(), area.end(), '\0');
    return std::string(area.begin(), end);
}

TextArea MakeTextArea(const std::string& text) {
    TextArea area{};
    std::memcpy(area.data(), text.data(), std::min(text.size(), area.size() - 1));
    return area;
}

bool IsZeroAddr(const BdAddr& address) {
    return std::all_of(address.begin(), address.end(), [](std::uint8_t b) { return b == 0; });
}
