// The commands that make, copy, fill and open databases and add their users.

#include "tools/command_support.h"

#include <filesystem>
#include <functional>
#include <iostream>

#include "contacts/system.h"
#include "posix/files.h"
#include "tools/contact_import.h"
#include "tools/csv.h"
#include "tools/demo.h"

namespace penwick::tools {

using contacts::LookupQuery;
using contacts::Session;
using contacts::Store;

int cmdInit(const Arguments& a, ToolIo& io) {
    expectPositional(a, 1, 1);
    const std::string name = contacts::databaseName(a.positional[0]);
    Store::create(name);
    io.out << "init: made the contact database " << name << "\n";
    return 0;
}

int cmdCopy(const Arguments& a, ToolIo& io) {
    expectPositional(a, 2, 2);
    Store source(contacts::databaseName(a.positional[0]));
    // The copy carries every user's password hash: on a database with users, only an
    // administrator takes one.
    if (source.isMultiUser()) {
        const std::string user = logIn(source, a, io);
        if (!source.isAdmin(user))
            throw ToolError{"only an administrator can copy " + source.path()};
    }
    const std::string destination = contacts::databaseName(a.positional[1]);
    // A server checks its users' passwords itself: no hash goes to or from one, so each user
    // gets a new password (one a line after the administrator's, with --password-stdin).
    bool told = false;
    const auto newPassword = [&](const contacts::UserEntry& user) {
        if (!told) {
            io.out << "copy: passwords do not go to or from a server database: each user gets "
                      "a new one\n"
                   << std::flush;
            told = true;
        }
        return readPassword(a, io, "New password for " + user.name + ": ");
    };
    contacts::CopyCounts copied;
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
        std::function<void(const contacts::ContactFields&, const std::vector<std::string>&)>;
    std::int64_t rows = 0;
    const auto readRows = [&](const Add& add) {
        contacts::ContactFields fields;
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
    Store store(contacts::databaseName(a.positional[0]));
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
    contacts::writeSession(io.sessionPath, session);
    io.out << "open: working in " << store.path() << " (" << plural(store.contactCount(), "contact")
           << ")";
    if (!session.user.empty()) io.out << " as " << session.user;
    io.out << "; the lookup holds all contacts\n";
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
    contacts::writeSession(io.sessionPath, session);
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

}  // namespace penwick::tools
