#include <algorithm>

#include "contacts/insert_rows.h"
#include "contacts/store.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::contacts {

namespace {

[[noreturn]] void fail(int number, const std::string& message) {
    raise(number, fromUtf8(message), std::u16string(kSource));
}

constexpr const char* kContactInto = "contact(id, name, company, phone, email, city)";
constexpr const char* kExtraInto = "contact_extra(contact_id, field_id, value)";
}  // namespace

ContactImport::ContactImport(Connection& connection, const std::vector<std::string>& extraNames)
    : connection_(connection),
      tx_(connection),
      contactRow_(connection.prepare(insertRows(kContactInto, 6, 1))),
      contactBatch_(connection.prepare(insertRows(kContactInto, 6, kBatch))),
      extraRow_(connection.prepare(insertRows(kExtraInto, 3, 1))),
      extraBatch_(connection.prepare(insertRows(kExtraInto, 3, kBatch))),
      contacts_(kBatch * kContactFieldColumns.size()) {
    connection_.bulkLoad(true);
    // A server numbers the contacts when they move in at the end: other imports wait for
    // that statement only, not for the whole file to be read.
    if (!connection_.canCopy()) {
        connection_.lockContactNumbers();
        auto q = connection_.query("SELECT coalesce(max(id), 0) + 1 FROM contact");
        if (q.step()) nextId_ = q.integer(0);
    }
    std::vector<std::pair<std::string, std::int64_t>> known;  // key, id
    {
        auto q = connection_.query("SELECT id, name FROM extra_field ORDER BY id");
        while (q.step()) known.emplace_back(fieldKey(q.text(1)), q.integer(0));
    }
    for (const std::string& name : extraNames) {
        const std::string key = fieldKey(name);
        const auto found =
            std::find_if(known.begin(), known.end(), [&](const auto& k) { return k.first == key; });
        if (found != known.end()) {
            fieldIds_.push_back(found->second);
            continue;
        }
        auto q = connection_.query("INSERT INTO extra_field(name) VALUES (?1) RETURNING id");
        if (!q.bind(1, name).step()) fail(err::AutomationError, "adding the field " + name);
        fieldIds_.push_back(q.integer(0));
        known.emplace_back(key, fieldIds_.back());
    }
    if (connection_.canCopy()) {
        std::string table = "CREATE TEMPORARY TABLE penwick_import(n bigint";
        for (const ContactFieldColumn& column : kContactFieldColumns)
            (table += ", ") += std::string(column.column) + " text";
        for (std::size_t i = 1; i <= fieldIds_.size(); ++i)
            table += ", e" + std::to_string(i) + " text";
        connection_.exec(table + ") ON COMMIT DROP");
        stream_ = connection_.copyInto("penwick_import");
    }
}

ContactImport::~ContactImport() {
    connection_.bulkLoad(false);
}

void ContactImport::add(const ContactFields& f, const std::vector<std::string>& extras) {
    if (stream_) {
        stream_->value(std::to_string(++added_));
        for (const ContactFieldColumn& column : kContactFieldColumns)
            stream_->value(f.*column.member);
        for (std::size_t i = 0; i < fieldIds_.size(); ++i) {
            // An empty value is not stored, as in a file.
            if (i < extras.size() && !extras[i].empty()) {
                stream_->value(extras[i]);
            } else {
                stream_->null();
            }
        }
        stream_->endRow();
        return;
    }
    std::size_t at = waitingContacts_ * kContactFieldColumns.size();
    for (const ContactFieldColumn& column : kContactFieldColumns)
        contacts_[at++] = f.*column.member;
    const std::size_t count = std::min(extras.size(), fieldIds_.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (extras[i].empty()) continue;
        if (waitingExtras_ == extras_.size()) extras_.emplace_back();
        Extra& extra = extras_[waitingExtras_++];
        extra.contact = nextId_;
        extra.field = fieldIds_[i];
        extra.value = extras[i];
    }
    ++nextId_;
    ++added_;
    if (++waitingContacts_ == kBatch) flush();
}

void ContactImport::flush() {
    // The values stay in place until the statement has run: the engine need not copy them.
    const auto run = [](Statement& s) {
        s.step();
        s.reset();
    };
    // Contacts before their extra fields, which refer to them.
    const std::int64_t first = nextId_ - static_cast<std::int64_t>(waitingContacts_);
    const auto contacts = [&](Statement& s, std::size_t from, std::size_t rows) {
        int index = 1;
        for (std::size_t r = from; r < from + rows; ++r) {
            s.bind(index++, first + static_cast<std::int64_t>(r));
            for (std::size_t c = 0; c < kContactFieldColumns.size(); ++c) {
                s.bind(index++, contacts_[r * kContactFieldColumns.size() + c], true);
            }
        }
        run(s);
    };
    if (waitingContacts_ == kBatch) {
        contacts(*contactBatch_, 0, kBatch);
    } else {
        for (std::size_t r = 0; r < waitingContacts_; ++r) contacts(*contactRow_, r, 1);
    }
    const auto extras = [&](Statement& s, std::size_t from, std::size_t rows) {
        int index = 1;
        for (std::size_t r = from; r < from + rows; ++r) {
            s.bind(index++, extras_[r].contact);
            s.bind(index++, extras_[r].field);
            s.bind(index++, extras_[r].value, true);
        }
        run(s);
    };
    std::size_t r = 0;
    for (; r + kBatch <= waitingExtras_; r += kBatch) extras(*extraBatch_, r, kBatch);
    for (; r < waitingExtras_; ++r) extras(*extraRow_, r, 1);
    waitingContacts_ = 0;
    waitingExtras_ = 0;
}

void ContactImport::moveStreamed() {
    stream_->finish();
    stream_.reset();
    connection_.lockContactNumbers();
    std::int64_t before = 0;
    {
        auto q = connection_.query("SELECT coalesce(max(id), 0) FROM contact");
        if (q.step()) before = q.integer(0);
    }
    const std::string base = std::to_string(before);
    connection_.exec(std::string("INSERT INTO ") + kContactInto + " SELECT " + base +
                     " + n, name, company, phone, email, city FROM penwick_import");
    if (fieldIds_.empty()) return;
    // One row per value that is there: each extra column paired with its field.
    std::string pairs;
    for (std::size_t i = 0; i < fieldIds_.size(); ++i) {
        pairs += (i == 0 ? "(" : ", (") + std::to_string(fieldIds_[i]) + ", t.e" +
                 std::to_string(i + 1) + ")";
    }
    connection_.exec(std::string("INSERT INTO ") + kExtraInto + " SELECT " + base +
                     " + t.n, x.field, x.value FROM penwick_import t CROSS JOIN LATERAL (VALUES " +
                     pairs + ") x(field, value) WHERE x.value IS NOT NULL");
}

void ContactImport::commit() {
    if (stream_) {
        moveStreamed();
        connection_.identifiersTaken("contact");
        tx_.commit();
        return;
    }
    flush();
    connection_.identifiersTaken("contact");
    tx_.commit();
}

}  // namespace penwick::contacts
