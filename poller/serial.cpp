// The serial line: opening and configuring the port, the day-start drain
// and the poll exchange with the counter.
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "poller.h"

namespace {

const char* const portOpenedText = "Otwarto port ";

// A terminal whose line has gone (an unplugged adapter, a closed pseudo-
// terminal) reads as empty but reports a hangup.
bool hungUp(int fd) {
    pollfd probe{fd, POLLIN, 0};
    return poll(&probe, 1, 0) > 0 && (probe.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

// One read of at most one chunk.  The bytes kept end at the first zero
// byte; the result is what read returned.  error receives the reason of a
// failed read, or EIO for an empty read of a line that has hung up.
ssize_t readChunk(int fd, std::string& kept, int& error) {
    char buffer[chunkSize];
    ssize_t count = read(fd, buffer, sizeof buffer);
    error = count < 0 ? errno : 0;
    if (count == 0 && hungUp(fd)) error = EIO;
    kept.clear();
    for (ssize_t i = 0; i < count && buffer[i] != '\0'; ++i) kept.push_back(buffer[i]);
    return count;
}

// Marks the line lost after an error that says it has gone, and closes it
// at once, so that a replugged adapter can get its old device name back.
// The loss is logged once, until the counter answers again.
void markLost(const Settings& s, SerialPort& port, int error) {
    if (port.lost || !lineGone(error)) return;
    port.lost = true;
    closePort(port);
    if (port.down) return;
    port.down = true;
    importantLog(
        s, priorityError,
        fmt("Utracono polaczenie z portem %s: %s\n", s.portname.c_str(), std::strerror(error)));
}

void markAnswered(const Settings& s, SerialPort& port) {
    if (!port.down) return;
    port.down = false;
    importantLog(s, priorityNotice, fmt("Odzyskano polaczenie z portem %s\n", s.portname.c_str()));
}

// Fails with the reason kept in errno.
int failOpen(int fd, int error) {
    close(fd);
    errno = error;
    return -1;
}

}  // namespace

int openPort(const std::string& name) {
    // Without O_NONBLOCK an open of a serial line can wait for its carrier.
    int fd = open(name.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct termios current {};
    if (tcgetattr(fd, &current) != 0) return failOpen(fd, ENOTTY);
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        return failOpen(fd, errno == EWOULDBLOCK ? EBUSY : errno);
    // Other opens of the device fail from now on (root's excepted, which
    // the lock above stops), until closePort clears the flag: on a pseudo-
    // terminal it outlives this process.
    ioctl(fd, TIOCEXCL);
    return fd;
}

void closePort(SerialPort& port) {
    if (port.fd < 0) return;
    ioctl(port.fd, TIOCNXCL);
    flock(port.fd, LOCK_UN);
    close(port.fd);
    port.fd = -1;
}

void configurePort(int fd) {
    // Opened without waiting for the carrier; reads and writes follow the
    // settings below (a read returns at once) rather than O_NONBLOCK.
    int flags = fcntl(fd, F_GETFL);
    if (flags != -1) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    tcflush(fd, TCIFLUSH);
    struct termios settings {};
    settings.c_cflag = B1200 | CS8 | CLOCAL | CREAD;
    settings.c_iflag = IGNPAR;
    settings.c_oflag = 0;
    settings.c_lflag = 0;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    cfsetispeed(&settings, B1200);
    cfsetospeed(&settings, B1200);
    tcsetattr(fd, TCSANOW, &settings);
}

void announcePort(const Settings& s) {
    verboseLog(s, levelVerbose, fmt("%s %s\n", portOpenedText, s.portname.c_str()));
    appendLog(s.eventLog, fmt("%s - %s\n", portOpenedText, s.portname.c_str()));
}

bool lineGone(int error) { return error == EIO || error == ENXIO || error == ENODEV; }

void reopenLostPort(const Settings& s, SerialPort& port) {
    // A port that cannot be opened, is no terminal or is held by another
    // poller is tried again at the next cycle.
    int fd = openPort(s.portname);
    if (fd < 0) return;
    port.fd = fd;
    port.lost = false;
    configurePort(fd);
}

void waitOneSecond() {
    // A stop signal cuts the wait short; it is not resumed.
    timespec second{1, 0};
    nanosleep(&second, nullptr);
}

void drainPort(const Settings& s, SerialPort& port) {
    std::string first, second;
    ssize_t firstCount = 0, secondCount = 0;
    int error = 0;
    if (!port.lost) {
        firstCount = readChunk(port.fd, first, error);
        markLost(s, port, error);
        if (firstCount != 0) {
            // A line lost at the first read is closed: its second read fails.
            secondCount = port.lost ? -1 : readChunk(port.fd, second, error);
            markLost(s, port, error);
        }
    }
    if (verbose < levelVerbose) return;
    std::string text = "***************************";
    text += fmt("\nOtwarcie dzisiaj =  %s-%s;%s, %2d:%02d-%2d:%02d\n", getdate('.').c_str(),
                gettime().c_str(), weekDays[wday], sTh(start), sTm(start), sTh(stop), sTm(stop));
    text += "Czyszczenie bufora start\n";
    if (firstCount != 0)
        text += "Czyszczenie bufora 1 :" + byteDump(first) + " : koniec czyszczenia\n";
    if (secondCount != 0) {
        for (char byte : second) text += "Czyszczenie bufora 2: " + byteDump(std::string(1, byte));
        text += " : koniec czyszczenia\n";
    }
    appendLog(s.verboseLog, text);
}

void pollExchange(const Settings& s, SerialPort& port, PollResult& result) {
    if (port.lost) {
        result.noAnswer = 1;
        result.health = healthSilent;
        return;
    }
    // Only this poll's bytes make its reading: whatever arrived since the
    // last poll (a late piece of an answer, junk) is thrown away.
    tcflush(port.fd, TCIFLUSH);
    if (write(port.fd, &queryByte, 1) < 0) markLost(s, port, errno);
    verboseLog(s, levelDetail, fmt("---------------\nOdpytano licznik %s\n", gettime().c_str()));

    constexpr int maxChunks = 3;
    std::string answer, chunk;
    long total = 0;
    int nbuf = 0;
    int error = 0;
    while (nbuf < maxChunks && !port.lost) {
        waitOneSecond();
        ssize_t count = readChunk(port.fd, chunk, error);
        markLost(s, port, error);
        if (count <= 0) break;
        total += count;
        answer += chunk;
        ++nbuf;
    }
    if (nbuf == 0) {
        result.noAnswer = 1;
        result.health = healthSilent;
        return;
    }
    markAnswered(s, port);
    bool valueFound = getdata(answer, result.total, result.faults);
    result.valueSeen = result.valueSeen || valueFound;
    result.noAnswer = 0;
    result.health = classifyPoll(true, valueFound, result.faults);
    std::string dump = byteDump(answer);
    if (s.comlog)
        appendLog(s.comlogPath, fmt("\n%s: nbuf=%d: ", gettime().c_str(), nbuf) + dump + "\n");
    verboseLog(s, levelDetail,
               fmt(" odpowiedz licznika - ilosc znakow = %ld, ilosc buforow = %d \n", total, nbuf) +
                   "Odpowiedz licznika: " + dump);
}
