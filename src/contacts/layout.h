#pragma once
// The contact database's tables, written once for both engines: their columns, keys and
// indexes, and from them the SQL that makes them in a SQLite file or on a PostgreSQL server.
// Where the engines differ, it is said here and done in layout.cpp alone:
//   - each kind of column has one type per engine (text columns hold dates and times in
//     both, so that a database copies either way unchanged);
//   - an identifier is the row's own number in a file, an identity column on a server;
//   - a text of a fixed shape is checked with GLOB in a file and with the same pattern as a
//     regular expression on a server;
//   - a name unique whatever its ASCII case is a NOCASE column in a file, a unique index on
//     lower(name) on a server;
//   - a table read by its key is kept in key order in a file (WITHOUT ROWID);
//   - a file keeps its users in app_user; a server's users are its roles, and its functions,
//     groups and grants are made by postgres_layout.cpp and server_users.cpp.

#include <string>
#include <string_view>
#include <vector>

namespace penwick::contacts::layout {

enum class Engine { File, Server };

enum class Kind {
    Id,            // the table's identifier, handed out by the database
    Integer,       // a 64-bit number
    SmallInteger,  // a 16-bit number (a note type)
    Text,
};

struct Column {
    std::string_view name;
    Kind kind = Kind::Text;
    bool notNull = false;
    std::string_view defaultValue = {};  // an SQL literal; empty for none
    std::string_view references = {};    // the table whose id it holds
    bool cascade = false;                // deleted with the row it references
    bool uniqueIgnoringCase = false;
    std::string_view shape = {};  // a GLOB pattern every value (but NULL) matches
};

struct Table {
    std::string_view name;
    std::vector<Column> columns;
    std::vector<std::string_view> primaryKey;  // empty: the Id column
    bool keyOrdered = false;
    bool fileOnly = false;
};

struct Index {
    std::string_view name, table, column;
};

// In the order they are made: a table after those it references.
const std::vector<Table>& tables();
const std::vector<Index>& indexes();

// Every table and index of the engine's layout.
std::string schema(Engine engine);
// One table or index, as a later layout added it to an older file.
std::string createTable(Engine engine, std::string_view table);
std::string createIndex(std::string_view index);
std::string addColumn(Engine engine, std::string_view table, std::string_view column);

}  // namespace penwick::contacts::layout
