// The pieces of pcstat's pages in the test's own process: HTML escaping of
// outside text, the chart's SVG made inline, tables and the page frame in
// exact bytes, the person table that the text table and the page share,
// and the dashboard's weekday rows against pcstat's own --by weekday.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chart.h"
#include "dashboard.h"
#include "dashboard_shops.h"
#include "html.h"
#include "html_report.h"
#include "pcutil.h"
#include "person_table.h"
#include "record.h"
#include "stats.h"
#include "testsupport.h"

using namespace testsupport;

namespace {

Day date(int y, unsigned m, unsigned d) {
    return Day{std::chrono::year{y} / std::chrono::month{m} / std::chrono::day{d}};
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}

}  // namespace

TEST(PageHtml, OutsideTextIsEscapedForHtmlAndForTheTerminalAlike) {
    EXPECT_EQ(htmlText("door1"), "door1");
    EXPECT_EQ(htmlText("<script>alert('x')</script> & \"y\""),
              "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; &quot;y&quot;");
    // Control characters and bytes that are not UTF-8 as the other formats
    // write them; Polish letters stay.
    EXPECT_EQ(htmlText("d\x1B[31m\xC5\n\xC2\x9Bśr"), "d\\x1B[31m\\xC5\\x0A\\xC2\\x9Bśr");
    EXPECT_EQ(htmlParagraph("a<b", "note"), "<p class=\"note\">a&lt;b</p>\n");
    EXPECT_EQ(htmlLines("one\n\ntwo\n", "ok"),
              "<p class=\"ok\">one</p>\n<p class=\"ok\">two</p>\n");
}

TEST(PageHtml, TablesHaveACaptionAndHeaderCells) {
    HtmlTable table;
    table.caption = "Dni <1>";
    table.header = {"dzień", "door&1"};
    table.rows = {{"2011-03-14 pn", "12"}, {"2011-03-15 wt", "zamknięte"}};
    table.foot = {"razem", "12"};
    EXPECT_EQ(htmlTable(table),
              "<div class=\"scroll\"><table>\n<caption>Dni &lt;1&gt;</caption>\n"
              "<thead><tr><th scope=\"col\">dzień</th><th scope=\"col\">door&amp;1</th></tr>"
              "</thead>\n<tbody>\n"
              "<tr><th scope=\"row\">2011-03-14 pn</th><td>12</td></tr>\n"
              "<tr><th scope=\"row\">2011-03-15 wt</th><td>zamknięte</td></tr>\n</tbody>\n"
              "<tfoot><tr><th scope=\"row\">razem</th><td>12</td></tr></tfoot>\n"
              "</table></div>\n");
    HtmlTable empty;
    empty.caption = "c";
    empty.header = {"a", "b", "c"};
    empty.emptyText = "brak rekordów";
    EXPECT_NE(htmlTable(empty).find("<tbody>\n<tr><td colspan=\"3\">brak rekordów</td></tr>\n"
                                    "</tbody>\n</table>"),
              std::string::npos);
}

TEST(PageHtml, RowsLinkToPagesWithTheAddressEscaped) {
    HtmlTable table;
    table.caption = "Sklepy";
    table.header = {"sklep", "odwiedzający"};
    table.rows = {{"a<b", "1"}, {"c", "2"}, {"d", "3"}};
    table.links = {"sklep-a-b.html", ""};
    table.foot = {"razem", "6"};
    EXPECT_EQ(htmlTable(table),
              "<div class=\"scroll\"><table>\n<caption>Sklepy</caption>\n"
              "<thead><tr><th scope=\"col\">sklep</th><th scope=\"col\">odwiedzający</th></tr>"
              "</thead>\n<tbody>\n"
              "<tr><th scope=\"row\"><a href=\"sklep-a-b.html\">a&lt;b</a></th><td>1</td></tr>\n"
              "<tr><th scope=\"row\">c</th><td>2</td></tr>\n"
              "<tr><th scope=\"row\">d</th><td>3</td></tr>\n</tbody>\n"
              "<tfoot><tr><th scope=\"row\">razem</th><td>6</td></tr></tfoot>\n</table></div>\n");
    table.links = {"x\"><script>"};
    EXPECT_NE(htmlTable(table).find("<a href=\"x&quot;&gt;&lt;script&gt;\">"), std::string::npos);
}

