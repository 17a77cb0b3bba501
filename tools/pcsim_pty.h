// The pseudo-terminal that stands in for the counter's serial line, and the
// optional symbolic link that gives its slave side a stable name.
#pragma once

#include <string>

struct PtyPair {
    int masterFd = -1;  // the counter's end: non-blocking, read and written here
    int slaveFd = -1;   // kept open so the master never sees the line hang up
    std::string slavePath;
};

// Opens the pair and makes the slave side raw. Reports failures on stderr.
bool openPty(PtyPair& pty);

void closeMaster(PtyPair& pty);
void closePty(PtyPair& pty);

// Points linkPath at target, replacing an existing link atomically.
// Refuses to replace anything that is not a symbolic link.
bool createLink(const std::string& linkPath, const std::string& target);

// Removes linkPath only if it still points at target.
void removeLinkIfOurs(const std::string& linkPath, const std::string& target);
