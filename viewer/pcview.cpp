// pcview: shows an entrance's daily visitor report at the terminal and
// asks which day to show next.
#include <cstdio>

#include "pcconfig.h"
#include "viewer.h"

int main() { return viewerRun(stdin, stdout, PC_VIEWER_CONF_FILE, PC_VIEWER_REPORT_DIR); }
