#pragma once

#include <istream>
#include <string>
#include <vector>

// A Bluetooth device that the virtual module "sees" while scanning.
struct VirtualDevice {
    std::string address;  // 12 upper-case hex digits
    int rssi = -60;       // typical signal strength in dBm; each report varies around it
    std::string name;     // UTF-8, at most 63 bytes, may hold commas
    bool operator==(const VirtualDevice&) const = default;
};

// The devices reported when no list is given: names with commas, Korean names, an empty name.
std::vector<VirtualDevice> BuiltInVirtualDevices();

// Reads one device per line, "ADDRESS,RSSI,NAME" (the name is the rest of the line and may
// contain commas); blank lines and lines starting with '#' are skipped. On a bad line returns
// false with `error` naming the line.
bool ParseVirtualDevices(std::istream& input, std::vector<VirtualDevice>& devices,
                         std::string& error);
