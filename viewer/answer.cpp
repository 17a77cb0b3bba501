// The prompt and the operator's answers: how many days back to look, or a
// negative number to end.
#include "pcutil.h"
#include "viewer.h"

namespace {

constexpr const char* promptText =
    "jezeli chcesz zakonczyc, wpisz -1\n"
    "jezeli chcesz sprawdzac inne daty wpisz ile dni temu -> ";

// A number the viewer can act on: an end request, or a day it can date.
bool isUsable(long long daysBack) { return daysBack < 0 || dayExists(daysBack); }

}  // namespace

bool readAnswerLine(std::FILE* in, std::string& line, bool& overlong) {
    line.clear();
    overlong = false;
    int c = std::getc(in);
    if (c == EOF) return false;
    for (; c != EOF && c != '\n'; c = std::getc(in)) {
        if (line.size() < maxAnswerLength)
            line.push_back(static_cast<char>(c));
        else
            overlong = true;
    }
    return true;
}

bool dayExists(long long daysBack) { return !olddate(daysBack, '0').empty(); }

bool askDaysBack(std::FILE* in, std::FILE* out, long long& daysBack) {
    std::string line;
    bool overlong = false;
    long long value = 0;
    for (;;) {
        putText(out, promptText);
        std::fflush(out);
        if (!readAnswerLine(in, line, overlong)) return false;
        if (overlong || !parseDecimal(line, value) || !isUsable(value)) continue;
        putText(out, "\n");
        daysBack = value;
        return true;
    }
}
