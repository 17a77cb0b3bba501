// The dashboard of several shops: the shops' pages and the league index.
#include "dashboard_shops.h"

#include <algorithm>
#include <map>

#include "dashboard.h"
#include "html.h"
#include "html_report.h"
#include "league_page.h"
#include "shops.h"

namespace {

using std::chrono::days;

constexpr std::size_t longestPageStem = 60;

// What the index tells of a shop beside the league.
struct ShopState {
    std::string shop, page;
    std::size_t entrances = 0;
    std::size_t silent = 0;  // entrances not answering, or without a reading for a week
    long long findings = 0;  // of the check of the last dashboardCheckDays days
};

ShopState stateOf(const std::string& shop, const std::string& page, const Dashboard& d) {
    ShopState state{shop, page};
    state.entrances = d.latest.size();
    for (const LatestReading& latest : d.latest)
        if (!latest.found || !latest.answered) ++state.silent;
    for (const EntranceFindings& found : d.findings) state.findings += found.count;
    return state;
}

// The league of the shops over from..to, compared as asked.
bool leagueOf(const std::vector<Entrance>& entrances, Day from, Day to, CompareWith compare,
              std::time_t now, League& league, std::string& error) {
    Options options;
    options.from = from;
    options.to = to;
    options.by = Period::day;
    options.compare = compare;
    options.now = now;
    return computeLeague(entrances, options, nullptr, league, error);
}

std::string completenessSection(const std::vector<ShopState>& states, Day from, Day today) {
    std::string html = "<section id=\"kompletnosc\">\n<h2>Kompletność raportów</h2>\n";
    std::vector<std::string> troubled;
    for (const ShopState& state : states)
        if (state.silent > 0 || state.findings > 0) troubled.push_back(state.shop);
    if (troubled.empty()) {
        html += htmlParagraph("Wszystkie wejścia odpowiadają, sprawdzenie bez uwag.", "ok");
    } else {
        std::string names;
        for (const std::string& shop : troubled) names += (names.empty() ? "" : ", ") + shop;
        html += htmlParagraph("Do sprawdzenia: " + names + ".", "bad");
    }
    HtmlTable table;
    table.caption = "Wejścia bez odpowiedzi i uwagi sprawdzenia, dni " + dashedDate(from) + " - " +
                    dashedDate(today) + " (do teraz)";
    table.header = {"sklep", "wejścia", "nie odpowiada", "uwagi"};
    ShopState total{"razem", ""};
    for (const ShopState& state : states) {
        table.rows.push_back({state.shop, std::to_string(state.entrances),
                              std::to_string(state.silent), std::to_string(state.findings)});
        table.links.push_back(state.page);
        total.entrances += state.entrances;
        total.silent += state.silent;
        total.findings += state.findings;
    }
    table.foot = {total.shop, std::to_string(total.entrances), std::to_string(total.silent),
                  std::to_string(total.findings)};
    return html + htmlTable(table) + "</section>\n";
}

std::string leagueSection(const std::string& id, const std::string& heading, const League& league,
                          const std::map<std::string, std::string>& pageOf) {
    return "<section id=\"" + id + "\">\n<h2>" + htmlText(heading) + "</h2>\n" +
           htmlLeagueTable(league, pageOf) + "</section>\n";
}

}  // namespace

std::string shopPageName(const std::string& shop, std::vector<std::string>& taken) {
    std::string stem;
    for (char c : shop) {
        const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        const bool plain = (lower >= 'a' && lower <= 'z') || (lower >= '0' && lower <= '9');
        if (plain)
            stem += lower;
        else if (!stem.empty() && stem.back() != '-')
            stem += '-';
        if (stem.size() == longestPageStem) break;
    }
    while (!stem.empty() && stem.back() == '-') stem.pop_back();
    const std::string base = "sklep" + (stem.empty() ? "" : "-" + stem);
    std::string name = base + ".html";
    for (int n = 2; std::find(taken.begin(), taken.end(), name) != taken.end(); ++n)
        name = base + "-" + std::to_string(n) + ".html";
    taken.push_back(name);
    return name;
}

bool writeShopDashboards(const std::string& dir, const std::vector<Entrance>& entrances,
                         std::time_t now, std::string& error) {
    std::vector<std::size_t> shopOf;
    const std::vector<std::string> shops = shopsOf(entrances, shopOf);
    std::vector<std::string> taken;
    std::map<std::string, std::string> pageOf;
    std::vector<ShopState> states;
    Day checkFrom{};
    // A shop at a time: memory holds one shop's page.
    for (std::size_t s = 0; s < shops.size(); ++s) {
        std::vector<Entrance> members;
        for (std::size_t k = 0; k < entrances.size(); ++k)
            if (shopOf[k] == s) members.push_back(entrances[k]);
        Dashboard dashboard;
        if (!computeDashboard(members, now, dashboard, error)) return false;
        const std::string page = shopPageName(shops[s], taken);
        pageOf[shops[s]] = page;
        states.push_back(stateOf(shops[s], page, dashboard));
        checkFrom = dashboard.checkFrom;
        if (!writeDashboardFiles(dir, {{page, dashboardPage(dashboard, shops[s])}}, error))
            return false;
    }
    const Day today = localDayOf(now);
    League todayLeague, weekLeague;
    if (!leagueOf(entrances, today, today, CompareWith::none, now, todayLeague, error) ||
        !leagueOf(entrances, today - days{7}, today - days{1}, CompareWith::previous, now,
                  weekLeague, error))
        return false;
    const std::string index =
        htmlPageStart("Odwiedzający w sklepach") + dashboardStamp(now) +
        leagueSection("dzis", "Dziś do teraz", todayLeague, pageOf) +
        leagueSection("tydzien", "Ostatnie 7 dni wobec 7 dni wcześniej", weekLeague, pageOf) +
        completenessSection(states, checkFrom, today) +
        htmlPageEnd("Zapisano " + pageTime(now) + " przez pcstat --dashboard.");
    return writeDashboardFiles(dir, {{"index.html", index}}, error);
}
