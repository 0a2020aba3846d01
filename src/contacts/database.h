#pragma once
// What the contact database's two storage engines, a SQLite file and a PostgreSQL server, have
// in common: statements with numbered parameters (?1, ?2, ...) read row by row, and
// transactions. The store speaks the part of SQL both engines understand; each engine makes
// and checks its own schema and does the few things only it can (see Connection).
// Every engine error becomes a Failure.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace penwick::contacts {

inline constexpr std::u16string_view kSource = u"penwick-contacts";

// A Failure (automation error, 440) that says what was being done and why it failed.
[[noreturn]] void failDatabase(std::string_view what, std::string_view why);

// One prepared statement of an engine.
class Statement {
public:
    Statement() = default;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    virtual ~Statement() = default;

    virtual void bind(int index, std::int64_t value) = 0;
    // `stable`: the text stays where it is until the statement has run, so it need not be
    // copied.
    virtual void bind(int index, std::string_view text, bool stable) = 0;
    virtual void bindNull(int index) = 0;
    // True when a row is ready, false when the statement has run to its end.
    virtual bool step() = 0;
    virtual bool isNull(int column) const = 0;
    virtual std::int64_t integer(int column) const = 0;
    virtual std::string text(int column) const = 0;
    // Back to the start, no values bound, no rows or read transaction held.
    virtual void reset() noexcept = 0;
};

class Connection;
namespace note_rule {
struct NoteRow;
}

// Rows streamed into a table, each value as text or NULL (a server's COPY). Nothing is sent
// for good until finish(); dropping the stream unfinished fails the transaction it is in.
class RowStream {
public:
    RowStream() = default;
    RowStream(const RowStream&) = delete;
    RowStream& operator=(const RowStream&) = delete;
    virtual ~RowStream() = default;

    virtual void value(std::string_view text) = 0;
    virtual void null() = 0;
    virtual void endRow() = 0;
    virtual void finish() = 0;
};

// One use of a cached statement: bind, step, read; reset on destruction, so that no read
// transaction stays open behind the caller's back.
class Query {
public:
    explicit Query(Statement& statement) : statement_(statement) {}
    // A use of a statement of its own, dropped with the query.
    explicit Query(std::unique_ptr<Statement> statement)
        : owned_(std::move(statement)), statement_(*owned_) {}
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
    ~Query() { statement_.reset(); }

    Query& bind(int index, std::int64_t value) {
        statement_.bind(index, value);
        return *this;
    }
    Query& bind(int index, std::string_view text) {
        statement_.bind(index, text, false);
        return *this;
    }
    // A text that stays where it is until the query is dropped: bound without a copy.
    Query& bindStable(int index, std::string_view text) {
        statement_.bind(index, text, true);
        return *this;
    }
    Query& bindOptional(int index, const std::optional<std::string>& text) {
        return text ? bind(index, std::string_view(*text)) : bindNull(index);
    }
    Query& bindOptionalStable(int index, const std::optional<std::string>& text) {
        return text ? bindStable(index, std::string_view(*text)) : bindNull(index);
    }
    Query& bindOptional(int index, const std::optional<std::int64_t>& value) {
        return value ? bind(index, *value) : bindNull(index);
    }
    Query& bindNull(int index) {
        statement_.bindNull(index);
        return *this;
    }

    bool step() { return statement_.step(); }
    // Runs a statement to its end, whatever rows it gives.
    void run() {
        while (step()) {
        }
    }

    bool isNull(int column) const { return statement_.isNull(column); }
    std::int64_t integer(int column) const { return statement_.integer(column); }
    std::optional<std::int64_t> optionalInteger(int column) const {
        if (statement_.isNull(column)) return std::nullopt;
        return integer(column);
    }
    std::string text(int column) const { return statement_.text(column); }
    std::optional<std::string> optionalText(int column) const {
        if (statement_.isNull(column)) return std::nullopt;
        return text(column);
    }

private:
    std::unique_ptr<Statement> owned_;
    Statement& statement_;
};

// A connection to one contact database.
class Connection {
public:
    enum class Access { Read, Write };

    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    virtual ~Connection() = default;

    // A statement prepared once per connection and reused; `sql` is the cache key.
    Query query(const std::string& sql);
    // A statement prepared for this use only (SQL built at run time).
    virtual std::unique_ptr<Statement> prepare(const std::string& sql) = 0;
    // A statement whose rows may be many (a listing, a copy): the engine reads them a batch
    // at a time where it would otherwise hold them all. Other statements may run between
    // its steps.
    virtual std::unique_ptr<Statement> prepareStream(const std::string& sql) {
        return prepare(sql);
    }
    Query stream(const std::string& sql) { return Query(prepareStream(sql)); }
    // Runs SQL without parameters (several statements allowed).
    virtual void exec(const std::string& sql) = 0;

    // Transaction control, used through Transaction. A write transaction holds what it needs
    // from its start, so that it cannot fail half-way because another writer got there first;
    // a read transaction sees one state of the database throughout.
    virtual void begin(Access access) = 0;
    virtual void commit() = 0;
    virtual void rollback() noexcept = 0;

    // --- what only the engine knows how to do
    // Before contacts are numbered by the store itself: no one else may add contacts until
    // the transaction ends (note writers carry on).
    virtual void lockContactNumbers() = 0;
    // Before a note is checked against a contact's other notes and written: writers of notes
    // to the same contact take turns.
    virtual void lockContact(std::int64_t contact) = 0;
    // After rows were inserted with identifiers of their own: the next one the database hands
    // out comes after them.
    virtual void identifiersTaken(std::string_view table) = 0;
    // Many rows are about to go in (or have gone in): the engine may size its caches.
    virtual void bulkLoad(bool starting) = 0;
    // Writes a further note of a run in one statement, checks and all, in a transaction of
    // its own: true when written, false when a check of the note's rule refused it. Nothing,
    // and nothing written, where the store's transaction does it as well.
    virtual std::optional<bool> addFurtherNote(const note_rule::NoteRow& /*row*/) {
        return std::nullopt;
    }
    // Where the engine takes many rows as one stream (a server's COPY), canCopy() says so and
    // copyInto gives a stream into `table` (with its column list); else rows go in through
    // statements and copyInto gives nothing.
    virtual bool canCopy() const { return false; }
    virtual std::unique_ptr<RowStream> copyInto(const std::string& table) {
        (void)table;
        return nullptr;
    }
    // True when the database's users are the server's own roles, which log in by connecting.
    virtual bool serverRoles() const { return false; }
    // An SQL condition, true when the database has users and so asks for a login.
    virtual const char* hasUsersSql() const { return "EXISTS (SELECT 1 FROM app_user)"; }

protected:
    // Engines whose statements must go before the connection closes call this first.
    void clearStatements() { cache_.clear(); }

private:
    friend class Transaction;
    std::map<std::string, std::unique_ptr<Statement>, std::less<>> cache_;
    int depth_ = 0;
};

// Rolls back unless committed. Inside another transaction it is a savepoint of that one, so
// that a part can fail without undoing the whole.
class Transaction {
public:
    explicit Transaction(Connection& connection,
                         Connection::Access access = Connection::Access::Write);
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction();
    void commit();

private:
    Connection& connection_;
    bool open_ = true;
    int level_;
};

}  // namespace penwick::contacts
