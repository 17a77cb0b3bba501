// The counter poller: logs, start-up and settings, the serial exchange with
// the counter, report records and the polling loop.
#pragma once

#include <time.h>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <string>

#include "confkeys.h"
#include "filewrite.h"
#include "openingtable.h"
#include "pcconfig.h"
#include "pcutil.h"
#include "pollrules.h"
#include "record.h"

constexpr int noDayDrained = 10;  // wdayOld before the first day-start drain

// Run state shared by the stages; the stop handler writes only runInt.
extern int verbose;
extern volatile sig_atomic_t runInt;
extern int wday;
extern int start;
extern int stop;
extern int t;
extern int wdayOld;
extern int dayNr;

// Everything start-up decides, read once and kept for the whole run; the
// opening table (openTimes, closeTimes) among it.
struct Settings : OpeningTable {
    std::string invocation;  // argument zero, directory part included
    std::string eventLog;
    std::string verboseLog;
    std::string confPath;
    std::string comlogPath;
    std::string startDate;  // date (separator '-') and time of the start
    std::string startTime;
    std::string portname;
    std::string entry;
    std::string base;  // entry split at its first point
    std::string ext;
    int interval = 0;  // record interval, seconds
    bool comlog = false;
    std::string metrics;  // the metrics file for the node exporter; empty: none
};

// How far the latest poll of the counter can be trusted.
enum PollHealth {
    healthGood,     // a complete six-digit value or an F marker
    healthSilent,   // nothing was received
    healthNoValue,  // bytes came, but neither marker
};

// What the latest polls of the counter gave.
struct PollResult {
    int total = 0;                   // counter total, kept across unanswered polls
    int faults = 0;                  // photocell fault markers in the latest answer
    int noAnswer = 0;                // 1 when the latest poll got nothing
    PollHealth health = healthGood;  // of the latest poll
    bool valueSeen = false;          // a poll has brought a value: total is a reading
};

// ---- logs (logs.cpp)
// The version text of the banner and the metrics: the program's version
// between the name and the date and release of the original poller.
inline constexpr const char* versionText = "pcpoll-" PC_VERSION "-20100826-7";
constexpr int levelQuiet = 0;
constexpr int levelVerbose = 1;
constexpr int levelDetail = 2;
constexpr int levelBadOption = 3;

void appendLog(const std::string& path, const std::string& text);
void verboseLog(const Settings& s, int level, const std::string& text);
void putLog(std::FILE* log, const std::string& text);
std::string byteDump(const std::string& bytes);
int verbosityFromArgument(int argc, char** argv);
std::string startLine(const Settings& s);
std::string bannerText(const Settings& s, int level);
std::string badOptionText(const std::string& option);
void writeStopLines(const Settings& s);

// ---- the usage (usage.cpp)
// With the configuration and log directories of this build.
std::string usageText(const std::string& confDir, const std::string& logDir);

// ---- files the poller appends to (safefile.cpp)
// Opens a regular file for appending, creating it; -1 (or nullptr) for
// anything else at the path, a symbolic link included.
int openAppendFd(const std::string& path);
std::FILE* openAppendStream(const std::string& path);

// ---- the journal (journal.cpp)
constexpr int priorityError = 3;  // syslog priorities, as journald reads them
constexpr int priorityWarning = 4;
constexpr int priorityNotice = 6;  // a return to normal

// Decides once, at start, whether standard error is the systemd journal.
void initJournal();
// The text's lines, each with the "<N>" prefix; empty lines are left out.
std::string journalText(int priority, const std::string& text);
void journalLog(int priority, const std::string& text);
// The failure to open the port on standard error, as perror writes it
// (with the error priority for the journal).
void reportPortFailure(const std::string& port);
// Appends text to the verbose log at every level, and to the journal.
void importantLog(const Settings& s, int priority, const std::string& text);

