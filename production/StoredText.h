#pragma once

#include <string>
#include <string_view>

// Text as every sink of a record stores it (report files and both databases): valid UTF-8,
// whatever the bytes. What a module sends may be anything, and PostgreSQL refuses a text that
// is not UTF-8 or holds a NUL. A byte that is not part of valid UTF-8, and NUL, becomes the four
// characters \xHH (upper-case hex digits); a backslash becomes two, so the bytes can be
// recovered (BytesOfStoredText).

// Whether `bytes` are valid UTF-8 (no overlong forms, no surrogates, nothing beyond U+10FFFF).
bool IsUtf8(std::string_view bytes);

std::string StoredText(std::string_view bytes);
// The bytes back from their stored text. A backslash followed by anything else than `\` or
// `xHH` is kept as it is (text stored before this escaping).
std::string BytesOfStoredText(std::string_view text);
