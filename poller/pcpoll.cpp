// pcpoll: polls the people counter on one serial port and appends its
// totals to the daily report file.
#include <cstdio>

#include "infooption.h"
#include "pcconfig.h"
#include "poller.h"

int main(int argc, char** argv) {
    switch (infoOption(argc, argv)) {
        case InfoOption::help:
            std::fputs(usageText(PC_POLLER_CONF_DIR, PC_POLLER_LOG_DIR).c_str(), stdout);
            return 0;
        case InfoOption::version: std::printf("%s\n", versionText); return 0;
        case InfoOption::none: break;
    }
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
    int result = runLoop(settings, port);
    closePort(port);
    return result;
}
