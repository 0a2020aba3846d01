#include "tools/contacts_tool.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>

#include "embedded/session.h"
#include "embedded/store.h"
#include "tools/csv.h"
#include "tools/demo.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::tools {

namespace {

using embedded::LookupQuery;
using embedded::Session;
using embedded::Store;

constexpr const char* kProgram = "penwick-contacts";

// A command line that does not fit its command: exit status 2.
struct UsageError {
    std::string message;
};

// A command that cannot do what was asked: exit status 1.
struct ToolError {
    std::string message;
};

// --- the command line -------------------------------------------------------------------

struct Option {
    std::string name;  // without the leading "--"
    bool takesValue = false;
};

struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::vector<std::string>> options;

    bool has(const std::string& name) const { return options.contains(name); }
    std::optional<std::string> value(const std::string& name) const {
        auto it = options.find(name);
        if (it == options.end() || it->second.empty()) return std::nullopt;
        return it->second.back();
    }
};

Arguments parseArguments(const std::vector<std::string>& args, const std::vector<Option>& known) {
    Arguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.rfind("--", 0) != 0) {
            if (!optionsEnded && arg.size() > 1 && arg[0] == '-' && arg != "-") {
                throw UsageError{"unknown option " + arg};
            }
            parsed.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg.substr(2);
        std::optional<std::string> inlineValue;
        if (const auto eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        const auto option = std::find_if(known.begin(), known.end(),
                                         [&](const Option& o) { return o.name == name; });
        if (option == known.end()) throw UsageError{"unknown option --" + name};
        auto& values = parsed.options[name];
        if (!option->takesValue) {
            if (inlineValue) throw UsageError{"--" + name + " takes no value"};
            continue;
        }
        if (inlineValue) {
            values.push_back(*inlineValue);
        } else if (i + 1 < args.size()) {
            values.push_back(args[++i]);
        } else {
            throw UsageError{"--" + name + " needs a value"};
        }
    }
    return parsed;
}

void expectPositional(const Arguments& a, std::size_t least, std::size_t most) {
    if (a.positional.size() < least) throw UsageError{"missing argument"};
    if (a.positional.size() > most) {
        throw UsageError{"unexpected argument " + a.positional[most]};
    }
}

// --- output -----------------------------------------------------------------------------

enum class Format { Table, Csv, Json };

Format formatOf(const Arguments& a) {
    const std::string f = a.value("format").value_or("table");
    if (f == "table") return Format::Table;
    if (f == "csv") return Format::Csv;
    if (f == "json") return Format::Json;
    throw UsageError{"--format must be table, csv or json, not " + f};
}

struct Column {
    std::string name;
    bool numeric = false;
};

using Cell = std::optional<std::string>;

std::size_t displayWidth(std::string_view s) {
    // Code points, not bytes: continuation bytes take no room.
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string oneLine(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    }
    return out;
}

