// pcstat --load against a real PostgreSQL 15 started by the test: the
// sums of every view against pcstat --format csv of the same entrances and
// days, hour by hour, over reports with wraps, resets, unanswered records,
// gaps, a missing file, a daylight-saving day and the 23:59 record; a
// second load that changes nothing; a changed file read again alone; a
// load cut off by the server's stop that leaves the previous state; the
// schema made from nothing and migrated from its previous version; sales
// and the conversion view; shops' directories with entrances of one name; libpq's message for a
// failed connection.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "calendar.h"
#include "expected.h"
#include "pcutil.h"
#include "pgconn.h"
#include "postgres.h"
#include "record.h"
#include "schema.h"
#include "testsupport.h"

using namespace testsupport;

namespace {

constexpr int runTimeoutMs = 60000;
constexpr const char* zone = "Europe/Warsaw";

// One server for the whole binary, a database per test.
PostgresServer* server = nullptr;

class LoadTest : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        if (!havePostgres()) return;
        server = new PostgresServer;
        std::string error;
        if (!server->start(error)) {
            delete server;
            server = nullptr;
            ADD_FAILURE() << error;
        }
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void SetUp() override {
        REQUIRE_POSTGRES();
        ASSERT_NE(server, nullptr);
        if (!server->running()) {
            std::string error;
            ASSERT_TRUE(server->restart(error)) << error;
        }
        database = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : database) c = static_cast<char>(std::tolower(c));
        std::string error;
        ASSERT_TRUE(server->createDatabase(database, error)) << error;
        makeDirs(dir.root("/opt/velmora"));
        makeDirs(dir.path + "/shopA");
        makeDirs(dir.path + "/shopB");
    }

    std::string conninfo() const { return server->conninfo(database); }
    std::string sql(const std::string& statement) const {
        CommandResult result = server->psql(statement, database);
        EXPECT_EQ(result.status, 0) << statement << "\n" << result.output;
        return result.output;
    }
    ProcessResult pcstat(std::vector<std::string> args) {
        ProcessSetup setup;
        setup.program = PC_TEST_STAT;
        setup.args = std::move(args);
        setup.workDir = dir.path;
        setup.timeZone = zone;
        return runProcess(setup, runTimeoutMs);
    }
    ProcessResult load(const std::string& from, const std::string& to) {
        return pcstat({"--load", conninfo(), "--from", from, "--to", to, "door1", door2()});
    }
    std::string door2() const { return dir.path + "/shopB/door2.csv"; }
    std::string door1File(const std::string& date) const {
        return dir.path + "/shopA/door1_" + date + ".csv";
    }

    ScratchDir dir{"load_test"};
    std::string database;
};

std::string rec(const std::string& time, long total, int faults = 0, int noAnswer = 0) {
    return recordLine(recordBodyText(time, static_cast<int>(total), faults, noAnswer));
}

Day dayOf(const std::string& dashed) {
    Day day{};
    parseDate(dashed, Day{}, day);
    return day;
}

// door1 of shopA: a poller with a schedule of every day 09:00-24:00 every
// 15 minutes, whose files hold what that schedule writes, with faults
// planted by the day; door2 of shopB: a report path with no schedule,
// records every 10 seconds over one hour a day.
struct Plant {
    long start = 100;         // the first total of the first day
    int unansweredFrom = -1;  // seconds-of-day of a stretch of unanswered records
    int unansweredTo = -1;
    int resetAt = -1;  // the total falls to 3 from this second on
    int gapFrom = -1;  // no records over this stretch
    int gapTo = -1;
    bool junk = false;  // a line that is not a record and a bad checksum
    int faultsAt = -1;  // a photocell fault in this record
};

Schedule door1Schedule() {
    Schedule schedule;
    for (int day = 0; day < daysPerWeek; ++day) {
        schedule.openTimes[day] = 9 * 3600;
        schedule.closeTimes[day] = secondsPerDay;
    }
    schedule.interval = 900;
    return schedule;
}

