#pragma once
// How the columns of a CSV file become the fields of contacts: known columns by their header
// (case and spacing ignored, with the names common exports give them), every other column an
// extra field under its own header.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "contacts/store.h"

namespace penwick::tools {

class CsvReader;

class ImportPlan {
public:
    // Plans for the given header row; a column named twice is a ToolError. `ownListing`: the
    // file is this tool's own contact listing (see isOwnListing), whose first column is not kept.
    ImportPlan(const std::vector<std::string>& header, bool ownListing);

    // True when the header starts as this tool's contact listing does.
    static bool headedAsListing(const std::vector<std::string>& header);

    std::size_t columns() const { return headers_.size(); }
    // The names of the extra fields the file brings, in column order.
    const std::vector<std::string>& extraNames() const { return extraNames_; }

    // One row (of columns() cells) as a contact's fields and its extra fields' values.
    void apply(const std::vector<std::string>& row, contacts::ContactFields& fields,
               std::vector<std::string>& extras) const;

    // What became of each column, a line each, for people.
    std::vector<std::string> describe() const;

private:
    std::vector<std::string> headers_;
    // For each fixed field (in kContactFieldColumns order), the column it is read from.
    std::vector<std::optional<std::size_t>> fieldColumn_;
    // First, middle and last name columns, joined into the name when no column is the name.
    std::vector<std::size_t> nameParts_;
    std::vector<std::size_t> extraColumns_;
    std::vector<std::string> extraNames_;
    // The first column of this tool's own contact listing: identifiers of the database it was
    // listed from, which mean nothing in another one.
    bool listingId_ = false;
};

// Reads the rows after the header (as far as needed) and answers whether every row's first cell
// is a contact identifier as this tool writes it. A header alone does not tell the tool's own
// listing from another system's export with the same column names, whose identifiers must be
// kept; a look at every row before anything is written does, in the small memory of one row.
bool isOwnListing(CsvReader& rowsAfterHeader);

}  // namespace penwick::tools
