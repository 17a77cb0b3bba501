// The chart's formats and files: one cairo surface per format, all drawn by
// drawChartOn, collected in memory and written whole to a temporary file
// that is renamed into place, so that a reader never sees half a picture,
// or handed over in memory for a page.
#include "chart.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <memory>

#include "draw.h"
#include "filewrite.h"
#include "text.h"

namespace {

// SVG and PDF are drawn in points: a pixel of the PNG is 1/96 inch, the
// size CSS gives a pixel, so the three formats show the chart alike.
constexpr double pointsPerPixel = 72.0 / 96.0;

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

std::string xmlEscaped(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            default: escaped += c;
        }
    }
    return escaped;
}

// cairo draws the texts of an SVG as glyph outlines; a <title> element
// after the root's start tag names the picture for readers and search.
void addSvgTitle(std::string& svg, const std::string& title) {
    const std::size_t root = svg.find("<svg");
    const std::size_t end = root == std::string::npos ? root : svg.find('>', root);
    if (end == std::string::npos) return;
    svg.insert(end + 1, "\n<title>" + xmlEscaped(title) + "</title>");
}

std::string statusText(cairo_status_t status) { return cairo_status_to_string(status); }

// Draws on surface and finishes it; false with error on failure.
bool drawOnSurface(cairo_surface_t* surface, const ChartInput& input, int width, int height,
                   double scale, std::string& error) {
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, scale, scale);
    drawChartOn(cr, input, width, height);
    const cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    if (status != CAIRO_STATUS_SUCCESS) {
        error = statusText(status);
        return false;
    }
    return true;
}

bool renderChart(const ChartInput& input, ChartFormat format, int width, int height,
                 std::string& bytes, std::string& error) {
    using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
    const double pointWidth = width * pointsPerPixel;
    const double pointHeight = height * pointsPerPixel;
    Surface surface(nullptr, cairo_surface_destroy);
    switch (format) {
        case ChartFormat::png:
            surface.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
            break;
        case ChartFormat::svg:
            surface.reset(
                cairo_svg_surface_create_for_stream(appendBytes, &bytes, pointWidth, pointHeight));
            break;
        case ChartFormat::pdf:
            surface.reset(
                cairo_pdf_surface_create_for_stream(appendBytes, &bytes, pointWidth, pointHeight));
            break;
    }
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        error = statusText(cairo_surface_status(surface.get()));
        return false;
    }
    if (format == ChartFormat::pdf) {
        cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE,
                                       input.title.c_str());
        cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_CREATOR, "pcstat");
    }
    const double scale = format == ChartFormat::png ? 1.0 : pointsPerPixel;
    if (!drawOnSurface(surface.get(), input, width, height, scale, error)) return false;
    if (format == ChartFormat::png) {
        const cairo_status_t status =
            cairo_surface_write_to_png_stream(surface.get(), appendBytes, &bytes);
        if (status != CAIRO_STATUS_SUCCESS) {
            error = statusText(status);
            return false;
        }
    }
    cairo_surface_finish(surface.get());
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        error = statusText(cairo_surface_status(surface.get()));
        return false;
    }
    if (format == ChartFormat::svg) addSvgTitle(bytes, input.title);
    return true;
}

bool sizeAllowed(int width, int height, std::string& error) {
    if (width >= chartMinWidth && height >= chartMinHeight && width <= chartMaxSide &&
        height <= chartMaxSide)
        return true;
    error = "zly rozmiar wykresu " + std::to_string(width) + "x" + std::to_string(height);
    return false;
}

}  // namespace

// cairo keeps the fonts it has looked up, and fontconfig its configuration,
// for the life of the program.  Once a chart's surface and context are gone
// no cairo object is left, so both are released: a program draws its charts
// and ends, and the leak checker of the sanitizer build sees a clean exit.
void releaseChartFonts() {
    cairo_debug_reset_static_data();
    FcFini();
}

bool drawChartSvg(const ChartInput& input, int width, int height, std::string& svg,
                  std::string& error) {
    svg.clear();
    return sizeAllowed(width, height, error) &&
           renderChart(cleanChartInput(input), ChartFormat::svg, width, height, svg, error);
}

bool drawChart(const ChartInput& input, const std::string& path, ChartFormat format, int width,
               int height, std::string& error) {
    if (!sizeAllowed(width, height, error)) return false;
    std::string bytes;
    const bool rendered = renderChart(cleanChartInput(input), format, width, height, bytes, error);
    releaseChartFonts();
    // A new file's mode: 0666 less the umask.
    if (!rendered || !replaceFile(path, bytes, ReplaceRules{}, error)) {
        error = "nie mozna zapisac wykresu " + path + ": " + error;
        return false;
    }
    return true;
}
