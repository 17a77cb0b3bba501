// pcstat's reading of a day's report file and its check, over a fuzzed
// file and a schedule taken from the input.
//
// Properties: DayFile gives one line per line of the file, numbered from
// 1, classified as the plain model classifies it (not a whole record, a
// checksum that does not match, numbers outside the poller's ranges, or a
// record with an HH:MM[.SS] time),
// with the records at the head timed 23:59 or 23:59.59 marked as the day
// before's exactly when the model's head rule says so; and the check of
// that file reports one malformed, checksum or range finding per such
// line, with its number, up to 100 of a kind and then one finding with
// the count of the rest, findings only of the known kinds, dated the
// file's day.
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "check.h"
#include "dayfile.h"
#include "fuzz_models.h"
#include "fuzz_support.h"
#include "pcutil.h"

namespace {

enum class ModelKind { record, malformed, checksum, range };

struct ModelLine {
    ModelKind kind;
    std::string time;
};

bool modelTime(const std::string& t) {
    auto two = [&](std::size_t at, int limit) {
        return t[at] >= '0' && t[at] <= '9' && t[at + 1] >= '0' && t[at + 1] <= '9' &&
               (t[at] - '0') * 10 + (t[at + 1] - '0') < limit;
    };
    if (t.size() != 5 && t.size() != 8) return false;
    if (!two(0, 24) || t[2] != ':' || !two(3, 60)) return false;
    return t.size() == 5 || (t[5] == '.' && two(6, 60));
}

int seconds(const std::string& t) {
    int s = std::atoi(t.substr(0, 2).c_str()) * 3600 + std::atoi(t.substr(3, 2).c_str()) * 60;
    return t.size() == 8 ? s + std::atoi(t.substr(6, 2).c_str()) : s;
}

std::vector<ModelLine> modelLines(std::string_view content) {
    std::string rest;
    std::vector<std::string> lines = fuzz::linesOf(content, rest);
    if (!rest.empty()) lines.push_back(rest);
    std::vector<ModelLine> model;
    for (const std::string& line : lines) {
        fuzz::ModelRecord record;
        if (line.size() > 99 || !fuzz::modelRecord(line, record)) {
            model.push_back({ModelKind::malformed, ""});
            continue;
        }
        // The body: up to the fourth terminator; the checksum: the fifth field.
        std::size_t terminators = 0, at = 0;
        for (; terminators < 4; ++at)
            terminators += line[at] == ';' || line[at] == '\n' || line[at] == '\xFF';
        std::size_t end = at;
        while (line[end] != ';' && line[end] != '\n' && line[end] != '\xFF') ++end;
        if (line.substr(at, end - at) != fmt("0X%04X", checksumll(line.substr(0, at)))) {
            model.push_back({ModelKind::checksum, ""});
            continue;
        }
        if (!modelTime(record.time)) {
            model.push_back({ModelKind::malformed, record.time});
            continue;
        }
        bool inRange = record.total >= 0 && record.total <= 999999 && record.faults >= 0 &&
                       record.faults <= 85 && (record.noAnswer == 0 || record.noAnswer == 1);
        model.push_back({inRange ? ModelKind::record : ModelKind::range, record.time});
    }
    return model;
}

bool dayEnd(const std::string& t) { return t == "23:59" || t == "23:59.59"; }

// Which records of the model belong to the day before: the day-end
// records at the head, when the first other record is earlier than each of
// them, or when none follows in a file of at most 8 lines; the reader
// looks at most 9 lines ahead, and more day-end lines than that are the
// file's own.
std::vector<bool> modelDayBefore(const std::vector<ModelLine>& lines) {
    constexpr std::size_t readAhead = 9;
    std::vector<bool> before(lines.size(), false);
    std::vector<std::size_t> heads;
    std::size_t decider = lines.size();
    for (std::size_t i = 0; i < lines.size() && i < readAhead; ++i) {
        if (lines[i].kind != ModelKind::record) continue;
        if (!dayEnd(lines[i].time)) {
            decider = i;
            break;
        }
        heads.push_back(i);
    }
    bool yes = decider < lines.size() || lines.size() < readAhead;
    for (std::size_t h : heads)
        if (decider < lines.size() && seconds(lines[h].time) <= seconds(lines[decider].time))
            yes = false;
    for (std::size_t h : heads) before[h] = yes;
    return before;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::ScratchDir dir("pcfuzz-dayfile");
    if (size < 4) return 0;
    std::string content(fuzz::bytes(data + 4, size - 4));
    std::string path = dir.path() + "door_20110314.csv";
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        FUZZ_CHECK(file != nullptr);
        std::fwrite(content.data(), 1, content.size(), file);
        std::fclose(file);
    }
    std::vector<ModelLine> model = modelLines(content);
    std::vector<bool> before = modelDayBefore(model);

