#include "contacts/postgres/postgres.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "contacts/note_rule.h"
#include "contacts/postgres/postgres_parts.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::contacts {

namespace postgres_parts {

void fail(int number, const std::string& message) {
    raise(number, fromUtf8(message), std::u16string(kSource));
}

std::string messageOf(const char* text) {
    std::string message = text != nullptr ? text : "";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    return message;
}

}  // namespace postgres_parts

using postgres_parts::dollarParameters;
using postgres_parts::fail;
using postgres_parts::Login;
using postgres_parts::messageOf;

namespace {

// A column's text as a number; booleans are 1 and 0.
std::int64_t integerOf(const char* value) {
    if (value[0] == 't') return 1;
    if (value[0] == 'f') return 0;
    return std::strtoll(value, nullptr, 10);
}

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

// The store's SQL with each `?N` parameter replaced by `text(N)`; a bare `?` is numbered one
// past the highest number before it, as SQLite numbers it. The store's SQL holds no `?` inside
// its string literals.
template <typename Text>
std::string replaceParameters(const std::string& sql, Text text) {
    std::string out;
    out.reserve(sql.size() + sql.size() / 4);
    std::size_t highest = 0;
    for (std::size_t i = 0; i < sql.size(); ++i) {
        if (sql[i] != '?') {
            out += sql[i];
            continue;
        }
        std::size_t end = i + 1;
        while (end < sql.size() && sql[end] >= '0' && sql[end] <= '9') ++end;
        const std::size_t number =
            end > i + 1 ? std::stoul(sql.substr(i + 1, end - i - 1)) : highest + 1;
        highest = std::max(highest, number);
        out += text(number);
        i = end - 1;
    }
    return out;
}

}  // namespace

std::string postgres_parts::dollarParameters(const std::string& sql) {
    return replaceParameters(sql, [](std::size_t number) {
        std::string dollar(1, '$');
        return dollar += std::to_string(number);
    });
}

namespace {

constexpr unsigned kInt8Oid = 20;  // bigint

// The rows a statement gave, read one at a time.
class PostgresRows : public Statement {
public:
    bool isNull(int column) const override { return PQgetisnull(rows_.get(), row_, column) != 0; }
    std::int64_t integer(int column) const override {
        return integerOf(PQgetvalue(rows_.get(), row_, column));
    }
    std::string text(int column) const override {
        return std::string(PQgetvalue(rows_.get(), row_, column),
                           std::size_t(PQgetlength(rows_.get(), row_, column)));
    }

protected:
    // Runs `run` (a libpq call giving a result) and keeps its rows; a failure names `what`.
    template <class Run>
    void keep(PGconn* connection, Run run, const char* what) {
        rows_.reset(run());
        row_ = -1;
        const auto status = PQresultStatus(rows_.get());
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
            const std::string why =
                messageOf(rows_ ? PQresultErrorMessage(rows_.get()) : PQerrorMessage(connection));
            rows_.reset();
            failDatabase(what, why);
        }
    }

    Result rows_{nullptr, &PQclear};
    int row_ = -1;
};

class PostgresStatement final : public PostgresRows {
public:
    PostgresStatement(PGconn* connection, std::string sql, std::string name)
        : connection_(connection), sql_(std::move(sql)), name_(std::move(name)) {}
    ~PostgresStatement() override = default;

    void bind(int index, std::int64_t value) override {
        slot(index) = std::to_string(value);
        types_[std::size_t(index - 1)] = kInt8Oid;
    }
    void bind(int index, std::string_view text, bool) override {
        slot(index) = std::string(text);
        types_[std::size_t(index - 1)] = 0;  // the server tells from where it is used
    }
    void bindNull(int index) override {
        slot(index).reset();
        types_[std::size_t(index - 1)] = 0;
    }

    bool step() override {
        if (!rows_) execute();
        return ++row_ < PQntuples(rows_.get());
    }
    void reset() noexcept override {
        rows_.reset();
        row_ = -1;
        for (auto& v : values_) v.reset();
    }

private:
    std::optional<std::string>& slot(int index) {
        if (std::size_t(index) > values_.size()) {
            values_.resize(std::size_t(index));
            types_.resize(std::size_t(index), 0);
        }
        return values_[std::size_t(index - 1)];
    }

