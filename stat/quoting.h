// Fields of pcstat's machine-readable formats: a csv field and a JSON
// string, shared by the statistics and the findings.
#pragma once

#include <string>

// A field as RFC 4180 wants it: quoted when it holds the separator, a
// quote or a line end, with its quotes doubled.
std::string csvField(const std::string& text, char sep = ',');
// A JSON string, quotes included: valid UTF-8 JSON for any bytes.  The
// quote, the backslash and the control characters below 0x20 are escaped
// as JSON wants them; a byte that is not part of valid UTF-8 becomes the
// text \xNN (in JSON "\\xNN"), as escapedText writes it.  Texts from
// outside reach it already escaped (labels, details of findings), so that
// every format shows them alike.
std::string jsonString(const std::string& text);
