// Start-up: stop handler, file names from the invocation name, verbosity,
// configuration and the opening table.  No polling happens before every
// setting has been read and accepted.
#include "metrics.h"
#include "poller.h"

void zlapalem(int) { runInt = 0; }

void installStopHandler() {
    struct sigaction action {};
    action.sa_handler = zlapalem;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a stop cuts the current wait short
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A hangup (a closed terminal session, a stray kill -HUP) stops the
    // poller cleanly too, with its STOP lines.
    sigaction(SIGHUP, &action, nullptr);
    // A file-size limit must not end the poller: a write beyond it fails
    // and is logged like any other failed write.
    signal(SIGXFSZ, SIG_IGN);
    // Nor a broken journal stream: its write fails instead.
    signal(SIGPIPE, SIG_IGN);
}

namespace {

// Ends start-up after a configuration error: the abort line follows the
// error messages in a freshly reopened verbose log.
int abortStartUp(const Settings& s, std::FILE* vlog) {
    if (vlog != nullptr) std::fclose(vlog);
    importantLog(s, priorityError,
                 fmt("\nprogram przerwany z powodu powyzszych bledow\n%s %s STOP\n",
                     s.startDate.c_str(), s.startTime.c_str()));
    return abortStatus;
}

// A configuration error: into the held-open verbose log, and the journal.
void putError(std::FILE* vlog, const std::string& text) {
    putLog(vlog, text);
    journalLog(priorityError, text);
}

struct RequiredKey {
    const char* key;
    const char* foundFormat;    // level-2 line with the value
    const char* missingFormat;  // error line with the configuration path
};

constexpr RequiredKey requiredKeys[] = {
    {portnameKey, "PORT COM = %s\n", "Nie znaleziono nazwy portu com 'portname' w pliku %s"},
    {entryKey, "Sciezka/nazwa pliku raportu = %s\n",
     "Nie znaleziono nazwy pliku raportu 'entry' com w pliku %s"},
    {recordtimeKey, "Odstep czasowy rekordow = %ssekund\n",
     "Nie znaleziono czasowego osdtepu rekordow 'recordtime' w pliku %s"},
    {opentimeKey, "Globalny czas otwarcia sklepu:  %s\n",
     "Nie znaleziono globarnego czasu otwarcia sklepu 'opentime' w pliku %s"},
};

// Looks up one required key; false after writing its error message.
bool lookUpRequired(const Settings& s, std::FILE* vlog, const RequiredKey& required,
                    std::string& value) {
    int found = confRead(s.confPath, required.key, value, confHashComments);
    if (found > 0) {
        if (verbose >= levelDetail) putLog(vlog, fmt(required.foundFormat, value.c_str()));
        return true;
    }
    if (found < 0) putError(vlog, fmt("Nie znaleziono pliku konfiguracji%s\n", s.confPath.c_str()));
    putError(vlog, fmt(required.missingFormat, s.confPath.c_str()));
    return false;
}

bool readRequiredKeys(Settings& s, std::FILE* vlog, std::string& recordtimeText,
                      std::string& opentimeText) {
    std::string* values[] = {&s.portname, &s.entry, &recordtimeText, &opentimeText};
    for (std::size_t i = 0; i < std::size(requiredKeys); ++i)
        if (!lookUpRequired(s, vlog, requiredKeys[i], *values[i])) return false;
    return true;
}

// Logs a step of building the opening table: its level lines, or the
// error that aborts start-up.
void logOpeningStep(std::FILE* vlog, const OpeningNote& note) {
    const int* n = note.numbers;
    switch (note.step) {
        case OpeningStep::defaultBad: putError(vlog, "\nblad odczytu godzin otwarcia\n"); break;
        case OpeningStep::defaultHours:
            if (verbose >= levelVerbose)
                putLog(vlog, fmt("zdekodowano wstepnie godziny pracy  %2d:%02d-%2d:%02d\n", n[0],
                                 n[1], n[2], n[3]));
            break;
        case OpeningStep::dayBad:
            putError(vlog, fmt("\nblad odczytu godzin otwarcia w %s\n", weekDays[note.day]));
            break;
        case OpeningStep::dayHours:
            if (verbose >= levelDetail)
                putLog(vlog, fmt("wczytano %s %2d:%02d-%2d:%02d\n", weekDays[note.day], n[0], n[1],
                                 n[2], n[3]));
            break;
    }
}

// The opening table: opentime for every day, then the day keys, each day
// looked up with dayNr as the day being read.
bool readOpeningTable(Settings& s, std::FILE* vlog, const std::string& opentimeText) {
    auto lookUpDay = [&](int day, std::string& hours) {
        dayNr = day;
        return confRead(s.confPath, weekDays[day], hours, confHashComments) > 0;
    };
    return buildOpeningTable(opentimeText, lookUpDay, s,
                             [&](const OpeningNote& note) { logOpeningStep(vlog, note); });
}

// The com log switch: the optional key comlog, on when its value begins
// with y.
bool readComlogSwitch(const Settings& s) {
    std::string value;
    return confRead(s.confPath, comlogKey, value, confHashComments) > 0 && !value.empty() &&
           value[0] == 'y';
}

}  // namespace

int startUp(int argc, char** argv, const std::string& confDir, const std::string& logDir,
            Settings& s) {
    initJournal();
    s.invocation = argc > 0 && argv[0] != nullptr ? argv[0] : "";
    s.verboseLog = logDir + s.invocation + "_v.log";
    int level = verbosityFromArgument(argc, argv);
    verbose = level;

    s.eventLog = logDir + s.invocation + ".log";
    s.comlogPath = logDir + "comlog.txt";
    std::time_t now = std::time(nullptr);
    s.startDate = dateText(now, '-');
    s.startTime = timeText(now);
    appendLog(s.eventLog, startLine(s));

    s.confPath = confDir + s.invocation + ".conf";
    std::FILE* vlog = openAppendStream(s.verboseLog);
    if (verbose >= levelVerbose) putLog(vlog, bannerText(s, level));
    if (level == levelBadOption) {
        putLog(vlog, badOptionText(argv[1]));
        verbose = levelDetail;
    }

    std::string recordtimeText, opentimeText;
    if (!readRequiredKeys(s, vlog, recordtimeText, opentimeText) ||
        !readOpeningTable(s, vlog, opentimeText))
        return abortStartUp(s, vlog);
    s.comlog = readComlogSwitch(s);
    readMetricsSetting(s, vlog);
    s.interval = decodeRecordtime(recordtimeText);
    nameBreak(s.entry, s.base, s.ext);

    if (verbose >= levelVerbose) putLog(vlog, settingsSummary(s, weekday()));
    if (vlog != nullptr) std::fclose(vlog);
    warnAboutConfiguration(s);
    return startUpOk;
}
