// pcview: shows an entrance's daily visitor report at the terminal and
// asks which day to show next.
#include <cstdio>

#include "infooption.h"
#include "pcconfig.h"
#include "viewer.h"

int main(int argc, char** argv) {
    switch (infoOption(argc, argv)) {
        case InfoOption::help:
            std::fputs(viewerUsageText(PC_VIEWER_CONF_FILE).c_str(), stdout);
            return 0;
        case InfoOption::version: std::printf("pcview %s\n", PC_VERSION); return 0;
        case InfoOption::none: break;
    }
    return viewerRun(stdin, stdout, PC_VIEWER_CONF_FILE, PC_VIEWER_REPORT_DIR);
}
