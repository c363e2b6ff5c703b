#include "ProfileFile.h"

std::variant<Profile, ProfileFileError> ReadProfileFile(const std::string& path,
                                                        const std::atomic<bool>* stop) {
    auto read = ReadFileUpTo(path, kMaxProfileBytes, stop);
    if (read.index() == 1) {
        return ProfileFileError{ConfMessageId::MSG_PROFILE_CANNOT_READ, path, std::get<1>(read)};
    }
    const std::string& text = std::get<0>(read);
    if (text.size() > kMaxProfileBytes) {
        return ProfileFileError{ConfMessageId::MSG_PROFILE_TOO_LARGE, path};
    }
    auto parsed = ParseProfile(text);
    if (const auto* error = std::get_if<ProfileError>(&parsed)) {
        return ProfileFileError{error->text, error->field};
    }
    return std::get<Profile>(parsed);
}
