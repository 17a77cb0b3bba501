// The two options every program answers before anything else: --help and
// --version as its first argument.
#pragma once

enum class InfoOption { none, help, version };

// What the first argument asks for; none for anything else, which the
// program then reads as it always has.
InfoOption infoOption(int argc, char** argv);
