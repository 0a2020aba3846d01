// The runs that wrote notes: listing them and undoing one.

#include "tools/command_support.h"

#include <iostream>

#include "tools/table_output.h"

namespace penwick::tools {

using contacts::Store;

int cmdRuns(const Arguments& a, ToolIo& io) {
    const Format format = listingFormat(a);
    Store store(databaseArgument(a, io));
    std::vector<std::vector<Cell>> rows;
    const auto number = [](const std::optional<std::int64_t>& n) -> Cell {
        if (!n) return std::nullopt;
        return std::to_string(*n);
    };
    for (const contacts::Run& r : store.runs()) {
        // A run without a kept lookup: neither its size nor whether it finished is known.
        const char* finished = !r.lookupSize ? "unknown" : r.finished() ? "yes" : "no";
        rows.push_back({std::to_string(r.id), r.startedAt, r.userName, r.host,
                        std::to_string(r.pid), number(r.lookupSize), std::to_string(r.notes),
                        finished, number(r.continues), r.undoneAt});
    }
    printTable(io.out, format,
               {{"run", true},
                {"started_at"},
                {"user"},
                {"host"},
                {"pid", true},
                {"lookup", true},
                {"notes", true},
                {"finished"},
                {"continues", true},
                {"undone_at"}},
               rows);
    return 0;
}

int cmdUndoRun(const Arguments& a, ToolIo& io) {
    expectPositional(a, 2, 2);
    const std::int64_t id = parseCount(a.positional[1], "the run");
    Store store(a.positional[0]);
    logIn(store, a, io);
    const auto run = store.run(id);
    if (!run) throw ToolError{"no run " + std::to_string(id) + " in " + store.path()};
    // Refused before asking; undoRun checks it again.
    store.requireMayUndo(*run);
    if (run->undoneAt) {
        throw ToolError{"run " + std::to_string(id) + " was already undone at " + *run->undoneAt};
    }
    io.out << "run " << id << ": " << plural(run->notes, "note") << " written by " << run->userName
           << " on " << run->host << " at " << run->startedAt << "\n";
    if (!a.has("yes")) {
        io.out << "Remove these notes? [y/N] " << std::flush;
        std::string answer;
        std::getline(io.in, answer);
        for (char& c : answer) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if (answer != "y" && answer != "yes") throw ToolError{"not confirmed; nothing removed"};
    }
    const std::int64_t removed = store.undoRun(id);
    io.out << "undo-run: removed " << plural(removed, "note") << " of run " << id << "\n";
    return 0;
}

}  // namespace penwick::tools
