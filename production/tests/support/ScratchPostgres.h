#pragma once

#include <csignal>
#include <string>

// A real PostgreSQL server for one test program, started in a scratch folder on a free port
// (tests/support/scratch-postgres.sh) and stopped by its pid when the object goes.
class ScratchPostgres {
public:
    ScratchPostgres();
    ~ScratchPostgres();
    ScratchPostgres(const ScratchPostgres&) = delete;
    ScratchPostgres& operator=(const ScratchPostgres&) = delete;

    bool Running() const { return m_running; }
    // The database's address: over TCP on loopback, user "skw", database "postgres".
    std::string Address() const;
    void Stop();   // the server goes away, as a database host that is lost
    bool Start();  // and comes back, on the same port with the same data
    // The server and its sessions stopped (SIGSTOP) and let go on (SIGCONT): a host that hangs,
    // its connections open and silent.
    void Freeze() { Signal(SIGSTOP); }
    void Thaw() { Signal(SIGCONT); }

private:
    void Signal(int signal) const;  // to the postmaster and its children, by their pids

    std::string m_folder;
    int m_port = 0;
    bool m_running = false;
};
