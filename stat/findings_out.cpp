// The findings of the check in the four formats.
#include "findings_out.h"

#include "html.h"
#include "polish.h"
#include "quoting.h"

namespace {

void put(std::FILE* out, const std::string& text) { std::fwrite(text.data(), 1, text.size(), out); }

}  // namespace

FindingWriter::FindingWriter(OutputFormat format, std::FILE* out) : format_(format), out_(out) {
    if (format_ == OutputFormat::csv) put(out_, "entrance,date,kind,line,detail\n");
}

void FindingWriter::write(const Finding& f) {
    std::string line = f.line > 0 ? std::to_string(f.line) : "";
    std::string kind = findingKindName(f.kind);
    switch (format_) {
        case OutputFormat::csv:
            put(out_, csvField(f.entrance) + "," + f.date + "," + kind + "," + line + "," +
                          csvField(f.detail) + "\n");
            break;
        case OutputFormat::json:
            put(out_, "{\"entrance\":" + jsonString(f.entrance) + ",\"date\":\"" + f.date +
                          "\",\"kind\":\"" + kind +
                          "\",\"line\":" + (line.empty() ? "null" : line) +
                          ",\"detail\":" + jsonString(f.detail) + "}\n");
            break;
        case OutputFormat::table:
            put(out_, f.entrance + " " + f.date + " " + kind + " " +
                          (line.empty() ? "" : "wiersz " + line + ": ") + f.detail + "\n");
            break;
        case OutputFormat::html:
            // The page needs the summary at its head: the rows wait for
            // finish (at most maxFindingsOfAKind of a kind, entrance and day).
            htmlRows_.push_back({f.entrance, f.date, kind, line, f.detail});
            break;
    }
}

std::string checkSummaryText(const CheckSummary& summary) {
    std::string text =
        "Sprawdzono " +
        polishCount(static_cast<long long>(summary.entrances), "wejście", "wejścia", "wejść") +
        ", " + polishCount(summary.days, "dzień", "dni", "dni") + ": " +
        (summary.findings == 0 ? std::string("bez uwag")
                               : polishCount(summary.findings, "uwaga", "uwagi", "uwag")) +
        ".";
    if (summary.unscheduled.size() < summary.entrances)
        text += " Oczekiwane rekordy według obecnej konfiguracji pollerów.";
    text += "\n";
    if (!summary.unscheduled.empty()) {
        text += "Bez konfiguracji pollera nie wiadomo, kiedy są rekordy; braków nie sprawdzono: ";
        for (std::size_t i = 0; i < summary.unscheduled.size(); ++i)
            text += (i > 0 ? ", " : "") + summary.unscheduled[i];
        text += ".\n";
    }
    return text;
}

void FindingWriter::finish(const CheckSummary& summary) {
    if (format_ == OutputFormat::table) put(out_, checkSummaryText(summary));
    if (format_ != OutputFormat::html) return;
    HtmlTable table;
    table.caption = "Uwagi";
    table.header = {"wejście", "dzień", "rodzaj", "wiersz", "szczegóły"};
    table.rows = std::move(htmlRows_);
    table.emptyText = "bez uwag";
    put(out_, htmlPageStart("Sprawdzenie raportów") +
                  htmlLines(checkSummaryText(summary), summary.findings == 0 ? "ok" : "bad") +
                  htmlTable(table) + htmlPageEnd("Zapisano przez pcstat --check."));
}
