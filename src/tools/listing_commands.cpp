// Listings of a database's contacts and notes.

#include "tools/command_support.h"

#include <sstream>

#include "contacts/contact_id.h"
#include "tools/table_output.h"
#include "util/failure.h"

namespace penwick::tools {

using contacts::Store;

int cmdContacts(const Arguments& a, ToolIo& io) {
    const Format format = listingFormat(a);
    Store store(databaseArgument(a, io));
    std::vector<Column> header{{"id"}};
    for (const auto& field : contacts::kContactFieldColumns) {
        header.push_back({std::string(field.column)});
    }
    for (std::string& name : store.extraFields()) header.push_back({std::move(name), false, true});
    std::vector<Cell> row;
    printRows(io.out, format, header, [&](const RowSink& sink) {
        store.forEachContact([&](const contacts::Contact& c) {
            row.clear();
            row.emplace_back(contacts::formatContactId(c.number));
            for (const auto& field : contacts::kContactFieldColumns) {
                row.emplace_back(c.fields.*field.member);
            }
            for (const std::string& value : c.extras) row.emplace_back(value);
            sink(row);
        });
    });
    return 0;
}

int cmdNotes(const Arguments& a, ToolIo& io) {
    const Format format = listingFormat(a);
    std::optional<std::int64_t> onlyRun;
    if (const auto run = a.value("run")) onlyRun = parseCount(*run, "the run");
    Store store(databaseArgument(a, io));
    // --with FIELD,...: contact fields shown beside each note's contact.
    std::vector<contacts::ContactFieldRef> with;
    if (a.has("with")) {
        for (const std::string& list : a.options.at("with")) {
            std::stringstream names(list);
            std::string name;
            while (std::getline(names, name, ',')) {
                if (name.empty()) continue;
                try {
                    with.push_back(store.contactField(name));
                } catch (const Failure&) {
                    std::string known = "name, company, phone, email, city";
                    for (const std::string& extra : store.extraFields()) known += ", " + extra;
                    throw UsageError{"unknown contact field " + name + "; fields are " + known};
                }
            }
        }
    }
    std::vector<Column> columns{{"note", true}, {"contact"}};
    for (const auto& field : with) columns.push_back({field.name});
    for (Column c : std::initializer_list<Column>{{"run", true},
                                                  {"type", true},
                                                  {"date"},
                                                  {"time"},
                                                  {"date_as_written"},
                                                  {"text"},
                                                  {"attachment"},
                                                  {"written_at"},
                                                  {"user"}}) {
        columns.push_back(std::move(c));
    }
    std::vector<Cell> row;
    printRows(io.out, format, columns, [&](const RowSink& sink) {
        store.forEachNote([&](const contacts::StoredNote& n) {
            if (onlyRun && n.run != *onlyRun) return;
            row = {std::to_string(n.id), contacts::formatContactId(n.contact)};
            for (const auto& field : with) row.push_back(store.contactValue(n.contact, field));
            for (Cell cell :
                 {Cell(std::to_string(n.run)), Cell(std::to_string(n.record.typeCode)),
                  Cell(n.record.date), n.record.time, Cell(n.record.dateText), Cell(n.record.text),
                  n.record.attachment, Cell(n.writtenAt), Cell(n.userName)}) {
                row.push_back(std::move(cell));
            }
            sink(row);
        });
    });
    return 0;
}

}  // namespace penwick::tools
