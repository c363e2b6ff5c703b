#include "ProfileFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

std::variant<Profile, Failure> ReadProfileFile(const std::string& path, const Texts& texts) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    if (!file || file.bad()) {
        return Failure{ExitCode::BadArgument,
                       texts(TextId::ProfileCannotRead, {path, std::strerror(errno)})};
    }
    auto parsed = ParseProfile(text.str());
    if (const auto* error = std::get_if<ProfileError>(&parsed)) {
        return Failure{ExitCode::BadArgument, texts(error->text, {error->field})};
    }
    return std::get<Profile>(parsed);
}
