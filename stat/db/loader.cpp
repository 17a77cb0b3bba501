// Loading entrances' files into the database, file by file.
//
// The unit of loading is a day's file: its records (including those at its
// head that belong to the day before), its expected moments per hour, its
// entrance-day and its row in files, which remembers the file's size and
// modification time and the counting state before and after it.  A file
// is read again only when it changed, when not all its moments were due at
// the last load, or when the state it starts from changed (an earlier file
// was corrected); its old rows are deleted and the new ones copied in.
#include "loader.h"

#include <sys/stat.h>

#include <array>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <map>
#include <set>

#include "check.h"
#include "filecount.h"
#include "pcutil.h"
#include "schema.h"
#include "shops.h"

namespace {

using std::chrono::days;

constexpr std::size_t copyChunk = 1 << 18;  // bytes gathered before PQputCopyData

// What the database holds about a file.
struct StoredFile {
    bool present = false;  // a row exists
    bool exists = false;   // the file existed
    long long size = 0;
    long long mtimeNs = 0;
    bool headOnly = false;
    bool whole = false;
    bool startKnown = false, endKnown = false;
    long long startTotal = 0, endTotal = 0;
    bool startGap = false, endGap = false;
};

struct FileStat {
    bool exists = false;
    long long size = 0;
    long long mtimeNs = 0;
};

FileStat statFile(const std::string& path) {
    struct stat info {};
    FileStat result;
    if (stat(path.c_str(), &info) != 0) return result;
    result.exists = true;
    result.size = static_cast<long long>(info.st_size);
    result.mtimeNs = static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL +
                     static_cast<long long>(info.st_mtim.tv_nsec);
    return result;
}

bool sameState(const CountState& state, bool known, long long total, bool gap) {
    return state.tracker.known() == known && (!known || state.tracker.previous() == total) &&
           state.gap == gap;
}

void appendNumber(std::string& line, long long value) {
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    line.append(digits, end);
}

void appendTwo(std::string& line, int value) {
    line += static_cast<char>('0' + value / 10);
    line += static_cast<char>('0' + value % 10);
}

// The real moment of a local second of a day.  In an hour that the clock
// shows twice the first showing is taken unless the record before was
// already past it.
class MomentClock {
public:
    std::time_t momentOf(Day day, int second, std::time_t previous) {
        if (!known_ || day != day_) {
            day_ = day;
            known_ = true;
            count_ = daySegments(day, segments_);
        }
        std::time_t best = 0;
        bool found = false;
        for (int i = 0; i < count_; ++i) {
            const ClockSegment& segment = segments_[i];
            long length = static_cast<long>(segment.to - segment.from);
            if (second < segment.firstSecond || second >= segment.firstSecond + length) continue;
            std::time_t candidate = segment.from + (second - segment.firstSecond);
            if (!found || (best < previous && candidate >= previous)) best = candidate;
            found = true;
        }
        if (found) return best;
        // A time the clock skips: counted from the last segment before it.
        for (int i = count_ - 1; i >= 0; --i)
            if (segments_[i].firstSecond <= second)
                return segments_[i].from + (second - segments_[i].firstSecond);
        return dayStart(day) + second;
    }

private:
    Day day_{};
    bool known_ = false;
    int count_ = 0;
    ClockSegment segments_[maxClockSegments];
};

// UTC texts of moments for a timestamptz field; the date text is kept for
// the moments of the same UTC day.
class MomentText {
public:
    void append(std::string& line, std::time_t when) {
        long long day =
            when >= 0 ? when / secondsPerDay : (when - secondsPerDay + 1) / secondsPerDay;
        if (day != day_ || date_.empty()) {
            day_ = day;
            date_ = dashedDate(Day{std::chrono::days{day}}) + ' ';
        }
        int second = static_cast<int>(when - day * secondsPerDay);
        line += date_;
        appendTwo(line, second / 3600);
        line += ':';
        appendTwo(line, second / 60 % 60);
        line += ':';
        appendTwo(line, second % 60);
        line += "+00";
    }

private:
    long long day_ = 0;
    std::string date_;
};

// The dashed text of a day, kept while the days repeat.
class DayText {
public:
    const std::string& of(Day day) {
        if (day != day_ || text_.empty()) {
            day_ = day;
            text_ = dashedDate(day);
        }
        return text_;
    }

private:
    Day day_{};
    std::string text_;
};

void appendTime(std::string& line, int second, bool withSeconds) {
    appendTwo(line, second / 3600);
    line += ':';
    appendTwo(line, second / 60 % 60);
    if (withSeconds) {
        line += '.';
        appendTwo(line, second % 60);
    }
}

// The records of one file, written as they are counted into COPY of the
// partition of the file's month (the database need not route them); the
// head records of a file of a month's first day, which belong to the month
// before, are kept for that month's partition.  Its moments are summed per
// day and hour.
class CopyVisitor : public CountVisitor {
public:
    CopyVisitor(PgConn& conn, const std::string& keys, Day fileDay)
        : conn_(conn),
          keys_(keys),
          fileDay_(dashedDate(fileDay)),
          firstOfMonth_(std::chrono::year_month_day{fileDay}.day() == std::chrono::day{1}) {}

