// pcstat's sales file over fuzzed bytes, a header line first.
//
// Properties: the reader never reads outside its input and never counts a
// line it calls bad; every bad line number lies between 2 and the number
// of lines; read one by one with the shop column, as the loader reads
// them, each line is a sale or a bad line, in the order of the file, with
// its numbers within their ranges; a file whose every data line is a
// plain "YYYY-MM-DD HH:MM" time inside the range counts one transaction
// per line; the amount and time readers agree with a plain model on the
// texts they accept.
#include <cstdio>
#include <set>

#include "fuzz_support.h"
#include "pcutil.h"
#include "sales.h"

namespace {

long lineCount(std::string_view text) {
    long lines = 0;
    for (char c : text) lines += c == '\n';
    return lines + (!text.empty() && text.back() != '\n');
}

// The plain model of an amount: sign, digits, then . or , and one or two digits.
bool modelAmount(std::string_view t) {
    std::size_t at = !t.empty() && (t[0] == '-' || t[0] == '+') ? 1 : 0;
    std::size_t digits = 0;
    while (at < t.size() && t[at] >= '0' && t[at] <= '9') ++at, ++digits;
    if (digits == 0) return false;
    if (at == t.size()) return true;
    if (t[at] != '.' && t[at] != ',') return false;
    std::size_t decimals = t.size() - at - 1;
    if (decimals < 1 || decimals > 2) return false;
    for (std::size_t i = at + 1; i < t.size(); ++i)
        if (t[i] < '0' || t[i] > '9') return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(fuzz::bytes(data, size));
    SalesPlan plan;
    plan.from = std::chrono::sys_days{std::chrono::year{2024} / 2 / 28};
    plan.to = std::chrono::sys_days{std::chrono::year{2024} / 3 / 1};
    if (size > 0 && (data[0] & 1)) plan.shops = {"a", "b"};

    std::FILE* file = fmemopen(text.data(), text.size(), "r");
    if (file == nullptr) return 0;  // an empty input
    SalesTable table;
    std::string error;
    long lines = lineCount(text);
    std::set<long> bad;
    bool read = readSalesFile(
        file, plan, table,
        [&](long line, const std::string& reason) {
            FUZZ_CHECK(line >= 2 && line <= lines);
            FUZZ_CHECK(!reason.empty());
            FUZZ_CHECK(bad.insert(line).second);
        },
        error);
    std::fclose(file);
    FUZZ_CHECK(read || !error.empty());
    if (read) FUZZ_CHECK(table.days() == 3);

    // The sales one by one, as the loader stores them: each line is a sale
    // or a bad line, never both, in the order of the file.
    file = fmemopen(text.data(), text.size(), "r");
    FUZZ_CHECK(file != nullptr);
    long last = 1;
    std::set<long> told;
    auto sale = [&](long line, const Sale& s) {
        FUZZ_CHECK(line > last && line <= lines);
        FUZZ_CHECK(s.hour >= 0 && s.hour <= salesDayOnly);
        FUZZ_CHECK(s.transactions >= 0 && s.transactions <= maxSaleTransactions);
        FUZZ_CHECK(s.revenue >= -maxSaleRevenue && s.revenue <= maxSaleRevenue);
        last = line;
    };
    auto badLine = [&](long line, const std::string&) {
        FUZZ_CHECK(line > last && line <= lines);
        FUZZ_CHECK(told.insert(line).second);
        last = line;
    };
    error.clear();
    if (!readSaleLines(file, true, sale, badLine, error)) FUZZ_CHECK(!error.empty());
    std::fclose(file);

    // A file of plain times: one transaction each.
    std::string plain = "time\n";
    long inside = 0;
    for (std::size_t i = 0; i + 2 <= size && i < 64; i += 2) {
        int day = 27 + data[i] % 4;  // 27 .. 30 of February, 30 a bad day
        plain += fmt("2024-02-%02d %02d:%02d\n", day, data[i + 1] % 24, data[i + 1] % 60);
        inside += day >= 28 && day <= 29;
    }
    std::FILE* plainFile = fmemopen(plain.data(), plain.size(), "r");
    FUZZ_CHECK(plainFile != nullptr);
    SalesPlan whole = plan;
    whole.shops.clear();
    long badPlain = 0;
    FUZZ_CHECK(readSalesFile(
        plainFile, whole, table, [&](long, const std::string&) { ++badPlain; }, error));
    std::fclose(plainFile);
    long long counted = 0;
    for (long d = 0; d < table.days(); ++d)
        for (int h = 0; h < salesSlotsPerDay; ++h) counted += table.at(0, d, h).transactions;
    FUZZ_CHECK(counted == inside);

    long long hundredths = 0;
    bool amount = readSaleAmount(text, hundredths);
    if (amount) FUZZ_CHECK(modelAmount(text));
    if (modelAmount(text) && text.size() <= 9) FUZZ_CHECK(amount);
    Day day{};
    int hour = 0;
    if (readSaleTime(text, day, hour)) FUZZ_CHECK(hour >= 0 && hour <= salesDayOnly);
    std::vector<std::string> fields;
    if (splitCsvLine(text, ',', fields)) FUZZ_CHECK(!fields.empty());
    return 0;
}
