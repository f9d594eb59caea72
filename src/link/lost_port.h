#pragma once

#include "serial/serial_port.h"

#include <string>

namespace duruz {

// The open port's device went away; the window waits for its path to come back.
// "Back" means the path was seen missing after the loss and is there again, or a
// symbolic link other than the one last seen stands there: a device that stays
// present while it fails is not looked at over and over, filling the memo.
struct LostPort {
    bool lost = false;
    bool seenMissing = false;
    std::string path;          // the lost port's path
    serial::LinkIdentity link; // the link at path when last looked at
};

// Notes one look at the lost port's path: whether something is there, and the link
// that stands there, if any. True once each time it has come back.
inline bool CameBack(LostPort& port, bool present, const serial::LinkIdentity& link) {
    if (!port.lost)
        return false;
    const bool relinked = link.isLink && link != port.link;
    port.link = link;
    if (!present) {
        port.seenMissing = true;
        return false;
    }
    if (!port.seenMissing && !relinked)
        return false;
    port.seenMissing = false;
    return true;
}

// Whether a port without a USB identity may be opened again by itself: only a path
// opened through a symbolic link, now a link made anew (not the old one, which may
// dangle and later reach a stranger's terminal) that leads to a character device.
inline bool RelinkedToTerminal(const serial::LinkIdentity& opened, const serial::LinkIdentity& now,
                               bool characterDevice) {
    return opened.isLink && now.isLink && now != opened && characterDevice;
}

} // namespace duruz
