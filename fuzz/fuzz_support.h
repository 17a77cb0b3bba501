// Helpers shared by the fuzz targets: a scratch file that holds the input of
// one run, and the check that stops the fuzzer on a broken property.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <fcntl.h>
#include <unistd.h>

// Stops the run at once, so that libFuzzer saves the input as a crash.  The
// message names the property; the trap gives the stack.
#define FUZZ_CHECK(condition)                                                          \
    do {                                                                               \
        if (!(condition)) {                                                            \
            std::fprintf(stderr, "\n%s:%d: property broken: %s\n", __FILE__, __LINE__, \
                         #condition);                                                  \
            std::fflush(stderr);                                                       \
            __builtin_trap();                                                          \
        }                                                                              \
    } while (0)

namespace fuzz {

inline std::string_view bytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// A file of this process under the temporary directory, made once and
// rewritten with each input; removed when the process ends normally.
class ScratchFile {
public:
    explicit ScratchFile(const char* stem) {
        const char* dir = std::getenv("TMPDIR");
        path_ = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/" + stem + "-XXXXXX";
        int fd = mkstemp(path_.data());
        if (fd < 0) {
            std::perror("pcfuzz: mkstemp");
            std::abort();
        }
        close(fd);
    }
    ~ScratchFile() { unlink(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& path() const { return path_; }

    // Replaces the whole content of the file.  Written over in place and
    // then cut to size: a file truncated to nothing and written again is
    // flushed to disk at close on some file systems, which is slow.
    void write(std::string_view content) const {
        int fd = open(path_.c_str(), O_WRONLY);
        bool ok = fd >= 0;
        std::size_t done = 0;
        while (ok && done < content.size()) {
            ssize_t n =
                pwrite(fd, content.data() + done, content.size() - done, static_cast<off_t>(done));
            ok = n > 0;
            if (ok) done += static_cast<std::size_t>(n);
        }
        ok = ok && ftruncate(fd, static_cast<off_t>(content.size())) == 0;
        if (fd >= 0) close(fd);
        if (!ok) {
            std::perror("pcfuzz: writing the scratch file");
            std::abort();
        }
    }

private:
    std::string path_;
};

// A directory of this process under the temporary directory, for targets
// that need several files (configuration and logs).
class ScratchDir {
public:
    explicit ScratchDir(const char* stem) {
        const char* dir = std::getenv("TMPDIR");
        path_ = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/" + stem + "-XXXXXX";
        if (mkdtemp(path_.data()) == nullptr) {
            std::perror("pcfuzz: mkdtemp");
            std::abort();
        }
        path_ += "/";
    }
    ~ScratchDir() { rmdir(path_.c_str()); }  // the target removes its files
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace fuzz