// Writes the files of door1 for the days, each file with the records its
// schedule expects (the day before's 23:59 at the head of the next).
void writeDoor1(const LoadTest& test, const std::vector<std::string>& dates,
                const std::map<std::string, Plant>& plants, long& total) {
    Schedule schedule = door1Schedule();
    for (const std::string& date : dates) {
        Plant plant = plants.count(date) ? plants.at(date) : Plant{};
        Day day = dayOf(date);
        std::vector<ExpectedMoment> moments;
        expectedMoments(schedule, day, moments);
        std::string text;
        for (const ExpectedMoment& m : moments) {
            int s = m.second;
            if (!m.dayBefore) {
                if (s >= plant.gapFrom && s < plant.gapTo) {
                    total += 40;  // visitors pass while nothing is written
                    continue;
                }
                if (s == plant.resetAt) total = 3;
            }
            total += 7 + s % 5;
            if (total > 999999) total -= 1000000;
            bool unanswered = !m.dayBefore && s >= plant.unansweredFrom && s < plant.unansweredTo;
            text += rec(momentText(s, schedule.interval), unanswered ? 0 : total,
                        !m.dayBefore && s == plant.faultsAt ? 2 : 0, unanswered ? 1 : 0);
            if (plant.junk && s == 12 * 3600) text += "12:05;  12; 0;\n12:06;    13; 0; 0;0X1234\n";
        }
        writeFile(test.door1File(compactDate(day)), text);
    }
}

void writeDoor2(const LoadTest& test, const std::vector<std::string>& dates) {
    long total = 500;
    for (const std::string& date : dates) {
        std::string text;
        for (int s = 13 * 3600; s < 14 * 3600; s += 10) {
            total += s % 3;
            text += rec(momentText(s, 10), total);
        }
        writeFile(test.dir.path + "/shopB/door2_" + compactDate(dayOf(date)) + ".csv", text);
    }
}

// The spring change of 2011 in Warsaw is on Sunday 27 March: its 02:00 hour
// does not exist.  The files run from the 24th (looked back at) to the
// 30th (whose head holds the 29th's last record); the 28th has no file.
void writeScenario(LoadTest& test) {
    std::map<std::string, Plant> plants;
    plants["2011-03-25"] = {.start = 0};
    plants["2011-03-26"] = {
        .unansweredFrom = 12 * 3600, .unansweredTo = 12 * 3600 + 1800, .resetAt = 15 * 3600};
    plants["2011-03-27"] = {.gapFrom = 10 * 3600, .gapTo = 11 * 3600, .junk = true};
    plants["2011-03-29"] = {.faultsAt = 18 * 3600};
    long total = 999700;  // wraps past 999999 on the 25th
    writeDoor1(test, {"2011-03-24", "2011-03-25", "2011-03-26", "2011-03-27"}, plants, total);
    writeDoor1(test, {"2011-03-29", "2011-03-30"}, plants, total);
    writeDoor2(test, {"2011-03-25", "2011-03-27", "2011-03-30"});
    writeFile(test.dir.root("/opt/velmora/door1.conf"),
              "portname = /dev/null\nentry = " + test.dir.path +
                  "/shopA/door1.csv\nrecordtime = 900\nopentime = 09:00-24:00\n");
}

// csv rows by "period,entrance": the columns after them.
std::map<std::string, std::string> csvRows(const std::string& text) {
    std::map<std::string, std::string> rows;
    std::vector<std::string> lines = splitLines(text);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::size_t second = lines[i].find(',', lines[i].find(',') + 1);
        rows[lines[i].substr(0, second)] = lines[i].substr(second + 1);
    }
    return rows;
}

const char* const columns =
    "period || ',' || entrance, visitors, records, unanswered, faults, days, open_days, "
    "expected, missing, carried";

// psql rows "key,rest" by key.
std::map<std::string, std::string> viewRows(const std::string& text) {
    std::map<std::string, std::string> rows;
    for (const std::string& line : splitLines(text)) {
        std::size_t second = line.find(',', line.find(',') + 1);
        rows[line.substr(0, second)] = line.substr(second + 1);
    }
    return rows;
}

