#pragma once
// The multi-row INSERT both engines take, for rows sent in batches.

#include <cstddef>
#include <string>

namespace penwick::contacts {

// An INSERT of `rows` rows of `columns` values each.
inline std::string insertRows(const char* into, std::size_t columns, std::size_t rows) {
    std::string row = "(?";
    for (std::size_t c = 1; c < columns; ++c) row += ",?";
    row += ")";
    std::string sql = std::string("INSERT INTO ") + into + " VALUES " + row;
    for (std::size_t r = 1; r < rows; ++r) sql += "," + row;
    return sql;
}

}  // namespace penwick::contacts
