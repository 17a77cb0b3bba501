// The poller's contracts that every program shares, each with its one
// definition in common/: the opening table, the record time, the report
// file name, the table of configuration keys, the quiet configuration
// lookup, and writing files whole.
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "confkeys.h"
#include "filewrite.h"
#include "openingtable.h"
#include "pcutil.h"
#include "pollrules.h"
#include "record.h"
#include "testsupport.h"

using testsupport::readFile;
using testsupport::ScratchDir;
using testsupport::writeFile;

namespace {

int hm(int hours, int minutes) { return hours * 3600 + minutes * 60; }

// The day keys of a configuration, by weekday.
DayHoursLookup dayKeys(const std::map<int, std::string>& days) {
    return [days](int day, std::string& hours) {
        auto found = days.find(day);
        if (found == days.end()) return false;
        hours = found->second;
        return true;
    };
}

// Each step as a line, in the order told.
std::string noteText(const OpeningNote& note) {
    const char* step = "";
    switch (note.step) {
        case OpeningStep::defaultHours: step = "default"; break;
        case OpeningStep::defaultBad: step = "default bad"; break;
        case OpeningStep::dayHours: step = "day"; break;
        case OpeningStep::dayBad: step = "day bad"; break;
    }
    return fmt("%s %d %d:%d-%d:%d\n", step, note.day, note.numbers[0], note.numbers[1],
               note.numbers[2], note.numbers[3]);
}

struct Built {
    bool ok = false;
    OpeningTable table;
    std::string steps;
};

Built build(const std::string& opentime, const std::map<int, std::string>& days) {
    Built b;
    for (int d = 0; d < daysPerWeek; ++d) b.table.openTimes[d] = b.table.closeTimes[d] = -1;
    b.ok = buildOpeningTable(opentime, dayKeys(days), b.table,
                             [&](const OpeningNote& note) { b.steps += noteText(note); });
    return b;
}

// Names of the directory's entries, . and .. left out.
std::vector<std::string> entries(const std::string& dir) {
    std::vector<std::string> names;
    DIR* handle = opendir(dir.c_str());
    if (handle == nullptr) return names;
    while (struct dirent* item = readdir(handle)) {
        std::string name = item->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(handle);
    return names;
}

mode_t modeOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(lstat(path.c_str(), &status), 0);
    return status.st_mode;
}

}  // namespace

TEST(OpeningTable, DefaultHoursForEveryDayThenTheDayKeysInWeekdayOrder) {
    Built b = build("09:00-21:00", {{6, "10:00-14:00"}, {0, "00:00-00:00"}, {3, "8:30-24:00"}});
    ASSERT_TRUE(b.ok);
    EXPECT_EQ(b.steps,
              "default 0 9:0-21:0\n"
              "day 0 0:0-0:0\n"
              "day 3 8:30-24:0\n"
              "day 6 10:0-14:0\n");
    int open[daysPerWeek] = {0, hm(9, 0), hm(9, 0), hm(8, 30), hm(9, 0), hm(9, 0), hm(10, 0)};
    int close[daysPerWeek] = {0, hm(21, 0), hm(21, 0), 86400, hm(21, 0), hm(21, 0), hm(14, 0)};
    for (int d = 0; d < daysPerWeek; ++d) {
        EXPECT_EQ(b.table.openTimes[d], open[d]) << weekDays[d];
        EXPECT_EQ(b.table.closeTimes[d], close[d]) << weekDays[d];
    }
}

TEST(OpeningTable, AnUndecodableTextStopsAtItsStepAndLeavesTheTableAlone) {
    Built badDefault = build("08.00-20.00", {{1, "10:00-14:00"}});
    EXPECT_FALSE(badDefault.ok);
    EXPECT_EQ(badDefault.steps.substr(0, 12), "default bad ");
    EXPECT_EQ(badDefault.steps.find('\n'), badDefault.steps.size() - 1);  // nothing after it

    // Tuesday does not decode: Monday was told, Saturday is never looked at.
    Built badDay = build("9:00-21:00", {{1, "10:00-14:00"}, {2, "009:00-21:00"}, {6, "x"}});
    EXPECT_FALSE(badDay.ok);
    EXPECT_EQ(badDay.steps.substr(0, badDay.steps.rfind("day bad")),
              "default 0 9:0-21:0\nday 1 10:0-14:0\n");
    EXPECT_EQ(badDay.steps.substr(badDay.steps.rfind("day bad"), 10), "day bad 2 ");
    for (int d = 0; d < daysPerWeek; ++d) {
        EXPECT_EQ(badDefault.table.openTimes[d], -1);
        EXPECT_EQ(badDay.table.openTimes[d], -1);
        EXPECT_EQ(badDay.table.closeTimes[d], -1);
    }
}

