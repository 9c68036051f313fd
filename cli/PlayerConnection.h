#pragma once
// Where mellifon-cli's link goes: the simulated player whose flash is an
// image file, or a real player on a parallel port (--port). It opens the
// port, finds the player, and on the way out leaves the player out of link
// mode and the port released, also after a failure or Ctrl+C.

#include <memory>

struct CliArguments;
class ConsoleUserInterface;
class DeviceLink;

// Exit status after Ctrl+C, as shells report a process stopped by SIGINT.
constexpr int kCliStopped = 130;

class PlayerConnection {
public:
    PlayerConnection();
    ~PlayerConnection();
    PlayerConnection(const PlayerConnection&) = delete;
    PlayerConnection& operator=(const PlayerConnection&) = delete;

    // Attaches the link to the player and sets its port; false after saying why.
    bool Open(const CliArguments& arguments, DeviceLink& link, ConsoleUserInterface& ui);
    // The last words to a real player and the port released; the exit status,
    // given the session's. `savedChange`: the command wrote a change to the
    // player, which a stop then says the player holds.
    int Close(DeviceLink& link, int status, bool savedChange = false);

    struct Ports;

private:
    std::unique_ptr<Ports> m_ports;
};

// Ctrl+C (and, on Unix, a hang-up or a polite kill) asks the link to stop
// instead of killing the process halfway through a transfer.
void InstallStopHandlers();
