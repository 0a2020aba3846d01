// The lookup the user works in: choosing it and showing it.

#include "tools/command_support.h"

#include <set>
#include <sstream>

#include "contacts/contact_id.h"
#include "contacts/system.h"

namespace penwick::tools {

using contacts::LookupQuery;
using contacts::Session;
using contacts::Store;

namespace {

std::string describe(const contacts::Condition& c) {
    using Op = contacts::Condition::Op;
    if (c.value.empty() && c.op != Op::Contains) {
        return c.field + (c.op == Op::Equal ? " is empty" : " is not empty");
    }
    const char* verb = c.op == Op::Equal      ? " is "
                       : c.op == Op::NotEqual ? " is not "
                                              : " contains ";
    return c.field + verb + "\"" + c.value + "\"";
}

std::string describe(const LookupQuery& q) {
    switch (q.kind) {
        case LookupQuery::Kind::All:
            return "all contacts";
        case LookupQuery::Kind::Where: {
            std::string text;
            for (const auto& condition : q.where) {
                text += (text.empty() ? "" : q.any ? " or " : " and ") + describe(condition);
            }
            return "contacts whose " + text;
        }
        case LookupQuery::Kind::Ids:
            return std::to_string(q.ids.size()) + " chosen contacts";
        case LookupQuery::Kind::Run:
            return "the contacts run " + std::to_string(q.run) + " wrote to";
        case LookupQuery::Kind::RestOfRun:
            return "the contacts of run " + std::to_string(q.run) + " still without its note";
    }
    return {};
}

// Identifiers for --ids (comma-separated lists) or --ids-file (one a line), each contact once.
class IdList {
public:
    void add(const std::string& text, const std::string& where) {
        std::string id = text;
        while (!id.empty() && (id.back() == ' ' || id.back() == '\t')) id.pop_back();
        while (!id.empty() && (id.front() == ' ' || id.front() == '\t')) id.erase(0, 1);
        if (id.empty()) return;
        const auto number = contacts::parseContactId(std::string_view(id));
        if (!number) throw UsageError{where + "not a contact identifier: " + id};
        if (seen_.insert(*number).second) ids_.push_back(*number);
    }
    std::vector<std::int64_t> take() { return std::move(ids_); }

private:
    std::vector<std::int64_t> ids_;
    std::set<std::int64_t> seen_;
};

LookupQuery whereQuery(const Arguments& a, Store& store) {
    // --where FIELD=VALUE, then any more conditions as plain arguments.
    std::vector<std::string> conditions = a.options.at("where");
    conditions.insert(conditions.end(), a.positional.begin(), a.positional.end());
    LookupQuery query;
    query.kind = LookupQuery::Kind::Where;
    query.any = a.has("any");
    for (const std::string& text : conditions) {
        auto condition = contacts::parseCondition(text);
        if (!condition) {
            throw UsageError{"a condition is FIELD=VALUE, FIELD~TEXT or FIELD!=VALUE, not " + text};
        }
        const auto field = store.fieldName(condition->field);
        if (!field) {
            throw UsageError{"unknown field " + condition->field +
                             "; fields are name, company, phone, email, city and the extra "
                             "fields of " +
                             store.path()};
        }
        if (condition->op == contacts::Condition::Op::Contains && condition->value.empty()) {
            throw UsageError{condition->field + "~ needs the text to look for"};
        }
        condition->field = *field;
        query.where.push_back(std::move(*condition));
    }
    return query;
}

}  // namespace

int cmdLookup(const Arguments& a, ToolIo& io) {
    Session session = requireSession(io);
    const int kinds = int(a.has("all")) + int(a.has("where")) + int(a.has("ids")) +
                      int(a.has("ids-file")) + int(a.has("run")) + int(a.has("rest-of-run"));
    if (kinds != 1) {
        throw UsageError{
            "give exactly one of --all, --where, --ids, --ids-file, --run and --rest-of-run"};
    }
    if (a.has("any") && !a.has("where")) throw UsageError{"--any goes with --where"};
    Store store(session.database);
    LookupQuery query;
    if (a.has("all")) {
        expectPositional(a, 0, 0);
        query.kind = LookupQuery::Kind::All;
    } else if (a.has("where")) {
        query = whereQuery(a, store);
    } else if (a.has("ids")) {
        IdList ids;
        std::vector<std::string> lists = a.options.at("ids");
        lists.insert(lists.end(), a.positional.begin(), a.positional.end());
        for (const std::string& list : lists) {
            std::stringstream in(list);
            std::string id;
            while (std::getline(in, id, ',')) ids.add(id, "");
        }
        query.kind = LookupQuery::Kind::Ids;
        query.ids = ids.take();
        if (query.ids.empty()) throw UsageError{"--ids needs at least one identifier"};
    } else if (const auto file = a.value("ids-file")) {
        expectPositional(a, 0, 0);
        IdList ids;
        std::ifstream in = openFile(*file);
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            ids.add(line, "line " + std::to_string(number) + " of " + *file + ": ");
        }
        if (in.bad()) throw ToolError{"cannot read " + *file};
        query.kind = LookupQuery::Kind::Ids;
        query.ids = ids.take();
        if (query.ids.empty()) throw ToolError{*file + " holds no contact identifiers"};
    } else {
        expectPositional(a, 0, 0);
        const bool rest = a.has("rest-of-run");
        query.kind = rest ? LookupQuery::Kind::RestOfRun : LookupQuery::Kind::Run;
        query.run = parseCount(*a.value(rest ? "rest-of-run" : "run"), "the run");
    }
    // Counted as the selection streams past; unknown identifiers, fields and runs fail here.
    const std::int64_t selected = store.countSelected(query);
    session.lookup = query;
    contacts::writeSession(io.sessionPath, session);
    io.out << "lookup: " << describe(query) << ", " << plural(selected, "contact") << "\n";
    if (selected == 0) io.err << kProgram << ": note: the lookup holds no contacts\n";
    return 0;
}

int cmdStatus(const Arguments& a, ToolIo& io) {
    expectPositional(a, 0, 0);
    const Session session = requireSession(io);
    Store store(session.database);
    const std::int64_t selected = store.countSelected(session.lookup, /*skipRemoved=*/true);
    io.out << "database: " << store.path() << " (" << plural(store.contactCount(), "contact")
           << (store.isMultiUser() ? ", asks for a login" : "") << ")\n";
    io.out << "user:     " << (session.user.empty() ? contacts::osUserName() : session.user)
           << "\n";
    io.out << "lookup:   " << describe(session.lookup) << ", " << plural(selected, "contact")
           << "\n";
    return 0;
}

}  // namespace penwick::tools
