// The keys of the configuration files, one table: the poller's file
// (/opt/velmora/NAME.conf, read by pcpoll and by pcstat) and the viewer's
// (/etc/korvane/pcview.conf).  Every reader of a key names it by the
// constant below, and the poller's warning about unknown keys asks the
// table.
#pragma once

#include <string_view>

#include "pollrules.h"

// The spelling of each key.  The day keys are the names of weekDays.
inline constexpr const char* portnameKey = "portname";
inline constexpr const char* entryKey = "entry";
inline constexpr const char* recordtimeKey = "recordtime";
inline constexpr const char* opentimeKey = "opentime";
inline constexpr const char* comlogKey = "comlog";
inline constexpr const char* metricsKey = "metrics";

enum class ConfFileKind { poller, viewer };

// The programs that read a key, as bits.
enum ConfReaders : unsigned { readByPcpoll = 1, readByPcview = 2, readByPcstat = 4 };

struct ConfKey {
    const char* name;
    ConfFileKind file;
    bool required;     // pcpoll and pcview refuse to run without it
    unsigned readers;  // ConfReaders bits
    const char* use;
};

inline constexpr unsigned pollerFileReaders = readByPcpoll | readByPcstat;

inline constexpr ConfKey confKeys[] = {
    {portnameKey, ConfFileKind::poller, true, pollerFileReaders, "the counter's serial device"},
    {entryKey, ConfFileKind::poller, true, pollerFileReaders,
     "the report file path; a day's file is base_YYYYMMDD.extension"},
    {recordtimeKey, ConfFileKind::poller, true, pollerFileReaders, "the record interval, seconds"},
    {opentimeKey, ConfFileKind::poller, true, pollerFileReaders, "every day's opening hours"},
    {weekDays[0], ConfFileKind::poller, false, pollerFileReaders, "Sunday's opening hours"},
    {weekDays[1], ConfFileKind::poller, false, pollerFileReaders, "Monday's opening hours"},
    {weekDays[2], ConfFileKind::poller, false, pollerFileReaders, "Tuesday's opening hours"},
    {weekDays[3], ConfFileKind::poller, false, pollerFileReaders, "Wednesday's opening hours"},
    {weekDays[4], ConfFileKind::poller, false, pollerFileReaders, "Thursday's opening hours"},
    {weekDays[5], ConfFileKind::poller, false, pollerFileReaders, "Friday's opening hours"},
    {weekDays[6], ConfFileKind::poller, false, pollerFileReaders, "Saturday's opening hours"},
    {comlogKey, ConfFileKind::poller, false, readByPcpoll, "the com log switch: on from y"},
    {metricsKey, ConfFileKind::poller, false, readByPcpoll,
     "the metrics file for the node exporter"},
    {entryKey, ConfFileKind::viewer, true, readByPcview, "the entrance name of the report files"},
};

// Whether name is a key of the file.
bool isConfKey(ConfFileKind file, std::string_view name);