TEST(PageShops, EveryShopGetsAFileNameOfItsOwnThatNeedsNoEscaping) {
    std::vector<std::string> taken;
    EXPECT_EQ(shopPageName("north", taken), "sklep-north.html");
    EXPECT_EQ(shopPageName("North", taken), "sklep-north-2.html");
    EXPECT_EQ(shopPageName("NORTH", taken), "sklep-north-3.html");
    EXPECT_EQ(shopPageName("Łódź <1> & co", taken), "sklep-d-1-co.html");
    EXPECT_EQ(shopPageName("../../etc/passwd", taken), "sklep-etc-passwd.html");
    EXPECT_EQ(shopPageName("Sklep_2 (rynek)", taken), "sklep-sklep-2-rynek.html");
    EXPECT_EQ(shopPageName("żółć", taken), "sklep.html");
    EXPECT_EQ(shopPageName("", taken), "sklep-2.html");
    EXPECT_EQ(shopPageName(".", taken), "sklep-3.html");
    EXPECT_EQ(shopPageName("index", taken), "sklep-index.html");
    EXPECT_EQ(shopPageName(std::string(100, 'a') + "b", taken),
              "sklep-" + std::string(60, 'a') + ".html");
    EXPECT_EQ(shopPageName(std::string(59, 'a') + "-b", taken),
              "sklep-" + std::string(59, 'a') + ".html");
    EXPECT_EQ(taken.size(), 12u);
}

TEST(PageHtml, ThePageFrameIsPolishSelfContainedAndPrintable) {
    const std::string page = htmlPageStart("Odwiedzający <x>") + htmlPageEnd("Zapisano");
    EXPECT_EQ(
        page.rfind("<!DOCTYPE html>\n<html lang=\"pl\">\n<head>\n<meta charset=\"utf-8\">\n", 0),
        0u);
    EXPECT_NE(page.find("<title>Odwiedzający &lt;x&gt;</title>"), std::string::npos);
    EXPECT_NE(page.find("<h1>Odwiedzający &lt;x&gt;</h1>"), std::string::npos);
    EXPECT_NE(page.find("name=\"viewport\" content=\"width=device-width, initial-scale=1\""),
              std::string::npos);
    EXPECT_NE(page.find("@media print{@page{size:A4"), std::string::npos);
    EXPECT_NE(page.find(".scroll{overflow-x:auto"), std::string::npos);
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("http"), std::string::npos) << "nothing to fetch";
    const std::string end = "</main>\n<footer>Zapisano</footer>\n</body>\n</html>\n";
    EXPECT_EQ(page.substr(page.size() - end.size()), end);
}

TEST(PageSvg, TheChartStandsInlineWithIdsOfItsOwn) {
    const std::string svg =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"900pt\" height=\"450pt\" "
        "viewBox=\"0 0 900 450\" version=\"1.1\">\n<title>a id=\"b\" url(#c)</title>\n"
        "<defs><clipPath id=\"clip1\"><path d=\"M 0 0\"/></clipPath>"
        "<symbol id=\"glyph0-1\"/></defs>\n"
        "<use xlink:href=\"#glyph0-1\" x=\"1\"/><g clip-path=\"url(#clip1)\"/>\n</svg>\n";
    EXPECT_EQ(inlineSvg(svg, "w1-"),
              "<svg role=\"img\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 900 450\" "
              "version=\"1.1\">\n<title>a id=\"b\" url(#c)</title>\n"
              "<defs><clipPath id=\"w1-clip1\"><path d=\"M 0 0\"/></clipPath>"
              "<symbol id=\"w1-glyph0-1\"/></defs>\n"
              "<use xlink:href=\"#w1-glyph0-1\" x=\"1\"/><g clip-path=\"url(#w1-clip1)\"/>\n"
              "</svg>");
    EXPECT_EQ(inlineSvg("not a picture", "x-"), "");
}

