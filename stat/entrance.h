// The entrances pcstat reads: a poller's invocation name (its
// configuration gives the report files and the schedule), a viewer's name
// (the report files under the viewer's directory, no schedule), or a
// report path in the form of the poller's entry (no schedule).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "calendar.h"
#include "expected.h"
#include "options.h"

struct Entrance {
    // The name, or for a path its file name before the first point; escaped
    // (escapedText), as every output shows it.
    std::string label;
    // The label as the entrance's own name gives it, before settleLabels
    // tells clashing labels apart and applies --label: the same whichever
    // entrances are read with it.
    std::string name;
    std::string given;  // as named on the command line, for messages
    std::string base;   // report files: base + "_" + YYYYMMDD + "." + ext
    std::string ext;
    std::string confPath;    // the configuration read, or empty
    bool scheduled = false;  // a schedule is known
    Schedule schedule;
    bool inDirectory = false;  // one of the series of a directory given as an entrance
};

std::string reportPathOf(const Entrance& entrance, Day day);

// Told of a poller configuration that cannot be read: its path and the
// errno of the failure.
using UnreadableConf = std::function<void(const std::string& path, int error)>;

// Where the fixed paths lie.
struct Places {
    std::string confDir;             // the pollers' configurations, /opt/velmora/
    std::string reportDir;           // the viewer's report files, /var/log/korvane/
    UnreadableConf unreadable = {};  // when set, told of each unreadable one
};

// Resolves one named entrance; false with a message in error when its
// configuration exists but names no report files.
bool resolveEntrance(const std::string& name, const Places& places, Entrance& entrance,
                     std::string& error);

// Every poller configuration in confDir that holds portname and entry, in
// name order.  A configuration that cannot be read (a dangling link, no
// permission) is left out, and told to unreadable when set.
std::vector<std::string> configuredEntrances(const std::string& confDir,
                                             const UnreadableConf& unreadable = {});

// Reads the schedule of a poller's configuration as its start-up does;
// false when start-up would refuse it.
bool readSchedule(const std::string& confPath, Schedule& schedule);

// The label of a report path: the last component of the part before the
// first point.
std::string pathLabel(const std::string& path);

// Whether the entrance's report files can be read: their directory can be
// read and, when requireFile, holds at least one file of the entrance's
// name.  False with a message.
bool hasReportFiles(const Entrance& entrance, bool requireFile, std::string& error);

// The entrances the options name (every configured poller when none is
// named), resolved; false with a message for a usage error or an entrance
// whose files cannot be read at all.
bool resolveEntrances(const Options& options, const Places& places,
                      std::vector<Entrance>& entrances, std::string& error);
