// The sales file of pcstat --sales: each time form, point and comma
// decimals, quoted fields, semicolon files, bad lines with their numbers,
// shops, and what is not a regular file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "sales.h"
#include "testsupport.h"

namespace {

Day date(int y, unsigned m, unsigned d) {
    return std::chrono::sys_days{std::chrono::year{y} / m / d};
}

struct Read {
    bool ok = false;
    std::string error;
    std::vector<std::pair<long, std::string>> bad;
    SalesTable table;
};

Read readText(const std::string& text, const SalesPlan& plan) {
    Read read;
    std::FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    EXPECT_NE(file, nullptr);
    read.ok = readSalesFile(
        file, plan, read.table,
        [&](long line, const std::string& reason) { read.bad.emplace_back(line, reason); },
        read.error);
    std::fclose(file);
    return read;
}

SalesPlan march(Day from = date(2024, 2, 28), Day to = date(2024, 3, 1)) {
    SalesPlan plan;
    plan.from = from;
    plan.to = to;
    return plan;
}

}  // namespace

TEST(SalesFile, EveryTimeFormGoesToItsHourOrDay) {
    Read r = readText(
        "time,transactions,revenue\n"
        "2024-02-29 10:15,2,10.00\n"
        "2024-02-29 10:59:59,1,5.5\n"
        "2024-02-29T11,3,30\n"
        "2024-02-29,4,1.25\n"
        "2024-03-01 00:00:00,1,0.01\n",
        march());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.bad.empty());
    EXPECT_EQ(r.table.at(0, 1, 10).transactions, 3);
    EXPECT_EQ(r.table.at(0, 1, 10).revenue, 1550);
    EXPECT_EQ(r.table.at(0, 1, 11).transactions, 3);
    EXPECT_EQ(r.table.at(0, 1, 11).revenue, 3000);
    EXPECT_EQ(r.table.at(0, 1, salesDayOnly).transactions, 4);
    EXPECT_EQ(r.table.at(0, 1, salesDayOnly).revenue, 125);
    EXPECT_EQ(r.table.at(0, 2, 0).revenue, 1);
    EXPECT_EQ(r.table.at(0, 0, 10).transactions, 0);
    EXPECT_TRUE(r.table.any());
}

TEST(SalesFile, PointAndCommaDecimalsQuotedFieldsAndSemicolons) {
    // A line per transaction (no transactions column): each counts 1.
    Read comma = readText(
        "\xEF\xBB\xBFTime,Till,Revenue\r\n"
        "2024-02-29 09:00,1,\"12,50\"\r\n"
        "2024-02-29 09:30,\"till \"\"2\"\"\",12.5\r\n",
        march());
    ASSERT_TRUE(comma.ok) << comma.error;
    EXPECT_TRUE(comma.bad.empty());
    EXPECT_EQ(comma.table.at(0, 1, 9).transactions, 2);
    EXPECT_EQ(comma.table.at(0, 1, 9).revenue, 2500);

    Read semicolons = readText(
        "time;revenue;transactions\n"
        "2024-02-29 09:00;12,50;2\n"
        "2024-02-29 09:10;-2,05;1\n",
        march());
    ASSERT_TRUE(semicolons.ok) << semicolons.error;
    EXPECT_TRUE(semicolons.bad.empty());
    EXPECT_EQ(semicolons.table.at(0, 1, 9).transactions, 3);
    EXPECT_EQ(semicolons.table.at(0, 1, 9).revenue, 1045);
}