    bool keepsRecords() const override { return true; }
    void record(const CountedRecord& r) override {
        if (failed_) return;
        bool monthBefore = r.dayBefore && firstOfMonth_;
        std::string& out = monthBefore ? monthBefore_ : buffer_;
        out += keys_;
        out += fileDay_;
        out += '\t';
        appendNumber(out, r.line);
        out += '\t';
        out += dayText_.of(r.day);
        out += '\t';
        appendNumber(out, r.hour);
        out += '\t';
        appendTime(out, r.second, r.withSeconds);
        out += '\t';
        lastMoment_ = clock_.momentOf(r.day, r.second, lastMoment_);
        momentText_.append(out, lastMoment_);
        out += '\t';
        appendNumber(out, r.total);
        out += '\t';
        appendNumber(out, r.faults);
        out += r.noAnswer == 1 ? "\tt\t" : "\tf\t";
        appendNumber(out, r.increase);
        out += r.carried ? "\tt\n" : "\tf\n";
        ++records_;
        if (!monthBefore && out.size() >= copyChunk) flush();
    }
    void hour(const CountedHour& sums) override {
        if (sums.counts.expected == 0) return;
        auto& counts = moments_[{sums.day, sums.hour}];
        counts[0] += sums.counts.expected;
        counts[1] += sums.counts.missing;
    }
    void unusableLine() override { ++unusable_; }

    bool finish(std::string& error) {
        if (!buffer_.empty()) flush();
        if (failed_) {
            error = error_;
            return false;
        }
        return true;
    }

    // The moments as COPY lines of the moments table.
    std::string momentLines() const {
        std::string lines;
        for (const auto& [key, counts] : moments_) {
            lines += keys_;
            lines += fileDay_;
            lines += '\t';
            lines += dashedDate(key.first);
            lines += '\t';
            appendNumber(lines, key.second);
            lines += '\t';
            appendNumber(lines, counts[0]);
            lines += '\t';
            appendNumber(lines, counts[1]);
            lines += '\n';
        }
        return lines;
    }
    // The records of the month before, for its partition.
    const std::string& monthBeforeLines() const { return monthBefore_; }
    long long records() const { return records_; }
    long long unusable() const { return unusable_; }

private:
    void flush() {
        if (!failed_ && !conn_.sendCopy(buffer_.data(), buffer_.size(), error_)) failed_ = true;
        buffer_.clear();
    }

    PgConn& conn_;
    const std::string& keys_;  // "shop\tentrance\t", escaped
    std::string fileDay_;
    bool firstOfMonth_;
    std::string buffer_;
    std::string monthBefore_;
    bool failed_ = false;
    std::string error_;
    long long records_ = 0;
    long long unusable_ = 0;
    MomentClock clock_;
    std::time_t lastMoment_ = 0;
    MomentText momentText_;
    DayText dayText_;
    std::map<std::pair<Day, int>, std::array<long long, 2>> moments_;
};

const char* boolText(bool value) { return value ? "t" : "f"; }

// Loads one entrance.
class EntranceLoad {
public:
    EntranceLoad(PgConn& conn, const Entrance& entrance, const Options& options,
                 std::set<long>& months, LoadSummary& summary)
        : conn_(conn),
          entrance_(entrance),
          options_(options),
          months_(months),
          summary_(summary),
          shop_(shopOfBase(entrance.base)),
          name_(entrance.name.empty() ? entrance.label : entrance.name),
          counter_(entrance, options.now) {
        appendCopyText(keys_, shop_);
        keys_ += '\t';
        appendCopyText(keys_, name_);
        keys_ += '\t';
    }

    bool run(std::string& error);

private:
    bool readStored(std::string& error);
    bool loadFile(Day day, bool headOnly, const FileStat& file, CountState& state,
                  std::string& error);
    bool forget(Day day, bool headOnly, std::string& error);
    bool storeFindings(std::string& error);
    bool ensureMonth(Day day, std::string& error);
    std::vector<std::string> keyParams(Day day) const { return {shop_, name_, dashedDate(day)}; }

