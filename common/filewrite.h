// Writing files whole: a write loop that goes on after short and
// interrupted writes, and the replacement of a file through a temporary
// file in the same directory renamed over it, so that a reader sees either
// the old file or the new one, never half of one.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

// Writes all of text to fd, going on after a short write and after a write
// interrupted by a signal.  False with errno set when the rest cannot be
// written (ENOSPC for a write that wrote nothing); written receives what
// was written.
bool writeAll(int fd, std::string_view text, std::size_t& written);
bool writeAll(int fd, std::string_view text);

// How a file is replaced.
struct ReplaceRules {
    mode_t mode = 0666;        // the mode of the new file
    bool umasked = true;       // the umask is taken off mode, as for any new file
    bool onlyRegular = false;  // a target that exists and is not a regular file is refused
    // The temporary file: empty for a name of its own (path + ".XXXXXX",
    // unique); otherwise this fixed path, removed and created afresh.
    std::string tempPath;
};

// The reason given when onlyRegular refuses the target.
inline constexpr const char* notRegularReason = "not a regular file";

// Writes text whole to a temporary file beside path (created with O_EXCL,
// never through a symbolic link, close-on-exec) and renames it over path.
// The file is not synced.  Returns true, or false with the reason (the
// system's error text, or notRegularReason) in reason and no temporary file
// left behind.
bool replaceFile(const std::string& path, std::string_view text, const ReplaceRules& rules,
                 std::string& reason);
