// Making and opening a database; the store's other work is in the store_*.cpp files beside it.

#include "contacts/store.h"

#include <sodium.h>

#include "contacts/postgres/postgres.h"
#include "contacts/sqlite/sqlite.h"
#include "contacts/store_parts.h"
#include "contacts/system.h"
#include "posix/files.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::contacts {

namespace store_parts {

void fail(int number, const std::string& message) {
    raise(number, fromUtf8(message), std::u16string(kSource));
}

}  // namespace store_parts

using store_parts::fail;

namespace {

void ensureSodium() {
    if (sodium_init() < 0) fail(err::AutomationError, "libsodium could not be initialised");
}

}  // namespace

bool isServerName(std::string_view name) {
    return name.starts_with("postgresql://") || name.starts_with("postgres://");
}

std::string databaseName(const std::string& given) {
    if (isServerName(given)) {
        checkPostgresName(given);
        return given;
    }
    return posix::absolutePath(given);
}

void Store::create(const std::string& name, const std::function<void(Store&)>& fill) {
    ensureSodium();
    const auto made = [&](Connection& c) {
        unsigned char raw[16];
        randombytes_buf(raw, sizeof raw);
        char hex[2 * sizeof raw + 1];
        sodium_bin2hex(hex, sizeof hex, raw, sizeof raw);
        c.query("INSERT INTO meta(key, value) VALUES ('database_id', ?1)").bind(1, hex).run();
        c.query("INSERT INTO meta(key, value) VALUES ('created_at', ?1)")
            .bind(1, utcTimestamp())
            .run();
        if (fill) {
            Store store(c, name);
            fill(store);
        }
    };
    if (isServerName(name)) {
        createPostgresDatabase(name, made);
    } else {
        createSqliteDatabase(name, made);
    }
}

Store::Store(const std::string& name) : path_(name) {
    ensureSodium();
    if (isServerName(name)) {
        owned_ = openPostgresDatabase(name);
    } else {
        owned_ = openSqliteDatabase(name);
    }
    connection_ = owned_.get();
    identify();
}

Store::Store(Connection& connection, std::string path)
    : path_(std::move(path)), connection_(&connection) {
    identify();
}

Store::~Store() = default;

void Store::identify() {
    auto q = connection_->query("SELECT value FROM meta WHERE key = 'database_id'");
    if (!q.step()) fail(err::AutomationError, path_ + " has no database identity");
    databaseId_ = q.text(0);
}

}  // namespace penwick::contacts