    PgConn& conn_;
    const Entrance& entrance_;
    const Options& options_;
    std::set<long>& months_;
    LoadSummary& summary_;
    std::string shop_;
    std::string name_;  // the entrance's own name, whatever else is loaded with it
    std::string keys_;
    FileCounter counter_;
    std::map<Day, StoredFile> stored_;
    std::set<Day> loadedDays_;  // the days whose own file this load read whole
};

bool EntranceLoad::readStored(std::string& error) {
    PgConn::Rows rows;
    if (!conn_.query(
            "SELECT day, size IS NOT NULL, coalesce(size, 0), coalesce(mtime_ns, 0), "
            "head_only, whole, start_known, start_total, start_gap, end_known, "
            "end_total, end_gap FROM files WHERE shop = $1 AND entrance = $2 AND "
            "day BETWEEN $3::date AND $4::date",
            {shop_, name_, dashedDate(options_.from - days{1}), dashedDate(options_.to + days{1})},
            rows, error))
        return false;
    for (const auto& row : rows.values) {
        Day day;
        if (!parseDate(row[0], Day{}, day)) continue;
        StoredFile& file = stored_[day];
        file.present = true;
        file.exists = row[1] == "t";
        file.size = std::atoll(row[2].c_str());
        file.mtimeNs = std::atoll(row[3].c_str());
        file.headOnly = row[4] == "t";
        file.whole = row[5] == "t";
        file.startKnown = row[6] == "t";
        file.startTotal = std::atoll(row[7].c_str());
        file.startGap = row[8] == "t";
        file.endKnown = row[9] == "t";
        file.endTotal = std::atoll(row[10].c_str());
        file.endGap = row[11] == "t";
    }
    return true;
}

bool EntranceLoad::ensureMonth(Day day, std::string& error) {
    long month =
        (day -
         days{static_cast<int>(static_cast<unsigned>(std::chrono::year_month_day{day}.day())) - 1})
            .time_since_epoch()
            .count();
    if (months_.count(month) != 0) return true;
    if (!ensureMonthPartition(conn_, day, error)) return false;
    months_.insert(month);
    return true;
}

// Deletes what an earlier load stored of the file of the day.
bool EntranceLoad::forget(Day day, bool headOnly, std::string& error) {
    std::vector<std::string> keys = keyParams(day);
    if (!conn_.run("DELETE FROM records WHERE shop = $1 AND entrance = $2 AND "
                   "day BETWEEN $3::date - 1 AND $3::date AND file_day = $3::date",
                   keys, error) ||
        !conn_.run("DELETE FROM moments WHERE shop = $1 AND entrance = $2 AND "
                   "day BETWEEN $3::date - 1 AND $3::date AND file_day = $3::date",
                   keys, error) ||
        !conn_.run("DELETE FROM files WHERE shop = $1 AND entrance = $2 AND day = $3::date", keys,
                   error))
        return false;
    if (headOnly) return true;
    return conn_.run(
               "DELETE FROM entrance_days WHERE shop = $1 AND entrance = $2 AND "
               "day = $3::date",
               keys, error) &&
           conn_.run("DELETE FROM findings WHERE shop = $1 AND entrance = $2 AND day = $3::date",
                     keys, error);
}

bool EntranceLoad::loadFile(Day day, bool headOnly, const FileStat& file, CountState& state,
                            std::string& error) {
    auto stored = stored_.find(day);
    if (stored != stored_.end() && !forget(day, headOnly, error)) return false;
    if (!ensureMonth(day - days{1}, error) || !ensureMonth(day, error)) return false;
    CountState start = state;
    auto copyInto = [&](Day month) {
        return conn_.beginCopy("COPY " + monthPartition(month) +
                                   " (shop, entrance, file_day, line, day, hour, time, moment, "
                                   "total, faults, no_answer, increase, carried) FROM STDIN",
                               error);
    };
    if (!copyInto(day)) return false;
    CopyVisitor visitor(conn_, keys_, day);
    Opened opened = counter_.count(day, headOnly, state, visitor, error);
    if (opened == Opened::error) return false;
    if (!visitor.finish(error) || !conn_.endCopy(error)) return false;
    const std::string& before = visitor.monthBeforeLines();
    if (!before.empty() &&
        (!copyInto(day - days{1}) || !conn_.sendCopy(before.data(), before.size(), error) ||
         !conn_.endCopy(error)))
        return false;
    std::string moments = visitor.momentLines();
    if (!moments.empty() &&
        (!conn_.beginCopy("COPY moments (shop, entrance, file_day, day, hour, expected, missing) "
                          "FROM STDIN",
                          error) ||
         !conn_.sendCopy(moments.data(), moments.size(), error) || !conn_.endCopy(error)))
        return false;
    std::vector<std::string> keys = keyParams(day);
    if (!headOnly) {
        bool scheduled = entrance_.scheduled;
        std::vector<std::string> params = keys;
        params.push_back(boolText(scheduled));
        params.push_back(scheduled ? boolText(opensOn(entrance_.schedule, day)) : "");
        params.push_back(boolText(opened == Opened::missing));
        params.push_back(std::to_string(visitor.unusable()));
        if (!conn_.run("INSERT INTO entrance_days (shop, entrance, day, scheduled, open, "
                       "file_missing, unusable_lines) VALUES ($1, $2, $3, $4, "
                       "nullif($5, '')::boolean, $6, $7)",
                       params, error))
            return false;
    }
    std::vector<std::string> params = keys;
    params.insert(params.end(),
                  {reportPathOf(entrance_, day), file.exists ? std::to_string(file.size) : "",
                   file.exists ? std::to_string(file.mtimeNs) : "", boolText(headOnly),
                   boolText(counter_.allDue()), boolText(start.tracker.known()),
                   std::to_string(start.tracker.previous()), boolText(start.gap),
                   boolText(state.tracker.known()), std::to_string(state.tracker.previous()),
                   boolText(state.gap)});
    if (!conn_.run("INSERT INTO files (shop, entrance, day, path, size, mtime_ns, head_only, "
                   "whole, start_known, start_total, start_gap, end_known, end_total, end_gap) "
                   "VALUES ($1, $2, $3, $4, nullif($5, '')::bigint, nullif($6, '')::bigint, $7, "
                   "$8, $9, $10, $11, $12, $13, $14)",
                   params, error))
        return false;
    ++summary_.filesRead;
    summary_.records += visitor.records();
    if (!headOnly) loadedDays_.insert(day);
    return true;
}

// The findings of --check for the days read again, from the check itself.
bool EntranceLoad::storeFindings(std::string& error) {
    if (loadedDays_.empty()) return true;
    Options check = options_;
    check.check = true;
    check.from = *loadedDays_.begin();
    check.to = *loadedDays_.rbegin();
    std::string lines;
    auto keep = [&](const Finding& finding) {
        Day day;
        if (!parseDate(finding.date, Day{}, day) || loadedDays_.count(day) == 0) return;
        lines += keys_ + finding.date + '\t' + findingKindName(finding.kind) + '\t' +
                 (finding.line > 0 ? std::to_string(finding.line) : "\\N") + '\t';
        appendCopyText(lines, finding.detail);
        lines += '\n';
    };
    CheckSummary summary;
    if (!runCheck({entrance_}, check, keep, summary, error)) return false;
    if (lines.empty()) return true;
    return conn_.beginCopy("COPY findings (shop, entrance, day, kind, line, detail) FROM STDIN",
                           error) &&
           conn_.sendCopy(lines.data(), lines.size(), error) && conn_.endCopy(error);
}

bool EntranceLoad::run(std::string& error) {
    if (!readStored(error)) return false;
    CountState state;
    bool stateKnown = false;  // the state entering the day is known
    for (Day day = options_.from; day <= options_.to + days{1}; day += days{1}) {
        auto found = stored_.find(day);
        const StoredFile* stored = found != stored_.end() ? &found->second : nullptr;
        // The file after the range gives only its head, unless the
        // database already holds it whole.
        bool headOnly = day > options_.to && (stored == nullptr || stored->headOnly);
        if (!stateKnown) {
            auto before = stored_.find(day - days{1});
            if (before != stored_.end() && !before->second.headOnly) {
                state = CountState{};
                if (before->second.endKnown) state.tracker.seed(before->second.endTotal);
                state.gap = before->second.endGap;
                stateKnown = true;
            }
        }
        FileStat file = statFile(reportPathOf(entrance_, day));
        bool unchanged =
            stored != nullptr && stored->headOnly == headOnly && stored->whole &&
            stored->exists == file.exists &&
            (!file.exists || (stored->size == file.size && stored->mtimeNs == file.mtimeNs)) &&
            (!stateKnown ||
             sameState(state, stored->startKnown, stored->startTotal, stored->startGap));
        if (unchanged) {
            state = CountState{};
            if (stored->endKnown) state.tracker.seed(stored->endTotal);
            state.gap = stored->endGap;
            stateKnown = true;
            ++summary_.filesUnchanged;
            continue;
        }
        if (!stateKnown) {
            // Nothing stored before: the previous answered record is looked
            // for in the files, as the statistics do at a range's start.
            state = CountState{};
            if (!lookBack(entrance_, day, options_.now, state.tracker, state.gap, error))
                return false;
            stateKnown = true;
        }
        if (!loadFile(day, headOnly, file, state, error)) return false;
    }
    return storeFindings(error);
}

}  // namespace

bool loadEntrances(PgConn& conn, const std::vector<Entrance>& entrances, const Options& options,
                   LoadSummary& summary, std::string& error) {
    std::set<long> months;
    for (const Entrance& entrance : entrances) {
        EntranceLoad load(conn, entrance, options, months, summary);
        if (!load.run(error)) return false;
    }
    return true;
}