// Every row of the view equals pcstat's; pcstat's rows missing from the
// view (an hour in which this entrance has nothing) count nothing.
void expectViewMatchesCsv(LoadTest& test, const std::string& by, const std::string& view) {
    ProcessResult csv = test.pcstat({"--from", "2011-03-25", "--to", "2011-03-29", "--by", by,
                                     "--format", "csv", "door1", test.door2()});
    ASSERT_EQ(csv.status, 0) << csv.err;
    std::map<std::string, std::string> expected = csvRows(csv.out);
    std::map<std::string, std::string> stored =
        viewRows(test.sql(std::string("SELECT ") + columns + " FROM " + view));
    ASSERT_GE(stored.size(), by == "hour" ? 50u : 2u) << view;
    for (const auto& [key, rest] : stored) {
        ASSERT_TRUE(expected.count(key)) << view << " has " << key << "," << rest;
        EXPECT_EQ(rest, expected[key]) << view << " " << key;
    }
    for (const auto& [key, rest] : expected) {
        if (stored.count(key)) continue;
        EXPECT_EQ(by, "hour") << view << " lacks " << key;
        std::vector<std::string> fields;
        std::size_t at = 0;
        for (std::size_t comma; (comma = rest.find(',', at)) != std::string::npos; at = comma + 1)
            fields.push_back(rest.substr(at, comma - at));
        fields.push_back(rest.substr(at));
        // visitors, records, unanswered, faults, carried; expected, missing
        for (std::size_t field : {0u, 1u, 2u, 3u, 8u}) EXPECT_EQ(fields[field], "0") << key;
        for (std::size_t field : {6u, 7u})
            EXPECT_TRUE(fields[field].empty() || fields[field] == "0") << key;
    }
}

// Everything the load stored, in one text (but when it was loaded).
std::string snapshot(LoadTest& test) {
    return test.sql(
        "SELECT (SELECT string_agg(r::text, '|' ORDER BY r::text) FROM records r), "
        "(SELECT string_agg(m::text, '|' ORDER BY m::text) FROM moments m), "
        "(SELECT string_agg(d::text, '|' ORDER BY d::text) FROM entrance_days d), "
        "(SELECT string_agg(concat_ws(',', shop, entrance, day, size, mtime_ns, head_only, "
        "whole, start_known, start_total, start_gap, end_known, end_total, end_gap), '|' "
        "ORDER BY shop, entrance, day) FROM files)");
}

}  // namespace

TEST_F(LoadTest, EveryViewSumsToPcstatsCsvHourByHour) {
    writeScenario(*this);
    ProcessResult loaded = load("2011-03-25", "2011-03-29");
    ASSERT_EQ(loaded.status, 0) << loaded.err;
    EXPECT_EQ(loaded.err, "");
    // door1: five days and the head of the 30th; door2 the same.
    EXPECT_EQ(loaded.out.substr(0, 21), "Zaladowano 12 plikow ");
    expectViewMatchesCsv(*this, "hour", "visitors_hourly");
    expectViewMatchesCsv(*this, "day", "visitors_daily");
    expectViewMatchesCsv(*this, "week", "visitors_weekly");
    expectViewMatchesCsv(*this, "month", "visitors_monthly");
    // What the scenario plants is there: the missing file, the gap, the
    // carried increases, the wrap counted once and the spring day's hours.
    EXPECT_EQ(sql("SELECT day, file_missing FROM visitors_daily WHERE entrance = 'door1' AND "
                  "file_missing"),
              "2011-03-28,t\n");
    EXPECT_EQ(sql("SELECT count(*) FROM records WHERE increase < 0 OR increase > 1000"), "0\n");
    // The findings of each entrance-day are those of --check, line for line.
    ProcessResult check = pcstat({"--check", "--from", "2011-03-25", "--to", "2011-03-29",
                                  "--format", "csv", "door1", door2()});
    EXPECT_EQ(check.status, 1) << check.err;
    std::vector<std::string> findings = splitLines(check.out);
    ASSERT_GT(findings.size(), 3u);
    findings.erase(findings.begin());  // the header
    std::vector<std::string> stored = splitLines(sql(
        "COPY (SELECT entrance, day, kind, line, detail FROM findings) TO STDOUT (FORMAT csv)"));
    std::sort(findings.begin(), findings.end());
    std::sort(stored.begin(), stored.end());
    EXPECT_EQ(stored, findings);
    EXPECT_EQ(sql("SELECT DISTINCT shop FROM records ORDER BY 1"), "shopA\nshopB\n");
    EXPECT_EQ(sql("SELECT count(*) > 0 FROM records WHERE carried"), "t\n");
    EXPECT_EQ(sql("SELECT count(*) FROM visitors_hourly WHERE day = '2011-03-27' AND hour = 2"),
              "0\n");
    // The moment is the real one: 09:00 is 08:00 UTC the day before the
    // spring change and 07:00 UTC on it; the 23:59 record at the head of
    // the 30th's file is the 29th's.
    EXPECT_EQ(sql("SET TIME ZONE 'UTC'; SELECT moment FROM records WHERE entrance = 'door1' AND "
                  "day BETWEEN '2011-03-26' AND '2011-03-27' AND time = '09:00' ORDER BY day"),
              "2011-03-26 08:00:00+00\n2011-03-27 07:00:00+00\n");
    EXPECT_EQ(sql("SELECT file_day, day, hour FROM records WHERE entrance = 'door1' AND "
                  "time = '23:59' AND day = '2011-03-29'"),
              "2011-03-30,2011-03-29,23\n");
}

