// Fields of pcstat's machine-readable formats: a csv field and a JSON
// string, shared by the statistics and the findings.
#pragma once

#include <string>

// A field as RFC 4180 wants it: quoted when it holds a comma, a quote or a
// line end, with its quotes doubled.
std::string csvField(const std::string& text);
// A JSON string, quotes included.
std::string jsonString(const std::string& text);
