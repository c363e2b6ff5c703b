#include "NativeSerialPorts.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

// A value's data as text in the system code page, up to its first NUL; nothing when it does
// not convert (a value without data).
std::optional<std::string> AnsiText(const std::vector<wchar_t>& units) {
    if (units.empty()) {
        return std::nullopt;
    }
    const int count = static_cast<int>(units.size());
    const int size = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, units.data(), count,
                                           nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return std::nullopt;
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, units.data(), count, text.data(), size,
                          nullptr, nullptr);
    return text.substr(0, text.find('\0'));
}

void AddOnce(std::vector<std::string>& ports, std::string name) {
    if (std::find(ports.begin(), ports.end(), name) == ports.end()) {
        ports.push_back(std::move(name));
    }
}

}  // namespace

std::vector<std::string> NativeSerialPorts() {
    std::vector<std::string> ports;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                        &key) != ERROR_SUCCESS) {
        return ports;
    }
    DWORD longestName = 0;
    DWORD largestData = 0;
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                           &longestName, &largestData, nullptr, nullptr) != ERROR_SUCCESS) {
        ::RegCloseKey(key);
        return ports;
    }
    std::vector<wchar_t> name(longestName + 1);
    std::vector<BYTE> data(largestData);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        std::fill(data.begin(), data.end(), BYTE{0});
        if (::RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(),
                            &dataSize) != ERROR_SUCCESS) {
            break;
        }
        if (type != REG_SZ) {
            continue;
        }
        std::vector<wchar_t> units(dataSize / sizeof(wchar_t));
        std::copy_n(data.data(), units.size() * sizeof(wchar_t),
                    reinterpret_cast<BYTE*>(units.data()));
        if (std::optional<std::string> port = AnsiText(units)) {
            AddOnce(ports, std::move(*port));
        }
    }
    ::RegCloseKey(key);
    return ports;
}
