#include "tools/commands.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "embedded/contact_id.h"
#include "embedded/session.h"
#include "embedded/store.h"
#include "embedded/system.h"
#include "posix/files.h"
#include "tools/csv.h"
#include "tools/demo.h"
#include "tools/table_output.h"

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

std::string describe(const LookupQuery& q) {
    switch (q.kind) {
        case LookupQuery::Kind::All:
            return "all contacts";
        case LookupQuery::Kind::Where: {
            std::string text;
            for (const auto& [field, value] : q.where) {
                text += (text.empty() ? "" : " and ") + field + " = " + value;
            }
            return text;
        }
        case LookupQuery::Kind::Ids:
            return std::to_string(q.ids.size()) + " chosen contacts";
    }
    return {};
}

bool sameName(std::string_view x, std::string_view y) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
    return std::equal(x.begin(), x.end(), y.begin(), y.end(),
                      [&](char p, char q) { return lower(p) == lower(q); });
}

std::string plural(std::int64_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

std::string readAll(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) throw ToolError{"no file at " + path};
    if (!S_ISREG(st.st_mode)) throw ToolError{path + " is not a file"};
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ToolError{"cannot read " + path};
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) throw ToolError{"cannot read " + path};
    return content.str();
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
    const std::string path = posix::absolutePath(a.positional[0]);
    Store::create(path);
    io.out << "init: made the contact database " << path << "\n";
    return 0;
}

int cmdImport(const Arguments& a, ToolIo& io) {
    expectPositional(a, 2, 2);
    Store store(a.positional[0]);
    logIn(store, a, io);
    const auto records = parseCsv(readAll(a.positional[1]));
    if (records.empty()) throw ToolError{"the CSV file is empty; its first row names the fields"};

    // The header names the fields; each one once.
    std::vector<std::optional<std::string>> columns;
    for (const std::string& name : records[0].fields) {
        std::string trimmed = name;
        while (!trimmed.empty() && trimmed.back() == ' ') trimmed.pop_back();
        while (!trimmed.empty() && trimmed.front() == ' ') trimmed.erase(0, 1);
        const auto column = embedded::contactColumn(trimmed);
        if (!column) {
            throw ToolError{"the CSV header names the unknown field \"" + trimmed +
                            "\"; fields are name, company, phone, email, city"};
        }
        if (std::find(columns.begin(), columns.end(), column) != columns.end()) {
            throw ToolError{"the CSV header names the field " + *column + " twice"};
        }
        columns.push_back(column);
    }

    std::vector<embedded::ContactFields> contacts;
    for (std::size_t r = 1; r < records.size(); ++r) {
        const auto& fields = records[r].fields;
        if (fields.size() == 1 && fields[0].empty() && columns.size() > 1) continue;  // blank
        if (fields.size() != columns.size()) {
            throw ToolError{"line " + std::to_string(records[r].line) + " of the CSV file has " +
                            plural(static_cast<std::int64_t>(fields.size()), "field") +
                            ", the header " +
                            plural(static_cast<std::int64_t>(columns.size()), "field")};
        }
        embedded::ContactFields contact;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            // contactColumn has accepted the column, so the table holds it.
            const auto field = std::ranges::find(embedded::kContactFieldColumns, *columns[c],
                                                 &embedded::ContactFieldColumn::column);
            contact.*field->member = fields[c];
        }
        contacts.push_back(std::move(contact));
    }
    store.addContacts(contacts);
    io.out << "import: added " << plural(static_cast<std::int64_t>(contacts.size()), "contact")
           << " to " << store.path() << " (" << store.contactCount() << " in all)\n";
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
    Store store(posix::absolutePath(a.positional[0]));
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

