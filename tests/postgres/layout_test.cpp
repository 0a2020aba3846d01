// A database made in a file and one made on a server hold the same layout, read back from each
// engine's own catalogue.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "contacts/layout.h"
#include "contacts/store.h"
#include "embedded_support.h"
#include "server_databases.h"

namespace penwick::testing {
namespace {

using contacts::Connection;
using contacts::Store;

// Each table's columns, keys and indexes as lines of one form for both engines: a column's
// type by what it holds (integer or text), a default as its literal, a key the database hands
// out as "generated", a unique index without its name (a file names the index of a UNIQUE
// column itself) and a NOCASE key as lower().
using Layout = std::map<std::string, std::vector<std::string>>;

std::vector<std::string> names(Connection& c, const std::string& sql) {
    std::vector<std::string> values;
    for (auto q = c.query(sql); q.step();) values.push_back(q.text(0));
    return values;
}

Layout fileLayout(Connection& c) {
    Layout layout;
    for (const std::string& table : names(c,
                                          "SELECT name FROM sqlite_schema WHERE type = 'table' "
                                          "AND name NOT LIKE 'sqlite%'")) {
        std::vector<std::string>& lines = layout[table];
        bool rowid = false;
        {
            auto q = c.query("SELECT wr FROM pragma_table_list(?1)");
            rowid = q.bind(1, table).step() && q.integer(0) == 0;
        }
        struct Row {
            std::string line, type;
            std::int64_t key;
        };
        std::vector<Row> rows;
        auto q = c.query(
            "SELECT cid + 1, name, lower(type), \"notnull\", dflt_value, pk "
            "FROM pragma_table_info(?1) ORDER BY cid");
        for (q.bind(1, table); q.step();) {
            std::string line = "column " + q.text(0) + " " + q.text(1) + " " + q.text(2);
            if (q.integer(3) != 0 || q.integer(5) > 0) line += " not null";
            if (!q.isNull(4)) line += " default " + q.text(4);
            rows.push_back({line, q.text(2), q.integer(5)});
        }
        std::map<std::int64_t, std::string> key;
        for (const Row& row : rows) {
            if (row.key > 0) key[row.key] = row.line.substr(row.line.find(' ', 7) + 1);
        }
        for (Row& row : rows) {
            // A single INTEGER key of a table with row ids is the row id, which SQLite hands out.
            if (rowid && key.size() == 1 && row.key == 1 && row.type == "integer")
                row.line += " generated";
            lines.push_back(row.line);
        }
        std::string keyLine = "primary key (";
        for (const auto& [position, name] : key)
            keyLine += (position > 1 ? ", " : "") + name.substr(0, name.find(' '));
        lines.push_back(keyLine + ")");
        auto fk = c.query(
            "SELECT \"from\", \"table\", \"to\", on_delete "
            "FROM pragma_foreign_key_list(?1)");
        for (fk.bind(1, table); fk.step();) {
            lines.push_back("foreign key " + fk.text(0) + " references " + fk.text(1) + "(" +
                            fk.text(2) + ")" +
                            (fk.text(3) == "CASCADE" ? " on delete cascade" : ""));
        }
        auto ix = c.query("SELECT name, \"unique\", origin FROM pragma_index_list(?1)");
        for (ix.bind(1, table); ix.step();) {
            if (ix.text(2) == "pk") continue;
            std::string keys;
            auto k = c.query(
                "SELECT name, coll FROM pragma_index_xinfo(?1) WHERE key = 1 ORDER BY seqno");
            for (k.bind(1, ix.text(0)); k.step();) {
                if (!keys.empty()) keys += ", ";
                keys += k.text(1) == "NOCASE" ? "lower(" + k.text(0) + ")" : k.text(0);
            }
            lines.push_back(ix.integer(1) != 0 ? "unique (" + keys + ")"
                                               : "index " + ix.text(0) + " (" + keys + ")");
        }
    }
    return layout;
}

Layout serverLayout(Connection& c) {
    Layout layout;
    for (const std::string& table :
         names(c,
               "SELECT table_name FROM information_schema.tables WHERE table_schema = "
               "current_schema() AND table_type = 'BASE TABLE'")) {
        std::vector<std::string>& lines = layout[table];
        auto q = c.query(
            "SELECT ordinal_position, column_name, "
            "CASE WHEN data_type IN ('bigint', 'integer', 'smallint') THEN 'integer' "
            "ELSE data_type END, is_nullable = 'NO', split_part(column_default, '::', 1), "
            "is_identity = 'YES' FROM information_schema.columns "
            "WHERE table_schema = current_schema() AND table_name = ?1 ORDER BY ordinal_position");
        for (q.bind(1, table); q.step();) {
            std::string line = "column " + q.text(0) + " " + q.text(1) + " " + q.text(2);
            if (q.integer(3) != 0) line += " not null";
            if (!q.isNull(4)) line += " default " + q.text(4);
            if (q.integer(5) != 0) line += " generated";
            lines.push_back(line);
        }
        auto fk = c.query(
            "SELECT a.attname, r.relname, af.attname, c.confdeltype = 'c' FROM pg_constraint c "
            "JOIN pg_class t ON t.oid = c.conrelid JOIN pg_class r ON r.oid = c.confrelid "
            "JOIN pg_attribute a ON a.attrelid = c.conrelid AND a.attnum = c.conkey[1] "
            "JOIN pg_attribute af ON af.attrelid = c.confrelid AND af.attnum = c.confkey[1] "
            "WHERE c.contype = 'f' AND t.relname = ?1 "
            "AND t.relnamespace = current_schema()::regnamespace");
        for (fk.bind(1, table); fk.step();) {
            lines.push_back("foreign key " + fk.text(0) + " references " + fk.text(1) + "(" +
                            fk.text(2) + ")" + (fk.integer(3) != 0 ? " on delete cascade" : ""));
        }
        auto ix = c.query(
            "SELECT i.relname, x.indisprimary, x.indisunique, (SELECT replace(string_agg("
            "pg_get_indexdef(x.indexrelid, k, true), ', ' ORDER BY k), '\"', '') "
            "FROM generate_series(1, x.indnkeyatts) k) FROM pg_index x "
            "JOIN pg_class i ON i.oid = x.indexrelid JOIN pg_class t ON t.oid = x.indrelid "
            "WHERE t.relname = ?1 AND t.relnamespace = current_schema()::regnamespace");
        for (ix.bind(1, table); ix.step();) {
            const std::string keys = "(" + ix.text(3) + ")";
            if (ix.integer(1) != 0) {
                lines.push_back("primary key " + keys);
            } else {
                lines.push_back(ix.integer(2) != 0 ? "unique " + keys
                                                   : "index " + ix.text(0) + " " + keys);
            }
        }
    }
    return layout;
}

Layout sorted(Layout layout) {
    for (auto& [table, lines] : layout) std::sort(lines.begin(), lines.end());
    return layout;
}

// The tables, columns, keys and indexes of layout.h as the two catalogues hold them, but for
// what layout.h says differs: app_user is a file's alone. (Checks are not compared: SQLite
// keeps them only in the text of its CREATE TABLE.)
TEST(Layout, AFileAndAServerDatabaseHoldTheSameTablesColumnsKeysAndIndexes) {
    TempFolder folder;
    const std::string file = folder.file("layout.pwdb");
    const std::string server = ServerDatabases().fresh(folder);
    Store::create(file);
    Store::create(server);
    Layout inFile = sorted(fileLayout(Store(file).connection()));
    const Layout onServer = sorted(serverLayout(Store(server).connection()));

    std::size_t shared = 0;
    for (const contacts::layout::Table& table : contacts::layout::tables()) {
        if (table.fileOnly) {
            EXPECT_EQ(inFile.erase(std::string(table.name)), 1u) << table.name;
        } else {
            ++shared;
        }
    }
    EXPECT_EQ(onServer.size(), shared);
    for (const auto& [table, lines] : onServer) EXPECT_EQ(inFile[table], lines) << table;
    EXPECT_EQ(inFile.size(), onServer.size());
}

}  // namespace
}  // namespace penwick::testing