TEST(PageSvg, ReferencesTextAndEmptyElementsPassAsTheyAre) {
    EXPECT_EQ(inlineSvg("\n <?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg/>", "x-"),
              "<svg role=\"img\"/>");
    EXPECT_EQ(inlineSvg("<svg viewBox=\"0 0 1 2\"\n\twidth=\"1pt\" role=\"picture\">"
                        "<title>Wejście &amp; &#x105;&#261; &lt;1&gt; \"a\"</title>"
                        "<g style=\"fill:URL(#m);stroke:none\" "
                        "transform=\"matrix(1,0,0,1,-2.5,3e-05)\">\n"
                        "<rect x=\"0\" y = \"0\" /></g ></svg>\n\n",
                        "p-"),
              "<svg role=\"img\" viewBox=\"0 0 1 2\">"
              "<title>Wejście &amp; &#x105;&#261; &lt;1&gt; \"a\"</title>"
              "<g style=\"fill:URL(#p-m);stroke:none\" "
              "transform=\"matrix(1,0,0,1,-2.5,3e-05)\">\n"
              "<rect x=\"0\" y=\"0\"/></g></svg>");
}

// Whatever the document holds, what comes onto the page is a drawing and
// nothing else: a document the chart does not write gives no element.
TEST(PageSvg, DocumentsThatCouldBreakThePageGiveNoElement) {
    const std::string head = "<svg viewBox=\"0 0 1 1\">";
    const std::vector<std::string> hostile = {
        "",
        "<?xml version=\"1.0\"?>",
        // Stopped the fuzzer: a root element with a quote in its name, an
        // XML declaration after it, an unfinished attribute.
        std::string("door<1>x\" \x1b[<svg'<?xml vers\xfe\"x\"</title><defs><symbol id=\"g=1\"/>"
                    "</defs><use xlink:href=\"#g0J\" \x1b['J \xc5\x9br \xfe \"/\xc5\x9br><g "
                    "clip-path=\"ur*></svg>e"),
        "text before <svg></svg>",
        "<svgx></svgx>",
        "<g></g>",
        head,                        // never closed
        head + "</g></svg>",         // closes what is not open
        head + "<g></svg>",          // closes the root over an open element
        head + "</svg><svg></svg>",  // a second root
        head + "</svg>x",            // text after the root
        head + "<script>alert(1)</script></svg>",
        head + "<foreignObject><p>x</p></foreignObject></svg>",
        head + "<image href=\"x.png\"/></svg>",
        head + "<svg></svg></svg>",           // another root inside
        head + "<title>a<g/></title></svg>",  // markup where a browser reads HTML
        head + "<title>a<b>c</b></title></svg>",
        head + "<!-- a comment --></svg>",
        head + "<![CDATA[x]]></svg>",
        "<!DOCTYPE svg>" + head + "</svg>",
        head + "<?php x ?></svg>",
        "<svg onload=\"alert(1)\"></svg>",
        head + "<g ONclick=\"x\"/></svg>",
        head + "<use xlink:href=\"http://example.org/a.svg#x\"/></svg>",
        head + "<use href=\"a.svg#x\"/></svg>",
        head + "<g style=\"fill:url(http:x)\"/></svg>",
        head + "<g style=\"fill:uRl( #x)\"/></svg>",
        head + "<g style=\"fill:u\\72l(x)\"/></svg>",  // a CSS escape
        head + "<g style=\"background:image-set('x' 1x)\"/></svg>",
        head + "<g x='1'/></svg>",  // quotes the chart does not write
        head + "<g x=1/></svg>",
        head + "<g x=\"1\"y=\"2\"/></svg>",   // attributes run together
        head + "<g x=\"1\" x=\"2\"/></svg>",  // twice
        head + "<g x=\"1/></svg>",
        head + "<g x=\"a<b\"/></svg>",
        "<svg xmlns=\"http://example.org/\"></svg>",
        "<svg xmlns:x=\"http://www.w3.org/2000/svg\"></svg>",
        head + "<title>&nbsp;</title></svg>",  // a name HTML knows but XML does not
        head + "<title>& x</title></svg>",
        head + "<title>&#0;</title></svg>",
        head + "<title>&#x1b;</title></svg>",
        head + "<title>&#xD800;</title></svg>",
        head + "<title>&#x110000;</title></svg>",
        head + "<title>&#;</title></svg>",
        head + "<title>&#12345678901234567890;</title></svg>",
        head + "<title>\x1b[2J</title></svg>",
        head + "<title>\xc2\x9b</title></svg>",  // C1 control
        head + "<title>\xff</title></svg>",
        head + "<title>\xc5</title></svg>",
    };
    for (const std::string& svg : hostile) EXPECT_EQ(inlineSvg(svg, "p-"), "") << svg;
    // The prefix is the program's own, but checked all the same.
    EXPECT_EQ(inlineSvg(head + "</svg>", "p\"-"), "");
    EXPECT_EQ(inlineSvg(head + "</svg>", "p-"), "<svg role=\"img\" viewBox=\"0 0 1 1\"></svg>");
    EXPECT_EQ(inlineSvg("<svg/>", ""), "<svg role=\"img\"/>");
}

