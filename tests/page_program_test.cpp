// The real pcstat (scratch-root copy) writing pages: --format html with
// its table, notes and chart, hostile names on a page, the check as a
// page, --dashboard on a faked clock with its sections, its files written
// whole, and the usage errors of the new options.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "record.h"
#include "statrun.h"
#include "testsupport.h"

using namespace testsupport;

namespace {

constexpr int runTimeoutMs = 60000;

std::string rec(const std::string& time, int total, int faults = 0, int noAnswer = 0) {
    return recordLine(recordBodyText(time, total, faults, noAnswer));
}

struct PageRun {
    explicit PageRun(const std::string& name) : dir(name) {
        makeDirs(dir.root("/opt/velmora"));
        makeDirs(dir.root("/var/log/korvane"));
        makeDirs(dir.path + "/reports");
    }
    void report(const std::string& name, const std::string& date, const std::string& text) {
        writeFile(dir.path + "/reports/" + name + "_" + date + ".csv", text);
    }
    // A poller open 09:00-11:00 every 15 minutes, writing reports/NAME.csv.
    void conf(const std::string& name) {
        writeFile(dir.root("/opt/velmora/" + name + ".conf"),
                  "portname = /dev/null\nentry = " + dir.path + "/reports/" + name +
                      ".csv\nrecordtime = 900\nopentime = 09:00-11:00\n");
    }
    ProcessResult run(std::vector<std::string> args, const std::string& fakeTime = "") {
        return runStat(dir.path, std::move(args), runTimeoutMs, "UTC", fakeTime);
    }
    ScratchDir dir;
};

// The text between the first occurrence of from and the next of to.
std::string between(const std::string& text, const std::string& from, const std::string& to) {
    const std::size_t start = text.find(from);
    if (start == std::string::npos) return "";
    const std::size_t end = text.find(to, start);
    return end == std::string::npos ? "" : text.substr(start, end + to.size() - start);
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}

// Nine records of a day, 09:00 to 11:00, rising by step from start.
std::string day(int start, int step) {
    std::string text;
    int total = start;
    for (const char* time :
         {"09:00", "09:15", "09:30", "09:45", "10:00", "10:15", "10:30", "10:45", "11:00"}) {
        text += rec(time, total);
        total += step;
    }
    return text;
}

}  // namespace

TEST(PageReport, TheTableNotesAndChartOnOnePage) {
    PageRun r("page_report");
    r.conf("door1");
    r.conf("door2");
    r.report("door1", "20110314", day(100, 2));
    r.report("door1", "20110315", day(116, 3));
    r.report("door2", "20110314", day(0, 1) + "10:99;garbage\n");
    // 2011-03-15 of door2: no file.
    ProcessResult page = r.run({"--format", "html", "--from", "2011-03-14", "--to", "2011-03-15"},
                               "@2011-03-20 12:00:00");
    ASSERT_EQ(page.status, 0) << page.err;
    EXPECT_EQ(page.out.rfind("<!DOCTYPE html>\n<html lang=\"pl\">\n", 0), 0u);
    EXPECT_NE(page.out.find("<title>Odwiedzający, wejścia: door1, door2</title>"),
              std::string::npos);
    EXPECT_NE(page.out.find("<p>Dni 2011-03-14 - 2011-03-15 (2 dni), wiersz na dzień</p>\n"),
              std::string::npos);
    // The numbers of the text table: door1 8 x 2 and 8 x 3, door2 8 and
    // no file.
    EXPECT_NE(
        page.out.find("<thead><tr><th scope=\"col\">dzień</th><th scope=\"col\">door1</th>"
                      "<th scope=\"col\">door2</th><th scope=\"col\">razem</th></tr></thead>\n"
                      "<tbody>\n"
                      "<tr><th scope=\"row\">2011-03-14 pn</th><td>16</td><td>8</td>"
                      "<td>24</td></tr>\n"
                      "<tr><th scope=\"row\">2011-03-15 wt</th><td>24</td><td>0</td>"
                      "<td>24</td></tr>\n</tbody>\n"
                      "<tfoot><tr><th scope=\"row\">razem</th><td>40</td><td>8</td>"
                      "<td>48</td></tr></tfoot>\n"),
        std::string::npos)
        << page.out;
    ProcessResult table =
        r.run({"--from", "2011-03-14", "--to", "2011-03-15"}, "@2011-03-20 12:00:00");
    // Every note of the text table is a paragraph of the page.
    std::vector<std::string> lines = splitLines(table.out);
    std::size_t notes = 0;
    for (const std::string& line : lines)
        if (line.rfind("Uwaga", 0) == 0 || line.rfind("Brak", 0) == 0 ||
            line.rfind("Szczegóły", 0) == 0) {
            ++notes;
            EXPECT_NE(page.out.find("<p class=\"note\">" + line + "</p>\n"), std::string::npos)
                << line;
        }
    EXPECT_GE(notes, 2u) << table.out;
    EXPECT_NE(page.out.find("<figure><svg role=\"img\""), std::string::npos);
    EXPECT_EQ(page.out.find("<?xml"), std::string::npos);
    EXPECT_EQ(page.out.find("<script"), std::string::npos);
    EXPECT_NE(page.out.find("<footer>Zapisano 2011-03-20 12:00 przez pcstat.</footer>\n</body>\n"
                            "</html>\n"),
              std::string::npos);
}

