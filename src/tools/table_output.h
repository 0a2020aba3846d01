#pragma once
// Lists printed as an aligned table for people, or as CSV or JSON for programs.

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/arguments.h"

namespace penwick::tools {

enum class Format { Table, Csv, Json };

// The --format option: table (the default), csv or json.
Format formatOf(const Arguments& a);

struct Column {
    std::string name;
    bool numeric = false;
};

using Cell = std::optional<std::string>;

// Control characters (line breaks, tabs) as spaces, so that a value stays on its line.
std::string oneLine(std::string_view s);

// A missing cell is empty in a table and CSV, null in JSON; numeric columns are right-aligned
// in a table and bare numbers in JSON.
void printTable(std::ostream& out, Format format, const std::vector<Column>& columns,
                const std::vector<std::vector<Cell>>& rows);

}  // namespace penwick::tools
