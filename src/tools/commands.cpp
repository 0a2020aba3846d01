#include "tools/commands.h"

#include "tools/command_support.h"

namespace penwick::tools {

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