// The weekly mail's page: the last 7 days to yesterday against the 7
// before, with the compared visitors and the change in every row, the
// summary lines of the text table and the compared bars on the chart.
TEST(PageReport, TheWeeklyMailShowsTheChange) {
    PageRun r("page_compare");
    r.conf("door1");
    r.conf("door2");
    r.report("door1", "20110315", day(0, 2));  // 16
    r.report("door1", "20110308", day(0, 1));  // 8
    r.report("door2", "20110316", day(0, 3));  // 24
    r.report("door2", "20110309", day(0, 1));  // 8
    r.report("door2", "20110310", day(0, 2));  // 16
    const std::vector<std::string> args = {"--days",    "7",         "--to",
                                           "yesterday", "--compare", "previous"};
    std::vector<std::string> pageArgs = {"--format", "html"};
    pageArgs.insert(pageArgs.end(), args.begin(), args.end());
    ProcessResult page = r.run(pageArgs, "@2011-03-22 12:00:00");
    ASSERT_EQ(page.status, 0) << page.err;
    EXPECT_NE(page.out.find("<p>Dni 2011-03-15 - 2011-03-21 (7 dni), wiersz na dzień</p>\n"),
              std::string::npos)
        << page.out;
    auto row = [](const std::string& day, const std::string& cells) {
        return "<tr><th scope=\"row\">" + day + "</th>" + cells + "</tr>\n";
    };
    EXPECT_NE(
        page.out.find(
            "<thead><tr><th scope=\"col\">dzień</th><th scope=\"col\">door1</th>"
            "<th scope=\"col\">door2</th><th scope=\"col\">razem</th>"
            "<th scope=\"col\">wcześniej</th><th scope=\"col\">zmiana</th></tr></thead>\n"
            "<tbody>\n" +
            row("2011-03-15 wt", "<td>16</td><td>0</td><td>16</td><td>8</td><td>+100,0%</td>") +
            row("2011-03-16 śr", "<td>0</td><td>24</td><td>24</td><td>8</td><td>+200,0%</td>") +
            row("2011-03-17 cz", "<td>0</td><td>0</td><td>0</td><td>16</td><td>-100,0%</td>") +
            row("2011-03-18 pt", "<td>0</td><td>0</td><td>0</td><td>0</td><td></td>") +
            row("2011-03-19 sb", "<td>0</td><td>0</td><td>0</td><td>0</td><td></td>") +
            row("2011-03-20 nd", "<td>0</td><td>0</td><td>0</td><td>0</td><td></td>") +
            row("2011-03-21 pn", "<td>0</td><td>0</td><td>0</td><td>0</td><td></td>") +
            "</tbody>\n<tfoot><tr><th scope=\"row\">razem</th><td>16</td><td>24</td><td>40</td>"
            "<td>32</td><td>+25,0%</td></tr></tfoot>\n"),
        std::string::npos)
        << page.out;
    // The summary lines of the text table, the change of the whole range
    // among them, each a paragraph of the page.
    ProcessResult table = r.run(args, "@2011-03-22 12:00:00");
    ASSERT_EQ(table.status, 0) << table.err;
    const std::string change =
        "Zmiana całego okresu: +25,0% (40 wobec 32 w dniach 2011-03-08 - 2011-03-14)";
    EXPECT_NE(table.out.find(change + "\n"), std::string::npos) << table.out;
    EXPECT_NE(page.out.find("<p>Najwięcej w dniu: 2011-03-16 śr (24)</p>\n"), std::string::npos);
    EXPECT_NE(
        page.out.find("<p>Średnio na dzień otwarty: 5,7 (7 dni)</p>\n<p>" + change + "</p>\n"),
        std::string::npos)
        << page.out;
    for (const std::string& line : splitLines(table.out))
        if (line.rfind("Najwięcej", 0) == 0 || line.rfind("Średnio", 0) == 0 ||
            line.rfind("Zmiana", 0) == 0) {
            EXPECT_NE(page.out.find("<p>" + line + "</p>\n"), std::string::npos) << line;
        }
    // The chart with the compared periods is the chart of --chart with
    // --compare: its outlines and its legend are there.
    const std::string svgPath = r.dir.path + "/compared.svg";
    std::vector<std::string> chartArgs = args;
    chartArgs.insert(chartArgs.end(), {"--chart", svgPath, "--size", "1200x520"});
    ProcessResult chart = r.run(chartArgs, "@2011-03-22 12:00:00");
    ASSERT_EQ(chart.status, 0) << chart.err;
    ProcessResult plain =
        r.run({"--format", "html", "--days", "7", "--to", "yesterday"}, "@2011-03-22 12:00:00");
    const std::string figure = between(page.out, "<figure>", "</figure>");
    const std::string plainFigure = between(plain.out, "<figure>", "</figure>");
    ASSERT_FALSE(figure.empty()) << page.out;
    EXPECT_NE(figure, plainFigure);
    std::string drawn = readFile(svgPath);
    drawn = drawn.substr(drawn.find("viewBox="));
    const std::string inlined = figure.substr(figure.find("viewBox="));
    // The same drawing but for the ids' prefix.
    EXPECT_EQ(count(inlined, "<path"), count(drawn, "<path"));
    EXPECT_EQ(count(inlined, "<use"), count(drawn, "<use"));
    EXPECT_EQ(plain.out.find("wcześniej"), std::string::npos);
}