    void execute() {
        // Prepared on first use, with the types of the first values: a number is a bigint,
        // a text takes the type of where it goes.
        if (!prepared_) {
            Result prepared(PQprepare(connection_, name_.c_str(), sql_.c_str(),
                                      static_cast<int>(types_.size()), types_.data()),
                            &PQclear);
            if (PQresultStatus(prepared.get()) != PGRES_COMMAND_OK) {
                failDatabase("preparing a statement",
                             messageOf(PQresultErrorMessage(prepared.get())));
            }
            prepared_ = true;
        }
        std::vector<const char*> values(values_.size());
        for (std::size_t i = 0; i < values_.size(); ++i)
            values[i] = values_[i] ? values_[i]->c_str() : nullptr;
        keep(
            connection_,
            [&] {
                return PQexecPrepared(connection_, name_.c_str(), static_cast<int>(values.size()),
                                      values.data(), nullptr, nullptr, 0);
            },
            "running a statement");
    }

    PGconn* connection_;
    std::string sql_, name_;
    bool prepared_ = false;
    std::vector<std::optional<std::string>> values_;
    std::vector<unsigned> types_;
};

// A statement read through a cursor, kFetch rows at a time, so that a listing of any size
// holds one batch. The values go into the SQL as quoted literals: a cursor is declared by a
// statement of its own, which takes no parameters.
class PostgresCursor final : public PostgresRows {
public:
    PostgresCursor(PGconn* connection, std::string sql, std::string name)
        : connection_(connection), sql_(std::move(sql)), name_(std::move(name)) {}
    ~PostgresCursor() override { close(); }

    void bind(int index, std::int64_t value) override { slot(index) = std::to_string(value); }
    void bind(int index, std::string_view text, bool) override {
        char* quoted = PQescapeLiteral(connection_, text.data(), text.size());
        if (quoted == nullptr)
            failDatabase("quoting a value", messageOf(PQerrorMessage(connection_)));
        slot(index) = quoted;
        PQfreemem(quoted);
    }
    void bindNull(int index) override { slot(index) = "NULL"; }

    bool step() override {
        if (!open_) declare();
        if (++row_ < PQntuples(rows_.get())) return true;
        if (PQntuples(rows_.get()) < kFetch) return false;
        fetch();
        return ++row_ < PQntuples(rows_.get());
    }
    void reset() noexcept override {
        close();
        values_.clear();
    }

private:
    static constexpr int kFetch = 2000;

    std::string& slot(int index) {
        if (std::size_t(index) > values_.size()) values_.resize(std::size_t(index), "NULL");
        return values_[std::size_t(index - 1)];
    }

    void run(const std::string& sql) {
        keep(
            connection_, [&] { return PQexec(connection_, sql.c_str()); }, "reading");
    }

    void declare() {
        const std::string sql = replaceParameters(sql_, [&](std::size_t number) {
            return number >= 1 && number <= values_.size() ? values_[number - 1]
                                                           : std::string("NULL");
        });
        // Outside a transaction the cursor outlives the statement's own.
        const bool held = PQtransactionStatus(connection_) == PQTRANS_IDLE;
        run("DECLARE " + name_ + " NO SCROLL CURSOR " + (held ? "WITH HOLD " : "") + "FOR " + sql);
        open_ = true;
        fetch();
    }
    void fetch() { run("FETCH " + std::to_string(kFetch) + " FROM " + name_); }
    void close() noexcept {
        if (!open_) return;
        open_ = false;
        rows_.reset();
        // A cursor of a transaction that failed is gone with it.
        if (PQtransactionStatus(connection_) != PQTRANS_INERROR)
            PQclear(PQexec(connection_, ("CLOSE " + name_).c_str()));
    }

    PGconn* connection_;
    std::string sql_, name_;
    std::vector<std::string> values_;
    bool open_ = false;
};

// COPY ... FROM STDIN in the text format, sent kChunk bytes at a time.
class PostgresCopy final : public RowStream {
public:
    PostgresCopy(PGconn* connection, const std::string& table) : connection_(connection) {
        Result started(PQexec(connection_, ("COPY " + table + " FROM STDIN").c_str()), &PQclear);
        if (PQresultStatus(started.get()) != PGRES_COPY_IN) {
            failDatabase("starting to copy rows",
                         messageOf(started ? PQresultErrorMessage(started.get())
                                           : PQerrorMessage(connection_)));
        }
        open_ = true;
        buffer_.reserve(kChunk + 4096);
    }
    ~PostgresCopy() override {
        // Unfinished: the server drops what came and fails the transaction.
        if (open_) {
            PQputCopyEnd(connection_, "the import stopped part way");
            drain();
        }
    }