TEST(PageSvg, TwoRealChartsShareAPageWithoutSharingAnId) {
    ChartInput input;
    input.title = "Odwiedzający <dziś>";
    input.entrances = {"door1", "door2"};
    input.periods = {"09", "10", "11"};
    input.visitors = {{3, 4}, {10, 2}, {0, 7}};
    input.total = 26;
    std::string first, second, error;
    ASSERT_TRUE(drawChartSvg(input, 900, 380, first, error)) << error;
    input.periods = {"pn", "wt", "śr"};
    ASSERT_TRUE(drawChartSvg(input, 900, 380, second, error)) << error;
    EXPECT_FALSE(drawChartSvg(input, 100, 380, second, error));
    EXPECT_EQ(error, "zly rozmiar wykresu 100x380");
    ASSERT_TRUE(drawChartSvg(input, 900, 380, second, error)) << error;
    releaseChartFonts();
    EXPECT_EQ(first.rfind("<?xml", 0), 0u);
    const std::string a = inlineSvg(first, "a-"), b = inlineSvg(second, "b-");
    EXPECT_EQ(a.rfind("<svg role=\"img\"", 0), 0u);
    EXPECT_EQ(a.find("<?xml"), std::string::npos);
    // Drawn in points, 96 pixels to the inch; sized by the page's style.
    EXPECT_NE(first.find("width=\"675pt\""), std::string::npos);
    EXPECT_EQ(a.find("width=\"675pt\""), std::string::npos);
    EXPECT_NE(a.find("viewBox=\"0 0 675 285\""), std::string::npos);
    EXPECT_NE(a.find("<title>Odwiedzający &lt;dziś&gt;</title>"), std::string::npos);
    // Every id and every reference carries the chart's prefix.
    EXPECT_GT(count(a, " id=\"a-"), 0u);
    EXPECT_EQ(count(a, " id=\""), count(a, " id=\"a-"));
    EXPECT_EQ(count(a, "href=\"#"), count(a, "href=\"#a-"));
    EXPECT_EQ(count(a, "url(#"), count(a, "url(#a-"));
    EXPECT_EQ(count(b, " id=\""), count(b, " id=\"b-"));
}

namespace {

StatTable weekdayFixture(Period by) {
    StatTable table;
    table.entrances = {"door1", "door2"};
    table.scheduled = {true, false};
    table.by = by;
    table.from = date(2011, 3, 14);
    table.to = date(2011, 3, 20);
    return table;
}

}  // namespace