TEST(PageReport, NamesFromOutsideCannotActOnThePage) {
    PageRun r("page_hostile");
    const std::string name = "<b>x\x1B[2J";
    writeFile(r.dir.path + "/reports/" + name + "_20110314.csv", rec("10:00", 7) + rec("10:15", 9));
    ProcessResult page = r.run(
        {"--format", "html", "--date", "2011-03-14", r.dir.path + "/reports/" + name + ".csv"});
    ASSERT_EQ(page.status, 0) << page.err;
    EXPECT_EQ(page.out.find("<b>"), std::string::npos);
    EXPECT_EQ(page.out.find('\x1B'), std::string::npos);
    EXPECT_NE(page.out.find("<th scope=\"col\">&lt;b&gt;x\\x1B[2J</th>"), std::string::npos)
        << page.out;
}

TEST(PageReport, TheCheckAsAPage) {
    PageRun r("page_check");
    r.conf("door1");
    r.report("door1", "20110314", rec("09:00", 1) + rec("09:15", 2) + "09:30;bad\n");
    ProcessResult page = r.run({"--check", "--format", "html", "--date", "2011-03-14", "door1"},
                               "@2011-03-14 09:40:00");
    EXPECT_EQ(page.status, 1);
    EXPECT_NE(page.out.find("<title>Sprawdzenie raportów</title>"), std::string::npos);
    // The line that is not a record, and the 09:30 reading it should have been.
    EXPECT_NE(page.out.find("<p class=\"bad\">Sprawdzono 1 wejście, 1 dzień: 2 uwagi. "
                            "Oczekiwane rekordy według obecnej konfiguracji pollerów.</p>\n"),
              std::string::npos)
        << page.out;
    EXPECT_NE(page.out.find("<tr><th scope=\"row\">door1</th><td>2011-03-14</td>"
                            "<td>malformed</td><td>3</td><td>to nie jest cały rekord</td></tr>\n"
                            "<tr><th scope=\"row\">door1</th><td>2011-03-14</td>"
                            "<td>missing-record</td><td></td><td>1 (09:30)</td></tr>\n</tbody>"),
              std::string::npos)
        << page.out;
}

