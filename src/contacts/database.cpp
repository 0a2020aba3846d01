#include "contacts/database.h"

#include "util/failure.h"
#include "util/text.h"

namespace penwick::contacts {

void failDatabase(std::string_view what, std::string_view why) {
    std::string message(what);
    if (!why.empty()) {
        message += ": ";
        message += why;
    }
    raise(err::AutomationError, fromUtf8(message), std::u16string(kSource));
}

Query Connection::query(const std::string& sql) {
    auto found = cache_.find(sql);
    if (found == cache_.end()) found = cache_.emplace(sql, prepare(sql)).first;
    return Query(*found->second);
}

Transaction::Transaction(Connection& connection, Connection::Access access)
    : connection_(connection), level_(connection.depth_) {
    if (level_ == 0) {
        connection_.begin(access);
    } else {
        connection_.exec("SAVEPOINT part" + std::to_string(level_));
    }
    ++connection_.depth_;
}

Transaction::~Transaction() {
    if (!open_) return;
    --connection_.depth_;
    if (level_ == 0) {
        connection_.rollback();
        return;
    }
    try {
        const std::string name = "part" + std::to_string(level_);
        connection_.exec("ROLLBACK TO " + name + "; RELEASE " + name);
    } catch (...) {
        // The enclosing transaction fails too, and rolls everything back.
    }
}

void Transaction::commit() {
    if (level_ == 0) {
        connection_.commit();
    } else {
        connection_.exec("RELEASE part" + std::to_string(level_));
    }
    open_ = false;
    --connection_.depth_;
}

}  // namespace penwick::contacts
