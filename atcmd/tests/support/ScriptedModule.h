#pragma once

#include "PtyPeer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A module on the far end of a PtyPeer, for tests: reads CR-ended commands, records them and
// answers each with what the script returns (nothing for an empty answer; an echo is part of
// the answer). It can cut its writes into pieces of 1, 2 and 3 bytes with pauses between them,
// so the channel's framing is exercised across read boundaries.
class ScriptedModule {
public:
    using Script = std::function<std::string(const std::string& command)>;
    struct Options {
        bool smallPieces = false;
    };

    ScriptedModule(PtyPeer& peer, Script script, Options options);
    ~ScriptedModule();
    ScriptedModule(const ScriptedModule&) = delete;
    ScriptedModule& operator=(const ScriptedModule&) = delete;

    std::vector<std::string> Commands() const;

private:
    void Run();
    void Send(const std::string& bytes);

    PtyPeer& m_peer;
    const Script m_script;
    const Options m_options;
    mutable std::mutex m_lock;
    std::vector<std::string> m_commands;  // guarded by m_lock
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
