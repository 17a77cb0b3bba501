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

const char* const weekDays[daysPerWeek] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                           "Thursday", "Friday", "Saturday"};
