#pragma once

#include "ConfMessageTable.h"
#include "Profile.h"

#include <atomic>
#include <cstddef>
#include <string>
#include <variant>

// Reading a settings file from disk, the same for the window and the command-line tool.

inline constexpr std::size_t kMaxProfileBytes = 1024 * 1024;

// Why a settings file could not be taken: the message and what fills it ("%1" the field or the
// file, "%2" the system's reason).
struct ProfileFileError {
    ConfMessageId text;
    std::string arg1;
    std::string arg2{};
};

// The settings file at `path` (UTF-8), read and checked; a file over kMaxProfileBytes is
// refused unread. A read that waits (a pipe, a terminal) ends when `stop` becomes true, and
// gives MSG_PROFILE_CANNOT_READ.
std::variant<Profile, ProfileFileError> ReadProfileFile(const std::string& path,
                                                        const std::atomic<bool>* stop = nullptr);

// The bytes of the file at `path`, at most `limit` + 1 of them (one more tells that it is
// larger). The system's reason when it cannot be read, or "interrupted" when `stop` became
// true while it waited. One source per system (ProfileFilePosix.cpp, ProfileFileWin.cpp).
std::variant<std::string, std::string> ReadFileUpTo(const std::string& path, std::size_t limit,
                                                    const std::atomic<bool>* stop);