TEST_F(LoadTest, ASecondLoadOfTheSameRangeChangesNothing) {
    writeScenario(*this);
    ASSERT_EQ(load("2011-03-25", "2011-03-29").status, 0);
    std::string before = snapshot(*this);
    ProcessResult again = load("2011-03-25", "2011-03-29");
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, "Zaladowano 0 plikow (0 rekordow), bez zmian 12\n");
    EXPECT_EQ(snapshot(*this), before);
}

TEST_F(LoadTest, AChangedFileIsReadAgainAndOnlyIt) {
    writeScenario(*this);
    ASSERT_EQ(load("2011-03-25", "2011-03-29").status, 0);
    // A record of the 26th becomes unanswered: its increase moves to the
    // next record, which is then carried; the day ends as before.
    std::string file = door1File("20110326");
    std::string text = readFile(file);
    std::size_t at = text.find("14:00;");
    ASSERT_NE(at, std::string::npos);
    std::size_t end = text.find('\n', at);
    text.replace(at, end + 1 - at, rec("14:00", 0, 0, 1));
    writeFile(file, text);
    ProcessResult reloaded = load("2011-03-25", "2011-03-29");
    EXPECT_EQ(reloaded.status, 0) << reloaded.err;
    EXPECT_EQ(reloaded.out.substr(0, 21), "Zaladowano 1 plikow (");
    EXPECT_EQ(sql("SELECT no_answer FROM records WHERE entrance = 'door1' AND "
                  "day = '2011-03-26' AND time = '14:00'"),
              "t\n");
    expectViewMatchesCsv(*this, "hour", "visitors_hourly");
    expectViewMatchesCsv(*this, "day", "visitors_daily");
    // A day whose last total changes is read again with the days it leads to.
    file = door1File("20110325");
    text = readFile(file);
    text += rec("23:58", 999);  // a later, lower total: the next day starts from a reset
    writeFile(file, text);
    reloaded = load("2011-03-25", "2011-03-29");
    EXPECT_EQ(reloaded.status, 0) << reloaded.err;
    EXPECT_EQ(reloaded.out.substr(0, 21), "Zaladowano 2 plikow (");
    expectViewMatchesCsv(*this, "hour", "visitors_hourly");
}

TEST_F(LoadTest, ALoadCutOffByTheServersStopLeavesThePreviousState) {
    writeScenario(*this);
    ASSERT_EQ(load("2011-03-25", "2011-03-29").status, 0);
    std::string before = snapshot(*this);
    // Forty days of door2 every 10 seconds round the clock: a load long
    // enough to be caught copying.
    long total = 0;
    for (int i = 0; i < 40; ++i) {
        std::string text;
        for (int s = 0; s < secondsPerDay; s += 10) text += rec(momentText(s, 10), total += 1);
        writeFile(dir.path + "/shopB/door2_" +
                      compactDate(dayOf("2011-04-01") + std::chrono::days{i}) + ".csv",
                  text);
    }
    writeFile(door1File("20110325"), readFile(door1File("20110325")) + rec("23:58", 5));
    ProcessSetup setup;
    setup.program = PC_TEST_STAT;
    setup.args = {"--load", conninfo(),   "--from", "2011-03-25",
                  "--to",   "2011-05-10", "door1",  door2()};
    setup.workDir = dir.path;
    setup.timeZone = zone;
    pid_t pid = startProcess(setup);
    bool copying = waitUntil(
        [&] {
            CommandResult active = server->psql(
                "SELECT count(*) FROM pg_stat_activity WHERE query LIKE 'COPY records%' AND "
                "datname = '" +
                database + "'");
            return active.output == "1\n";
        },
        20000);
    server->stop();
    ProcessResult cut = waitProcess(pid, setup, runTimeoutMs);
    ASSERT_TRUE(copying) << "the load was not seen copying: " << cut.out << cut.err;
    EXPECT_EQ(cut.status, 2);
    EXPECT_NE(cut.err.find("pcstat: "), std::string::npos) << cut.err;
    EXPECT_EQ(cut.out, "");
    std::string error;
    ASSERT_TRUE(server->restart(error)) << error;
    EXPECT_EQ(snapshot(*this), before);
}

