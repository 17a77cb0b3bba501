// One load, one transaction: a failure anywhere rolls everything back.
#include "loadmain.h"

#include "pgconn.h"
#include "salesload.h"
#include "schema.h"

bool runLoad(const std::vector<Entrance>& entrances, const Options& options,
             const BadSalesLine& badSale, LoadSummary& summary, std::string& error) {
    PgConn conn;
    if (!conn.connect(options.load, error) ||
        !conn.exec("SET client_min_messages = warning; BEGIN", error) ||
        !upgradeSchema(conn, schemaVersion, error) ||
        !loadEntrances(conn, entrances, options, summary, error))
        return false;
    if (!options.sales.empty() && !loadSales(conn, options.sales, badSale, summary.sales, error))
        return false;
    return conn.exec("COMMIT", error);
}

std::string loadSummaryText(const LoadSummary& summary) {
    std::string text = "Zaladowano " + std::to_string(summary.filesRead) + " plikow (" +
                       std::to_string(summary.records) + " rekordow), bez zmian " +
                       std::to_string(summary.filesUnchanged);
    if (summary.sales > 0) text += ", sprzedaz: " + std::to_string(summary.sales) + " linii";
    return text + "\n";
}
