// libpq, wrapped: every failure becomes libpq's message.
#include "pgconn.h"

#include <libpq-fe.h>

namespace {

// libpq's message on one line: its line breaks and the tabs after them
// become spaces, the trailing ones go.
std::string oneLine(const char* message) {
    std::string text;
    for (const char* c = message; *c != '\0'; ++c) {
        bool blank = *c == '\n' || *c == '\t';
        if (!blank)
            text += *c;
        else if (!text.empty() && text.back() != ' ')
            text += ' ';
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

PgConn::~PgConn() {
    if (conn_ != nullptr) PQfinish(conn_);
}

std::string PgConn::message() const {
    return conn_ != nullptr ? oneLine(PQerrorMessage(conn_)) : "brak polaczenia";
}

bool PgConn::connect(const std::string& conninfo, std::string& error) {
    conn_ = PQconnectdb(conninfo.c_str());
    if (conn_ != nullptr && PQstatus(conn_) == CONNECTION_OK) return true;
    error = message();
    return false;
}

bool PgConn::finished(pg_result* result, std::string& error) {
    ExecStatusType status = PQresultStatus(result);
    bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    if (!ok) {
        error = oneLine(PQresultErrorMessage(result));
        if (error.empty()) error = message();
    }
    PQclear(result);
    return ok;
}

bool PgConn::exec(const std::string& sql, std::string& error) {
    PGresult* result = PQexec(conn_, sql.c_str());
    // Several statements give the result of the last one, or of the first
    // that failed.
    return finished(result, error);
}

bool PgConn::query(const std::string& sql, const std::vector<std::string>& params, Rows& rows,
                   std::string& error) {
    std::vector<const char*> values;
    for (const std::string& param : params) values.push_back(param.c_str());
    PGresult* result = PQexecParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr,
                                    values.data(), nullptr, nullptr, 0);
    rows = Rows{};
    if (PQresultStatus(result) == PGRES_TUPLES_OK) {
        int count = PQntuples(result);
        int fields = PQnfields(result);
        for (int row = 0; row < count; ++row) {
            rows.values.emplace_back();
            rows.nulls.emplace_back();
            for (int field = 0; field < fields; ++field) {
                rows.values.back().emplace_back(PQgetvalue(result, row, field));
                rows.nulls.back().push_back(PQgetisnull(result, row, field) != 0);
            }
        }
    }
    return finished(result, error);
}

bool PgConn::beginCopy(const std::string& sql, std::string& error) {
    PGresult* result = PQexec(conn_, sql.c_str());
    bool ok = PQresultStatus(result) == PGRES_COPY_IN;
    if (!ok) return finished(result, error) && false;
    PQclear(result);
    return true;
}

bool PgConn::sendCopy(const char* data, std::size_t size, std::string& error) {
    if (PQputCopyData(conn_, data, static_cast<int>(size)) == 1) return true;
    error = message();
    return false;
}

bool PgConn::endCopy(std::string& error) {
    if (PQputCopyEnd(conn_, nullptr) != 1) {
        error = message();
        return false;
    }
    bool ok = true;
    while (PGresult* result = PQgetResult(conn_)) ok = finished(result, error) && ok;
    return ok;
}

void appendCopyText(std::string& line, const std::string& text) {
    for (char c : text) {
        switch (c) {
            case '\\': line += "\\\\"; break;
            case '\t': line += "\\t"; break;
            case '\n': line += "\\n"; break;
            case '\r': line += "\\r"; break;
            default: line += c;
        }
    }
}
