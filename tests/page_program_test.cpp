// The real pcstat (scratch-root copy) writing pages: --format html with
// its table, notes and chart, hostile names on a page, the check as a
// page, --dashboard on a faked clock with its sections, its files written
// whole, and the usage errors of the new options.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "record.h"
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
        ProcessSetup setup;
        setup.program = PC_TEST_STAT;
        setup.args = std::move(args);
        setup.workDir = dir.path;
        setup.timeZone = "UTC";
        setup.fakeTime = fakeTime;
        return runProcess(setup, runTimeoutMs);
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
