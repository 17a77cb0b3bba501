// pcpoll: polls the people counter on one serial port and appends its
// totals to the daily report file.
#include <cstdio>

#include "pcconfig.h"
#include "poller.h"

int main(int argc, char** argv) {
    installStopHandler();
    Settings settings;
    int status = startUp(argc, argv, PC_POLLER_CONF_DIR, PC_POLLER_LOG_DIR, settings);
    if (status != startUpOk) return status;

    SerialPort port;
    port.fd = openPort(settings.portname);
    if (port.fd < 0) {
        reportPortFailure(settings.portname);
        return portOpenFailed;
    }
    announcePort(settings);
    configurePort(port.fd);
    return runLoop(settings, port);
}
