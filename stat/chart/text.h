// Texts as the chart shows them.
#pragma once

#include <string>

#include "chart.h"

// text with every byte that is not part of valid UTF-8, and every control
// character, replaced by '?': cairo refuses invalid UTF-8, XML refuses
// control characters, and names of entrances come from outside.
std::string cleanChartText(const std::string& text);

// input with every text cleaned.
ChartInput cleanChartInput(const ChartInput& input);
