// Directories of copied reports, shops, copied configurations and labels.
#include "shops.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>

#include "pcutil.h"
#include "pollrules.h"

namespace {

constexpr std::size_t dateDigits = 8;

// NAME_YYYYMMDD.EXT: the NAME (without a point) and EXT; false for any
// other file name.
bool reportSeries(const std::string& file, std::string& name, std::string& ext) {
    std::size_t point = file.find('.');
    if (point == std::string::npos || point < dateDigits + 2) return false;
    std::size_t underscore = point - dateDigits - 1;
    if (file[underscore] != '_') return false;
    for (std::size_t i = underscore + 1; i < point; ++i)
        if (file[i] < '0' || file[i] > '9') return false;
    name = file.substr(0, underscore);
    ext = file.substr(point + 1);
    return !name.empty();
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

bool isReportDirectory(const std::string& name, const std::string& confDir) {
    struct stat status {};
    if (stat(name.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return false;
    return name.find('/') != std::string::npos || !fileExists(confDir + name + ".conf");
}

bool directoryEntrances(const std::string& dir, std::vector<Entrance>& entrances,
                        std::string& error) {
    std::string path = withoutTrailingSlashes(dir);
    DIR* handle = opendir(path.c_str());
    if (handle == nullptr) {
        error = dir + ": nie mozna czytac katalogu: " + std::strerror(errno);
        return false;
    }
    std::set<std::pair<std::string, std::string>> series;
    while (struct dirent* item = readdir(handle)) {
        std::string name, ext;
        if (reportSeries(item->d_name, name, ext)) series.emplace(name, ext);
    }
    closedir(handle);
    if (series.empty()) {
        error = dir + ": brak plikow raportu NAZWA_RRRRMMDD.csv w katalogu";
        return false;
    }
    for (const auto& [name, ext] : series) {
        Entrance entrance;
        entrance.label = name;
        entrance.given = dir;
        entrance.base = path + "/" + name;
        entrance.ext = ext;
        entrance.inDirectory = true;
        entrances.push_back(entrance);
    }
    return true;
}

std::string shopOfBase(const std::string& base) {
    std::size_t slash = base.rfind('/');
    std::string dir = slash == std::string::npos ? "." : base.substr(0, slash);
    if (dir.empty()) return "/";
    // A relative directory is named by where it really is, so that the
    // shop does not depend on the working directory.
    if (dir.front() != '/') {
        if (char* real = realpath(dir.c_str(), nullptr)) {
            dir = real;
            std::free(real);
        }
    }
    dir = withoutTrailingSlashes(dir);
    std::size_t before = dir.rfind('/');
    std::string shop = before == std::string::npos ? dir : dir.substr(before + 1);
    return shop.empty() ? "/" : shop;
}

void copiedSchedule(Entrance& entrance) {
    if (entrance.scheduled) return;
    std::string confPath = entrance.base + ".conf";
    struct stat status {};
    if (stat(confPath.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return;
    Schedule schedule;
    if (!readSchedule(confPath, schedule)) return;
    entrance.schedule = schedule;
    entrance.scheduled = true;
    entrance.confPath = confPath;
}

bool settleLabels(std::vector<Entrance>& entrances, const std::vector<std::string>& labels,
                  std::string& error) {
    std::vector<std::string> plain;
    for (Entrance& entrance : entrances) {
        entrance.name = entrance.label;
        plain.push_back(entrance.label);
    }
    for (std::size_t k = 0; k < entrances.size(); ++k)
        if (std::count(plain.begin(), plain.end(), plain[k]) > 1)
            entrances[k].label = shopOfBase(entrances[k].base) + "/" + plain[k];
    for (const std::string& given : labels) {
        std::size_t equals = given.find('=');
        std::string label = given.substr(0, equals), named = given.substr(equals + 1);
        std::string base, ext;
        nameBreak(named, base, ext);
        bool found = false;
        for (Entrance& entrance : entrances) {
            std::size_t slash = entrance.base.rfind('/');
            std::string shopName =
                shopOfBase(entrance.base) + "/" +
                (slash == std::string::npos ? entrance.base : entrance.base.substr(slash + 1));
            if (entrance.given == named || entrance.base == named || entrance.base == base ||
                entrance.label == named || shopName == named || shopName == base) {
                entrance.label = label;
                found = true;
            }
        }
        if (!found) {
            error = "--label " + given + ": nie ma takiego wejscia";
            return false;
        }
    }
    return true;
}

std::vector<std::string> shopsOf(const std::vector<Entrance>& entrances,
                                 std::vector<std::size_t>& shopOfEntrance) {
    std::vector<std::string> shops;
    shopOfEntrance.clear();
    for (const Entrance& entrance : entrances) {
        std::string shop = shopOfBase(entrance.base);
        auto found = std::find(shops.begin(), shops.end(), shop);
        shopOfEntrance.push_back(static_cast<std::size_t>(found - shops.begin()));
        if (found == shops.end()) shops.push_back(shop);
    }
    return shops;
}

void addCounts(PeriodCounts& sum, const PeriodCounts& counts) {
    addRecordCounts(sum, counts);
    // The days are the same days for every entrance of a shop; a day is
    // open when one of them opens.
    sum.days = std::max(sum.days, counts.days);
    sum.openDays = std::max(sum.openDays, counts.openDays);
}

StatTable tableByShop(const StatTable& table, const std::vector<Entrance>& entrances) {
    std::vector<std::size_t> shopOf;
    StatTable shops = table;
    shops.entrances = shopsOf(entrances, shopOf);
    shops.unusableLines.assign(shops.entrances.size(), 0);
    shops.scheduled.assign(shops.entrances.size(), false);
    for (std::size_t k = 0; k < entrances.size(); ++k)
        if (table.isScheduled(k)) shops.scheduled[shopOf[k]] = true;
    for (std::size_t k = 0; k < entrances.size() && k < table.unusableLines.size(); ++k)
        shops.unusableLines[shopOf[k]] += table.unusableLines[k];
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        std::vector<PeriodCounts>& sums = shops.rows[r].entrances;
        sums.assign(shops.entrances.size(), PeriodCounts{});
        for (std::size_t k = 0; k < table.rows[r].entrances.size(); ++k)
            addCounts(sums[shopOf[k]], table.rows[r].entrances[k]);
    }
    return shops;
}
