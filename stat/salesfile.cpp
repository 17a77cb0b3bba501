// Reading the sales file's header and lines.
#include "salesfile.h"

#include <charconv>

namespace {

bool digitsAt(std::string_view text, std::size_t at, std::size_t count, int& value) {
    if (at + count > text.size()) return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// YYYY-MM-DD HH:MM[:SS], YYYY-MM-DDTHH or YYYY-MM-DD.
bool readSaleTime(std::string_view text, Day& day, int& hour) {
    if (text.size() < 10 || !parseDate(std::string(text.substr(0, 10)), Day{}, day)) return false;
    if (text[4] != '-') return false;  // not the compact form
    hour = -1;
    std::string_view rest = text.substr(10);
    if (rest.empty()) return true;
    int minute = 0, second = 0;
    if (rest.size() == 3 && rest[0] == 'T') return digitsAt(rest, 1, 2, hour) && hour < 24;
    if (rest[0] != ' ' || (rest.size() != 6 && rest.size() != 9)) return false;
    if (!digitsAt(rest, 1, 2, hour) || rest[3] != ':' || !digitsAt(rest, 4, 2, minute))
        return false;
    if (rest.size() == 9 && (rest[6] != ':' || !digitsAt(rest, 7, 2, second))) return false;
    return hour < 24 && minute < 60 && second < 60;
}

// A decimal number with a point or a comma, at most 15 digits before it
// and 4 after; written back with a point.
bool readRevenue(std::string_view text, std::string& revenue) {
    std::size_t at = 0;
    revenue.clear();
    if (!text.empty() && text[0] == '-') {
        revenue += '-';
        at = 1;
    }
    std::size_t whole = 0, fraction = 0;
    bool point = false;
    for (; at < text.size(); ++at) {
        char c = text[at];
        if (c >= '0' && c <= '9') {
            (point ? fraction : whole) += 1;
            revenue += c;
        } else if ((c == '.' || c == ',') && !point && whole > 0) {
            point = true;
            revenue += '.';
        } else {
            return false;
        }
    }
    return whole > 0 && whole <= 15 && fraction <= 4 && (!point || fraction > 0);
}

bool readCount(std::string_view text, long long& count) {
    if (text.empty() || text.size() > 9) return false;
    auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), count);
    return failure == std::errc{} && end == text.data() + text.size() && count >= 0;
}

}  // namespace

bool splitCsvFields(std::string_view line, std::vector<std::string>& fields) {
    fields.clear();
    fields.emplace_back();
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return !quoted;
}

bool SalesReader::header(std::string_view line, bool needShop, std::string& error) {
    std::vector<std::string> names;
    if (!splitCsvFields(line, names)) {
        error = "zly naglowek";
        return false;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        int* column = names[i] == "time"           ? &time_
                      : names[i] == "shop"         ? &shop_
                      : names[i] == "transactions" ? &transactions_
                      : names[i] == "revenue"      ? &revenue_
                                                   : nullptr;
        if (column == nullptr) continue;
        if (*column >= 0) {
            error = "kolumna " + names[i] + " dwa razy w naglowku";
            return false;
        }
        *column = static_cast<int>(i);
    }
    columns_ = names.size();
    if (time_ < 0 || (needShop && shop_ < 0)) {
        error = time_ < 0 ? "brak kolumny time w naglowku" : "brak kolumny shop w naglowku";
        return false;
    }
    return true;
}

bool SalesReader::line(std::string_view text, SaleLine& sale, std::string& error) const {
    std::vector<std::string> fields;
    if (!splitCsvFields(text, fields) || fields.size() != columns_) {
        error = "zla liczba pol";
        return false;
    }
    sale = SaleLine{};
    if (!readSaleTime(fields[static_cast<std::size_t>(time_)], sale.day, sale.hour)) {
        error = "zly czas " + fields[static_cast<std::size_t>(time_)];
        return false;
    }
    if (shop_ >= 0) {
        sale.shop = fields[static_cast<std::size_t>(shop_)];
        if (sale.shop.empty()) {
            error = "pusty sklep";
            return false;
        }
    }
    if (transactions_ >= 0 &&
        !readCount(fields[static_cast<std::size_t>(transactions_)], sale.transactions)) {
        error = "zla liczba transakcji " + fields[static_cast<std::size_t>(transactions_)];
        return false;
    }
    if (revenue_ >= 0 && !fields[static_cast<std::size_t>(revenue_)].empty() &&
        !readRevenue(fields[static_cast<std::size_t>(revenue_)], sale.revenue)) {
        error = "zly przychod " + fields[static_cast<std::size_t>(revenue_)];
        return false;
    }
    return true;
}
