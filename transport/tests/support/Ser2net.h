#pragma once

#include <cstdint>
#include <string>
#include <system_error>

// A real ser2net (the Debian package) exporting one serial device on 127.0.0.1 at a free port,
// started by the test with a configuration of its own and stopped by its pid.
//
//   Ser2net server({.device = module.DevicePath()});
//   server.Start();            // returns once it listens
//   open server.Url()          // rfc2217://127.0.0.1:<port>
//   server.Stop();             // the connection ends as if the server went away
class Ser2net {
public:
    struct Options {
        std::string device;                    // e.g. the virtual module's /dev/pts/N
        std::string lineSettings = "9600n81";  // until a client sets its own
        bool rfc2217 = true;                   // false: raw TCP (socket://)
    };

    explicit Ser2net(Options options);
    ~Ser2net() { Stop(); }
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;

    // Where the program is, empty when the package is not installed.
    static std::string Program();

    std::error_code Start();
    // SIGTERM, then waits for it to end (SIGKILL after a few seconds).
    void Stop();

    std::uint16_t Port() const { return m_port; }
    std::string Url() const;
    // ser2net's own output, for a failure message.
    std::string Log() const;

private:
    bool Listening() const;

    const Options m_options;
    std::string m_folder;
    std::uint16_t m_port = 0;
    int m_pid = -1;
};
