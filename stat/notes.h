// The notes under pcstat's table: what may make its numbers incomplete,
// one line per kind naming the periods, and the check command that shows
// the details.
#pragma once

#include <string>

#include "rows.h"

// The notes, with an empty line before them; empty when there is nothing
// to say.
std::string incompleteNotes(const StatTable& table);

// The exact pcstat --check command of the table's days and entrances.
std::string checkCommand(const StatTable& table);
