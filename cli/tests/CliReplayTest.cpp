// A session recorded by the tool against the virtual module, replayed as the device
// (skw-module-sim --replay's ReplayModule): the same job gives the same answer and transcript.
#include "CliFixture.h"
#include "ReplayModule.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

using CliReplayTest = CliFixture;

std::vector<SessionEntry> ReadSession(const std::string& path) {
    std::ifstream input(path);
    std::vector<SessionEntry> session;
    std::string error;
    EXPECT_TRUE(ParseSession(input, session, error)) << error;
    return session;
}

// What the program wrote, as one stream.
std::string Written(const std::vector<SessionEntry>& session) {
    std::string bytes;
    for (const SessionEntry& entry : session) {
        if (entry.fromProgram) {
            bytes += entry.bytes;
        }
    }
    return bytes;
}

}  // namespace

TEST_F(CliReplayTest, recordedInfo_replaysWithTheSameAnswerAndTranscript) {
    char folderTemplate[] = "/tmp/skw-replay-XXXXXX";
    ASSERT_NE(::mkdtemp(folderTemplate), nullptr);
    const std::filesystem::path folder(folderTemplate);
    const std::string recorded = (folder / "info.session").string();
    const std::string again = (folder / "again.session").string();

    StartModule(ModelOptions("GaX-sKW523"));
    const CliResult original = Run("info", {"--json", "--record-session", recorded});
    ASSERT_EQ(original.status, 0) << original.err;
    const std::vector<SessionEntry> session = ReadSession(recorded);
    std::string expectedWritten;
    for (const std::string& command : original.commands) {
        expectedWritten += command + "\r";
    }
    EXPECT_EQ(Written(session), expectedWritten);

    ReplayModule replay(session, "cli-replay");
    ASSERT_FALSE(replay.Start());
    const CliResult replayed =
        RunArgs({"info", "--port", replay.PortPath(), "--json", "--record-session", again});
    EXPECT_EQ(replayed.status, 0) << replayed.err;
    EXPECT_EQ(replayed.out, original.out);
    EXPECT_EQ(Written(ReadSession(again)), Written(session));
    EXPECT_TRUE(replay.Finished());
    EXPECT_FALSE(replay.Diverged()) << replay.Unexpected();
    replay.Stop();

    const CliResult unwritable =
        Run("info", {"--record-session", (folder / "no/such.session").string()});
    EXPECT_EQ(unwritable.status, 2);  // the folder must exist
    std::filesystem::remove_all(folder);
}
