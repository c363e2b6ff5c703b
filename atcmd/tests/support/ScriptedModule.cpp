#include "ScriptedModule.h"

#include <algorithm>

using namespace std::chrono_literals;

ScriptedModule::ScriptedModule(PtyPeer& peer, Script script, Options options)
    : m_peer(peer), m_script(std::move(script)), m_options(options) {
    m_thread = std::thread(&ScriptedModule::Run, this);
}

ScriptedModule::~ScriptedModule() {
    m_stop = true;
    m_thread.join();
}

std::vector<std::string> ScriptedModule::Commands() const {
    std::lock_guard guard(m_lock);
    return m_commands;
}

void ScriptedModule::Run() {
    std::string command;
    while (!m_stop) {
        const std::vector<std::uint8_t> byte = m_peer.ReadExactly(1, 20ms);
        if (byte.empty()) {
            continue;
        }
        command.push_back(static_cast<char>(byte[0]));
        if (byte[0] != '\r') {
            continue;
        }
        {
            std::lock_guard guard(m_lock);
            m_commands.push_back(command);
        }
        Send(m_script(command));
        command.clear();
    }
}

void ScriptedModule::Send(const std::string& bytes) {
    if (!m_options.smallPieces) {
        m_peer.Write(bytes);
        return;
    }
    std::size_t pieceSize = 1;
    for (std::size_t at = 0; at < bytes.size(); at += pieceSize, pieceSize = pieceSize % 3 + 1) {
        // The pause lets each piece reach the program as a read of its own.
        std::this_thread::sleep_for(2ms);
        m_peer.Write(bytes.substr(at, std::min(pieceSize, bytes.size() - at)));
    }
}