int cmdLookup(const Arguments& a, ToolIo& io) {
    Session session = requireSession(io);
    const int kinds = int(a.has("all")) + int(a.has("where")) + int(a.has("ids"));
    if (kinds != 1) throw UsageError{"give exactly one of --all, --where and --ids"};
    LookupQuery query;
    if (a.has("all")) {
        expectPositional(a, 0, 0);
        query.kind = LookupQuery::Kind::All;
    } else if (a.has("where")) {
        // --where FIELD=VALUE, then any more conditions as plain arguments.
        std::vector<std::string> conditions = a.options.at("where");
        conditions.insert(conditions.end(), a.positional.begin(), a.positional.end());
        query.kind = LookupQuery::Kind::Where;
        for (const std::string& condition : conditions) {
            const auto eq = condition.find('=');
            if (eq == std::string::npos || eq == 0) {
                throw UsageError{"a condition is FIELD=VALUE, not " + condition};
            }
            const std::string field = condition.substr(0, eq);
            const auto column = embedded::contactColumn(field);
            if (!column) {
                throw UsageError{"unknown field " + field +
                                 "; fields are name, company, phone, email, city"};
            }
            query.where.emplace_back(*column, condition.substr(eq + 1));
        }
    } else {
        std::vector<std::string> lists = a.options.at("ids");
        lists.insert(lists.end(), a.positional.begin(), a.positional.end());
        query.kind = LookupQuery::Kind::Ids;
        for (const std::string& list : lists) {
            std::stringstream in(list);
            std::string id;
            while (std::getline(in, id, ',')) {
                if (id.empty()) continue;
                const auto number = embedded::parseContactId(std::string_view(id));
                if (!number) throw UsageError{"not a contact identifier: " + id};
                query.ids.push_back(*number);
            }
        }
        if (query.ids.empty()) throw UsageError{"--ids needs at least one identifier"};
    }
    Store store(session.database);
    const auto selected = store.resolve(query);  // unknown identifiers fail here
    session.lookup = query;
    embedded::writeSession(io.sessionPath, session);
    io.out << "lookup: " << describe(query) << ", "
           << plural(std::int64_t(selected.size()), "contact") << "\n";
    if (selected.empty()) io.err << kProgram << ": note: the lookup holds no contacts\n";
    return 0;
}

int cmdStatus(const Arguments& a, ToolIo& io) {
    expectPositional(a, 0, 0);
    const Session session = requireSession(io);
    Store store(session.database);
    const auto selected = store.resolve(session.lookup, /*skipRemoved=*/true);
    io.out << "database: " << store.path() << " (" << plural(store.contactCount(), "contact")
           << (store.isMultiUser() ? ", asks for a login" : "") << ")\n";
    io.out << "user:     " << (session.user.empty() ? embedded::osUserName() : session.user)
           << "\n";
    io.out << "lookup:   " << describe(session.lookup) << ", "
           << plural(std::int64_t(selected.size()), "contact") << "\n";
    return 0;
}

int cmdContacts(const Arguments& a, ToolIo& io) {
    expectPositional(a, 0, 1);
    const Format format = formatOf(a);
    Store store(databaseArgument(a, io));
    std::vector<std::vector<Cell>> rows;
    store.forEachContact([&](const embedded::Contact& c) {
        std::vector<Cell> row{embedded::formatContactId(c.number)};
        for (const auto& field : embedded::kContactFieldColumns)
            row.emplace_back(c.fields.*field.member);
        rows.push_back(std::move(row));
    });
    std::vector<Column> header{{"id"}};
    for (const auto& field : embedded::kContactFieldColumns)
        header.push_back({std::string(field.column)});
    printTable(io.out, format, header, rows);
    return 0;
}

int cmdNotes(const Arguments& a, ToolIo& io) {
    expectPositional(a, 0, 1);
    const Format format = formatOf(a);
    std::optional<std::int64_t> onlyRun;
    if (const auto run = a.value("run")) onlyRun = parseCount(*run, "the run");
    Store store(databaseArgument(a, io));
    std::vector<std::vector<Cell>> rows;
    store.forEachNote([&](const embedded::StoredNote& n) {
        if (onlyRun && n.run != *onlyRun) return;
        rows.push_back({std::to_string(n.id), embedded::formatContactId(n.contact),
                        std::to_string(n.run), std::to_string(n.record.typeCode), n.record.date,
                        n.record.time, n.record.dateText, n.record.text, n.record.attachment,
                        n.writtenAt, n.userName});
    });
    printTable(io.out, format,
               {{"note", true},
                {"contact"},
                {"run", true},
                {"type", true},
                {"date"},
                {"time"},
                {"date_as_written"},
                {"text"},
                {"attachment"},
                {"written_at"},
                {"user"}},
               rows);
    return 0;
}