TEST_F(LoadTest, TheSchemaIsMadeFromNothing) {
    writeScenario(*this);
    EXPECT_EQ(sql("SELECT count(*) FROM pg_tables WHERE schemaname = 'public'"), "0\n");
    ASSERT_EQ(load("2011-03-25", "2011-03-25").status, 0);
    EXPECT_EQ(sql("SELECT version FROM schema_version"), "2\n");
    EXPECT_EQ(sql("SELECT relname FROM pg_class WHERE relnamespace = 'public'::regnamespace AND "
                  "relkind IN ('r', 'p', 'v') ORDER BY relname"),
              "conversion_daily\nentrance_days\nfiles\nfindings\nhour_facts\nmoments\nrecords\n"
              "records_201103\nsales\nschema_version\nvisitors_daily\nvisitors_hourly\n"
              "visitors_monthly\nvisitors_weekly\n");
    // The records are partitioned by month, each month made as needed.
    EXPECT_EQ(
        sql("SELECT partstrat FROM pg_partitioned_table WHERE partrelid = 'records'::regclass"),
        "r\n");
    long total = 5000;
    writeDoor1(*this, {"2011-03-31", "2011-04-01"}, {}, total);
    ASSERT_EQ(load("2011-03-30", "2011-04-02").status, 0);
    EXPECT_EQ(sql("SELECT string_agg(c.relname, ',' ORDER BY c.relname) FROM pg_inherits i JOIN "
                  "pg_class c ON c.oid = i.inhrelid WHERE i.inhparent = 'records'::regclass"),
              "records_201103,records_201104\n");
    // The head of the 1 April file is March's, in March's partition.
    EXPECT_EQ(sql("SELECT tableoid::regclass, day, time FROM records WHERE entrance = 'door1' "
                  "AND file_day = '2011-04-01' AND day < file_day"),
              "records_201103,2011-03-31,23:59\n");
}

TEST_F(LoadTest, TheSchemaIsMigratedFromTheVersionBefore) {
    writeScenario(*this);
    {
        PgConn conn;
        std::string error;
        ASSERT_TRUE(conn.connect(conninfo(), error)) << error;
        ASSERT_TRUE(conn.exec("BEGIN", error)) << error;
        ASSERT_TRUE(upgradeSchema(conn, 1, error)) << error;
        ASSERT_TRUE(conn.exec("COMMIT", error)) << error;
    }
    EXPECT_EQ(sql("SELECT version FROM schema_version"), "1\n");
    EXPECT_EQ(sql("SELECT to_regclass('sales') IS NULL"), "t\n");
    ProcessResult loaded = load("2011-03-25", "2011-03-29");
    ASSERT_EQ(loaded.status, 0) << loaded.err;
    EXPECT_EQ(sql("SELECT version FROM schema_version"), "2\n");
    EXPECT_EQ(sql("SELECT to_regclass('sales') IS NOT NULL"), "t\n");
    expectViewMatchesCsv(*this, "day", "visitors_daily");
    // A later version than this pcstat knows is left alone.
    sql("UPDATE schema_version SET version = 3");
    ProcessResult newer = load("2011-03-25", "2011-03-29");
    EXPECT_EQ(newer.status, 2);
    EXPECT_EQ(newer.err, "pcstat: baza ma schemat w wersji 3, nowszej niz ten pcstat (2)\n");
}

