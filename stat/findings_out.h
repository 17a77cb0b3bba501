// Writing the findings of pcstat's check as they come: a line each in the
// table, csv or JSON Lines format, and the table's summary at the end.
#pragma once

#include <cstdio>

#include "check.h"
#include "options.h"

class FindingWriter {
public:
    FindingWriter(OutputFormat format, std::FILE* out);
    void write(const Finding& finding);
    // The summary line of the table format.
    void finish(const CheckSummary& summary);

private:
    OutputFormat format_;
    std::FILE* out_;
};