TEST(PageDashboard, TodayTheWeeksAndTheChecksOnTheFakedClock) {
    PageRun r("page_dashboard");
    r.conf("door1");
    r.conf("door2");
    // Monday 2011-03-14 at 10:20; the same Monday a week before rose by 5
    // a record; door2 without 2011-03-12.  Each day starts above the last.
    for (int d = 1; d <= 13; ++d) {
        const std::string date = "201103" + std::string(d < 10 ? "0" : "") + std::to_string(d);
        r.report("door1", date, day(100 * d, d == 7 ? 5 : 1));
        if (d != 12) r.report("door2", date, day(20 * d, 2));
    }
    r.report("door1", "20110314",
             rec("09:00", 1400) + rec("09:15", 1404) + rec("09:30", 1410) + rec("09:45", 1411) +
                 rec("10:00", 1420) + rec("10:15", 1421, 0, 1));
    r.report("door2", "20110314",
             rec("09:00", 280) + rec("09:15", 282) + rec("09:30", 284) + rec("09:45", 286) +
                 rec("10:00", 288) + rec("10:15", 290));
    const std::string now = "@2011-03-14 10:20:00";
    ProcessResult run = r.run({"--dashboard", "www"}, now);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    const std::string page = readFile(r.dir.path + "/www/index.html");
    struct stat st {};
    ASSERT_EQ(stat((r.dir.path + "/www/index.html").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u) << "0666 less the umask 022";

    EXPECT_NE(page.find("<p>Stan na <time datetime=\"2011-03-14 10:20\">2011-03-14 10:20</time>, "
                        "poniedziałek."),
              std::string::npos);
    // The entrances: the latest reading and whether the counter answers.
    EXPECT_NE(page.find("<tr><th scope=\"row\">door1</th><td>10:15</td><td>nie odpowiada</td>"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("<tr><th scope=\"row\">door2</th><td>10:15</td><td>odpowiada</td>"),
              std::string::npos);
    // Today in all beside the same Monday a week ago: an increase counts in
    // the hour it ends in (the 09:00 reading's in 08:00-09:00).
    const std::string today = between(page, "<section id=\"razem\">", "</table>");
    EXPECT_NE(today.find("<tbody>\n"
                         "<tr><th scope=\"row\">08:00-09:00</th><td>96</td><td>96</td></tr>\n"
                         "<tr><th scope=\"row\">09:00-10:00</th><td>28</td><td>28</td></tr>\n"
                         "<tr><th scope=\"row\">10:00-11:00 (do teraz)</th><td>2</td>"
                         "<td>28</td></tr>\n</tbody>\n"
                         "<tfoot><tr><th scope=\"row\">razem</th><td>126</td><td>152</td></tr>"
                         "</tfoot>"),
              std::string::npos)
        << today;
    // The sections of door1 alone.
    const std::string door1 = between(page, "<section id=\"wejscie-1\">", "</section>");
    EXPECT_NE(door1.find("<h2>Wejście door1</h2>"), std::string::npos);
    EXPECT_NE(door1.find("<tr><th scope=\"row\">09:00-10:00</th><td>20</td><td>20</td></tr>\n"
                         "<tr><th scope=\"row\">10:00-11:00 (do teraz)</th><td>0</td><td>20</td>"
                         "</tr>\n"),
              std::string::npos)
        << door1;
    // Its Monday a week ago (92 over the night, 8 x 5) against a Monday
    // without a file.
    EXPECT_NE(door1.find("<tr><th scope=\"row\">2011-03-07 pn</th><td>132</td>"
                         "<td>2011-02-28 pn</td><td>0</td><td>—</td></tr>"),
              std::string::npos)
        << door1;
    // The last 7 days against the 7 before, the four weeks, the weekdays.
    EXPECT_NE(page.find("<caption>Ostatnie 7 dni wobec 7 dni wcześniej</caption>"),
              std::string::npos);
    EXPECT_NE(page.find("<caption>Ostatnie 4 tygodnie (po 7 dni do wczoraj)</caption>"),
              std::string::npos);
    EXPECT_NE(page.find("<caption>Średnio według dnia tygodnia, ostatnie 8 tygodni "
                        "(2011-01-17 - 2011-03-13)</caption>"),
              std::string::npos);
    EXPECT_EQ(page.find("<figure>"), page.find("<figure><svg role=\"img\""));
    // The completeness panel: door2's missing day and door1's unanswered
    // reading, nothing after 10:20.
    const std::string panel = between(page, "<section id=\"kompletnosc\">", "</section>");
    EXPECT_NE(panel.find("<tr><th scope=\"row\">door1</th><td>1</td><td>unanswered 1</td></tr>\n"
                         "<tr><th scope=\"row\">door2</th><td>1</td><td>missing-file 1</td></tr>"),
              std::string::npos)
        << panel;
    EXPECT_NE(panel.find("<tr><th scope=\"row\">2011-03-14</th><td>unanswered</td><td></td>"
                         "<td>1 (10:15)</td></tr>"),
              std::string::npos)
        << panel;
    EXPECT_EQ(panel.find("missing-record"), std::string::npos) << panel;
    EXPECT_NE(panel.find("<p>Szczegóły: pcstat --check --from 2011-03-08 --to 2011-03-14 door1 "
                         "door2</p>"),
              std::string::npos)
        << panel;
    EXPECT_NE(page.find("<footer>Zapisano 2011-03-14 10:20 przez pcstat --dashboard.</footer>"),
              std::string::npos);
    // Written whole: nothing but the page in the directory.
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(r.dir.path + "/www"))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"index.html"});
}

