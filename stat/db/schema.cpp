// The schema, version by version.  Version 1 holds the records, the
// expected moments, the entrance-days, their findings, the files read and
// the views of visitors per hour, day, week and month; version 2 adds the
// sales and the conversion view.  A database is never rebuilt: each step
// only adds to the one before, inside the load's transaction.
#include "schema.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

constexpr const char* versionOneTables = R"sql(
CREATE TABLE schema_version (version integer NOT NULL);
INSERT INTO schema_version VALUES (1);

CREATE TABLE files (
    shop text NOT NULL,
    entrance text NOT NULL,
    day date NOT NULL,
    path text NOT NULL,
    size bigint,
    mtime_ns bigint,
    head_only boolean NOT NULL,
    whole boolean NOT NULL,
    start_known boolean NOT NULL,
    start_total bigint NOT NULL,
    start_gap boolean NOT NULL,
    end_known boolean NOT NULL,
    end_total bigint NOT NULL,
    end_gap boolean NOT NULL,
    loaded_at timestamptz NOT NULL DEFAULT now(),
    PRIMARY KEY (shop, entrance, day)
);

CREATE TABLE records (
    shop text NOT NULL,
    entrance text NOT NULL,
    file_day date NOT NULL,
    line integer NOT NULL,
    day date NOT NULL,
    hour smallint NOT NULL,
    time text NOT NULL,
    moment timestamptz NOT NULL,
    total bigint NOT NULL,
    faults integer NOT NULL,
    no_answer boolean NOT NULL,
    increase bigint NOT NULL,
    carried boolean NOT NULL
) PARTITION BY RANGE (day);
-- A block range index: records arrive an entrance's days at a time, so
-- each range of blocks holds few entrances and days.  It costs a load
-- little, where a B-tree of the same columns would make it several times
-- slower, and still finds an entrance-day's rows for replacing them.
CREATE INDEX records_entrance_day ON records USING brin (shop, entrance, day)
    WITH (pages_per_range = 16, autosummarize = on);

CREATE TABLE moments (
    shop text NOT NULL,
    entrance text NOT NULL,
    file_day date NOT NULL,
    day date NOT NULL,
    hour smallint NOT NULL,
    expected integer NOT NULL,
    missing integer NOT NULL
);
CREATE INDEX moments_entrance_day ON moments (shop, entrance, day);

CREATE TABLE entrance_days (
    shop text NOT NULL,
    entrance text NOT NULL,
    day date NOT NULL,
    scheduled boolean NOT NULL,
    open boolean,
    file_missing boolean NOT NULL,
    unusable_lines integer NOT NULL,
    PRIMARY KEY (shop, entrance, day)
);
CREATE INDEX entrance_days_day ON entrance_days (day);

CREATE TABLE findings (
    shop text NOT NULL,
    entrance text NOT NULL,
    day date NOT NULL,
    kind text NOT NULL,
    line integer,
    detail text NOT NULL
);
CREATE INDEX findings_entrance_day ON findings (shop, entrance, day);

-- The facts every view sums, per entrance, day and hour: one row per
-- record and one per hour of expected moments.
CREATE VIEW hour_facts AS
    SELECT shop, entrance, day, hour, increase AS visitors, 1 AS records,
           no_answer::integer AS unanswered, (faults > 0)::integer AS faults,
           CASE WHEN carried THEN increase ELSE 0 END AS carried, 0 AS expected, 0 AS missing
      FROM records
    UNION ALL
    SELECT shop, entrance, day, hour, 0, 0, 0, 0, 0, expected, missing
      FROM moments;

CREATE VIEW visitors_hourly AS
    SELECT d.shop, d.entrance, d.day, f.hour,
           to_char(d.day, 'YYYY-MM-DD') || 'T' || lpad(f.hour::text, 2, '0') AS period,
           sum(f.visitors)::bigint AS visitors, sum(f.records)::bigint AS records,
           sum(f.unanswered)::bigint AS unanswered, sum(f.faults)::bigint AS faults,
           1 AS days, CASE WHEN d.scheduled THEN d.open::integer END AS open_days,
           CASE WHEN d.scheduled THEN sum(f.expected)::bigint END AS expected,
           CASE WHEN d.scheduled THEN sum(f.missing)::bigint END AS missing,
           sum(f.carried)::bigint AS carried
      FROM entrance_days d JOIN hour_facts f USING (shop, entrance, day)
     GROUP BY d.shop, d.entrance, d.day, f.hour, d.scheduled, d.open;

