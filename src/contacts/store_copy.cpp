// A whole database copied into a new one.

#include "contacts/store.h"

#include <variant>

#include "contacts/insert_rows.h"
#include "contacts/postgres/server_users.h"
#include "contacts/store_parts.h"
#include "contacts/system.h"
#include "util/failure.h"

namespace penwick::contacts {

using store_parts::fail;
using store_parts::hashPassword;

namespace {

// Copies the rows a SELECT gives into a table of another database, column for column, in
// batches; each column is read as a number or as text, as the table holds it.
class TableCopy {
public:
    TableCopy(Connection& to, const char* into, std::string_view kinds)
        : to_(to), into_(into), kinds_(kinds) {}

    std::int64_t from(Connection& source, const std::string& select) {
        auto q = source.stream(select);
        std::int64_t rows = 0;
        // A server takes the rows as one COPY, as an import's.
        if (auto copy = to_.copyInto(into_)) {
            while (q.step()) {
                for (int c = 0; c < static_cast<int>(kinds_.size()); ++c) {
                    if (q.isNull(c)) {
                        copy->null();
                    } else {
                        copy->value(q.text(c));
                    }
                }
                copy->endRow();
                ++rows;
            }
            copy->finish();
            return rows;
        }
        while (q.step()) {
            for (std::size_t c = 0; c < kinds_.size(); ++c) {
                const int column = static_cast<int>(c);
                if (q.isNull(column)) {
                    values_.emplace_back(std::monostate{});
                } else if (kinds_[c] == 'i') {
                    values_.emplace_back(q.integer(column));
                } else {
                    values_.emplace_back(q.text(column));
                }
            }
            if (++rows % kBatch == 0) flush();
        }
        flush();
        return rows;
    }

private:
    static constexpr std::size_t kBatch = 64;

    void flush() {
        const std::size_t rows = values_.size() / kinds_.size();
        if (rows == 0) return;
        auto q = to_.query(insertRows(into_, kinds_.size(), rows));
        int index = 1;
        for (const auto& value : values_) {
            if (const auto* n = std::get_if<std::int64_t>(&value)) {
                q.bind(index++, *n);
            } else if (const auto* t = std::get_if<std::string>(&value)) {
                q.bind(index++, *t);
            } else {
                q.bindNull(index++);
            }
        }
        q.run();
        values_.clear();
    }

    Connection& to_;
    const char* into_;
    std::string_view kinds_;
    std::vector<std::variant<std::monostate, std::int64_t, std::string>> values_;
};

}  // namespace

CopyCounts Store::copyFrom(Store& source, const NewPassword& newPassword) {
    Connection& from = source.connection();
    Connection& to = *connection_;
    Transaction read(from, Connection::Access::Read);
    Transaction tx(to);
    to.bulkLoad(true);
    CopyCounts counts;
    // Tables before the tables that refer to them.
    if (!from.serverRoles() && !to.serverRoles()) {
        counts.users =
            TableCopy(to, "app_user(id, name, password_hash, created_at, is_admin)", "ittti")
                .from(from,
                      "SELECT id, name, password_hash, created_at, is_admin FROM app_user "
                      "ORDER BY id");
    } else {
        for (const UserEntry& user : source.users()) {
            ++counts.users;
            if (to.serverRoles() && ServerUsers(to).roleExists(user.name)) {
                ServerUsers(to).adopt(user.name, user.admin);
                ++counts.rolesKept;
                continue;
            }
            if (!newPassword) {
                fail(err::InvalidCall, "user " + user.name +
                                           " needs a new password: a server's passwords are "
                                           "its own, and no password hash goes across");
            }
            const std::string password = newPassword(user);
            if (password.empty()) fail(err::InvalidCall, "no password given for " + user.name);
            if (to.serverRoles()) {
                ServerUsers(to).add(user.name, password, user.admin);
            } else {
                to.query(
                      "INSERT INTO app_user(name, password_hash, created_at, is_admin) "
                      "VALUES (?1, ?2, ?3, ?4)")
                    .bind(1, user.name)
                    .bind(2, hashPassword(password))
                    .bind(3, utcTimestamp())
                    .bind(4, std::int64_t{user.admin})
                    .run();
            }
            ++counts.newPasswords;
        }
    }
    counts.extraFields = TableCopy(to, "extra_field(id, name)", "it")
                             .from(from, "SELECT id, name FROM extra_field ORDER BY id");
    counts.contacts = TableCopy(to, "contact(id, name, company, phone, email, city)", "ittttt")
                          .from(from,
                                "SELECT id, name, company, phone, email, city FROM contact "
                                "ORDER BY id");
    counts.extraValues = TableCopy(to, "contact_extra(contact_id, field_id, value)", "iit")
                             .from(from,
                                   "SELECT contact_id, field_id, value FROM contact_extra "
                                   "ORDER BY contact_id, field_id");
    // A run only ever continues an earlier one.
    counts.runs = TableCopy(to,
                            "run(id, started_at, user_name, host, pid, undone_at, lookup_size, "
                            "continues_run)",
                            "itttitii")
                      .from(from,
                            "SELECT id, started_at, user_name, host, pid, undone_at, lookup_size, "
                            "continues_run FROM run ORDER BY id");
    counts.lookupEntries = TableCopy(to, "run_lookup(run_id, position, contact_id)", "iii")
                               .from(from,
                                     "SELECT run_id, position, contact_id FROM run_lookup "
                                     "ORDER BY run_id, position");
    counts.notes =
        TableCopy(to,
                  "note(id, contact_id, run_id, type_code, text, attachment, date_text, date, "
                  "time, written_at, user_name)",
                  "iiiittttttt")
            .from(from,
                  "SELECT id, contact_id, run_id, type_code, text, attachment, date_text, "
                  "date, time, written_at, user_name FROM note ORDER BY id");
    for (const char* table : {"extra_field", "contact", "run", "note"}) to.identifiersTaken(table);
    if (!to.serverRoles()) to.identifiersTaken("app_user");
    to.bulkLoad(false);
    tx.commit();
    read.commit();
    return counts;
}

}  // namespace penwick::contacts