namespace {

// The fields of a csv line without quotes.
std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t comma = line.find(','); comma != std::string::npos;
         comma = line.find(',', start)) {
        parts.push_back(line.substr(start, comma - start));
        start = comma + 1;
    }
    parts.push_back(line.substr(start));
    return parts;
}

// Every href="..." of a page.
std::vector<std::string> links(const std::string& page) {
    std::vector<std::string> found;
    for (std::size_t at = page.find("href=\""); at != std::string::npos;
         at = page.find("href=\"", at + 1))
        found.push_back(page.substr(at + 6, page.find('"', at + 6) - at - 6));
    return found;
}

std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

// Three report directories are three shops: a page each, named after the
// shop (two names that differ only in case, one with characters a file
// name and a page must not carry), and the league as the index.
TEST(PageDashboard, SeveralShopsAPageEachAndTheLeagueAsIndex) {
    PageRun r("page_shops");
    const std::string hostile = "Łódź <1> & co";
    const std::vector<std::string> shops = {"north", "North", hostile};
    for (const std::string& shop : shops) makeDirs(r.dir.path + "/" + shop);
    auto report = [&](const std::string& shop, const std::string& name, const std::string& date,
                      const std::string& text) {
        writeFile(r.dir.path + "/" + shop + "/" + name + "_" + date + ".csv", text);
    };
    // Monday 2011-03-14 10:20: the last 7 days are 03-07 .. 03-13, the 7
    // before 02-28 .. 03-06.
    // Each file goes on from the total the last one ended with.
    report("north", "door1", "20110308", day(0, 1));  // 8
    report("north", "door1", "20110312", day(8, 2));  // 16
    report("north", "door2", "20110301", day(0, 3));  // 24, compared
    report("north", "door2", "20110314", rec("09:00", 24) + rec("09:15", 28));
    report("North", "door1", "20110310", day(0, 5));  // 40
    report("North", "door1", "20110314", rec("09:00", 40) + rec("09:15", 49) + rec("10:15", 52));
    report(hostile, "door1", "20110305", day(0, 1));  // 8, compared
    const std::string now = "@2011-03-14 10:20:00";
    ProcessResult run = r.run({"--dashboard", "www", "north", "North", hostile}, now);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    const std::string www = r.dir.path + "/www";
    EXPECT_EQ(filesIn(www), (std::vector<std::string>{"index.html", "sklep-d-1-co.html",
                                                      "sklep-north-2.html", "sklep-north.html"}));
    const std::string index = readFile(www + "/index.html");
    EXPECT_NE(index.find("<title>Odwiedzający w sklepach</title>"), std::string::npos);
    EXPECT_NE(index.find("<p>Stan na <time datetime=\"2011-03-14 10:20\">"), std::string::npos);
    // Every link of the index is a page written beside it, and each shop's
    // page leads back.
    const std::vector<std::string> targets = links(index);
    EXPECT_EQ(targets.size(), 9u) << "three shops in each of three tables";
    for (const std::string& target : targets) {
        EXPECT_TRUE(target == "sklep-north.html" || target == "sklep-north-2.html" ||
                    target == "sklep-d-1-co.html")
            << target;
        const std::string page = readFile(www + "/" + target);
        EXPECT_NE(page.find("<p><a href=\"index.html\">Wszystkie sklepy</a></p>"),
                  std::string::npos);
    }
    EXPECT_NE(readFile(www + "/sklep-north-2.html").find("<h1>Sklep North: Odwiedzający"),
              std::string::npos);
    // The outside name escaped wherever it stands.
    EXPECT_EQ(index.find("<1>"), std::string::npos);
    EXPECT_NE(index.find("<a href=\"sklep-d-1-co.html\">Łódź &lt;1&gt; &amp; co</a>"),
              std::string::npos)
        << index;
    EXPECT_NE(readFile(www + "/sklep-d-1-co.html").find("<h1>Sklep Łódź &lt;1&gt; &amp; co: "),
              std::string::npos);

    // The leagues are those of --league for the same days, shop by shop and
    // in all.
    struct Week {
        std::string id;
        std::vector<std::string> args;
    };
    for (const Week& week :
         {Week{"tydzien", {"--days", "7", "--to", "yesterday", "--compare", "previous"}},
          Week{"dzis", {"--date", "today"}}}) {
        std::vector<std::string> args = week.args;
        args.insert(args.end(), {"--league", "--format", "csv", "north", "North", hostile});
        ProcessResult csv = r.run(args, now);
        ASSERT_EQ(csv.status, 0) << csv.err;
        const std::string section =
            between(index, "<section id=\"" + week.id + "\">", "</section>");
        ASSERT_FALSE(section.empty()) << index;
        const std::vector<std::string> lines = splitLines(csv.out);
        ASSERT_EQ(lines.size(), 4u) << csv.out;
        long long total = 0, compared = 0;
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const std::vector<std::string> f = fields(lines[i]);
            std::string average = f[5];
            if (average.find('.') != std::string::npos) average[average.find('.')] = ',';
            const std::string shop = f[0] == hostile ? "Łódź &lt;1&gt; &amp; co" : f[0];
            std::string cells = "</a></th><td>" + f[2] + "</td><td>" + average + "</td>";
            if (week.id == "tydzien") cells += "<td>" + f[12] + "</td>";
            EXPECT_NE(section.find(">" + shop + cells), std::string::npos) << lines[i] << "\n"
                                                                           << section;
            total += std::stoll(f[2]);
            if (week.id == "tydzien") compared += std::stoll(f[12]);
        }
        EXPECT_NE(section.find("<tfoot><tr><th scope=\"row\">razem</th><td>" +
                               std::to_string(total) + "</td><td></td>" +
                               (week.id == "tydzien" ? "<td>" + std::to_string(compared) + "</td>"
                                                     : std::string())),
                  std::string::npos)
            << section;
    }
    // The numbers themselves: 8 + 16 against 24, 40 against nothing, 0
    // against 8; today 4, 12 and nothing.
    EXPECT_NE(index.find("<a href=\"sklep-north-2.html\">North</a></th><td>40</td><td>5,7</td>"
                         "<td>0</td><td></td>"),
              std::string::npos)
        << index;
    EXPECT_NE(index.find("<a href=\"sklep-north.html\">north</a></th><td>24</td><td>3,4</td>"
                         "<td>24</td><td>+0,0%</td>"),
              std::string::npos);
    EXPECT_NE(index.find("<tfoot><tr><th scope=\"row\">razem</th><td>16</td>"), std::string::npos);
    EXPECT_NE(index.find("<tfoot><tr><th scope=\"row\">razem</th><td>64</td><td></td><td>32</td>"
                         "<td>+100,0%</td>"),
              std::string::npos);
    // Completeness per shop: the counters answered at their latest reading
    // and the check has nothing to say, but the third shop has no reading
    // this week.
    const std::string complete = between(index, "<section id=\"kompletnosc\">", "</section>");
    EXPECT_NE(complete.find("<p class=\"bad\">Do sprawdzenia: Łódź &lt;1&gt; &amp; co.</p>"),
              std::string::npos)
        << complete;
    EXPECT_NE(complete.find("<tr><th scope=\"row\"><a href=\"sklep-north.html\">north</a></th>"
                            "<td>2</td><td>0</td><td>0</td></tr>\n"
                            "<tr><th scope=\"row\"><a href=\"sklep-north-2.html\">North</a></th>"
                            "<td>1</td><td>0</td><td>0</td></tr>\n"
                            "<tr><th scope=\"row\"><a href=\"sklep-d-1-co.html\">Łódź &lt;1&gt; "
                            "&amp; co</a></th><td>1</td><td>1</td><td>0</td></tr>\n"),
              std::string::npos);

    // The same league as a page of its own: the index's table without the
    // links.
    ProcessResult leaguePage = r.run({"--league", "--days", "7", "--to", "yesterday", "--compare",
                                      "previous", "--format", "html", "north", "North", hostile},
                                     now);
    ASSERT_EQ(leaguePage.status, 0) << leaguePage.err;
    EXPECT_EQ(leaguePage.out.rfind("<!DOCTYPE html>\n<html lang=\"pl\">", 0), 0u);
    EXPECT_NE(leaguePage.out.find("<h1>Sklepy według liczby odwiedzających</h1>\n"
                                  "<p>Dni 2011-03-07 - 2011-03-13 (7 dni), porównanie z "
                                  "2011-02-28 - 2011-03-06</p>\n"),
              std::string::npos)
        << leaguePage.out;
    std::string week = between(index, "<section id=\"tydzien\">", "</table>");
    week = week.substr(week.find("<thead>"));
    for (const char* page : {"sklep-north.html", "sklep-north-2.html", "sklep-d-1-co.html"}) {
        const std::string open = "<a href=\"" + std::string(page) + "\">";
        week.erase(week.find(open), open.size());
        week.erase(week.find("</a>"), 4);
    }
    EXPECT_NE(leaguePage.out.find(week), std::string::npos) << week << leaguePage.out;
    EXPECT_NE(leaguePage.out.find("<footer>Zapisano 2011-03-14 10:20 przez pcstat --league."),
              std::string::npos);

    // One shop: the index is its dashboard, as for configured pollers.
    ProcessResult one = r.run({"--dashboard", "one", "North"}, now);
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(filesIn(r.dir.path + "/one"), std::vector<std::string>{"index.html"});
    const std::string single = readFile(r.dir.path + "/one/index.html");
    EXPECT_NE(single.find("<h1>Odwiedzający, wejście: door1</h1>"), std::string::npos) << single;
    EXPECT_EQ(single.find("Wszystkie sklepy"), std::string::npos);
}