    void value(std::string_view text) override {
        separate();
        for (const char c : text) {
            switch (c) {
                case '\\':
                    buffer_ += "\\\\";
                    break;
                case '\t':
                    buffer_ += "\\t";
                    break;
                case '\n':
                    buffer_ += "\\n";
                    break;
                case '\r':
                    buffer_ += "\\r";
                    break;
                default:
                    buffer_ += c;
            }
        }
    }
    void null() override {
        separate();
        buffer_ += "\\N";
    }
    void endRow() override {
        buffer_ += '\n';
        first_ = true;
        if (buffer_.size() >= kChunk) send();
    }
    void finish() override {
        send();
        open_ = false;
        if (PQputCopyEnd(connection_, nullptr) != 1)
            failDatabase("copying rows", messageOf(PQerrorMessage(connection_)));
        const std::string why = drain();
        if (!why.empty()) failDatabase("copying rows", why);
    }

private:
    static constexpr std::size_t kChunk = std::size_t{256} * 1024;

    void separate() {
        if (!first_) buffer_ += '\t';
        first_ = false;
    }
    void send() {
        if (buffer_.empty()) return;
        if (PQputCopyData(connection_, buffer_.data(), static_cast<int>(buffer_.size())) != 1) {
            failDatabase("copying rows", messageOf(PQerrorMessage(connection_)));
        }
        buffer_.clear();
    }
    // The results that end the COPY: the first error's message, else empty.
    std::string drain() noexcept {
        std::string why;
        while (PGresult* r = PQgetResult(connection_)) {
            if (PQresultStatus(r) != PGRES_COMMAND_OK && why.empty())
                why = messageOf(PQresultErrorMessage(r));
            PQclear(r);
        }
        return why;
    }

    PGconn* connection_;
    std::string buffer_;
    bool first_ = true;
    bool open_ = false;
};

class PostgresConnection final : public Connection {
public:
    // Connects as the URI says, or as `login` (a user and the password typed for it), which
    // then overrides the URI's user and whatever password libpq would have found. A login the
    // server refused leaves `refused` set and the connection unusable.
    explicit PostgresConnection(const std::string& uri, const Login* login = nullptr,
                                bool* refused = nullptr) {
        checkPostgresName(uri);
        // The URI is expanded as the database name; the keys after it override what it says
        // (the text always comes as UTF-8; a login's user and password are the login's).
        std::vector<const char*> keys = {"dbname", "fallback_application_name", "client_encoding"};
        std::vector<const char*> values = {uri.c_str(), "penwick", "UTF8"};
        if (login != nullptr) {
            keys.insert(keys.end(), {"user", "password"});
            values.insert(values.end(), {login->user.c_str(), login->password.c_str()});
        }
        keys.push_back(nullptr);
        values.push_back(nullptr);
        connection_ = PQconnectdbParams(keys.data(), values.data(), 1);
        if (connection_ == nullptr) fail(err::OutOfMemory, "no memory to connect to " + uri);
        if (PQstatus(connection_) != CONNECTION_OK) {
            const std::string why = messageOf(PQerrorMessage(connection_));
            // The server asked for the password and did not take it (an unknown user is
            // answered the same way): a refused login, not a failure.
            const bool wrongPassword = login != nullptr && (PQconnectionUsedPassword(connection_) ||
                                                            PQconnectionNeedsPassword(connection_));
            PQfinish(connection_);
            connection_ = nullptr;
            if (wrongPassword && refused != nullptr) {
                *refused = true;
                return;
            }
            failDatabase("cannot connect to " + uri, why);
        }
        if (login != nullptr && !PQconnectionUsedPassword(connection_)) {
            // Whoever names a user would be that user: the server must check passwords.
            PQfinish(connection_);
            connection_ = nullptr;
            fail(err::PermissionDenied,
                 "the server let " + login->user + " in without asking for the password; " +
                     "its pg_hba.conf must ask this database's users for one (scram-sha-256)");
        }
        // Each commit is on the server's disk before it returns, whatever the server's
        // default; lock waits are bounded so that a stuck writer shows as an error.
        exec("SET synchronous_commit = on; SET lock_timeout = '30s'");
    }
    ~PostgresConnection() override {
        clearStatements();
        if (connection_ != nullptr) PQfinish(connection_);
    }

