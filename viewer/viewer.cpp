// The viewer's dialogue: the configuration is read once, then a report (or
// the error banner) and the prompt take turns until the operator types a
// negative number or the input ends.
//
// How the viewer treats input it cannot use:
//
// - Typed answers are read a line at a time.  A line is a number when it
//   holds only an optional sign and decimal digits, with blanks around
//   them allowed.  Any other line (empty, words, "1 2", a number beyond
//   the 64-bit range, a line over 1000 characters) is thrown away whole
//   and the prompt is printed again, with nothing else.  So is a number
//   of days back so large that its date cannot be represented.
// - End of input at the prompt ends the viewer at once with status 0.
//   A last line without a line feed still counts as a typed line.
// - A negative number ends the viewer with its low eight bits as the exit
//   status, as the system would cut it (-1 gives 255, -5 gives 251).  Where
//   that would give 0 (-256, -512, ...) the status is 255 instead, so that
//   0 always means the input ran out and never hides a typed end request.
// - A report line is shown only when it is a whole record: at most 99
//   characters with its line feed, five fields each ending in a semicolon,
//   line feed or byte 0xFF, a time text of at most 15 characters, and a
//   total, fault count and no-answer flag that are decimal numbers (at
//   most 19 characters each, blanks around the digits allowed) fitting a
//   long, an int and an int.  Any other line is skipped: a longer line as
//   a whole, never in pieces, and a last line without its line feed (a
//   record the poller may be writing at that moment).  The checksum field
//   is not checked.
// - A report is read only from a regular file.  Anything else at its path
//   (a FIFO, a device such as /dev/zero, a directory) is never read or
//   waited on: it is a report that is not found.
// - A row's time is shown with its control characters (C0, DEL, C1) and
//   the bytes that are not UTF-8 written as \xNN, so that a report file
//   cannot act on the operator's terminal; a poller's HH:MM or HH:MM.SS is
//   shown as it is.
// - Every record line of the file is shown, in file order, however many
//   there are; the rows are printed as the file is read.  The increase of
//   a row is taken over the previous row shown, and is printed exactly
//   even where it does not fit in a long.
// - After a configuration error there is no entry name: each report
//   request prints the "not found" message for the name it would try (the
//   directory, "_", the date and ".csv") and the error banner, without
//   opening anything.
// - Entry names and paths have no length limit of their own; a path the
//   system refuses is a report that is not found.
#include "confkeys.h"
#include "pcutil.h"
#include "viewer.h"

namespace {

constexpr long long statusMask = 0xFF;  // the bits of a status the system keeps
constexpr int wrappedEndStatus = 255;   // for end requests whose low bits are 0

// Shows the report of the day daysBack days ago.  An empty entry (after a
// configuration error; a configured value is never empty) opens nothing.
void showDay(std::FILE* out, const std::string& reportDir, const std::string& entry,
             long long daysBack) {
    std::string date = olddate(daysBack, '0');
    if (entry.empty() || date.empty()) {
        reportMissing(out, reportPath(reportDir, entry, date));
        return;
    }
    showReport(out, reportDir, entry, date);
}

}  // namespace

int exitStatusFor(long long negative) {
    int status = static_cast<int>(negative & statusMask);
    return status == 0 ? wrappedEndStatus : status;
}

bool readEntry(std::FILE* out, const std::string& confPath, std::string& entry) {
    if (!fileExists(confPath)) {
        putText(out, "nie znaleziono pliku " + confPath + "\n");
        return false;
    }
    std::string value;
    // The reader prints its own message on standard output should the file
    // become unreadable meanwhile; keep it in order with ours.
    std::fflush(out);
    if (confRead(confPath, entryKey, value, confPlain) < 1) {
        std::fflush(stdout);
        putText(out, "brak w konfiguracji parametru: <entry>\n");
        return false;
    }
    entry = value;
    return true;
}

int viewerRun(std::FILE* in, std::FILE* out, const std::string& confPath,
              const std::string& reportDir) {
    std::string entry;
    if (readEntry(out, confPath, entry))
        showDay(out, reportDir, entry, 0);
    else
        errorBanner(out);
    long long daysBack = 0;
    while (askDaysBack(in, out, daysBack)) {
        if (daysBack < 0) return exitStatusFor(daysBack);
        showDay(out, reportDir, entry, daysBack);
    }
    return endOfInputStatus;
}