TEST(OpeningTable, WithoutDayKeysOrNoticeEveryDayTakesTheDefault) {
    OpeningTable table;
    ASSERT_TRUE(buildOpeningTable("00:00-24:00", {}, table));
    for (int d = 0; d < daysPerWeek; ++d) {
        EXPECT_EQ(table.openTimes[d], 0);
        EXPECT_EQ(table.closeTimes[d], 86400);
    }
}

TEST(RecordTimeText, HourAndMinuteFromSixtySecondsOnSecondsBelow) {
    EXPECT_EQ(recordTimeText("08:15.30", 59), "08:15.30");
    EXPECT_EQ(recordTimeText("08:15.30", 60), "08:15");
    EXPECT_EQ(recordTimeText("08:15.30", minInterval), "08:15.30");
    EXPECT_EQ(recordTimeText("23:59.59", 900), "23:59");
    EXPECT_EQ(hourMinuteInterval, 60);
}

TEST(RecordTimeText, SecondsOfTheDayAsTheClockShowsThem) {
    EXPECT_EQ(secondsText(0), "00:00.00");
    EXPECT_EQ(secondsText(hm(8, 15) + 30), "08:15.30");
    EXPECT_EQ(secondsText(86399), "23:59.59");
    EXPECT_EQ(recordTimeText(secondsText(hm(12, 0) + 7), 59), "12:00.07");
    EXPECT_EQ(recordTimeText(secondsText(hm(12, 0) + 7), 60), "12:00");
}

TEST(ReportFile, NameOfADayAndThePrefixOfEveryDay) {
    EXPECT_EQ(reportFileOf("/var/log/korvane/door1", "csv", "20110314"),
              "/var/log/korvane/door1_20110314.csv");
    EXPECT_EQ(reportFileOf("/data/set", "1/d.csv", "20110314"), "/data/set_20110314.1/d.csv");
    EXPECT_EQ(reportFileOf("/var/log/korvane/door1", "", "20110314"),
              "/var/log/korvane/door1_20110314.");
    EXPECT_EQ(reportFilePrefix("door1"), "door1_");
    EXPECT_EQ(reportFileOf("/var/log/korvane/door1", viewerReportExtension, "20110314"),
              "/var/log/korvane/door1_20110314.csv");
}

TEST(ConfKeys, ThePollerFileKnowsItsKeysAndTheDayNamesOnly) {
    for (const char* key : {"portname", "entry", "recordtime", "opentime", "comlog", "metrics"})
        EXPECT_TRUE(isConfKey(ConfFileKind::poller, key)) << key;
    for (const char* day : weekDays) EXPECT_TRUE(isConfKey(ConfFileKind::poller, day)) << day;
    for (const char* other : {"Portname", "entry ", "sunday", "port", "", "="})
        EXPECT_FALSE(isConfKey(ConfFileKind::poller, other)) << other;
    EXPECT_TRUE(isConfKey(ConfFileKind::viewer, "entry"));
    EXPECT_FALSE(isConfKey(ConfFileKind::viewer, "portname"));
}

TEST(ConfKeys, RequiredKeysAndTheirReaders) {
    std::vector<std::string> pollerRequired, statReads, viewerKeys;
    for (const ConfKey& key : confKeys) {
        if (key.file == ConfFileKind::poller && key.required) pollerRequired.push_back(key.name);
        if ((key.readers & readByPcstat) != 0) statReads.push_back(key.name);
        if ((key.readers & readByPcview) != 0) viewerKeys.push_back(key.name);
    }
    EXPECT_EQ(pollerRequired,
              (std::vector<std::string>{"portname", "entry", "recordtime", "opentime"}));
    EXPECT_EQ(statReads.size(), 4u + daysPerWeek);
    EXPECT_EQ(viewerKeys, std::vector<std::string>{"entry"});
}

