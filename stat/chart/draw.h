// The one drawing routine behind every format of the chart.
#pragma once

#include <cairo.h>

#include "chart.h"

// Draws input on cr over an area of width x height user units, which are
// the PNG's pixels.  Texts must be valid UTF-8 (see cleanChartText).
void drawChartOn(cairo_t* cr, const ChartInput& input, double width, double height);