    DayFile day;
    FUZZ_CHECK(day.open(path));
    DayLine line;
    std::size_t count = 0;
    long unusable = 0;
    while (day.next(line)) {
        FUZZ_CHECK(count < model.size());
        FUZZ_CHECK(line.number == static_cast<long>(count) + 1);
        const ModelLine& expected = model[count];
        LineClass kind = expected.kind == ModelKind::record     ? LineClass::record
                         : expected.kind == ModelKind::checksum ? LineClass::checksum
                         : expected.kind == ModelKind::range    ? LineClass::range
                                                                : LineClass::malformed;
        FUZZ_CHECK(line.kind == kind);
        if (kind != LineClass::record) ++unusable;
        if (kind == LineClass::record) {
            FUZZ_CHECK(line.record.time == expected.time);
            FUZZ_CHECK(line.second == seconds(expected.time));
            FUZZ_CHECK(line.dayBefore == before[count]);
        }
        ++count;
    }
    FUZZ_CHECK(count == model.size());

    // The check of the same file under a schedule from the first bytes.
    Entrance entrance;
    entrance.label = "door";
    entrance.base = dir.path() + "door";
    entrance.ext = "csv";
    entrance.scheduled = data[0] & 1;
    for (int d = 0; d < daysPerWeek; ++d) {
        entrance.schedule.openTimes[d] = (data[1] % 25) * 3600;
        entrance.schedule.closeTimes[d] = (data[2] % 25) * 3600;
    }
    entrance.schedule.interval = minInterval + data[3] * 60;
    Options options;
    options.from = options.to = std::chrono::sys_days{std::chrono::year{2011} / 3 / 14};
    CheckSummary summary;
    std::string error;
    long lineFindings = 0;
    static const std::set<std::string> kinds = {
        "malformed",  "checksum", "order", "missing-file", "missing-record",
        "unanswered", "fault",    "reset", "range",        "unreadable"};
    std::map<std::string, long> shown;
    auto report = [&](const Finding& f) {
        const std::string kind = findingKindName(f.kind);
        FUZZ_CHECK(kinds.count(kind) == 1);
        FUZZ_CHECK(f.date == "2011-03-14" && f.entrance == "door");
        FUZZ_CHECK(f.line >= 0 && f.line <= static_cast<long>(model.size()));
        FUZZ_CHECK(kind != "unreadable");
        if (kind == "malformed" || kind == "checksum" || kind == "range") {
            const std::string skipped = "pominięto ";
            if (f.line == 0) {  // the count of the rest, after 100 shown
                FUZZ_CHECK(shown[kind] == 100);
                FUZZ_CHECK(f.detail.compare(0, skipped.size(), skipped) == 0);
                lineFindings += std::atol(f.detail.c_str() + skipped.size());
                return;
            }
            ++lineFindings;
            FUZZ_CHECK(++shown[kind] <= 100);
            const ModelKind lineKind = model[static_cast<std::size_t>(f.line - 1)].kind;
            FUZZ_CHECK((kind == "checksum") == (lineKind == ModelKind::checksum));
            FUZZ_CHECK((kind == "range") == (lineKind == ModelKind::range));
        }
    };
    FUZZ_CHECK(runCheck({entrance}, options, report, summary, error));
    FUZZ_CHECK(lineFindings == unusable);
    std::remove(path.c_str());
    return 0;
}
