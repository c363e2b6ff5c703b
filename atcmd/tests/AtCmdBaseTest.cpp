#include "AtCmdBase.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Split {
    std::vector<std::string> frames;
    std::string leftover;  // what stays in the work buffer
};

// Cuts frames off the front the way the channel does, one per call, until none is complete.
Split SplitFrames(const std::string& stream) {
    const std::vector<std::uint8_t> bytes(stream.begin(), stream.end());
    std::span<const std::uint8_t> rest(bytes);
    Split split;
    for (;;) {
        const AtCmdBase::FrameCut cut = AtCmdBase::CutNextFrame(rest);
        if (cut.complete) {
            split.frames.emplace_back(rest.begin() + cut.frameBegin, rest.begin() + cut.frameEnd);
        }
        rest = rest.subspan(cut.consumed);
        if (!cut.complete) {
            split.leftover.assign(rest.begin(), rest.end());
            return split;
        }
    }
}

}  // namespace

TEST(Framing, plainAndEnclosedFramesAcrossSkippedBytes) {
    struct Case {
        std::string stream;
        std::vector<std::string> frames;
        std::string leftover;
    };
    const Case cases[] = {
        // The CR right after an enclosed frame belongs to it; the LF after that is skipped.
        {"\r\nOK\r\n\r\n+READY\r\n", {"\r\nOK\r\n\r", "+READY\r"}, ""},
        // An empty enclosed line before a frame is dropped.
        {"\r\n\r\nOK\r\n", {"\r\nOK\r\n"}, ""},
        {"AT\rOK\r\n", {"AT\r", "OK\r"}, ""},
        // A one-byte line is skipped byte by byte, never a frame.
        {"X\rOK\r", {"OK\r"}, ""},
        // A CR LF not closed by CR LF is skipped; what follows is read as a plain line.
        {"\r\nOK\rX", {"OK\r"}, "X"},
        {"+0123456789AB,-45,A\r+0123456789AC,-50,B\r",
         {"+0123456789AB,-45,A\r", "+0123456789AC,-50,B\r"},
         ""},
        // Incomplete: nothing is taken until more bytes arrive.
        {"\r\nOK", {}, "\r\nOK"},
        {"\rOK", {}, "\rOK"},
        {"+REA", {}, "+REA"},
        {"\r\n+READY\r", {}, "\r\n+READY\r"},  // waits for the LF that would close it
        {"OK\r\n\r", {"OK\r"}, "\r"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.stream));
        const Split split = SplitFrames(c.stream);
        EXPECT_EQ(split.frames, c.frames);
        EXPECT_EQ(split.leftover, c.leftover);
    }
}
