// The sales file of pcstat --load --sales over a fuzzed text: its first
// line read as the header, every further line as a sales line.
//
// Properties: a line without double quotes splits exactly at its commas;
// the fields of any line that splits, each written back in double quotes
// (quotes doubled) and joined by commas, split into the same fields; an
// accepted sales line has a day of the years 1900 to 9999, an hour of -1
// (a whole day) to 23, at least 0 transactions, a shop when the header
// names one, and a revenue that is empty or digits with at most one point
// and a digit on each side of it, at most 15 before and 4 after.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "salesfile.h"

namespace {

std::vector<std::string> plainSplit(std::string_view line) {
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == ',')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

bool revenueShape(const std::string& revenue) {
    if (revenue.empty()) return true;
    std::size_t at = revenue[0] == '-' ? 1 : 0;
    std::size_t point = revenue.find('.');
    std::string whole =
        revenue.substr(at, point == std::string::npos ? std::string::npos : point - at);
    std::string fraction = point == std::string::npos ? "" : revenue.substr(point + 1);
    auto digits = [](const std::string& text) {
        return text.find_first_not_of("0123456789") == std::string::npos;
    };
    return !whole.empty() && whole.size() <= 15 && digits(whole) && digits(fraction) &&
           fraction.size() <= 4 && (point == std::string::npos || !fraction.empty());
}

void checkSplit(std::string_view line) {
    std::vector<std::string> fields;
    bool split = splitCsvFields(line, fields);
    if (line.find('"') == std::string_view::npos) {
        FUZZ_CHECK(split);
        FUZZ_CHECK(fields == plainSplit(line));
    }
    if (!split) return;
    std::string joined;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) joined += ',';
        joined += '"';
        for (char c : fields[i]) joined += c == '"' ? std::string("\"\"") : std::string(1, c);
        joined += '"';
    }
    std::vector<std::string> again;
    FUZZ_CHECK(splitCsvFields(joined, again));
    FUZZ_CHECK(again == fields);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text = fuzz::bytes(data, size);
    SalesReader reader;
    std::string error;
    bool first = true;
    bool headerRead = false;
    bool needShop = size > 0 && data[0] % 2 == 0;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        checkSplit(line);
        if (first) {
            headerRead = reader.header(line, needShop, error);
            first = false;
            continue;
        }
        if (!headerRead) break;
        SaleLine sale;
        if (!reader.line(line, sale, error)) {
            FUZZ_CHECK(!error.empty());
            continue;
        }
        int year = static_cast<int>(std::chrono::year_month_day{sale.day}.year());
        FUZZ_CHECK(year >= 1900 && year <= 9999);
        FUZZ_CHECK(sale.hour >= -1 && sale.hour <= 23);
        FUZZ_CHECK(sale.transactions >= 0);
        FUZZ_CHECK(!needShop || !sale.shop.empty());
        FUZZ_CHECK(revenueShape(sale.revenue));
    }
    return 0;
}
