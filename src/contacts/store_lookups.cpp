// Lookups: the contacts a query selects, in order.

#include "contacts/store.h"

#include <variant>

#include "contacts/contact_id.h"
#include "contacts/note_rule.h"
#include "contacts/store_parts.h"
#include "util/failure.h"

namespace penwick::contacts {

using note_rule::runFamily;
using store_parts::fail;

namespace {

// A statement built at run time with its values bound in order: numbers (field identifiers)
// and texts (condition values); only names from the fixed list are spliced into the SQL.
class BuiltQuery {
public:
    std::string sql;

    std::string parameter(std::int64_t value) {
        values_.emplace_back(value);
        return "?" + std::to_string(values_.size());
    }
    std::string parameter(const std::string& value) {
        values_.emplace_back(value);
        return "?" + std::to_string(values_.size());
    }

    void forEachRow(Connection& c, const std::function<void(std::int64_t)>& visit) {
        auto statement = c.prepareStream(sql);
        for (std::size_t i = 0; i < values_.size(); ++i) {
            const int index = static_cast<int>(i + 1);
            if (const auto* n = std::get_if<std::int64_t>(&values_[i])) {
                statement->bind(index, *n);
            } else {
                statement->bind(index, std::get<std::string>(values_[i]), true);
            }
        }
        while (statement->step()) visit(statement->integer(0));
    }

private:
    std::vector<std::variant<std::int64_t, std::string>> values_;
};

}  // namespace

std::vector<std::int64_t> Store::resolve(const LookupQuery& query, bool skipRemoved) {
    std::vector<std::int64_t> numbers;
    forEachSelected(query, skipRemoved, [&](std::int64_t number) { numbers.push_back(number); });
    return numbers;
}

std::int64_t Store::countSelected(const LookupQuery& query, bool skipRemoved) {
    std::int64_t count = 0;
    forEachSelected(query, skipRemoved, [&](std::int64_t) { ++count; });
    return count;
}

void Store::forEachSelected(const LookupQuery& query, bool skipRemoved,
                            const std::function<void(std::int64_t)>& visit) {
    switch (query.kind) {
        case LookupQuery::Kind::All: {
            auto q = connection_->stream("SELECT id FROM contact ORDER BY id");
            while (q.step()) visit(q.integer(0));
            return;
        }
        case LookupQuery::Kind::Where: {
            BuiltQuery built;
            built.sql = "SELECT c.id FROM contact c WHERE ";
            std::string joined;
            for (const Condition& condition : query.where) {
                std::string value;
                if (const auto column = contactColumn(condition.field)) {
                    value = "c." + *column;
                } else {
                    // An extra field; a contact without a value for it has it empty.
                    const auto field = extraFieldId(condition.field);
                    if (!field) {
                        fail(err::InvalidPropertyValue, "unknown contact field " + condition.field);
                    }
                    value =
                        "coalesce((SELECT value FROM contact_extra WHERE contact_id = c.id "
                        "AND field_id = " +
                        built.parameter(field->first) + "), '')";
                }
                const std::string folded = "penwick_fold(" + value + ")";
                const std::string given = built.parameter(foldCase(condition.value));
                std::string test;
                switch (condition.op) {
                    case Condition::Op::Equal:
                        test = folded + " = " + given;
                        break;
                    case Condition::Op::NotEqual:
                        test = folded + " <> " + given;
                        break;
                    case Condition::Op::Contains:
                        // instr, not LIKE: the text is looked for as typed, % and _ included.
                        test = "instr(" + folded + ", " + given + ") > 0";
                        break;
                }
                joined += (joined.empty() ? "" : query.any ? " OR " : " AND ") + test;
            }
            built.sql += (joined.empty() ? "1" : "(" + joined + ")") + " ORDER BY c.id";
            built.forEachRow(*connection_, visit);
            return;
        }
        case LookupQuery::Kind::Ids:
            forEachExisting(query.ids, [&](std::int64_t id, bool exists) {
                if (!exists) {
                    if (skipRemoved) return;
                    fail(err::InvalidPropertyValue,
                         "no contact has the identifier " + formatContactId(id));
                }
                visit(id);
            });
            return;
        case LookupQuery::Kind::Run: {
            if (!run(query.run))
                fail(err::InvalidPropertyValue, "no run " + std::to_string(query.run));
            auto q = connection_->stream(
                "SELECT contact_id FROM note WHERE run_id = ?1 GROUP BY contact_id "
                "ORDER BY min(id)");
            q.bind(1, query.run);
            while (q.step()) visit(q.integer(0));
            return;
        }
        case LookupQuery::Kind::RestOfRun: {
            const auto found = run(query.run);
            if (!found) fail(err::InvalidPropertyValue, "no run " + std::to_string(query.run));
            if (!found->lookupSize) {
                fail(err::InvalidPropertyValue,
                     "run " + std::to_string(query.run) +
                         " kept no lookup (it was written before runs kept theirs, or without "
                         "one), so which contacts it missed is not known");
            }
            // A run and the runs that continue it (and continue those) all write one note:
            // a contact with a note from any run of that family is done, whichever run of
            // it is being completed.
            auto q = connection_->stream(
                runFamily("?1") +
                "SELECT l.contact_id FROM run_lookup l WHERE l.run_id = ?1 "
                "AND EXISTS (SELECT 1 FROM contact WHERE id = l.contact_id) "
                "AND NOT EXISTS (SELECT 1 FROM note n WHERE n.contact_id = l.contact_id "
                "AND n.run_id IN (SELECT id FROM family)) ORDER BY l.position");
            q.bind(1, query.run);
            while (q.step()) visit(q.integer(0));
            return;
        }
    }
}

}  // namespace penwick::contacts
