// Running a command through the shell, finding a program on the PATH, the
// CI rule for missing tools, plain HTTP GET on the loopback address and a
// free loopback port.
#include "realtools.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <cstring>

namespace testsupport {

namespace {

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

long long nowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

// Waits until fd is ready for events or the deadline passes.
bool ready(int fd, short events, long long deadline) {
    long long left = deadline - nowMs();
    if (left <= 0) return false;
    pollfd probe{fd, events, 0};
    return poll(&probe, 1, static_cast<int>(left)) > 0;
}

}  // namespace

CommandResult runCommand(const std::string& command) {
    CommandResult result;
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        result.output.append(buffer, n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string findProgram(const std::string& program) {
    CommandResult found = runCommand("command -v '" + program + "'");
    std::string path = found.output.substr(0, found.output.find('\n'));
    return found.status == 0 && path.rfind("/", 0) == 0 ? path : "";
}

bool haveProgram(const std::string& program) { return !findProgram(program).empty(); }

bool inCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::strcmp(ci, "true") == 0;
}

HttpResponse httpGet(int port, const std::string& target, int timeoutMs) {
    HttpResponse response;
    long long deadline = nowMs() + timeoutMs;
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return response;
    sockaddr_in address = loopback(port);
    int connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    if (connected != 0 && errno == EINPROGRESS && ready(fd, POLLOUT, deadline)) {
        int error = 0;
        socklen_t length = sizeof error;
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
        connected = error == 0 ? 0 : -1;
    }
    std::string raw;
    if (connected == 0) {
        std::string request = "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
        std::size_t sent = 0;
        while (sent < request.size() && ready(fd, POLLOUT, deadline)) {
            ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += static_cast<std::size_t>(n);
        }
        char buffer[8192];
        while (sent == request.size() && ready(fd, POLLIN, deadline)) {
            ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            raw.append(buffer, static_cast<std::size_t>(n));
        }
    }
    close(fd);
    // "HTTP/1.x NNN ...", headers, an empty line, the body.
    std::size_t bodyAt = raw.find("\r\n\r\n");
    if (raw.rfind("HTTP/1.", 0) != 0 || raw.size() < 12 || bodyAt == std::string::npos)
        return response;
    response.status = std::atoi(raw.substr(9, 3).c_str());
    response.body = raw.substr(bodyAt + 4);
    return response;
}

int freeLoopbackPort() {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    int port = -1;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

}  // namespace testsupport