    PGconn* handle() const { return connection_; }

    std::unique_ptr<Statement> prepare(const std::string& sql) override {
        return std::make_unique<PostgresStatement>(connection_, dollarParameters(sql),
                                                   nextName('s'));
    }

    std::unique_ptr<Statement> prepareStream(const std::string& sql) override {
        return std::make_unique<PostgresCursor>(connection_, sql, nextName('c'));
    }

    void exec(const std::string& sql) override {
        Result result(PQexec(connection_, sql.c_str()), &PQclear);
        const auto status = PQresultStatus(result.get());
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            failDatabase("running " + sql.substr(0, sql.find(' ')),
                         messageOf(result ? PQresultErrorMessage(result.get())
                                          : PQerrorMessage(connection_)));
        }
    }

    void begin(Access access) override {
        exec(access == Access::Write ? "BEGIN"
                                     : "BEGIN ISOLATION LEVEL REPEATABLE READ, READ ONLY");
    }
    void commit() override {
        Result result(PQexec(connection_, "COMMIT"), &PQclear);
        // A transaction that failed part way answers COMMIT with ROLLBACK, and no error.
        if (PQresultStatus(result.get()) != PGRES_COMMAND_OK ||
            std::string_view(PQcmdStatus(result.get())) != "COMMIT") {
            failDatabase("committing", result && PQresultErrorMessage(result.get())[0] != '\0'
                                           ? messageOf(PQresultErrorMessage(result.get()))
                                           : "the transaction was rolled back");
        }
    }
    void rollback() noexcept override { PQclear(PQexec(connection_, "ROLLBACK")); }

    void lockContactNumbers() override {
        // Other imports wait; note writers (which only read contacts) do not.
        exec("LOCK TABLE contact IN SHARE ROW EXCLUSIVE MODE");
    }
    void lockContact(std::int64_t contact) override {
        query("SELECT pg_advisory_xact_lock(?1)").bind(1, contact).run();
    }
    void identifiersTaken(std::string_view table) override {
        const std::string t(table);
        exec("SELECT setval(pg_get_serial_sequence('" + t +
             "', 'id'), coalesce((SELECT max(id) FROM " + t + "), 0) + 1, false)");
    }
    void bulkLoad(bool) override {}
    bool canCopy() const override { return true; }
    std::unique_ptr<RowStream> copyInto(const std::string& table) override {
        return std::make_unique<PostgresCopy>(connection_, table);
    }
    bool serverRoles() const override { return true; }
    const char* hasUsersSql() const override { return "penwick_has_users()"; }
    std::optional<bool> addFurtherNote(const note_rule::NoteRow& row) override {
        static const std::string statement =
            "SELECT penwick_add_note(" + note_rule::noteParameters() + ")";
        auto q = query(statement);
        note_rule::bindNote(q, row);
        const bool written = q.step() && !q.isNull(0);
        q.run();
        return written;
    }

private:
    // A server-side name of its own for each prepared statement or cursor.
    std::string nextName(char kind) {
        std::string name(1, kind);
        return name += std::to_string(++statements_);
    }

    PGconn* connection_ = nullptr;
    int statements_ = 0;
};

}  // namespace

std::unique_ptr<Connection> postgres_parts::connectPostgres(const std::string& uri,
                                                            const Login* login, bool* refused) {
    return std::make_unique<PostgresConnection>(uri, login, refused);
}

std::string scramVerifier(Connection& c, const std::string& user, const std::string& password) {
    auto* server = dynamic_cast<PostgresConnection*>(&c);
    if (server == nullptr) fail(err::InvalidCall, "not a server connection");
    char* made =
        PQencryptPasswordConn(server->handle(), password.c_str(), user.c_str(), "scram-sha-256");
    if (made == nullptr) {
        failDatabase("making the password's verifier", messageOf(PQerrorMessage(server->handle())));
    }
    std::string verifier = made;
    PQfreemem(made);
    return verifier;
}

}  // namespace penwick::contacts
