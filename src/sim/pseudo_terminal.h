#pragma once

#include <array>

namespace sim {

// A pseudo-terminal pair for serving the simulator: the master end is ours, the
// slave's path is what a serial port opens.
struct PseudoTerminal {
    int master = -1;
    int slave = -1; // held open so the master never sees the line hang up
    std::array<char, 128> slavePath{};
};

// Creates the pair with a raw slave side (no echo, no line editing, no CR/LF
// translation): the frames are binary and must pass unchanged. The master is
// non-blocking. Returns false, with errno set, on failure.
bool OpenPseudoTerminal(PseudoTerminal& terminal);
void ClosePseudoTerminal(PseudoTerminal& terminal);

} // namespace sim
