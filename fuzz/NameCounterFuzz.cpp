// The device name's counter placeholder. Input: a counter (four bytes, little-endian), then
// the name pattern.
#include "InputRules.h"
#include "Profile.h"
#include "Require.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    const unsigned counter = data[0] | data[1] << 8 | data[2] << 16 | unsigned{data[3]} << 24;
    const std::string pattern(reinterpret_cast<const char*>(data + 4), size - 4);
    const bool counted = HasNameCounter(pattern);
    const std::optional<std::string> name = NameFor(pattern, counter);
    const std::optional<std::string> next = NameFor(pattern, counter + 1);
    if (name) {
        Require(InputRules::FitsNameBytes(*name));
        // Only a valid pattern gives a name ("{N}", a second "{n}" are refused).
        Require(IsValidNamePattern(pattern));
    }
    if (!counted) {
        // No placeholder: every module gets the same name ("{{" and "}}" stand for braces).
        Require(next == name);
        Require(!name || name->size() <= pattern.size());
        return 0;
    }
    // The counter is written out, and no two modules get the same name.
    Require(!name || name->find(std::to_string(counter)) != std::string::npos);
    Require(!name || !next || *name != *next);
    return 0;
}
