#include "NativeSerialPorts.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>
#include <system_error>

std::vector<std::string> NativeSerialPorts() {
    constexpr std::array<std::string_view, 2> kAdapterPrefixes = {"ttyUSB", "ttyACM"};
    std::vector<std::string> ports;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", error)) {
        const std::string name = entry.path().filename().string();
        for (std::string_view prefix : kAdapterPrefixes) {
            if (name.starts_with(prefix)) {
                ports.push_back(entry.path().string());
            }
        }
    }
    std::sort(ports.begin(), ports.end());
    return ports;
}
