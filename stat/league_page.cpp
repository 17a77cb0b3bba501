// The league of shops as HTML.
#include "league_page.h"

#include "html.h"
#include "html_report.h"

std::string htmlLeagueTable(const League& league,
                            const std::map<std::string, std::string>& pageOf) {
    const std::vector<std::string> title = leagueTitle(league);
    HtmlTable table;
    table.caption = title[0] + "; " + title[1];
    table.header = leagueHeader(league);
    for (const LeagueRow& row : league.rows) {
        table.rows.push_back(leagueCells(league, row));
        const auto page = pageOf.find(row.shop);
        table.links.push_back(page == pageOf.end() ? "" : page->second);
    }
    table.foot = leagueCells(league, leagueTotal(league));
    table.emptyText = "brak sklepów";
    return htmlTable(table);
}

std::string htmlLeagueReport(const League& league, std::time_t now) {
    const std::vector<std::string> title = leagueTitle(league);
    return htmlPageStart(title[0]) + htmlParagraph(title[1]) + htmlLeagueTable(league) +
           htmlPageEnd("Zapisano " + pageTime(now) + " przez pcstat --league.");
}