CREATE VIEW visitors_daily AS
    SELECT d.shop, d.entrance, d.day, to_char(d.day, 'YYYY-MM-DD') AS period,
           coalesce(r.visitors, 0) AS visitors, coalesce(r.records, 0) AS records,
           coalesce(r.unanswered, 0) AS unanswered, coalesce(r.faults, 0) AS faults,
           1 AS days, CASE WHEN d.scheduled THEN d.open::integer END AS open_days,
           CASE WHEN d.scheduled THEN coalesce(m.expected, 0) END AS expected,
           CASE WHEN d.scheduled THEN coalesce(m.missing, 0) END AS missing,
           coalesce(r.carried, 0) AS carried, d.file_missing
      FROM entrance_days d
      LEFT JOIN (SELECT shop, entrance, day, sum(increase)::bigint AS visitors,
                        count(*) AS records, count(*) FILTER (WHERE no_answer) AS unanswered,
                        count(*) FILTER (WHERE faults > 0) AS faults,
                        coalesce(sum(increase) FILTER (WHERE carried), 0)::bigint AS carried
                   FROM records GROUP BY shop, entrance, day) r USING (shop, entrance, day)
      LEFT JOIN (SELECT shop, entrance, day, sum(expected)::bigint AS expected,
                        sum(missing)::bigint AS missing
                   FROM moments GROUP BY shop, entrance, day) m USING (shop, entrance, day);

)sql";

// A view of visitors_daily summed per week or per month (unit), its first
// day in startColumn and its csv period text in the to_char format.
std::string periodView(const std::string& name, const std::string& startColumn,
                       const std::string& unit, const std::string& format) {
    std::string start = "date_trunc('" + unit + "', day)";
    std::string period = "to_char(day, '" + format + "')";
    return "CREATE VIEW " + name + " AS\n    SELECT shop, entrance, " + start + "::date AS " +
           startColumn + ",\n           " + period + R"sql( AS period,
           sum(visitors)::bigint AS visitors, sum(records)::bigint AS records,
           sum(unanswered)::bigint AS unanswered, sum(faults)::bigint AS faults,
           count(*) AS days, sum(open_days)::bigint AS open_days,
           sum(expected)::bigint AS expected, sum(missing)::bigint AS missing,
           sum(carried)::bigint AS carried, count(*) FILTER (WHERE file_missing) AS missing_files
      FROM visitors_daily
     GROUP BY shop, entrance, )sql" +
           start + ", " + period + ";\n";
}

const std::string versionOne = versionOneTables +
                               periodView("visitors_weekly", "week_start", "week", "IYYY-\"W\"IW") +
                               periodView("visitors_monthly", "month_start", "month", "YYYY-MM");

// Sales from the tills, per shop and hour, and the conversion per shop and
// day: transactions per hundred visitors of all the shop's entrances.
constexpr const char* versionTwo = R"sql(
CREATE TABLE sales (
    shop text NOT NULL,
    day date NOT NULL,
    hour smallint,
    source text NOT NULL,
    line integer NOT NULL,
    transactions bigint NOT NULL,
    revenue numeric
);
CREATE INDEX sales_shop_day ON sales (shop, day);

CREATE VIEW conversion_daily AS
    SELECT shop, day, v.visitors, s.transactions, s.revenue,
           round(100.0 * s.transactions / nullif(v.visitors, 0), 1) AS conversion_percent,
           round(s.revenue / nullif(v.visitors, 0), 2) AS revenue_per_visitor
      FROM (SELECT shop, day, sum(visitors)::bigint AS visitors
              FROM visitors_daily GROUP BY shop, day) v
      JOIN (SELECT shop, day, sum(transactions)::bigint AS transactions, sum(revenue) AS revenue
              FROM sales GROUP BY shop, day) s USING (shop, day);

UPDATE schema_version SET version = 2;
)sql";

const std::string steps[] = {versionOne, versionTwo};

}  // namespace

bool readSchemaVersion(PgConn& conn, int& version, std::string& error) {
    PgConn::Rows rows;
    if (!conn.query("SELECT to_regclass('schema_version') IS NOT NULL", rows, error)) return false;
    version = 0;
    if (rows.values.empty() || rows.values[0][0] != "t") return true;
    if (!conn.query("SELECT max(version) FROM schema_version", rows, error)) return false;
    if (!rows.values.empty() && !rows.nulls[0][0]) version = std::stoi(rows.values[0][0]);
    return true;
}

bool upgradeSchema(PgConn& conn, int target, std::string& error) {
    // One loader at a time changes the schema; the lock ends with the
    // transaction.
    if (!conn.exec("SELECT pg_advisory_xact_lock(7262410)", error)) return false;
    int version = 0;
    if (!readSchemaVersion(conn, version, error)) return false;
    if (version > target) {
        error = "baza ma schemat w wersji " + std::to_string(version) +
                ", nowszej niz ten pcstat (" + std::to_string(target) + ")";
        return false;
    }
    for (; version < target; ++version)
        if (!conn.exec(steps[version], error)) return false;
    return true;
}

std::string monthPartition(Day day) {
    std::chrono::year_month_day date{day};
    char name[32];
    std::snprintf(name, sizeof name, "records_%04d%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()));
    return name;
}

bool ensureMonthPartition(PgConn& conn, Day day, std::string& error) {
    using namespace std::chrono;
    year_month_day date{day};
    year_month_day first{date.year(), date.month(), std::chrono::day{1}};
    year_month_day next{sys_days{first} + days{daysInMonth(day)}};
    return conn.exec("CREATE TABLE IF NOT EXISTS " + monthPartition(day) +
                         " PARTITION OF records FOR VALUES FROM ('" + dashedDate(sys_days{first}) +
                         "') TO ('" + dashedDate(sys_days{next}) + "')",
                     error);
}