int cmdRuns(const Arguments& a, ToolIo& io) {
    expectPositional(a, 0, 1);
    const Format format = formatOf(a);
    Store store(databaseArgument(a, io));
    std::vector<std::vector<Cell>> rows;
    for (const embedded::Run& r : store.runs()) {
        rows.push_back({std::to_string(r.id), r.startedAt, r.userName, r.host,
                        std::to_string(r.pid), std::to_string(r.notes), r.undoneAt});
    }
    printTable(io.out, format,
               {{"run", true},
                {"started_at"},
                {"user"},
                {"host"},
                {"pid", true},
                {"notes", true},
                {"undone_at"}},
               rows);
    return 0;
}

int cmdUndoRun(const Arguments& a, ToolIo& io) {
    expectPositional(a, 2, 2);
    const std::int64_t id = parseCount(a.positional[1], "the run");
    Store store(a.positional[0]);
    const std::string user = logIn(store, a, io);
    const auto run = store.run(id);
    if (!run) throw ToolError{"no run " + std::to_string(id) + " in " + store.path()};
    // The run's author or an administrator; names ignore ASCII case, as logins do.
    if (!user.empty() && !sameName(user, run->userName) && !store.isAdmin(user)) {
        throw ToolError{"run " + std::to_string(id) + " was written by " + run->userName +
                        "; only they or an administrator can undo it"};
    }
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
    const auto selected = store.resolve(session.lookup);
    embedded::writeSession(io.sessionPath, session);
    if (made) {
        io.out << "demo: made " << store.path() << " with "
               << plural(store.contactCount(), "contact") << "\n";
    } else {
        io.out << "demo: " << store.path() << " exists; working in it as it is\n";
    }
    io.out << "demo: working in it now; the lookup holds the "
           << plural(std::int64_t(selected.size()), "contact") << " in " << kDemoLookupCity << "\n";
    return 0;
}

}  // namespace

const std::vector<Command>& commands() {
    static const std::vector<Command> list = {
        {"init",
         "init DB",
         "make a new, empty contact database",
         "Makes the file DB (it must not exist) as an empty contact database.",
         {},
         cmdInit},
        {"import",
         "import DB FILE.csv",
         "add contacts from a CSV file",
         "Adds one contact per row of FILE.csv, in one go: either all rows or none. The first\n"
         "row names the fields (name, company, phone, email, city; any order, any subset).\n"
         "Fields may be quoted as in RFC 4180; the file is UTF-8.\n"
         "A database with users asks for a login: --user NAME, the password on the\n"
         "terminal or the first line of standard input with --password-stdin.",
         {{"user", true}, {"password-stdin"}},
         cmdImport},
        {"add-user",
         "add-user DB NAME [--admin] [--user ADMIN] [--password-stdin]",
         "add a user with a password",
         "Adds the user NAME; its password is asked for on the terminal, or read from\n"
         "standard input with --password-stdin. A database with users asks every connection\n"
         "for a login. The first user is an administrator; after that only an administrator\n"
         "(--user ADMIN, whose password comes first) adds users, --admin makes another one.",
         {{"password-stdin"}, {"admin"}, {"user", true}},
         cmdAddUser},
        {"open",
         "open DB [--user NAME]",
         "work in this database from now on",
         "Makes DB the database you work in, logged in as NAME (databases with users; the\n"
         "password on the terminal or, with --password-stdin, on standard input), with a\n"
         "lookup of all its contacts.",
         {{"user", true}, {"password-stdin"}},
         cmdOpen},
        {"lookup",
         "lookup --all | --where FIELD=VALUE... | --ids ID,...",
         "choose the current lookup",
         "Sets the lookup of the database you work in: every contact, the contacts whose\n"
         "fields equal every given value (case ignored), or the given contacts in that order.",
         {{"all"}, {"where", true}, {"ids", true}},
         cmdLookup},
        {"status",
         "status",
         "show the database, user and lookup you work in",
         "Shows what you work in; fails when no database is open.",
         {},
         cmdStatus},
        {"contacts",
         "contacts [DB] [--format table|csv|json]",
         "list the contacts",
         "Lists the contacts of DB, or of the database you work in.",
         {{"format", true}},
         cmdContacts},
        {"notes",
         "notes [DB] [--run RUN] [--format table|csv|json]",
         "list the notes",
         "Lists the notes of DB (or of the database you work in), oldest first: the date as\n"
         "a calendar date and as written, who wrote it and in which run.",
         {{"format", true}, {"run", true}},
         cmdNotes},
        {"runs",
         "runs [DB] [--format table|csv|json]",
         "list the runs that wrote notes",
         "Lists every run (one connection that wrote notes): when, who, how many notes.",
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
