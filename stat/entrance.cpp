// Resolving the entrances named on the command line.
#include "entrance.h"

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "confkeys.h"
#include "escape.h"
#include "pcutil.h"
#include "shops.h"
#include "pollrules.h"

namespace {

constexpr const char* confSuffix = ".conf";

// pcstat reads the poller's files without the poller's message on standard
// output: a file that cannot be read is the caller's to report.
bool hasKey(const std::string& path, const char* key, std::string& value) {
    return confLookup(path, key, value, confHashComments) > 0;
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() > tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string reportPathOf(const Entrance& entrance, Day day) {
    return reportFileOf(entrance.base, entrance.ext, compactDate(day));
}

std::string pathLabel(const std::string& path) {
    std::string base, ext;
    nameBreak(path, base, ext);
    std::size_t slash = base.rfind('/');
    std::string label = slash == std::string::npos ? base : base.substr(slash + 1);
    return label.empty() ? path : label;
}

bool readSchedule(const std::string& confPath, Schedule& schedule) {
    std::string recordtime, opentime;
    if (!hasKey(confPath, recordtimeKey, recordtime) || !hasKey(confPath, opentimeKey, opentime))
        return false;
    Schedule read;
    auto lookUpDay = [&](int day, std::string& hours) {
        return hasKey(confPath, weekDays[day], hours);
    };
    if (!buildOpeningTable(opentime, lookUpDay, read)) return false;
    read.interval = decodeRecordtime(recordtime);
    schedule = read;
    return true;
}

bool resolveEntrance(const std::string& name, const Places& places, Entrance& entrance,
                     std::string& error) {
    Entrance resolved;
    resolved.given = name;
    if (name.find('/') != std::string::npos) {
        resolved.label = escapedText(pathLabel(name));
        nameBreak(name, resolved.base, resolved.ext);
        entrance = resolved;
        return true;
    }
    resolved.label = escapedText(name);
    std::string confPath = places.confDir + name + confSuffix;
    if (!fileExists(confPath)) {
        resolved.base = places.reportDir + name;
        resolved.ext = viewerReportExtension;
        entrance = resolved;
        return true;
    }
    std::string entry, portname;
    if (!hasKey(confPath, entryKey, entry)) {
        error = name + ": brak ustawienia entry w " + confPath;
        return false;
    }
    resolved.confPath = confPath;
    nameBreak(entry, resolved.base, resolved.ext);
    // A configuration the poller refuses gives no records, so no schedule.
    resolved.scheduled =
        hasKey(confPath, portnameKey, portname) && readSchedule(confPath, resolved.schedule);
    entrance = resolved;
    return true;
}

std::vector<std::string> configuredEntrances(const std::string& confDir,
                                             const UnreadableConf& unreadable) {
    std::vector<std::string> names;
    DIR* dir = opendir(confDir.c_str());
    if (dir == nullptr) return names;
    while (struct dirent* item = readdir(dir)) {
        std::string file = item->d_name;
        if (!endsWith(file, confSuffix)) continue;
        std::string path = confDir + file;
        std::string value;
        int found = confLookup(path, portnameKey, value, confHashComments);
        if (found < 0 && unreadable) unreadable(path, errno);
        if (found > 0 && hasKey(path, entryKey, value))
            names.push_back(file.substr(0, file.size() - std::string(confSuffix).size()));
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool hasReportFiles(const Entrance& entrance, bool requireFile, std::string& error) {
    std::size_t slash = entrance.base.rfind('/');
    std::string dir = slash == std::string::npos ? "." : entrance.base.substr(0, slash + 1);
    std::string prefix = reportFilePrefix(
        slash == std::string::npos ? entrance.base : entrance.base.substr(slash + 1));
    DIR* handle = opendir(dir.c_str());
    if (handle == nullptr) {
        error = entrance.label + ": nie mozna czytac katalogu " + dir + ": " + std::strerror(errno);
        return false;
    }
    bool found = !requireFile;
    struct dirent* item = nullptr;
    while (!found && (item = readdir(handle)) != nullptr)
        found = std::strncmp(item->d_name, prefix.c_str(), prefix.size()) == 0;
    closedir(handle);
    if (!found)
        error = entrance.label + ": brak plikow raportu " +
                reportFileOf(entrance.base, entrance.ext, "RRRRMMDD");
    return found;
}

bool resolveEntrances(const Options& options, const Places& places,
                      std::vector<Entrance>& entrances, std::string& error) {
    std::vector<std::string> names = options.entrances;
    if (names.empty()) names = configuredEntrances(places.confDir, places.unreadable);
    if (names.empty()) {
        error = "nie podano wejscia, a w " + places.confDir +
                " nie ma konfiguracji pollera z portname i entry";
        return false;
    }
    entrances.clear();
    for (const std::string& name : names) {
        if (isReportDirectory(name, places.confDir)) {
            if (!directoryEntrances(name, entrances, error)) return false;
            continue;
        }
        Entrance entrance;
        if (!resolveEntrance(name, places, entrance, error)) return false;
        // A configured poller may not have written yet; a name without a
        // configuration or a path that has no file at all is a mistake.
        if (!hasReportFiles(entrance, entrance.confPath.empty(), error)) return false;
        entrances.push_back(entrance);
    }
    for (Entrance& entrance : entrances) copiedSchedule(entrance);
    return settleLabels(entrances, options.labels, error);
}
