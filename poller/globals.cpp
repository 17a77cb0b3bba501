// Run state of the poller.
#include "poller.h"

int verbose = levelQuiet;
volatile sig_atomic_t runInt = 1;
int wday = 0;
int start = 0;
int stop = 0;
int t = 0;
int wdayOld = noDayDrained;
int dayNr = 0;

// weekDays, the day names, are shared with pcstat: common/pollrules.cpp.
