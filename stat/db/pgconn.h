// A connection to PostgreSQL through libpq: statements with their
// parameters, COPY FROM STDIN, and libpq's own message when anything fails.
#pragma once

#include <string>
#include <vector>

struct pg_conn;
struct pg_result;

class PgConn {
public:
    PgConn() = default;
    ~PgConn();
    PgConn(const PgConn&) = delete;
    PgConn& operator=(const PgConn&) = delete;

    // Connects; false with libpq's message in error.
    bool connect(const std::string& conninfo, std::string& error);

    // Runs statements without parameters (several may be given at once).
    bool exec(const std::string& sql, std::string& error);
    // Runs one statement with text parameters; rows holds the result's
    // fields as texts (an SQL NULL as an empty text, nulls marks which).
    struct Rows {
        std::vector<std::vector<std::string>> values;
        std::vector<std::vector<bool>> nulls;
    };
    bool query(const std::string& sql, const std::vector<std::string>& params, Rows& rows,
               std::string& error);
    // Runs one statement with text parameters (an empty text for none of
    // its nullif casts stands for NULL), its result unread.
    bool run(const std::string& sql, const std::vector<std::string>& params, std::string& error) {
        Rows ignored;
        return query(sql, params, ignored, error);
    }
    bool query(const std::string& sql, Rows& rows, std::string& error) {
        return query(sql, {}, rows, error);
    }

    // COPY ... FROM STDIN in text format: begin, send whole lines, end.
    bool beginCopy(const std::string& sql, std::string& error);
    bool sendCopy(const char* data, std::size_t size, std::string& error);
    bool endCopy(std::string& error);

private:
    std::string message() const;
    bool finished(pg_result* result, std::string& error);

    pg_conn* conn_ = nullptr;
};

// Appends a text to a COPY text-format line with its special bytes escaped.
void appendCopyText(std::string& line, const std::string& text);
