// Contacts: adding them, reading them and their fields.

#include "contacts/store.h"

#include <algorithm>

#include "contacts/store_parts.h"
#include "util/failure.h"

namespace penwick::contacts {

using store_parts::fail;

std::size_t Store::addContacts(const std::vector<ContactFields>& contacts) {
    Transaction tx(*connection_);
    for (const ContactFields& f : contacts) {
        (*connection_)
            .query(
                "INSERT INTO contact(name, company, phone, email, city) VALUES (?1, ?2, ?3, "
                "?4, "
                "?5)")
            .bind(1, f.name)
            .bind(2, f.company)
            .bind(3, f.phone)
            .bind(4, f.email)
            .bind(5, f.city)
            .run();
    }
    tx.commit();
    return contacts.size();
}

ContactImport Store::importContacts(const std::vector<std::string>& extraNames) {
    return ContactImport(*connection_, extraNames);
}

std::vector<std::string> Store::extraFields() {
    std::vector<std::string> names;
    auto q = connection_->query("SELECT name FROM extra_field ORDER BY id");
    while (q.step()) names.push_back(q.text(0));
    return names;
}

ContactFieldRef Store::contactField(std::string_view name) {
    if (const auto column = contactColumn(name)) {
        const auto fixed = std::find_if(kContactFieldColumns.begin(), kContactFieldColumns.end(),
                                        [&](const auto& c) { return c.column == *column; });
        return {*column, fixed->member, 0};
    }
    if (const auto extra = extraFieldId(name)) return {extra->second, nullptr, extra->first};
    fail(err::InvalidPropertyValue, "unknown contact field " + std::string(name));
}

std::optional<std::string> Store::contactValue(std::int64_t number, const ContactFieldRef& field) {
    if (field.member != nullptr) {
        auto c = contact(number);
        if (!c) return std::nullopt;
        return (*c).*field.member;
    }
    if (!contactExists(number)) return std::nullopt;
    auto q = connection_->query(
        "SELECT value FROM contact_extra WHERE contact_id = ?1 AND field_id = ?2");
    if (!q.bind(1, number).bind(2, field.extraId).step()) return std::string();
    return q.text(0);
}

void Store::forEachExisting(const std::vector<std::int64_t>& numbers,
                            const std::function<void(std::int64_t, bool)>& visit) {
    // kBatch numbers a statement: a server's round trip per contact would cost more than
    // the lookup.
    constexpr std::size_t kBatch = 256;
    std::vector<std::int64_t> found;
    for (std::size_t from = 0; from < numbers.size(); from += kBatch) {
        const std::size_t count = std::min(kBatch, numbers.size() - from);
        std::string sql = "SELECT id FROM contact WHERE id IN (?1";
        for (std::size_t i = 2; i <= count; ++i) sql += ",?" + std::to_string(i);
        auto q = connection_->query(sql + ")");
        for (std::size_t i = 0; i < count; ++i) q.bind(int(i + 1), numbers[from + i]);
        found.clear();
        while (q.step()) found.push_back(q.integer(0));
        std::sort(found.begin(), found.end());
        for (std::size_t i = from; i < from + count; ++i)
            visit(numbers[i], std::binary_search(found.begin(), found.end(), numbers[i]));
    }
}

bool Store::contactExists(std::int64_t number) {
    return connection_->query("SELECT 1 FROM contact WHERE id = ?1").bind(1, number).step();
}

std::optional<ContactFields> Store::contact(std::int64_t number) {
    auto q =
        connection_->query("SELECT name, company, phone, email, city FROM contact WHERE id = ?1");
    if (!q.bind(1, number).step()) return std::nullopt;
    return ContactFields{q.text(0), q.text(1), q.text(2), q.text(3), q.text(4)};
}

void Store::forEachContact(const std::function<void(const Contact&)>& visit) {
    // Two ordered streams merged side by side, so that no contact waits in memory for its
    // extra fields. All read within one transaction, so they see the same contacts.
    Transaction read(*connection_, Connection::Access::Read);
    {
        // The extra fields' position in Contact::extras, by their id.
        std::vector<std::pair<std::int64_t, std::size_t>> position;
        {
            auto q = connection_->query("SELECT id FROM extra_field ORDER BY id");
            while (q.step()) position.emplace_back(q.integer(0), position.size());
        }
        auto q = connection_->stream(
            "SELECT id, name, company, phone, email, city FROM contact ORDER BY id");
        auto extras = connection_->stream(
            "SELECT contact_id, field_id, value FROM contact_extra ORDER BY contact_id, "
            "field_id");
        bool extra = extras.step();
        Contact c;
        while (q.step()) {
            c.number = q.integer(0);
            c.fields = {q.text(1), q.text(2), q.text(3), q.text(4), q.text(5)};
            c.extras.assign(position.size(), std::string());
            while (extra && extras.integer(0) < c.number) extra = extras.step();
            while (extra && extras.integer(0) == c.number) {
                const auto at =
                    std::lower_bound(position.begin(), position.end(), extras.integer(1),
                                     [](const auto& p, std::int64_t id) { return p.first < id; });
                if (at != position.end() && at->first == extras.integer(1)) {
                    c.extras[at->second] = extras.text(2);
                }
                extra = extras.step();
            }
            visit(c);
        }
    }
    read.commit();
}

std::int64_t Store::contactCount() {
    auto q = connection_->query("SELECT count(*) FROM contact");
    return q.step() ? q.integer(0) : 0;
}

std::optional<std::string> Store::fieldName(std::string_view field) {
    if (auto column = contactColumn(field)) return column;
    const auto extra = extraFieldId(field);
    return extra ? std::optional(extra->second) : std::nullopt;
}

std::optional<std::pair<std::int64_t, std::string>> Store::extraFieldId(std::string_view name) {
    // Few fields, compared in C++: the key ignores spacing and punctuation as well as case.
    const std::string key = fieldKey(name);
    auto q = connection_->query("SELECT id, name FROM extra_field ORDER BY id");
    while (q.step()) {
        if (fieldKey(q.text(1)) == key) return std::pair(q.integer(0), q.text(1));
    }
    return std::nullopt;
}

}  // namespace penwick::contacts
