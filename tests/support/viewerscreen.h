// The texts of the viewer's screen as the tests expect them: the scroll,
// title, header and closing line feeds of a report, the prompt and the
// error banner.
#pragma once

#include <string>

namespace testsupport {

inline const std::string scroll(100, '\n');
inline const std::string header = "\n godz;wzrost;  stan;\n";
inline const std::string closing = "\n\n\n\n\n";
inline const std::string prompt =
    "jezeli chcesz zakonczyc, wpisz -1\n"
    "jezeli chcesz sprawdzac inne daty wpisz ile dni temu -> ";
inline const std::string banner = "\nWystapily bledy w programi. Komunikaty powyzej\n\n";

inline std::string title(const std::string& date, const std::string& entry) {
    return "Data " + date + ". Raport dla wejścia:\n" + entry + "\n";
}

// The whole screen of a report with the given rows.
inline std::string screen(const std::string& date, const std::string& entry,
                          const std::string& rows) {
    return scroll + title(date, entry) + header + rows + closing;
}

}  // namespace testsupport
