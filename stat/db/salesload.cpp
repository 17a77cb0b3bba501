// The sales file, line by line, into COPY: each sale with its shop, day,
// hour (none for a sale timed by its day), the file and line it came from,
// its transactions and its revenue.
#include "salesload.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Hundredths as a decimal number with two decimals, as numeric reads it.
std::string hundredthsText(long long hundredths) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld.%02lld", hundredths < 0 ? "-" : "",
                  std::llabs(hundredths) / 100, std::llabs(hundredths) % 100);
    return text;
}

}  // namespace

bool loadSales(PgConn& conn, const std::string& path, const BadSalesLine& bad, long long& lines,
               std::string& error) {
    std::FILE* file = openSalesFile(path, error);
    if (file == nullptr) return false;
    std::string source, copy;
    appendCopyText(source, path);
    if (!conn.run("DELETE FROM sales WHERE source = $1", {path}, error) ||
        !conn.beginCopy("COPY sales (shop, day, hour, source, line, transactions, revenue) "
                        "FROM STDIN",
                        error)) {
        std::fclose(file);
        return false;
    }
    bool sent = true;
    auto store = [&](long line, const Sale& sale) {
        appendCopyText(copy, sale.shop);
        copy += '\t' + dashedDate(sale.day) + '\t' +
                (sale.hour == salesDayOnly ? "\\N" : std::to_string(sale.hour)) + '\t' + source +
                '\t' + std::to_string(line) + '\t' + std::to_string(sale.transactions) + '\t' +
                hundredthsText(sale.revenue) + '\n';
        ++lines;
        if (sent && copy.size() >= 65536) {
            sent = conn.sendCopy(copy.data(), copy.size(), error);
            copy.clear();
        }
    };
    bool read = readSaleLines(file, true, store, bad, error);
    std::fclose(file);
    if (!read) {
        error = path + ": " + error;
        return false;
    }
    return sent && conn.sendCopy(copy.data(), copy.size(), error) && conn.endCopy(error);
}
