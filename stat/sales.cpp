// Reading the sales file: the header, each line's time, transactions,
// revenue and shop, summed into hours of the range's days.
#include "sales.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr std::size_t noColumn = static_cast<std::size_t>(-1);

bool digit(char c) { return c >= '0' && c <= '9'; }

bool digitsAt(std::string_view text, std::size_t at, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (!digit(text[i])) return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

std::string_view trimmed(std::string_view text) {
    const char* blanks = " \t";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::string lowered(std::string_view text) {
    std::string low(text);
    for (char& c : low)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return low;
}

// One line of at most maxSalesLine characters, without its line end; a
// longer line is read to its end and marked overlong.  False at the end.
bool readLine(std::FILE* file, std::string& line, bool& overlong) {
    line.clear();
    overlong = false;
    int c = std::getc(file);
    if (c == EOF) return false;
    for (; c != EOF && c != '\n'; c = std::getc(file)) {
        if (line.size() < maxSalesLine)
            line.push_back(static_cast<char>(c));
        else
            overlong = true;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

// The columns the header names.
struct Columns {
    char sep = ',';
    std::size_t time = noColumn, transactions = noColumn, revenue = noColumn, shop = noColumn;
    std::size_t needed = 0;  // fields a line must have
};

// The separator: a semicolon when the header has semicolons and no comma
// outside quotes, else a comma.
char headerSeparator(std::string_view header) {
    bool quoted = false, comma = false, semicolon = false;
    for (char c : header) {
        if (c == '"') quoted = !quoted;
        if (!quoted && c == ',') comma = true;
        if (!quoted && c == ';') semicolon = true;
    }
    return semicolon && !comma ? ';' : ',';
}

bool readHeader(std::string_view header, Columns& columns, std::string& error) {
    if (header.substr(0, 3) == "\xEF\xBB\xBF") header.remove_prefix(3);  // a byte order mark
    columns.sep = headerSeparator(header);
    std::vector<std::string> names;
    if (!splitCsvLine(header, columns.sep, names)) {
        error = "zly naglowek (cudzyslow)";
        return false;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::string name = lowered(trimmed(names[i]));
        std::size_t* slot = name == "time"           ? &columns.time
                            : name == "transactions" ? &columns.transactions
                            : name == "revenue"      ? &columns.revenue
                            : name == "shop"         ? &columns.shop
                                                     : nullptr;
        if (slot == nullptr) continue;  // a till's other columns
        if (*slot != noColumn) {
            error = "kolumna " + name + " powtorzona w naglowku";
            return false;
        }
        *slot = i;
        columns.needed = std::max(columns.needed, i + 1);
    }
    if (columns.time == noColumn) {
        error = "brak kolumny time w naglowku";
        return false;
    }
    return true;
}

bool addTo(SalesAmount& sum, long long transactions, long long revenue) {
    SalesAmount next = sum;
    if (__builtin_add_overflow(next.transactions, transactions, &next.transactions) ||
        __builtin_add_overflow(next.revenue, revenue, &next.revenue))
        return false;
    sum = next;
    return true;
}

// Reads one data line into sale; the reason when it is bad.
bool readSaleLine(std::string_view text, const Columns& columns, std::vector<std::string>& fields,
                  Sale& sale, std::string& reason) {
    if (!splitCsvLine(text, columns.sep, fields)) {
        reason = "niezamkniety cudzyslow";
        return false;
    }
    if (fields.size() < columns.needed) {
        reason = "za malo pol";
        return false;
    }
    sale = Sale{};
    if (!readSaleTime(trimmed(fields[columns.time]), sale.day, sale.hour)) {
        reason = "zly czas (RRRR-MM-DD GG:MM[:SS], RRRR-MM-DDTGG lub RRRR-MM-DD)";
        return false;
    }
    if (columns.transactions != noColumn &&
        !readSaleCount(trimmed(fields[columns.transactions]), sale.transactions)) {
        reason = "zla liczba transakcji";
        return false;
    }
    if (columns.revenue != noColumn &&
        !readSaleAmount(trimmed(fields[columns.revenue]), sale.revenue)) {
        reason = "zla kwota (np. 12.50 lub 12,50)";
        return false;
    }
    if (columns.shop != noColumn) sale.shop = trimmed(fields[columns.shop]);
    return true;
}

// Adds a sale to its place in the table, when the plan asks for its shop
// and day; false when the sum would overflow.
bool addSale(const Sale& sale, const SalesPlan& plan, SalesTable& table) {
    std::size_t shop = 0;
    if (!plan.shops.empty()) {
        auto found = std::find(plan.shops.begin(), plan.shops.end(), sale.shop);
        if (found == plan.shops.end()) return true;  // a shop not asked for
        shop = static_cast<std::size_t>(found - plan.shops.begin());
    }
    if (sale.day < plan.from || sale.day > plan.to) return true;  // outside the range
    table.markAny();
    return addTo(table.at(shop, (sale.day - plan.from).count(), sale.hour), sale.transactions,
                 sale.revenue);
}

}  // namespace

void SalesTable::plan(const SalesPlan& plan) {
    shops_ = plan.shops.empty() ? 1 : plan.shops.size();
    days_ = plan.to < plan.from ? 0 : (plan.to - plan.from).count() + 1;
    slots_.assign(shops_ * static_cast<std::size_t>(days_) * salesSlotsPerDay, SalesAmount{});
    any_ = false;
}

const SalesAmount& SalesTable::at(std::size_t shop, long day, int hour) const {
    return slots_[(shop * static_cast<std::size_t>(days_) + static_cast<std::size_t>(day)) *
                      salesSlotsPerDay +
                  static_cast<std::size_t>(hour)];
}

SalesAmount& SalesTable::at(std::size_t shop, long day, int hour) {
    return slots_[(shop * static_cast<std::size_t>(days_) + static_cast<std::size_t>(day)) *
                      salesSlotsPerDay +
                  static_cast<std::size_t>(hour)];
}

bool readSaleTime(std::string_view text, Day& day, int& hour) {
    int year = 0, month = 0, dayOfMonth = 0;
    if (text.size() < 10 || !digitsAt(text, 0, 4, year) || text[4] != '-' ||
        !digitsAt(text, 5, 2, month) || text[7] != '-' || !digitsAt(text, 8, 2, dayOfMonth))
        return false;
    std::chrono::year_month_day date{std::chrono::year{year},
                                     std::chrono::month{static_cast<unsigned>(month)},
                                     std::chrono::day{static_cast<unsigned>(dayOfMonth)}};
    if (year < 1900 || !date.ok()) return false;
    int hours = salesDayOnly, minutes = 0, seconds = 0;
    std::string_view rest = text.substr(10);
    if (rest.size() == 3) {  // THH
        if (rest[0] != 'T' || !digitsAt(rest, 1, 2, hours)) return false;
    } else if (rest.size() == 6 || rest.size() == 9) {  // " HH:MM" or " HH:MM:SS"
        if (rest[0] != ' ' || !digitsAt(rest, 1, 2, hours) || rest[3] != ':' ||
            !digitsAt(rest, 4, 2, minutes))
            return false;
        if (rest.size() == 9 && (rest[6] != ':' || !digitsAt(rest, 7, 2, seconds))) return false;
    } else if (!rest.empty()) {
        return false;
    }
    if (!rest.empty() && (hours > 23 || minutes > 59 || seconds > 59)) return false;
    day = Day{date};
    hour = hours;
    return true;
}

bool readSaleAmount(std::string_view text, long long& hundredths) {
    bool negative = false;
    std::size_t at = 0;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        at = 1;
    }
    long long whole = 0;
    std::size_t digits = 0;
    for (; at < text.size() && digit(text[at]); ++at, ++digits) {
        whole = whole * 10 + (text[at] - '0');
        if (whole > maxSaleRevenue / 100) return false;
    }
    if (digits == 0) return false;
    long long fraction = 0;
    if (at < text.size()) {
        if (text[at] != '.' && text[at] != ',') return false;
        std::size_t decimals = text.size() - at - 1;
        if (decimals < 1 || decimals > 2) return false;
        for (std::size_t i = at + 1; i < text.size(); ++i) {
            if (!digit(text[i])) return false;
            fraction = fraction * 10 + (text[i] - '0');
        }
        if (decimals == 1) fraction *= 10;
    }
    long long value = whole * 100 + fraction;
    if (value > maxSaleRevenue) return false;
    hundredths = negative ? -value : value;
    return true;
}

bool readSaleCount(std::string_view text, long long& count) {
    if (text.empty() || text.size() > 7) return false;
    long long value = 0;
    for (char c : text) {
        if (!digit(c)) return false;
        value = value * 10 + (c - '0');
    }
    if (value > maxSaleTransactions) return false;
    count = value;
    return true;
}

bool splitCsvLine(std::string_view line, char sep, std::vector<std::string>& fields) {
    fields.clear();
    std::string field;
    std::size_t at = 0;
    while (true) {
        field.clear();
        if (at < line.size() && line[at] == '"') {
            ++at;
            while (true) {
                if (at >= line.size()) return false;  // no closing quote
                if (line[at] == '"') {
                    if (at + 1 < line.size() && line[at + 1] == '"') {
                        field += '"';
                        at += 2;
                        continue;
                    }
                    ++at;
                    break;
                }
                field += line[at++];
            }
            if (at < line.size() && line[at] != sep) return false;  // text after the quote
        } else {
            std::size_t end = line.find(sep, at);
            if (end == std::string_view::npos) end = line.size();
            field.assign(line.substr(at, end - at));
            at = end;
        }
        fields.push_back(field);
        if (at >= line.size()) return true;
        ++at;  // the separator
    }
}

bool readSaleLines(std::FILE* file, bool needShop, const SaleRead& sale, const BadSalesLine& bad,
                   std::string& error) {
    std::string line;
    bool overlong = false;
    if (!readLine(file, line, overlong) || overlong) {
        error = overlong ? "za dlugi naglowek" : "brak naglowka";
        return false;
    }
    Columns columns;
    if (!readHeader(line, columns, error)) return false;
    if (needShop && columns.shop == noColumn) {
        error = "brak kolumny shop w naglowku (potrzebna sprzedaz wedlug sklepow)";
        return false;
    }
    if (needShop) columns.needed = std::max(columns.needed, columns.shop + 1);
    std::vector<std::string> fields;
    std::string reason;
    Sale read;
    for (long number = 2; readLine(file, line, overlong); ++number) {
        if (overlong) {
            bad(number, "wiersz dluzszy niz " + std::to_string(maxSalesLine) + " znakow");
            continue;
        }
        if (trimmed(line).empty()) continue;  // an empty line holds no sale
        if (readSaleLine(line, columns, fields, read, reason))
            sale(number, read);
        else
            bad(number, reason);
    }
    if (std::ferror(file)) {
        error = std::string("blad odczytu: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool readSalesFile(std::FILE* file, const SalesPlan& plan, SalesTable& table,
                   const BadSalesLine& bad, std::string& error) {
    table.plan(plan);
    auto add = [&](long line, const Sale& sale) {
        if (!addSale(sale, plan, table)) bad(line, "suma poza zakresem");
    };
    return readSaleLines(file, !plan.shops.empty(), add, bad, error);
}

std::FILE* openSalesFile(const std::string& path, std::string& error) {
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = "nie mozna czytac " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(fd);
        error = "nie mozna czytac " + path + ": to nie jest zwykly plik";
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = fdopen(fd, "r");
    if (file == nullptr) {
        close(fd);
        error = "nie mozna czytac " + path + ": " + std::strerror(errno);
    }
    return file;
}

bool readSales(const std::string& path, const SalesPlan& plan, SalesTable& table,
               const BadSalesLine& bad, std::string& error) {
    std::FILE* file = openSalesFile(path, error);
    if (file == nullptr) return false;
    bool read = readSalesFile(file, plan, table, bad, error);
    std::fclose(file);
    if (!read) error = path + ": " + error;
    return read;
}
