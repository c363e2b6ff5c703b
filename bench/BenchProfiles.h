#pragma once

#include <fstream>
#include <iterator>
#include <string>

// The settings file the benchmarks apply to a peripheral: a name with a counter and a number
// setting (bench/profiles/peripheral.json).
inline std::string PeripheralProfileText() {
    std::ifstream file(SKW_BENCH_PERIPHERAL_PROFILE, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}
