// The command line, read with getopt_long.
#include "options.h"

#include <getopt.h>

#include <cstdlib>

namespace {

enum OptionId {
    optDate = 256,
    optFrom,
    optTo,
    optDays,
    optBy,
    optFormat,
    optCheck,
    optChart,
    optSize,
    optDashboard,
    optHelp,
    optVersion,
    optLoad,
};

// The options of comparisons, sales and shops.
enum ShopOptionId {
    optCompare = 512,
    optSales,
    optLabel,
    optByShop,
    optLeague,
    optCsvSep,
};

const struct option longOptions[] = {
    {"date", required_argument, nullptr, optDate},
    {"from", required_argument, nullptr, optFrom},
    {"to", required_argument, nullptr, optTo},
    {"days", required_argument, nullptr, optDays},
    {"by", required_argument, nullptr, optBy},
    {"format", required_argument, nullptr, optFormat},
    {"check", no_argument, nullptr, optCheck},
    {"chart", required_argument, nullptr, optChart},
    {"size", required_argument, nullptr, optSize},
    {"compare", required_argument, nullptr, optCompare},
    {"sales", required_argument, nullptr, optSales},
    {"label", required_argument, nullptr, optLabel},
    {"by-shop", no_argument, nullptr, optByShop},
    {"league", no_argument, nullptr, optLeague},
    {"csv-sep", required_argument, nullptr, optCsvSep},
    {"dashboard", required_argument, nullptr, optDashboard},
    {"help", no_argument, nullptr, optHelp},
    {"version", no_argument, nullptr, optVersion},
    {"load", required_argument, nullptr, optLoad},
    {nullptr, 0, nullptr, 0},
};

constexpr long maxDays = 100000;  // about 270 years: more than any report holds

// The words of --by and --format.
template <typename Value>
struct Choice {
    const char* word;
    Value value;
};
constexpr Choice<Period> periodChoices[] = {{"hour", Period::hour},
                                            {"day", Period::day},
                                            {"week", Period::week},
                                            {"month", Period::month},
                                            {"weekday", Period::weekday}};
constexpr Choice<OutputFormat> formatChoices[] = {{"table", OutputFormat::table},
                                                  {"csv", OutputFormat::csv},
                                                  {"json", OutputFormat::json},
                                                  {"html", OutputFormat::html}};

template <typename Value, std::size_t count>
bool choose(const std::string& word, const Choice<Value> (&choices)[count], Value& value) {
    for (const Choice<Value>& choice : choices)
        if (word == choice.word) {
            value = choice.value;
            return true;
        }
    return false;
}

bool readDayCount(const std::string& text, long& count) {
    if (text.empty() || text.size() > 6 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    count = std::atol(text.c_str());
    return count >= 1 && count <= maxDays;
}

// The days the options name, with today as the default.
struct DayChoice {
    std::string date, from, to;
    long days = 0;
};

bool chooseDays(const DayChoice& choice, Day today, Options& options, std::string& error) {
    auto date = [&](const std::string& text, Day& day) {
        if (parseDate(text, today, day)) return true;
        error = "zla data: " + text + " (RRRR-MM-DD, RRRRMMDD, today, yesterday lub -N)";
        return false;
    };
    if (!choice.date.empty()) {
        if (!choice.from.empty() || !choice.to.empty() || choice.days > 0) {
            error = "--date nie laczy sie z --from, --to ani --days";
            return false;
        }
        if (!date(choice.date, options.from)) return false;
        options.to = options.from;
        return true;
    }
    if (!choice.from.empty() && choice.days > 0) {
        error = "--days nie laczy sie z --from";
        return false;
    }
    options.to = today;
    if (!choice.to.empty() && !date(choice.to, options.to)) return false;
    options.from = options.to;
    if (!choice.from.empty() && !date(choice.from, options.from)) return false;
    if (choice.days > 0) options.from = options.to - std::chrono::days{choice.days - 1};
    if (options.from > options.to) {
        error = "--from " + dashedDate(options.from) + " jest pozniej niz --to " +
                dashedDate(options.to);
        return false;
    }
    if ((options.to - options.from).count() >= maxDays) {
        error = "za wiele dni";
        return false;
    }
    return true;
}

// One option of comparisons, sales and shops; false with a message for a
// bad value.
bool readShopOption(int id, const std::string& value, Options& options, std::string& error) {
    switch (id) {
        case optCompare:
            if (value != "previous" && value != "year") {
                error = "zle porownanie --compare " + value + " (previous lub year)";
                return false;
            }
            options.compare = value == "year" ? CompareWith::year : CompareWith::previous;
            return true;
        case optSales: options.sales = value; return true;
        case optLabel:
            if (value.find('=') == std::string::npos || value.front() == '=' ||
                value.back() == '=') {
                error = "zla etykieta --label " + value + " (NAZWA=WEJSCIE)";
                return false;
            }
            options.labels.push_back(value);
            return true;
        case optByShop: options.byShop = true; return true;
        case optLeague: options.league = true; return true;
        case optCsvSep:
            if (value != "," && value != ";") {
                error = "zly separator --csv-sep " + value + " (',' lub ';')";
                return false;
            }
            options.csvSep = value[0];
            return true;
    }
    return false;
}

// How the options of comparisons, sales and shops combine with the others.
bool checkShopOptions(const Options& options, bool byGiven, std::string& error) {
    bool any = options.compare != CompareWith::none || !options.sales.empty() || options.byShop ||
               options.league;
    if (options.check && any) {
        error = "--check nie laczy sie z --compare, --sales, --by-shop ani --league";
        return false;
    }
    if (options.league && options.byShop) {
        error = "--league nie laczy sie z --by-shop";
        return false;
    }
    if (options.league && (byGiven || !options.chart.empty())) {
        error = options.chart.empty() ? "--league nie laczy sie z --by"
                                      : "--league nie laczy sie z --chart";
        return false;
    }
    return true;
}

// --load stores the days instead of printing them: nothing that shapes
// printed output goes with it; --sales then loads the sales too.
bool checkLoadOptions(const Options& parsed, bool byGiven, bool formatGiven, std::string& error) {
    if (parsed.load.empty()) return true;
    const char* other = parsed.check                          ? "--check"
                        : byGiven                             ? "--by"
                        : formatGiven                         ? "--format"
                        : !parsed.chart.empty()               ? "--chart"
                        : parsed.compare != CompareWith::none ? "--compare"
                        : !parsed.labels.empty()              ? "--label"
                        : parsed.byShop                       ? "--by-shop"
                        : parsed.league                       ? "--league"
                        : parsed.csvSep != ','                ? "--csv-sep"
                        : !parsed.dashboard.empty()           ? "--dashboard"
                                                              : nullptr;
    if (other != nullptr) error = std::string("--load nie laczy sie z ") + other;
    return other == nullptr;
}

}  // namespace

bool parseOptions(int argc, char** argv, Day today, Options& options, std::string& error) {
    Options parsed;
    DayChoice choice;
    bool byGiven = false;
    bool formatGiven = false;
    bool sizeGiven = false;
    opterr = 0;  // the messages are ours
    optind = 1;
    int id;
    while ((id = getopt_long(argc, argv, "h", longOptions, nullptr)) != -1) {
        std::string value = optarg != nullptr ? optarg : "";
        switch (id) {
            case optDate: choice.date = value; break;
            case optFrom: choice.from = value; break;
            case optTo: choice.to = value; break;
            case optDays:
                if (!readDayCount(value, choice.days)) {
                    error = "zla liczba dni: " + value;
                    return false;
                }
                break;
            case optBy:
                if (!choose(value, periodChoices, parsed.by)) {
                    error = "zly okres --by " + value + " (hour, day, week, month lub weekday)";
                    return false;
                }
                byGiven = true;
                break;
            case optFormat:
                if (!choose(value, formatChoices, parsed.format)) {
                    error = "zly format --format " + value + " (table, csv, json lub html)";
                    return false;
                }
                formatGiven = true;
                break;
            case optCheck: parsed.check = true; break;
            case optChart:
                if (!chartFormatFor(value, parsed.chartFormat)) {
                    error = "zly plik wykresu --chart " + value + " (.png, .svg lub .pdf)";
                    return false;
                }
                parsed.chart = value;
                break;
            case optSize:
                if (!parseChartSize(value, parsed.chartWidth, parsed.chartHeight)) {
                    error = "zly rozmiar --size " + value + " (SZERxWYS, od " +
                            std::to_string(chartMinWidth) + "x" + std::to_string(chartMinHeight) +
                            " do " + std::to_string(chartMaxSide) + "x" +
                            std::to_string(chartMaxSide) + ")";
                    return false;
                }
                sizeGiven = true;
                break;
            case optCompare:
            case optSales:
            case optLabel:
            case optByShop:
            case optLeague:
            case optCsvSep:
                if (!readShopOption(id, value, parsed, error)) return false;
                break;
            case optDashboard:
                if (value.empty()) {
                    error = "--dashboard wymaga katalogu";
                    return false;
                }
                parsed.dashboard = value;
                break;
            case 'h':
            case optHelp: parsed.help = true; break;
            case optVersion: parsed.version = true; break;
            case optLoad: parsed.load = value; break;
            default: {
                std::string option = optind > 0 && optind <= argc ? argv[optind - 1] : "?";
                if (optopt != 0 && optopt < optDate)
                    error = "nieznana opcja -" + std::string(1, static_cast<char>(optopt));
                else if (optopt != 0)
                    error = "opcja " + option + " wymaga wartosci";
                else
                    error = "nieznana opcja " + option;
                return false;
            }
        }
    }
    for (int i = optind; i < argc; ++i) parsed.entrances.emplace_back(argv[i]);
    if (parsed.help || parsed.version) {
        options = parsed;
        return true;
    }
    if (!checkLoadOptions(parsed, byGiven, formatGiven, error)) return false;
    if (parsed.check && byGiven) {
        error = "--check nie laczy sie z --by";
        return false;
    }
    if (!parsed.chart.empty() && (parsed.check || formatGiven)) {
        error =
            parsed.check ? "--check nie laczy sie z --chart" : "--chart nie laczy sie z --format";
        return false;
    }
    if (sizeGiven && parsed.chart.empty()) {
        error = "--size wymaga --chart";
        return false;
    }
    if (!checkShopOptions(parsed, byGiven, error)) return false;
    if (!parsed.dashboard.empty()) {
        const char* other =
            parsed.check            ? "--check"
            : !parsed.chart.empty() ? "--chart"
            : formatGiven           ? "--format"
            : byGiven               ? "--by"
            : !choice.date.empty() || !choice.from.empty() || !choice.to.empty() || choice.days > 0
                ? "--date, --from, --to i --days"
                : nullptr;
        if (other != nullptr) {
            error = std::string("--dashboard nie laczy sie z ") + other;
            return false;
        }
    }
    if (!chooseDays(choice, today, parsed, error)) return false;
    if (!byGiven) parsed.by = parsed.from == parsed.to ? Period::hour : Period::day;
    options = parsed;
    return true;
}

std::string usageText() {
    return "Uzycie: pcstat [OPCJA]... [WEJSCIE]...\n"
           "Liczby odwiedzajacych z raportow pcpoll, albo sprawdzenie raportow (--check).\n"
           "\n"
           "  --date DATA          jeden dzien\n"
           "  --from DATA          pierwszy dzien (domyslnie --to)\n"
           "  --to DATA            ostatni dzien (domyslnie dzisiaj)\n"
           "  --days N             N dni konczacych sie dniem --to\n"
           "  --by OKRES           wiersz na: hour, day, week, month lub weekday\n"
           "                       (domyslnie hour dla jednego dnia, day dla wielu)\n"
           "  --format FORMAT      table, csv, json lub html (domyslnie table); html to\n"
           "                       jedna strona z tabela, uwagami i wykresem\n"
           "  --check              braki i bledy w raportach zamiast liczb\n"
           "  --chart PLIK         wykres tych wierszy zamiast tekstu: PNG, SVG lub PDF\n"
           "                       wedlug rozszerzenia PLIKU (.png, .svg, .pdf)\n"
           "  --size SZERxWYS      rozmiar wykresu w pikselach (domyslnie 1200x600)\n"
           "  --compare OKRES      porownanie z okresem: previous (tyle samo dni\n"
           "                       wczesniej) lub year (364 dni wczesniej)\n"
           "  --sales PLIK         sprzedaz z kasy (csv) i konwersja\n"
           "  --label NAZWA=WEJSCIE  wlasna etykieta wejscia\n"
           "  --by-shop            kolumna na sklep (katalog raportow)\n"
           "  --league             wiersz na sklep za caly okres, wedlug liczby\n"
           "                       odwiedzajacych\n"
           "  --csv-sep ZNAK       separator csv: ',' (domyslnie) lub ';' z przecinkiem\n"
           "                       dziesietnym\n"
           "  --dashboard KATALOG  strona KATALOG/index.html: dzisiaj, ostatnie dni i tygodnie,\n"
           "                       srednie dni tygodnia, ostatnie odczyty i kompletnosc\n"
           "  --load POLACZENIE    te dni do bazy PostgreSQL zamiast liczb (napis\n"
           "                       polaczenia libpq, np. dbname=korvane); z --sales\n"
           "                       takze sprzedaz (kolumna shop)\n"
           "  -h, --help           ten opis\n"
           "  --version            wersja\n"
           "\n"
           "DATA: RRRR-MM-DD, RRRRMMDD, today, yesterday albo -N (N dni temu).\n"
           "WEJSCIE: nazwa wywolania pollera (/opt/velmora/NAZWA.conf), nazwa z pcview\n"
           "(/var/log/korvane/NAZWA_RRRRMMDD.csv) albo sciezka raportu jak entry pollera\n"
           "(/srv/raporty/door1.csv) albo katalog raportow (kazda seria NAZWA_RRRRMMDD.csv\n"
           "w nim). Bez WEJSCIA: kazdy poller z /opt/velmora/*.conf.\n";
}
