#include "tools/commands.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <set>
#include <sstream>

#include "embedded/contact_id.h"
#include "embedded/session.h"
#include "embedded/store.h"
#include "embedded/system.h"
#include "posix/files.h"
#include "tools/contact_import.h"
#include "tools/csv.h"
#include "tools/demo.h"
#include "tools/table_output.h"
#include "util/failure.h"

namespace penwick::tools {

namespace {

using embedded::LookupQuery;
using embedded::Session;
using embedded::Store;

constexpr const char* kProgram = "penwick-contacts";

std::optional<Session> currentSession(const ToolIo& io) {
    return embedded::readSession(io.sessionPath);
}

Session requireSession(const ToolIo& io) {
    auto session = currentSession(io);
    if (!session) {
        throw ToolError{"no contact database is open; open one with: penwick-contacts open DB"};
    }
    return *session;
}

// The database named on the command line, else the one the user works in.
std::string databaseArgument(const Arguments& a, const ToolIo& io) {
    if (!a.positional.empty()) return a.positional[0];
    return requireSession(io).database;
}

std::string describe(const embedded::Condition& c) {
    using Op = embedded::Condition::Op;
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

std::string plural(std::int64_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

std::ifstream openFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) throw ToolError{"no file at " + path};
    if (!S_ISREG(st.st_mode)) throw ToolError{path + " is not a file"};
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ToolError{"cannot read " + path};
    return in;
}

// One line of standard input, without its line break.
std::string readLine(ToolIo& io) {
    std::string line;
    std::getline(io.in, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// A password: the next line of standard input with --password-stdin, else asked for on the
// terminal without echo.
std::string readPassword(const Arguments& a, ToolIo& io, const std::string& prompt) {
    if (a.has("password-stdin")) return readLine(io);
    if (!io.askPassword) {
        throw ToolError{"no terminal to ask for the password on; give it with --password-stdin"};
    }
    const auto answer = io.askPassword(prompt);
    if (!answer) {
        throw ToolError{"no terminal to ask for the password on; give it with --password-stdin"};
    }
    return *answer;
}

// On a database with users, a command that changes it acts as one of them, who proves it with
// a password: --user NAME, or the user of the session when it works in this database. Returns
// the user's stored name; empty for a database without users, which asks for nothing.
std::string logIn(Store& store, const Arguments& a, ToolIo& io) {
    if (!store.isMultiUser()) return {};
    std::optional<std::string> name = a.value("user");
    if (!name) {
        if (const auto session = currentSession(io);
            session && session->database == store.path() && !session->user.empty()) {
            name = session->user;
        }
    }
    if (!name) {
        throw UsageError{store.path() + " asks for a login: give --user NAME (and the password)"};
    }
    const std::string password = readPassword(a, io, "Password for " + *name + ": ");
    // One answer for an unknown name and a wrong password: the tool tells no names.
    const auto user = store.verifyUser(*name, password);
    if (!user) throw ToolError{"wrong user name or password for " + store.path()};
    return *user;
}

int cmdInit(const Arguments& a, ToolIo& io) {
    expectPositional(a, 1, 1);
    const std::string name = embedded::databaseName(a.positional[0]);
    Store::create(name);
    io.out << "init: made the contact database " << name << "\n";
    return 0;
}

int cmdCopy(const Arguments& a, ToolIo& io) {
    expectPositional(a, 2, 2);
    Store source(embedded::databaseName(a.positional[0]));
    // The copy carries every user's password hash: on a database with users, only an
    // administrator takes one.
    if (source.isMultiUser()) {
        const std::string user = logIn(source, a, io);
        if (!source.isAdmin(user))
            throw ToolError{"only an administrator can copy " + source.path()};
    }
    const std::string destination = embedded::databaseName(a.positional[1]);
    // A server checks its users' passwords itself: no hash goes to or from one, so each user
    // gets a new password (one a line after the administrator's, with --password-stdin).
    bool told = false;
    const auto newPassword = [&](const embedded::UserEntry& user) {
        if (!told) {
            io.out << "copy: passwords do not go to or from a server database: each user gets "
                      "a new one\n"
                   << std::flush;
            told = true;
        }
        return readPassword(a, io, "New password for " + user.name + ": ");
    };
    embedded::CopyCounts copied;
    Store::create(destination, [&](Store& made) { copied = made.copyFrom(source, newPassword); });
    io.out << "copy: copied " << source.path() << " to " << destination << ": "
           << plural(copied.contacts, "contact") << " ("
           << plural(copied.extraValues, "extra value") << " in "
           << plural(copied.extraFields, "extra field") << "), " << plural(copied.users, "user");
    if (copied.newPasswords != 0 || copied.rolesKept != 0) {
        io.out << " (" << copied.newPasswords << " with new passwords, " << copied.rolesKept
               << " keeping the server roles of their names)";
    }
    io.out << ", " << plural(copied.runs, "run") << " (" << plural(copied.lookupEntries, "contact")
           << " in their lookups), " << plural(copied.notes, "note") << "\n";
    io.out << "copy: " << destination
           << " is a database of its own: lookups saved for the original do not apply to it\n";
    return 0;
}

int cmdImport(const Arguments& a, ToolIo& io) {
    expectPositional(a, 2, 2);
    const bool dryRun = a.has("dry-run");
    Store store(a.positional[0]);
    if (!dryRun) logIn(store, a, io);
    const std::string& file = a.positional[1];
    std::ifstream in = openFile(file);
    CsvReader reader(in, {a.value("encoding"), 0});
    CsvRecord record;
    if (!reader.next(record)) {
        throw ToolError{"the CSV file is empty; its first row names the fields"};
    }
    // The tool's own listing is told by its identifiers, read once before anything is written:
    // its header alone is also another system's plain export, whose identifiers are kept.
    bool ownListing = false;
    if (ImportPlan::headedAsListing(record.fields)) {
        std::ifstream again = openFile(file);
        CsvReader rows(again, {a.value("encoding"), reader.delimiter()});
        CsvRecord header;
        rows.next(header);
        ownListing = isOwnListing(rows);
    }
    const ImportPlan plan(record.fields, ownListing);

    // Row by row from the file into the database, all inside one transaction: a fault on any
    // row leaves the database as it was.
    using Add =
        std::function<void(const embedded::ContactFields&, const std::vector<std::string>&)>;
    std::int64_t rows = 0;
    const auto readRows = [&](const Add& add) {
        embedded::ContactFields fields;
        std::vector<std::string> extras;
        while (reader.next(record)) {
            const auto& cells = record.fields;
            if (cells.size() == 1 && cells[0].empty() && plan.columns() > 1) continue;  // blank
            if (cells.size() != plan.columns()) {
                throw ToolError{"line " + std::to_string(record.line) + " of the CSV file has " +
                                plural(std::int64_t(cells.size()), "cell") + ", the header " +
                                plural(std::int64_t(plan.columns()), "cell")};
            }
            plan.apply(cells, fields, extras);
            add(fields, extras);
            ++rows;
        }
    };
    if (dryRun) {
        readRows([](const auto&, const auto&) {});
    } else {
        auto import = store.importContacts(plan.extraNames());
        readRows([&](const auto& fields, const auto& extras) { import.add(fields, extras); });
        import.commit();
    }

    const std::string separator =
        reader.delimiter() == '\t' ? "tab" : std::string(1, reader.delimiter());
    io.out << "import: read " << plural(rows, "row") << " of " << file << " (" << reader.encoding()
           << ", separated by " << separator << ")\n";
    for (const std::string& line : plan.describe()) io.out << "  " << line << "\n";
    if (dryRun) {
        io.out << "import: dry run, nothing written; " << plural(rows, "contact")
               << " would be added to " << store.path() << "\n";
    } else {
        io.out << "import: added " << plural(rows, "contact") << " to " << store.path() << " ("
               << store.contactCount() << " in all)\n";
    }
    return 0;
}

int cmdAddUser(const Arguments& a, ToolIo& io) {
    expectPositional(a, 2, 2);
    Store store(a.positional[0]);
    const bool wasMultiUser = store.isMultiUser();
    if (wasMultiUser) {
        const std::string admin = logIn(store, a, io);
        if (!store.isAdmin(admin)) throw ToolError{"only an administrator can add users"};
    }
    const std::string password =
        readPassword(a, io, "Password for the new user " + a.positional[1] + ": ");
    if (password.empty()) throw ToolError{"no password given for " + a.positional[1]};
    const bool admin = a.has("admin") || !wasMultiUser;
    store.addUser(a.positional[1], password, admin);
    io.out << "add-user: added " << a.positional[1] << (admin ? " (administrator)" : "") << " to "
           << store.path();
    if (!wasMultiUser) io.out << "; the database now asks for a login";
    io.out << "\n";
    return 0;
}

int cmdOpen(const Arguments& a, ToolIo& io) {
    expectPositional(a, 1, 1);
    Store store(embedded::databaseName(a.positional[0]));
    Session session;
    session.database = store.path();
    if (const auto user = a.value("user")) {
        if (!store.isMultiUser()) {
            throw ToolError{store.path() +
                            " has no users; --user is for databases that ask "
                            "for a login"};
        }
        session.user = logIn(store, a, io);
    }
    embedded::writeSession(io.sessionPath, session);
    io.out << "open: working in " << store.path() << " (" << plural(store.contactCount(), "contact")
           << ")";
    if (!session.user.empty()) io.out << " as " << session.user;
    io.out << "; the lookup holds all contacts\n";
    return 0;
}

// Identifiers for --ids (comma-separated lists) or --ids-file (one a line), each contact once.
class IdList {
public:
    void add(const std::string& text, const std::string& where) {
        std::string id = text;
        while (!id.empty() && (id.back() == ' ' || id.back() == '\t')) id.pop_back();
        while (!id.empty() && (id.front() == ' ' || id.front() == '\t')) id.erase(0, 1);
        if (id.empty()) return;
        const auto number = embedded::parseContactId(std::string_view(id));
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
        auto condition = embedded::parseCondition(text);
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
        if (condition->op == embedded::Condition::Op::Contains && condition->value.empty()) {
            throw UsageError{condition->field + "~ needs the text to look for"};
        }
        condition->field = *field;
        query.where.push_back(std::move(*condition));
    }
    return query;
}

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
    embedded::writeSession(io.sessionPath, session);
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
    io.out << "user:     " << (session.user.empty() ? embedded::osUserName() : session.user)
           << "\n";
    io.out << "lookup:   " << describe(session.lookup) << ", " << plural(selected, "contact")
           << "\n";
    return 0;
}

int cmdContacts(const Arguments& a, ToolIo& io) {
    expectPositional(a, 0, 1);
    const Format format = formatOf(a);
    Store store(databaseArgument(a, io));
    std::vector<Column> header{{"id"}};
    for (const auto& field : embedded::kContactFieldColumns) {
        header.push_back({std::string(field.column)});
    }
    for (std::string& name : store.extraFields()) header.push_back({std::move(name), false, true});
    std::vector<Cell> row;
    printRows(io.out, format, header, [&](const RowSink& sink) {
        store.forEachContact([&](const embedded::Contact& c) {
            row.clear();
            row.emplace_back(embedded::formatContactId(c.number));
            for (const auto& field : embedded::kContactFieldColumns) {
                row.emplace_back(c.fields.*field.member);
            }
            for (const std::string& value : c.extras) row.emplace_back(value);
            sink(row);
        });
    });
    return 0;
}

int cmdNotes(const Arguments& a, ToolIo& io) {
    expectPositional(a, 0, 1);
    const Format format = formatOf(a);
    std::optional<std::int64_t> onlyRun;
    if (const auto run = a.value("run")) onlyRun = parseCount(*run, "the run");
    Store store(databaseArgument(a, io));
    // --with FIELD,...: contact fields shown beside each note's contact.
    std::vector<embedded::ContactFieldRef> with;
    if (a.has("with")) {
        for (const std::string& list : a.options.at("with")) {
            std::stringstream names(list);
            std::string name;
            while (std::getline(names, name, ',')) {
                if (name.empty()) continue;
                try {
                    with.push_back(store.contactField(name));
                } catch (const Failure&) {
                    std::string known = "name, company, phone, email, city";
                    for (const std::string& extra : store.extraFields()) known += ", " + extra;
                    throw UsageError{"unknown contact field " + name + "; fields are " + known};
                }
            }
        }
    }
    std::vector<Column> columns{{"note", true}, {"contact"}};
    for (const auto& field : with) columns.push_back({field.name});
    for (Column c : std::initializer_list<Column>{{"run", true},
                                                  {"type", true},
                                                  {"date"},
                                                  {"time"},
                                                  {"date_as_written"},
                                                  {"text"},
                                                  {"attachment"},
                                                  {"written_at"},
                                                  {"user"}}) {
        columns.push_back(std::move(c));
    }
    std::vector<Cell> row;
    printRows(io.out, format, columns, [&](const RowSink& sink) {
        store.forEachNote([&](const embedded::StoredNote& n) {
            if (onlyRun && n.run != *onlyRun) return;
            row = {std::to_string(n.id), embedded::formatContactId(n.contact)};
            for (const auto& field : with) row.push_back(store.contactValue(n.contact, field));
            for (Cell cell :
                 {Cell(std::to_string(n.run)), Cell(std::to_string(n.record.typeCode)),
                  Cell(n.record.date), n.record.time, Cell(n.record.dateText), Cell(n.record.text),
                  n.record.attachment, Cell(n.writtenAt), Cell(n.userName)}) {
                row.push_back(std::move(cell));
            }
            sink(row);
        });
    });
    return 0;
}

int cmdRuns(const Arguments& a, ToolIo& io) {
    expectPositional(a, 0, 1);
    const Format format = formatOf(a);
    Store store(databaseArgument(a, io));
    std::vector<std::vector<Cell>> rows;
    const auto number = [](const std::optional<std::int64_t>& n) -> Cell {
        if (!n) return std::nullopt;
        return std::to_string(*n);
    };
    for (const embedded::Run& r : store.runs()) {
        // A run without a kept lookup: neither its size nor whether it finished is known.
        const char* finished = !r.lookupSize ? "unknown" : r.finished() ? "yes" : "no";
        rows.push_back({std::to_string(r.id), r.startedAt, r.userName, r.host,
                        std::to_string(r.pid), number(r.lookupSize), std::to_string(r.notes),
                        finished, number(r.continues), r.undoneAt});
    }
    printTable(io.out, format,
               {{"run", true},
                {"started_at"},
                {"user"},
                {"host"},
                {"pid", true},
                {"lookup", true},
                {"notes", true},
                {"finished"},
                {"continues", true},
                {"undone_at"}},
               rows);
    return 0;
}

int cmdUndoRun(const Arguments& a, ToolIo& io) {
    expectPositional(a, 2, 2);
    const std::int64_t id = parseCount(a.positional[1], "the run");
    Store store(a.positional[0]);
    logIn(store, a, io);
    const auto run = store.run(id);
    if (!run) throw ToolError{"no run " + std::to_string(id) + " in " + store.path()};
    // Refused before asking; undoRun checks it again.
    store.requireMayUndo(*run);
    if (run->undoneAt) {
        throw ToolError{"run " + std::to_string(id) + " was already undone at " + *run->undoneAt};
    }
    io.out << "run " << id << ": " << plural(run->notes, "note") << " written by " << run->userName
           << " on " << run->host << " at " << run->startedAt << "\n";
    if (!a.has("yes")) {
        io.out << "Remove these notes? [y/N] " << std::flush;
        std::string answer;
        std::getline(io.in, answer);
        for (char& c : answer) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if (answer != "y" && answer != "yes") throw ToolError{"not confirmed; nothing removed"};
    }
    const std::int64_t removed = store.undoRun(id);
    io.out << "undo-run: removed " << plural(removed, "note") << " of run " << id << "\n";
    return 0;
}

int cmdDemo(const Arguments& a, ToolIo& io) {
    expectPositional(a, 0, 1);
    const std::string path =
        posix::absolutePath(a.positional.empty() ? io.dataFolder + "/demo.pwdb" : a.positional[0]);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    bool made = false;
    if (!std::filesystem::exists(path, ec)) {
        Store::create(path);
        made = true;
    }
    Store store(path);  // an existing file must be one of ours
    if (made) store.addContacts(demoContacts());

    Session session;
    session.database = store.path();
    session.lookup.kind = LookupQuery::Kind::Where;
    session.lookup.where = {{"city", kDemoLookupCity}};
    const std::int64_t selected = store.countSelected(session.lookup);
    embedded::writeSession(io.sessionPath, session);
    if (made) {
        io.out << "demo: made " << store.path() << " with "
               << plural(store.contactCount(), "contact") << "\n";
    } else {
        io.out << "demo: " << store.path() << " exists; working in it as it is\n";
    }
    io.out << "demo: working in it now; the lookup holds the " << plural(selected, "contact")
           << " in " << kDemoLookupCity << "\n";
    return 0;
}

}  // namespace

const std::vector<Command>& commands() {
    static const std::vector<Command> list = {
        {"init",
         "init DB",
         "make a new, empty contact database",
         "Makes DB as an empty contact database. DB is a file (it must not exist) or a\n"
         "database on a PostgreSQL server, named by its address: postgresql://HOST/NAME, with\n"
         "any options libpq takes after \"?\" (the server database must exist and hold no\n"
         "tables). Every command that takes DB takes either. A server's password comes from\n"
         "~/.pgpass or PGPASSWORD, never from the address.",
         {},
         cmdInit},
        {"copy",
         "copy FROM TO [--user ADMIN] [--password-stdin]",
         "copy a whole database to a new one",
         "Copies the database FROM into a new database TO, made as init makes it: contacts\n"
         "with every field, users, runs with their lookups, and notes. Either may be a file\n"
         "or a server database; TO appears complete or not at all. A database with users is\n"
         "copied by an administrator (--user ADMIN). Between files users keep their\n"
         "passwords; to or from a server each user is asked for a new one (with\n"
         "--password-stdin, one a line after the administrator's), as a server keeps its\n"
         "users' passwords itself. A user whose name is a role of the server already keeps\n"
         "that role and its password.",
         {{"user", true}, {"password-stdin"}},
         cmdCopy},
        {"import",
         "import DB FILE.csv [--encoding NAME] [--dry-run] [--user NAME] [--password-stdin]",
         "add contacts from a CSV file",
         "Adds one contact per row of FILE.csv, in one go: either all rows or none. The first\n"
         "row names the columns. Columns named like a contact field, case and spacing ignored,\n"
         "fill it: name (or Full Name, Display Name; else First/Middle/Last Name joined),\n"
         "company (Company Name, Organization), phone (Business Phone, Mobile Phone...),\n"
         "email (E-mail Address, Email 1...), city (Business City, Home City...). Every other\n"
         "column is kept as an extra field of the contact under its header, a source system's\n"
         "identifier too; only the id column of this tool's own listing (C000001 and so on\n"
         "in every row) is not kept, as each contact gets a new one. Then it prints what\n"
         "became of each column.\n"
         "Fields are separated by commas, semicolons or tabs (as the first line has them) and\n"
         "may be quoted as in RFC 4180, line breaks included. The file is UTF-8 (a byte-order\n"
         "mark is skipped) unless --encoding names another one as iconv knows it, such as\n"
         "windows-1252 or ISO-8859-15.\n"
         "  --encoding NAME   the file's encoding when it is not UTF-8 (iconv -l lists them)\n"
         "  --dry-run         read the whole file and print the report, but write nothing\n"
         "A database with users asks for a login: --user NAME, the password on the\n"
         "terminal or the first line of standard input with --password-stdin.",
         {{"user", true}, {"password-stdin"}, {"encoding", true}, {"dry-run"}},
         cmdImport},
        {"add-user",
         "add-user DB NAME [--admin] [--user ADMIN] [--password-stdin]",
         "add a user with a password",
         "Adds the user NAME; its password is asked for on the terminal, or read from\n"
         "standard input with --password-stdin. A database with users asks every connection\n"
         "for a login. The first user is an administrator; after that only an administrator\n"
         "(--user ADMIN, whose password comes first) adds users, --admin makes another one.\n"
         "On a server database a user is a role of the server, made here in the database's\n"
         "group of writers (and of administrators); the server keeps the password and checks\n"
         "it at each login. Adding one needs a role that may make roles (CREATEROLE).",
         {{"password-stdin"}, {"admin"}, {"user", true}},
         cmdAddUser},
        {"open",
         "open DB [--user NAME] [--password-stdin]",
         "work in this database from now on",
         "Makes DB the database you work in, logged in as NAME (databases with users; the\n"
         "password on the terminal or, with --password-stdin, on standard input), with a\n"
         "lookup of all its contacts.",
         {{"user", true}, {"password-stdin"}},
         cmdOpen},
        {"lookup",
         "lookup --all | --where COND... [--any] | --ids ID,... | --ids-file FILE | --run RUN "
         "| --rest-of-run RUN",
         "choose the current lookup",
         "Sets the lookup of the database you work in:\n"
         "  --all                every contact;\n"
         "  --where COND...      the contacts meeting every condition, or with --any at\n"
         "                       least one. A condition is FIELD=VALUE (equal), FIELD~TEXT\n"
         "                       (contains), FIELD!=VALUE (not equal) or FIELD= (empty);\n"
         "                       case is ignored. FIELD is name, company, phone, email,\n"
         "                       city or an extra field of the database;\n"
         "  --ids ID,...         the given contacts, in that order;\n"
         "  --ids-file FILE      the contacts FILE names, one identifier a line, in order;\n"
         "  --run RUN            the contacts run RUN wrote a note to;\n"
         "  --rest-of-run RUN    the contacts of run RUN's lookup that have not received its\n"
         "                       note, in that lookup's order. After a run was stopped\n"
         "                       (Cancel, a crash, a power cut), choose this lookup and write\n"
         "                       the same note again: no contact gets it twice.\n"
         "Quote conditions for the shell: --where 'city=New York' 'name~smith'.",
         {{"all"},
          {"where", true},
          {"any"},
          {"ids", true},
          {"ids-file", true},
          {"run", true},
          {"rest-of-run", true}},
         cmdLookup},
        {"status",
         "status",
         "show the database, user and lookup you work in",
         "Shows what you work in: the database, the user, and the current lookup with the\n"
         "conditions that chose it and how many contacts it holds now. Fails when no\n"
         "database is open.",
         {},
         cmdStatus},
        {"contacts",
         "contacts [DB] [--format table|csv|json]",
         "list the contacts",
         "Lists the contacts of DB, or of the database you work in, with their extra fields\n"
         "after the fixed ones (in JSON, in each contact's \"extra\" object). The CSV imports\n"
         "again as it is.",
         {{"format", true}},
         cmdContacts},
        {"notes",
         "notes [DB] [--run RUN] [--with FIELD,...] [--format table|csv|json]",
         "list the notes",
         "Lists the notes of DB (or of the database you work in), oldest first: the date as\n"
         "a calendar date and as written, who wrote it and in which run.\n"
         "  --with FIELD,...   also the contact's fields beside each note: name, company,\n"
         "                     phone, email, city or any extra field (such as --with name,id)",
         {{"format", true}, {"run", true}, {"with", true}},
         cmdNotes},
        {"runs",
         "runs [DB] [--format table|csv|json]",
         "list the runs that wrote notes",
         "Lists every run (one connection that wrote notes): when, who, how many contacts\n"
         "its lookup held, how many notes it wrote, whether every contact of its lookup\n"
         "has its note (\"unknown\" for runs from before databases kept their lookups),\n"
         "the run it continues (a run written for --rest-of-run) and when it was undone.",
         {{"format", true}},
         cmdRuns},
        {"undo-run",
         "undo-run DB RUN [--yes] [--user NAME] [--password-stdin]",
         "remove the notes of one run",
         "Removes every note that run RUN wrote, after asking (or at once with --yes).\n"
         "On a database with users, only the run's author or an administrator may.",
         {{"yes"}, {"user", true}, {"password-stdin"}},
         cmdUndoRun},
        {"demo",
         "demo [DB]",
         "make a demo database and work in it",
         "Makes DB (default: demo.pwdb in your data folder) with a few hundred contacts,\n"
         "opens it and sets a lookup of the contacts of one city. An existing DB is used\n"
         "as it is.",
         {},
         cmdDemo},
    };
    return list;
}

}  // namespace penwick::tools