TEST(SalesFile, BadLinesAreToldWithTheirNumbersAndNotCounted) {
    std::string overlong = "2024-02-29 09:00,1," + std::string(maxSalesLine, '1') + "\n";
    Read r = readText(
        "time,transactions,revenue\n"
        "2024-02-29 09:00,1,1.00\n"
        "2024-02-30 09:00,1,1.00\n"
        "2024-02-29 24:00,1,1.00\n"
        "2024-02-29 9:00,1,1.00\n"
        "2024-02-29 09:00,x,1.00\n"
        "2024-02-29 09:00,1,1.001\n"
        "2024-02-29 09:00,1,1 000\n"
        "2024-02-29 09:00,1\n"
        "2024-02-29 09:00,1,\"1.00\n"
        "\n" +
            overlong + "2024-02-29 09:00,2,2,00\n",
        march());
    ASSERT_TRUE(r.ok) << r.error;
    std::vector<std::pair<long, std::string>> expected = {
        {3, "zly czas (RRRR-MM-DD GG:MM[:SS], RRRR-MM-DDTGG lub RRRR-MM-DD)"},
        {4, "zly czas (RRRR-MM-DD GG:MM[:SS], RRRR-MM-DDTGG lub RRRR-MM-DD)"},
        {5, "zly czas (RRRR-MM-DD GG:MM[:SS], RRRR-MM-DDTGG lub RRRR-MM-DD)"},
        {6, "zla liczba transakcji"},
        {7, "zla kwota (np. 12.50 lub 12,50)"},
        {8, "zla kwota (np. 12.50 lub 12,50)"},
        {9, "za malo pol"},
        {10, "niezamkniety cudzyslow"},
        {12, "wiersz dluzszy niz 4096 znakow"},
    };
    EXPECT_EQ(r.bad, expected);
    // The last line has four fields: a comma decimal needs quotes in a
    // comma file, and the extra field is a till's own column.
    EXPECT_EQ(r.table.at(0, 1, 9).transactions, 3);
    EXPECT_EQ(r.table.at(0, 1, 9).revenue, 300);
}

TEST(SalesFile, UnusableHeadersAndOutsideTheRange) {
    Read none = readText("", march());
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.error, "brak naglowka");
    Read noTime = readText("when,revenue\n2024-02-29,1\n", march());
    EXPECT_FALSE(noTime.ok);
    EXPECT_EQ(noTime.error, "brak kolumny time w naglowku");
    Read twice = readText("time,TIME\n", march());
    EXPECT_FALSE(twice.ok);
    EXPECT_EQ(twice.error, "kolumna time powtorzona w naglowku");

    Read outside = readText("time\n2023-02-28 10:00\n2024-03-02\n", march());
    ASSERT_TRUE(outside.ok);
    EXPECT_TRUE(outside.bad.empty());
    EXPECT_FALSE(outside.table.any());
}

TEST(SalesFile, ShopsAskedForGetTheirOwnColumn) {
    SalesPlan plan = march();
    plan.shops = {"shopA", "shopB"};
    Read r = readText(
        "shop,time,transactions\n"
        "shopB,2024-02-28 12:00,5\n"
        "shopA,2024-02-28 12:30,2\n"
        "shopC,2024-02-28 12:30,7\n",
        plan);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.bad.empty());
    EXPECT_EQ(r.table.at(0, 0, 12).transactions, 2);
    EXPECT_EQ(r.table.at(1, 0, 12).transactions, 5);

    Read noShop = readText("time\n2024-02-28\n", plan);
    EXPECT_FALSE(noShop.ok);
    EXPECT_EQ(noShop.error, "brak kolumny shop w naglowku (potrzebna sprzedaz wedlug sklepow)");
}

TEST(SalesFile, OnlyARegularFileIsRead) {
    testsupport::ScratchDir dir("sales-file");
    std::string fifo = dir.path + "/sales.csv";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    SalesTable table;
    std::string error;
    auto ignore = [](long, const std::string&) {};
    EXPECT_FALSE(readSales(fifo, march(), table, ignore, error));
    EXPECT_EQ(error, "nie mozna czytac " + fifo + ": to nie jest zwykly plik");
    EXPECT_FALSE(readSales(dir.path, march(), table, ignore, error));
    EXPECT_EQ(error, "nie mozna czytac " + dir.path + ": to nie jest zwykly plik");
    std::string file = dir.path + "/real.csv";
    testsupport::writeFile(file, "time,revenue\n2024-02-29 10:00,9.99\n");
    ASSERT_TRUE(readSales(file, march(), table, ignore, error)) << error;
    EXPECT_EQ(table.at(0, 1, 10).revenue, 999);
}