std::string jsonString(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                    out += buffer;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

void printTable(std::ostream& out, Format format, const std::vector<Column>& columns,
                const std::vector<std::vector<Cell>>& rows) {
    switch (format) {
        case Format::Csv: {
            for (std::size_t c = 0; c < columns.size(); ++c) {
                out << (c ? "," : "") << csvField(columns[c].name);
            }
            out << "\r\n";
            for (const auto& row : rows) {
                for (std::size_t c = 0; c < columns.size(); ++c) {
                    out << (c ? "," : "") << csvField(row[c].value_or(""));
                }
                out << "\r\n";
            }
            break;
        }
        case Format::Json: {
            out << "[";
            for (std::size_t r = 0; r < rows.size(); ++r) {
                out << (r ? ",\n " : "\n ") << "{";
                for (std::size_t c = 0; c < columns.size(); ++c) {
                    out << (c ? ", " : "") << jsonString(columns[c].name) << ": ";
                    const Cell& cell = rows[r][c];
                    if (!cell) {
                        out << "null";
                    } else if (columns[c].numeric) {
                        out << *cell;
                    } else {
                        out << jsonString(*cell);
                    }
                }
                out << "}";
            }
            out << (rows.empty() ? "]\n" : "\n]\n");
            break;
        }
        case Format::Table: {
            std::vector<std::size_t> width(columns.size());
            for (std::size_t c = 0; c < columns.size(); ++c) width[c] = columns[c].name.size();
            for (const auto& row : rows) {
                for (std::size_t c = 0; c < columns.size(); ++c) {
                    width[c] = std::max(width[c], displayWidth(oneLine(row[c].value_or(""))));
                }
            }
            auto line = [&](const std::vector<std::string>& cells) {
                std::string text;
                for (std::size_t c = 0; c < columns.size(); ++c) {
                    const std::string pad(width[c] - displayWidth(cells[c]), ' ');
                    if (c) text += "  ";
                    text += columns[c].numeric ? pad + cells[c] : cells[c] + pad;
                }
                while (!text.empty() && text.back() == ' ') text.pop_back();
                out << text << "\n";
            };
            std::vector<std::string> header;
            for (const auto& column : columns) header.push_back(column.name);
            line(header);
            for (const auto& row : rows) {
                std::vector<std::string> cells;
                for (const Cell& cell : row) cells.push_back(oneLine(cell.value_or("")));
                line(cells);
            }
            break;
        }
    }
}

// --- the session --------------------------------------------------------------------------

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

std::string plural(std::int64_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

std::int64_t parseCount(const std::string& text, const char* what) {
    if (text.empty() || text.size() > 18 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        throw UsageError{std::string(what) + " must be a number, not " + text};
    }
    return std::stoll(text);
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

// --- the commands --------------------------------------------------------------------------

struct Command {
    std::string name;
    std::string usage;
    std::string summary;
    std::string details;
    std::vector<Option> options;
    std::function<int(const Arguments&, ToolIo&)> run;
};

int cmdInit(const Arguments& a, ToolIo& io) {
    expectPositional(a, 1, 1);
    const std::string path = embedded::absolutePath(a.positional[0]);
    Store::create(path);
    io.out << "init: made the contact database " << path << "\n";
    return 0;
}

int cmdImport(const Arguments& a, ToolIo& io) {
    expectPositional(a, 2, 2);
    Store store(a.positional[0]);
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
    if (!a.has("password-stdin")) {
        throw UsageError{"give the password on standard input with --password-stdin"};
    }
    Store store(a.positional[0]);
    std::string password;
    std::getline(io.in, password);
    if (!password.empty() && password.back() == '\r') password.pop_back();
    if (password.empty()) throw ToolError{"no password on standard input"};
    const bool wasMultiUser = store.isMultiUser();
    store.addUser(a.positional[1], password);
    io.out << "add-user: added " << a.positional[1] << " to " << store.path();
    if (!wasMultiUser) io.out << "; the database now asks for a login";
    io.out << "\n";
    return 0;
}

int cmdOpen(const Arguments& a, ToolIo& io) {
    expectPositional(a, 1, 1);
    Store store(embedded::absolutePath(a.positional[0]));
    Session session;
    session.database = store.path();
    if (const auto user = a.value("user")) {
        if (!store.isMultiUser()) {
            throw ToolError{store.path() +
                            " has no users; --user is for databases that ask "
                            "for a login"};
        }
        const auto stored = store.findUser(*user);
        if (!stored) throw ToolError{"no user " + *user + " in " + store.path()};
        session.user = *stored;
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
            row.push_back(c.fields.*field.member);
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
    const auto run = store.run(id);
    if (!run) throw ToolError{"no run " + std::to_string(id) + " in " + store.path()};
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
    const std::string path = embedded::absolutePath(
        a.positional.empty() ? io.dataFolder + "/demo.pwdb" : a.positional[0]);
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
         "Fields may be quoted as in RFC 4180; the file is UTF-8.",
         {},
         cmdImport},
        {"add-user",
         "add-user DB NAME --password-stdin",
         "add a user with a password",
         "Adds the user NAME with the password read from the first line of standard input.\n"
         "A database with users asks every connection for a login.",
         {{"password-stdin"}},
         cmdAddUser},
        {"open",
         "open DB [--user NAME]",
         "work in this database from now on",
         "Makes DB the database you work in, logged in as NAME (databases with users), with\n"
         "a lookup of all its contacts.",
         {{"user", true}},
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
         "undo-run DB RUN [--yes]",
         "remove the notes of one run",
         "Removes every note that run RUN wrote, after asking (or at once with --yes).",
         {{"yes"}},
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

void printOverview(std::ostream& out) {
    out << "usage: " << kProgram << " COMMAND [ARGUMENTS]\n\n"
        << "The contact databases behind Penwick, and the database and lookup you work in.\n\n"
        << "commands:\n";
    for (const Command& c : commands()) {
        out << "  " << c.usage << "\n      " << c.summary << "\n";
    }
    out << "\n" << kProgram << " COMMAND --help tells more about one command.\n";
}

void printHelp(std::ostream& out, const Command& c) {
    out << "usage: " << kProgram << " " << c.usage << "\n\n" << c.details << "\n";
}

const Command* findCommand(const std::string& name) {
    for (const Command& c : commands()) {
        if (c.name == name) return &c;
    }
    return nullptr;
}

}  // namespace

int runContactsTool(const std::vector<std::string>& args, ToolIo& io) {
    if (args.empty()) {
        printOverview(io.err);
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        if (args.size() > 1) {
            if (const Command* c = findCommand(args[1])) {
                printHelp(io.out, *c);
                return 0;
            }
            io.err << kProgram << ": unknown command " << args[1] << "\n";
            return 2;
        }
        printOverview(io.out);
        return 0;
    }
    const Command* command = findCommand(args[0]);
    if (command == nullptr) {
        io.err << kProgram << ": unknown command " << args[0] << " (see " << kProgram
               << " --help)\n";
        return 2;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& arg : rest) {
        if (arg == "--") break;
        if (arg == "--help" || arg == "-h") {
            printHelp(io.out, *command);
            return 0;
        }
    }
    try {
        return command->run(parseArguments(rest, command->options), io);
    } catch (const UsageError& e) {
        io.err << kProgram << " " << command->name << ": " << e.message << " (usage: " << kProgram
               << " " << command->usage << ")\n";
        return 2;
    } catch (const ToolError& e) {
        io.err << kProgram << " " << command->name << ": " << e.message << "\n";
    } catch (const Failure& f) {
        io.err << kProgram << " " << command->name << ": " << oneLine(toUtf8(f.description()))
               << "\n";
    } catch (const std::exception& e) {
        io.err << kProgram << " " << command->name << ": " << oneLine(e.what()) << "\n";
    }
    return 1;
}

}  // namespace penwick::tools
