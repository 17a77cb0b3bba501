// The sales file of --sales: a csv exported from a till system, read into
// transactions and revenue per hour of each day of a range (and per shop
// when the file has a shop column and shops are asked for).  Memory grows
// with the days and shops of the range, never with the lines of the file.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "calendar.h"

// Transactions and revenue, the revenue in hundredths (grosze).
struct SalesAmount {
    long long transactions = 0;
    long long revenue = 0;
};

// A sale timed by its day only (YYYY-MM-DD) is kept apart from the hours.
constexpr int salesDayOnly = 24;
constexpr int salesSlotsPerDay = 25;

// The longest line read; a longer one is a bad line.
constexpr std::size_t maxSalesLine = 4096;

// Where the sales go: the days from..to and, when shops is not empty, one
// column per shop named in the file's shop column (other shops are left
// out); with shops empty every line counts for one column.
struct SalesPlan {
    Day from{};
    Day to{};
    std::vector<std::string> shops;
};

class SalesTable {
public:
    void plan(const SalesPlan& plan);
    // The amount of a shop (0 without shops), day index from 0 and hour
    // 0..23 or salesDayOnly.
    const SalesAmount& at(std::size_t shop, long day, int hour) const;
    SalesAmount& at(std::size_t shop, long day, int hour);
    std::size_t shops() const { return shops_; }
    long days() const { return days_; }
    // Whether any line fell into the range.
    bool any() const { return any_; }
    void markAny() { any_ = true; }

private:
    std::vector<SalesAmount> slots_;
    std::size_t shops_ = 1;
    long days_ = 0;
    bool any_ = false;
};

// Told of each bad line: its number from 1 and why it is bad.
using BadSalesLine = std::function<void(long line, const std::string& reason)>;

// One sale as a line of the file gives it.
struct Sale {
    Day day{};
    int hour = salesDayOnly;  // 0..23, or salesDayOnly for a sale timed by its day
    std::string shop;         // the shop column, trimmed; empty without one
    long long transactions = 1;
    long long revenue = 0;  // hundredths
};

// Told of each sale read: its line number from 1 and the sale.
using SaleRead = std::function<void(long line, const Sale& sale)>;

// Reads every sale of an open file in the order of its lines.  Bad lines
// are told to bad and not to sale; false with a message in error when the
// header is unusable (no time column, no shop column when needShop, or no
// header at all) or the file cannot be read.
bool readSaleLines(std::FILE* file, bool needShop, const SaleRead& sale, const BadSalesLine& bad,
                   std::string& error);

// Opens path for reading as a regular file only (never a FIFO, a device
// or a directory); null with a message naming path when it cannot.
std::FILE* openSalesFile(const std::string& path, std::string& error);

// Reads the sales from an open file into table (planned first).  Bad lines
// are told to bad and not counted; false with a message in error when the
// header is unusable (no time column, or no header at all).
bool readSalesFile(std::FILE* file, const SalesPlan& plan, SalesTable& table,
                   const BadSalesLine& bad, std::string& error);

// Opens path as a regular file only (never a FIFO, a device or a
// directory) and reads it as readSalesFile does; false with a message when
// it cannot be opened or read.
bool readSales(const std::string& path, const SalesPlan& plan, SalesTable& table,
               const BadSalesLine& bad, std::string& error);

// The parts of the file format, shared with their tests.

// A sale's time: YYYY-MM-DD HH:MM[:SS], YYYY-MM-DDTHH or YYYY-MM-DD (hour
// salesDayOnly).  False for anything else.
bool readSaleTime(std::string_view text, Day& day, int& hour);

// A decimal amount with a point or a comma and at most two decimals,
// optionally signed, into hundredths.  False for anything else or beyond
// maxSaleRevenue.
constexpr long long maxSaleRevenue = 100000000000LL;  // a billion, in hundredths
bool readSaleAmount(std::string_view text, long long& hundredths);

// A count of transactions: digits only, at most maxSaleTransactions.
constexpr long long maxSaleTransactions = 1000000;
bool readSaleCount(std::string_view text, long long& count);

// Splits one csv line (without its line end) at sep, RFC 4180 quotes
// undone; false for an unterminated quote or text after a closing quote.
bool splitCsvLine(std::string_view line, char sep, std::vector<std::string>& fields);
