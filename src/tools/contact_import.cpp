#include "tools/contact_import.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "contacts/contact_id.h"
#include "tools/arguments.h"
#include "tools/csv.h"

namespace penwick::tools {

namespace {

using contacts::fieldKey;
using contacts::kContactFieldColumns;

// The headers each fixed field goes by (as fieldKey has them), most telling first: when
// several columns could be the field, the one with the earliest name here is.
const std::array<std::vector<std::string_view>, kContactFieldColumns.size()> kAliases = {{
    {"name", "fullname", "displayname", "contactname"},
    {"company", "companyname", "organization", "organisation", "organizationname",
     "organization1name", "org"},
    {"phone", "phonenumber", "telephone", "tel", "primaryphone", "businessphone", "mobilephone",
     "mobile", "homephone", "phone1value", "companymainphone", "otherphone"},
    {"email", "emailaddress", "email1", "email1value", "email1address", "primaryemail", "workemail",
     "email2address", "email2", "email2value"},
    {"city", "businesscity", "workcity", "homecity", "address1city", "locality", "town",
     "othercity"},
}};

// Parts of a name, joined in this order into the name when no column holds it whole.
const std::array<std::vector<std::string_view>, 3> kNameParts = {{
    {"firstname", "givenname"},
    {"middlename", "additionalname"},
    {"lastname", "familyname", "surname"},
}};

constexpr std::array<std::string_view, 6> kListingHeader = {"id",    "name",  "company",
                                                            "phone", "email", "city"};

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string quoted(const std::string& s) {
    return "\"" + s + "\"";
}

}  // namespace

bool ImportPlan::headedAsListing(const std::vector<std::string>& header) {
    return header.size() >= kListingHeader.size() &&
           std::equal(kListingHeader.begin(), kListingHeader.end(), header.begin());
}

bool isOwnListing(CsvReader& rowsAfterHeader) {
    CsvRecord record;
    while (rowsAfterHeader.next(record)) {
        const auto& cells = record.fields;
        if (cells.size() == 1 && cells[0].empty()) continue;  // a blank line, skipped on import
        if (!contacts::parseContactId(std::string_view(cells[0]))) return false;
    }
    return true;
}

ImportPlan::ImportPlan(const std::vector<std::string>& header, bool ownListing)
    : fieldColumn_(kContactFieldColumns.size()) {
    listingId_ = ownListing && headedAsListing(header);
    std::vector<std::string> keys;
    for (std::size_t c = 0; c < header.size(); ++c) {
        std::string name = trimmed(header[c]);
        if (fieldKey(name).empty()) name = "column " + std::to_string(c + 1);
        headers_.push_back(name);
        if (c == 0 && listingId_) {
            keys.emplace_back();
            continue;
        }
        const std::string key = fieldKey(name);
        if (const auto same = std::find(keys.begin(), keys.end(), key); same != keys.end()) {
            throw ToolError{"the CSV header names the column " + quoted(name) + " twice (columns " +
                            std::to_string(same - keys.begin() + 1) + " and " +
                            std::to_string(c + 1) + ")"};
        }
        keys.push_back(key);
    }

    // Each fixed field from the column whose header ranks first among its names.
    std::vector<bool> used(header.size(), false);
    for (std::size_t f = 0; f < kContactFieldColumns.size(); ++f) {
        for (std::string_view alias : kAliases[f]) {
            const auto at = std::find(keys.begin(), keys.end(), alias);
            if (at == keys.end() || used[at - keys.begin()]) continue;
            fieldColumn_[f] = static_cast<std::size_t>(at - keys.begin());
            used[*fieldColumn_[f]] = true;
            break;
        }
    }
    if (!fieldColumn_[0]) {
        for (const auto& part : kNameParts) {
            for (std::string_view alias : part) {
                const auto at = std::find(keys.begin(), keys.end(), alias);
                if (at == keys.end()) continue;
                nameParts_.push_back(static_cast<std::size_t>(at - keys.begin()));
                break;
            }
        }
    }
    // Everything else is kept under its own name, the parts of a name too: a joined name
    // cannot always be split again.
    for (std::size_t c = listingId_ ? 1 : 0; c < header.size(); ++c) {
        if (used[c]) continue;
        extraColumns_.push_back(c);
        extraNames_.push_back(headers_[c]);
    }
}

void ImportPlan::apply(const std::vector<std::string>& row, contacts::ContactFields& fields,
                       std::vector<std::string>& extras) const {
    for (std::size_t f = 0; f < kContactFieldColumns.size(); ++f) {
        std::string& value = fields.*kContactFieldColumns[f].member;
        if (fieldColumn_[f]) {
            value = row[*fieldColumn_[f]];
        } else {
            value.clear();
        }
    }
    if (!nameParts_.empty()) {
        for (std::size_t c : nameParts_) {
            const std::string part = trimmed(row[c]);
            if (part.empty()) continue;
            if (!fields.name.empty()) fields.name += ' ';
            fields.name += part;
        }
    }
    extras.resize(extraColumns_.size());
    for (std::size_t i = 0; i < extraColumns_.size(); ++i) extras[i] = row[extraColumns_[i]];
}

std::vector<std::string> ImportPlan::describe() const {
    std::vector<std::string> lines;
    for (std::size_t f = 0; f < kContactFieldColumns.size(); ++f) {
        if (fieldColumn_[f]) {
            lines.push_back(quoted(headers_[*fieldColumn_[f]]) + " -> " +
                            std::string(kContactFieldColumns[f].column));
        }
    }
    if (!nameParts_.empty()) {
        std::string parts;
        for (std::size_t c : nameParts_)
            parts += (parts.empty() ? "" : " + ") + quoted(headers_[c]);
        lines.push_back(parts + " -> name (joined; each also kept as an extra field)");
    }
    if (!extraColumns_.empty()) {
        std::string kept = "kept as extra fields:";
        for (std::size_t c : extraColumns_) {
            kept += (c == extraColumns_.front() ? " " : ", ") + quoted(headers_[c]);
        }
        lines.push_back(kept);
    }
    if (listingId_) {
        lines.push_back("not kept: " + quoted(headers_[0]) +
                        ", the identifiers in the database it was listed from (each contact "
                        "gets a new one)");
    }
    return lines;
}

}  // namespace penwick::tools