TEST_F(LoadTest, SalesMakeTheConversionView) {
    writeScenario(*this);
    std::string sales = dir.path + "/sales.csv";
    writeFile(sales,
              "time,shop,transactions,revenue\n"
              "2011-03-25 10:15,shopA,3,\"120,50\"\n"
              "2011-03-25T11,shopA,2,80.00\n"
              "2011-03-25,shopB,4,0\n"
              "2011-03-27 12:00:30,shopA,1,9.99\n");
    ProcessResult loaded = pcstat({"--load", conninfo(), "--sales", sales, "--from", "2011-03-25",
                                   "--to", "2011-03-29", "door1", door2()});
    ASSERT_EQ(loaded.status, 0) << loaded.err;
    EXPECT_NE(loaded.out.find(", sprzedaz: 4 linii\n"), std::string::npos) << loaded.out;
    std::string visitors =
        sql("SELECT sum(visitors) FROM visitors_daily WHERE shop = 'shopA' AND day = '2011-03-25'");
    long shopA = std::stol(visitors);
    ASSERT_GT(shopA, 0);
    char expected[64];
    std::snprintf(expected, sizeof expected, "%ld,5,200.50,%.1f\n", shopA, 500.0 / shopA);
    EXPECT_EQ(sql("SELECT visitors, transactions, revenue, conversion_percent FROM "
                  "conversion_daily WHERE shop = 'shopA' AND day = '2011-03-25'"),
              expected);
    // Loaded again, the file replaces its own lines.
    ASSERT_EQ(
        pcstat({"--load", conninfo(), "--sales", sales, "--date", "2011-03-25", "door1"}).status,
        0);
    EXPECT_EQ(sql("SELECT count(*), sum(transactions) FROM sales"), "4,10\n");
    // A bad line is told as the statistics tell it and left out; the rest
    // of the file replaces its earlier lines, and the status says so.
    writeFile(sales, "time,shop,transactions\n2011-03-26,shopA,1\n2011-13-40,shopA,1\n");
    ProcessResult bad =
        pcstat({"--load", conninfo(), "--sales", sales, "--date", "2011-03-25", "door1"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "pcstat: " + sales +
                           ": wiersz 3: zly czas (RRRR-MM-DD GG:MM[:SS], RRRR-MM-DDTGG lub "
                           "RRRR-MM-DD)\n");
    EXPECT_EQ(sql("SELECT day, hour IS NULL, line, transactions, revenue FROM sales"),
              "2011-03-26,t,2,1,0.00\n");
    // A file without the shop column loads nothing and changes nothing.
    writeFile(sales, "time,transactions\n2011-03-26,7\n");
    ProcessResult noShop =
        pcstat({"--load", conninfo(), "--sales", sales, "--date", "2011-03-25", "door1"});
    EXPECT_EQ(noShop.status, 2);
    EXPECT_EQ(noShop.err, "pcstat: " + sales +
                              ": brak kolumny shop w naglowku (potrzebna sprzedaz wedlug "
                              "sklepow)\n");
    EXPECT_EQ(sql("SELECT count(*), sum(transactions) FROM sales"), "1,1\n");
}

TEST_F(LoadTest, ShopDirectoriesKeepTheirEntrancesNames) {
    // Two shops' directories, each with a door1 (no schedule): read
    // together their labels clash, yet the rows keep the name door1 in
    // each shop, and loading one shop alone again finds its file unchanged.
    for (const char* shop : {"krakow", "gdansk"}) {
        makeDirs(dir.path + "/reports/" + shop);
        writeFile(dir.path + "/reports/" + shop + "/door1_20110325.csv",
                  rec("10:00", 5) + rec("10:15", 9) + rec("11:00", 20));
    }
    ProcessResult both = pcstat({"--load", conninfo(), "--date", "2011-03-25", "reports/krakow/",
                                 dir.path + "/reports/gdansk"});
    ASSERT_EQ(both.status, 0) << both.err;
    EXPECT_EQ(sql("SELECT shop, entrance, sum(visitors) FROM visitors_daily GROUP BY 1, 2 "
                  "ORDER BY 1"),
              "gdansk,door1,15\nkrakow,door1,15\n");
    ProcessResult one = pcstat({"--load", conninfo(), "--date", "2011-03-25", "reports/krakow"});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(one.out, "Zaladowano 0 plikow (0 rekordow), bez zmian 2\n");
    EXPECT_EQ(sql("SELECT count(DISTINCT (shop, entrance)), count(*) FROM records"), "2,6\n");
}

TEST_F(LoadTest, AFailedConnectionIsLibpqsMessage) {
    writeScenario(*this);
    ProcessResult failed = pcstat(
        {"--load", "host=" + dir.path + "/nowhere dbname=x", "--date", "2011-03-25", "door1"});
    EXPECT_EQ(failed.status, 2);
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(failed.err.rfind("pcstat: connection to server on socket \"" + dir.path +
                                   "/nowhere/.s.PGSQL.5432\" failed: No such file or directory",
                               0),
              0u)
        << failed.err;
}