TEST(PageDashboard, WhereThePageCannotBeWritten) {
    PageRun r("page_dashboard_fail");
    r.conf("door1");
    r.report("door1", "20110314", day(0, 1));
    makeDirs(r.dir.path + "/www/index.html");  // a directory where the page goes
    ProcessResult taken = r.run({"--dashboard", "www"}, "@2011-03-14 12:00:00");
    EXPECT_EQ(taken.status, 2);
    EXPECT_EQ(taken.err, "pcstat: nie mozna zapisac www/index.html: not a regular file\n");
    ProcessResult deep = r.run({"--dashboard", "no/such/dir"}, "@2011-03-14 12:00:00");
    EXPECT_EQ(deep.status, 2);
    EXPECT_EQ(deep.err,
              "pcstat: nie mozna utworzyc katalogu no/such/dir: No such file or directory\n");
}

TEST(PageUsage, TheNewOptionsAndWhatTheyDoNotJoin) {
    PageRun r("page_usage");
    auto error = [&](std::vector<std::string> args) {
        ProcessResult result = r.run(std::move(args));
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        return result.err.substr(0, result.err.find('\n'));
    };
    EXPECT_EQ(error({"--format", "xml"}),
              "pcstat: zly format --format xml (table, csv, json lub html)");
    EXPECT_EQ(error({"--dashboard", "www", "--check"}),
              "pcstat: --dashboard nie laczy sie z --check");
    EXPECT_EQ(error({"--dashboard", "www", "--format", "html"}),
              "pcstat: --dashboard nie laczy sie z --format");
    EXPECT_EQ(error({"--dashboard", "www", "--by", "day"}),
              "pcstat: --dashboard nie laczy sie z --by");
    EXPECT_EQ(error({"--dashboard", "www", "--days", "7"}),
              "pcstat: --dashboard nie laczy sie z --date, --from, --to i --days");
    EXPECT_EQ(error({"--dashboard", "www", "--chart", "a.png"}),
              "pcstat: --dashboard nie laczy sie z --chart");
    EXPECT_EQ(error({"--dashboard", ""}), "pcstat: --dashboard wymaga katalogu");
    EXPECT_EQ(error({"--chart", "a.png", "--format", "html"}),
              "pcstat: --chart nie laczy sie z --format");
    ProcessResult help = r.run({"--help"});
    EXPECT_NE(help.out.find("  --dashboard KATALOG  strona KATALOG/index.html"), std::string::npos);
}