TEST(ConfLookup, FindsLikeConfReadButPrintsNothing) {
    ScratchDir dir("common_conflookup");
    std::string path = dir.path + "/door1.conf";
    writeFile(path, "portname = /dev/ttyS0\n# entry = x\nentry = a\nentry = b\n");
    std::string value;
    testing::internal::CaptureStdout();
    EXPECT_EQ(confLookup(path, "entry", value, confHashComments), 2);
    EXPECT_EQ(value, "b");
    EXPECT_EQ(confLookup(path, "#", value, confPlain), 0);
    EXPECT_EQ(confLookup(path, "entry", value, confPlain), 3);
    EXPECT_EQ(value, "b");
    value = "untouched";
    errno = 0;
    EXPECT_EQ(confLookup(dir.path + "/missing.conf", "entry", value, confHashComments), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(value, "untouched");
}

TEST(WriteAll, WritesEverythingAndCountsIt) {
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    std::string text(3000, 'x');
    std::size_t written = 0;
    EXPECT_TRUE(writeAll(pipeFds[1], text, written));
    EXPECT_EQ(written, text.size());
    close(pipeFds[1]);
    std::string read(4000, '\0');
    std::size_t got = 0;
    ssize_t count;
    while ((count = ::read(pipeFds[0], read.data() + got, read.size() - got)) > 0) got += count;
    close(pipeFds[0]);
    EXPECT_EQ(read.substr(0, got), text);
}

TEST(WriteAll, AFailedWriteKeepsItsErrno) {
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    close(pipeFds[0]);
    std::signal(SIGPIPE, SIG_IGN);
    std::size_t written = 99;
    errno = 0;
    EXPECT_FALSE(writeAll(pipeFds[1], "abc", written));
    EXPECT_EQ(errno, EPIPE);
    EXPECT_EQ(written, 0u);
    close(pipeFds[1]);
    EXPECT_TRUE(writeAll(pipeFds[1] + 100, ""));  // nothing to write: no write at all
}

TEST(ReplaceFile, WritesWholeWithTheModeAndLeavesNoTemporaryFile) {
    ScratchDir dir("common_replace");
    std::string path = dir.path + "/out.prom";
    ReplaceRules fixed;
    fixed.mode = 0644;
    fixed.umasked = false;
    fixed.onlyRegular = true;
    fixed.tempPath = dir.path + "/.out.prom.tmp";
    writeFile(fixed.tempPath, "stale");  // left by a writer that was killed
    mode_t mask = umask(077);
    std::string reason = "old";
    EXPECT_TRUE(replaceFile(path, "first\n", fixed, reason));
    EXPECT_EQ(reason, "");
    EXPECT_TRUE(replaceFile(path, "second\n", fixed, reason));
    EXPECT_EQ(readFile(path), "second\n");
    EXPECT_EQ(modeOf(path) & 07777, 0644u);

    // A name of its own, the mode of a new file: 0666 less the umask.
    std::string chart = dir.path + "/chart.png";
    EXPECT_TRUE(replaceFile(chart, "png", ReplaceRules{}, reason));
    EXPECT_EQ(readFile(chart), "png");
    EXPECT_EQ(modeOf(chart) & 07777, 0600u);
    umask(mask);
    EXPECT_EQ(entries(dir.path).size(), 2u);
}

TEST(ReplaceFile, OnlyRegularRefusesALinkAndAFifoAndTouchesNeither) {
    ScratchDir dir("common_replace_refuse");
    std::string target = dir.path + "/elsewhere";
    writeFile(target, "keep");
    std::string link = dir.path + "/link.prom";
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    std::string fifo = dir.path + "/fifo.prom";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    ReplaceRules rules;
    rules.onlyRegular = true;
    for (const std::string& path : {link, fifo}) {
        std::string reason;
        EXPECT_FALSE(replaceFile(path, "new", rules, reason)) << path;
        EXPECT_EQ(reason, notRegularReason);
    }
    EXPECT_TRUE(S_ISLNK(modeOf(link)));
    EXPECT_TRUE(S_ISFIFO(modeOf(fifo)));
    EXPECT_EQ(readFile(target), "keep");
    EXPECT_EQ(entries(dir.path).size(), 3u);  // no temporary file left

    // Without the rule a link is replaced itself, never written through.
    std::string reason;
    EXPECT_TRUE(replaceFile(link, "new", ReplaceRules{}, reason));
    EXPECT_TRUE(S_ISREG(modeOf(link)));
    EXPECT_EQ(readFile(target), "keep");
}

TEST(ReplaceFile, AFailedRenameRemovesTheTemporaryFile) {
    ScratchDir dir("common_replace_fail");
    std::string target = dir.path + "/a-directory";
    ASSERT_EQ(mkdir(target.c_str(), 0755), 0);
    std::string reason;
    EXPECT_FALSE(replaceFile(target, "new", ReplaceRules{}, reason));  // a file over a directory
    EXPECT_EQ(reason, std::strerror(EISDIR));
    EXPECT_EQ(entries(dir.path), std::vector<std::string>{"a-directory"});

    EXPECT_FALSE(replaceFile(dir.path + "/no/such/dir/file", "x", ReplaceRules{}, reason));
    EXPECT_EQ(reason, std::strerror(ENOENT));
}
