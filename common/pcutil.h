// Shared helpers of pcpoll and pcview: the configuration-file reader, clock
// and date texts, the line reader, the file test and the record checksum.
// Every function is stateless; the clock functions read the local time
// afresh on each call.
#pragma once

#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

// Which characters the configuration reader treats specially.
enum ConfSyntax {
    confPlain,         // the viewer's files: '#' is ordinary token material
    confHashComments,  // the poller's files: '#' starts a comment to end of line
};

// Looks up the triple "key = value" in the file at path.  Returns the number
// of times it was found, or -1 when the file cannot be opened (errno tells
// why); prints nothing.  value receives the last value found and is left
// untouched when nothing was found.  Tokens are kept whole, whatever their
// length.
int confLookup(const std::string& path, const std::string& key, std::string& value,
               ConfSyntax syntax);

// confLookup for pcpoll and pcview: a file that cannot be opened is also
// reported on standard output, "\nBlad - nie znaleziono pliku kofiguracji
// %s\n" with the path.
int confRead(const std::string& path, const std::string& key, std::string& value,
             ConfSyntax syntax);

// Every completed token of the file, in order, as confRead sees them.
// False, without a message, when the file cannot be opened.
bool confTokens(const std::string& path, ConfSyntax syntax, std::vector<std::string>& tokens);

// Seconds since local midnight; 86400 stands for 24:00.
constexpr int secondsPerDay = 86400;

int weekday();                         // 0 = Sunday .. 6 = Saturday
std::string gettime();                 // "HH:MM.SS" of now
std::string secondsText(int seconds);  // "HH:MM.SS" of a seconds-of-day value
int gettimesec();                      // seconds-of-day of now
std::string getdate(char separator);   // today's date text, see olddate
// Date text of the local calendar day daysBack days before today.  The
// selector '0' gives YYYYMMDD; any other character is put between year,
// month and day (YYYY-MM-DD for '-').
std::string olddate(long long daysBack, char separator);

int sTh(int seconds);  // whole hours of a seconds-of-day value
int sTm(int seconds);  // minutes within the hour

int fileExists(const std::string& path);  // 1 if it opens for reading, else 0

// Reads one line of at most capacity-1 characters, the line feed included
// when it fits; a longer line comes back in pieces.  Returns the number of
// characters stored, 0 only at end of file (a read error counts as end).
int fgetline(std::FILE* file, std::string& line, int capacity);

// 16-bit checksum of the first 255 characters of text (characters count
// as signed bytes); printed with "0X%04X".
int checksumll(std::string_view text);

// printf-style formatting into a std::string.
std::string fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Date and time texts of one moment, for lines that show both.
std::string dateText(std::time_t when, char separator);
std::string timeText(std::time_t when);
