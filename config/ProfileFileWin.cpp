// Reading a settings file on Windows: files there do not block as pipes and terminals do on
// POSIX systems, so the stop request is only checked between reads.

#include "ProfileFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>

std::variant<std::string, std::string> ReadFileUpTo(const std::string& path, std::size_t limit,
                                                    const std::atomic<bool>* stop) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::variant<std::string, std::string>(std::in_place_index<1>, std::strerror(errno));
    }
    std::string text;
    char buffer[64 * 1024];
    while (text.size() <= limit && file) {
        if (stop != nullptr && stop->load()) {
            return std::variant<std::string, std::string>(std::in_place_index<1>,
                                                          std::strerror(EINTR));
        }
        file.read(buffer,
                  static_cast<std::streamsize>(std::min(sizeof buffer, limit + 1 - text.size())));
        text.append(buffer, static_cast<std::size_t>(file.gcount()));
    }
    if (file.bad()) {
        return std::variant<std::string, std::string>(std::in_place_index<1>, std::strerror(EIO));
    }
    return std::variant<std::string, std::string>(std::in_place_index<0>, std::move(text));
}
