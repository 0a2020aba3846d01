#pragma once
// Lists printed as an aligned table for people, or as CSV or JSON for programs.

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/arguments.h"

namespace penwick::tools {

enum class Format { Table, Csv, Json };

// A listing's arguments: at most the database's name, and --format: table (the default), csv
// or json.
Format listingFormat(const Arguments& a);

struct Column {
    std::string name;
    bool numeric = false;
    // An extra field of a contact: in JSON gathered in the row's "extra" object (only those
    // set), so that its name never clashes with the fixed ones.
    bool extra = false;
};

using Cell = std::optional<std::string>;
using RowSink = std::function<void(const std::vector<Cell>&)>;

// Control characters (line breaks, tabs) as spaces, so that a value stays on its line.
std::string oneLine(std::string_view s);

// A missing cell is empty in a table and CSV, null in JSON; numeric columns are right-aligned
// in a table and bare numbers in JSON.
void printTable(std::ostream& out, Format format, const std::vector<Column>& columns,
                const std::vector<std::vector<Cell>>& rows);

// The same for rows that `produce` hands one by one to the sink it is given, printed as they
// come. An aligned table needs the widest cell of each column first: there `produce` is called
// twice, once to measure and once to print, so that no row is held.
void printRows(std::ostream& out, Format format, const std::vector<Column>& columns,
               const std::function<void(const RowSink&)>& produce);

}  // namespace penwick::tools
