// The notes under the table.
#include "notes.h"

#include "escape.h"
#include "labels.h"
#include "polish.h"

namespace {

constexpr std::size_t namedPeriods = 5;  // more are counted, not named

// A word the shell reads as it stands, or the word in single quotes, or
// with bytes to escape in the $'...' form.
std::string shellWord(const std::string& word) {
    if (!word.empty() &&
        word.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                               "0123456789_./,:=+-@%") == std::string::npos)
        return word;
    if (needsEscaping(word)) {
        // A control character or a byte that is not UTF-8 must not reach
        // the terminal: the shell's $'...' form takes it as \xNN.
        std::string quoted;
        for (char c : word) {
            if (c == '\\' || c == '\'') quoted += '\\';
            quoted += c;
        }
        return "$'" + escapedText(quoted) + "'";
    }
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The periods whose counts of all entrances give a total above 0, named
// (up to namedPeriods) after the text, with the total before the aside
// when there is one; empty for none.  Hours are named by their date when
// byDate.
template <typename Count>
std::string periodLine(const StatTable& table, const std::string& text, const std::string& aside,
                       Count count, bool withTotal, bool byDate = false) {
    std::vector<std::string> named;
    long long total = 0;
    std::size_t periods = 0;
    std::string previous;
    for (const PeriodRow& row : table.rows) {
        long long sum = 0;
        for (const PeriodCounts& counts : row.entrances) sum += count(counts);
        if (sum <= 0) continue;
        total += sum;
        std::string label =
            byDate && table.by == Period::hour ? dashedDate(row.day) : tableLabel(table, row);
        if (label == previous) continue;
        previous = label;
        if (++periods <= namedPeriods) named.push_back(label);
    }
    if (periods == 0) return "";
    std::string line = text;
    if (withTotal) line += " (" + std::to_string(total) + aside + ")";
    line += ": ";
    for (std::size_t i = 0; i < named.size(); ++i) line += (i > 0 ? ", " : "") + named[i];
    if (periods > named.size())
        line += " i " + polishCount(static_cast<long long>(periods - named.size()), "inny okres",
                                    "inne okresy", "innych okresów");
    return line + ".\n";
}

}  // namespace

std::string checkCommand(const StatTable& table) {
    std::string command = "pcstat --check";
    if (table.from == table.to)
        command += " --date " + dashedDate(table.from);
    else
        command += " --from " + dashedDate(table.from) + " --to " + dashedDate(table.to);
    for (const std::string& name : table.named) command += " " + shellWord(name);
    return command;
}

std::string incompleteNotes(const StatTable& table) {
    long long unanswered = 0, faults = 0, unusable = 0;
    for (const PeriodRow& row : table.rows)
        for (const PeriodCounts& counts : row.entrances) {
            unanswered += counts.unanswered;
            faults += counts.faults;
        }
    for (long long lines : table.unusableLines) unusable += lines;
    std::vector<std::string> parts;
    if (unanswered > 0)
        parts.push_back(polishCount(unanswered, "odczyt", "odczyty", "odczytów") +
                        " bez odpowiedzi licznika");
    if (faults > 0)
        parts.push_back(polishCount(faults, "odczyt", "odczyty", "odczytów") +
                        " z usterką fotokomórki");
    if (unusable > 0)
        parts.push_back(polishCount(unusable, "wiersz", "wiersze", "wierszy") +
                        " raportu nie do użycia");
    std::string lines =
        periodLine(
            table, "Brak odczytów", "",
            [](const PeriodCounts& c) { return c.missing - c.missingOfFiles; }, true) +
        periodLine(
            table, "Brak plików raportu", "", [](const PeriodCounts& c) { return c.missingDays; },
            false, true) +
        periodLine(
            table, "Odwiedzający po przerwie w odczytach",
            ", mogą należeć do wcześniejszych godzin lub dni",
            [](const PeriodCounts& c) { return c.carried; }, true);
    if (parts.empty() && lines.empty()) return "";
    std::string text = "\nUwaga: ";
    for (std::size_t i = 0; i < parts.size(); ++i) text += (i > 0 ? ", " : "") + parts[i];
    text += parts.empty() ? "liczby mogą być niepełne.\n" : "; liczby mogą być niepełne.\n";
    return text + lines + "Szczegóły: " + checkCommand(table) + "\n";
}
