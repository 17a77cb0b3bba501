// Splitting a report line into a record.  Fields end at a semicolon, a
// line feed or a byte 0xFF; the fifth field, the checksum, is stepped over
// and not checked.
#include <string_view>

#include "viewer.h"

namespace {

constexpr std::string_view terminators = ";\n\xFF";
enum FieldIndex { timeField, totalField, faultsField, noAnswerField, checksumField };
constexpr int recordFields = checksumField + 1;

// Cuts the five terminated fields off the front of line; false when there
// are fewer.
bool cutFields(const std::string& line, std::string (&fields)[recordFields]) {
    std::size_t start = 0;
    for (std::string& field : fields) {
        std::size_t end = line.find_first_of(terminators, start);
        if (end == std::string::npos) return false;
        field = line.substr(start, end - start);
        start = end + 1;
    }
    return true;
}

bool isCompleteLine(const std::string& line) { return !line.empty() && line.back() == '\n'; }

}  // namespace

bool splitRecord(const std::string& line, Record& record) {
    std::string fields[recordFields];
    if (!isCompleteLine(line) || !cutFields(line, fields)) return false;
    if (fields[timeField].size() > maxTimeLength) return false;
    for (int i = totalField; i <= noAnswerField; ++i)
        if (fields[i].size() > maxNumberLength) return false;
    Record split;
    split.time = fields[timeField];
    if (!parseLong(fields[totalField], split.total) ||
        !parseInt(fields[faultsField], split.faults) ||
        !parseInt(fields[noAnswerField], split.noAnswer))
        return false;
    record = split;
    return true;
}
