#pragma once

namespace duruz {

// The open port's device went away; the window opens it again by itself once the
// device is back. "Back" means its path was seen missing after the loss and is
// there again: a device that stays present while it fails is not reopened over
// and over, filling the memo.
struct LostPort {
    bool lost = false;
    bool seenMissing = false;
};

// Notes whether the lost port's path is present now; true when it has come back.
inline bool CameBack(LostPort& port, bool present) {
    if (!port.lost)
        return false;
    if (!present) {
        port.seenMissing = true;
        return false;
    }
    return port.seenMissing;
}

} // namespace duruz
