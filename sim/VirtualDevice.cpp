#include "VirtualDevice.h"

#include "SimCommand.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace {

constexpr std::size_t kMaxNameBytes = 63;

std::string UpperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

bool ParseRssi(const std::string& text, int& rssi) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, rssi);
    return error == std::errc() && stop == end && rssi >= -127 && rssi <= 0;
}

bool ParseDeviceLine(std::string line, VirtualDevice& device, std::string& problem) {
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    const std::vector<std::string> fields = SplitArguments(line, 3);
    if (fields.size() != 3) {
        problem = "expected ADDRESS,RSSI,NAME";
    } else if (!IsBluetoothAddress(fields[0])) {
        problem = "the address must be 12 hex digits";
    } else if (!ParseRssi(fields[1], device.rssi)) {
        problem = "the RSSI must be a whole number from -127 to 0";
    } else if (fields[2].size() > kMaxNameBytes || fields[2].find('\r') != std::string::npos) {
        problem = "the name must be at most 63 bytes";
    } else {
        device.address = UpperCase(fields[0]);
        device.name = fields[2];
        return true;
    }
    return false;
}

}  // namespace

std::vector<VirtualDevice> BuiltInVirtualDevices() {
    return {
        {"C0FFEE000001", -48, "QUORVEX-01"},
        {"D4CA6E10A2B3", -71, "Sensor, A"},
        {"5C313E2F8190", -55, "\xEC\x98\xA8\xEB\x8F\x84\xEC\x84\xBC\xEC\x84\x9C"},  // 온도센서
        {"C0FFEE000002", -63, "QUORVEX-02"},
        {"7A0B1C2D3E4F", -82, "HR Band, left, 2"},
        {"A1B2C3D4E5F6", -39, "\xEC\x8B\xAC\xEB\xB0\x95\xEA\xB3\x84 QUORVEX"},  // 심박계 QUORVEX
        {"0123456789AB", -90, ""},
    };
}

bool ParseVirtualDevices(std::istream& input, std::vector<VirtualDevice>& devices,
                         std::string& error) {
    std::vector<VirtualDevice> parsed;
    std::string line;
    for (int number = 1; std::getline(input, line); ++number) {
        if (line.empty() || line == "\r" || line[0] == '#') {
            continue;
        }
        VirtualDevice device;
        std::string problem;
        if (!ParseDeviceLine(line, device, problem)) {
            error = "line " + std::to_string(number) + ": " + problem;
            return false;
        }
        parsed.push_back(std::move(device));
    }
    devices = std::move(parsed);
    return true;
}