TEST(PagePersonTable, CellsLabelsAndTotalsAsThePersonReadsThem) {
    StatTable table = weekdayFixture(Period::day);
    PeriodCounts open{.visitors = 30, .records = 4, .days = 1, .openDays = 1};
    PeriodCounts closed{.days = 1};
    PeriodCounts plain{.visitors = 5, .records = 2, .days = 1};
    table.rows.push_back({.day = date(2011, 3, 19), .entrances = {open, plain}});
    table.rows.push_back({.day = date(2011, 3, 20), .entrances = {closed, plain}, .soFar = true});
    PersonTable person = personTable(table);
    EXPECT_EQ(person.title,
              (std::vector<std::string>{"Odwiedzający, wejścia: door1, door2",
                                        "Dni 2011-03-14 - 2011-03-20 (7 dni), wiersz na dzień"}));
    EXPECT_EQ(person.firstHeader, "dzień");
    EXPECT_TRUE(person.sumColumn);
    EXPECT_EQ(person.labels,
              (std::vector<std::string>{"2011-03-19 sb", "2011-03-20 nd (do teraz)"}));
    EXPECT_EQ(person.cells,
              (std::vector<std::vector<std::string>>{{"30", "5"}, {"zamknięte", "5"}}));
    EXPECT_EQ(person.sums, (std::vector<long long>{35, 5}));
    EXPECT_EQ(person.lastLabel, "razem");
    EXPECT_EQ(person.totals, (std::vector<long long>{30, 10}));
    EXPECT_EQ(person.total, 40);

    // The same rows per weekday: averages per open day, per day without a
    // schedule.
    StatTable weekdays = weekdayTable(table);
    ASSERT_EQ(weekdays.rows.size(), 7u);
    EXPECT_EQ(weekdays.by, Period::weekday);
    EXPECT_EQ(weekdays.rows[5].entrances[0].visitors, 30);
    EXPECT_EQ(weekdays.rows[6].entrances[1].days, 1);
    EXPECT_EQ(weekdays.rows[0].entrances[0].days, 0);
    PersonTable averages = personTable(weekdays);
    EXPECT_EQ(averages.title[1],
              "Dni 2011-03-14 - 2011-03-20 (7 dni), wiersz na dzień tygodnia, średnio na dzień "
              "otwarcia");
    EXPECT_EQ(averages.labels[5], "sobota (1 dzień)");
    EXPECT_EQ(averages.cells[6], (std::vector<std::string>{"zamknięte", "5"}));
    EXPECT_EQ(averages.lastLabel, "średnio");
    EXPECT_EQ(averages.totals, (std::vector<long long>{30, 5}));
}

TEST(PageDashboard, WeekdayRowsAreThoseOfPcstatsOwnWeekdayTable) {
    ScratchDir dir("page_weekdays");
    makeDirs(dir.path + "/reports");
    writeFile(dir.path + "/door1.conf",
              "portname = /dev/null\nentry = " + dir.path +
                  "/reports/door1.csv\nrecordtime = 900\nopentime = 09:00-21:00\n");
    // Three weeks with varying days, a missing day and an unanswered record.
    long total = 100;
    for (Day day = date(2011, 3, 1); day <= date(2011, 3, 21); day += std::chrono::days{1}) {
        if (day == date(2011, 3, 9) || isoWeekday(day) == 6) continue;
        std::string text;
        for (int minute = 9 * 60; minute <= 21 * 60; minute += 15) {
            total += (minute / 15 + static_cast<int>(day.time_since_epoch().count())) % 5;
            const bool unanswered = day == date(2011, 3, 15) && minute == 12 * 60;
            text += recordLine(recordBodyText(fmt("%02d:%02d", minute / 60, minute % 60), total, 0,
                                              unanswered ? 1 : 0));
        }
        writeFile(dir.path + "/reports/door1_" + compactDate(day) + ".csv", text);
    }
    Places places{dir.path + "/", dir.path + "/viewer/"};
    std::vector<Entrance> entrances;
    Entrance door;
    std::string error;
    ASSERT_TRUE(resolveEntrance("door1", places, door, error)) << error;
    ASSERT_TRUE(door.scheduled);
    entrances.push_back(door);
    Options options;
    options.from = date(2011, 3, 2);
    options.to = date(2011, 3, 20);
    options.by = Period::day;
    StatTable days, direct;
    ASSERT_TRUE(computeStatTable(entrances, options, days, error)) << error;
    options.by = Period::weekday;
    ASSERT_TRUE(computeStatTable(entrances, options, direct, error)) << error;
    StatTable summed = weekdayTable(days);
    ASSERT_EQ(summed.rows.size(), direct.rows.size());
    for (std::size_t r = 0; r < direct.rows.size(); ++r) {
        const PeriodCounts& a = summed.rows[r].entrances[0];
        const PeriodCounts& b = direct.rows[r].entrances[0];
        EXPECT_EQ(summed.rows[r].weekday, direct.rows[r].weekday);
        EXPECT_EQ(a.visitors, b.visitors) << r;
        EXPECT_EQ(a.records, b.records) << r;
        EXPECT_EQ(a.unanswered, b.unanswered) << r;
        EXPECT_EQ(a.days, b.days) << r;
        EXPECT_EQ(a.openDays, b.openDays) << r;
        EXPECT_EQ(a.carried, b.carried) << r;
    }
    EXPECT_EQ(personTable(summed).cells, personTable(direct).cells);
    EXPECT_GT(direct.rows[2].entrances[0].visitors, 0) << "the data has Wednesdays";
}