// ---- counter health (health.cpp)
PollHealth classifyPoll(bool received, bool valueFound, int faults);
std::string healthText(PollHealth health);
// Logs a change from the health last logged; nothing when it stays.
void noteHealth(const Settings& s, PollHealth& logged, PollHealth now);

// ---- configuration warnings (warnings.cpp)
std::string configurationWarnings(const Settings& s, const std::vector<std::string>& tokens);
void warnAboutConfiguration(const Settings& s);

// ---- start-up and settings (startup.cpp, decode.cpp)
constexpr int startUpOk = -1;  // startUp's result when the poller goes on
constexpr int abortStatus = 1;

void zlapalem(int signalNumber);
void installStopHandler();
// Runs start-up with the configuration file in confDir and the logs in
// logDir; returns startUpOk, or the exit status after an abort.
int startUp(int argc, char** argv, const std::string& confDir, const std::string& logDir,
            Settings& s);
std::string reportFileName(const Settings& s, const std::string& date);
std::string settingsSummary(const Settings& s, int today);

// ---- serial line (serial.cpp, getdata.cpp)
constexpr int portOpenFailed = 255;
constexpr std::size_t chunkSize = 255;
constexpr std::size_t parserWindow = 255;
constexpr char queryByte = 'r';

// The serial line to the counter.  A line that reports itself gone (an
// unplugged adapter, a hangup) is marked lost and reopened at later cycles.
struct SerialPort {
    int fd = -1;
    bool lost = false;  // the handle is dead: reopen at the next cycle
    bool down = false;  // the loss is logged; its end is not yet
};

// Opens the port for this poller alone: a terminal, locked against a
// second poller.  -1 with errno set (EBUSY, ENOTTY, ...) otherwise.
int openPort(const std::string& name);
// Clears the exclusive flag, releases the lock and closes the port.
void closePort(SerialPort& port);
void configurePort(int fd);
void announcePort(const Settings& s);
bool lineGone(int error);
void reopenLostPort(const Settings& s, SerialPort& port);
void drainPort(const Settings& s, SerialPort& port);
void pollExchange(const Settings& s, SerialPort& port, PollResult& result);
// Returns true when the answer held a complete value.
bool getdata(const std::string& answer, int& total, int& faults);
void waitOneSecond();

// ---- records (record.cpp)
constexpr int shortWrite = 25;  // a record line is longer than this

std::string recordTime(int interval);
// The record time of a moment polled late.
std::string recordTimeOf(int interval, std::time_t moment);
std::string recordBody(const std::string& time, const PollResult& result);
std::string formRecord(const Settings& s, const std::string& time, const PollResult& result);
// Appends the line to the day's report; false when it was not written whole.
bool writeRecord(const Settings& s, const std::string& line);
void noteClosedDay(const Settings& s);

// ---- steps of the wall clock (clocksteps.cpp)
constexpr long clockBackTolerance = 600;    // a longer step back is a corrected clock
constexpr long clockForwardTolerance = 60;  // a longer step forward is said

// The wall and monotonic clocks at the latest sample.
struct ClockWatch {
    bool started = false;
    timespec wall{};
    timespec mono{};
};

// Samples both clocks; returns how many whole seconds the wall clock moved
// beyond the real time passed since the previous sample (negative: back),
// 0 at the first sample.
long clockStep(ClockWatch& watch);
std::string clockBackText(std::time_t now, long seconds);
std::string clockForwardText(std::time_t now, long seconds, int skipped);
// The due moments, closed days left out, of the seconds from..to-1.
int dueMomentsBetween(const Settings& s, std::time_t from, std::time_t to);
// The seconds-of-day of a local time.
int secondOfDay(const std::tm& parts);

// ---- schedule and main loop (schedule.cpp, loop.cpp)
// Sleeps to the start of the next second of the wall clock, never longer
// than one second of real time; returns the second it aims at.
std::time_t waitForNextSecond();
int runLoop(const Settings& s, SerialPort& port);
