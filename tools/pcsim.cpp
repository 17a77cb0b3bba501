// pcsim - a simulated people counter for developing and testing the poller
// without the real device.
//
// pcsim opens a pseudo-terminal, prints the path of its slave side (for
// example /dev/pts/3) as the only line on standard output, and then acts as
// the counter at the far end of the serial line: for every query byte 'r' it
// receives it answers a line feed, a carriage return and the running total
// as six digits ("\n\r000123"). Point the poller at the printed path, or at
// the name given with --link, instead of a real serial port. pcsim keeps its
// own descriptor of the slave side open, so the poller may close and reopen
// the port at will.
//
// SimOptions:
//   --link PATH        also make PATH a symbolic link to the slave device
//                      (replaced atomically; removed at exit if still ours)
//   --start N          initial running total (default 0)
//   --step N           visitors added before each counted answer (default 1)
//   --step-random MAX  add a uniformly random 0..MAX instead of --step
//                      (drawn only for actions that count)
//   --seed S           seed of the random steps, for repeatable runs (default 1)
//   --script LIST      comma-separated actions, one per query byte received:
//                        ok       count, then answer the total
//                        fault    answer "\n\rF" (photocell fault)
//                        silent   answer nothing
//                        split    count, send "\n\r" and four digits, the
//                                 last two digits --split-delay later
//                        late     count, send the whole answer --split-delay later
//                        garbage  send junk that holds no "\n\r" marker
//                        flood    send --flood-bytes bytes of junk
//                        hex:HEX  send exactly these bytes
//                        close    close the device and exit
//                      once the list is used up every query is answered ok
//   --loop             repeat the script instead
//   --split-delay MS   delay of split and late answers (default 1500)
//   --flood-bytes N    size of a flood (default 4096)
//   --stale HEX        bytes sent on SIGUSR1, to leave stale input waiting
//   --log FILE         append one line per event to FILE, each written at
//                      once so it can be read while pcsim runs:
//                        start PATH            ready, serving PATH
//                        rx HH                 one received byte, in hex
//                        action NAME [total NNNNNN | HEX]
//                        tx HEX                bytes sent by one write
//                        stale HEX | none      SIGUSR1 handled
//                        vanish                SIGUSR2 handled
//                        close                 the device was closed
//                        stop                  pcsim exits
//                        rx-error / tx-error   MESSAGE
// The total wraps from 999999 to 0. Output goes out in order; a delayed part
// holds back whatever is queued after it, as on a real serial line.
//
// Signals: SIGINT or SIGTERM stops pcsim; SIGUSR1 sends the --stale bytes;
// SIGUSR2 closes the device at once, as if it were unplugged. On Linux the
// poller's open descriptor is then hung up: unread input is gone, read()
// returns 0 bytes, write() and the termios calls fail with EIO, poll()
// reports POLLHUP, and the slave path no longer exists.
//
// Exit status: 0 when stopped, 1 when the pseudo-terminal, link or log
// cannot be made, 2 on bad usage.
//
// This file is the thin main; the counter itself is the library pcsimcore
// (the pcsim_*.cpp files beside it), which pcsim_test drives in process.
#include <cstdio>
#include <utility>

#include "pcsim_options.h"
#include "pcsim_serve.h"

int main(int argc, char* argv[]) {
    ParseResult parsed = parseCommandLine(argc, argv);
    if (parsed.outcome == ParseOutcome::showHelp) {
        printUsage(stdout);
        return exitStopped;
    }
    if (parsed.outcome == ParseOutcome::badUsage) {
        printUsage(stderr);
        return exitBadUsage;
    }
    SimSession session;
    session.options = std::move(parsed.options);
    return runSimulator(session);
}
