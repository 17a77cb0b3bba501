// The sales file, line by line, into COPY.  The file is outside input: it
// is opened only as a regular file, and a line longer than any sales line
// ends the load with its number.
#include "salesload.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "salesfile.h"

namespace {

// Opens a regular file for reading, without waiting on a FIFO.
std::FILE* openRegular(const std::string& path, std::string& problem) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        problem = std::strerror(errno);
        return nullptr;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        problem = "to nie jest zwykly plik";
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "rb");
    if (file == nullptr) {
        problem = std::strerror(errno);
        ::close(fd);
    }
    return file;
}

// Reads a line without its line feed (and carriage return); false at the
// end.  overlong when it holds more than maxSalesLine bytes.
bool nextLine(std::FILE* file, std::string& line, bool& overlong) {
    line.clear();
    overlong = false;
    int c;
    bool any = false;
    while ((c = std::getc(file)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (line.size() < maxSalesLine)
            line += static_cast<char>(c);
        else
            overlong = true;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

}  // namespace

bool loadSales(PgConn& conn, const std::string& path, long long& lines, std::string& error) {
    std::string problem;
    std::FILE* file = openRegular(path, problem);
    if (file == nullptr) {
        error = "nie mozna czytac " + path + ": " + problem;
        return false;
    }
    SalesReader reader;
    std::string line, copy;
    bool overlong = false;
    long number = 0;
    bool ok = true;
    auto bad = [&](const std::string& why) {
        error = path + ":" + std::to_string(number) + ": " + why;
        ok = false;
    };
    std::string source;
    appendCopyText(source, path);
    if (!conn.run("DELETE FROM sales WHERE source = $1", {path}, error) ||
        !conn.beginCopy("COPY sales (shop, day, hour, source, line, transactions, revenue) "
                        "FROM STDIN",
                        error)) {
        std::fclose(file);
        return false;
    }
    SaleLine sale;
    while (ok && nextLine(file, line, overlong)) {
        ++number;
        std::string why;
        if (overlong) {
            bad("linia dluzsza niz " + std::to_string(maxSalesLine) + " znakow");
        } else if (number == 1) {
            if (!reader.header(line, true, why)) bad(why);
        } else if (line.empty()) {
            continue;
        } else if (!reader.line(line, sale, why)) {
            bad(why);
        } else {
            appendCopyText(copy, sale.shop);
            copy += '\t' + dashedDate(sale.day) + '\t' +
                    (sale.hour >= 0 ? std::to_string(sale.hour) : "\\N") + '\t' + source + '\t' +
                    std::to_string(number) + '\t' + std::to_string(sale.transactions) + '\t' +
                    (sale.revenue.empty() ? "\\N" : sale.revenue) + '\n';
            ++lines;
            if (copy.size() >= 65536) {
                ok = conn.sendCopy(copy.data(), copy.size(), error);
                copy.clear();
            }
        }
    }
    if (ok && number == 0) bad("brak naglowka");
    std::fclose(file);
    return ok && conn.sendCopy(copy.data(), copy.size(), error) && conn.endCopy(error);
}
